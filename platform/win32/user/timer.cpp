// Timers: window and thread timers that the message loop turns into WM_TIMER from a monotonic clock.
#include "internal/window.h"

#include <algorithm>
#include <chrono>

namespace win32 {
namespace {

// One timer. A window timer is named by (hwnd, id), a thread timer by (thread, id) with hwnd NULL.
struct timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    DWORD thread_id = 0;
    TIMERPROC proc = nullptr;
    UINT period = 0;
    ULONGLONG due = 0;  // monotonic milliseconds
};

std::vector<timer> &timers()
{
    static auto *list = new std::vector<timer>;  // outlives every thread
    return *list;
}

ULONGLONG now_ms()
{
    using namespace std::chrono;
    return (ULONGLONG)duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::vector<timer>::iterator find_timer(HWND hwnd, DWORD thread_id, UINT_PTR id)
{
    auto &list = timers();
    return std::find_if(list.begin(), list.end(), [&](const timer &t) {
        return t.id == id && t.hwnd == hwnd && (hwnd || t.thread_id == thread_id);
    });
}

// A thread timer id nobody on the thread uses yet. Ids climb from the top of the 16-bit range
// down, away from the small ids applications give their window timers.
UINT_PTR new_thread_timer_id(DWORD thread_id)
{
    static UINT_PTR next = 0x7FFF;
    for (;;) {
        UINT_PTR id = next;
        next = next > 1 ? next - 1 : 0x7FFF;
        if (find_timer(nullptr, thread_id, id) == timers().end())
            return id;
    }
}

}  // namespace

bool timer_message(const thread_queue &q, HWND filter, bool remove, MSG *msg)
{
    ULONGLONG now = now_ms();
    timer *first = nullptr;
    for (auto &t : timers()) {
        bool due = t.thread_id == q.thread_id && t.due <= now && hwnd_matches(filter, t.hwnd);
        if (due && (!first || t.due < first->due))
            first = &t;
    }
    if (!first)
        return false;
    // At most one WM_TIMER is ever pending per timer: a late loop sees one, and the period restarts.
    *msg = {first->hwnd, WM_TIMER, first->id, (LPARAM)first->proc, tick_count(), cursor_position};
    if (remove)
        first->due = now + first->period;
    return true;
}

DWORD time_to_next_timer(DWORD thread_id, HWND filter)
{
    ULONGLONG now = now_ms(), next = ~0ULL;
    for (auto &t : timers())
        if (t.thread_id == thread_id && hwnd_matches(filter, t.hwnd))
            next = std::min(next, t.due);
    if (next == ~0ULL)
        return INFINITE;
    return next <= now ? 0 : (DWORD)std::min<ULONGLONG>(next - now, INFINITE - 1);
}

void kill_window_timers(HWND hwnd)
{
    auto &list = timers();
    list.erase(std::remove_if(list.begin(), list.end(), [&](const timer &t) { return t.hwnd == hwnd; }), list.end());
}

void kill_thread_timers(DWORD thread_id)
{
    auto &list = timers();
    list.erase(std::remove_if(list.begin(), list.end(), [&](const timer &t) { return t.thread_id == thread_id; }),
               list.end());
}

}  // namespace win32

using namespace win32;

// A window timer needs a window of the calling thread. Setting a timer that exists replaces it
// and restarts its period; a thread timer's id is made here unless it names one of the thread's.
UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc)
{
    auto queue = current_queue();
    user_lock lock(user_mutex());
    if (hWnd) {
        window *w = find_window_or_fail(hWnd);
        if (!w)
            return 0;
        if (w->thread_id != queue->thread_id) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
    }
    UINT period = std::max<UINT>(std::min<UINT>(uElapse, USER_TIMER_MAXIMUM), USER_TIMER_MINIMUM);
    auto it = find_timer(hWnd, queue->thread_id, nIDEvent);
    if (it == timers().end()) {
        timer t;
        t.hwnd = hWnd;
        t.id = hWnd ? nIDEvent : new_thread_timer_id(queue->thread_id);
        t.thread_id = queue->thread_id;
        timers().push_back(t);
        it = timers().end() - 1;
    }
    it->proc = lpTimerFunc;
    it->period = period;
    it->due = now_ms() + period;
    return hWnd ? (nIDEvent ? nIDEvent : 1) : it->id;
}

// Killing a timer also takes back the WM_TIMER it had pending: those are made when retrieved.
BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent)
{
    auto queue = current_queue();
    user_lock lock(user_mutex());
    if (hWnd && !find_window_or_fail(hWnd))
        return FALSE;
    auto it = find_timer(hWnd, queue->thread_id, uIDEvent);
    if (it == timers().end() || it->thread_id != queue->thread_id) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    timers().erase(it);
    return TRUE;
}
