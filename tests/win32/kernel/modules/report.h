// What the test modules tell the test program: events, through the program's exported recorder.
#pragma once

#include <windows.h>

inline void Report(LPCSTR event)
{
    typedef void(WINAPI * RecordFunction)(LPCSTR);
    // Through void (*)(void), the one function pointer type every other converts to quietly.
    RecordFunction record = reinterpret_cast<RecordFunction>(
        reinterpret_cast<void (*)(void)>(GetProcAddress(GetModuleHandleW(NULL), "LoaderTestEvent")));
    if (record)
        record(event);
}

// A static object: its construction and destruction mark the module's static start-up and teardown.
struct ReportLifetime {
    LPCSTR m_szConstruct, m_szDestruct;
    ReportLifetime(LPCSTR construct, LPCSTR destruct) : m_szConstruct(construct), m_szDestruct(destruct)
    {
        Report(m_szConstruct);
    }
    ~ReportLifetime() { Report(m_szDestruct); }
};
