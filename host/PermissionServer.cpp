// The built-in permission page over cpp-httplib on 127.0.0.1.
#include "PermissionServer.h"

#include "Address.h"
#include "Relay.h"
#include "ServerThread.h"

#include <httplib.h>

#include <chrono>

namespace {

// Form fields arrive unescaped, as the plug-in sends them; a leading "?" is the query's own.
std::string FormField(const std::string& form, const std::string& name)
{
    size_t pos = form.empty() || form[0] != '?' ? 0 : 1;
    while (pos <= form.size())
    {
        size_t end = form.find('&', pos);
        if (end == std::string::npos)
            end = form.size();
        std::string pair = form.substr(pos, end - pos);
        size_t eq = pair.find('=');
        if (eq != std::string::npos && pair.compare(0, eq, name) == 0)
            return pair.substr(eq + 1);
        pos = end + 1;
    }
    return std::string();
}

// ANSI bytes (the plug-in's body) to UTF-8 for the page.
std::string AnsiToUtf8(const std::string& text)
{
    if (text.empty())
        return text;
    int cch = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), NULL, 0);
    if (cch <= 0)
        return text;
    std::u16string wide(size_t(cch), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), &wide[0], cch);
    int cb = WideCharToMultiByte(CP_UTF8, 0, wide.data(), cch, NULL, 0, NULL, NULL);
    std::string utf8(size_t(cb > 0 ? cb : 0), '\0');
    if (cb > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), cch, &utf8[0], cb, NULL, NULL);
    return utf8;
}

std::string HtmlEscape(const std::string& text)
{
    std::string out;
    for (char c : text)
    {
        switch (c)
        {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace

CPermissionServer::CPermissionServer() = default;

CPermissionServer::~CPermissionServer() { Stop(); }

bool CPermissionServer::Start(const std::string& strUpstream)
{
    Stop();
    m_strUpstream = strUpstream;
    m_bStopping = false;
    m_server = std::make_unique<httplib::Server>();
    auto handler = [this](const httplib::Request& req, httplib::Response& res) {
        ReceivedRequest received;
        received.method = req.method;
        received.target = req.target;
        received.contentType = req.get_header_value("Content-Type");
        received.body = req.body;
        std::unique_lock<std::mutex> lock(m_lock);
        size_t nIndex = m_requests.size();
        m_requests.push_back(received);
        // Bounded, so a host that never releases still gets its page.
        m_released.wait_for(lock, std::chrono::minutes(1), [this] { return !m_bHolding; });
        lock.unlock();
        if (!m_strUpstream.empty())
        {
            Relay(req, res, nIndex);
            return;
        }
        std::string form = req.body.empty() ? req.target.substr(std::min(req.target.find('?'), req.target.size()))
                                            : req.body;
        res.set_content(RenderPage(form), "text/html; charset=utf-8");
        Answer(nIndex, 200, std::string(), std::string());
    };
    m_server->Get(".*", handler);
    m_server->Post(".*", handler);
    // The server refuses some requests before any handler runs: a target with a second "?" (a base
    // address with a query of its own gives one), or one longer than the server reads (cpp-httplib
    // takes 8192 bytes of the request line, a limit compiled into the library). Such a request is
    // still kept, with its target when it was read, so the host can say why the sign-on failed.
    m_server->set_error_handler([this](const httplib::Request& req, httplib::Response& res) {
        if (!req.matches.empty())
            return;   // a handler ran and kept it
        ReceivedRequest received;
        received.method = "(refused)";
        received.target = req.target;
        received.status = res.status;
        std::lock_guard<std::mutex> lock(m_lock);
        m_requests.push_back(received);
    });
    m_thread = std::make_unique<CServerThread>(*m_server);
    m_nPort = m_thread->Start();
    if (m_nPort <= 0)
    {
        m_thread.reset();
        m_server.reset();
        return false;
    }
    return true;
}

void CPermissionServer::Relay(const httplib::Request& req, httplib::Response& res, size_t nIndex)
{
    RelayAnswer answer = RelayRequest(m_strUpstream, req.method, req.target, req.get_header_value("Content-Type"),
                                      req.body, RelayLimits::FromEnvironment(), m_bStopping);
    if (!answer.failure.empty())
    {
        res.status = answer.bTimedOut ? 504 : 502;
        res.set_content("The relay to " + m_strUpstream + " failed: " + answer.failure, "text/plain");
        Answer(nIndex, res.status, std::string(), answer.failure);
        return;
    }
    res.status = answer.status;
    std::string location = answer.location, target;
    if (!location.empty() && TargetOnServer(location, m_strUpstream, req.target, target))
        location = Address() + target;   // followed through here, where the host sees it
    if (!location.empty())
        res.set_header("Location", location);
    res.set_content(answer.body, answer.contentType.c_str());
    Answer(nIndex, answer.status, location, std::string());
}

void CPermissionServer::Answer(size_t nIndex, int nStatus, const std::string& strLocation, const std::string& strFailure)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (nIndex < m_requests.size())
    {
        m_requests[nIndex].status = nStatus;
        m_requests[nIndex].location = strLocation;
        m_requests[nIndex].failure = strFailure;
    }
}

void CPermissionServer::Stop()
{
    if (!m_server)
        return;
    ReleaseHeld();
    m_bStopping = true;
    m_thread.reset();
    m_server.reset();
}

std::string CPermissionServer::Address() const { return "http://127.0.0.1:" + std::to_string(m_nPort); }

std::string CPermissionServer::SignOnAddress() const { return Address() + "/sso"; }

void CPermissionServer::SetHolding(bool bHolding)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_bHolding = bHolding;
    if (!bHolding)
        m_released.notify_all();
}

void CPermissionServer::ReleaseHeld() { SetHolding(false); }

size_t CPermissionServer::RequestCount() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_requests.size();
}

std::vector<ReceivedRequest> CPermissionServer::Requests() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_requests;
}

std::string CPermissionServer::RenderPage(const std::string& form)
{
    std::string user = HtmlEscape(AnsiToUtf8(FormField(form, "iusername")));
    bool bChinese = FormField(form, "language_id") == "2052";
    static const char* const english[] = {"View the team's reports", "Submit purchase requests",
                                          "Approve leave up to three days", "Read the staff directory"};
    static const char* const chinese[] = {"查看团队报表", "提交采购申请", "审批三天以内的请假", "查阅员工通讯录"};
    const char* const* items = bChinese ? chinese : english;
    std::string page = "<html><head><title>";
    page += bChinese ? "我的权限" : "My Permission";
    page += "</title></head><body><h1>";
    page += bChinese ? user + " 的权限" : "Permissions of " + (user.empty() ? std::string("(no user)") : user);
    page += "</h1><ul>";
    for (int i = 0; i < 4; ++i)
        page += std::string("<li>") + items[i] + "</li>";
    page += "</ul></body></html>";
    return page;
}
