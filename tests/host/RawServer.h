// A loopback server on raw sockets for answers no well-behaved server gives: headers or a body
// without end, a trickle, or silence. Each connection reads the request and then runs the
// behaviour until the peer goes away or the server stops.
#pragma once

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class RawServer
{
public:
    // Writes what the peer should get; false once the peer is gone or the server stops.
    using Send = std::function<bool(const std::string&)>;
    // Runs the rest of a connection after the request; returns when it is done or send fails.
    using Behaviour = std::function<void(const Send& send, const std::atomic<bool>& stopping)>;

    // Listens before it returns, so a connection made afterwards waits in the backlog at worst.
    explicit RawServer(Behaviour behaviour) : m_behaviour(std::move(behaviour))
    {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t cb = sizeof addr;
        if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&addr), cb) != 0 ||
            listen(m_listener, 16) != 0 || getsockname(m_listener, reinterpret_cast<sockaddr*>(&addr), &cb) != 0)
            return;
        m_nPort = ntohs(addr.sin_port);
        m_acceptor = std::thread([this] { Accept(); });
    }
    ~RawServer()
    {
        m_bStopping = true;
        if (m_acceptor.joinable())
            m_acceptor.join();
        for (std::thread& t : m_connections)
            t.join();
        if (m_listener >= 0)
            close(m_listener);
    }
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int Port() const { return m_nPort; }
    std::string Address(const char* path) const { return "http://127.0.0.1:" + std::to_string(m_nPort) + path; }
    // Requests read whole (up to their blank line), so far.
    int Requests() const { return m_nRequests; }

    // Behaviours.
    static Behaviour EndlessHeaders()
    {
        return [](const Send& send, const std::atomic<bool>&) {
            if (!send("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"))
                return;
            std::string line = "X-Filler: " + std::string(200, 'h') + "\r\n";
            while (send(line)) {}
        };
    }
    static Behaviour EndlessChunkedBody()
    {
        return [](const Send& send, const std::atomic<bool>&) {
            if (!send("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n\r\n"))
                return;
            std::string chunk = "1000\r\n" + std::string(0x1000, 'b') + "\r\n";
            while (send(chunk)) {}
        };
    }
    // A header line every tenth of a second, without end: never too much, never the end.
    static Behaviour TricklingHeaders()
    {
        return [](const Send& send, const std::atomic<bool>& stopping) {
            if (!send("HTTP/1.1 200 OK\r\n"))
                return;
            while (!stopping && send("X-Trickle: t\r\n"))
                poll(NULL, 0, 100);
        };
    }
    static Behaviour Silence()
    {
        return [](const Send&, const std::atomic<bool>& stopping) {
            while (!stopping)
                poll(NULL, 0, 50);
        };
    }

private:
    void Accept()
    {
        while (!m_bStopping)
        {
            pollfd p = {m_listener, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            int fd = accept4(m_listener, NULL, NULL, SOCK_CLOEXEC);
            if (fd >= 0)
                m_connections.emplace_back([this, fd] { Serve(fd); });
        }
    }

    void Serve(int fd)
    {
        timeval tv = {0, 100000};   // so a blocked send or recv looks at m_bStopping again
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        std::string request;
        char buffer[4096];
        while (!m_bStopping && request.find("\r\n\r\n") == std::string::npos)
        {
            ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
                break;
            if (n > 0)
                request.append(buffer, size_t(n));
        }
        if (request.find("\r\n\r\n") != std::string::npos)
        {
            ++m_nRequests;
            Send send = [this, fd](const std::string& bytes) {
                for (size_t done = 0; done < bytes.size();)
                {
                    if (m_bStopping)
                        return false;
                    ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
                    if (n < 0 && (errno == EAGAIN || errno == EINTR))
                        continue;
                    if (n <= 0)
                        return false;
                    done += size_t(n);
                }
                return true;
            };
            m_behaviour(send, m_bStopping);
        }
        close(fd);
    }

    Behaviour m_behaviour;
    int m_listener = -1;
    int m_nPort = 0;
    std::atomic<bool> m_bStopping{false};
    std::atomic<int> m_nRequests{0};
    std::thread m_acceptor;
    std::vector<std::thread> m_connections;   // the acceptor's alone until it has been joined
};
