// CComBSTR and CComVariant: system strings and VARIANTs owned on every way out.
#include <afxcom.h>
#include <string.h>

// ---------------------------------------------------------------------------------------------
// CComBSTR

static BSTR alloc_bstr(LPCOLESTR psz, UINT nLen)
{
    BSTR s = ::SysAllocStringLen(psz, nLen);
    if (s == NULL) AfxThrowMemoryException();
    return s;
}

static UINT olestr_length(LPCOLESTR psz)
{
    UINT n = 0;
    while (psz[n]) ++n;
    return n;
}

CComBSTR::CComBSTR(LPCOLESTR pSrc) : m_str(pSrc ? alloc_bstr(pSrc, olestr_length(pSrc)) : NULL) {}

CComBSTR::CComBSTR(int nSize, LPCOLESTR sz) : m_str(NULL)
{
    if (nSize < 0) AfxThrowInvalidArgException();
    m_str = alloc_bstr(sz, UINT(nSize));   // a NULL source gives nSize uninitialised characters
}

CComBSTR::CComBSTR(LPCSTR pSrc) : m_str(NULL)
{
    if (pSrc == NULL) return;
    CStringW wide(pSrc);
    m_str = alloc_bstr(wide.GetString(), UINT(wide.GetLength()));
}

CComBSTR::CComBSTR(const CComBSTR &src) : m_str(src.Copy()) {}

CComBSTR &CComBSTR::operator=(const CComBSTR &src)
{
    if (src.m_str != m_str) {
        BSTR copy = src.Copy();
        ::SysFreeString(m_str);
        m_str = copy;
    }
    return *this;
}

CComBSTR &CComBSTR::operator=(CComBSTR &&src) noexcept
{
    if (this != std::addressof(src)) {
        ::SysFreeString(m_str);
        m_str = src.m_str;
        src.m_str = NULL;
    }
    return *this;
}

CComBSTR &CComBSTR::operator=(LPCOLESTR pSrc)
{
    if (pSrc != m_str) {
        BSTR copy = pSrc ? alloc_bstr(pSrc, olestr_length(pSrc)) : NULL;
        ::SysFreeString(m_str);
        m_str = copy;
    }
    return *this;
}

BSTR CComBSTR::Copy() const
{
    return m_str ? alloc_bstr(m_str, ::SysStringLen(m_str)) : NULL;
}

HRESULT CComBSTR::CopyTo(BSTR *pbstr) const noexcept
{
    if (pbstr == NULL) return E_POINTER;
    *pbstr = m_str ? ::SysAllocStringLen(m_str, ::SysStringLen(m_str)) : NULL;
    return (m_str && *pbstr == NULL) ? E_OUTOFMEMORY : S_OK;
}

void CComBSTR::Attach(BSTR src) noexcept
{
    if (src == m_str) return;
    ::SysFreeString(m_str);
    m_str = src;
}

void CComBSTR::Append(LPCOLESTR lpsz)
{
    if (lpsz) Append(lpsz, int(olestr_length(lpsz)));
}

void CComBSTR::Append(LPCOLESTR lpsz, int nLen)
{
    if (lpsz == NULL || nLen <= 0) return;
    UINT nOld = Length();
    if (UINT(nLen) > 0x3FFFFFFFu - nOld) AfxThrowMemoryException();
    BSTR s = alloc_bstr(NULL, nOld + UINT(nLen));
    if (nOld) memcpy(s, m_str, nOld * sizeof(OLECHAR));
    memcpy(s + nOld, lpsz, UINT(nLen) * sizeof(OLECHAR));   // lpsz may be this string: copied before freeing
    ::SysFreeString(m_str);
    m_str = s;
}

bool CComBSTR::operator==(const CComBSTR &other) const noexcept
{
    UINT n = Length();
    return n == other.Length() && (n == 0 || memcmp(m_str, other.m_str, n * sizeof(OLECHAR)) == 0);
}

bool CComBSTR::operator==(LPCOLESTR psz) const noexcept
{
    if (psz == NULL) return Length() == 0;
    UINT n = olestr_length(psz);
    return n == Length() && (n == 0 || memcmp(m_str, psz, n * sizeof(OLECHAR)) == 0);
}

// ---------------------------------------------------------------------------------------------
// CComVariant

CComVariant::CComVariant(const CComVariant &varSrc)
{
    ::VariantInit(this);
    Copy(&varSrc);
}

CComVariant::CComVariant(const VARIANT &varSrc)
{
    ::VariantInit(this);
    Copy(&varSrc);
}

CComVariant::CComVariant(LPCOLESTR lpszSrc)
{
    Init(VT_BSTR);
    bstrVal = lpszSrc ? alloc_bstr(lpszSrc, olestr_length(lpszSrc)) : NULL;
}

CComVariant::CComVariant(LPCSTR lpszSrc)
{
    Init(VT_BSTR);
    CComBSTR converted(lpszSrc);
    bstrVal = converted.Detach();
}

CComVariant::CComVariant(int nSrc, VARTYPE vtSrc) noexcept
{
    Init(vtSrc == VT_INT ? VT_INT : VT_I4);
    lVal = nSrc;
}

CComVariant::CComVariant(unsigned int nSrc, VARTYPE vtSrc) noexcept
{
    Init(vtSrc == VT_UINT ? VT_UINT : VT_UI4);
    ulVal = nSrc;
}

CComVariant::CComVariant(IDispatch *pSrc) noexcept
{
    Init(VT_DISPATCH);
    pdispVal = pSrc;
    if (pSrc) reinterpret_cast<IUnknown *>(pSrc)->AddRef();
}

CComVariant::CComVariant(IUnknown *pSrc) noexcept
{
    Init(VT_UNKNOWN);
    punkVal = pSrc;
    if (pSrc) pSrc->AddRef();
}

CComVariant &CComVariant::operator=(const CComVariant &varSrc)
{
    if (this != &varSrc) Copy(&varSrc);
    return *this;
}

CComVariant &CComVariant::operator=(const VARIANT &varSrc)
{
    if (static_cast<const VARIANT *>(this) != &varSrc) Copy(&varSrc);
    return *this;
}

CComVariant &CComVariant::operator=(LPCOLESTR lpszSrc)
{
    BSTR copy = lpszSrc ? alloc_bstr(lpszSrc, olestr_length(lpszSrc)) : NULL;
    Clear();
    vt = VT_BSTR;
    bstrVal = copy;
    return *this;
}

CComVariant &CComVariant::operator=(IUnknown *pSrc)
{
    if (pSrc) pSrc->AddRef();   // before clearing: pSrc may be held only by this variant
    Clear();
    vt = VT_UNKNOWN;
    punkVal = pSrc;
    return *this;
}

HRESULT CComVariant::Copy(const VARIANT *pSrc)
{
    if (pSrc == NULL) return E_INVALIDARG;
    VARIANT copy;
    ::VariantInit(&copy);
    HRESULT hr = ::VariantCopy(&copy, const_cast<VARIANT *>(pSrc));   // Windows declares the source non-const
    if (FAILED(hr)) {
        if (hr == E_OUTOFMEMORY) AfxThrowMemoryException();
        return hr;
    }
    Clear();
    memcpy(static_cast<VARIANT *>(this), &copy, sizeof(VARIANT));
    return S_OK;
}

HRESULT CComVariant::Attach(VARIANT *pSrc) noexcept
{
    if (pSrc == NULL) return E_INVALIDARG;
    if (pSrc == static_cast<VARIANT *>(this)) return S_OK;
    HRESULT hr = Clear();
    if (FAILED(hr)) return hr;
    memcpy(static_cast<VARIANT *>(this), pSrc, sizeof(VARIANT));
    pSrc->vt = VT_EMPTY;
    return S_OK;
}

HRESULT CComVariant::Detach(VARIANT *pDest) noexcept
{
    if (pDest == NULL) return E_POINTER;
    if (pDest == static_cast<VARIANT *>(this)) return S_OK;
    HRESULT hr = ::VariantClear(pDest);
    if (FAILED(hr)) return hr;
    memcpy(pDest, static_cast<VARIANT *>(this), sizeof(VARIANT));
    vt = VT_EMPTY;
    return S_OK;
}

HRESULT CComVariant::ChangeType(VARTYPE vtNew, const VARIANT *pSrc)
{
    if (pSrc == NULL) pSrc = this;
    VARIANT result;
    ::VariantInit(&result);
    HRESULT hr = ::VariantChangeType(&result, const_cast<VARIANT *>(pSrc), 0, vtNew);
    if (FAILED(hr)) return hr;
    Clear();
    memcpy(static_cast<VARIANT *>(this), &result, sizeof(VARIANT));
    return S_OK;
}

bool CComVariant::operator==(const VARIANT &varSrc) const noexcept
{
    if (this == &varSrc) return true;
    if (vt != varSrc.vt) return false;
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL: return true;
    case VT_BOOL: return boolVal == varSrc.boolVal;
    case VT_UI1:
    case VT_I1: return bVal == varSrc.bVal;
    case VT_I2:
    case VT_UI2: return iVal == varSrc.iVal;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR: return lVal == varSrc.lVal;
    case VT_I8:
    case VT_UI8: return llVal == varSrc.llVal;
    case VT_R4: return fltVal == varSrc.fltVal;
    case VT_R8:
    case VT_DATE: return dblVal == varSrc.dblVal;
    case VT_BSTR: {
        UINT n = ::SysStringLen(bstrVal);
        return n == ::SysStringLen(varSrc.bstrVal) && (n == 0 || memcmp(bstrVal, varSrc.bstrVal, n * sizeof(OLECHAR)) == 0);
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: return punkVal == varSrc.punkVal;
    default: return false;
    }
}
