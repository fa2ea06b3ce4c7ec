// A plain COM embedding host for the web-browser control: client and in-place site, UI handler,
// an event sink that records what it is told, and a loopback server with a request log.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>

#include <gtest/gtest.h>
#include <httplib.h>

#include "ServerThread.h"
#include "support/MessagePump.h"
#include "support/WideText.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

// One event as the sink saw it.
struct Event {
    DISPID id;
    std::u16string url;
    LONG flags = 0;
    LONG code = 0;
    LONG progress = 0, max = 0;
    std::string post;
    bool postGiven = false;
    std::u16string headers;
    bool topLevel = false;
    DWORD thread = 0;
};

class Host : public IOleClientSite, public IOleInPlaceSite, public IDocHostUIHandler, public IDispatch
{
public:
    std::vector<Event> events;
    std::u16string cancelPrefix;  // BeforeNavigate2 for addresses beginning so is cancelled
    bool cancelErrors = false;
    std::vector<DWORD> contextMenus;
    HRESULT contextMenuAnswer = S_OK;
    HWND parent = NULL;
    RECT pos = {0, 0, 300, 200};
    IWebBrowser2 *browser = NULL;
    bool holdFrames = false;                // keep the pDisp of every frame's BeforeNavigate2
    std::vector<IDispatch *> heldFrames;    // each with a reference the test gives back

    bool Has(DISPID id, const std::u16string &url = u"") const
    {
        for (const Event &e : events)
            if (e.id == id && (url.empty() || e.url == url))
                return true;
        return false;
    }
    size_t Count(DISPID id) const
    {
        size_t n = 0;
        for (const Event &e : events)
            n += e.id == id;
        return n;
    }

    // IUnknown: the host object lives on the test's stack.
    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *ppv = static_cast<IOleClientSite *>(this);
        else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
            *ppv = static_cast<IOleInPlaceSite *>(this);
        else if (riid == IID_IDocHostUIHandler)
            *ppv = static_cast<IDocHostUIHandler *>(this);
        else if (riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2)
            *ppv = static_cast<IDispatch *>(this);
        else {
            *ppv = NULL;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    ULONG refs = 1;

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker **) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer **c) override
    {
        *c = NULL;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP GetWindow(HWND *phwnd) override
    {
        *phwnd = parent;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame **f, IOleInPlaceUIWindow **d, LPRECT p, LPRECT c,
                                  LPOLEINPLACEFRAMEINFO) override
    {
        *f = NULL;
        *d = NULL;
        *p = pos;
        *c = pos;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return E_NOTIMPL; }

    // IDocHostUIHandler: only the context menu matters here.
    STDMETHODIMP ShowContextMenu(DWORD id, POINT *, IUnknown *, IDispatch *) override
    {
        contextMenus.push_back(id);
        return contextMenuAnswer;
    }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO *) override { return E_NOTIMPL; }
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject *, IOleCommandTarget *, IOleInPlaceFrame *,
                        IOleInPlaceUIWindow *) override
    {
        return S_FALSE;
    }
    STDMETHODIMP HideUI() override { return S_OK; }
    STDMETHODIMP UpdateUI() override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow *, BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, const GUID *, DWORD) override { return S_FALSE; }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR *k, DWORD) override
    {
        *k = NULL;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetDropTarget(IDropTarget *, IDropTarget **d) override
    {
        *d = NULL;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetExternal(IDispatch **d) override
    {
        *d = NULL;
        return E_NOTIMPL;
    }
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR *o) override
    {
        *o = NULL;
        return S_FALSE;
    }
    STDMETHODIMP FilterDataObject(IDataObject *, IDataObject **o) override
    {
        *o = NULL;
        return S_FALSE;
    }

    // IDispatch: the DWebBrowserEvents2 sink.
    STDMETHODIMP GetTypeInfoCount(UINT *n) override
    {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS *p, VARIANT *, EXCEPINFO *, UINT *) override;
};

// Text of a VT_VARIANT|VT_BYREF argument holding a BSTR; empty for anything else.
inline std::u16string RefText(const VARIANT &v)
{
    if (V_VT(&v) != (VT_VARIANT | VT_BYREF) || V_VT(V_VARIANTREF(&v)) != VT_BSTR)
        return u"<bad layout>";
    BSTR b = V_BSTR(V_VARIANTREF(&v));
    return b ? std::u16string(b, SysStringLen(b)) : std::u16string();
}

inline STDMETHODIMP Host::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS *p, VARIANT *, EXCEPINFO *, UINT *)
{
    Event e;
    e.id = id;
    e.thread = GetCurrentThreadId();
    VARIANTARG *a = p->rgvarg;
    switch (id) {
    case DISPID_BEFORENAVIGATE2: {
        if (p->cArgs != 7)
            return DISP_E_BADPARAMCOUNT;
        IUnknown *top = NULL;
        if (V_VT(&a[6]) == VT_DISPATCH && browser)
            e.topLevel = V_DISPATCH(&a[6]) == static_cast<IDispatch *>(browser);
        if (holdFrames && !e.topLevel && V_VT(&a[6]) == VT_DISPATCH && V_DISPATCH(&a[6])) {
            V_DISPATCH(&a[6])->AddRef();
            heldFrames.push_back(V_DISPATCH(&a[6]));
        }
        e.url = RefText(a[5]);
        if (V_VT(&a[4]) == (VT_VARIANT | VT_BYREF) && V_VT(V_VARIANTREF(&a[4])) == VT_I4)
            e.flags = V_I4(V_VARIANTREF(&a[4]));
        VARIANT *post = V_VT(&a[2]) == (VT_VARIANT | VT_BYREF) ? V_VARIANTREF(&a[2]) : NULL;
        if (post && V_VT(post) == (VT_ARRAY | VT_UI1)) {
            void *data;
            LONG hi = -1;
            SafeArrayGetUBound(V_ARRAY(post), 1, &hi);
            SafeArrayAccessData(V_ARRAY(post), &data);
            e.post.assign(static_cast<char *>(data), size_t(hi + 1));
            SafeArrayUnaccessData(V_ARRAY(post));
            e.postGiven = true;
        }
        e.headers = RefText(a[1]);
        (void)top;
        if (V_VT(&a[0]) == (VT_BOOL | VT_BYREF) && !cancelPrefix.empty() &&
            e.url.compare(0, cancelPrefix.size(), cancelPrefix) == 0)
            *V_BOOLREF(&a[0]) = VARIANT_TRUE;
        break;
    }
    case DISPID_NAVIGATECOMPLETE2:
    case DISPID_DOCUMENTCOMPLETE:
        if (p->cArgs != 2)
            return DISP_E_BADPARAMCOUNT;
        e.topLevel = browser && V_VT(&a[1]) == VT_DISPATCH && V_DISPATCH(&a[1]) == static_cast<IDispatch *>(browser);
        e.url = RefText(a[0]);
        break;
    case DISPID_NAVIGATEERROR:
        if (p->cArgs != 5)
            return DISP_E_BADPARAMCOUNT;
        e.url = RefText(a[3]);
        if (V_VT(&a[1]) == (VT_VARIANT | VT_BYREF) && V_VT(V_VARIANTREF(&a[1])) == VT_I4)
            e.code = V_I4(V_VARIANTREF(&a[1]));
        if (cancelErrors && V_VT(&a[0]) == (VT_BOOL | VT_BYREF))
            *V_BOOLREF(&a[0]) = VARIANT_TRUE;
        break;
    case DISPID_PROGRESSCHANGE:
        if (p->cArgs != 2 || V_VT(&a[1]) != VT_I4 || V_VT(&a[0]) != VT_I4)
            return DISP_E_TYPEMISMATCH;
        e.progress = V_I4(&a[1]);
        e.max = V_I4(&a[0]);
        break;
    case DISPID_TITLECHANGE:
        if (p->cArgs == 1 && V_VT(&a[0]) == VT_BSTR)
            e.url = std::u16string(V_BSTR(&a[0]), SysStringLen(V_BSTR(&a[0])));
        break;
    default:
        break;
    }
    events.push_back(e);
    return S_OK;
}

// A loopback HTTP server on an ephemeral port with a log of what it was asked.
class Server
{
public:
    struct Request {
        std::string method, path, body, contentType;
        int remotePort = 0;  // the client's end of the connection
    };

    httplib::Server http;
    int port = 0;

    // Serves a page at path for GET and POST; every request is logged before it is answered.
    void Page(const std::string &path, const std::string &content, const std::string &type = "text/html",
              int status = 200)
    {
        auto handler = [=](const httplib::Request &req, httplib::Response &res) {
            Record(req);
            res.status = status;
            res.set_content(content, type);
        };
        http.Get(path, handler);
        http.Post(path, handler);
    }
    // Answers GET and POST at path with a redirect to location.
    void Redirect(const std::string &path, int status, const std::string &location)
    {
        auto handler = [=](const httplib::Request &req, httplib::Response &res) {
            Record(req);
            res.status = status;
            res.set_header("Location", location);
            res.set_content("<p>moved</p>", "text/html");
        };
        http.Get(path, handler);
        http.Post(path, handler);
    }
    // Sends its headers and the first bytes of the body, then nothing until Release.
    void StallInBody(const std::string &path)
    {
        http.Get(path, [this](const httplib::Request &req, httplib::Response &res) {
            Record(req);
            res.set_chunked_content_provider("text/html", [this](size_t offset, httplib::DataSink &sink) {
                if (offset == 0) {
                    sink.write("<p>the first bytes", 18);
                    return true;
                }
                WaitForRelease();
                sink.done();
                return true;
            });
        });
    }
    // Answers with a page that never ends: a few bytes every 20 ms until Release (or Stop).
    void Trickle(const std::string &path)
    {
        http.Get(path, [this](const httplib::Request &req, httplib::Response &res) {
            Record(req);
            // A type the server never compresses: a compressor would hold the bytes back.
            res.set_chunked_content_provider("text/event-stream", [this](size_t, httplib::DataSink &sink) {
                if (!sink.write("<p>more", 7))
                    return false;
                std::unique_lock<std::mutex> g(lock);
                if (released.wait_for(g, std::chrono::milliseconds(20), [this] { return release; })) {
                    g.unlock();
                    sink.done();
                }
                return true;
            });
        });
    }
    void Slow(const std::string &path)
    {
        http.Get(path, [this](const httplib::Request &req, httplib::Response &res) {
            Record(req);
            Hold(req, res);
        });
    }
    void Record(const httplib::Request &req)
    {
        std::lock_guard<std::mutex> g(lock);
        log.push_back({req.method, req.path, req.body, req.get_header_value("Content-Type"), req.remote_port});
    }
    ~Server() { Stop(); }

    // Returns once the server accepts.
    void Start()
    {
        port = runner.Start();
        EXPECT_NE(0, port) << "the loopback server did not start";
    }
    // Held handlers answer first, so that the server can end.
    void Stop()
    {
        Release();
        runner.Stop();
    }
    std::u16string Url(const char *path) const { return Wide("http://127.0.0.1:" + std::to_string(port) + path); }
    std::vector<Request> Log()
    {
        std::lock_guard<std::mutex> g(lock);
        return log;
    }
    // A handler that holds its response until Release (or a generous bound).
    void Hold(const httplib::Request &, httplib::Response &res)
    {
        {
            std::lock_guard<std::mutex> g(lock);
            ++held;
        }
        WaitForRelease();
        res.set_content("<p>late</p>", "text/html");
    }
    void WaitForRelease()
    {
        std::unique_lock<std::mutex> g(lock);
        released.wait_for(g, std::chrono::seconds(20), [this] { return release; });
    }
    int Held()
    {
        std::lock_guard<std::mutex> g(lock);
        return held;
    }
    void Release()
    {
        std::lock_guard<std::mutex> g(lock);
        release = true;
        released.notify_all();
    }

private:
    std::mutex lock;
    std::condition_variable released;
    bool release = false;
    int held = 0;
    std::vector<Request> log;
    CServerThread runner{http};
};
