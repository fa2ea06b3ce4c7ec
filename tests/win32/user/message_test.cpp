// What Windows does with sent and posted messages, within a thread and across threads.
#include "recorder.h"
#include "support/MessagePump.h"
#include "win32/wine.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <future>
#include <iterator>
#include <thread>

namespace {

// Long enough for any healthy run; a wait that reaches it is a fault, reported as such.
const DWORD kBoundMs = 10000;

// A thread that makes a window of the recording class and serves it until WM_QUIT.
struct WindowThread {
    std::promise<HWND> made;
    std::thread thread;
    DWORD id = 0;
    HWND hwnd = nullptr;

    WindowThread()
    {
        thread = std::thread([this] {
            HWND w = CreateWindowExW(0, RecordingClass(), TEXT("worker"), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     nullptr, nullptr);
            made.set_value(w);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0)
                DispatchMessageW(&msg);
            DestroyWindow(w);
        });
        hwnd = made.get_future().get();
        id = GetWindowThreadProcessId(hwnd, nullptr);
    }
    ~WindowThread()
    {
        PostThreadMessageW(id, WM_QUIT, 0, 0);
        thread.join();
    }
};

}  // namespace

TEST_F(UserTest, SendWithinAThreadCallsTheProcedureDirectly)
{
    recorder().hook = [](HWND, UINT msg, WPARAM wp, LPARAM lp, bool *handled) -> LRESULT {
        *handled = msg == WM_USER;
        return wp * 100 + lp;
    };
    HWND w = Make(WS_POPUP);
    EXPECT_EQ(305, SendMessageW(w, WM_USER, 3, 5));
    EXPECT_FALSE(InSendMessage());
    DestroyWindow(w);
}

TEST_F(UserTest, SendAcrossThreadsReturnsTheAnswerAndCopiesData)
{
    static std::atomic<DWORD> handled_on;
    static std::atomic<bool> in_send;
    static char received[16];
    recorder().hook = [](HWND, UINT msg, WPARAM wp, LPARAM lp, bool *handled) -> LRESULT {
        if (msg == WM_USER + 1) {
            *handled = true;
            handled_on = GetCurrentThreadId();
            in_send = InSendMessage() != FALSE;
            return wp + 1;
        }
        if (msg == WM_COPYDATA) {
            *handled = true;
            auto *cds = (COPYDATASTRUCT *)lp;
            memcpy(received, cds->lpData, std::min<DWORD>(cds->cbData, sizeof received));
            return (LRESULT)cds->dwData;
        }
        return 0;
    };
    WindowThread worker;
    EXPECT_EQ(42, SendMessageW(worker.hwnd, WM_USER + 1, 41, 0));
    EXPECT_EQ(worker.id, handled_on.load());
    EXPECT_NE(GetCurrentThreadId(), handled_on.load());
    EXPECT_TRUE(in_send);

    char payload[] = "copied bytes";
    COPYDATASTRUCT cds = {77, sizeof payload, payload};
    EXPECT_EQ(77, SendMessageW(worker.hwnd, WM_COPYDATA, 0, (LPARAM)&cds));
    EXPECT_STREQ("copied bytes", received);
}

TEST_F(UserTest, TwoThreadsSendingToEachOtherDoNotDeadlock)
{
    static HWND here;
    recorder().hook = [](HWND hwnd, UINT msg, WPARAM wp, LPARAM, bool *handled) -> LRESULT {
        if (msg == WM_USER + 2 && hwnd != here) {
            *handled = true;
            return SendMessageW(here, WM_USER + 3, wp, 0) + 1;  // calls back while we wait for it
        }
        if (msg == WM_USER + 3) {
            *handled = true;
            return wp * 2;
        }
        return 0;
    };
    here = Make(WS_POPUP);
    WindowThread worker;
    EXPECT_EQ(21, SendMessageW(worker.hwnd, WM_USER + 2, 10, 0));
    std::vector<Seen> expected = {{worker.hwnd, WM_USER + 2}, {here, WM_USER + 3}};
    EXPECT_EQ(expected, recorder().only({WM_USER + 2, WM_USER + 3}));
    DestroyWindow(here);
}

TEST_F(UserTest, PostFromAnotherThreadArrivesThroughGetMessage)
{
    HWND w = Make(WS_POPUP);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before anyone posts
    DWORD me = GetCurrentThreadId();
    std::thread poster([&] {
        PostMessageW(w, WM_USER + 4, 1, 2);
        PostThreadMessageW(me, WM_USER + 5, 3, 4);
    });
    ASSERT_GT(GetMessageW(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(w, msg.hwnd);
    EXPECT_EQ((UINT)WM_USER + 4, msg.message);
    EXPECT_EQ(1u, msg.wParam);
    EXPECT_EQ(2, msg.lParam);
    ASSERT_GT(GetMessageW(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(nullptr, msg.hwnd);
    EXPECT_EQ((UINT)WM_USER + 5, msg.message);
    poster.join();
    DestroyWindow(w);
}

TEST_F(UserTest, QuitComesAfterThePostedMessages)
{
    HWND w = Make(WS_POPUP);
    PostMessageW(w, WM_USER + 6, 0, 0);
    PostQuitMessage(3);
    PostMessageW(w, WM_USER + 7, 0, 0);
    std::vector<UINT> order;
    MSG msg;
    BOOL r;
    while ((r = GetMessageW(&msg, nullptr, 0, 0)) > 0)
        order.push_back(msg.message);
    EXPECT_EQ(0, r);
    EXPECT_EQ((UINT)WM_QUIT, msg.message);
    EXPECT_EQ(3u, msg.wParam);
    EXPECT_EQ((std::vector<UINT>{WM_USER + 6, WM_USER + 7}), order);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));  // the quit was taken
    DestroyWindow(w);
}

TEST_F(UserTest, PeekFiltersByWindowAndRange)
{
    HWND a = Make(WS_POPUP), b = Make(WS_POPUP);
    HWND a_child = Make(WS_CHILD, a, 1);
    PostMessageW(b, WM_USER + 1, 0, 0);
    PostMessageW(a_child, WM_USER + 2, 0, 0);
    PostMessageW(a, WM_USER + 3, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, a, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(a_child, msg.hwnd);  // a window's filter takes its children's messages too
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(a, msg.hwnd);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ((UINT)WM_USER + 1, msg.message);
    DestroyWindow(a);  // takes its child's posted message with it
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));

    SetLastError(0xdeadbeef);
    EXPECT_EQ(-1, GetMessageW(&msg, a, 0, 0));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    DestroyWindow(b);
}

TEST_F(UserTest, PostingNeedsAQueueOrAWindow)
{
    SKIP_UNDER_WINE("PostThreadMessageW to an ended thread answers ERROR_INVALID_PARAMETER, not ERROR_INVALID_THREAD_ID");
    DWORD gone = 0;
    std::thread([&] { gone = GetCurrentThreadId(); }).join();
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(PostThreadMessageW(gone, WM_USER, 0, 0));
    EXPECT_EQ(ERROR_INVALID_THREAD_ID, GetLastError());
}

namespace {

// Takes what is in the thread's queue, so that a wait sees only new input.
void DrainQueue()
{
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);)
        DispatchMessageW(&msg);
}

}  // namespace

TEST_F(UserTest, WaitingWakesForPostedInputFromAnotherThread)
{
    // Once what earlier cases left is taken (the display's events may still be arriving), a wait that
    // does not wait finds nothing.
    EXPECT_TRUE(PumpUntil([] {
        DrainQueue();
        return MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT) == WAIT_TIMEOUT;
    }));
    MSG msg;
    DWORD me = GetCurrentThreadId();
    std::thread poster([&] { PostThreadMessageW(me, WM_USER + 8, 0, 0); });
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, MsgWaitForMultipleObjects(0, nullptr, FALSE, kBoundMs, QS_ALLINPUT))
        << "the other thread's post never woke the wait";
    poster.join();
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ((UINT)WM_USER + 8, msg.message);
}

TEST_F(UserTest, DispatchRoutesToTheWindowProcedure)
{
    static std::atomic<int> got;
    got = 0;
    recorder().hook = [](HWND, UINT msg, WPARAM wp, LPARAM, bool *handled) -> LRESULT {
        if (msg == WM_USER + 9) {
            *handled = true;
            got = (int)wp;
        }
        return 0;
    };
    HWND w = Make(WS_POPUP);
    PostMessageW(w, WM_USER + 9, 55, 0);
    EXPECT_TRUE(PumpUntil([] { return got == 55; })) << "the posted message never reached the window";
    PostMessageW(w, WM_CLOSE, 0, 0);  // the default handling destroys the window
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(w); })) << "WM_CLOSE did not destroy the window";
}

namespace {

// Two auto-reset events, closed with the test.
struct TwoEvents {
    HANDLE h[2];
    TwoEvents(bool first, bool second)
        : h{CreateEventW(nullptr, FALSE, first, nullptr), CreateEventW(nullptr, FALSE, second, nullptr)}
    {
        EXPECT_TRUE(h[0] && h[1]);
    }
    ~TwoEvents()
    {
        CloseHandle(h[0]);
        CloseHandle(h[1]);
    }
    bool Signalled(int i) { return WaitForSingleObject(h[i], 0) == WAIT_OBJECT_0; }
};

DWORD WINAPI TakeAndEnd(LPVOID mutex) { return WaitForSingleObject((HANDLE)mutex, kBoundMs); }

}  // namespace

// Handles come before input; waiting for all needs every handle and input; only what answered is taken.
TEST_F(UserTest, MsgWaitAnswersWithTheFirstReadyHandleOrInput)
{
    const DWORD input = WAIT_OBJECT_0 + 2;
    struct Case {
        const char *what;
        bool first, second;  // which events start signalled
        bool posted;
        DWORD mask, flags, expected;
    } cases[] = {
        {"nothing ready", false, false, false, QS_ALLINPUT, 0, WAIT_TIMEOUT},
        {"second handle", false, true, false, QS_ALLINPUT, 0, WAIT_OBJECT_0 + 1},
        {"both handles", true, true, false, QS_ALLINPUT, 0, WAIT_OBJECT_0},
        {"handle and input", false, true, true, QS_ALLINPUT, 0, WAIT_OBJECT_0 + 1},
        {"input", false, false, true, QS_ALLINPUT, 0, input},
        {"input of the posted kind", false, false, true, QS_POSTMESSAGE, 0, input},
        {"input outside the mask", false, false, true, QS_SENDMESSAGE, 0, WAIT_TIMEOUT},
        {"all handles, no input", true, true, false, QS_ALLINPUT, MWMO_WAITALL, WAIT_TIMEOUT},
        {"one handle and input", true, false, true, QS_ALLINPUT, MWMO_WAITALL, WAIT_TIMEOUT},
        {"all handles and input", true, true, true, QS_ALLINPUT, MWMO_WAITALL, WAIT_OBJECT_0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        DrainQueue();
        TwoEvents events(c.first, c.second);
        if (c.posted)
            PostThreadMessageW(GetCurrentThreadId(), WM_USER, 0, 0);
        EXPECT_EQ(c.expected, MsgWaitForMultipleObjectsEx(2, events.h, 0, c.mask, c.flags));
        bool all = (c.flags & MWMO_WAITALL) != 0;
        for (int i = 0; i < 2; ++i) {
            bool taken = all ? c.expected == WAIT_OBJECT_0 : c.expected == WAIT_OBJECT_0 + i;
            EXPECT_EQ((i ? c.second : c.first) && !taken, events.Signalled(i)) << "event " << i;
        }
    }
    DrainQueue();
}

TEST_F(UserTest, MsgWaitWakesForWhatAnotherThreadDoes)
{
    static HWND here;
    here = Make(WS_POPUP);
    DWORD me = GetCurrentThreadId();
    const DWORD input = WAIT_OBJECT_0 + 2;
    struct Case {
        const char *what;
        bool first, second;  // which events start signalled
        bool posted;         // input waits before the call
        DWORD mask, flags;
        std::function<void(HANDLE *)> act;
        DWORD expected;
    } cases[] = {
        {"sets a handle", false, false, false, QS_ALLINPUT, 0, [](HANDLE *h) { SetEvent(h[1]); },
         WAIT_OBJECT_0 + 1},
        {"posts to the thread", false, false, false, QS_ALLINPUT, 0,
         [me](HANDLE *) { PostThreadMessageW(me, WM_USER, 0, 0); }, input},
        {"posts to a window", false, false, false, QS_POSTMESSAGE, 0,
         [](HANDLE *) { PostMessageW(here, WM_USER, 0, 0); }, input},
        {"sends to a window", false, false, false, QS_SENDMESSAGE, 0,
         [](HANDLE *) { SendMessageW(here, WM_USER, 0, 0); }, input},
        {"posts while all handles are set", true, true, false, QS_ALLINPUT, MWMO_WAITALL,
         [me](HANDLE *) { PostThreadMessageW(me, WM_USER, 0, 0); }, WAIT_OBJECT_0},
        {"sets the last handle while input waits", true, false, true, QS_ALLINPUT, MWMO_WAITALL,
         [](HANDLE *h) { SetEvent(h[1]); }, WAIT_OBJECT_0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        DrainQueue();
        TwoEvents events(c.first, c.second);
        if (c.posted)
            PostThreadMessageW(me, WM_USER, 0, 0);
        std::thread actor(c.act, events.h);
        EXPECT_EQ(c.expected, MsgWaitForMultipleObjectsEx(2, events.h, kBoundMs, c.mask, c.flags))
            << "the wait did not end as the other thread's action should end it";
        DrainQueue();  // answers a sent message, so the actor can end
        actor.join();
    }
    DestroyWindow(here);
}

TEST_F(UserTest, MsgWaitTimesOutWhenNothingItWaitsForHappens)
{
    WindowThread worker;
    DrainQueue();
    TwoEvents events(false, false);
    PostMessageW(worker.hwnd, WM_USER, 0, 0);  // another thread's input
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, MsgWaitForMultipleObjects(2, events.h, FALSE, 20, QS_ALLINPUT));
    PostThreadMessageW(GetCurrentThreadId(), WM_USER, 0, 0);
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, MsgWaitForMultipleObjects(2, events.h, FALSE, 20, QS_SENDMESSAGE));
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_SENDMESSAGE));
    DrainQueue();
}

TEST_F(UserTest, MsgWaitReportsAnAbandonedMutexAndRefusesBadHandles)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, TakeAndEnd, mutex, 0, nullptr);
    ASSERT_TRUE(thread != nullptr);
    ASSERT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(thread, kBoundMs)) << "the thread never ended";
    TwoEvents events(false, false);
    HANDLE handles[] = {events.h[0], mutex};
    EXPECT_EQ((DWORD)WAIT_ABANDONED_0 + 1, MsgWaitForMultipleObjects(2, handles, FALSE, kBoundMs, QS_ALLINPUT))
        << "the abandoned mutex was not reported";
    EXPECT_TRUE(ReleaseMutex(mutex));  // the wait took it

    HANDLE closed = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    CloseHandle(closed);
    HANDLE with_closed[] = {events.h[0], closed};
    SetLastError(0xdeadbeef);
    EXPECT_EQ((DWORD)WAIT_FAILED, MsgWaitForMultipleObjects(2, with_closed, FALSE, 0, QS_ALLINPUT));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());

    HANDLE too_many[MAXIMUM_WAIT_OBJECTS];
    std::fill(std::begin(too_many), std::end(too_many), events.h[0]);
    SetLastError(0xdeadbeef);
    EXPECT_EQ((DWORD)WAIT_FAILED, MsgWaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS, too_many, FALSE, 0, QS_ALLINPUT));
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());
    CloseHandle(thread);
    CloseHandle(mutex);
}
