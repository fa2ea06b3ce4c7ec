// What Windows does with block transfers: copies, patterns, stretching, blending, colour keys and
// DIB pixels drawn onto a DC, each clipped to the destination and the source.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

#include "win32/gdi/canvas.h"

namespace {

const DWORD red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF, white = 0xFFFFFF;

TEST(GdiBlit, CopyIsClippedToDestinationAndSource)
{
    Canvas src(4, 4, red), dst(6, 6, 0);
    // Lands at (3,3): only 3x3 fits in the destination.
    EXPECT_TRUE(BitBlt(dst.dc(), 3, 3, 4, 4, src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(9, dst.count(red));
    EXPECT_EQ(9, dst.count(red, 3, 3, 6, 6));
    // A source rectangle hanging off the source leaves the matching destination pixels alone.
    Canvas d2(6, 6, 0);
    EXPECT_TRUE(BitBlt(d2.dc(), 0, 0, 6, 6, src.dc(), -2, 1, SRCCOPY));
    EXPECT_EQ(12, d2.count(red));
    EXPECT_EQ(12, d2.count(red, 2, 0, 6, 3));
}

TEST(GdiBlit, CopyFollowsClipRegionAndOrigin)
{
    Canvas src(8, 8, green), dst(8, 8, 0);
    HRGN rgn = CreateRectRgn(0, 0, 4, 4);
    SelectClipRgn(dst.dc(), rgn);
    DeleteObject(rgn);
    SetViewportOrgEx(dst.dc(), 2, 2, NULL);
    EXPECT_TRUE(BitBlt(dst.dc(), 0, 0, 8, 8, src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(4, dst.count(green));
    EXPECT_EQ(4, dst.count(green, 2, 2, 4, 4));
}

TEST(GdiBlit, RasterOperationsCombinePixels)
{
    struct Case {
        DWORD rop;
        DWORD dest_before;
        DWORD expect;
    } cases[] = {
        {BLACKNESS, 0x123456, 0x000000}, {WHITENESS, 0x123456, 0xFFFFFF}, {PATCOPY, 0x123456, 0x0000FF},
        {DSTINVERT, 0x123456, 0xEDCBA9}, {PATINVERT, 0x0000F0, 0x00000F},
    };
    for (const Case &c : cases) {
        Canvas dst(2, 2, c.dest_before);
        HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
        HGDIOBJ old = SelectObject(dst.dc(), brush);
        EXPECT_TRUE(PatBlt(dst.dc(), 0, 0, 2, 2, c.rop)) << std::hex << c.rop;
        EXPECT_EQ(c.expect, dst.at(1, 1)) << std::hex << c.rop;
        SelectObject(dst.dc(), old);
        DeleteObject(brush);
    }
    // Source operations.
    Canvas src(1, 1, 0x0F0F0F), dst(1, 1, 0xF0F000);
    EXPECT_TRUE(BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, SRCPAINT));
    EXPECT_EQ(0xFFFF0Fu, dst.at(0, 0));
    EXPECT_TRUE(BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, SRCAND));
    EXPECT_EQ(0x0F0F0Fu, dst.at(0, 0));
    EXPECT_TRUE(BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, SRCINVERT));
    EXPECT_EQ(0u, dst.at(0, 0));
    // PatBlt takes no source.
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(PatBlt(dst.dc(), 0, 0, 1, 1, SRCCOPY));
}

TEST(GdiBlit, StretchDoublesAndMirrors)
{
    Canvas src(2, 1), dst(4, 2);
    src.set(0, 0, red);
    src.set(1, 0, blue);
    SetStretchBltMode(dst.dc(), COLORONCOLOR);
    EXPECT_TRUE(StretchBlt(dst.dc(), 0, 0, 4, 2, src.dc(), 0, 0, 2, 1, SRCCOPY));
    EXPECT_EQ(red, dst.at(0, 0));
    EXPECT_EQ(red, dst.at(1, 1));
    EXPECT_EQ(blue, dst.at(2, 0));
    EXPECT_EQ(blue, dst.at(3, 1));
    // A negative destination width mirrors, counting back from the pixel after x: 3, -4 covers 0 to 3.
    EXPECT_TRUE(StretchBlt(dst.dc(), 3, 0, -4, 2, src.dc(), 0, 0, 2, 1, SRCCOPY));
    EXPECT_EQ(blue, dst.at(0, 0));
    EXPECT_EQ(blue, dst.at(1, 1));
    EXPECT_EQ(red, dst.at(2, 0));
    EXPECT_EQ(red, dst.at(3, 1));
    // 4, -4 covers 1 to 4: the first column is left alone.
    EXPECT_TRUE(StretchBlt(dst.dc(), 0, 0, 4, 2, src.dc(), 0, 0, 2, 1, SRCCOPY));
    EXPECT_TRUE(StretchBlt(dst.dc(), 4, 0, -4, 2, src.dc(), 0, 0, 2, 1, SRCCOPY));
    EXPECT_EQ(red, dst.at(0, 0));
    EXPECT_EQ(blue, dst.at(1, 0));
    EXPECT_EQ(red, dst.at(3, 0));
}

TEST(GdiBlit, MonochromeSourceTakesDestinationColours)
{
    const WORD rows[2] = {0x80, 0x00};  // 1x2 monochrome: top pixel white, bottom black
    HBITMAP mono = CreateBitmap(1, 2, 1, 1, rows);
    HDC mdc = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(mdc, mono);
    Canvas dst(1, 2);
    SetTextColor(dst.dc(), RGB(255, 0, 0));
    SetBkColor(dst.dc(), RGB(0, 0, 255));
    EXPECT_TRUE(BitBlt(dst.dc(), 0, 0, 1, 2, mdc, 0, 0, SRCCOPY));
    EXPECT_EQ(blue, dst.at(0, 0));
    EXPECT_EQ(red, dst.at(0, 1));
    // Colour to monochrome: the source's background colour becomes white, the rest black.
    Canvas src(1, 2);
    src.set(0, 0, green);
    src.set(0, 1, red);
    SetBkColor(src.dc(), RGB(0, 255, 0));
    EXPECT_TRUE(BitBlt(mdc, 0, 0, 1, 2, src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(mdc, 0, 0));
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(mdc, 0, 1));
    SelectObject(mdc, old);
    DeleteObject(mono);
    DeleteDC(mdc);
}

bool Near(DWORD a, DWORD b)
{
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 1)
            return false;
    return true;
}

TEST(GdiBlit, AlphaBlendFollowsTheBlendFormula)
{
    struct Case {
        DWORD src;        // 0xAARRGGBB, premultiplied when per-pixel alpha is used
        DWORD dst;
        BYTE constant;
        BYTE format;
        DWORD expect;     // colour channels, within one step of rounding
    } cases[] = {
        {0x00FF0000, 0x000000FF, 128, 0, 0x00800080 - 1},           // half red over blue: (128, 0, 127)
        {0x00FF0000, 0x000000FF, 255, 0, 0x00FF0000},
        {0x00FF0000, 0x000000FF, 0, 0, 0x000000FF},
        {0x80800000, 0x00FFFFFF, 255, AC_SRC_ALPHA, 0x00FF7F7F},   // premultiplied half red over white
        {0x00000000, 0x00123456, 255, AC_SRC_ALPHA, 0x00123456},   // fully transparent
        {0xFF00FF00, 0x00123456, 255, AC_SRC_ALPHA, 0x0000FF00},   // opaque
        {0xFF00FF00, 0x00000000, 128, AC_SRC_ALPHA, 0x00008000},
    };
    for (const Case &c : cases) {
        Canvas src(1, 1, c.src), dst(1, 1, c.dst);
        BLENDFUNCTION bf = {AC_SRC_OVER, 0, c.constant, c.format};
        EXPECT_TRUE(AlphaBlend(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, 1, 1, bf));
        EXPECT_TRUE(Near(c.expect, dst.at(0, 0)))
            << std::hex << "src " << c.src << " dst " << c.dst << " got " << dst.at(0, 0);
    }
}

TEST(GdiBlit, AlphaBlendRejectsSourceOutsideItsSurfaceAndMirroring)
{
    Canvas src(2, 2, 0xFF000000), dst(4, 4);
    BLENDFUNCTION bf = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(AlphaBlend(dst.dc(), 0, 0, 2, 2, src.dc(), 1, 0, 2, 2, bf));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(AlphaBlend(dst.dc(), 2, 0, -2, 2, src.dc(), 0, 0, 2, 2, bf));
    // Stretching works: 2x2 opaque black over 4x4.
    Canvas d2(4, 4, white);
    EXPECT_TRUE(AlphaBlend(d2.dc(), 0, 0, 4, 4, src.dc(), 0, 0, 2, 2, bf));
    EXPECT_EQ(16, d2.count(0));
}

TEST(GdiBlit, TransparentBltSkipsTheKeyColour)
{
    Canvas src(2, 1), dst(4, 2, blue);
    src.set(0, 0, 0xFF00FF);
    src.set(1, 0, red);
    EXPECT_TRUE(TransparentBlt(dst.dc(), 0, 0, 4, 2, src.dc(), 0, 0, 2, 1, RGB(255, 0, 255)));
    EXPECT_EQ(4, dst.count(blue));
    EXPECT_EQ(4, dst.count(red, 2, 0, 4, 2));
}

TEST(GdiBlit, StretchDIBitsKeepsThePictureUprightInBothOrientations)
{
    // Top row red, bottom row blue, stored each way round.
    const DWORD top_down[2] = {red, blue};
    const DWORD bottom_up[2] = {blue, red};
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = 1;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    struct Case {
        LONG height;
        const DWORD *bits;
    } cases[] = {{-2, top_down}, {2, bottom_up}};
    for (const Case &c : cases) {
        bi.bmiHeader.biHeight = c.height;
        Canvas dst(2, 4);
        EXPECT_EQ(2, StretchDIBits(dst.dc(), 0, 0, 2, 4, 0, 0, 1, 2, c.bits, &bi, DIB_RGB_COLORS, SRCCOPY));
        EXPECT_EQ(red, dst.at(0, 0)) << c.height;
        EXPECT_EQ(red, dst.at(1, 1)) << c.height;
        EXPECT_EQ(blue, dst.at(0, 2)) << c.height;
        EXPECT_EQ(blue, dst.at(1, 3)) << c.height;

        Canvas d2(1, 2);
        EXPECT_EQ(2, SetDIBitsToDevice(d2.dc(), 0, 0, 1, 2, 0, 0, 0, 2, c.bits, &bi, DIB_RGB_COLORS));
        EXPECT_EQ(red, d2.at(0, 0)) << c.height;
        EXPECT_EQ(blue, d2.at(0, 1)) << c.height;
    }
}

TEST(GdiBlit, OverlappingCopyWithinOneBitmapMovesTheOriginalPixels)
{
    Canvas c(4, 1);
    for (int x = 0; x < 4; ++x)
        c.set(x, 0, DWORD(x + 1));
    EXPECT_TRUE(BitBlt(c.dc(), 1, 0, 3, 1, c.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(1u, c.at(0, 0));
    EXPECT_EQ(1u, c.at(1, 0));
    EXPECT_EQ(2u, c.at(2, 0));
    EXPECT_EQ(3u, c.at(3, 0));
}

// A clip region of several rectangles in several bands: the copy must read every source pixel as
// it was before the copy began, whichever rectangle is written first.
HRGN SeveralBandsRegion()
{
    HRGN rgn = CreateRectRgn(1, 1, 5, 4);
    const RECT more[] = {{7, 1, 11, 4}, {2, 6, 10, 8}, {0, 9, 12, 11}};
    for (const RECT &r : more) {
        HRGN part = CreateRectRgnIndirect(&r);
        CombineRgn(rgn, rgn, part, RGN_OR);
        DeleteObject(part);
    }
    return rgn;
}

TEST(GdiBlit, CopiesWithinOneBitmapReadTheOriginalThroughEveryClipRectangle)
{
    const int size = 12;
    struct Case {
        int x, y, w, h, xs, ys;
    } cases[] = {
        {2, 3, 10, 9, 0, 0},    // down and right, across bands
        {0, 0, 10, 9, 2, 3},    // up and left
        {3, 0, 9, 12, 0, 0},    // right along each band
        {0, 0, 9, 12, 3, 0},    // left along each band
        {0, 2, 12, 10, 0, 0},   // straight down
        {-2, -1, 12, 12, 0, 0}, // hanging off the top-left edge
        {4, 5, 12, 12, 0, 0},   // hanging off the bottom-right edge
        {0, 0, 12, 12, -3, 2},  // source partly outside the bitmap
    };
    for (bool clipped : {false, true}) {
        for (const Case &c : cases) {
            Canvas canvas(size, size);
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    canvas.set(x, y, DWORD(y * size + x + 1));
            HRGN rgn = clipped ? SeveralBandsRegion() : CreateRectRgn(0, 0, size, size);
            SelectClipRgn(canvas.dc(), rgn);
            EXPECT_TRUE(BitBlt(canvas.dc(), c.x, c.y, c.w, c.h, canvas.dc(), c.xs, c.ys, SRCCOPY));
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    int qx = x - c.x + c.xs, qy = y - c.y + c.ys;
                    bool copied = PtInRegion(rgn, x, y) && x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h &&
                                  qx >= 0 && qx < size && qy >= 0 && qy < size;
                    DWORD expected = copied ? DWORD(qy * size + qx + 1) : DWORD(y * size + x + 1);
                    ASSERT_EQ(expected, canvas.at(x, y)) << "pixel " << x << "," << y << " case " << c.x << ","
                                                         << c.y << " from " << c.xs << "," << c.ys
                                                         << (clipped ? " clipped" : "");
                }
            }
            DeleteObject(rgn);
        }
    }
}

// A block blended at once gives each pixel what blending it alone gives, inside the clip only.
TEST(GdiBlit, AlphaBlendOfABlockMatchesItsPixelsBlendedOneByOne)
{
    const int size = 12;
    Canvas src(size, size), block(size, size), single(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            BYTE a = BYTE((x * 37 + y * 11) & 0xFF);
            src.set(x, y, DWORD(a) << 24 | DWORD(a * (x + 1) / 13) << 16 | DWORD(a * (y + 1) / 13) << 8 | a / 2);
            DWORD background = DWORD(x * 20) << 16 | DWORD(y * 20) << 8 | 0x80;
            block.set(x, y, background);
            single.set(x, y, background);
        }
    }
    struct Case {
        BYTE constant, format;
    } cases[] = {{255, AC_SRC_ALPHA}, {100, AC_SRC_ALPHA}, {180, 0}};
    for (const Case &c : cases) {
        BLENDFUNCTION bf = {AC_SRC_OVER, 0, c.constant, c.format};
        HRGN rgn = SeveralBandsRegion();
        SelectClipRgn(block.dc(), rgn);
        // Destination (2, 1), source (1, 2), 10 x 10.
        EXPECT_TRUE(AlphaBlend(block.dc(), 2, 1, 10, 10, src.dc(), 1, 2, 10, 10, bf));
        for (int y = 1; y < 11; ++y) {
            for (int x = 2; x < 12; ++x) {
                if (PtInRegion(rgn, x, y)) {
                    EXPECT_TRUE(AlphaBlend(single.dc(), x, y, 1, 1, src.dc(), x - 1, y + 1, 1, 1, bf));
                }
            }
        }
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                ASSERT_EQ(single.raw(x, y), block.raw(x, y)) << "pixel " << x << "," << y << " alpha " << int(c.constant);
            }
        }
        DeleteObject(rgn);
    }
}

// Pictures are mostly opaque and clear pixels, which blocks of a row may settle together: every
// mix of them with partial pixels, whatever a row's start and length, gives the per-pixel formula.
TEST(GdiBlit, AlphaBlendOfOpaqueAndClearRunsMatchesThePixelFormula)
{
    const DWORD opaque = 0xFF204060, clear = 0, partial = 0x80402010, colour_without_alpha = 0x00302010;
    struct Case {
        const char *name;
        DWORD pattern[5];  // repeated along the row, shifted by one each row
    } cases[] = {
        {"opaque and clear", {opaque, clear, opaque, opaque, clear}},
        {"all opaque", {opaque, opaque, opaque, opaque, opaque}},
        {"all clear", {clear, clear, clear, clear, clear}},
        {"one partial", {opaque, opaque, partial, clear, clear}},
        {"colour without alpha is no clear pixel", {clear, colour_without_alpha, clear, opaque, clear}},
    };
    const int width = 13, height = 4;
    for (const Case &c : cases) {
        Canvas src(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                src.set(x, y, c.pattern[(x + y) % 5]);
        for (int left = 0; left < 3; ++left) {
            Canvas block(width + 3, height, 0x00A0B0C0), single(width + 3, height, 0x00A0B0C0);
            BLENDFUNCTION bf = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            int cx = width - left;
            ASSERT_TRUE(AlphaBlend(block.dc(), left + 1, 0, cx, height, src.dc(), left, 0, cx, height, bf));
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < cx; ++x)
                    ASSERT_TRUE(AlphaBlend(single.dc(), left + 1 + x, y, 1, 1, src.dc(), left + x, y, 1, 1, bf));
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width + 3; ++x)
                    ASSERT_EQ(single.raw(x, y), block.raw(x, y)) << c.name << ", from " << left << ", pixel " << x << "," << y;
        }
    }
    // The formula itself for the two shortcuts: an opaque pixel replaces, a clear one leaves alone.
    Canvas src(4, 1), dst(4, 1, 0x00A0B0C0);
    src.set(0, 0, opaque);
    src.set(2, 0, opaque);
    BLENDFUNCTION bf = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ASSERT_TRUE(AlphaBlend(dst.dc(), 0, 0, 4, 1, src.dc(), 0, 0, 4, 1, bf));
    EXPECT_EQ(opaque, dst.raw(0, 0));
    EXPECT_EQ(0x00A0B0C0u, dst.raw(1, 0));
    EXPECT_EQ(opaque, dst.raw(2, 0));
    EXPECT_EQ(0x00A0B0C0u, dst.raw(3, 0));
}

}  // namespace
