// Per-thread message queues: made on first use, answered and dropped when their thread ends.
#include "internal/window.h"

#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

namespace win32 {
namespace {

std::unordered_map<DWORD, std::shared_ptr<thread_queue>> &queues()
{
    static auto *map = new std::unordered_map<DWORD, std::shared_ptr<thread_queue>>;  // outlives every thread
    return *map;
}

// Ends the queue with its thread: senders still waiting get 0, its windows and timers go.
struct queue_owner {
    std::shared_ptr<thread_queue> queue;
    ~queue_owner()
    {
        if (!queue)
            return;
        user_lock lock(user_mutex());
        queue->alive = false;
        for (auto &sm : queue->sent) {
            sm->done = true;
            if (sm->sender)
                sm->sender->wake.notify_all();
        }
        queue->sent.clear();
        queue->posted.clear();
        free_thread_windows(queue->thread_id);
        kill_thread_timers(queue->thread_id);
        queues().erase(queue->thread_id);
        unlock_and_wake(lock);
    }
};

thread_local queue_owner this_thread_queue;

}  // namespace

POINT cursor_position = {0, 0};

DWORD current_thread_id()
{
    static thread_local DWORD id = (DWORD)syscall(SYS_gettid);
    return id;
}

DWORD tick_count()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (DWORD)((ULONGLONG)ts.tv_sec * 1000 + ts.tv_nsec / 1000000);
}

std::shared_ptr<thread_queue> current_queue()
{
    if (!this_thread_queue.queue) {
        auto q = std::make_shared<thread_queue>();
        q->thread_id = current_thread_id();
        user_lock lock(user_mutex());
        queues()[q->thread_id] = q;
        this_thread_queue.queue = q;
    }
    return this_thread_queue.queue;
}

std::shared_ptr<thread_queue> find_queue(DWORD thread_id)
{
    auto it = queues().find(thread_id);
    return it == queues().end() ? nullptr : it->second;
}

void purge_posted(window *w)
{
    if (!w->queue)
        return;
    auto &posted = w->queue->posted;
    for (auto it = posted.begin(); it != posted.end();)
        it = it->hwnd == w->handle ? posted.erase(it) : it + 1;
}

}  // namespace win32
