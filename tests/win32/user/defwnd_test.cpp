// What the default window procedure answers for cursors and control colours.
#include "painter.h"
#include "win32/wine.h"

namespace {

class DefaultAnswers : public PaintTest {};

TEST_F(DefaultAnswers, SetCursorUsesTheClassCursorThenTheEdgeArrows)
{
    SKIP_UNDOCUMENTED_UNDER_WINE("DefWindowProcW answers FALSE to WM_SETCURSOR; what it answers after setting the "
                                 "cursor is not documented");
    HCURSOR beam = LoadCursorW(nullptr, IDC_IBEAM);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hCursor = beam;
    wc.lpszClassName = TEXT("CursorDefaultsWindow");
    ASSERT_TRUE(RegisterClassW(&wc));
    HWND top = Make(WS_OVERLAPPED, 0, 0, 100, 100, nullptr, TEXT("CursorDefaultsWindow"));

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
    UnregisterClassW(TEXT("CursorDefaultsWindow"), nullptr);
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
    wc.lpszClassName = TEXT("CursorClaimingParent");
    ASSERT_TRUE(RegisterClassW(&wc));
    HWND parent = Make(WS_OVERLAPPED, 0, 0, 100, 100, nullptr, TEXT("CursorClaimingParent"));
    HWND child = Make(WS_CHILD, 0, 0, 10, 10, parent);
    SetCursor(nullptr);
    EXPECT_TRUE(DefWindowProcW(child, WM_SETCURSOR, (WPARAM)child, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(LoadCursorW(nullptr, IDC_WAIT), GetCursor());
    UnregisterClassW(TEXT("CursorClaimingParent"), nullptr);
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

}  // namespace
