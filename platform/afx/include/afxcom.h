// Owners for COM in plug-in code: CComPtr (interface references), CComBSTR (system strings) and
// CComVariant (VARIANTs). Each releases what it holds on every way out; allocation failure raises
// CMemoryException*.
#pragma once

#include "afx.h"
#include <ole2.h>
#include <memory>

// The interface id of an interface type, for the members that need one without an argument
// (there is no __uuidof). Other headers or users add AFX_COM_INTERFACE_IID(IFoo, IID_IFoo).
template <class T> struct afx_com_iid;
#define AFX_COM_INTERFACE_IID(itf, iid)                                                            \
    template <> struct afx_com_iid<itf> { static const IID &get() { return iid; } };
AFX_COM_INTERFACE_IID(IUnknown, IID_IUnknown)
AFX_COM_INTERFACE_IID(IDispatch, IID_IDispatch)

template <class T>
class CComPtr
{
public:
    CComPtr() noexcept : p(NULL) {}
    CComPtr(T *lp) noexcept : p(lp) { if (p) p->AddRef(); }
    CComPtr(const CComPtr &other) noexcept : p(other.p) { if (p) p->AddRef(); }
    CComPtr(CComPtr &&other) noexcept : p(other.p) { other.p = NULL; }
    ~CComPtr() { if (p) p->Release(); }

    CComPtr &operator=(T *lp) noexcept { Reset(lp, true); return *this; }
    CComPtr &operator=(const CComPtr &other) noexcept { Reset(other.p, true); return *this; }
    CComPtr &operator=(CComPtr &&other) noexcept
    {
        if (this != std::addressof(other)) { T *old = p; p = other.p; other.p = NULL; if (old) old->Release(); }
        return *this;
    }

    operator T *() const noexcept { return p; }
    T *operator->() const noexcept { return p; }
    T &operator*() const noexcept { return *p; }
    bool operator!() const noexcept { return p == NULL; }
    // For out-parameters: whatever was held is released first, so nothing leaks.
    T **operator&() noexcept { Release(); return &p; }

    void Release() noexcept { T *old = p; p = NULL; if (old) old->Release(); }
    T *Detach() noexcept { T *old = p; p = NULL; return old; }
    void Attach(T *lp) noexcept { T *old = p; p = lp; if (old) old->Release(); }
    HRESULT CopyTo(T **ppT) const noexcept
    {
        if (ppT == NULL) return E_POINTER;
        *ppT = p;
        if (p) p->AddRef();
        return S_OK;
    }
    bool IsEqualObject(IUnknown *pOther) const noexcept
    {
        if (p == NULL || pOther == NULL) return p == NULL && pOther == NULL;
        CComPtr<IUnknown> a, b;
        p->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&a));
        pOther->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&b));
        return a.p == b.p;
    }

    HRESULT QueryInterface(REFIID riid, void **ppv) const noexcept
    {
        if (ppv == NULL) return E_POINTER;
        *ppv = NULL;
        return p ? p->QueryInterface(riid, ppv) : E_POINTER;
    }
    template <class Q> HRESULT QueryInterface(Q **pp) const noexcept
    {
        return QueryInterface(afx_com_iid<Q>::get(), reinterpret_cast<void **>(pp));
    }

    HRESULT CoCreateInstance(REFCLSID rclsid, REFIID riid, LPUNKNOWN pUnkOuter = NULL, DWORD dwClsContext = CLSCTX_ALL) noexcept
    {
        T *pNew = NULL;
        HRESULT hr = ::CoCreateInstance(rclsid, pUnkOuter, dwClsContext, riid, reinterpret_cast<void **>(&pNew));
        Attach(SUCCEEDED(hr) ? pNew : NULL);
        return hr;
    }
    HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter = NULL, DWORD dwClsContext = CLSCTX_ALL) noexcept
    {
        return CoCreateInstance(rclsid, afx_com_iid<T>::get(), pUnkOuter, dwClsContext);
    }
    HRESULT CoCreateInstance(LPCOLESTR szProgID, LPUNKNOWN pUnkOuter = NULL, DWORD dwClsContext = CLSCTX_ALL) noexcept
    {
        CLSID clsid;
        HRESULT hr = ::CLSIDFromProgID(szProgID, &clsid);
        if (FAILED(hr)) { Release(); return hr; }
        return CoCreateInstance(clsid, pUnkOuter, dwClsContext);
    }

    T *p;

private:
    void Reset(T *lp, bool addRef) noexcept
    {
        if (lp == p) return;
        if (lp && addRef) lp->AddRef();
        T *old = p;
        p = lp;
        if (old) old->Release();
    }
};

// A BSTR owner. Copies are deep; NULL and "" both have length 0.
class AFX_API CComBSTR
{
public:
    BSTR m_str;

    CComBSTR() noexcept : m_str(NULL) {}
    CComBSTR(LPCOLESTR pSrc);
    CComBSTR(int nSize, LPCOLESTR sz);
    explicit CComBSTR(LPCSTR pSrc);                       // converted with the ANSI code page
    CComBSTR(const CComBSTR &src);
    CComBSTR(CComBSTR &&src) noexcept : m_str(src.m_str) { src.m_str = NULL; }
    ~CComBSTR() { ::SysFreeString(m_str); }

    CComBSTR &operator=(const CComBSTR &src);
    CComBSTR &operator=(CComBSTR &&src) noexcept;
    CComBSTR &operator=(LPCOLESTR pSrc);

    operator BSTR() const noexcept { return m_str; }
    // For out-parameters: the previous string is freed first.
    BSTR *operator&() noexcept { Empty(); return &m_str; }
    bool operator!() const noexcept { return m_str == NULL; }

    unsigned int Length() const noexcept { return ::SysStringLen(m_str); }
    unsigned int ByteLength() const noexcept { return ::SysStringByteLen(m_str); }
    void Empty() noexcept { ::SysFreeString(m_str); m_str = NULL; }
    BSTR Copy() const;
    HRESULT CopyTo(BSTR *pbstr) const noexcept;
    void Attach(BSTR src) noexcept;
    BSTR Detach() noexcept { BSTR s = m_str; m_str = NULL; return s; }

    void Append(LPCOLESTR lpsz);
    void Append(LPCOLESTR lpsz, int nLen);
    void Append(const CComBSTR &bstrSrc) { Append(bstrSrc.m_str, int(bstrSrc.Length())); }
    void Append(OLECHAR ch) { Append(&ch, 1); }
    CComBSTR &operator+=(const CComBSTR &bstrSrc) { Append(bstrSrc); return *this; }
    CComBSTR &operator+=(LPCOLESTR pszSrc) { Append(pszSrc); return *this; }

    bool operator==(const CComBSTR &other) const noexcept;
    bool operator!=(const CComBSTR &other) const noexcept { return !(*this == other); }
    bool operator==(LPCOLESTR psz) const noexcept;
    bool operator!=(LPCOLESTR psz) const noexcept { return !(*this == psz); }
};

// A VARIANT owner: cleared (strings freed, interfaces released) when it goes or is reassigned.
class AFX_API CComVariant : public tagVARIANT
{
public:
    CComVariant() noexcept { ::VariantInit(this); }
    CComVariant(const CComVariant &varSrc);
    CComVariant(const VARIANT &varSrc);
    CComVariant(LPCOLESTR lpszSrc);
    CComVariant(LPCSTR lpszSrc);
    CComVariant(const CComBSTR &bstrSrc) : CComVariant(static_cast<LPCOLESTR>(bstrSrc.m_str)) {}
    CComVariant(bool bSrc) noexcept { Init(VT_BOOL); boolVal = bSrc ? VARIANT_TRUE : VARIANT_FALSE; }
    CComVariant(int nSrc, VARTYPE vtSrc = VT_I4) noexcept;
    CComVariant(unsigned int nSrc, VARTYPE vtSrc = VT_UI4) noexcept;
#if defined(_WIN32)
    // LONG is long on Windows, which would otherwise choose between the int and 64-bit forms.
    CComVariant(long nSrc, VARTYPE vtSrc = VT_I4) noexcept : CComVariant(int(nSrc), vtSrc) {}
#endif
    CComVariant(BYTE nSrc) noexcept { Init(VT_UI1); bVal = nSrc; }
    CComVariant(short nSrc) noexcept { Init(VT_I2); iVal = nSrc; }
    CComVariant(LONGLONG nSrc) noexcept { Init(VT_I8); llVal = nSrc; }
    CComVariant(ULONGLONG nSrc) noexcept { Init(VT_UI8); ullVal = nSrc; }
    CComVariant(float fltSrc) noexcept { Init(VT_R4); fltVal = fltSrc; }
    CComVariant(double dblSrc) noexcept { Init(VT_R8); dblVal = dblSrc; }
    CComVariant(IDispatch *pSrc) noexcept;
    CComVariant(IUnknown *pSrc) noexcept;
    ~CComVariant() { ::VariantClear(this); }

    CComVariant &operator=(const CComVariant &varSrc);
    CComVariant &operator=(const VARIANT &varSrc);
    CComVariant &operator=(LPCOLESTR lpszSrc);
    CComVariant &operator=(bool bSrc) { Clear(); Init(VT_BOOL); boolVal = bSrc ? VARIANT_TRUE : VARIANT_FALSE; return *this; }
    CComVariant &operator=(int nSrc) { Clear(); Init(VT_I4); lVal = nSrc; return *this; }
    CComVariant &operator=(double dblSrc) { Clear(); Init(VT_R8); dblVal = dblSrc; return *this; }
    CComVariant &operator=(IUnknown *pSrc);

    bool operator==(const VARIANT &varSrc) const noexcept;
    bool operator!=(const VARIANT &varSrc) const noexcept { return !(*this == varSrc); }

    HRESULT Clear() noexcept { return ::VariantClear(this); }
    HRESULT Copy(const VARIANT *pSrc);
    HRESULT Attach(VARIANT *pSrc) noexcept;                // takes the value; pSrc becomes VT_EMPTY
    HRESULT Detach(VARIANT *pDest) noexcept;               // hands the value over; this becomes VT_EMPTY
    HRESULT ChangeType(VARTYPE vtNew, const VARIANT *pSrc = NULL);

private:
    void Init(VARTYPE vtNew) noexcept { ::VariantInit(this); vt = vtNew; }
};
