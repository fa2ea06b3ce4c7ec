// Shutdown closes only a window of the host's own process: a window of the page's title that
// belongs to another process (this test program) stays open.
#include "WineHost.h"

namespace {

bool g_bClosed = false;

LRESULT CALLBACK OtherProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_CLOSE) {
        g_bClosed = true;
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

TEST(WineShutdown, SameTitledWindowOfAnotherProcessStaysOpen)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = OtherProc;
    wc.lpszClassName = L"OtherProcessTarget";
    RegisterClassW(&wc);
    HWND hOther = CreateWindowExW(0, wc.lpszClassName, L"My Permission", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 60, 60, NULL,
                                  NULL, NULL, NULL);
    ASSERT_TRUE(hOther);

    WineHost host;
    // The host has no window of that title of its own, so the only candidate is this program's.
    std::string report = host.Run({"lang=1033", "init", "get", "create", "startup", "shutdown", "destroy",
                                   "release-plugin", "uninit"});
    // A message posted by the probe is in this queue by the time the probe has ended.
    for (MSG msg; PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE);)
        DispatchMessageW(&msg);
    EXPECT_NE(report.find("closed=\n"), std::string::npos) << report;
    EXPECT_FALSE(g_bClosed) << "the other process's window was told to close";
    EXPECT_TRUE(IsWindow(hOther));
    DestroyWindow(hOther);
}

} // namespace
