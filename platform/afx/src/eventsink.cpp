// Event-sink dispatch: finding a map entry and converting an event's arguments to the types its
// VTS_ description names before the handler is called.
#include "afximpl.h"
#include <afxcom.h>
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
// arguments already of the right type are borrowed; converted ones are owned by m_converted.
class event_args
{
public:
    HRESULT prepare(LPCSTR pszParams, const DISPPARAMS *pParams, UINT *puArgErr)
    {
        size_t n = std::strlen(pszParams);
        UINT cArgs = pParams ? pParams->cArgs : 0;
        if (cArgs != n) return DISP_E_BADPARAMCOUNT;
        if (n != 0 && pParams->rgvarg == NULL) return E_INVALIDARG;
        m_args.resize(n);
        m_converted.resize(n);   // never resized again: m_args may point into it
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
            const VARIANT *value = AfxVariantValue(src);
            if (value != NULL && V_VT(value) == want) {
                dst = *value;
                return S_OK;
            }
            return DISP_E_TYPEMISMATCH;
        }
        const VARIANT *value = AfxVariantValue(src);
        if (value == NULL) return DISP_E_TYPEMISMATCH;
        if (code == VT_VARIANT || V_VT(value) == code) {
            dst = *value;
            return S_OK;
        }
        HRESULT hr = m_converted[i].ChangeType(VARTYPE(code), value);
        if (FAILED(hr)) return hr;
        dst = m_converted[i];
        return S_OK;
    }

    std::vector<VARIANT> m_args;            // what the handler reads
    std::vector<CComVariant> m_converted;
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

// ---------------------------------------------------------------------------------------------
// Reading VARIANT* parameters

const VARIANT *AFXAPI AfxVariantValue(const VARIANT *pvar)
{
    while (pvar != NULL && V_VT(pvar) == (VT_VARIANT | VT_BYREF)) pvar = V_VARIANTREF(pvar);
    return pvar;
}

CString AFXAPI AfxVariantText(const VARIANT *pvar)
{
    pvar = AfxVariantValue(pvar);
    BSTR bstr = NULL;
    if (pvar != NULL && V_VT(pvar) == VT_BSTR) bstr = V_BSTR(pvar);
    if (pvar != NULL && V_VT(pvar) == (VT_BSTR | VT_BYREF) && V_BSTRREF(pvar) != NULL) bstr = *V_BSTRREF(pvar);
    return bstr != NULL ? CString(bstr, int(::SysStringLen(bstr))) : CString();
}

// A status code such as 0x800C0005 arrives as VT_I4 or VT_UI4 and must not overflow a conversion.
DWORD AFXAPI AfxVariantDword(const VARIANT *pvar)
{
    pvar = AfxVariantValue(pvar);
    if (pvar == NULL) return 0;
    switch (V_VT(pvar)) {
    case VT_I4: return DWORD(V_I4(pvar));
    case VT_UI4: return V_UI4(pvar);
    case VT_ERROR: return DWORD(V_ERROR(pvar));
    default: break;
    }
    CComVariant converted;
    return SUCCEEDED(converted.ChangeType(VT_I4, pvar)) ? DWORD(V_I4(&converted)) : 0;
}
