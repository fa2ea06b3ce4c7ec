// The trace log's steps below LogTrace: the file path, the timestamp, the file append with its
// rotation, and the tracer route.
#pragma once

#include <windows.h>

#include "log/log.h"

// Bytes of the timestamp buffer: "yyyy-mm-dd hh:mm:ss.mmm" and its terminating zero, plus one.
const int LOG_TIME_SIZE = 25;

// Sets LogConfig.logDir to the host executable's folder and logPath to its "debug.log".
void MakeLogFilePath();
// Writes the local time as "yyyy-mm-dd hh:mm:ss.mmm" into a buffer of LOG_TIME_SIZE bytes.
void FormatLogTime(char *buffer);
// Appends one line to the log file under the system mutex, rotating the file once it is too big.
void AppendToLogFile(const char *line);
// The tracer route of LogTrace: same filter and line, handed to LogConfig.tracer.
void LogTraceToTracer(DWORD component, LONG level, const char *source, DWORD line, const char *format, ...)
    __attribute__((format(printf, 5, 6)));
