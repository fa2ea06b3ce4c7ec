// Top-level windows of one process found by title.
#include "view/ProcessWindow.h"

HWND FindProcessTopLevelWindow(LPCWSTR pszTitle, DWORD dwProcessId)
{
    if (!pszTitle)
        return NULL;
    // Walks the top-level windows bearing the title, in the order FindWindowW would answer the
    // first of them. The search reads titles without sending WM_GETTEXT, so a window of a hung
    // thread cannot stall it.
    for (HWND hWnd = NULL; (hWnd = ::FindWindowExW(NULL, hWnd, NULL, pszTitle)) != NULL;)
    {
        DWORD dwOwner = 0;
        if (::GetWindowThreadProcessId(hWnd, &dwOwner) && dwOwner == dwProcessId)
            return hWnd;
    }
    return NULL;
}
