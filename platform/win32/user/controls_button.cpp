// The "Button" control: push buttons (default or not), check boxes (two and three states, manual or
// automatic), radio buttons and group boxes; a click is a button press and release inside it.
#include "dialog_internal.h"

namespace win32 {
namespace {

// Extra bytes: the state (check state, BST_PUSHED, BST_FOCUS and the tracking bit), then the font.
const size_t state_slot = 0;
const size_t font_slot = sizeof(LONG_PTR);
const LONG_PTR tracking = 0x100;
const int check_box_size = 13;

DWORD type_of(HWND hwnd)
{
    return (DWORD)GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK;
}

bool has_check(DWORD type)
{
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_3STATE ||
           type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON;
}

bool is_push(DWORD type)
{
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_USERBUTTON || type == BS_PUSHBOX ||
           type == BS_OWNERDRAW;
}

void set_state(HWND hwnd, LONG_PTR state)
{
    if (state != read_extra(hwnd, state_slot)) {
        write_extra(hwnd, state_slot, state);
        InvalidateRect(hwnd, nullptr, FALSE);
    }
}

RECT inset(RECT rc, int by)
{
    return {rc.left + by, rc.top + by, rc.right - by, rc.bottom - by};
}

void draw_caption(HWND hwnd, HDC dc, RECT rc, UINT format)
{
    std::u16string text = window_text(hwnd);
    if (text.empty())
        return;
    unique_select_object font(dc, control_font(hwnd, font_slot));
    SetBkMode(dc, TRANSPARENT);
    if (!IsWindowEnabled(hwnd))
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(dc, text.c_str(), (int)text.size(), &rc, format);
}

void paint_push(HWND hwnd, HDC dc, RECT rc, LONG_PTR state, DWORD type)
{
    control_brush(hwnd, dc, WM_CTLCOLORBTN);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    fill_sys(dc, rc, COLOR_BTNFACE);
    if (type == BS_DEFPUSHBUTTON) {
        frame_sys(dc, rc, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
        rc = inset(rc, 1);
    }
    if (state & BST_PUSHED) {
        frame_sys(dc, rc, COLOR_BTNSHADOW, COLOR_BTNSHADOW);
        OffsetRect(&rc, 1, 1);
    } else {
        frame_sys(dc, rc, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW);
        frame_sys(dc, inset(rc, 1), COLOR_3DLIGHT, COLOR_BTNSHADOW);
    }
    draw_caption(hwnd, dc, rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void paint_check(HWND hwnd, HDC dc, RECT rc, LONG_PTR state, DWORD type)
{
    FillRect(dc, &rc, control_brush(hwnd, dc, WM_CTLCOLORSTATIC));
    int top = rc.top + (rc.bottom - rc.top - check_box_size) / 2;
    RECT box = {rc.left, top, rc.left + check_box_size, top + check_box_size};
    frame_sys(dc, box, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    frame_sys(dc, inset(box, 1), COLOR_3DDKSHADOW, COLOR_3DLIGHT);
    RECT inside = inset(box, 2);
    fill_sys(dc, inside, (state & BST_PUSHED) || (state & 3) == BST_INDETERMINATE ? COLOR_BTNFACE : COLOR_WINDOW);
    if (state & 3) {
        int mark = (state & 3) == BST_INDETERMINATE ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT;
        if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) {
            fill_sys(dc, inset(inside, 2), mark);
        } else {
            // A tick: three pixels thick, down to the right then up.
            for (int i = 0; i < 7; ++i) {
                int x = inside.left + 1 + i;
                int y = i < 3 ? inside.top + 3 + i : inside.top + 5 - (i - 2);
                fill_sys(dc, {x, y, x + 1, y + 3}, mark);
            }
        }
    }
    RECT text = {box.right + 4, rc.top, rc.right, rc.bottom};
    draw_caption(hwnd, dc, text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

// Only the frame and the caption: what lies inside a group box belongs to its parent.
void paint_group(HWND hwnd, HDC dc, RECT rc)
{
    HBRUSH brush = control_brush(hwnd, dc, WM_CTLCOLORSTATIC);
    std::u16string text = window_text(hwnd);
    SIZE extent = {0, 0};
    TEXTMETRICW tm = {};
    {
        unique_select_object font(dc, control_font(hwnd, font_slot));
        GetTextMetricsW(dc, &tm);
        if (!text.empty())
            GetTextExtentPoint32W(dc, text.c_str(), (int)text.size(), &extent);
    }
    RECT box = rc;
    box.top += tm.tmHeight / 2;
    frame_sys(dc, box, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    frame_sys(dc, inset(box, 1), COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
    if (!text.empty()) {
        RECT caption = {rc.left + 8, rc.top, rc.left + 8 + extent.cx + 4, rc.top + tm.tmHeight};
        FillRect(dc, &caption, brush);
        caption.left += 2;
        draw_caption(hwnd, dc, caption, DT_LEFT | DT_SINGLELINE | DT_NOCLIP);
    }
}

void paint(HWND hwnd)
{
    paint_control(hwnd, [hwnd](HDC dc, const RECT &rc) {
        LONG_PTR state = read_extra(hwnd, state_slot);
        DWORD type = type_of(hwnd);
        if (type == BS_GROUPBOX)
            paint_group(hwnd, dc, rc);
        else if (has_check(type))
            paint_check(hwnd, dc, rc, state, type);
        else
            paint_push(hwnd, dc, rc, state, type);
    });
}

// An automatic radio button takes the check from the others of its group.
void check_radio(HWND hwnd)
{
    HWND parent = GetParent(hwnd);
    for (HWND c = GetNextDlgGroupItem(parent, hwnd, FALSE); c && c != hwnd; c = GetNextDlgGroupItem(parent, c, FALSE)) {
        if (SendMessageW(c, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)
            SendMessageW(c, BM_SETCHECK, BST_UNCHECKED, 0);
    }
    SendMessageW(hwnd, BM_SETCHECK, BST_CHECKED, 0);
}

// The press is complete: automatic buttons change their check, then the parent hears BN_CLICKED.
void click(HWND hwnd)
{
    DWORD type = type_of(hwnd);
    LONG_PTR check = read_extra(hwnd, state_slot) & 3;
    if (type == BS_AUTOCHECKBOX)
        SendMessageW(hwnd, BM_SETCHECK, check ? BST_UNCHECKED : BST_CHECKED, 0);
    else if (type == BS_AUTO3STATE)
        SendMessageW(hwnd, BM_SETCHECK, (check + 1) % 3, 0);
    else if (type == BS_AUTORADIOBUTTON)
        check_radio(hwnd);
    SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED), (LPARAM)hwnd);
}

void press(HWND hwnd)
{
    set_state(hwnd, read_extra(hwnd, state_slot) | BST_PUSHED | tracking);
}

// Ends a press; clicks if the button was still pressed when it was released.
void release(HWND hwnd, bool inside)
{
    LONG_PTR state = read_extra(hwnd, state_slot);
    if (!(state & tracking))
        return;
    set_state(hwnd, state & ~(BST_PUSHED | tracking));
    if ((state & BST_PUSHED) && inside)
        click(hwnd);
}

bool point_inside(HWND hwnd, LPARAM lp)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
    return x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom;
}

LRESULT CALLBACK button_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    DWORD type = type_of(hwnd);
    switch (msg) {
    case WM_GETDLGCODE:
        if (type == BS_GROUPBOX)
            return DLGC_STATIC;
        if (type == BS_DEFPUSHBUTTON)
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON)
            return DLGC_BUTTON | DLGC_RADIOBUTTON;
        if (is_push(type))
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        return DLGC_BUTTON;
    case WM_PAINT:
        paint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_NCHITTEST:
        return type == BS_GROUPBOX ? HTTRANSPARENT : HTCLIENT;
    case WM_SETTEXT:
    case WM_ENABLE: {
        LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
        InvalidateRect(hwnd, nullptr, TRUE);
        return msg == WM_SETTEXT ? r : 0;
    }
    case WM_SETFONT:
        set_control_font(hwnd, font_slot, wp, lp);
        return 0;
    case WM_GETFONT: return read_extra(hwnd, font_slot);
    case BM_GETCHECK: return has_check(type) ? read_extra(hwnd, state_slot) & 3 : 0;
    case BM_SETCHECK: {
        if (!has_check(type))
            return 0;
        LONG_PTR check = (LONG_PTR)wp & 3;
        if (check == BST_INDETERMINATE && type != BS_3STATE && type != BS_AUTO3STATE)
            check = BST_CHECKED;
        if (check == 3)
            check = BST_CHECKED;
        set_state(hwnd, (read_extra(hwnd, state_slot) & ~(LONG_PTR)3) | check);
        return 0;
    }
    case BM_GETSTATE: return read_extra(hwnd, state_slot) & (3 | BST_PUSHED | BST_FOCUS);
    case BM_SETSTATE: {
        LONG_PTR state = read_extra(hwnd, state_slot);
        set_state(hwnd, wp ? state | BST_PUSHED : state & ~(LONG_PTR)BST_PUSHED);
        return 0;
    }
    case BM_SETSTYLE: {
        DWORD style = (DWORD)GetWindowLongW(hwnd, GWL_STYLE);
        SetWindowLongW(hwnd, GWL_STYLE, (LONG)((style & ~BS_TYPEMASK) | (wp & BS_TYPEMASK)));
        if (LOWORD(lp))
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    }
    case BM_CLICK:
        if (IsWindowEnabled(hwnd) && type != BS_GROUPBOX) {
            SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, 0);
            SendMessageW(hwnd, WM_LBUTTONUP, 0, 0);
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (type == BS_GROUPBOX)
            return 0;
        if (GetFocus() != hwnd)
            SetFocus(hwnd);
        press(hwnd);
        return 0;
    case WM_MOUSEMOVE: {
        LONG_PTR state = read_extra(hwnd, state_slot);
        if (state & tracking)
            set_state(hwnd, point_inside(hwnd, lp) ? state | BST_PUSHED : state & ~(LONG_PTR)BST_PUSHED);
        return 0;
    }
    case WM_LBUTTONUP:
        release(hwnd, point_inside(hwnd, lp));
        return 0;
    case WM_KEYDOWN:
        if (wp == VK_SPACE && type != BS_GROUPBOX)
            press(hwnd);
        return 0;
    case WM_KEYUP:
        if (wp == VK_SPACE)
            release(hwnd, true);
        return 0;
    case WM_SETFOCUS:
        set_state(hwnd, read_extra(hwnd, state_slot) | BST_FOCUS);
        if ((DWORD)GetWindowLongW(hwnd, GWL_STYLE) & BS_NOTIFY)
            SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_SETFOCUS), (LPARAM)hwnd);
        return 0;
    case WM_KILLFOCUS:
        set_state(hwnd, read_extra(hwnd, state_slot) & ~(BST_FOCUS | BST_PUSHED | tracking));
        if ((DWORD)GetWindowLongW(hwnd, GWL_STYLE) & BS_NOTIFY)
            SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_KILLFOCUS), (LPARAM)hwnd);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

__attribute__((constructor)) void register_button_class()
{
    WNDCLASSW wc = {};
    wc.style = CS_DBLCLKS | CS_VREDRAW | CS_HREDRAW | CS_PARENTDC | CS_GLOBALCLASS;
    wc.lpfnWndProc = button_proc;
    wc.cbWndExtra = 2 * sizeof(LONG_PTR);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = u"Button";
    RegisterClassW(&wc);
}

}  // namespace
}  // namespace win32
