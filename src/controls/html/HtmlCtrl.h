// The HTML control: an HTML view that lives as a child control of a dialog, created in place of a
// placeholder static (CFixHtmlView, CHtmlCtrl), and its variant without the browser's context
// menu (CHtmlCtrlEx).
#pragma once

#include <afxwin.h>
#include <afxhtml.h>

// Sent to the parent on a navigation error: wParam the status code, lParam the address text
// (valid during the call only). The same number as the event's dispatch identifier.
#define WM_NAVIGATEERROR 271

// The view with the accessibility queries a dialog's child answers like any form view.
class CFixHtmlView : public CHtmlView
{
public:
    CFixHtmlView() = default;

    HRESULT get_accChildCount(long *pcountChildren) override;
    HRESULT get_accChild(VARIANT varChild, IDispatch **ppdispChild) override;
    HRESULT get_accName(VARIANT varChild, BSTR *pszName) override;
    HRESULT accLocation(long *pxLeft, long *pyTop, long *pcxWidth, long *pcyHeight, VARIANT varChild) override;
    HRESULT accHitTest(long xLeft, long yTop, VARIANT *pvarChild) override;
};

// An HTML view as a dialog control: its object belongs to whoever created it, not to its window.
class CHtmlCtrl : public CFixHtmlView
{
    DECLARE_DYNAMIC(CHtmlCtrl)
public:
    CHtmlCtrl() = default;
    ~CHtmlCtrl() override;

    // Replaces the parent's dialog item nID (a static) by the browser, same identifier and rectangle.
    BOOL CreateFromStatic(UINT nID, CWnd *pParent);
    // Navigates with pPostData as a form-encoded POST body (none when NULL); nothing without a browser.
    void NavigatePost(LPCTSTR lpszURL, const void *pPostData, DWORD dwPostDataLen);

    void PostNcDestroy() override;
    // "app:" links call OnAppCmd with the rest of the address instead of navigating.
    void OnBeforeNavigate2(LPCTSTR lpszURL, DWORD nFlags, LPCTSTR lpszTargetFrameName, CByteArray &baPostedData,
                           LPCTSTR lpszHeaders, BOOL *pbCancel) override;
    // Tells the parent (WM_NAVIGATEERROR) and lets the browser show its error page. The HTML view's
    // event map delivers the event through its NavigateError reflector, which reads the VARIANTs.
    void OnNavigateError(LPCTSTR lpszURL, LPCTSTR lpszFrame, DWORD dwError, BOOL *pbCancel) override;
    virtual void OnAppCmd(LPCTSTR lpszWhere);

protected:
    afx_msg void OnDestroy();
    afx_msg int OnMouseActivate(CWnd *pDesktopWnd, UINT nHitTest, UINT message);

    DECLARE_MESSAGE_MAP()
};

// The HTML control with a switch for the browser's own context menu, off.
class CHtmlCtrlEx : public CHtmlCtrl
{
    DECLARE_DYNAMIC(CHtmlCtrlEx)
public:
    CHtmlCtrlEx() : m_bContextMenu(FALSE) {}

    HRESULT OnShowContextMenu(DWORD dwID, LPPOINT ppt, LPUNKNOWN pcmdtReserved, LPDISPATCH pdispReserved) override;

    BOOL m_bContextMenu;
};
