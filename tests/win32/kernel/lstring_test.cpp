// The lstr* helpers, character case mapping and the Interlocked family.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(LString, LengthCopyAndConcatenate)
{
    EXPECT_EQ(0, lstrlenW(NULL));
    EXPECT_EQ(0, lstrlenA(NULL));
    EXPECT_EQ(4, lstrlenW(u"\u6211\u7684ab"));
    EXPECT_EQ(4, lstrlenA("\xce\xd2" "ab")) << "bytes, not characters";

    WCHAR buf[8];
    EXPECT_EQ(buf, lstrcpyW(buf, u"abc"));
    EXPECT_EQ(buf, lstrcatW(buf, u"de"));
    EXPECT_EQ(std::u16string(u"abcde"), buf);
    EXPECT_EQ(NULL, lstrcpyW(NULL, u"x"));
    EXPECT_EQ(NULL, lstrcatW(buf, NULL));

    char narrow[8];
    lstrcpyA(narrow, "ab");
    lstrcatA(narrow, "cd");
    EXPECT_STREQ("abcd", narrow);
}

TEST(LString, CopyNAlwaysTerminates)
{
    struct { const char16_t *src; int max; std::u16string expected; } cases[] = {
        {u"abcdef", 4, u"abc"},
        {u"ab", 4, u"ab"},
        {u"abc", 4, u"abc"},
        {u"abcd", 4, u"abc"},
        {u"abc", 1, u""},
    };
    for (auto &c : cases) {
        WCHAR buf[6] = {u'#', u'#', u'#', u'#', u'#', u'#'};
        EXPECT_EQ(buf, lstrcpynW(buf, c.src, c.max));
        EXPECT_EQ(c.expected, buf) << c.max;
        EXPECT_EQ(u'#', buf[c.max]) << "nothing written past the size";
    }
    WCHAR untouched[2] = {u'#', u'#'};
    lstrcpynW(untouched, u"abc", 0);
    EXPECT_EQ(u'#', untouched[0]) << "a zero size writes nothing";

    char narrow[4];
    lstrcpynA(narrow, "abcdef", sizeof narrow);
    EXPECT_STREQ("abc", narrow);
}

TEST(LString, CompareOrdersLikeAWordSort)
{
    // lstrcmp answers -1, 0 or 1: lower case first at equal letters, digits before letters,
    // letters compared without regard to case first.
    struct { const char16_t *a, *b; int cmp, cmpi; } cases[] = {
        {u"abc", u"abc", 0, 0},
        {u"abc", u"ABC", -1, 0},
        {u"ABC", u"abd", -1, -1},
        {u"a", u"B", -1, -1},
        {u"Z", u"a", 1, 1},
        {u"abc", u"ab", 1, 1},
        {u"9", u"a", -1, -1},
        {u"_", u"a", -1, -1},
        {u"coop", u"co-op", -1, -1},
        {u"1", u"\uff11", -1, -1},
        {u"\u0416\u0418\u0417\u041d\u042c", u"\u0436\u0438\u0437\u043d\u044c", 1, 0},
        {u"\u03a3\u039f\u03a6\u0399\u0391", u"\u03c3\u03bf\u03c6\u03b9\u03b1", 1, 0},
        {u"\u00c9T\u00c9", u"\u00e9t\u00e9", 1, 0},
        {u"", u"", 0, 0},
        {u"", u"a", -1, -1},
    };
    for (auto &c : cases) {
        EXPECT_EQ(c.cmp, lstrcmpW(c.a, c.b)) << (const void *)c.a;
        EXPECT_EQ(-c.cmp, lstrcmpW(c.b, c.a)) << (const void *)c.a;
        EXPECT_EQ(c.cmpi, lstrcmpiW(c.a, c.b)) << (const void *)c.a;
        EXPECT_EQ(-c.cmpi, lstrcmpiW(c.b, c.a)) << (const void *)c.a;
    }
    EXPECT_EQ(0, lstrcmpW(NULL, NULL));
    EXPECT_EQ(-1, lstrcmpW(NULL, u"a"));
    EXPECT_EQ(1, lstrcmpiW(u"a", NULL));
    EXPECT_EQ(0, lstrcmpiA("Hello", "hELLO"));
    EXPECT_EQ(-1, lstrcmpA("apple", "Banana"));
}

TEST(LString, CaseMapping)
{
    WCHAR text[] = u"abc\u00e9\u00ff\u03c3\u03c2\u0436\u0451\u0101\u00df xyz1";
    EXPECT_EQ(text, CharUpperW(text));
    EXPECT_EQ(std::u16string(u"ABC\u00c9\u0178\u03a3\u03a3\u0416\u0401\u0100\u00df XYZ1"), text);
    CharLowerW(text);
    EXPECT_EQ(std::u16string(u"abc\u00e9\u00ff\u03c3\u03c3\u0436\u0451\u0101\u00df xyz1"), text);

    // A pointer below 0x10000 is one character, answered in place.
    EXPECT_EQ((ULONG_PTR)u'A', (ULONG_PTR)CharUpperW((LPWSTR)(ULONG_PTR)u'a'));
    EXPECT_EQ((ULONG_PTR)0x0430, (ULONG_PTR)CharLowerW((LPWSTR)(ULONG_PTR)0x0410));
    EXPECT_EQ((ULONG_PTR)u'1', (ULONG_PTR)CharUpperW((LPWSTR)(ULONG_PTR)u'1'));

    WCHAR buf[] = u"abcdef";
    EXPECT_EQ(3u, CharUpperBuffW(buf, 3));
    EXPECT_EQ(std::u16string(u"ABCdef"), buf);
    EXPECT_EQ(2u, CharLowerBuffW(buf, 2));
    EXPECT_EQ(std::u16string(u"abCdef"), buf);

    EXPECT_TRUE(IsCharAlphaW(u'\u6211'));
    EXPECT_TRUE(IsCharAlphaW(u'\u00e9'));
    EXPECT_FALSE(IsCharAlphaW(u'1'));
    EXPECT_TRUE(IsCharAlphaNumericW(u'1'));
    EXPECT_FALSE(IsCharAlphaNumericW(u'-'));
    EXPECT_TRUE(IsCharUpperW(u'\u0416'));
    EXPECT_TRUE(IsCharLowerW(u'\u0436'));
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
