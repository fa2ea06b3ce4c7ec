// How every navigation ends on the wire: redirects of a POST, servers that stall, connections
// never accepted, a worker thread that cannot start, and a navigation the host cancels.
#include "support/ScopedVariable.h"
#include "fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The events that end a navigation, in order, progress reduced to its final (-1) report.
std::vector<DISPID> Ending(const std::vector<Event> &events)
{
    std::vector<DISPID> order;
    for (const Event &e : events)
        if (e.id == DISPID_NAVIGATEERROR || e.id == DISPID_NAVIGATECOMPLETE2 || e.id == DISPID_DOCUMENTCOMPLETE ||
            (e.id == DISPID_PROGRESSCHANGE && e.progress == -1))
            order.push_back(e.id);
    return order;
}

const std::vector<DISPID> failed = {DISPID_NAVIGATEERROR, DISPID_NAVIGATECOMPLETE2, DISPID_DOCUMENTCOMPLETE,
                                    DISPID_PROGRESSCHANGE};

TEST_F(Browser, ARedirectedPostGoesOnAsAGetWithoutBodyHeadersUnless307Or308)
{
    struct Case {
        int status;
        const char *method;
        bool keepsBody;
    } cases[] = {{301, "GET", false}, {302, "GET", false}, {303, "GET", false}, {307, "POST", true}, {308, "POST", true}};
    for (const Case &c : cases)
        server.Redirect("/moved" + std::to_string(c.status), c.status, "/target");
    server.Page("/target", "<p>arrived</p>");
    server.Start();

    std::string body = "iusername=alice&language_id=9";
    for (const Case &c : cases) {
        host.events.clear();
        std::u16string from = server.Url(("/moved" + std::to_string(c.status)).c_str());
        ASSERT_EQ(S_OK, Go(from, &body, u"Content-Type: application/x-www-form-urlencoded ", 2));
        ASSERT_TRUE(Finished(server.Url("/target"))) << c.status;
        auto log = server.Log();
        ASSERT_GE(log.size(), 2u);
        const Server::Request &first = log[log.size() - 2], &second = log.back();
        EXPECT_EQ("POST", first.method) << c.status;
        EXPECT_EQ("/target", second.path) << c.status;
        EXPECT_EQ(c.method, second.method) << c.status;
        EXPECT_EQ(c.keepsBody ? body : "", second.body) << c.status;
        EXPECT_EQ(c.keepsBody ? "application/x-www-form-urlencoded" : "", second.contentType) << c.status;
        EXPECT_EQ(1u, host.Count(DISPID_BEFORENAVIGATE2)) << "a redirect fires no BeforeNavigate2 of its own";
    }
}

// Bytes that keep coming, never more than 20 ms apart, are cut off by the overall deadline.
TEST_F(Browser, AServerThatStallsOrTricklesEndsTheNavigationWithATimeoutAndTheErrorPage)
{
    ScopedVariable idle(u"KEYHOLM_BROWSER_IDLE_TIMEOUT_MS", u"300");
    ScopedVariable total(u"KEYHOLM_BROWSER_TOTAL_TIMEOUT_MS", u"1500");
    server.Slow("/silent");          // accepts, reads the request, never answers
    server.StallInBody("/stalled");  // answers headers and a few bytes, then nothing
    server.Trickle("/trickle");      // a few bytes every 20 ms, without end
    server.Page("/page", "<title>Loaded</title>");
    server.Start();
    for (const char *path : {"/silent", "/stalled", "/trickle"}) {
        host.events.clear();
        std::u16string url = server.Url(path);
        ASSERT_EQ(S_OK, Go(url));
        ASSERT_TRUE(PumpUntil([&] { return host.Has(DISPID_PROGRESSCHANGE) && host.events.back().progress == -1; }))
            << path << ": the navigation never ended";
        EXPECT_EQ(failed, Ending(host.events)) << path;
        if (std::string(path) == "/trickle") {
            bool arriving = false;
            for (const Event &e : host.events)
                arriving = arriving || (e.id == DISPID_PROGRESSCHANGE && e.progress > 0);
            EXPECT_TRUE(arriving) << "the body was arriving when the deadline came";
        }
        for (const Event &e : host.events)
            if (e.id == DISPID_NAVIGATEERROR) {
                EXPECT_EQ(LONG(INET_E_CONNECTION_TIMEOUT), e.code) << path;
            }
        BSTR name = NULL;
        ASSERT_EQ(S_OK, browser->get_LocationName(&name));
        EXPECT_EQ(u"Cannot display the page", std::u16string(name)) << path;
        SysFreeString(name);
        VARIANT_BOOL busy = VARIANT_TRUE;
        browser->get_Busy(&busy);
        EXPECT_EQ(VARIANT_FALSE, busy) << path;
    }
    host.events.clear();  // the worker that gave up on them takes the next request as usual
    ASSERT_EQ(S_OK, Go(server.Url("/page")));
    ASSERT_TRUE(Finished(server.Url("/page")));
    EXPECT_FALSE(host.Has(DISPID_NAVIGATEERROR));
}

// A listening socket with a backlog of one taken: the kernel drops the next handshake, so a
// connection attempt waits as it would for an unreachable host.
TEST_F(Browser, AConnectionNeverAcceptedEndsWithATimeout)
{
    ScopedVariable connectLimit(u"KEYHOLM_BROWSER_CONNECT_TIMEOUT_MS", u"300");
    ScopedVariable idleLimit(u"KEYHOLM_BROWSER_IDLE_TIMEOUT_MS", u"600000");
    int listener = socket(AF_INET, SOCK_STREAM, 0), filler = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(0, bind(listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr));
    ASSERT_EQ(0, listen(listener, 0));
    ASSERT_EQ(0, getsockname(listener, reinterpret_cast<sockaddr *>(&addr), &len));
    ASSERT_EQ(0, connect(filler, reinterpret_cast<sockaddr *>(&addr), sizeof addr));

    std::u16string url = Wide("http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/");
    ASSERT_EQ(S_OK, Go(url));
    bool ended = PumpUntil([&] { return host.Has(DISPID_PROGRESSCHANGE) && host.events.back().progress == -1; });
    close(filler);
    close(listener);
    ASSERT_TRUE(ended) << "the connection attempt never ended";
    EXPECT_EQ(failed, Ending(host.events));
    for (const Event &e : host.events)
        if (e.id == DISPID_NAVIGATEERROR) {
            EXPECT_EQ(LONG(INET_E_CONNECTION_TIMEOUT), e.code);
        }
}

// Threads get a default stack no system can map, so std::thread fails inside the real request
// path exactly as it does when the process is out of threads or memory. The control's worker
// starts with its first request, so that request is the one that fails; once it runs, the worker
// needs no thread of its own for later ones.
TEST_F(Browser, AWorkerThatCannotStartEndsTheNavigationWithAnError)
{
    server.Page("/page", "<p>page</p>");
    server.Start();
    httplib::Client warm("127.0.0.1", server.port);  // once answered, the server has all its threads
    ASSERT_TRUE(warm.Get("/page"));

    pthread_attr_t saved, huge;
    ASSERT_EQ(0, pthread_getattr_default_np(&saved));
    ASSERT_EQ(0, pthread_getattr_default_np(&huge));
    ASSERT_EQ(0, pthread_attr_setstacksize(&huge, size_t(1) << 46));
    ASSERT_EQ(0, pthread_setattr_default_np(&huge));
    HRESULT hr = E_FAIL;
    try {
        hr = Go(server.Url("/page"));
    } catch (...) {
        ADD_FAILURE() << "Navigate threw towards the host";
    }
    pthread_setattr_default_np(&saved);
    EXPECT_EQ(S_OK, hr);

    ASSERT_TRUE(PumpUntil([&] { return host.Has(DISPID_PROGRESSCHANGE) && host.events.back().progress == -1; }))
        << "the navigation never ended";
    EXPECT_EQ(failed, Ending(host.events));
    EXPECT_EQ(1u, server.Log().size());
    VARIANT_BOOL busy = VARIANT_TRUE;
    browser->get_Busy(&busy);
    EXPECT_EQ(VARIANT_FALSE, busy);

    host.events.clear();  // with threads to be had again, the same address loads
    ASSERT_EQ(S_OK, Go(server.Url("/page")));
    ASSERT_TRUE(Finished(server.Url("/page")));
    EXPECT_FALSE(host.Has(DISPID_NAVIGATEERROR));

    ASSERT_EQ(0, pthread_setattr_default_np(&huge));  // the running worker takes the next one
    host.events.clear();
    hr = Go(server.Url("/page"));
    pthread_setattr_default_np(&saved);
    pthread_attr_destroy(&huge);
    pthread_attr_destroy(&saved);
    EXPECT_EQ(S_OK, hr);
    ASSERT_TRUE(Finished(server.Url("/page")));
    EXPECT_FALSE(host.Has(DISPID_NAVIGATEERROR));
}

// A cancelled navigation fires nothing after its BeforeNavigate2; the page shown stays, and a
// navigation already in flight goes on to its own end, which is what stops a loading animation.
TEST_F(Browser, ACancelledNavigationLeavesThePageAndTheLoadInFlight)
{
    server.Page("/page", "<title>Shown</title><p>page</p>");
    server.Slow("/slow");
    server.Start();
    host.cancelPrefix = u"app:";
    ASSERT_EQ(S_OK, Go(server.Url("/page")));
    ASSERT_TRUE(Finished(server.Url("/page")));
    ASSERT_TRUE(PumpUntil([&] { return host.events.back().progress == -1; }));

    host.events.clear();
    ASSERT_EQ(S_OK, Go(u"app:settings"));
    ASSERT_EQ(1u, host.events.size());
    EXPECT_EQ(DISPID_BEFORENAVIGATE2, host.events[0].id);
    BSTR location = NULL;
    ASSERT_EQ(S_OK, browser->get_LocationURL(&location));
    EXPECT_EQ(server.Url("/page"), std::u16string(location));
    SysFreeString(location);
    VARIANT_BOOL busy = VARIANT_TRUE;
    browser->get_Busy(&busy);
    EXPECT_EQ(VARIANT_FALSE, busy);

    ASSERT_EQ(S_OK, Go(server.Url("/slow")));
    ASSERT_TRUE(PumpUntil([&] { return server.Held() == 1; }));
    ASSERT_EQ(S_OK, Go(u"app:other"));
    server.Release();
    ASSERT_TRUE(Finished(server.Url("/slow"))) << "the cancel stopped the navigation in flight";
    ASSERT_TRUE(PumpUntil([&] { return host.events.back().progress == -1; }));
}

}  // namespace
