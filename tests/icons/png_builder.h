// A small PNG writer over zlib for the icon tests: any colour type and depth, chosen ancillary
// chunks, and the damaged variants. Independent of the decoder's libpng on purpose.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pngtest {

typedef std::vector<unsigned char> bytes;

inline void put32(bytes& out, uint32_t v)
{
    out.push_back(static_cast<unsigned char>(v >> 24));
    out.push_back(static_cast<unsigned char>(v >> 16));
    out.push_back(static_cast<unsigned char>(v >> 8));
    out.push_back(static_cast<unsigned char>(v));
}

inline bytes chunk(const char* type, const bytes& data)
{
    bytes out;
    put32(out, uint32_t(data.size()));
    bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    put32(out, uint32_t(crc32(0, body.data(), uInt(body.size()))));
    return out;
}

enum { GREY = 0, RGB = 2, PALETTE = 3, GREY_ALPHA = 4, RGBA = 6 };

struct image
{
    uint32_t width = 1, height = 1;
    unsigned char depth = 8, colour = RGBA;
    std::vector<bytes> rows;                            // unfiltered scan lines
    std::vector<std::pair<std::string, bytes>> extra;   // chunks between IHDR and IDAT, in order
};

inline bytes ihdr(uint32_t width, uint32_t height, unsigned char depth, unsigned char colour)
{
    bytes h;
    put32(h, width);
    put32(h, height);
    h.push_back(depth);
    h.push_back(colour);
    h.push_back(0);   // deflate
    h.push_back(0);   // adaptive filtering
    h.push_back(0);   // not interlaced
    return h;
}

inline bytes deflate_rows(const std::vector<bytes>& rows)
{
    bytes raw;
    for (const bytes& row : rows) {
        raw.push_back(0);   // filter: none
        raw.insert(raw.end(), row.begin(), row.end());
    }
    uLongf size = compressBound(uLong(raw.size()));
    bytes packed(size);
    compress(packed.data(), &size, raw.data(), uLong(raw.size()));
    packed.resize(size);
    return packed;
}

inline bytes encode(const image& img)
{
    bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    bytes part = chunk("IHDR", ihdr(img.width, img.height, img.depth, img.colour));
    out.insert(out.end(), part.begin(), part.end());
    for (const auto& c : img.extra) {
        part = chunk(c.first.c_str(), c.second);
        out.insert(out.end(), part.begin(), part.end());
    }
    part = chunk("IDAT", deflate_rows(img.rows));
    out.insert(out.end(), part.begin(), part.end());
    part = chunk("IEND", bytes());
    out.insert(out.end(), part.begin(), part.end());
    return out;
}

// A 2 x 1 RGBA image: half-transparent orange and a fully transparent blue-grey.
inline image rgba_pair()
{
    image img;
    img.width = 2;
    img.rows = {{255, 128, 0, 128, 10, 20, 30, 0}};
    return img;
}

// A 2 x 1 RGB image without transparency.
inline image rgb_pair()
{
    image img;
    img.width = 2;
    img.colour = RGB;
    img.rows = {{1, 2, 3, 250, 251, 252}};
    return img;
}

// A BMP file (file header, 40-byte info header, colour table, pixels) as a resource compiler reads it.
inline bytes bmp_file(int32_t width, int32_t height, uint16_t bits, const std::vector<uint32_t>& colours,
                      const bytes& pixels)
{
    auto put16le = [](bytes& o, uint32_t v) {
        o.push_back(static_cast<unsigned char>(v));
        o.push_back(static_cast<unsigned char>(v >> 8));
    };
    auto put32le = [&](bytes& o, uint32_t v) {
        put16le(o, v & 0xFFFF);
        put16le(o, v >> 16);
    };
    uint32_t offset = 14 + 40 + uint32_t(colours.size()) * 4;
    bytes out = {'B', 'M'};
    put32le(out, offset + uint32_t(pixels.size()));
    put32le(out, 0);
    put32le(out, offset);
    put32le(out, 40);
    put32le(out, uint32_t(width));
    put32le(out, uint32_t(height));
    put16le(out, 1);
    put16le(out, bits);
    put32le(out, 0);   // BI_RGB
    put32le(out, uint32_t(pixels.size()));
    put32le(out, 2835);
    put32le(out, 2835);
    put32le(out, uint32_t(colours.size()));
    put32le(out, 0);
    for (uint32_t c : colours)
        put32le(out, c);   // 0x00RRGGBB is B, G, R, 0 in memory
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

// A 1 x 1, 32-bit BI_BITFIELDS bitmap file whose header is headerSize bytes; a header of 52 bytes
// or more holds the red, green and blue masks at bytes 40 to 51, a shorter one what fits of them.
// trailing zero bytes follow the pixel.
inline bytes bmp_bitfields_file(uint32_t headerSize, const bytes& pixel, size_t trailing = 0)
{
    bytes header(headerSize, 0);
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int k = 0; k < n && at + k < header.size(); ++k)
            header[at + k] = static_cast<unsigned char>(v >> (8 * k));
    };
    put(0, headerSize, 4);
    put(4, 1, 4);
    put(8, 1, 4);
    put(12, 1, 2);
    put(14, 32, 2);
    put(16, 3, 4);   // BI_BITFIELDS
    put(20, uint32_t(pixel.size()), 4);
    put(40, 0x00FF0000, 4);
    put(44, 0x0000FF00, 4);
    put(48, 0x000000FF, 4);
    uint32_t offset = 14 + headerSize;
    bytes out = {'B', 'M'};
    for (uint32_t v : {offset + uint32_t(pixel.size() + trailing), 0u, offset})
        for (int k = 0; k < 4; ++k)
            out.push_back(static_cast<unsigned char>(v >> (8 * k)));
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), pixel.begin(), pixel.end());
    out.insert(out.end(), trailing, 0);
    return out;
}

} // namespace pngtest
