// keyholm-host's relay (--url) against servers that misbehave: it gives up at its deadline or at
// its size caps and says which, and it counts a redirect only when it leads to a page on the server.
#include "support/ScopedVariable.h"
#include "HostRun.h"
#include "RawServer.h"
#include "SignOnServer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Runs the host relaying to url and expects exit 1 with reason as the failure it states.
void ExpectSignOnFailure(const std::string& url, const std::string& reason)
{
    DemoFolder folder;
    EXPECT_EQ(1u, RunHost({"--url=" + url, folder.HostDirOption()})) << folder.Report();
    std::string report = folder.Report();
    EXPECT_NE(std::string::npos, report.find("keyholm-host: the sign-on failed: " + reason)) << report;
}

}  // namespace

TEST(ReferenceHostRelay, GivesUpOnAnAnswerWithoutEndAndSaysWhy)
{
    ScopedVariable deadline(u"KEYHOLM_RELAY_DEADLINE_MS", u"3000");
    struct { const char* what; RawServer::Behaviour behaviour; std::string reason; } cases[] = {
        {"headers without end", RawServer::EndlessHeaders(), "the server's headers passed the relay's limit of 64 KiB"},
        {"a chunked body without end", RawServer::EndlessChunkedBody(),
         "the server's answer passed the relay's limit of 8192 KiB"},
        {"headers trickling", RawServer::TricklingHeaders(), "the server's headers did not end within 3 seconds"},
        {"silence after the request", RawServer::Silence(), "the server did not answer within 3 seconds"},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        RawServer server(c.behaviour);
        ASSERT_NE(0, server.Port());
        ExpectSignOnFailure(server.Address("/sso"), c.reason);
        EXPECT_EQ(2, server.Requests()) << "both sign-ons reach the server";
    }
}

TEST(ReferenceHostRelay, CountsARedirectOnlyWhenItLeadsToAPageOnTheServer)
{
    SignOnServer other;
    SignOnServer server(other.Address("/page"));
    for (const char* path : {"/to-page", "/to-page-by-address"})
    {
        SCOPED_TRACE(path);
        DemoFolder folder;
        EXPECT_EQ(0u, RunHost({"--url=" + server.Address(path), folder.HostDirOption()})) << folder.Report();
        EXPECT_NE(std::string::npos, folder.Report().find("  GET /page\n")) << folder.Report();
    }
    struct { const char* path; std::string reason; } failures[] = {
        {"/loop", "the server redirected in a loop: POST /loop?iusername=demo&language_id=2052 -> /loop -> /loop"},
        {"/to-file", "the server redirected to file:///etc/hostname, which is not the server"},
        {"/to-elsewhere", "the server redirected to " + other.Address("/page") + ", which is not the server"},
        {"/nowhere", "the server answered POST /nowhere?iusername=demo&language_id=2052 with 302 and no Location to follow"},
    };
    for (const auto& c : failures)
    {
        SCOPED_TRACE(c.path);
        ExpectSignOnFailure(server.Address(c.path), c.reason);
    }
}

// A browser that gives up before the relay does: the host says the server had the sign-on, and its
// relay, still waiting, is given up when the host stops.
TEST(ReferenceHostRelay, SaysTheServerHadTheSignOnWhenTheBrowserGaveUp)
{
    ScopedVariable browserIdle(u"KEYHOLM_BROWSER_IDLE_TIMEOUT_MS", u"1500");
    RawServer server(RawServer::Silence());
    ExpectSignOnFailure(server.Address("/sso"),
                        "the server received POST /sso?iusername=demo&language_id=2052 but had not answered it when "
                        "the browser gave up on it");
    EXPECT_EQ(2, server.Requests());
}
