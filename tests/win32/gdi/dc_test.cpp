// What Windows does with memory DCs: default objects, selection, deletion of selected objects,
// saved states, clipping, origins and device capabilities.
#include <gtest/gtest.h>
#include <windows.h>

#include "win32/gdi/canvas.h"
#include "win32/wine.h"

namespace {

const DWORD red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;

TEST(GdiDc, MemoryDcStartsWithOnePixelMonochromeBitmapAndStockObjects)
{
    HDC dc = CreateCompatibleDC(NULL);
    ASSERT_TRUE(dc);
    EXPECT_EQ(DWORD(OBJ_MEMDC), GetObjectType(dc));
    BITMAP bm = {};
    ASSERT_EQ(int(sizeof bm), GetObjectW(GetCurrentObject(dc, OBJ_BITMAP), sizeof bm, &bm));
    EXPECT_EQ(1, bm.bmWidth);
    EXPECT_EQ(1, bm.bmHeight);
    EXPECT_EQ(1, bm.bmBitsPixel);
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), GetCurrentObject(dc, OBJ_BRUSH));
    EXPECT_EQ(GetStockObject(BLACK_PEN), GetCurrentObject(dc, OBJ_PEN));
    EXPECT_EQ(GetStockObject(SYSTEM_FONT), GetCurrentObject(dc, OBJ_FONT));
    EXPECT_EQ(GetStockObject(DEFAULT_PALETTE), GetCurrentObject(dc, OBJ_PAL));
    EXPECT_EQ(OPAQUE, GetBkMode(dc));
    EXPECT_EQ(RGB(255, 255, 255), GetBkColor(dc));
    EXPECT_EQ(RGB(0, 0, 0), GetTextColor(dc));
    EXPECT_TRUE(DeleteDC(dc));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, GetBkMode(dc));
}

TEST(GdiDc, DeviceCapsDescribeTrueColourScreen)
{
    Canvas c(2, 2);
    EXPECT_EQ(32, GetDeviceCaps(c.dc(), BITSPIXEL));
    EXPECT_EQ(1, GetDeviceCaps(c.dc(), PLANES));
    EXPECT_EQ(96, GetDeviceCaps(c.dc(), LOGPIXELSX));
    EXPECT_EQ(96, GetDeviceCaps(c.dc(), LOGPIXELSY));
    EXPECT_GT(GetDeviceCaps(c.dc(), HORZRES), 0);
    EXPECT_GT(GetDeviceCaps(c.dc(), VERTRES), 0);
    EXPECT_TRUE(GetDeviceCaps(c.dc(), RASTERCAPS) & RC_BITBLT);
    EXPECT_TRUE(GetDeviceCaps(c.dc(), RASTERCAPS) & RC_STRETCHBLT);
}

TEST(GdiDc, SelectedBrushDeletedStaysUsableUntilDeselected)
{
    Canvas c(4, 4);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    HGDIOBJ old = SelectObject(c.dc(), brush);
    EXPECT_TRUE(DeleteObject(brush));
    // Still selected: still drawn with, still answering.
    LOGBRUSH lb = {};
    EXPECT_EQ(int(sizeof lb), GetObjectW(brush, sizeof lb, &lb));
    EXPECT_TRUE(PatBlt(c.dc(), 0, 0, 4, 4, PATCOPY));
    EXPECT_EQ(blue, c.at(3, 3));
    SelectObject(c.dc(), old);
    EXPECT_EQ(0u, GetObjectType(brush));
}

TEST(GdiDc, BitmapLivesInOneDcAtATime)
{
    HBITMAP bmp = CreateBitmap(4, 4, 1, 32, NULL);
    HDC a = CreateCompatibleDC(NULL), b = CreateCompatibleDC(NULL);
    HGDIOBJ oldA = SelectObject(a, bmp);
    ASSERT_TRUE(oldA);
    EXPECT_EQ(NULL, SelectObject(b, bmp));
    SelectObject(a, oldA);
    HGDIOBJ oldB = SelectObject(b, bmp);
    EXPECT_TRUE(oldB);
    SelectObject(b, oldB);
    DeleteDC(a);
    DeleteDC(b);
    EXPECT_TRUE(DeleteObject(bmp));
}

TEST(GdiDc, StockObjectsSurviveDeletion)
{
    HGDIOBJ stock[] = {GetStockObject(WHITE_BRUSH), GetStockObject(BLACK_BRUSH), GetStockObject(NULL_BRUSH),
                       GetStockObject(GRAY_BRUSH),  GetStockObject(NULL_PEN),    GetStockObject(BLACK_PEN),
                       GetStockObject(WHITE_PEN),   GetStockObject(DEFAULT_GUI_FONT), GetStockObject(SYSTEM_FONT),
                       GetStockObject(DEFAULT_PALETTE)};
    DWORD types[] = {OBJ_BRUSH, OBJ_BRUSH, OBJ_BRUSH, OBJ_BRUSH, OBJ_PEN, OBJ_PEN, OBJ_PEN, OBJ_FONT, OBJ_FONT, OBJ_PAL};
    for (size_t i = 0; i < sizeof stock / sizeof stock[0]; ++i) {
        ASSERT_TRUE(stock[i]);
        DeleteObject(stock[i]);
        EXPECT_EQ(types[i], GetObjectType(stock[i])) << i;
    }
    LOGBRUSH lb = {};
    GetObjectW(GetStockObject(GRAY_BRUSH), sizeof lb, &lb);
    EXPECT_EQ(RGB(128, 128, 128), lb.lbColor);
}

TEST(GdiDc, ClipRegionIsCopiedAndLimitsDrawing)
{
    Canvas c(10, 10);
    HRGN rgn = CreateRectRgn(2, 2, 5, 5);
    EXPECT_EQ(SIMPLEREGION, SelectClipRgn(c.dc(), rgn));
    SetRectRgn(rgn, 0, 0, 10, 10);  // the DC holds its own copy
    DeleteObject(rgn);
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    RECT all = {0, 0, 10, 10};
    FillRect(c.dc(), &all, brush);
    EXPECT_EQ(9, c.count(red));
    EXPECT_EQ(9, c.count(red, 2, 2, 5, 5));
    RECT box, expected = {2, 2, 5, 5};
    EXPECT_EQ(SIMPLEREGION, GetClipBox(c.dc(), &box));
    EXPECT_TRUE(EqualRect(&box, &expected));

    // No clip region: the whole bitmap.
    EXPECT_EQ(SIMPLEREGION, SelectClipRgn(c.dc(), NULL));
    EXPECT_EQ(SIMPLEREGION, GetClipBox(c.dc(), &box));
    EXPECT_TRUE(EqualRect(&box, &all));

    // Excluding a middle part makes a hole.
    EXPECT_EQ(COMPLEXREGION, ExcludeClipRect(c.dc(), 4, 4, 6, 6));
    HBRUSH g = CreateSolidBrush(RGB(0, 255, 0));
    FillRect(c.dc(), &all, g);
    EXPECT_EQ(96, c.count(green));
    EXPECT_EQ(0, c.count(green, 4, 4, 6, 6));
    EXPECT_EQ(SIMPLEREGION, IntersectClipRect(c.dc(), 0, 0, 3, 3));
    EXPECT_EQ(SIMPLEREGION, GetClipBox(c.dc(), &box));
    RECT small = {0, 0, 3, 3};
    EXPECT_TRUE(EqualRect(&box, &small));
    DeleteObject(brush);
    DeleteObject(g);
}

TEST(GdiDc, SelectObjectWithRegionActsAsSelectClipRgn)
{
    Canvas c(8, 8);
    HRGN rgn = CreateRectRgn(0, 0, 4, 8);
    EXPECT_EQ(HGDIOBJ(INT_PTR(SIMPLEREGION)), SelectObject(c.dc(), rgn));
    DeleteObject(rgn);
    EXPECT_TRUE(PatBlt(c.dc(), 0, 0, 8, 8, WHITENESS));
    EXPECT_EQ(32, c.count(0xFFFFFF));
    EXPECT_EQ(32, c.count(0xFFFFFF, 0, 0, 4, 8));
}

TEST(GdiDc, SaveAndRestoreBringBackClipObjectsAndColours)
{
    Canvas c(6, 6);
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    int level = SaveDC(c.dc());
    EXPECT_EQ(1, level);
    SelectObject(c.dc(), brush);
    SetBkColor(c.dc(), RGB(1, 2, 3));
    IntersectClipRect(c.dc(), 0, 0, 1, 1);
    SetViewportOrgEx(c.dc(), 2, 2, NULL);
    EXPECT_EQ(2, SaveDC(c.dc()));
    EXPECT_TRUE(RestoreDC(c.dc(), -1));
    EXPECT_EQ(RGB(1, 2, 3), GetBkColor(c.dc()));
    EXPECT_TRUE(RestoreDC(c.dc(), level));
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), GetCurrentObject(c.dc(), OBJ_BRUSH));
    EXPECT_EQ(RGB(255, 255, 255), GetBkColor(c.dc()));
    POINT org;
    GetViewportOrgEx(c.dc(), &org);
    EXPECT_EQ(0, org.x);
    RECT box, all = {0, 0, 6, 6};
    GetClipBox(c.dc(), &box);
    EXPECT_TRUE(EqualRect(&box, &all));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(RestoreDC(c.dc(), 1));  // nothing left to restore
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_EQ(0u, GetObjectType(brush));
}

TEST(GdiDc, OriginsShiftDrawingAndPixelQueries)
{
    Canvas c(10, 10);
    SetViewportOrgEx(c.dc(), 5, 5, NULL);
    SetWindowOrgEx(c.dc(), 1, 0, NULL);
    EXPECT_EQ(RGB(0, 0, 255), SetPixel(c.dc(), 1, 1, RGB(0, 0, 255)));
    EXPECT_EQ(blue, c.at(5, 6));
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(c.dc(), 1, 1));
    POINT p = {0, 0};
    LPtoDP(c.dc(), &p, 1);
    EXPECT_EQ(4, p.x);
    EXPECT_EQ(5, p.y);
    RECT box, expected = {-4, -5, 6, 5};
    GetClipBox(c.dc(), &box);
    EXPECT_TRUE(EqualRect(&box, &expected));
    // Outside the bitmap: nothing to read.
    EXPECT_EQ(CLR_INVALID, GetPixel(c.dc(), 20, 20));
}

TEST(GdiDc, SetPixelOutsideTheBitmapFails)
{
    SKIP_UNDER_WINE("its SetPixel answers the colour for a pixel outside the clip area");
    Canvas c(10, 10);
    EXPECT_EQ(CLR_INVALID, SetPixel(c.dc(), -10, 0, RGB(1, 1, 1)));
    EXPECT_EQ(CLR_INVALID, SetPixel(c.dc(), 10, 0, RGB(1, 1, 1)));
    EXPECT_NE(CLR_INVALID, SetPixel(c.dc(), 9, 9, RGB(1, 1, 1)));
}

TEST(GdiDc, ShapesUsePenAndBrush)
{
    Canvas c(10, 10);
    HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ oldBrush = SelectObject(c.dc(), brush), oldPen = SelectObject(c.dc(), pen);
    EXPECT_TRUE(Rectangle(c.dc(), 1, 1, 6, 6));
    // Outline [1,6) with the right and bottom edges at 5; inside filled.
    EXPECT_EQ(16, c.count(red));
    EXPECT_EQ(9, c.count(green));
    EXPECT_EQ(red, c.at(5, 5));
    EXPECT_EQ(0u, c.at(6, 6));
    // Lines leave out their last point.
    MoveToEx(c.dc(), 0, 8, NULL);
    EXPECT_TRUE(LineTo(c.dc(), 9, 8));
    EXPECT_EQ(9, c.count(red, 0, 8, 10, 9));
    EXPECT_EQ(0u, c.at(9, 8));
    MoveToEx(c.dc(), 7, 0, NULL);
    LineTo(c.dc(), 9, 2);
    EXPECT_EQ(red, c.at(7, 0));
    EXPECT_EQ(red, c.at(8, 1));
    EXPECT_EQ(0u, c.at(9, 2));
    RECT frame = {0, 0, 10, 10};
    EXPECT_TRUE(FrameRect(c.dc(), &frame, brush));
    EXPECT_EQ(green, c.at(0, 9));
    EXPECT_EQ(green, c.at(9, 0));
    SelectObject(c.dc(), oldBrush);
    SelectObject(c.dc(), oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

TEST(GdiDc, SystemColourBrushesAndIndexBrushes)
{
    Canvas c(2, 2);
    LOGBRUSH lb = {};
    GetObjectW(GetSysColorBrush(COLOR_WINDOW), sizeof lb, &lb);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), lb.lbColor);
    // A colour index plus one stands for that system colour's brush.
    RECT r = {0, 0, 2, 2};
    FillRect(c.dc(), &r, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(DWORD(GetRValue(face)) << 16 | GetGValue(face) << 8 | GetBValue(face), c.at(1, 1));
}

TEST(GdiDc, ButtonFaceIsTheDefaultSchemesLightGrey)
{
    SKIP_UNDER_WINE("its default colour scheme has a lighter button face, RGB(245, 245, 245)");
    EXPECT_EQ(RGB(240, 240, 240), GetSysColor(COLOR_BTNFACE));  // Windows 10 default scheme
}

// Whatever bounds a DC's drawing may change between two drawings: the bitmap selected, the clip
// region in each of its forms, and a restored state. Each drawing fills everything it may.
TEST(GdiDc, DrawingFollowsEveryChangeOfWhatBoundsIt)
{
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP small = CreateBitmap(4, 4, 1, 32, NULL), large = CreateBitmap(8, 8, 1, 32, NULL);
    HGDIOBJ first = SelectObject(dc, small);
    HRGN corner = CreateRectRgn(0, 0, 3, 3), lower = CreateRectRgn(2, 2, 8, 8);
    struct Step {
        const char *change;
        void (*apply)(HDC, HBITMAP, HRGN, HRGN);
        HBITMAP *target;
        int painted;
    } steps[] = {
        {"small bitmap", [](HDC, HBITMAP, HRGN, HRGN) {}, &small, 16},
        {"large bitmap", [](HDC d, HBITMAP l, HRGN, HRGN) { SelectObject(d, l); }, &large, 64},
        {"intersected", [](HDC d, HBITMAP, HRGN, HRGN) { IntersectClipRect(d, 0, 0, 2, 8); }, &large, 16},
        {"saved, excluded", [](HDC d, HBITMAP, HRGN, HRGN) { SaveDC(d); ExcludeClipRect(d, 0, 0, 1, 8); }, &large, 8},
        {"restored", [](HDC d, HBITMAP, HRGN, HRGN) { RestoreDC(d, -1); }, &large, 16},
        {"region selected", [](HDC d, HBITMAP, HRGN c, HRGN) { SelectClipRgn(d, c); }, &large, 9},
        {"region added", [](HDC d, HBITMAP, HRGN, HRGN l) { ExtSelectClipRgn(d, l, RGN_OR); }, &large, 44},
        {"region dropped", [](HDC d, HBITMAP, HRGN, HRGN) { SelectClipRgn(d, NULL); }, &large, 64},
    };
    int colour = 0;
    for (const Step &step : steps) {
        step.apply(dc, large, corner, lower);
        HBRUSH brush = CreateSolidBrush(RGB(++colour, 0, 0));
        RECT all = {0, 0, 8, 8};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        DWORD bits[64] = {};
        LONG size = GetBitmapBits(*step.target, sizeof bits, bits);
        int painted = 0;
        for (LONG i = 0; i < size / 4; ++i)
            painted += (bits[i] & 0xFFFFFF) == DWORD(colour) << 16;
        EXPECT_EQ(step.painted, painted) << step.change;
    }
    SelectObject(dc, first);
    for (HGDIOBJ h : {HGDIOBJ(small), HGDIOBJ(large), HGDIOBJ(corner), HGDIOBJ(lower)})
        DeleteObject(h);
    DeleteDC(dc);
}

}  // namespace
