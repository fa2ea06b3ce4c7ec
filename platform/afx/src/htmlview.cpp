// CHtmlView: creating the browser as the view's pane, navigation, the event reflectors and the
// site that answers the browser's UI-handler questions through the view.
#include "afximpl.h"
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
        AddRef();
        HRESULT hr = hrDefault;
        try {
            hr = f(m_pView);
        } catch (CException *e) {
            e->Delete();
        } catch (...) {
        }
        Release();
        return hr;
    }

    CHtmlView *m_pView;
};

// The text of a VARIANT that holds a string, directly or by reference; empty for anything else.
CString text_of(const VARIANT *v)
{
    while (v != NULL && V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
    if (v == NULL) return CString();
    if (V_VT(v) == VT_BSTR) return CString(V_BSTR(v), int(::SysStringLen(V_BSTR(v))));
    if (V_VT(v) == (VT_BSTR | VT_BYREF) && V_BSTRREF(v)) return CString(*V_BSTRREF(v), int(::SysStringLen(*V_BSTRREF(v))));
    return CString();
}

// A 32-bit integer held by a VARIANT directly or by reference, converted if need be; 0 otherwise.
DWORD dword_of(const VARIANT *v)
{
    while (v != NULL && V_VT(v) == (VT_VARIANT | VT_BYREF)) v = V_VARIANTREF(v);
    if (v == NULL) return 0;
    VARIANT tmp;
    ::VariantInit(&tmp);
    if (FAILED(::VariantChangeType(&tmp, const_cast<VARIANT *>(v), 0, VT_I4))) return 0;
    return DWORD(V_I4(&tmp));
}

// A navigation's post data as a one-dimensional byte array VARIANT, or VT_EMPTY without data.
class post_data
{
public:
    post_data(const void *pData, DWORD nLen)
    {
        ::VariantInit(&m_var);
        if (pData == NULL) return;
        SAFEARRAY *psa = ::SafeArrayCreateVector(VT_UI1, 0, nLen);
        if (psa == NULL) AfxThrowMemoryException();
        void *pDest = NULL;
        if (nLen != 0 && SUCCEEDED(::SafeArrayAccessData(psa, &pDest))) {
            std::memcpy(pDest, pData, nLen);
            ::SafeArrayUnaccessData(psa);
        }
        V_VT(&m_var) = VT_ARRAY | VT_UI1;
        V_ARRAY(&m_var) = psa;
    }
    ~post_data() { ::VariantClear(&m_var); }
    VARIANT *get() { return &m_var; }

private:
    VARIANT m_var;
};

// A VARIANT owner for one call's arguments.
struct call_variant
{
    VARIANT v;
    call_variant() { ::VariantInit(&v); }
    explicit call_variant(LONG n) { ::VariantInit(&v); V_VT(&v) = VT_I4; V_I4(&v) = n; }
    explicit call_variant(LPCTSTR psz)
    {
        ::VariantInit(&v);
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = psz ? ::SysAllocString(psz) : NULL;
        if (psz && V_BSTR(&v) == NULL) AfxThrowMemoryException();
    }
    ~call_variant() { ::VariantClear(&v); }
};

}  // namespace

CHtmlView::CHtmlView() : CFormView(UINT(0)), m_pBrowserApp(NULL), m_pCtrlCont(NULL) {}

CHtmlView::~CHtmlView()
{
    delete m_pCtrlCont;
    m_pCtrlCont = NULL;
    if (m_pBrowserApp != NULL) m_pBrowserApp->Release();
    m_pBrowserApp = NULL;
}

BOOL CHtmlView::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT &rect,
                       CWnd *pParentWnd, UINT nID, CCreateContext *pContext)
{
    if (!CView::Create(lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext)) return FALSE;

    RECT rcClient;
    GetClientRect(&rcClient);
    m_pCtrlCont = AfxCreateControlContainer(this);
    COleControlSite *pSite = NULL;
    if (m_pCtrlCont == NULL ||
        !m_pCtrlCont->CreateControl(&m_wndBrowser, CLSID_WebBrowser, lpszWindowName, WS_VISIBLE | WS_CHILD, rcClient,
                                    AFX_IDW_PANE_FIRST, new CHtmlControlSite(m_pCtrlCont, this), &pSite) ||
        FAILED(pSite->GetControlUnknown()->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void **>(&m_pBrowserApp)))) {
        m_pBrowserApp = NULL;
        DestroyWindow();   // a plain view deletes itself here
        return FALSE;
    }
    return TRUE;
}

LRESULT CHtmlView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = CFormView::WindowProc(message, wParam, lParam);
    // The window's own destroy processing, whichever handlers ran: its controls go with it.
    if (message == WM_DESTROY && m_pCtrlCont != NULL) {
        COleControlContainer *pCtrlCont = m_pCtrlCont;
        m_pCtrlCont = NULL;
        delete pCtrlCont;
    }
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
    if (m_pBrowserApp != NULL) {
        m_pBrowserApp->Release();
        m_pBrowserApp = NULL;
    }
    CFormView::OnDestroy();
}

BOOL CHtmlView::PreTranslateMessage(MSG *pMsg)
{
    if (CView::PreTranslateMessage(pMsg)) return TRUE;
    if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST || m_pBrowserApp == NULL) return FALSE;
    IOleInPlaceActiveObject *pActive = NULL;
    if (FAILED(m_pBrowserApp->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void **>(&pActive))))
        return FALSE;
    HRESULT hr = pActive->TranslateAccelerator(pMsg);
    pActive->Release();
    return hr == S_OK;
}

// ---------------------------------------------------------------------------------------------
// Navigation

void CHtmlView::Navigate(LPCTSTR URL, DWORD dwFlags, LPCTSTR lpszTargetFrameName, LPCTSTR lpszHeaders,
                         LPVOID lpvPostData, DWORD dwPostDataLen)
{
    if (m_pBrowserApp == NULL || URL == NULL) return;
    BSTR bstrURL = ::SysAllocString(URL);
    if (bstrURL == NULL) AfxThrowMemoryException();
    try {
        call_variant flags{LONG(dwFlags)}, target{lpszTargetFrameName}, headers{lpszHeaders};
        post_data post(lpvPostData, dwPostDataLen);
        m_pBrowserApp->Navigate(bstrURL, &flags.v, &target.v, post.get(), &headers.v);
    } catch (...) {
        ::SysFreeString(bstrURL);
        throw;
    }
    ::SysFreeString(bstrURL);
}

void CHtmlView::Navigate2(LPCTSTR lpszURL, DWORD dwFlags, LPCTSTR lpszTargetFrameName, LPCTSTR lpszHeaders,
                          LPVOID lpvPostData, DWORD dwPostDataLen)
{
    if (m_pBrowserApp == NULL || lpszURL == NULL) return;
    call_variant url{lpszURL}, flags{LONG(dwFlags)}, target{lpszTargetFrameName}, headers{lpszHeaders};
    post_data post(lpvPostData, dwPostDataLen);
    m_pBrowserApp->Navigate2(&url.v, &flags.v, &target.v, post.get(), &headers.v);
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
    CString str;
    BSTR bstr = NULL;
    if (m_pBrowserApp && SUCCEEDED(m_pBrowserApp->get_LocationURL(&bstr)) && bstr) str = CString(bstr, int(::SysStringLen(bstr)));
    ::SysFreeString(bstr);
    return str;
}

CString CHtmlView::GetLocationName() const
{
    CString str;
    BSTR bstr = NULL;
    if (m_pBrowserApp && SUCCEEDED(m_pBrowserApp->get_LocationName(&bstr)) && bstr) str = CString(bstr, int(::SysStringLen(bstr)));
    ::SysFreeString(bstr);
    return str;
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
    CString strURL = text_of(URL), strFrame = text_of(TargetFrameName), strHeaders = text_of(Headers);
    DWORD nFlags = dword_of(Flags);

    CByteArray array;
    const VARIANT *pPost = PostData;
    while (pPost != NULL && V_VT(pPost) == (VT_VARIANT | VT_BYREF)) pPost = V_VARIANTREF(pPost);
    if (pPost != NULL && V_VT(pPost) == (VT_ARRAY | VT_UI1) && V_ARRAY(pPost) != NULL) {
        SAFEARRAY *psa = V_ARRAY(pPost);
        LONG lLower = 0, lUpper = -1;
        void *pData = NULL;
        if (::SafeArrayGetDim(psa) == 1 && SUCCEEDED(::SafeArrayGetLBound(psa, 1, &lLower)) &&
            SUCCEEDED(::SafeArrayGetUBound(psa, 1, &lUpper)) && lUpper >= lLower &&
            SUCCEEDED(::SafeArrayAccessData(psa, &pData))) {
            array.SetSize(INT_PTR(lUpper) - lLower + 1);
            std::memcpy(array.GetData(), pData, size_t(array.GetSize()));
            ::SafeArrayUnaccessData(psa);
        }
    }

    BOOL bCancel = FALSE;
    OnBeforeNavigate2(strURL, nFlags, strFrame, array, strHeaders, &bCancel);
    if (Cancel != NULL) *Cancel = bCancel ? VARIANT_TRUE : VARIANT_FALSE;
}

void CHtmlView::NavigateComplete2(LPDISPATCH pDisp, VARIANT *URL)
{
    (void)pDisp;
    OnNavigateComplete2(text_of(URL));
}

void CHtmlView::DocumentComplete(LPDISPATCH pDisp, VARIANT *URL)
{
    (void)pDisp;
    OnDocumentComplete(text_of(URL));
}

void CHtmlView::NavigateError(LPDISPATCH pDisp, VARIANT *pvURL, VARIANT *pvFrame, VARIANT *pvStatusCode,
                              VARIANT_BOOL *pvbCancel)
{
    (void)pDisp;
    BOOL bCancel = FALSE;
    OnNavigateError(text_of(pvURL), text_of(pvFrame), dword_of(pvStatusCode), &bCancel);
    if (pvbCancel != NULL) *pvbCancel = bCancel ? VARIANT_TRUE : VARIANT_FALSE;
}

// ---------------------------------------------------------------------------------------------
// Default answers: the browser does as it would on its own.

void CHtmlView::OnBeforeNavigate2(LPCTSTR, DWORD, LPCTSTR, CByteArray &, LPCTSTR, BOOL *) {}
void CHtmlView::OnNavigateComplete2(LPCTSTR) {}
void CHtmlView::OnDocumentComplete(LPCTSTR) {}
void CHtmlView::OnProgressChange(long, long) {}
void CHtmlView::OnTitleChange(LPCTSTR lpszText)
{
    // A view's title is its window text, as a frame would show it.
    if (m_hWnd != NULL && lpszText != NULL) SetWindowText(lpszText);
}
void CHtmlView::OnStatusTextChange(LPCTSTR) {}
void CHtmlView::OnDownloadBegin() {}
void CHtmlView::OnDownloadComplete() {}
void CHtmlView::OnCommandStateChange(long, BOOL) {}
void CHtmlView::OnNavigateError(LPCTSTR, LPCTSTR, DWORD, BOOL *pbCancel)
{
    if (pbCancel) *pbCancel = FALSE;
}

HRESULT CHtmlView::OnShowContextMenu(DWORD, LPPOINT, LPUNKNOWN, LPDISPATCH) { return S_FALSE; }
HRESULT CHtmlView::OnGetHostInfo(DOCHOSTUIINFO *) { return E_NOTIMPL; }
HRESULT CHtmlView::OnShowUI(DWORD, LPOLEINPLACEACTIVEOBJECT, LPOLECOMMANDTARGET, LPOLEINPLACEFRAME,
                            LPOLEINPLACEUIWINDOW)
{
    return S_FALSE;
}
HRESULT CHtmlView::OnHideUI() { return E_NOTIMPL; }
HRESULT CHtmlView::OnUpdateUI() { return E_NOTIMPL; }
HRESULT CHtmlView::OnEnableModeless(BOOL) { return E_NOTIMPL; }
HRESULT CHtmlView::OnDocWindowActivate(BOOL) { return E_NOTIMPL; }
HRESULT CHtmlView::OnFrameWindowActivate(BOOL) { return E_NOTIMPL; }
HRESULT CHtmlView::OnResizeBorder(LPCRECT, LPOLEINPLACEUIWINDOW, BOOL) { return E_NOTIMPL; }
HRESULT CHtmlView::OnTranslateAccelerator(LPMSG, const GUID *, DWORD) { return S_FALSE; }
HRESULT CHtmlView::OnGetOptionKeyPath(LPOLESTR *, DWORD) { return E_NOTIMPL; }
HRESULT CHtmlView::OnGetDropTarget(IDropTarget *, IDropTarget **) { return E_NOTIMPL; }
HRESULT CHtmlView::OnGetExternal(LPDISPATCH *) { return E_NOTIMPL; }
HRESULT CHtmlView::OnTranslateUrl(DWORD, OLECHAR *, OLECHAR **) { return S_FALSE; }
HRESULT CHtmlView::OnFilterDataObject(IDataObject *, IDataObject **) { return S_FALSE; }
