// Painting and font handling the standard controls share: system-colour fills and frames, the
// window text, the default control colours, and the font each keeps in its extra bytes.
#include "dialog_internal.h"

namespace win32 {

void fill_sys(HDC dc, const RECT &rc, int color)
{
    FillRect(dc, &rc, GetSysColorBrush(color));
}

void frame_sys(HDC dc, const RECT &rc, int top_left, int bottom_right)
{
    fill_sys(dc, {rc.left, rc.top, rc.right, rc.top + 1}, top_left);
    fill_sys(dc, {rc.left, rc.top, rc.left + 1, rc.bottom}, top_left);
    fill_sys(dc, {rc.left, rc.bottom - 1, rc.right, rc.bottom}, bottom_right);
    fill_sys(dc, {rc.right - 1, rc.top, rc.right, rc.bottom}, bottom_right);
}

std::u16string window_text(HWND hwnd)
{
    int len = GetWindowTextLengthW(hwnd);
    std::u16string text(len > 0 ? len + 1 : 1, u'\0');
    len = GetWindowTextW(hwnd, &text[0], (int)text.size());
    text.resize(len > 0 ? len : 0);
    return text;
}

HGDIOBJ control_font(HWND hwnd, size_t font_slot)
{
    HFONT font = (HFONT)read_extra(hwnd, font_slot);
    return font ? (HGDIOBJ)font : GetStockObject(DEFAULT_GUI_FONT);
}

HBRUSH default_control_colors(HDC dc, UINT ctlcolor_msg)
{
    int ground = ctlcolor_msg == WM_CTLCOLOREDIT || ctlcolor_msg == WM_CTLCOLORLISTBOX ? COLOR_WINDOW : COLOR_BTNFACE;
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(ground));
    return GetSysColorBrush(ground);
}

void set_control_font(HWND hwnd, size_t font_slot, WPARAM font, LPARAM redraw)
{
    write_extra(hwnd, font_slot, (LONG_PTR)font);
    if (LOWORD(redraw))
        InvalidateRect(hwnd, nullptr, TRUE);
}

}  // namespace win32
