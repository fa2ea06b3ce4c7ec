// The default window procedure, and the ANSI face of sending for the text messages.
#include "dialog_internal.h"
#include "internal/window.h"

#include <algorithm>
#include <vector>

namespace win32 {
namespace {

const int caption_height = 19;
const int dialog_frame = 3;
const int sizing_frame = 4;

// The cursor for a hit-test code: a child's parent decides first, the class cursor covers the client
// area, and the frame's edges show the sizing arrows. TRUE once a cursor is set.
LRESULT set_cursor(HWND hwnd, HWND cursor_window, UINT hit, UINT mouse_msg)
{
    DWORD style = DWORD(GetWindowLongW(hwnd, GWL_STYLE));
    HWND parent = GetParent(hwnd);
    if ((style & WS_CHILD) && parent &&
        SendMessageW(parent, WM_SETCURSOR, (WPARAM)cursor_window, MAKELPARAM(hit, mouse_msg)))
        return TRUE;
    if (cursor_window != hwnd)
        return FALSE;  // asked on behalf of a child: the child decides
    LPCWSTR shape = IDC_ARROW;
    switch (hit) {
    case HTCLIENT:
        if (HCURSOR cls = (HCURSOR)GetClassLongPtrW(hwnd, GCLP_HCURSOR)) {
            SetCursor(cls);
            return TRUE;
        }
        break;
    case HTLEFT:
    case HTRIGHT:
        shape = IDC_SIZEWE;
        break;
    case HTTOP:
    case HTBOTTOM:
        shape = IDC_SIZENS;
        break;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
        shape = IDC_SIZENWSE;
        break;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
        shape = IDC_SIZENESW;
        break;
    }
    SetCursor(LoadCursorW(nullptr, shape));
    return TRUE;
}

// Client area inside the frame the styles ask for.
void calc_client(HWND hwnd, RECT *rc)
{
    DWORD style, ex_style;
    {
        user_lock lock(user_mutex());
        window *w = find_window(hwnd);
        if (!w)
            return;
        style = w->style;
        ex_style = w->ex_style;
    }
    int frame = 0, top = 0;
    if (style & WS_THICKFRAME)
        frame = sizing_frame;
    else if (style & WS_DLGFRAME)
        frame = dialog_frame;
    else if (style & WS_BORDER)
        frame = 1;
    if ((style & WS_CAPTION) == WS_CAPTION)
        top = caption_height;
    if (ex_style & WS_EX_CLIENTEDGE)
        frame += 2;
    else if (ex_style & WS_EX_STATICEDGE)
        frame += 1;
    rc->left += frame;
    rc->right = std::max(rc->left, rc->right - frame);
    rc->top += frame + top;
    rc->bottom = std::max(rc->top, rc->bottom - frame);
}

// Fills the client area with the class brush, which may also be a system colour index plus one.
LRESULT erase_background(HWND hwnd, HDC hdc)
{
    HBRUSH brush;
    {
        user_lock lock(user_mutex());
        window *w = find_window(hwnd);
        brush = w && w->cls ? w->cls->background : nullptr;
    }
    if (!brush || !hdc)
        return 0;
    if ((UINT_PTR)brush <= COLOR_MENUBAR + 1)
        brush = GetSysColorBrush((int)(UINT_PTR)brush - 1);
    RECT rc;
    if (!brush || !GetClientRect(hwnd, &rc))
        return 0;
    return FillRect(hdc, &rc, brush) ? 1 : 0;
}

LRESULT set_text(HWND hwnd, LPCWSTR text)
{
    user_lock lock(user_mutex());
    window *w = find_window(hwnd);
    if (!w)
        return FALSE;
    w->text = text && !IS_INTRESOURCE(text) ? text : u"";
    return TRUE;
}

}  // namespace
}  // namespace win32

using namespace win32;

LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    switch (Msg) {
    case WM_NCCREATE: {
        const auto *cs = (const CREATESTRUCTW *)lParam;
        if (cs && cs->lpszName)
            set_text(hWnd, cs->lpszName);
        return TRUE;
    }
    case WM_NCCALCSIZE:
        if (lParam)
            calc_client(hWnd, (RECT *)lParam);  // rgrc[0] leads NCCALCSIZE_PARAMS too
        return 0;
    case WM_SETTEXT:
        return set_text(hWnd, (LPCWSTR)lParam);
    case WM_GETTEXT: {
        if (!wParam || !lParam)
            return 0;
        user_lock lock(user_mutex());
        window *w = find_window(hWnd);
        auto *out = (WCHAR *)lParam;
        if (!w) {
            out[0] = 0;
            return 0;
        }
        size_t n = std::min(w->text.size(), (size_t)wParam - 1);
        std::copy_n(w->text.data(), n, out);
        out[n] = 0;
        return (LRESULT)n;
    }
    case WM_GETTEXTLENGTH: {
        user_lock lock(user_mutex());
        window *w = find_window(hWnd);
        return w ? (LRESULT)w->text.size() : 0;
    }
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (BeginPaint(hWnd, &ps))
            EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return erase_background(hWnd, (HDC)wParam);
    case WM_NCPAINT:
        return 0;  // non-client areas are not drawn in this layer
    case WM_WINDOWPOSCHANGED: {
        const auto *wp = (const WINDOWPOS *)lParam;
        if (!wp)
            return 0;
        RECT client;
        DWORD style;
        {
            user_lock lock(user_mutex());
            window *w = find_window(hWnd);
            if (!w)
                return 0;
            client = w->client_rect;
            style = w->style;
        }
        if (!(wp->flags & SWP_NOMOVE))
            SendMessageW(hWnd, WM_MOVE, 0, MAKELPARAM(client.left, client.top));
        if (!(wp->flags & SWP_NOSIZE)) {
            WPARAM kind = (style & WS_MINIMIZE) ? SIZE_MINIMIZED : (style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
            SendMessageW(hWnd, WM_SIZE, kind, MAKELPARAM(client.right - client.left, client.bottom - client.top));
        }
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam))
            SetFocus(hWnd);
        return 0;
    case WM_NCACTIVATE:
    case WM_QUERYENDSESSION:
    case WM_QUERYOPEN:
        return TRUE;
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_SETCURSOR:
        return set_cursor(hWnd, (HWND)wParam, LOWORD(lParam), HIWORD(lParam));
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return (LRESULT)win32::default_control_colors((HDC)wParam, Msg);
    }
    return 0;
}

// Text messages convert through the ANSI code page; every other message passes unchanged.
LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    switch (Msg) {
    case WM_SETTEXT: {
        if (!lParam)
            return SendMessageW(hWnd, Msg, wParam, 0);
        int n = MultiByteToWideChar(CP_ACP, 0, (LPCSTR)lParam, -1, nullptr, 0);
        if (n <= 0)
            return FALSE;
        std::vector<WCHAR> wide(n);
        MultiByteToWideChar(CP_ACP, 0, (LPCSTR)lParam, -1, wide.data(), n);
        return SendMessageW(hWnd, Msg, wParam, (LPARAM)wide.data());
    }
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
        LRESULT len = SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0);
        std::vector<WCHAR> wide(len + 1);
        LRESULT got = SendMessageW(hWnd, WM_GETTEXT, wide.size(), (LPARAM)wide.data());
        int bytes = got ? WideCharToMultiByte(CP_ACP, 0, wide.data(), (int)got, nullptr, 0, nullptr, nullptr) : 0;
        if (Msg == WM_GETTEXTLENGTH)
            return bytes;
        if (!wParam || !lParam)
            return 0;
        std::vector<char> narrow(bytes + 1);
        if (bytes)
            WideCharToMultiByte(CP_ACP, 0, wide.data(), (int)got, narrow.data(), bytes, nullptr, nullptr);
        size_t n = std::min((size_t)bytes, (size_t)wParam - 1);
        std::copy_n(narrow.data(), n, (char *)lParam);
        ((char *)lParam)[n] = 0;
        return (LRESULT)n;
    }
    }
    return SendMessageW(hWnd, Msg, wParam, lParam);
}
