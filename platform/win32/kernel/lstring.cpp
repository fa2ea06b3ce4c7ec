// The lstr* string helpers and character case mapping: simple one-to-one case folding for Latin,
// Greek, Cyrillic, Armenian and the full-width forms, and a word-sort comparison.
#include <windows.h>

#include <string>

namespace {

// A run of code points whose upper and lower forms sit at a fixed distance (delta), or that
// alternate upper/lower pairwise (delta 1, step 2).
struct case_range {
    WCHAR first_upper, last_upper;
    int delta;
    int step;
};

const case_range case_ranges[] = {
    {0x0041, 0x005A, 32, 1},  {0x00C0, 0x00D6, 32, 1},  {0x00D8, 0x00DE, 32, 1},  {0x0100, 0x012E, 1, 2},
    {0x0132, 0x0136, 1, 2},   {0x0139, 0x0147, 1, 2},   {0x014A, 0x0176, 1, 2},   {0x0179, 0x017D, 1, 2},
    {0x0182, 0x0184, 1, 2},   {0x01A0, 0x01A4, 1, 2},   {0x01CD, 0x01DB, 1, 2},   {0x01DE, 0x01EE, 1, 2},
    {0x01F8, 0x021E, 1, 2},   {0x0386, 0x0386, 38, 1},  {0x0388, 0x038A, 37, 1},  {0x038C, 0x038C, 64, 1},
    {0x038E, 0x038F, 63, 1},  {0x0391, 0x03A1, 32, 1},  {0x03A3, 0x03AB, 32, 1},  {0x03D8, 0x03EE, 1, 2},
    {0x0400, 0x040F, 80, 1},  {0x0410, 0x042F, 32, 1},  {0x0460, 0x0480, 1, 2},   {0x048A, 0x04BE, 1, 2},
    {0x04C1, 0x04CD, 1, 2},   {0x04D0, 0x052E, 1, 2},   {0x0531, 0x0556, 48, 1},  {0x1E00, 0x1E94, 1, 2},
    {0x1EA0, 0x1EFE, 1, 2},   {0xFF21, 0xFF3A, 32, 1},
};

WCHAR to_lower(WCHAR c)
{
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? static_cast<WCHAR>(c + 32) : c;
    for (const case_range &r : case_ranges)
        if (c >= r.first_upper && c <= r.last_upper && (c - r.first_upper) % r.step == 0)
            return static_cast<WCHAR>(c + r.delta);
    if (c == 0x0178) return 0x00FF;
    if (c == 0x0130) return 0x0069;
    return c;
}

WCHAR to_upper(WCHAR c)
{
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? static_cast<WCHAR>(c - 32) : c;
    for (const case_range &r : case_ranges) {
        int u = c - r.delta;
        if (u >= r.first_upper && u <= r.last_upper && (u - r.first_upper) % r.step == 0) return static_cast<WCHAR>(u);
    }
    // Outside the runs: y with diaeresis, final sigma, dotless i. Plain i keeps plain I.
    if (c == 0x00FF) return 0x0178;
    if (c == 0x03C2) return 0x03A3;
    if (c == 0x0131) return 0x0049;
    return c;
}

bool is_upper(WCHAR c) { return to_lower(c) != c; }
bool is_lower(WCHAR c) { return to_upper(c) != c || c == 0x00DF; }

bool is_digit(WCHAR c) { return (c >= '0' && c <= '9') || (c >= 0xFF10 && c <= 0xFF19); }

bool is_alpha(WCHAR c)
{
    if (is_upper(c) || is_lower(c)) return true;
    return c == 0x00AA || c == 0x00BA || (c >= 0x01BB && c <= 0x01C3) ||
           (c >= 0x3040 && c <= 0x30FF && c != 0x30A0 && c != 0x30FB) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0x05D0 && c <= 0x05EA) || (c >= 0x0620 && c <= 0x064A) || (c >= 0x0E01 && c <= 0x0E30);
}

// Hyphens and apostrophes weigh nothing until everything else is equal, as in a word sort.
bool is_ignorable(WCHAR c) { return c == '-' || c == '\'' || c == 0x00AD; }

// Primary order: symbols (by code point), then digits, then letters without regard to case.
unsigned primary_weight(WCHAR c)
{
    if (is_digit(c)) return 0x10000u + (c >= 0xFF10 ? c - 0xFF10 : c - '0');
    if (is_alpha(c)) return 0x20000u + to_lower(c);
    return c;
}

int sign(long v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

// CompareString-like answer less than zero, zero or more than zero, as -1, 0, 1.
int compare(LPCWSTR a, LPCWSTR b, bool ignore_case)
{
    if (!a || !b) return a == b ? 0 : a ? 1 : -1;
    // Identical strings are equal in every pass below; names compared against themselves are the
    // common case.
    const WCHAR *p = a, *q = b;
    while (*p && *p == *q) ++p, ++q;
    if (*p == *q) return 0;
    p = a, q = b;
    for (;;) {
        while (*p && is_ignorable(*p)) ++p;
        while (*q && is_ignorable(*q)) ++q;
        if (!*p || !*q) {
            if (*p || *q) return *p ? 1 : -1;
            break;
        }
        unsigned wp = primary_weight(*p++), wq = primary_weight(*q++);
        if (wp != wq) return wp < wq ? -1 : 1;
    }
    // Lower case sorts before upper case at the first difference of case; other characters of
    // equal weight (full-width digits) by code point.
    for (p = a, q = b; *p && *q; ++p, ++q) {
        while (*p && is_ignorable(*p)) ++p;
        while (*q && is_ignorable(*q)) ++q;
        if (!*p || !*q) break;
        WCHAR x = ignore_case ? to_lower(*p) : *p, y = ignore_case ? to_lower(*q) : *q;
        if (x == y) continue;
        if (is_upper(x) != is_upper(y)) return is_upper(x) ? 1 : -1;
        return x < y ? -1 : 1;
    }
    // The string without a hyphen or apostrophe where the other has one comes first.
    size_t i = 0, j = 0;
    for (;;) {
        while (a[i] && !is_ignorable(a[i])) ++i;
        while (b[j] && !is_ignorable(b[j])) ++j;
        if (!a[i] || !b[j]) return (a[i] || b[j]) ? (a[i] ? 1 : -1) : 0;
        if (i != j) return i < j ? 1 : -1;
        if (a[i] != b[j]) return sign(static_cast<long>(a[i]) - b[j]);
        ++i;
        ++j;
    }
}

std::u16string wide_from_ansi(LPCSTR s)
{
    int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
    std::u16string w(n > 0 ? n : 1, u'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, s, -1, &w[0], n);
    return w;
}

int compare_ansi(LPCSTR a, LPCSTR b, bool ignore_case)
{
    if (!a || !b) return a == b ? 0 : a ? 1 : -1;
    return compare(wide_from_ansi(a).c_str(), wide_from_ansi(b).c_str(), ignore_case);
}

template <typename C>
int length(const C *s)
{
    if (!s) return 0;
    const C *p = s;
    while (*p) ++p;
    return static_cast<int>(p - s);
}

template <typename C>
C *copy(C *dst, const C *src)
{
    if (!dst || !src) return nullptr;
    C *d = dst;
    while ((*d++ = *src++)) {}
    return dst;
}

// Copies at most max - 1 characters and always terminates. A size of zero or less writes nothing.
template <typename C>
C *copy_n(C *dst, const C *src, int max)
{
    if (!dst || !src) return nullptr;
    if (max <= 0) return dst;
    C *d = dst;
    while (--max > 0 && *src) *d++ = *src++;
    *d = 0;
    return dst;
}

template <typename C>
C *concat(C *dst, const C *src)
{
    if (!dst || !src) return nullptr;
    copy(dst + length(dst), src);
    return dst;
}

bool is_single_char(LPWSTR p) { return (reinterpret_cast<ULONG_PTR>(p) >> 16) == 0; }

}  // namespace

int WINAPI lstrlenW(LPCWSTR lpString) { return length(lpString); }
int WINAPI lstrlenA(LPCSTR lpString) { return length(lpString); }
LPWSTR WINAPI lstrcpyW(LPWSTR lpString1, LPCWSTR lpString2) { return copy(lpString1, lpString2); }
LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2) { return copy(lpString1, lpString2); }
LPWSTR WINAPI lstrcpynW(LPWSTR lpString1, LPCWSTR lpString2, int iMaxLength) { return copy_n(lpString1, lpString2, iMaxLength); }
LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength) { return copy_n(lpString1, lpString2, iMaxLength); }
LPWSTR WINAPI lstrcatW(LPWSTR lpString1, LPCWSTR lpString2) { return concat(lpString1, lpString2); }
LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2) { return concat(lpString1, lpString2); }
int WINAPI lstrcmpW(LPCWSTR lpString1, LPCWSTR lpString2) { return compare(lpString1, lpString2, false); }
int WINAPI lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2) { return compare(lpString1, lpString2, true); }
int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2) { return compare_ansi(lpString1, lpString2, false); }
int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) { return compare_ansi(lpString1, lpString2, true); }

LPWSTR WINAPI CharUpperW(LPWSTR lpsz)
{
    if (is_single_char(lpsz)) return reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(to_upper(LOWORD(lpsz))));
    for (LPWSTR p = lpsz; *p; ++p) *p = to_upper(*p);
    return lpsz;
}

LPWSTR WINAPI CharLowerW(LPWSTR lpsz)
{
    if (is_single_char(lpsz)) return reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(to_lower(LOWORD(lpsz))));
    for (LPWSTR p = lpsz; *p; ++p) *p = to_lower(*p);
    return lpsz;
}

DWORD WINAPI CharUpperBuffW(LPWSTR lpsz, DWORD cchLength)
{
    if (!lpsz) return 0;
    for (DWORD i = 0; i < cchLength; ++i) lpsz[i] = to_upper(lpsz[i]);
    return cchLength;
}

DWORD WINAPI CharLowerBuffW(LPWSTR lpsz, DWORD cchLength)
{
    if (!lpsz) return 0;
    for (DWORD i = 0; i < cchLength; ++i) lpsz[i] = to_lower(lpsz[i]);
    return cchLength;
}

BOOL WINAPI IsCharAlphaW(WCHAR ch) { return is_alpha(ch); }
BOOL WINAPI IsCharAlphaNumericW(WCHAR ch) { return is_alpha(ch) || is_digit(ch); }
BOOL WINAPI IsCharUpperW(WCHAR ch) { return is_upper(ch); }
BOOL WINAPI IsCharLowerW(WCHAR ch) { return is_lower(ch); }
