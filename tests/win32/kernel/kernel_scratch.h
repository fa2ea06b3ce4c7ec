// Kernel-test helpers: a scratch folder of the test's own, wide paths, and the child process.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "support/FileText.h"
#include "support/HostFolder.h"
#include "support/WideText.h"

#include <algorithm>
#include <string>
#include <vector>

// A fresh folder under the temporary path; files the test names through it are removed at the end.
class ScratchDir : public HostFolder
{
public:
    ScratchDir() : HostFolder("kh-kernel") {}
};

// "<folder of this test program>\kernel_child.exe".
inline WideString ChildProgram()
{
    WCHAR self[MAX_PATH];
    DWORD n = GetModuleFileNameW(NULL, self, MAX_PATH);
    WideString path(self, n);
    return path.substr(0, path.rfind(TEXT('\\')) + 1) + TEXT("kernel_child.exe");
}

// Starts the child with the given arguments; the process handle, or NULL.
inline HANDLE StartChild(const WideString &arguments, LPVOID environment = NULL, DWORD flags = 0,
                         LPCWSTR directory = NULL)
{
    WideString line = TEXT("\"") + ChildProgram() + TEXT("\" ") + arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(NULL, &line[0], NULL, NULL, FALSE, flags, environment, directory, &si, &pi))
        return NULL;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

// Waits for the process and answers its exit code; one that does not end in time is terminated,
// waited for and reported (it prints to this program's own output), and answers 0xFFFFFFFF.
inline DWORD FinishChild(HANDLE process)
{
    DWORD code = 0xFFFFFFFF;
    if (!process)
        return code;
    if (WaitForSingleObject(process, kChildBoundMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process, &code);
    } else {
        ADD_FAILURE() << "the child did not end in time; terminated";
        TerminateProcess(process, code);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 60000)) << "the terminated child did not end";
    }
    CloseHandle(process);
    return code;
}

// A name no other test run uses.
inline WideString UniqueName(const char *what)
{
    static int serial = 0;
    return Wide(std::string("keyholm-test-") + what + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(++serial));
}
