// The recording server of loopback_server.py for tests that post through the plug-in. Natively the
// test starts it as a child process with a folder of its own; under Wine the test script starts it
// on this side and names its folder in KEYHOLM_LOOPBACK_DIR (a Z: path), since Wine shares the loopback.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/FileText.h"

#ifndef KEYHOLM_LOOPBACK_SCRIPT
#error "KEYHOLM_LOOPBACK_SCRIPT names tests/strings/loopback_server.py"
#endif

// One request as it reached the server.
struct LoopbackRequest
{
    std::string method, target, contentType, body;
};

class LoopbackServer
{
public:
    typedef std::basic_string<WCHAR> wtext;

    // folder: where a server started here keeps its files (a host folder of the test).
    explicit LoopbackServer(const wtext &folder)
    {
        WCHAR sz[MAX_PATH] = {};
        if (GetEnvironmentVariableW(TEXT("KEYHOLM_LOOPBACK_DIR"), sz, MAX_PATH) > 0) {
            m_dir = sz;
        } else {
            m_dir = folder;
            wtext line = TEXT("\"Z:\\usr\\bin\\python3\" \"") + Wide(KEYHOLM_LOOPBACK_SCRIPT) + TEXT("\" \"") + m_dir + TEXT("\"");
            m_bOwn = true;
            if (!m_server.Start(line, m_dir + TEXT("\\printed.txt")))
                ADD_FAILURE() << "the loopback server " << m_server.Failure();
        }
        // Bounded wait for the port the server writes once it listens.
        for (DWORD start = GetTickCount(); m_port.empty() && GetTickCount() - start < 30000;) {
            m_port = Read(TEXT("port.txt"));
            // A server of the script's that is not there or has ended will not write it any more.
            if (m_port.empty() && (!m_server.Process() || WaitForSingleObject(m_server.Process(), 20) == WAIT_OBJECT_0))
                break;
        }
        if (m_port.empty() && m_server.Process()) {
            m_server.End();
            ADD_FAILURE() << "the loopback server did not listen: " << m_server.Failure();
        }
        m_nSeen = Requests().size();
    }
    ~LoopbackServer()
    {
        if (m_bOwn) {
            m_server.End();
            DeleteFileW((m_dir + TEXT("\\printed.txt")).c_str());
            DeleteFileW((m_dir + TEXT("\\port.txt")).c_str());
            DeleteFileW((m_dir + TEXT("\\requests.txt")).c_str());
        }
    }
    LoopbackServer(const LoopbackServer &) = delete;
    LoopbackServer &operator=(const LoopbackServer &) = delete;

    bool Listening() const { return !m_port.empty(); }
    std::string Address(const std::string &path) const { return "http://127.0.0.1:" + m_port + path; }

    // The requests received since this object was made (a shared server has older ones).
    std::vector<LoopbackRequest> Received() const
    {
        std::vector<LoopbackRequest> all = Requests();
        return std::vector<LoopbackRequest>(all.begin() + std::min(all.size(), m_nSeen), all.end());
    }

private:
    static wtext Wide(const char *psz)
    {
        wtext w;
        while (*psz)
            w += WCHAR(static_cast<unsigned char>(*psz++));
        return w;
    }
    static std::string Unhex(const std::string &hex)
    {
        std::string out;
        for (size_t i = 0; i + 1 < hex.size(); i += 2)
            out += char(std::stoi(hex.substr(i, 2), nullptr, 16));
        return out;
    }
    std::string Read(const WCHAR *name) const { return ReadWholeFile(m_dir + TEXT("\\") + name, ""); }
    std::vector<LoopbackRequest> Requests() const
    {
        std::vector<LoopbackRequest> out;
        std::string text = Read(TEXT("requests.txt"));
        for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
            std::string line = text.substr(at, end - at);
            size_t a = line.find(' '), b = line.find(' ', a + 1), c = line.find(' ', b + 1);
            if (c == std::string::npos)
                continue;
            out.push_back({line.substr(0, a), Unhex(line.substr(a + 1, b - a - 1)), Unhex(line.substr(b + 1, c - b - 1)),
                           Unhex(line.substr(c + 1))});
        }
        return out;
    }

    wtext m_dir;
    std::string m_port;
    ChildProcess m_server;
    bool m_bOwn = false;  // the server is this object's child, and its files go with it
    size_t m_nSeen = 0;
};
