// Finding a top-level window of one process by its title.
#pragma once

#include <windows.h>

// The first top-level window, in the system's search order, that belongs to process dwProcessId
// and bears the title pszTitle as FindWindowW matches titles (any class); NULL when there is none.
// Windows of other processes are passed over, whatever their title.
HWND FindProcessTopLevelWindow(LPCWSTR pszTitle, DWORD dwProcessId);
