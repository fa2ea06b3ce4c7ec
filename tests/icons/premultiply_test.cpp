// Premultiplying a 32-bit bitmap: the arithmetic, the rules that decide whether the alpha bytes
// are real, and what happens to bitmaps it cannot take.
#include "icons/AlphaBitmap.h"
#include "support/TopDownDib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

typedef std::vector<BYTE> pixels;   // B, G, R, A per pixel, top row first

HBITMAP make_section(LONG width, LONG height, const pixels& bgra, bool topDown = true)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = topDown ? -height : height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HBITMAP h = CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &bits, NULL, 0);
    if (!h || !bits)
        return h;
    size_t row = size_t(width) * 4;
    for (LONG y = 0; y < height; ++y) {
        LONG memoryRow = topDown ? y : height - 1 - y;
        memcpy(static_cast<BYTE*>(bits) + memoryRow * row, bgra.data() + y * row, row);
    }
    return h;
}

struct premultiplied
{
    bool made = false;
    BOOL flag = FALSE;
    pixels result;
    pixels sourceAfter;
};

premultiplied run(LONG width, LONG height, const pixels& bgra, BOOL* flag, bool topDown = true)
{
    premultiplied p;
    HBITMAP source = make_section(width, height, bgra, topDown);
    HBITMAP made = MakePremultipliedBitmap(source, flag);
    p.made = made != NULL;
    if (flag)
        p.flag = *flag;
    if (made)
        p.result = TopDownPixels(made);
    p.sourceAfter = TopDownPixels(source);
    DeleteObject(made);
    DeleteObject(source);
    return p;
}

} // namespace

TEST(Premultiply, ColoursScaleByAlphaRoundingDown)
{
    struct
    {
        pixels in, out;
    } cases[] = {
        {{0, 128, 255, 128}, {0, 64, 128, 128}},   // red 255, green 128, blue 0 at half cover
        {{1, 254, 254, 254}, {0, 253, 253, 254}},  // 254 * 254 / 255 = 253.0..., 1 * 254 / 255 = 0.99...
        {{12, 34, 56, 255}, {12, 34, 56, 255}},    // opaque: unchanged
        {{12, 34, 56, 0}, {0, 0, 0, 0}},           // transparent: all zero
        {{255, 255, 255, 1}, {1, 1, 1, 1}},
        {{100, 200, 50, 3}, {1, 2, 0, 3}},
    };
    for (const auto& c : cases) {
        premultiplied p = run(1, 1, c.in, NULL);
        ASSERT_TRUE(p.made);
        EXPECT_EQ(c.out, p.result) << int(c.in[0]) << "," << int(c.in[1]) << "," << int(c.in[2]) << "," << int(c.in[3]);
        EXPECT_EQ(c.in, p.sourceAfter);   // the source is never changed
    }
}

TEST(Premultiply, FlagSaysWhetherTheAlphaBytesAreReal)
{
    // One row, so buffer order is left to right whichever way the copy is stored.
    struct
    {
        const char* what;
        std::vector<BYTE> alphas;
        BOOL flagIn;
        BOOL flagOut;
    } cases[] = {
        {"all opaque", {255, 255, 255}, FALSE, FALSE},
        {"all transparent", {0, 0, 0}, FALSE, FALSE},
        {"transparent then opaque", {0, 0, 255}, FALSE, TRUE},
        {"opaque then only transparent", {255, 0, 0}, FALSE, FALSE},
        {"one partial pixel", {255, 200, 255}, FALSE, TRUE},
        {"alpha 1", {1}, FALSE, TRUE},
        {"alpha 254", {0, 254}, FALSE, TRUE},
        {"set on entry stays set", {255, 0}, TRUE, TRUE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        pixels in;
        pixels multiplied;
        for (BYTE a : c.alphas) {
            pixels px = {90, 160, 250, a};
            in.insert(in.end(), px.begin(), px.end());
            pixels m = {BYTE(90 * a / 255), BYTE(160 * a / 255), BYTE(250 * a / 255), a};
            multiplied.insert(multiplied.end(), m.begin(), m.end());
        }
        BOOL flag = c.flagIn;
        premultiplied p = run(LONG(c.alphas.size()), 1, in, &flag);
        ASSERT_TRUE(p.made);
        EXPECT_EQ(c.flagOut, p.flag);
        // Without real alpha the copy keeps the unmultiplied pixels.
        EXPECT_EQ(c.flagOut ? multiplied : in, p.result);
    }
}

TEST(Premultiply, KeepsThePictureOfTopDownAndBottomUpSources)
{
    pixels in = {10, 20, 30, 255, 40, 50, 60, 0,     // top row
                 70, 80, 90, 128, 200, 100, 50, 255};  // bottom row
    pixels expected = {10, 20, 30, 255, 0, 0, 0, 0, 35, 40, 45, 128, 200, 100, 50, 255};
    for (bool topDown : {true, false}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        BOOL flag = FALSE;
        premultiplied p = run(2, 2, in, &flag, topDown);
        ASSERT_TRUE(p.made);
        EXPECT_TRUE(p.flag);
        EXPECT_EQ(expected, p.result);
    }
}

TEST(Premultiply, ResultIsANewThirtyTwoBitSection)
{
    HBITMAP source = make_section(3, 2, pixels(3 * 2 * 4, 0x80));
    BOOL flag = FALSE;
    HBITMAP made = MakePremultipliedBitmap(source, &flag);
    ASSERT_NE(nullptr, made);
    EXPECT_NE(source, made);
    DIBSECTION ds;
    ASSERT_EQ(int(sizeof ds), GetObjectW(made, sizeof ds, &ds));
    EXPECT_EQ(3, ds.dsBm.bmWidth);
    EXPECT_EQ(2, ds.dsBm.bmHeight);
    EXPECT_EQ(32, ds.dsBm.bmBitsPixel);
    EXPECT_NE(nullptr, ds.dsBm.bmBits);
    EXPECT_TRUE(DeleteObject(made));
    EXPECT_TRUE(DeleteObject(source));   // still the caller's, still alive
}

TEST(Premultiply, BitmapsItCannotTakeGiveNullAndLeaveTheFlag)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = 2;
    bmi.bmiHeader.biHeight = 2;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    void* bits = NULL;
    HBITMAP rgb24 = CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &bits, NULL, 0);
    HBITMAP mono = CreateBitmap(8, 8, 1, 1, NULL);
    HBITMAP deleted = make_section(1, 1, {1, 2, 3, 4});
    ASSERT_TRUE(rgb24 && mono && deleted);
    DeleteObject(deleted);

    for (HBITMAP h : {(HBITMAP)NULL, rgb24, mono, deleted}) {
        BOOL flag = 7;
        EXPECT_EQ(nullptr, MakePremultipliedBitmap(h, &flag));
        EXPECT_EQ(7, flag);
        EXPECT_EQ(nullptr, MakePremultipliedBitmap(h, NULL));
    }
    DeleteObject(rgb24);
    DeleteObject(mono);
}

TEST(Premultiply, CopyBitmapPixelsHandsOutHeaderAndRows)
{
    HBITMAP source = make_section(2, 1, {1, 2, 3, 4, 5, 6, 7, 8});
    HDC dc = CreateCompatibleDC(NULL);
    BITMAPINFO* header = NULL;
    BYTE* bits = NULL;
    DWORD size = 0;
    ASSERT_TRUE(CopyBitmapPixels32(dc, source, &header, &bits, &size));
    EXPECT_EQ(8u, size);
    EXPECT_EQ(32, header->bmiHeader.biBitCount);
    EXPECT_EQ(2, header->bmiHeader.biWidth);
    EXPECT_EQ(0, memcmp(bits, "\1\2\3\4\5\6\7\10", 8));
    free(header);
    free(bits);

    EXPECT_FALSE(CopyBitmapPixels32(dc, NULL, &header, &bits, &size));
    EXPECT_EQ(nullptr, header);
    EXPECT_EQ(nullptr, bits);
    DeleteDC(dc);
    DeleteObject(source);
}
