// Thread locales: the thread locale picks CP_THREAD_ACP for its own thread only, and new threads start
// in the user locale.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "support/WideString.h"
#include "win32/wine.h"

namespace {

// A locale whose ANSI code page differs from the process's: 936 unless that is the process's already.
LCID OtherLocale() { return GetACP() == 936 ? MAKELCID(0x0409, SORT_DEFAULT) : MAKELCID(0x0804, SORT_DEFAULT); }

WideString DecodeThreadAnsi(const char *bytes)
{
    WCHAR out[8] = {};
    int n = MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, -1, out, 8);
    return n > 0 ? WideString(out, n - 1) : WideString();
}

TEST(Locale, ThreadLocaleChangesOnlyItsThread)
{
    const char bytes[] = "\xce\xd2";  // one GB2312 character, or two Latin-1 letters
    const LCID initial = GetThreadLocale();
    WideString before = DecodeThreadAnsi(bytes);

    LCID seen_in_thread = 0, seen_after = 0;
    WideString decoded_in_thread;
    std::thread worker([&] {
        EXPECT_EQ(GetUserDefaultLCID(), GetThreadLocale()) << "a new thread starts in the user locale";
        EXPECT_TRUE(SetThreadLocale(OtherLocale()));
        seen_in_thread = GetThreadLocale();
        decoded_in_thread = DecodeThreadAnsi(bytes);
    });
    worker.join();
    seen_after = GetThreadLocale();

    EXPECT_EQ(OtherLocale(), seen_in_thread);
    EXPECT_EQ(initial, seen_after);
    EXPECT_EQ(before, DecodeThreadAnsi(bytes));
    if (OtherLocale() == MAKELCID(0x0804, SORT_DEFAULT))
        EXPECT_EQ(TEXT("\u6211"), decoded_in_thread);
    else
        EXPECT_EQ(TEXT("\u00ce\u00d2"), decoded_in_thread);
}

TEST(Locale, SetThreadLocaleValidates)
{
    SKIP_UNDOCUMENTED_UNDER_WINE("SetThreadLocale(0) succeeds; the answer for a zero identifier is not documented");
    std::thread worker([] {
        const LCID before = GetThreadLocale();
        const LCID bad[] = {0x0000, 0x1234, 0xFFFF, MAKELCID(0x0804, 0x5), 0x10000409};
        for (LCID lcid : bad) {
            SetLastError(0xdeadbeef);
            EXPECT_FALSE(SetThreadLocale(lcid)) << std::hex << lcid;
            EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError()) << std::hex << lcid;
            EXPECT_EQ(before, GetThreadLocale()) << "a refused locale leaves the thread as it was";
        }
        EXPECT_TRUE(SetThreadLocale(MAKELCID(0x0411, SORT_DEFAULT)));
        WCHAR ch = 0;
        EXPECT_EQ(1, MultiByteToWideChar(CP_THREAD_ACP, 0, "\x82\x9f", 2, &ch, 1));
        EXPECT_EQ(0x3041, ch) << "932 decodes HIRAGANA LETTER SMALL A";
        EXPECT_TRUE(SetThreadLocale(LOCALE_USER_DEFAULT));
        EXPECT_EQ(GetUserDefaultLCID(), GetThreadLocale());
    });
    worker.join();
}

}  // namespace
