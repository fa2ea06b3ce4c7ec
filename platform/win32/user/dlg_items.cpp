// Dialog items and keyboard navigation: item text, numbers and checks, tab and group order, and
// IsDialogMessageW.
#include "dialog_internal.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace win32 {
namespace {

// Every control the dialog manager reaches from the dialog, in Z order. Children that are control
// parents themselves (child dialogs) are entered instead of being listed.
void collect_controls(HWND parent, std::vector<HWND> &out)
{
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        DWORD style = (DWORD)GetWindowLongW(c, GWL_STYLE);
        DWORD ex_style = (DWORD)GetWindowLongW(c, GWL_EXSTYLE);
        if ((ex_style & WS_EX_CONTROLPARENT) && (style & WS_VISIBLE) && !(style & WS_DISABLED))
            collect_controls(c, out);
        else
            out.push_back(c);
    }
}

// The dialog's controls for tab and group navigation; false, with the last error set, when hDlg is
// not a window.
bool navigation_list(HWND hDlg, std::vector<HWND> &list)
{
    if (!IsWindow(hDlg)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    collect_controls(hDlg, list);
    return true;
}

// Where the control stands in the list; `missing` when it is not there.
size_t position_of(const std::vector<HWND> &list, HWND control, size_t missing)
{
    auto it = std::find(list.begin(), list.end(), control);
    return it == list.end() ? missing : size_t(it - list.begin());
}

bool usable(HWND c)
{
    DWORD style = (DWORD)GetWindowLongW(c, GWL_STYLE);
    return (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

// The next (or previous) control, cyclically from `from`, that passes `ok`; from itself last.
template <class Ok>
HWND cycle(const std::vector<HWND> &list, size_t from, bool previous, Ok ok)
{
    size_t n = list.size();
    for (size_t k = 1; k <= n; ++k) {
        size_t i = previous ? (from + n - k % n) % n : (from + k) % n;
        if (ok(list[i]))
            return list[i];
    }
    return nullptr;
}

// Whether Shift is down, as seen by the dialog manager in the key messages it was given.
thread_local bool shift_down = false;

}  // namespace
}  // namespace win32

using namespace win32;

UINT WINAPI GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    if (!item) {
        if (lpString && cchMax > 0)
            lpString[0] = 0;
        return 0;
    }
    return (UINT)GetWindowTextW(item, lpString, cchMax);
}

BOOL WINAPI SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? (BOOL)SendMessageW(item, WM_SETTEXT, 0, (LPARAM)lpString) : FALSE;
}

// Leading and trailing blanks are allowed; anything else that is not a digit, or a value that
// does not fit, fails the translation.
UINT WINAPI GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL *lpTranslated, BOOL bSigned)
{
    if (lpTranslated)
        *lpTranslated = FALSE;
    WCHAR text[64];
    if (!GetDlgItem(hDlg, nIDDlgItem))
        return 0;
    GetDlgItemTextW(hDlg, nIDDlgItem, text, 64);
    const WCHAR *p = text;
    while (*p == u' ' || *p == u'\t')
        ++p;
    bool negative = false;
    if (*p == u'-' && bSigned) {
        negative = true;
        ++p;
    } else if (*p == u'+') {
        ++p;
    }
    if (*p < u'0' || *p > u'9')
        return 0;
    unsigned long long value = 0;
    for (; *p >= u'0' && *p <= u'9'; ++p) {
        value = value * 10 + (unsigned)(*p - u'0');
        if (value > 0xFFFFFFFFull)
            return 0;
    }
    while (*p == u' ' || *p == u'\t')
        ++p;
    if (*p)
        return 0;
    if (bSigned && (negative ? value > 0x80000000ull : value > 0x7FFFFFFFull))
        return 0;
    if (lpTranslated)
        *lpTranslated = TRUE;
    return negative ? (UINT)(-(long long)value) : (UINT)value;
}

BOOL WINAPI SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned)
{
    char digits[16];
    snprintf(digits, sizeof digits, bSigned ? "%d" : "%u", bSigned ? (int)uValue : uValue);
    WCHAR text[16];
    int i = 0;
    for (; digits[i]; ++i)
        text[i] = (WCHAR)digits[i];
    text[i] = 0;
    return SetDlgItemTextW(hDlg, nIDDlgItem, text);
}

LRESULT WINAPI SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SendMessageW(item, Msg, wParam, lParam) : 0;
}

BOOL WINAPI CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck)
{
    HWND item = GetDlgItem(hDlg, nIDButton);
    if (!item)
        return FALSE;
    SendMessageW(item, BM_SETCHECK, uCheck, 0);
    return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND hDlg, int nIDButton)
{
    return (UINT)SendDlgItemMessageW(hDlg, nIDButton, BM_GETCHECK, 0, 0);
}

// From no control, the search starts at the last (or first) one, so it finds the first (or last).
HWND WINAPI GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    std::vector<HWND> list;
    if (!navigation_list(hDlg, list) || list.empty())
        return nullptr;
    size_t from = position_of(list, hCtl, bPrevious ? 0 : list.size() - 1);
    HWND found = cycle(list, from, bPrevious, [](HWND c) {
        return usable(c) && (GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP);
    });
    return found ? found : hCtl;
}

// A group runs from a control with WS_GROUP to the control before the next one with WS_GROUP.
HWND WINAPI GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    std::vector<HWND> list;
    if (!navigation_list(hDlg, list))
        return nullptr;
    size_t at = position_of(list, hCtl, list.size());
    if (at == list.size())
        return list.empty() ? nullptr : bPrevious ? list.back() : list.front();
    size_t first = at;
    while (first > 0 && !(GetWindowLongW(list[first], GWL_STYLE) & WS_GROUP))
        --first;
    size_t end = at + 1;
    while (end < list.size() && !(GetWindowLongW(list[end], GWL_STYLE) & WS_GROUP))
        ++end;
    std::vector<HWND> group(list.begin() + first, list.begin() + end);
    HWND found = cycle(group, at - first, bPrevious, usable);
    return found ? found : hCtl;
}

// Keys the dialog manager answers (Tab, Shift+Tab, Enter, Esc, arrows within a group) unless the
// control asks for them through WM_GETDLGCODE; every other message of the dialog is dispatched.
BOOL WINAPI IsDialogMessageW(HWND hDlg, LPMSG lpMsg)
{
    if (!lpMsg || !IsWindow(hDlg))
        return FALSE;
    if (lpMsg->hwnd != hDlg && !IsChild(hDlg, lpMsg->hwnd))
        return FALSE;
    if ((lpMsg->message == WM_KEYDOWN || lpMsg->message == WM_KEYUP) && lpMsg->wParam == VK_SHIFT)
        shift_down = lpMsg->message == WM_KEYDOWN;
    if (lpMsg->message == WM_KEYDOWN) {
        LRESULT code = SendMessageW(lpMsg->hwnd, WM_GETDLGCODE, lpMsg->wParam, (LPARAM)lpMsg);
        if (!(code & DLGC_WANTMESSAGE)) {
            switch (lpMsg->wParam) {
            case VK_TAB:
                if (code & DLGC_WANTTAB)
                    break;
                SendMessageW(hDlg, WM_NEXTDLGCTL, shift_down, 0);
                return TRUE;
            case VK_RETURN: {
                int id = IDOK;
                HWND button = nullptr;
                if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
                    button = lpMsg->hwnd;  // a focused push button is the one Enter presses
                    id = GetDlgCtrlID(button);
                } else {
                    LRESULT def = SendMessageW(hDlg, DM_GETDEFID, 0, 0);
                    if (HIWORD(def) == DC_HASDEFID)
                        id = LOWORD(def);
                    button = GetDlgItem(hDlg, id);
                }
                if (!button || IsWindowEnabled(button))
                    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
                return TRUE;
            }
            case VK_ESCAPE: {
                HWND cancel = GetDlgItem(hDlg, IDCANCEL);
                if (!cancel || IsWindowEnabled(cancel))
                    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)cancel);
                return TRUE;
            }
            case VK_LEFT:
            case VK_UP:
            case VK_RIGHT:
            case VK_DOWN:
                if (code & DLGC_WANTARROWS)
                    break;
                if (HWND next = GetNextDlgGroupItem(hDlg, lpMsg->hwnd,
                                                    lpMsg->wParam == VK_LEFT || lpMsg->wParam == VK_UP))
                    SetFocus(next);
                return TRUE;
            }
        }
    }
    TranslateMessage(lpMsg);
    DispatchMessageW(lpMsg);
    return TRUE;
}
