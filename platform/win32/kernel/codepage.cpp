// Code-page conversion: UTF-8 through the layer's codec (internal/utf.h), and the ANSI, OEM, thread
// and other installed code pages through tables that are filled from iconv the first time each code
// page is used.
#include <windows.h>

#include "internal/locale.h"
#include "internal/utf.h"

#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

constexpr WCHAR no_char = 0xFFFF;          // an undefined byte or pair in a forward table

struct codepage_source {
    UINT cp;
    const char *iconv_name;
    bool dbcs;
};

const codepage_source sources[] = {
    {437, "CP437", false},     {737, "CP737", false},     {775, "CP775", false},     {850, "CP850", false},
    {852, "CP852", false},     {855, "CP855", false},     {857, "CP857", false},     {860, "CP860", false},
    {862, "CP862", false},     {863, "CP863", false},     {866, "CP866", false},     {869, "CP869", false},
    {874, "CP874", false},     {932, "CP932", true},      {936, "CP936", true},      {949, "CP949", true},
    {950, "CP950", true},      {1250, "CP1250", false},   {1251, "CP1251", false},   {1252, "CP1252", false},
    {1253, "CP1253", false},   {1254, "CP1254", false},   {1255, "CP1255", false},   {1256, "CP1256", false},
    {1257, "CP1257", false},   {1258, "CP1258", false},   {10000, "MACINTOSH", false}, {28591, "ISO-8859-1", false},
};
constexpr size_t source_count = sizeof sources / sizeof sources[0];

// Single bytes that the Windows tables define and iconv does not: the Euro at 0x80 in 936, C1 controls
// standing for themselves, and the private-use characters the Far East code pages give their spare bytes.
struct byte_override {
    UINT cp;
    BYTE byte;
    WCHAR ch;
};
const byte_override byte_overrides[] = {
    {932, 0xA0, 0xF8F0}, {932, 0xFD, 0xF8F1}, {932, 0xFE, 0xF8F2}, {932, 0xFF, 0xF8F3},
    {936, 0x80, 0x20AC}, {936, 0xFF, 0xF8F5}, {949, 0x80, 0x0080}, {949, 0xFF, 0xF8F7},
    {950, 0x80, 0x0080}, {950, 0xFF, 0xF8F8},
};

// One code page in both directions. A reverse entry is 0 for "no mapping" (U+0000 is handled apart),
// a single byte below 0x100, or a double-byte character as lead << 8 | trail.
struct codepage_table {
    UINT cp = 0;
    bool dbcs = false;
    bool ascii_identity = true;
    WCHAR unicode_default = '?';  // what MultiByteToWideChar puts for an undefined byte
    WCHAR single[256];
    bool lead[256] = {};
    std::unique_ptr<WCHAR[]> pairs;     // [lead << 8 | trail]
    std::unique_ptr<WORD[]> reverse;    // [UTF-16 unit]
};

struct iconv_handle {
    iconv_t cd;
    iconv_handle(const char *to, const char *from) : cd(iconv_open(to, from)) {}
    ~iconv_handle() { if (ok()) iconv_close(cd); }
    iconv_handle(const iconv_handle &) = delete;
    iconv_handle &operator=(const iconv_handle &) = delete;
    bool ok() const { return cd != (iconv_t)-1; }
};

// Decodes one character; answers the UTF-16 unit, no_char when the bytes are not exactly one BMP
// character, and sets incomplete when iconv wants more bytes.
WCHAR decode_one(iconv_handle &h, const BYTE *bytes, size_t count, bool *incomplete = nullptr)
{
    iconv(h.cd, nullptr, nullptr, nullptr, nullptr);
    char in[2];
    memcpy(in, bytes, count);
    unsigned char out[8];
    char *pin = in, *pout = reinterpret_cast<char *>(out);
    size_t inleft = count, outleft = sizeof out;
    size_t r = iconv(h.cd, &pin, &inleft, &pout, &outleft);
    if (incomplete) *incomplete = (r == (size_t)-1 && errno == EINVAL);
    if (r == (size_t)-1 || inleft != 0 || sizeof out - outleft != 2) return no_char;
    return static_cast<WCHAR>(out[0] | out[1] << 8);
}

constexpr int first_trail = 0x40, last_trail = 0xFE;

// Decodes every pair of a lead byte with its possible trail bytes into row[trail], as decode_one
// would, but through one conversion of the whole row: a row is 191 pairs, and a call per pair made
// filling a double-byte table the bulk of a process's first conversion. A pair iconv refuses is
// undefined and skipped; should the row's output ever stop matching one unit per pair, the row is
// decoded a pair at a time instead.
void decode_row(iconv_handle &h, BYTE lead, WCHAR *row)
{
    constexpr int pairs = last_trail - first_trail + 1;
    char in[2 * pairs];
    for (int k = 0; k < pairs; ++k) {
        in[2 * k] = static_cast<char>(lead);
        in[2 * k + 1] = static_cast<char>(first_trail + k);
        row[first_trail + k] = no_char;
    }
    unsigned char out[2 * pairs];
    iconv(h.cd, nullptr, nullptr, nullptr, nullptr);
    char *pin = in;
    size_t inleft = sizeof in;
    bool aligned = true;
    while (inleft > 0 && aligned) {
        int first = static_cast<int>(pin - in) / 2;
        char *pout = reinterpret_cast<char *>(out);
        size_t outleft = sizeof out;
        size_t r = iconv(h.cd, &pin, &inleft, &pout, &outleft);
        int stopped = static_cast<int>(pin - in);
        size_t units = (sizeof out - outleft) / 2;
        aligned = stopped % 2 == 0 && (sizeof out - outleft) % 2 == 0 && units == size_t(stopped / 2 - first);
        for (size_t u = 0; aligned && u < units; ++u)
            row[first_trail + first + int(u)] = static_cast<WCHAR>(out[2 * u] | out[2 * u + 1] << 8);
        if (r != (size_t)-1 || !aligned)
            break;
        if (errno != EILSEQ) {
            aligned = false;   // an incomplete pair, which a whole row cannot hold
            break;
        }
        pin += 2;              // the refused pair stays undefined
        inleft -= 2;
        iconv(h.cd, nullptr, nullptr, nullptr, nullptr);
    }
    if (aligned)
        return;
    for (int tr = first_trail; tr <= last_trail; ++tr) {
        const BYTE pair[2] = {lead, static_cast<BYTE>(tr)};
        row[tr] = decode_one(h, pair, 2);
    }
}

// Encodes one UTF-16 unit; answers its reverse entry, 0 when iconv has none.
WORD encode_one(iconv_handle &h, WCHAR ch)
{
    iconv(h.cd, nullptr, nullptr, nullptr, nullptr);
    char in[2] = {static_cast<char>(ch & 0xFF), static_cast<char>(ch >> 8)};
    unsigned char out[8];
    char *pin = in, *pout = reinterpret_cast<char *>(out);
    size_t inleft = 2, outleft = sizeof out;
    if (iconv(h.cd, &pin, &inleft, &pout, &outleft) == (size_t)-1) return 0;
    size_t n = sizeof out - outleft;
    if (n == 1) return out[0];
    if (n == 2) return static_cast<WORD>(out[0] << 8 | out[1]);
    return 0;
}

// 936 gives its user-defined areas and the cells GBK left empty private-use characters, in GBK order.
struct pua_run {
    WORD first, last;
    WCHAR ch;
};
const pua_run cp936_pua_runs[] = {
    {0xA2AB, 0xA2B0, 0xE766}, {0xA2E3, 0xA2E4, 0xE76C}, {0xA2EF, 0xA2F0, 0xE76E}, {0xA2FD, 0xA2FE, 0xE770},
    {0xA4F4, 0xA4FE, 0xE772}, {0xA5F7, 0xA5FE, 0xE77D}, {0xA6B9, 0xA6C0, 0xE785}, {0xA6D9, 0xA6DF, 0xE78D},
    {0xA6EC, 0xA6ED, 0xE794}, {0xA6F3, 0xA6F3, 0xE796}, {0xA6F6, 0xA6FE, 0xE797}, {0xA7C2, 0xA7D0, 0xE7A0},
    {0xA7F2, 0xA7FE, 0xE7AF}, {0xA896, 0xA8A0, 0xE7BC}, {0xA8BC, 0xA8BC, 0xE7C7}, {0xA8BF, 0xA8BF, 0xE7C8},
    {0xA8C1, 0xA8C4, 0xE7C9}, {0xA8EA, 0xA8FE, 0xE7CD}, {0xA958, 0xA958, 0xE7E2}, {0xA95B, 0xA95B, 0xE7E3},
    {0xA95D, 0xA95F, 0xE7E4}, {0xA989, 0xA995, 0xE7E7}, {0xA997, 0xA9A3, 0xE7F4}, {0xA9F0, 0xA9FE, 0xE801},
    {0xD7FA, 0xD7FE, 0xE810}, {0xFE50, 0xFE7E, 0xE815}, {0xFE80, 0xFEA0, 0xE844},
};

WCHAR cp936_private_use(BYTE lead, BYTE trail)
{
    if (lead >= 0xAA && lead <= 0xAF && trail >= 0xA1 && trail <= 0xFE) return 0xE000 + (lead - 0xAA) * 94 + (trail - 0xA1);
    if (lead >= 0xF8 && lead <= 0xFE && trail >= 0xA1 && trail <= 0xFE) return 0xE234 + (lead - 0xF8) * 94 + (trail - 0xA1);
    if (lead >= 0xA1 && lead <= 0xA7 && trail >= 0x40 && trail <= 0xA0 && trail != 0x7F)
        return 0xE4C6 + (lead - 0xA1) * 96 + (trail - 0x40) - (trail > 0x7F);
    WORD code = static_cast<WORD>(lead << 8 | trail);
    for (const pua_run &r : cp936_pua_runs)
        if (code >= r.first && code <= r.last) return static_cast<WCHAR>(r.ch + (code - r.first));
    return no_char;
}

bool is_trail_shaped(BYTE b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

std::unique_ptr<codepage_table> build_table(const codepage_source &src)
{
    iconv_handle dec("UTF-16LE", src.iconv_name);
    if (!dec.ok()) return nullptr;
    auto t = std::make_unique<codepage_table>();
    t->cp = src.cp;
    t->dbcs = src.dbcs;
    if (src.dbcs) t->unicode_default = 0x30FB;

    for (int b = 0; b < 256; ++b) {
        BYTE byte = static_cast<BYTE>(b);
        bool incomplete = false;
        t->single[b] = decode_one(dec, &byte, 1, &incomplete);
        if (src.dbcs && incomplete) t->lead[b] = true;
        else if (t->single[b] == no_char && !src.dbcs && b >= 0x80 && b <= 0x9F) t->single[b] = static_cast<WCHAR>(b);
    }
    for (const byte_override &o : byte_overrides)
        if (o.cp == src.cp) { t->single[o.byte] = o.ch; t->lead[o.byte] = false; }
    for (int b = 0; b < 0x80; ++b)
        if (t->single[b] != b) t->ascii_identity = false;

    t->reverse.reset(new WORD[65536]());
    for (int b = 1; b < 256; ++b)
        if (t->single[b] != no_char && !t->reverse[t->single[b]]) t->reverse[t->single[b]] = static_cast<WORD>(b);
    if (!src.dbcs) return t;

    iconv_handle enc(src.iconv_name, "UTF-16LE");
    t->pairs.reset(new WCHAR[65536]);
    std::fill(t->pairs.get(), t->pairs.get() + 65536, no_char);
    WCHAR row[256];
    for (int l = 0; l < 256; ++l) {
        if (!t->lead[l]) continue;
        decode_row(dec, static_cast<BYTE>(l), row);
        for (int tr = first_trail; tr <= last_trail; ++tr) {
            WCHAR ch = row[tr];
            if (ch == no_char && src.cp == 936) ch = cp936_private_use(static_cast<BYTE>(l), static_cast<BYTE>(tr));
            if (ch == no_char) continue;
            WORD code = static_cast<WORD>(l << 8 | tr);
            t->pairs[code] = ch;
            if (!t->reverse[ch]) t->reverse[ch] = code;
            else if (enc.ok() && t->reverse[ch] > 0xFF) {
                // Two pairs decode to one character: encode it the way the code page itself does.
                WORD preferred = encode_one(enc, ch);
                if (preferred == code) t->reverse[ch] = code;
            }
        }
    }
    return t;
}

struct table_slot {
    std::once_flag once;
    std::unique_ptr<codepage_table> table;
};
table_slot slots[source_count];

const codepage_table *table_for(UINT cp)
{
    for (size_t i = 0; i < source_count; ++i) {
        if (sources[i].cp != cp) continue;
        std::call_once(slots[i].once, [i] { slots[i].table = build_table(sources[i]); });
        return slots[i].table.get();
    }
    return nullptr;
}

UINT resolve_code_page(UINT cp)
{
    switch (cp) {
    case CP_ACP: return GetACP();
    case CP_OEMCP: return GetOEMCP();
    case CP_MACCP: return win32::mac_code_page();
    case CP_THREAD_ACP: return win32::thread_ansi_code_page();
    default: return cp;
    }
}

// Control characters shown as the glyphs of the original PC character set (MB_USEGLYPHCHARS).
const WCHAR control_glyphs[32] = {
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
    0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
    0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
};

// Collects output, or only counts it when there is no buffer. full turns true at the first unit
// that does not fit.
template <typename T>
struct sink {
    T *out;
    long long cap;
    long long n = 0;
    bool full = false;
    void put(T v)
    {
        if (out) {
            if (n >= cap) { full = true; return; }
            out[n] = v;
        }
        ++n;
    }
    // A run of ASCII bytes, each its own unit: as put() of each in turn.
    void put_ascii(const BYTE *bytes, long long count)
    {
        if (out) {
            long long fit = cap - n < count ? cap - n : count;
            for (long long k = 0; k < fit; ++k) out[n + k] = static_cast<T>(bytes[k]);
            if (fit < count) { n += fit; full = true; return; }
        }
        n += count;
    }
    bool room(long long more) const { return !out || n + more <= cap; }
};

enum class outcome { ok, invalid };

outcome table_decode(const codepage_table &t, const BYTE *s, int len, bool strict, bool glyphs, sink<WCHAR> &dst)
{
    const bool fast = t.ascii_identity && !glyphs;
    int i = 0;
    while (i < len && !dst.full) {
        BYTE b = s[i];
        if (b < 0x80 && fast) {
            int end = i + 1;
            while (end < len && s[end] < 0x80) ++end;
            dst.put_ascii(s + i, end - i);
            i = end;
            continue;
        }
        WCHAR ch;
        if (t.lead[b]) {
            if (i + 1 < len && t.pairs[b << 8 | s[i + 1]] != no_char) {
                ch = t.pairs[b << 8 | s[i + 1]];
                i += 2;
            } else {
                // An undefined pair is one unknown character; a lead byte before a byte that cannot
                // trail it (or at the end) is unknown alone, and the next byte keeps its own meaning.
                if (strict) return outcome::invalid;
                ch = t.unicode_default;
                i += (i + 1 < len && is_trail_shaped(s[i + 1])) ? 2 : 1;
            }
        } else {
            ch = t.single[b];
            ++i;
            if (ch == no_char) {
                if (strict) return outcome::invalid;
                ch = t.unicode_default;
            } else if (glyphs && !t.dbcs && (ch < 0x20 || ch == 0x7F) && ch != 0) {
                ch = ch == 0x7F ? 0x2302 : control_glyphs[ch];
            }
        }
        dst.put(ch);
    }
    return outcome::ok;
}

void table_encode(const codepage_table &t, const WCHAR *s, int len, const char *def, int deflen, bool &used_default,
                  sink<char> &dst)
{
    const bool fast = t.ascii_identity;
    for (int i = 0; i < len && !dst.full; ++i) {
        WCHAR ch = s[i];
        if (ch < 0x80 && fast) { dst.put(static_cast<char>(ch)); continue; }
        WORD code = ch ? t.reverse[ch] : 0;
        if (ch == 0) {
            dst.put(0);
        } else if (!code) {
            used_default = true;
            if (!dst.room(deflen)) { dst.full = true; break; }
            for (int k = 0; k < deflen; ++k) dst.put(def[k]);
        } else if (code > 0xFF) {
            if (!dst.room(2)) { dst.full = true; break; }
            dst.put(static_cast<char>(code >> 8));
            dst.put(static_cast<char>(code & 0xFF));
        } else {
            dst.put(static_cast<char>(code));
        }
    }
}

int fail(DWORD error)
{
    SetLastError(error);
    return 0;
}

// Windows answers the count through an int; more than that cannot fit any buffer a caller can describe.
int finish(long long n, bool full)
{
    if (full || n > INT_MAX) return fail(ERROR_INSUFFICIENT_BUFFER);
    return static_cast<int>(n);
}

}  // namespace

// Supported: UTF-8 and the table code pages above, with MB_PRECOMPOSED (the tables are precomposed
// already), MB_USEGLYPHCHARS and MB_ERR_INVALID_CHARS. MB_COMPOSITE is refused as an invalid flag.
int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar)
{
    if (!lpMultiByteStr || cbMultiByte == 0 || cchWideChar < 0 || (!lpWideCharStr && cchWideChar) ||
        static_cast<const void *>(lpMultiByteStr) == static_cast<const void *>(lpWideCharStr))
        return fail(ERROR_INVALID_PARAMETER);
    long long srclen = cbMultiByte;
    if (cbMultiByte < 0) srclen = static_cast<long long>(strlen(lpMultiByteStr)) + 1;  // the terminator counts
    if (srclen > INT_MAX) return fail(ERROR_INVALID_PARAMETER);
    const BYTE *src = reinterpret_cast<const BYTE *>(lpMultiByteStr);
    const bool strict = dwFlags & MB_ERR_INVALID_CHARS;

    sink<WCHAR> dst{lpWideCharStr, cchWideChar};
    UINT cp = resolve_code_page(CodePage);
    if (cp == CP_UTF8) {
        if (dwFlags & ~MB_ERR_INVALID_CHARS) return fail(ERROR_INVALID_FLAGS);
        if (!win32::utf8_decode(src, static_cast<size_t>(srclen), strict, dst))
            return fail(ERROR_NO_UNICODE_TRANSLATION);
        return finish(dst.n, dst.full);
    }
    const codepage_table *t = table_for(cp);
    if (!t) return fail(ERROR_INVALID_PARAMETER);
    if (dwFlags & ~(MB_PRECOMPOSED | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS)) return fail(ERROR_INVALID_FLAGS);
    if (table_decode(*t, src, static_cast<int>(srclen), strict, dwFlags & MB_USEGLYPHCHARS, dst) == outcome::invalid)
        return fail(ERROR_NO_UNICODE_TRANSLATION);
    return finish(dst.n, dst.full);
}

// Supported: UTF-8 (WC_ERR_INVALID_CHARS) and the table code pages (WC_NO_BEST_FIT_CHARS). A character a
// table lacks becomes the default character: there is no best-fit mapping. WC_COMPOSITECHECK and its
// companions are refused as invalid flags.
int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCCH lpDefaultChar, LPBOOL lpUsedDefaultChar)
{
    if (!lpWideCharStr || cchWideChar == 0 || cbMultiByte < 0 || (!lpMultiByteStr && cbMultiByte) ||
        static_cast<const void *>(lpWideCharStr) == static_cast<const void *>(lpMultiByteStr))
        return fail(ERROR_INVALID_PARAMETER);
    long long srclen = cchWideChar;
    if (cchWideChar < 0) {
        srclen = 0;
        while (lpWideCharStr[srclen]) ++srclen;
        ++srclen;
    }
    if (srclen > INT_MAX) return fail(ERROR_INVALID_PARAMETER);

    sink<char> dst{lpMultiByteStr, cbMultiByte};
    UINT cp = resolve_code_page(CodePage);
    if (cp == CP_UTF8) {
        if (lpDefaultChar || lpUsedDefaultChar) return fail(ERROR_INVALID_PARAMETER);
        if (dwFlags & ~WC_ERR_INVALID_CHARS) return fail(ERROR_INVALID_FLAGS);
        if (!win32::utf8_encode(lpWideCharStr, static_cast<size_t>(srclen), dwFlags & WC_ERR_INVALID_CHARS, dst))
            return fail(ERROR_NO_UNICODE_TRANSLATION);
        return finish(dst.n, dst.full);
    }
    const codepage_table *t = table_for(cp);
    if (!t) return fail(ERROR_INVALID_PARAMETER);
    if (dwFlags & ~WC_NO_BEST_FIT_CHARS) return fail(ERROR_INVALID_FLAGS);

    char def[2] = {'?', 0};
    int deflen = 1;
    if (lpDefaultChar) {
        def[0] = lpDefaultChar[0];
        if (t->dbcs && t->lead[static_cast<BYTE>(def[0])] && lpDefaultChar[1]) { def[1] = lpDefaultChar[1]; deflen = 2; }
    }
    bool used_default = false;
    table_encode(*t, lpWideCharStr, static_cast<int>(srclen), def, deflen, used_default, dst);
    if (lpUsedDefaultChar) *lpUsedDefaultChar = used_default;
    return finish(dst.n, dst.full);
}
