// Running the built keyholm-host from a test: in a host folder of the test's own, through its
// launcher (--host-dir) or as the copy that does the work (--in-place), always ended on time-out.
#pragma once

#include "PluginLibrary.h"
#include "support/HostFolder.h"
#include "support/WideText.h"

#include <gtest/gtest.h>

#include <owner/unique_handle.h>

#include <string>
#include <vector>

// One argument quoted for the C run-time's splitting of a command line.
inline std::u16string Quoted(const std::u16string& arg)
{
    std::u16string out = u"\"";
    size_t slashes = 0;
    for (char16_t c : arg)
    {
        if (c == u'\\')
        {
            ++slashes;
            continue;
        }
        out.append(c == u'"' ? 2 * slashes + 1 : slashes, u'\\');
        slashes = 0;
        out += c;
    }
    out.append(2 * slashes, u'\\');
    return out + u"\"";
}

// Bounds well above the host's own (its copy gives up within about two minutes, its launcher
// after five).
const DWORD kHostBoundMs = 330000;
const DWORD kNoExit = 0xFFFFFFFFu;

// Runs program (UTF-8 arguments) with an optional UTF-16 environment block and returns its exit
// code; on time-out it ends the program, waits for it and fails the test.
inline DWORD RunProgram(const std::u16string& program, const std::vector<std::string>& args,
                        std::u16string* environment = NULL, DWORD dwBoundMs = kHostBoundMs)
{
    std::u16string line = Quoted(program);
    for (const std::string& a : args)
        line += u" " + Quoted(Wide(a));
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(NULL, &line[0], NULL, NULL, FALSE, environment ? CREATE_UNICODE_ENVIRONMENT : 0,
                        environment ? &(*environment)[0] : NULL, NULL, &si, &pi))
    {
        ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
        return kNoExit;
    }
    owner::unique_kernel_handle process(pi.hProcess), thread(pi.hThread);
    DWORD dwExit = kNoExit;
    if (WaitForSingleObject(process.get(), dwBoundMs) != WAIT_OBJECT_0)
    {
        ADD_FAILURE() << Utf8(line) << " did not end within " << dwBoundMs / 1000 << " s; ended it";
        TerminateProcess(process.get(), kNoExit);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.get(), 30000)) << "the ended program was not reaped";
    }
    else
        GetExitCodeProcess(process.get(), &dwExit);
    return dwExit;
}

// Runs the built keyholm-host (its launcher) with the arguments.
inline DWORD RunHost(const std::vector<std::string>& args, std::u16string* environment = NULL)
{
    return RunProgram(reinterpret_cast<const char16_t*>(
                          (PluginLibrary::ProgramDirectory() + TEXT("keyholm-host")).GetString()),
                      args, environment);
}

// A host folder, with everything the host lays out and leaves named for removal.
class DemoFolder : public HostFolder
{
public:
    DemoFolder() : HostFolder("kh-host")
    {
        for (const char16_t* name : {u"Images", u"Plugins", u"keyholm-host", u"KeyholmPlugin.dll", u"Images\\Wait.gif",
                                     u"Plugins\\SSOBanner.ini", u"debug.log", u"loading.png", u"loaded.png",
                                     u"report.txt", u"stderr.txt"})
            Path(name);
    }
    std::string HostDirOption() const { return "--host-dir=" + Utf8(Dir()); }
    std::string Report() { return ReadWholeFile(Path(u"report.txt")); }
    std::string Ini() { return ReadWholeFile(Path(u"Plugins\\SSOBanner.ini")); }
    std::string Stderr() { return ReadWholeFile(Path(u"stderr.txt")); }

    // Lays the folder out as the launcher would, so the copy can be run here directly.
    void LayOut()
    {
        Folder(u"Images");
        Folder(u"Plugins");
        for (const char16_t* name : {u"keyholm-host", u"KeyholmPlugin.dll", u"Images\\Wait.gif"})
            CopyBuilt(name);
    }
    // Runs the copy here (--in-place, one process, so ending it on time-out ends all) under a
    // shell that sets the file size limit (ulimit -f, 1024-byte blocks; empty for none) and sends
    // stderr to stderr.txt here.
    DWORD RunInPlace(const std::vector<std::string>& args, const std::string& fileSizeLimit = std::string())
    {
        std::string dir = Utf8(Dir());   // Z:\tmp\... for the shell: /tmp/...
        if (dir.size() >= 2 && dir[1] == ':')
            dir = dir.substr(2);
        for (char& c : dir)
            c = c == '\\' ? '/' : c;
        std::string script = (fileSizeLimit.empty() ? std::string() : "ulimit -f " + fileSizeLimit + " && ") +
                             "cd \"$1\" && shift && exec ./keyholm-host --in-place \"$@\" >/dev/null 2>stderr.txt";
        std::vector<std::string> shellArgs = {"-c", script, "sh", dir};
        shellArgs.insert(shellArgs.end(), args.begin(), args.end());
        return RunProgram(u"/bin/sh", shellArgs);
    }
};
