// The plug-in's trace log: its configuration and the trace entry every part of the module calls.
#pragma once

#include <windows.h>

namespace LogTool {
class ILogTracer;
}

// One per module. Constant-initialised, then filled by InitLogConfig first thing in the module's
// static start-up; afterwards only minLevel changes (the host's trace level).
struct LogConfiguration {
    int minLevel;                 // a record is written when its level is at least this
    int componentLevels[6];       // own minimum of components 0 to 5; 8 or more: use minLevel
    char logDir[MAX_PATH];        // folder of the host executable, with its trailing backslash
    char logPath[MAX_PATH];       // logDir + "debug.log"
    const char *lineFormat;       // timestamp, component, level, process, thread, line, source, message
    int bufferSize;               // bytes of each formatting buffer
    DWORD maxFileSize;            // a file that grows past this is rotated aside
    LogTool::ILogTracer *tracer;  // sink of the tracer route, not owned
    bool useTracer;               // true: records go to tracer instead of the file
    const WCHAR *mutexName;       // system-wide mutex that serialises appends and rotation
};

extern LogConfiguration LogConfig;

// Fills LogConfig with its defaults and the log file's path. Called once, from the static start-up.
void InitLogConfig();

// Writes one record when level passes the filter; printf-style format. Never fails its caller.
void LogTrace(DWORD component, LONG level, const char *source, DWORD line, const char *format, ...)
    __attribute__((format(printf, 5, 6)));
