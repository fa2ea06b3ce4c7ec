// What Windows does with fonts and text in a memory DC: metrics, extents, and pixels changed only
// inside the text's extent; opaque fills; DrawTextW's layout flags.
#include <gtest/gtest.h>
#include <windows.h>

#include "win32/gdi/canvas.h"
#include "win32/wine.h"

namespace {

const DWORD white = 0xFFFFFF;

// The smallest rectangle holding every pixel that is not `background`; empty when there is none.
RECT Changed(const Canvas &c, int width, int height, DWORD background)
{
    RECT r = {width, height, 0, 0};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (c.at(x, y) != background) {
                r.left = x < r.left ? x : r.left;
                r.top = y < r.top ? y : r.top;
                r.right = x + 1 > r.right ? x + 1 : r.right;
                r.bottom = y + 1 > r.bottom ? y + 1 : r.bottom;
            }
    return r;
}

struct FontIn {
    HDC dc;
    HFONT font;
    HGDIOBJ old;
    FontIn(HDC d, int height, int weight = FW_NORMAL)
        : dc(d), font(CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, TEXT("Tahoma"))),
          old(SelectObject(d, font))
    {
    }
    ~FontIn()
    {
        SelectObject(dc, old);
        DeleteObject(font);
    }
};

TEST(GdiText, MetricsAndExtentsAreConsistent)
{
    Canvas c(4, 4);
    FontIn f(c.dc(), -16);
    TEXTMETRICW tm = {};
    ASSERT_TRUE(GetTextMetricsW(c.dc(), &tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_GE(tm.tmHeight, 16);
    EXPECT_GT(tm.tmAveCharWidth, 0);
    SIZE one = {}, two = {}, none = {};
    ASSERT_TRUE(GetTextExtentPoint32W(c.dc(), TEXT("Wide"), 4, &one));
    ASSERT_TRUE(GetTextExtentPoint32W(c.dc(), TEXT("WideWide"), 8, &two));
    ASSERT_TRUE(GetTextExtentPoint32W(c.dc(), TEXT(""), 0, &none));
    EXPECT_EQ(tm.tmHeight, one.cy);
    EXPECT_GT(one.cx, 0);
    EXPECT_EQ(2 * one.cx, two.cx);
    EXPECT_EQ(0, none.cx);
    SIZE big = {};
    FontIn larger(c.dc(), -32);
    GetTextExtentPoint32W(c.dc(), TEXT("Wide"), 4, &big);
    EXPECT_GT(big.cx, one.cx);
}

TEST(GdiText, TheFaceAskedForIsTheFaceSelected)
{
    SKIP_UNDER_WINE("without Tahoma installed it selects a substitute and names that");
    Canvas c(4, 4);
    FontIn f(c.dc(), -16);
    WCHAR face[LF_FACESIZE] = {};
    EXPECT_EQ(7, GetTextFaceW(c.dc(), LF_FACESIZE, face));
    EXPECT_EQ(0, lstrcmpW(face, TEXT("Tahoma")));
}

TEST(GdiText, TransparentTextChangesPixelsOnlyInsideItsExtent)
{
    Canvas c(120, 40, white);
    FontIn f(c.dc(), -16);
    SetBkMode(c.dc(), TRANSPARENT);
    SetTextColor(c.dc(), RGB(0, 0, 0));
    SIZE size = {};
    GetTextExtentPoint32W(c.dc(), TEXT("Hello"), 5, &size);
    ASSERT_TRUE(TextOutW(c.dc(), 10, 8, TEXT("Hello"), 5));
    RECT changed = Changed(c, 120, 40, white);
    ASSERT_LT(changed.left, changed.right) << "no glyph pixels drawn";
    EXPECT_GE(changed.left, 10);
    EXPECT_GE(changed.top, 8);
    EXPECT_LE(changed.right, 10 + size.cx);
    EXPECT_LE(changed.bottom, 8 + size.cy);
    // Ink is dark: some pixels are fully the text colour.
    EXPECT_GT(c.count(0), 0);
}

TEST(GdiText, OpaqueModeFillsTheCellAndOpaqueRectFillsTheRect)
{
    Canvas c(100, 40, white);
    FontIn f(c.dc(), -12);
    SetBkMode(c.dc(), OPAQUE);
    SetBkColor(c.dc(), RGB(0, 0, 255));
    SetTextColor(c.dc(), RGB(255, 255, 0));
    SIZE size = {};
    GetTextExtentPoint32W(c.dc(), TEXT("ab"), 2, &size);
    TextOutW(c.dc(), 0, 0, TEXT("ab"), 2);
    RECT changed = Changed(c, 100, 40, white);
    RECT cell = {0, 0, size.cx, size.cy};
    EXPECT_TRUE(EqualRect(&changed, &cell));

    // The class library's solid fill: ETO_OPAQUE with no text.
    Canvas d(10, 10, white);
    SetBkColor(d.dc(), RGB(0, 255, 0));
    RECT r = {2, 3, 7, 9};
    EXPECT_TRUE(ExtTextOutW(d.dc(), 0, 0, ETO_OPAQUE, &r, NULL, 0, NULL));
    EXPECT_EQ(30, d.count(0x00FF00));
    EXPECT_EQ(30, d.count(0x00FF00, 2, 3, 7, 9));
}

TEST(GdiText, ClippedTextStaysInItsRectangle)
{
    Canvas c(100, 30, white);
    FontIn f(c.dc(), -20);
    SetBkMode(c.dc(), TRANSPARENT);
    RECT clip = {0, 0, 12, 30};
    ExtTextOutW(c.dc(), 0, 0, ETO_CLIPPED, &clip, TEXT("MMMMMM"), 6, NULL);
    RECT changed = Changed(c, 100, 30, white);
    ASSERT_LT(changed.left, changed.right);
    EXPECT_LE(changed.right, 12);
}

TEST(GdiText, DrawTextLaysOutLines)
{
    Canvas c(200, 100, white);
    FontIn f(c.dc(), -14);
    TEXTMETRICW tm = {};
    GetTextMetricsW(c.dc(), &tm);
    SIZE word = {};
    GetTextExtentPoint32W(c.dc(), TEXT("alpha"), 5, &word);

    RECT calc = {0, 0, 200, 0};
    EXPECT_EQ(tm.tmHeight, DrawTextW(c.dc(), TEXT("alpha"), -1, &calc, DT_SINGLELINE | DT_CALCRECT));
    EXPECT_EQ(word.cx, calc.right);
    EXPECT_EQ(tm.tmHeight, calc.bottom);

    // Word breaking at a width that holds one word gives two lines.
    RECT narrow = {0, 0, word.cx + 2, 0};
    EXPECT_EQ(2 * tm.tmHeight, DrawTextW(c.dc(), TEXT("alpha alpha"), -1, &narrow, DT_WORDBREAK | DT_CALCRECT));
    // Line breaks split lines without word breaking; the prefix mark takes no room.
    RECT lines = {0, 0, 200, 0};
    DrawTextW(c.dc(), TEXT("&alpha\r\nalpha"), -1, &lines, DT_CALCRECT);
    EXPECT_EQ(2 * tm.tmHeight, lines.bottom);
    EXPECT_EQ(word.cx, lines.right);
    // Nothing is drawn while calculating.
    EXPECT_EQ(200 * 100, c.count(white));
}

TEST(GdiText, DrawTextCentresInBothDirections)
{
    Canvas c(200, 60, white);
    FontIn f(c.dc(), -16);
    SetBkMode(c.dc(), TRANSPARENT);
    RECT r = {0, 0, 200, 60};
    SIZE size = {};
    GetTextExtentPoint32W(c.dc(), TEXT("Centre"), 6, &size);
    DrawTextW(c.dc(), TEXT("Centre"), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    RECT changed = Changed(c, 200, 60, white);
    ASSERT_LT(changed.left, changed.right);
    int cell_left = (200 - size.cx) / 2, cell_top = (60 - size.cy) / 2;
    EXPECT_GE(changed.left, cell_left);
    EXPECT_LE(changed.right, cell_left + size.cx);
    EXPECT_GE(changed.top, cell_top);
    EXPECT_LE(changed.bottom, cell_top + size.cy);
    // Right alignment: ink ends at the right edge.
    Canvas d(200, 30, white);
    FontIn g(d.dc(), -16);
    SetBkMode(d.dc(), TRANSPARENT);
    RECT rr = {0, 0, 200, 30};
    DrawTextW(d.dc(), TEXT("Right"), -1, &rr, DT_RIGHT | DT_SINGLELINE);
    RECT right = Changed(d, 200, 30, white);
    ASSERT_LT(right.left, right.right);
    EXPECT_GT(right.left, 100);
    EXPECT_LE(right.right, 200);
}

TEST(GdiText, DefaultGuiFontDescribesItself)
{
    LOGFONTW lf = {};
    ASSERT_EQ(int(sizeof lf), GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf));
    EXPECT_LT(lf.lfHeight, 0);
    EXPECT_NE(0, lf.lfFaceName[0]);
}

}  // namespace
