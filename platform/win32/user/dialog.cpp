// The dialog manager: the "#32770" class, DefDlgProcW, dialogs made from templates (modeless and
// modal), EndDialog and dialog units.
#include "dialog_internal.h"
#include "internal/window.h"

#include <cstring>
#include <utility>

namespace win32 {
namespace {

// What the dialog manager keeps for each of its dialogs, beside the window's extra bytes (which
// belong to the application: DWLP_MSGRESULT, DWLP_DLGPROC, DWLP_USER).
struct dialog_info {
    HFONT font = nullptr;        // the font the dialog and its items use (WM_GETFONT)
    unique_hfont owned_font;     // made from the template; deleted with the dialog
    int base_x = 0, base_y = 0;  // dialog base units in pixels
    HWND saved_focus = nullptr;
    UINT def_id = 0;
    bool ended = false;
    INT_PTR result = 0;
};

struct dialog_table {
    std::mutex lock;
    std::unordered_map<HWND, dialog_info> dialogs;
};

dialog_table &dialogs()
{
    static auto *t = new dialog_table;  // outlives every thread
    return *t;
}

// Runs f on the dialog's state under the table's lock; false for a window without one.
template <class F>
bool with_info(HWND hwnd, F f)
{
    auto &t = dialogs();
    std::lock_guard<std::mutex> g(t.lock);
    auto it = t.dialogs.find(hwnd);
    if (it == t.dialogs.end())
        return false;
    f(it->second);
    return true;
}

// The system font's base units, used by dialogs without a font of their own (classic 96 DPI).
const int system_base_x = 8;
const int system_base_y = 16;
// A template font's units when the text cannot be measured: 8-point "MS Shell Dlg" at 96 DPI.
const int fallback_base_x = 6;
const int fallback_base_y = 13;

int mul_div(int value, int numerator, int denominator)
{
    long long p = (long long)value * numerator;
    long long half = denominator / 2;
    return (int)(p >= 0 ? (p + half) / denominator : (p - half) / denominator);
}

// Average width of the alphabet, rounded, and the cell height, as the dialog manager measures them.
void measure_font(HFONT font, int *x, int *y)
{
    *x = fallback_base_x;
    *y = fallback_base_y;
    unique_window_dc dc(nullptr);
    if (!dc)
        return;
    unique_select_object selected(dc.get(), font);
    static const WCHAR alphabet[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE extent = {};
    TEXTMETRICW tm = {};
    if (selected && GetTextExtentPoint32W(dc.get(), alphabet, 52, &extent) && GetTextMetricsW(dc.get(), &tm) &&
        extent.cx > 0 && tm.tmHeight > 0) {
        *x = (extent.cx / 26 + 1) / 2;
        *y = tm.tmHeight;
    }
}

HFONT make_template_font(const dialog_header &h)
{
    int height = -mul_div(h.point_size, 96, 72);
    return CreateFontW(height, 0, 0, 0, h.weight, h.italic, FALSE, FALSE, h.charset, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, h.face.c_str());
}

bool is_focus_inside(HWND hdlg, HWND focus)
{
    return focus && IsChild(hdlg, focus);
}

void restore_focus(HWND hdlg)
{
    HWND target = nullptr;
    with_info(hdlg, [&](dialog_info &d) { target = d.saved_focus; });
    if (!target || !IsWindow(target) || !IsChild(hdlg, target))
        target = GetNextDlgTabItem(hdlg, nullptr, FALSE);
    if (target)
        SetFocus(target);
}

void save_focus(HWND hdlg)
{
    HWND focus = GetFocus();
    if (is_focus_inside(hdlg, focus))
        with_info(hdlg, [&](dialog_info &d) { d.saved_focus = focus; });
}

// The push button that says it is the default one, if no identifier was set.
UINT find_default_button(HWND hdlg)
{
    for (HWND c = GetWindow(hdlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (SendMessageW(c, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)
            return (UINT)GetDlgCtrlID(c);
    return 0;
}

void set_default_id(HWND hdlg, UINT id)
{
    UINT old = 0;
    with_info(hdlg, [&](dialog_info &d) {
        old = d.def_id;
        d.def_id = id;
    });
    // The push buttons follow: the old default loses its heavy frame, the new one gains it.
    if (HWND b = old ? GetDlgItem(hdlg, (int)old) : nullptr)
        if (SendMessageW(b, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)
            SendMessageW(b, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    if (HWND b = id ? GetDlgItem(hdlg, (int)id) : nullptr)
        if (SendMessageW(b, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON)
            SendMessageW(b, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

LRESULT default_dialog_processing(HWND hdlg, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_ERASEBKGND: {
        HDC dc = (HDC)wp;
        HBRUSH brush = (HBRUSH)SendMessageW(hdlg, WM_CTLCOLORDLG, wp, (LPARAM)hdlg);
        if (!brush)
            brush = GetSysColorBrush(COLOR_BTNFACE);
        RECT rc;
        GetClientRect(hdlg, &rc);
        FillRect(dc, &rc, brush);
        return TRUE;
    }
    case WM_SHOWWINDOW:
        if (!wp)
            save_focus(hdlg);
        return DefWindowProcW(hdlg, msg, wp, lp);
    case WM_ACTIVATE:
        // A control that already has the focus (one WM_INITDIALOG chose) keeps it.
        if (LOWORD(wp) == WA_INACTIVE || is_focus_inside(hdlg, GetFocus()))
            save_focus(hdlg);
        else
            restore_focus(hdlg);
        return 0;
    case WM_SETFOCUS:
        restore_focus(hdlg);
        return 0;
    case WM_SETFONT:
        with_info(hdlg, [&](dialog_info &d) { d.font = (HFONT)wp; });
        return 0;
    case WM_GETFONT: {
        HFONT font = nullptr;
        with_info(hdlg, [&](dialog_info &d) { font = d.font; });
        return (LRESULT)font;
    }
    case DM_SETDEFID:
        set_default_id(hdlg, (UINT)wp);
        return TRUE;
    case DM_GETDEFID: {
        UINT id = 0;
        with_info(hdlg, [&](dialog_info &d) { id = d.def_id; });
        if (!id)
            id = find_default_button(hdlg);
        return id ? MAKELRESULT(id, DC_HASDEFID) : 0;
    }
    case WM_NEXTDLGCTL: {
        HWND target = LOWORD(lp) ? (HWND)wp : GetNextDlgTabItem(hdlg, GetFocus(), (BOOL)wp);
        if (target && IsChild(hdlg, target))
            SetFocus(target);
        return 0;
    }
    case WM_CLOSE: {
        // Closing a dialog is pressing its Cancel button, when that button can be pressed.
        HWND cancel = GetDlgItem(hdlg, IDCANCEL);
        if (!cancel || IsWindowEnabled(cancel))
            PostMessageW(hdlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)cancel);
        return 0;
    }
    case WM_NCDESTROY: {
        {
            unique_hfont owned;  // deleted once the table's lock is released
            auto &t = dialogs();
            std::lock_guard<std::mutex> g(t.lock);
            auto it = t.dialogs.find(hdlg);
            if (it != t.dialogs.end()) {
                owned = std::move(it->second.owned_font);
                t.dialogs.erase(it);
            }
        }
        return DefWindowProcW(hdlg, msg, wp, lp);
    }
    }
    return DefWindowProcW(hdlg, msg, wp, lp);
}

// Messages whose answer is the dialog procedure's own return value, not DWLP_MSGRESULT.
bool answers_directly(UINT msg)
{
    return msg == WM_INITDIALOG || msg == WM_COMPAREITEM || msg == WM_VKEYTOITEM || msg == WM_CHARTOITEM ||
           msg == WM_QUERYDRAGICON || msg == WM_CTLCOLOR || (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC);
}

// Registers "#32770" for every module, under the atom Windows gives it.
__attribute__((constructor)) void register_dialog_class()
{
    WNDCLASSW wc = {};
    wc.style = CS_DBLCLKS | CS_SAVEBITS | CS_GLOBALCLASS;
    wc.lpfnWndProc = DefDlgProcW;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.lpszClassName = u"#32770";
    if (!RegisterClassW(&wc))
        return;
    user_lock lock(user_mutex());
    if (auto cls = find_class(u"#32770", nullptr))
        cls->atom = 0x8002;
}

HWND create_dialog(HINSTANCE instance, const BYTE *data, size_t size, HWND parent, DLGPROC proc, LPARAM param)
{
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    template_reader reader(data, size);
    dialog_header h;
    if (!reader.header(h)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if ((h.style & WS_CHILD) && (!parent || !IsWindow(parent))) {
        SetLastError(parent ? ERROR_INVALID_WINDOW_HANDLE : ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }

    dialog_info info;
    info.base_x = system_base_x;
    info.base_y = system_base_y;
    if (h.has_font) {
        info.owned_font.reset(make_template_font(h));
        if (info.owned_font) {
            info.font = info.owned_font.get();
            measure_font(info.font, &info.base_x, &info.base_y);
        }
    }

    DWORD style = h.style & ~WS_VISIBLE, ex_style = h.ex_style;
    if (h.style & DS_MODALFRAME)
        ex_style |= WS_EX_DLGMODALFRAME;
    if (h.style & DS_CONTROL) {
        style &= ~(WS_CAPTION | WS_SYSMENU);
        ex_style |= WS_EX_CONTROLPARENT;
    }
    int x = mul_div(h.x, info.base_x, 4), y = mul_div(h.y, info.base_y, 8);
    int cx = mul_div(h.cx, info.base_x, 4), cy = mul_div(h.cy, info.base_y, 8);
    if (!(style & WS_CHILD) && parent && !(h.style & DS_ABSALIGN)) {
        POINT origin = {0, 0};
        ClientToScreen(parent, &origin);
        x += origin.x;
        y += origin.y;
    }

    LPCWSTR class_name = h.cls.present ? (h.cls.ordinal ? MAKEINTATOM(h.cls.id) : h.cls.text.c_str()) : WC_DIALOG;
    HWND hdlg = CreateWindowExW(ex_style, class_name, h.title.present ? h.title.text.c_str() : u"", style, x, y, cx,
                                cy, parent, nullptr, instance, (LPVOID)param);
    if (!hdlg)
        return nullptr;
    {
        auto &t = dialogs();
        std::lock_guard<std::mutex> g(t.lock);
        t.dialogs[hdlg] = std::move(info);
    }
    // The template gives the client area's size; the frame comes on top of it.
    RECT window_rc, client_rc;
    GetWindowRect(hdlg, &window_rc);
    GetClientRect(hdlg, &client_rc);
    int frame_x = (window_rc.right - window_rc.left) - client_rc.right;
    int frame_y = (window_rc.bottom - window_rc.top) - client_rc.bottom;
    if (frame_x || frame_y)
        SetWindowPos(hdlg, nullptr, 0, 0, cx + frame_x, cy + frame_y,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (h.style & DS_CENTER) {
        RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if (style & WS_CHILD)
            GetClientRect(parent, &area);
        GetWindowRect(hdlg, &window_rc);
        int w = window_rc.right - window_rc.left, hgt = window_rc.bottom - window_rc.top;
        SetWindowPos(hdlg, nullptr, area.left + (area.right - area.left - w) / 2,
                     area.top + (area.bottom - area.top - hgt) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    write_extra(hdlg, DWLP_DLGPROC, (LONG_PTR)proc);

    if (info.font)
        SendMessageW(hdlg, WM_SETFONT, (WPARAM)info.font, 0);

    // The items, each given the dialog's font as soon as it exists.
    for (WORD i = 0; i < h.count && IsWindow(hdlg); ++i) {
        dialog_item item;
        if (!reader.item(h.extended, item)) {
            DestroyWindow(hdlg);
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        std::u16string class_buffer;
        LPCWSTR item_class = item_class_name(item.cls, class_buffer);
        WCHAR ordinal_title[3] = {0xFFFF, item.title.id, 0};
        LPCWSTR title = !item.title.present ? u"" : item.title.ordinal ? ordinal_title : item.title.text.c_str();
        DWORD item_style = (item.style & ~WS_POPUP) | WS_CHILD;
        HWND control = CreateWindowExW(item.ex_style | WS_EX_NOPARENTNOTIFY, item_class, title, item_style,
                                       mul_div(item.x, info.base_x, 4), mul_div(item.y, info.base_y, 8),
                                       mul_div(item.cx, info.base_x, 4), mul_div(item.cy, info.base_y, 8), hdlg,
                                       (HMENU)(ULONG_PTR)item.id, instance, (LPVOID)item.data);
        if (!control) {
            if (h.style & DS_NOFAILCREATE)
                continue;
            DWORD error = GetLastError();
            DestroyWindow(hdlg);
            SetLastError(error);
            return nullptr;
        }
        if (info.font)
            SendMessageW(control, WM_SETFONT, (WPARAM)info.font, 0);
    }
    if (!IsWindow(hdlg))
        return nullptr;

    HWND first = GetNextDlgTabItem(hdlg, nullptr, FALSE);
    if (SendMessageW(hdlg, WM_INITDIALOG, (WPARAM)first, param) && IsWindow(first) && IsChild(hdlg, first))
        SetFocus(first);
    if (!IsWindow(hdlg))
        return nullptr;
    if (h.style & WS_VISIBLE)
        ShowWindow(hdlg, (style & WS_CHILD) ? SW_SHOW : SW_SHOWNORMAL);
    return IsWindow(hdlg) ? hdlg : nullptr;
}

// A dialog template from the module's resources, with its size so that no read passes its end.
const BYTE *find_template(HINSTANCE instance, LPCWSTR name, size_t *size)
{
    HRSRC res = FindResourceW(instance, name, RT_DIALOG);
    if (!res)
        return nullptr;
    HGLOBAL loaded = LoadResource(instance, res);
    const BYTE *data = loaded ? (const BYTE *)LockResource(loaded) : nullptr;
    *size = SizeofResource(instance, res);
    return data;
}

bool dialog_ended(HWND hdlg)
{
    bool ended = true;
    with_info(hdlg, [&](dialog_info &d) { ended = d.ended; });
    return ended;
}

// The modal loop: the owner is disabled until EndDialog, and the dialog sees its keys first.
INT_PTR run_modal(HINSTANCE instance, const BYTE *data, size_t size, HWND parent, DLGPROC proc, LPARAM param)
{
    HWND owner = parent;
    while (owner && (GetWindowLongW(owner, GWL_STYLE) & WS_CHILD))
        owner = GetParent(owner);
    HWND hdlg = create_dialog(instance, data, size, owner, proc, param);
    if (!hdlg)
        return -1;
    bool owner_enabled = owner && IsWindowEnabled(owner);
    if (owner_enabled)
        EnableWindow(owner, FALSE);
    if (!dialog_ended(hdlg) && !IsWindowVisible(hdlg))
        ShowWindow(hdlg, SW_SHOWNORMAL);
    MSG msg;
    while (IsWindow(hdlg) && !dialog_ended(hdlg)) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                PostQuitMessage((int)msg.wParam);  // WM_QUIT ends the dialog and goes on to the caller's loop
            break;
        }
        if (!IsDialogMessageW(hdlg, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    INT_PTR result = -1;
    with_info(hdlg, [&](dialog_info &d) { result = d.ended ? d.result : -1; });
    if (owner_enabled)
        EnableWindow(owner, TRUE);
    if (IsWindow(hdlg))
        DestroyWindow(hdlg);
    return result;
}

}  // namespace

LONG_PTR read_extra(HWND hwnd, size_t offset)
{
    user_lock lock(user_mutex());
    window *w = find_window(hwnd);
    LONG_PTR value = 0;
    if (w && offset + sizeof value <= w->extra.size())
        memcpy(&value, w->extra.data() + offset, sizeof value);
    return value;
}

void write_extra(HWND hwnd, size_t offset, LONG_PTR value)
{
    user_lock lock(user_mutex());
    window *w = find_window(hwnd);
    if (w && offset + sizeof value <= w->extra.size())
        memcpy(w->extra.data() + offset, &value, sizeof value);
}

bool dialog_base_units(HWND hdlg, int *x, int *y)
{
    return with_info(hdlg, [&](dialog_info &d) {
        *x = d.base_x;
        *y = d.base_y;
    });
}

}  // namespace win32

using namespace win32;

LRESULT WINAPI DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    auto proc = (DLGPROC)read_extra(hDlg, DWLP_DLGPROC);
    if (proc) {
        write_extra(hDlg, DWLP_MSGRESULT, 0);
        INT_PTR handled = proc(hDlg, Msg, wParam, lParam);
        if (answers_directly(Msg) && (handled || Msg == WM_INITDIALOG))
            return handled;
        if (handled)
            return read_extra(hDlg, DWLP_MSGRESULT);
        if (!IsWindow(hDlg))
            return 0;
    }
    if (Msg == WM_INITDIALOG)
        return 0;
    return default_dialog_processing(hDlg, Msg, wParam, lParam);
}

HWND WINAPI CreateDialogIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW lpTemplate, HWND hWndParent,
                                       DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    return create_dialog(hInstance, (const BYTE *)lpTemplate, SIZE_MAX, hWndParent, lpDialogFunc, dwInitParam);
}

HWND WINAPI CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam)
{
    size_t size = 0;
    const BYTE *data = find_template(hInstance, lpTemplateName, &size);
    if (!data)
        return nullptr;
    return create_dialog(hInstance, data, size, hWndParent, lpDialogFunc, dwInitParam);
}

INT_PTR WINAPI DialogBoxIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW hDialogTemplate, HWND hWndParent,
                                       DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    return run_modal(hInstance, (const BYTE *)hDialogTemplate, SIZE_MAX, hWndParent, lpDialogFunc, dwInitParam);
}

INT_PTR WINAPI DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam)
{
    size_t size = 0;
    const BYTE *data = find_template(hInstance, lpTemplateName, &size);
    if (!data)
        return -1;
    return run_modal(hInstance, data, size, hWndParent, lpDialogFunc, dwInitParam);
}

// Ends a modal dialog's loop with the result, hiding the dialog; the loop destroys it. A modeless
// dialog is only hidden.
BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult)
{
    if (!IsWindow(hDlg)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!with_info(hDlg, [&](dialog_info &d) {
            d.ended = true;
            d.result = nResult;
        })) {
        SetLastError(ERROR_WINDOW_NOT_DIALOG);
        return FALSE;
    }
    SetWindowPos(hDlg, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageW(hDlg, WM_NULL, 0, 0);  // wakes the modal loop
    return TRUE;
}

BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect)
{
    int bx, by;
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!dialog_base_units(hDlg, &bx, &by)) {
        SetLastError(IsWindow(hDlg) ? ERROR_WINDOW_NOT_DIALOG : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    lpRect->left = mul_div(lpRect->left, bx, 4);
    lpRect->right = mul_div(lpRect->right, bx, 4);
    lpRect->top = mul_div(lpRect->top, by, 8);
    lpRect->bottom = mul_div(lpRect->bottom, by, 8);
    return TRUE;
}

// The system font's units, classic 96 DPI: 8 x 16.
LONG WINAPI GetDialogBaseUnits(void)
{
    return MAKELONG(system_base_x, system_base_y);
}
