// Device contexts: memory and display DCs, the virtual screen, object selection, attributes,
// saved states, clipping and device capabilities.
#include "gdi/gdiobj.h"
#include "internal/gdi.h"
#include "internal/window.h"

#include <algorithm>
#include <climits>

namespace win32 {

HGDIOBJ get_stock(int i);

DWORD surface::get(int x, int y) const
{
    const BYTE *p = row(y);
    switch (bpp) {
    case 32: return reinterpret_cast<const DWORD *>(p)[x] & 0xFFFFFF;
    case 24: p += x * 3; return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16;
    default: return (p[x >> 3] >> (7 - (x & 7))) & 1 ? 0xFFFFFF : 0;
    }
}

void surface::set(int x, int y, DWORD rgb) const
{
    BYTE *p = row(y);
    switch (bpp) {
    case 32: reinterpret_cast<DWORD *>(p)[x] = rgb & 0xFFFFFF; break;
    case 24: p += x * 3; p[0] = BYTE(rgb); p[1] = BYTE(rgb >> 8); p[2] = BYTE(rgb >> 16); break;
    default:
        if (rgb & 1)
            p[x >> 3] |= BYTE(0x80 >> (x & 7));
        else
            p[x >> 3] &= BYTE(~(0x80 >> (x & 7)));
    }
}

surface bitmap_obj::surf()
{
    surface s;
    s.width = width;
    s.height = height;
    s.bpp = bpp;
    s.stride = stride;
    s.bits = storage.data();
    if (dib && !top_down && height > 0) {
        s.bits = storage.data() + ptrdiff_t(height - 1) * stride;
        s.stride = -ptrdiff_t(stride);
    }
    return s;
}

surface screen_surface()
{
    // Never destroyed: DCs and bitmaps may still be released by other libraries' exit-time code.
    static std::vector<DWORD> &pixels = *new std::vector<DWORD>(size_t(screen_width) * screen_height, 0);
    surface s;
    s.bits = reinterpret_cast<BYTE *>(pixels.data());
    s.width = screen_width;
    s.height = screen_height;
    s.stride = ptrdiff_t(screen_width) * 4;
    s.bpp = 32;
    return s;
}

// The 1x1 monochrome bitmap every memory DC starts with.
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

std::shared_ptr<dc_obj> dc_from_handle(HDC hdc)
{
    auto dc = gdi_object_as<dc_obj>(hdc);
    if (!dc)
        SetLastError(ERROR_INVALID_HANDLE);
    return dc;
}

static void init_state(dc_obj &dc)
{
    dc.st.brush = selection(gdi_object_from_handle(get_stock(WHITE_BRUSH)));
    dc.st.pen = selection(gdi_object_from_handle(get_stock(BLACK_PEN)));
    dc.st.font = selection(gdi_object_from_handle(get_stock(SYSTEM_FONT)));
    dc.st.palette = selection(gdi_object_from_handle(get_stock(DEFAULT_PALETTE)));
    dc.st.bitmap = selection(stock_bitmap());
}

// The device area: the selected bitmap for a memory DC, the visible region for a display DC
// (both in device coordinates).
static region device_area(const dc_obj &dc)
{
    if (!dc.display) {
        auto *bmp = dc.st.bitmap.as<bitmap_obj>();
        return bmp ? region(RECT{0, 0, bmp->width, bmp->height}) : region();
    }
    region r = region::combine(dc.visible, region(RECT{0, 0, screen_width, screen_height}), RGN_AND);
    r.offset(-dc.origin.x, -dc.origin.y);
    return r;
}

static region effective_clip(const dc_obj &dc)
{
    region area = device_area(dc);
    return dc.st.clip ? region::combine(area, *dc.st.clip, RGN_AND) : area;
}

bool resolve_target(dc_obj &dc, target &out)
{
    out.dc = &dc;
    POINT shift{dc.st.viewport_org.x - dc.st.window_org.x, dc.st.viewport_org.y - dc.st.window_org.y};
    region clip = effective_clip(dc);
    if (dc.display) {
        out.surf = screen_surface();
        shift.x += dc.origin.x;
        shift.y += dc.origin.y;
        clip.offset(dc.origin.x, dc.origin.y);
    } else {
        auto *bmp = dc.st.bitmap.as<bitmap_obj>();
        if (!bmp)
            return false;
        out.surf = bmp->surf();
    }
    out.offset = shift;
    out.clip = std::move(clip.rects);
    return true;
}

static DWORD rop3(BYTE code, DWORD p, DWORD s, DWORD d)
{
    DWORD r = 0;
    for (int i = 0; i < 8; ++i)
        if (code & (1 << i))
            r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    return r & 0xFFFFFF;
}

DWORD raster_op(DWORD rop, DWORD p, DWORD s, DWORD d)
{
    return rop3(BYTE(rop >> 16), p, s, d);
}

void fill_solid_clipped(const target &t, RECT r, DWORD pixel)
{
    for (const RECT &c : t.clip) {
        RECT f = intersect(r, c);
        if (empty(f))
            continue;
        for (int y = f.top; y < f.bottom; ++y) {
            if (t.surf.bpp == 32) {
                DWORD *row = reinterpret_cast<DWORD *>(t.surf.row(y));
                std::fill(row + f.left, row + f.right, pixel);
            } else {
                for (int x = f.left; x < f.right; ++x)
                    t.surf.set(x, y, pixel);
            }
        }
    }
}

// Pattern brushes line up with device (0, 0).
static DWORD brush_pixel(const target &t, brush_obj *brush, int x, int y)
{
    surface ps = brush->pattern->surf();
    POINT org = t.dc && t.dc->display ? t.dc->origin : POINT{0, 0};
    int px = ((x - org.x) % ps.width + ps.width) % ps.width;
    int py = ((y - org.y) % ps.height + ps.height) % ps.height;
    DWORD v = ps.get(px, py);
    if (ps.bpp == 1 && t.dc)  // a monochrome pattern takes the text and background colours
        v = pixel_from_colorref(v ? t.dc->st.bk_color : t.dc->st.text_color);
    return t.surf.bpp == 1 ? pixel_for_surface(t.surf, colorref_from_pixel(v)) : v;
}

void fill_rect_clipped(const target &t, const RECT &r, brush_obj *brush)
{
    if (!brush || brush->log.lbStyle == BS_NULL)
        return;
    if (brush->log.lbStyle != BS_PATTERN || !brush->pattern) {
        fill_solid_clipped(t, r, pixel_for_surface(t.surf, brush->log.lbColor));
        return;
    }
    for (const RECT &c : t.clip) {
        RECT f = intersect(r, c);
        for (int y = f.top; y < f.bottom; ++y)
            for (int x = f.left; x < f.right; ++x)
                t.surf.set(x, y, brush_pixel(t, brush, x, y));
    }
}

DWORD pattern_pixel(const target &t, brush_obj *brush, int x, int y)
{
    if (!brush || brush->log.lbStyle == BS_NULL)
        return 0;
    if (brush->log.lbStyle == BS_PATTERN && brush->pattern)
        return brush_pixel(t, brush, x, y);
    return pixel_for_surface(t.surf, brush->log.lbColor);
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
    auto dc = gdi_object_as<dc_obj>(hdc);
    if (!dc || !dc->display) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    dc->origin = origin;
    auto v = gdi_object_as<region_obj>(visible);
    dc->visible = v ? v->rgn : region();
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

static POINT to_device(const dc_obj &dc, int x, int y)
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
    if (bmp && !bmp->stock)
        bmp->dc = hdc;
    return TRUE;
}

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
    return effective_clip(*dc).kind();
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
    region r = effective_clip(*dc);
    RECT box = r.box();
    POINT d = to_device(*dc, 0, 0);
    if (r.kind() != NULLREGION)
        OffsetRect(&box, -d.x, -d.y);
    *lprect = box;
    return r.kind();
}

int WINAPI GetClipRgn(HDC hdc, HRGN hrgn)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return -1;
    auto r = gdi_object_as<region_obj>(hrgn);
    if (!r) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    if (!dc->st.clip)
        return 0;
    r->rgn = *dc->st.clip;
    return 1;
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
    return effective_clip(*dc).kind();
}

int WINAPI IntersectClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    return clip_with_rect(hdc, left, top, right, bottom, RGN_AND);
}

int WINAPI ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    return clip_with_rect(hdc, left, top, right, bottom, RGN_DIFF);
}

int WINAPI OffsetClipRgn(HDC hdc, int x, int y)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return ERROR;
    if (dc->st.clip)
        dc->st.clip->offset(x, y);
    return effective_clip(*dc).kind();
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

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return NULL;
    auto obj = gdi_object_from_handle(h);
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
        auto *bmp = static_cast<bitmap_obj *>(obj.get());
        if (dc->display)
            return NULL;
        if (bmp->dc && bmp->dc != hdc)
            return NULL;  // a bitmap lives in one DC at a time
        slot = &dc->st.bitmap;
        HGDIOBJ previous = slot->handle();
        *slot = selection(obj);
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
    auto pal = gdi_object_as<palette_obj>(hPal);
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

BOOL WINAPI GetWindowOrgEx(HDC hdc, LPPOINT lppoint)
{
    return get_origin(hdc, lppoint, false);
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

BOOL WINAPI DPtoLP(HDC hdc, LPPOINT lppt, int c)
{
    return map_points(hdc, lppt, c, -1);
}

BOOL WINAPI GetDCOrgEx(HDC hdc, LPPOINT lppt)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc || !lppt)
        return FALSE;
    *lppt = dc->display ? dc->origin : POINT{0, 0};
    return TRUE;
}

HWND WINAPI WindowFromDC(HDC hDC)
{
    return display_dc_window(hDC);
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    target t;
    if (!dc || !resolve_target(*dc, t))
        return CLR_INVALID;
    int sx = x + t.offset.x, sy = y + t.offset.y;
    for (const RECT &c : t.clip)
        if (sx >= c.left && sx < c.right && sy >= c.top && sy < c.bottom)
            return colorref_from_pixel(t.surf.get(sx, sy));
    return CLR_INVALID;
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    target t;
    if (!dc || !resolve_target(*dc, t))
        return CLR_INVALID;
    int sx = x + t.offset.x, sy = y + t.offset.y;
    for (const RECT &c : t.clip) {
        if (sx >= c.left && sx < c.right && sy >= c.top && sy < c.bottom) {
            DWORD p = pixel_for_surface(t.surf, color);
            t.surf.set(sx, sy, p);
            return colorref_from_pixel(p);
        }
    }
    return CLR_INVALID;
}

BOOL WINAPI GdiFlush(void)
{
    return TRUE;
}
