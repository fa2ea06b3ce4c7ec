// The host fills the plug-in's login strings with its own string code, and the sign-on then posts
// the name: each case runs login_probe (an independent filler in a host of Win32 alone) from a
// fresh host folder against a loopback server, and reads the body that reached it.
#include <windows.h>

#include <gtest/gtest.h>

#include "strings/LoopbackServer.h"
#include "support/HostFolder.h"

#include <string>
#include <vector>

namespace {

class LoginHost : public HostFolder
{
public:
    LoginHost() : HostFolder("kh-login")
    {
        Folder(u"Images");
        for (const char16_t *name : {u"login_probe", u"KeyholmPlugin.dll", u"Images\\Wait.gif"})
            CopyBuilt(name);
        for (const char16_t *name : {u"debug.log", u"Plugins", u"Plugins\\SSOBanner.ini", u"port.tmp"})
            Path(name);
    }

    // Signs on with the filler writing the name kind, under the Simplified Chinese locale.
    std::string SignOn(const std::string &address, const std::string &user)
    {
        std::vector<std::u16string> args;
        for (std::string a : {"url=" + address, "user=" + user, std::string("lang=2052"), std::string("init"),
                              std::string("get"), std::string("create"), std::string("startup"),
                              std::string("ended"), std::string("destroy"), std::string("release-plugin"),
                              std::string("uninit")})
            args.push_back(std::u16string(a.begin(), a.end()));
        std::u16string env = u"LANG=zh_CN.UTF-8";
        env += u'\0';
        env += u"LC_ALL=zh_CN.UTF-8";
        env += u'\0';
        env += u'\0';
        return Run(u"login_probe", args, u"report.txt", kChildBoundMs, &env);
    }
};

struct NameCase
{
    const char *kind;
    std::string bytes;   // the name as the plug-in posts it: code page 936
};

std::string LongName()
{
    std::string s;
    for (int i = 0; i < 10000; ++i)
        s += char('a' + i % 26);
    return s;
}

TEST(LoginFiller, NamesFilledByTheHostReachTheServerByteForByte)
{
    const NameCase cases[] = {
        {"empty", ""},
        {"short", "alice"},
        {"long", LongName()},
        {"nonascii", "\xD5\xC5\xC8\xFD"},
    };
    for (const NameCase &c : cases) {
        SCOPED_TRACE(c.kind);
        LoginHost host;
        LoopbackServer server(host.Dir());
        ASSERT_TRUE(server.Listening());
        std::string report = host.SignOn(server.Address("/sso"), c.kind);
        EXPECT_NE(report.find("startup=0 navigating=1 login-calls=1 filler=ok\n"), std::string::npos) << report;
        EXPECT_NE(report.find("ended=1\n"), std::string::npos) << report;
        EXPECT_NE(report.find("kept-references=0\n"), std::string::npos) << report;
        std::vector<LoopbackRequest> requests = server.Received();
        ASSERT_EQ(1u, requests.size()) << report;
        EXPECT_EQ("POST", requests[0].method);
        std::string body = "?iusername=" + c.bytes + "&language_id=2052";
        EXPECT_EQ(body, requests[0].body);
        EXPECT_EQ("/sso?iusername=", requests[0].target.substr(0, 15));   // the browser escapes the address
    }
}

} // namespace
