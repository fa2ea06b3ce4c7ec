// The module's tracer: each line goes to the window titled "Program trace window" as a 1032-byte
// WM_COPYDATA record.
#include "log/LogTracer.h"

#include <string.h>

CLogTracer theLogTracer;

int CLogTracer::Trace(DWORD component, LONG level, const char *source, DWORD line, const char *text)
{
    UNREFERENCED_PARAMETER(component);  // all of them are inside the text already
    UNREFERENCED_PARAMETER(level);
    UNREFERENCED_PARAMETER(source);
    UNREFERENCED_PARAMETER(line);
    HWND hWnd = ::FindWindowA(NULL, "Program trace window");  // looked up again for every record
    if (!hWnd)
        return 0;
    LOGTRACE_RECORD record;
    memset(&record, 0, sizeof record);
    record.dwTag = LOGTRACE_TAG;
    record.dwVersion = LOGTRACE_VERSION;
    if (text) {
        size_t n = 0;
        while (n < sizeof record.szLine - 1 && text[n])
            ++n;
        memcpy(record.szLine, text, n);
    }
    COPYDATASTRUCT cds;
    cds.dwData = 0;
    cds.cbData = sizeof record;
    cds.lpData = &record;
    return static_cast<int>(::SendMessageW(hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)));
}
