// Worker threads of the web-browser control: libcurl transfers and file reads, cancellable at once.
#include "browser/transfer.h"
#include "browser/html.h"

#include <exdisp.h>

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace win32 {
namespace browser {

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
    transfer *owner;
    std::atomic<bool> *cancelled;
    mailbox *box;
    unsigned long long navigation;
    CURL *easy;
    std::string body;
    bool truncated = false;
};

size_t on_write(char *data, size_t size, size_t count, void *user)
{
    http_state &s = *static_cast<http_state *>(user);
    size_t bytes = size * count;
    if (s.cancelled->load())
        return 0;
    size_t room = html::max_document_bytes - s.body.size();
    if (bytes > room) {
        s.body.append(data, room);
        s.truncated = true;
        return 0;  // the page shows what fits; the rest is not read
    }
    s.body.append(data, bytes);

    curl_off_t total = -1;
    curl_easy_getinfo(s.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &total);
    auto event = std::make_unique<transfer_event>();
    event->navigation = s.navigation;
    event->received = LONG(s.body.size());
    // An unknown length still reports a maximum above the progress, never the (0, 0) of the end.
    event->total = total > 0 ? LONG(std::min<curl_off_t>(total, 0x7FFFFFFF)) : LONG(s.body.size()) + 1;
    s.box->post(std::move(event));
    return bytes;
}

int on_progress(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<http_state *>(user)->cancelled->load() ? 1 : 0;
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

transfer::transfer(std::shared_ptr<mailbox> box, unsigned long long navigation, request req)
    : m_pBox(std::move(box)), m_nNavigation(navigation), m_request(std::move(req))
{
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_thread = std::thread([this] { run(); });
}

transfer::~transfer()
{
    cancel();
    if (m_thread.joinable())
        m_thread.join();
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

void transfer::cancel()
{
    m_bCancelled = true;
    if (m_wakeFd >= 0) {
        uint64_t one = 1;
        ssize_t written = write(m_wakeFd, &one, sizeof one);
        (void)written;
    }
}

void transfer::run()
{
    if (m_request.file)
        run_file();
    else
        run_http();
}

void transfer::run_file()
{
    auto event = std::make_unique<transfer_event>();
    event->kind = transfer_event::done;
    event->navigation = m_nNavigation;
    response &r = event->result;
    r.final_url = m_request.url;
    FILE *f = fopen(m_request.url.c_str(), "rb");
    if (!f) {
        r.error = INET_E_RESOURCE_NOT_FOUND;
    } else {
        char buffer[65536];
        size_t got;
        while (!m_bCancelled && r.body.size() < html::max_document_bytes &&
               (got = fread(buffer, 1, sizeof buffer, f)) > 0)
            r.body.append(buffer, std::min(got, html::max_document_bytes - r.body.size()));
        if (ferror(f))
            r.error = INET_E_DOWNLOAD_FAILURE;
        fclose(f);
        r.status = 200;
        size_t dot = m_request.url.rfind('.');
        std::string ext = dot == std::string::npos ? std::string() : m_request.url.substr(dot);
        for (char &c : ext)
            c = char(tolower((unsigned char)c));
        r.content_type = ext == ".txt" ? "text/plain" : "text/html";
    }
    if (!m_bCancelled)
        m_pBox->post(std::move(event));
}

void transfer::run_http()
{
    global_init();
    auto event = std::make_unique<transfer_event>();
    event->kind = transfer_event::done;
    event->navigation = m_nNavigation;
    response &r = event->result;

    CURL *easy = curl_easy_init();
    CURLM *multi = curl_multi_init();
    if (!easy || !multi) {
        if (easy)
            curl_easy_cleanup(easy);
        if (multi)
            curl_multi_cleanup(multi);
        r.error = INET_E_DOWNLOAD_FAILURE;
        if (!m_bCancelled)
            m_pBox->post(std::move(event));
        return;
    }

    http_state state{this, &m_bCancelled, m_pBox.get(), m_nNavigation, easy, {}, false};
    std::string no_proxy = no_proxy_list();
    curl_slist *headers = curl_slist_append(NULL, "Expect:");
    for (const std::string &h : m_request.headers)
        headers = curl_slist_append(headers, h.c_str());

    curl_easy_setopt(easy, CURLOPT_URL, m_request.url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(easy, CURLOPT_NOPROXY, no_proxy.c_str());
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Mozilla/5.0 (compatible)");
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, on_write);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, on_progress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &state);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    if (m_request.post) {
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(m_request.body.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, m_request.body.data());
    }

    curl_multi_add_handle(multi, easy);
    CURLcode result = CURLE_OK;
    for (int running = 1; running && !m_bCancelled;) {
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            break;
        if (!running)
            break;
        curl_waitfd wake = {m_wakeFd, CURL_WAIT_POLLIN, 0};
        curl_multi_poll(multi, &wake, m_wakeFd >= 0 ? 1 : 0, 1000, NULL);
    }
    int queued;
    while (CURLMsg *msg = curl_multi_info_read(multi, &queued))
        if (msg->msg == CURLMSG_DONE)
            result = msg->data.result;

    if (!m_bCancelled) {
        long status = 0;
        char *url = NULL, *type = NULL;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &url);
        curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type);
        r.status = LONG(status);
        r.final_url = url ? url : m_request.url;
        r.content_type = type ? type : "";
        if (result != CURLE_OK && !(result == CURLE_WRITE_ERROR && state.truncated))
            r.error = inet_error(result);
        r.body.swap(state.body);
    }

    curl_multi_remove_handle(multi, easy);
    curl_easy_cleanup(easy);
    curl_multi_cleanup(multi);
    curl_slist_free_all(headers);
    if (!m_bCancelled)
        m_pBox->post(std::move(event));
}

}  // namespace browser
}  // namespace win32
