// CWnd: creation and attachment, message-map dispatch, subclassing, temporary objects, the end of
// a window, pre-translation and the thread's message loop.
#include <afxwin.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_log;

class CBaseTestWnd : public CWnd
{
public:
    afx_msg void OnSize(UINT nType, int cx, int cy)
    {
        g_log.push_back("base:size " + std::to_string(nType) + " " + std::to_string(cx) + " " + std::to_string(cy));
    }
    afx_msg LRESULT OnApp(WPARAM, LPARAM) { g_log.push_back("base:app"); return 1; }
    afx_msg LRESULT OnAppPlusOne(WPARAM wParam, LPARAM) { g_log.push_back("base:app+1"); return LRESULT(wParam) * 2; }
    afx_msg void OnTimer(UINT_PTR nIDEvent) { g_log.push_back("base:timer " + std::to_string(nIDEvent)); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTestWnd, CWnd)
    ON_WM_SIZE()
    ON_MESSAGE(WM_APP, OnApp)
    ON_MESSAGE(WM_APP + 1, OnAppPlusOne)
    ON_WM_TIMER()
END_MESSAGE_MAP()

class CDerivedTestWnd : public CBaseTestWnd
{
public:
    int m_nCreateResult = 0;
    bool *m_pDeleted = nullptr;

    afx_msg int OnCreate(LPCREATESTRUCT lpcs)
    {
        g_log.push_back(std::string("derived:create ") + (lpcs && lpcs->lpszName ? "named" : "unnamed"));
        return m_nCreateResult != 0 ? m_nCreateResult : CWnd::OnCreate(lpcs);
    }
    afx_msg LRESULT OnAppFirst(WPARAM, LPARAM) { g_log.push_back("derived:app first"); return 11; }
    afx_msg LRESULT OnAppSecond(WPARAM, LPARAM) { g_log.push_back("derived:app second"); return 22; }
    afx_msg void OnDestroy() { g_log.push_back("derived:destroy"); CWnd::OnDestroy(); }
    afx_msg void OnNcDestroy() { g_log.push_back("derived:ncdestroy"); CWnd::OnNcDestroy(); }
    afx_msg void OnCommand100() { g_log.push_back("derived:command 100"); }
    afx_msg void OnClickSeven(NMHDR *pNMHDR, LRESULT *pResult)
    {
        g_log.push_back("derived:notify " + std::to_string(pNMHDR->idFrom));
        *pResult = 5;
    }
    afx_msg BOOL OnEraseBkgnd(CDC *pDC)
    {
        g_log.push_back(std::string("derived:erase ") + (pDC && pDC->GetSafeHdc() ? "dc" : "no dc"));
        return TRUE;
    }
    afx_msg void OnClose() { g_log.push_back("derived:close"); }   // swallowed: no DestroyWindow
    void PostNcDestroy() override
    {
        g_log.push_back("PostNcDestroy " + std::string(m_hWnd == NULL ? "detached" : "attached"));
        if (m_pDeleted) {
            *m_pDeleted = true;
            delete this;
        }
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTestWnd, CBaseTestWnd)
    ON_WM_CREATE()
    ON_MESSAGE(WM_APP, OnAppFirst)
    ON_MESSAGE(WM_APP, OnAppSecond)
    ON_WM_DESTROY()
    ON_WM_NCDESTROY()
    ON_COMMAND(100, OnCommand100)
    ON_NOTIFY(NM_CLICK, 7, OnClickSeven)
    ON_WM_ERASEBKGND()
    ON_WM_CLOSE()
END_MESSAGE_MAP()

using Log = std::vector<std::string>;

TEST(AfxWnd, CreationAttachesAtTheFirstMessageAndEndsDetached)
{
    g_log.clear();
    CDerivedTestWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, NULL, TEXT("title"), WS_OVERLAPPED, 0, 0, 100, 80, NULL, NULL));
    HWND hWnd = wnd.m_hWnd;
    ASSERT_TRUE(IsWindow(hWnd));
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(hWnd));
    EXPECT_EQ(&wnd, CWnd::FromHandle(hWnd));
    ASSERT_FALSE(g_log.empty());
    EXPECT_EQ("derived:create named", g_log.front());   // then WM_SIZE and the like

    CString text;
    wnd.GetWindowText(text);   // unhandled messages reach the default procedure
    EXPECT_EQ(CString(TEXT("title")), text);
    wnd.SetWindowText(TEXT("renamed"));
    wnd.GetWindowText(text);
    EXPECT_EQ(CString(TEXT("renamed")), text);

    g_log.clear();
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(Log({"derived:destroy", "derived:ncdestroy", "PostNcDestroy detached"}), g_log);
    EXPECT_EQ(NULL, wnd.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
    EXPECT_FALSE(IsWindow(hWnd));
}

TEST(AfxWnd, MessageMapsDispatchMostDerivedFirstAndFirstEntryWins)
{
    CDerivedTestWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, NULL, NULL, WS_OVERLAPPED, 0, 0, 50, 50, NULL, NULL));
    g_log.clear();

    NMHDR nmSeven = {wnd.m_hWnd, 7, UINT(NM_CLICK)};
    NMHDR nmEight = {wnd.m_hWnd, 8, UINT(NM_CLICK)};
    struct Case { UINT msg; WPARAM wParam; LPARAM lParam; LRESULT result; };
    const Case cases[] = {
        {WM_APP, 0, 0, 11},                                             // derived's first entry, not base's
        {WM_APP + 1, 21, 0, 42},                                        // only base handles it
        {WM_SIZE, SIZE_RESTORED, MAKELPARAM(30, -2), 0},                // words unpacked as signed
        {WM_TIMER, 9, 0, 0},
        {WM_COMMAND, MAKEWPARAM(100, 0), 0, 1},
        {WM_COMMAND, MAKEWPARAM(101, 0), 0, 0},                         // no entry: default
        {WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&nmSeven), 5},
        {WM_NOTIFY, 8, reinterpret_cast<LPARAM>(&nmEight), 0},
        {WM_ERASEBKGND, reinterpret_cast<WPARAM>(HDC(0x1234)), 0, 1},
        {WM_CLOSE, 0, 0, 0},
    };
    LRESULT results[sizeof cases / sizeof *cases];
    for (size_t i = 0; i < sizeof cases / sizeof *cases; ++i)
        results[i] = wnd.SendMessage(cases[i].msg, cases[i].wParam, cases[i].lParam);
    for (size_t i = 0; i < sizeof cases / sizeof *cases; ++i) EXPECT_EQ(cases[i].result, results[i]) << "case " << i;
    EXPECT_EQ(Log({"derived:app first", "base:app+1", "base:size 0 30 -2", "base:timer 9", "derived:command 100",
                   "derived:notify 7", "derived:erase dc", "derived:close"}),
              g_log);
    EXPECT_TRUE(IsWindow(wnd.m_hWnd));   // the close handler kept the window
    wnd.DestroyWindow();
}

TEST(AfxWnd, CreateRefusedByOnCreateFailsAndStillEndsTheObject)
{
    g_log.clear();
    bool deleted = false;
    CDerivedTestWnd *pWnd = new CDerivedTestWnd;
    pWnd->m_nCreateResult = -1;
    pWnd->m_pDeleted = &deleted;
    EXPECT_FALSE(pWnd->CreateEx(0, NULL, NULL, WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL));
    EXPECT_TRUE(deleted);   // PostNcDestroy deleted it; CreateEx touched nothing after
    EXPECT_EQ(Log({"derived:create unnamed", "derived:destroy", "derived:ncdestroy", "PostNcDestroy detached"}), g_log);
}

TEST(AfxWnd, HandlerExceptionsStopAtTheWindowProcedure)
{
    class CThrowingWnd : public CWnd
    {
    public:
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
        {
            if (message == WM_APP) AfxThrowMemoryException();
            if (message == WM_APP + 1) AfxThrowFileException(CFileException::diskFull);
            return CWnd::WindowProc(message, wParam, lParam);
        }
    } wnd;
    ASSERT_TRUE(wnd.CreateEx(0, NULL, NULL, WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL));
    EXPECT_EQ(0, wnd.SendMessage(WM_APP));
    EXPECT_EQ(0, wnd.SendMessage(WM_APP + 1));   // the allocated exception is deleted (ASan checks)
    EXPECT_EQ(AfxGetAppModuleState(), AfxGetModuleState());
    wnd.DestroyWindow();
}

LRESULT CALLBACK PlainProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_APP + 7) return 77;
    if (msg == WM_APP + 1) return 1000;
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

TEST(AfxWnd, SubclassingRoutesThroughTheMapAndDefaultsToTheOldProcedure)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = TEXT("AfxTestPlain");
    ASSERT_TRUE(RegisterClassW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
    HWND hWnd = CreateWindowExW(0, TEXT("AfxTestPlain"), NULL, WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL, wc.hInstance, NULL);
    ASSERT_NE(nullptr, hWnd);

    g_log.clear();
    CBaseTestWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(hWnd));
    CBaseTestWnd other;
    EXPECT_FALSE(other.SubclassWindow(hWnd));   // one object per window in a module
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(hWnd));
    EXPECT_EQ(42, SendMessageW(hWnd, WM_APP + 1, 21, 0));    // the map first
    EXPECT_EQ(77, SendMessageW(hWnd, WM_APP + 7, 0, 0));     // the old procedure for the rest
    EXPECT_EQ(Log({"base:app+1"}), g_log);

    EXPECT_EQ(hWnd, wnd.UnsubclassWindow());
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(PlainProc), GetWindowLongPtrW(hWnd, GWLP_WNDPROC));
    EXPECT_EQ(1000, SendMessageW(hWnd, WM_APP + 1, 21, 0));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
    DestroyWindow(hWnd);
}

TEST(AfxWnd, ForeignWindowsGetTemporaryObjectsUntilIdle)
{
    HWND hWnd = CreateWindowExW(0, AfxGetDefaultWndClass(), NULL, WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL,
                                AfxGetInstanceHandle(), NULL);
    ASSERT_NE(nullptr, hWnd);
    AFX_MODULE_STATE *pState = AfxGetModuleState();
    CWinThread thread;
    thread.OnIdle(1);   // no temporaries left from earlier tests
    LONG before = pState->m_nTempObjects;

    CWnd *pTemp = CWnd::FromHandle(hWnd);
    ASSERT_NE(nullptr, pTemp);
    EXPECT_EQ(hWnd, pTemp->m_hWnd);
    EXPECT_EQ(pTemp, CWnd::FromHandle(hWnd));   // one object per handle
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
    EXPECT_EQ(nullptr, CWnd::FromHandle(NULL));
    EXPECT_EQ(before + 1, pState->m_nTempObjects);

    AfxLockTempMaps();
    EXPECT_FALSE(thread.OnIdle(1));
    EXPECT_EQ(before + 1, pState->m_nTempObjects);   // locked: kept
    AfxUnlockTempMaps(FALSE);
    EXPECT_TRUE(thread.OnIdle(0));
    EXPECT_FALSE(thread.OnIdle(1));
    EXPECT_EQ(before, pState->m_nTempObjects);
    EXPECT_TRUE(IsWindow(hWnd));   // deleting the object never destroys the window
    DestroyWindow(hWnd);
}

TEST(AfxWnd, DestroyingTheObjectDestroysItsWindow)
{
    HWND hWnd;
    {
        CWnd wnd;
        ASSERT_TRUE(wnd.CreateEx(0, NULL, NULL, WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL));
        hWnd = wnd.m_hWnd;
    }
    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
}

// A window that records what pre-translation offers it and eats one message.
class CPreWnd : public CWnd
{
public:
    const char *m_pszName = "";
    UINT m_nEat = 0;
    BOOL PreTranslateMessage(MSG *pMsg) override
    {
        g_log.push_back(m_pszName);
        return pMsg->message == m_nEat;
    }
    afx_msg LRESULT OnApp(WPARAM, LPARAM) { g_log.push_back(std::string(m_pszName) + ":dispatched"); return 0; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CPreWnd, CWnd)
    ON_MESSAGE(WM_APP, OnApp)
    ON_MESSAGE(WM_APP + 1, OnApp)
END_MESSAGE_MAP()

TEST(AfxWnd, PreTranslationWalksUpToTheStopWindow)
{
    CPreWnd top, middle, leaf;
    top.m_pszName = "top";
    middle.m_pszName = "middle";
    leaf.m_pszName = "leaf";
    RECT rc = {0, 0, 10, 10};
    ASSERT_TRUE(top.CreateEx(0, NULL, NULL, WS_OVERLAPPED, 0, 0, 50, 50, NULL, NULL));
    ASSERT_TRUE(middle.Create(NULL, NULL, WS_VISIBLE, rc, &top, 1));
    HWND hGap = CreateWindowExW(0, AfxGetDefaultWndClass(), NULL, WS_CHILD, 0, 0, 5, 5, middle.m_hWnd,
                                reinterpret_cast<HMENU>(2), AfxGetInstanceHandle(), NULL);   // no object
    ASSERT_TRUE(leaf.Create(NULL, NULL, WS_VISIBLE, rc, CWnd::FromHandle(hGap), 3));

    struct Case { HWND stop; UINT eat; BOOL result; Log offered; };
    const Case cases[] = {
        {NULL, 0, FALSE, {"leaf", "middle", "top"}},
        {top.m_hWnd, 0, FALSE, {"leaf", "middle", "top"}},
        {middle.m_hWnd, 0, FALSE, {"leaf", "middle"}},
        {leaf.m_hWnd, 0, FALSE, {"leaf"}},
        {NULL, WM_KEYDOWN, TRUE, {"leaf"}},   // the first that translates ends the walk
    };
    for (const Case &c : cases) {
        g_log.clear();
        leaf.m_nEat = c.eat;
        MSG msg = {leaf.m_hWnd, WM_KEYDOWN, 0, 0, 0, {0, 0}};
        EXPECT_EQ(c.result, CWnd::WalkPreTranslateTree(c.stop, &msg));
        EXPECT_EQ(c.offered, g_log);
    }
    top.DestroyWindow();
}

TEST(AfxWinThread, RunPreTranslatesDispatchesAndEndsWithExitInstance)
{
    CPreWnd wnd;
    wnd.m_pszName = "main";
    wnd.m_nEat = WM_APP + 1;
    ASSERT_TRUE(wnd.CreateEx(0, NULL, NULL, WS_OVERLAPPED, 0, 0, 50, 50, NULL, NULL));

    class CCountingThread : public CWinThread
    {
    public:
        int ExitInstance() override { g_log.push_back("exit"); return CWinThread::ExitInstance(); }
    } thread;
    thread.m_pMainWnd = &wnd;
    AFX_MODULE_THREAD_STATE *pPart = AfxGetModuleThreadState();
    CWinThread *pPrevThread = pPart->m_pCurrentWinThread;
    pPart->m_pCurrentWinThread = &thread;

    g_log.clear();
    PostMessageW(wnd.m_hWnd, WM_APP, 0, 0);
    PostMessageW(wnd.m_hWnd, WM_APP + 1, 0, 0);   // eaten by pre-translation
    PostQuitMessage(3);
    EXPECT_EQ(3, thread.Run());
    EXPECT_EQ(Log({"main", "main:dispatched", "main", "exit"}), g_log);

    pPart->m_pCurrentWinThread = pPrevThread;
    wnd.DestroyWindow();
}

} // namespace
