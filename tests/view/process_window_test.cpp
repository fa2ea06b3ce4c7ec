// Which window Shutdown may close: a top-level window of the given process with the caption.
// Natively every window belongs to this process, so windows of "another process" are this
// process's own windows asked for under another process id; the Windows build covers a real one.
#include "view/ProcessWindow.h"

#include <gtest/gtest.h>

namespace {

HWND TopLevel(LPCWSTR pszTitle, HWND hParent = NULL)
{
    return CreateWindowExW(0, TEXT("Static"), pszTitle, hParent ? WS_CHILD : WS_OVERLAPPED, 0, 0, 20, 20, hParent,
                           NULL, NULL, NULL);
}

struct OtherThreadWindow
{
    HANDLE hMade = CreateEventW(NULL, TRUE, FALSE, NULL);
    HANDLE hDone = CreateEventW(NULL, TRUE, FALSE, NULL);
    HWND hWnd = NULL;
    HANDLE hThread = NULL;

    static DWORD WINAPI Run(LPVOID p)
    {
        auto* self = static_cast<OtherThreadWindow*>(p);
        self->hWnd = TopLevel(TEXT("Shared Title"));
        SetEvent(self->hMade);
        WaitForSingleObject(self->hDone, 60000);
        DestroyWindow(self->hWnd);
        return 0;
    }
    OtherThreadWindow() { hThread = CreateThread(NULL, 0, Run, this, 0, NULL); }
    ~OtherThreadWindow()
    {
        SetEvent(hDone);
        WaitForSingleObject(hThread, 60000);
        CloseHandle(hThread);
        CloseHandle(hMade);
        CloseHandle(hDone);
    }
};

}  // namespace

TEST(ProcessWindow, OnlyTopLevelWindowsOfTheGivenProcessBearingTheTitle)
{
    const DWORD dwSelf = GetCurrentProcessId();
    const DWORD dwOther = dwSelf ^ 0x40000000u;

    HWND hFrame = TopLevel(TEXT("Frame"));
    HWND hChild = TopLevel(TEXT("My Permission"), hFrame);
    ASSERT_TRUE(hFrame && hChild);
    EXPECT_TRUE(FindProcessTopLevelWindow(TEXT("My Permission"), dwSelf) == NULL) << "a child is not top-level";

    HWND hTarget = TopLevel(TEXT("My Permission"));
    ASSERT_TRUE(hTarget != NULL);
    EXPECT_EQ(hTarget, FindProcessTopLevelWindow(TEXT("My Permission"), dwSelf));
    EXPECT_EQ(hTarget, FindProcessTopLevelWindow(TEXT("my permission"), dwSelf));   // titles match as FindWindowW's do
    EXPECT_TRUE(FindProcessTopLevelWindow(TEXT("My Permission"), dwOther) == NULL) << "another process's window";
    EXPECT_TRUE(FindProcessTopLevelWindow(TEXT("My Permissio"), dwSelf) == NULL);
    EXPECT_TRUE(FindProcessTopLevelWindow(TEXT("My Permission!"), dwSelf) == NULL);
    EXPECT_TRUE(FindProcessTopLevelWindow(NULL, dwSelf) == NULL);

    // Any thread of the process: the host's window need not be on the thread that calls.
    OtherThreadWindow other;
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(other.hMade, 60000)) << "the other thread never made its window";
    ASSERT_TRUE(other.hWnd != NULL);
    EXPECT_EQ(other.hWnd, FindProcessTopLevelWindow(TEXT("Shared Title"), dwSelf));
    EXPECT_TRUE(FindProcessTopLevelWindow(TEXT("Shared Title"), dwOther) == NULL);

    DestroyWindow(hTarget);
    DestroyWindow(hFrame);
    EXPECT_TRUE(FindProcessTopLevelWindow(TEXT("My Permission"), dwSelf) == NULL);
}
