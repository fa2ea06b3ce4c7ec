// Pumping the calling thread's queue from tests and probes: draining what waits, and waiting for a
// condition that messages (or other threads) make true within a bound.
#pragma once

#include <windows.h>

// Dispatches everything waiting, WM_PAINT included, until the queue has nothing left.
inline void Drain()
{
    for (MSG msg; PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE);)
        DispatchMessageW(&msg);
}

// Pumps until done() holds, asking after each emptied queue; false if the bound passed first.
template <class Done>
bool PumpUntil(Done done, DWORD boundMs = 10000)
{
    for (DWORD start = GetTickCount(); !done();) {
        if (GetTickCount() - start > boundMs)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
        Drain();
    }
    return true;
}

// Like PumpUntil, but asks after every dispatched message, so a watcher sees each state a message
// leaves behind (a frame a timer shows) before the next message changes it.
template <class Done>
bool PumpUntilEach(Done done, DWORD boundMs = 10000)
{
    for (DWORD start = GetTickCount(); !done();) {
        if (GetTickCount() - start > boundMs)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
        for (MSG msg; PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE);) {
            DispatchMessageW(&msg);
            if (done())
                return true;
        }
    }
    return true;
}
