// The web-browser control's event side: the DWebBrowserEvents2 connection point and the objects
// that stand for frames in the events of their navigations.
#include "browser/control.h"

namespace win32 {
namespace browser {

// ---- event_point -------------------------------------------------------------------------------

STDMETHODIMP event_point::QueryInterface(REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
        *ppv = static_cast<IConnectionPoint *>(this);
        AddRef();  // the out-pointer's reference
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
    m_pOwner->AddRef();  // the out-pointer's reference
    return S_OK;
}

STDMETHODIMP event_point::Advise(IUnknown *pUnkSink, DWORD *pdwCookie)
{
    if (!pdwCookie)
        return E_POINTER;
    *pdwCookie = 0;
    if (!pUnkSink)
        return E_POINTER;
    shared_com<IDispatch> sink;
    if (FAILED(pUnkSink->QueryInterface(DIID_DWebBrowserEvents2, reinterpret_cast<void **>(sink.put()))) &&
        FAILED(pUnkSink->QueryInterface(IID_IDispatch, reinterpret_cast<void **>(sink.put()))))
        return CONNECT_E_CANNOTCONNECT;
    m_sinks.emplace_back(m_nNextCookie, std::move(sink));
    *pdwCookie = m_nNextCookie++;
    return S_OK;
}

STDMETHODIMP event_point::Unadvise(DWORD dwCookie)
{
    for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
        if (it->first == dwCookie) {
            shared_com<IDispatch> sink = std::move(it->second);  // released once the entry is gone
            m_sinks.erase(it);
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

std::vector<shared_com<IDispatch>> event_point::snapshot()
{
    std::vector<shared_com<IDispatch>> sinks;
    for (auto &s : m_sinks)
        sinks.push_back(s.second);
    return sinks;
}

void event_point::clear() { release_all(m_sinks); }

// ---- frame_object ------------------------------------------------------------------------------

STDMETHODIMP frame_object::QueryInterface(REFIID riid, void **ppv)
{
    bool known = riid == IID_IUnknown || riid == IID_IDispatch;
    return give(known ? static_cast<IDispatch *>(this) : nullptr, ppv);
}

}  // namespace browser
}  // namespace win32
