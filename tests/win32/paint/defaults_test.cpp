// What the default window procedure answers for cursors and control colours, and a window that
// changes parent repainting both places.
#include "painter.h"

namespace {

COLORREF ScreenAt(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

class DefaultAnswers : public PaintTest {};

TEST_F(DefaultAnswers, SetCursorUsesTheClassCursorThenTheEdgeArrows)
{
    HCURSOR beam = LoadCursorW(nullptr, IDC_IBEAM);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hCursor = beam;
    wc.lpszClassName = u"CursorDefaultsWindow";
    ASSERT_TRUE(RegisterClassW(&wc));
    HWND top = Make(WS_OVERLAPPED, 0, 0, 100, 100, nullptr, u"CursorDefaultsWindow");

    struct Case {
        UINT hit;
        LPCWSTR expected;
    } cases[] = {{HTCLIENT, IDC_IBEAM},       {HTLEFT, IDC_SIZEWE},      {HTBOTTOM, IDC_SIZENS},
                 {HTBOTTOMRIGHT, IDC_SIZENWSE}, {HTTOPRIGHT, IDC_SIZENESW}, {HTCAPTION, IDC_ARROW}};
    for (const Case &c : cases) {
        SetCursor(nullptr);
        EXPECT_TRUE(DefWindowProcW(top, WM_SETCURSOR, (WPARAM)top, MAKELPARAM(c.hit, WM_MOUSEMOVE))) << c.hit;
        EXPECT_EQ(LoadCursorW(nullptr, c.expected), GetCursor()) << "hit-test code " << c.hit;
    }
    UnregisterClassW(u"CursorDefaultsWindow", nullptr);
}

LRESULT CALLBACK ClaimsCursor(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_SETCURSOR) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

TEST_F(DefaultAnswers, AParentThatSetsTheCursorOverridesItsChild)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ClaimsCursor;
    wc.lpszClassName = u"CursorClaimingParent";
    ASSERT_TRUE(RegisterClassW(&wc));
    HWND parent = Make(WS_OVERLAPPED, 0, 0, 100, 100, nullptr, u"CursorClaimingParent");
    HWND child = Make(WS_CHILD, 0, 0, 10, 10, parent);
    SetCursor(nullptr);
    EXPECT_TRUE(DefWindowProcW(child, WM_SETCURSOR, (WPARAM)child, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(LoadCursorW(nullptr, IDC_WAIT), GetCursor());
    UnregisterClassW(u"CursorClaimingParent", nullptr);
}

TEST_F(DefaultAnswers, ControlColoursComeFromTheSystemColours)
{
    HWND top = Make(WS_OVERLAPPED, 0, 0, 10, 10);
    HDC dc = CreateCompatibleDC(nullptr);
    struct Case {
        UINT msg;
        int ground;
    } cases[] = {{WM_CTLCOLORSTATIC, COLOR_BTNFACE}, {WM_CTLCOLORDLG, COLOR_BTNFACE},
                 {WM_CTLCOLORBTN, COLOR_BTNFACE},    {WM_CTLCOLOREDIT, COLOR_WINDOW},
                 {WM_CTLCOLORLISTBOX, COLOR_WINDOW}};
    for (const Case &c : cases) {
        SetTextColor(dc, RGB(1, 2, 3));
        EXPECT_EQ((LRESULT)GetSysColorBrush(c.ground), DefWindowProcW(top, c.msg, (WPARAM)dc, (LPARAM)top)) << c.msg;
        EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), GetTextColor(dc)) << c.msg;
        EXPECT_EQ(GetSysColor(c.ground), GetBkColor(dc)) << c.msg;
    }
    DeleteDC(dc);
}

using Reparenting = PaintTest;

TEST_F(Reparenting, BothParentsShowTheRightPixelsAfterward)
{
    const COLORREF red = RGB(200, 0, 0), green = RGB(0, 200, 0), blue = RGB(0, 0, 200);
    HWND left = MakeSettled(WS_POPUP, 10, 10, 100, 100);
    HWND right = MakeSettled(WS_POPUP, 200, 10, 100, 100);
    SetFill(left, red);
    SetFill(right, green);
    HWND child = MakeSettled(WS_CHILD, 20, 20, 30, 30, left);
    SetFill(child, blue);
    InvalidateRect(left, nullptr, TRUE);
    InvalidateRect(right, nullptr, TRUE);
    InvalidateRect(child, nullptr, TRUE);
    ASSERT_TRUE(PumpUntil([&] { return ScreenAt(10 + 25, 10 + 25) == blue && ScreenAt(200 + 25, 10 + 25) == green; }));

    ASSERT_EQ(left, SetParent(child, right));
    EXPECT_TRUE(PumpUntil([&] { return ScreenAt(10 + 25, 10 + 25) == red; })) << "the old parent repaints the uncovered area";
    EXPECT_TRUE(PumpUntil([&] { return ScreenAt(200 + 25, 10 + 25) == blue; })) << "the child paints in its new parent";
}

}  // namespace
