// view_probe: a small host for the permission view's tests. Run from a fresh host folder, it
// loads the real plug-in, serves the permission page on 127.0.0.1, runs the steps named on its
// command line through the host contract and writes what it saw, one line a step, to a report.
#include "HostServices.h"
#include "PermissionServer.h"
#include "PluginLibrary.h"
#include "ScreenCapture.h"
#include "icons/AlphaBitmap.h"
#include "support/MessagePump.h"
#include "support/TopDownDib.h"
#include "support/WideText.h"

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

namespace {

const UINT kPageLoaded = 101025;
WNDPROC g_pfnPageProc = NULL;
int g_nPagesLoaded = 0;
std::vector<std::string> g_closed;

LRESULT CALLBACK PageProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_NOTIFY && lParam && reinterpret_cast<NMHDR*>(lParam)->code == kPageLoaded)
        ++g_nPagesLoaded;
    return CallWindowProcW(g_pfnPageProc, hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK TargetProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_CLOSE)
    {
        WCHAR sz[128];
        GetWindowTextW(hWnd, sz, 128);
        g_closed.push_back(Utf8(sz));
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

// The probe waits longer than the tests: it runs the real plug-in with its server and animation.
const DWORD kBoundMs = 30000;

// Which of the plug-in's tab images the bitmap shows, told by its pixels.
std::string IconName(HMODULE hPlugin, HBITMAP hIcon)
{
    if (!hIcon)
        return "none";
    std::vector<BYTE> bits = TopDownPixels(hIcon);
    for (UINT nID : {8006u, 8007u})
    {
        BOOL bAlpha = FALSE;
        HBITMAP hRaw = BitmapFromResource(hPlugin, MAKEINTRESOURCE(nID), &bAlpha);
        HBITMAP hPre = hRaw ? MakePremultipliedBitmap(hRaw, &bAlpha) : NULL;
        bool bSame = hPre && TopDownPixels(hPre) == bits;
        DeleteObject(hPre);
        DeleteObject(hRaw);
        if (bSame)
            return std::to_string(nID);
    }
    return "unknown";
}

bool Visible(HWND hPage, int nItem)
{
    HWND h = GetDlgItem(hPage, nItem);
    return h && IsWindowVisible(h);
}

std::string Hex(const std::string& bytes)
{
    std::string out;
    char sz[4];
    for (unsigned char c : bytes)
    {
        snprintf(sz, sizeof sz, "%02x", c);
        out += sz;
    }
    return out;
}

struct Probe
{
    CPluginHost host;
    CPermissionServer server;
    PluginLibrary plugin;
    IPluginModule* pModule = NULL;
    IPlugin* pPlugin = NULL;
    ITabViewPlugin* pView = NULL;
    HWND hFrame = NULL;
    HBITMAP hRememberedIcon = NULL;
    HWND hLastPage = NULL;
    int nLoadedBefore = 0;   // page-loaded notifications seen when the last navigation began
    std::string report;

    void Say(const std::string& line) { report += line + "\n"; }
    HWND Page() { return pView ? pView->GetHwnd() : NULL; }

    void Hook()
    {
        if (HWND hPage = Page())
            if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hPage, GWLP_WNDPROC)) != PageProc)
                g_pfnPageProc = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrW(hPage, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PageProc)));
    }
    void Unhook()
    {
        if (HWND hPage = Page())
            if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hPage, GWLP_WNDPROC)) == PageProc)
                SetWindowLongPtrW(hPage, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_pfnPageProc));
    }

    // A navigation begins synchronously: the animation is up and the browser hidden at once.
    std::string Navigating()
    {
        HWND hPage = Page();
        return hPage && Visible(hPage, 8001) && !Visible(hPage, 8000) ? "1" : "0";
    }

    void Run(const std::string& step);
};

void Probe::Run(const std::string& step)
{
    size_t eq = step.find('=');
    std::string name = step.substr(0, eq), arg = eq == std::string::npos ? "" : step.substr(eq + 1);
    if (name == "init")
        Say("init=" + std::to_string(pModule->Init(&host)));
    else if (name == "get")
    {
        pPlugin = pModule->GetPlugin(0);
        pView = static_cast<ITabViewPlugin*>(pPlugin);
        Say(std::string("get=") + (pPlugin ? "1" : "0") + " isinit=" + std::to_string(pPlugin ? pPlugin->IsInit() : -1));
    }
    else if (name == "caption")
        Say("caption=" + Utf8(pView->GetCaption(0)));
    else if (name == "icon")
        Say("icon=" + IconName(plugin.Handle(), pView->GetIcon()));
    else if (name == "remember-icon")
        hRememberedIcon = pView->GetIcon();
    else if (name == "old-icon-type")
        Say("old-icon-type=" + std::to_string(GetObjectType(hRememberedIcon)));
    else if (name == "create")
    {
        BOOL bOk = pView->CreateView(hFrame);
        Hook();
        // The placeholder static is gone; item 8000 is now the browser's own window.
        HWND hBrowser = Page() ? GetDlgItem(Page(), 8000) : NULL;
        WCHAR szClass[64] = {};
        if (hBrowser)
            GetClassNameW(hBrowser, szClass, 64);
        std::string item = !hBrowser ? "none" : lstrcmpiW(szClass, TEXT("Static")) == 0 ? "static" : "browser";
        Say("create=" + std::to_string(bOk) + " page-visible=" + std::to_string(Page() ? IsWindowVisible(Page()) : -1) +
            " item8000=" + item + " same-page=" + (Page() && Page() == hLastPage ? "1" : "0"));
        hLastPage = Page();
    }
    else if (name == "create-bad")
        Say("create-bad=" + std::to_string(pView->CreateView(reinterpret_cast<HWND>(0x7777))) +
            " hwnd=" + (Page() ? "1" : "0"));
    else if (name == "show")
    {
        RECT rc;
        GetClientRect(hFrame, &rc);
        SetWindowPos(Page(), NULL, 0, 0, rc.right, rc.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(Page(), SW_SHOW);
        Drain();
    }
    else if (name == "hide")
        ShowWindow(Page(), SW_HIDE);
    else if (name == "startup")
    {
        nLoadedBefore = g_nPagesLoaded;
        int n = pView->Startup();
        Say("startup=" + std::to_string(n) + " navigating=" + Navigating());
    }
    else if (name == "mlang" || name == "vlang")
    {
        DWORD dwLang = strtoul(arg.c_str(), NULL, 0);
        nLoadedBefore = g_nPagesLoaded;
        if (name == "mlang")
            pModule->OnLanguageChanged(dwLang);
        else
            pView->OnLanguageChanged(dwLang);
        Say(name + "=" + arg + " navigating=" + Navigating() + " icon=" + IconName(plugin.Handle(), pView->GetIcon()));
    }
    else if (name == "loading")
    {
        // While the server holds the answer: the spinner turns in the middle, the browser is away.
        HWND hPage = Page();
        bool bSeen = PumpUntil([&] { return server.RequestCount() > 0 && Visible(hPage, 8001) && !Visible(hPage, 8000); }, kBoundMs);
        int nTicks = 0;
        PumpUntil([&] { return ++nTicks > 5; }, kBoundMs);
        CScreenPicture pic;
        RECT rcPage, rcAnim;
        GetWindowRect(hPage, &rcPage);
        GetWindowRect(GetDlgItem(hPage, 8001), &rcAnim);
        OffsetRect(&rcAnim, -rcPage.left, -rcPage.top);
        RECT rcAll = {0, 0, rcPage.right - rcPage.left, rcPage.bottom - rcPage.top};
        bool bShot = CaptureWindow(hPage, pic);
        DWORD face = GetSysColor(COLOR_BTNFACE);
        DWORD faceRgb = ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF);
        int nSpinner = pic.Count(rcAnim, [&](DWORD p) { return p != faceRgb; });
        int nWhite = pic.Count(rcAll, [](DWORD p) { return p == 0xFFFFFF; });
        Say(std::string("loading=") + (bSeen ? "1" : "0") + " shot=" + (bShot ? "1" : "0") +
            " spinner=" + (nSpinner > 20 ? "1" : "0") + " white=" + std::to_string(nWhite));
        WritePicturePng(pic, PluginLibrary::ProgramDirectory() + TEXT("loading.png"));
    }
    else if (name == "unhold")
        server.ReleaseHeld();
    else if (name == "loaded")
    {
        // The last navigation has ended: told to the page, the browser back, the animation away.
        HWND hPage = Page();
        bool bLoaded = PumpUntil([&] {
            return g_nPagesLoaded > nLoadedBefore && Visible(hPage, 8000) && !Visible(hPage, 8001);
        }, kBoundMs);
        PumpUntil([] { return GetQueueStatus(QS_PAINT) == 0; }, 5000);
        CScreenPicture pic;
        RECT rcPage;
        GetWindowRect(hPage, &rcPage);
        RECT rcAll = {0, 0, rcPage.right - rcPage.left, rcPage.bottom - rcPage.top};
        CaptureWindow(hPage, pic);
        int nAll = (rcAll.right) * (rcAll.bottom);
        int nWhite = pic.Count(rcAll, [](DWORD p) { return p == 0xFFFFFF; });
        int nDark = pic.Count(rcAll, [](DWORD p) { return (p & 0xFF) < 0x60 && ((p >> 8) & 0xFF) < 0x60; });
        Say(std::string("loaded=") + (bLoaded ? "1" : "0") + " anim-visible=" + (Visible(hPage, 8001) ? "1" : "0") +
            " browser-visible=" + (Visible(hPage, 8000) ? "1" : "0") + " mostly-white=" +
            (nWhite * 10 > nAll * 8 ? "1" : "0") + " text=" + (nDark > 20 ? "1" : "0"));
        WritePicturePng(pic, PluginLibrary::ProgramDirectory() + TEXT("loaded.png"));
    }
    else if (name == "target")
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = TargetProc;
        wc.lpszClassName = TEXT("ProbeTarget");
        RegisterClassW(&wc);
        CreateWindowExW(0, wc.lpszClassName, Wide(arg).c_str(), WS_OVERLAPPED, 0, 0, 50, 50, NULL, NULL, NULL, NULL);
    }
    else if (name == "shutdown")
    {
        pView->Shutdown();
        Drain();
        std::string closed;
        for (const std::string& s : g_closed)
            closed += "[" + s + "]";
        g_closed.clear();
        Say("closed=" + closed);
    }
    else if (name == "destroy")
    {
        Unhook();
        HWND hPage = Page();
        pView->DestroyView();
        Say(std::string("destroy page-gone=") + (IsWindow(hPage) ? "0" : "1") + " hwnd=" + (Page() ? "1" : "0"));
    }
    else if (name == "release-plugin")
    {
        Unhook();
        pModule->ReleasePlugin(pPlugin);   // the probe's one reference: the view is gone
        pPlugin = NULL;
        pView = NULL;
    }
    else if (name == "addref")
        Say("addref=" + std::to_string(pPlugin->AddRef()));
    else if (name == "release")
    {
        Unhook();
        HWND hPage = Page();
        HBITMAP hIcon = pView->GetIcon();
        LONG n = pPlugin->Release();
        Say("release=" + std::to_string(n) + (n == 0 ? " page-gone=" + std::to_string(!IsWindow(hPage)) +
                                                            " icon-type=" + std::to_string(GetObjectType(hIcon))
                                                      : ""));
        if (n == 0)
            pPlugin = NULL, pView = NULL;
    }
    else if (name == "uninit")
    {
        Unhook();
        pModule->UnInit();
    }
    else if (name == "flags")
        Say("viewflags=" + std::to_string(pView->GetViewFlags()) + " started=" + std::to_string(pView->IsStarted()) +
            " description=" + Utf8(pView->GetDescription()));
    else if (name == "wait-requests")
    {
        size_t n = strtoul(arg.c_str(), NULL, 0);
        Say("wait-requests=" + std::string(PumpUntil([&] { return server.RequestCount() >= n; }, kBoundMs) ? "1" : "0"));
    }
    else
        Say("unknown step " + step);
}

}  // namespace

// view_probe [lang=N] [user=UTF8] [nologin] [ini=TEXT] [hold] STEP...; writes report.txt beside itself.
int main(int argc, char** argv)
{
    Probe probe;
    if (!probe.server.Start())
        return 3;
    int i = 1;
    for (; i < argc; ++i)
    {
        std::string a = argv[i];
        if (a.compare(0, 5, "lang=") == 0)
            probe.host.m_core.m_uiCore.m_dwLangId = strtoul(a.c_str() + 5, NULL, 0);
        else if (a.compare(0, 5, "user=") == 0)
            probe.host.m_core.m_login.m_strUserName = Wide(a.substr(5)).c_str();
        else if (a == "nologin")
            probe.host.m_core.m_bOfferLogin = FALSE;
        else if (a == "hold")
            probe.server.SetHolding(true);
        else if (a.compare(0, 4, "ini=") == 0)
        {
            std::string text = a.substr(4);
            size_t at = text.find("{server}");
            if (at != std::string::npos)
                text.replace(at, 8, probe.server.SignOnAddress());
            CStringW dir = PluginLibrary::ProgramDirectory();
            CreateDirectoryW(dir + TEXT("Plugins"), NULL);
            WritePrivateProfileStringW(TEXT("SSOURLFLAG"), TEXT("Keyholm"), Wide(text).c_str(), dir + TEXT("Plugins\\SSOBanner.ini"));
        }
        else
            break;
    }
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpszClassName = TEXT("ProbeFrame");
    RegisterClassW(&wc);
    probe.hFrame = CreateWindowExW(0, wc.lpszClassName, TEXT("Probe Host"), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
                                   0, 0, 500, 400, NULL, NULL, NULL, NULL);
    if (!probe.plugin.Load(TEXT("KeyholmPlugin.dll")))
        return 4;
    probe.pModule = probe.plugin.Module();
    for (; i < argc; ++i)
        probe.Run(argv[i]);
    // Everything the server got, in order.
    probe.server.ReleaseHeld();
    for (const ReceivedRequest& r : probe.server.Requests())
        probe.Say("request " + r.method + " " + r.target + " | " + r.contentType + " | " + Hex(r.body));
    LONG nKept = probe.host.m_core.m_uiCore.GetOutstandingReferences() + probe.host.m_core.m_login.GetOutstandingReferences();
    probe.Say("kept-references=" + std::to_string(nKept));
    HANDLE hFile = CreateFileW(PluginLibrary::ProgramDirectory() + TEXT("report.txt"), GENERIC_WRITE, 0, NULL,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD cb = 0;
    if (hFile != INVALID_HANDLE_VALUE)
    {
        WriteFile(hFile, probe.report.data(), DWORD(probe.report.size()), &cb, NULL);
        CloseHandle(hFile);
    }
    probe.server.Stop();
    probe.plugin.Unload();
    return 0;
}
