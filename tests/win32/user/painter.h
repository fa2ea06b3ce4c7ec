// Test helpers for painting and timers: a window class that records what its paints saw and fills
// itself with a colour of its own, and bounded message pumps.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "support/MessagePump.h"
#include "support/WindowFill.h"

#include <vector>

// One message as the painting window saw it.
struct PaintSeen {
    HWND hwnd;
    UINT msg;
    WPARAM wparam;
    RECT paint;   // rcPaint for WM_PAINT
    BOOL erase;   // fErase for WM_PAINT
};

// What every window of the class records, and how it answers WM_ERASEBKGND.
struct PaintLog {
    std::vector<PaintSeen> seen;
    LRESULT erase_answer = 1;
    bool use_default_erase = false;

    std::vector<PaintSeen> only(UINT msg, HWND hwnd = nullptr) const
    {
        std::vector<PaintSeen> out;
        for (auto &s : seen)
            if (s.msg == msg && (!hwnd || s.hwnd == hwnd))
                out.push_back(s);
        return out;
    }
};

inline PaintLog &paint_log()
{
    static PaintLog log;
    return log;
}

// Logs what it is sent and paints the window with its fill colour (SetFill).
inline LRESULT CALLBACK PaintingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        paint_log().seen.push_back({hwnd, msg, wp, ps.rcPaint, ps.fErase});
        PaintFill(hwnd, hdc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        paint_log().seen.push_back({hwnd, msg, wp, {}, FALSE});
        if (paint_log().use_default_erase)
            break;
        return paint_log().erase_answer;
    case WM_TIMER:
        paint_log().seen.push_back({hwnd, msg, wp, {}, FALSE});
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// The class paints nothing in WM_ERASEBKGND unless told to use the default, which fills with `brush`.
inline const WCHAR *PaintingClass(HBRUSH brush = nullptr, const WCHAR *name = TEXT("PaintTestsWindow"))
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = PaintingProc;
    wc.hbrBackground = brush;
    wc.lpszClassName = name;
    if (!RegisterClassW(&wc)) {
        EXPECT_EQ((DWORD)ERROR_CLASS_ALREADY_EXISTS, GetLastError());
    }
    return name;
}

// Waits, without retrieving anything, until input of the given kind is waiting.
inline bool WaitForQueued(UINT qs, DWORD boundMs = 10000)
{
    for (DWORD start = GetTickCount(); !(HIWORD(GetQueueStatus(qs)) & qs);) {
        if (GetTickCount() - start > boundMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, qs);
    }
    return true;
}

inline bool SameRect(const RECT &a, const RECT &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline ::testing::AssertionResult RectIs(const RECT &got, LONG l, LONG t, LONG r, LONG b)
{
    if (SameRect(got, {l, t, r, b}))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "rect (" << got.left << "," << got.top << ")-(" << got.right << ","
                                         << got.bottom << "), expected (" << l << "," << t << ")-(" << r << ","
                                         << b << ")";
}

// Each test starts with an empty log and an idle queue, and leaves no window behind.
class PaintTest : public ::testing::Test {
protected:
    std::vector<HWND> made;

    void SetUp() override
    {
        Drain();
        paint_log() = PaintLog();
    }
    void TearDown() override
    {
        for (auto it = made.rbegin(); it != made.rend(); ++it)
            if (IsWindow(*it))
                DestroyWindow(*it);
        Drain();
    }
    HWND Make(DWORD style, int x, int y, int cx, int cy, HWND parent = nullptr, const WCHAR *cls = nullptr)
    {
        HWND hwnd = CreateWindowExW(0, cls ? cls : PaintingClass(), TEXT("paint"), style, x, y, cx, cy, parent, nullptr,
                                    nullptr, nullptr);
        EXPECT_NE(nullptr, hwnd);
        made.push_back(hwnd);
        return hwnd;
    }
    // A shown window that has painted everything it had to, with a clean log.
    HWND MakeSettled(DWORD style, int x, int y, int cx, int cy, HWND parent = nullptr)
    {
        HWND hwnd = Make(style | WS_VISIBLE, x, y, cx, cy, parent);
        Drain();
        paint_log().seen.clear();
        return hwnd;
    }
};
