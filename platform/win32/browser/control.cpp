// The web-browser control's identity and lifetime: class registration, interfaces, the connection
// point container and class info, and the shut-down that ends every call out.
#include "browser/control.h"

#include "internal/com_server.h"

namespace win32 {
namespace browser {

BSTR bstr_from(const std::u16string &text) { return SysAllocStringLen(text.data(), UINT(text.size())); }

namespace {

HRESULT create_web_browser(REFIID riid, void **ppv)
{
    unique_com<IWebBrowser2> browser(new (std::nothrow) web_browser());  // the creator's reference
    if (!browser) {
        if (ppv)
            *ppv = NULL;
        return E_OUTOFMEMORY;
    }
    return browser->QueryInterface(riid, ppv);
}

const com_class_registrar register_v2(CLSID_WebBrowser, create_web_browser);
const com_class_registrar register_v1(CLSID_WebBrowser_V1, create_web_browser);

}  // namespace

// ---- web_browser: identity ---------------------------------------------------------------------

STDMETHODIMP web_browser::QueryInterface(REFIID riid, void **ppv)
{
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
    return give(face, ppv);
}

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
    m_events.AddRef();  // the out-pointer's reference
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
    shared_com<web_browser> self = keep_alive();  // a site released here may hold the last reference
    m_bClosed = true;
    InPlaceDeactivate();
    stop_navigation();
    m_pWorker.reset();  // joins the worker: no thread outlives the object
    if (m_hEventWnd) {
        SetWindowLongPtrW(m_hEventWnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hEventWnd);
        m_hEventWnd = NULL;
    }
    m_events.clear();
    release_all(m_adviseSinks);
    SetClientSite(NULL);
}

web_browser::~web_browser()
{
    restart_count();  // shutting down may hand this object out again briefly
    shut_down();
}

}  // namespace browser
}  // namespace win32
