// The window tree: parents, owners, siblings, enumeration and lookup by class and title.
#include "internal/window.h"

#include <algorithm>
#include <unistd.h>

namespace win32 {
namespace {

// Appends the window's children, each followed by its own descendants, in Z order.
void collect_descendants(const window *w, std::vector<HWND> &out)
{
    for (HWND child : w->children) {
        out.push_back(child);
        if (const window *c = find_window(child))
            collect_descendants(c, out);
    }
}

// Collects handles with the lock held, then calls the callback for each one still alive with the lock
// released; FALSE once the callback stops, or when collect fails.
template <class Collect>
BOOL enumerate(WNDENUMPROC proc, LPARAM lParam, Collect collect)
{
    if (!proc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<HWND> handles;
    {
        user_lock lock(user_mutex());
        if (!collect(handles))
            return FALSE;
    }
    for (HWND hwnd : handles) {
        if (!IsWindow(hwnd))
            continue;
        if (!proc(hwnd, lParam))
            return FALSE;
    }
    return TRUE;
}

bool matches(const window *w, LPCWSTR cls, LPCWSTR title)
{
    if (cls) {
        if (IS_INTRESOURCE(cls) ? w->cls->atom != (ATOM)(ULONG_PTR)cls : !name_equal(w->cls->name, cls))
            return false;
    }
    // The whole title must match; Windows compares titles without regard to case.
    return !title || name_equal(w->text, title);
}

}  // namespace
}  // namespace win32

using namespace win32;

HWND WINAPI GetDesktopWindow(void)
{
    user_lock lock(user_mutex());
    return desktop_window()->handle;
}

// A child's parent, or the owner of a popup; NULL for an overlapped window even when owned.
HWND WINAPI GetParent(HWND hWnd)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hWnd);
    if (!w)
        return nullptr;
    if (w->style & WS_CHILD)
        return w->parent;
    if (w->style & WS_POPUP)
        return w->owner;
    return nullptr;
}

HWND WINAPI SetParent(HWND hWndChild, HWND hWndNewParent)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hWndChild);
    if (!w)
        return nullptr;
    window *desktop = desktop_window();
    window *np = hWndNewParent ? find_window_or_fail(hWndNewParent) : desktop;
    if (!np)
        return nullptr;
    // The new parent may not lie below the window by any parent link, child style or not: a loop
    // would leave every walk up the tree going round for ever.
    bool below = false;
    for (window *p = np; p && !below; p = find_window(p->parent))
        below = p == w;
    if (w == desktop || below) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (w->thread_id != current_thread_id()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    HWND old = w->parent;
    // What the window covered under its old parent is repainted, and it is painted in its new place.
    exposure uncovered = before_change(w);
    if (window *op = find_window(old)) {
        auto &siblings = op->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), hWndChild), siblings.end());
    }
    w->parent = np->handle;
    np->children.insert(np->children.begin(), hWndChild);  // goes to the top of its new siblings
    after_change(w, uncovered, true, find_window(old));
    unlock_and_wake(lock);
    // Windows answers the desktop window's handle for a window that had no parent.
    return old;
}

HWND WINAPI GetAncestor(HWND hwnd, UINT gaFlags)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hwnd);
    if (!w)
        return nullptr;
    window *desktop = desktop_window();
    if (w == desktop)
        return nullptr;
    switch (gaFlags) {
    case GA_PARENT:
        return w->parent;
    case GA_ROOT:
    case GA_ROOTOWNER:
        while (w->parent != desktop->handle)
            w = find_window(w->parent);
        if (gaFlags == GA_ROOTOWNER)
            while ((w->style & WS_POPUP) && w->owner)
                w = find_window(w->owner);
        return w->handle;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

BOOL WINAPI IsChild(HWND hWndParent, HWND hWnd)
{
    user_lock lock(user_mutex());
    window *parent = find_window(hWndParent);
    window *w = find_window(hWnd);
    return parent && w && is_descendant(parent, w);
}

HWND WINAPI GetWindow(HWND hWnd, UINT uCmd)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hWnd);
    if (!w)
        return nullptr;
    if (uCmd == GW_CHILD)
        return w->children.empty() ? nullptr : w->children.front();
    if (uCmd == GW_OWNER)
        return w->owner;
    if (uCmd == GW_ENABLEDPOPUP)
        return nullptr;
    window *parent = find_window(w->parent);
    if (uCmd > GW_ENABLEDPOPUP) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!parent)
        return uCmd == GW_HWNDFIRST || uCmd == GW_HWNDLAST ? w->handle : nullptr;
    auto &siblings = parent->children;
    auto it = std::find(siblings.begin(), siblings.end(), hWnd);
    switch (uCmd) {
    case GW_HWNDFIRST: return siblings.front();
    case GW_HWNDLAST: return siblings.back();
    case GW_HWNDNEXT: return it + 1 < siblings.end() ? *(it + 1) : nullptr;
    case GW_HWNDPREV: return it != siblings.begin() ? *(it - 1) : nullptr;
    }
    return nullptr;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hDlg);
    if (!w)
        return nullptr;
    for (HWND child : w->children)
        if ((int)find_window(child)->id == nIDDlgItem)
            return child;
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hWnd);
    return w ? (int)w->id : 0;
}

BOOL WINAPI EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam)
{
    return enumerate(lpEnumFunc, lParam, [&](std::vector<HWND> &all) {
        window *w = hWndParent ? find_window_or_fail(hWndParent) : desktop_window();
        if (w)
            collect_descendants(w, all);
        return w != nullptr;
    });
}

BOOL WINAPI EnumThreadWindows(DWORD dwThreadId, WNDENUMPROC lpfn, LPARAM lParam)
{
    return enumerate(lpfn, lParam, [&](std::vector<HWND> &top) {
        for (HWND hwnd : desktop_window()->children)
            if (find_window(hwnd)->thread_id == dwThreadId)
                top.push_back(hwnd);
        return true;
    });
}

DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hWnd);
    if (!w)
        return 0;
    if (lpdwProcessId)
        *lpdwProcessId = (DWORD)getpid();
    return w->thread_id;
}

HWND WINAPI FindWindowExW(HWND hWndParent, HWND hWndChildAfter, LPCWSTR lpszClass, LPCWSTR lpszWindow)
{
    user_lock lock(user_mutex());
    window *parent = hWndParent ? find_window_or_fail(hWndParent) : desktop_window();
    if (!parent)
        return nullptr;
    auto &children = parent->children;
    auto it = children.begin();
    if (hWndChildAfter) {
        it = std::find(children.begin(), children.end(), hWndChildAfter);
        if (it == children.end()) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        ++it;
    }
    for (; it != children.end(); ++it) {
        window *w = find_window(*it);
        if (w && !w->destroying && matches(w, lpszClass, lpszWindow))
            return w->handle;
    }
    return nullptr;
}

HWND WINAPI FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName)
{
    return FindWindowExW(nullptr, nullptr, lpClassName, lpWindowName);
}

HWND WINAPI FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName)
{
    auto widen = [](LPCSTR s, std::u16string &out) -> bool {
        int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
        if (n <= 0)
            return false;
        out.resize(n);
        return MultiByteToWideChar(CP_ACP, 0, s, -1, &out[0], n) > 0;
    };
    std::u16string cls, title;
    LPCWSTR wcls = (LPCWSTR)lpClassName, wtitle = nullptr;
    if (lpClassName && !IS_INTRESOURCE(lpClassName)) {
        if (!widen(lpClassName, cls))
            return nullptr;
        wcls = cls.c_str();
    }
    if (lpWindowName) {
        if (!widen(lpWindowName, title))
            return nullptr;
        wtitle = title.c_str();
    }
    return FindWindowW(wcls, wtitle);
}
