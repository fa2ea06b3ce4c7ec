// The host's permission server in process: Start returns once it answers and Stop always ends,
// also at once after Start and with a relay under way.
#include "PermissionServer.h"
#include "RawServer.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <thread>

TEST(PermissionServer, StartsAnswersAndStopsEveryTime)
{
    for (int i = 0; i < 300; ++i)
    {
        CPermissionServer server;
        ASSERT_TRUE(server.Start()) << "run " << i;
        server.Stop();
    }
    CPermissionServer server;
    ASSERT_TRUE(server.Start());
    httplib::Client client(server.Address());
    httplib::Result result = client.Post("/sso", "iusername=ann&language_id=1033", "application/x-www-form-urlencoded");
    ASSERT_TRUE(result);
    EXPECT_EQ(200, result->status);
    EXPECT_NE(std::string::npos, result->body.find("Permissions of ann"));
    server.Stop();
    server.Stop();   // a second Stop does nothing
}

// Stop gives up a relay that waits on a silent server at once, not at the relay's deadline.
TEST(PermissionServer, StopEndsARelayUnderWay)
{
    RawServer silent(RawServer::Silence());
    CPermissionServer server;
    ASSERT_TRUE(server.Start("http://127.0.0.1:" + std::to_string(silent.Port())));
    httplib::Client client(server.Address());
    client.set_read_timeout(120);
    std::thread request([&] { client.Get("/sso"); });
    for (int i = 0; i < 6000 && silent.Requests() == 0; ++i)   // the relay has reached the server
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(1, silent.Requests());
    server.Stop();
    request.join();
    std::vector<ReceivedRequest> received = server.Requests();
    ASSERT_EQ(1u, received.size());
    EXPECT_EQ("the host stopped before the server had answered", received[0].failure);
}
