// UTF-8 and UTF-16, converted as Windows converts CP_UTF8: the layer's one codec. The conversions
// write into a sink, an object with put(unit), room(count), whether that many more units fit, and
// full, which a sink sets once a unit did not fit and which ends the conversion.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace win32 {

constexpr char16_t replacement_char = 0xFFFD;

// UTF-8 to UTF-16. A bad sequence (overlong forms, surrogates and values past U+10FFFF are bad) gives
// one U+FFFD for its longest valid beginning; with strict the first one ends the decoding and the
// answer is false. A surrogate pair is written whole or not at all.
template <typename Sink>
bool utf8_decode(const unsigned char *s, size_t len, bool strict, Sink &dst)
{
    size_t i = 0;
    while (i < len && !dst.full) {
        unsigned char b = s[i];
        if (b < 0x80) {
            dst.put(b);
            ++i;
            continue;
        }
        // Expected length and the allowed range of the second byte.
        int need = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        unsigned cp = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            need = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            need = 2;
            cp = b & 0x0F;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3;
            cp = b & 0x07;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        }
        size_t used = 1;
        bool good = need > 0;
        for (int k = 0; good && k < need; ++k) {
            if (i + used >= len) {
                good = false;
                break;
            }
            unsigned char c = s[i + used];
            if (c < (k == 0 ? lo : 0x80) || c > (k == 0 ? hi : 0xBF)) {
                good = false;
                break;
            }
            cp = cp << 6 | (c & 0x3F);
            ++used;
        }
        i += used;
        if (!good) {
            if (strict) return false;
            dst.put(replacement_char);
        } else if (cp >= 0x10000) {
            if (!dst.room(2)) {
                dst.full = true;
                break;
            }
            cp -= 0x10000;
            dst.put(static_cast<char16_t>(0xD800 | cp >> 10));
            dst.put(static_cast<char16_t>(0xDC00 | (cp & 0x3FF)));
        } else {
            dst.put(static_cast<char16_t>(cp));
        }
    }
    return true;
}

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD; with strict it ends the encoding and the
// answer is false. A character's bytes are written whole or not at all.
template <typename Sink>
bool utf8_encode(const char16_t *s, size_t len, bool strict, Sink &dst)
{
    for (size_t i = 0; i < len && !dst.full; ++i) {
        unsigned cp = s[i];
        if (cp < 0x80) {
            dst.put(static_cast<char>(cp));
            continue;
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            if (cp <= 0xDBFF && i + 1 < len && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
                ++i;
            } else {
                if (strict) return false;
                cp = replacement_char;
            }
        }
        int n = cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        if (!dst.room(n)) {
            dst.full = true;
            break;
        }
        if (n == 2) {
            dst.put(static_cast<char>(0xC0 | cp >> 6));
        } else if (n == 3) {
            dst.put(static_cast<char>(0xE0 | cp >> 12));
            dst.put(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        } else {
            dst.put(static_cast<char>(0xF0 | cp >> 18));
            dst.put(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
            dst.put(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        }
        dst.put(static_cast<char>(0x80 | (cp & 0x3F)));
    }
    return true;
}

// A sink that counts the units it is given.
struct counting_sink {
    size_t n = 0;
    bool full = false;
    template <typename Unit> void put(Unit) { ++n; }
    bool room(size_t) const { return true; }
};

// A sink that writes into storage its caller sized for the whole text.
template <typename Unit>
struct pointer_sink {
    Unit *out;
    size_t n = 0;
    bool full = false;
    void put(Unit unit) { out[n++] = unit; }
    bool room(size_t) const { return true; }
};

// Whole texts, for names and data that cross into Linux and libraries: what is not well formed
// becomes U+FFFD. Inline, so sources compiled outside the layer's library (the page reader's tests)
// need nothing more.
inline std::string utf8_from_utf16(LPCWSTR text, size_t length)
{
    // Measured first, then written in place: no growth, and no slack however long the text.
    counting_sink count;
    utf8_encode(text, length, false, count);
    std::string out(count.n, '\0');
    pointer_sink<char> sink{&out[0]};
    utf8_encode(text, length, false, sink);
    return out;
}

inline std::string utf8_from_utf16(LPCWSTR text)
{
    return utf8_from_utf16(text, std::char_traits<char16_t>::length(text));
}

inline std::u16string utf16_from_utf8(const char *text, size_t length)
{
    // A byte gives at most one unit, so the byte count is room enough.
    std::u16string out(length, u'\0');
    pointer_sink<char16_t> sink{&out[0]};
    utf8_decode(reinterpret_cast<const unsigned char *>(text), length, false, sink);
    out.resize(sink.n);
    return out;
}

inline std::u16string utf16_from_utf8(const std::string &text) { return utf16_from_utf8(text.data(), text.size()); }

}  // namespace win32
