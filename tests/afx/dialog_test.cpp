// Dialogs and property pages from the program's own templates: the page attached to its object,
// DDX_Control binding an item once, and a bound static receiving WM_PAINT and WM_TIMER through
// its message map, with painting begun and ended in pairs.
#include <afxdlgs.h>
#include <gtest/gtest.h>

#include "support/MessagePump.h"
#include "support/WideText.h"

#include <vector>

namespace {

const COLORREF kFill = RGB(10, 200, 30);

class CProbeStatic : public CStatic
{
public:
    std::vector<UINT_PTR> m_timers;
    int m_nPaints = 0;
    BOOL m_bPaintHadDC = FALSE;

    afx_msg void OnPaint()
    {
        CPaintDC dc(this);
        ++m_nPaints;
        m_bPaintHadDC = dc.GetSafeHdc() != NULL;
        RECT rc;
        GetClientRect(&rc);
        dc.FillSolidRect(&rc, kFill);
    }
    afx_msg void OnTimer(UINT_PTR nIDEvent)
    {
        m_timers.push_back(nIDEvent);
        KillTimer(nIDEvent);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeStatic, CStatic)
    ON_WM_PAINT()
    ON_WM_TIMER()
END_MESSAGE_MAP()

class CTestPage : public CPropertyPage
{
public:
    CTestPage() : CPropertyPage(500, 300) {}
    CProbeStatic m_image;
    CStatic m_missing;
    CString m_strName;
    int m_nExchanges = 0;
    int m_nInits = 0;
    HWND m_hWndAtInit = NULL;
    BOOL m_bMissingItem = FALSE;

    BOOL OnInitDialog() override
    {
        ++m_nInits;
        m_hWndAtInit = m_hWnd;
        return CPropertyPage::OnInitDialog();
    }

protected:
    void DoDataExchange(CDataExchange *pDX) override
    {
        ++m_nExchanges;
        DDX_Control(pDX, 8001, m_image);
        DDX_Text(pDX, 8002, m_strName);
        if (m_bMissingItem) DDX_Control(pDX, 9999, m_missing);
    }
};

// A visible top-level window to hold the page.
class HostWindow
{
public:
    HostWindow()
    {
        m_wnd.CreateEx(0, AfxGetDefaultWndClass(), TEXT("host"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 500, 600,
                       NULL, NULL);
    }
    CWnd m_wnd;
};

}  // namespace

TEST(AfxDialog, APageIsAttachedAndBindsItsItemOnce)
{
    HostWindow host;
    ASSERT_TRUE(host.m_wnd.GetSafeHwnd());
    CTestPage page;
    EXPECT_EQ(sizeof(PROPSHEETPAGE), page.m_psp.dwSize);
    EXPECT_WTEXT(u"Page caption", page.m_psp.pszTitle);

    page.m_strName = TEXT("Alice");
    ASSERT_TRUE(page.Create(500, &host.m_wnd));
    ASSERT_NE(nullptr, page.GetSafeHwnd());
    EXPECT_EQ(page.m_hWnd, page.m_hWndAtInit);   // attached before OnInitDialog ran
    EXPECT_EQ(1, page.m_nInits);
    EXPECT_EQ(&page, CWnd::FromHandlePermanent(page.m_hWnd));
    EXPECT_EQ(host.m_wnd.m_hWnd, ::GetParent(page.m_hWnd));

    HWND hItem = ::GetDlgItem(page.m_hWnd, 8001);
    ASSERT_NE(nullptr, hItem);
    EXPECT_EQ(hItem, page.m_image.m_hWnd);
    EXPECT_EQ(&page.m_image, CWnd::FromHandlePermanent(hItem));
    CString name;
    page.GetDlgItemText(8002, name);
    EXPECT_TRUE(name == TEXT("Alice"));

    // A second exchange leaves the bound control as it is.
    WNDPROC procAfterBind = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hItem, GWLP_WNDPROC));
    EXPECT_TRUE(page.UpdateData(FALSE));
    EXPECT_EQ(2, page.m_nExchanges);
    EXPECT_EQ(hItem, page.m_image.m_hWnd);
    EXPECT_EQ(procAfterBind, reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hItem, GWLP_WNDPROC)));

    // Controls to members.
    ::SetWindowTextW(::GetDlgItem(page.m_hWnd, 8002), TEXT("Bob"));
    EXPECT_TRUE(page.UpdateData(TRUE));
    EXPECT_TRUE(page.m_strName == TEXT("Bob"));

    // A missing item fails the exchange without raising anything.
    page.m_bMissingItem = TRUE;
    EXPECT_FALSE(page.UpdateData(FALSE));

    // Unbound, the item gets its own procedure back, and a new page binds the member again.
    EXPECT_EQ(hItem, page.m_image.UnsubclassWindow());
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hItem));
    EXPECT_TRUE(page.DestroyWindow());
    EXPECT_EQ(nullptr, page.GetSafeHwnd());
    page.m_bMissingItem = FALSE;
    ASSERT_TRUE(page.Create(500, &host.m_wnd));
    EXPECT_EQ(::GetDlgItem(page.m_hWnd, 8001), page.m_image.m_hWnd);
    EXPECT_NE(hItem, page.m_image.m_hWnd);
}

TEST(AfxDialog, AnUnboundItemIsReachedThroughATemporaryPlainWindow)
{
    HostWindow host;
    CTestPage page;
    ASSERT_TRUE(page.Create(500, &host.m_wnd));
    EXPECT_EQ(&page.m_image, page.GetDlgItem(8001));   // a bound item answers with its member
    HWND hName = ::GetDlgItem(page.m_hWnd, 8002);
    CWnd *pName = page.GetDlgItem(8002);
    ASSERT_NE(nullptr, pName);
    EXPECT_EQ(hName, pName->m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hName));
    EXPECT_FALSE(pName->IsKindOf(RUNTIME_CLASS(CStatic))) << "a plain window stands in for the unbound item";
    EXPECT_EQ(nullptr, page.GetDlgItem(9999));
    EXPECT_TRUE(page.DestroyWindow());
}

TEST(AfxDialog, MissingTemplateCreatesNothing)
{
    HostWindow host;
    CDialog dialog;
    EXPECT_FALSE(dialog.Create(4242, &host.m_wnd));
    EXPECT_EQ(nullptr, dialog.GetSafeHwnd());
}

TEST(AfxDialog, BoundStaticGetsPaintAndTimerThroughItsMap)
{
    HostWindow host;
    CTestPage page;
    ASSERT_TRUE(page.Create(500, &host.m_wnd));
    page.ShowWindow(SW_SHOW);
    CProbeStatic &image = page.m_image;
    ASSERT_NE(nullptr, image.GetSafeHwnd());

    ASSERT_TRUE(PumpUntil([&] { return image.m_nPaints > 0; })) << "the bound static was never painted";
    int before = image.m_nPaints;
    image.Invalidate(FALSE);
    image.UpdateWindow();
    EXPECT_EQ(before + 1, image.m_nPaints);
    EXPECT_TRUE(image.m_bPaintHadDC);
    RECT update;
    EXPECT_FALSE(image.GetUpdateRect(&update));   // EndPaint validated what BeginPaint took

    {
        CClientDC dc(&image);
        EXPECT_EQ(kFill, dc.GetPixel(3, 3));   // what OnPaint drew reached the screen
    }

    EXPECT_EQ(77u, image.SetTimer(77, 10, NULL));
    ASSERT_TRUE(PumpUntil([&] { return !image.m_timers.empty(); })) << "no WM_TIMER reached OnTimer";
    EXPECT_EQ(77u, image.m_timers[0]);
}
