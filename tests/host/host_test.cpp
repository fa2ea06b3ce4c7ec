// The reference host end to end: it loads the plug-in, drives the module through a language change,
// unloads it, and fails when the plug-in kept a reference to one of its services.
#include "PluginLibrary.h"

#include <gtest/gtest.h>

namespace {

DWORD RunHost(LPCWSTR pszArguments)
{
    CStringW strCommand = TEXT("\"") + PluginLibrary::ProgramDirectory() + TEXT("keyholm-host\" ") + pszArguments;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(NULL, strCommand.GetBuffer(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
    {
        ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
        return 0xFFFFFFFFu;
    }
    strCommand.ReleaseBuffer();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 60000));
    DWORD dwExit = 0xFFFFFFFFu;
    GetExitCodeProcess(pi.hProcess, &dwExit);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return dwExit;
}

TEST(ReferenceHost, DrivesTheModuleAndGetsEveryServiceReferenceBack)
{
    struct { const char16_t* arguments; DWORD dwExit; } cases[] = {
        {u"", 0},
        {u"--lang=1033 --switch-lang=2052 --user=alice --trace-level=0", 0},
        {u"--lang=1028 --switch-lang=0", 0},
        {u"--help", 0},
        {u"--no-such-option", 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.dwExit, RunHost(reinterpret_cast<LPCWSTR>(c.arguments)))
            << "arguments: " << CStringA(reinterpret_cast<LPCWSTR>(c.arguments)).GetString();
}

}  // namespace
