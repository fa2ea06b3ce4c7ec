// The web-browser control's requests: each runs on its own worker thread (libcurl for http and
// https, the file system for file:) and reports to the window's thread through a mailbox.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "browser/html.h"

#include <atomic>
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
// and KEYHOLM_BROWSER_TOTAL_TIMEOUT_MS (milliseconds) set them, read at the start of each request.
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

// One request in flight. Destroying it cancels the request and joins its thread.
class transfer
{
public:
    // Starts the request on its own thread; null when no thread can be had (the system is out of
    // threads or memory), so the caller ends the navigation as a failed download.
    static std::unique_ptr<transfer> start(std::shared_ptr<mailbox> box, unsigned long long navigation,
                                           request req);
    ~transfer();
    transfer(const transfer &) = delete;
    transfer &operator=(const transfer &) = delete;

    unsigned long long navigation() const { return m_nNavigation; }

    // Asks the worker to stop at once; it posts nothing afterwards.
    void cancel();

private:
    transfer(std::shared_ptr<mailbox> box, unsigned long long navigation, request req);
    void run();
    void run_http();
    void run_file();

    std::shared_ptr<mailbox> m_pBox;
    unsigned long long m_nNavigation;
    request m_request;
    time_limits m_limits;
    std::atomic<bool> m_bCancelled{false};
    int m_wakeFd = -1;
    std::thread m_thread;
};

}  // namespace browser
}  // namespace win32
