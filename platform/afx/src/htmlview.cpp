// CHtmlView: creating the browser as the view's pane, navigation, the event reflectors and the
// site that answers the browser's UI-handler questions through the view.
#include "afximpl.h"
#include <afxcom.h>
#include <afxhtml.h>

#include <cstring>

IMPLEMENT_DYNCREATE(CHtmlView, CFormView)

BEGIN_MESSAGE_MAP(CHtmlView, CFormView)
    ON_WM_SIZE()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(CHtmlView, CFormView)
    ON_EVENT(CHtmlView, AFX_IDW_PANE_FIRST, DISPID_STATUSTEXTCHANGE, OnStatusTextChange, VTS_BSTR)
    ON_EVENT(CHtmlView, AFX_IDW_PANE_FIRST, DISPID_PROGRESSCHANGE, OnProgressChange, VTS_I4 VTS_I4)
    ON_EVENT(CHtmlView, AFX_IDW_PANE_FIRST, DISPID_COMMANDSTATECHANGE, OnCommandStateChange, VTS_I4 VTS_BOOL)
    ON_EVENT(CHtmlView, AFX_IDW_PANE_FIRST, DISPID_DOWNLOADBEGIN, OnDownloadBegin, VTS_NONE)
    ON_EVENT(CHtmlView, AFX_IDW_PANE_FIRST, DISPID_DOWNLOADCOMPLETE, OnDownloadComplete, VTS_NONE)
    ON_EVENT(CHtmlView, AFX_IDW_PANE_FIRST, DISPID_TITLECHANGE, OnTitleChange, VTS_BSTR)
    ON_EVENT(CHtmlView, AFX_IDW_PANE_FIRST, DISPID_NAVIGATECOMPLETE2, NavigateComplete2, VTS_DISPATCH VTS_PVARIANT)
    ON_EVENT(CHtmlView, AFX_IDW_PANE_FIRST, DISPID_BEFORENAVIGATE2, BeforeNavigate2,
             VTS_DISPATCH VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PBOOL)
    ON_EVENT(CHtmlView, AFX_IDW_PANE_FIRST, DISPID_DOCUMENTCOMPLETE, DocumentComplete, VTS_DISPATCH VTS_PVARIANT)
    ON_EVENT(CHtmlView, AFX_IDW_PANE_FIRST, DISPID_NAVIGATEERROR, NavigateError,
             VTS_DISPATCH VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PBOOL)
END_EVENTSINK_MAP()

namespace {

// The browser's site with the UI handler: each question goes to the view's virtual, in the module
// state the site was made in. Once the control is destroyed the answers are the defaults.
class CHtmlControlSite : public COleControlSite, public IDocHostUIHandler
{
public:
    CHtmlControlSite(COleControlContainer *pCtrlCont, CHtmlView *pView) : COleControlSite(pCtrlCont), m_pView(pView) {}

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override { return COleControlSite::QueryInterface(riid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() override { return COleControlSite::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return COleControlSite::Release(); }

    STDMETHODIMP ShowContextMenu(DWORD dwID, POINT *ppt, IUnknown *pcmdt, IDispatch *pdisp) override
    {
        return Ask(S_FALSE, [&](CHtmlView *v) { return v->OnShowContextMenu(dwID, ppt, pcmdt, pdisp); });
    }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO *pInfo) override
    {
        return Ask(E_NOTIMPL, [&](CHtmlView *v) { return v->OnGetHostInfo(pInfo); });
    }
    STDMETHODIMP ShowUI(DWORD dwID, IOleInPlaceActiveObject *pActiveObject, IOleCommandTarget *pCommandTarget,
                        IOleInPlaceFrame *pFrame, IOleInPlaceUIWindow *pDoc) override
    {
        return Ask(S_FALSE, [&](CHtmlView *v) { return v->OnShowUI(dwID, pActiveObject, pCommandTarget, pFrame, pDoc); });
    }
    STDMETHODIMP HideUI() override { return Ask(E_NOTIMPL, [&](CHtmlView *v) { return v->OnHideUI(); }); }
    STDMETHODIMP UpdateUI() override { return Ask(E_NOTIMPL, [&](CHtmlView *v) { return v->OnUpdateUI(); }); }
    STDMETHODIMP EnableModeless(BOOL f) override
    {
        return Ask(E_NOTIMPL, [&](CHtmlView *v) { return v->OnEnableModeless(f); });
    }
    STDMETHODIMP OnDocWindowActivate(BOOL f) override
    {
        return Ask(E_NOTIMPL, [&](CHtmlView *v) { return v->OnDocWindowActivate(f); });
    }
    STDMETHODIMP OnFrameWindowActivate(BOOL f) override
    {
        return Ask(E_NOTIMPL, [&](CHtmlView *v) { return v->OnFrameWindowActivate(f); });
    }
    STDMETHODIMP ResizeBorder(LPCRECT prc, IOleInPlaceUIWindow *pUIWindow, BOOL fFrame) override
    {
        return Ask(E_NOTIMPL, [&](CHtmlView *v) { return v->OnResizeBorder(prc, pUIWindow, fFrame); });
    }
    STDMETHODIMP TranslateAccelerator(LPMSG lpMsg, const GUID *pguidCmdGroup, DWORD nCmdID) override
    {
        return Ask(S_FALSE, [&](CHtmlView *v) { return v->OnTranslateAccelerator(lpMsg, pguidCmdGroup, nCmdID); });
    }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR *pchKey, DWORD dw) override
    {
        if (pchKey) *pchKey = NULL;
        return Ask(E_NOTIMPL, [&](CHtmlView *v) { return v->OnGetOptionKeyPath(pchKey, dw); });
    }
    STDMETHODIMP GetDropTarget(IDropTarget *pDropTarget, IDropTarget **ppDropTarget) override
    {
        if (ppDropTarget) *ppDropTarget = NULL;
        return Ask(E_NOTIMPL, [&](CHtmlView *v) { return v->OnGetDropTarget(pDropTarget, ppDropTarget); });
    }
    STDMETHODIMP GetExternal(IDispatch **ppDispatch) override
    {
        if (ppDispatch) *ppDispatch = NULL;
        return Ask(E_NOTIMPL, [&](CHtmlView *v) { return v->OnGetExternal(ppDispatch); });
    }
    STDMETHODIMP TranslateUrl(DWORD dwTranslate, LPWSTR pchURLIn, LPWSTR *ppchURLOut) override
    {
        if (ppchURLOut) *ppchURLOut = NULL;
        return Ask(S_FALSE, [&](CHtmlView *v) { return v->OnTranslateUrl(dwTranslate, pchURLIn, ppchURLOut); });
    }
    STDMETHODIMP FilterDataObject(IDataObject *pDO, IDataObject **ppDORet) override
    {
        if (ppDORet) *ppDORet = NULL;
        return Ask(S_FALSE, [&](CHtmlView *v) { return v->OnFilterDataObject(pDO, ppDORet); });
    }

protected:
    void *QueryExtraInterface(REFIID riid) override
    {
        return riid == IID_IDocHostUIHandler ? static_cast<IDocHostUIHandler *>(this) : NULL;
    }

private:
    template <class F> HRESULT Ask(HRESULT hrDefault, F f)
    {
        if (!IsLive()) return hrDefault;
        AFX_MANAGE_STATE(m_pModuleState);
        CComPtr<COleControlSite> keepAlive(this);   // the view may destroy the control meanwhile
        HRESULT hr = hrDefault;
        try {
            hr = f(m_pView);
        } catch (CException *e) {
            e->Delete();
        } catch (...) {
        }
        return hr;
    }

    CHtmlView *m_pView;
};

// A navigation's post data as a one-dimensional byte array in var; var stays VT_EMPTY without data.
void set_post_data(CComVariant &var, const void *pData, DWORD nLen)
{
    if (pData == NULL) return;
    SAFEARRAY *psa = ::SafeArrayCreateVector(VT_UI1, 0, nLen);
    if (psa == NULL) AfxThrowMemoryException();
    V_VT(&var) = VT_ARRAY | VT_UI1;
    V_ARRAY(&var) = psa;   // var owns it from here
    void *pDest = NULL;
    if (nLen != 0 && SUCCEEDED(::SafeArrayAccessData(psa, &pDest))) {
        std::memcpy(pDest, pData, nLen);
        ::SafeArrayUnaccessData(psa);
    }
}

// The bytes of a post-data argument: a byte array, directly or by reference.
SAFEARRAY *post_array_of(const VARIANT *v)
{
    v = AfxVariantValue(v);
    if (v != NULL && V_VT(v) == (VT_ARRAY | VT_UI1)) return V_ARRAY(v);
    if (v != NULL && V_VT(v) == (VT_ARRAY | VT_UI1 | VT_BYREF) && V_ARRAYREF(v) != NULL) return *V_ARRAYREF(v);
    return NULL;
}

}  // namespace

CHtmlView::CHtmlView() : CFormView(UINT(0)) {}

// The container goes first, closing the browser's window; then the browser interface.
CHtmlView::~CHtmlView() = default;

BOOL CHtmlView::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT &rect,
                       CWnd *pParentWnd, UINT nID, CCreateContext *pContext)
{
    if (!CView::Create(lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext)) return FALSE;

    RECT rcClient;
    GetClientRect(&rcClient);
    m_pCtrlCont.reset(AfxCreateControlContainer(this));
    COleControlSite *pSite = NULL;
    if (m_pCtrlCont == NULL ||
        !m_pCtrlCont->CreateControl(&m_wndBrowser, CLSID_WebBrowser, lpszWindowName, WS_VISIBLE | WS_CHILD, rcClient,
                                    AFX_IDW_PANE_FIRST, new CHtmlControlSite(m_pCtrlCont.get(), this), &pSite) ||
        FAILED(pSite->GetControlUnknown()->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void **>(&m_pBrowserApp)))) {
        m_pBrowserApp.Release();
        DestroyWindow();   // a plain view deletes itself here
        return FALSE;
    }
    return TRUE;
}

LRESULT CHtmlView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = CFormView::WindowProc(message, wParam, lParam);
    // The window's own destroy processing, whichever handlers ran: its controls go with it.
    // reset() forgets the container before deleting it, so nothing reaches it meanwhile.
    if (message == WM_DESTROY) m_pCtrlCont.reset();
    return lResult;
}

void CHtmlView::OnSize(UINT nType, int cx, int cy)
{
    CFormView::OnSize(nType, cx, cy);
    if (m_pCtrlCont != NULL) {
        if (COleControlSite *pSite = m_pCtrlCont->FindItem(AFX_IDW_PANE_FIRST)) pSite->MoveWindow(0, 0, cx, cy);
    }
}

void CHtmlView::OnDestroy()
{
    m_pBrowserApp.Release();
    CFormView::OnDestroy();
}

BOOL CHtmlView::PreTranslateMessage(MSG *pMsg)
{
    if (CView::PreTranslateMessage(pMsg)) return TRUE;
    if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST || m_pBrowserApp == NULL) return FALSE;
    CComPtr<IOleInPlaceActiveObject> pActive;
    if (FAILED(m_pBrowserApp->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void **>(&pActive))))
        return FALSE;
    return pActive->TranslateAccelerator(pMsg) == S_OK;
}

// ---------------------------------------------------------------------------------------------
// Navigation

void CHtmlView::Navigate(LPCTSTR URL, DWORD dwFlags, LPCTSTR lpszTargetFrameName, LPCTSTR lpszHeaders,
                         LPVOID lpvPostData, DWORD dwPostDataLen)
{
    if (m_pBrowserApp == NULL || URL == NULL) return;
    CComBSTR bstrURL(URL);
    CComVariant flags(static_cast<int>(dwFlags)), target(lpszTargetFrameName), headers(lpszHeaders), post;
    set_post_data(post, lpvPostData, dwPostDataLen);
    m_pBrowserApp->Navigate(bstrURL, &flags, &target, &post, &headers);
}

void CHtmlView::Navigate2(LPCTSTR lpszURL, DWORD dwFlags, LPCTSTR lpszTargetFrameName, LPCTSTR lpszHeaders,
                          LPVOID lpvPostData, DWORD dwPostDataLen)
{
    if (m_pBrowserApp == NULL || lpszURL == NULL) return;
    CComVariant url(lpszURL), flags(static_cast<int>(dwFlags)), target(lpszTargetFrameName), headers(lpszHeaders), post;
    set_post_data(post, lpvPostData, dwPostDataLen);
    m_pBrowserApp->Navigate2(&url, &flags, &target, &post, &headers);
}

void CHtmlView::Navigate2(LPCTSTR lpszURL, DWORD dwFlags, CByteArray &baPostedData, LPCTSTR lpszTargetFrameName,
                          LPCTSTR lpszHeader)
{
    Navigate2(lpszURL, dwFlags, lpszTargetFrameName, lpszHeader, baPostedData.GetData(),
              DWORD(baPostedData.GetSize()));
}

void CHtmlView::Stop()
{
    if (m_pBrowserApp) m_pBrowserApp->Stop();
}

void CHtmlView::Refresh()
{
    if (m_pBrowserApp) m_pBrowserApp->Refresh();
}

CString CHtmlView::GetLocationURL() const
{
    CComBSTR bstr;
    if (m_pBrowserApp == NULL || FAILED(m_pBrowserApp->get_LocationURL(&bstr))) return CString();
    return CString(bstr.m_str, int(bstr.Length()));
}

CString CHtmlView::GetLocationName() const
{
    CComBSTR bstr;
    if (m_pBrowserApp == NULL || FAILED(m_pBrowserApp->get_LocationName(&bstr))) return CString();
    return CString(bstr.m_str, int(bstr.Length()));
}

BOOL CHtmlView::GetBusy() const
{
    VARIANT_BOOL b = VARIANT_FALSE;
    return m_pBrowserApp && SUCCEEDED(m_pBrowserApp->get_Busy(&b)) && b != VARIANT_FALSE;
}

READYSTATE CHtmlView::GetReadyState() const
{
    READYSTATE rs = READYSTATE_UNINITIALIZED;
    if (m_pBrowserApp) m_pBrowserApp->get_ReadyState(&rs);
    return rs;
}

// ---------------------------------------------------------------------------------------------
// Event reflectors

void CHtmlView::BeforeNavigate2(LPDISPATCH pDisp, VARIANT *URL, VARIANT *Flags, VARIANT *TargetFrameName,
                                VARIANT *PostData, VARIANT *Headers, VARIANT_BOOL *Cancel)
{
    (void)pDisp;
    CString strURL = AfxVariantText(URL), strFrame = AfxVariantText(TargetFrameName);
    CString strHeaders = AfxVariantText(Headers);
    DWORD nFlags = AfxVariantDword(Flags);

    CByteArray array;
    SAFEARRAY *psa = post_array_of(PostData);
    LONG lLower = 0, lUpper = -1;
    void *pData = NULL;
    if (psa != NULL && ::SafeArrayGetDim(psa) == 1 && SUCCEEDED(::SafeArrayGetLBound(psa, 1, &lLower)) &&
        SUCCEEDED(::SafeArrayGetUBound(psa, 1, &lUpper)) && lUpper >= lLower &&
        SUCCEEDED(::SafeArrayAccessData(psa, &pData))) {
        array.SetSize(INT_PTR(lUpper) - lLower + 1);
        std::memcpy(array.GetData(), pData, size_t(array.GetSize()));
        ::SafeArrayUnaccessData(psa);
    }

    BOOL bCancel = FALSE;
    OnBeforeNavigate2(strURL, nFlags, strFrame, array, strHeaders, &bCancel);
    if (Cancel != NULL) *Cancel = bCancel ? VARIANT_TRUE : VARIANT_FALSE;
}

void CHtmlView::NavigateComplete2(LPDISPATCH pDisp, VARIANT *URL)
{
    (void)pDisp;
    OnNavigateComplete2(AfxVariantText(URL));
}

void CHtmlView::DocumentComplete(LPDISPATCH pDisp, VARIANT *URL)
{
    (void)pDisp;
    OnDocumentComplete(AfxVariantText(URL));
}

void CHtmlView::NavigateError(LPDISPATCH pDisp, VARIANT *pvURL, VARIANT *pvFrame, VARIANT *pvStatusCode,
                              VARIANT_BOOL *pvbCancel)
{
    (void)pDisp;
    BOOL bCancel = FALSE;
    OnNavigateError(AfxVariantText(pvURL), AfxVariantText(pvFrame), AfxVariantDword(pvStatusCode), &bCancel);
    if (pvbCancel != NULL) *pvbCancel = bCancel ? VARIANT_TRUE : VARIANT_FALSE;
}

// ---------------------------------------------------------------------------------------------
// The one default answer that does something; the others are inline in the header.

void CHtmlView::OnTitleChange(LPCTSTR lpszText)
{
    // A view's title is its window text, as a frame would show it.
    if (m_hWnd != NULL && lpszText != NULL) SetWindowText(lpszText);
}

