// The accept loop of a cpp-httplib server on 127.0.0.1, run on a thread of its own. The host's
// permission page, the tests' loopback servers and the benchmarks' server all start and stop their
// servers through it.
#pragma once

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

class CServerThread
{
public:
    explicit CServerThread(httplib::Server& server) : m_server(server) {}
    ~CServerThread() { Stop(); }
    CServerThread(const CServerThread&) = delete;
    CServerThread& operator=(const CServerThread&) = delete;

    // Binds a free port on 127.0.0.1 and returns it once the accept loop runs; 0 when no port could
    // be bound or the loop did not come up within the deadline (it is then stopped again). Requests
    // that arrive before the loop runs wait in the socket's backlog.
    int Start(std::chrono::milliseconds deadline = std::chrono::seconds(30))
    {
        if (m_thread.joinable())
            return 0;
        int nPort = m_server.bind_to_any_port("127.0.0.1");
        if (nPort <= 0)
            return 0;
        m_bEnded = false;
        m_thread = std::thread([this] {
            m_server.listen_after_bind();
            std::lock_guard<std::mutex> lock(m_lock);
            m_bEnded = true;
            m_ended.notify_all();
        });
        // The server has no signal for "running", so the flag is polled.
        const auto until = std::chrono::steady_clock::now() + deadline;
        std::unique_lock<std::mutex> lock(m_lock);
        while (!m_server.is_running() && !m_bEnded && std::chrono::steady_clock::now() < until)
            m_ended.wait_until(lock, std::min(until, std::chrono::steady_clock::now() + std::chrono::milliseconds(1)));
        bool bRunning = m_server.is_running() && !m_bEnded;
        lock.unlock();
        if (!bRunning)
        {
            Stop();
            return 0;
        }
        return nPort;
    }

    // Ends the accept loop and joins it once the requests in flight are answered. A stop() that comes
    // before the loop has marked itself running is lost, so it is repeated until one was made while
    // the loop ran. Only one such stop() is made: it closes the listening socket, and a second one
    // while the requests in flight keep the loop running would find that socket gone (an assertion
    // in builds of the library that keep them).
    void Stop()
    {
        if (!m_thread.joinable())
            return;
        bool bStopped = false;
        std::unique_lock<std::mutex> lock(m_lock);
        while (!m_bEnded)
        {
            if (!bStopped)
            {
                bStopped = m_server.is_running();   // once running, the loop only ends after a stop()
                m_server.stop();
            }
            m_ended.wait_for(lock, std::chrono::milliseconds(10));
        }
        lock.unlock();
        m_thread.join();
    }

private:
    httplib::Server& m_server;
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_ended;
    bool m_bEnded = true;
};
