// What Windows does with system strings: the length prefix, the terminator and reallocation.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string.h>

namespace {

TEST(Bstr, LengthPrefixCountsBytesAndEmbeddedZeros)
{
    const OLECHAR text[] = {TEXT('a'), 0, TEXT('b'), TEXT('c')};
    BSTR s = SysAllocStringLen(text, 4);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(4u, SysStringLen(s));
    EXPECT_EQ(8u, SysStringByteLen(s));
    DWORD prefix;
    memcpy(&prefix, reinterpret_cast<BYTE *>(s) - sizeof prefix, sizeof prefix);
    EXPECT_EQ(8u, prefix) << "the byte length sits right before the text";
    EXPECT_EQ(0, memcmp(s, text, sizeof text));
    EXPECT_EQ(0, s[4]) << "terminated after the last character";
    SysFreeString(s);

    BSTR plain = SysAllocString(TEXT("hello"));
    EXPECT_EQ(5u, SysStringLen(plain));
    SysFreeString(plain);
    EXPECT_EQ(nullptr, SysAllocString(NULL));
    EXPECT_EQ(0u, SysStringLen(NULL));
    EXPECT_EQ(0u, SysStringByteLen(NULL));
    SysFreeString(NULL);
}

TEST(Bstr, ByteLengthMayBeOdd)
{
    BSTR s = SysAllocStringByteLen("abc", 3);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(3u, SysStringByteLen(s));
    EXPECT_EQ(1u, SysStringLen(s)) << "whole characters only";
    EXPECT_EQ(0, memcmp(s, "abc", 4)) << "followed by a zero byte";
    SysFreeString(s);

    BSTR empty = SysAllocStringLen(NULL, 0);
    ASSERT_NE(nullptr, empty) << "an empty string is not a null one";
    EXPECT_EQ(0u, SysStringLen(empty));
    EXPECT_EQ(0, empty[0]);
    SysFreeString(empty);
}

TEST(Bstr, ReallocationReplacesTheText)
{
    BSTR s = SysAllocString(TEXT("first"));
    ASSERT_TRUE(SysReAllocString(&s, TEXT("second text")));
    EXPECT_EQ(11u, SysStringLen(s));
    EXPECT_EQ(0, memcmp(s, TEXT("second text"), 12 * sizeof(OLECHAR)));
    // Shorter, copying only the given count. The source is another string: Windows leaves a source
    // inside the string itself undefined, and 32-bit Wine, which shrinks the block before it copies,
    // reads freed memory there.
    ASSERT_TRUE(SysReAllocStringLen(&s, TEXT("texture"), 4));
    EXPECT_EQ(4u, SysStringLen(s));
    EXPECT_EQ(0, memcmp(s, TEXT("text"), 5 * sizeof(OLECHAR)));
    EXPECT_FALSE(SysReAllocString(NULL, TEXT("x")));
    SysFreeString(s);
}

}  // namespace
