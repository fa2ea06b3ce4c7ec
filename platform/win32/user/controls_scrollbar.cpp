// The "ScrollBar" control, as far as a size box and a size grip go: a grip in the corner that
// answers HTBOTTOMRIGHT, so the default window procedure sizes the window through it. Plain
// scroll bars paint their face and border only.
#include "dialog_internal.h"

#include <algorithm>

namespace win32 {
namespace {

bool is_grip(HWND hwnd)
{
    return (DWORD)GetWindowLongW(hwnd, GWL_STYLE) & (SBS_SIZEGRIP | SBS_SIZEBOX);
}

// Three diagonal ridges in the bottom-right corner, each a highlight line above two shadow lines.
void paint_grip(HDC dc, const RECT &rc)
{
    int size = std::min(rc.right - rc.left, rc.bottom - rc.top);
    for (int ridge = 0; ridge < 3; ++ridge) {
        int start = size - 4 * ridge - 4;  // distance of the ridge from the corner, along each edge
        for (int line = 0; line < 3; ++line) {
            int d = start + line;
            if (d < 0)
                continue;
            int color = line == 0 ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW;
            for (int i = 0; i <= size - d - 1; ++i) {
                int x = rc.right - size + d + i, y = rc.bottom - 1 - i;
                fill_sys(dc, {x, y, x + 1, y + 1}, color);
            }
        }
    }
}

void paint(HWND hwnd)
{
    paint_control(hwnd, [hwnd](HDC dc, const RECT &rc) {
        FillRect(dc, &rc, control_brush(hwnd, dc, WM_CTLCOLORSCROLLBAR));
        if ((DWORD)GetWindowLongW(hwnd, GWL_STYLE) & SBS_SIZEGRIP)
            paint_grip(dc, rc);
    });
}

// Whether the window the grip sizes is maximized: then there is nothing to size.
bool owner_maximized(HWND hwnd)
{
    HWND top = GetAncestor(hwnd, GA_ROOT);
    return top && IsZoomed(top);
}

LRESULT CALLBACK scrollbar_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_PAINT:
        paint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_NCHITTEST:
        if (is_grip(hwnd) && !owner_maximized(hwnd))
            return HTBOTTOMRIGHT;
        return HTCLIENT;
    case WM_GETDLGCODE:
        return is_grip(hwnd) ? 0 : DLGC_WANTARROWS;
    case WM_SETCURSOR:
        // The grip shows the sizing cursor over all of itself; the parent may still decide first.
        if (is_grip(hwnd) && (HWND)wp == hwnd && LOWORD(lp) == HTBOTTOMRIGHT) {
            HWND parent = GetParent(hwnd);
            if (parent && SendMessageW(parent, WM_SETCURSOR, wp, lp))
                return TRUE;
            SetCursor(LoadCursorW(nullptr, IDC_SIZENWSE));
            return TRUE;
        }
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

__attribute__((constructor)) void register_scrollbar_class()
{
    WNDCLASSW wc = {};
    wc.style = CS_DBLCLKS | CS_VREDRAW | CS_HREDRAW | CS_PARENTDC | CS_GLOBALCLASS;
    wc.lpfnWndProc = scrollbar_proc;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = u"ScrollBar";
    RegisterClassW(&wc);
}

}  // namespace
}  // namespace win32
