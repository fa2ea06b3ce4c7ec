// Deferred window positioning: a batch of SetWindowPos calls recorded now and applied together.
#include "internal/window.h"

#include <algorithm>
#include <memory>

namespace win32 {
namespace {

struct position_batch {
    std::vector<WINDOWPOS> moves;
};

struct batch_table {
    std::mutex lock;
    std::unordered_map<HDWP, std::unique_ptr<position_batch>> batches;
    // Odd values that count up and are never reused, so a spent HDWP can never name a newer batch.
    ULONG_PTR next = 0x20001;
};

batch_table &batches()
{
    static auto *t = new batch_table;  // outlives every thread
    return *t;
}

// Takes the batch out of the table; null and ERROR_INVALID_DWP_HANDLE for an unknown handle.
std::unique_ptr<position_batch> take_batch(HDWP hdwp)
{
    auto &t = batches();
    std::lock_guard<std::mutex> g(t.lock);
    auto it = t.batches.find(hdwp);
    if (it == t.batches.end()) {
        SetLastError(ERROR_INVALID_DWP_HANDLE);
        return nullptr;
    }
    auto batch = std::move(it->second);
    t.batches.erase(it);
    return batch;
}

bool special_insert_after(HWND after)
{
    return after == HWND_TOP || after == HWND_BOTTOM || after == HWND_TOPMOST || after == HWND_NOTOPMOST;
}

// A second move of the same window updates the first: what the new call sets replaces, the rest stays.
void merge(WINDOWPOS &into, const WINDOWPOS &next)
{
    if (!(next.flags & SWP_NOMOVE)) {
        into.x = next.x;
        into.y = next.y;
        into.flags &= ~SWP_NOMOVE;
    }
    if (!(next.flags & SWP_NOSIZE)) {
        into.cx = next.cx;
        into.cy = next.cy;
        into.flags &= ~SWP_NOSIZE;
    }
    if (!(next.flags & SWP_NOZORDER)) {
        into.hwndInsertAfter = next.hwndInsertAfter;
        into.flags &= ~SWP_NOZORDER;
    }
    const UINT kept = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
    into.flags |= next.flags & ~kept;
    if (next.flags & SWP_SHOWWINDOW)
        into.flags &= ~SWP_HIDEWINDOW;
    else if (next.flags & SWP_HIDEWINDOW)
        into.flags &= ~SWP_SHOWWINDOW;
}

}  // namespace
}  // namespace win32

using namespace win32;

HDWP WINAPI BeginDeferWindowPos(int nNumWindows)
{
    if (nNumWindows < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto batch = std::make_unique<position_batch>();
    batch->moves.reserve((size_t)std::min(nNumWindows, 1024));  // only a hint: the batch grows as needed
    auto &t = batches();
    std::lock_guard<std::mutex> g(t.lock);
    HDWP hdwp = (HDWP)t.next;
    t.next += 2;
    if (t.next > 0x7FFFFFF0)
        t.next = 0x20001;
    t.batches[hdwp] = std::move(batch);
    return hdwp;
}

// A bad window or insert-after window fails the whole batch: it is freed and NULL returned, so
// the caller's next DeferWindowPos and its EndDeferWindowPos fail too, as on Windows.
HDWP WINAPI DeferWindowPos(HDWP hWinPosInfo, HWND hWnd, HWND hWndInsertAfter, int x, int y, int cx, int cy,
                           UINT uFlags)
{
    std::unique_ptr<position_batch> batch = take_batch(hWinPosInfo);
    if (!batch)
        return nullptr;
    {
        user_lock lock(user_mutex());
        window *w = find_window_or_fail(hWnd);
        if (!w)
            return nullptr;
        if (w == desktop_window()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        if (!(uFlags & SWP_NOZORDER) && !special_insert_after(hWndInsertAfter) &&
            !find_window_or_fail(hWndInsertAfter))
            return nullptr;
    }
    if (uFlags & ~0x7FFFu) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    WINDOWPOS move = {hWnd, hWndInsertAfter, x, y, cx, cy, uFlags};
    bool merged = false;
    for (WINDOWPOS &earlier : batch->moves)
        if (earlier.hwnd == hWnd) {
            merge(earlier, move);
            merged = true;
            break;
        }
    if (!merged)
        batch->moves.push_back(move);
    auto &t = batches();
    std::lock_guard<std::mutex> g(t.lock);
    t.batches[hWinPosInfo] = std::move(batch);
    return hWinPosInfo;
}

// Applies the moves in the order they were recorded. Windows destroyed meanwhile are passed over.
BOOL WINAPI EndDeferWindowPos(HDWP hWinPosInfo)
{
    std::unique_ptr<position_batch> batch = take_batch(hWinPosInfo);
    if (!batch)
        return FALSE;
    BOOL ok = TRUE;
    for (const WINDOWPOS &move : batch->moves) {
        if (!IsWindow(move.hwnd))
            continue;
        if (!SetWindowPos(move.hwnd, move.hwndInsertAfter, move.x, move.y, move.cx, move.cy, move.flags))
            ok = FALSE;
    }
    return ok;
}
