// A test module whose entry point refuses to attach.
#include "report.h"

static ReportLifetime g_lifetime("refuse:construct", "refuse:destruct");

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD fdwReason, LPVOID)
{
    if (fdwReason == DLL_PROCESS_ATTACH) {
        Report("refuse:process-attach");
        return FALSE;
    }
    if (fdwReason == DLL_PROCESS_DETACH)
        Report("refuse:process-detach");
    return TRUE;
}
