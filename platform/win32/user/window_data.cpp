// Window data: the GWL_/GWLP_ fields and extra bytes, the window text and named properties.
#include "internal/window.h"

#include <algorithm>
#include <cstring>

namespace win32 {
namespace {

using prop_list = std::vector<std::pair<std::u16string, HANDLE>>;

// Runs f(window, the named property or the list's end) with the lock held; fails for a dead window.
template <class R, class F>
R with_prop(HWND hwnd, LPCWSTR name, R failed, F f)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hwnd);
    if (!w)
        return failed;
    std::u16string key = atom_or_name(name);
    auto it = std::find_if(w->props.begin(), w->props.end(),
                           [&](const prop_list::value_type &prop) { return name_equal(prop.first, key.c_str()); });
    return f(*w, it);
}

// Reads the T at index in the window's extra bytes into old, then stores *replacement there if given.
// Lock held. An index whose T would not fit is ERROR_INVALID_INDEX.
template <class T>
bool access_extra(window &w, int index, T &old, const T *replacement = nullptr)
{
    if ((size_t)index + sizeof(T) > w.extra.size()) {
        SetLastError(ERROR_INVALID_INDEX);
        return false;
    }
    memcpy(&old, w.extra.data() + index, sizeof old);
    if (replacement)
        memcpy(w.extra.data() + index, replacement, sizeof *replacement);
    return true;
}

}  // namespace
}  // namespace win32

using namespace win32;

LONG_PTR WINAPI GetWindowLongPtrW(HWND hWnd, int nIndex)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hWnd);
    if (!w)
        return 0;
    if (nIndex >= 0) {
        LONG_PTR value;
        return access_extra(*w, nIndex, value) ? value : 0;
    }
    switch (nIndex) {
    case GWLP_WNDPROC: return (LONG_PTR)w->proc;
    case GWLP_HINSTANCE: return (LONG_PTR)w->instance;
    case GWLP_HWNDPARENT: return (LONG_PTR)((w->style & WS_CHILD) ? w->parent : w->owner);
    case GWLP_USERDATA: return w->userdata;
    case GWLP_ID: return w->id;
    case GWL_STYLE: return (LONG)w->style;
    case GWL_EXSTYLE: return (LONG)w->ex_style;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG_PTR WINAPI SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hWnd);
    if (!w)
        return 0;
    if (w == desktop_window()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    LONG_PTR old = 0;
    if (nIndex >= 0) {
        if (!access_extra(*w, nIndex, old, &dwNewLong))
            return 0;
        SetLastError(0);  // so a caller can tell an old value of 0 from a failure
        return old;
    }
    switch (nIndex) {
    case GWLP_WNDPROC:
        old = (LONG_PTR)w->proc;
        w->proc = (WNDPROC)dwNewLong;
        break;
    case GWLP_HINSTANCE:
        old = (LONG_PTR)w->instance;
        w->instance = (HINSTANCE)dwNewLong;
        break;
    case GWLP_HWNDPARENT:
        // Sets the owner; a child keeps its parent (SetParent moves children).
        if (w->style & WS_CHILD)
            return (LONG_PTR)w->parent;
        old = (LONG_PTR)w->owner;
        if (dwNewLong && !find_window_or_fail((HWND)dwNewLong))
            return 0;
        w->owner = (HWND)dwNewLong;
        break;
    case GWLP_USERDATA:
        old = w->userdata;
        w->userdata = dwNewLong;
        break;
    case GWLP_ID:
        old = w->id;
        w->id = dwNewLong;
        break;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
        STYLESTRUCT ss;
        ss.styleOld = nIndex == GWL_STYLE ? w->style : w->ex_style;
        ss.styleNew = (DWORD)dwNewLong;
        lock.unlock();
        SendMessageW(hWnd, WM_STYLECHANGING, (WPARAM)nIndex, (LPARAM)&ss);
        lock.lock();
        if (!(w = find_window_or_fail(hWnd)))
            return 0;
        DWORD &field = nIndex == GWL_STYLE ? w->style : w->ex_style;
        old = (LONG)field;
        field = ss.styleNew;
        ss.styleOld = (DWORD)old;
        lock.unlock();
        SendMessageW(hWnd, WM_STYLECHANGED, (WPARAM)nIndex, (LPARAM)&ss);
        SetLastError(0);
        return old;
    }
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    SetLastError(0);
    return old;
}

LONG WINAPI GetWindowLongW(HWND hWnd, int nIndex)
{
    if (nIndex >= 0) {
        user_lock lock(user_mutex());
        window *w = find_window_or_fail(hWnd);
        if (!w)
            return 0;
        LONG value;
        return access_extra(*w, nIndex, value) ? value : 0;
    }
    return (LONG)GetWindowLongPtrW(hWnd, nIndex);
}

LONG WINAPI SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong)
{
    if (nIndex >= 0) {
        user_lock lock(user_mutex());
        window *w = find_window_or_fail(hWnd);
        if (!w)
            return 0;
        LONG old;
        if (!access_extra(*w, nIndex, old, &dwNewLong))
            return 0;
        SetLastError(0);
        return old;
    }
    // A pointer cut to 32 bits would be a fault waiting to happen: refuse, as 64-bit Windows does.
    if (sizeof(LONG_PTR) > sizeof(LONG) &&
        (nIndex == GWLP_WNDPROC || nIndex == GWLP_HINSTANCE || nIndex == GWLP_HWNDPARENT)) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    if (nIndex == GWL_STYLE || nIndex == GWL_EXSTYLE)
        return (LONG)SetWindowLongPtrW(hWnd, nIndex, (LONG_PTR)(DWORD)dwNewLong);
    return (LONG)SetWindowLongPtrW(hWnd, nIndex, dwNewLong);
}

BOOL WINAPI SetWindowTextW(HWND hWnd, LPCWSTR lpString)
{
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return (BOOL)SendMessageW(hWnd, WM_SETTEXT, 0, (LPARAM)lpString);
}

int WINAPI GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount)
{
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!lpString || nMaxCount <= 0)
        return 0;
    lpString[0] = 0;
    return (int)SendMessageW(hWnd, WM_GETTEXT, (WPARAM)nMaxCount, (LPARAM)lpString);
}

int WINAPI GetWindowTextLengthW(HWND hWnd)
{
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return (int)SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0);
}

BOOL WINAPI SetPropW(HWND hWnd, LPCWSTR lpString, HANDLE hData)
{
    if (!lpString) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return with_prop(hWnd, lpString, FALSE, [&](window &w, prop_list::iterator it) {
        if (it != w.props.end())
            it->second = hData;
        else
            w.props.emplace_back(atom_or_name(lpString), hData);
        return TRUE;
    });
}

HANDLE WINAPI GetPropW(HWND hWnd, LPCWSTR lpString)
{
    if (!lpString)
        return nullptr;
    return with_prop(hWnd, lpString, HANDLE(), [](window &w, prop_list::iterator it) {
        return it != w.props.end() ? it->second : nullptr;
    });
}

HANDLE WINAPI RemovePropW(HWND hWnd, LPCWSTR lpString)
{
    if (!lpString)
        return nullptr;
    return with_prop(hWnd, lpString, HANDLE(), [](window &w, prop_list::iterator it) -> HANDLE {
        if (it == w.props.end())
            return nullptr;
        HANDLE data = it->second;
        w.props.erase(it);
        return data;
    });
}
