// CView, CScrollView and CFormView: self-deleting child views, their mouse activation, event-sink
// routing and the window's generic accessibility answers.
#include "afximpl.h"
#include <afxview_.h>

IMPLEMENT_DYNAMIC(CView, CWnd)
IMPLEMENT_DYNAMIC(CScrollView, CView)
IMPLEMENT_DYNAMIC(CFormView, CScrollView)

BEGIN_MESSAGE_MAP(CView, CWnd)
    ON_WM_MOUSEACTIVATE()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

// The root of every event-sink map chain.
const AFX_EVENTSINKMAP *CView::GetEventSinkMap() const { return GetThisEventSinkMap(); }
const AFX_EVENTSINKMAP *CView::GetThisEventSinkMap()
{
    static const AFX_EVENTSINKMAP_ENTRY entries[] = {{0, 0, 0, NULL, NULL, (AFX_PMSG)0}};
    static const AFX_EVENTSINKMAP map = {NULL, &entries[0]};
    return &map;
}

CView::CView() = default;
CView::~CView() = default;

BOOL CView::PreCreateWindow(CREATESTRUCT &cs)
{
    cs.style |= WS_CHILD;
    return CWnd::PreCreateWindow(cs);
}

void CView::PostNcDestroy() { delete this; }

BOOL CView::OnCmdMsg(UINT nID, int nCode, void *pExtra, void *pHandlerInfo)
{
    if (nCode == CN_EVENT) {
        if (pHandlerInfo != NULL) return AfxFindEventSinkEntry(GetEventSinkMap(), nID, static_cast<AFX_EVENT *>(pExtra)->m_dispid) != NULL;
        return AfxDispatchEventSink(this, GetEventSinkMap(), nID, static_cast<AFX_EVENT *>(pExtra));
    }
    return CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CView::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT *pResult)
{
    if (message == WM_MOUSEACTIVATE) {
        const AFX_MSGMAP_ENTRY *e = FindMessageEntry(message, 0, 0);
        if (e != NULL && e->nSig == AfxSig_view_i_W_uu) {
            *pResult = (this->*afx_pmsg_as<int (CWnd::*)(CWnd *, UINT, UINT)>(e->pfn))(
                CWnd::FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(lParam), HIWORD(lParam));
            return TRUE;
        }
    }
    return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}

int CView::OnMouseActivate(CWnd *pDesktopWnd, UINT nHitTest, UINT message)
{
    (void)pDesktopWnd;
    (void)nHitTest;
    (void)message;
    int nResult = int(Default());
    if (nResult == MA_NOACTIVATE || nResult == MA_NOACTIVATEANDEAT) return nResult;
    HWND hFocus = ::GetFocus();
    if (hFocus != m_hWnd && !::IsChild(m_hWnd, hFocus)) ::SetFocus(m_hWnd);
    return nResult;
}

void CView::OnDestroy() { CWnd::OnDestroy(); }

// ---------------------------------------------------------------------------------------------
// Accessibility. Only CHILDID_SELF (0) names the window itself; children are windows of their own.

static bool is_self(const VARIANT &varChild) { return V_VT(&varChild) == VT_I4 && V_I4(&varChild) == 0; }

HRESULT CView::get_accChildCount(long *pcountChildren) { return GetAccessibleChildCount(pcountChildren); }
HRESULT CView::get_accChild(VARIANT varChild, IDispatch **ppdispChild) { return GetAccessibleChild(varChild, ppdispChild); }
HRESULT CView::get_accName(VARIANT varChild, BSTR *pszName) { return GetAccessibleName(varChild, pszName); }
HRESULT CView::accLocation(long *pxLeft, long *pyTop, long *pcxWidth, long *pcyHeight, VARIANT varChild)
{
    return GetAccessibilityLocation(varChild, pxLeft, pyTop, pcxWidth, pcyHeight);
}
HRESULT CView::accHitTest(long xLeft, long yTop, VARIANT *pvarChild) { return GetAccessibilityHitTest(xLeft, yTop, pvarChild); }

HRESULT CView::GetAccessibleChildCount(long *pcountChildren)
{
    if (pcountChildren == NULL) return E_POINTER;
    long n = 0;
    for (HWND h = ::GetWindow(m_hWnd, GW_CHILD); h != NULL; h = ::GetWindow(h, GW_HWNDNEXT)) ++n;
    *pcountChildren = n;
    return S_OK;
}

// Child windows answer for themselves; there are no simple children to hand out.
HRESULT CView::GetAccessibleChild(VARIANT varChild, IDispatch **ppdispChild)
{
    (void)varChild;
    if (ppdispChild == NULL) return E_POINTER;
    *ppdispChild = NULL;
    return S_FALSE;
}

HRESULT CView::GetAccessibleName(VARIANT varChild, BSTR *pszName)
{
    if (pszName == NULL) return E_POINTER;
    *pszName = NULL;
    if (!is_self(varChild)) return E_INVALIDARG;
    CString strText;
    GetWindowText(strText);
    if (strText.IsEmpty()) return S_FALSE;
    *pszName = ::SysAllocStringLen(strText, UINT(strText.GetLength()));
    return *pszName ? S_OK : E_OUTOFMEMORY;
}

HRESULT CView::GetAccessibilityLocation(VARIANT varChild, long *pxLeft, long *pyTop, long *pcxWidth, long *pcyHeight)
{
    if (pxLeft == NULL || pyTop == NULL || pcxWidth == NULL || pcyHeight == NULL) return E_POINTER;
    if (!is_self(varChild)) return E_INVALIDARG;
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    *pxLeft = rc.left;
    *pyTop = rc.top;
    *pcxWidth = rc.right - rc.left;
    *pcyHeight = rc.bottom - rc.top;
    return S_OK;
}

HRESULT CView::GetAccessibilityHitTest(long xLeft, long yTop, VARIANT *pvarChild)
{
    if (pvarChild == NULL) return E_POINTER;
    ::VariantInit(pvarChild);
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    POINT pt = {LONG(xLeft), LONG(yTop)};
    if (!::PtInRect(&rc, pt)) return S_FALSE;
    V_VT(pvarChild) = VT_I4;
    V_I4(pvarChild) = 0;
    return S_OK;
}

// ---------------------------------------------------------------------------------------------

CScrollView::CScrollView() = default;
CScrollView::~CScrollView() = default;

CFormView::CFormView(LPCTSTR lpszTemplateName) : m_lpszTemplateName(lpszTemplateName) {}
CFormView::CFormView(UINT nIDTemplate) : m_lpszTemplateName(MAKEINTRESOURCEW(nIDTemplate)) {}
CFormView::~CFormView() = default;

BOOL CFormView::PreTranslateMessage(MSG *pMsg)
{
    if (CView::PreTranslateMessage(pMsg)) return TRUE;
    if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return FALSE;
    if (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd)) return FALSE;
    return ::IsDialogMessageW(m_hWnd, pMsg);
}
