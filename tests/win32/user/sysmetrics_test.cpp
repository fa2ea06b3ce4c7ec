// What Windows answers for system metrics.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(SystemMetrics, SizesOfTheScreenBarsIconsAndFrames)
{
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    EXPECT_EQ(desktop.right - desktop.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(desktop.bottom - desktop.top, GetSystemMetrics(SM_CYSCREEN));
    struct Case {
        int index;
        int value;
    } cases[] = {
        // 96 DPI values, the same on every Windows version since XP.
        {SM_CXVSCROLL, 17}, {SM_CYHSCROLL, 17}, {SM_CXBORDER, 1}, {SM_CYBORDER, 1}, {SM_CXICON, 32},
        {SM_CYICON, 32},    {SM_CXSMICON, 16},  {SM_CYSMICON, 16}, {SM_CXCURSOR, 32}, {SM_CYCURSOR, 32},
        {SM_CXEDGE, 2},     {SM_CYEDGE, 2},     {SM_CMONITORS, 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.value, GetSystemMetrics(c.index)) << "index " << c.index;
    EXPECT_EQ(GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CXSIZEFRAME));
    EXPECT_GT(GetSystemMetrics(SM_CYCAPTION), 0);
    EXPECT_EQ(0, GetSystemMetrics(9999));
}

// A caption window's frame is the caption above a fixed frame, as the metrics say.
TEST(SystemMetrics, DescribeTheFrameWindowsGet)
{
    HWND w = CreateWindowExW(0, TEXT("Static"), TEXT(""), WS_POPUP | WS_CAPTION, 10, 10, 300, 200, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_TRUE(w);
    RECT window, client;
    GetWindowRect(w, &window);
    GetClientRect(w, &client);
    EXPECT_EQ(2 * GetSystemMetrics(SM_CXFIXEDFRAME), (window.right - window.left) - client.right);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME),
              (window.bottom - window.top) - client.bottom);
    DestroyWindow(w);
}

}  // namespace
