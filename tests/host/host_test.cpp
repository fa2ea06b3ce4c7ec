// The reference host end to end: it loads the plug-in, drives the module through a language change,
// unloads it, and says by its exit code and its report whether the sign-on reached the server and
// the page loaded.
#include "HostRun.h"
#include "SignOnServer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Whatever fails early, the host ends: an ini path that is a folder fails set-up at once, with the
// permission server stopped just after it started.
TEST(ReferenceHost, EndsEveryTimeWhenTheIniFileIsAFolder)
{
    for (int i = 0; i < 20; ++i)
    {
        DemoFolder folder;
        folder.Folder(u"Plugins");
        folder.Folder(u"Plugins\\SSOBanner.ini");
        ASSERT_EQ(3u, RunHost({folder.HostDirOption()})) << "run " << i << "\n" << folder.Report();
        EXPECT_NE(std::string::npos, folder.Report().find("keyholm-host: cannot write ")) << folder.Report();
    }
}

// A report or screenshot that cannot be written (here past a file size limit of 1 KiB) is said on
// stderr with exit code 5, and the limit does not kill the host.
TEST(ReferenceHost, SaysSoWhenItCannotWriteItsReport)
{
    DemoFolder folder;
    folder.LayOut();
    EXPECT_EQ(5u, folder.RunInPlace({}, "1")) << folder.Stderr();
    std::string err = folder.Stderr();
    for (const char* file : {"loading.png", "report.txt"})
        EXPECT_NE(std::string::npos,
                  err.find(std::string(file) + " (error 112: the disk is full or the file size limit was reached)"))
            << err;
    EXPECT_NE(std::string::npos, err.find("exit code 5")) << err;
    // Without the limit the same folder signs on.
    EXPECT_EQ(0u, folder.RunInPlace({})) << folder.Stderr() << folder.Report();
}
