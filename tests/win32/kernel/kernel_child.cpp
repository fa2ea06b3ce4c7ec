// A child process for the kernel tests: one small job per run, named by its first argument.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "support/WideString.h"

namespace {

WideString Wide(const char *text)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, NULL, 0);
    WideString wide(n > 0 ? n : 1, TEXT('\0'));
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text, -1, &wide[0], n);
    wide.resize(wide.size() - 1);
    return wide;
}

bool WriteNewFile(const char *path, const std::string &text)
{
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, NULL);
    CloseHandle(h);
    return ok && written == text.size();
}

// Takes the gate and gives it back at once: waits until the parent lets go of it.
void PassGate(const char *name)
{
    HANDLE gate = CreateMutexW(NULL, FALSE, Wide(name).c_str());
    WaitForSingleObject(gate, INFINITE);
    ReleaseMutex(gate);
    CloseHandle(gate);
}

}  // namespace

int main(int argc, char **argv)
{
    std::string job = argc > 1 ? argv[1] : "";
    if (job == "exit" && argc == 3)
        ExitProcess(static_cast<UINT>(atoi(argv[2])));
    if (job == "hold" && argc == 3) {
        // Owns the mutex and ends without releasing it.
        HANDLE mutex = CreateMutexW(NULL, FALSE, Wide(argv[2]).c_str());
        return WaitForSingleObject(mutex, INFINITE) == WAIT_OBJECT_0 ? 0 : 1;
    }
    if (job == "gate" && argc == 4) {
        PassGate(argv[2]);
        return atoi(argv[3]);
    }
    if (job == "race" && argc == 6) {
        // race <mutex> <start gate> <end gate> <result file>: "1" when the mutex existed already.
        PassGate(argv[3]);
        SetLastError(0xdeadbeef);
        HANDLE mutex = CreateMutexW(NULL, FALSE, Wide(argv[2]).c_str());
        if (!mutex)
            return 2;
        bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
        if (!WriteNewFile(argv[5], existed ? "1" : "0"))
            return 3;
        PassGate(argv[4]);
        CloseHandle(mutex);
        return 0;
    }
    if (job == "args" && argc >= 3) {
        std::string all;
        for (int i = 3; i < argc; ++i)
            all += std::string(argv[i]) + "|";
        return WriteNewFile(argv[2], all) ? 0 : 1;
    }
    if (job == "env" && argc == 4) {
        const char *value = getenv(argv[2]);
        return WriteNewFile(argv[3], value ? value : "(unset)") ? 0 : 1;
    }
    if (job == "pid" && argc == 3)
        return WriteNewFile(argv[2], std::to_string(GetCurrentProcessId())) ? 0 : 1;
    fprintf(stderr, "kernel_child: unknown job\n");
    return 99;
}
