// The loopback servers' accept loop (host/ServerThread.h): Start returns only once the server
// accepts, and Stop always ends it, right after Start as while a request is still being answered.
#include "ServerThread.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

namespace {

TEST(ServerThread, StopRightAfterStartAlwaysEnds)
{
    httplib::Server server;
    server.Get("/", [](const httplib::Request &, httplib::Response &res) { res.set_content("up", "text/plain"); });
    CServerThread runner(server);
    for (int i = 0; i < 300; ++i) {
        int port = runner.Start();
        ASSERT_GT(port, 0) << "round " << i;
        if (i % 50 == 0) {  // it accepts as soon as Start returns
            httplib::Client client("127.0.0.1", port);
            auto res = client.Get("/");
            ASSERT_TRUE(res) << "round " << i;
            EXPECT_EQ("up", res->body);
        }
        runner.Stop();  // a lost stop() would leave this waiting until the test's time-out
        EXPECT_FALSE(server.is_running());
    }
    EXPECT_GT(runner.Start(), 0);  // and it starts again after all that
    runner.Stop();
}

// A request in flight is answered in full before Stop returns, and the port takes no more.
TEST(ServerThread, StopWhileARequestIsInFlightAnswersItThenEnds)
{
    std::mutex lock;
    std::condition_variable changed;
    bool entered = false, release = false;
    httplib::Server server;
    server.Get("/slow", [&](const httplib::Request &, httplib::Response &res) {
        std::unique_lock<std::mutex> g(lock);
        entered = true;
        changed.notify_all();
        changed.wait_for(g, std::chrono::seconds(30), [&] { return release; });
        res.set_content("answered", "text/plain");
    });
    server.Get("/ping", [](const httplib::Request &, httplib::Response &res) { res.set_content("pong", "text/plain"); });
    CServerThread runner(server);
    int port = runner.Start();
    ASSERT_GT(port, 0);

    auto answer = std::async(std::launch::async, [port] {
        httplib::Client client("127.0.0.1", port);
        auto res = client.Get("/slow");
        return res ? res->body : "no answer: " + httplib::to_string(res.error());
    });
    {
        std::unique_lock<std::mutex> g(lock);
        ASSERT_TRUE(changed.wait_for(g, std::chrono::seconds(30), [&] { return entered; }));
    }
    auto stopped = std::async(std::launch::async, [&runner] { runner.Stop(); });
    // The stop has taken effect once the port refuses; the held request keeps Stop waiting.
    httplib::Client probe("127.0.0.1", port);
    probe.set_connection_timeout(5);
    for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
         probe.Get("/ping") && std::chrono::steady_clock::now() < until;)
        std::this_thread::yield();
    EXPECT_FALSE(probe.Get("/ping")) << "the port still takes requests while Stop runs";
    EXPECT_EQ(std::future_status::timeout, stopped.wait_for(std::chrono::seconds(0)))
        << "Stop returned before the request in flight was answered";
    {
        std::lock_guard<std::mutex> g(lock);
        release = true;
        changed.notify_all();
    }
    ASSERT_EQ(std::future_status::ready, stopped.wait_for(std::chrono::seconds(30))) << "Stop did not end";
    ASSERT_EQ(std::future_status::ready, answer.wait_for(std::chrono::seconds(30)));
    EXPECT_EQ("answered", answer.get());

    httplib::Client late("127.0.0.1", port);
    late.set_connection_timeout(5);
    EXPECT_FALSE(late.Get("/slow")) << "the stopped server still answers";
}

}  // namespace
