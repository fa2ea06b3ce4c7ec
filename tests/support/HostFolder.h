// A fresh host folder under the temporary path for tests that run a built program from a folder of
// its own: built files copied in, the program run there, and everything named through it removed.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "support/ChildProcess.h"
#include "support/FileText.h"

#include <algorithm>
#include <string>
#include <vector>

// The folder of the running test program, with its trailing backslash.
inline WideString ProgramFolder()
{
    WCHAR self[MAX_PATH];
    WideString path(self, GetModuleFileNameW(NULL, self, MAX_PATH));
    return path.substr(0, path.rfind(TEXT('\\')) + 1);
}

class HostFolder
{
public:
    // Makes "<tag>-<process id>-<serial>" under the temporary path.
    explicit HostFolder(const std::string &tag)
    {
        static int serial = 0;
        WCHAR temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        std::string name = tag + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
        m_dir = temp + WideString(name.begin(), name.end());
        EXPECT_TRUE(CreateDirectoryW(m_dir.c_str(), NULL));
    }
    // Removes what was named through the folder, newest first (files before their folders), then it.
    ~HostFolder()
    {
        for (auto it = m_names.rbegin(); it != m_names.rend(); ++it) {
            WideString path = m_dir + TEXT("\\") + *it;
            if (!DeleteFileW(path.c_str()))
                RemoveDirectoryW(path.c_str());
        }
        RemoveDirectoryW(m_dir.c_str());
    }
    HostFolder(const HostFolder &) = delete;
    HostFolder &operator=(const HostFolder &) = delete;

    const WideString &Dir() const { return m_dir; }
    // The full path of name (relative to the folder), removed when the folder goes.
    WideString Path(const WideString &name)
    {
        if (std::find(m_names.begin(), m_names.end(), name) == m_names.end())
            m_names.push_back(name);
        return m_dir + TEXT("\\") + name;
    }
    // Makes a folder inside.
    void Folder(const WideString &name) { EXPECT_TRUE(CreateDirectoryW(Path(name).c_str(), NULL)); }
    // Copies a file built beside the test program to the same relative name here.
    void CopyBuilt(const WideString &name)
    {
        EXPECT_TRUE(CopyFileW((ProgramFolder() + name).c_str(), Path(name).c_str(), FALSE)) << "copying a built file";
    }

    // Runs program (a name inside the folder) there with the arguments, each quoted, and an optional
    // UTF-16 environment block; the report file it wrote, or what went wrong with what it printed.
    // A program still running after boundMs is terminated.
    std::string Run(const WideString &program, const std::vector<WideString> &args, const WideString &report,
                    DWORD boundMs, WideString *environment = NULL)
    {
        WideString line = TEXT("\"") + Path(program) + TEXT("\"");
        for (const WideString &a : args)
            line += TEXT(" \"") + a + TEXT("\"");
        WideString reportPath = Path(report);
        ChildProcess child;
        if (!child.Start(line, Path(TEXT("printed.txt")), m_dir.c_str(), environment ? &(*environment)[0] : NULL,
                         environment ? CREATE_UNICODE_ENVIRONMENT : 0))
            return "the probe did not start: " + child.Failure();
        if (child.Finish(boundMs) != 0)
            return "the probe failed: " + child.Failure();
        return ReadWholeFile(reportPath);
    }

private:
    WideString m_dir;
    std::vector<WideString> m_names;
};
