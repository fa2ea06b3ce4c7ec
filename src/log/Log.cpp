// The trace entry: the level filter, the record's two formatting buffers, its line and where it goes.
#include "log/log.h"

#include "log/LogFile.h"
#include "log/LogTracer.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <memory>

namespace {

const char LOG_LINE_FORMAT[] = "[%s][%u][%u][%u][%u][%u|%s|%s]\r\n";

bool PassesLevelFilter(DWORD component, LONG level)
{
    int minimum = LogConfig.minLevel;
    if (component <= 5 && LogConfig.componentLevels[component] < 8)
        minimum = LogConfig.componentLevels[component];
    return level >= minimum;
}

// The text after the last conversion of a format: what closes every line ("]\r\n" by default).
const char *FormatTail(const char *format)
{
    const char *tail = format;
    for (const char *p = format; *p; ++p) {
        if (*p != '%')
            continue;
        if (p[1] == '%') {
            ++p;
            continue;
        }
        ++p;
        while (*p && strchr("-+ #0123456789.*hljztL", *p))
            ++p;
        if (!*p)
            break;
        tail = p + 1;
    }
    return tail;
}

// Formats the record's line into a zero-filled buffer of size bytes. A line that does not fit is
// not cut blindly: the message gives way so that the line still ends as the format ends, and the
// next record starts on a line of its own.
void FormatLogLine(char *line, int size, DWORD component, LONG level, const char *source, DWORD lineNumber,
                   const char *message)
{
    char time[LOG_TIME_SIZE];
    FormatLogTime(time);
    int length = snprintf(line, static_cast<size_t>(size), LogConfig.lineFormat, time, component, level,
                          GetCurrentProcessId(), GetCurrentThreadId(), lineNumber, source ? source : "", message);
    if (length >= size) {
        const char *tail = FormatTail(LogConfig.lineFormat);
        size_t tailLength = strlen(tail);
        if (tailLength < static_cast<size_t>(size))
            memcpy(line + size - 1 - tailLength, tail, tailLength);
    }
}

// A zero-filled formatting buffer of LogConfig.bufferSize bytes.
std::unique_ptr<char[]> NewLogBuffer(int size) { return std::unique_ptr<char[]>(new char[static_cast<size_t>(size)]()); }

}  // namespace

// Constant-initialised: no code runs for it, so InitLogConfig may come first from another unit.
LogConfiguration LogConfig = {
    4, {8, 8, 8, 8, 8, 8}, "", "", LOG_LINE_FORMAT, 10240, 10485760, &theLogTracer, false, TEXT("LogFileMutex"),
};

void InitLogConfig()
{
    LogConfig.minLevel = 4;
    for (int &level : LogConfig.componentLevels)
        level = 8;
    memset(LogConfig.logDir, 0, sizeof LogConfig.logDir);
    memset(LogConfig.logPath, 0, sizeof LogConfig.logPath);
    MakeLogFilePath();
    LogConfig.lineFormat = LOG_LINE_FORMAT;
    LogConfig.bufferSize = 10240;
    LogConfig.maxFileSize = 10485760;
    LogConfig.tracer = &theLogTracer;
    LogConfig.useTracer = false;
    LogConfig.mutexName = TEXT("LogFileMutex");
}

void FormatLogTime(char *buffer)
{
    memset(buffer, 0, LOG_TIME_SIZE);
    SYSTEMTIME st;
    GetLocalTime(&st);
    if (snprintf(buffer, LOG_TIME_SIZE - 1, "%04u-%02u-%02u %02u:%02u:%02u.%03u", st.wYear, st.wMonth, st.wDay,
                 st.wHour, st.wMinute, st.wSecond, st.wMilliseconds) < 0)
        buffer[0] = 0;
}

namespace {

// Both routes: the level filter, the message formatted into one zero-filled buffer and the record's
// line into another, then the file, or the tracer when toTracer (nothing when there is none). The
// message is formatted once, so a '%' the arguments brought into it is never read as a conversion.
void WriteLogRecord(bool toTracer, DWORD component, LONG level, const char *source, DWORD line, const char *format,
                    va_list args)
{
    LogTool::ILogTracer *tracer = LogConfig.tracer;
    if ((toTracer && !tracer) || !PassesLevelFilter(component, level))
        return;
    int size = LogConfig.bufferSize;
    if (size <= 0)
        return;
    try {
        std::unique_ptr<char[]> message = NewLogBuffer(size);
        std::unique_ptr<char[]> text = NewLogBuffer(size);
        vsnprintf(message.get(), static_cast<size_t>(size), format ? format : "", args);
        FormatLogLine(text.get(), size, component, level, source, line, message.get());
        if (toTracer)
            tracer->Trace(component, level, source ? source : "", line, text.get());
        else
            AppendToLogFile(text.get());
    } catch (...) {
        // A trace call never fails its caller; the record is lost.
    }
}

}  // namespace

void LogTrace(DWORD component, LONG level, const char *source, DWORD line, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    WriteLogRecord(LogConfig.useTracer, component, level, source, line, format, args);
    va_end(args);
}

void LogTraceToTracer(DWORD component, LONG level, const char *source, DWORD line, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    WriteLogRecord(true, component, level, source, line, format, args);
    va_end(args);
}
