// Messages: sending within and across threads, posting, retrieving, dispatching and waiting.
#include "internal/wait.h"
#include "internal/window.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace win32 {
namespace {

void answer(sent_message &sm, LRESULT result)
{
    if (sm.done)
        return;
    sm.result = result;
    sm.done = true;
    if (sm.sender)
        sm.sender->wake.notify_all();
}

// Runs one message another thread sent us, lock released around the window procedure.
void deliver(user_lock &lock, thread_queue &q, const std::shared_ptr<sent_message> &sm)
{
    auto outer = q.receiving;
    q.receiving = sm;
    lock.unlock();
    LPARAM lparam = sm->msg == WM_COPYDATA && sm->lparam ? (LPARAM)&sm->copy : sm->lparam;
    LRESULT result = call_window_proc(sm->hwnd, sm->msg, sm->wparam, lparam);
    lock.lock();
    q.receiving = outer;
    answer(*sm, result);
}

void deliver_pending(user_lock &lock, thread_queue &q)
{
    while (!q.sent.empty()) {
        auto sm = q.sent.front();
        q.sent.pop_front();
        deliver(lock, q, sm);
    }
}

bool in_range(UINT msg, UINT first, UINT last)
{
    if (!first && !last)
        return true;
    if (first <= last)
        return msg >= first && msg <= last;
    return msg >= first || msg <= last;  // a reversed range matches what lies outside it
}

// Sent messages first, then the first matching posted message, then WM_QUIT, then WM_PAINT for a
// window that needs painting, then a due WM_TIMER. Lock held. WM_PAINT is never removed: only
// validating the window ends it.
bool peek_locked(user_lock &lock, thread_queue &q, MSG *msg, HWND hwnd, UINT first, UINT last, UINT flags)
{
    deliver_pending(lock, q);
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!hwnd_matches(hwnd, it->hwnd) || !in_range(it->message, first, last))
            continue;
        *msg = *it;
        if (flags & PM_REMOVE)
            q.posted.erase(it);
        return true;
    }
    if (q.quit) {
        *msg = {nullptr, WM_QUIT, (WPARAM)q.quit_code, 0, tick_count(), cursor_position};
        if (flags & PM_REMOVE)
            q.quit = false;
        return true;
    }
    return (in_range(WM_PAINT, first, last) && paint_message(q, hwnd, msg)) ||
           (in_range(WM_TIMER, first, last) && timer_message(q, hwnd, (flags & PM_REMOVE) != 0, msg));
}

bool input_waiting(const thread_queue &q, DWORD mask)
{
    if ((mask & QS_SENDMESSAGE) && !q.sent.empty())
        return true;
    if ((mask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE | QS_INPUT)) && (!q.posted.empty() || q.quit))
        return true;
    if ((mask & QS_PAINT) && paint_pending(q.thread_id))
        return true;
    return (mask & QS_TIMER) && time_to_next_timer(q.thread_id, nullptr) == 0;
}

bool post(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hwnd);
    if (!w)
        return false;
    if (!w->queue || !w->queue->alive) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    w->queue->posted.push_back({hwnd, msg, wparam, lparam, tick_count(), cursor_position});
    input_arrived(lock, *w->queue);
    return true;
}

// Sends and waits. Across threads the caller keeps answering messages sent to it meanwhile.
LRESULT send(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    auto self = current_queue();
    user_lock lock(user_mutex());
    window *w = find_window_or_fail(hwnd);
    if (!w)
        return 0;
    if (w->thread_id == self->thread_id) {
        lock.unlock();
        return call_window_proc(hwnd, msg, wparam, lparam);
    }
    auto target = w->queue;
    if (!target || !target->alive)
        return 0;
    auto sm = std::make_shared<sent_message>();
    sm->hwnd = hwnd;
    sm->msg = msg;
    sm->wparam = wparam;
    sm->lparam = lparam;
    sm->sender = self;
    if (msg == WM_COPYDATA && lparam) {
        // The receiver gets its own copy, as it would in another address space.
        const auto *cds = (const COPYDATASTRUCT *)lparam;
        sm->copy = *cds;
        if (cds->lpData && cds->cbData) {
            sm->copy_bytes.assign((const BYTE *)cds->lpData, (const BYTE *)cds->lpData + cds->cbData);
            sm->copy.lpData = sm->copy_bytes.data();
        } else {
            sm->copy.lpData = nullptr;
        }
    }
    target->sent.push_back(sm);
    input_arrived(lock, *target);
    lock.lock();  // the receiver may have ended meanwhile: then sm is done with 0
    while (!sm->done) {
        if (!self->sent.empty()) {
            deliver_pending(lock, *self);
            continue;
        }
        self->wake.wait(lock);
    }
    return sm->result;
}

}  // namespace

bool hwnd_matches(HWND filter, HWND hwnd)
{
    if (!filter)
        return true;
    if (filter == (HWND)(LONG_PTR)-1)
        return hwnd == nullptr;
    if (hwnd == filter)
        return true;
    window *f = find_window(filter), *w = find_window(hwnd);
    return f && w && is_descendant(f, w);
}

// A queue gained input: its own waiters (GetMessage, a sender awaiting a reply) wake on its condition,
// MsgWaitForMultipleObjects waiters through the wait engine. The engine looks at queues under its own
// lock, so it must be told after user_mutex() is released: the caller unlocks first.
void input_arrived(user_lock &lock, thread_queue &q)
{
    q.wake.notify_all();
    lock.unlock();
    notify_waiters();
}

}  // namespace win32

using namespace win32;

LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    return send(hWnd, Msg, wParam, lParam);
}

BOOL WINAPI InSendMessage(void)
{
    auto self = current_queue();
    user_lock lock(user_mutex());
    return self->receiving && self->receiving->sender;
}

BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (!hWnd)
        return PostThreadMessageW(current_thread_id(), Msg, wParam, lParam);
    if (hWnd == HWND_BROADCAST) {
        std::vector<HWND> top;
        {
            user_lock lock(user_mutex());
            top = desktop_window()->children;
        }
        for (HWND h : top)
            post(h, Msg, wParam, lParam);
        return TRUE;
    }
    return post(hWnd, Msg, wParam, lParam);
}

BOOL WINAPI PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (idThread == current_thread_id())
        current_queue();
    user_lock lock(user_mutex());
    auto q = find_queue(idThread);
    if (!q || !q->alive) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    q->posted.push_back({nullptr, Msg, wParam, lParam, tick_count(), cursor_position});
    input_arrived(lock, *q);
    return TRUE;
}

void WINAPI PostQuitMessage(int nExitCode)
{
    auto self = current_queue();
    user_lock lock(user_mutex());
    self->quit = true;
    self->quit_code = nExitCode;
    input_arrived(lock, *self);
}

BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto self = current_queue();
    user_lock lock(user_mutex());
    if (hWnd && hWnd != (HWND)(LONG_PTR)-1 && !find_window_or_fail(hWnd))
        return FALSE;
    return peek_locked(lock, *self, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, wRemoveMsg);
}

BOOL WINAPI GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax)
{
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    auto self = current_queue();
    user_lock lock(user_mutex());
    if (hWnd && hWnd != (HWND)(LONG_PTR)-1 && !find_window_or_fail(hWnd))
        return -1;
    // Waits for input or until the next timer that the filter lets through falls due.
    while (!peek_locked(lock, *self, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, PM_REMOVE)) {
        DWORD due = in_range(WM_TIMER, wMsgFilterMin, wMsgFilterMax) ? time_to_next_timer(self->thread_id, hWnd)
                                                                      : INFINITE;
        if (due == INFINITE)
            self->wake.wait(lock);
        else
            self->wake.wait_for(lock, std::chrono::milliseconds(due));
    }
    return lpMsg->message != WM_QUIT;
}

// Character generation from key messages is not done: nothing produces key messages yet.
BOOL WINAPI TranslateMessage(const MSG *lpMsg)
{
    (void)lpMsg;
    return FALSE;
}

LRESULT WINAPI DispatchMessageW(const MSG *lpMsg)
{
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // A WM_TIMER carrying a callback runs the callback instead of the window procedure.
    if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
        ((TIMERPROC)lpMsg->lParam)(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, tick_count());
        return 0;
    }
    if (!lpMsg->hwnd)
        return 0;
    {
        user_lock lock(user_mutex());
        window *w = find_window_or_fail(lpMsg->hwnd);
        if (!w)
            return 0;
        if (w->thread_id != current_thread_id()) {
            SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
            return 0;
        }
    }
    return call_window_proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

DWORD WINAPI GetQueueStatus(UINT flags)
{
    auto self = current_queue();
    user_lock lock(user_mutex());
    DWORD bits = 0;
    if (!self->sent.empty())
        bits |= QS_SENDMESSAGE;
    if (!self->posted.empty() || self->quit)
        bits |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
    if (paint_pending(self->thread_id))
        bits |= QS_PAINT;
    if (time_to_next_timer(self->thread_id, nullptr) == 0)
        bits |= QS_TIMER;
    bits &= flags;
    return MAKELONG(bits, bits);
}

// Answers as soon as input of the mask is waiting, not only input that arrived since the last look.
// One wait on the kernel objects and the queue together: posting and sending wake it, nothing polls.
DWORD WINAPI MsgWaitForMultipleObjectsEx(DWORD nCount, const HANDLE *pHandles, DWORD dwMilliseconds,
                                         DWORD dwWakeMask, DWORD dwFlags)
{
    if (nCount > MAXIMUM_WAIT_OBJECTS - 1 || (nCount && !pHandles) ||
        (dwFlags & ~(DWORD)(MWMO_WAITALL | MWMO_ALERTABLE | MWMO_INPUTAVAILABLE))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<waitable>> objects;
    for (DWORD i = 0; i < nCount; ++i) {
        auto object = object_from_handle_as<waitable>(pHandles[i]);
        if (!object)
            return WAIT_FAILED;
        objects.push_back(std::move(object));
    }
    auto self = current_queue();
    // Runs under the wait lock; taking user_mutex() inside it is why posters notify after unlocking.
    auto ready = [&] {
        user_lock lock(user_mutex());
        return input_waiting(*self, dwWakeMask);
    };
    // Nobody announces a timer falling due, so the wait is cut into slices that end when one does.
    bool all = (dwFlags & MWMO_WAITALL) != 0;
    ULONGLONG start = GetTickCount64();
    for (;;) {
        DWORD left = dwMilliseconds;
        if (dwMilliseconds != INFINITE) {
            ULONGLONG spent = GetTickCount64() - start;
            left = spent >= dwMilliseconds ? 0 : (DWORD)(dwMilliseconds - spent);
        }
        DWORD slice = left;
        if (dwWakeMask & QS_TIMER) {
            user_lock lock(user_mutex());
            DWORD next = time_to_next_timer(self->thread_id, nullptr);
            if (next)  // one already due makes ready() true
                slice = std::min(slice, next);
        }
        DWORD result = wait_for_objects(nCount, objects.data(), all, slice, ready);
        if (result != WAIT_TIMEOUT || slice == left)
            return result;
    }
}

DWORD WINAPI MsgWaitForMultipleObjects(DWORD nCount, const HANDLE *pHandles, BOOL fWaitAll, DWORD dwMilliseconds,
                                       DWORD dwWakeMask)
{
    return MsgWaitForMultipleObjectsEx(nCount, pHandles, dwMilliseconds, dwWakeMask, fWaitAll ? MWMO_WAITALL : 0);
}

LRESULT WINAPI CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}
