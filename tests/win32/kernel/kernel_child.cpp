// A child process for the kernel tests: one small job per run, named by its first argument.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#ifndef _WIN32
#include <dirent.h>
#include <unistd.h>
#endif

#include "support/WideText.h"

namespace {

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

#ifndef _WIN32
// "<descriptor> <file name>;" for each descriptor above the standard streams that the process holds.
std::string OpenDescriptors()
{
    std::string list;
    DIR *dir = opendir("/proc/self/fd");
    if (!dir)
        return "(no /proc)";
    while (dirent *entry = readdir(dir)) {
        int fd = atoi(entry->d_name);
        if (fd <= 2 || fd == dirfd(dir))
            continue;
        char target[4096];
        std::string link = std::string("/proc/self/fd/") + entry->d_name;
        ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        target[n > 0 ? n : 0] = 0;
        const char *name = strrchr(target, '/');
        list += std::string(entry->d_name) + " " + (name ? name + 1 : target) + ";";
    }
    closedir(dir);
    return list;
}
#endif

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
    if (job == "hang" && argc == 3) {
        // Prints the text, then waits for an event nobody sets: a child that never ends on its own.
        fputs(argv[2], stdout);
        fflush(stdout);
        HANDLE never = CreateEventW(NULL, TRUE, FALSE, NULL);
        WaitForSingleObject(never, INFINITE);
        return 0;
    }
    if (job == "print" && argc == 3) {
        // To the standard output, which the parent may have redirected.
        fputs(argv[2], stdout);
        return fflush(stdout) == 0 ? 0 : 1;
    }
#ifndef _WIN32
    if (job == "descriptors" && argc == 3)
        return WriteNewFile(argv[2], OpenDescriptors()) ? 0 : 1;
#endif
    if (job == "pid" && argc == 3)
        return WriteNewFile(argv[2], std::to_string(GetCurrentProcessId())) ? 0 : 1;
    fprintf(stderr, "kernel_child: unknown job\n");
    return 99;
}
