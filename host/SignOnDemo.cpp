// The sign-on demo: drives the tab view through the contract the way the real host does, watches
// the loading animation and the page on the virtual screen, and reports.
#include "SignOnDemo.h"

#include "Address.h"
#include "PermissionServer.h"
#include "ScreenCapture.h"
#include "SignOnVerdict.h"
#include "Utf8Text.h"

#include <owner/unique_handle.h>

#include <stdarg.h>
#include <stdio.h>

#include <string>

namespace {

const UINT kPageLoaded = 101025;       // WM_NOTIFY code the view's browser sends when a page is in
const int kBrowserItem = 8000;
const int kAnimationItem = 8001;
const int kTabStripHeight = 36;
const DWORD kBoundMs = 30000;

WNDPROC g_pfnPageProc = NULL;
int g_nPagesLoaded = 0;
std::string g_strReport;   // everything said, written to report.txt at the end
std::string g_strWriteFailure;   // the first file the host could not write in full, and why

std::string FormatText(const char* pszFormat, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int cb = vsnprintf(NULL, 0, pszFormat, copy);
    va_end(copy);
    std::string text(size_t(cb > 0 ? cb : 0), '\0');
    if (cb > 0)
        vsnprintf(&text[0], size_t(cb) + 1, pszFormat, args);
    return text;
}

// A line of the report, on stdout.
__attribute__((format(printf, 1, 2))) void Say(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    std::string text = FormatText(pszFormat, args);
    va_end(args);
    fputs(text.c_str(), stdout);
    g_strReport += text;
}

// Why something failed, on stderr and in the report.
__attribute__((format(printf, 1, 2))) void Complain(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    std::string text = "keyholm-host: " + FormatText(pszFormat, args) + "\n";
    va_end(args);
    fputs(text.c_str(), stderr);
    g_strReport += text;
}

// Watches the page's notifications: the host learns that a page is in without touching the view.
LRESULT CALLBACK PageProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_NOTIFY && lParam && reinterpret_cast<NMHDR*>(lParam)->code == kPageLoaded)
        ++g_nPagesLoaded;
    return CallWindowProcW(g_pfnPageProc, hWnd, uMsg, wParam, lParam);
}

// The host's frame: a tab strip with the plug-in's caption and image above the tab area.
struct HostFrame
{
    HWND hFrame = NULL;
    HWND hTabArea = NULL;
    ITabViewPlugin* pView = NULL;
};
HostFrame g_frame;

void PaintTabStrip(HDC hdc)
{
    if (!g_frame.pView)
        return;
    RECT rc = {0, 0, 200, kTabStripHeight};
    FillRect(hdc, &rc, GetSysColorBrush(COLOR_WINDOW));
    if (HBITMAP hIcon = g_frame.pView->GetIcon())
    {
        owner::unique_hdc mem(CreateCompatibleDC(hdc));
        owner::unique_select_object icon(mem.get(), hIcon);
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(hdc, 4, 4, 28, 28, mem.get(), 0, 0, 28, 28, blend);
    }
    LPCWSTR pszCaption = g_frame.pView->GetCaption(0);
    SetBkMode(hdc, TRANSPARENT);
    TextOutW(hdc, 38, 10, pszCaption, lstrlenW(pszCaption));
}

LRESULT CALLBACK FrameProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_PAINT)
    {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hWnd, &ps);
        PaintTabStrip(hdc);
        EndPaint(hWnd, &ps);
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

bool CreateFrame()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = TEXT("KeyholmHostFrame");
    RegisterClassW(&wc);
    g_frame.hFrame = CreateWindowExW(0, wc.lpszClassName, TEXT("Keyholm Host"), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                     0, 0, 640, 480, NULL, NULL, wc.hInstance, NULL);
    if (!g_frame.hFrame)
        return false;
    RECT rc;
    GetClientRect(g_frame.hFrame, &rc);
    g_frame.hTabArea = CreateWindowExW(WS_EX_CONTROLPARENT, TEXT("Static"), TEXT(""), WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                       0, kTabStripHeight, rc.right, rc.bottom - kTabStripHeight, g_frame.hFrame,
                                       NULL, wc.hInstance, NULL);
    ShowWindow(g_frame.hFrame, SW_SHOW);
    UpdateWindow(g_frame.hFrame);
    return g_frame.hTabArea != NULL;
}

// The host's loop: each message goes through the module's pre-translation first. Returns when
// done() holds or the bound passes.
template <class Done>
bool PumpUntil(IPluginModule* pModule, Done done, DWORD dwBoundMs = kBoundMs)
{
    for (DWORD dwStart = GetTickCount(); !done();)
    {
        if (GetTickCount() - dwStart > dwBoundMs)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
        for (MSG msg; PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE);)
        {
            if (pModule->PreTranslateMessage(&msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

bool Visible(HWND hPage, int nItem)
{
    HWND hItem = GetDlgItem(hPage, nItem);
    return hItem && IsWindowVisible(hItem);
}

void ReportModule(IPluginModule* pModule)
{
    Say("module name: %s\n", Utf8(pModule->GetModuleName()).GetString());
    Say("maker: %s\n", Utf8(pModule->GetCompanyName()).GetString());
    Say("plug-ins: %u\n", pModule->GetPluginCount());
}

bool WriteIni(const CStringW& strPath, const CStringA& strAddress)
{
    CreateDirectoryW(PluginLibrary::ProgramDirectory() + TEXT("Plugins"), NULL);
    return WritePrivateProfileStringW(TEXT("SSOURLFLAG"), TEXT("Keyholm"), Wide(strAddress), strPath) != FALSE;
}

std::string Printable(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes)
    {
        if (c >= 0x20 && c < 0x7F && c != '\\')
            out += char(c);
        else
        {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

void PrintTraceLog(const CStringW& strPath)
{
    owner::unique_file_handle file(CreateFileW(strPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
    {
        Say("trace log: (none)\n");
        return;
    }
    std::string text;
    char buffer[4096];
    DWORD cb = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &cb, NULL) && cb > 0)
        text.append(buffer, cb);
    // The records are GB2312; the console gets UTF-8.
    Say("trace log (%s):\n%s", Utf8(strPath).GetString(), Utf8(Wide(text.c_str(), 936)).GetString());
}

// Why a file could not be written, for a person.
std::string WriteFailure(const CStringW& strPath, DWORD dwError)
{
    return "cannot write " + std::string(Utf8(strPath).GetString()) + " (error " + std::to_string(dwError) +
           (dwError == ERROR_DISK_FULL ? ": the disk is full or the file size limit was reached)" : ")");
}

void Screenshot(const char* pszWhat, const CStringW& strPath)
{
    CScreenPicture picture;
    if (!CaptureWindow(g_frame.hFrame, picture))
    {
        Say("screenshot %s: (the screen could not be read)\n", pszWhat);
        return;
    }
    if (!WritePicturePng(picture, strPath))
    {
        DWORD dwError = GetLastError();
        Say("screenshot %s: (not written)\n", pszWhat);
        if (g_strWriteFailure.empty())
            g_strWriteFailure = WriteFailure(strPath, dwError);
        return;
    }
    Say("screenshot %s: %s\n", pszWhat, Utf8(strPath).GetString());
}

}  // namespace

bool LayOutHostFolder(LPCWSTR pszDir)
{
    CStringW strFrom = PluginLibrary::ProgramDirectory();
    CStringW strTo = CStringW(pszDir) + TEXT("\\");
    WCHAR szSelf[MAX_PATH];
    DWORD cch = GetModuleFileNameW(NULL, szSelf, MAX_PATH);
    CStringW strSelf(szSelf, int(cch));
    CStringW strSelfName = strSelf.Mid(strSelf.ReverseFind(TEXT('\\')) + 1);
    CreateDirectoryW(pszDir, NULL);
    CreateDirectoryW(strTo + TEXT("Images"), NULL);
    CreateDirectoryW(strTo + TEXT("Plugins"), NULL);
    const struct { CStringW from, to; } copies[] = {
        {strSelf, strTo + strSelfName},
        {strFrom + TEXT("KeyholmPlugin.dll"), strTo + TEXT("KeyholmPlugin.dll")},
        {strFrom + TEXT("Images\\Wait.gif"), strTo + TEXT("Images\\Wait.gif")},
    };
    for (const auto& c : copies)
    {
        DeleteFileW(c.to);   // a running copy's file is replaced, not rewritten in place
        if (!CopyFileW(c.from, c.to, FALSE))
        {
            fprintf(stderr, "keyholm-host: %s\n", WriteFailure(c.to, GetLastError()).c_str());
            return false;
        }
    }
    return true;
}

namespace {

// What became of a request, as the report gives it.
std::string Outcome(const ReceivedRequest& r)
{
    if (!r.failure.empty())
        return "answered " + std::to_string(r.status) + " by the host's relay: " + r.failure;
    if (r.status == 0)
        return "no answer";
    return "answered " + std::to_string(r.status);
}

int SignOn(const DemoOptions& options)
{
    CStringW strDir = PluginLibrary::ProgramDirectory();
    Say("host folder: %s\n", Utf8(strDir).GetString());

    // The built-in page, or a relay to the given address, so that the host sees what the server said.
    CPermissionServer server;
    std::string strUpstream, strPath = "/sso";
    if (!options.strURL.IsEmpty())
        SplitAddress(options.strURL.GetString(), strUpstream, strPath);
    if (!server.Start(strUpstream))
    {
        Complain("cannot listen on 127.0.0.1");
        return HOST_EXIT_SETUP;
    }
    server.SetHolding(true);   // until the loading animation has been photographed
    CStringA strAddress = (server.Address() + strPath).c_str();
    CStringW strIni = strDir + TEXT("Plugins\\SSOBanner.ini");
    if (!WriteIni(strIni, strAddress))
    {
        Complain("cannot write %s", Utf8(strIni).GetString());
        return HOST_EXIT_SETUP;
    }
    Say("sign-on address: %s (Plugins\\SSOBanner.ini)\n", strAddress.GetString());
    if (!strUpstream.empty())
        Say("relayed to: %s%s\n", strUpstream.c_str(), strPath.c_str());
    DeleteFileW(strDir + TEXT("debug.log"));   // this run's records only

    CPluginHost host;
    host.m_core.m_nTraceLevel = options.nTraceLevel;
    host.m_core.m_uiCore.m_dwLangId = options.dwLangId;
    host.m_core.m_login.m_strUserName = options.strUserName;
    if (!CreateFrame())
    {
        Complain("cannot create the host window");
        return HOST_EXIT_SETUP;
    }

    PluginLibrary plugin;
    if (!plugin.Load(TEXT("KeyholmPlugin.dll")))
    {
        Complain("cannot load the plug-in or find its module (error %u)", GetLastError());
        return HOST_EXIT_SETUP;
    }
    IPluginModule* pModule = plugin.Module();
    pModule->Init(&host);
    Say("language: %u\n", options.dwLangId);
    ReportModule(pModule);

    // The tab view: created hidden into the tab area, sized and shown by the host, then started.
    IPlugin* pPlugin = pModule->GetPluginCount() > 0 ? pModule->GetPlugin(0) : NULL;
    ITabViewPlugin* pView = pPlugin ? static_cast<ITabViewPlugin*>(pPlugin) : NULL;
    std::string strFailure;
    if (pView && pView->CreateView(g_frame.hTabArea))
    {
        g_frame.pView = pView;
        HWND hPage = pView->GetHwnd();
        g_pfnPageProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(hPage, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PageProc)));
        RECT rc;
        GetClientRect(g_frame.hTabArea, &rc);
        SetWindowPos(hPage, NULL, 0, 0, rc.right, rc.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(hPage, SW_SHOW);
        InvalidateRect(g_frame.hFrame, NULL, TRUE);
        Say("tab: \"%s\", image %s\n", Utf8(pView->GetCaption(0)).GetString(),
            pView->GetIcon() ? "present" : "(none)");

        pView->Startup();
        // Loading while the server holds its answer; a request refused at once ends loading at once.
        bool bLoading = PumpUntil(pModule, [&] {
            return (server.RequestCount() > 0 && Visible(hPage, kAnimationItem) && !Visible(hPage, kBrowserItem)) ||
                   g_nPagesLoaded > 0;
        });
        if (bLoading && g_nPagesLoaded == 0)
        {
            // A few animation frames, so the picture shows the spinner turning rather than its first frame.
            int nTicks = 0;
            PumpUntil(pModule, [&] { return ++nTicks > 10; }, 2000);
            Screenshot("while loading", strDir + TEXT("loading.png"));
        }
        else
            Say("loading animation: %s\n", bLoading ? "already over" : "never seen");
        server.ReleaseHeld();
        bool bLoaded = PumpUntil(pModule, [&] { return g_nPagesLoaded > 0; });
        if (bLoaded)
        {
            PumpUntil(pModule, [] { return GetQueueStatus(QS_PAINT) == 0; }, 2000);
            Screenshot("page loaded", strDir + TEXT("loaded.png"));
        }
        Say("page: %s\n", bLoaded ? "loaded" : "did not load");
        strFailure = SignOnFailure(server.Requests(), 0, server.Address(), bLoaded, kBoundMs / 1000);
    }
    else
    {
        Say("tab view: could not be created\n");
        strFailure = "the tab view could not be created";
    }

    // The language changes while the tab is shown: new caption and image, and a new sign-on.
    host.m_core.m_uiCore.m_dwLangId = options.dwSwitchLangId;
    int nLoadedBefore = g_nPagesLoaded;
    size_t nRequestsBefore = server.RequestCount();
    pModule->OnLanguageChanged(options.dwSwitchLangId);
    Say("language: %u\n", options.dwSwitchLangId);
    ReportModule(pModule);
    if (g_frame.pView)
    {
        InvalidateRect(g_frame.hFrame, NULL, TRUE);
        bool bReloaded = PumpUntil(pModule, [&] { return g_nPagesLoaded > nLoadedBefore; });
        Say("page after the language change: %s\n", bReloaded ? "loaded" : "did not load");
        std::string strAgain =
            SignOnFailure(server.Requests(), nRequestsBefore, server.Address(), bReloaded, kBoundMs / 1000);
        if (strFailure.empty() && !strAgain.empty())
            strFailure = "after the language change, " + strAgain;
    }

    std::vector<ReceivedRequest> requests = server.Requests();
    Say("requests received: %u\n", unsigned(requests.size()));
    for (const ReceivedRequest& r : requests)
    {
        Say("  %s %s\n    Content-Type: %s\n    body (%u bytes): %s\n    %s\n", r.method.c_str(), r.target.c_str(),
            r.contentType.c_str(), unsigned(r.body.size()), Printable(r.body).c_str(), Outcome(r).c_str());
        if (!r.location.empty())
            Say("    Location: %s\n", r.location.c_str());
    }

    if (pView)
    {
        pView->Shutdown();
        if (HWND hPage = pView->GetHwnd())
            SetWindowLongPtrW(hPage, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_pfnPageProc));
        pView->DestroyView();
        g_frame.pView = NULL;
        pModule->ReleasePlugin(pPlugin);
    }
    pModule->UnInit();
    PrintTraceLog(strDir + TEXT("debug.log"));
    server.Stop();
    plugin.Unload();
    DestroyWindow(g_frame.hFrame);

    LONG nLeaked = host.m_core.m_uiCore.GetOutstandingReferences() + host.m_core.m_login.GetOutstandingReferences();
    if (!strFailure.empty())
    {
        Complain("the sign-on failed: %s", strFailure.c_str());
        return HOST_EXIT_SIGN_ON_FAILED;
    }
    if (nLeaked != 0)
    {
        Complain("the plug-in kept %d service references", int(nLeaked));
        return HOST_EXIT_REFERENCES_KEPT;
    }
    Say("unloaded\n");
    return HOST_EXIT_SIGNED_ON;
}

}  // namespace

int RunSignOnDemo(const DemoOptions& options)
{
    int nExit = SignOn(options);
    if (!g_strWriteFailure.empty())
    {
        Complain("%s", g_strWriteFailure.c_str());
        nExit = HOST_EXIT_WRITE_FAILED;
    }
    Say("exit code: %d\n", nExit);
    // The report beside the screenshots, for whoever looks at the folder later.
    CStringW strReport = PluginLibrary::ProgramDirectory() + TEXT("report.txt");
    owner::unique_file_handle file(
        CreateFileW(strReport, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    DWORD cb = 0;
    if (!file || !WriteFile(file.get(), g_strReport.data(), DWORD(g_strReport.size()), &cb, NULL) ||
        cb != g_strReport.size())
    {
        std::string why = WriteFailure(strReport, GetLastError());
        fprintf(stderr, "keyholm-host: %s; %u of %u bytes written; exit code %d\n", why.c_str(), unsigned(cb),
                unsigned(g_strReport.size()), HOST_EXIT_WRITE_FAILED);
        return HOST_EXIT_WRITE_FAILED;
    }
    return nExit;
}
