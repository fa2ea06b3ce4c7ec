// A test module with an entry point, exports and resources: reports every entry-point call and
// its static start-up and teardown, and counts calls in static state.
#include "report.h"

static ReportLifetime g_lifetime("probe:construct", "probe:destruct");
static int g_nCount;

extern "C" __declspec(dllexport) int WINAPI ProbeNextCount()
{
    return ++g_nCount;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved)
{
    static const LPCSTR names[] = {"probe:process-detach", "probe:process-attach", "probe:thread-attach",
                                   "probe:thread-detach"};
    if (fdwReason < 4)
        Report(names[fdwReason]);
    // The instance is this module, and LoadLibrary/FreeLibrary pass no reserved pointer.
    if (hinstDLL != GetModuleHandleW(TEXT("loader_probe.dll")))
        Report("probe:wrong-instance");
    if (lpvReserved)
        Report("probe:reserved");
    return TRUE;
}
