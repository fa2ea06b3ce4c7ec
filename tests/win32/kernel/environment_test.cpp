// Environment variables and the string table, as a Windows program sees them.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include "support/WideText.h"
#include "win32/wine.h"

namespace {

TEST(Environment, NamesMatchWithoutCaseAndSizesCountTheTerminator)
{
    ASSERT_TRUE(SetEnvironmentVariableW(TEXT("KeyholmEnvTest"), TEXT("värde")));
    WCHAR buffer[16];
    EXPECT_EQ(5u, GetEnvironmentVariableW(TEXT("KEYHOLMENVTEST"), buffer, 16));
    EXPECT_WTEXT(TEXT("värde"), buffer);
    // One short of room for the terminator: nothing copied, the size needed returned.
    buffer[0] = TEXT('x');
    EXPECT_EQ(6u, GetEnvironmentVariableW(TEXT("keyholmenvtest"), buffer, 5));
    EXPECT_EQ(TEXT('x'), buffer[0]);
    EXPECT_EQ(6u, GetEnvironmentVariableW(TEXT("keyholmenvtest"), nullptr, 0));

    // Setting it in another case replaces the one variable.
    ASSERT_TRUE(SetEnvironmentVariableW(TEXT("KEYHOLMENVTEST"), TEXT("new")));
    EXPECT_EQ(3u, GetEnvironmentVariableW(TEXT("KeyholmEnvTest"), buffer, 16));
    EXPECT_WTEXT(TEXT("new"), buffer);

    ASSERT_TRUE(SetEnvironmentVariableW(TEXT("keyholmENVtest"), nullptr));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0u, GetEnvironmentVariableW(TEXT("KeyholmEnvTest"), buffer, 16));
    EXPECT_EQ((DWORD)ERROR_ENVVAR_NOT_FOUND, GetLastError());
}

#ifndef _WIN32
// Values set by Linux code reach the program as UTF-16 decoded as CP_UTF8 decodes: each bad sequence
// is one U+FFFD for its longest valid beginning, and no byte sequence turns into U+0000 or a lone
// surrogate.
TEST(Environment, LinuxValuesAreDecodedAsUtf8Is)
{
    struct {
        const char *bytes;
        std::u16string expected;
    } cases[] = {
        {"a\xC3\xA4", u"a\u00E4"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"a\xC0\x80" "b", u"a\uFFFD\uFFFDb"},             // an overlong NUL
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},      // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xE2\x82" "A", u"\uFFFDA"},                    // cut short: one replacement
        {"\xFF", u"\uFFFD"},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(0, setenv("KEYHOLM_UTF8_TEST", c.bytes, 1));
        WCHAR buffer[16] = {};
        DWORD n = GetEnvironmentVariableW(TEXT("KEYHOLM_UTF8_TEST"), buffer, 16);
        EXPECT_EQ(c.expected, std::u16string(buffer, n)) << c.bytes;
    }
    unsetenv("KEYHOLM_UTF8_TEST");
}
#endif

TEST(Environment, EmptyValuesAndBadNames)
{
    ASSERT_TRUE(SetEnvironmentVariableW(TEXT("KeyholmEmpty"), TEXT("")));
    WCHAR buffer[4] = {TEXT('x')};
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0u, GetEnvironmentVariableW(TEXT("KeyholmEmpty"), buffer, 4));
    // No last error is documented for an empty value: the layer clears it, Wine leaves it as it was.
    const DWORD error = GetLastError();
    EXPECT_TRUE(error == ERROR_SUCCESS || error == 0xdeadbeef) << "an empty value is not a failure: " << error;
    EXPECT_EQ(0, buffer[0]);
    SetEnvironmentVariableW(TEXT("KeyholmEmpty"), nullptr);

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetEnvironmentVariableW(TEXT("A=B"), TEXT("x")));
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_FALSE(SetEnvironmentVariableW(TEXT(""), TEXT("x")));
}

TEST(StringTable, LoadStringCopiesCutsAndLendsTheResourceText)
{
    SKIP_UNDOCUMENTED_UNDER_WINE("for a string that does not exist, LoadStringW leaves the buffer as it was and answers "
                                 "ERROR_FILE_NOT_FOUND; only the zero answer is documented");
    HMODULE self = GetModuleHandleW(nullptr);
    WCHAR buffer[32];
    EXPECT_EQ(5, LoadStringW(self, 3, buffer, 32));
    EXPECT_WTEXT(TEXT("three"), buffer);
    EXPECT_EQ(7, LoadStringW(self, 16, buffer, 32));
    EXPECT_WTEXT(TEXT("sixteen"), buffer);
    // Cut to the buffer, terminator included.
    EXPECT_EQ(4, LoadStringW(self, 18, buffer, 5));
    EXPECT_WTEXT(TEXT("eigh"), buffer);
    // A zero size lends a pointer to the resource's own, unterminated text.
    const WCHAR *text = nullptr;
    EXPECT_EQ(22, LoadStringW(self, 18, reinterpret_cast<LPWSTR>(&text), 0));
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(0, memcmp(TEXT("eighteen, a longer one"), text, 22 * sizeof(WCHAR)));

    // An empty slot of an existing block, and a block that does not exist.
    buffer[0] = TEXT('x');
    EXPECT_EQ(0, LoadStringW(self, 4, buffer, 32));
    EXPECT_EQ(0, buffer[0]);
    buffer[0] = TEXT('x');
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, LoadStringW(self, 500, buffer, 32));
    EXPECT_EQ(0, buffer[0]);
    EXPECT_EQ((DWORD)ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
}

}  // namespace
