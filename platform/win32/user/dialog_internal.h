// What the dialog manager's and the standard controls' files share: the template reader, window
// extra bytes and the parent's colours.
#pragma once

#include <windows.h>

#include "internal/owners.h"

#include <cstddef>
#include <string>

namespace win32 {

// A name field of a template: absent, an ordinal (0xFFFF, n) or a string.
struct template_name {
    bool present = false;
    bool ordinal = false;
    WORD id = 0;
    std::u16string text;
};

struct dialog_header {
    bool extended = false;
    DWORD help_id = 0;
    DWORD style = 0;
    DWORD ex_style = 0;
    WORD count = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    template_name menu, cls, title;
    bool has_font = false;
    WORD point_size = 0;
    WORD weight = FW_NORMAL;
    BYTE italic = 0;
    BYTE charset = DEFAULT_CHARSET;
    std::u16string face;
};

struct dialog_item {
    DWORD help_id = 0;
    DWORD style = 0;
    DWORD ex_style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    template_name cls, title;
    const BYTE *data = nullptr;  // creation data, starting at its size word; null when there is none
};

// Reads a template from memory. `size` bounds every read; a template handed over by address
// alone has no known end and is read with SIZE_MAX.
class template_reader {
public:
    template_reader(const BYTE *base, size_t size) : base_(base), size_(size) {}
    bool header(dialog_header &h);
    bool item(bool extended, dialog_item &item);

private:
    bool word(WORD &w);
    bool dword(DWORD &d);
    bool name(template_name &n);
    bool text(std::u16string &s);
    bool skip(size_t n);
    void align(size_t to);
    const BYTE *base_;
    size_t size_;
    size_t pos_ = 0;
};

// The class name an item names: the predefined ordinals map to the system controls.
LPCWSTR item_class_name(const template_name &cls, std::u16string &storage);

// A window's extra bytes, read and written without touching the caller's last error: the dialog
// manager and the controls keep their data there. Reads of a missing index answer 0.
LONG_PTR read_extra(HWND hwnd, size_t offset);
void write_extra(HWND hwnd, size_t offset, LONG_PTR value);

// The brush a control's parent gives for painting it (a WM_CTLCOLOR* message), or the default one
// for that kind of control when the parent gives none; also sets the DC's colours.
HBRUSH control_brush(HWND control, HDC dc, UINT ctlcolor_msg);

// The default answer to a WM_CTLCOLOR* message: edits and lists sit on the window colour, everything
// else on the button face, with the window text colour. Sets the DC's colours; the brush.
HBRUSH default_control_colors(HDC dc, UINT ctlcolor_msg);

// The dialog's base units in pixels; false for a window that is not one of the dialog manager's.
bool dialog_base_units(HWND hdlg, int *x, int *y);

// Painting the standard controls share.
// Fills rc with a system colour's brush.
void fill_sys(HDC dc, const RECT &rc, int color);
// A one-pixel frame: top and left in one system colour, bottom and right in the other.
void frame_sys(HDC dc, const RECT &rc, int top_left, int bottom_right);
// The window's whole text; empty when it has none.
std::u16string window_text(HWND hwnd);
// The font the control keeps at font_slot of its extra bytes, or DEFAULT_GUI_FONT when it was given none.
HGDIOBJ control_font(HWND hwnd, size_t font_slot);
// WM_SETFONT: keeps the font at font_slot, repainting when lParam asks.
void set_control_font(HWND hwnd, size_t font_slot, WPARAM font, LPARAM redraw);

// Runs paint(dc, client rectangle) between BeginPaint and EndPaint; nothing when there is no DC.
template <class Paint>
void paint_control(HWND hwnd, Paint paint)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (!dc)
        return;
    RECT rc;
    GetClientRect(hwnd, &rc);
    paint(dc, rc);
    EndPaint(hwnd, &ps);
}

}  // namespace win32
