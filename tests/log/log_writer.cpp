// A host stand-in for the trace-log tests: it starts the log as the module does, then runs the
// steps its command line names, in order. Exit code 0 when every step did what it should.
#include "log/LogFile.h"
#include "log/log.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

// The bytes of a record's line around its message, for the steps that ask for an exact size.
size_t LineOverhead(DWORD component, LONG level, const char *source, DWORD line)
{
    char text[512];
    return static_cast<size_t>(snprintf(text, sizeof text, "[%s][%u][%u][%u][%u][%u|%s|]\r\n",
                                        "yyyy-mm-dd hh:mm:ss.mmm", component, level, GetCurrentProcessId(),
                                        GetCurrentThreadId(), line, source));
}

DWORD WINAPI TryLogMutex(LPVOID)
{
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, LogConfig.mutexName);
    if (!mutex)
        return 2;
    // Other test processes append under the same system-wide name, so wait for them, with a bound
    // far beyond any append: a mutex this process failed to release never comes free.
    // Abandoned: the holder died, and this thread now owns it.
    DWORD result = WaitForSingleObject(mutex, 30000);
    bool taken = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    if (taken)
        ReleaseMutex(mutex);
    CloseHandle(mutex);
    return taken ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv)
{
    InitLogConfig();
    for (int i = 1; i < argc; ++i) {
        std::string step = argv[i];
        auto arg = [&](int k) { return i + k < argc ? argv[i + k] : ""; };
        if (step == "min") {
            LogConfig.minLevel = atoi(arg(1));
            i += 1;
        } else if (step == "component") {
            LogConfig.componentLevels[atoi(arg(1))] = atoi(arg(2));
            i += 2;
        } else if (step == "max") {
            LogConfig.maxFileSize = static_cast<DWORD>(strtoul(arg(1), NULL, 10));
            i += 1;
        } else if (step == "trace") {  // trace <component> <level> <message>
            LogTrace(static_cast<DWORD>(atoi(arg(1))), atoi(arg(2)), "Writer::Trace", 42, "%s", arg(3));
            i += 3;
        } else if (step == "format") {  // a message with conversions of its own
            LogTrace(9, 4, "Writer::Format", 7, "%d-%s-%%", 12, "ab");
        } else if (step == "empty") {
            const char *none = "";  // an empty format, as the module's callers may pass
            LogTrace(9, 4, "Writer::Empty", 267, none);
        } else if (step == "long") {  // long <bytes of message>
            std::string message(static_cast<size_t>(atoi(arg(1))), 'x');
            message.back() = 'Z';
            LogTrace(9, 4, "Writer::Long", 1, "%s", message.c_str());
            i += 1;
        } else if (step == "sized") {  // sized <bytes of the whole line> <tag>
            size_t want = static_cast<size_t>(atoi(arg(1)));
            std::string tag = arg(2);
            std::string message = tag + std::string(want - LineOverhead(9, 4, "Writer::Sized", 3) - tag.size(), '.');
            LogTrace(9, 4, "Writer::Sized", 3, "%s", message.c_str());
            i += 2;
        } else if (step == "many") {  // many <writer id> <count>
            int count = atoi(arg(2));
            for (int n = 0; n < count; ++n)
                LogTrace(9, 4, "Writer::Many", static_cast<DWORD>(n), "record %s-%d of %d", arg(1), n, count);
            i += 2;
        } else if (step == "nowhere") {  // a log folder that does not exist
            snprintf(LogConfig.logDir, sizeof LogConfig.logDir, "%s", "Z:\\no-such-folder-for-the-log\\");
            snprintf(LogConfig.logPath, sizeof LogConfig.logPath, "%s", "Z:\\no-such-folder-for-the-log\\debug.log");
        } else if (step == "mutex") {  // mutex <name>: a mutex of this test's own, so others' logs go on
            static WCHAR name[128];
            MultiByteToWideChar(CP_ACP, 0, arg(1), -1, name, 128);
            LogConfig.mutexName = name;
            i += 1;
        } else if (step == "take") {  // takes the log's mutex and keeps it: the process ends holding it
            HANDLE mutex = CreateMutexW(NULL, FALSE, LogConfig.mutexName);
            if (!mutex || WaitForSingleObject(mutex, 30000) != WAIT_OBJECT_0)
                return 8;
        } else if (step == "hold") {  // hold <ms>: does nothing for that long, holding what it took
            HANDLE never = CreateEventW(NULL, TRUE, FALSE, NULL);
            if (!never || WaitForSingleObject(never, static_cast<DWORD>(strtoul(arg(1), NULL, 10))) != WAIT_TIMEOUT)
                return 7;
            CloseHandle(never);
            i += 1;
        } else if (step == "home") {
            MakeLogFilePath();
        } else if (step == "released") {  // another thread can take the log's mutex
            HANDLE thread = CreateThread(NULL, 0, TryLogMutex, NULL, 0, NULL);
            DWORD code = 9;
            if (!thread || WaitForSingleObject(thread, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeThread(thread, &code))
                return 9;
            CloseHandle(thread);
            if (code != 0)
                return static_cast<int>(10 + code);
        } else {
            fprintf(stderr, "log_writer: unknown step %s\n", step.c_str());
            return 99;
        }
    }
    return 0;
}
