// The web-browser control's worker thread: libcurl transfers and file reads, one at a time,
// cancellable at once.
#include "browser/transfer.h"
#include "browser/html.h"
#include "internal/owners.h"
#include "internal/path.h"

#include <exdisp.h>

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <strings.h>
#include <cstdlib>
#include <cstring>

namespace win32 {
namespace browser {

using unique_curl = unique_handle<CURL *, curl_easy_cleanup>;
using unique_curlm = unique_handle<CURLM *, curl_multi_cleanup>;
using unique_curl_slist = unique_handle<curl_slist *, curl_slist_free_all>;

// The worker's easy handle and the multi handle whose connection cache it shares. The easy handle
// leaves the multi handle and ends first.
struct worker::curl_session {
    unique_curlm multi;
    unique_curl easy;
    ~curl_session()
    {
        if (easy && multi)
            curl_multi_remove_handle(multi.get(), easy.get());
    }
};

post_data::post_data(SAFEARRAY *psa) : m_pArray(psa)
{
    LONG lo = 0, hi = -1;
    void *bytes = NULL;
    if (psa && SafeArrayGetDim(psa) == 1 && SUCCEEDED(SafeArrayGetLBound(psa, 1, &lo)) &&
        SUCCEEDED(SafeArrayGetUBound(psa, 1, &hi)) && hi >= lo && SUCCEEDED(SafeArrayAccessData(psa, &bytes))) {
        m_pData = static_cast<const char *>(bytes);
        m_nSize = size_t(hi - lo + 1) * SafeArrayGetElemsize(psa);
    }
}

post_data::~post_data()
{
    if (m_nSize)
        SafeArrayUnaccessData(m_pArray);
    if (m_pArray)
        SafeArrayDestroy(m_pArray);
}

void mailbox::post(std::unique_ptr<transfer_event> event)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (event->kind == transfer_event::progress && !m_events.empty()) {
            transfer_event &last = *m_events.back();
            if (last.kind == transfer_event::progress && last.navigation == event->navigation) {
                last.received = event->received;
                last.total = event->total;
                return;  // the wake-up for it is already on its way
            }
        }
        m_events.push_back(std::move(event));
    }
    // A window that is gone takes nothing; the event is freed with the mailbox.
    PostMessageW(m_hWnd, m_nMessage, 0, 0);
}

std::deque<std::unique_ptr<transfer_event>> mailbox::take()
{
    std::lock_guard<std::mutex> guard(m_lock);
    std::deque<std::unique_ptr<transfer_event>> events;
    events.swap(m_events);
    return events;
}

namespace {

void global_init()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Adds a line to a header list; when memory runs out the list stays as it was, as libcurl leaves it.
void append(unique_curl_slist &list, const char *line)
{
    if (curl_slist *head = curl_slist_append(list.get(), line)) {
        list.release();  // the same list, grown, or a new one when it was empty
        list.reset(head);
    }
}

HRESULT inet_error(CURLcode code)
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return INET_E_RESOURCE_NOT_FOUND;
    case CURLE_COULDNT_CONNECT:
        return INET_E_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
        return INET_E_CONNECTION_TIMEOUT;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return INET_E_UNKNOWN_PROTOCOL;
    case CURLE_URL_MALFORMAT:
        return INET_E_INVALID_URL;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return INET_E_SECURITY_PROBLEM;
    default:
        return INET_E_DOWNLOAD_FAILURE;
    }
}

// The state the libcurl callbacks share with the worker.
struct http_state {
    worker *owner;
    const worker::job *job;
    CURL *easy;
    std::unique_ptr<html::page_builder> builder;  // from the first byte of the answer shown
    size_t received = 0;
    bool truncated = false;
    int discard = -1;  // per answer: 1 for the body of a redirect that is followed, -1 not known yet
    std::chrono::steady_clock::time_point last_byte;
    curl_off_t seen_down = 0, seen_up = 0;
};

bool is_redirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

size_t on_header(char *, size_t size, size_t count, void *user)
{
    static_cast<http_state *>(user)->last_byte = std::chrono::steady_clock::now();
    return size * count;
}

size_t on_write(char *data, size_t size, size_t count, void *user)
{
    http_state &s = *static_cast<http_state *>(user);
    size_t bytes = size * count;
    if (s.owner->cancelled(*s.job))
        return 0;
    s.last_byte = std::chrono::steady_clock::now();
    if (s.discard < 0) {
        long status = 0;
        char *location = NULL;
        curl_easy_getinfo(s.easy, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(s.easy, CURLINFO_REDIRECT_URL, &location);
        s.discard = is_redirect(status) && location ? 1 : 0;
    }
    if (s.discard)
        return bytes;
    if (!s.builder) {
        char *type = NULL, *url = NULL;
        curl_easy_getinfo(s.easy, CURLINFO_CONTENT_TYPE, &type);
        curl_easy_getinfo(s.easy, CURLINFO_EFFECTIVE_URL, &url);
        s.builder.reset(new html::page_builder(type ? type : "", utf16_from_utf8(url ? url : "")));
    }
    size_t room = html::max_document_bytes - s.received;
    if (bytes > room) {
        s.builder->feed(data, room);
        s.received += room;
        s.truncated = true;
        return 0;  // the page shows what fits; the rest is not read
    }
    s.builder->feed(data, bytes);
    s.received += bytes;

    curl_off_t total = -1;
    curl_easy_getinfo(s.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &total);
    auto event = std::make_unique<transfer_event>();
    event->navigation = s.job->navigation;
    event->received = LONG(s.received);
    // An unknown length still reports a maximum above the progress, never the (0, 0) of the end.
    event->total = total > 0 ? LONG(std::min<curl_off_t>(total, 0x7FFFFFFF)) : LONG(s.received) + 1;
    s.owner->post(*s.job, std::move(event));
    return bytes;
}

int on_progress(void *user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow)
{
    http_state &s = *static_cast<http_state *>(user);
    if (dlnow != s.seen_down || ulnow != s.seen_up) {  // a body going out counts as activity too
        s.seen_down = dlnow;
        s.seen_up = ulnow;
        s.last_byte = std::chrono::steady_clock::now();
    }
    return s.owner->cancelled(*s.job) ? 1 : 0;
}

// Headers that describe a body; a request that loses its body on a redirect loses them too.
bool is_body_header(const std::string &line)
{
    static const char *const names[] = {"content-type:", "content-length:", "content-encoding:",
                                        "content-language:", "content-location:"};
    for (const char *name : names)
        if (strncasecmp(line.c_str(), name, strlen(name)) == 0)
            return true;
    return false;
}

long limit_from(const char *name, long fallback)
{
    const char *value = getenv(name);
    if (!value || !*value)
        return fallback;
    char *end = NULL;
    long ms = strtol(value, &end, 10);
    // At most 24 days, so a deadline in nanoseconds never overflows.
    return *end == '\0' && ms > 0 && ms <= 0x7FFFFFFF ? ms : fallback;
}

// Loopback never goes through a proxy, whatever the environment says about others.
std::string no_proxy_list()
{
    std::string list = "localhost,127.0.0.1,::1";
    for (const char *name : {"no_proxy", "NO_PROXY"}) {
        const char *value = getenv(name);
        if (value && *value) {
            list += ",";
            list += value;
            break;
        }
    }
    return list;
}

}  // namespace

time_limits time_limits::from_environment()
{
    time_limits limits;
    limits.connect_ms = limit_from("KEYHOLM_BROWSER_CONNECT_TIMEOUT_MS", limits.connect_ms);
    limits.idle_ms = limit_from("KEYHOLM_BROWSER_IDLE_TIMEOUT_MS", limits.idle_ms);
    limits.total_ms = limit_from("KEYHOLM_BROWSER_TOTAL_TIMEOUT_MS", limits.total_ms);
    return limits;
}

worker::worker(std::shared_ptr<mailbox> box) : m_pBox(std::move(box))
{
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

worker::~worker()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bStopping = true;
        ++m_nGeneration;
        m_jobs.clear();
    }
    m_ready.notify_one();
    if (m_wakeFd >= 0) {
        uint64_t one = 1;
        ssize_t written = write(m_wakeFd, &one, sizeof one);
        (void)written;
    }
    // Bounded: the request in flight sees the cancellation at its next callback or poll (1 s at most).
    if (m_thread.joinable())
        m_thread.join();
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

bool worker::start(unsigned long long navigation, request req)
{
    try {
        job j;
        j.navigation = navigation;
        j.req = std::move(req);
        j.limits = time_limits::from_environment();
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
        {
            std::lock_guard<std::mutex> guard(m_lock);
            j.generation = m_nGeneration.load();
            m_jobs.push_back(std::move(j));
        }
        m_ready.notify_one();
        return true;
    } catch (const std::exception &) {  // std::system_error without a thread, std::bad_alloc
        return false;
    }
}

void worker::cancel_all()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_nGeneration;
        m_jobs.clear();
    }
    if (m_wakeFd >= 0) {
        uint64_t one = 1;
        ssize_t written = write(m_wakeFd, &one, sizeof one);
        (void)written;
    }
}

void worker::post(const job &j, std::unique_ptr<transfer_event> event)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!cancelled(j))
        m_pBox->post(std::move(event));
}

void worker::drain_wake()
{
    uint64_t count;
    if (m_wakeFd >= 0)
        while (read(m_wakeFd, &count, sizeof count) > 0) {
        }
}

void worker::run()
{
    curl_session session;  // created by the first http request, kept for the next ones
    for (;;) {
        job j;
        {
            std::unique_lock<std::mutex> guard(m_lock);
            // Ends when the worker is destroyed, which sets the flag before it joins.
            m_ready.wait(guard, [this] { return m_bStopping || !m_jobs.empty(); });
            if (m_bStopping)
                break;
            j = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        drain_wake();  // a cancellation before this request was picked is not its own
        if (cancelled(j))
            continue;
        if (j.req.file)
            run_file(j);
        else
            run_http(j, session);
    }
}

void worker::run_file(const job &j)
{
    const request &req = j.req;
    auto event = std::make_unique<transfer_event>();
    event->kind = transfer_event::done;
    event->navigation = j.navigation;
    response &r = event->result;
    r.final_url = utf8_from_utf16(req.address.data(), req.address.size());
    FILE *f = fopen(req.url.c_str(), "rb");
    if (!f) {
        r.error = INET_E_RESOURCE_NOT_FOUND;
    } else {
        size_t dot = req.url.rfind('.');
        std::string ext = dot == std::string::npos ? std::string() : req.url.substr(dot);
        for (char &c : ext)
            c = char(tolower((unsigned char)c));
        r.content_type = ext == ".txt" ? "text/plain" : "text/html";
        html::page_builder builder(r.content_type, req.address);
        char buffer[65536];
        size_t got, read = 0;
        while (!cancelled(j) && read < html::max_document_bytes && (got = fread(buffer, 1, sizeof buffer, f)) > 0) {
            builder.feed(buffer, got);
            read += got;
        }
        if (ferror(f))
            r.error = INET_E_DOWNLOAD_FAILURE;
        fclose(f);
        r.status = 200;
        r.page = builder.finish();
    }
    post(j, std::move(event));
}

void worker::run_http(const job &j, curl_session &session)
{
    global_init();
    const request &req = j.req;
    const time_limits &limits = j.limits;
    auto event = std::make_unique<transfer_event>();
    event->kind = transfer_event::done;
    event->navigation = j.navigation;
    response &r = event->result;

    if (!session.easy)
        session.easy.reset(curl_easy_init());
    if (!session.multi)
        session.multi.reset(curl_multi_init());
    CURL *easy = session.easy.get();
    CURLM *multi = session.multi.get();
    if (!easy || !multi) {
        r.error = INET_E_DOWNLOAD_FAILURE;
        post(j, std::move(event));
        return;
    }
    // The multi handle keeps the connections of earlier requests; the easy handle starts afresh.
    curl_easy_reset(easy);

    http_state state;
    state.owner = this;
    state.job = &j;
    state.easy = easy;
    state.last_byte = std::chrono::steady_clock::now();
    const auto deadline = state.last_byte + std::chrono::milliseconds(limits.total_ms);
    std::string no_proxy = no_proxy_list();
    std::string url = req.url;
    bool post_body = req.post;
    const char *body = req.body ? req.body->data() : "";
    size_t body_size = req.body ? req.body->size() : 0;

    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, limits.connect_ms);
    curl_easy_setopt(easy, CURLOPT_NOPROXY, no_proxy.c_str());
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Mozilla/5.0 (compatible)");
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, on_header);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &state);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, on_write);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, on_progress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &state);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);

    // Redirects are followed here rather than by libcurl, which would keep the body's headers on
    // a POST turned into a GET. As browsers do: 303, and 301/302 after a POST, go on as a GET
    // without body or body headers; 307 and 308 repeat the request as it was.
    CURLcode result = CURLE_OK;
    unique_curl_slist headers;
    bool timed_out = false;
    for (int hop = 0;; ++hop) {
        headers.reset();
        append(headers, "Expect:");
        for (const std::string &h : req.headers)
            if (post_body || hop == 0 || !is_body_header(h))
                append(headers, h.c_str());
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
        if (post_body) {
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body_size));
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body);
        } else {
            curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        }
        state.discard = -1;
        state.builder.reset();

        curl_multi_add_handle(multi, easy);
        result = CURLE_OK;
        for (int running = 1; running && !cancelled(j);) {
            if (curl_multi_perform(multi, &running) != CURLM_OK || !running)
                break;
            using std::chrono::milliseconds;
            auto now = std::chrono::steady_clock::now();
            auto idle = std::chrono::duration_cast<milliseconds>(now - state.last_byte);
            auto total = std::chrono::duration_cast<milliseconds>(deadline - now);
            long left = std::min(limits.idle_ms - long(idle.count()), long(total.count()));
            if (left <= 0) {
                timed_out = true;  // nothing has moved for too long, or the whole request took too long
                break;
            }
            curl_waitfd wake = {m_wakeFd, CURL_WAIT_POLLIN, 0};
            curl_multi_poll(multi, &wake, m_wakeFd >= 0 ? 1 : 0, int(std::min(left, 1000L)), NULL);
            if (wake.revents && !cancelled(j))
                drain_wake();  // a late wake-up meant for a request already stopped
        }
        int queued;
        while (CURLMsg *msg = curl_multi_info_read(multi, &queued))
            if (msg->msg == CURLMSG_DONE)
                result = msg->data.result;
        curl_multi_remove_handle(multi, easy);
        if (cancelled(j) || timed_out || result != CURLE_OK)
            break;

        long status = 0;
        char *location = NULL;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &location);
        if (!is_redirect(status) || !location)
            break;
        if (hop == 20) {
            result = CURLE_TOO_MANY_REDIRECTS;
            break;
        }
        if (strncasecmp(location, "http://", 7) != 0 && strncasecmp(location, "https://", 8) != 0) {
            result = CURLE_UNSUPPORTED_PROTOCOL;
            break;
        }
        url = location;
        if (status == 303 || ((status == 301 || status == 302) && post_body))
            post_body = false;
    }

    if (!cancelled(j)) {
        long status = 0;
        char *type = NULL;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type);
        r.status = LONG(status);
        r.final_url = url;
        r.content_type = type ? type : "";
        if (timed_out)
            r.error = INET_E_CONNECTION_TIMEOUT;
        else if (result != CURLE_OK && !(result == CURLE_WRITE_ERROR && state.truncated))
            r.error = inet_error(result);
        if (!state.builder)  // an answer without a body
            state.builder.reset(new html::page_builder(r.content_type, utf16_from_utf8(r.final_url)));
        r.page = state.builder->finish();
    }
    // The easy handle keeps no pointer into this request past here.
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, NULL);
    headers.reset();
    post(j, std::move(event));
}

}  // namespace browser
}  // namespace win32
