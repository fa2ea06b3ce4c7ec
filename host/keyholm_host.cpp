// keyholm-host: the reference host. Lays out a host folder (itself, the plug-in, the please-wait
// animation), runs there, signs a user in to the permission page through the plug-in's tab and
// reports what happened.
#include "SignOnDemo.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

struct HostOptions
{
    DemoOptions demo;
    CStringW strHostDir;     // where to lay out the host folder; default: demo\ beside this program
    bool bInPlace = false;   // already running in a laid-out folder
    bool bHelp = false;
};

const char* OptionValue(const char* pszArg, const char* pszName)
{
    size_t cch = strlen(pszName);
    if (strncmp(pszArg, pszName, cch) == 0 && pszArg[cch] == '=')
        return pszArg + cch + 1;
    return NULL;
}

bool ParseOptions(int argc, char** argv, HostOptions& options)
{
    for (int i = 1; i < argc; ++i)
    {
        const char* pszValue;
        if ((pszValue = OptionValue(argv[i], "--lang")))
            options.demo.dwLangId = strtoul(pszValue, NULL, 0);
        else if ((pszValue = OptionValue(argv[i], "--switch-lang")))
            options.demo.dwSwitchLangId = strtoul(pszValue, NULL, 0);
        else if ((pszValue = OptionValue(argv[i], "--trace-level")))
            options.demo.nTraceLevel = atoi(pszValue);
        else if ((pszValue = OptionValue(argv[i], "--user")))
            options.demo.strUserName = CStringW(pszValue);
        else if ((pszValue = OptionValue(argv[i], "--url")))
            options.demo.strURL = pszValue;
        else if ((pszValue = OptionValue(argv[i], "--host-dir")))
            options.strHostDir = CStringW(pszValue);
        else if (strcmp(argv[i], "--in-place") == 0)
            options.bInPlace = true;
        else if (strcmp(argv[i], "--help") == 0)
            options.bHelp = true;
        else
        {
            fprintf(stderr, "keyholm-host: unknown option %s\n", argv[i]);
            return false;
        }
    }
    return true;
}

// The copy in the host folder does the work; its output is ours and its exit code too.
int RunInHostFolder(const CStringW& strDir, int argc, char** argv)
{
    WCHAR szSelf[MAX_PATH];
    DWORD cch = GetModuleFileNameW(NULL, szSelf, MAX_PATH);
    CStringW strSelf(szSelf, int(cch));
    CStringW strCommand = TEXT("\"") + strDir + TEXT("\\") + strSelf.Mid(strSelf.ReverseFind(TEXT('\\')) + 1) +
                          TEXT("\" --in-place");
    for (int i = 1; i < argc; ++i)
        strCommand += TEXT(" \"") + CStringW(argv[i]) + TEXT("\"");
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    fflush(stdout);
    if (!CreateProcessW(NULL, strCommand.GetBuffer(), NULL, NULL, FALSE, 0, NULL, strDir, &si, &pi))
    {
        fprintf(stderr, "keyholm-host: cannot start the host in %s (error %u)\n", CStringA(strDir).GetString(),
                GetLastError());
        return 1;
    }
    strCommand.ReleaseBuffer();
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD dwExit = 1;
    GetExitCodeProcess(pi.hProcess, &dwExit);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return int(dwExit);
}

}  // namespace

int main(int argc, char** argv)
{
    HostOptions options;
    if (!ParseOptions(argc, argv, options) || options.bHelp)
    {
        fprintf(stderr, "usage: keyholm-host [--lang=ID] [--switch-lang=ID] [--user=NAME] [--trace-level=N]\n"
                        "                    [--url=ADDRESS] [--host-dir=PATH]\n");
        return options.bHelp ? 0 : 2;
    }
    if (options.bInPlace)
        return RunSignOnDemo(options.demo);

    CStringW strDir = options.strHostDir.IsEmpty() ? PluginLibrary::ProgramDirectory() + TEXT("demo")
                                                   : options.strHostDir;
    if (!LayOutHostFolder(strDir))
        return 1;
    return RunInHostFolder(strDir, argc, argv);
}
