// A fresh host folder for the trace-log tests: a copy of the log writer runs there, so its log is
// the folder's "debug.log", rotated beside it as "debug.log.<seconds>".
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "support/ChildProcess.h"
#include "support/FileText.h"
#include "support/HostFolder.h"
#include "support/WideText.h"

#include <memory>
#include <string>
#include <vector>

inline DWORD SecondsSince1970()
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    ULONGLONG ticks = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<DWORD>((ticks - 116444736000000000ull) / 10000000ull);
}

class LogHost
{
public:
    LogHost() : m_folder("kh-log"), m_start(SecondsSince1970() - 2)
    {
        std::u16string program = ProgramFolder() + u"log_writer.exe";
        EXPECT_TRUE(CopyFileW(program.c_str(), Path("log_writer.exe").c_str(), FALSE) ||
                    CopyFileW(program.substr(0, program.size() - 4).c_str(), Path("log_writer.exe").c_str(), FALSE));
    }
    // Names everything the writer and the test left, so the folder goes with it.
    ~LogHost()
    {
        for (const auto &name : RotatedNames())
            m_folder.Path(Wide(name));
        for (const auto &name : m_extra)
            m_folder.Path(Wide(name));
        m_folder.Path(u"debug.log");
        m_folder.Path(u"log_writer.exe");
    }

    std::u16string Path(const std::string &name) const { return m_folder.Dir() + u"\\" + Wide(name); }
    // A file the test puts into the folder itself; removed at the end.
    void Keep(const std::string &name) { m_extra.push_back(name); }

    // Starts the writer with the steps; the writer, which this host ends when it goes.
    ChildProcess &Start(const std::string &steps)
    {
        std::u16string line = u"\"" + Path("log_writer.exe") + u"\" " + Wide(steps);
        m_children.push_back(std::make_unique<ChildProcess>());
        ChildProcess &child = *m_children.back();
        std::string printed = "printed-" + std::to_string(m_children.size()) + ".txt";
        Keep(printed);
        EXPECT_TRUE(child.Start(line, Path(printed), m_folder.Dir().c_str())) << child.Failure();
        return child;
    }
    // Runs the writer to its end; its exit code, and its process id through pid.
    DWORD Run(const std::string &steps, DWORD *pid = NULL)
    {
        ChildProcess &child = Start(steps);
        if (pid)
            *pid = child.Id();
        DWORD code = child.Finish(kChildBoundMs);
        EXPECT_EQ(0u, code) << child.Failure();
        return code;
    }

    std::string Read(const std::string &name) const { return ReadWholeFile(Path(name)); }
    void Write(const std::string &name, const std::string &text)
    {
        Keep(name);
        WriteWholeFile(Path(name), text);
    }

    // "debug.log.<seconds>" files from two seconds before this host was made until now.
    std::vector<std::string> RotatedNames() const
    {
        std::vector<std::string> names;
        for (DWORD s = m_start, end = SecondsSince1970() + 2; s <= end; ++s) {
            std::string name = "debug.log." + std::to_string(s);
            if (GetFileAttributesW(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES)
                names.push_back(name);
        }
        return names;
    }

    DWORD StartSeconds() const { return m_start; }

private:
    HostFolder m_folder;
    std::vector<std::string> m_extra;
    DWORD m_start;
    std::vector<std::unique_ptr<ChildProcess>> m_children;  // ended before the folder goes
};

// The file's lines, each with its CR LF cut off; a last piece without CR LF is kept as it is.
inline std::vector<std::string> SplitLines(const std::string &text, bool *allEnded = NULL)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    if (allEnded)
        *allEnded = start == text.size();
    return lines;
}
