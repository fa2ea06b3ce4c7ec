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
    CStringA strURL;              // a sign-on address (UTF-8) to relay to instead of the built-in page
};

// keyholm-host's exit codes.
enum HostExitCode
{
    HOST_EXIT_SIGNED_ON = 0,    // the sign-on reached the server, which answered with the page (below 300,
                                // or after redirects followed on the server), and it loaded
    HOST_EXIT_SIGN_ON_FAILED = 1,   // not reached, refused, an error answer (error page), a redirect away or
                                    // in a loop, the relay's deadline or size cap, or never loaded
    HOST_EXIT_USAGE = 2,        // a bad option or address on the command line
    HOST_EXIT_SETUP = 3,        // the host folder, socket, ini file, window or plug-in could not be had
    HOST_EXIT_REFERENCES_KEPT = 4,  // the plug-in kept references to the host's services
    HOST_EXIT_WRITE_FAILED = 5, // report.txt or a screenshot could not be written in full (disk full,
                                // file size limit); it stands before the other codes
};

// Runs the demo in the program's own folder (which holds the plug-in and Images\Wait.gif):
// writes Plugins\SSOBanner.ini there, signs the user in and prints the request, the trace log and
// the screenshots, also into report.txt there. Answers one of the exit codes above.
int RunSignOnDemo(const DemoOptions& options);

// Makes a fresh host folder at pszDir with copies of the running program, the plug-in and the
// please-wait animation from the program's folder; false with a message on stderr otherwise.
bool LayOutHostFolder(LPCWSTR pszDir);
