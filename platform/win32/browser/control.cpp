// The web-browser control's COM faces: class registration, IWebBrowser2 properties, OLE embedding,
// in-place activation, control info and the event connection point.
#include "browser/control.h"

#include "internal/com_server.h"

namespace win32 {
namespace browser {

BSTR bstr_from(const std::u16string &text) { return SysAllocStringLen(text.data(), UINT(text.size())); }

namespace {

HRESULT create_web_browser(REFIID riid, void **ppv)
{
    web_browser *browser = new (std::nothrow) web_browser();
    if (!browser)
        return E_OUTOFMEMORY;
    HRESULT hr = browser->QueryInterface(riid, ppv);
    browser->Release();
    return hr;
}

const com_class_registrar register_v2(CLSID_WebBrowser, u"Shell.Explorer.2", create_web_browser);
const com_class_registrar register_v1(CLSID_WebBrowser_V1, u"Shell.Explorer", create_web_browser);

HRESULT out_bool(VARIANT_BOOL *out, bool value)
{
    if (!out)
        return E_POINTER;
    *out = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT out_bstr(BSTR *out, const std::u16string &value)
{
    if (!out)
        return E_POINTER;
    *out = bstr_from(value);
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

// ---- event_point -------------------------------------------------------------------------------

STDMETHODIMP event_point::QueryInterface(REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
        *ppv = static_cast<IConnectionPoint *>(this);
        AddRef();
        return S_OK;
    }
    *ppv = NULL;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) event_point::AddRef() { return static_cast<IWebBrowser2 *>(m_pOwner)->AddRef(); }
STDMETHODIMP_(ULONG) event_point::Release() { return static_cast<IWebBrowser2 *>(m_pOwner)->Release(); }

STDMETHODIMP event_point::GetConnectionInterface(IID *pIID)
{
    if (!pIID)
        return E_POINTER;
    *pIID = DIID_DWebBrowserEvents2;
    return S_OK;
}

STDMETHODIMP event_point::GetConnectionPointContainer(IConnectionPointContainer **ppCPC)
{
    if (!ppCPC)
        return E_POINTER;
    *ppCPC = m_pOwner;
    m_pOwner->AddRef();
    return S_OK;
}

STDMETHODIMP event_point::Advise(IUnknown *pUnkSink, DWORD *pdwCookie)
{
    if (!pdwCookie)
        return E_POINTER;
    *pdwCookie = 0;
    if (!pUnkSink)
        return E_POINTER;
    IDispatch *sink = NULL;
    if (FAILED(pUnkSink->QueryInterface(DIID_DWebBrowserEvents2, reinterpret_cast<void **>(&sink))) &&
        FAILED(pUnkSink->QueryInterface(IID_IDispatch, reinterpret_cast<void **>(&sink))))
        return CONNECT_E_CANNOTCONNECT;
    m_sinks.emplace_back(m_nNextCookie, sink);
    *pdwCookie = m_nNextCookie++;
    return S_OK;
}

STDMETHODIMP event_point::Unadvise(DWORD dwCookie)
{
    for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
        if (it->first == dwCookie) {
            IDispatch *sink = it->second;
            m_sinks.erase(it);
            sink->Release();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP event_point::EnumConnections(IEnumConnections **ppEnum)
{
    if (ppEnum)
        *ppEnum = NULL;
    return E_NOTIMPL;
}

std::vector<IDispatch *> event_point::snapshot()
{
    std::vector<IDispatch *> sinks;
    for (auto &s : m_sinks) {
        s.second->AddRef();
        sinks.push_back(s.second);
    }
    return sinks;
}

void event_point::clear()
{
    auto sinks = std::move(m_sinks);
    m_sinks.clear();
    for (auto &s : sinks)
        s.second->Release();
}

// ---- frame_object ------------------------------------------------------------------------------

STDMETHODIMP frame_object::QueryInterface(REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *ppv = static_cast<IDispatch *>(this);
        AddRef();
        return S_OK;
    }
    *ppv = NULL;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) frame_object::Release()
{
    ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

STDMETHODIMP frame_object::GetTypeInfoCount(UINT *pctinfo)
{
    if (!pctinfo)
        return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

STDMETHODIMP frame_object::GetTypeInfo(UINT, LCID, ITypeInfo **ppTInfo)
{
    if (ppTInfo)
        *ppTInfo = NULL;
    return DISP_E_BADINDEX;
}

STDMETHODIMP frame_object::GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) { return DISP_E_UNKNOWNNAME; }

STDMETHODIMP frame_object::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *, UINT *)
{
    return DISP_E_MEMBERNOTFOUND;
}

// ---- web_browser: identity ---------------------------------------------------------------------

STDMETHODIMP web_browser::QueryInterface(REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    void *face = NULL;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IWebBrowser || riid == IID_IWebBrowserApp ||
        riid == IID_IWebBrowser2)
        face = static_cast<IWebBrowser2 *>(this);
    else if (riid == IID_IOleObject)
        face = static_cast<IOleObject *>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceObject)
        face = static_cast<IOleInPlaceObject *>(this);
    else if (riid == IID_IOleInPlaceActiveObject)
        face = static_cast<IOleInPlaceActiveObject *>(this);
    else if (riid == IID_IOleControl)
        face = static_cast<IOleControl *>(this);
    else if (riid == IID_IConnectionPointContainer)
        face = static_cast<IConnectionPointContainer *>(this);
    else if (riid == IID_IProvideClassInfo || riid == IID_IProvideClassInfo2)
        face = static_cast<IProvideClassInfo2 *>(this);
    *ppv = face;
    if (!face)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) web_browser::AddRef() { return ++m_refs; }

STDMETHODIMP_(ULONG) web_browser::Release()
{
    ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

STDMETHODIMP web_browser::GetTypeInfoCount(UINT *pctinfo)
{
    if (!pctinfo)
        return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

STDMETHODIMP web_browser::GetTypeInfo(UINT, LCID, ITypeInfo **ppTInfo)
{
    if (ppTInfo)
        *ppTInfo = NULL;
    return DISP_E_BADINDEX;
}

STDMETHODIMP web_browser::GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) { return DISP_E_UNKNOWNNAME; }

STDMETHODIMP web_browser::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *, UINT *)
{
    return DISP_E_MEMBERNOTFOUND;
}

// ---- IWebBrowser2 properties -------------------------------------------------------------------

// History is not kept: there is nothing to go back or forward to.
STDMETHODIMP web_browser::GoBack() { return E_FAIL; }
STDMETHODIMP web_browser::GoForward() { return E_FAIL; }
STDMETHODIMP web_browser::GoHome() { return E_NOTIMPL; }
STDMETHODIMP web_browser::GoSearch() { return E_NOTIMPL; }

STDMETHODIMP web_browser::Refresh2(VARIANT *) { return Refresh(); }

STDMETHODIMP web_browser::get_Application(IDispatch **ppDisp) { return QueryInterface(IID_IDispatch, (void **)ppDisp); }
STDMETHODIMP web_browser::get_Parent(IDispatch **ppDisp) { return QueryInterface(IID_IDispatch, (void **)ppDisp); }

STDMETHODIMP web_browser::get_Container(IDispatch **ppDisp)
{
    if (!ppDisp)
        return E_POINTER;
    *ppDisp = NULL;
    return S_OK;
}

// There is no document object model: the page is text for painting only.
STDMETHODIMP web_browser::get_Document(IDispatch **ppDisp)
{
    if (!ppDisp)
        return E_POINTER;
    *ppDisp = NULL;
    return S_OK;
}

STDMETHODIMP web_browser::get_TopLevelContainer(VARIANT_BOOL *pBool) { return out_bool(pBool, false); }
STDMETHODIMP web_browser::get_Type(BSTR *Type) { return out_bstr(Type, u"HTML Document"); }

static HRESULT window_metric(HWND hwnd, LONG *out, int which)
{
    if (!out)
        return E_POINTER;
    RECT rc = {0, 0, 0, 0};
    if (hwnd) {
        GetWindowRect(hwnd, &rc);
        HWND parent = GetParent(hwnd);
        if (parent)
            MapWindowPoints(NULL, parent, reinterpret_cast<POINT *>(&rc), 2);
    }
    LONG values[] = {rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
    *out = values[which];
    return S_OK;
}

STDMETHODIMP web_browser::get_Left(LONG *pl) { return window_metric(m_hWnd, pl, 0); }
STDMETHODIMP web_browser::get_Top(LONG *pl) { return window_metric(m_hWnd, pl, 1); }
STDMETHODIMP web_browser::get_Width(LONG *pl) { return window_metric(m_hWnd, pl, 2); }
STDMETHODIMP web_browser::get_Height(LONG *pl) { return window_metric(m_hWnd, pl, 3); }

// An embedded control's position belongs to its container (SetObjectRects).
STDMETHODIMP web_browser::put_Left(LONG) { return E_NOTIMPL; }
STDMETHODIMP web_browser::put_Top(LONG) { return E_NOTIMPL; }
STDMETHODIMP web_browser::put_Width(LONG) { return E_NOTIMPL; }
STDMETHODIMP web_browser::put_Height(LONG) { return E_NOTIMPL; }

STDMETHODIMP web_browser::get_LocationName(BSTR *LocationName)
{
    return out_bstr(LocationName, m_strTitle.empty() ? m_strURL : m_strTitle);
}

STDMETHODIMP web_browser::get_LocationURL(BSTR *LocationURL) { return out_bstr(LocationURL, m_strURL); }
STDMETHODIMP web_browser::get_Busy(VARIANT_BOOL *pBool) { return out_bool(pBool, m_bBusy); }

STDMETHODIMP web_browser::Quit() { return E_FAIL; }
STDMETHODIMP web_browser::ClientToWindow(int *, int *) { return E_NOTIMPL; }
STDMETHODIMP web_browser::PutProperty(BSTR, VARIANT) { return E_NOTIMPL; }
STDMETHODIMP web_browser::GetProperty(BSTR, VARIANT *pvtValue)
{
    if (pvtValue)
        VariantInit(pvtValue);
    return E_NOTIMPL;
}
STDMETHODIMP web_browser::get_Name(BSTR *Name) { return out_bstr(Name, u"Web Browser Control"); }

STDMETHODIMP web_browser::get_HWND(SHANDLE_PTR *pHWND)
{
    if (!pHWND)
        return E_POINTER;
    *pHWND = 0;
    return E_FAIL;  // an embedded control has no top-level window of its own
}

STDMETHODIMP web_browser::get_FullName(BSTR *FullName) { return out_bstr(FullName, u""); }
STDMETHODIMP web_browser::get_Path(BSTR *Path) { return out_bstr(Path, u""); }
STDMETHODIMP web_browser::get_Visible(VARIANT_BOOL *pBool) { return out_bool(pBool, m_bVisible); }

STDMETHODIMP web_browser::put_Visible(VARIANT_BOOL Value)
{
    m_bVisible = Value != VARIANT_FALSE;
    if (m_hWnd)
        ShowWindow(m_hWnd, m_bVisible ? SW_SHOW : SW_HIDE);
    fire_simple(DISPID_ONVISIBLE);
    return S_OK;
}

STDMETHODIMP web_browser::get_StatusBar(VARIANT_BOOL *pBool) { return out_bool(pBool, false); }
STDMETHODIMP web_browser::put_StatusBar(VARIANT_BOOL) { return S_OK; }
STDMETHODIMP web_browser::get_StatusText(BSTR *StatusText) { return out_bstr(StatusText, u""); }
STDMETHODIMP web_browser::put_StatusText(BSTR) { return S_OK; }
STDMETHODIMP web_browser::get_ToolBar(int *Value)
{
    if (!Value)
        return E_POINTER;
    *Value = 0;
    return S_OK;
}
STDMETHODIMP web_browser::put_ToolBar(int) { return S_OK; }
STDMETHODIMP web_browser::get_MenuBar(VARIANT_BOOL *Value) { return out_bool(Value, false); }
STDMETHODIMP web_browser::put_MenuBar(VARIANT_BOOL) { return S_OK; }
STDMETHODIMP web_browser::get_FullScreen(VARIANT_BOOL *p) { return out_bool(p, false); }
STDMETHODIMP web_browser::put_FullScreen(VARIANT_BOOL) { return S_OK; }

STDMETHODIMP web_browser::QueryStatusWB(OLECMDID cmdID, OLECMDF *pcmdf)
{
    if (!pcmdf)
        return E_POINTER;
    *pcmdf = (cmdID == OLECMDID_STOP || cmdID == OLECMDID_REFRESH) ? OLECMDF(OLECMDF_SUPPORTED | OLECMDF_ENABLED)
                                                                     : OLECMDF(0);
    return S_OK;
}

STDMETHODIMP web_browser::ExecWB(OLECMDID cmdID, OLECMDEXECOPT, VARIANT *, VARIANT *)
{
    if (cmdID == OLECMDID_STOP)
        return Stop();
    if (cmdID == OLECMDID_REFRESH)
        return Refresh();
    return OLECMDERR_E_NOTSUPPORTED;
}

STDMETHODIMP web_browser::ShowBrowserBar(VARIANT *, VARIANT *, VARIANT *) { return E_NOTIMPL; }

STDMETHODIMP web_browser::get_ReadyState(READYSTATE *plReadyState)
{
    if (!plReadyState)
        return E_POINTER;
    *plReadyState = m_readyState;
    return S_OK;
}

STDMETHODIMP web_browser::get_Offline(VARIANT_BOOL *p) { return out_bool(p, false); }
STDMETHODIMP web_browser::put_Offline(VARIANT_BOOL) { return S_OK; }
STDMETHODIMP web_browser::get_Silent(VARIANT_BOOL *p) { return out_bool(p, m_bSilent); }
STDMETHODIMP web_browser::put_Silent(VARIANT_BOOL b)
{
    m_bSilent = b != VARIANT_FALSE;
    return S_OK;
}
STDMETHODIMP web_browser::get_RegisterAsBrowser(VARIANT_BOOL *p) { return out_bool(p, false); }
STDMETHODIMP web_browser::put_RegisterAsBrowser(VARIANT_BOOL) { return S_OK; }
STDMETHODIMP web_browser::get_RegisterAsDropTarget(VARIANT_BOOL *p) { return out_bool(p, false); }
STDMETHODIMP web_browser::put_RegisterAsDropTarget(VARIANT_BOOL) { return S_OK; }
STDMETHODIMP web_browser::get_TheaterMode(VARIANT_BOOL *p) { return out_bool(p, false); }
STDMETHODIMP web_browser::put_TheaterMode(VARIANT_BOOL) { return S_OK; }
STDMETHODIMP web_browser::get_AddressBar(VARIANT_BOOL *p) { return out_bool(p, false); }
STDMETHODIMP web_browser::put_AddressBar(VARIANT_BOOL) { return S_OK; }
STDMETHODIMP web_browser::get_Resizable(VARIANT_BOOL *p) { return out_bool(p, false); }
STDMETHODIMP web_browser::put_Resizable(VARIANT_BOOL) { return S_OK; }

// ---- IOleObject --------------------------------------------------------------------------------

STDMETHODIMP web_browser::SetClientSite(IOleClientSite *pClientSite)
{
    if (pClientSite)
        pClientSite->AddRef();
    if (m_pClientSite)
        m_pClientSite->Release();
    m_pClientSite = pClientSite;
    return S_OK;
}

STDMETHODIMP web_browser::GetClientSite(IOleClientSite **ppClientSite)
{
    if (!ppClientSite)
        return E_POINTER;
    *ppClientSite = m_pClientSite;
    if (m_pClientSite)
        m_pClientSite->AddRef();
    return S_OK;
}

STDMETHODIMP web_browser::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

STDMETHODIMP web_browser::Close(DWORD)
{
    shut_down();
    return S_OK;
}

STDMETHODIMP web_browser::SetMoniker(DWORD, IMoniker *) { return E_NOTIMPL; }
STDMETHODIMP web_browser::GetMoniker(DWORD, DWORD, IMoniker **ppmk)
{
    if (ppmk)
        *ppmk = NULL;
    return E_NOTIMPL;
}
STDMETHODIMP web_browser::InitFromData(IDataObject *, BOOL, DWORD) { return E_NOTIMPL; }
STDMETHODIMP web_browser::GetClipboardData(DWORD, IDataObject **ppDataObject)
{
    if (ppDataObject)
        *ppDataObject = NULL;
    return E_NOTIMPL;
}

STDMETHODIMP web_browser::DoVerb(LONG iVerb, LPMSG, IOleClientSite *pActiveSite, LONG, HWND hwndParent,
                                 LPCRECT lprcPosRect)
{
    return activate(iVerb, pActiveSite ? pActiveSite : m_pClientSite, hwndParent, lprcPosRect);
}

STDMETHODIMP web_browser::EnumVerbs(IEnumOLEVERB **ppEnumOleVerb)
{
    if (ppEnumOleVerb)
        *ppEnumOleVerb = NULL;
    return E_NOTIMPL;
}

STDMETHODIMP web_browser::Update() { return S_OK; }
STDMETHODIMP web_browser::IsUpToDate() { return S_OK; }

STDMETHODIMP web_browser::GetUserClassID(CLSID *pClsid)
{
    if (!pClsid)
        return E_POINTER;
    *pClsid = CLSID_WebBrowser;
    return S_OK;
}

STDMETHODIMP web_browser::GetUserType(DWORD, LPOLESTR *pszUserType)
{
    if (pszUserType)
        *pszUserType = NULL;
    return OLE_S_USEREG;
}

STDMETHODIMP web_browser::SetExtent(DWORD dwDrawAspect, SIZEL *psizel)
{
    if (!psizel)
        return E_POINTER;
    if (dwDrawAspect != DVASPECT_CONTENT)
        return E_FAIL;
    m_extent = *psizel;
    return S_OK;
}

STDMETHODIMP web_browser::GetExtent(DWORD dwDrawAspect, SIZEL *psizel)
{
    if (!psizel)
        return E_POINTER;
    if (dwDrawAspect != DVASPECT_CONTENT)
        return E_FAIL;
    *psizel = m_extent;
    return S_OK;
}

// Advise sinks are held and released, but the control sends them nothing: it has no data to save.
STDMETHODIMP web_browser::Advise(IAdviseSink *pAdvSink, DWORD *pdwConnection)
{
    if (!pdwConnection)
        return E_POINTER;
    *pdwConnection = 0;
    if (!pAdvSink)
        return E_INVALIDARG;
    IUnknown *sink = reinterpret_cast<IUnknown *>(pAdvSink);
    sink->AddRef();
    m_adviseSinks.emplace_back(m_nNextAdvise, sink);
    *pdwConnection = m_nNextAdvise++;
    return S_OK;
}

STDMETHODIMP web_browser::Unadvise(DWORD dwConnection)
{
    for (auto it = m_adviseSinks.begin(); it != m_adviseSinks.end(); ++it) {
        if (it->first == dwConnection) {
            IUnknown *sink = it->second;
            m_adviseSinks.erase(it);
            sink->Release();
            return S_OK;
        }
    }
    return OLE_E_NOCONNECTION;
}

STDMETHODIMP web_browser::EnumAdvise(IEnumSTATDATA **ppenumAdvise)
{
    if (ppenumAdvise)
        *ppenumAdvise = NULL;
    return E_NOTIMPL;
}

STDMETHODIMP web_browser::GetMiscStatus(DWORD, DWORD *pdwStatus)
{
    if (!pdwStatus)
        return E_POINTER;
    *pdwStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                 OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;
    return S_OK;
}

STDMETHODIMP web_browser::SetColorScheme(struct tagLOGPALETTE *) { return E_NOTIMPL; }

// ---- in-place activation -----------------------------------------------------------------------

HRESULT web_browser::activate(LONG verb, IOleClientSite *site, HWND parent, LPCRECT pos)
{
    if (m_bClosed)
        return E_UNEXPECTED;
    switch (verb) {
    case OLEIVERB_HIDE:
        if (m_hWnd)
            ShowWindow(m_hWnd, SW_HIDE);
        return S_OK;
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_OPEN:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
        break;
    default:
        return E_NOTIMPL;
    }

    if (!m_hWnd) {
        if (!site)
            return E_INVALIDARG;
        IOleInPlaceSite *ips = NULL;
        if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void **>(&ips))))
            return E_NOINTERFACE;
        if (ips->CanInPlaceActivate() != S_OK) {
            ips->Release();
            return E_FAIL;
        }
        ips->OnInPlaceActivate();
        HWND host = NULL;
        if (FAILED(ips->GetWindow(&host)) || !host)
            host = parent;
        RECT rcPos = pos ? *pos : RECT{0, 0, 0, 0}, rcClip = rcPos;
        OLEINPLACEFRAMEINFO info = {sizeof info, FALSE, NULL, NULL, 0};
        IOleInPlaceFrame *frame = NULL;
        IOleInPlaceUIWindow *doc = NULL;
        if (SUCCEEDED(ips->GetWindowContext(&frame, &doc, &rcPos, &rcClip, &info))) {
            if (doc)
                doc->Release();
        }
        if (!host || !create_view(host, rcPos)) {
            if (frame)
                frame->Release();
            ips->OnInPlaceDeactivate();
            ips->Release();
            return E_FAIL;
        }
        m_pInPlaceSite = ips;
        m_pFrame = frame;
    }

    if (verb == OLEIVERB_UIACTIVATE || verb == OLEIVERB_PRIMARY) {
        if (!m_bUIActive && m_pInPlaceSite) {
            m_bUIActive = true;
            m_pInPlaceSite->OnUIActivate();
            if (m_pFrame)
                m_pFrame->SetActiveObject(static_cast<IOleInPlaceActiveObject *>(this), NULL);
        }
        SetFocus(m_hWnd);
    }
    if (m_bVisible)
        ShowWindow(m_hWnd, SW_SHOW);
    return S_OK;
}

STDMETHODIMP web_browser::GetWindow(HWND *phwnd)
{
    if (!phwnd)
        return E_POINTER;
    *phwnd = m_hWnd;
    return m_hWnd ? S_OK : E_FAIL;
}

STDMETHODIMP web_browser::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP web_browser::InPlaceDeactivate()
{
    if (!m_hWnd && !m_pInPlaceSite)
        return S_OK;
    UIDeactivate();
    // Without its window the control cannot deliver what the request would bring.
    stop_navigation();
    destroy_view();
    if (IOleInPlaceSite *site = m_pInPlaceSite) {
        m_pInPlaceSite = NULL;
        site->OnInPlaceDeactivate();
        site->Release();
    }
    if (IOleInPlaceFrame *frame = m_pFrame) {
        m_pFrame = NULL;
        frame->Release();
    }
    return S_OK;
}

STDMETHODIMP web_browser::UIDeactivate()
{
    if (!m_bUIActive)
        return S_OK;
    m_bUIActive = false;
    if (m_pFrame)
        m_pFrame->SetActiveObject(NULL, NULL);
    if (m_pInPlaceSite)
        m_pInPlaceSite->OnUIDeactivate(FALSE);
    return S_OK;
}

STDMETHODIMP web_browser::SetObjectRects(LPCRECT lprcPosRect, LPCRECT)
{
    if (!lprcPosRect)
        return E_INVALIDARG;
    if (!m_hWnd)
        return OLE_E_NOT_INPLACEACTIVE;
    MoveWindow(m_hWnd, lprcPosRect->left, lprcPosRect->top, lprcPosRect->right - lprcPosRect->left,
               lprcPosRect->bottom - lprcPosRect->top, TRUE);
    return S_OK;
}

STDMETHODIMP web_browser::ReactivateAndUndo() { return INPLACE_E_NOTUNDOABLE; }

// The page has no keyboard commands of its own; every key goes back to the container.
STDMETHODIMP web_browser::TranslateAccelerator(LPMSG lpmsg) { return lpmsg ? S_FALSE : E_INVALIDARG; }
STDMETHODIMP web_browser::OnFrameWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP web_browser::OnDocWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP web_browser::ResizeBorder(LPCRECT, IOleInPlaceUIWindow *, BOOL) { return S_OK; }
STDMETHODIMP web_browser::EnableModeless(BOOL) { return S_OK; }

// ---- IOleControl, connection points, class info ------------------------------------------------

STDMETHODIMP web_browser::GetControlInfo(CONTROLINFO *pCI)
{
    if (!pCI)
        return E_POINTER;
    pCI->hAccel = NULL;
    pCI->cAccel = 0;
    pCI->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP web_browser::OnMnemonic(MSG *) { return S_OK; }
STDMETHODIMP web_browser::OnAmbientPropertyChange(DISPID) { return S_OK; }
STDMETHODIMP web_browser::FreezeEvents(BOOL) { return S_OK; }

STDMETHODIMP web_browser::EnumConnectionPoints(IEnumConnectionPoints **ppEnum)
{
    if (ppEnum)
        *ppEnum = NULL;
    return E_NOTIMPL;
}

STDMETHODIMP web_browser::FindConnectionPoint(REFIID riid, IConnectionPoint **ppCP)
{
    if (!ppCP)
        return E_POINTER;
    *ppCP = NULL;
    if (riid != DIID_DWebBrowserEvents2)
        return CONNECT_E_NOCONNECTION;
    *ppCP = &m_events;
    m_events.AddRef();
    return S_OK;
}

STDMETHODIMP web_browser::GetClassInfo(ITypeInfo **ppTI)
{
    if (ppTI)
        *ppTI = NULL;
    return E_NOTIMPL;
}

STDMETHODIMP web_browser::GetGUID(DWORD dwGuidKind, GUID *pGUID)
{
    if (!pGUID)
        return E_POINTER;
    if (dwGuidKind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *pGUID = GUID_NULL;
        return E_INVALIDARG;
    }
    *pGUID = DIID_DWebBrowserEvents2;
    return S_OK;
}

// ---- lifetime ----------------------------------------------------------------------------------

// Ends everything that could still call out: requests, windows, sites and sinks. After this no
// event reaches anyone.
void web_browser::shut_down()
{
    if (m_bClosed)
        return;
    AddRef();  // a site released here may hold the last reference to this object
    m_bClosed = true;
    InPlaceDeactivate();
    stop_navigation();
    if (m_hEventWnd) {
        SetWindowLongPtrW(m_hEventWnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hEventWnd);
        m_hEventWnd = NULL;
    }
    m_events.clear();
    auto sinks = std::move(m_adviseSinks);
    m_adviseSinks.clear();
    for (auto &s : sinks)
        s.second->Release();
    SetClientSite(NULL);
    Release();
}

web_browser::~web_browser()
{
    m_refs = 1;  // shutting down may hand this object out again briefly
    shut_down();
}

}  // namespace browser
}  // namespace win32
