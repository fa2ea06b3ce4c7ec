// The resize engine's other parts: the gripper and its cursor, the parent's style, group boxes
// made transparent and repainted, the window objects the engine makes, the stored placement and
// the page's run-time class.
#include <gtest/gtest.h>

#include "layout_fixture.h"

#include <string>

using namespace layout_test;

namespace {

// A top-level window that lays out its children on WM_SIZE, with the engine's default flags.
class CResizeFrame : public CWnd, public CXTResize
{
public:
    explicit CResizeFrame(UINT nFlags = 0) : CXTResize(this, nFlags) {}
    BOOL Open()
    {
        return CreateEx(0, AfxGetDefaultWndClass(), TEXT("frame"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 400, 300,
                        NULL, NULL);
    }
    INT_PTR ItemCount() const { return m_arrItems.GetSize(); }

protected:
    afx_msg void OnSize(UINT nType, int cx, int cy)
    {
        CWnd::OnSize(nType, cx, cy);
        LayoutControls();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CResizeFrame, CWnd)
    ON_WM_SIZE()
END_MESSAGE_MAP()

std::u16string SettingsPath()
{
    WCHAR dir[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, dir);
    std::string tag = "kh-layout-" + std::to_string(GetCurrentProcessId()) + ".ini";
    return std::u16string(dir, n) + std::u16string(tag.begin(), tag.end());
}

}  // namespace

TEST(ResizeParts, GripperSitsInTheCornerAndFollowsIt)
{
    CResizeFrame frame;
    ASSERT_TRUE(frame.Open());
    frame.AnchorControl(1, frame.m_hWnd, kFixed);   // made before InitLayout: discarded by it
    frame.InitLayout();
    ASSERT_EQ(1, frame.ItemCount());
    EXPECT_TRUE(frame.GetStyle() & WS_CLIPCHILDREN);

    HWND hGrip = ::GetDlgItem(frame, IDC_RESIZE_GRIPPER);
    ASSERT_NE(nullptr, hGrip);
    WCHAR szClass[16];
    ASSERT_GT(::GetClassNameW(hGrip, szClass, 16), 0);
    EXPECT_EQ(0, ::lstrcmpiW(szClass, TEXT("ScrollBar")));
    EXPECT_EQ(0x50000010, ::GetWindowLongW(hGrip, GWL_STYLE));
    EXPECT_EQ(hGrip, ::GetWindow(frame, GW_CHILD));   // top of the Z order
    CRect client;
    frame.GetClientRect(&client);
    const CRect grip(client.right - 1 - ::GetSystemMetrics(SM_CXVSCROLL),
                     client.bottom - 1 - ::GetSystemMetrics(SM_CYHSCROLL), client.right - 1, client.bottom - 1);
    EXPECT_EQ(grip, RectInParent(hGrip));

    CRect window;
    frame.GetWindowRect(&window);
    ::SetWindowPos(frame, NULL, 0, 0, window.Width() + 30, window.Height() + 20, SWP_NOMOVE | SWP_NOZORDER);
    CRect moved = grip;
    moved.OffsetRect(30, 20);
    EXPECT_EQ(moved, RectInParent(hGrip));

    // A second InitLayout keeps the one gripper and registers it once.
    frame.InitLayout();
    EXPECT_EQ(1, frame.ItemCount());
    EXPECT_EQ(hGrip, ::GetDlgItem(frame, IDC_RESIZE_GRIPPER));
    EXPECT_EQ(nullptr, ::GetWindow(hGrip, GW_HWNDNEXT));
}

TEST(ResizeParts, FlagsLeaveOutTheGripperAndTheClipStyle)
{
    CResizeFrame frame(RESIZE_NO_GRIPPER | RESIZE_NO_CLIP_CHILDREN);
    ASSERT_TRUE(frame.Open());
    frame.InitLayout();
    EXPECT_EQ(0, frame.ItemCount());
    EXPECT_EQ(nullptr, ::GetDlgItem(frame, IDC_RESIZE_GRIPPER));
    EXPECT_FALSE(frame.GetStyle() & WS_CLIPCHILDREN);

    // A page never has one, even with flags 0; it is creatable by run-time class.
    HostWindow host;
    CTestPage page(700, 0);
    EXPECT_TRUE(page.GetFlags() & RESIZE_NO_GRIPPER);
    ASSERT_TRUE(page.Create(700, &host.m_wnd));
    EXPECT_EQ(0, page.ItemCount());
    EXPECT_EQ(nullptr, ::GetDlgItem(page, IDC_RESIZE_GRIPPER));
    CObject *pObject = RUNTIME_CLASS(CXTResizePropertyPage)->CreateObject();
    ASSERT_NE(nullptr, pObject);
    EXPECT_TRUE(pObject->IsKindOf(RUNTIME_CLASS(CPropertyPage)));
    delete pObject;
}

TEST(ResizeParts, GripperShowsTheSizingCursorOverItsClientArea)
{
    CResizeFrame frame;
    ASSERT_TRUE(frame.Open());
    frame.InitLayout();
    HWND hGrip = ::GetDlgItem(frame, IDC_RESIZE_GRIPPER);
    ASSERT_NE(nullptr, hGrip);
    HCURSOR hSizing = ::LoadCursorW(NULL, IDC_SIZENWSE);

    ::SetCursor(NULL);
    EXPECT_TRUE(::SendMessageW(hGrip, WM_SETCURSOR, WPARAM(hGrip), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(hSizing, ::GetCursor());
    ::SendMessageW(hGrip, WM_SETCURSOR, WPARAM(hGrip), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
    EXPECT_NE(hSizing, ::GetCursor());   // default processing: the arrow
}

TEST(ResizeParts, PlainGroupBoxesBecomeTransparentAndAreRepainted)
{
    struct Case {
        int nID;
        UINT nFlags;
        bool bOwnObject;   // a CXTResizeGroupBox window object
        bool bTransparent;
    };
    const Case cases[] = {
        {8002, 0, false, true},
        {8002, RESIZE_NO_GROUPBOX_FIX, false, false},
        {8002, 0, true, false},
        {8003, 0, false, false},   // WS_TABSTOP
        {8004, 0, false, false},   // a push button
        {8001, 0, false, false},   // not a button
    };
    HostWindow host;
    for (const Case &c : cases) {
        CTestPage page(700, c.nFlags);
        ASSERT_TRUE(page.Create(700, &host.m_wnd));
        HWND hWnd = ::GetDlgItem(page, c.nID);
        CXTResizeGroupBox box;
        if (c.bOwnObject) {
            ASSERT_TRUE(box.SubclassWindow(hWnd));
        }
        page.AnchorControl(UINT(c.nID), NULL, kFixed);
        EXPECT_EQ(c.bTransparent, (::GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_TRANSPARENT) != 0) << c.nID;

        // The control stays where it is, yet a transparent group box is repainted whole.
        page.ShowWindow(SW_SHOW);   // hidden windows gather no update region
        ::UpdateWindow(host.m_wnd);
        ::ValidateRect(hWnd, NULL);
        const CRect rc = page.Window();
        page.Resize(rc.Width() + 10, rc.Height() + 10);
        CRect update, client;
        ::GetUpdateRect(hWnd, &update, FALSE);
        ::GetClientRect(hWnd, &client);
        EXPECT_EQ(c.bTransparent ? client : CRect(), update) << c.nID;
        if (c.bOwnObject) box.UnsubclassWindow();
        page.DestroyWindow();
    }
}

TEST(ResizeParts, WindowObjectsTheEngineMadeGoWithTheItems)
{
    HostWindow host;
    CTestPage page;
    ASSERT_TRUE(page.Create(700, &host.m_wnd));
    HWND hPlain = ::GetDlgItem(page, 8004), hBound = ::GetDlgItem(page, 8001);
    CStatic bound;
    ASSERT_TRUE(bound.SubclassWindow(hBound));
    page.AnchorControl(8004, NULL, kStretch);
    page.AnchorControl(8001, NULL, kStretch);
    ASSERT_EQ(2, page.ItemCount());
    EXPECT_TRUE(page.Item(0)->m_bOwnsWindowObject);
    EXPECT_EQ(page.Item(0)->m_pControl, CWnd::FromHandlePermanent(hPlain));
    EXPECT_FALSE(page.Item(1)->m_bOwnsWindowObject);
    EXPECT_EQ(&bound, page.Item(1)->m_pControl);

    page.RemoveAllItems();
    EXPECT_EQ(0, page.ItemCount());
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hPlain));
    EXPECT_TRUE(::IsWindow(hPlain));   // the control's window is never destroyed
    EXPECT_EQ(&bound, CWnd::FromHandlePermanent(hBound));
}

TEST(ResizeParts, PlacementIsStoredOnDestroyOnlyWithASection)
{
    std::u16string path = SettingsPath();
    DeleteFileW(path.c_str());
    CWinApp app(TEXT("Layout"));
    app.m_pszProfileName = path.c_str();
    HostWindow host;

    CTestPage unnamed;
    ASSERT_TRUE(unnamed.Create(700, &host.m_wnd));
    unnamed.DestroyWindow();
    WINDOWPLACEMENT stored = {};
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetPrivateProfileStructW(TEXT("Page"), TEXT("WindowPlacement"), &stored, sizeof stored, path.c_str()));

    CTestPage page;
    EXPECT_FALSE(page.StorePlacement(TEXT("Page")));   // no window yet
    ASSERT_TRUE(page.Create(700, &host.m_wnd));
    page.SetPlacementSection(TEXT("Page"));
    page.Resize(333, 222);
    WINDOWPLACEMENT expected = {};
    expected.length = sizeof expected;
    ASSERT_TRUE(page.GetWindowPlacement(&expected));
    page.DestroyWindow();

    ASSERT_EQ(44u, sizeof stored);
    ASSERT_TRUE(GetPrivateProfileStructW(TEXT("Page"), TEXT("WindowPlacement"), &stored, sizeof stored, path.c_str()));
    EXPECT_EQ(0, memcmp(&expected, &stored, sizeof stored));
    EXPECT_EQ(333, stored.rcNormalPosition.right - stored.rcNormalPosition.left);
    DeleteFileW(path.c_str());
}
