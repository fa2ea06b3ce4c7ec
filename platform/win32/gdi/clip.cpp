// Clipping: the DC's clip region (device coordinates) and the queries that combine it with the
// device area.
#include "gdi/gdiobj.h"

#include <algorithm>

using namespace win32;

int WINAPI ExtSelectClipRgn(HDC hdc, HRGN hrgn, int mode)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return ERROR;
    if (mode < RGN_AND || mode > RGN_COPY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return ERROR;
    }
    if (!hrgn) {
        if (mode != RGN_COPY) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return ERROR;
        }
        dc->st.clip.reset();
    } else {
        auto r = gdi_object_as<region_obj>(hrgn);
        if (!r) {
            SetLastError(ERROR_INVALID_HANDLE);
            return ERROR;
        }
        if (mode == RGN_COPY) {
            dc->st.clip = r->rgn;
        } else {
            region current = dc->st.clip ? *dc->st.clip : device_area(*dc);
            dc->st.clip = region::combine(current, r->rgn, mode);
        }
    }
    dc->clip_changed();
    return dc->surface_clip().kind();
}

int WINAPI SelectClipRgn(HDC hdc, HRGN hrgn)
{
    return ExtSelectClipRgn(hdc, hrgn, RGN_COPY);
}

int WINAPI GetClipBox(HDC hdc, LPRECT lprect)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc || !lprect)
        return ERROR;
    const region &r = dc->surface_clip();
    RECT box = r.box();
    POINT d = to_device(*dc, 0, 0);
    if (dc->display) {
        d.x += dc->origin.x;
        d.y += dc->origin.y;
    }
    if (r.kind() != NULLREGION)
        OffsetRect(&box, -d.x, -d.y);
    *lprect = box;
    return r.kind();
}

static int clip_with_rect(HDC hdc, int left, int top, int right, int bottom, int mode)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return ERROR;
    POINT a = to_device(*dc, left, top), b = to_device(*dc, right, bottom);
    region rect(RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)});
    region current = dc->st.clip ? *dc->st.clip : device_area(*dc);
    dc->st.clip = region::combine(current, rect, mode);
    dc->clip_changed();
    return dc->surface_clip().kind();
}

int WINAPI IntersectClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    return clip_with_rect(hdc, left, top, right, bottom, RGN_AND);
}

int WINAPI ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    return clip_with_rect(hdc, left, top, right, bottom, RGN_DIFF);
}

BOOL WINAPI PtVisible(HDC hdc, int x, int y)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return -1;
    POINT d = to_device(*dc, x, y);
    return effective_clip(*dc).contains(d.x, d.y);
}

BOOL WINAPI RectVisible(HDC hdc, const RECT *lprect)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc || !lprect)
        return FALSE;
    POINT a = to_device(*dc, lprect->left, lprect->top), b = to_device(*dc, lprect->right, lprect->bottom);
    RECT r{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    return effective_clip(*dc).intersects(r);
}

