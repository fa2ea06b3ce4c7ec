// The control's worker: one thread per control, started by its first request and reused with its
// connection by the next ones, and ended with the control whatever is in flight.
#include "fixture.h"

#include <dirent.h>

#include <vector>

namespace {

size_t ThreadCount()
{
    size_t count = 0;
    if (DIR *dir = opendir("/proc/self/task")) {
        while (dirent *entry = readdir(dir))
            count += entry->d_name[0] != '.';
        closedir(dir);
    }
    return count;
}

// The thread count once threads that have ended are gone: a joined thread can stay listed for a
// moment after the join returns, while the kernel still releases it. A thread that runs on never
// leaves, so the bounded wait fails for it.
bool ThreadCountSettlesAt(size_t expected)
{
    return PumpUntil([&] { return ThreadCount() == expected; });
}

// A control without a site or sinks: navigating needs neither, and its ready state tells the end.
IWebBrowser2 *NewBrowser()
{
    IWebBrowser2 *browser = NULL;
    CoCreateInstance(CLSID_WebBrowser, NULL, CLSCTX_INPROC_SERVER, IID_IWebBrowser2, reinterpret_cast<void **>(&browser));
    return browser;
}

HRESULT Navigate(IWebBrowser2 *browser, const std::u16string &url)
{
    BSTR address = SysAllocStringLen(url.data(), UINT(url.size()));
    HRESULT hr = browser->Navigate(address, NULL, NULL, NULL, NULL);
    SysFreeString(address);
    return hr;
}

bool Complete(IWebBrowser2 *browser)
{
    READYSTATE state = READYSTATE_UNINITIALIZED;
    VARIANT_BOOL busy = VARIANT_TRUE;
    browser->get_ReadyState(&state);
    browser->get_Busy(&busy);
    return state == READYSTATE_COMPLETE && !busy;
}

}  // namespace

// A sign-on's POST and the page after it: one worker thread and one connection for both.
TEST_F(Browser, RequestsOfOneControlShareItsWorkerAndConnection)
{
    server.Page("/signon", "<p>signed on</p>");
    server.Page("/next", "<p>next</p>");
    server.Start();
    httplib::Client warm("127.0.0.1", server.port);  // once answered, the server has all its threads
    ASSERT_TRUE(warm.Get("/next"));
    size_t before = ThreadCount();

    std::string body = "user=a&password=b";
    ASSERT_EQ(S_OK, Go(server.Url("/signon"), &body, u"Content-Type: application/x-www-form-urlencoded\r\n"));
    ASSERT_TRUE(Finished(server.Url("/signon")));
    EXPECT_EQ(before + 1, ThreadCount());
    for (int i = 0; i < 3; ++i) {
        host.events.clear();
        ASSERT_EQ(S_OK, Go(server.Url("/next")));
        ASSERT_TRUE(Finished(server.Url("/next")));
        EXPECT_EQ(before + 1, ThreadCount()) << "navigation " << i;
    }
    std::vector<Server::Request> log = server.Log();
    ASSERT_EQ(5u, log.size());
    EXPECT_EQ(body, log[1].body);
    for (size_t i = 2; i < log.size(); ++i)
        EXPECT_EQ(log[1].remotePort, log[i].remotePort) << "request " << i << " opened a connection of its own";
}

// The last reference goes while the server holds the request: the worker is stopped and joined
// inside that Release, so no thread outlives the control.
TEST_F(Browser, AControlReleasedWhileItsRequestRunsEndsItsWorker)
{
    server.Slow("/slow");
    server.Start();
    httplib::Client warm("127.0.0.1", server.port);
    warm.Get("/warm");
    size_t before = ThreadCount();

    IWebBrowser2 *other = NewBrowser();
    ASSERT_TRUE(other);
    ASSERT_EQ(S_OK, Navigate(other, server.Url("/slow")));
    ASSERT_TRUE(PumpUntil([&] { return server.Held() == 1; })) << "the slow request never arrived";
    EXPECT_EQ(before + 1, ThreadCount());
    EXPECT_EQ(0u, other->Release());
    EXPECT_TRUE(ThreadCountSettlesAt(before)) << ThreadCount() << " threads, " << before << " before";
    server.Release();
}

// Many controls in one process: each has its own worker, all load, and each worker ends with its
// control, those with a request in flight as well.
TEST_F(Browser, ManyControlsEachHaveOneWorkerThatEndsWithThem)
{
    server.Page("/page", "<p>page</p>");
    server.Slow("/slow");
    server.Start();
    httplib::Client warm("127.0.0.1", server.port);
    ASSERT_TRUE(warm.Get("/page"));
    size_t before = ThreadCount();

    const size_t count = 6;
    std::vector<IWebBrowser2 *> controls;
    for (size_t i = 0; i < count; ++i) {
        controls.push_back(NewBrowser());
        ASSERT_TRUE(controls.back());
        ASSERT_EQ(S_OK, Navigate(controls.back(), server.Url("/page")));
    }
    ASSERT_TRUE(PumpUntil([&] {
        for (IWebBrowser2 *b : controls)
            if (!Complete(b))
                return false;
        return true;
    })) << "not every control loaded its page";
    EXPECT_EQ(before + count, ThreadCount());
    EXPECT_EQ(1 + count, server.Log().size());

    ASSERT_EQ(S_OK, Navigate(controls[0], server.Url("/slow")));  // a second request, then another
    ASSERT_EQ(S_OK, Navigate(controls[0], server.Url("/page")));  // replacing it while it may run
    ASSERT_EQ(S_OK, Navigate(controls[1], server.Url("/slow")));
    ASSERT_TRUE(PumpUntil([&] { return Complete(controls[0]) && server.Held() >= 1; }));
    for (IWebBrowser2 *b : controls)
        EXPECT_EQ(0u, b->Release());
    EXPECT_TRUE(ThreadCountSettlesAt(before)) << ThreadCount() << " threads, " << before << " before";
    server.Release();
}
