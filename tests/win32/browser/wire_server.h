// A loopback server that keeps each request's header lines exactly as they came over the wire,
// where a parsing server would trim or fold them, and answers every request with a small page.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <strings.h>
#include <unistd.h>

#include <cstdlib>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class WireServer
{
public:
    // Listening once it returns; the port is 0 when no socket could be had.
    void Start()
    {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
            listen(m_listener, 8) != 0 || getsockname(m_listener, reinterpret_cast<sockaddr *>(&addr), &len) != 0)
            return;
        port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    void Stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listener >= 0)
            close(m_listener);
        m_listener = -1;
    }
    ~WireServer() { Stop(); }

    std::u16string Url(const char *path) const
    {
        std::string url = "http://127.0.0.1:" + std::to_string(port) + path;
        return std::u16string(url.begin(), url.end());
    }
    // Each request's header lines (the request line first), without their CR LF.
    std::vector<std::vector<std::string>> Requests()
    {
        std::lock_guard<std::mutex> g(m_lock);
        return m_requests;
    }

    int port = 0;

private:
    // One connection at a time: reads the head and the body its Content-Length announces, then
    // answers and closes. Every wait is bounded, and the loop ends within 100 ms of Stop.
    void Serve()
    {
        while (!m_stop) {
            pollfd p = {m_listener, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            int conn = accept4(m_listener, NULL, NULL, SOCK_CLOEXEC);
            if (conn < 0)
                continue;
            timeval limit = {10, 0};
            setsockopt(conn, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
            std::string data;
            char buffer[4096];
            size_t head = std::string::npos;
            for (ssize_t got; head == std::string::npos && (got = recv(conn, buffer, sizeof buffer, 0)) > 0;) {
                data.append(buffer, size_t(got));
                head = data.find("\r\n\r\n");
            }
            std::vector<std::string> lines;
            size_t length = 0;
            for (size_t start = 0, end; head != std::string::npos && start < head; start = end + 2) {
                end = data.find("\r\n", start);
                lines.push_back(data.substr(start, end - start));
                if (strncasecmp(lines.back().c_str(), "Content-Length:", 15) == 0)
                    length = strtoul(lines.back().c_str() + 15, NULL, 10);
            }
            for (ssize_t got; head != std::string::npos && data.size() < head + 4 + length &&
                              (got = recv(conn, buffer, sizeof buffer, 0)) > 0;)
                data.append(buffer, size_t(got));
            {
                std::lock_guard<std::mutex> g(m_lock);
                m_requests.push_back(lines);
            }
            static const char answer[] = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 9\r\n"
                                         "Connection: close\r\n\r\n<p>ok</p>";
            ssize_t sent = send(conn, answer, sizeof answer - 1, MSG_NOSIGNAL);
            (void)sent;
            close(conn);
        }
    }

    int m_listener = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::mutex m_lock;
    std::vector<std::vector<std::string>> m_requests;
};
