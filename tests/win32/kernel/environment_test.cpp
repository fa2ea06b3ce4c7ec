// Environment variables and the string table, as a Windows program sees them.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/WideText.h"

namespace {

TEST(Environment, NamesMatchWithoutCaseAndSizesCountTheTerminator)
{
    ASSERT_TRUE(SetEnvironmentVariableW(u"KeyholmEnvTest", u"värde"));
    WCHAR buffer[16];
    EXPECT_EQ(5u, GetEnvironmentVariableW(u"KEYHOLMENVTEST", buffer, 16));
    EXPECT_WTEXT(u"värde", buffer);
    // One short of room for the terminator: nothing copied, the size needed returned.
    buffer[0] = u'x';
    EXPECT_EQ(6u, GetEnvironmentVariableW(u"keyholmenvtest", buffer, 5));
    EXPECT_EQ(u'x', buffer[0]);
    EXPECT_EQ(6u, GetEnvironmentVariableW(u"keyholmenvtest", nullptr, 0));

    // Setting it in another case replaces the one variable.
    ASSERT_TRUE(SetEnvironmentVariableW(u"KEYHOLMENVTEST", u"new"));
    EXPECT_EQ(3u, GetEnvironmentVariableW(u"KeyholmEnvTest", buffer, 16));
    EXPECT_WTEXT(u"new", buffer);

    ASSERT_TRUE(SetEnvironmentVariableW(u"keyholmENVtest", nullptr));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0u, GetEnvironmentVariableW(u"KeyholmEnvTest", buffer, 16));
    EXPECT_EQ((DWORD)ERROR_ENVVAR_NOT_FOUND, GetLastError());
}

TEST(Environment, EmptyValuesAndBadNames)
{
    ASSERT_TRUE(SetEnvironmentVariableW(u"KeyholmEmpty", u""));
    WCHAR buffer[4] = {u'x'};
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0u, GetEnvironmentVariableW(u"KeyholmEmpty", buffer, 4));
    EXPECT_EQ((DWORD)ERROR_SUCCESS, GetLastError()) << "an empty value is not a failure";
    EXPECT_EQ(0, buffer[0]);
    SetEnvironmentVariableW(u"KeyholmEmpty", nullptr);

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SetEnvironmentVariableW(u"A=B", u"x"));
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_FALSE(SetEnvironmentVariableW(u"", u"x"));
}

TEST(StringTable, LoadStringCopiesCutsAndLendsTheResourceText)
{
    HMODULE self = GetModuleHandleW(nullptr);
    WCHAR buffer[32];
    EXPECT_EQ(5, LoadStringW(self, 3, buffer, 32));
    EXPECT_WTEXT(u"three", buffer);
    EXPECT_EQ(7, LoadStringW(self, 16, buffer, 32));
    EXPECT_WTEXT(u"sixteen", buffer);
    // Cut to the buffer, terminator included.
    EXPECT_EQ(4, LoadStringW(self, 18, buffer, 5));
    EXPECT_WTEXT(u"eigh", buffer);
    // A zero size lends a pointer to the resource's own, unterminated text.
    const WCHAR *text = nullptr;
    EXPECT_EQ(22, LoadStringW(self, 18, reinterpret_cast<LPWSTR>(&text), 0));
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(0, memcmp(u"eighteen, a longer one", text, 22 * sizeof(WCHAR)));

    // An empty slot of an existing block, and a block that does not exist.
    buffer[0] = u'x';
    EXPECT_EQ(0, LoadStringW(self, 4, buffer, 32));
    EXPECT_EQ(0, buffer[0]);
    buffer[0] = u'x';
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, LoadStringW(self, 500, buffer, 32));
    EXPECT_EQ(0, buffer[0]);
    EXPECT_EQ((DWORD)ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
}

}  // namespace
