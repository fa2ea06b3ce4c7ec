// The sign-on demo: a host window with a tab area, the plug-in's permission tab in it, one
// sign-on against a permission page, and a report of what happened.
#pragma once

#include "HostServices.h"
#include "PluginLibrary.h"

#include <afxstr.h>

struct DemoOptions
{
    DWORD dwLangId = 2052;
    DWORD dwSwitchLangId = 1033;
    int nTraceLevel = 0;
    CStringW strUserName = TEXT("demo");
    CStringA strURL;              // a sign-on address to use instead of the built-in page
};

// Runs the demo in the program's own folder (which holds the plug-in and Images\Wait.gif):
// writes Plugins\SSOBanner.ini there, signs the user in and prints the request, the trace log and
// the screenshots. 0 when the sign-on reached the page and the page loaded.
int RunSignOnDemo(const DemoOptions& options);

// Makes a fresh host folder at pszDir with copies of the running program, the plug-in and the
// please-wait animation from the program's folder; false with a message on stderr otherwise.
bool LayOutHostFolder(LPCWSTR pszDir);
