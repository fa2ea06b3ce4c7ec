// A sign-on server of the test's own on 127.0.0.1 for keyholm-host to relay to: the page at /sso,
// error answers, and redirects that do and do not lead back to a page on it.
#pragma once

#include "ServerThread.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

class SignOnServer
{
public:
    // elsewhere: another server's address, the target of /to-elsewhere.
    explicit SignOnServer(const std::string& elsewhere = "http://127.0.0.1:9/")
    {
        const char* page = "<html><body><h1>Permissions</h1></body></html>";
        m_server.Post("/sso", [this, page](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_bodies.push_back(req.body);
            res.set_content(page, "text/html");
        });
        m_server.Get("/page", [page](const httplib::Request&, httplib::Response& res) { res.set_content(page, "text/html"); });
        m_server.Post("/broken", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("broken", "text/plain");
        });
        auto redirect = [](int status, std::string location) {
            return [status, location](const httplib::Request&, httplib::Response& res) {
                res.status = status;
                if (!location.empty())
                    res.set_header("Location", location);
            };
        };
        m_server.Post("/to-page", redirect(303, "/page"));
        m_server.Post("/to-page-by-address", [this](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", Address("/page"));
        });
        m_server.Post("/loop", redirect(302, "/loop"));
        m_server.Get("/loop", redirect(302, "/loop"));
        m_server.Post("/to-file", redirect(302, "file:///etc/hostname"));
        m_server.Post("/to-elsewhere", redirect(302, elsewhere));
        m_server.Post("/nowhere", redirect(302, ""));
        m_nPort = m_thread.Start();
        EXPECT_NE(0, m_nPort) << "the sign-on server did not start";
    }
    std::string Address(const char* path) const { return "http://127.0.0.1:" + std::to_string(m_nPort) + path; }
    std::vector<std::string> Bodies()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_bodies;
    }

private:
    httplib::Server m_server;
    CServerThread m_thread{m_server};
    int m_nPort = 0;
    std::mutex m_lock;
    std::vector<std::string> m_bodies;
};
