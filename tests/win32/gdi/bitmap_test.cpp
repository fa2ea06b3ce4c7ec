// What Windows does with bitmaps and DIBs: formats, the header query, row orientation, colour
// tables and object information.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "win32/gdi/canvas.h"

namespace {

BITMAPINFO Header(int width, int height, int bpp)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = WORD(bpp);
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

TEST(GdiBitmap, DeletedHandleAnswersNothing)
{
    HBITMAP bmp = CreateBitmap(4, 4, 1, 32, NULL);
    ASSERT_TRUE(bmp && DeleteObject(bmp));
    BITMAP bm;
    EXPECT_EQ(0, GetObjectW(bmp, sizeof bm, &bm));
}

TEST(GdiBitmap, ZeroSizeCompatibleBitmapIsTheOnePixelMonochromeOne)
{
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP sizes[] = {CreateCompatibleBitmap(dc, 0, 10), CreateCompatibleBitmap(dc, 10, 0)};
    for (HBITMAP bmp : sizes) {
        ASSERT_TRUE(bmp);
        BITMAP bm = {};
        ASSERT_EQ(int(sizeof bm), GetObjectW(bmp, sizeof bm, &bm));
        EXPECT_EQ(1, bm.bmWidth);
        EXPECT_EQ(1, bm.bmHeight);
        EXPECT_EQ(1, bm.bmBitsPixel);
        DeleteObject(bmp);
    }
    DeleteDC(dc);
}

TEST(GdiBitmap, CompatibleBitmapTakesTheFormatOfTheDcsBitmap)
{
    // A fresh memory DC holds a monochrome bitmap, so it makes monochrome ones.
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP mono = CreateCompatibleBitmap(dc, 8, 8);
    BITMAP bm = {};
    GetObjectW(mono, sizeof bm, &bm);
    EXPECT_EQ(1, bm.bmBitsPixel);
    HBITMAP colour = CreateBitmap(8, 8, 1, 32, NULL);
    HGDIOBJ old = SelectObject(dc, colour);
    HBITMAP second = CreateCompatibleBitmap(dc, 3, 5);
    GetObjectW(second, sizeof bm, &bm);
    EXPECT_EQ(32, bm.bmBitsPixel);
    EXPECT_EQ(3, bm.bmWidth);
    EXPECT_EQ(5, bm.bmHeight);
    EXPECT_EQ(12, bm.bmWidthBytes);
    EXPECT_EQ(NULL, bm.bmBits);
    SelectObject(dc, old);
    DeleteObject(mono);
    DeleteObject(colour);
    DeleteObject(second);
    DeleteDC(dc);
}

TEST(GdiBitmap, HeaderQueryFillsSizeAndFormat)
{
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP bmp = CreateBitmap(7, 5, 1, 32, NULL);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_NE(0, GetDIBits(dc, bmp, 0, 0, NULL, &bi, DIB_RGB_COLORS));
    EXPECT_EQ(7, bi.bmiHeader.biWidth);
    EXPECT_EQ(5, bi.bmiHeader.biHeight);
    EXPECT_EQ(1, bi.bmiHeader.biPlanes);
    EXPECT_EQ(32, bi.bmiHeader.biBitCount);
    EXPECT_EQ(DWORD(7 * 5 * 4), bi.bmiHeader.biSizeImage);

    // A 24-bit request pads its rows to four bytes.
    BITMAPINFO want = Header(7, 5, 24);
    EXPECT_NE(0, GetDIBits(dc, bmp, 0, 5, NULL, &want, DIB_RGB_COLORS));
    EXPECT_EQ(DWORD(24 * 5), want.bmiHeader.biSizeImage);
    DeleteObject(bmp);
    DeleteDC(dc);
}

TEST(GdiBitmap, RowsReadBackInEitherOrientationAndDepth)
{
    Canvas c(3, 2);
    c.set(0, 0, 0x112233);  // top-left
    c.set(2, 1, 0x445566);  // bottom-right
    HBITMAP ddb = CreateBitmap(3, 2, 1, 32, NULL);
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(dc, ddb);
    ASSERT_TRUE(BitBlt(dc, 0, 0, 3, 2, c.dc(), 0, 0, SRCCOPY));
    SelectObject(dc, old);

    DWORD top_down[6] = {}, bottom_up[6] = {};
    BITMAPINFO td = Header(3, -2, 32), bu = Header(3, 2, 32);
    EXPECT_EQ(2, GetDIBits(dc, ddb, 0, 2, top_down, &td, DIB_RGB_COLORS));
    EXPECT_EQ(2, GetDIBits(dc, ddb, 0, 2, bottom_up, &bu, DIB_RGB_COLORS));
    EXPECT_EQ(0x112233u, top_down[0] & 0xFFFFFF);
    EXPECT_EQ(0x445566u, top_down[5] & 0xFFFFFF);
    EXPECT_EQ(0x112233u, bottom_up[3] & 0xFFFFFF);
    EXPECT_EQ(0x445566u, bottom_up[2] & 0xFFFFFF);

    // 24 bits: B, G, R per pixel, rows of 12 bytes (9 padded to 4).
    BYTE rgb[24] = {};
    BITMAPINFO b24 = Header(3, -2, 24);
    EXPECT_EQ(2, GetDIBits(dc, ddb, 0, 2, rgb, &b24, DIB_RGB_COLORS));
    EXPECT_EQ(0x33, rgb[0]);
    EXPECT_EQ(0x22, rgb[1]);
    EXPECT_EQ(0x11, rgb[2]);
    EXPECT_EQ(0x66, rgb[12 + 6]);
    EXPECT_EQ(0x44, rgb[12 + 8]);

    // Writing back through SetDIBits keeps the orientation of the source.
    DWORD flipped[6] = {0, 0, 0x00AABBCC, 0, 0, 0};  // bottom-up: index 2 is the bottom row's last pixel
    EXPECT_EQ(2, SetDIBits(dc, ddb, 0, 2, flipped, &bu, DIB_RGB_COLORS));
    EXPECT_EQ(2, GetDIBits(dc, ddb, 0, 2, top_down, &td, DIB_RGB_COLORS));
    EXPECT_EQ(0x00AABBCCu, top_down[5] & 0xFFFFFF);
    DeleteObject(ddb);
    DeleteDC(dc);
}

TEST(GdiBitmap, DibSectionBitsAreTheBitmap)
{
    BITMAPINFO bu = Header(2, 2, 32);
    void *bits = NULL;
    HBITMAP bmp = CreateDIBSection(NULL, &bu, DIB_RGB_COLORS, &bits, NULL, 0);
    ASSERT_TRUE(bmp);
    ASSERT_TRUE(bits);
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(dc, bmp);
    SetPixel(dc, 0, 0, RGB(255, 0, 0));
    // Bottom-up: the top-left pixel is the first pixel of the last row in memory.
    EXPECT_EQ(0x00FF0000u, static_cast<DWORD *>(bits)[2]);
    static_cast<DWORD *>(bits)[1] = 0x000000FF;  // bottom row, right pixel
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(dc, 1, 1));
    SelectObject(dc, old);

    DIBSECTION ds = {};
    ASSERT_EQ(int(sizeof ds), GetObjectW(bmp, sizeof ds, &ds));
    EXPECT_EQ(bits, ds.dsBm.bmBits);
    EXPECT_EQ(2, ds.dsBm.bmHeight);
    EXPECT_EQ(32, ds.dsBmih.biBitCount);
    EXPECT_EQ(16u, ds.dsBmih.biSizeImage);
    BITMAP bm = {};
    EXPECT_EQ(int(sizeof bm), GetObjectW(bmp, sizeof bm, &bm));
    EXPECT_EQ(8, bm.bmWidthBytes);
    DeleteObject(bmp);
    DeleteDC(dc);
}

TEST(GdiBitmap, BadDibHeadersFail)
{
    BITMAPINFO cases[] = {Header(0, 4, 32), Header(4, 0, 32), Header(4, 4, 32)};
    cases[2].bmiHeader.biPlanes = 2;
    for (BITMAPINFO &bi : cases) {
        void *bits = &bi;
        SetLastError(0xdeadbeef);
        EXPECT_EQ(NULL, CreateDIBSection(NULL, &bi, DIB_RGB_COLORS, &bits, NULL, 0));
        EXPECT_EQ(NULL, bits);
    }
}

TEST(GdiBitmap, DeviceDependentBitmapFromPalettedDibs)
{
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[16];
    } info = {};
    info.h = Header(4, -1, 8).bmiHeader;
    info.colors[0] = RGBQUAD{0, 0, 255, 0};    // red
    info.colors[1] = RGBQUAD{0, 255, 0, 0};    // green
    info.colors[5] = RGBQUAD{255, 0, 0, 0};    // blue
    const BYTE eight[4] = {1, 0, 5, 1};
    const BYTE four[4] = {0x15, 0x01, 0, 0};  // 1, 5, 0, 1
    const BYTE one[4] = {0xA0, 0, 0, 0};      // 1, 0, 1, 0
    struct Case {
        int bpp;
        const BYTE *bits;
        DWORD expect[4];
    } cases[] = {
        {8, eight, {0x00FF00, 0xFF0000, 0x0000FF, 0x00FF00}},
        {4, four, {0x00FF00, 0x0000FF, 0xFF0000, 0x00FF00}},
        {1, one, {0x00FF00, 0xFF0000, 0x00FF00, 0xFF0000}},
    };
    // A memory DC with its initial bitmap makes monochrome bitmaps; the screen's DC, colour ones.
    HDC memory = CreateCompatibleDC(NULL);
    info.h.biBitCount = 8;
    info.h.biClrUsed = 16;
    HBITMAP mono = CreateDIBitmap(memory, &info.h, CBM_INIT, eight, reinterpret_cast<BITMAPINFO *>(&info),
                                  DIB_RGB_COLORS);
    ASSERT_TRUE(mono);
    BITMAP mm = {};
    GetObjectW(mono, sizeof mm, &mm);
    EXPECT_EQ(1, mm.bmBitsPixel);
    DeleteObject(mono);
    DeleteDC(memory);
    HDC dc = GetDC(NULL);
    for (const Case &c : cases) {
        info.h.biBitCount = WORD(c.bpp);
        info.h.biClrUsed = c.bpp == 8 ? 16 : 0;  // the table holds 16 entries, not 256
        HBITMAP bmp = CreateDIBitmap(dc, &info.h, CBM_INIT, c.bits, reinterpret_cast<BITMAPINFO *>(&info),
                                     DIB_RGB_COLORS);
        ASSERT_TRUE(bmp) << c.bpp;
        BITMAP bm = {};
        GetObjectW(bmp, sizeof bm, &bm);
        EXPECT_EQ(4, bm.bmWidth);
        EXPECT_EQ(1, bm.bmHeight);
        DWORD out[4] = {};
        BITMAPINFO td = Header(4, -1, 32);
        EXPECT_EQ(1, GetDIBits(dc, bmp, 0, 1, out, &td, DIB_RGB_COLORS));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(c.expect[i], out[i] & 0xFFFFFF) << c.bpp << " bpp, pixel " << i;
        DeleteObject(bmp);
    }
    ReleaseDC(NULL, dc);
}

TEST(GdiBitmap, BitmapBitsRoundTrip)
{
    const DWORD pixels[4] = {0x010203, 0x040506, 0x070809, 0x0A0B0C};
    HBITMAP bmp = CreateBitmap(2, 2, 1, 32, pixels);
    DWORD out[4] = {};
    EXPECT_EQ(16, GetBitmapBits(bmp, sizeof out, out));
    EXPECT_EQ(0, std::memcmp(pixels, out, sizeof out));
    const DWORD other[4] = {9, 9, 9, 9};
    EXPECT_EQ(16, SetBitmapBits(bmp, sizeof other, other));
    EXPECT_EQ(16, GetBitmapBits(bmp, sizeof out, out));
    EXPECT_EQ(9u, out[3]);
    DeleteObject(bmp);
}

}  // namespace

namespace {

// Bitmaps with an alpha channel are read, written and copied with their fourth byte intact.
TEST(GdiBitmap, ThirtyTwoBitTransfersKeepAlpha)
{
    Canvas src(2, 1);
    src.set(0, 0, 0x80FF0000);
    src.set(1, 0, 0x01020304);
    // The query may answer BI_BITFIELDS with its three masks after the header (Wine does), so the
    // header has room for them; the transfers below ask for plain 32-bit rows.
    struct {
        BITMAPINFO info;
        DWORD masks[3];
    } query = {};
    BITMAPINFO &bi = query.info;
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    ASSERT_NE(0, GetDIBits(src.dc(), src.bitmap(), 0, 0, NULL, &bi, DIB_RGB_COLORS));
    ASSERT_EQ(32, bi.bmiHeader.biBitCount);
    bi.bmiHeader.biCompression = BI_RGB;
    DWORD out[2] = {};
    ASSERT_EQ(1, GetDIBits(src.dc(), src.bitmap(), 0, 1, out, &bi, DIB_RGB_COLORS));
    EXPECT_EQ(0x80FF0000u, out[0]);
    EXPECT_EQ(0x01020304u, out[1]);

    Canvas dst(2, 1);
    EXPECT_TRUE(BitBlt(dst.dc(), 0, 0, 2, 1, src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(0x80FF0000u, dst.raw(0, 0));
    Canvas wide(4, 1);
    EXPECT_EQ(1, StretchDIBits(wide.dc(), 0, 0, 4, 1, 0, 0, 2, 1, out, &bi, DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(0x80FF0000u, wide.raw(1, 0));
    EXPECT_EQ(0x01020304u, wide.raw(3, 0));
    const DWORD in[2] = {0x7F000000, 0xFF00FF00};
    EXPECT_EQ(1, SetDIBits(dst.dc(), dst.bitmap(), 0, 1, in, &bi, DIB_RGB_COLORS));
    EXPECT_EQ(0xFF00FF00u, dst.raw(1, 0));
}

}  // namespace
