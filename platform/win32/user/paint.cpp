// Painting: window and screen DCs, update regions, WM_PAINT and WM_ERASEBKGND, and repainting what
// moving, sizing, showing and hiding windows uncover.
#include "internal/gdi.h"
#include "internal/wait.h"
#include "internal/window.h"

#include "internal/owners.h"

#include <cstring>

namespace win32 {
namespace {

bool wake_pending = false;  // painting became due for some thread since the last unlock_and_wake

// A new empty region, owned.
unique_hrgn empty_region()
{
    return unique_hrgn(CreateRectRgn(0, 0, 0, 0));
}

bool empty(HRGN rgn)
{
    RECT box;
    return !rgn || GetRgnBox(rgn, &box) <= NULLREGION;
}

RECT client_box(const window *w)
{
    return {0, 0, w->client_rect.right - w->client_rect.left, w->client_rect.bottom - w->client_rect.top};
}

bool shown(const window *w)
{
    for (; w; w = find_window(w->parent))
        if (!(w->style & WS_VISIBLE))
            return false;
    return true;
}

bool needs_paint(const window *w)
{
    return w->update || w->internal_paint;
}

void drop_update(window *w)
{
    if (w->update)
        DeleteObject(w->update);
    w->update = nullptr;
    w->erase = false;
}

// A new region that copies `rgn`, owned.
unique_hrgn copy_of(HRGN rgn)
{
    unique_hrgn copy = empty_region();
    CombineRgn(copy.get(), rgn, nullptr, RGN_COPY);
    return copy;
}

// Adds to or takes from the update regions of a window and, as RDW_ flags say, its children.
// `rgn` is in the window's client coordinates; NULL means the whole client area. Lock held.
void redraw(window *w, HRGN rgn, UINT flags)
{
    RECT box = ordered_rect(client_box(w));
    // The whole client area needs no region of its own until one is asked for: invalidating a
    // window is done on every animation frame.
    unique_hrgn area;
    if (rgn) {
        area.reset(CreateRectRgnIndirect(&box));
        CombineRgn(area.get(), area.get(), rgn, RGN_AND);
    }
    bool nothing = rgn ? empty(area.get()) : IsRectEmpty(&box) != FALSE;
    auto area_region = [&] {
        if (!area)
            area.reset(CreateRectRgnIndirect(&box));
        return area.get();
    };
    if (flags & RDW_INVALIDATE) {
        // A hidden window gathers nothing: showing it invalidates all of it anyway. The desktop
        // is painted where it is uncovered, never through its own update region.
        if (shown(w) && w != desktop_window() && !nothing) {
            if (!w->update)
                w->update = (rgn ? copy_of(area.get()) : unique_hrgn(CreateRectRgnIndirect(&box))).release();
            else
                CombineRgn(w->update, w->update, area_region(), RGN_OR);
            if (flags & RDW_ERASE)
                w->erase = true;
            if (w->queue)
                w->queue->wake.notify_all();
            wake_pending = true;
        }
    } else if (flags & RDW_VALIDATE) {
        if (w->update) {
            CombineRgn(w->update, w->update, area_region(), RGN_DIFF);
            if (empty(w->update))
                drop_update(w);
        }
        if (flags & RDW_NOERASE)
            w->erase = false;
    }
    if ((flags & RDW_INTERNALPAINT) && w != desktop_window()) {
        w->internal_paint = true;
        if (w->queue)
            w->queue->wake.notify_all();
        wake_pending = true;
    } else if (flags & RDW_NOINTERNALPAINT) {
        w->internal_paint = false;
    }
    bool children = (flags & RDW_ALLCHILDREN) || (!(flags & RDW_NOCHILDREN) && !(w->style & WS_CLIPCHILDREN));
    if (!children || nothing || w->children.empty())
        return;
    for (HWND h : std::vector<HWND>(w->children)) {
        window *c = find_window(h);
        if (!c || !(c->style & WS_VISIBLE))
            continue;
        unique_hrgn sub = copy_of(area_region());
        OffsetRgn(sub.get(), -c->client_rect.left, -c->client_rect.top);
        redraw(c, sub.get(), flags & ~RDW_INTERNALPAINT);
    }
}

// The desktop has nobody to paint it: what is uncovered of it is filled at once with its colour,
// black, as the screen started.
void paint_desktop(HRGN area)
{
    window *desktop = desktop_window();
    unique_hrgn clip(visible_region(desktop, true, true));
    CombineRgn(clip.get(), clip.get(), area, RGN_AND);
    RECT box;
    if (GetRgnBox(clip.get(), &box) <= NULLREGION)
        return;
    HDC hdc = create_display_dc(nullptr, {0, 0}, clip.get());
    if (!hdc)
        return;
    PatBlt(hdc, box.left, box.top, box.right - box.left, box.bottom - box.top, BLACKNESS);
    delete_display_dc(hdc);
}

// Invalidates `area` (screen coordinates) in `parent`'s client area and in every descendant there.
void invalidate_screen(window *parent, HRGN area)
{
    if (empty(area))
        return;
    unique_hrgn local = copy_of(area);
    POINT origin = client_origin(parent);
    OffsetRgn(local.get(), -origin.x, -origin.y);
    redraw(parent, local.get(), RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    if (parent == desktop_window())
        paint_desktop(area);
}

// Same-thread windows get their WM_PAINT now, then their children, as RDW_UPDATENOW asks.
void update_now(HWND hwnd, bool children)
{
    bool paint;
    std::vector<HWND> kids;
    {
        user_lock lock(user_mutex());
        window *w = find_window(hwnd);
        if (!w)
            return;
        paint = needs_paint(w) && shown(w) && w->proc;
        if (children)
            kids = w->children;
    }
    if (paint)
        SendMessageW(hwnd, WM_PAINT, 0, 0);
    for (HWND kid : kids)
        update_now(kid, true);
}

// Sends WM_ERASEBKGND now for a window whose update region still wants erasing, with a DC that
// covers that region. The erase is done once the window says it erased.
void erase_now(HWND hwnd)
{
    HDC hdc;
    {
        user_lock lock(user_mutex());
        window *w = find_window(hwnd);
        if (!w || !w->update || !w->erase)
            return;
        unique_hrgn clip(visible_region(w, true, (w->style & WS_CLIPCHILDREN) != 0));
        unique_hrgn update = copy_of(w->update);
        POINT origin = client_origin(w);
        OffsetRgn(update.get(), origin.x, origin.y);
        CombineRgn(clip.get(), clip.get(), update.get(), RGN_AND);
        hdc = create_display_dc(hwnd, origin, clip.get());
    }
    if (!hdc)
        return;
    LRESULT erased = SendMessageW(hwnd, WM_ERASEBKGND, (WPARAM)hdc, 0);
    delete_display_dc(hdc);
    if (erased) {
        user_lock lock(user_mutex());
        if (window *w = find_window(hwnd))
            w->erase = false;
    }
}

window *first_to_paint(window *parent, DWORD thread_id, HWND filter)
{
    for (HWND h : parent->children) {
        window *c = find_window(h);
        if (!c || !(c->style & WS_VISIBLE))
            continue;
        if (c->thread_id == thread_id && needs_paint(c) && hwnd_matches(filter, c->handle))
            return c;
        if (window *found = first_to_paint(c, thread_id, filter))
            return found;
    }
    return nullptr;
}

// A DC for a window's client area or whole rectangle, or the screen's for NULL and the desktop.
HDC window_dc(HWND hwnd, bool whole)
{
    user_lock lock(user_mutex());
    window *w = hwnd ? find_window_or_fail(hwnd) : desktop_window();
    if (!w)
        return nullptr;
    if (w == desktop_window()) {
        unique_hrgn all(CreateRectRgn(0, 0, screen_width, screen_height));
        lock.unlock();
        return create_display_dc(nullptr, {0, 0}, all.get());
    }
    POINT origin = client_origin(w);
    if (whole) {
        origin.x += w->window_rect.left - w->client_rect.left;
        origin.y += w->window_rect.top - w->client_rect.top;
    }
    unique_hrgn clip(visible_region(w, !whole, (w->style & WS_CLIPCHILDREN) != 0));
    lock.unlock();
    return create_display_dc(hwnd, origin, clip.get());
}


const UINT known_rdw = RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_VALIDATE | RDW_NOINTERNALPAINT |
                       RDW_NOERASE | RDW_NOCHILDREN | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_ERASENOW |
                       RDW_FRAME | RDW_NOFRAME;

}  // namespace

bool paint_message(const thread_queue &q, HWND filter, MSG *msg)
{
    window *w = first_to_paint(desktop_window(), q.thread_id, filter);
    if (!w)
        return false;
    *msg = {w->handle, WM_PAINT, 0, 0, tick_count(), cursor_position};
    return true;
}

bool paint_pending(DWORD thread_id)
{
    return first_to_paint(desktop_window(), thread_id, nullptr) != nullptr;
}

void release_window_paint(window *w)
{
    drop_update(w);
    w->internal_paint = false;
}

exposure before_change(const window *w)
{
    exposure e;
    e.visible = visible_region(w, false, false);
    e.origin = client_origin(w);
    RECT box = client_box(w);
    e.size = {box.right, box.bottom};
    return e;
}

void after_change(window *w, exposure &before, bool redraw_all, window *old_parent)
{
    unique_hrgn old_visible(before.visible);
    before.visible = nullptr;
    if (!redraw_all || !old_visible.get())
        return;
    unique_hrgn now(visible_region(w, false, false));
    POINT origin = client_origin(w);
    RECT box = client_box(w);
    bool moved = origin.x != before.origin.x || origin.y != before.origin.y;
    UINT cls_style = w->cls ? w->cls->style : 0;
    bool resized_redraw = ((cls_style & CS_HREDRAW) && box.right != before.size.cx) ||
                          ((cls_style & CS_VREDRAW) && box.bottom != before.size.cy);
    // What the window no longer covers belongs to whatever lies below it now.
    unique_hrgn uncovered = empty_region();
    CombineRgn(uncovered.get(), old_visible.get(), now.get(), RGN_DIFF);
    if (window *parent = old_parent ? old_parent : find_window(w->parent))
        invalidate_screen(parent, uncovered.get());
    // What the window shows now: all of it after a move, else what it did not show before.
    unique_hrgn exposed = copy_of(now.get());
    if (!moved && !resized_redraw)
        CombineRgn(exposed.get(), now.get(), old_visible.get(), RGN_DIFF);
    if (!empty(exposed.get())) {
        OffsetRgn(exposed.get(), -origin.x, -origin.y);
        redraw(w, exposed.get(), RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
}

void unlock_and_wake(user_lock &lock)
{
    bool wake = wake_pending;
    wake_pending = false;
    lock.unlock();
    if (wake)
        notify_waiters();
}

}  // namespace win32

using namespace win32;

HDC WINAPI GetDC(HWND hWnd)
{
    return window_dc(hWnd, false);
}

HDC WINAPI GetWindowDC(HWND hWnd)
{
    return window_dc(hWnd, true);
}

int WINAPI ReleaseDC(HWND hWnd, HDC hDC)
{
    (void)hWnd;  // the DC knows its window
    return delete_display_dc(hDC) ? 1 : 0;
}

// Validates the window and hands out a DC clipped to what was invalid and is visible. Non-client
// areas are not drawn in this layer, so no WM_NCPAINT is sent.
HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint)
{
    if (!lpPaint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HDC hdc;
    bool erase;
    RECT paint = {};
    {
        user_lock lock(user_mutex());
        window *w = find_window_or_fail(hWnd);
        if (!w)
            return nullptr;
        unique_hrgn update(w->update);
        w->update = nullptr;
        erase = w->erase;
        w->erase = false;
        w->internal_paint = false;
        unique_hrgn clip(visible_region(w, true, (w->style & WS_CLIPCHILDREN) != 0));
        POINT origin = client_origin(w);
        if (update.get()) {
            GetRgnBox(update.get(), &paint);
            OffsetRgn(update.get(), origin.x, origin.y);
            CombineRgn(clip.get(), clip.get(), update.get(), RGN_AND);
        } else {
            SetRectRgn(clip.get(), 0, 0, 0, 0);
        }
        lock.unlock();
        hdc = create_display_dc(hWnd, origin, clip.get());
    }
    memset(lpPaint, 0, sizeof *lpPaint);
    lpPaint->hdc = hdc;
    lpPaint->rcPaint = paint;
    // fErase tells the painter the background is still to be done: WM_ERASEBKGND did not do it.
    if (erase && hdc)
        lpPaint->fErase = SendMessageW(hWnd, WM_ERASEBKGND, (WPARAM)hdc, 0) ? FALSE : TRUE;
    return hdc;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT *lpPaint)
{
    (void)hWnd;
    if (lpPaint && lpPaint->hdc)
        delete_display_dc(lpPaint->hdc);
    return TRUE;
}

// Frame flags are accepted and do nothing more: non-client areas are not drawn in this layer.
BOOL WINAPI RedrawWindow(HWND hWnd, const RECT *lprcUpdate, HRGN hrgnUpdate, UINT flags)
{
    if (flags & ~known_rdw) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    {
        user_lock lock(user_mutex());
        window *w = hWnd ? find_window_or_fail(hWnd) : desktop_window();
        if (!w)
            return FALSE;
        unique_hrgn area;
        if (hrgnUpdate) {
            area = copy_of(hrgnUpdate);
        } else if (lprcUpdate) {
            area.reset(CreateRectRgnIndirect(lprcUpdate));
        }
        if (flags & (RDW_INVALIDATE | RDW_VALIDATE | RDW_INTERNALPAINT | RDW_NOINTERNALPAINT | RDW_NOERASE))
            redraw(w, area.get(), flags);
        if (w == desktop_window() && (flags & RDW_INVALIDATE) && (flags & RDW_ERASE)) {
            unique_hrgn screen(CreateRectRgn(0, 0, screen_width, screen_height));
            paint_desktop(area.get() ? area.get() : screen.get());
        }
        unlock_and_wake(lock);
    }
    if (flags & RDW_ERASENOW)
        erase_now(hWnd);
    if (flags & RDW_UPDATENOW)
        update_now(hWnd ? hWnd : GetDesktopWindow(), (flags & RDW_ALLCHILDREN) != 0 || !(flags & RDW_NOCHILDREN));
    return TRUE;
}

// Invalidating a window also invalidates the children it does not clip, so that whatever the
// parent paints over them is painted over again by them. NULL means every window.
BOOL WINAPI InvalidateRect(HWND hWnd, const RECT *lpRect, BOOL bErase)
{
    UINT flags = RDW_INVALIDATE | (bErase ? RDW_ERASE : 0);
    if (!hWnd)
        return RedrawWindow(nullptr, lpRect, nullptr, flags | RDW_ERASE | RDW_ALLCHILDREN);
    return RedrawWindow(hWnd, lpRect, nullptr, flags);
}

BOOL WINAPI InvalidateRgn(HWND hWnd, HRGN hRgn, BOOL bErase)
{
    UINT flags = RDW_INVALIDATE | (bErase ? RDW_ERASE : 0);
    if (!hWnd)
        return RedrawWindow(nullptr, nullptr, hRgn, flags | RDW_ERASE | RDW_ALLCHILDREN);
    return RedrawWindow(hWnd, nullptr, hRgn, flags);
}

// Validation touches the window alone: a child keeps what it has to paint.
BOOL WINAPI ValidateRect(HWND hWnd, const RECT *lpRect)
{
    if (!hWnd)
        return InvalidateRect(nullptr, lpRect, TRUE);  // what Windows does for NULL
    return RedrawWindow(hWnd, lpRect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL WINAPI ValidateRgn(HWND hWnd, HRGN hRgn)
{
    if (!hWnd)
        return InvalidateRgn(nullptr, hRgn, TRUE);
    return RedrawWindow(hWnd, nullptr, hRgn, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL WINAPI GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase)
{
    bool any;
    {
        user_lock lock(user_mutex());
        window *w = find_window_or_fail(hWnd);
        if (!w)
            return FALSE;
        RECT box = {};
        any = w->update && GetRgnBox(w->update, &box) > NULLREGION;
        if (lpRect)
            *lpRect = box;
    }
    if (any && bErase)
        erase_now(hWnd);
    return any;
}

int WINAPI GetUpdateRgn(HWND hWnd, HRGN hRgn, BOOL bErase)
{
    int kind;
    {
        user_lock lock(user_mutex());
        window *w = find_window_or_fail(hWnd);
        if (!w)
            return ERROR;
        kind = w->update ? CombineRgn(hRgn, w->update, nullptr, RGN_COPY)
                         : (SetRectRgn(hRgn, 0, 0, 0, 0) ? NULLREGION : ERROR);
    }
    if (kind > NULLREGION && bErase)
        erase_now(hWnd);
    return kind;
}

BOOL WINAPI UpdateWindow(HWND hWnd)
{
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return RedrawWindow(hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}
