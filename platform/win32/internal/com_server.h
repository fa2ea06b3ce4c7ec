// The in-process class table: the layer's own COM servers register here, by CLSID and ProgID.
#pragma once

#include <objbase.h>

#include <atomic>

namespace win32 {

// Makes a new object of the class and asks it for riid; *ppv is NULL on failure.
using com_create_function = HRESULT (*)(REFIID riid, void **ppv);

// Enters a class; a second registration of the same CLSID replaces the first.
// The ProgID is matched without regard to case, as registry keys are.
void register_com_class(REFCLSID clsid, LPCWSTR progid, com_create_function create);

// The creator of a registered class, or null.
com_create_function find_com_class(REFCLSID clsid);

// The CLSID registered under a ProgID; false when none is.
bool find_com_progid(LPCWSTR progid, CLSID *clsid);

// Registers a class during static initialisation of the server's own file.
struct com_class_registrar {
    com_class_registrar(REFCLSID clsid, LPCWSTR progid, com_create_function create)
    {
        register_com_class(clsid, progid, create);
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

private:
    std::atomic<ULONG> m_refs{1};
};

}  // namespace win32
