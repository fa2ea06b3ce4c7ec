// The drawing engine's internals: the GDI handle table, the object kinds behind it, regions as
// banded rectangle lists, pixel surfaces, and how a DC resolves to a surface and a clip.
#pragma once

#include <windows.h>

#include "gdi/rect_list.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace win32 {

// One lock over every GDI object and the screen; taken by each API call, recursive so that calls
// may build on each other.
std::recursive_mutex &gdi_mutex();
using gdi_lock = std::lock_guard<std::recursive_mutex>;

struct gdi_object {
    virtual ~gdi_object() = default;
    DWORD type = 0;          // OBJ_*
    bool stock = false;      // never freed
    int selected = 0;        // DCs (and their saved states) holding it
    bool delete_pending = false;
    HGDIOBJ handle = nullptr;
    virtual void unselected() {}  // the last DC let go of it
    static bool holds(DWORD) { return true; }  // each kind names the OBJ_* types it stands for
};

HGDIOBJ alloc_gdi_handle(std::shared_ptr<gdi_object> object);
// Drops the table's reference; the handle becomes invalid.
void free_gdi_handle(HGDIOBJ handle);
// The object borrowed from the table: the caller holds the GDI lock and keeps the pointer no longer.
gdi_object *gdi_object_at(HGDIOBJ handle);

// The object if it is of kind T; the type tag decides, every object being made with its kind's tag.
template <class T>
T *gdi_object_as(HGDIOBJ handle)
{
    gdi_object *object = gdi_object_at(handle);
    return object && T::holds(object->type) ? static_cast<T *>(object) : nullptr;
}

// A region: non-overlapping rectangles in bands of equal top and bottom, sorted by top then left,
// spans in a band never touching, and vertically adjacent bands never identical. That canonical form
// makes two equal point sets compare equal rectangle by rectangle.
struct region {
    rect_list rects;

    region() = default;
    explicit region(const RECT &r);
    int kind() const;  // NULLREGION, SIMPLEREGION or COMPLEXREGION
    RECT box() const;
    bool contains(int x, int y) const;
    bool intersects(const RECT &r) const;
    void offset(int dx, int dy);
    static region combine(const region &a, const region &b, int mode);
};

struct region_obj : gdi_object {
    region rgn;
    static bool holds(DWORD type) { return type == OBJ_REGION; }
};

// Pixels: row 0 is the top row wherever it lies in memory (stride is negative for bottom-up DIBs).
// Colour pixels read as 0x00RRGGBB; monochrome pixels read as 0 (black) or 0xFFFFFF (white).
struct surface {
    BYTE *bits = nullptr;  // start of row 0
    int width = 0;
    int height = 0;
    ptrdiff_t stride = 0;
    int bpp = 32;  // 1, 24 or 32

    BYTE *row(int y) const { return bits + y * stride; }
    DWORD get(int x, int y) const;
    void set(int x, int y, DWORD rgb) const;
    // 32-bit surfaces keep their fourth byte (alpha) through copies; other depths read as get().
    DWORD get_full(int x, int y) const { return bpp == 32 ? reinterpret_cast<const DWORD *>(row(y))[x] : get(x, y); }
    void set_full(int x, int y, DWORD v) const
    {
        if (bpp == 32)
            reinterpret_cast<DWORD *>(row(y))[x] = v;
        else
            set(x, y, v & 0xFFFFFF);
    }
};

struct bitmap_obj : gdi_object {
    int width = 0;
    int height = 0;
    int bpp = 32;
    int stride = 0;  // bytes per row in storage
    std::vector<BYTE> storage;
    bool dib = false;
    bool top_down = false;        // DIB sections only; other bitmaps are stored top-down
    BITMAPINFOHEADER dib_header{};
    HDC dc = nullptr;             // the DC it is selected into
    surface surf();
    void unselected() override { dc = nullptr; }
    static bool holds(DWORD type) { return type == OBJ_BITMAP; }
};

struct brush_obj : gdi_object {
    LOGBRUSH log{};
    std::shared_ptr<bitmap_obj> pattern;  // BS_PATTERN
    static bool holds(DWORD type) { return type == OBJ_BRUSH; }
};

struct pen_obj : gdi_object {
    LOGPEN log{};
    static bool holds(DWORD type) { return type == OBJ_PEN || type == OBJ_EXTPEN; }
};

struct font_obj : gdi_object {
    LOGFONTW log{};
    static bool holds(DWORD type) { return type == OBJ_FONT; }
};

struct palette_obj : gdi_object {
    std::vector<PALETTEENTRY> entries;
    static bool holds(DWORD type) { return type == OBJ_PAL; }
};

// A reference held by a DC on a selected object; deletion waits until the last one is gone. The
// count is the object's own: DeleteObject leaves a selected object in the handle table, which keeps
// it alive until the last selection lets go and frees its handle.
class selection {
public:
    selection() = default;
    explicit selection(gdi_object *object);
    selection(const selection &other);
    selection &operator=(const selection &other);
    ~selection();
    HGDIOBJ handle() const { return m_object ? m_object->handle : nullptr; }
    gdi_object *get() const { return m_object; }
    template <class T> T *as() const
    {
        return m_object && T::holds(m_object->type) ? static_cast<T *>(m_object) : nullptr;
    }

private:
    void release();
    gdi_object *m_object = nullptr;
};

struct dc_state {
    selection bitmap, brush, pen, font, palette;
    std::optional<region> clip;  // device coordinates
    COLORREF bk_color = RGB(255, 255, 255);
    COLORREF text_color = RGB(0, 0, 0);
    int bk_mode = OPAQUE;
    int stretch_mode = BLACKONWHITE;
    POINT viewport_org{};
    POINT window_org{};
    POINT current{};
};

struct dc_obj : gdi_object {
    bool display = false;  // draws on the screen; otherwise a memory DC
    HWND hwnd = nullptr;
    POINT origin{};        // display DC: screen position of device (0, 0)
    region visible;        // display DC: screen coordinates
    dc_state st;
    std::vector<dc_state> saved;
    static bool holds(DWORD type) { return type == OBJ_DC || type == OBJ_MEMDC; }

    // The effective clip in surface coordinates, worked out on first use. Whatever changes the clip
    // region, the selected bitmap, the visible region or the origin calls clip_changed().
    const region &surface_clip();
    void clip_changed() { m_surface_clip_known = false; }

private:
    region m_surface_clip;
    bool m_surface_clip_known = false;
};

// The DC behind a handle (ERROR_INVALID_HANDLE if none), borrowed as gdi_object_at says.
dc_obj *dc_from_handle(HDC hdc);

// A run of rectangles owned elsewhere.
struct rect_span {
    const RECT *first = nullptr;
    size_t count = 0;
    const RECT *begin() const { return first; }
    const RECT *end() const { return first + count; }
    size_t size() const { return count; }
};

// Where a DC draws: its surface, the offset from logical to surface coordinates, and the clip
// (surface coordinates, the DC's own: valid until the DC's clip changes). False when the DC has
// nothing to draw on.
struct target {
    surface surf;
    POINT offset{};
    rect_span clip;
    dc_obj *dc = nullptr;
};
bool resolve_target(dc_obj &dc, target &out);

// The device area (selected bitmap, or visible region) and its intersection with the clip region,
// both in device coordinates.
region device_area(const dc_obj &dc);
region effective_clip(dc_obj &dc);
POINT to_device(const dc_obj &dc, int x, int y);

// The screen surface, black until drawn on.
surface screen_surface();

// Colour conversions between COLORREF (0x00BBGGRR) and pixels (0x00RRGGBB).
inline DWORD pixel_from_colorref(COLORREF c)
{
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline COLORREF colorref_from_pixel(DWORD p)
{
    return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}
// The pixel value a colour takes on a surface: monochrome picks the nearer of black and white.
DWORD pixel_for_surface(const surface &s, COLORREF c);

// Fills a rectangle (surface coordinates, already clipped) with a colour or a brush's pattern.
void fill_rect_clipped(const target &t, const RECT &r, brush_obj *brush);
void fill_solid_clipped(const target &t, RECT r, DWORD pixel);

RECT intersect(const RECT &a, const RECT &b);
inline bool empty(const RECT &r) { return r.left >= r.right || r.top >= r.bottom; }

}  // namespace win32

namespace win32 {

// A packed DIB as the caller describes it: header, colour table and bits.
struct dib_view {
    int width = 0;
    int height = 0;  // rows, always positive
    int bpp = 0;
    bool top_down = false;
    ptrdiff_t stride = 0;   // bytes per row in the caller's buffer
    std::vector<DWORD> colors;  // colour table as pixels
    DWORD masks[3] = {0, 0, 0}; // BI_BITFIELDS (16 and 32 bpp)
    bool bitfields = false;

    // Row y counted from the top of the image.
    const BYTE *row(const void *bits, int y) const
    {
        int r = top_down ? y : height - 1 - y;
        return static_cast<const BYTE *>(bits) + ptrdiff_t(r) * stride;
    }
    DWORD get(const void *bits, int x, int y) const;
    void set(void *bits, int x, int y, DWORD rgb) const;  // 16, 24 and 32 bpp
    // Plain 32-bit DIBs keep their fourth byte (alpha) through copies.
    bool full() const { return bpp == 32 && !bitfields; }
    DWORD get_full(const void *bits, int x, int y) const;
    void set_full(void *bits, int x, int y, DWORD v) const;
};

// Reads a BITMAPINFO (DIB_RGB_COLORS only); false with ERROR_INVALID_PARAMETER for what is not drawn here.
bool parse_dib(const BITMAPINFO *info, UINT usage, dib_view &out);

// The ternary raster operation `rop` applied to pattern, source and destination pixels.
DWORD raster_op(DWORD rop, DWORD p, DWORD s, DWORD d);
DWORD pattern_pixel(const target &t, brush_obj *brush, int x, int y);

}  // namespace win32
