// The sign-on under Wine: the host's filler writes the name into the plug-in's strings, the exact
// form bytes reach the recording server on the Linux side, and with no HTML engine the navigation
// ends in an error that still stops the animation.
#include "WineHost.h"

#include "strings/LoopbackServer.h"

namespace {

struct NameCase
{
    const char *kind;
    std::string bytes;   // the name as posted
};

std::string LongName()
{
    std::string s;
    for (int i = 0; i < 10000; ++i)
        s += char('a' + i % 26);
    return s;
}

TEST(WineSignOn, FilledNamesArePostedByteForByteAndTheAnimationStops)
{
    const NameCase cases[] = {
        {"empty", ""},
        {"short", "alice"},
        {"long", LongName()},
    };
    for (const NameCase &c : cases) {
        SCOPED_TRACE(c.kind);
        WineHost host;
        LoopbackServer server(host.Dir());
        ASSERT_TRUE(server.Listening());
        std::string report = host.Run({"url=" + server.Address("/sso"), std::string("user=") + c.kind, "lang=2052", "init",
                                       "get", "create", "startup", "ended", "destroy", "release-plugin", "uninit"});
        EXPECT_NE(report.find("startup=0 navigating=1 login-calls=1 filler=ok\n"), std::string::npos) << report;
        EXPECT_NE(report.find("ended=1\n"), std::string::npos) << report;
        EXPECT_NE(report.find("kept-references=0\n"), std::string::npos) << report;
        std::vector<LoopbackRequest> requests = server.Received();
        ASSERT_LE(1u, requests.size()) << report;
        EXPECT_EQ("POST", requests[0].method);
        EXPECT_EQ("?iusername=" + c.bytes + "&language_id=2052", requests[0].body);
        // The plug-in's header ends in CR LF, so no header the browser adds runs into its value.
        EXPECT_EQ("application/x-www-form-urlencoded", requests[0].contentType);
        EXPECT_EQ("/sso?iusername=", requests[0].target.substr(0, 15));
    }
}

// Run under LANG=zh_CN.UTF-8 as a test of its own: the name posted in code page 936.
TEST(WineLocale, NonAsciiNameIsPostedInTheAnsiCodePage)
{
    if (GetACP() != 936)
        GTEST_SKIP() << "runs where the ANSI code page is 936 (LANG=zh_CN.UTF-8)";
    WineHost host;
    LoopbackServer server(host.Dir());
    ASSERT_TRUE(server.Listening());
    std::string report = host.Run({"url=" + server.Address("/sso"), "user=nonascii", "lang=2052", "init", "get", "create",
                                   "startup", "ended", "destroy", "release-plugin", "uninit"});
    EXPECT_NE(report.find("startup=0 navigating=1 login-calls=1 filler=ok\n"), std::string::npos) << report;
    EXPECT_NE(report.find("ended=1\n"), std::string::npos) << report;
    std::vector<LoopbackRequest> requests = server.Received();
    ASSERT_LE(1u, requests.size()) << report;
    EXPECT_EQ("?iusername=\xD5\xC5\xC8\xFD&language_id=2052", requests[0].body);
}

TEST(WineSignOn, EnglishHostPostsLanguageNine)
{
    WineHost host;
    LoopbackServer server(host.Dir());
    ASSERT_TRUE(server.Listening());
    std::string report = host.Run({"url=" + server.Address("/sso"), "user=short", "lang=1033", "init", "get", "create",
                                   "startup", "ended", "destroy", "release-plugin", "uninit"});
    EXPECT_NE(report.find("ended=1\n"), std::string::npos) << report;
    std::vector<LoopbackRequest> requests = server.Received();
    ASSERT_LE(1u, requests.size()) << report;
    EXPECT_EQ("?iusername=alice&language_id=9", requests[0].body);
}

} // namespace
