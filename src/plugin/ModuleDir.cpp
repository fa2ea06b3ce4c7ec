// The host's directory, taken from the executable's file name.
#include "plugin/ModuleDir.h"

#include <windows.h>

CString GetModuleDir()
{
    WCHAR szPath[MAX_PATH + 1] = {};
    DWORD nLength = ::GetModuleFileNameW(NULL, szPath, MAX_PATH);
    if (nLength > MAX_PATH)
        nLength = MAX_PATH;
    CString strPath(szPath, static_cast<int>(nLength));
    int nCut = strPath.ReverseFind(TEXT('\\'));
    return nCut < 0 ? CString() : strPath.Left(nCut + 1);
}
