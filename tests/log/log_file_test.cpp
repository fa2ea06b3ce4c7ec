// The trace log as a host sees it: the lines in "debug.log" next to the executable, its rotation,
// and many processes appending at once.
#include "log_host.h"

#include "support/MessagePump.h"

#include <map>
#include <regex>
#include <set>

namespace {

// The message of each line, in file order (empty when a line has no message part).
std::vector<std::string> Messages(const std::string &text)
{
    std::vector<std::string> messages;
    for (const std::string &line : SplitLines(text)) {
        size_t bar = line.rfind('|');
        messages.push_back(bar == std::string::npos ? line : line.substr(bar + 1, line.size() - bar - 2));
    }
    return messages;
}

}  // namespace

TEST(LogFile, LineLayoutIsTimestampComponentLevelProcessThreadLineSourceMessage)
{
    LogHost host;
    DWORD pid = 0;
    ASSERT_EQ(0u, host.Run("trace 9 4 hello format empty", &pid));
    std::string text = host.Read("debug.log");
    bool ended = false;
    std::vector<std::string> lines = SplitLines(text, &ended);
    ASSERT_EQ(3u, lines.size()) << text;
    EXPECT_TRUE(ended);
    std::smatch m;
    std::regex layout(R"(\[(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)\.(\d{3})\]\[9\]\[4\]\[(\d+)\]\[(\d+)\]\[42\|Writer::Trace\|hello\])");
    ASSERT_TRUE(std::regex_match(lines[0], m, layout)) << lines[0];
    EXPECT_EQ(std::to_string(pid), m[8].str());
    EXPECT_NE("0", m[9].str());
    int month = std::stoi(m[2]), day = std::stoi(m[3]), hour = std::stoi(m[4]);
    EXPECT_TRUE(month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour < 24);
    // The message is formatted from the caller's arguments; an empty one still closes its line.
    EXPECT_EQ("[7|Writer::Format|12-ab-%]", lines[1].substr(lines[1].rfind('[')));
    EXPECT_EQ("[267|Writer::Empty|]", lines[2].substr(lines[2].rfind('[')));
    EXPECT_EQ(lines[0].substr(25, 10 + m[8].length() + m[9].length()), lines[2].substr(25, 10 + m[8].length() + m[9].length()))
        << "component, level, process and thread";
}

TEST(LogFile, LevelAndComponentFilters)
{
    struct Case {
        const char *steps;
        std::vector<std::string> written;
    };
    const Case cases[] = {
        {"trace 9 3 dropped trace 9 4 kept trace 9 7 severe", {"kept", "severe"}},
        {"min 0 trace 9 0 host-zero trace 9 -1 negative", {"host-zero"}},
        {"min 1 trace 9 0 below", {}},
        {"trace 2 3 default-component", {}},  // component level 8: minLevel rules
        {"component 2 1 trace 2 1 own-level trace 2 0 under-own trace 3 1 other", {"own-level"}},
        {"component 5 8 trace 5 4 eight-is-none component 0 6 trace 0 5 zero-below trace 0 6 zero-at",
         {"eight-is-none", "zero-at"}},
        {"component 2 1 trace 9 1 not-a-table-component", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.steps);
        LogHost host;
        ASSERT_EQ(0u, host.Run(c.steps));
        std::string text = host.Read("debug.log");
        EXPECT_EQ(c.written, c.written.empty() && text == "(missing)" ? c.written : Messages(text));
    }
}

TEST(LogFile, OverlongMessageIsShortenedSoTheLineStillEnds)
{
    LogHost host;
    ASSERT_EQ(0u, host.Run("long 20000 trace 9 4 next long 10150"));
    bool ended = false;
    std::vector<std::string> lines = SplitLines(host.Read("debug.log"), &ended);
    ASSERT_EQ(3u, lines.size());
    EXPECT_TRUE(ended);
    EXPECT_EQ(10239u - 2, lines[0].size());  // 10239 bytes with its CR LF
    EXPECT_EQ("xxxx]", lines[0].substr(lines[0].size() - 5));
    EXPECT_EQ("[42|Writer::Trace|next]", lines[1].substr(lines[1].rfind('[')));  // a line of its own
    // A message that fits with its line is written whole, to its last byte.
    EXPECT_EQ("xZ]", lines[2].substr(lines[2].size() - 3));
    EXPECT_LT(lines[2].size(), 10239u - 2);
}

TEST(LogFile, FileThatGrowsPastTheLimitIsRotatedAside)
{
    LogHost host;
    host.Write("debug.log", std::string(940, '#'));  // 60 bytes below the limit
    ASSERT_EQ(0u, host.Run("max 1000 sized 100 pushes"));
    EXPECT_EQ("(missing)", host.Read("debug.log"));
    std::vector<std::string> rotated = host.RotatedNames();
    ASSERT_EQ(1u, rotated.size());
    std::string moved = host.Read(rotated[0]);
    EXPECT_EQ(1040u, moved.size());
    EXPECT_EQ("pushes", moved.substr(moved.rfind('|') + 1, 6));  // the record that pushed it stays with it

    ASSERT_EQ(0u, host.Run("max 1000 trace 9 4 fresh"));
    EXPECT_EQ(std::vector<std::string>{"fresh"}, Messages(host.Read("debug.log")));
}

TEST(LogFile, FileThatReachesExactlyTheLimitStays)
{
    LogHost host;
    host.Write("debug.log", std::string(900, '#'));
    ASSERT_EQ(0u, host.Run("max 1000 sized 100 reaches"));
    EXPECT_EQ(1000u, host.Read("debug.log").size());
    EXPECT_TRUE(host.RotatedNames().empty());
}

TEST(LogFile, RotationNeverReplacesAnEarlierRotatedFile)
{
    LogHost host;
    // Every name the rotation could choose in the next minute is taken already.
    DWORD now = SecondsSince1970();
    for (DWORD s = host.StartSeconds(); s <= now + 60; ++s)
        host.Write("debug.log." + std::to_string(s), "earlier");
    ASSERT_EQ(0u, host.Run("max 300 sized 200 one sized 200 two sized 200 three"));
    std::vector<std::string> tags;
    for (std::string message : Messages(host.Read("debug.log")))
        tags.push_back(message.substr(0, message.find('.')));
    EXPECT_EQ((std::vector<std::string>{"one", "two", "three"}), tags);  // all kept in the growing file
    for (DWORD s = host.StartSeconds(); s <= now + 60; ++s)
        ASSERT_EQ("earlier", host.Read("debug.log." + std::to_string(s)));
}

TEST(LogFile, UnwritableFolderLosesTheRecordAndFreesTheMutex)
{
    LogHost host;
    ASSERT_EQ(0u, host.Run("nowhere trace 9 4 lost released home trace 9 4 found released"));
    EXPECT_EQ(std::vector<std::string>{"found"}, Messages(host.Read("debug.log")));
}

TEST(LogFile, FourProcessesAppendEveryRecordExactlyOnce)
{
    LogHost host;
    const int kWriters = 4, kRecords = 3000;
    ChildProcess *writers[kWriters];
    for (int w = 0; w < kWriters; ++w)
        writers[w] = &host.Start("max 8192 many w" + std::to_string(w) + " " + std::to_string(kRecords));
    for (ChildProcess *writer : writers)
        ASSERT_EQ(0u, writer->Finish(kChildBoundMs)) << writer->Failure();
    std::vector<std::string> files = host.RotatedNames();
    EXPECT_FALSE(files.empty()) << "the first append past the limit always finds its name free";
    files.push_back("debug.log");
    std::map<std::string, int> seen;
    std::regex layout(R"(\[[-0-9 :.]{23}\]\[9\]\[4\]\[\d+\]\[\d+\]\[\d+\|Writer::Many\|record (w\d-\d+) of 3000\])");
    size_t malformed = 0;
    for (const std::string &name : files) {
        bool ended = false;
        for (const std::string &line : SplitLines(host.Read(name), &ended)) {
            std::smatch m;
            if (std::regex_match(line, m, layout))
                ++seen[m[1]];
            else
                ++malformed;
        }
        EXPECT_TRUE(ended) << name;
    }
    EXPECT_EQ(0u, malformed);
    EXPECT_EQ(static_cast<size_t>(kWriters * kRecords), seen.size());
    for (const auto &entry : seen)
        ASSERT_EQ(1, entry.second) << entry.first;
}

// Another program holds the log's mutex and never lets go (stopped, or hung): a writer waits a
// few seconds, then appends its record alone, whole and without rotating, and ends.
TEST(LogFile, MutexHeldElsewhereDelaysButNeverLosesOrFreezes)
{
    LogHost host;
    std::string name = "kh-log-held-" + std::to_string(GetCurrentProcessId());
    std::u16string wide = Wide(name);
    HANDLE mutex = CreateMutexW(NULL, TRUE, wide.c_str());
    ASSERT_TRUE(mutex != NULL);
    host.Write("debug.log", std::string(990, '#'));  // the record takes it past the limit
    ChildProcess &writer = host.Start("mutex " + name + " max 1000 trace 9 4 while-held");
    EXPECT_EQ(0u, writer.Finish(kChildBoundMs)) << "the writer still waits for a mutex that never comes free? "
                                        << writer.Failure();
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(mutex);

    std::string text = host.Read("debug.log");
    EXPECT_EQ(std::string(990, '#'), text.substr(0, 990));
    EXPECT_EQ(std::vector<std::string>{"while-held"}, Messages(text.substr(990)));
    EXPECT_TRUE(host.RotatedNames().empty()) << "no rotation without the mutex";
}

// A holder that is stuck (here a second writer that took the mutex and does nothing) costs the
// first record one wait; the others only try the mutex, so a hundred records take about as long
// as one, where a wait each would take five minutes. Once the holder is gone the mutex is taken
// again: that record is appended under it and rotates the file.
TEST(LogFile, AStuckHolderCostsOneWaitUntilTheMutexIsTakenAgain)
{
    LogHost host;
    std::string name = "kh-log-stuck-" + std::to_string(GetCurrentProcessId());
    ChildProcess &holder = host.Start("mutex " + name + " take hold 120000");
    ASSERT_TRUE(holder.Process() != NULL);
    std::u16string wide = Wide(name);
    HANDLE probe = CreateMutexW(NULL, FALSE, wide.c_str());
    ASSERT_TRUE(probe != NULL);
    bool held = PumpUntil([&] {
        DWORD wait = WaitForSingleObject(probe, 0);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED)
            ReleaseMutex(probe);  // taken before the holder came: let it have the mutex
        return wait == WAIT_TIMEOUT;
    });
    CloseHandle(probe);

    const int kRecords = 100;
    ChildProcess *writer = NULL;
    bool written = false;
    if (held) {
        host.Write("debug.log", std::string(990, '#'));  // any append under the mutex rotates it
        writer = &host.Start("mutex " + name + " max 1000 many stuck " + std::to_string(kRecords) +
                            " released trace 9 4 taken-again");
        written = writer->Process() && PumpUntil([&] {
            std::string text = host.Read("debug.log");
            return text.size() > 990 && Messages(text.substr(990)).size() >= size_t(kRecords);
        }, 40000);
    }
    holder.End();  // its mutex is abandoned, and the writer waiting in "released" takes it
    ASSERT_TRUE(held) << "the holder never took the mutex";
    ASSERT_TRUE(writer != NULL);
    DWORD code = writer->Finish(kChildBoundMs);
    ASSERT_TRUE(written) << "records after the first waited for the stuck holder again";
    EXPECT_EQ(0u, code) << writer->Failure();

    std::vector<std::string> rotated = host.RotatedNames();
    ASSERT_EQ(1u, rotated.size()) << "only the record after the holder rotates";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(host.Path("debug.log").c_str()));
    std::string text = host.Read(rotated[0]);
    ASSERT_LT(990u, text.size());
    EXPECT_EQ(std::string(990, '#'), text.substr(0, 990));
    std::vector<std::string> expected;
    for (int n = 0; n < kRecords; ++n)
        expected.push_back("record stuck-" + std::to_string(n) + " of " + std::to_string(kRecords));
    expected.push_back("taken-again");
    EXPECT_EQ(expected, Messages(text.substr(990)));
}

// A writer that died holding the mutex abandons it: the next one owns it and rotates as usual.
TEST(LogFile, AbandonedMutexIsTakenOver)
{
    LogHost host;
    std::string mutex = "mutex kh-log-abandoned-" + std::to_string(GetCurrentProcessId()) + " ";
    ASSERT_EQ(0u, host.Run(mutex + "take"));
    host.Write("debug.log", std::string(990, '#'));
    ASSERT_EQ(0u, host.Run(mutex + "max 1000 trace 9 4 after-abandon"));
    std::vector<std::string> rotated = host.RotatedNames();
    ASSERT_EQ(1u, rotated.size()) << "the record was appended under the mutex";
    EXPECT_EQ(std::vector<std::string>{"after-abandon"}, Messages(host.Read(rotated[0]).substr(990)));
}
