// Window classes: registration per module, lookup by name or atom, class data.
#include "internal/window.h"

#include <algorithm>
#include <cstring>

namespace win32 {
namespace {

std::vector<std::shared_ptr<window_class>> &classes()
{
    static auto *table = new std::vector<std::shared_ptr<window_class>>;  // outlives every thread
    return *table;
}

ATOM next_atom = 0xC000;

char16_t fold(char16_t c)
{
    if (c >= u'a' && c <= u'z')
        return c - (u'a' - u'A');
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)  // Latin-1 lower case
        return c - 0x20;
    return c;
}

std::shared_ptr<window_class> lookup(LPCWSTR name, HINSTANCE module, bool any_module)
{
    std::u16string key = atom_or_name(name);
    std::shared_ptr<window_class> global;
    for (auto &cls : classes()) {
        bool match = IS_INTRESOURCE(name) ? cls->atom == (ATOM)(ULONG_PTR)name : name_equal(cls->name, key.c_str());
        if (!match)
            continue;
        if (cls->module == module)
            return cls;
        if (any_module && (cls->style & CS_GLOBALCLASS))
            global = cls;
    }
    return global;
}

// The T at index in the class's extra bytes; 0 and ERROR_INVALID_INDEX where it would not fit. Lock held.
template <class T>
T read_extra(const window_class &cls, int index)
{
    if ((size_t)index + sizeof(T) > cls.extra.size()) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    T value;
    memcpy(&value, cls.extra.data() + index, sizeof value);
    return value;
}

ATOM register_class(const WNDCLASSEXW &wc)
{
    if (!wc.lpszClassName || (!IS_INTRESOURCE(wc.lpszClassName) && !wc.lpszClassName[0]) || wc.cbClsExtra < 0 ||
        wc.cbWndExtra < 0 || wc.cbClsExtra > 40000 || wc.cbWndExtra > 40000) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    user_lock lock(user_mutex());
    // A local class may share its name with another module's class, never with its own module's.
    if (lookup(wc.lpszClassName, wc.hInstance, false)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    if (wc.style & CS_GLOBALCLASS) {
        for (auto &cls : classes())
            if ((cls->style & CS_GLOBALCLASS) && name_equal(cls->name, atom_or_name(wc.lpszClassName).c_str())) {
                SetLastError(ERROR_CLASS_ALREADY_EXISTS);
                return 0;
            }
    }
    auto cls = std::make_shared<window_class>();
    cls->atom = next_atom++;
    cls->name = atom_or_name(wc.lpszClassName);
    cls->module = wc.hInstance;
    cls->style = wc.style;
    cls->proc = wc.lpfnWndProc;
    cls->cls_extra = wc.cbClsExtra;
    cls->wnd_extra = wc.cbWndExtra;
    cls->icon = wc.hIcon;
    cls->icon_small = wc.hIconSm;
    cls->cursor = wc.hCursor;
    cls->background = wc.hbrBackground;
    if (wc.lpszMenuName && !IS_INTRESOURCE(wc.lpszMenuName)) {
        cls->menu_text = wc.lpszMenuName;
        cls->menu_name = cls->menu_text.c_str();
    } else {
        cls->menu_name = wc.lpszMenuName;
    }
    cls->extra.assign(wc.cbClsExtra, 0);
    classes().push_back(cls);
    return cls->atom;
}

}  // namespace

bool name_equal(const std::u16string &a, LPCWSTR b)
{
    size_t i = 0;
    for (; i < a.size(); ++i)
        if (!b[i] || fold(a[i]) != fold(b[i]))
            return false;
    return b[i] == 0;
}

std::u16string atom_or_name(LPCWSTR name)
{
    if (!IS_INTRESOURCE(name))
        return name;
    std::string digits = "#" + std::to_string((ULONG_PTR)name);
    return std::u16string(digits.begin(), digits.end());
}

std::shared_ptr<window_class> find_class(LPCWSTR name, HINSTANCE module)
{
    return lookup(name, module, true);
}

}  // namespace win32

using namespace win32;

ATOM WINAPI RegisterClassW(const WNDCLASSW *lpWndClass)
{
    if (!lpWndClass) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WNDCLASSEXW wc = {sizeof wc,
                      lpWndClass->style,
                      lpWndClass->lpfnWndProc,
                      lpWndClass->cbClsExtra,
                      lpWndClass->cbWndExtra,
                      lpWndClass->hInstance,
                      lpWndClass->hIcon,
                      lpWndClass->hCursor,
                      lpWndClass->hbrBackground,
                      lpWndClass->lpszMenuName,
                      lpWndClass->lpszClassName,
                      nullptr};
    return register_class(wc);
}

BOOL WINAPI UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance)
{
    if (!lpClassName) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    user_lock lock(user_mutex());
    auto cls = lookup(lpClassName, hInstance, false);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (cls->windows) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    auto &table = classes();
    table.erase(std::find(table.begin(), table.end(), cls));
    return TRUE;
}

BOOL WINAPI GetClassInfoExW(HINSTANCE hInstance, LPCWSTR lpszClass, LPWNDCLASSEXW lpwcx)
{
    if (!lpszClass || !lpwcx) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    user_lock lock(user_mutex());
    auto cls = lookup(lpszClass, hInstance, true);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    lpwcx->style = cls->style;
    lpwcx->lpfnWndProc = cls->proc;
    lpwcx->cbClsExtra = cls->cls_extra;
    lpwcx->cbWndExtra = cls->wnd_extra;
    lpwcx->hInstance = cls->module;
    lpwcx->hIcon = cls->icon;
    lpwcx->hIconSm = cls->icon_small;
    lpwcx->hCursor = cls->cursor;
    lpwcx->hbrBackground = cls->background;
    lpwcx->lpszMenuName = cls->menu_name;
    // Windows hands back the caller's own pointer for the name.
    lpwcx->lpszClassName = lpszClass;
    return cls->atom;  // a BOOL that carries the class atom, as on Windows
}

BOOL WINAPI GetClassInfoW(HINSTANCE hInstance, LPCWSTR lpClassName, LPWNDCLASSW lpWndClass)
{
    if (!lpWndClass) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    BOOL ok = GetClassInfoExW(hInstance, lpClassName, &wc);
    if (!ok)
        return FALSE;
    *lpWndClass = {wc.style,         wc.lpfnWndProc, wc.cbClsExtra,    wc.cbWndExtra,   wc.hInstance,
                   wc.hIcon,         wc.hCursor,     wc.hbrBackground, wc.lpszMenuName, wc.lpszClassName};
    return ok;
}

int WINAPI GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hWnd);
    if (!w)
        return 0;
    if (!lpClassName || nMaxCount <= 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    size_t n = std::min(w->cls->name.size(), (size_t)nMaxCount - 1);
    std::copy_n(w->cls->name.data(), n, lpClassName);
    lpClassName[n] = 0;
    return (int)n;
}

ULONG_PTR WINAPI GetClassLongPtrW(HWND hWnd, int nIndex)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hWnd);
    if (!w)
        return 0;
    window_class &cls = *w->cls;
    if (nIndex >= 0)
        return read_extra<ULONG_PTR>(cls, nIndex);
    switch (nIndex) {
    case GCLP_MENUNAME: return (ULONG_PTR)cls.menu_name;
    case GCLP_HBRBACKGROUND: return (ULONG_PTR)cls.background;
    case GCLP_HCURSOR: return (ULONG_PTR)cls.cursor;
    case GCLP_HICON: return (ULONG_PTR)cls.icon;
    case GCLP_HICONSM: return (ULONG_PTR)cls.icon_small;
    case GCLP_HMODULE: return (ULONG_PTR)cls.module;
    case GCL_CBWNDEXTRA: return cls.wnd_extra;
    case GCL_CBCLSEXTRA: return cls.cls_extra;
    case GCLP_WNDPROC: return (ULONG_PTR)cls.proc;
    case GCL_STYLE: return cls.style;
    case GCW_ATOM: return cls.atom;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}
