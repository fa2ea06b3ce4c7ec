// Windows: the handle table, creation and destruction, window data, text and properties.
#include "internal/gdi.h"
#include "internal/window.h"

#include <algorithm>
#include <cstring>

namespace win32 {
namespace {

struct window_table {
    std::unordered_map<HWND, std::shared_ptr<window>> windows;
    // Handles count up and are never reused, so a stale HWND can never name a newer window.
    ULONG_PTR next_handle = 0x10020;
    HWND desktop = nullptr;
};

window_table &table()
{
    static auto *t = new window_table;  // outlives every thread
    return *t;
}

HWND new_handle()
{
    HWND h = (HWND)table().next_handle;
    table().next_handle += 4;
    if (table().next_handle > 0x7FFFFFF0)  // stay inside 32 bits for 32-bit peers
        table().next_handle = 0x10020;
    return h;
}

std::shared_ptr<window> make_window(std::shared_ptr<window_class> cls, HWND parent)
{
    auto w = std::make_shared<window>();
    w->handle = new_handle();
    w->cls = std::move(cls);
    w->parent = parent;
    w->proc = w->cls ? w->cls->proc : nullptr;
    if (w->cls) {
        w->extra.assign(w->cls->wnd_extra, 0);
        ++w->cls->windows;
    }
    table().windows[w->handle] = w;
    return w;
}

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

// A copy of the window's child list, taken under the lock; false once the window is gone.
bool children_of(HWND hwnd, std::vector<HWND> &children)
{
    user_lock lock(user_mutex());
    window *w = find_window(hwnd);
    if (w)
        children = w->children;
    return w != nullptr;
}

// Sends WM_DESTROY to the window, then to its children, parents before children.
void send_destroy(HWND hwnd)
{
    call_window_proc(hwnd, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    if (!children_of(hwnd, children))
        return;
    for (HWND child : children) {
        {
            user_lock lock(user_mutex());
            window *c = find_window(child);
            if (!c || c->destroying)
                continue;
            c->destroying = true;
        }
        send_destroy(child);
    }
}

// Frees the children first, then the window, each after its WM_NCDESTROY.
void free_window(HWND hwnd)
{
    std::vector<HWND> children;
    if (!children_of(hwnd, children))
        return;
    for (HWND child : children)
        free_window(child);
    call_window_proc(hwnd, WM_NCDESTROY, 0, 0);
    user_lock lock(user_mutex());
    window *w = find_window(hwnd);
    if (!w)
        return;
    for (HWND child : std::vector<HWND>(w->children)) {  // made during WM_NCDESTROY: go without messages
        lock.unlock();
        free_window(child);
        lock.lock();
        if (!(w = find_window(hwnd)))
            return;
    }
    unlink_window(w);
}

}  // namespace

std::mutex &user_mutex()
{
    static auto *m = new std::mutex;
    return *m;
}

window *find_window(HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    auto &windows = table().windows;
    auto it = windows.find(hwnd);
    return it == windows.end() ? nullptr : it->second.get();
}

window *find_window_or_fail(HWND hwnd)
{
    window *w = find_window(hwnd);
    if (!w)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

window *desktop_window()
{
    if (!table().desktop) {
        // The desktop has a class of its own, named by its atom as on Windows.
        auto cls = std::make_shared<window_class>();
        cls->atom = 0x8001;
        cls->name = u"#32769";
        auto w = make_window(cls, nullptr);
        w->style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN;
        w->window_rect = w->client_rect = w->normal_rect = {0, 0, screen_width, screen_height};
        w->text = u"";
        table().desktop = w->handle;
    }
    return find_window(table().desktop);
}

bool is_descendant(const window *ancestor, const window *w)
{
    while (w && (w->style & WS_CHILD)) {
        w = find_window(w->parent);
        if (w == ancestor)
            return true;
    }
    return false;
}

POINT client_origin(const window *w)
{
    POINT pt = {w->client_rect.left, w->client_rect.top};
    for (const window *p = find_window(w->parent); p; p = find_window(p->parent)) {
        pt.x += p->client_rect.left;
        pt.y += p->client_rect.top;
    }
    return pt;
}

void unlink_window(window *w)
{
    if (window *parent = find_window(w->parent)) {
        auto &siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), w->handle), siblings.end());
    }
    if (w->queue) {
        if (w->queue->focus == w->handle)
            w->queue->focus = nullptr;
        if (w->queue->active == w->handle)
            w->queue->active = nullptr;
    }
    for (auto &entry : table().windows)  // owned windows that outlive their owner lose it
        if (entry.second->owner == w->handle)
            entry.second->owner = nullptr;
    purge_posted(w);
    kill_window_timers(w->handle);
    release_window_paint(w);
    if (w->cls)
        --w->cls->windows;
    table().windows.erase(w->handle);
}

// Drops the windows of a thread that ended: nobody is left to answer their messages.
void free_thread_windows(DWORD thread_id)
{
    std::vector<HWND> doomed;
    for (auto &entry : table().windows)
        if (entry.second->thread_id == thread_id && entry.second->handle != table().desktop)
            doomed.push_back(entry.first);
    std::function<void(HWND)> drop = [&](HWND hwnd) {
        window *w = find_window(hwnd);
        if (!w)
            return;
        if (w->style & WS_VISIBLE) {  // what it covered is painted again by the windows below
            exposure before = before_change(w);
            w->style &= ~WS_VISIBLE;
            after_change(w, before, true);
        }
        for (HWND child : std::vector<HWND>(w->children))
            drop(child);
        unlink_window(w);
    };
    for (HWND hwnd : doomed)
        drop(hwnd);
}

LRESULT call_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    WNDPROC proc;
    {
        user_lock lock(user_mutex());
        window *w = find_window(hwnd);
        if (!w || !w->proc)
            return 0;
        proc = w->proc;
    }
    return proc(hwnd, msg, wparam, lparam);
}

}  // namespace win32

using namespace win32;

HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int X, int Y,
                            int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                            LPVOID lpParam)
{
    auto queue = current_queue();
    user_lock lock(user_mutex());
    if (!lpClassName) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    auto cls = find_class(lpClassName, hInstance);
    if (!cls) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    window *desktop = desktop_window();
    HWND parent = desktop->handle, owner = nullptr;
    if (dwStyle & WS_CHILD) {
        if (!hWndParent || hWndParent == HWND_MESSAGE) {
            SetLastError(ERROR_TLW_WITH_WSCHILD);
            return nullptr;
        }
        if (!find_window_or_fail(hWndParent))
            return nullptr;
        parent = hWndParent;
    } else if (hWndParent) {
        // A top-level window is owned by the top-level window of the one it was given.
        window *p = find_window_or_fail(hWndParent);
        if (!p)
            return nullptr;
        while (p->style & WS_CHILD)
            p = find_window(p->parent);
        if (p != desktop)
            owner = p->handle;
    }

    DWORD style = dwStyle, ex_style = dwExStyle;
    if (!(style & (WS_CHILD | WS_POPUP))) {
        style |= WS_CAPTION | WS_CLIPSIBLINGS;  // overlapped windows always have a caption
        ex_style |= WS_EX_WINDOWEDGE;
    }
    if (style & WS_CHILD)
        style &= ~WS_POPUP;

    window *pw = find_window(parent);
    int x = X, y = Y, cx = nWidth, cy = nHeight;
    bool overlapped = !(style & (WS_CHILD | WS_POPUP));
    if (x == CW_USEDEFAULT) {
        x = y = overlapped ? 32 : 0;
    }
    if (cx == CW_USEDEFAULT) {
        cx = overlapped ? screen_width * 3 / 4 : 0;
        cy = overlapped ? screen_height * 3 / 4 : 0;
    }
    if (cx < 0)
        cx = 0;
    if (cy < 0)
        cy = 0;
    (void)pw;

    auto w = make_window(cls, parent);
    HWND hwnd = w->handle;
    w->thread_id = queue->thread_id;
    w->queue = queue;
    w->owner = owner;
    w->instance = hInstance;
    w->id = (LONG_PTR)hMenu;
    w->style = style & ~WS_VISIBLE;  // shown at the end, after WM_CREATE
    w->ex_style = ex_style;
    w->window_rect = w->client_rect = w->normal_rect = {x, y, x + cx, y + cy};
    auto &siblings = find_window(parent)->children;
    if (style & WS_CHILD)
        siblings.push_back(hwnd);  // children stack in creation order: the first is on top
    else
        siblings.insert(siblings.begin(), hwnd);
    lock.unlock();

    CREATESTRUCTW cs = {lpParam, hInstance, hMenu,  hWndParent,  cy,         cx,
                        y,       x,         (LONG)style, lpWindowName, lpClassName, ex_style};
    bool thick = (style & WS_THICKFRAME) || overlapped;
    if (thick) {
        MINMAXINFO mmi = {};
        mmi.ptMaxSize = {screen_width, screen_height};
        mmi.ptMaxTrackSize = {screen_width, screen_height};
        call_window_proc(hwnd, WM_GETMINMAXINFO, 0, (LPARAM)&mmi);
    }
    if (!call_window_proc(hwnd, WM_NCCREATE, 0, (LPARAM)&cs)) {
        free_window(hwnd);
        return nullptr;
    }
    RECT rc = {x, y, x + cx, y + cy};
    call_window_proc(hwnd, WM_NCCALCSIZE, FALSE, (LPARAM)&rc);
    lock.lock();
    window *live = find_window(hwnd);
    if (!live)
        return nullptr;
    live->client_rect = rc;
    lock.unlock();

    if (call_window_proc(hwnd, WM_CREATE, 0, (LPARAM)&cs) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    lock.lock();
    if (!(live = find_window(hwnd)))
        return nullptr;
    RECT client = live->client_rect;
    lock.unlock();
    call_window_proc(hwnd, WM_SIZE, SIZE_RESTORED,
                     MAKELPARAM(client.right - client.left, client.bottom - client.top));
    call_window_proc(hwnd, WM_MOVE, 0, MAKELPARAM(client.left, client.top));

    if ((style & WS_CHILD) && !(ex_style & WS_EX_NOPARENTNOTIFY))
        SendMessageW(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, (WORD)(ULONG_PTR)hMenu), (LPARAM)hwnd);
    if (!IsWindow(hwnd))
        return nullptr;
    if (style & WS_VISIBLE)
        ShowWindow(hwnd, (style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED
                         : (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED
                                                 : SW_SHOW);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL WINAPI DestroyWindow(HWND hWnd)
{
    HWND parent;
    bool notify;
    LONG_PTR id;
    {
        user_lock lock(user_mutex());
        window *w = find_window_or_fail(hWnd);
        if (!w)
            return FALSE;
        if (w == desktop_window() || w->thread_id != current_thread_id()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (w->destroying)
            return TRUE;  // already on its way out: a nested call from one of its own messages
        w->destroying = true;
        parent = w->parent;
        notify = (w->style & WS_CHILD) && !(w->ex_style & WS_EX_NOPARENTNOTIFY);
        id = w->id;
    }
    if (notify)
        SendMessageW(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, (WORD)id), (LPARAM)hWnd);
    if (IsWindowVisible(hWnd))
        SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);

    // Owned windows go first, each completely.
    std::vector<HWND> owned;
    {
        user_lock lock(user_mutex());
        for (HWND top : desktop_window()->children) {
            window *o = find_window(top);
            if (o && o->owner == hWnd && !o->destroying) {
                if (o->thread_id == current_thread_id())
                    owned.push_back(top);
                else
                    o->owner = nullptr;
            }
        }
    }
    for (HWND o : owned)
        DestroyWindow(o);

    send_destroy(hWnd);
    free_window(hWnd);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd)
{
    user_lock lock(user_mutex());
    return find_window(hWnd) != nullptr;
}

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
