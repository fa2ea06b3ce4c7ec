// login_probe: a small host of the plug-in built from Win32 alone, for both builds. Run from a
// fresh host folder, it loads KeyholmPlugin.dll there, fills the plug-in's login strings with the
// independent filler, runs the steps named on its command line through the host contract and
// writes one line a step to report.txt beside itself.
#include "plugin/HostContract.h"
#include "plugin/PluginContract.h"
#include "strings/StringFiller.h"

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

namespace {

typedef std::basic_string<WCHAR> wtext;

const DWORD kBoundMs = 60000;

std::string g_report;
void Say(const std::string &line) { g_report += line + "\n"; }

std::string Utf8(LPCWSTR psz)
{
    if (!psz)
        return "(null)";
    int cb = WideCharToMultiByte(CP_UTF8, 0, psz, -1, NULL, 0, NULL, NULL);
    std::string s(size_t(cb > 1 ? cb - 1 : 0), '\0');
    if (cb > 1)
        WideCharToMultiByte(CP_UTF8, 0, psz, -1, &s[0], cb, NULL, NULL);
    return s;
}

wtext Wide(const std::string &s)
{
    int cch = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, NULL, 0);
    wtext w(size_t(cch > 1 ? cch - 1 : 0), WCHAR(0));
    if (cch > 1)
        MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &w[0], cch);
    return w;
}

wtext ProgramFolder()
{
    WCHAR sz[MAX_PATH];
    wtext path(sz, GetModuleFileNameW(NULL, sz, MAX_PATH));
    return path.substr(0, path.rfind(WCHAR('\\')) + 1);
}

template <class Done> bool PumpUntil(Done done, DWORD boundMs = kBoundMs)
{
    for (DWORD start = GetTickCount(); !done();) {
        if (GetTickCount() - start > boundMs)
            return false;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
        for (MSG msg; PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE);) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

// The names the filler writes: "empty", "short", "long" (10,000 characters), "nonascii", or the
// text itself.
wtext UserText(const std::string &kind)
{
    if (kind == "empty")
        return wtext();
    if (kind == "short")
        return Wide("alice");
    if (kind == "long") {
        wtext w;
        for (int i = 0; i < 10000; ++i)
            w += WCHAR('a' + i % 26);
        return w;
    }
    if (kind == "nonascii")
        return Wide("\xE5\xBC\xA0\xE4\xB8\x89");   // two Chinese characters
    return Wide(kind);
}

template <class TService> class ServiceImpl : public TService
{
public:
    LONG AddRef() override { return InterlockedIncrement(&m_nRefs); }
    LONG Release() override { return InterlockedDecrement(&m_nRefs); }
    volatile LONG m_nRefs = 0;
};

class UICore : public ServiceImpl<IUICore>
{
public:
    DWORD GetLanguageId() override { return m_dwLangId; }
    DWORD m_dwLangId = 1033;
};

// Fills both strings as the host does: a placeholder first (a block of the strings' manager), then
// the name (grown or replaced in place), the other text twice (so a block is freed and replaced).
class Login : public ServiceImpl<ILoginService>
{
public:
    LONG GetLoginInfo(CStringW *pstrUserName, CStringW *pstrOther) override
    {
        ++m_nCalls;
        if (!pstrUserName || !pstrOther) {
            m_strProblem = "null string";
            return 0;
        }
        const WCHAR placeholder[] = {'x', 0};
        std::string problem = filler::Assign(pstrUserName, placeholder, 1);
        if (problem.empty())
            problem = filler::Assign(pstrUserName, m_user.data(), int(m_user.size()));
        if (problem.empty())
            problem = filler::Assign(pstrOther, m_user.data(), int(m_user.size()));
        if (problem.empty())
            problem = filler::Assign(pstrOther, NULL, 0);
        if (problem.empty() && !m_user.empty())
            problem = filler::Assign(pstrOther, placeholder, 1);
        if (!problem.empty())
            m_strProblem = problem;
        return 1;
    }
    wtext m_user;
    int m_nCalls = 0;
    std::string m_strProblem;
};

class Core : public IHostCore
{
public:
    // With one reference for the caller.
    IHostService *GetService(LPCWSTR pszName) override
    {
        IHostService *pService = NULL;
        if (lstrcmpW(pszName, HOST_SERVICE_UICORE) == 0)
            pService = &m_ui;
        else if (lstrcmpW(pszName, HOST_SERVICE_LOGIN) == 0)
            pService = &m_login;
        if (pService)
            pService->AddRef();
        return pService;
    }
    int GetTraceLevel() override { return m_nTraceLevel; }
    int m_nTraceLevel = 0;
    UICore m_ui;
    Login m_login;
};

class Host : public IPluginHost
{
public:
    IHostCore *GetCore() override { return &m_core; }
    Core m_core;
};

bool Visible(HWND hPage, int nItem)
{
    HWND h = hPage ? GetDlgItem(hPage, nItem) : NULL;
    return h && IsWindowVisible(h);
}

// A 32-bit bitmap's pixels as the system gives them, top row first.
std::vector<DWORD> Pixels(HBITMAP hBitmap, int &cx, int &cy)
{
    BITMAP bm = {};
    std::vector<DWORD> px;
    if (!hBitmap || !GetObjectW(hBitmap, sizeof bm, &bm))
        return px;
    cx = bm.bmWidth;
    cy = bm.bmHeight;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    px.resize(size_t(cx) * size_t(cy));
    HDC hdc = GetDC(NULL);
    if (GetDIBits(hdc, hBitmap, 0, UINT(cy), px.data(), &bi, DIB_RGB_COLORS) != cy)
        px.clear();
    ReleaseDC(NULL, hdc);
    return px;
}

// What the tab image is: size, whether every colour channel is within its alpha (premultiplied),
// how many pixels are partly transparent, and a checksum to tell images apart.
std::string IconFacts(HBITMAP hBitmap)
{
    int cx = 0, cy = 0;
    std::vector<DWORD> px = Pixels(hBitmap, cx, cy);
    if (px.empty())
        return "none";
    bool bPremultiplied = true;
    int nPartial = 0, nOpaque = 0;
    DWORD sum = 0;
    for (DWORD p : px) {
        DWORD a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        if (r > a || g > a || b > a)
            bPremultiplied = false;
        nPartial += a > 0 && a < 255;
        nOpaque += a == 255;
        sum = sum * 31 + p;
    }
    char sz[160];
    snprintf(sz, sizeof sz, "%dx%d premultiplied=%d partial=%d opaque=%d sum=%08lx", cx, cy, bPremultiplied ? 1 : 0,
             nPartial, nOpaque, static_cast<unsigned long>(sum));
    return sz;
}

std::vector<std::string> g_closed;

LRESULT CALLBACK TargetProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_CLOSE) {
        WCHAR sz[128];
        GetWindowTextW(hWnd, sz, 128);
        g_closed.push_back(Utf8(sz));
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

struct Probe
{
    Host host;
    HMODULE hPlugin = NULL;
    IPluginModule *pModule = NULL;
    IPlugin *pPlugin = NULL;
    ITabViewPlugin *pView = NULL;
    HWND hFrame = NULL;

    HWND Page() { return pView ? pView->GetHwnd() : NULL; }
    void Run(const std::string &name, const std::string &arg);
};

void Probe::Run(const std::string &name, const std::string &arg)
{
    if (name == "module") {
        auto pfn = reinterpret_cast<PFN_GET_PLUGIN_MODULE>(
            reinterpret_cast<void (*)()>(GetProcAddress(hPlugin, GET_PLUGIN_MODULE_EXPORT)));
        Say("module same=" + std::to_string(pfn && pfn() == pModule) + " type=" + std::to_string(pModule->GetType()) +
            " name=" + Utf8(pModule->GetModuleName()) + " company=" + Utf8(pModule->GetCompanyName()) +
            " count=" + std::to_string(pModule->GetPluginCount()) + " isinit=" + std::to_string(pModule->IsInit()));
    } else if (name == "init")
        Say("init=" + std::to_string(pModule->Init(&host)) + " isinit=" + std::to_string(pModule->IsInit()));
    else if (name == "get") {
        pPlugin = pModule->GetPlugin(0);
        pView = static_cast<ITabViewPlugin *>(pPlugin);
        Say(std::string("get=") + (pPlugin ? "1" : "0") + " type=" + std::to_string(pPlugin ? pPlugin->GetType() : -1));
    } else if (name == "refs") {
        LONG nUp = pPlugin->AddRef();
        LONG nDown = pPlugin->Release();
        Say("refs up=" + std::to_string(nUp) + " down=" + std::to_string(nDown));
    } else if (name == "create") {
        BOOL bOk = pView->CreateView(hFrame);
        RECT rc;
        GetClientRect(hFrame, &rc);
        if (Page()) {
            SetWindowPos(Page(), NULL, 0, 0, rc.right, rc.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
            ShowWindow(Page(), SW_SHOW);
        }
        Say("create=" + std::to_string(bOk) + " page=" + (Page() ? "1" : "0"));
    } else if (name == "caption")
        Say("caption=" + Utf8(pView->GetCaption(0)));
    else if (name == "icon")
        Say("icon=" + IconFacts(pView->GetIcon()));
    else if (name == "mlang") {
        pModule->OnLanguageChanged(strtoul(arg.c_str(), NULL, 0));
        Say("mlang=" + arg);
    } else if (name == "startup") {
        int n = pView->Startup();
        Say("startup=" + std::to_string(n) + " navigating=" + (Visible(Page(), 8001) ? "1" : "0") +
            " login-calls=" + std::to_string(host.m_core.m_login.m_nCalls) + " filler=" +
            (host.m_core.m_login.m_strProblem.empty() ? "ok" : host.m_core.m_login.m_strProblem));
    } else if (name == "ended") {
        // The navigation is over, however it ended: the animation is stopped and hidden.
        bool bEnded = PumpUntil([&] { return !Visible(Page(), 8001); });
        Say(std::string("ended=") + (bEnded ? "1" : "0"));
    } else if (name == "target") {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = TargetProc;
        wc.lpszClassName = TEXT("ProbeTarget");
        RegisterClassW(&wc);
        CreateWindowExW(0, wc.lpszClassName, Wide(arg).c_str(), WS_OVERLAPPED, 0, 0, 50, 50, NULL, NULL, NULL, NULL);
    } else if (name == "shutdown") {
        pView->Shutdown();
        int nTicks = 0;
        PumpUntil([&] { return ++nTicks > 3 && GetQueueStatus(QS_ALLINPUT) == 0; }, 5000);
        std::string closed;
        for (const std::string &s : g_closed)
            closed += "[" + s + "]";
        g_closed.clear();
        Say("closed=" + closed);
    } else if (name == "destroy") {
        pView->DestroyView();
        Say(std::string("destroy hwnd=") + (Page() ? "1" : "0"));
    } else if (name == "release-plugin") {
        pModule->ReleasePlugin(pPlugin);
        pPlugin = NULL;
        pView = NULL;
    } else if (name == "uninit")
        pModule->UnInit();
    else
        Say("unknown step " + name);
}

} // namespace

// login_probe [url=ADDRESS] [user=SPEC] [lang=ID] [trace=LEVEL] STEP[=ARG]...
int main(int argc, char **argv)
{
    Probe probe;
    int i = 1;
    for (; i < argc; ++i) {
        std::string a = argv[i];
        if (a.compare(0, 4, "url=") == 0) {
            wtext dir = ProgramFolder();
            CreateDirectoryW((dir + TEXT("Plugins")).c_str(), NULL);
            WritePrivateProfileStringW(TEXT("SSOURLFLAG"), TEXT("Keyholm"), Wide(a.substr(4)).c_str(),
                                       (dir + TEXT("Plugins\\SSOBanner.ini")).c_str());
        } else if (a.compare(0, 5, "user=") == 0)
            probe.host.m_core.m_login.m_user = UserText(a.substr(5));
        else if (a.compare(0, 5, "lang=") == 0)
            probe.host.m_core.m_ui.m_dwLangId = strtoul(a.c_str() + 5, NULL, 0);
        else if (a.compare(0, 6, "trace=") == 0)
            probe.host.m_core.m_nTraceLevel = atoi(a.c_str() + 6);
        else
            break;
    }
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = TEXT("ProbeFrame");
    RegisterClassW(&wc);
    probe.hFrame = CreateWindowExW(0, wc.lpszClassName, TEXT("Probe Host"), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
                                   0, 0, 500, 400, NULL, NULL, NULL, NULL);
    probe.hPlugin = LoadLibraryW((ProgramFolder() + TEXT("KeyholmPlugin.dll")).c_str());
    auto pfn = probe.hPlugin ? reinterpret_cast<PFN_GET_PLUGIN_MODULE>(reinterpret_cast<void (*)()>(
                                   GetProcAddress(probe.hPlugin, GET_PLUGIN_MODULE_EXPORT)))
                             : NULL;
    probe.pModule = pfn ? pfn() : NULL;
    if (!probe.pModule)
        return 4;
    for (; i < argc; ++i) {
        std::string step = argv[i];
        size_t eq = step.find('=');
        probe.Run(step.substr(0, eq), eq == std::string::npos ? "" : step.substr(eq + 1));
    }
    Say("kept-references=" + std::to_string(probe.host.m_core.m_ui.m_nRefs + probe.host.m_core.m_login.m_nRefs));
    HANDLE hFile = CreateFileW((ProgramFolder() + TEXT("report.txt")).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD cb = 0;
    if (hFile != INVALID_HANDLE_VALUE) {
        WriteFile(hFile, g_report.data(), DWORD(g_report.size()), &cb, NULL);
        CloseHandle(hFile);
    }
    DestroyWindow(probe.hFrame);
    FreeLibrary(probe.hPlugin);
    return 0;
}
