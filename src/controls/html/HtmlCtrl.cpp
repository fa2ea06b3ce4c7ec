// The HTML control chain: creation in place of a static, POST navigation, "app:" links,
// navigation errors forwarded to the parent, and the context-menu switch.
#include "controls/html/HtmlCtrl.h"

IMPLEMENT_DYNAMIC(CHtmlCtrl, CHtmlView)
IMPLEMENT_DYNAMIC(CHtmlCtrlEx, CHtmlCtrl)

BEGIN_MESSAGE_MAP(CHtmlCtrl, CHtmlView)
    ON_WM_DESTROY()
    ON_WM_MOUSEACTIVATE()
END_MESSAGE_MAP()

namespace {

const WCHAR kAppPrefix[] = TEXT("app:");
const int kAppPrefixLength = 4;
// Each extra header ends in CR LF, as the browser asks: without it a browser may run the next
// header it adds into this one's value.
const WCHAR kFormHeader[] = TEXT("Content-Type: application/x-www-form-urlencoded \r\n");

}  // namespace

// ---------------------------------------------------------------------------------------------
// CFixHtmlView

HRESULT CFixHtmlView::get_accChildCount(long *pcountChildren) { return GetAccessibleChildCount(pcountChildren); }
HRESULT CFixHtmlView::get_accChild(VARIANT varChild, IDispatch **ppdispChild) { return GetAccessibleChild(varChild, ppdispChild); }
HRESULT CFixHtmlView::get_accName(VARIANT varChild, BSTR *pszName) { return GetAccessibleName(varChild, pszName); }
HRESULT CFixHtmlView::accLocation(long *pxLeft, long *pyTop, long *pcxWidth, long *pcyHeight, VARIANT varChild)
{
    return GetAccessibilityLocation(varChild, pxLeft, pyTop, pcxWidth, pcyHeight);
}
HRESULT CFixHtmlView::accHitTest(long xLeft, long yTop, VARIANT *pvarChild)
{
    return GetAccessibilityHitTest(xLeft, yTop, pvarChild);
}

// ---------------------------------------------------------------------------------------------
// CHtmlCtrl

CHtmlCtrl::~CHtmlCtrl() = default;

BOOL CHtmlCtrl::CreateFromStatic(UINT nID, CWnd *pParent)
{
    HWND hStatic = ::GetDlgItem(pParent->GetSafeHwnd(), int(nID));
    if (hStatic == NULL) return FALSE;
    CStatic wndStatic;
    if (!wndStatic.Attach(hStatic)) return FALSE;
    RECT rc;
    wndStatic.GetWindowRect(&rc);
    pParent->ScreenToClient(reinterpret_cast<LPPOINT>(&rc.left));
    pParent->ScreenToClient(reinterpret_cast<LPPOINT>(&rc.right));
    wndStatic.Detach();
    ::DestroyWindow(hStatic);
    return Create(NULL, NULL, WS_CHILD | WS_VISIBLE, rc, pParent, nID, NULL);
}

// The class library builds the request: the URL as a BSTR, the flags, a null target frame, the
// body as a byte array (none when NULL) and the header.
void CHtmlCtrl::NavigatePost(LPCTSTR lpszURL, const void *pPostData, DWORD dwPostDataLen)
{
    Navigate(lpszURL, navNoHistory, NULL, kFormHeader, const_cast<void *>(pPostData), dwPostDataLen);
}

// The window goes, the object stays: its creator deletes it.
void CHtmlCtrl::PostNcDestroy() {}

void CHtmlCtrl::OnDestroy() { CWnd::OnDestroy(); }

int CHtmlCtrl::OnMouseActivate(CWnd *pDesktopWnd, UINT nHitTest, UINT message)
{
    (void)pDesktopWnd;
    (void)nHitTest;
    (void)message;
    return int(Default());
}

void CHtmlCtrl::OnBeforeNavigate2(LPCTSTR lpszURL, DWORD nFlags, LPCTSTR lpszTargetFrameName,
                                  CByteArray &baPostedData, LPCTSTR lpszHeaders, BOOL *pbCancel)
{
    (void)nFlags;
    (void)lpszTargetFrameName;
    (void)baPostedData;
    (void)lpszHeaders;
    if (lpszURL == NULL || ::lstrlenW(lpszURL) < kAppPrefixLength) return;
    WCHAR szHead[kAppPrefixLength + 1];
    ::lstrcpynW(szHead, lpszURL, kAppPrefixLength + 1);
    if (::lstrcmpiW(szHead, kAppPrefix) != 0) return;
    OnAppCmd(lpszURL + kAppPrefixLength);
    if (pbCancel != NULL) *pbCancel = TRUE;
}

void CHtmlCtrl::OnAppCmd(LPCTSTR lpszWhere) { (void)lpszWhere; }

void CHtmlCtrl::OnNavigateError(LPCTSTR lpszURL, LPCTSTR lpszFrame, DWORD dwError, BOOL *pbCancel)
{
    (void)lpszFrame;
    if (pbCancel != NULL) *pbCancel = FALSE;
    ::SendMessageW(::GetParent(m_hWnd), WM_NAVIGATEERROR, WPARAM(dwError), reinterpret_cast<LPARAM>(lpszURL));
}

// ---------------------------------------------------------------------------------------------
// CHtmlCtrlEx

HRESULT CHtmlCtrlEx::OnShowContextMenu(DWORD dwID, LPPOINT ppt, LPUNKNOWN pcmdtReserved, LPDISPATCH pdispReserved)
{
    if (!m_bContextMenu) return S_OK;   // handled: the browser shows no menu
    return CHtmlCtrl::OnShowContextMenu(dwID, ppt, pcmdtReserved, pdispReserved);
}
