// The tests' own bound on a child process: a child that outlives it is terminated and reaped, the
// failure carries what it printed, and natively the watch sees a child only while it runs.
#include "kernel_scratch.h"

#include "support/ChildProcess.h"

#include <algorithm>

TEST(ChildHarness, AChildPastItsBoundIsEndedAndReportsWhatItPrinted)
{
    ScratchDir scratch;
    ChildProcess child;
    ASSERT_TRUE(child.Start(TEXT("\"") + ChildProgram() + TEXT("\" hang printed-before-the-hang"),
                            scratch.Path(TEXT("printed.txt"))))
        << child.Failure();
    // Once it has printed, it waits for ever.
    for (DWORD start = GetTickCount(); child.Printed().empty() && GetTickCount() - start < 30000;)
        EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(child.Process(), 10));
#ifndef _WIN32
    std::vector<pid_t> running = ChildWatch::RunningChildren();
    EXPECT_NE(running.end(), std::find(running.begin(), running.end(), static_cast<pid_t>(child.Id())));
#endif

    EXPECT_EQ(ChildProcess::kTimedOut, child.Finish(0));
    EXPECT_TRUE(child.TimedOut());
    EXPECT_TRUE(child.Process() == NULL);
    EXPECT_NE(std::string::npos, child.Failure().find("did not end in time"));
    EXPECT_NE(std::string::npos, child.Failure().find("printed-before-the-hang")) << child.Failure();
#ifndef _WIN32
    running = ChildWatch::RunningChildren();
    EXPECT_EQ(running.end(), std::find(running.begin(), running.end(), static_cast<pid_t>(child.Id())));
#endif
}
