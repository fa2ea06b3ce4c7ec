// A fresh host folder for one case under Wine: login_probe, the real DLL and the animation copied
// in, the probe run there in a chosen locale, and what it wrote read back; removed afterwards.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/FileText.h"
#include "support/WideText.h"

// A probe under Wine may take long to start; the test programs here have a time-out to match.
const DWORD kWineBoundMs = 240000;

typedef std::basic_string<WCHAR> wtext;

inline wtext ProgramFolder()
{
    WCHAR sz[MAX_PATH];
    wtext path(sz, GetModuleFileNameW(NULL, sz, MAX_PATH));
    return path.substr(0, path.rfind(WCHAR('\\')) + 1);
}

inline std::string ReadFileBytes(const wtext &path) { return ReadWholeFile(path, ""); }

// The locale this process runs in, as LANG names it. Under Wine a child process keeps the locale
// of the process that started Wine whatever environment it is given, so locale cases run the whole
// test program under LANG (see CMakeLists.txt) and read it here.
inline std::string ProcessLocale()
{
    WCHAR sz[64] = {};
    DWORD cch = GetEnvironmentVariableW(L"LC_ALL", sz, 64);
    if (cch == 0 || cch >= 64)
        cch = GetEnvironmentVariableW(L"LANG", sz, 64);
    std::string s;
    for (DWORD i = 0; i < cch && i < 64; ++i)
        s += char(sz[i]);
    return s;
}

class WineHost
{
public:
    WineHost()
    {
        static int serial = 0;
        WCHAR temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        m_dir = temp + Wide("kh-wine-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial));
        EXPECT_TRUE(CreateDirectoryW(m_dir.c_str(), NULL));
        CreateDirectoryW(Path(L"Images").c_str(), NULL);
        for (const wchar_t *name : {L"login_probe.exe", L"KeyholmPlugin.dll", L"Images\\Wait.gif"})
            EXPECT_TRUE(CopyFileW((ProgramFolder() + name).c_str(), Path(name).c_str(), FALSE)) << "copying a built file";
    }
    ~WineHost()
    {
        m_children.clear();  // ended before their folder goes
        Remove(m_dir);
    }
    WineHost(const WineHost &) = delete;
    WineHost &operator=(const WineHost &) = delete;

    const wtext &Dir() const { return m_dir; }
    wtext Path(const wtext &name) const { return m_dir + L"\\" + name; }

    // Starts the probe with the arguments (UTF-8, one word each); the probe, which this host ends
    // when it goes. What it prints goes to "printed-<n>.txt" in the folder.
    ChildProcess &Start(const std::vector<std::string> &args)
    {
        wtext line = L"\"" + Path(L"login_probe.exe") + L"\"";
        for (const std::string &a : args)
            line += L" \"" + Wide(a) + L"\"";
        m_children.push_back(std::make_unique<ChildProcess>());
        ChildProcess &child = *m_children.back();
        EXPECT_TRUE(child.Start(line, Path(Wide("printed-" + std::to_string(m_children.size()) + ".txt")), m_dir.c_str()))
            << child.Failure();
        return child;
    }

    // Runs the probe to its end (a generous bound under Wine); its report, or what went wrong with
    // what it printed.
    std::string Run(const std::vector<std::string> &args)
    {
        ChildProcess &child = Start(args);
        if (child.Finish(kWineBoundMs) != 0)
            return "the probe failed: " + child.Failure();
        return ReadFileBytes(Path(L"report.txt"));
    }

private:
    static void Remove(const wtext &dir)
    {
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                wtext name = fd.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                wtext path = dir + L"\\" + name;
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    Remove(path);
                else
                    DeleteFileW(path.c_str());
            } while (FindNextFileW(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryW(dir.c_str());
    }

    wtext m_dir;
    std::vector<std::unique_ptr<ChildProcess>> m_children;
};

// Lines of a report that begin with prefix, without their ends.
inline std::vector<std::string> LinesStarting(const std::string &report, const std::string &prefix)
{
    std::vector<std::string> out;
    for (size_t at = 0, end; (end = report.find('\n', at)) != std::string::npos; at = end + 1)
        if (report.compare(at, prefix.size(), prefix) == 0)
            out.push_back(report.substr(at, end - at));
    return out;
}
