// Device contexts: memory and display DCs, object selection, attributes, saved states, origins,
// device capabilities and single pixels.
#include "gdi/gdiobj.h"
#include "internal/gdi.h"

#include <algorithm>
#include <climits>

namespace win32 {

HGDIOBJ get_stock(int i);

static std::shared_ptr<bitmap_obj> stock_bitmap()
{
    static std::shared_ptr<bitmap_obj> &bmp = *new std::shared_ptr<bitmap_obj>;
    gdi_lock lock(gdi_mutex());
    if (!bmp) {
        bmp = std::make_shared<bitmap_obj>();
        bmp->type = OBJ_BITMAP;
        bmp->stock = true;
        bmp->width = bmp->height = 1;
        bmp->bpp = 1;
        bmp->stride = 2;
        bmp->storage.assign(2, 0);
        alloc_gdi_handle(bmp);
    }
    return bmp;
}

dc_obj *dc_from_handle(HDC hdc)
{
    auto *dc = gdi_object_as<dc_obj>(hdc);
    if (!dc)
        SetLastError(ERROR_INVALID_HANDLE);
    return dc;
}

// What every new DC starts with: the stock brush, pen, font and palette, and the one-pixel bitmap.
static void init_state(dc_obj &dc)
{
    static dc_state &initial = *new dc_state;
    if (!initial.bitmap.get()) {
        initial.brush = selection(gdi_object_at(get_stock(WHITE_BRUSH)));
        initial.pen = selection(gdi_object_at(get_stock(BLACK_PEN)));
        initial.font = selection(gdi_object_at(get_stock(SYSTEM_FONT)));
        initial.palette = selection(gdi_object_at(get_stock(DEFAULT_PALETTE)));
        initial.bitmap = selection(stock_bitmap().get());
    }
    dc.st = initial;
}

// The device area: the selected bitmap for a memory DC, the visible region for a display DC
// (both in device coordinates).
region device_area(const dc_obj &dc)
{
    if (!dc.display) {
        auto *bmp = dc.st.bitmap.as<bitmap_obj>();
        return bmp ? region(RECT{0, 0, bmp->width, bmp->height}) : region();
    }
    region r = region::combine(dc.visible, region(RECT{0, 0, screen_width, screen_height}), RGN_AND);
    r.offset(-dc.origin.x, -dc.origin.y);
    return r;
}

const region &dc_obj::surface_clip()
{
    if (m_surface_clip_known)
        return m_surface_clip;
    if (display) {
        // The visible region is in screen coordinates already: only the clip region moves.
        region on_screen = region::combine(visible, region(RECT{0, 0, screen_width, screen_height}), RGN_AND);
        if (st.clip) {
            region clip = *st.clip;
            clip.offset(origin.x, origin.y);
            m_surface_clip = region::combine(on_screen, clip, RGN_AND);
        } else {
            m_surface_clip = std::move(on_screen);
        }
    } else {
        region area = device_area(*this);
        m_surface_clip = st.clip ? region::combine(area, *st.clip, RGN_AND) : std::move(area);
    }
    m_surface_clip_known = true;
    return m_surface_clip;
}

region effective_clip(dc_obj &dc)
{
    region r = dc.surface_clip();
    if (dc.display)
        r.offset(-dc.origin.x, -dc.origin.y);
    return r;
}

bool resolve_target(dc_obj &dc, target &out)
{
    out.dc = &dc;
    POINT shift{dc.st.viewport_org.x - dc.st.window_org.x, dc.st.viewport_org.y - dc.st.window_org.y};
    if (dc.display) {
        out.surf = screen_surface();
        shift.x += dc.origin.x;
        shift.y += dc.origin.y;
    } else {
        auto *bmp = dc.st.bitmap.as<bitmap_obj>();
        if (!bmp)
            return false;
        out.surf = bmp->surf();
    }
    out.offset = shift;
    const region &clip = dc.surface_clip();
    out.clip = rect_span{clip.rects.data(), clip.rects.size()};
    return true;
}


static HDC new_dc(std::shared_ptr<dc_obj> dc)
{
    dc->type = dc->display ? OBJ_DC : OBJ_MEMDC;
    init_state(*dc);
    return static_cast<HDC>(alloc_gdi_handle(dc));
}

HDC create_display_dc(HWND hwnd, POINT origin, HRGN visible)
{
    gdi_lock lock(gdi_mutex());
    auto dc = std::make_shared<dc_obj>();
    dc->display = true;
    dc->hwnd = hwnd;
    dc->origin = origin;
    if (auto v = gdi_object_as<region_obj>(visible))
        dc->visible = v->rgn;
    return new_dc(dc);
}

BOOL set_display_dc_area(HDC hdc, POINT origin, HRGN visible)
{
    gdi_lock lock(gdi_mutex());
    auto *dc = gdi_object_as<dc_obj>(hdc);
    if (!dc || !dc->display) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    dc->origin = origin;
    auto *v = gdi_object_as<region_obj>(visible);
    dc->visible = v ? v->rgn : region();
    dc->clip_changed();
    return TRUE;
}

HWND display_dc_window(HDC hdc)
{
    gdi_lock lock(gdi_mutex());
    auto dc = gdi_object_as<dc_obj>(hdc);
    return dc && dc->display ? dc->hwnd : NULL;
}

BOOL delete_display_dc(HDC hdc)
{
    gdi_lock lock(gdi_mutex());
    auto dc = gdi_object_as<dc_obj>(hdc);
    if (!dc || !dc->display) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    free_gdi_handle(hdc);
    return TRUE;
}

}  // namespace win32

using namespace win32;

POINT win32::to_device(const dc_obj &dc, int x, int y)
{
    return POINT{x - dc.st.window_org.x + dc.st.viewport_org.x, y - dc.st.window_org.y + dc.st.viewport_org.y};
}

HDC WINAPI CreateCompatibleDC(HDC hdc)
{
    gdi_lock lock(gdi_mutex());
    if (hdc && !dc_from_handle(hdc))
        return NULL;
    auto dc = std::make_shared<dc_obj>();
    return new_dc(dc);
}

BOOL WINAPI DeleteDC(HDC hdc)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return FALSE;
    if (dc->display) {
        // Display DCs belong to the window manager (ReleaseDC, EndPaint).
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    free_gdi_handle(hdc);
    return TRUE;
}

int WINAPI SaveDC(HDC hdc)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return 0;
    dc->saved.push_back(dc->st);
    return int(dc->saved.size());
}

BOOL WINAPI RestoreDC(HDC hdc, int nSavedDC)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return FALSE;
    int count = int(dc->saved.size());
    int level = nSavedDC < 0 ? count + 1 + nSavedDC : nSavedDC;
    if (nSavedDC == 0 || level < 1 || level > count) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    dc_state st = dc->saved[size_t(level - 1)];
    // A bitmap selected elsewhere since the save cannot come back.
    auto *bmp = st.bitmap.as<bitmap_obj>();
    if (bmp && bmp->dc && bmp->dc != hdc)
        return FALSE;
    dc->saved.resize(size_t(level - 1));
    dc->st = st;
    dc->clip_changed();
    if (bmp && !bmp->stock)
        bmp->dc = hdc;
    return TRUE;
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return NULL;
    auto *obj = gdi_object_at(h);
    if (!obj) {
        SetLastError(ERROR_INVALID_HANDLE);
        return NULL;
    }
    selection *slot = nullptr;
    switch (obj->type) {
    case OBJ_REGION: {
        int kind = SelectClipRgn(hdc, static_cast<HRGN>(h));
        return kind == ERROR ? HGDI_ERROR : reinterpret_cast<HGDIOBJ>(static_cast<INT_PTR>(kind));
    }
    case OBJ_BITMAP: {
        auto *bmp = static_cast<bitmap_obj *>(obj);
        if (dc->display)
            return NULL;
        if (bmp->dc && bmp->dc != hdc)
            return NULL;  // a bitmap lives in one DC at a time
        slot = &dc->st.bitmap;
        HGDIOBJ previous = slot->handle();
        *slot = selection(obj);
        dc->clip_changed();
        if (!bmp->stock)
            bmp->dc = hdc;
        return previous;
    }
    case OBJ_BRUSH: slot = &dc->st.brush; break;
    case OBJ_PEN: slot = &dc->st.pen; break;
    case OBJ_FONT: slot = &dc->st.font; break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    HGDIOBJ previous = slot->handle();
    *slot = selection(obj);
    return previous;
}

HPALETTE WINAPI SelectPalette(HDC hdc, HPALETTE hPal, BOOL bForceBkgd)
{
    (void)bForceBkgd;
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return NULL;
    auto *pal = gdi_object_as<palette_obj>(hPal);
    if (!pal) {
        SetLastError(ERROR_INVALID_HANDLE);
        return NULL;
    }
    HGDIOBJ previous = dc->st.palette.handle();
    dc->st.palette = selection(pal);
    return static_cast<HPALETTE>(previous);
}

// A true-colour device maps no palette entries.
UINT WINAPI RealizePalette(HDC hdc)
{
    gdi_lock lock(gdi_mutex());
    return dc_from_handle(hdc) ? 0 : GDI_ERROR;
}

HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return NULL;
    switch (type) {
    case OBJ_BITMAP: return dc->st.bitmap.handle();
    case OBJ_BRUSH: return dc->st.brush.handle();
    case OBJ_PEN: return dc->st.pen.handle();
    case OBJ_FONT: return dc->st.font.handle();
    case OBJ_PAL: return dc->st.palette.handle();
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
}

int WINAPI GetDeviceCaps(HDC hdc, int index)
{
    gdi_lock lock(gdi_mutex());
    if (!dc_from_handle(hdc))
        return 0;
    switch (index) {
    case DRIVERVERSION: return 0x4000;
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZSIZE: return screen_width * 254 / 960;
    case VERTSIZE: return screen_height * 254 / 960;
    case HORZRES: return screen_width;
    case VERTRES: return screen_height;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMBRUSHES:
    case NUMPENS:
    case NUMCOLORS: return -1;
    case NUMFONTS: return 0;
    case RASTERCAPS:
        return RC_BITBLT | RC_BITMAP64 | RC_GDI20_OUTPUT | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT |
               RC_STRETCHDIB;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case SIZEPALETTE:
    case NUMRESERVED: return 0;
    case COLORRES: return 24;
    default: return 0;
    }
}

#define DC_ATTRIBUTE(get_name, set_name, type, field, invalid, check)   \
    type WINAPI get_name(HDC hdc)                                        \
    {                                                                    \
        gdi_lock lock(gdi_mutex());                                      \
        auto dc = dc_from_handle(hdc);                                   \
        return dc ? type(dc->st.field) : invalid;                       \
    }                                                                    \
    type WINAPI set_name(HDC hdc, type value)                            \
    {                                                                    \
        gdi_lock lock(gdi_mutex());                                      \
        auto dc = dc_from_handle(hdc);                                   \
        if (!dc)                                                         \
            return invalid;                                              \
        if (!(check)) {                                                  \
            SetLastError(ERROR_INVALID_PARAMETER);                       \
            return 0;                                                    \
        }                                                                \
        type previous = type(dc->st.field);                              \
        dc->st.field = value;                                            \
        return previous;                                                 \
    }

DC_ATTRIBUTE(GetBkMode, SetBkMode, int, bk_mode, 0, value == TRANSPARENT || value == OPAQUE)
DC_ATTRIBUTE(GetStretchBltMode, SetStretchBltMode, int, stretch_mode, 0, value >= BLACKONWHITE && value <= HALFTONE)
DC_ATTRIBUTE(GetBkColor, SetBkColor, COLORREF, bk_color, CLR_INVALID, true)
DC_ATTRIBUTE(GetTextColor, SetTextColor, COLORREF, text_color, CLR_INVALID, true)

static BOOL set_origin(HDC hdc, int x, int y, LPPOINT lppt, bool viewport, bool relative)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return FALSE;
    POINT &org = viewport ? dc->st.viewport_org : dc->st.window_org;
    if (lppt)
        *lppt = org;
    if (relative) {
        org.x += x;
        org.y += y;
    } else {
        org = POINT{x, y};
    }
    return TRUE;
}

BOOL WINAPI SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    return set_origin(hdc, x, y, lppt, true, false);
}

BOOL WINAPI OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    return set_origin(hdc, x, y, lppt, true, true);
}

BOOL WINAPI SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    return set_origin(hdc, x, y, lppt, false, false);
}

static BOOL get_origin(HDC hdc, LPPOINT lppt, bool viewport)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc || !lppt)
        return FALSE;
    *lppt = viewport ? dc->st.viewport_org : dc->st.window_org;
    return TRUE;
}

BOOL WINAPI GetViewportOrgEx(HDC hdc, LPPOINT lppoint)
{
    return get_origin(hdc, lppoint, true);
}

static BOOL map_points(HDC hdc, LPPOINT lppt, int c, int sign)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return FALSE;
    POINT d = to_device(*dc, 0, 0);
    for (int i = 0; lppt && i < c; ++i) {
        lppt[i].x += sign * d.x;
        lppt[i].y += sign * d.y;
    }
    return TRUE;
}

BOOL WINAPI LPtoDP(HDC hdc, LPPOINT lppt, int c)
{
    return map_points(hdc, lppt, c, 1);
}

HWND WINAPI WindowFromDC(HDC hDC)
{
    return display_dc_window(hDC);
}

// The DC's target and the surface point of logical (x, y); false when the DC draws nowhere or the
// point lies outside its clip. The caller holds the GDI lock.
static bool clipped_pixel(HDC hdc, int x, int y, target &t, POINT &at)
{
    auto dc = dc_from_handle(hdc);
    if (!dc || !resolve_target(*dc, t))
        return false;
    at = {x + t.offset.x, y + t.offset.y};
    for (const RECT &c : t.clip)
        if (at.x >= c.left && at.x < c.right && at.y >= c.top && at.y < c.bottom)
            return true;
    return false;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y)
{
    gdi_lock lock(gdi_mutex());
    target t;
    POINT at;
    if (!clipped_pixel(hdc, x, y, t, at))
        return CLR_INVALID;
    return colorref_from_pixel(t.surf.get(at.x, at.y));
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    gdi_lock lock(gdi_mutex());
    target t;
    POINT at;
    if (!clipped_pixel(hdc, x, y, t, at))
        return CLR_INVALID;
    DWORD p = pixel_for_surface(t.surf, color);
    t.surf.set(at.x, at.y, p);
    return colorref_from_pixel(p);
}

BOOL WINAPI GdiFlush(void)
{
    return TRUE;
}
