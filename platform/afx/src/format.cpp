// CStringT::Format and friends: printf conversions read the way Windows' C runtime reads them.
#include <afx.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <limits.h>
#include <vector>

namespace {

struct conversion
{
    bool left = false, plus = false, space = false, zero = false, alt = false;
    int width = 0;
    int precision = -1;
    enum { none, hh, h, l, ll, ptr } size = none;
    bool narrow = false, wide = false;   // h / l / w applied to c, s
};

template <typename C> int text_length(const C *p, int limit)
{
    int n = 0;
    while ((limit < 0 || n < limit) && p[n]) ++n;
    return n;
}

template <typename C> class writer
{
public:
    explicit writer(CStringT<C> &out) : m_out(out) {}
    void put(const C *p, int n) { m_out.Append(p, n); }
    void pad(C ch, int n)
    {
        if (n <= 0) return;
        if (n > INT_MAX / 4) AfxThrowMemoryException();
        CStringT<C> fill(ch, n);
        m_out.Append(fill);
    }
    // A field: body padded to width, zeros (when asked) go after the prefix.
    void field(const conversion &s, const C *prefix, int nprefix, const C *body, int nbody, int nzeros)
    {
        int len = nprefix + nzeros + nbody;
        int padding = s.width > len ? s.width - len : 0;
        if (!s.left) pad(C(' '), padding);
        put(prefix, nprefix);
        pad(C('0'), nzeros);
        put(body, nbody);
        if (s.left) pad(C(' '), padding);
    }

private:
    CStringT<C> &m_out;
};

// Text of the other width, converted with the thread's ANSI code page.
CStringW as_width(const CHAR *p, int n, WCHAR *) { return CStringW(p, n); }
CStringA as_width(const WCHAR *p, int n, CHAR *) { return CStringA(p, n); }

template <typename C> void put_ascii(writer<C> &w, const conversion &s, const char *text, int n)
{
    std::vector<C> buf(text, text + n);
    int sign = (n > 0 && (text[0] == '-' || text[0] == '+' || text[0] == ' ')) ? 1 : 0;
    conversion plain = s;
    plain.zero = false;
    w.field(plain, buf.data(), sign, buf.data() + sign, n - sign, 0);
}

template <typename C> void format_integer(writer<C> &w, const conversion &s, C conv, unsigned long long value, bool negative)
{
    unsigned base = (conv == 'x' || conv == 'X' || conv == 'p') ? 16 : conv == 'o' ? 8 : 10;
    const char *digits = (conv == 'x') ? "0123456789abcdef" : "0123456789ABCDEF";
    C body[32];
    int n = 0;
    for (unsigned long long v = value; v; v /= base) body[sizeof body / sizeof *body - 1 - n++] = C(digits[v % base]);
    C *start = body + sizeof body / sizeof *body - n;

    int precision = s.precision;
    if (conv == 'p') precision = int(2 * sizeof(void *));
    int nzeros = precision > n ? precision - n : 0;
    if (conv == 'o' && s.alt && nzeros == 0 && (n == 0 || start[0] != '0')) nzeros = 1;
    if (precision < 0 && n == 0) nzeros = 1;   // a plain zero prints "0"; precision 0 prints nothing

    C prefix[2];
    int nprefix = 0;
    if (conv == 'd' || conv == 'i') {
        if (negative) prefix[nprefix++] = '-';
        else if (s.plus) prefix[nprefix++] = '+';
        else if (s.space) prefix[nprefix++] = ' ';
    } else if (s.alt && value != 0 && (conv == 'x' || conv == 'X')) {
        prefix[nprefix++] = '0';
        prefix[nprefix++] = C(conv);
    }
    if (s.zero && !s.left && s.precision < 0 && conv != 'p') {
        int len = nprefix + nzeros + n;
        if (s.width > len) nzeros += s.width - len;
    }
    w.field(s, prefix, nprefix, start, n, nzeros);
}

template <typename C> void format_string(writer<C> &w, const conversion &s, const C *text)
{
    static const C null_text[] = {'(', 'n', 'u', 'l', 'l', ')', 0};
    if (text == NULL) text = null_text;
    conversion plain = s;
    w.field(plain, text, 0, text, text_length(text, s.precision), 0);
}

template <typename C, typename Y> void format_other_string(writer<C> &w, const conversion &s, const Y *text)
{
    if (text == NULL) {
        format_string<C>(w, s, NULL);
        return;
    }
    auto converted = as_width(text, text_length(text, -1), (C *)nullptr);
    int n = converted.GetLength();
    if (s.precision >= 0 && s.precision < n) n = s.precision;
    w.field(s, converted.GetString(), 0, converted.GetString(), n, 0);
}

template <typename C> void format_float(writer<C> &w, const conversion &s, char conv, double value)
{
    char fmt[32];
    int k = 0;
    fmt[k++] = '%';
    if (s.left) fmt[k++] = '-';
    if (s.plus) fmt[k++] = '+';
    if (s.space) fmt[k++] = ' ';
    if (s.zero) fmt[k++] = '0';
    if (s.alt) fmt[k++] = '#';
    fmt[k++] = '*';
    fmt[k++] = '.';
    fmt[k++] = '*';
    fmt[k++] = conv;
    fmt[k] = 0;
    int precision = s.precision < 0 ? 6 : s.precision;
    int n = snprintf(nullptr, 0, fmt, s.width, precision, value);
    if (n < 0) return;
    std::vector<char> text(size_t(n) + 1);
    snprintf(text.data(), text.size(), fmt, s.width, precision, value);
    std::vector<C> out(text.begin(), text.begin() + n);
    w.put(out.data(), n);
}

// Whether %c or %s takes the other character width: h, l or w says which outright; otherwise the
// upper-case letter (%C, %S) does and the lower-case one keeps the string's own width.
template <typename C> bool takes_other_width(const conversion &s, bool upper)
{
    if (s.narrow) return sizeof(C) != 1;
    if (s.wide) return sizeof(C) == 1;
    return upper;
}

template <typename C> void format_v(CStringT<C> &out, const C *f, va_list args)
{
    writer<C> w(out);
    while (*f) {
        const C *run = f;
        while (*f && *f != '%') ++f;
        if (f > run) w.put(run, int(f - run));
        if (!*f) break;
        const C *conv_start = f++;
        if (*f == '%') {
            w.put(f++, 1);
            continue;
        }
        conversion s;
        for (;; ++f) {
            if (*f == '-') s.left = true;
            else if (*f == '+') s.plus = true;
            else if (*f == ' ') s.space = true;
            else if (*f == '0') s.zero = true;
            else if (*f == '#') s.alt = true;
            else break;
        }
        if (*f == '*') {
            s.width = va_arg(args, int);
            if (s.width < 0) {
                s.left = true;
                s.width = s.width == INT_MIN ? INT_MAX : -s.width;
            }
            ++f;
        } else {
            while (*f >= '0' && *f <= '9') s.width = s.width > INT_MAX / 20 ? INT_MAX / 2 : s.width * 10 + (*f++ - '0');
        }
        if (*f == '.') {
            ++f;
            s.precision = 0;
            if (*f == '*') {
                s.precision = va_arg(args, int);
                if (s.precision < 0) s.precision = -1;
                ++f;
            } else {
                while (*f >= '0' && *f <= '9')
                    s.precision = s.precision > INT_MAX / 20 ? INT_MAX / 2 : s.precision * 10 + (*f++ - '0');
            }
        }
        // Size prefixes: l is 32-bit as on Windows; I64/ll 64-bit; I pointer-sized.
        if (f[0] == 'h' && f[1] == 'h') { s.size = conversion::hh; f += 2; }
        else if (f[0] == 'h') { s.size = conversion::h; s.narrow = true; ++f; }
        else if (f[0] == 'l' && f[1] == 'l') { s.size = conversion::ll; f += 2; }
        else if (f[0] == 'l') { s.size = conversion::l; s.wide = true; ++f; }
        else if (f[0] == 'w') { s.wide = true; ++f; }
        else if (f[0] == 'L') { ++f; }
        else if (f[0] == 'I' && f[1] == '6' && f[2] == '4') { s.size = conversion::ll; f += 3; }
        else if (f[0] == 'I' && f[1] == '3' && f[2] == '2') { s.size = conversion::l; f += 3; }
        else if (f[0] == 'I' || f[0] == 'z' || f[0] == 't' || f[0] == 'j') { s.size = conversion::ptr; ++f; }

        C conv = *f;
        if (!conv) {
            w.put(conv_start, int(f - conv_start));
            break;
        }
        ++f;
        switch (conv) {
        case 'd':
        case 'i': {
            long long v;
            switch (s.size) {
            case conversion::hh: v = (signed char)va_arg(args, int); break;
            case conversion::h: v = (short)va_arg(args, int); break;
            case conversion::ll: v = va_arg(args, long long); break;
            case conversion::ptr: v = (long long)va_arg(args, intptr_t); break;
            default: v = va_arg(args, int); break;
            }
            unsigned long long mag = v < 0 ? 0ull - (unsigned long long)v : (unsigned long long)v;
            format_integer(w, s, C('d'), mag, v < 0);
            break;
        }
        case 'u':
        case 'x':
        case 'X':
        case 'o': {
            unsigned long long v;
            switch (s.size) {
            case conversion::hh: v = (unsigned char)va_arg(args, unsigned); break;
            case conversion::h: v = (unsigned short)va_arg(args, unsigned); break;
            case conversion::ll: v = va_arg(args, unsigned long long); break;
            case conversion::ptr: v = (unsigned long long)va_arg(args, uintptr_t); break;
            default: v = va_arg(args, unsigned); break;
            }
            format_integer(w, s, conv, v, false);
            break;
        }
        case 'p':
            format_integer(w, s, C('p'), (unsigned long long)(uintptr_t)va_arg(args, void *), false);
            break;
        case 'c':
        case 'C': {
            bool other = takes_other_width<C>(s, conv == 'C');
            int ch = va_arg(args, int);
            if (!other) {
                C c = C(ch);
                w.field(s, &c, 0, &c, 1, 0);
            } else {
                typedef typename afx_other_char<C>::type Y;
                Y oc = Y(ch);
                auto text = as_width(&oc, 1, (C *)nullptr);
                w.field(s, text.GetString(), 0, text.GetString(), text.GetLength(), 0);
            }
            break;
        }
        case 's':
        case 'S': {
            bool other = takes_other_width<C>(s, conv == 'S');
            if (!other) format_string<C>(w, s, va_arg(args, const C *));
            else format_other_string<C>(w, s, va_arg(args, const typename afx_other_char<C>::type *));
            break;
        }
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            format_float(w, s, char(conv), va_arg(args, double));
            break;
        case 'n':
            // Writing through an argument pointer is refused, as Windows' runtime does by default.
            (void)va_arg(args, void *);
            break;
        default:
            w.put(conv_start, int(f - conv_start));
            break;
        }
    }
}

// Formats into a fresh string, as the format or an argument may point into the string being
// changed. A null format gives an empty text; the caller's va_list is left unread.
template <typename C> CStringT<C> formatted(const C *pszFormat, va_list args)
{
    CStringT<C> result;
    if (pszFormat) {
        va_list ap;
        va_copy(ap, args);
        format_v(result, pszFormat, ap);
        va_end(ap);
    }
    return result;
}

} // namespace

template <typename B> void CStringT<B>::FormatV(PCXSTR pszFormat, va_list args)
{
    *this = formatted(pszFormat, args);
}

template <typename B> void CStringT<B>::AppendFormatV(PCXSTR pszFormat, va_list args)
{
    Append(formatted(pszFormat, args));
}

template <typename B> void CStringT<B>::Format(PCXSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

template <typename B> void CStringT<B>::AppendFormat(PCXSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    AppendFormatV(pszFormat, args);
    va_end(args);
}

template void CStringT<WCHAR>::FormatV(PCXSTR, va_list);
template void CStringT<CHAR>::FormatV(PCXSTR, va_list);
template void CStringT<WCHAR>::AppendFormatV(PCXSTR, va_list);
template void CStringT<CHAR>::AppendFormatV(PCXSTR, va_list);
template void CStringT<WCHAR>::Format(PCXSTR, ...);
template void CStringT<CHAR>::Format(PCXSTR, ...);
template void CStringT<WCHAR>::AppendFormat(PCXSTR, ...);
template void CStringT<CHAR>::AppendFormat(PCXSTR, ...);
