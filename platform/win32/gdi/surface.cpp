// Pixel surfaces: reading and writing pixels of each depth, the virtual screen, raster operations
// and clipped fills with solid and pattern brushes.
#include "gdi/gdiobj.h"
#include "internal/gdi.h"

#include <algorithm>
#include <cwchar>

namespace win32 {

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

const int screen_width = 1024;
const int screen_height = 768;

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

// 32-bit rows go through wmemset: wchar_t is a 32-bit unit here, and the C library's vector
// stores fill a dialog's background several times faster than a loop of single stores.
static_assert(sizeof(wchar_t) == sizeof(DWORD), "32-bit rows are filled as wchar_t runs");

void fill_solid_clipped(const target &t, RECT r, DWORD pixel)
{
    for (const RECT &c : t.clip) {
        RECT f = intersect(r, c);
        if (empty(f))
            continue;
        if (t.surf.bpp == 32 && f.left == 0 && f.right == t.surf.width && t.surf.stride == ptrdiff_t(t.surf.width) * 4) {
            // Whole rows that follow each other in memory: one run (a buffer's background).
            wchar_t *first = reinterpret_cast<wchar_t *>(t.surf.row(f.top));
            wmemset(first, wchar_t(pixel), size_t(f.bottom - f.top) * size_t(t.surf.width));
            continue;
        }
        for (int y = f.top; y < f.bottom; ++y) {
            if (t.surf.bpp == 32) {
                wchar_t *row = reinterpret_cast<wchar_t *>(t.surf.row(y));
                wmemset(row + f.left, wchar_t(pixel), size_t(f.right - f.left));
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

}  // namespace win32
