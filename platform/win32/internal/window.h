// The window manager's shared state: classes, windows, per-thread queues, and the one lock over them.
// Window procedures are always called with the lock released; hold a handle, never a pointer, across them.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace win32 {

using user_lock = std::unique_lock<std::mutex>;

// Guards every class, window and queue. Never held while a window procedure runs.
std::mutex &user_mutex();

struct window_class {
    ATOM atom = 0;
    std::u16string name;
    HINSTANCE module = nullptr;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int cls_extra = 0;
    int wnd_extra = 0;
    HICON icon = nullptr;
    HICON icon_small = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    LPCWSTR menu_name = nullptr;  // an integer resource, or points into menu_text
    std::u16string menu_text;
    std::vector<BYTE> extra;
    int windows = 0;  // live windows of this class
};

struct thread_queue;

// A window. Rectangles are relative to the parent's client area (the screen for top-level windows).
struct window {
    HWND handle = nullptr;
    std::shared_ptr<window_class> cls;
    DWORD thread_id = 0;
    std::shared_ptr<thread_queue> queue;
    HWND parent = nullptr;  // the desktop for top-level windows
    HWND owner = nullptr;
    std::vector<HWND> children;  // Z order, topmost first
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    LONG_PTR id = 0;  // control id of a child, menu of a top-level window
    LONG_PTR userdata = 0;
    DWORD style = 0;
    DWORD ex_style = 0;
    std::vector<BYTE> extra;
    std::u16string text;
    RECT window_rect = {};
    RECT client_rect = {};  // same coordinates as window_rect
    RECT normal_rect = {};  // where SW_RESTORE puts a minimized or maximized window
    std::vector<std::pair<std::u16string, HANDLE>> props;
    bool destroying = false;
    HRGN update = nullptr;  // what needs painting, client coordinates; null when nothing does
    bool erase = false;     // the next BeginPaint sends WM_ERASEBKGND
    bool internal_paint = false;  // RDW_INTERNALPAINT: a WM_PAINT even with nothing to update
};

// A message sent across threads: waits in the receiver's queue until answered.
struct sent_message {
    HWND hwnd = nullptr;
    UINT msg = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
    LRESULT result = 0;
    bool done = false;
    std::shared_ptr<thread_queue> sender;  // the thread waiting for the answer
    COPYDATASTRUCT copy = {};              // the receiver's copy of a WM_COPYDATA payload
    std::vector<BYTE> copy_bytes;
};

// A thread's message queue, made the first time the thread touches the window manager.
struct thread_queue {
    DWORD thread_id = 0;
    bool alive = true;
    std::condition_variable wake;  // waits on user_mutex()
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<sent_message>> sent;
    bool quit = false;
    int quit_code = 0;
    HWND focus = nullptr;
    HWND active = nullptr;
    std::shared_ptr<sent_message> receiving;  // the cross-thread message being handled now
};

DWORD current_thread_id();
DWORD tick_count();

// The calling thread's queue, made on demand. Takes the lock itself: call it without holding the lock.
std::shared_ptr<thread_queue> current_queue();
// Another thread's queue, or null if that thread has none. Lock held.
std::shared_ptr<thread_queue> find_queue(DWORD thread_id);

// Lock held for all of these.
window *find_window(HWND hwnd);                   // null for NULL and stale handles
window *find_window_or_fail(HWND hwnd);           // also sets ERROR_INVALID_WINDOW_HANDLE
window *desktop_window();                         // made on first use
bool is_descendant(const window *ancestor, const window *w);  // through child links only
POINT client_origin(const window *w);            // screen position of the client area
std::shared_ptr<window_class> find_class(LPCWSTR name, HINSTANCE module);
bool name_equal(const std::u16string &a, LPCWSTR b);  // case-insensitive
std::u16string atom_or_name(LPCWSTR name);         // "#123" for an integer atom
void unlink_window(window *w);                    // out of its parent's child list and the table
void free_thread_windows(DWORD thread_id);        // a thread ended: its windows go without messages

// Where the pointer is, in screen coordinates; messages carry it. Lock held.
extern POINT cursor_position;

// Calls the window's procedure with the lock released (0 for a dead window).
LRESULT call_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

// Removes posted messages addressed to a window that is going away. Lock held.
void purge_posted(window *w);

// Wakes a queue's waiters after input arrived for it; releases the lock first, as the wait engine asks.
void input_arrived(user_lock &lock, thread_queue &q);
// Whether a message for `hwnd` passes a retrieval filter (NULL, -1 or a window and its descendants).
bool hwnd_matches(HWND filter, HWND hwnd);

// Timers (timer.cpp). Lock held.
// The next due timer of the thread that the filter lets through, as a WM_TIMER; removing restarts it.
bool timer_message(const thread_queue &q, HWND filter, bool remove, MSG *msg);
// Milliseconds until a timer of the thread passing the filter falls due: 0 if one is due, INFINITE if none.
DWORD time_to_next_timer(DWORD thread_id, HWND filter);
void kill_window_timers(HWND hwnd);
void kill_thread_timers(DWORD thread_id);

// Painting (paint.cpp, visregion.cpp). Lock held.
// A WM_PAINT for the first window of the thread, parents before children, that needs painting.
bool paint_message(const thread_queue &q, HWND filter, MSG *msg);
bool paint_pending(DWORD thread_id);
// Drops a dying window's update region.
void release_window_paint(window *w);
// The window's area on screen that nothing covers, in screen coordinates (a new region; empty when
// the window or an ancestor is hidden): its client area or whole rectangle, inside every ancestor's
// client area, minus the visible siblings above it and above each ancestor, and minus its visible
// children when clip_children is set.
HRGN visible_region(const window *w, bool client, bool clip_children);
// Before a window's position, size, Z order or visibility changes: what it covers on screen.
struct exposure {
    HRGN visible = nullptr;  // the whole window's visible region, screen coordinates
    POINT origin = {};       // its client area's screen position
    SIZE size = {};          // its client area's size
};
exposure before_change(const window *w);
// After the change: invalidates (with erase) what the window uncovered, in its parent and the
// siblings there, and what became visible of the window itself; all of it when it moved, as no
// bits are copied. Frees what before_change made; nothing is invalidated when `redraw` is false.
// `old_parent` receives the uncovered part when the window changed parent.
void after_change(window *w, exposure &before, bool redraw, window *old_parent = nullptr);
// Releases the lock, then wakes the threads that got painting to do meanwhile.
void unlock_and_wake(user_lock &lock);

}  // namespace win32
