// The host's verdict on a sign-on from what its server received and answered: which answers and
// which redirects count as the page, and what a person is told otherwise.
#include "SignOnVerdict.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ReceivedRequest Got(const char* method, const char* target, int status, const char* location = "",
                    const char* failure = "")
{
    ReceivedRequest r;
    r.method = method;
    r.target = target;
    r.status = status;
    r.location = location;
    r.failure = failure;
    return r;
}

}  // namespace

TEST(SignOnVerdict, CountsAPageFromTheServerAndNamesEveryOtherEnd)
{
    const std::string server = "http://127.0.0.1:4000";
    struct { const char* what; std::vector<ReceivedRequest> requests; bool bLoaded; std::string failure; } cases[] = {
        {"nothing arrived", {}, true, "no sign-on reached the server within 30 seconds"},
        {"the page", {Got("POST", "/sso", 200)}, true, ""},
        {"the page, not loaded", {Got("POST", "/sso", 200)}, false,
         "the server answered POST /sso with 200, but the page did not load within 30 seconds"},
        {"no answer yet", {Got("POST", "/sso", 0), Got("POST", "/sso", 0)}, false,
         "the server received POST /sso but had not answered it when the host stopped waiting after 30 seconds"},
        {"no answer, the browser gave up", {Got("POST", "/sso", 0)}, true,
         "the server received POST /sso but had not answered it when the browser gave up on it"},
        {"refused", {Got("(refused)", "", 414)}, true,
         "the server refused the request with status 414 (the address is longer than the server reads)"},
        {"the relay gave up", {Got("POST", "/sso", 504, "", "the server did not answer within 20 seconds")}, true,
         "the server did not answer within 20 seconds"},
        {"an error answer", {Got("POST", "/sso", 404)}, true, "the server answered 404; the browser shows its error page"},
        {"303 to a page", {Got("POST", "/sso", 303, "/page"), Got("GET", "/page", 200)}, true, ""},
        {"to the same path", {Got("POST", "/sso", 302, "/sso"), Got("GET", "/sso", 200)}, true, ""},
        {"relative", {Got("POST", "/a/sso?x", 302, "page?y#top"), Got("GET", "/a/page?y", 200)}, true, ""},
        {"query only", {Got("POST", "/sso?x", 302, "?y"), Got("GET", "/sso?y", 200)}, true, ""},
        {"by address", {Got("POST", "/sso", 301, "HTTP://127.0.0.1:4000/p"), Got("GET", "/p", 200)}, true, ""},
        {"through other requests", {Got("POST", "/sso", 302, "/p"), Got("GET", "/icon", 404), Got("GET", "/p", 200)},
         true, ""},
        {"to a page that fails", {Got("POST", "/sso", 302, "/p"), Got("GET", "/p", 500)}, true,
         "the server answered 500; the browser shows its error page"},
        {"another port", {Got("POST", "/sso", 302, "http://127.0.0.1:4001/p")}, true,
         "the server redirected to http://127.0.0.1:4001/p, which is not the server (http://127.0.0.1:4000)"},
        {"another scheme", {Got("POST", "/sso", 302, "https://127.0.0.1:4000/p")}, true,
         "the server redirected to https://127.0.0.1:4000/p, which is not the server"},
        {"another host, same scheme", {Got("POST", "/sso", 302, "//example.com:4000/p")}, true,
         "the server redirected to //example.com:4000/p, which is not the server"},
        {"a file", {Got("POST", "/sso", 302, "file:///etc/passwd")}, true,
         "the server redirected to file:///etc/passwd, which is not the server"},
        {"a loop", {Got("POST", "/sso", 302, "/a"), Got("GET", "/a", 302, "/b"), Got("GET", "/b", 302, "/a")}, true,
         "the server redirected in a loop: POST /sso -> /a -> /b -> /a"},
        {"to itself", {Got("POST", "/sso", 302, "/a"), Got("GET", "/a", 307, "/a")}, true,
         "the server redirected in a loop: POST /sso -> /a -> /a"},
        {"not followed", {Got("POST", "/sso", 302, "/a")}, true,
         "the browser did not follow the server's redirect to /a (POST /sso -> /a)"},
        {"no Location", {Got("POST", "/sso", 302)}, true, "the server answered POST /sso with 302 and no Location to follow"},
    };
    for (const auto& c : cases)
    {
        std::string failure = SignOnFailure(c.requests, 0, server, c.bLoaded, 30);
        if (c.failure.empty())
            EXPECT_EQ("", failure) << c.what;
        else
            EXPECT_EQ(0u, failure.find(c.failure)) << c.what << ": " << failure;
    }
    // A later sign-on is judged from its own first request on.
    std::vector<ReceivedRequest> two = {Got("POST", "/sso", 500), Got("POST", "/sso", 200)};
    EXPECT_EQ("", SignOnFailure(two, 1, server, true, 30));
    EXPECT_EQ(0u, SignOnFailure(two, 2, server, true, 30).find("no sign-on reached the server"));
}
