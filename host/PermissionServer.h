// The host's built-in permission page: a loopback HTTP server that answers every request with a
// page listing the signed-in user's permissions, or relays every request to another server, and
// keeps what it received and what it answered.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
}

// One request as it arrived: the bytes on the wire, undecoded.
struct ReceivedRequest
{
    std::string method;
    std::string target;        // path and query
    std::string contentType;
    std::string body;
    int status = 0;            // what the browser was answered; 0 while the answer is pending
    std::string location;      // the Location the browser was given with a redirect
    std::string failure;       // why the server relayed to gave no whole answer, when it did not
};

class CServerThread;

class CPermissionServer
{
public:
    CPermissionServer();
    ~CPermissionServer();
    CPermissionServer(const CPermissionServer&) = delete;
    CPermissionServer& operator=(const CPermissionServer&) = delete;

    // Listens on 127.0.0.1 at a free port and returns once it answers; false when no socket could
    // be had. With an upstream ("http://host[:port]" or "https://..."), every request goes on to
    // that server unchanged and its whole answer comes back (within the relay's deadline and size
    // cap, or a 502/504 saying why not), so the host sees what the server said. A redirect to the
    // upstream comes back as one to this server, so the browser follows it through here.
    bool Start(const std::string& strUpstream = std::string());
    // Ends the accept loop, after the answers under way (a relay is given up at once).
    void Stop();
    // "http://127.0.0.1:<port>", the server's own address.
    std::string Address() const;
    // Address() + "/sso", the sign-on address of the built-in page.
    std::string SignOnAddress() const;

    // While holding, each answer waits until ReleaseHeld (or a minute passes), so a host can watch
    // its loading animation.
    void SetHolding(bool bHolding);
    void ReleaseHeld();

    size_t RequestCount() const;
    std::vector<ReceivedRequest> Requests() const;

    // The page for a form body or query: "iusername" and "language_id" (2052: Chinese), text in the
    // ANSI code page as the plug-in posts it.
    static std::string RenderPage(const std::string& form);

private:
    void Answer(size_t nIndex, int nStatus, const std::string& strLocation, const std::string& strFailure);
    void Relay(const httplib::Request& req, httplib::Response& res, size_t nIndex);

    std::unique_ptr<httplib::Server> m_server;
    std::unique_ptr<CServerThread> m_thread;
    std::string m_strUpstream;
    int m_nPort = 0;
    std::atomic<bool> m_bStopping{false};
    mutable std::mutex m_lock;
    std::condition_variable m_released;
    bool m_bHolding = false;
    std::vector<ReceivedRequest> m_requests;
};
