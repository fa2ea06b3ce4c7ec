// The lstr* helpers, character case mapping and the Interlocked family.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "support/WideString.h"
#include "win32/wine.h"

namespace {

TEST(LString, LengthCopyAndConcatenate)
{
    EXPECT_EQ(0, lstrlenW(NULL));
    EXPECT_EQ(0, lstrlenA(NULL));
    EXPECT_EQ(4, lstrlenW(TEXT("\u6211\u7684ab")));
    EXPECT_EQ(4, lstrlenA("\xce\xd2" "ab")) << "bytes, not characters";

    WCHAR buf[8];
    EXPECT_EQ(buf, lstrcpyW(buf, TEXT("abc")));
    EXPECT_EQ(buf, lstrcatW(buf, TEXT("de")));
    EXPECT_EQ(WideString(TEXT("abcde")), buf);
    EXPECT_EQ(NULL, lstrcpyW(NULL, TEXT("x")));
    EXPECT_EQ(NULL, lstrcatW(buf, NULL));

    char narrow[8];
    lstrcpyA(narrow, "ab");
    lstrcatA(narrow, "cd");
    EXPECT_STREQ("abcd", narrow);
}

TEST(LString, CopyNAlwaysTerminates)
{
    struct { const WCHAR *src; int max; WideString expected; } cases[] = {
        {TEXT("abcdef"), 4, TEXT("abc")},
        {TEXT("ab"), 4, TEXT("ab")},
        {TEXT("abc"), 4, TEXT("abc")},
        {TEXT("abcd"), 4, TEXT("abc")},
        {TEXT("abc"), 1, TEXT("")},
    };
    for (auto &c : cases) {
        WCHAR buf[6] = {TEXT('#'), TEXT('#'), TEXT('#'), TEXT('#'), TEXT('#'), TEXT('#')};
        EXPECT_EQ(buf, lstrcpynW(buf, c.src, c.max));
        EXPECT_EQ(c.expected, buf) << c.max;
        EXPECT_EQ(TEXT('#'), buf[c.max]) << "nothing written past the size";
    }
    WCHAR untouched[2] = {TEXT('#'), TEXT('#')};
    lstrcpynW(untouched, TEXT("abc"), 0);
    EXPECT_EQ(TEXT('#'), untouched[0]) << "a zero size writes nothing";

    char narrow[4];
    lstrcpynA(narrow, "abcdef", sizeof narrow);
    EXPECT_STREQ("abc", narrow);
}

TEST(LString, CompareOrdersLikeAWordSort)
{
    // lstrcmp answers -1, 0 or 1: lower case first at equal letters, digits before letters,
    // letters compared without regard to case first.
    struct { const WCHAR *a, *b; int cmp, cmpi; } cases[] = {
        {TEXT("abc"), TEXT("abc"), 0, 0},
        {TEXT("abc"), TEXT("ABC"), -1, 0},
        {TEXT("ABC"), TEXT("abd"), -1, -1},
        {TEXT("a"), TEXT("B"), -1, -1},
        {TEXT("Z"), TEXT("a"), 1, 1},
        {TEXT("abc"), TEXT("ab"), 1, 1},
        {TEXT("9"), TEXT("a"), -1, -1},
        {TEXT("_"), TEXT("a"), -1, -1},
        {TEXT("coop"), TEXT("co-op"), -1, -1},
        {TEXT("1"), TEXT("\uff11"), -1, -1},
        {TEXT("\u0416\u0418\u0417\u041d\u042c"), TEXT("\u0436\u0438\u0437\u043d\u044c"), 1, 0},
        {TEXT("\u03a3\u039f\u03a6\u0399\u0391"), TEXT("\u03c3\u03bf\u03c6\u03b9\u03b1"), 1, 0},
        {TEXT("\u00c9T\u00c9"), TEXT("\u00e9t\u00e9"), 1, 0},
        {TEXT(""), TEXT(""), 0, 0},
        {TEXT(""), TEXT("a"), -1, -1},
    };
    for (auto &c : cases) {
        EXPECT_EQ(c.cmp, lstrcmpW(c.a, c.b)) << (const void *)c.a;
        EXPECT_EQ(-c.cmp, lstrcmpW(c.b, c.a)) << (const void *)c.a;
        EXPECT_EQ(c.cmpi, lstrcmpiW(c.a, c.b)) << (const void *)c.a;
        EXPECT_EQ(-c.cmpi, lstrcmpiW(c.b, c.a)) << (const void *)c.a;
    }
    EXPECT_EQ(0, lstrcmpW(NULL, NULL));
    EXPECT_EQ(-1, lstrcmpW(NULL, TEXT("a")));
    EXPECT_EQ(1, lstrcmpiW(TEXT("a"), NULL));
    EXPECT_EQ(0, lstrcmpiA("Hello", "hELLO"));
    EXPECT_EQ(-1, lstrcmpA("apple", "Banana"));
}

TEST(LString, CaseMapping)
{
    SKIP_UNDER_WINE("CharUpperW leaves the final sigma as it is, where the casing tables map it to capital sigma");
    WCHAR text[] = TEXT("abc\u00e9\u00ff\u03c3\u03c2\u0436\u0451\u0101\u00df xyz1");
    EXPECT_EQ(text, CharUpperW(text));
    EXPECT_EQ(WideString(TEXT("ABC\u00c9\u0178\u03a3\u03a3\u0416\u0401\u0100\u00df XYZ1")), text);
    CharLowerW(text);
    EXPECT_EQ(WideString(TEXT("abc\u00e9\u00ff\u03c3\u03c3\u0436\u0451\u0101\u00df xyz1")), text);

    // A pointer below 0x10000 is one character, answered in place.
    EXPECT_EQ((ULONG_PTR)TEXT('A'), (ULONG_PTR)CharUpperW((LPWSTR)(ULONG_PTR)TEXT('a')));
    EXPECT_EQ((ULONG_PTR)0x0430, (ULONG_PTR)CharLowerW((LPWSTR)(ULONG_PTR)0x0410));
    EXPECT_EQ((ULONG_PTR)TEXT('1'), (ULONG_PTR)CharUpperW((LPWSTR)(ULONG_PTR)TEXT('1')));

    WCHAR buf[] = TEXT("abcdef");
    EXPECT_EQ(3u, CharUpperBuffW(buf, 3));
    EXPECT_EQ(WideString(TEXT("ABCdef")), buf);
    EXPECT_EQ(2u, CharLowerBuffW(buf, 2));
    EXPECT_EQ(WideString(TEXT("abCdef")), buf);

    EXPECT_TRUE(IsCharAlphaW(TEXT('\u6211')));
    EXPECT_TRUE(IsCharAlphaW(TEXT('\u00e9')));
    EXPECT_FALSE(IsCharAlphaW(TEXT('1')));
    EXPECT_TRUE(IsCharAlphaNumericW(TEXT('1')));
    EXPECT_FALSE(IsCharAlphaNumericW(TEXT('-')));
    EXPECT_TRUE(IsCharUpperW(TEXT('\u0416')));
    EXPECT_TRUE(IsCharLowerW(TEXT('\u0436')));
}

TEST(Interlocked, AnswersAndSwaps)
{
    LONG volatile v = 5;
    EXPECT_EQ(6, InterlockedIncrement(&v));
    EXPECT_EQ(5, InterlockedDecrement(&v));
    EXPECT_EQ(5, InterlockedExchangeAdd(&v, 10));
    EXPECT_EQ(15, InterlockedExchange(&v, -1));
    EXPECT_EQ(-1, InterlockedCompareExchange(&v, 7, 3)) << "no swap when the comparand differs";
    EXPECT_EQ(-1, v);
    EXPECT_EQ(-1, InterlockedCompareExchange(&v, 7, -1));
    EXPECT_EQ(7, v);

    int a = 0, b = 0;
    PVOID volatile p = &a;
    EXPECT_EQ(&a, InterlockedCompareExchangePointer(&p, &b, NULL));
    EXPECT_EQ(&a, p);
    EXPECT_EQ(&a, InterlockedCompareExchangePointer(&p, &b, &a));
    EXPECT_EQ(&b, InterlockedExchangePointer(&p, NULL));
    EXPECT_EQ(NULL, p);
}

TEST(Interlocked, CountersHoldUnderTwoThreads)
{
    LONG volatile counter = 0, sum = 0, spin = 0;
    LONG maxSeen = 0;
    const int rounds = 200000;
    auto work = [&] {
        for (int i = 0; i < rounds; ++i) {
            InterlockedIncrement(&counter);
            InterlockedExchangeAdd(&sum, 3);
            // A compare-exchange lock around a plain increment.
            while (InterlockedCompareExchange(&spin, 1, 0) != 0) {}
            ++maxSeen;
            InterlockedExchange(&spin, 0);
            InterlockedDecrement(&counter);
        }
    };
    std::thread t1(work), t2(work);
    t1.join();
    t2.join();
    EXPECT_EQ(0, counter);
    EXPECT_EQ(6 * rounds, sum);
    EXPECT_EQ(2 * rounds, maxSeen);
}

}  // namespace
