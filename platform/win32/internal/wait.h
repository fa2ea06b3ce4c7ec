// Waitable kernel objects and the one wait engine that WaitForSingleObject and its kin share.
#pragma once

#include "internal/object.h"

#include <functional>
#include <memory>
#include <mutex>

namespace win32 {

// A kernel object a thread can wait on. In-process objects (events, threads, processes) change state
// under lock_waits() and call notify_waiters(); mutexes live in their own (possibly shared) memory.
struct waitable : kernel_object {
    // Takes the object if it is signalled: owns a mutex, consumes an auto-reset event.
    // WAIT_OBJECT_0, WAIT_ABANDONED (a mutex whose owner died) or WAIT_TIMEOUT (not signalled).
    // Called with lock_waits() held.
    virtual DWORD try_acquire() = 0;
    // Gives back what try_acquire took, when a wait for all objects cannot take them all.
    virtual void undo_acquire() {}
    // Blocks on this object alone until it is taken or the timeout passes; the default waits
    // on the shared condition. Same results as try_acquire, or WAIT_FAILED.
    virtual DWORD wait_alone(DWORD milliseconds);
    // True when the state can change without notify_waiters(): another process or an unannounced
    // thread end. The engine then looks again every millisecond; asked afresh before every sleep.
    virtual bool changes_unseen() const { return false; }
};

std::unique_lock<std::mutex> lock_waits();
// Wakes every waiter to look again; call after a state change, with or without wait_lock.
void notify_waiters();

// Waits for one (any) or all of the objects, or for ready() (checked under the wait lock, index count)
// when given; with wait_all, all objects AND ready(). WAIT_OBJECT_0 + i, WAIT_ABANDONED_0 + i,
// WAIT_TIMEOUT or WAIT_FAILED. Whatever ready() reads must call notify_waiters() when it changes, and
// ready() may take a lock only if nobody holding that lock calls lock_waits() or notify_waiters().
DWORD wait_for_objects(DWORD count, const std::shared_ptr<waitable> *objects, bool wait_all, DWORD milliseconds,
                       const std::function<bool()> &ready = {});

}  // namespace win32
