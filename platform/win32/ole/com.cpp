// COM apartments per thread, class objects and instance creation from the in-process class table.
#include <ole2.h>

#include "internal/com_server.h"

#include "internal/owners.h"

#include <new>

namespace {

// A thread's COM state: how often it initialised and in which apartment.
struct apartment {
    ULONG count = 0;
    bool multithreaded = false;
};
thread_local apartment current_apartment;

// The class object of a table entry: makes instances, refuses aggregation.
class class_factory final : public win32::com_refcounted<IClassFactory>
{
public:
    explicit class_factory(win32::com_create_function create) : m_create(create) {}

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory *>(this);
            AddRef();
            return S_OK;
        }
        *ppv = NULL;
        return E_NOINTERFACE;
    }
    STDMETHODIMP CreateInstance(IUnknown *outer, REFIID riid, void **ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = NULL;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return m_create(riid, ppv);
    }
    // A server module, once loaded, stays for the life of the process: nothing to hold.
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    win32::com_create_function m_create;
};

const DWORD supported_coinit = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE | COINIT_SPEED_OVER_MEMORY;

}  // namespace

HRESULT WINAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit)
{
    if (pvReserved || (dwCoInit & ~supported_coinit))
        return E_INVALIDARG;
    bool multithreaded = !(dwCoInit & COINIT_APARTMENTTHREADED);
    apartment &a = current_apartment;
    if (a.count) {
        if (a.multithreaded != multithreaded)
            return RPC_E_CHANGED_MODE;
        ++a.count;
        return S_FALSE;
    }
    a.count = 1;
    a.multithreaded = multithreaded;
    return S_OK;
}

// The reserved argument was once an allocator; it has long been ignored.
HRESULT WINAPI CoInitialize(LPVOID)
{
    return CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
}

// An unbalanced call on an uninitialised thread does nothing.
void WINAPI CoUninitialize(void)
{
    if (current_apartment.count)
        --current_apartment.count;
}

// All classes are in-process servers: a context without CLSCTX_INPROC_SERVER finds none.
HRESULT WINAPI CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID, REFIID riid, LPVOID *ppv)
{
    if (!ppv)
        return E_INVALIDARG;
    *ppv = NULL;
    if (!current_apartment.count)
        return CO_E_NOTINITIALIZED;
    win32::com_create_function create = win32::find_com_class(rclsid);
    if (!create || !(dwClsContext & CLSCTX_INPROC_SERVER))
        return REGDB_E_CLASSNOTREG;
    owner::unique_com<class_factory> factory(new (std::nothrow) class_factory(create));
    if (!factory)
        return E_OUTOFMEMORY;
    return factory.get()->QueryInterface(riid, ppv);
}

HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                                LPVOID *ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = NULL;
    owner::unique_com<IClassFactory> factory;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, NULL, IID_IClassFactory,
                                  reinterpret_cast<void **>(factory.put()));
    if (FAILED(hr))
        return hr;
    hr = factory.get()->CreateInstance(pUnkOuter, riid, ppv);
    if (FAILED(hr))
        *ppv = NULL;
    return hr;
}

// An object without IRunnableObject is running as soon as it exists.
HRESULT WINAPI OleRun(LPUNKNOWN pUnknown)
{
    if (!pUnknown)
        return E_INVALIDARG;
    owner::unique_com<IRunnableObject> runnable;
    if (FAILED(pUnknown->QueryInterface(IID_IRunnableObject, reinterpret_cast<void **>(runnable.put()))) || !runnable)
        return S_OK;
    return runnable.get()->Run(NULL);
}
