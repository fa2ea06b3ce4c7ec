// Event-sink dispatch: finding a map entry and converting an event's arguments to the types its
// VTS_ description names before the handler is called.
#include "afximpl.h"
#include <afxdisp.h>

#include <cstring>
#include <vector>

const AFX_EVENTSINKMAP_ENTRY *AFXAPI AfxFindEventSinkEntry(const AFX_EVENTSINKMAP *pMap, UINT nCtrlID, DISPID dispid)
{
    for (; pMap != NULL; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : NULL) {
        for (const AFX_EVENTSINKMAP_ENTRY *e = pMap->lpEntries; e->pszParams != NULL; ++e) {
            if (e->dispid == dispid && nCtrlID >= e->nCtrlIDFirst && nCtrlID <= e->nCtrlIDLast) return e;
        }
    }
    return NULL;
}

namespace {

// The arguments in declaration order, each of the described type. By-reference arguments and
// arguments already of the right type are borrowed; converted ones are owned and cleared here.
class event_args
{
public:
    ~event_args()
    {
        for (size_t i = 0; i < m_args.size(); ++i)
            if (m_owned[i]) ::VariantClear(&m_args[i]);
    }

    HRESULT prepare(LPCSTR pszParams, const DISPPARAMS *pParams, UINT *puArgErr)
    {
        size_t n = std::strlen(pszParams);
        UINT cArgs = pParams ? pParams->cArgs : 0;
        if (cArgs != n) return DISP_E_BADPARAMCOUNT;
        if (n != 0 && pParams->rgvarg == NULL) return E_INVALIDARG;
        m_args.resize(n);
        m_owned.assign(n, false);
        for (size_t i = 0; i < n; ++i) {
            ::VariantInit(&m_args[i]);
            // rgvarg holds the arguments last first.
            VARIANT *src = &pParams->rgvarg[cArgs - 1 - i];
            HRESULT hr = convert(BYTE(pszParams[i]), src, i);
            if (FAILED(hr)) {
                if (puArgErr) *puArgErr = UINT(cArgs - 1 - i);
                return hr;
            }
        }
        return S_OK;
    }

    VARIANT *data() { return m_args.empty() ? NULL : &m_args[0]; }
    UINT size() const { return UINT(m_args.size()); }

private:
    HRESULT convert(BYTE code, VARIANT *src, size_t i)
    {
        VARIANT &dst = m_args[i];
        if (code & VT_MFCBYREF) {
            VARTYPE want = VARTYPE((code & ~VT_MFCBYREF) | VT_BYREF);
            if (V_VT(src) == want) {
                dst = *src;
                return S_OK;
            }
            if (want == (VT_VARIANT | VT_BYREF)) {
                // A plain value where a VARIANT* is described: the handler sees the caller's VARIANT.
                V_VT(&dst) = VT_VARIANT | VT_BYREF;
                V_VARIANTREF(&dst) = src;
                return S_OK;
            }
            if (V_VT(src) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(src) && V_VT(V_VARIANTREF(src)) == want) {
                dst = *V_VARIANTREF(src);
                return S_OK;
            }
            return DISP_E_TYPEMISMATCH;
        }
        while (V_VT(src) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(src)) src = V_VARIANTREF(src);
        if (code == VT_VARIANT || V_VT(src) == code) {
            dst = *src;
            return S_OK;
        }
        HRESULT hr = ::VariantChangeType(&dst, src, 0, VARTYPE(code));
        if (FAILED(hr)) return hr;
        m_owned[i] = true;
        return S_OK;
    }

    std::vector<VARIANT> m_args;
    std::vector<bool> m_owned;
};

}  // namespace

BOOL AFXAPI AfxDispatchEventSink(CCmdTarget *pTarget, const AFX_EVENTSINKMAP *pMap, UINT nCtrlID, AFX_EVENT *pEvent)
{
    if (pTarget == NULL || pEvent == NULL || pEvent->m_eventKind != AFX_EVENT::event) return FALSE;
    const AFX_EVENTSINKMAP_ENTRY *e = AfxFindEventSinkEntry(pMap, nCtrlID, pEvent->m_dispid);
    if (e == NULL) return FALSE;

    try {
        event_args args;
        HRESULT hr = args.prepare(e->pszParams, pEvent->m_pDispParams, pEvent->m_puArgError);
        BOOL bHandled = FALSE;
        if (SUCCEEDED(hr)) hr = e->pfnThunk(pTarget, e->pfn, args.data(), args.size(), &bHandled);
        pEvent->m_hResult = hr;
    } catch (CException *ex) {
        ex->Delete();
        pEvent->m_hResult = DISP_E_EXCEPTION;
    } catch (...) {
        pEvent->m_hResult = DISP_E_EXCEPTION;
    }
    return TRUE;
}
