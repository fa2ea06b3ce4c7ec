// The "Static" control: text, rectangles and frames, icons by handle, and click notifications with
// SS_NOTIFY. Its text is painted through the parent's WM_CTLCOLORSTATIC brush and colours.
#include "dialog_internal.h"

namespace win32 {
namespace {

// Extra bytes: the font, then the image (icon or bitmap) handle.
const size_t font_slot = 0;
const size_t image_slot = sizeof(LONG_PTR);

UINT text_format(DWORD style)
{
    UINT format = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER: format |= DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS; break;
    case SS_RIGHT: format |= DT_RIGHT | DT_WORDBREAK | DT_EXPANDTABS; break;
    case SS_SIMPLE: format |= DT_SINGLELINE; break;
    case SS_LEFTNOWORDWRAP: format |= DT_EXPANDTABS; break;
    default: format |= DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS; break;
    }
    if (style & SS_CENTERIMAGE)
        format = (format & ~DT_WORDBREAK) | DT_VCENTER | DT_SINGLELINE;
    if ((style & SS_ELLIPSISMASK) == SS_ENDELLIPSIS)
        format |= DT_END_ELLIPSIS;
    else if ((style & SS_ELLIPSISMASK) == SS_PATHELLIPSIS)
        format |= DT_PATH_ELLIPSIS;
    else if ((style & SS_ELLIPSISMASK) == SS_WORDELLIPSIS)
        format |= DT_WORD_ELLIPSIS;
    return format;
}

void paint_text(HWND hwnd, HDC dc, const RECT &rc, DWORD style)
{
    HBRUSH brush = control_brush(hwnd, dc, WM_CTLCOLORSTATIC);
    FillRect(dc, &rc, brush);
    std::u16string text = window_text(hwnd);
    if (text.empty())
        return;
    unique_select_object font(dc, control_font(hwnd, font_slot));
    if (style & WS_DISABLED)
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    SetBkMode(dc, TRANSPARENT);
    RECT text_rc = rc;
    DrawTextW(dc, text.c_str(), (int)text.size(), &text_rc, text_format(style));
}

void paint(HWND hwnd)
{
    paint_control(hwnd, [hwnd](HDC dc, const RECT &rc) {
        DWORD style = (DWORD)GetWindowLongW(hwnd, GWL_STYLE);
        switch (style & SS_TYPEMASK) {
        case SS_BLACKRECT: fill_sys(dc, rc, COLOR_WINDOWFRAME); break;
        case SS_GRAYRECT: fill_sys(dc, rc, COLOR_BTNSHADOW); break;
        case SS_WHITERECT: fill_sys(dc, rc, COLOR_WINDOW); break;
        case SS_BLACKFRAME: frame_sys(dc, rc, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME); break;
        case SS_GRAYFRAME: frame_sys(dc, rc, COLOR_BTNSHADOW, COLOR_BTNSHADOW); break;
        case SS_WHITEFRAME: frame_sys(dc, rc, COLOR_BTNHIGHLIGHT, COLOR_BTNHIGHLIGHT); break;
        case SS_ETCHEDFRAME:
            frame_sys(dc, rc, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
            frame_sys(dc, {rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1}, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
            break;
        case SS_ETCHEDHORZ:
            fill_sys(dc, {rc.left, rc.top, rc.right, rc.top + 1}, COLOR_BTNSHADOW);
            fill_sys(dc, {rc.left, rc.top + 1, rc.right, rc.top + 2}, COLOR_BTNHIGHLIGHT);
            break;
        case SS_ETCHEDVERT:
            fill_sys(dc, {rc.left, rc.top, rc.left + 1, rc.bottom}, COLOR_BTNSHADOW);
            fill_sys(dc, {rc.left + 1, rc.top, rc.left + 2, rc.bottom}, COLOR_BTNHIGHLIGHT);
            break;
        case SS_ICON:
        case SS_BITMAP:
        case SS_ENHMETAFILE:
        case SS_OWNERDRAW:
        case SS_USERITEM:
            FillRect(dc, &rc, control_brush(hwnd, dc, WM_CTLCOLORSTATIC));  // images are not drawn
            break;
        default: paint_text(hwnd, dc, rc, style); break;
        }
        if (style & SS_SUNKEN)
            frame_sys(dc, rc, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    });
}

void notify_parent(HWND hwnd, WORD code)
{
    if ((DWORD)GetWindowLongW(hwnd, GWL_STYLE) & SS_NOTIFY)
        SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), code), (LPARAM)hwnd);
}

LRESULT CALLBACK static_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_NCCREATE: {
        // A title given as a resource ordinal (0xFFFF, id) names the icon of an SS_ICON control.
        auto *cs = (CREATESTRUCTW *)lp;
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName) && cs->lpszName[0] == 0xFFFF) {
            if ((cs->style & SS_TYPEMASK) == SS_ICON)
                write_extra(hwnd, image_slot, (LONG_PTR)LoadIconW(cs->hInstance, MAKEINTRESOURCEW(cs->lpszName[1])));
            CREATESTRUCTW plain = *cs;
            plain.lpszName = u"";
            return DefWindowProcW(hwnd, msg, wp, (LPARAM)&plain);
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    case WM_PAINT:
        paint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return TRUE;  // WM_PAINT covers every pixel it owns
    case WM_SETTEXT: {
        LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
        InvalidateRect(hwnd, nullptr, TRUE);
        return r;
    }
    case WM_SETFONT:
        set_control_font(hwnd, font_slot, wp, lp);
        return 0;
    case WM_GETFONT: return read_extra(hwnd, font_slot);
    case WM_ENABLE:
        notify_parent(hwnd, wp ? STN_ENABLE : STN_DISABLE);
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_NCHITTEST:
        return ((DWORD)GetWindowLongW(hwnd, GWL_STYLE) & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    case WM_LBUTTONDOWN: notify_parent(hwnd, STN_CLICKED); return 0;
    case WM_LBUTTONDBLCLK: notify_parent(hwnd, STN_DBLCLK); return 0;
    case WM_GETDLGCODE: return DLGC_STATIC;
    case STM_SETICON:
    case STM_SETIMAGE: {
        LONG_PTR old = read_extra(hwnd, image_slot);
        write_extra(hwnd, image_slot, (LONG_PTR)(msg == STM_SETICON ? wp : lp));
        InvalidateRect(hwnd, nullptr, TRUE);
        return old;
    }
    case STM_GETICON:
    case STM_GETIMAGE: return read_extra(hwnd, image_slot);
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

__attribute__((constructor)) void register_static_class()
{
    WNDCLASSW wc = {};
    wc.style = CS_DBLCLKS | CS_PARENTDC | CS_GLOBALCLASS;
    wc.lpfnWndProc = static_proc;
    wc.cbWndExtra = 2 * sizeof(LONG_PTR);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = u"Static";
    RegisterClassW(&wc);
}

}  // namespace

HBRUSH control_brush(HWND control, HDC dc, UINT ctlcolor_msg)
{
    HWND parent = GetParent(control);
    HBRUSH brush = parent ? (HBRUSH)SendMessageW(parent, ctlcolor_msg, (WPARAM)dc, (LPARAM)control) : nullptr;
    return brush ? brush : default_control_colors(dc, ctlcolor_msg);
}

}  // namespace win32
