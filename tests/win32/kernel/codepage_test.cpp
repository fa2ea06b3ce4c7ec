// MultiByteToWideChar and WideCharToMultiByte: what Windows answers for 936, 1252, 437 and UTF-8.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "support/WideString.h"
#include "win32/wine.h"

namespace {

struct decode_case {
    const char *what;
    UINT cp;
    DWORD flags;
    std::string bytes;
    WideString expected;
};

WideString Decode(UINT cp, DWORD flags, const std::string &bytes)
{
    int n = MultiByteToWideChar(cp, flags, bytes.data(), (int)bytes.size(), NULL, 0);
    WideString out(n, TEXT('\0'));
    if (n) { EXPECT_EQ(n, MultiByteToWideChar(cp, flags, bytes.data(), (int)bytes.size(), &out[0], n)); }
    return out;
}

std::string Encode(UINT cp, const WideString &text, LPCCH defaultChar = NULL, BOOL *usedDefault = NULL)
{
    int n = WideCharToMultiByte(cp, 0, text.data(), (int)text.size(), NULL, 0, defaultChar, usedDefault);
    std::string out(n, '\0');
    if (n) { EXPECT_EQ(n, WideCharToMultiByte(cp, 0, text.data(), (int)text.size(), &out[0], n, defaultChar, usedDefault)); }
    return out;
}

TEST(CodePage, DecodesBytesAsWindowsDoes)
{
    SKIP_UNDOCUMENTED_UNDER_WINE("it gives fewer U+FFFD for UTF-8 encoded surrogates and code points past U+10FFFF; how many "
                                 "replace an ill-formed sequence is not documented");
    const decode_case cases[] = {
        {"GB2312 text", 936, 0, "\xce\xd2\xb5\xc4\xc8\xa8\xcf\xde", TEXT("\u6211\u7684\u6743\u9650")},
        {"ASCII around GB2312", 936, 0, "A\xce\xd2" "b", TEXT("A\u6211b")},
        {"Euro sign in 936", 936, 0, "\x80", TEXT("\u20ac")},
        {"0xFF in 936 is private use", 936, 0, "\xff", TEXT("\uf8f5")},
        {"user-defined areas of 936", 936, 0, "\xaa\xa1\xfe\xfe\xa1\x40\xa7\xa0", TEXT("\ue000\ue4c5\ue4c6\ue765")},
        {"cells GBK left empty", 936, 0, "\xa2\xab\xa6\xd9\xfe\x50\xfe\xa0", TEXT("\ue766\ue78d\ue815\ue864")},
        {"zero byte inside an explicit length", 936, 0, std::string("a\0b", 3), WideString(TEXT("a\0b"), 3)},
        {"1252 Euro and accents", 1252, 0, "\x80\xe9\xff", TEXT("\u20ac\u00e9\u00ff")},
        {"1252 undefined byte stands for itself", 1252, 0, "\x81\x9d", TEXT("\u0081\u009d")},
        {"1251 Cyrillic", 1251, 0, "\xcf\xf0\xe8", TEXT("\u041f\u0440\u0438")},
        {"437 control chars as glyphs", 437, MB_USEGLYPHCHARS, "\x01\x7f" "A", TEXT("\u263a\u2302A")},
        {"437 control chars by default", 437, 0, "\x01\x7f", TEXT("\u0001\u007f")},
        {"UTF-8 BMP and supplementary", CP_UTF8, 0, "\xe4\xbd\xa0\xf0\x9f\x98\x80", TEXT("\u4f60\U0001F600")},
        {"UTF-8 stray byte", CP_UTF8, 0, "a\xff" "b", TEXT("a\ufffdb")},
        {"UTF-8 truncated sequence then ASCII", CP_UTF8, 0, "\xe4\xbd" "A", TEXT("\ufffdA")},
        {"UTF-8 truncated at the end", CP_UTF8, 0, "x\xc3", TEXT("x\ufffd")},
        {"UTF-8 overlong form", CP_UTF8, 0, "\xc0\xaf", TEXT("\ufffd\ufffd")},
        {"UTF-8 encoded surrogate", CP_UTF8, 0, "\xed\xa0\x80", TEXT("\ufffd\ufffd\ufffd")},
        {"UTF-8 past U+10FFFF", CP_UTF8, 0, "\xf4\x90\x80\x80", TEXT("\ufffd\ufffd\ufffd\ufffd")},
    };
    for (const decode_case &c : cases) EXPECT_EQ(c.expected, Decode(c.cp, c.flags, c.bytes)) << c.what;
}

TEST(CodePage, InvalidDoubleByteInputBecomesTheDefaultCharacter)
{
    SKIP_UNDER_WINE("its code page 936 table has \"?\" as the default character, not U+30FB");
    // 936 has no character for these; the layer answers the code page's Unicode default
    // (katakana middle dot) and keeps a following byte that cannot be a trail byte.
    struct { const char *what; std::string bytes; WideString expected; } cases[] = {
        {"lead byte at the end", "A\xce", TEXT("A\u30fb")},
        {"lead byte before ASCII that cannot trail", "\xce" "\x21" "B", TEXT("\u30fb!B")},
        {"lead byte before 0x7F", "\xa1\x7f", TEXT("\u30fb\u007f")},
    };
    for (auto &c : cases) {
        EXPECT_EQ(c.expected, Decode(936, 0, c.bytes)) << c.what;
        SetLastError(0xdeadbeef);
        EXPECT_EQ(0, MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, c.bytes.data(), (int)c.bytes.size(), NULL, 0))
            << c.what;
        EXPECT_EQ((DWORD)ERROR_NO_UNICODE_TRANSLATION, GetLastError()) << c.what;
    }
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xff", 2, NULL, 0));
    EXPECT_EQ((DWORD)ERROR_NO_UNICODE_TRANSLATION, GetLastError());
    WCHAR out[4];
    EXPECT_EQ(2, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xe4\xbd\xa0", -1, out, 4));
}

TEST(CodePage, EncodesTextAsWindowsDoes)
{
    struct { const char *what; UINT cp; WideString text; std::string expected; BOOL used; } cases[] = {
        {"GB2312 text", 936, TEXT("\u6211\u7684\u6743\u9650"), "\xce\xd2\xb5\xc4\xc8\xa8\xcf\xde", FALSE},
        {"Euro sign in 936", 936, TEXT("\u20ac"), "\x80", FALSE},
        {"Latin in 936", 936, TEXT("\u00e9x"), "\xa8\xa6x", FALSE},
        {"Thai is not in 936", 936, TEXT("a\u0e01b"), "a?b", TRUE},
        {"each half of a surrogate pair", 936, TEXT("\U0001F600"), "??", TRUE},
        {"1252 Euro and accents", 1252, TEXT("\u20ac\u00e9"), "\x80\xe9", FALSE},
        {"CJK is not in 1252", 1252, TEXT("\u6211"), "?", TRUE},
        {"zero inside an explicit length", 1252, WideString(TEXT("a\0b"), 3), std::string("a\0b", 3), FALSE},
    };
    for (auto &c : cases) {
        BOOL used = 2;
        EXPECT_EQ(c.expected, Encode(c.cp, c.text, NULL, &used)) << c.what;
        EXPECT_EQ(c.used, used) << c.what;
    }
    BOOL used = FALSE;
    EXPECT_EQ("[*]", Encode(1252, TEXT("[\u6211]"), "*", &used));
    EXPECT_TRUE(used);
}

TEST(CodePage, Utf8EncodingOfSurrogates)
{
    EXPECT_EQ("\xf0\x9f\x98\x80", Encode(CP_UTF8, TEXT("\U0001F600")));
    EXPECT_EQ("a\xef\xbf\xbd" "b", Encode(CP_UTF8, WideString(TEXT("a")) + WCHAR(0xD800) + TEXT("b")));
    EXPECT_EQ("\xef\xbf\xbd", Encode(CP_UTF8, WideString(1, WCHAR(0xDC00))));
    EXPECT_EQ("\xe6\x88\x91\xc3\xa9", Encode(CP_UTF8, TEXT("\u6211\u00e9")));

    const WCHAR lone[] = {TEXT('a'), 0xD800, 0};
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, -1, NULL, 0, NULL, NULL));
    EXPECT_EQ((DWORD)ERROR_NO_UNICODE_TRANSLATION, GetLastError());
}

TEST(CodePage, EveryDoubleByteCharacterOf936RoundTrips)
{
    int checked = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const char pair[2] = {(char)lead, (char)trail};
            WCHAR ch = 0;
            if (MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, pair, 2, &ch, 1) != 1) continue;
            char back[2] = {};
            ASSERT_EQ(2, WideCharToMultiByte(936, 0, &ch, 1, back, 2, NULL, NULL)) << std::hex << lead << trail;
            ASSERT_EQ(0, memcmp(pair, back, 2)) << std::hex << lead << " " << trail;
            ++checked;
        }
    }
    EXPECT_EQ(126 * 190, checked) << "every lead byte with every trail byte is assigned";
}

TEST(CodePage, EveryByteOf1252RoundTrips)
{
    for (int b = 1; b < 256; ++b) {
        char byte = (char)b, back = 0;
        WCHAR ch = 0;
        ASSERT_EQ(1, MultiByteToWideChar(1252, 0, &byte, 1, &ch, 1)) << b;
        BOOL used = TRUE;
        ASSERT_EQ(1, WideCharToMultiByte(1252, 0, &ch, 1, &back, 1, NULL, &used)) << b;
        EXPECT_EQ(byte, back) << b;
        EXPECT_FALSE(used) << b;
    }
}

TEST(CodePage, BufferSizing)
{
    const char gb[] = "\xce\xd2\xb5\xc4";  // two characters
    EXPECT_EQ(3, MultiByteToWideChar(936, 0, gb, -1, NULL, 0)) << "the terminator is counted";
    EXPECT_EQ(2, MultiByteToWideChar(936, 0, gb, 4, NULL, 0));
    WCHAR out[3] = {1, 1, 1};
    EXPECT_EQ(3, MultiByteToWideChar(936, 0, gb, -1, out, 3));
    EXPECT_EQ(0, out[2]);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, MultiByteToWideChar(936, 0, gb, -1, out, 2));
    EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());

    // Runs of ASCII around a double-byte character, into every buffer size: what fits is written
    // and nothing past the buffer; a buffer too small answers 0.
    const char mixed[] = "abc\xce\xd2" "defgh";
    const WCHAR expected[] = TEXT("abc\u6211defgh");
    for (UINT cp : {936u, 1252u}) {
        int needed = MultiByteToWideChar(cp, 0, mixed, -1, NULL, 0);
        ASSERT_EQ(cp == 936 ? 10 : 11, needed) << cp;
        for (int size = 1; size <= needed; ++size) {
            WCHAR buffer[16];
            std::fill(buffer, buffer + 16, WCHAR(0xFFFF));
            SetLastError(0xdeadbeef);
            int written = MultiByteToWideChar(cp, 0, mixed, -1, buffer, size);
            EXPECT_EQ(size == needed ? needed : 0, written) << cp << " into " << size;
            if (size < needed) {
                EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError()) << cp << " into " << size;
            } else if (cp == 936) {
                EXPECT_EQ(0, memcmp(expected, buffer, sizeof expected)) << size;
            }
            EXPECT_EQ(WCHAR(0xFFFF), buffer[size]) << cp << " into " << size;
        }
    }

    const WCHAR text[] = TEXT("\u6211a");
    EXPECT_EQ(4, WideCharToMultiByte(936, 0, text, -1, NULL, 0, NULL, NULL));
    char bytes[4];
    EXPECT_EQ(4, WideCharToMultiByte(936, 0, text, -1, bytes, 4, NULL, NULL));
    EXPECT_STREQ("\xce\xd2" "a", bytes);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, WideCharToMultiByte(936, 0, text, 1, bytes, 1, NULL, NULL)) << "half a character does not fit";
    EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, text, 1, bytes, 2, NULL, NULL));
    EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());
}

TEST(CodePage, ParameterErrors)
{
    SKIP_UNDER_WINE("converting a buffer onto itself is not refused, where the conversions document ERROR_INVALID_PARAMETER");
    struct call { const char *what; DWORD error; int (*run)(); };
    static char b[8] = "abc";
    static WCHAR w[8] = TEXT("abc");
    static BOOL u;
    const call calls[] = {
        {"MB null source", ERROR_INVALID_PARAMETER, [] { return MultiByteToWideChar(CP_UTF8, 0, NULL, 3, w, 8); }},
        {"MB zero length", ERROR_INVALID_PARAMETER, [] { return MultiByteToWideChar(CP_UTF8, 0, b, 0, w, 8); }},
        {"MB source is destination", ERROR_INVALID_PARAMETER,
         [] { return MultiByteToWideChar(1252, 0, b, 3, (LPWSTR)b, 4); }},
        {"MB negative size", ERROR_INVALID_PARAMETER, [] { return MultiByteToWideChar(1252, 0, b, 3, w, -1); }},
        {"MB size without buffer", ERROR_INVALID_PARAMETER, [] { return MultiByteToWideChar(1252, 0, b, 3, NULL, 8); }},
        {"MB unknown code page", ERROR_INVALID_PARAMETER, [] { return MultiByteToWideChar(12345, 0, b, 3, w, 8); }},
        {"MB UTF-8 with precomposed", ERROR_INVALID_FLAGS,
         [] { return MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, b, 3, w, 8); }},
        {"MB precomposed and composite", ERROR_INVALID_FLAGS,
         [] { return MultiByteToWideChar(1252, MB_PRECOMPOSED | MB_COMPOSITE, b, 3, w, 8); }},
        {"MB unknown flag", ERROR_INVALID_FLAGS, [] { return MultiByteToWideChar(936, 0x1000, b, 3, w, 8); }},
        {"WC null source", ERROR_INVALID_PARAMETER,
         [] { return WideCharToMultiByte(CP_UTF8, 0, NULL, 3, b, 8, NULL, NULL); }},
        {"WC zero length", ERROR_INVALID_PARAMETER,
         [] { return WideCharToMultiByte(CP_UTF8, 0, w, 0, b, 8, NULL, NULL); }},
        {"WC source is destination", ERROR_INVALID_PARAMETER,
         [] { return WideCharToMultiByte(1252, 0, w, 3, (LPSTR)w, 8, NULL, NULL); }},
        {"WC negative size", ERROR_INVALID_PARAMETER,
         [] { return WideCharToMultiByte(1252, 0, w, 3, b, -1, NULL, NULL); }},
        {"WC unknown code page", ERROR_INVALID_PARAMETER,
         [] { return WideCharToMultiByte(12345, 0, w, 3, b, 8, NULL, NULL); }},
        {"WC UTF-8 with default char", ERROR_INVALID_PARAMETER,
         [] { return WideCharToMultiByte(CP_UTF8, 0, w, 3, b, 8, "?", NULL); }},
        {"WC UTF-8 with used flag", ERROR_INVALID_PARAMETER,
         [] { return WideCharToMultiByte(CP_UTF8, 0, w, 3, b, 8, NULL, &u); }},
        {"WC UTF-8 with no-best-fit", ERROR_INVALID_FLAGS,
         [] { return WideCharToMultiByte(CP_UTF8, WC_NO_BEST_FIT_CHARS, w, 3, b, 8, NULL, NULL); }},
        {"WC invalid-chars outside UTF-8", ERROR_INVALID_FLAGS,
         [] { return WideCharToMultiByte(1252, WC_ERR_INVALID_CHARS, w, 3, b, 8, NULL, NULL); }},
    };
    for (const call &c : calls) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(0, c.run()) << c.what;
        EXPECT_EQ(c.error, GetLastError()) << c.what;
    }
}

TEST(CodePage, AnsiAndOemPagesAreTheProcessPages)
{
    const char bytes[] = "\xce\xd2\xe9\x80";
    EXPECT_EQ(Decode(GetACP(), 0, bytes), Decode(CP_ACP, 0, bytes));
    EXPECT_EQ(Decode(GetOEMCP(), 0, bytes), Decode(CP_OEMCP, 0, bytes));
    EXPECT_EQ(Encode(GetACP(), TEXT("\u6211\u00e9")), Encode(CP_ACP, TEXT("\u6211\u00e9")));
}

}  // namespace
