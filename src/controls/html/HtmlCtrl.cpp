// The HTML control chain: creation in place of a static, POST navigation, "app:" links,
// navigation errors forwarded to the parent, and the context-menu switch.
#include "controls/html/HtmlCtrl.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CHtmlCtrl, CHtmlView)
IMPLEMENT_DYNAMIC(CHtmlCtrlEx, CHtmlCtrl)

BEGIN_MESSAGE_MAP(CHtmlCtrl, CHtmlView)
    ON_WM_DESTROY()
    ON_WM_MOUSEACTIVATE()
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(CHtmlCtrl, CHtmlView)
    ON_EVENT(CHtmlCtrl, AFX_IDW_PANE_FIRST, DISPID_NAVIGATEERROR, NavigateError,
             VTS_DISPATCH VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PBOOL)
END_EVENTSINK_MAP()

BEGIN_MESSAGE_MAP(CHtmlCtrlEx, CHtmlCtrl)
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(CHtmlCtrlEx, CHtmlCtrl)
END_EVENTSINK_MAP()

namespace {

const WCHAR kAppPrefix[] = TEXT("app:");
const int kAppPrefixLength = 4;
const DWORD kNavNoHistory = 2;
const WCHAR kFormHeader[] = TEXT("Content-Type: application/x-www-form-urlencoded ");

// The text of a VARIANT holding a string, directly or by reference; empty otherwise.
CString TextOf(const VARIANT *v)
{
    while (v != NULL && V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
    if (v == NULL || V_VT(v) != VT_BSTR || V_BSTR(v) == NULL) return CString();
    return CString(V_BSTR(v), int(::SysStringLen(V_BSTR(v))));
}

// A 32-bit status held by a VARIANT directly or by reference; 0 for anything else.
DWORD StatusOf(const VARIANT *v)
{
    while (v != NULL && V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
    if (v == NULL) return 0;
    switch (V_VT(v)) {
    case VT_I4: return DWORD(V_I4(v));
    case VT_UI4: return V_UI4(v);
    case VT_ERROR: return DWORD(V_ERROR(v));
    case VT_I2: return DWORD(LONG(V_I2(v)));
    default: return 0;
    }
}

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

void CHtmlCtrl::NavigatePost(LPCTSTR lpszURL, const void *pPostData, DWORD dwPostDataLen)
{
    if (m_pBrowserApp == NULL || lpszURL == NULL) return;
    CComBSTR bstrURL(lpszURL);
    CComVariant vPost;
    if (pPostData != NULL) {
        SAFEARRAY *psa = ::SafeArrayCreateVector(VT_UI1, 0, dwPostDataLen);
        if (psa == NULL) AfxThrowMemoryException();
        void *pDest = NULL;
        if (dwPostDataLen != 0 && SUCCEEDED(::SafeArrayAccessData(psa, &pDest))) {
            std::memcpy(pDest, pPostData, dwPostDataLen);
            ::SafeArrayUnaccessData(psa);
        }
        V_VT(&vPost) = VT_ARRAY | VT_UI1;
        V_ARRAY(&vPost) = psa;
    }
    CComVariant vFlags(LONG(kNavNoHistory), VT_I4);
    CComVariant vTarget;
    V_VT(&vTarget) = VT_BSTR;
    V_BSTR(&vTarget) = NULL;
    CComVariant vHeaders(kFormHeader);
    m_pBrowserApp->Navigate(bstrURL, &vFlags, &vTarget, &vPost, &vHeaders);
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

void CHtmlCtrl::NavigateError(LPDISPATCH pDisp, VARIANT *pvURL, VARIANT *pvFrame, VARIANT *pvStatusCode,
                              VARIANT_BOOL *pvbCancel)
{
    (void)pDisp;
    CString strURL = TextOf(pvURL), strFrame = TextOf(pvFrame);
    BOOL bCancel = FALSE;
    OnNavigateError(strURL, strFrame, StatusOf(pvStatusCode), &bCancel);
    if (pvbCancel != NULL) *pvbCancel = bCancel ? VARIANT_TRUE : VARIANT_FALSE;
}

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
