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

// The text a VARIANT argument holds, by value or by reference; empty when it holds none.
std::u16string text_of(const VARIANT *v)
{
    unique_variant value;
    if (!v || FAILED(VariantCopyInd(value.get(), v)) || FAILED(VariantChangeType(value.get(), value.get(), 0, VT_BSTR)))
        return std::u16string();
    BSTR text = V_BSTR(value.get());
    return text ? std::u16string(text, SysStringLen(text)) : std::u16string();
}

LONG long_of(const VARIANT *v)
{
    unique_variant value;
    if (!v || FAILED(VariantCopyInd(value.get(), v)) || FAILED(VariantChangeType(value.get(), value.get(), 0, VT_I4)))
        return 0;
    return V_I4(value.get());
}

// The bytes a PostData argument carries (VT_ARRAY|VT_UI1, by value or by reference), copied once
// into an array of the control's own; null when it carries none.
std::shared_ptr<const post_data> post_of(const VARIANT *v)
{
    unique_variant value;
    if (!v || FAILED(VariantCopyInd(value.get(), v)) || V_VT(value.get()) != (VT_ARRAY | VT_UI1))
        return nullptr;
    VARIANT owned = value.release();
    return std::make_shared<const post_data>(V_ARRAY(&owned));
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
    m_pWorker = std::make_unique<worker>(m_pBox);
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
    args.post = post_of(PostData);
    args.headers = text_of(Headers);
    return navigate(args, true);
}

STDMETHODIMP web_browser::Navigate2(VARIANT *URL, VARIANT *Flags, VARIANT *TargetFrameName, VARIANT *PostData,
                                    VARIANT *Headers)
{
    std::u16string url = text_of(URL);
    if (url.empty())
        return E_INVALIDARG;
    unique_bstr bstr(bstr_from(url));
    if (!bstr)
        return E_OUTOFMEMORY;
    return Navigate(bstr.get(), Flags, TargetFrameName, PostData, Headers);
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
    shared_com<web_browser> self = keep_alive();
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
            m_bLastPost = args.post != nullptr;
            m_pLastBody = args.post;
            m_strLastHeaders = args.headers;
            start_request(m_nNavigation, m_strLastURL, m_bLastPost, m_pLastBody, m_strLastHeaders);
        }
    }
    return hr;
}

// Cancels the requests queued or in flight; their events, queued or not, are never fired.
void web_browser::stop_navigation()
{
    if (m_pWorker)
        m_pWorker->cancel_all();
    release_all(m_frames);
    m_nNavigation = ++m_nNextId;  // whatever is still queued belongs to no navigation now
    m_bBusy = false;
}

void web_browser::on_events()
{
    shared_com<web_browser> self = keep_alive();
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
                on_top_done(event->result);
            }
            continue;
        }
        for (frame_slot &f : m_frames) {
            if (f.id == event->navigation && event->kind == transfer_event::done && !f.done) {
                on_frame_done(f, event->result);
                break;
            }
        }
    }
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
        f.disp.attach(new frame_object());  // the reference the slot keeps
        navigate_args args;
        args.url = src;
        shared_com<frame_object> disp = f.disp;  // outlives the slot if a sink stops the navigation
        m_frames.push_back(std::move(f));
        bool go = fire_before_navigate(disp.get(), args);
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
    shared_com<frame_object> disp = frame.disp;  // outlives the slot if a sink stops the navigation
    std::u16string url = frame.url;
    LONG code = r.error != S_OK ? LONG(r.error) : (r.status >= 400 ? r.status : 0);
    bool show = true;
    if (code != 0)
        show = fire_navigate_error(disp.get(), url, url, code);
    if (!m_bClosed && id == m_nNavigation && show) {
        m_framePages.push_back(code ? error_page(url, code) : std::move(r.page));
        if (m_hWnd)
            InvalidateRect(m_hWnd, NULL, TRUE);
        fire_url_event(DISPID_NAVIGATECOMPLETE2, disp.get(), url);
        if (!m_bClosed && id == m_nNavigation)
            fire_url_event(DISPID_DOCUMENTCOMPLETE, disp.get(), url);
    }
    disp.reset();
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

}  // namespace browser
}  // namespace win32
