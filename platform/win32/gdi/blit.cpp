// Block transfers: BitBlt, StretchBlt, PatBlt, AlphaBlend, TransparentBlt, StretchDIBits and
// SetDIBitsToDevice, clipped to the destination's clip and the source's surface.
#include "gdi/gdiobj.h"

#include <algorithm>
#include <cstring>

using namespace win32;

namespace {

bool uses_source(DWORD rop)
{
    return ((rop >> 2) ^ rop) & 0x330000;
}

bool uses_pattern(DWORD rop)
{
    return ((rop >> 4) ^ rop) & 0x0F0000;
}

// Converts a source pixel for the destination: monochrome to colour takes the destination's text
// colour for black and background colour for white; colour to monochrome makes the source's
// background colour white and everything else black.
struct converter {
    int src_bpp = 32, dst_bpp = 32;
    DWORD fg = 0, bg = 0xFFFFFF, src_bk = 0xFFFFFF;
    DWORD operator()(DWORD s) const
    {
        if (src_bpp == 1 && dst_bpp != 1)
            return s ? bg : fg;
        if (src_bpp != 1 && dst_bpp == 1)
            return s == src_bk ? 0xFFFFFF : 0;
        return s;
    }
};

converter make_converter(const target &dst, const target &src)
{
    converter c;
    c.src_bpp = src.surf.bpp;
    c.dst_bpp = dst.surf.bpp;
    c.fg = pixel_from_colorref(dst.dc->st.text_color);
    c.bg = pixel_from_colorref(dst.dc->st.bk_color);
    c.src_bk = pixel_from_colorref(src.dc->st.bk_color);
    return c;
}

struct blit_setup {
    dc_obj *dst_dc = nullptr, *src_dc = nullptr;
    target dst, src;
};

bool setup(HDC hdcDest, HDC hdcSrc, bool need_source, blit_setup &b)
{
    b.dst_dc = dc_from_handle(hdcDest);
    if (!b.dst_dc || !resolve_target(*b.dst_dc, b.dst))
        return false;
    if (!need_source)
        return true;
    b.src_dc = hdcSrc ? dc_from_handle(hdcSrc) : nullptr;
    if (!b.src_dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return resolve_target(*b.src_dc, b.src);
}

// The first pixel a span covers. A negative extent counts back from the pixel after its origin, as
// on Windows: x = 4, width -4 covers pixels 1 to 4.
int span_start(int origin, int extent) { return extent < 0 ? origin + extent + 1 : origin; }

// The general stretching transfer. Destination and source rectangles are in surface coordinates;
// negative extents mirror. Each destination pixel takes its nearest source pixel; those whose
// source pixel lies outside the source surface are left alone.
template <class Pixel>
void stretch(const target &dst, int dx, int dy, int dw, int dh, const surface *src, int sx, int sy, int sw, int sh,
             Pixel pixel)
{
    RECT area{span_start(dx, dw), span_start(dy, dh), span_start(dx, dw) + std::abs(dw),
              span_start(dy, dh) + std::abs(dh)};
    int adw = area.right - area.left, adh = area.bottom - area.top;
    bool mirror_x = (dw < 0) != (sw < 0), mirror_y = (dh < 0) != (sh < 0);
    int asw = std::abs(sw), ash = std::abs(sh);
    int src_left = span_start(sx, sw), src_top = span_start(sy, sh);
    std::vector<int> col(size_t(adw > 0 ? adw : 0));
    for (int i = 0; i < adw; ++i) {
        int k = int(int64_t(i) * asw / adw);
        col[size_t(i)] = src_left + (mirror_x ? asw - 1 - k : k);
    }
    for (const RECT &c : dst.clip) {
        RECT f = intersect(area, c);
        for (int y = f.top; y < f.bottom; ++y) {
            int k = int(int64_t(y - area.top) * ash / adh);
            int srow = src_top + (mirror_y ? ash - 1 - k : k);
            if (src && (srow < 0 || srow >= src->height))
                continue;
            for (int x = f.left; x < f.right; ++x) {
                int scol = col[size_t(x - area.left)];
                if (src && (scol < 0 || scol >= src->width))
                    continue;
                pixel(x, y, scol, srow);
            }
        }
    }
}

BOOL raster_blit(HDC hdcDest, int x, int y, int w, int h, HDC hdcSrc, int xs, int ys, int ws, int hs, DWORD rop,
                 bool stretched)
{
    gdi_lock lock(gdi_mutex());
    rop &= ~(NOMIRRORBITMAP | CAPTUREBLT);
    bool need_source = uses_source(rop);
    blit_setup b;
    if (!setup(hdcDest, hdcSrc, need_source, b))
        return FALSE;
    const target &dst = b.dst;
    int dx = x + dst.offset.x, dy = y + dst.offset.y;
    if (!stretched) {
        ws = w;
        hs = h;
    }
    if (w == 0 || h == 0 || (need_source && (ws == 0 || hs == 0)))
        return TRUE;
    brush_obj *brush = uses_pattern(rop) ? b.dst_dc->st.brush.as<brush_obj>() : nullptr;
    const surface &d = dst.surf;
    BYTE code = BYTE(rop >> 16);

    if (!need_source) {
        stretch(dst, dx, dy, w, h, nullptr, 0, 0, w, h, [&](int px, int py, int, int) {
            DWORD p = brush ? pattern_pixel(dst, brush, px, py) : 0;
            DWORD v = code == 0xF0 ? p : raster_op(rop, p, 0, d.get(px, py));
            d.set(px, py, v);
        });
        return TRUE;
    }
    const surface &s = b.src.surf;
    int sx = xs + b.src.offset.x, sy = ys + b.src.offset.y;
    converter conv = make_converter(dst, b.src);
    bool fast = code == 0xCC && d.bpp == 32 && s.bpp == 32 && w == ws && h == hs && w > 0 && h > 0;
    if (fast) {
        // Unstretched copies between 32-bit surfaces move whole rows.
        RECT area{dx, dy, dx + w, dy + h};
        RECT src_area = intersect(RECT{sx, sy, sx + w, sy + h}, RECT{0, 0, s.width, s.height});
        OffsetRect(&src_area, dx - sx, dy - sy);
        area = intersect(area, src_area);
        if (empty(area))
            return TRUE;
        // Within one surface, one clip rectangle is copied in an order that reads each row before it
        // is overwritten; with several, a later rectangle may read what an earlier one wrote, so
        // the source is read from a copy of its rows.
        surface from = s;
        int from_x = sx - dx, from_y = sy - dy;  // destination to source
        std::unique_ptr<BYTE[]> snapshot;
        if (s.bits == d.bits && dst.clip.size() > 1) {
            size_t bytes = size_t(area.right - area.left) * 4;
            snapshot.reset(new BYTE[bytes * size_t(area.bottom - area.top)]);
            for (int row = area.top; row < area.bottom; ++row)
                std::memcpy(snapshot.get() + bytes * size_t(row - area.top),
                            s.row(row + from_y) + size_t(area.left + from_x) * 4, bytes);
            from.bits = snapshot.get();
            from.stride = ptrdiff_t(bytes);
            from_x = -area.left;
            from_y = -area.top;
        }
        bool bottom_up = from.bits == d.bits && from_y < 0;
        for (const RECT &c : dst.clip) {
            RECT f = intersect(area, c);
            if (empty(f))
                continue;
            int n = f.right - f.left;
            auto copy_row = [&](int row) {
                const BYTE *source = from.row(row + from_y) + size_t(f.left + from_x) * 4;
                std::memmove(d.row(row) + size_t(f.left) * 4, source, size_t(n) * 4);
            };
            if (bottom_up)
                for (int row = f.bottom - 1; row >= f.top; --row)
                    copy_row(row);
            else
                for (int row = f.top; row < f.bottom; ++row)
                    copy_row(row);
        }
        return TRUE;
    }
    // Overlapping source and destination on one surface: read from a snapshot.
    std::vector<BYTE> snapshot;
    surface from = s;
    if (s.bits == d.bits) {
        size_t rows = size_t(s.height), bytes = size_t(std::abs(s.stride));
        snapshot.resize(rows * bytes);
        for (int r = 0; r < s.height; ++r)
            std::memcpy(snapshot.data() + size_t(r) * bytes, s.row(r), bytes);
        from.bits = snapshot.data();
        from.stride = ptrdiff_t(bytes);
    }
    stretch(dst, dx, dy, w, h, &from, sx, sy, ws, hs, [&](int px, int py, int qx, int qy) {
        if (code == 0xCC && d.bpp == 32 && from.bpp == 32) {
            d.set_full(px, py, from.get_full(qx, qy));
            return;
        }
        DWORD sv = conv(from.get(qx, qy));
        if (code == 0xCC) {
            d.set(px, py, sv);
            return;
        }
        DWORD p = brush ? pattern_pixel(dst, brush, px, py) : 0;
        d.set(px, py, raster_op(rop, p, sv, d.get(px, py)));
    });
    return TRUE;
}

BYTE mul255(unsigned a, unsigned b)
{
    unsigned t = a * b + 128;
    return BYTE((t + (t >> 8)) >> 8);
}

// One source pixel over one destination pixel (both 0xAARRGGBB): the source scaled by the
// constant alpha, the destination by what is left of the source's alpha (its own, or opaque).
inline DWORD blend_over(DWORD sp, bool src_alpha, unsigned sca, DWORD dv)
{
    // The formula's answers for the two common cases, taken directly: a transparent premultiplied
    // pixel leaves the destination as it was, an opaque one at full strength replaces it.
    if (src_alpha && sp == 0)
        return dv;
    if (sca == 255 && (!src_alpha || sp >> 24 == 255))
        return sp | 0xFF000000;
    unsigned sa = src_alpha ? sp >> 24 : 255;
    unsigned sr = mul255((sp >> 16) & 0xFF, sca), sg = mul255((sp >> 8) & 0xFF, sca), sb = mul255(sp & 0xFF, sca);
    unsigned a = mul255(sa, sca);
    unsigned inv = 255 - a;
    BYTE r = BYTE(std::min(255u, sr + unsigned(mul255((dv >> 16) & 0xFF, inv))));
    BYTE g = BYTE(std::min(255u, sg + unsigned(mul255((dv >> 8) & 0xFF, inv))));
    BYTE bl = BYTE(std::min(255u, sb + unsigned(mul255(dv & 0xFF, inv))));
    BYTE al = BYTE(std::min(255u, a + unsigned(mul255(dv >> 24, inv))));
    return DWORD(al) << 24 | DWORD(r) << 16 | DWORD(g) << 8 | bl;
}

// One row blended with per-pixel alpha at full constant alpha. Pictures are mostly opaque or
// transparent, pixels the blend would copy or leave alone: four at a time where all four are one or
// the other (the branch on each pixel's alpha costs more than the copy), one by one elsewhere.
void blend_row_per_pixel_alpha(const DWORD *sp, DWORD *dp, int n)
{
    typedef DWORD pixels4 __attribute__((vector_size(16)));
    for (; n >= 4; n -= 4, sp += 4, dp += 4) {
        pixels4 src, dst;
        std::memcpy(&src, sp, sizeof src);
        pixels4 opaque = pixels4((src >> 24) == 255), clear = pixels4(src == 0);
        uint64_t settled[2];
        pixels4 either = opaque | clear;
        std::memcpy(settled, &either, sizeof settled);
        if ((settled[0] & settled[1]) != ~uint64_t(0)) {
            for (int k = 0; k < 4; ++k)
                dp[k] = blend_over(sp[k], true, 255, dp[k]);
            continue;
        }
        std::memcpy(&dst, dp, sizeof dst);
        dst = (src & opaque) | (dst & ~opaque);
        std::memcpy(dp, &dst, sizeof dst);
    }
    for (; n > 0; --n, ++sp, ++dp)
        *dp = blend_over(*sp, true, 255, *dp);
}

// The DC a DIB call draws on, with its target and the DIB's layout; null when the DC draws nowhere,
// or (ERROR_INVALID_PARAMETER) when the bits or the header are unusable. The caller holds the lock.
dc_obj *dib_call(HDC hdc, const VOID *bits, const BITMAPINFO *bmi, UINT usage, target &t, dib_view &v)
{
    auto dc = dc_from_handle(hdc);
    if (!dc || !resolve_target(*dc, t))
        return nullptr;
    if (!bits || !parse_dib(bmi, usage, v)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return dc;
}

}  // namespace

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop)
{
    return raster_blit(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop, false);
}

BOOL WINAPI StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
                       int wSrc, int hSrc, DWORD rop)
{
    return raster_blit(hdcDest, xDest, yDest, wDest, hDest, hdcSrc, xSrc, ySrc, wSrc, hSrc, rop, true);
}

BOOL WINAPI PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop)
{
    if (uses_source(rop & ~(NOMIRRORBITMAP | CAPTUREBLT))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return raster_blit(hdc, x, y, w, h, NULL, 0, 0, w, h, rop, false);
}

// Per channel: dst = src * sca / 255 + dst * (255 - a) / 255, where a is the source alpha scaled by the
// constant alpha (AC_SRC_ALPHA, source premultiplied) or the constant alpha alone.
BOOL WINAPI AlphaBlend(HDC hdcDest, int xoriginDest, int yoriginDest, int wDest, int hDest, HDC hdcSrc,
                       int xoriginSrc, int yoriginSrc, int wSrc, int hSrc, BLENDFUNCTION ftn)
{
    gdi_lock lock(gdi_mutex());
    blit_setup b;
    if (!setup(hdcDest, hdcSrc, true, b))
        return FALSE;
    const surface &s = b.src.surf, &d = b.dst.surf;
    int sx = xoriginSrc + b.src.offset.x, sy = yoriginSrc + b.src.offset.y;
    int dx = xoriginDest + b.dst.offset.x, dy = yoriginDest + b.dst.offset.y;
    bool src_alpha = ftn.AlphaFormat & AC_SRC_ALPHA;
    bool bad = ftn.BlendOp != AC_SRC_OVER || wDest < 0 || hDest < 0 || wSrc < 0 || hSrc < 0 || sx < 0 || sy < 0 ||
               sx + wSrc > s.width || sy + hSrc > s.height || (src_alpha && s.bpp != 32);
    if (!bad && s.bits == d.bits)
        bad = !empty(intersect(RECT{sx, sy, sx + wSrc, sy + hSrc}, RECT{dx, dy, dx + wDest, dy + hDest}));
    if (bad) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (wDest == 0 || hDest == 0 || wSrc == 0 || hSrc == 0)
        return TRUE;
    unsigned sca = ftn.SourceConstantAlpha;
    if (wDest == wSrc && hDest == hSrc && s.bpp == 32 && d.bpp == 32) {
        // Unstretched between 32-bit surfaces: whole rows, the source known to lie inside its surface.
        RECT area{dx, dy, dx + wDest, dy + hDest};
        for (const RECT &c : b.dst.clip) {
            RECT f = intersect(area, c);
            if (empty(f))
                continue;
            for (int y = f.top; y < f.bottom; ++y) {
                const DWORD *sp = reinterpret_cast<const DWORD *>(s.row(y - dy + sy)) + (f.left - dx + sx);
                DWORD *dp = reinterpret_cast<DWORD *>(d.row(y)) + f.left;
                int n = f.right - f.left;
                if (src_alpha && sca == 255) {
                    blend_row_per_pixel_alpha(sp, dp, n);
                    continue;
                }
                for (; n > 0; --n, ++sp, ++dp)
                    *dp = blend_over(*sp, src_alpha, sca, *dp);
            }
        }
        return TRUE;
    }
    converter conv = make_converter(b.dst, b.src);
    stretch(b.dst, dx, dy, wDest, hDest, &s, sx, sy, wSrc, hSrc, [&](int px, int py, int qx, int qy) {
        DWORD sp = conv(s.get(qx, qy));
        if (src_alpha)
            sp |= reinterpret_cast<const DWORD *>(s.row(qy))[qx] & 0xFF000000;
        if (d.bpp == 32) {
            DWORD *dp = reinterpret_cast<DWORD *>(d.row(py)) + px;
            *dp = blend_over(sp, src_alpha, sca, *dp);
            return;
        }
        DWORD v = blend_over(sp, src_alpha, sca, d.get(px, py));
        d.set(px, py, pixel_for_surface(d, RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF)));
    });
    return TRUE;
}

BOOL WINAPI TransparentBlt(HDC hdcDest, int xoriginDest, int yoriginDest, int wDest, int hDest, HDC hdcSrc,
                           int xoriginSrc, int yoriginSrc, int wSrc, int hSrc, UINT crTransparent)
{
    gdi_lock lock(gdi_mutex());
    if (wDest < 0 || hDest < 0 || wSrc < 0 || hSrc < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    blit_setup b;
    if (!setup(hdcDest, hdcSrc, true, b))
        return FALSE;
    const surface &s = b.src.surf, &d = b.dst.surf;
    converter conv = make_converter(b.dst, b.src);
    DWORD key = s.bpp == 1 ? pixel_for_surface(s, crTransparent) : pixel_from_colorref(crTransparent & 0xFFFFFF);
    stretch(b.dst, xoriginDest + b.dst.offset.x, yoriginDest + b.dst.offset.y, wDest, hDest, &s,
            xoriginSrc + b.src.offset.x, yoriginSrc + b.src.offset.y, wSrc, hSrc,
            [&](int px, int py, int qx, int qy) {
                DWORD sv = s.get(qx, qy);
                if (sv != key)
                    d.set(px, py, conv(sv));
            });
    return TRUE;
}

int WINAPI StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                         int SrcWidth, int SrcHeight, const VOID *lpBits, const BITMAPINFO *lpbmi, UINT iUsage,
                         DWORD rop)
{
    gdi_lock lock(gdi_mutex());
    target t;
    dib_view v;
    auto dc = dib_call(hdc, lpBits, lpbmi, iUsage, t, v);
    if (!dc)
        return 0;
    rop &= ~(NOMIRRORBITMAP | CAPTUREBLT);
    BYTE code = BYTE(rop >> 16);
    brush_obj *brush = uses_pattern(rop) ? dc->st.brush.as<brush_obj>() : nullptr;
    // Source coordinates count from the DIB's bottom-left corner for a bottom-up DIB, as on Windows.
    int top = v.top_down ? ySrc : v.height - ySrc - SrcHeight;
    surface bounds;
    bounds.width = v.width;
    bounds.height = v.height;
    const surface &d = t.surf;
    if (DestWidth == 0 || DestHeight == 0 || SrcWidth == 0 || SrcHeight == 0)
        return v.height;
    stretch(t, xDest + t.offset.x, yDest + t.offset.y, DestWidth, DestHeight, &bounds, xSrc, top, SrcWidth,
            SrcHeight, [&](int px, int py, int qx, int qy) {
                if (code == 0xCC && d.bpp == 32 && v.full()) {
                    d.set_full(px, py, v.get_full(lpBits, qx, qy));
                    return;
                }
                DWORD sv = v.get(lpBits, qx, qy);
                if (d.bpp == 1)
                    sv = pixel_for_surface(d, colorref_from_pixel(sv));
                if (code == 0xCC) {
                    d.set(px, py, sv);
                    return;
                }
                DWORD p = brush ? pattern_pixel(t, brush, px, py) : 0;
                d.set(px, py, raster_op(rop, p, sv, d.get(px, py)));
            });
    return v.height;
}

int WINAPI SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT StartScan,
                             UINT cLines, const VOID *lpvBits, const BITMAPINFO *lpbmi, UINT ColorUse)
{
    gdi_lock lock(gdi_mutex());
    target t;
    dib_view v;
    if (!dib_call(hdc, lpvBits, lpbmi, ColorUse, t, v))
        return 0;
    // The buffer holds scan lines StartScan .. StartScan + cLines - 1 (bottom-up numbering).
    if (v.top_down) {
        StartScan = 0;
        cLines = UINT(v.height);
    }
    if (cLines > UINT(v.height))
        cLines = UINT(v.height);
    dib_view part = v;
    part.height = int(cLines);
    const surface &d = t.surf;
    // Image row (from the top) of each source y; a bottom-up source's ySrc counts from the bottom.
    for (const RECT &c : t.clip) {
        RECT area{xDest + t.offset.x, yDest + t.offset.y, xDest + t.offset.x + int(w), yDest + t.offset.y + int(h)};
        RECT f = intersect(area, c);
        for (int py = f.top; py < f.bottom; ++py) {
            int img_y = (v.top_down ? ySrc + (py - area.top) : v.height - 1 - (ySrc + int(h) - 1 - (py - area.top)));
            int scan = v.top_down ? img_y : v.height - 1 - img_y;  // bottom-up scan number
            if (!v.top_down && (scan < int(StartScan) || scan >= int(StartScan + cLines)))
                continue;
            if (img_y < 0 || img_y >= v.height)
                continue;
            int row = v.top_down ? img_y : int(cLines) - 1 - (scan - int(StartScan));
            for (int px = f.left; px < f.right; ++px) {
                int qx = xSrc + (px - area.left);
                if (qx < 0 || qx >= v.width)
                    continue;
                if (d.bpp == 32 && part.full()) {
                    d.set_full(px, py, part.get_full(lpvBits, qx, row));
                    continue;
                }
                DWORD sv = part.get(lpvBits, qx, row);
                d.set(px, py, d.bpp == 1 ? pixel_for_surface(d, colorref_from_pixel(sv)) : sv);
            }
        }
    }
    return int(cLines);
}
