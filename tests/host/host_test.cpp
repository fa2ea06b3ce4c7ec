// The reference host end to end: it loads the plug-in, drives the module through a language change,
// unloads it, and says by its exit code and its report whether the sign-on reached the server and
// the page loaded.
#include "PluginLibrary.h"
#include "ServerThread.h"
#include "support/HostFolder.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::u16string Wide(const std::string& utf8)
{
    int cch = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, NULL, 0);
    std::u16string w(size_t(cch > 1 ? cch - 1 : 0), u'\0');
    if (cch > 1)
        MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &w[0], cch);
    return w;
}

// One argument quoted for the C run-time's splitting of a command line.
std::u16string Quoted(const std::u16string& arg)
{
    std::u16string out = u"\"";
    size_t slashes = 0;
    for (char16_t c : arg)
    {
        if (c == u'\\')
        {
            ++slashes;
            continue;
        }
        out.append(c == u'"' ? 2 * slashes + 1 : slashes, u'\\');
        slashes = 0;
        out += c;
    }
    out.append(2 * slashes, u'\\');
    return out + u"\"";
}

// Runs keyholm-host with the arguments (UTF-8) and an optional UTF-16 environment block; its exit code.
DWORD RunHost(const std::vector<std::string>& args, std::u16string* environment = NULL)
{
    std::u16string line = Quoted(reinterpret_cast<const char16_t*>(
        (PluginLibrary::ProgramDirectory() + TEXT("keyholm-host")).GetString()));
    for (const std::string& a : args)
        line += u" " + Quoted(Wide(a));
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(NULL, &line[0], NULL, NULL, FALSE, environment ? CREATE_UNICODE_ENVIRONMENT : 0,
                        environment ? &(*environment)[0] : NULL, NULL, &si, &pi))
    {
        ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
        return 0xFFFFFFFFu;
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 180000)) << "the host never ended";
    DWORD dwExit = 0xFFFFFFFFu;
    GetExitCodeProcess(pi.hProcess, &dwExit);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return dwExit;
}

// A host folder for --host-dir, with everything the host lays out and leaves named for removal.
class DemoFolder : public HostFolder
{
public:
    DemoFolder() : HostFolder("kh-host")
    {
        for (const char16_t* name : {u"Images", u"Plugins", u"keyholm-host", u"KeyholmPlugin.dll", u"Images\\Wait.gif",
                                     u"Plugins\\SSOBanner.ini", u"debug.log", u"loading.png", u"loaded.png",
                                     u"report.txt"})
            Path(name);
    }
    std::string HostDirOption() const
    {
        std::u16string dir = Dir();
        int cb = WideCharToMultiByte(CP_UTF8, 0, dir.c_str(), -1, NULL, 0, NULL, NULL);
        std::string utf8(size_t(cb > 1 ? cb - 1 : 0), '\0');
        WideCharToMultiByte(CP_UTF8, 0, dir.c_str(), -1, &utf8[0], cb, NULL, NULL);
        return "--host-dir=" + utf8;
    }
    std::string Report() { return ReadWholeFile(Path(u"report.txt")); }
    std::string Ini() { return ReadWholeFile(Path(u"Plugins\\SSOBanner.ini")); }
};

// A sign-on server of the test's own on 127.0.0.1: the page at /sso, 404 at /missing, 500 at /broken.
class SignOnServer
{
public:
    SignOnServer()
    {
        m_server.Post("/sso", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_bodies.push_back(req.body);
            res.set_content("<html><body><h1>Permissions</h1></body></html>", "text/html");
        });
        m_server.Post("/broken", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("broken", "text/plain");
        });
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

}  // namespace

TEST(ReferenceHost, DrivesTheModuleAndGetsEveryServiceReferenceBack)
{
    struct { std::vector<std::string> arguments; DWORD dwExit; } cases[] = {
        {{}, 0},
        {{"--lang=1033", "--switch-lang=2052", "--user=alice", "--trace-level=0"}, 0},
        {{"--lang=1028", "--switch-lang=0"}, 0},
        {{"--help"}, 0},
        {{"--no-such-option"}, 2},
        {{"--url=ftp://127.0.0.1/sso"}, 2},      // the host can only relay http and https
        {{"--url=127.0.0.1:8080/sso"}, 2},
    };
    for (const auto& c : cases)
    {
        DemoFolder folder;
        std::vector<std::string> args = c.arguments;
        args.push_back(folder.HostDirOption());
        std::string shown;
        for (const std::string& a : c.arguments)
            shown += a + " ";
        EXPECT_EQ(c.dwExit, RunHost(args)) << "arguments: " << shown << "\n" << folder.Report();
    }
}

// 0 only when the sign-on reached the server and was answered with the page: an error page is not
// the page, and the report says why.
TEST(ReferenceHost, ExitsZeroOnlyWhenTheServerAnsweredWithThePage)
{
    SignOnServer server;
    struct { std::string what; std::vector<std::string> arguments; DWORD dwExit; std::string reason; } cases[] = {
        {"a server that answers", {"--url=" + server.Address("/sso")}, 0, ""},
        {"refused", {"--url=http://127.0.0.1:9/sso"}, 1, "the server could not be reached"},
        {"404", {"--url=" + server.Address("/missing")}, 1, "the server answered 404"},
        {"500", {"--url=" + server.Address("/broken")}, 1, "the server answered 500"},
        // The built-in page takes the address whole only up to 8192 bytes: a clear refusal.
        {"10,000-character user", {"--user=" + std::string(10000, 'u')}, 1, "the server refused the request with status 414"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        DemoFolder folder;
        std::vector<std::string> args = c.arguments;
        args.push_back(folder.HostDirOption());
        EXPECT_EQ(c.dwExit, RunHost(args)) << folder.Report();
        std::string report = folder.Report();
        EXPECT_NE(std::string::npos, report.find("exit code: " + std::to_string(c.dwExit) + "\n")) << report;
        if (!c.reason.empty()) {
            EXPECT_NE(std::string::npos, report.find("keyholm-host: the sign-on failed: " + c.reason)) << report;
        }
    }
    // The relayed sign-ons reached the server as the plug-in sent them, in both languages.
    EXPECT_EQ((std::vector<std::string>{"?iusername=demo&language_id=2052", "?iusername=demo&language_id=9"}),
              server.Bodies());
}

// The options reach the copy in the host folder unchanged: a quote inside a value adds no option,
// and a name in Chinese stays the same characters.
TEST(ReferenceHost, PassesEveryOptionThroughUnchanged)
{
    {
        DemoFolder folder;
        EXPECT_EQ(0u, RunHost({"--user=x\" \"--url=http://127.0.0.1:9/evil", folder.HostDirOption()})) << folder.Report();
        EXPECT_EQ(std::string::npos, folder.Ini().find(":9/evil")) << folder.Ini();
        EXPECT_NE(std::string::npos,
                  folder.Report().find("?iusername=x\"%20\"--url%3Dhttp://127.0.0.1:9/evil&language_id=2052\n"))
            << folder.Report();
    }
    {
        DemoFolder folder;
        std::u16string env = u"LANG=zh_CN.UTF-8";
        env += u'\0';
        env += u"LC_ALL=zh_CN.UTF-8";
        env += u'\0';
        env += u'\0';
        EXPECT_EQ(0u, RunHost({"--user=张三", "--switch-lang=2052", folder.HostDirOption()}, &env)) << folder.Report();
        // GB2312 in the body, as the plug-in posts the name under code page 936.
        EXPECT_NE(std::string::npos, folder.Report().find("body (32 bytes): ?iusername=\\xD5\\xC5\\xC8\\xFD&language_id=2052\n"))
            << folder.Report();
    }
}
