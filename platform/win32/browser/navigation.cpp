// Navigation of the web-browser control: requests, and the events the host sees, on the window's thread.
//
// Order of events for a top-level navigation, as a browser fires them:
//   BeforeNavigate2 (synchronous, inside Navigate; cancelling ends everything here)
//   DownloadBegin, ProgressChange (rising, while the body arrives)
//   NavigateComplete2, TitleChange,
//   for each frame: BeforeNavigate2, NavigateComplete2, DocumentComplete with the frame's pDisp,
//   DocumentComplete for the top document, DownloadComplete, ProgressChange(-1, max).
// A failure fires NavigateError (HTTP status >= 400, or an INET_E_ code); unless the sink cancels it
// the control shows its own error page and goes on with NavigateComplete2 for the address that
// failed, then DocumentComplete, DownloadComplete and ProgressChange(-1, max). Redirects are
// followed inside the request and fire no BeforeNavigate2 of their own.
#include "browser/control.h"

#include "internal/path.h"

#include <cstdio>

namespace win32 {
namespace browser {

namespace {

const UINT WM_BROWSER_EVENTS = WM_USER + 0x100;
const WCHAR event_class[] = u"WebBrowserEvents";

// A VARIANT cleared on every way out.
struct variant_owner {
    VARIANT v;
    variant_owner() { VariantInit(&v); }
    ~variant_owner() { VariantClear(&v); }
    variant_owner(const variant_owner &) = delete;
    variant_owner &operator=(const variant_owner &) = delete;
};

std::u16string text_of(const VARIANT *v)
{
    while (v && V_VT(v) == (VT_VARIANT | VT_BYREF))
        v = V_VARIANTREF(v);
    if (!v)
        return std::u16string();
    if (V_VT(v) == VT_BSTR && V_BSTR(v))
        return std::u16string(V_BSTR(v), SysStringLen(V_BSTR(v)));
    if (V_VT(v) == (VT_BSTR | VT_BYREF) && V_BSTRREF(v) && *V_BSTRREF(v))
        return std::u16string(*V_BSTRREF(v), SysStringLen(*V_BSTRREF(v)));
    return std::u16string();
}

LONG long_of(const VARIANT *v)
{
    while (v && V_VT(v) == (VT_VARIANT | VT_BYREF))
        v = V_VARIANTREF(v);
    variant_owner converted;
    if (!v || FAILED(VariantChangeType(&converted.v, v, 0, VT_I4)))
        return 0;
    return V_I4(&converted.v);
}

// The byte array a PostData argument carries, if any: VT_ARRAY|VT_UI1 directly, by reference,
// or inside a VARIANT by reference.
const SAFEARRAY *post_array_of(const VARIANT *v)
{
    while (v && V_VT(v) == (VT_VARIANT | VT_BYREF))
        v = V_VARIANTREF(v);
    if (!v)
        return nullptr;
    if (V_VT(v) == (VT_ARRAY | VT_UI1))
        return V_ARRAY(v);
    if (V_VT(v) == (VT_ARRAY | VT_UI1 | VT_BYREF) && V_ARRAYREF(v))
        return *V_ARRAYREF(v);
    return nullptr;
}

std::string bytes_of(const SAFEARRAY *psa)
{
    SAFEARRAY *sa = const_cast<SAFEARRAY *>(psa);
    if (!sa || SafeArrayGetDim(sa) != 1)
        return std::string();
    LONG lo = 0, hi = -1;
    SafeArrayGetLBound(sa, 1, &lo);
    SafeArrayGetUBound(sa, 1, &hi);
    void *data = NULL;
    if (hi < lo || FAILED(SafeArrayAccessData(sa, &data)))
        return std::string();
    std::string bytes(static_cast<const char *>(data), size_t(hi - lo + 1) * SafeArrayGetElemsize(sa));
    SafeArrayUnaccessData(sa);
    return bytes;
}

bool has_scheme(const std::u16string &url, const char16_t *scheme)
{
    size_t n = std::char_traits<char16_t>::length(scheme);
    if (url.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        char16_t c = url[i];
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c + 32);
        if (c != scheme[i])
            return false;
    }
    return true;
}

// The address as libcurl takes it: UTF-8, with blanks, controls and non-ASCII bytes percent-encoded.
std::string encode_url(const std::u16string &url)
{
    std::string utf8 = utf8_from_utf16(url.data(), url.size()), out;
    for (unsigned char c : utf8) {
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' ||
            c == '{' || c == '|' || c == '}') {
            char hex[4];
            snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        } else {
            out += char(c);
        }
    }
    return out;
}

// "file:///Z:/dir/a.html", "file://localhost/Z:/a", "file:///dir/a" (the Z: drive) to a Linux path.
bool file_path_of(const std::u16string &url, std::string &path)
{
    std::u16string rest = url.substr(5);
    size_t cut = rest.find_first_of(u"?#");
    if (cut != std::u16string::npos)
        rest.resize(cut);
    if (rest.compare(0, 2, u"//") == 0) {
        rest.erase(0, 2);
        if (has_scheme(rest, u"localhost"))
            rest.erase(0, 9);
    }
    std::string bytes = utf8_from_utf16(rest.data(), rest.size()), decoded;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '%' && i + 2 < bytes.size() && isxdigit((unsigned char)bytes[i + 1]) &&
            isxdigit((unsigned char)bytes[i + 2])) {
            decoded += char(std::stoi(bytes.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += bytes[i];
        }
    }
    std::u16string dos = utf16_from_utf8(decoded);
    for (char16_t &c : dos)
        if (c == u'/')
            c = u'\\';
    while (dos.size() > 2 && dos[0] == u'\\' && dos[2] == u':')
        dos.erase(0, 1);
    if (!(dos.size() > 1 && dos[1] == u':'))
        dos = u"Z:" + dos;
    return unix_path_from_dos(dos.c_str(), path);
}

std::vector<std::string> header_lines(const std::u16string &headers)
{
    std::vector<std::string> lines;
    std::string text = utf8_from_utf16(headers.data(), headers.size());
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        if (line.find(':') != std::string::npos && line[0] != ':')
            lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

}  // namespace

web_browser::web_browser()
{
    static ATOM atom = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = event_proc;
        wc.lpszClassName = event_class;
        return RegisterClassW(&wc);
    }();
    (void)atom;
    m_hEventWnd = CreateWindowExW(0, event_class, u"", WS_POPUP, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
    if (m_hEventWnd)
        SetWindowLongPtrW(m_hEventWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_pBox = std::make_shared<mailbox>(m_hEventWnd, WM_BROWSER_EVENTS);
}

LRESULT CALLBACK web_browser::event_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_BROWSER_EVENTS) {
        auto *self = reinterpret_cast<web_browser *>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self)
            self->on_events();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

STDMETHODIMP web_browser::Navigate(BSTR URL, VARIANT *Flags, VARIANT *TargetFrameName, VARIANT *PostData,
                                   VARIANT *Headers)
{
    if (!URL)
        return E_INVALIDARG;
    navigate_args args;
    args.url.assign(URL, SysStringLen(URL));
    args.flags = long_of(Flags);
    args.target = text_of(TargetFrameName);
    args.post = post_array_of(PostData);
    args.post_given = args.post != nullptr;
    args.headers = text_of(Headers);
    return navigate(args, true);
}

STDMETHODIMP web_browser::Navigate2(VARIANT *URL, VARIANT *Flags, VARIANT *TargetFrameName, VARIANT *PostData,
                                    VARIANT *Headers)
{
    std::u16string url = text_of(URL);
    if (url.empty())
        return E_INVALIDARG;
    BSTR bstr = bstr_from(url);
    if (!bstr)
        return E_OUTOFMEMORY;
    HRESULT hr = Navigate(bstr, Flags, TargetFrameName, PostData, Headers);
    SysFreeString(bstr);
    return hr;
}

// Repeats the last request as it was sent; a browser fires no BeforeNavigate2 for it.
STDMETHODIMP web_browser::Refresh()
{
    if (m_bClosed || m_strLastURL.empty())
        return S_OK;
    stop_navigation();
    m_nNavigation = ++m_nNextId;
    m_bDownloading = false;
    m_bBusy = true;
    m_readyState = READYSTATE_LOADING;
    start_request(m_nNavigation, m_strLastURL, m_bLastPost, m_pLastBody, m_strLastHeaders);
    return S_OK;
}

STDMETHODIMP web_browser::Stop()
{
    bool was_busy = m_bBusy;
    stop_navigation();
    if (was_busy && !m_bClosed) {
        m_readyState = READYSTATE_COMPLETE;
        if (m_bDownloading) {
            m_bDownloading = false;
            fire_simple(DISPID_DOWNLOADCOMPLETE);
        }
    }
    return S_OK;
}

HRESULT web_browser::navigate(const navigate_args &args, bool fire_before)
{
    if (m_bClosed)
        return E_UNEXPECTED;
    AddRef();  // a sink may release the control while it runs
    HRESULT hr = S_OK;
    if (!fire_before || fire_before_navigate(static_cast<IWebBrowser2 *>(this), args)) {
        if (m_bClosed) {
            hr = E_UNEXPECTED;
        } else {
            stop_navigation();
            m_nNavigation = ++m_nNextId;
            m_bDownloading = false;
            m_bBusy = true;
            m_readyState = READYSTATE_LOADING;
            m_strLastURL = args.url;
            m_bLastPost = args.post_given;
            m_pLastBody = std::make_shared<const std::string>(bytes_of(args.post));
            m_strLastHeaders = args.headers;
            start_request(m_nNavigation, m_strLastURL, m_bLastPost, m_pLastBody, m_strLastHeaders);
        }
    }
    Release();
    return hr;
}

// Fires BeforeNavigate2; true when no sink cancelled.
bool web_browser::fire_before_navigate(IDispatch *disp, const navigate_args &args)
{
    variant_owner url, flags, target, post, headers;
    V_VT(&url.v) = VT_BSTR;
    V_BSTR(&url.v) = bstr_from(args.url);
    V_VT(&flags.v) = VT_I4;
    V_I4(&flags.v) = args.flags;
    V_VT(&target.v) = VT_BSTR;
    V_BSTR(&target.v) = bstr_from(args.target);
    if (args.post_given) {
        SAFEARRAY *copy = NULL;
        if (SUCCEEDED(SafeArrayCopy(const_cast<SAFEARRAY *>(args.post), &copy))) {
            V_VT(&post.v) = VT_ARRAY | VT_UI1;
            V_ARRAY(&post.v) = copy;
        }
    }
    V_VT(&headers.v) = VT_BSTR;
    V_BSTR(&headers.v) = bstr_from(args.headers);
    VARIANT_BOOL cancel = VARIANT_FALSE;

    VARIANTARG a[7];
    for (VARIANTARG &v : a)
        VariantInit(&v);
    V_VT(&a[6]) = VT_DISPATCH;
    V_DISPATCH(&a[6]) = disp;
    VARIANT *refs[] = {&url.v, &flags.v, &target.v, &post.v, &headers.v};
    for (int i = 0; i < 5; ++i) {
        V_VT(&a[5 - i]) = VT_VARIANT | VT_BYREF;
        V_VARIANTREF(&a[5 - i]) = refs[i];
    }
    V_VT(&a[0]) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&a[0]) = &cancel;
    fire(DISPID_BEFORENAVIGATE2, a, 7);
    return cancel == VARIANT_FALSE;
}

bool web_browser::start_request(unsigned long long id, const std::u16string &url, bool post,
                                const std::shared_ptr<const std::string> &body, const std::u16string &headers)
{
    auto finish_now = [&](HRESULT error) {
        auto event = std::make_unique<transfer_event>();
        event->kind = transfer_event::done;
        event->navigation = id;
        event->result.error = error;
        event->result.status = error == S_OK ? 200 : 0;
        event->result.content_type = "text/html";
        event->result.final_url = utf8_from_utf16(url.data(), url.size());
        m_pBox->post(std::move(event));
    };
    request req;
    req.address = url;
    req.post = post;
    req.body = body;
    req.headers = header_lines(headers);
    if (has_scheme(url, u"about:")) {
        finish_now(S_OK);  // about:blank and its kin are empty pages, no request
        return true;
    }
    if (has_scheme(url, u"file:")) {
        req.file = true;
        if (!file_path_of(url, req.url)) {
            finish_now(INET_E_RESOURCE_NOT_FOUND);
            return false;
        }
    } else if (has_scheme(url, u"http://") || has_scheme(url, u"https://")) {
        req.url = encode_url(url);
    } else {
        finish_now(INET_E_UNKNOWN_PROTOCOL);
        return false;
    }
    std::unique_ptr<transfer> load = transfer::start(m_pBox, id, std::move(req));
    if (!load) {
        finish_now(INET_E_DOWNLOAD_FAILURE);  // ends like any failed download, on the window's thread
        return false;
    }
    if (id == m_nNavigation)
        m_pLoad = std::move(load);
    else
        for (frame_slot &f : m_frames)
            if (f.id == id)
                f.load = std::move(load);
    return true;
}

// Cancels and joins the requests in flight; their events, queued or not, are never fired.
void web_browser::stop_navigation()
{
    m_pLoad.reset();
    auto frames = std::move(m_frames);
    m_frames.clear();
    for (frame_slot &f : frames) {
        f.load.reset();
        if (f.disp)
            f.disp->Release();
    }
    m_nNavigation = ++m_nNextId;  // whatever is still queued belongs to no navigation now
    m_bBusy = false;
}

void web_browser::on_events()
{
    AddRef();
    for (auto &event : m_pBox->take()) {
        if (m_bClosed)
            break;
        if (event->navigation == m_nNavigation) {
            if (!m_bDownloading) {
                m_bDownloading = true;
                fire_simple(DISPID_DOWNLOADBEGIN);
                if (event->navigation != m_nNavigation)
                    continue;
            }
            if (event->kind == transfer_event::progress) {
                if (event->received > 0) {
                    m_nProgressMax = event->total;
                    fire_progress(event->received, event->total);
                }
            } else {
                m_pLoad.reset();
                on_top_done(event->result);
            }
            continue;
        }
        for (frame_slot &f : m_frames) {
            if (f.id == event->navigation && event->kind == transfer_event::done && !f.done) {
                f.load.reset();
                on_frame_done(f, event->result);
                break;
            }
        }
    }
    Release();
}

html::page web_browser::error_page(const std::u16string &url, HRESULT code)
{
    char number[32];
    if (code >= 400 && code < 1000)
        snprintf(number, sizeof number, "HTTP %d", int(code));
    else
        snprintf(number, sizeof number, "0x%08X", unsigned(code));
    std::u16string text = u"<title>Cannot display the page</title><h1>This page cannot be displayed</h1>"
                          u"<p>The address could not be loaded: " +
                          url + u"</p><p>Error " + utf16_from_utf8(number) + u"</p>";
    return html::parse(text, url);
}

void web_browser::on_top_done(response &r)
{
    unsigned long long id = m_nNavigation;
    std::u16string requested = m_strLastURL;
    LONG code = r.error != S_OK ? LONG(r.error) : (r.status >= 400 ? r.status : 0);
    if (code != 0) {
        bool cancelled = !fire_navigate_error(static_cast<IWebBrowser2 *>(this), requested, u"", code);
        if (m_bClosed || id != m_nNavigation)
            return;
        if (cancelled) {
            m_bBusy = false;
            m_readyState = READYSTATE_COMPLETE;
            m_bDownloading = false;
            fire_simple(DISPID_DOWNLOADCOMPLETE);
            return;
        }
        m_page = error_page(requested, code);
        m_strURL = requested;
    } else {
        m_page = std::move(r.page);
        m_strURL = utf16_from_utf8(r.final_url);
    }
    m_framePages.clear();
    m_strTitle = m_page.title.empty() ? m_strURL : m_page.title;
    m_readyState = READYSTATE_INTERACTIVE;
    if (m_hWnd)
        InvalidateRect(m_hWnd, NULL, TRUE);

    fire_url_event(DISPID_NAVIGATECOMPLETE2, static_cast<IWebBrowser2 *>(this), m_strURL);
    if (m_bClosed || id != m_nNavigation)
        return;
    fire_text(DISPID_TITLECHANGE, m_strTitle);
    if (m_bClosed || id != m_nNavigation)
        return;

    // Frames of the top document only: a frame's own frames are not loaded.
    std::vector<std::u16string> sources = code == 0 ? m_page.frames : std::vector<std::u16string>();
    for (const std::u16string &src : sources) {
        frame_slot f;
        f.id = ++m_nNextId;
        f.url = src;
        f.disp = new frame_object();
        navigate_args args;
        args.url = src;
        f.disp->AddRef();
        frame_object *disp = f.disp;
        m_frames.push_back(std::move(f));
        bool go = fire_before_navigate(disp, args);
        disp->Release();
        if (m_bClosed || id != m_nNavigation)
            return;
        if (!go) {
            m_frames.back().done = true;
            continue;
        }
        start_request(m_frames.back().id, src, false, nullptr, std::u16string());
    }
    bool pending = false;
    for (frame_slot &f : m_frames)
        pending = pending || !f.done;
    if (!pending)
        finish_top();
}

void web_browser::on_frame_done(frame_slot &frame, response &r)
{
    unsigned long long id = m_nNavigation;
    frame.done = true;
    frame_object *disp = frame.disp;
    disp->AddRef();
    std::u16string url = frame.url;
    LONG code = r.error != S_OK ? LONG(r.error) : (r.status >= 400 ? r.status : 0);
    bool show = true;
    if (code != 0)
        show = fire_navigate_error(disp, url, url, code);
    if (!m_bClosed && id == m_nNavigation && show) {
        m_framePages.push_back(code ? error_page(url, code) : std::move(r.page));
        if (m_hWnd)
            InvalidateRect(m_hWnd, NULL, TRUE);
        fire_url_event(DISPID_NAVIGATECOMPLETE2, disp, url);
        if (!m_bClosed && id == m_nNavigation)
            fire_url_event(DISPID_DOCUMENTCOMPLETE, disp, url);
    }
    disp->Release();
    if (m_bClosed || id != m_nNavigation)
        return;
    for (frame_slot &f : m_frames)
        if (!f.done)
            return;
    finish_top();
}

void web_browser::finish_top()
{
    unsigned long long id = m_nNavigation;
    m_readyState = READYSTATE_COMPLETE;
    m_bBusy = false;
    fire_url_event(DISPID_DOCUMENTCOMPLETE, static_cast<IWebBrowser2 *>(this), m_strURL);
    if (m_bClosed || id != m_nNavigation)
        return;
    if (m_bDownloading) {
        m_bDownloading = false;
        fire_simple(DISPID_DOWNLOADCOMPLETE);
    }
    if (m_bClosed || id != m_nNavigation)
        return;
    fire_progress(-1, m_nProgressMax);
}

// Calls every sink's Invoke. Events are delivered only on the object's thread, never after Close.
void web_browser::fire(DISPID id, VARIANTARG *args, UINT count)
{
    if (m_bClosed)
        return;
    AddRef();
    DISPPARAMS params = {args, NULL, count, 0};
    for (IDispatch *sink : m_events.snapshot()) {
        if (!m_bClosed)
            sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, NULL, NULL, NULL);
        sink->Release();
    }
    Release();
}

void web_browser::fire_url_event(DISPID id, IDispatch *disp, const std::u16string &url)
{
    variant_owner u;
    V_VT(&u.v) = VT_BSTR;
    V_BSTR(&u.v) = bstr_from(url);
    VARIANTARG a[2];
    VariantInit(&a[0]);
    VariantInit(&a[1]);
    V_VT(&a[1]) = VT_DISPATCH;
    V_DISPATCH(&a[1]) = disp;
    V_VT(&a[0]) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&a[0]) = &u.v;
    fire(id, a, 2);
}

// Fires NavigateError; true when no sink cancelled (the error page is to be shown).
bool web_browser::fire_navigate_error(IDispatch *disp, const std::u16string &url, const std::u16string &frame,
                                      LONG code)
{
    variant_owner u, f, status;
    V_VT(&u.v) = VT_BSTR;
    V_BSTR(&u.v) = bstr_from(url);
    V_VT(&f.v) = VT_BSTR;
    V_BSTR(&f.v) = bstr_from(frame);
    V_VT(&status.v) = VT_I4;
    V_I4(&status.v) = code;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANTARG a[5];
    for (VARIANTARG &v : a)
        VariantInit(&v);
    V_VT(&a[4]) = VT_DISPATCH;
    V_DISPATCH(&a[4]) = disp;
    VARIANT *refs[] = {&u.v, &f.v, &status.v};
    for (int i = 0; i < 3; ++i) {
        V_VT(&a[3 - i]) = VT_VARIANT | VT_BYREF;
        V_VARIANTREF(&a[3 - i]) = refs[i];
    }
    V_VT(&a[0]) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&a[0]) = &cancel;
    fire(DISPID_NAVIGATEERROR, a, 5);
    return cancel == VARIANT_FALSE;
}

void web_browser::fire_progress(LONG progress, LONG maximum)
{
    VARIANTARG a[2];
    VariantInit(&a[0]);
    VariantInit(&a[1]);
    V_VT(&a[1]) = VT_I4;
    V_I4(&a[1]) = progress;
    V_VT(&a[0]) = VT_I4;
    V_I4(&a[0]) = maximum;
    fire(DISPID_PROGRESSCHANGE, a, 2);
}

void web_browser::fire_simple(DISPID id) { fire(id, NULL, 0); }

void web_browser::fire_text(DISPID id, const std::u16string &text)
{
    variant_owner t;
    V_VT(&t.v) = VT_BSTR;
    V_BSTR(&t.v) = bstr_from(text);
    fire(id, &t.v, 1);
}

}  // namespace browser
}  // namespace win32
