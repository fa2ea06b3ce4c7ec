// What Windows does with deferred positioning: nothing moves until the batch ends, then everything
// does; one bad window spoils the whole batch.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>
#include "win32/wine.h"

namespace {

std::vector<HWND> changing;

LRESULT CALLBACK WatchProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_WINDOWPOSCHANGING)
        changing.push_back(hwnd);
    return DefWindowProcW(hwnd, msg, wp, lp);
}

const WCHAR *WatchClass()
{
    static const WCHAR name[] = TEXT("DeferPosWatch");
    static ATOM atom = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = WatchProc;
        wc.lpszClassName = name;
        return RegisterClassW(&wc);
    }();
    EXPECT_TRUE(atom);
    return name;
}

RECT InParent(HWND hwnd)
{
    RECT rc;
    GetWindowRect(hwnd, &rc);
    MapWindowPoints(nullptr, GetParent(hwnd), (POINT *)&rc, 2);
    return rc;
}

class DeferPosTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        changing.clear();
        parent = CreateWindowExW(0, WatchClass(), TEXT(""), WS_POPUP, 0, 0, 400, 400, nullptr, nullptr, nullptr, nullptr);
        for (int i = 0; i < 6; ++i)
            children.push_back(CreateWindowExW(0, WatchClass(), TEXT(""), WS_CHILD | WS_VISIBLE, i * 10, 0, 10, 10, parent,
                                               (HMENU)(INT_PTR)(i + 1), nullptr, nullptr));
        changing.clear();
    }
    void TearDown() override { DestroyWindow(parent); }
    HWND parent = nullptr;
    std::vector<HWND> children;
};

TEST_F(DeferPosTest, MovesWaitForTheEndAndThenAllHappen)
{
    HDWP batch = BeginDeferWindowPos(1);  // fewer than needed: the batch grows
    ASSERT_TRUE(batch);
    for (size_t i = 0; i < children.size(); ++i) {
        batch = DeferWindowPos(batch, children[i], nullptr, 100 + (int)i, 50, 20 + (int)i, 30,
                               SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(batch) << i;
    }
    for (size_t i = 0; i < children.size(); ++i) {
        RECT rc = InParent(children[i]);
        EXPECT_EQ((int)i * 10, rc.left) << "moved before the batch ended";
    }
    EXPECT_TRUE(changing.empty());
    ASSERT_TRUE(EndDeferWindowPos(batch));
    for (size_t i = 0; i < children.size(); ++i) {
        RECT rc = InParent(children[i]);
        EXPECT_EQ(100 + (int)i, rc.left);
        EXPECT_EQ(50, rc.top);
        EXPECT_EQ(20 + (int)i, rc.right - rc.left);
        EXPECT_EQ(30, rc.bottom - rc.top);
    }
    EXPECT_EQ(children, changing);
    // A spent batch is gone.
    EXPECT_FALSE(EndDeferWindowPos(batch));
}

TEST_F(DeferPosTest, FlagsKeepWhatTheyProtect)
{
    HDWP batch = BeginDeferWindowPos(2);
    batch = DeferWindowPos(batch, children[0], nullptr, 77, 77, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
    batch = DeferWindowPos(batch, children[1], nullptr, 0, 0, 44, 33, SWP_NOZORDER | SWP_NOMOVE);
    ASSERT_TRUE(EndDeferWindowPos(batch));
    RECT a = InParent(children[0]), b = InParent(children[1]);
    EXPECT_EQ((RECT{77, 77, 87, 87}).left, a.left);
    EXPECT_EQ(10, a.right - a.left);
    EXPECT_EQ(10, b.left);
    EXPECT_EQ(44, b.right - b.left);
    EXPECT_EQ(33, b.bottom - b.top);
}

TEST_F(DeferPosTest, ABadWindowFailsTheWholeBatch)
{
    SKIP_UNDER_WINE("a bad window fails only its own DeferWindowPos and the batch lives on, where a failed call "
                    "ends the batch and the caller must abandon it");
    HWND dead = CreateWindowExW(0, WatchClass(), TEXT(""), WS_CHILD, 0, 0, 5, 5, parent, nullptr, nullptr, nullptr);
    DestroyWindow(dead);
    HDWP batch = BeginDeferWindowPos(3);
    batch = DeferWindowPos(batch, children[0], nullptr, 200, 200, 10, 10, SWP_NOZORDER);
    ASSERT_TRUE(batch);
    SetLastError(0xdeadbeef);
    HDWP after = DeferWindowPos(batch, dead, nullptr, 1, 1, 1, 1, SWP_NOZORDER);
    EXPECT_EQ(nullptr, after);
    EXPECT_EQ((DWORD)ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    // The batch was freed with it: later calls on it fail and nothing moves.
    EXPECT_EQ(nullptr, DeferWindowPos(batch, children[1], nullptr, 5, 5, 5, 5, SWP_NOZORDER));
    EXPECT_FALSE(EndDeferWindowPos(batch));
    EXPECT_EQ(0, InParent(children[0]).left);
    EXPECT_TRUE(changing.empty());
}

TEST_F(DeferPosTest, NullAndNegativeArgumentsFail)
{
    EXPECT_FALSE(EndDeferWindowPos(nullptr));
    EXPECT_EQ(nullptr, DeferWindowPos(nullptr, children[0], nullptr, 0, 0, 0, 0, SWP_NOZORDER));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, BeginDeferWindowPos(-1));
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, GetLastError());
    HDWP empty = BeginDeferWindowPos(0);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(EndDeferWindowPos(empty));
}

}  // namespace
