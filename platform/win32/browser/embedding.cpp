// OLE embedding of the web-browser control: IOleObject, in-place activation inside the container's
// window, the active object's keyboard and IOleControl.
#include "browser/control.h"

namespace win32 {
namespace browser {

// ---- IOleObject --------------------------------------------------------------------------------

STDMETHODIMP web_browser::SetClientSite(IOleClientSite *pClientSite)
{
    m_pClientSite = shared_com<IOleClientSite>(pClientSite);  // the old site goes once the new one is held
    return S_OK;
}

STDMETHODIMP web_browser::GetClientSite(IOleClientSite **ppClientSite)
{
    if (!ppClientSite)
        return E_POINTER;
    *ppClientSite = m_pClientSite.get();
    if (*ppClientSite)
        (*ppClientSite)->AddRef();  // the out-pointer's reference, the caller's to release
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
    return activate(iVerb, pActiveSite ? pActiveSite : m_pClientSite.get(), hwndParent, lprcPosRect);
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
    // The layer declares IAdviseSink without its body; it is an IUnknown all the same.
    m_adviseSinks.emplace_back(m_nNextAdvise, shared_com<IUnknown>(reinterpret_cast<IUnknown *>(pAdvSink)));
    *pdwConnection = m_nNextAdvise++;
    return S_OK;
}

STDMETHODIMP web_browser::Unadvise(DWORD dwConnection)
{
    for (auto it = m_adviseSinks.begin(); it != m_adviseSinks.end(); ++it) {
        if (it->first == dwConnection) {
            shared_com<IUnknown> sink = std::move(it->second);  // released once the entry is gone
            m_adviseSinks.erase(it);
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
        unique_com<IOleInPlaceSite> ips;
        if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void **>(ips.put()))))
            return E_NOINTERFACE;
        if (ips->CanInPlaceActivate() != S_OK)
            return E_FAIL;
        ips->OnInPlaceActivate();
        HWND host = NULL;
        if (FAILED(ips->GetWindow(&host)) || !host)
            host = parent;
        RECT rcPos = pos ? *pos : RECT{0, 0, 0, 0}, rcClip = rcPos;
        OLEINPLACEFRAMEINFO info = {sizeof info, FALSE, NULL, NULL, 0};
        unique_com<IOleInPlaceFrame> frame;
        unique_com<IOleInPlaceUIWindow> doc;  // the control has no document window of its own to use
        ips->GetWindowContext(frame.put(), doc.put(), &rcPos, &rcClip, &info);
        if (!host || !create_view(host, rcPos)) {
            ips->OnInPlaceDeactivate();
            return E_FAIL;
        }
        m_pInPlaceSite = std::move(ips);
        m_pFrame = std::move(frame);
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
    if (unique_com<IOleInPlaceSite> site = std::move(m_pInPlaceSite))
        site->OnInPlaceDeactivate();
    m_pFrame.reset();
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

}  // namespace browser
}  // namespace win32
