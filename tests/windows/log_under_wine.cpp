// The trace log in Windows processes: records of two processes appended to one debug.log at once
// under the shared mutex, every line whole and none lost.
#include "WineHost.h"

#include <algorithm>

namespace {

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> out;
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        out.push_back(text.substr(at, end - at));
    return out;
}

// "[time][component][level][pid][tid][line|source|message]"
bool WellFormed(const std::string &line, std::string &pid)
{
    size_t at = 0;
    for (int field = 0; field < 5; ++field) {
        if (at >= line.size() || line[at] != '[')
            return false;
        size_t end = line.find(']', at);
        if (end == std::string::npos)
            return false;
        if (field == 3)
            pid = line.substr(at + 1, end - at - 1);
        at = end + 1;
    }
    return at < line.size() && line[at] == '[' && line.back() == ']';
}

const std::vector<std::string> kSteps = {"trace=0", "lang=1033", "init", "get", "create", "caption", "destroy",
                                         "release-plugin", "uninit"};

TEST(WineLog, TwoProcessesAppendWholeLines)
{
    WineHost alone;
    ASSERT_NE(std::string::npos, alone.Run(kSteps).find("kept-references=0")) << "a single run";
    size_t nOne = Lines(ReadFileBytes(alone.Path(L"debug.log"))).size();
    ASSERT_GT(nOne, 0u) << "the plug-in wrote no trace records";

    WineHost shared;
    ChildProcess &first = shared.Start(kSteps);
    ChildProcess &second = shared.Start(kSteps);
    EXPECT_EQ(0u, first.Finish(kWineBoundMs)) << first.Failure();
    EXPECT_EQ(0u, second.Finish(kWineBoundMs)) << second.Failure();

    std::string text = ReadFileBytes(shared.Path(L"debug.log"));
    std::vector<std::string> lines = Lines(text);
    EXPECT_EQ(2 * nOne, lines.size()) << text;
    std::vector<std::string> pids;
    for (const std::string &line : lines) {
        std::string pid;
        EXPECT_TRUE(WellFormed(line, pid)) << line;
        if (std::find(pids.begin(), pids.end(), pid) == pids.end())
            pids.push_back(pid);
    }
    EXPECT_EQ(2u, pids.size()) << text;
}

} // namespace
