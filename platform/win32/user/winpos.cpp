// Window geometry and state: position, size, Z order, visibility, coordinates, enabling, focus and activation.
#include "internal/window.h"

#include <algorithm>

namespace win32 {
namespace {

const int minimized_width = 160;
const int minimized_height = 28;

RECT offset(RECT rc, int dx, int dy)
{
    return {rc.left + dx, rc.top + dy, rc.right + dx, rc.bottom + dy};
}

bool same_rect(const RECT &a, const RECT &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Moves a window within its siblings' Z order. Lock held.
void restack(window *w, HWND after)
{
    window *parent = find_window(w->parent);
    if (!parent || after == w->handle)
        return;  // a window placed after itself stays where it is
    auto &siblings = parent->children;
    if (after == HWND_TOPMOST)
        w->ex_style |= WS_EX_TOPMOST;
    else if (after == HWND_NOTOPMOST)
        w->ex_style &= ~WS_EX_TOPMOST;
    if (after != HWND_TOP && after != HWND_BOTTOM && after != HWND_TOPMOST && after != HWND_NOTOPMOST &&
        std::find(siblings.begin(), siblings.end(), after) == siblings.end())
        return;  // not a sibling: the order stays
    siblings.erase(std::find(siblings.begin(), siblings.end(), w->handle));
    auto pos = siblings.begin();
    if (after == HWND_BOTTOM) {
        pos = siblings.end();
    } else if (after == HWND_TOP || after == HWND_NOTOPMOST) {
        // Topmost windows stay above the others.
        if (!(w->ex_style & WS_EX_TOPMOST))
            while (pos != siblings.end() && (find_window(*pos)->ex_style & WS_EX_TOPMOST))
                ++pos;
    } else if (after != HWND_TOPMOST) {
        pos = std::find(siblings.begin(), siblings.end(), after) + 1;
    }
    siblings.insert(pos, w->handle);
}

UINT activates(int cmd)
{
    return cmd == SW_SHOWNORMAL || cmd == SW_SHOW || cmd == SW_SHOWMAXIMIZED || cmd == SW_RESTORE ||
           cmd == SW_SHOWDEFAULT;
}

// Takes focus away from a window that is hidden or disabled, with the usual WM_KILLFOCUS.
void drop_focus_from(HWND hwnd)
{
    HWND focus = GetFocus();
    if (focus && (focus == hwnd || IsChild(hwnd, focus)))
        SetFocus(nullptr);
}

// A window of the calling thread (a top-level one if asked), or null with Windows' error. Lock held.
window *own_window(HWND hwnd, const thread_queue &queue, bool top_level)
{
    window *w = find_window_or_fail(hwnd);
    if (w && (w->thread_id != queue.thread_id || (top_level && (w->style & WS_CHILD)))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return w;
}

// Moves one point between a window's client area and the screen.
BOOL map_point(HWND hwnd, LPPOINT point, bool to_screen)
{
    if (!point) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (to_screen)
        MapWindowPoints(hwnd, nullptr, point, 1);
    else
        MapWindowPoints(nullptr, hwnd, point, 1);
    return TRUE;
}

}  // namespace
}  // namespace win32

using namespace win32;

BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags)
{
    if (uFlags & ~0x7FFFu) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    {
        user_lock lock(user_mutex());
        window *w = find_window_or_fail(hWnd);
        if (!w)
            return FALSE;
        if (w == desktop_window()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    }
    WINDOWPOS wp = {hWnd, hWndInsertAfter, X, Y, std::max(cx, 0), std::max(cy, 0), uFlags};
    if (!(uFlags & SWP_NOSENDCHANGING))
        SendMessageW(hWnd, WM_WINDOWPOSCHANGING, 0, (LPARAM)&wp);

    RECT old_window, old_client;
    NCCALCSIZE_PARAMS params = {};
    {
        user_lock lock(user_mutex());
        window *w = find_window_or_fail(hWnd);
        if (!w)
            return FALSE;
        old_window = w->window_rect;
        old_client = w->client_rect;
        RECT rc = w->window_rect;
        if (!(wp.flags & SWP_NOMOVE))
            rc = offset(rc, wp.x - rc.left, wp.y - rc.top);
        if (!(wp.flags & SWP_NOSIZE)) {
            rc.right = rc.left + wp.cx;
            rc.bottom = rc.top + wp.cy;
        }
        params.rgrc[0] = rc;
        params.rgrc[1] = old_window;
        params.rgrc[2] = old_client;
        params.lppos = &wp;
    }
    bool recalc = !same_rect(params.rgrc[0], old_window) || (wp.flags & SWP_FRAMECHANGED);
    RECT new_window = params.rgrc[0];
    if (recalc)
        SendMessageW(hWnd, WM_NCCALCSIZE, TRUE, (LPARAM)&params);

    bool hiding = false;
    {
        user_lock lock(user_mutex());
        window *w = find_window_or_fail(hWnd);
        if (!w)
            return FALSE;
        exposure before = before_change(w);
        if (recalc) {
            w->window_rect = new_window;
            w->client_rect = params.rgrc[0];
        }
        if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE)))
            w->normal_rect = w->window_rect;
        if (!(wp.flags & SWP_NOZORDER))
            restack(w, wp.hwndInsertAfter);
        if (wp.flags & SWP_SHOWWINDOW)
            w->style |= WS_VISIBLE;
        else if ((wp.flags & SWP_HIDEWINDOW) && (w->style & WS_VISIBLE)) {
            w->style &= ~WS_VISIBLE;
            hiding = true;
        }
        // Nothing is copied on screen: what the change uncovers or newly shows is painted again.
        after_change(w, before, !(wp.flags & SWP_NOREDRAW));
        // What did not change is reported as such, so WM_MOVE and WM_SIZE follow real changes only.
        if (w->client_rect.left == old_client.left && w->client_rect.top == old_client.top &&
            w->window_rect.left == old_window.left && w->window_rect.top == old_window.top)
            wp.flags |= SWP_NOMOVE;
        if (w->client_rect.right - w->client_rect.left == old_client.right - old_client.left &&
            w->client_rect.bottom - w->client_rect.top == old_client.bottom - old_client.top &&
            w->window_rect.right - w->window_rect.left == old_window.right - old_window.left &&
            w->window_rect.bottom - w->window_rect.top == old_window.bottom - old_window.top)
            wp.flags |= SWP_NOSIZE;
        wp.x = w->window_rect.left;
        wp.y = w->window_rect.top;
        wp.cx = w->window_rect.right - w->window_rect.left;
        wp.cy = w->window_rect.bottom - w->window_rect.top;
        unlock_and_wake(lock);
    }
    if (hiding)
        drop_focus_from(hWnd);
    SendMessageW(hWnd, WM_WINDOWPOSCHANGED, 0, (LPARAM)&wp);
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint)
{
    return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight,
                        SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW));
}

// SW_ commands. Minimized windows sit at Windows' parking place; maximized ones fill the parent.
BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow)
{
    if (nCmdShow < 0 || nCmdShow > SW_MAX) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool was_visible, child, mine;
    RECT target = {};
    UINT swp = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOMOVE;
    {
        user_lock lock(user_mutex());
        window *w = find_window_or_fail(hWnd);
        if (!w)
            return FALSE;
        window *parent = find_window(w->parent);
        if (!parent) {
            SetLastError(ERROR_ACCESS_DENIED);  // the desktop: it has no parent to be placed in
            return FALSE;
        }
        was_visible = (w->style & WS_VISIBLE) != 0;
        child = (w->style & WS_CHILD) != 0;
        mine = w->thread_id == current_thread_id();
        DWORD state = w->style & (WS_MINIMIZE | WS_MAXIMIZE);
        DWORD wanted = state;
        switch (nCmdShow) {
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
        case SW_FORCEMINIMIZE: wanted = WS_MINIMIZE; break;
        case SW_SHOWMAXIMIZED: wanted = WS_MAXIMIZE; break;
        case SW_SHOWNORMAL:
        case SW_RESTORE:
        case SW_SHOWDEFAULT: wanted = 0; break;
        }
        if (wanted != state) {
            if (!state)
                w->normal_rect = w->window_rect;
            w->style = (w->style & ~(WS_MINIMIZE | WS_MAXIMIZE)) | wanted;
            RECT area = {0, 0, parent->client_rect.right - parent->client_rect.left,
                         parent->client_rect.bottom - parent->client_rect.top};
            if (wanted == WS_MAXIMIZE)
                target = area;
            else if (wanted == WS_MINIMIZE)
                target = child ? RECT{0, area.bottom - minimized_height, minimized_width, area.bottom}
                               : RECT{-32000, -32000, -32000 + minimized_width, -32000 + minimized_height};
            else
                target = w->normal_rect;
            swp = SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;
        } else if (nCmdShow == SW_HIDE ? !was_visible : was_visible) {
            return was_visible;  // nothing to change
        }
    }
    bool show = nCmdShow != SW_HIDE;
    if (show != was_visible)
        SendMessageW(hWnd, WM_SHOWWINDOW, show, 0);
    if (!IsWindow(hWnd))
        return was_visible;
    swp |= show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW;
    SetWindowPos(hWnd, nullptr, target.left, target.top, target.right - target.left, target.bottom - target.top, swp);
    if (show && !child && mine && activates(nCmdShow) && IsWindow(hWnd))
        SetActiveWindow(hWnd);
    return was_visible;
}

BOOL WINAPI IsWindowVisible(HWND hWnd)
{
    user_lock lock(user_mutex());
    for (window *w = find_window(hWnd); w; w = find_window(w->parent))
        if (!(w->style & WS_VISIBLE))
            return FALSE;
    return find_window(hWnd) != nullptr;
}

BOOL WINAPI IsIconic(HWND hWnd)
{
    return (GetWindowLongW(hWnd, GWL_STYLE) & WS_MINIMIZE) != 0;
}

BOOL WINAPI IsZoomed(HWND hWnd)
{
    return (GetWindowLongW(hWnd, GWL_STYLE) & WS_MAXIMIZE) != 0;
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hWnd);
    if (!w)
        return FALSE;
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    POINT origin = {0, 0};
    if (window *parent = find_window(w->parent))
        origin = client_origin(parent);
    *lpRect = offset(w->window_rect, origin.x, origin.y);
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hWnd);
    if (!w)
        return FALSE;
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpRect = {0, 0, w->client_rect.right - w->client_rect.left, w->client_rect.bottom - w->client_rect.top};
    return TRUE;
}

int WINAPI MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints)
{
    user_lock lock(user_mutex());
    window *from = hWndFrom ? find_window_or_fail(hWndFrom) : desktop_window();
    window *to = hWndTo ? find_window_or_fail(hWndTo) : desktop_window();
    if (!from || !to)
        return 0;
    POINT a = client_origin(from), b = client_origin(to);
    LONG dx = a.x - b.x, dy = a.y - b.y;
    for (UINT i = 0; lpPoints && i < cPoints; ++i) {
        lpPoints[i].x += dx;
        lpPoints[i].y += dy;
    }
    SetLastError(0);  // a zero offset is not a failure
    return MAKELONG((WORD)(SHORT)dx, (WORD)(SHORT)dy);
}

BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint)
{
    return map_point(hWnd, lpPoint, true);
}

BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint)
{
    return map_point(hWnd, lpPoint, false);
}

BOOL WINAPI GetWindowPlacement(HWND hWnd, WINDOWPLACEMENT *lpwndpl)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hWnd);
    if (!w)
        return FALSE;
    if (!lpwndpl) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    lpwndpl->length = sizeof(WINDOWPLACEMENT);
    lpwndpl->flags = 0;
    lpwndpl->showCmd = (w->style & WS_MINIMIZE)   ? SW_SHOWMINIMIZED
                       : (w->style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED
                                                  : SW_SHOWNORMAL;
    lpwndpl->ptMinPosition = {-1, -1};
    lpwndpl->ptMaxPosition = {-1, -1};
    lpwndpl->rcNormalPosition = (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) ? w->normal_rect : w->window_rect;
    return TRUE;
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable)
{
    bool was_disabled;
    {
        user_lock lock(user_mutex());
        window *w = find_window_or_fail(hWnd);
        if (!w)
            return FALSE;
        was_disabled = (w->style & WS_DISABLED) != 0;
        if (was_disabled == !bEnable)
            return was_disabled;
        if (bEnable)
            w->style &= ~WS_DISABLED;
        else
            w->style |= WS_DISABLED;
    }
    if (!bEnable)
        drop_focus_from(hWnd);
    SendMessageW(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    return was_disabled;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hWnd);
    return w && !(w->style & WS_DISABLED);
}

HWND WINAPI GetFocus(void)
{
    auto queue = current_queue();
    user_lock lock(user_mutex());
    return queue->focus;
}

// Focus belongs to the calling thread's windows; the focused window's top-level window becomes active.
HWND WINAPI SetFocus(HWND hWnd)
{
    auto queue = current_queue();
    HWND old, root = nullptr;
    {
        user_lock lock(user_mutex());
        if (hWnd) {
            window *w = own_window(hWnd, *queue, false);
            if (!w)
                return nullptr;
            if (queue->focus == hWnd)
                return hWnd;
            for (window *r = w; r; r = find_window(r->parent))
                if (r->parent == desktop_window()->handle)
                    root = r->handle;
        }
    }
    // Activation first: its WM_ACTIVATE may itself move the focus, which this call then takes over.
    if (root && root != GetActiveWindow())
        SetActiveWindow(root);
    {
        user_lock lock(user_mutex());
        if (hWnd && !find_window_or_fail(hWnd))
            return nullptr;
        old = queue->focus;
        if (old == hWnd)
            return old;
        queue->focus = hWnd;
    }
    if (old && IsWindow(old))
        SendMessageW(old, WM_KILLFOCUS, (WPARAM)hWnd, 0);
    if (hWnd && IsWindow(hWnd)) {
        user_lock lock(user_mutex());
        if (queue->focus != hWnd)
            return old;  // the WM_KILLFOCUS handler moved the focus elsewhere
        lock.unlock();
        SendMessageW(hWnd, WM_SETFOCUS, (WPARAM)old, 0);
    }
    return old;
}

HWND WINAPI GetActiveWindow(void)
{
    auto queue = current_queue();
    user_lock lock(user_mutex());
    return queue->active;
}

HWND WINAPI SetActiveWindow(HWND hWnd)
{
    auto queue = current_queue();
    HWND old;
    {
        user_lock lock(user_mutex());
        old = queue->active;
        if (hWnd && !own_window(hWnd, *queue, true))
            return nullptr;
        if (old == hWnd)
            return old;
        queue->active = hWnd;
    }
    if (old && IsWindow(old)) {
        SendMessageW(old, WM_NCACTIVATE, FALSE, 0);
        SendMessageW(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), (LPARAM)hWnd);
    }
    if (hWnd && IsWindow(hWnd)) {
        SendMessageW(hWnd, WM_NCACTIVATE, TRUE, 0);
        SendMessageW(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, IsIconic(hWnd)), (LPARAM)old);
    }
    return old;
}
