// The control site: creates and in-place activates one control inside the container's window,
// answers its client-site, in-place and frame calls, and passes its events to the owner's map.
#include "afximpl.h"
#include <afxocc_.h>

#ifndef INPLACE_E_NOTOOLSPACE
#define INPLACE_E_NOTOOLSPACE ((HRESULT)0x800401A1L)
#endif

COleControlSite::COleControlSite(COleControlContainer *pCtrlCont)
    : m_pCtrlCont(pCtrlCont), m_hWnd(NULL), m_pWndCtrl(NULL), m_nID(0), m_rect(), m_dwStyle(0),
      m_iidEvents(IID_NULL), m_dwEventSink(0),
      m_bInPlaceActive(FALSE), m_pModuleState(AfxGetModuleState()), m_xOleIPFrame(this), m_xEventSink(this),
      m_nRefs(1)
{
}

COleControlSite::~COleControlSite() = default;

// ---------------------------------------------------------------------------------------------
// Creation and destruction

HRESULT COleControlSite::CreateControl(CWnd *pWndCtrl, REFCLSID clsid, LPCTSTR lpszWindowName, DWORD dwStyle,
                                       const RECT &rect, UINT nID)
{
    if (!IsLive() || m_pObject != NULL) return E_UNEXPECTED;
    if (pWndCtrl != NULL && pWndCtrl->GetSafeHwnd() != NULL) return E_INVALIDARG;
    m_nID = nID;
    m_rect = rect;
    m_dwStyle = dwStyle;

    HRESULT hr = ::CoCreateInstance(clsid, NULL, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                    reinterpret_cast<void **>(&m_pObject));
    if (FAILED(hr)) {
        m_pObject.Detach();   // a failed call promises nothing about its out-parameter
        return hr;
    }
    hr = m_pObject->SetClientSite(this);
    if (FAILED(hr)) return hr;

    // Events come from the control's default source interface, when it names one.
    CComPtr<IProvideClassInfo2> pInfo;
    CComPtr<IConnectionPointContainer> pCPC;
    CComPtr<IConnectionPoint> pCP;
    IID iid = IID_NULL;
    DWORD dwCookie = 0;
    if (SUCCEEDED(m_pObject->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void **>(&pInfo))) &&
        SUCCEEDED(pInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &iid)) &&
        SUCCEEDED(m_pObject->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void **>(&pCPC))) &&
        SUCCEEDED(pCPC->FindConnectionPoint(iid, &pCP)) && SUCCEEDED(pCP->Advise(&m_xEventSink, &dwCookie))) {
        m_iidEvents = iid;
        m_dwEventSink = dwCookie;
    }

    hr = m_pObject->DoVerb(OLEIVERB_INPLACEACTIVATE, NULL, this, 0, m_pCtrlCont->m_pWnd->GetSafeHwnd(), &m_rect);
    if (FAILED(hr)) return hr;
    hr = m_pObject->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void **>(&m_pInPlaceObject));
    if (FAILED(hr)) {
        m_pInPlaceObject.Detach();
        return hr;
    }
    if (FAILED(m_pInPlaceObject->GetWindow(&m_hWnd)) || m_hWnd == NULL) {
        m_hWnd = NULL;
        return E_FAIL;
    }

    // The control's window stands in the container as the child with the given identifier.
    ::SetWindowLongPtrW(m_hWnd, GWLP_ID, LONG_PTR(nID));
    if (lpszWindowName != NULL) ::SetWindowTextW(m_hWnd, lpszWindowName);
    ::ShowWindow(m_hWnd, (dwStyle & WS_VISIBLE) ? SW_SHOWNA : SW_HIDE);
    if (pWndCtrl != NULL) {
        if (!pWndCtrl->Attach(m_hWnd)) return E_FAIL;
        m_pWndCtrl = pWndCtrl;
    }
    return S_OK;
}

void COleControlSite::DestroyControl()
{
    // The control may hold the last reference other than the container's.
    CComPtr<IOleClientSite> keepAlive(this);
    if (m_pWndCtrl != NULL) {
        // The control's window is not ours to destroy: the control closes it.
        if (m_pWndCtrl->m_hWnd != NULL && CWnd::FromHandlePermanent(m_pWndCtrl->m_hWnd) == m_pWndCtrl)
            m_pWndCtrl->Detach();
        m_pWndCtrl = NULL;
    }
    if (m_pObject != NULL && m_dwEventSink != 0) {
        CComPtr<IConnectionPointContainer> pCPC;
        CComPtr<IConnectionPoint> pCP;
        if (SUCCEEDED(m_pObject->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void **>(&pCPC))) &&
            SUCCEEDED(pCPC->FindConnectionPoint(m_iidEvents, &pCP)))
            pCP->Unadvise(m_dwEventSink);
        m_dwEventSink = 0;
    }
    m_pActiveObject.Release();
    // Each member is emptied before its last call, so a re-entrant call finds nothing to use.
    if (CComPtr<IOleInPlaceObject> pInPlace = std::move(m_pInPlaceObject)) pInPlace->InPlaceDeactivate();
    if (CComPtr<IOleObject> pObject = std::move(m_pObject)) {
        pObject->Close(OLECLOSE_NOSAVE);
        pObject->SetClientSite(NULL);
    }
    m_hWnd = NULL;
    m_pCtrlCont = NULL;
}

void COleControlSite::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    ::SetRect(&m_rect, x, y, x + nWidth, y + nHeight);
    if (m_pInPlaceObject != NULL)
        m_pInPlaceObject->SetObjectRects(&m_rect, &m_rect);
    else if (m_hWnd != NULL)
        ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void COleControlSite::ShowWindow(int nCmdShow)
{
    if (m_hWnd != NULL) ::ShowWindow(m_hWnd, nCmdShow);
}

// ---------------------------------------------------------------------------------------------
// IUnknown

STDMETHODIMP COleControlSite::QueryInterface(REFIID riid, void **ppv)
{
    if (ppv == NULL) return E_POINTER;
    void *pItf = NULL;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite)
        pItf = static_cast<IOleClientSite *>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
        pItf = static_cast<IOleInPlaceSite *>(this);
    else if (riid == IID_IOleControlSite)
        pItf = static_cast<IOleControlSite *>(this);
    else
        pItf = QueryExtraInterface(riid);
    *ppv = pItf;
    if (pItf == NULL) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

void *COleControlSite::QueryExtraInterface(REFIID riid)
{
    (void)riid;
    return NULL;
}

STDMETHODIMP_(ULONG) COleControlSite::AddRef() { return ULONG(::InterlockedIncrement(&m_nRefs)); }

STDMETHODIMP_(ULONG) COleControlSite::Release()
{
    LONG n = ::InterlockedDecrement(&m_nRefs);
    if (n == 0) delete this;
    return ULONG(n);
}

// ---------------------------------------------------------------------------------------------
// IOleClientSite: nothing is stored or linked, so there is nothing to save or name.

STDMETHODIMP COleControlSite::SaveObject() { return E_NOTIMPL; }

STDMETHODIMP COleControlSite::GetMoniker(DWORD, DWORD, IMoniker **ppmk)
{
    if (ppmk) *ppmk = NULL;
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::GetContainer(IOleContainer **ppContainer)
{
    if (ppContainer) *ppContainer = NULL;
    return E_NOINTERFACE;
}

STDMETHODIMP COleControlSite::ShowObject() { return S_OK; }
STDMETHODIMP COleControlSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP COleControlSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// ---------------------------------------------------------------------------------------------
// IOleInPlaceSite

STDMETHODIMP COleControlSite::GetWindow(HWND *phwnd)
{
    if (phwnd == NULL) return E_POINTER;
    *phwnd = IsLive() ? m_pCtrlCont->m_pWnd->GetSafeHwnd() : NULL;
    return *phwnd ? S_OK : E_FAIL;
}

STDMETHODIMP COleControlSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP COleControlSite::CanInPlaceActivate() { return IsLive() ? S_OK : S_FALSE; }

STDMETHODIMP COleControlSite::OnInPlaceActivate()
{
    m_bInPlaceActive = TRUE;
    return S_OK;
}

STDMETHODIMP COleControlSite::OnUIActivate() { return S_OK; }

STDMETHODIMP COleControlSite::GetWindowContext(IOleInPlaceFrame **ppFrame, IOleInPlaceUIWindow **ppDoc,
                                               LPRECT lprcPosRect, LPRECT lprcClipRect,
                                               LPOLEINPLACEFRAMEINFO lpFrameInfo)
{
    if (ppFrame == NULL || ppDoc == NULL || lprcPosRect == NULL || lprcClipRect == NULL) return E_POINTER;
    *ppFrame = NULL;
    *ppDoc = NULL;
    if (!IsLive()) return E_FAIL;
    AFX_MANAGE_STATE(m_pModuleState);
    *ppFrame = &m_xOleIPFrame;
    m_xOleIPFrame.AddRef();
    *lprcPosRect = m_rect;
    *lprcClipRect = m_rect;
    if (lpFrameInfo != NULL) {
        lpFrameInfo->fMDIApp = FALSE;
        lpFrameInfo->hwndFrame = ::GetAncestor(m_pCtrlCont->m_pWnd->GetSafeHwnd(), GA_ROOT);
        lpFrameInfo->haccel = NULL;
        lpFrameInfo->cAccelEntries = 0;
    }
    return S_OK;
}

STDMETHODIMP COleControlSite::Scroll(SIZE) { return S_FALSE; }
STDMETHODIMP COleControlSite::OnUIDeactivate(BOOL) { return S_OK; }

STDMETHODIMP COleControlSite::OnInPlaceDeactivate()
{
    m_bInPlaceActive = FALSE;
    return S_OK;
}

STDMETHODIMP COleControlSite::DiscardUndoState() { return S_OK; }
STDMETHODIMP COleControlSite::DeactivateAndUndo() { return S_OK; }

STDMETHODIMP COleControlSite::OnPosRectChange(LPCRECT lprcPosRect)
{
    if (lprcPosRect == NULL) return E_POINTER;
    m_rect = *lprcPosRect;
    if (m_pInPlaceObject != NULL) m_pInPlaceObject->SetObjectRects(&m_rect, &m_rect);
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// IOleControlSite

STDMETHODIMP COleControlSite::OnControlInfoChanged() { return S_OK; }
STDMETHODIMP COleControlSite::LockInPlaceActive(BOOL) { return S_OK; }

STDMETHODIMP COleControlSite::GetExtendedControl(IDispatch **ppDisp)
{
    if (ppDisp) *ppDisp = NULL;
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::TransformCoords(POINTL *, POINTF *, DWORD) { return E_NOTIMPL; }
STDMETHODIMP COleControlSite::TranslateAccelerator(MSG *, DWORD) { return S_FALSE; }
STDMETHODIMP COleControlSite::OnFocus(BOOL) { return S_OK; }
STDMETHODIMP COleControlSite::ShowPropertyFrame() { return E_NOTIMPL; }

// ---------------------------------------------------------------------------------------------
// The frame: no menus, no borders, no status line; it remembers the active object.

STDMETHODIMP COleControlSite::XOleIPFrame::QueryInterface(REFIID riid, void **ppv)
{
    if (ppv == NULL) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IOleInPlaceUIWindow ||
        riid == IID_IOleInPlaceFrame) {
        *ppv = static_cast<IOleInPlaceFrame *>(this);
        AddRef();
        return S_OK;
    }
    *ppv = NULL;
    return E_NOINTERFACE;
}

STDMETHODIMP COleControlSite::XOleIPFrame::GetWindow(HWND *phwnd)
{
    if (phwnd == NULL) return E_POINTER;
    *phwnd = m_pSite->IsLive() ? ::GetAncestor(m_pSite->m_pCtrlCont->m_pWnd->GetSafeHwnd(), GA_ROOT) : NULL;
    return *phwnd ? S_OK : E_FAIL;
}

STDMETHODIMP COleControlSite::XOleIPFrame::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP COleControlSite::XOleIPFrame::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP COleControlSite::XOleIPFrame::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP COleControlSite::XOleIPFrame::SetBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }

STDMETHODIMP COleControlSite::XOleIPFrame::SetActiveObject(IOleInPlaceActiveObject *pActiveObject, LPCOLESTR)
{
    m_pSite->m_pActiveObject = m_pSite->IsLive() ? pActiveObject : NULL;
    return S_OK;
}

STDMETHODIMP COleControlSite::XOleIPFrame::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return E_NOTIMPL; }
STDMETHODIMP COleControlSite::XOleIPFrame::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
STDMETHODIMP COleControlSite::XOleIPFrame::RemoveMenus(HMENU) { return S_OK; }
STDMETHODIMP COleControlSite::XOleIPFrame::SetStatusText(LPCOLESTR) { return S_OK; }
STDMETHODIMP COleControlSite::XOleIPFrame::EnableModeless(BOOL) { return S_OK; }
STDMETHODIMP COleControlSite::XOleIPFrame::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

// ---------------------------------------------------------------------------------------------
// The event sink

STDMETHODIMP COleControlSite::XEventSink::QueryInterface(REFIID riid, void **ppv)
{
    if (ppv == NULL) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || (m_pSite->m_dwEventSink != 0 && riid == m_pSite->m_iidEvents)) {
        *ppv = static_cast<IDispatch *>(this);
        AddRef();
        return S_OK;
    }
    *ppv = NULL;
    return E_NOINTERFACE;
}

STDMETHODIMP COleControlSite::XEventSink::GetTypeInfoCount(UINT *pctinfo)
{
    if (pctinfo == NULL) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

STDMETHODIMP COleControlSite::XEventSink::GetTypeInfo(UINT, LCID, ITypeInfo **ppTInfo)
{
    if (ppTInfo) *ppTInfo = NULL;
    return DISP_E_BADINDEX;
}

STDMETHODIMP COleControlSite::XEventSink::GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *)
{
    return DISP_E_UNKNOWNNAME;
}

// Events reach the owner in the module state the site was made in. An event nobody maps is
// accepted and ignored; a destroyed site ignores everything.
STDMETHODIMP COleControlSite::XEventSink::Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS *pDispParams,
                                                 VARIANT *pVarResult, EXCEPINFO *pExcepInfo, UINT *puArgErr)
{
    if (pVarResult != NULL) ::VariantInit(pVarResult);
    COleControlSite *pSite = m_pSite;
    if (!pSite->IsLive()) return S_OK;
    AFX_MANAGE_STATE(pSite->m_pModuleState);
    CComPtr<IOleClientSite> keepAlive(pSite);   // a handler may destroy the control
    AFX_EVENT event(AFX_EVENT::event, dispIdMember, pDispParams, pExcepInfo, puArgErr);
    BOOL bHandled = FALSE;
    try {
        bHandled = pSite->m_pCtrlCont->OnEvent(pSite->m_nID, &event);
    } catch (CException *e) {
        e->Delete();
        event.m_hResult = DISP_E_EXCEPTION;
        bHandled = TRUE;
    } catch (...) {
        event.m_hResult = DISP_E_EXCEPTION;
        bHandled = TRUE;
    }
    return bHandled ? event.m_hResult : S_OK;
}
