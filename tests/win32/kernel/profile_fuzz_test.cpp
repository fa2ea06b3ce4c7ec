// Name lists of initialisation files cut by the buffer where the names before already fill it:
// inputs the fuzz target found writing past the buffer's end.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/HostFolder.h"
#include "support/WideString.h"
#include "win32/wine.h"

#include <string>

namespace {

void WriteText(const WideString &path, const std::string &text)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(h, text.data(), DWORD(text.size()), &written, NULL));
    CloseHandle(h);
}

}  // namespace

// A list that does not fit is cut, ends with two nulls inside the buffer, and answers size - 2
// (documented for null section and null key); nothing past the buffer changes.
TEST(KernelProfileCut, ListsFilledToOneShortStayInsideTheBuffer)
{
    SKIP_UNDER_WINE("a name list cut short ends in one null, where a cut list ends in two");
    struct Case {
        const char *file;
        LPCWSTR section;  // NULL lists the sections
        DWORD size;
        WideString expected;  // the whole buffer
    };
    const Case cases[] = {
        {"[\n[16", NULL, 2, WideString(TEXT("\0\0"), 2)},
        {"[ab]\n[cd]\n", NULL, 4, WideString(TEXT("ab\0\0"), 4)},
        {"[ab]\n[cd]\n", NULL, 5, WideString(TEXT("ab\0\0\0"), 5)},
        {"[ab]\n[cd]\n", NULL, 6, WideString(TEXT("ab\0c\0\0"), 6)},
        {"[s]\na\nbc\n", TEXT("s"), 3, WideString(TEXT("a\0\0"), 3)},
        {"[s]\na=1\nbcd=2\n", TEXT("s"), 4, WideString(TEXT("a\0\0\0"), 4)},
    };
    HostFolder folder("kh-profile-cut");
    WideString path = folder.Path(TEXT("cut.ini"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        WriteText(path, c.file);
        WCHAR buffer[16];
        for (WCHAR &ch : buffer)
            ch = TEXT('#');
        DWORD n = GetPrivateProfileStringW(c.section, NULL, TEXT(""), buffer, c.size, path.c_str());
        EXPECT_EQ(c.size - 2, n);
        EXPECT_EQ(c.expected, WideString(buffer, c.size));
        EXPECT_EQ(WideString(16 - c.size, TEXT('#')), WideString(buffer + c.size, 16 - c.size)) << "written past the buffer";
    }
}
