// Filled and outlined shapes: FillRect, FrameRect, FillRgn, Rectangle, and lines drawn
// with the selected pen (solid; wider pens as square dots along the line).
#include "gdi/gdiobj.h"

#include <algorithm>
#include <cstdlib>

using namespace win32;

namespace {

struct drawing {
    dc_obj *dc;
    target t;
    bool ok = false;
    explicit drawing(HDC hdc) : dc(dc_from_handle(hdc)) { ok = dc && resolve_target(*dc, t); }
    RECT to_surface(const RECT &r) const
    {
        RECT s{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right), std::max(r.top, r.bottom)};
        OffsetRect(&s, t.offset.x, t.offset.y);
        return s;
    }
};

// A brush argument may also be a system colour index plus one, as for window classes.
brush_obj *brush_from(HBRUSH hbr)
{
    auto index = reinterpret_cast<uintptr_t>(hbr);
    if (index > 0 && index <= COLOR_MENUBAR + 1)
        hbr = GetSysColorBrush(int(index - 1));
    return gdi_object_as<brush_obj>(hbr);
}

void pen_dot(const drawing &d, int x, int y, int width, DWORD pixel)
{
    int lo = (width - 1) / 2;
    fill_solid_clipped(d.t, RECT{x - lo, y - lo, x - lo + width, y - lo + width}, pixel);
}

// Bresenham from (x0, y0) to (x1, y1) in surface coordinates, the last point excluded.
void line(const drawing &d, int x0, int y0, int x1, int y1)
{
    auto *pen = d.dc->st.pen.as<pen_obj>();
    if (!pen || pen->log.lopnStyle == PS_NULL)
        return;
    int width = std::max(1, int(pen->log.lopnWidth.x));
    DWORD pixel = pixel_for_surface(d.t.surf, pen->log.lopnColor);
    int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (x0 != x1 || y0 != y1) {
        pen_dot(d, x0, y0, width, pixel);
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

}  // namespace

int WINAPI FillRect(HDC hDC, const RECT *lprc, HBRUSH hbr)
{
    gdi_lock lock(gdi_mutex());
    drawing d(hDC);
    auto brush = brush_from(hbr);
    if (!d.ok || !lprc || !brush) {
        if (d.ok)
            SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (lprc->left < lprc->right && lprc->top < lprc->bottom)
        fill_rect_clipped(d.t, d.to_surface(*lprc), brush);
    return 1;
}

int WINAPI FrameRect(HDC hDC, const RECT *lprc, HBRUSH hbr)
{
    gdi_lock lock(gdi_mutex());
    drawing d(hDC);
    auto brush = brush_from(hbr);
    if (!d.ok || !lprc || !brush)
        return 0;
    if (lprc->right < lprc->left || lprc->bottom < lprc->top)
        return 1;
    RECT r = d.to_surface(*lprc);
    fill_rect_clipped(d.t, RECT{r.left, r.top, r.right, r.top + 1}, brush);
    fill_rect_clipped(d.t, RECT{r.left, r.bottom - 1, r.right, r.bottom}, brush);
    fill_rect_clipped(d.t, RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, brush);
    fill_rect_clipped(d.t, RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1}, brush);
    return 1;
}

BOOL WINAPI FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbr)
{
    gdi_lock lock(gdi_mutex());
    drawing d(hdc);
    auto rgn = gdi_object_as<region_obj>(hrgn);
    auto brush = brush_from(hbr);
    if (!d.ok || !rgn || !brush) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    for (RECT r : rgn->rgn.rects) {
        OffsetRect(&r, d.t.offset.x, d.t.offset.y);
        fill_rect_clipped(d.t, r, brush);
    }
    return TRUE;
}

// The outline runs along the inside of right and bottom: a rectangle covers [left, right) x [top, bottom).
BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    gdi_lock lock(gdi_mutex());
    drawing d(hdc);
    if (!d.ok)
        return FALSE;
    RECT r = d.to_surface(RECT{left, top, right, bottom});
    if (r.right - r.left < 2 || r.bottom - r.top < 2)
        return TRUE;
    auto *pen = d.dc->st.pen.as<pen_obj>();
    bool outline = pen && pen->log.lopnStyle != PS_NULL;
    RECT inside = outline ? RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}
                          : RECT{r.left, r.top, r.right - 1, r.bottom - 1};
    fill_rect_clipped(d.t, inside, d.dc->st.brush.as<brush_obj>());
    if (outline) {
        line(d, r.left, r.top, r.right - 1, r.top);
        line(d, r.right - 1, r.top, r.right - 1, r.bottom - 1);
        line(d, r.right - 1, r.bottom - 1, r.left, r.bottom - 1);
        line(d, r.left, r.bottom - 1, r.left, r.top);
    }
    return TRUE;
}

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return FALSE;
    if (lppt)
        *lppt = dc->st.current;
    dc->st.current = POINT{x, y};
    return TRUE;
}

BOOL WINAPI LineTo(HDC hdc, int x, int y)
{
    gdi_lock lock(gdi_mutex());
    drawing d(hdc);
    if (!d.dc)
        return FALSE;
    if (d.ok)
        line(d, d.dc->st.current.x + d.t.offset.x, d.dc->st.current.y + d.t.offset.y, x + d.t.offset.x,
             y + d.t.offset.y);
    d.dc->st.current = POINT{x, y};
    return TRUE;
}
