// The GDI handle table, stock objects, GetObjectW/GetObjectType/DeleteObject, brushes, pens,
// palettes and the system colours.
#include "gdi/gdiobj.h"

#include <cstring>

namespace win32 {

namespace {

// Handles carry a tag bit above any kernel handle and a reuse count, so a stale handle rarely
// names a new object.
constexpr uintptr_t handle_tag = 0x40000000;
constexpr uintptr_t index_bits = 20;

struct gdi_table {
    std::vector<std::shared_ptr<gdi_object>> slots;
    std::vector<BYTE> reuse;
    std::vector<size_t> free_slots;
};

gdi_table &table()
{
    // Never destroyed: other libraries' exit-time code may still release GDI objects.
    static gdi_table &t = *new gdi_table;
    return t;
}

bool slot_of(HGDIOBJ handle, size_t &slot)
{
    uintptr_t v = reinterpret_cast<uintptr_t>(handle);
    if ((v & ~uintptr_t(0x7FFFFFFF)) || !(v & handle_tag))
        return false;
    slot = v & ((uintptr_t(1) << index_bits) - 1);
    gdi_table &t = table();
    return slot < t.slots.size() && t.slots[slot] &&
           ((v >> index_bits) & 0xFF) == t.reuse[slot];
}

}  // namespace

std::recursive_mutex &gdi_mutex()
{
    static std::recursive_mutex &m = *new std::recursive_mutex;
    return m;
}

HGDIOBJ alloc_gdi_handle(std::shared_ptr<gdi_object> object)
{
    gdi_lock lock(gdi_mutex());
    gdi_table &t = table();
    size_t slot;
    if (!t.free_slots.empty()) {
        slot = t.free_slots.back();
        t.free_slots.pop_back();
    } else {
        if (t.slots.size() >= (size_t(1) << index_bits) - 1) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return NULL;
        }
        slot = t.slots.size();
        t.slots.emplace_back();
        t.reuse.push_back(0);
    }
    HGDIOBJ h = reinterpret_cast<HGDIOBJ>(handle_tag | (uintptr_t(t.reuse[slot]) << index_bits) | slot);
    object->handle = h;
    t.slots[slot] = std::move(object);
    return h;
}

void free_gdi_handle(HGDIOBJ handle)
{
    gdi_lock lock(gdi_mutex());
    size_t slot;
    if (!slot_of(handle, slot))
        return;
    gdi_table &t = table();
    std::shared_ptr<gdi_object> dying = std::move(t.slots[slot]);
    t.slots[slot].reset();
    t.reuse[slot] = BYTE(t.reuse[slot] + 1);
    t.free_slots.push_back(slot);
    dying.reset();  // may release further selections; the lock is recursive
}

gdi_object *gdi_object_at(HGDIOBJ handle)
{
    size_t slot;
    return slot_of(handle, slot) ? table().slots[slot].get() : nullptr;
}

selection::selection(gdi_object *object) : m_object(object)
{
    if (m_object)
        ++m_object->selected;
}

selection::selection(const selection &other) : m_object(other.m_object)
{
    if (m_object)
        ++m_object->selected;
}

selection &selection::operator=(const selection &other)
{
    if (this != &other) {
        gdi_object *keep = other.m_object;
        if (keep)
            ++keep->selected;
        release();
        m_object = keep;
    }
    return *this;
}

selection::~selection()
{
    release();
}

void selection::release()
{
    gdi_object *object = m_object;
    m_object = nullptr;
    if (!object || --object->selected > 0)
        return;
    object->unselected();
    if (object->delete_pending)
        free_gdi_handle(object->handle);  // the table's reference was the last
}

DWORD pixel_for_surface(const surface &s, COLORREF c)
{
    DWORD p = pixel_from_colorref(c & 0xFFFFFF);
    if (s.bpp != 1)
        return p;
    int sum = GetRValue(c) + GetGValue(c) + GetBValue(c);
    return sum >= 384 ? 0xFFFFFF : 0;
}

static HGDIOBJ stock_object(int i);

}  // namespace win32

using namespace win32;

namespace {

const COLORREF sys_colors[] = {
    RGB(200, 200, 200),  // COLOR_SCROLLBAR
    RGB(0, 0, 0),        // COLOR_BACKGROUND
    RGB(153, 180, 209),  // COLOR_ACTIVECAPTION
    RGB(191, 205, 219),  // COLOR_INACTIVECAPTION
    RGB(240, 240, 240),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(100, 100, 100),  // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(0, 0, 0),        // COLOR_CAPTIONTEXT
    RGB(180, 180, 180),  // COLOR_ACTIVEBORDER
    RGB(244, 247, 252),  // COLOR_INACTIVEBORDER
    RGB(171, 171, 171),  // COLOR_APPWORKSPACE
    RGB(0, 120, 215),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(240, 240, 240),  // COLOR_BTNFACE
    RGB(160, 160, 160),  // COLOR_BTNSHADOW
    RGB(109, 109, 109),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(0, 0, 0),        // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(105, 105, 105),  // COLOR_3DDKSHADOW
    RGB(227, 227, 227),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(0, 0, 0),        // 25: unused
    RGB(0, 102, 204),    // COLOR_HOTLIGHT
    RGB(185, 209, 234),  // COLOR_GRADIENTACTIVECAPTION
    RGB(215, 228, 242),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(51, 153, 255),   // COLOR_MENUHILIGHT
    RGB(240, 240, 240),  // COLOR_MENUBAR
};
constexpr int sys_color_count = sizeof sys_colors / sizeof sys_colors[0];

template <class T>
HGDIOBJ new_object(std::shared_ptr<T> object, DWORD type, bool stock = false)
{
    object->type = type;
    object->stock = stock;
    return alloc_gdi_handle(std::move(object));
}

HBRUSH make_brush(UINT style, COLORREF color, bool stock)
{
    auto b = std::make_shared<brush_obj>();
    b->log.lbStyle = style;
    b->log.lbColor = color;
    return static_cast<HBRUSH>(new_object(b, OBJ_BRUSH, stock));
}

HPEN make_pen(UINT style, int width, COLORREF color, bool stock)
{
    auto p = std::make_shared<pen_obj>();
    p->log.lopnStyle = style;
    p->log.lopnWidth.x = width;
    p->log.lopnColor = color;
    return static_cast<HPEN>(new_object(p, OBJ_PEN, stock));
}

HFONT make_font(LONG height, LONG weight, const char16_t *face)
{
    auto f = std::make_shared<font_obj>();
    f->log.lfHeight = height;
    f->log.lfWeight = weight;
    f->log.lfCharSet = DEFAULT_CHARSET;
    for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i)
        f->log.lfFaceName[i] = face[i];
    return static_cast<HFONT>(new_object(f, OBJ_FONT, true));
}

}  // namespace

namespace win32 {

static HGDIOBJ stock_object(int i)
{
    static HGDIOBJ objects[DEFAULT_GUI_FONT + 1];
    static bool made = false;
    gdi_lock lock(gdi_mutex());
    if (!made) {
        made = true;
        objects[WHITE_BRUSH] = make_brush(BS_SOLID, RGB(255, 255, 255), true);
        objects[LTGRAY_BRUSH] = make_brush(BS_SOLID, RGB(192, 192, 192), true);
        objects[GRAY_BRUSH] = make_brush(BS_SOLID, RGB(128, 128, 128), true);
        objects[DKGRAY_BRUSH] = make_brush(BS_SOLID, RGB(64, 64, 64), true);
        objects[BLACK_BRUSH] = make_brush(BS_SOLID, RGB(0, 0, 0), true);
        objects[NULL_BRUSH] = make_brush(BS_NULL, 0, true);
        objects[WHITE_PEN] = make_pen(PS_SOLID, 1, RGB(255, 255, 255), true);
        objects[BLACK_PEN] = make_pen(PS_SOLID, 1, RGB(0, 0, 0), true);
        objects[NULL_PEN] = make_pen(PS_NULL, 1, 0, true);
        objects[OEM_FIXED_FONT] = make_font(12, FW_NORMAL, u"Terminal");
        objects[ANSI_FIXED_FONT] = make_font(12, FW_NORMAL, u"Courier");
        objects[ANSI_VAR_FONT] = make_font(12, FW_NORMAL, u"MS Sans Serif");
        objects[SYSTEM_FONT] = make_font(16, FW_BOLD, u"System");
        objects[DEVICE_DEFAULT_FONT] = make_font(16, FW_BOLD, u"System");
        objects[SYSTEM_FIXED_FONT] = make_font(16, FW_NORMAL, u"Fixedsys");
        objects[DEFAULT_GUI_FONT] = make_font(-11, FW_NORMAL, u"MS Shell Dlg");
        auto pal = std::make_shared<palette_obj>();
        for (int k = 0; k < 20; ++k) {
            // The 20 static colours of a palette device.
            static const BYTE rgb[20][3] = {
                {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0}, {0, 0, 128}, {128, 0, 128}, {0, 128, 128},
                {192, 192, 192}, {192, 220, 192}, {166, 202, 240}, {255, 251, 240}, {160, 160, 164},
                {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}, {0, 0, 255}, {255, 0, 255},
                {0, 255, 255}, {255, 255, 255}};
            pal->entries.push_back(PALETTEENTRY{rgb[k][0], rgb[k][1], rgb[k][2], 0});
        }
        objects[DEFAULT_PALETTE] = new_object(pal, OBJ_PAL, true);
    }
    if (i < 0 || i > DEFAULT_GUI_FONT || i == 9)
        return NULL;
    return objects[i];
}

HGDIOBJ get_stock(int i)
{
    return stock_object(i);
}

}  // namespace win32

HGDIOBJ WINAPI GetStockObject(int i)
{
    return stock_object(i);
}

DWORD WINAPI GetObjectType(HGDIOBJ h)
{
    gdi_lock lock(gdi_mutex());
    auto *o = gdi_object_at(h);
    if (!o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return o->type;
}

BOOL WINAPI DeleteObject(HGDIOBJ ho)
{
    gdi_lock lock(gdi_mutex());
    auto *o = gdi_object_at(ho);
    if (!o || o->type == OBJ_DC || o->type == OBJ_MEMDC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (o->stock)
        return TRUE;  // stock objects outlive every caller
    // Windows answers TRUE for a selected object but frees it only once no DC holds it.
    if (o->selected > 0) {
        o->delete_pending = true;
        return TRUE;
    }
    free_gdi_handle(ho);
    return TRUE;
}

int WINAPI GetObjectW(HANDLE h, int c, LPVOID pv)
{
    gdi_lock lock(gdi_mutex());
    auto *o = gdi_object_at(h);
    if (!o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    auto copy_out = [&](const void *data, int size) -> int {
        if (!pv)
            return size;
        int n = c < size ? c : size;
        if (n <= 0)
            return 0;
        std::memcpy(pv, data, n);
        return n;
    };
    switch (o->type) {
    case OBJ_BITMAP: {
        auto *b = static_cast<bitmap_obj *>(o);
        DIBSECTION ds{};
        ds.dsBm.bmType = 0;
        ds.dsBm.bmWidth = b->width;
        ds.dsBm.bmHeight = b->height;
        ds.dsBm.bmPlanes = 1;
        ds.dsBm.bmBitsPixel = WORD(b->bpp);
        if (b->dib) {
            ds.dsBm.bmWidthBytes = b->stride;
            ds.dsBm.bmBits = b->storage.data();
            ds.dsBmih = b->dib_header;
            if (!pv)
                return sizeof(BITMAP);
            if (c >= int(sizeof(DIBSECTION)))
                return copy_out(&ds, sizeof(DIBSECTION));
            return c >= int(sizeof(BITMAP)) ? copy_out(&ds.dsBm, sizeof(BITMAP)) : 0;
        }
        ds.dsBm.bmWidthBytes = ((b->width * b->bpp + 15) / 16) * 2;
        if (pv && c < int(sizeof(BITMAP)))
            return 0;
        return copy_out(&ds.dsBm, sizeof(BITMAP));
    }
    case OBJ_BRUSH:
        return copy_out(&static_cast<brush_obj *>(o)->log, sizeof(LOGBRUSH));
    case OBJ_PEN:
        return copy_out(&static_cast<pen_obj *>(o)->log, sizeof(LOGPEN));
    case OBJ_FONT:
        return copy_out(&static_cast<font_obj *>(o)->log, sizeof(LOGFONTW));
    case OBJ_PAL: {
        WORD count = WORD(static_cast<palette_obj *>(o)->entries.size());
        return copy_out(&count, sizeof count);
    }
    default:
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color)
{
    return make_brush(BS_SOLID, color & 0xFFFFFF, false);
}

HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH *plbrush)
{
    if (!plbrush) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    if (plbrush->lbStyle == BS_SOLID || plbrush->lbStyle == BS_NULL)
        return make_brush(plbrush->lbStyle, plbrush->lbColor, false);
    if (plbrush->lbStyle == BS_PATTERN)
        return CreatePatternBrush(reinterpret_cast<HBITMAP>(plbrush->lbHatch));
    SetLastError(ERROR_INVALID_PARAMETER);  // hatched brushes are not drawn here
    return NULL;
}

HBRUSH WINAPI CreatePatternBrush(HBITMAP hbm)
{
    gdi_lock lock(gdi_mutex());
    auto bmp = gdi_object_as<bitmap_obj>(hbm);
    if (!bmp) {
        SetLastError(ERROR_INVALID_HANDLE);
        return NULL;
    }
    // The brush keeps its own copy: the caller may delete the bitmap right away.
    auto copy = std::make_shared<bitmap_obj>(*bmp);
    copy->dc = nullptr;
    copy->selected = 0;
    auto b = std::make_shared<brush_obj>();
    b->log.lbStyle = BS_PATTERN;
    b->log.lbHatch = reinterpret_cast<ULONG_PTR>(hbm);
    b->pattern = copy;
    return static_cast<HBRUSH>(new_object(b, OBJ_BRUSH));
}

HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color)
{
    if (iStyle < PS_SOLID || iStyle > PS_INSIDEFRAME) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    return make_pen(UINT(iStyle), cWidth < 0 ? 0 : cWidth, color & 0xFFFFFF, false);
}

HPEN WINAPI CreatePenIndirect(const LOGPEN *plpen)
{
    if (!plpen) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    return CreatePen(int(plpen->lopnStyle), plpen->lopnWidth.x, plpen->lopnColor);
}

HPALETTE WINAPI CreatePalette(const LOGPALETTE *plpal)
{
    if (!plpal || plpal->palVersion != 0x300) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    auto pal = std::make_shared<palette_obj>();
    pal->entries.assign(plpal->palPalEntry, plpal->palPalEntry + plpal->palNumEntries);
    return static_cast<HPALETTE>(new_object(pal, OBJ_PAL));
}

UINT WINAPI GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries)
{
    gdi_lock lock(gdi_mutex());
    auto pal = gdi_object_as<palette_obj>(hpal);
    if (!pal) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    UINT size = UINT(pal->entries.size());
    if (!pPalEntries)
        return size;
    if (iStart >= size)
        return 0;
    UINT n = cEntries < size - iStart ? cEntries : size - iStart;
    std::memcpy(pPalEntries, pal->entries.data() + iStart, n * sizeof(PALETTEENTRY));
    return n;
}

// The Windows 10 default scheme; COLOR_BTNFACE is RGB(240, 240, 240).
DWORD WINAPI GetSysColor(int nIndex)
{
    if (nIndex < 0 || nIndex >= sys_color_count)
        return 0;
    return sys_colors[nIndex];
}

HBRUSH WINAPI GetSysColorBrush(int nIndex)
{
    static HBRUSH brushes[sys_color_count];
    if (nIndex < 0 || nIndex >= sys_color_count)
        return NULL;
    gdi_lock lock(gdi_mutex());
    if (!brushes[nIndex])
        brushes[nIndex] = make_brush(BS_SOLID, sys_colors[nIndex], true);
    return brushes[nIndex];
}
