// The in-process class table: the layer's server modules register their creators here by CLSID;
// the table itself names each class's ProgID and server module.
#pragma once

#include <objbase.h>
#include <oleauto.h>

#include <atomic>

namespace win32 {

// Makes a new object of the class and asks it for riid; *ppv is NULL on failure.
using com_create_function = HRESULT (*)(REFIID riid, void **ppv);

// Enters a class's creator; a second registration of the same CLSID replaces the first. Exported for
// the server modules, whose static initialisers call it when COM loads them.
DECLSPEC_EXPORT void register_com_class(REFCLSID clsid, com_create_function create);

// The creator of a registered class, or null.
com_create_function find_com_class(REFCLSID clsid);

// The CLSID registered under a ProgID, matched without regard to case as registry keys are; false
// when none is.
bool find_com_progid(LPCWSTR progid, CLSID *clsid);

// Registers a class during static initialisation of the server's own file.
struct com_class_registrar {
    com_class_registrar(REFCLSID clsid, com_create_function create)
    {
        register_com_class(clsid, create);
    }
};

// The reference count every object of the layer's servers keeps: one for its creator, freed at zero.
template <class Iface>
class com_refcounted : public Iface
{
public:
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG refs = --m_refs;
        if (refs == 0)
            delete this;
        return refs;
    }

protected:
    virtual ~com_refcounted() = default;
    // For a destructor that hands the object out again while it ends: the count restarts at one,
    // so those references come and go without a second delete.
    void restart_count() { m_refs = 1; }

private:
    std::atomic<ULONG> m_refs{1};
};

// The IUnknown and IDispatch answers every in-process server of the layer gives: no type
// information and no members by name (callers use the vtable), with Windows' results: E_POINTER for
// a null out-pointer, DISP_E_BADINDEX for type information, DISP_E_UNKNOWNNAME with DISPID_UNKNOWN
// for every name asked, DISP_E_MEMBERNOTFOUND from Invoke.
template <class Iface>
class com_dispatch : public com_refcounted<Iface>
{
public:
    STDMETHODIMP GetTypeInfoCount(UINT *pctinfo) override
    {
        if (!pctinfo)
            return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo **ppTInfo) override
    {
        if (!ppTInfo)
            return E_POINTER;
        *ppTInfo = NULL;
        return DISP_E_BADINDEX;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR *, UINT cNames, LCID, DISPID *rgDispId) override
    {
        if (cNames && !rgDispId)
            return E_POINTER;
        for (UINT i = 0; i < cNames; ++i)
            rgDispId[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *, UINT *) override
    {
        return DISP_E_MEMBERNOTFOUND;
    }

protected:
    // The end of every QueryInterface: hands out `face`, the interface asked for, or null and
    // E_NOINTERFACE when the object has none such.
    HRESULT give(void *face, void **ppv)
    {
        if (!ppv)
            return E_POINTER;
        *ppv = face;
        if (!face)
            return E_NOINTERFACE;
        this->AddRef();
        return S_OK;
    }
};

}  // namespace win32
