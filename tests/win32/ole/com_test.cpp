// What Windows does with COM initialisation, class creation, GUID strings and OleRun.
#include <windows.h>
#include <ole2.h>
#include <msxml.h>
#include <exdisp.h>

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <thread>

#include "support/WideString.h"
#include "win32/wine.h"

namespace {

// Runs the body on a thread of its own, so that its COM state starts clean.
template <class Body>
void OnFreshThread(Body body)
{
    std::thread worker(body);
    worker.join();
}

const CLSID kUnknownClass = {0x12345678, 0x9ABC, 0xDEF0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};

TEST(ComInit, RepeatsAreCountedAndAnotherApartmentIsRefused)
{
    OnFreshThread([] {
        EXPECT_EQ(S_OK, CoInitialize(NULL));
        EXPECT_EQ(S_FALSE, CoInitializeEx(NULL, COINIT_APARTMENTTHREADED));
        EXPECT_EQ(RPC_E_CHANGED_MODE, CoInitializeEx(NULL, COINIT_MULTITHREADED));
        CoUninitialize();
        // Still initialised once: the refused call took no count.
        EXPECT_EQ(RPC_E_CHANGED_MODE, CoInitializeEx(NULL, COINIT_MULTITHREADED));
        CoUninitialize();
        // Balanced: the thread may now choose the other apartment.
        EXPECT_EQ(S_OK, CoInitializeEx(NULL, COINIT_MULTITHREADED));
        EXPECT_EQ(S_FALSE, CoInitializeEx(NULL, COINIT_MULTITHREADED));
        EXPECT_EQ(RPC_E_CHANGED_MODE, CoInitialize(NULL));
        CoUninitialize();
        CoUninitialize();
    });
}

TEST(ComInit, EachThreadHasItsOwnApartment)
{
    OnFreshThread([] {
        ASSERT_EQ(S_OK, CoInitializeEx(NULL, COINIT_MULTITHREADED));
        OnFreshThread([] {
            EXPECT_EQ(S_OK, CoInitialize(NULL));
            CoUninitialize();
        });
        CoUninitialize();
    });
}

TEST(ComCreate, FailuresReportTheirCodeAndClearTheOutput)
{
    OnFreshThread([] {
        void *object = &object;
        EXPECT_EQ(CO_E_NOTINITIALIZED,
                  CoCreateInstance(CLSID_DOMDocument, NULL, CLSCTX_ALL, IID_IUnknown, &object));
        EXPECT_EQ(nullptr, object);

        ASSERT_EQ(S_OK, CoInitialize(NULL));
        IUnknown *outer = NULL;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_DOMDocument, NULL, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                         reinterpret_cast<void **>(&outer)));
        struct Case {
            const char *what;
            const CLSID *clsid;
            IUnknown *outer;
            DWORD context;
            const IID *iid;
            HRESULT expected;
        } cases[] = {
            {"unknown class", &kUnknownClass, NULL, CLSCTX_ALL, &IID_IUnknown, REGDB_E_CLASSNOTREG},
            {"aggregation", &CLSID_DOMDocument, outer, CLSCTX_ALL, &IID_IUnknown, CLASS_E_NOAGGREGATION},
            {"no such interface", &CLSID_DOMDocument, NULL, CLSCTX_ALL, &IID_IClassFactory, E_NOINTERFACE},
        };
        for (const Case &c : cases) {
            object = &object;
            EXPECT_EQ(c.expected, CoCreateInstance(*c.clsid, c.outer, c.context, *c.iid, &object)) << c.what;
            EXPECT_EQ(nullptr, object) << c.what;
        }
        EXPECT_EQ(E_POINTER, CoCreateInstance(CLSID_DOMDocument, NULL, CLSCTX_ALL, IID_IUnknown, NULL));
        outer->Release();
        CoUninitialize();
    });
}

TEST(ComCreate, AClassServedInProcessOnlyIsNoLocalServer)
{
    SKIP_UNDER_WINE("for a class without a local server Wine starts dllhost.exe as its surrogate and "
                    "answers CO_E_SERVER_EXEC_FAILURE; Windows starts one only for a class whose AppID "
                    "names a surrogate");
    OnFreshThread([] {
        ASSERT_EQ(S_OK, CoInitialize(NULL));
        void *object = &object;
        EXPECT_EQ(REGDB_E_CLASSNOTREG,
                  CoCreateInstance(CLSID_DOMDocument, NULL, CLSCTX_LOCAL_SERVER, IID_IUnknown, &object));
        EXPECT_EQ(nullptr, object);
        CoUninitialize();
    });
}

TEST(ComCreate, ByProgIdThroughTheClassObject)
{
    OnFreshThread([] {
        ASSERT_EQ(S_OK, CoInitialize(NULL));
        CLSID clsid = GUID_NULL;
        // ProgIDs are registry keys: their case does not matter.
        ASSERT_EQ(S_OK, CLSIDFromProgID(TEXT("microsoft.xmldom"), &clsid));
        EXPECT_TRUE(IsEqualGUID(CLSID_DOMDocument, clsid));
        CLSID unknown;
        EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromProgID(TEXT("No.Such.Class"), &unknown));

        IClassFactory *factory = NULL;
        ASSERT_EQ(S_OK, CoGetClassObject(clsid, CLSCTX_SERVER, NULL, IID_IClassFactory,
                                         reinterpret_cast<void **>(&factory)));
        IXMLDOMDocument *document = NULL;
        ASSERT_EQ(S_OK, factory->CreateInstance(NULL, IID_IXMLDOMDocument, reinterpret_cast<void **>(&document)));
        factory->Release();
        IUnknown *asUnknown = NULL, *again = NULL;
        ASSERT_EQ(S_OK, document->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&asUnknown)));
        ASSERT_EQ(S_OK, document->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&again)));
        EXPECT_EQ(asUnknown, again) << "IUnknown is the object's identity";
        EXPECT_EQ(S_OK, OleRun(asUnknown));
        again->Release();
        asUnknown->Release();
        document->Release();
        CoUninitialize();
    });
}

#ifndef _WIN32
// Every in-process server of the layer gives the same IUnknown and IDispatch answers: those
// Windows documents for an object without type information or members by name. The layer's own
// contract: Windows' servers carry type libraries and answer names, and Wine's fault on a null
// out-pointer.
TEST(ComServer, EveryServerAnswersIUnknownAndIDispatchAlike)
{
    OnFreshThread([] {
        ASSERT_EQ(S_OK, CoInitialize(NULL));
        IXMLDOMDocument *document = NULL;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_DOMDocument, NULL, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                         reinterpret_cast<void **>(&document)));
        VARIANT_BOOL loaded = VARIANT_FALSE;
        BSTR xml = SysAllocString(TEXT("<a><b/></a>"));
        ASSERT_EQ(S_OK, document->loadXML(xml, &loaded));
        SysFreeString(xml);
        IXMLDOMElement *element = NULL;
        ASSERT_EQ(S_OK, document->get_documentElement(&element));
        IXMLDOMNodeList *children = NULL;
        ASSERT_EQ(S_OK, element->get_childNodes(&children));
        IWebBrowser2 *browser = NULL;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WebBrowser, NULL, CLSCTX_INPROC_SERVER, IID_IWebBrowser2,
                                         reinterpret_cast<void **>(&browser)));

        const struct {
            const char *name;
            IDispatch *object;
        } servers[] = {{"web browser", browser}, {"XML document", document}, {"XML element", element},
                       {"XML node list", children}};
        const IID kNoSuchInterface = {0x0BADF00D, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
        for (const auto &server : servers) {
            IDispatch *object = server.object;
            EXPECT_EQ(E_POINTER, object->QueryInterface(IID_IDispatch, NULL)) << server.name;
            void *face = object;
            EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(kNoSuchInterface, &face)) << server.name;
            EXPECT_EQ(nullptr, face) << server.name;

            UINT count = 7;
            EXPECT_EQ(E_POINTER, object->GetTypeInfoCount(NULL)) << server.name;
            EXPECT_EQ(S_OK, object->GetTypeInfoCount(&count)) << server.name;
            EXPECT_EQ(0u, count) << server.name;
            ITypeInfo *info = reinterpret_cast<ITypeInfo *>(object);
            EXPECT_EQ(E_POINTER, object->GetTypeInfo(0, 0, NULL)) << server.name;
            EXPECT_EQ(DISP_E_BADINDEX, object->GetTypeInfo(0, 0, &info)) << server.name;
            EXPECT_EQ(nullptr, info) << server.name;

            LPOLESTR names[] = {const_cast<LPOLESTR>(TEXT("Navigate")), const_cast<LPOLESTR>(TEXT("url"))};
            DISPID ids[2] = {1, 2};
            EXPECT_EQ(DISP_E_UNKNOWNNAME, object->GetIDsOfNames(IID_NULL, names, 2, 0, ids)) << server.name;
            EXPECT_EQ(DISPID_UNKNOWN, ids[0]) << server.name;
            EXPECT_EQ(DISPID_UNKNOWN, ids[1]) << server.name;
            DISPPARAMS none = {NULL, NULL, 0, 0};
            EXPECT_EQ(DISP_E_MEMBERNOTFOUND, object->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, NULL, NULL, NULL))
                << server.name;
        }
        browser->Release();
        children->Release();
        element->Release();
        document->Release();
        CoUninitialize();
    });
}
#endif

TEST(ComGuid, StringRoundTripAndMalformedForms)
{
    const int kGuidChars = 39;  // braces, 32 digits, four hyphens and the terminator
    OLECHAR text[kGuidChars];
    ASSERT_EQ(kGuidChars, StringFromGUID2(CLSID_DOMDocument, text, kGuidChars));
    EXPECT_EQ(WideString(TEXT("{2933BF90-7B36-11D2-B20E-00C04F983E60}")), WideString(text));
    EXPECT_EQ(0, StringFromGUID2(CLSID_DOMDocument, text, kGuidChars - 1));

    CLSID parsed;
    ASSERT_EQ(S_OK, CLSIDFromString(text, &parsed));
    EXPECT_TRUE(IsEqualGUID(CLSID_DOMDocument, parsed));
    ASSERT_EQ(S_OK, CLSIDFromString(TEXT("{12345678-9abc-def0-0123-456789abcdef}"), &parsed));
    EXPECT_TRUE(IsEqualGUID(kUnknownClass, parsed)) << "lower-case digits";

    const WCHAR *malformed[] = {
        TEXT(""), TEXT("2933BF90-7B36-11D2-B20E-00C04F983E60"), TEXT("{2933BF90-7B36-11D2-B20E-00C04F983E60"),
        TEXT("{2933BF90-7B36-11D2-B20E-00C04F983E6}"), TEXT("{2933BF90-7B36-11D2-B20E-00C04F983E60}x"),
        TEXT("{2933BF90-7B36-11D2-B20E00C04F983E60}"), TEXT("{2933BF9G-7B36-11D2-B20E-00C04F983E60}"),
        TEXT("{2933BF90 7B36-11D2-B20E-00C04F983E60}"),
    };
    for (size_t i = 0; i < sizeof malformed / sizeof *malformed; ++i)
        EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromString(malformed[i], &parsed)) << "case " << i;
}

// A runnable object that counts its references and its Run calls.
class RunnableProbe final : public IRunnableObject
{
public:
    ULONG refs = 1;
    int runs = 0;
    HRESULT runResult = S_OK;

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override
    {
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IRunnableObject)) {
            *ppv = static_cast<IRunnableObject *>(this);
            AddRef();
            return S_OK;
        }
        *ppv = NULL;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP GetRunningClass(LPCLSID) override { return E_NOTIMPL; }
    STDMETHODIMP Run(LPBINDCTX) override
    {
        ++runs;
        return runResult;
    }
    STDMETHODIMP_(BOOL) IsRunning() override { return runs > 0; }
    STDMETHODIMP LockRunning(BOOL, BOOL) override { return S_OK; }
    STDMETHODIMP SetContainedObject(BOOL) override { return S_OK; }
};

TEST(OleRunning, RunsTheObjectAndPassesOnItsAnswer)
{
    RunnableProbe probe;
    EXPECT_EQ(S_OK, OleRun(&probe));
    EXPECT_EQ(1, probe.runs);
    probe.runResult = E_FAIL;
    EXPECT_EQ(E_FAIL, OleRun(&probe));
    EXPECT_EQ(2, probe.runs);
    EXPECT_EQ(1u, probe.refs) << "OleRun keeps no reference";
}

TEST(ComTaskMemory, ReallocKeepsContentsAndZeroSizeFrees)
{
    auto *p = static_cast<char *>(CoTaskMemAlloc(4));
    ASSERT_NE(nullptr, p);
    memcpy(p, "abc", 4);
    p = static_cast<char *>(CoTaskMemRealloc(p, 1 << 16));
    ASSERT_NE(nullptr, p);
    EXPECT_STREQ("abc", p);
    EXPECT_EQ(nullptr, CoTaskMemRealloc(p, 0));
    void *fresh = CoTaskMemRealloc(NULL, 8);
    EXPECT_NE(nullptr, fresh);
    CoTaskMemFree(fresh);
    CoTaskMemFree(NULL);
}

}  // namespace
