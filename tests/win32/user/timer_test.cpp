// What Windows does with timers: WM_TIMER, replacing, killing, callbacks, thread timers, coalescing.
#include "painter.h"
#include "win32/wine.h"

namespace {

struct Tick {
    HWND hwnd;
    UINT_PTR id;
};
std::vector<Tick> ticks;

void CALLBACK CountTick(HWND hwnd, UINT msg, UINT_PTR id, DWORD)
{
    if (msg == WM_TIMER)
        ticks.push_back({hwnd, id});
}

size_t TimersOf(HWND hwnd, UINT_PTR id)
{
    size_t n = 0;
    for (auto &s : paint_log().only(WM_TIMER, hwnd))
        n += s.wparam == id;
    return n;
}

}  // namespace

class TimerTest : public PaintTest {
protected:
    void SetUp() override
    {
        PaintTest::SetUp();
        ticks.clear();
    }
};

TEST_F(TimerTest, WindowTimerArrivesAsWmTimer)
{
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    EXPECT_NE(0u, SetTimer(w, 100, 10, nullptr));
    MSG msg;
    do
        ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    while (msg.message != WM_TIMER && (DispatchMessageW(&msg), true));
    EXPECT_EQ(w, msg.hwnd);
    EXPECT_EQ(100u, msg.wParam);
    EXPECT_EQ(0, msg.lParam);
    EXPECT_TRUE(KillTimer(w, 100));
}

TEST_F(TimerTest, SettingAnIdAgainReplacesTheTimerAndItsPeriod)
{
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    // A period that never ends within the test, replaced by a short one: the short one fires.
    SetTimer(w, 100, 0x7FFFFFF0, nullptr);
    SetTimer(w, 100, 10, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return TimersOf(w, 100) >= 2; }));

    // The other way round: the short period is gone, while a witness keeps ticking.
    paint_log().seen.clear();
    SetTimer(w, 100, 10, nullptr);
    SetTimer(w, 100, 0x7FFFFFF0, nullptr);
    SetTimer(w, 101, 10, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return TimersOf(w, 101) >= 3; }));
    EXPECT_EQ(0u, TimersOf(w, 100));
    KillTimer(w, 100);
    KillTimer(w, 101);
}

TEST_F(TimerTest, KillTimerTakesBackAPendingWmTimer)
{
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    SetTimer(w, 5, 10, nullptr);
    ASSERT_TRUE(WaitForQueued(QS_TIMER));
    EXPECT_TRUE(KillTimer(w, 5));
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_FALSE(HIWORD(GetQueueStatus(QS_TIMER)) & QS_TIMER);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(KillTimer(w, 5));  // gone already
}

TEST_F(TimerTest, CallbackTimersRunThroughDispatchMessage)
{
    SKIP_UNDER_WINE("WM_TIMER of a callback timer carries a handle of its own in lParam, not the TIMERPROC");
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    SetTimer(w, 9, 10, CountTick);
    MSG msg;
    do
        ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    while (msg.message != WM_TIMER && (DispatchMessageW(&msg), true));
    EXPECT_EQ((LPARAM)CountTick, msg.lParam);
    EXPECT_TRUE(ticks.empty());
    DispatchMessageW(&msg);
    ASSERT_EQ(1u, ticks.size());
    EXPECT_EQ(w, ticks[0].hwnd);
    EXPECT_EQ(9u, ticks[0].id);
    EXPECT_EQ(0u, TimersOf(w, 9));  // the callback ran instead of the window procedure
    KillTimer(w, 9);
}

TEST_F(TimerTest, ThreadTimersGetTheirOwnIds)
{
    UINT_PTR a = SetTimer(nullptr, 0, 10, CountTick);
    UINT_PTR b = SetTimer(nullptr, 0, 10, CountTick);
    ASSERT_NE(0u, a);
    ASSERT_NE(0u, b);
    EXPECT_NE(a, b);
    // An id the thread already uses names that timer: it is replaced, not doubled.
    EXPECT_EQ(a, SetTimer(nullptr, a, 10, CountTick));
    ASSERT_TRUE(PumpUntil([&] {
        size_t na = 0, nb = 0;
        for (auto &t : ticks) {
            EXPECT_EQ(nullptr, t.hwnd);
            na += t.id == a;
            nb += t.id == b;
        }
        return na >= 2 && nb >= 2;
    }));
    EXPECT_TRUE(KillTimer(nullptr, a));
    EXPECT_TRUE(KillTimer(nullptr, b));
    EXPECT_FALSE(KillTimer(nullptr, a));
}

TEST_F(TimerTest, ALateLoopSeesOneWmTimerPerTimer)
{
    HWND fast = Make(WS_POPUP, 0, 0, 10, 10);
    HWND slow = Make(WS_POPUP, 0, 0, 10, 10);
    SetTimer(fast, 1, 50, nullptr);
    SetTimer(slow, 1, 400, nullptr);
    // Wait, retrieving nothing, until the slow timer is due: the fast one fell due several times.
    for (DWORD start = GetTickCount(); ;) {
        MSG msg;
        if (PeekMessageW(&msg, slow, WM_TIMER, WM_TIMER, PM_NOREMOVE))
            break;
        ASSERT_LT(GetTickCount() - start, 10000u) << "the slow timer never fell due";
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_TIMER);
    }
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, fast, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_FALSE(PeekMessageW(&msg, fast, WM_TIMER, WM_TIMER, PM_REMOVE));
    KillTimer(fast, 1);
    KillTimer(slow, 1);
}

TEST_F(TimerTest, TimersDieWithTheirWindow)
{
    SKIP_UNDER_WINE("KillTimer of a destroyed window answers ERROR_INVALID_HANDLE, not ERROR_INVALID_WINDOW_HANDLE");
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    SetTimer(w, 3, 10, nullptr);
    ASSERT_TRUE(WaitForQueued(QS_TIMER));
    DestroyWindow(w);
    EXPECT_FALSE(HIWORD(GetQueueStatus(QS_TIMER)) & QS_TIMER);
    UINT_PTR witness = SetTimer(nullptr, 0, 10, CountTick);
    ASSERT_TRUE(PumpUntil([&] { return ticks.size() >= 3; }));
    KillTimer(nullptr, witness);
    EXPECT_EQ(0u, TimersOf(w, 3));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(KillTimer(w, 3));
    EXPECT_EQ((DWORD)ERROR_INVALID_WINDOW_HANDLE, GetLastError());
}

TEST_F(TimerTest, GetMessageSleepsUntilATimerIsDue)
{
    // Nothing else is queued: the first message GetMessage returns is the timer's, however long
    // the wait, and MsgWaitForMultipleObjects wakes for it without a timeout.
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    Drain();
    SetTimer(w, 1, 30, nullptr);
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, MsgWaitForMultipleObjects(0, nullptr, FALSE, 60000, QS_TIMER));
    MSG msg;
    ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ((UINT)WM_TIMER, msg.message);
    KillTimer(w, 1);
    SetTimer(w, 2, 30, nullptr);
    ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ((UINT)WM_TIMER, msg.message);
    EXPECT_EQ(2u, msg.wParam);
    KillTimer(w, 2);
}

TEST_F(TimerTest, SetTimerFailures)
{
    SKIP_UNDER_WINE("SetTimer on a destroyed window answers ERROR_INVALID_HANDLE, not ERROR_INVALID_WINDOW_HANDLE");
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    DestroyWindow(w);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0u, SetTimer(w, 1, 10, nullptr));
    EXPECT_EQ((DWORD)ERROR_INVALID_WINDOW_HANDLE, GetLastError());
}
