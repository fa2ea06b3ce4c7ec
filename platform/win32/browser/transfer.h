// The web-browser control's requests: they run on the browser object's one worker thread (libcurl
// for http and https, the file system for file:) and report to the window's thread through a mailbox.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "browser/html.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace win32 {
namespace browser {

// A POST body in the SAFEARRAY the control copied it into, locked so its bytes stay where libcurl
// reads them and no one can destroy the array meanwhile.
class post_data
{
public:
    explicit post_data(SAFEARRAY *psa);  // takes the array over
    ~post_data();
    post_data(const post_data &) = delete;
    post_data &operator=(const post_data &) = delete;

    const char *data() const { return m_pData; }
    size_t size() const { return m_nSize; }
    SAFEARRAY *array() const { return m_pArray; }

private:
    SAFEARRAY *m_pArray;
    const char *m_pData = "";
    size_t m_nSize = 0;
};

struct request {
    std::u16string address;  // as navigated
    std::string url;         // http(s): an encoded URL; file: the Linux path
    bool file = false;
    bool post = false;
    std::shared_ptr<const post_data> body;    // shared with the control, which keeps it for Refresh
    std::vector<std::string> headers;         // "Name: value", one a line
};

// How long a request may wait: for its connection, for any byte once connected, and in all,
// redirects included, so a server that trickles bytes without end cannot keep it going. A browser
// user's patience by default; KEYHOLM_BROWSER_CONNECT_TIMEOUT_MS, KEYHOLM_BROWSER_IDLE_TIMEOUT_MS
// and KEYHOLM_BROWSER_TOTAL_TIMEOUT_MS (milliseconds) set them, read on the window's thread when
// each request is queued.
struct time_limits {
    long connect_ms = 15000;
    long idle_ms = 30000;
    long total_ms = 60000;
    static time_limits from_environment();
};

struct response {
    HRESULT error = S_OK;  // an INET_E_ code when no response arrived
    LONG status = 0;       // the final HTTP status; 200 for a file that was read
    html::page page;       // what the body shows, built as it arrived
    std::string content_type;
    std::string final_url;  // after redirects
};

// What a worker tells the window's thread.
struct transfer_event {
    enum kind_t { progress, done } kind = progress;
    unsigned long long navigation = 0;
    LONG received = 0;
    LONG total = 0;
    response result;
};

// Events on their way from workers to the window. The control owns it; workers share it so a
// late worker never writes into a freed control, and what the window never takes dies with it.
class mailbox
{
public:
    mailbox(HWND hwnd, UINT message) : m_hWnd(hwnd), m_nMessage(message) {}

    // Queues the event and wakes the window; progress replaces a progress still waiting.
    void post(std::unique_ptr<transfer_event> event);
    std::deque<std::unique_ptr<transfer_event>> take();

private:
    std::mutex m_lock;
    std::deque<std::unique_ptr<transfer_event>> m_events;
    HWND m_hWnd;
    UINT m_nMessage;
};

// The browser object's worker: one thread, started by the first request that needs it and reused
// after that. It runs the requests one at a time in the order given, and keeps libcurl's handles
// between them, so a connection HTTP lets stay open is used again. Destroying the worker drops what
// is queued, stops what runs and joins the thread.
class worker
{
public:
    explicit worker(std::shared_ptr<mailbox> box);
    ~worker();
    worker(const worker &) = delete;
    worker &operator=(const worker &) = delete;

    // Queues the request; false when the thread is not running and cannot be started (the system
    // is out of threads or memory), so the caller ends the navigation as a failed download.
    bool start(unsigned long long navigation, request req);

    // Drops the queued requests and stops the running one at once. None of them posts anything
    // after this returns: every post checks, under the lock this takes, that its request is current.
    void cancel_all();

    // What a request in flight asks of its worker (the libcurl callbacks included).
    struct job {
        unsigned long long navigation = 0;
        unsigned long long generation = 0;  // cancel_all's count when it was queued
        request req;
        time_limits limits;
    };
    bool cancelled(const job &j) const { return j.generation != m_nGeneration.load(); }
    void post(const job &j, std::unique_ptr<transfer_event> event);

private:
    void run();
    void run_file(const job &j);
    struct curl_session;  // libcurl's handles, kept from one request to the next
    void run_http(const job &j, curl_session &session);
    void drain_wake();

    std::shared_ptr<mailbox> m_pBox;
    std::mutex m_lock;  // guards the queue, the stop flag and each post against cancel_all
    std::condition_variable m_ready;
    std::deque<job> m_jobs;
    std::atomic<unsigned long long> m_nGeneration{0};
    bool m_bStopping = false;
    int m_wakeFd = -1;  // readable when the running request is to stop
    std::thread m_thread;
};

}  // namespace browser
}  // namespace win32
