// What Windows does with update regions: invalidation, validation, WM_PAINT and WM_ERASEBKGND.
#include "painter.h"
#include "win32/wine.h"

#include <atomic>
#include <thread>

TEST_F(PaintTest, InvalidateRectBringsOneWmPaintForItsBox)
{
    HWND w = MakeSettled(WS_POPUP, 10, 10, 100, 80);
    EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE));
    RECT rc = {10, 20, 30, 50};
    ASSERT_TRUE(InvalidateRect(w, &rc, FALSE));
    RECT box;
    EXPECT_TRUE(GetUpdateRect(w, &box, FALSE));
    EXPECT_TRUE(RectIs(box, 10, 20, 30, 50));
    EXPECT_TRUE(HIWORD(GetQueueStatus(QS_PAINT)) & QS_PAINT);

    Drain();
    auto paints = paint_log().only(WM_PAINT);
    ASSERT_EQ(1u, paints.size());
    EXPECT_EQ(w, paints[0].hwnd);
    EXPECT_TRUE(RectIs(paints[0].paint, 10, 20, 30, 50));
    EXPECT_FALSE(paints[0].erase);
    EXPECT_TRUE(paint_log().only(WM_ERASEBKGND).empty());
    EXPECT_FALSE(GetUpdateRect(w, &box, FALSE));
    EXPECT_TRUE(RectIs(box, 0, 0, 0, 0));
}

TEST_F(PaintTest, UpdateRegionIsClippedToTheClientArea)
{
    HWND w = MakeSettled(WS_POPUP, 10, 10, 100, 80);
    RECT rc = {-50, 60, 500, 500};
    InvalidateRect(w, &rc, FALSE);
    RECT box;
    EXPECT_TRUE(GetUpdateRect(w, &box, FALSE));
    EXPECT_TRUE(RectIs(box, 0, 60, 100, 80));
}

TEST_F(PaintTest, EraseFlagDecidesWmEraseBkgndAndFErase)
{
    struct Case {
        BOOL erase;
        LRESULT answer;
        size_t erases;
        BOOL fErase;
    } cases[] = {
        {FALSE, 1, 0, FALSE},  // no erase asked: no WM_ERASEBKGND
        {TRUE, 1, 1, FALSE},   // erased by the window
        {TRUE, 0, 1, TRUE},    // not erased: the painter must do it
    };
    HWND w = MakeSettled(WS_POPUP, 10, 10, 100, 80);
    for (const auto &c : cases) {
        paint_log().seen.clear();
        paint_log().erase_answer = c.answer;
        InvalidateRect(w, nullptr, c.erase);
        Drain();
        auto paints = paint_log().only(WM_PAINT);
        ASSERT_EQ(1u, paints.size()) << "erase " << c.erase;
        EXPECT_EQ(c.fErase, paints[0].erase) << "erase " << c.erase << " answer " << c.answer;
        auto erases = paint_log().only(WM_ERASEBKGND);
        EXPECT_EQ(c.erases, erases.size()) << "erase " << c.erase;
        if (!erases.empty()) {
            EXPECT_NE(0u, erases[0].wparam);  // the paint DC
        }
    }
}

TEST_F(PaintTest, ValidatingTakesAwayWhatNeedsPainting)
{
    HWND w = MakeSettled(WS_POPUP, 10, 10, 100, 80);
    InvalidateRect(w, nullptr, TRUE);
    ASSERT_TRUE(ValidateRect(w, nullptr));
    EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE));
    EXPECT_FALSE(HIWORD(GetQueueStatus(QS_PAINT)) & QS_PAINT);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));

    // A part validated leaves the rest.
    InvalidateRect(w, nullptr, FALSE);
    RECT left = {0, 0, 50, 80};
    ValidateRect(w, &left);
    Drain();
    auto paints = paint_log().only(WM_PAINT);
    ASSERT_EQ(1u, paints.size());
    EXPECT_TRUE(RectIs(paints[0].paint, 50, 0, 100, 80));
}

TEST_F(PaintTest, WmPaintStaysUntilTheWindowIsValidated)
{
    HWND w = MakeSettled(WS_POPUP, 10, 10, 100, 80);
    InvalidateRect(w, nullptr, FALSE);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(WM_PAINT, msg.message);
    EXPECT_EQ(w, msg.hwnd);
    // Removing does not end it either: only painting (validation) does.
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(WM_PAINT, msg.message);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(WM_PAINT, msg.message);
    DispatchMessageW(&msg);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(PaintTest, PostedMessagesComeBeforeWmPaintAndWmPaintBeforeWmTimer)
{
    HWND w = MakeSettled(WS_POPUP, 10, 10, 100, 80);
    ASSERT_NE(0u, SetTimer(w, 7, 10, nullptr));
    ASSERT_TRUE(WaitForQueued(QS_TIMER));
    InvalidateRect(w, nullptr, FALSE);
    PostMessageW(w, WM_USER, 0, 0);
    UINT order[3] = {};
    for (UINT &m : order) {
        MSG msg;
        ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
        m = msg.message;
        DispatchMessageW(&msg);
    }
    EXPECT_EQ(WM_USER, order[0]);
    EXPECT_EQ(WM_PAINT, order[1]);
    EXPECT_EQ(WM_TIMER, order[2]);
    KillTimer(w, 7);
}

TEST_F(PaintTest, ParentsPaintBeforeTheirChildren)
{
    HWND parent = MakeSettled(WS_POPUP | WS_CLIPCHILDREN, 10, 10, 200, 100);
    HWND child = MakeSettled(WS_CHILD | WS_CLIPSIBLINGS, 10, 10, 50, 50, parent);
    InvalidateRect(child, nullptr, FALSE);
    InvalidateRect(parent, nullptr, FALSE);
    Drain();
    auto paints = paint_log().only(WM_PAINT);
    ASSERT_EQ(2u, paints.size());
    EXPECT_EQ(parent, paints[0].hwnd);
    EXPECT_EQ(child, paints[1].hwnd);
}

TEST_F(PaintTest, InvalidatingAParentReachesTheChildrenItDoesNotClip)
{
    struct Case {
        DWORD parent_style;
        BOOL child_invalid;
    } cases[] = {{0, TRUE}, {WS_CLIPCHILDREN, FALSE}};
    for (const auto &c : cases) {
        HWND parent = MakeSettled(WS_POPUP | c.parent_style, 10, 10, 200, 100);
        HWND child = MakeSettled(WS_CHILD | WS_CLIPSIBLINGS, 20, 30, 50, 40, parent);
        RECT over = {0, 0, 40, 50};  // overlaps the child's top-left corner
        InvalidateRect(parent, &over, FALSE);
        RECT box;
        EXPECT_EQ(c.child_invalid, GetUpdateRect(child, &box, FALSE)) << "style " << std::hex << c.parent_style;
        if (c.child_invalid) {
            EXPECT_TRUE(RectIs(box, 0, 0, 20, 20));
        }
        DestroyWindow(parent);
        Drain();
    }
}

TEST_F(PaintTest, UpdateWindowPaintsAtOnceAndOnlyWhenNeeded)
{
    HWND w = MakeSettled(WS_POPUP, 10, 10, 100, 80);
    EXPECT_TRUE(UpdateWindow(w));
    EXPECT_TRUE(paint_log().only(WM_PAINT).empty());
    InvalidateRect(w, nullptr, FALSE);
    EXPECT_TRUE(UpdateWindow(w));  // sent, not queued: no pumping
    EXPECT_EQ(1u, paint_log().only(WM_PAINT).size());
    EXPECT_FALSE(GetUpdateRect(w, nullptr, FALSE));
}

TEST_F(PaintTest, UpdateRegionsCombineAsRegions)
{
    HWND w = MakeSettled(WS_POPUP, 10, 10, 100, 80);
    RECT a = {0, 0, 10, 10}, b = {50, 50, 60, 60};
    InvalidateRect(w, &a, FALSE);
    HRGN rb = CreateRectRgnIndirect(&b);
    InvalidateRgn(w, rb, FALSE);
    HRGN got = CreateRectRgn(0, 0, 0, 0), want = CreateRectRgnIndirect(&a);
    CombineRgn(want, want, rb, RGN_OR);
    EXPECT_EQ(COMPLEXREGION, GetUpdateRgn(w, got, FALSE));
    EXPECT_TRUE(EqualRgn(got, want));
    ValidateRgn(w, rb);
    EXPECT_EQ(SIMPLEREGION, GetUpdateRgn(w, got, FALSE));
    RECT box;
    GetRgnBox(got, &box);
    EXPECT_TRUE(RectIs(box, 0, 0, 10, 10));
    ValidateRect(w, nullptr);
    EXPECT_EQ(NULLREGION, GetUpdateRgn(w, got, FALSE));
    DeleteObject(rb);
    DeleteObject(got);
    DeleteObject(want);
}

TEST_F(PaintTest, ShowingAWindowPaintsItWithErase)
{
    HWND w = Make(WS_POPUP, 10, 10, 100, 80);
    Drain();
    EXPECT_TRUE(paint_log().only(WM_PAINT).empty());  // hidden: nothing to paint
    ShowWindow(w, SW_SHOW);
    Drain();
    auto paints = paint_log().only(WM_PAINT, w);
    ASSERT_EQ(1u, paints.size());
    EXPECT_TRUE(RectIs(paints[0].paint, 0, 0, 100, 80));
    EXPECT_EQ(1u, paint_log().only(WM_ERASEBKGND, w).size());
}

TEST_F(PaintTest, HidingOrMovingAWindowInvalidatesWhatItUncovers)
{
    SKIP_UNDER_WINE("its X11 driver invalidates what a window uncovers when the X server reports it, after the call");
    HWND below = MakeSettled(WS_POPUP, 100, 100, 200, 200);
    HWND above = MakeSettled(WS_POPUP, 150, 150, 50, 40);
    ASSERT_TRUE(SetWindowPos(above, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
    Drain();
    EXPECT_FALSE(GetUpdateRect(below, nullptr, FALSE));

    // Moved without redrawing: nothing is invalidated.
    SetWindowPos(above, nullptr, 160, 150, 50, 40, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    EXPECT_FALSE(GetUpdateRect(below, nullptr, FALSE));
    EXPECT_FALSE(GetUpdateRect(above, nullptr, FALSE));

    ShowWindow(above, SW_HIDE);
    RECT box;
    ASSERT_TRUE(GetUpdateRect(below, &box, FALSE));
    EXPECT_TRUE(RectIs(box, 60, 50, 110, 90));  // the hidden window's place, in below's client area
    Drain();
    auto erases = paint_log().only(WM_ERASEBKGND, below);
    EXPECT_EQ(1u, erases.size());

    // Moving a window repaints all of it and what it left.
    ShowWindow(above, SW_SHOWNA);
    Drain();
    paint_log().seen.clear();
    MoveWindow(above, 120, 110, 50, 40, TRUE);
    ASSERT_TRUE(GetUpdateRect(below, &box, FALSE));
    EXPECT_TRUE(RectIs(box, 60, 50, 110, 90));
    ASSERT_TRUE(GetUpdateRect(above, &box, FALSE));
    EXPECT_TRUE(RectIs(box, 0, 0, 50, 40));

    // A small step too: the contents moved with the window, so none of them is valid any more.
    Drain();
    MoveWindow(above, 125, 110, 50, 40, TRUE);
    ASSERT_TRUE(GetUpdateRect(above, &box, FALSE));
    EXPECT_TRUE(RectIs(box, 0, 0, 50, 40));
    ASSERT_TRUE(GetUpdateRect(below, &box, FALSE));
    EXPECT_TRUE(RectIs(box, 20, 10, 25, 50));  // the strip it left
}

TEST_F(PaintTest, FailuresOnABadWindow)
{
    SKIP_UNDER_WINE("UpdateWindow of a destroyed window answers TRUE");
    HWND w = Make(WS_POPUP, 0, 0, 10, 10);
    DestroyWindow(w);
    PAINTSTRUCT ps;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, BeginPaint(w, &ps));
    EXPECT_EQ((DWORD)ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(InvalidateRect(w, nullptr, TRUE));
    EXPECT_EQ((DWORD)ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(UpdateWindow(w));
    EXPECT_EQ((DWORD)ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, GetDC(w));
    EXPECT_EQ((DWORD)ERROR_INVALID_WINDOW_HANDLE, GetLastError());
}

TEST_F(PaintTest, InvalidatingFromAnotherThreadWakesTheWindowsThread)
{
    HANDLE ready = CreateEventW(nullptr, FALSE, FALSE, nullptr), painted = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HWND w = nullptr;
    DWORD id = 0;
    std::atomic<int> paints{0};
    std::thread worker([&] {
        w = CreateWindowExW(0, PaintingClass(), TEXT("worker"), WS_POPUP | WS_VISIBLE, 0, 0, 30, 30, nullptr, nullptr,
                            nullptr, nullptr);
        Drain();
        id = GetCurrentThreadId();
        SetEvent(ready);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            DispatchMessageW(&msg);
            if (msg.message == WM_PAINT) {
                ++paints;
                SetEvent(painted);
            }
        }
        DestroyWindow(w);
    });
    ASSERT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(ready, 10000));
    // The worker sleeps in GetMessage with nothing queued; only the invalidation can wake it.
    EXPECT_TRUE(InvalidateRect(w, nullptr, FALSE));
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(painted, 10000)) << "WM_PAINT never reached the worker";
    PostThreadMessageW(id, WM_QUIT, 0, 0);
    worker.join();
    EXPECT_EQ(1, paints.load());
    CloseHandle(ready);
    CloseHandle(painted);
}

TEST_F(PaintTest, AThreadThatEndsGivesBackWhatItsWindowsCovered)
{
    SKIP_UNDER_WINE("its X11 driver invalidates what the ended thread's window covered when the X server reports it");
    HWND below = MakeSettled(WS_POPUP, 200, 500, 100, 100);
    std::thread([] {
        HWND w = CreateWindowExW(0, PaintingClass(), TEXT("leaves"), WS_POPUP | WS_VISIBLE, 210, 520, 20, 30, nullptr,
                                 nullptr, nullptr, nullptr);
        SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }).join();  // ends without destroying its window
    RECT box;
    ASSERT_TRUE(GetUpdateRect(below, &box, FALSE));
    EXPECT_TRUE(RectIs(box, 10, 20, 30, 50));
}
