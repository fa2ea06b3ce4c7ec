// keyholm-host: the reference host. Loads the plug-in from its own folder, drives the module
// through the contract and reports what the module answers.
#include "HostServices.h"
#include "PluginLibrary.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

struct HostOptions
{
    DWORD dwLangId = 2052;
    DWORD dwSwitchLangId = 1033;   // the language the host changes to once the module is up
    int nTraceLevel = 0;
    CStringW strUserName = TEXT("demo");
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
            options.dwLangId = strtoul(pszValue, NULL, 0);
        else if ((pszValue = OptionValue(argv[i], "--switch-lang")))
            options.dwSwitchLangId = strtoul(pszValue, NULL, 0);
        else if ((pszValue = OptionValue(argv[i], "--trace-level")))
            options.nTraceLevel = atoi(pszValue);
        else if ((pszValue = OptionValue(argv[i], "--user")))
            options.strUserName = CStringW(pszValue);
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

// Console output is UTF-8.
void Print(const char* pszLabel, LPCWSTR pszText)
{
    int cb = WideCharToMultiByte(CP_UTF8, 0, pszText, -1, NULL, 0, NULL, NULL);
    CStringA strText;
    if (cb > 0)
    {
        WideCharToMultiByte(CP_UTF8, 0, pszText, -1, strText.GetBuffer(cb), cb, NULL, NULL);
        strText.ReleaseBuffer();
    }
    printf("%s: %s\n", pszLabel, static_cast<const char*>(strText));
}

void ReportModule(IPluginModule* pModule)
{
    Print("module name", pModule->GetModuleName());
    Print("maker", pModule->GetCompanyName());
    printf("plug-ins: %u\n", pModule->GetPluginCount());
}

// A message of the host's loop goes through the module's pre-translation before it is dispatched.
void PumpMessages(IPluginModule* pModule)
{
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
    {
        if (pModule->PreTranslateMessage(&msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

LRESULT CALLBACK HostWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

HWND CreateHostWindow()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = TEXT("KeyholmHostFrame");
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, TEXT("Keyholm Host"), WS_OVERLAPPEDWINDOW, 0, 0, 800, 600,
                           NULL, NULL, wc.hInstance, NULL);
}

}  // namespace

int main(int argc, char** argv)
{
    HostOptions options;
    if (!ParseOptions(argc, argv, options) || options.bHelp)
    {
        fprintf(stderr, "usage: keyholm-host [--lang=ID] [--switch-lang=ID] [--user=NAME] [--trace-level=N]\n");
        return options.bHelp ? 0 : 2;
    }

    CPluginHost host;
    host.m_core.m_nTraceLevel = options.nTraceLevel;
    host.m_core.m_uiCore.m_dwLangId = options.dwLangId;
    host.m_core.m_login.m_strUserName = options.strUserName;

    HWND hFrame = CreateHostWindow();

    PluginLibrary plugin;
    if (!plugin.Load(TEXT("KeyholmPlugin.dll")))
    {
        fprintf(stderr, "keyholm-host: cannot load the plug-in or find its module (error %u)\n", GetLastError());
        return 1;
    }
    IPluginModule* pModule = plugin.Module();

    pModule->Init(&host);
    printf("language: %u\n", options.dwLangId);
    ReportModule(pModule);

    if (hFrame)
        PostMessageW(hFrame, WM_NULL, 0, 0);
    PumpMessages(pModule);

    host.m_core.m_uiCore.m_dwLangId = options.dwSwitchLangId;
    pModule->OnLanguageChanged(options.dwSwitchLangId);
    printf("language: %u\n", options.dwSwitchLangId);
    ReportModule(pModule);

    pModule->UnInit();
    plugin.Unload();
    if (hFrame)
        DestroyWindow(hFrame);

    LONG nLeaked = host.m_core.m_uiCore.GetOutstandingReferences() + host.m_core.m_login.GetOutstandingReferences();
    if (nLeaked != 0)
    {
        fprintf(stderr, "keyholm-host: the plug-in kept %d service references\n", nLeaked);
        return 1;
    }
    printf("unloaded\n");
    return 0;
}
