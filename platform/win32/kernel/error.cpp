// The thread's last-error value.
#include <windows.h>

static thread_local DWORD last_error;

DWORD WINAPI GetLastError(void) { return last_error; }

void WINAPI SetLastError(DWORD dwErrCode) { last_error = dwErrCode; }
