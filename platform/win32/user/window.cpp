// Windows: the handle table, creation and destruction.
#include "internal/gdi.h"
#include "internal/window.h"

#include <algorithm>

namespace win32 {
namespace {

struct window_table {
    std::unordered_map<HWND, std::shared_ptr<window>> windows;
    // Handles count up, so a stale HWND names no newer window until the counter wraps, after about
    // 536 million windows; from then on a handle is reused once its window is gone.
    ULONG_PTR next_handle = 0x10020;
    HWND desktop = nullptr;
};

window_table &table()
{
    static auto *t = new window_table;  // outlives every thread
    return *t;
}

// The next handle that names no live window.
HWND new_handle()
{
    window_table &t = table();
    HWND h;
    do {
        h = (HWND)t.next_handle;
        t.next_handle += 4;
        if (t.next_handle > 0x7FFFFFF0)  // stay inside 32 bits for 32-bit peers
            t.next_handle = 0x10020;
    } while (t.windows.count(h));
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
