// A fresh host folder for one case under Wine: login_probe, the real DLL and the animation copied
// in, the probe run there in a chosen locale, and what it wrote read back; removed afterwards.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/FileText.h"

typedef std::basic_string<WCHAR> wtext;

inline wtext Widen(const std::string &text)
{
    int cch = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, NULL, 0);
    wtext w(size_t(cch > 1 ? cch - 1 : 0), WCHAR(0));
    if (cch > 1)
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &w[0], cch);
    return w;
}

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
        m_dir = temp + Widen("kh-wine-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial));
        EXPECT_TRUE(CreateDirectoryW(m_dir.c_str(), NULL));
        CreateDirectoryW(Path(L"Images").c_str(), NULL);
        for (const wchar_t *name : {L"login_probe.exe", L"KeyholmPlugin.dll", L"Images\\Wait.gif"})
            EXPECT_TRUE(CopyFileW((ProgramFolder() + name).c_str(), Path(name).c_str(), FALSE)) << "copying a built file";
    }
    ~WineHost() { Remove(m_dir); }
    WineHost(const WineHost &) = delete;
    WineHost &operator=(const WineHost &) = delete;

    const wtext &Dir() const { return m_dir; }
    wtext Path(const wtext &name) const { return m_dir + L"\\" + name; }

    // Starts the probe with the arguments (UTF-8, one word each); its process handle.
    HANDLE Start(const std::vector<std::string> &args)
    {
        wtext line = L"\"" + Path(L"login_probe.exe") + L"\"";
        for (const std::string &a : args)
            line += L" \"" + Widen(a) + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, m_dir.c_str(), &si, &pi))
            return NULL;
        CloseHandle(pi.hThread);
        return pi.hProcess;
    }

    // Runs the probe to its end; its report, or what went wrong.
    std::string Run(const std::vector<std::string> &args)
    {
        HANDLE hProcess = Start(args);
        if (!hProcess)
            return "CreateProcessW failed: " + std::to_string(GetLastError());
        DWORD code = 0xFFFFFFFF;
        if (WaitForSingleObject(hProcess, 240000) == WAIT_OBJECT_0)
            GetExitCodeProcess(hProcess, &code);
        else
            TerminateProcess(hProcess, 1);
        CloseHandle(hProcess);
        if (code != 0)
            return "the probe failed with " + std::to_string(code);
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
