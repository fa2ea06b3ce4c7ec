// PNG decoding: every colour type and depth to 8-bit RGB/RGBA, the chunks that change the result
// (tRNS, bKGD, gAMA), and damaged files failing cleanly with nothing left allocated.
#include "icons/AlphaBitmap.h"
#include "icons/png_builder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace pngtest;

namespace {

struct decoded
{
    BOOL ok = FALSE;
    bytes pixels;
    UINT width = 0, height = 0;
    int channels = 0, cause = -1;
};

decoded decode(bytes data)
{
    CMemFile file(data.data(), UINT(data.size()), 0);
    decoded d;
    BYTE* pixels = NULL;
    d.ok = DecodePng(&file, &pixels, &d.width, &d.height, &d.channels, &d.cause);
    if (pixels) {
        d.pixels.assign(pixels, pixels + size_t(d.width) * d.height * d.channels);
        free(pixels);
    }
    return d;
}

bytes be16(std::initializer_list<unsigned> values)
{
    bytes out;
    for (unsigned v : values) {
        out.push_back(static_cast<unsigned char>(v >> 8));
        out.push_back(static_cast<unsigned char>(v));
    }
    return out;
}

image make(uint32_t width, unsigned char depth, unsigned char colour, bytes row,
           std::vector<std::pair<std::string, bytes>> extra = {})
{
    image img;
    img.width = width;
    img.depth = depth;
    img.colour = colour;
    img.rows = {row};
    img.extra = extra;
    return img;
}

// A file whose reads fail with the class library's file exception after a number of bytes.
class CFailingFile : public CMemFile
{
public:
    CFailingFile(bytes& data, UINT nFailAfter) : CMemFile(data.data(), UINT(data.size()), 0), m_nLeft(nFailAfter) {}
    UINT Read(void* lpBuf, UINT nCount) override
    {
        if (nCount > m_nLeft)
            AfxThrowFileException(CFileException::hardIO);
        m_nLeft -= nCount;
        return CMemFile::Read(lpBuf, nCount);
    }

private:
    UINT m_nLeft;
};

} // namespace

TEST(PngDecode, EveryColourTypeEndsAsEightBitRgbOrRgba)
{
    const bytes palette = {255, 0, 0, 0, 0, 255, 0, 255, 0, 9, 9, 9};
    struct
    {
        const char* what;
        image img;
        int channels;
        bytes pixels;
    } cases[] = {
        {"RGBA", rgba_pair(), 4, {255, 128, 0, 128, 10, 20, 30, 0}},
        {"RGB", rgb_pair(), 3, {1, 2, 3, 250, 251, 252}},
        {"palette", make(3, 8, PALETTE, {0, 1, 2}, {{"PLTE", palette}}), 3, {255, 0, 0, 0, 0, 255, 0, 255, 0}},
        {"palette with tRNS", make(3, 8, PALETTE, {0, 1, 2}, {{"PLTE", palette}, {"tRNS", {128, 0}}}), 4,
         {255, 0, 0, 128, 0, 0, 255, 0, 0, 255, 0, 255}},
        {"2-bit palette", make(4, 2, PALETTE, {0x1B}, {{"PLTE", palette}}), 3,
         {255, 0, 0, 0, 0, 255, 0, 255, 0, 9, 9, 9}},
        {"grey", make(2, 8, GREY, {77, 200}), 3, {77, 77, 77, 200, 200, 200}},
        {"1-bit grey", make(3, 1, GREY, {0xA0}), 3, {255, 255, 255, 0, 0, 0, 255, 255, 255}},
        {"grey with alpha", make(1, 8, GREY_ALPHA, {200, 50}), 4, {200, 200, 200, 50}},
        {"grey with tRNS", make(2, 8, GREY, {77, 200}, {{"tRNS", be16({77})}}), 4, {77, 77, 77, 0, 200, 200, 200, 255}},
        {"RGB with tRNS", make(2, 8, RGB, {1, 2, 3, 4, 5, 6}, {{"tRNS", be16({1, 2, 3})}}), 4,
         {1, 2, 3, 0, 4, 5, 6, 255}},
        {"16-bit RGBA", make(1, 16, RGBA, be16({0xFF00, 0x8012, 0x0001, 0x7FFF})), 4, {0xFF, 0x80, 0x00, 0x7F}},
        {"16-bit grey", make(1, 16, GREY, be16({0xC3A0})), 3, {0xC3, 0xC3, 0xC3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        decoded d = decode(encode(c.img));
        ASSERT_TRUE(d.ok);
        EXPECT_EQ(c.img.width, d.width);
        EXPECT_EQ(1u, d.height);
        EXPECT_EQ(c.channels, d.channels);
        EXPECT_EQ(c.pixels, d.pixels);
    }
}

TEST(PngDecode, RowsComeTopFirst)
{
    image img;
    img.width = 1;
    img.height = 3;
    img.colour = RGB;
    img.rows = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
    decoded d = decode(encode(img));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ((bytes{1, 1, 1, 2, 2, 2, 3, 3, 3}), d.pixels);
}

TEST(PngDecode, BackgroundChunkCompositesAndDropsAlpha)
{
    // Opaque red, transparent, and half-covered red over a blue background.
    image img = make(3, 8, RGBA, {255, 0, 0, 255, 0, 255, 0, 0, 255, 0, 0, 128}, {{"bKGD", be16({0, 0, 255})}});
    decoded d = decode(encode(img));
    ASSERT_TRUE(d.ok);
    ASSERT_EQ(3, d.channels);
    ASSERT_EQ(9u, d.pixels.size());
    EXPECT_EQ((bytes{255, 0, 0, 0, 0, 255}), bytes(d.pixels.begin(), d.pixels.begin() + 6));
    EXPECT_NEAR(128, d.pixels[6], 1);
    EXPECT_EQ(0, d.pixels[7]);
    EXPECT_NEAR(127, d.pixels[8], 1);
}

TEST(PngDecode, GammaChunkCorrectsForTheScreen)
{
    auto gama = [](uint32_t g) { bytes b; put32(b, g); return b; };
    // Linear data (gamma 1.0) brightens for a 2.2 screen; data already at 1/2.2 stays as it is.
    decoded linear = decode(encode(make(3, 8, GREY, {0, 128, 255}, {{"gAMA", gama(100000)}})));
    decoded encoded = decode(encode(make(3, 8, GREY, {0, 128, 255}, {{"gAMA", gama(45455)}})));
    ASSERT_TRUE(linear.ok && encoded.ok);
    EXPECT_EQ(0, linear.pixels[0]);
    EXPECT_NEAR(186, linear.pixels[3], 1);
    EXPECT_EQ(255, linear.pixels[6]);
    EXPECT_NEAR(128, encoded.pixels[3], 1);
}

TEST(PngDecode, DamagedFilesFailWithTheirCause)
{
    bytes good = encode(rgba_pair());
    bytes badCrc = good;
    badCrc[29] ^= 1;   // IHDR's CRC
    bytes badData = good;
    badData[33 + 8 + 2] ^= 0x5A;
    bytes zeroWidth = encode(rgba_pair());
    zeroWidth = bytes(zeroWidth.begin(), zeroWidth.begin() + 8);
    bytes hdr = chunk("IHDR", ihdr(0, 1, 8, RGBA));
    zeroWidth.insert(zeroWidth.end(), hdr.begin(), hdr.end());
    image huge = rgba_pair();
    huge.width = 100000;
    huge.height = 100000;
    bytes badSignature = good;
    badSignature[7] = 0;

    struct
    {
        const char* what;
        bytes data;
        int cause;
    } cases[] = {
        {"empty", {}, CFileException::endOfFile},
        {"half a signature", bytes(good.begin(), good.begin() + 5), CFileException::endOfFile},
        {"signature only", bytes(good.begin(), good.begin() + 8), CFileException::endOfFile},
        {"wrong eighth signature byte", badSignature, CFileException::invalidFile},
        {"cut after the header", bytes(good.begin(), good.begin() + 33), CFileException::endOfFile},
        {"cut inside the image data", bytes(good.begin(), good.end() - 20), CFileException::endOfFile},
        {"header CRC wrong", badCrc, CFileException::invalidFile},
        {"image data CRC wrong", badData, CFileException::invalidFile},
        {"zero width", zeroWidth, CFileException::invalidFile},
        {"dimensions beyond any icon", encode(huge), CFileException::invalidFile},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        decoded d = decode(c.data);
        EXPECT_FALSE(d.ok);
        EXPECT_EQ(c.cause, d.cause);
        EXPECT_TRUE(d.pixels.empty());
        EXPECT_EQ(0u, d.width);
        EXPECT_EQ(0, d.channels);
    }
}

TEST(PngDecode, FileExceptionFromTheReaderEndsTheDecode)
{
    bytes good = encode(rgba_pair());
    // At the signature, inside libpng's reads of the header, and of the image data.
    for (UINT failAfter : {0u, 8u, 20u, 45u}) {
        SCOPED_TRACE(failAfter);
        CFailingFile file(good, failAfter);
        BYTE* pixels = reinterpret_cast<BYTE*>(1);
        UINT width = 1, height = 1;
        int channels = 1, cause = 0;
        EXPECT_FALSE(DecodePng(&file, &pixels, &width, &height, &channels, &cause));
        EXPECT_EQ(CFileException::hardIO, cause);
        EXPECT_EQ(nullptr, pixels);
    }
}

TEST(PngDecode, MissingArgumentsFail)
{
    bytes good = encode(rgba_pair());
    CMemFile file(good.data(), UINT(good.size()), 0);
    BYTE* pixels = NULL;
    UINT width = 0, height = 0;
    int channels = 0;
    EXPECT_FALSE(DecodePng(NULL, &pixels, &width, &height, &channels));
    EXPECT_FALSE(DecodePng(&file, NULL, &width, &height, &channels));
    EXPECT_EQ(nullptr, pixels);
}

TEST(PngBitmap, StreamBecomesTopDownBgraSection)
{
    image img;
    img.width = 2;
    img.height = 2;
    img.rows = {{255, 128, 0, 128, 1, 2, 3, 4}, {5, 6, 7, 8, 9, 10, 11, 255}};
    bytes data = encode(img);
    CMemFile file(data.data(), UINT(data.size()), 0);
    CXTPGraphicBitmapPng bitmap;
    ASSERT_TRUE(bitmap.ReadPngStream(&file));
    EXPECT_TRUE(bitmap.m_bHasAlphaChannel);

    DIBSECTION ds;
    ASSERT_EQ(int(sizeof ds), GetObjectW(bitmap, sizeof ds, &ds));
    EXPECT_EQ(40u, ds.dsBmih.biSize);
    EXPECT_EQ(2, ds.dsBmih.biWidth);
    EXPECT_EQ(-2, ds.dsBmih.biHeight);
    EXPECT_EQ(1, ds.dsBmih.biPlanes);
    EXPECT_EQ(32, ds.dsBmih.biBitCount);
    EXPECT_EQ(DWORD(BI_RGB), ds.dsBmih.biCompression);
    ASSERT_NE(nullptr, ds.dsBm.bmBits);
    const BYTE expected[] = {0, 128, 255, 128, 3, 2, 1, 4, 7, 6, 5, 8, 11, 10, 9, 255};
    EXPECT_EQ(0, memcmp(expected, ds.dsBm.bmBits, sizeof expected));
}

TEST(PngBitmap, RgbStreamHasZeroAlphaAndNoAlphaChannel)
{
    bytes data = encode(rgb_pair());
    CMemFile file(data.data(), UINT(data.size()), 0);
    CXTPGraphicBitmapPng bitmap;
    ASSERT_TRUE(bitmap.ReadPngStream(&file));
    EXPECT_FALSE(bitmap.m_bHasAlphaChannel);
    DIBSECTION ds;
    ASSERT_EQ(int(sizeof ds), GetObjectW(bitmap, sizeof ds, &ds));
    const BYTE expected[] = {3, 2, 1, 0, 252, 251, 250, 0};
    EXPECT_EQ(0, memcmp(expected, ds.dsBm.bmBits, sizeof expected));
}

TEST(PngBitmap, FailedReadLeavesTheObjectEmpty)
{
    bytes good = encode(rgba_pair());
    bytes cut(good.begin(), good.end() - 20);
    CXTPGraphicBitmapPng bitmap;
    CMemFile first(good.data(), UINT(good.size()), 0);
    ASSERT_TRUE(bitmap.ReadPngStream(&first));
    HBITMAP held = bitmap;

    CMemFile second(cut.data(), UINT(cut.size()), 0);
    EXPECT_FALSE(bitmap.ReadPngStream(&second));
    EXPECT_EQ(nullptr, bitmap.GetSafeHandle());
    EXPECT_FALSE(bitmap.m_bHasAlphaChannel);
    EXPECT_EQ(0u, GetObjectType(held));   // the earlier bitmap was deleted, not leaked
    EXPECT_FALSE(bitmap.ReadPngStream(NULL));
}

TEST(PngBitmap, MakeDibSectionRejectsWhatItCannotLayOut)
{
    const BYTE pixels[8] = {};
    EXPECT_EQ(nullptr, MakeDibSection(NULL, 1, 1, 4));
    EXPECT_EQ(nullptr, MakeDibSection(pixels, 0, 1, 4));
    EXPECT_EQ(nullptr, MakeDibSection(pixels, 1, 0, 4));
    EXPECT_EQ(nullptr, MakeDibSection(pixels, 1, 1, 2));
    EXPECT_EQ(nullptr, MakeDibSection(pixels, 0x80000000u, 1, 4));
}
