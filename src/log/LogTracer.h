// The tracer route's sink: an abstract tracer and the module's one, which sends each line to the
// window titled "Program trace window".
#pragma once

#include <windows.h>

namespace LogTool {

class ILogTracer
{
public:
    virtual ~ILogTracer() {}
    // line is the complete formatted record; callers ignore the result.
    virtual int Trace(DWORD component, LONG level, const char *source, DWORD line, const char *text) = 0;
};

}  // namespace LogTool

// Copies the line into a 1032-byte record and sends it with WM_COPYDATA to the trace window.
class CLogTracer : public LogTool::ILogTracer
{
public:
    constexpr CLogTracer() {}
    int Trace(DWORD component, LONG level, const char *source, DWORD line, const char *text) override;
};

// Layout of the trace window's record: tag "CART", version 1000, the line in at most 1023 bytes.
struct LOGTRACE_RECORD {
    DWORD dwTag;
    DWORD dwVersion;
    char szLine[1024];
};
static_assert(sizeof(LOGTRACE_RECORD) == 1032, "the trace window reads exactly 1032 bytes");

const DWORD LOGTRACE_TAG = 0x54524143;  // the bytes "C", "A", "R", "T"
const DWORD LOGTRACE_VERSION = 1000;

// The module's tracer; LogConfig.tracer points at it. Constant-initialised, so it exists before any
// static start-up code runs.
extern CLogTracer theLogTracer;
