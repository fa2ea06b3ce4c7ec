// CStringW / CStringA: sharing and its ends, buffers, editing, formatting and conversion.
#include <afx.h>
#include <gtest/gtest.h>

#include "support/WideText.h"

#include <functional>
#include <string>
#include <vector>

namespace {

TEST(AfxString, CopiesShareUntilOneIsWritten)
{
    CString a(TEXT("shared text"));
    CString b = a;
    EXPECT_EQ(a.GetString(), b.GetString());   // one buffer for both

    struct Case { const char *name; std::function<void(CString &)> write; };
    const Case cases[] = {
        {"SetAt", [](CString &s) { s.SetAt(0, 'S'); }},
        {"+=", [](CString &s) { s += TEXT("!"); }},
        {"Replace", [](CString &s) { s.Replace('e', 'E'); }},
        {"MakeUpper", [](CString &s) { s.MakeUpper(); }},
        {"Delete", [](CString &s) { s.Delete(0, 2); }},
        {"Insert", [](CString &s) { s.Insert(3, TEXT("--")); }},
        {"Remove", [](CString &s) { s.Remove('t'); }},
        {"GetBuffer", [](CString &s) { s.GetBuffer()[1] = 'H'; s.ReleaseBuffer(); }},
        {"Truncate", [](CString &s) { s.Truncate(3); }},
        {"MakeReverse", [](CString &s) { s.MakeReverse(); }},
    };
    for (const Case &c : cases) {
        CString copy = a;
        c.write(copy);
        EXPECT_EQ(CString(TEXT("shared text")), a) << c.name;
        EXPECT_NE(a, copy) << c.name;
    }
}

TEST(AfxString, BufferHandedOutIsNotSharedWithLaterCopies)
{
    CString a(TEXT("abc"));
    LPWSTR p = a.GetBuffer();
    CString copy = a;   // taken while the buffer is out: must not see later writes
    p[0] = 'z';
    a.ReleaseBuffer();
    EXPECT_EQ(CString(TEXT("zbc")), a);
    EXPECT_EQ(CString(TEXT("abc")), copy);
}

TEST(AfxString, GetBufferAndReleaseBuffer)
{
    CString s(TEXT("xy"));
    LPWSTR p = s.GetBuffer(10);
    ASSERT_GE(s.GetAllocLength(), 10);
    EXPECT_EQ('x', p[0]);   // contents are kept
    lstrcpyW(p, TEXT("hello wide"));
    s.ReleaseBuffer();
    EXPECT_EQ(10, s.GetLength());
    EXPECT_EQ(CString(TEXT("hello wide")), s);

    s.GetBuffer(20);
    s.ReleaseBuffer(4);
    EXPECT_EQ(CString(TEXT("hell")), s);

    p = s.GetBufferSetLength(6);
    p[4] = 'o';
    p[5] = '!';
    s.ReleaseBuffer();   // measured: length as far as the terminator
    EXPECT_EQ(CString(TEXT("hello!")), s);
    EXPECT_EQ(0, s.GetString()[6]);

    CString empty;
    empty.ReleaseBuffer();
    EXPECT_TRUE(empty.IsEmpty());
    LPWSTR q = empty.GetBufferSetLength(0);
    EXPECT_EQ(0, q[0]);
    empty.ReleaseBuffer();
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(AfxString, AppendingItsOwnTextGrowsCorrectly)
{
    CString s(TEXT("ab"));
    for (int i = 0; i < 10; ++i) s.Append(s);   // source inside the buffer that moves
    EXPECT_EQ(2 << 10, s.GetLength());
    for (int i = 0; i < s.GetLength(); ++i) ASSERT_EQ(i % 2 ? 'b' : 'a', s[i]) << i;
    s.Append(s.GetString() + 1, 3);
    EXPECT_EQ(CString(TEXT("bab")), s.Right(3));
}

TEST(AfxString, ExtractionAndSearch)
{
    const CString s(TEXT("key=value;key2=v2"));
    EXPECT_EQ(CString(TEXT("key")), s.Left(3));
    EXPECT_EQ(s, s.Left(100));
    EXPECT_EQ(CString(), s.Left(-1));
    EXPECT_EQ(CString(TEXT("value")), s.Mid(4, 5));
    EXPECT_EQ(CString(TEXT("v2")), s.Mid(15));
    EXPECT_EQ(CString(), s.Mid(50));
    EXPECT_EQ(CString(TEXT("key=")), s.Mid(-3, 4));
    EXPECT_EQ(CString(TEXT("=v2")), s.Right(3));
    EXPECT_EQ(s, s.Right(99));

    struct FindCase { int expected; int actual; };
    const FindCase finds[] = {
        {3, s.Find('=')},
        {14, s.Find('=', 4)},
        {-1, s.Find('#')},
        {-1, s.Find('=', 99)},
        {-1, s.Find('=', -1)},
        {10, s.Find(TEXT("key2"))},
        {10, s.Find(TEXT("key"), 1)},
        {0, s.Find(TEXT(""))},
        {-1, s.Find(TEXT("value;key3"))},
        {14, s.ReverseFind('=')},
        {-1, s.ReverseFind('#')},
        {3, s.FindOneOf(TEXT(";=")) },
    };
    for (size_t i = 0; i < sizeof finds / sizeof *finds; ++i) EXPECT_EQ(finds[i].expected, finds[i].actual) << "case " << i;
}

TEST(AfxString, Editing)
{
    CString s(TEXT("a-b-c--d"));
    EXPECT_EQ(4, s.Replace(TEXT("-"), TEXT("+=")));
    EXPECT_EQ(CString(TEXT("a+=b+=c+=+=d")), s);
    EXPECT_EQ(2, s.Replace(TEXT("+=+="), TEXT("")) + s.Replace(TEXT("c"), TEXT("C")));
    EXPECT_EQ(CString(TEXT("a+=b+=Cd")), s);
    EXPECT_EQ(0, s.Replace(TEXT(""), TEXT("x")));
    EXPECT_EQ(2, s.Remove('='));
    EXPECT_EQ(CString(TEXT("a+b+Cd")), s);
    EXPECT_EQ(8, s.Insert(1, TEXT("[]")));
    EXPECT_EQ(9, s.Insert(100, 'z'));
    EXPECT_EQ(CString(TEXT("a[]+b+Cdz")), s);
    EXPECT_EQ(5, s.Delete(1, 4));
    EXPECT_EQ(CString(TEXT("a+Cdz")), s);
    EXPECT_EQ(5, s.Delete(7, 2));
    EXPECT_EQ(2, s.Delete(2, 100));
    EXPECT_EQ(CString(TEXT("a+")), s);
}

TEST(AfxString, TrimmingAndCase)
{
    CString s(TEXT(" \t\r\n text \x3000 \n"));
    EXPECT_EQ(CString(TEXT("text")), CString(s).Trim());
    EXPECT_EQ(CString(TEXT("text \x3000 \n")), CString(s).TrimLeft());
    EXPECT_EQ(CString(TEXT(" \t\r\n text")), CString(s).TrimRight());
    EXPECT_EQ(CString(TEXT("mid")), CString(TEXT("xxmidxx")).Trim('x'));
    EXPECT_EQ(CString(TEXT("mid\"'")), CString(TEXT("'\"mid\"'")).TrimLeft(TEXT("\"'")));
    EXPECT_EQ(CString(), CString(TEXT("   ")).Trim());

    EXPECT_EQ(CString(TEXT("ÀÉÎ ABC ΣΔ ЖЯ")), CString(TEXT("àéî abc σδ жя")).MakeUpper());
    EXPECT_EQ(CString(TEXT("àéî abc σδ жя")), CString(TEXT("ÀÉÎ ABC ΣΔ ЖЯ")).MakeLower());
    EXPECT_EQ(CStringA("MIXED 42"), CStringA("mIxEd 42").MakeUpper());
}

TEST(AfxString, ComparisonOrders)
{
    EXPECT_LT(CString(TEXT("abc")).Compare(TEXT("abd")), 0);
    EXPECT_GT(CString(TEXT("abc")).Compare(TEXT("ab")), 0);
    EXPECT_EQ(0, CString(TEXT("abc")).Compare(TEXT("abc")));
    EXPECT_GT(CString(TEXT("a")).Compare(TEXT("B")), 0);       // ordinal: 'a' > 'B'
    EXPECT_LT(CString(TEXT("a")).CompareNoCase(TEXT("B")), 0);
    EXPECT_EQ(0, CString(TEXT("Straße")).CompareNoCase(TEXT("STRAßE")));
    EXPECT_GT(CString(TEXT("\xFF01")).Compare(TEXT("a")), 0);  // code units compare unsigned
    EXPECT_TRUE(CString(TEXT("x")) == TEXT("x"));
    EXPECT_TRUE(TEXT("y") != CString(TEXT("x")));
    EXPECT_TRUE(CString(TEXT("a")) < CString(TEXT("b")));
    EXPECT_EQ(CString(TEXT("ab")), CString(TEXT("a")) + TEXT("b"));
    EXPECT_EQ(CString(TEXT("ba")), TEXT('b') + CString(TEXT("a")));
}

TEST(AfxString, BadIndexesAndSizesRaiseTheLibrarysExceptions)
{
    CString s(TEXT("abc"));
    const std::vector<std::function<void()>> invalid = {
        [&] { (void)s.GetAt(3); },
        [&] { (void)s[-1]; },
        [&] { s.SetAt(3, 'x'); },
        [&] { s.GetBufferSetLength(-1); },
    };
    for (size_t i = 0; i < invalid.size(); ++i) {
        bool caught = false;
        try {
            invalid[i]();
        } catch (CException *e) {
            caught = e->IsKindOf(RUNTIME_CLASS(CInvalidArgException));
            e->Delete();
        }
        EXPECT_TRUE(caught) << "case " << i;
    }
    bool memory = false;
    try {
        s.GetBuffer(0x7FFFFFF0);
    } catch (CMemoryException *e) {
        memory = true;
        e->Delete();
    }
    EXPECT_TRUE(memory);
    EXPECT_EQ(CString(TEXT("abc")), s);   // unchanged by the failure
}

struct FormatCase
{
    const char *expected;
    std::function<CStringW()> format;
};

template <typename... Args> std::function<CStringW()> W(LPCWSTR fmt, Args... args)
{
    return [=] { CStringW s; s.Format(fmt, args...); return s; };
}

TEST(AfxString, FormatConversionsReadAsWindowsReadsThem)
{
    const FormatCase cases[] = {
        {"42", W(TEXT("%d"), 42)},
        {"  -42", W(TEXT("%5d"), -42)},
        {"7    |", W(TEXT("%-5d|"), 7)},
        {"-0042", W(TEXT("%05d"), -42)},
        {"+5 |  5", W(TEXT("%+d | % d"), 5, 5)},
        {"-2147483648", W(TEXT("%i"), (int)0x80000000)},
        {"ff FF 0xff 0XFF 0", W(TEXT("%x %X %#x %#X %#x"), 255, 255, 255, 255, 0)},
        {"10 010 0", W(TEXT("%o %#o %#o"), 8, 8, 0)},
        {"4294967295", W(TEXT("%u"), 0xFFFFFFFFu)},
        {"-1 4000000000", W(TEXT("%ld %lu"), (LONG)-1, (ULONG)4000000000u)},   // l is 32-bit
        {"-5000000000 5000000000", W(TEXT("%I64d %lld"), (LONGLONG)-5000000000LL, (LONGLONG)5000000000LL)},
        {"18446744073709551615", W(TEXT("%I64u"), ~0ULL)},
        {"12345678901", W(TEXT("%Iu"), (SIZE_T)12345678901ULL)},
        {"-1 255", W(TEXT("%hd %hhu"), 65535, 511)},
        {"007 | ", W(TEXT("%.3d | %.0d"), 7, 0)},
        {"   7|7   |", W(TEXT("%*d|%-*d|"), 4, 7, -4, 7)},
        {"  0042", W(TEXT("%6.4d"), 42)},
        {"wide narrow narrow wide", W(TEXT("%s %S %hs %ls"), TEXT("wide"), "narrow", "narrow", TEXT("wide"))},
        {"wi|  wide|wide  |", W(TEXT("%.2s|%6s|%-6s|"), TEXT("wide"), TEXT("wide"), TEXT("wide"))},
        {"(null)", W(TEXT("%s"), (LPCWSTR)NULL)},
        {"A B  C", W(TEXT("%c %C %2c"), 'A', 'B', 'C')},
        {"100%", W(TEXT("%d%%"), 100)},
        {"0000000000001234", W(TEXT("%p"), (void *)0x1234)},
        {"  3.1|3.141590|1.234568e+04|0.0001|1E+10", W(TEXT("%5.1f|%f|%e|%g|%G"), 3.14159, 3.14159, 12345.678, 0.0001, 1e10)},
        {"-00003.50", W(TEXT("%09.2f"), -3.5)},
        {"end%", W(TEXT("end%"))},
        {"%y", W(TEXT("%y"))},
    };
    for (const FormatCase &c : cases) EXPECT_EQ(std::string(c.expected), Utf8(c.format())) << c.expected;
}

TEST(AfxString, NarrowFormatUsesItsOwnWidthForPercentS)
{
    CStringA a;
    a.Format("%s|%S|%c|%C|%5.2f", "narrow", TEXT("wide"), 'n', (int)TEXT('w'), 2.5);
    EXPECT_STREQ("narrow|wide|n|w| 2.50", a.GetString());
    a.AppendFormat("+%03d", 7);
    EXPECT_STREQ("narrow|wide|n|w| 2.50+007", a.GetString());
}

TEST(AfxString, StringObjectsFormatAsTheirText)
{
    CStringW wide(TEXT("wide"));
    CStringA narrow("narrow");
    CStringW out;
    out.Format(TEXT("%s|%S|%d"), wide, narrow, 3);
    EXPECT_EQ(CStringW(TEXT("wide|narrow|3")), out);
    out.AppendFormat(TEXT("+%s"), out);   // its own text, read before it is replaced
    EXPECT_EQ(CStringW(TEXT("wide|narrow|3+wide|narrow|3")), out);
    CStringA a;
    a.Format("%s/%S", narrow, wide);
    EXPECT_STREQ("narrow/wide", a.GetString());
}

TEST(AfxString, LongFormatOutputIsComplete)
{
    CString s;
    s.Format(TEXT("%s-%05000d-%s"), TEXT("head"), 1, TEXT("tail"));
    EXPECT_EQ(4 + 1 + 5000 + 1 + 4, s.GetLength());
    EXPECT_EQ(CString(TEXT("tail")), s.Right(4));
    EXPECT_EQ('1', s[4 + 5000]);
}

TEST(AfxString, NarrowAndWideConvertWithTheThreadCodePage)
{
    LCID saved = GetThreadLocale();
    ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT)));

    const char gbk[] = "\xD6\xD0\xCE\xC4 ok";   // "中文 ok" in code page 936
    CStringW wide(gbk);
    EXPECT_EQ(CStringW(TEXT("中文 ok")), wide);
    CStringA back(wide);
    EXPECT_STREQ(gbk, back.GetString());

    CStringW formatted;
    formatted.Format(TEXT("[%S]"), gbk);
    EXPECT_EQ(CStringW(TEXT("[中文 ok]")), formatted);

    // Upper-casing narrow text never touches the trail bytes of double-byte characters.
    CStringA mixed("\xB0\x61z");   // 0xB0 0x61 is one character whose trail byte is 'a'
    mixed.MakeUpper();
    EXPECT_STREQ("\xB0\x61Z", mixed.GetString());

    SetThreadLocale(saved);
}

TEST(AfxString, NullAndResourceIdsGiveEmptyStrings)
{
    EXPECT_TRUE(CString((LPCWSTR)NULL).IsEmpty());
    EXPECT_TRUE(CString(MAKEINTRESOURCEW(101)).IsEmpty());
    EXPECT_TRUE(CStringA((LPCSTR)NULL).IsEmpty());
    CString s(TEXT("x"));
    s = (LPCWSTR)NULL;
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(0, s.GetString()[0]);
    EXPECT_EQ(CString(TEXT("xxx")), CString('x', 3));
    EXPECT_EQ(CString(TEXT("ab")), CString(TEXT("abc"), 2));
}

} // namespace
