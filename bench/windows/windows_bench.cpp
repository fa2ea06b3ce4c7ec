// The Windows build's own costs, each beside its floor in the same run: loading the plug-in beside
// an empty DLL, creating the view beside a bare child window, and Startup until the sign-on request
// has reached a loopback server beside a bare WinHTTP POST of the same bytes to it.
//
// Google Benchmark is not built for mingw, so this is a timing loop of its own: each repetition
// times a batch of the path and then a batch of its floor, and the report gives the median of the
// repetitions' per-iteration means, in microseconds, and the median of the repetitions' ratios.
//   windows_bench [REPETITIONS]
// Runs from the program's folder, the host folder: it writes Plugins\SSOBanner.ini there for the
// run and removes it after.
#include <winsock2.h>   // before windows.h, which would bring the old sockets header

#include "plugin/HostContract.h"
#include "plugin/PluginContract.h"
#include "strings/StringFiller.h"

#include <windows.h>
#include <winhttp.h>

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

const DWORD kBoundMs = 60000;
const int kLoadingAnimation = 8001;

double Now()
{
    static LARGE_INTEGER freq;
    if (!freq.QuadPart)
        QueryPerformanceFrequency(&freq);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1e6 / double(freq.QuadPart);
}

std::wstring ProgramFolder()
{
    WCHAR sz[MAX_PATH];
    std::wstring path(sz, GetModuleFileNameW(NULL, sz, MAX_PATH));
    return path.substr(0, path.rfind(L'\\') + 1);
}

// Pumps the thread's messages until done() holds or the bound passes, waking on hWake as well.
template <class Done> bool PumpUntil(Done done, HANDLE hWake = NULL)
{
    for (DWORD start = GetTickCount(); !done();) {
        if (GetTickCount() - start > kBoundMs)
            return false;
        MsgWaitForMultipleObjects(hWake ? 1 : 0, &hWake, FALSE, 20, QS_ALLINPUT);
        for (MSG msg; PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE);) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

// A loopback HTTP server on its own thread: takes one request a connection, notes when the whole
// request (headers and Content-Length bytes of body) had arrived, and answers with a small page.
class RequestClock
{
public:
    RequestClock()
    {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);
        InitializeCriticalSection(&m_lock);
        m_hArrived = CreateEventW(NULL, TRUE, FALSE, NULL);   // reset by whoever waits for the next
        m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int cb = sizeof addr;
        if (m_listener == INVALID_SOCKET || bind(m_listener, reinterpret_cast<sockaddr *>(&addr), cb) != 0 ||
            listen(m_listener, 8) != 0 || getsockname(m_listener, reinterpret_cast<sockaddr *>(&addr), &cb) != 0)
            return;
        m_nPort = ntohs(addr.sin_port);
        m_hThread = CreateThread(NULL, 0, Serve, this, 0, NULL);   // listening already: Start is done
    }
    ~RequestClock()
    {
        closesocket(m_listener);   // ends the accept loop
        if (m_hThread) {
            WaitForSingleObject(m_hThread, kBoundMs);
            CloseHandle(m_hThread);
        }
        CloseHandle(m_hArrived);
        DeleteCriticalSection(&m_lock);
        WSACleanup();
    }
    bool Listening() const { return m_hThread != NULL; }
    int Port() const { return m_nPort; }
    HANDLE Arrived() const { return m_hArrived; }
    // The moment the last request had arrived, and the request itself.
    double ArrivedAt()
    {
        EnterCriticalSection(&m_lock);
        double t = m_tArrived;
        LeaveCriticalSection(&m_lock);
        return t;
    }
    std::string Request()
    {
        EnterCriticalSection(&m_lock);
        std::string request = m_request;
        LeaveCriticalSection(&m_lock);
        return request;
    }

private:
    static DWORD WINAPI Serve(void *pv)
    {
        RequestClock *self = static_cast<RequestClock *>(pv);
        for (;;) {
            SOCKET s = accept(self->m_listener, NULL, NULL);
            if (s == INVALID_SOCKET)
                break;
            // Each connection on a thread of its own: a client may open a spare connection and
            // send nothing on it, which must not hold up the request on the next.
            Connection *pConnection = new Connection{self, s};
            HANDLE hThread = CreateThread(NULL, 0, Converse, pConnection, 0, NULL);
            if (!hThread) {
                closesocket(s);
                delete pConnection;
                continue;
            }
            self->m_threads.push_back(hThread);
        }
        // Once the listener is closed: every conversation ends when its client closes or is gone.
        for (HANDLE h : self->m_threads) {
            WaitForSingleObject(h, kBoundMs);
            CloseHandle(h);
        }
        return 0;
    }
    struct Connection
    {
        RequestClock *self;
        SOCKET s;
    };
    static DWORD WINAPI Converse(void *pv)
    {
        Connection *pConnection = static_cast<Connection *>(pv);
        DWORD dwBound = 10000;
        setsockopt(pConnection->s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&dwBound), sizeof dwBound);
        pConnection->self->Answer(pConnection->s);
        closesocket(pConnection->s);
        delete pConnection;
        return 0;
    }
    void Answer(SOCKET s)
    {
        std::string request;
        size_t nWhole = std::string::npos;
        char buf[8192];
        while (request.size() < nWhole) {
            int n = recv(s, buf, sizeof buf, 0);
            if (n <= 0)
                return;
            request.append(buf, size_t(n));
            size_t nHead = request.find("\r\n\r\n");
            if (nWhole == std::string::npos && nHead != std::string::npos)
                nWhole = nHead + 4 + ContentLength(request.substr(0, nHead));
        }
        EnterCriticalSection(&m_lock);
        m_tArrived = Now();
        m_request = request;
        LeaveCriticalSection(&m_lock);
        SetEvent(m_hArrived);
        static const char answer[] = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 47\r\n"
                                     "Connection: close\r\n\r\n<html><body><p>permissions</p></body></html>\r\n";
        send(s, answer, int(sizeof answer - 1), 0);
        shutdown(s, SD_SEND);   // not waiting for the client's close: the next request may be queued
    }
    static size_t ContentLength(std::string head)
    {
        for (char &c : head)
            c = char(tolower(static_cast<unsigned char>(c)));
        size_t at = head.find("\r\ncontent-length:");
        return at == std::string::npos ? 0 : size_t(strtoul(head.c_str() + at + 17, NULL, 10));
    }

    SOCKET m_listener = INVALID_SOCKET;
    HANDLE m_hThread = NULL;
    HANDLE m_hArrived = NULL;
    int m_nPort = 0;
    std::vector<HANDLE> m_threads;   // the accept thread's alone
    CRITICAL_SECTION m_lock;
    double m_tArrived = 0;
    std::string m_request;
};

template <class TService> class Service : public TService
{
public:
    LONG AddRef() override { return InterlockedIncrement(&m_nRefs); }
    LONG Release() override { return InterlockedDecrement(&m_nRefs); }
    volatile LONG m_nRefs = 0;
};

class UICore : public Service<IUICore>
{
public:
    DWORD GetLanguageId() override { return 2052; }
};

// The name through the string's own manager, as a separately built host fills it.
class Login : public Service<ILoginService>
{
public:
    LONG GetLoginInfo(CStringW *pstrUserName, CStringW *pstrOther) override
    {
        if (!pstrUserName || !pstrOther)
            return 0;
        filler::Assign(pstrUserName, L"alice", 5);
        filler::Assign(pstrOther, NULL, 0);
        return 1;
    }
};

class Core : public IHostCore
{
public:
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
    int GetTraceLevel() override { return 100; }   // no trace records: the log is not measured
    UICore m_ui;
    Login m_login;
};

class Host : public IPluginHost
{
public:
    IHostCore *GetCore() override { return &m_core; }
    Core m_core;
};

// One measured step: the microseconds it took, or a negative number when it failed.
typedef std::function<double()> Step;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Times the path and its floor, each `iterations` times a repetition, and prints the medians.
bool Compare(const char *name, const char *floorName, const Step &path, const Step &floor, int repetitions, int iterations)
{
    std::vector<double> pathMeans, floorMeans;
    for (int r = 0; r < repetitions; ++r) {
        const Step *steps[] = {&path, &floor};
        std::vector<double> *means[] = {&pathMeans, &floorMeans};
        for (int k = 0; k < 2; ++k) {
            double total = 0;
            for (int i = 0; i < iterations; ++i) {
                double us = (*steps[k])();
                if (us < 0) {
                    printf("%-14s failed (%s)\n", name, k ? floorName : "path");
                    return false;
                }
                total += us;
            }
            means[k]->push_back(total / iterations);
        }
    }
    // The ratio is the median of each repetition's own ratio: a busy machine slows whole stretches.
    std::vector<double> ratios;
    for (size_t r = 0; r < pathMeans.size(); ++r)
        ratios.push_back(floorMeans[r] > 0 ? pathMeans[r] / floorMeans[r] : 0.0);
    printf("%-15s %9.1f us   floor %-22s %9.1f us   ratio %5.1fx   (medians of %d x %d)\n", name, Median(pathMeans),
           floorName, Median(floorMeans), Median(ratios), repetitions, iterations);
    return true;
}

// A bare WinHTTP POST of the given bytes on a fresh session, timed to the server having them.
double BarePost(RequestClock &server, const std::wstring &target, const std::string &body, const std::wstring &headers)
{
    ResetEvent(server.Arrived());
    double t0 = Now();
    bool ok = false;
    HINTERNET hSession = WinHttpOpen(L"bench", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    HINTERNET hConnect = hSession ? WinHttpConnect(hSession, L"127.0.0.1", INTERNET_PORT(server.Port()), 0) : NULL;
    HINTERNET hRequest = hConnect ? WinHttpOpenRequest(hConnect, L"POST", target.c_str(), NULL, WINHTTP_NO_REFERER,
                                                        WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                                  : NULL;
    if (hRequest && WinHttpSendRequest(hRequest, headers.c_str(), DWORD(-1), const_cast<char *>(body.data()),
                                       DWORD(body.size()), DWORD(body.size()), 0) &&
        WinHttpReceiveResponse(hRequest, NULL)) {
        char buf[4096];
        DWORD cb = 0;
        while (WinHttpReadData(hRequest, buf, sizeof buf, &cb) && cb) {
        }
        ok = true;
    }
    if (hRequest)
        WinHttpCloseHandle(hRequest);
    if (hConnect)
        WinHttpCloseHandle(hConnect);
    if (hSession)
        WinHttpCloseHandle(hSession);
    ok = ok && WaitForSingleObject(server.Arrived(), kBoundMs) == WAIT_OBJECT_0;
    return ok ? server.ArrivedAt() - t0 : -1;
}

std::wstring Wide(const std::string &s) { return std::wstring(s.begin(), s.end()); }

// The request line's target, the body and the Content-Type header of a raw request.
void Split(const std::string &request, std::wstring &target, std::string &body, std::wstring &headers)
{
    size_t sp = request.find(' '), sp2 = request.find(' ', sp + 1), head = request.find("\r\n\r\n");
    target = Wide(request.substr(sp + 1, sp2 - sp - 1));
    body = request.substr(head + 4);
    std::string lower = request.substr(0, head);
    for (char &c : lower)
        c = char(tolower(static_cast<unsigned char>(c)));
    size_t at = lower.find("\r\ncontent-type:");
    size_t end = at == std::string::npos ? at : lower.find("\r\n", at + 2);
    headers = at == std::string::npos ? std::wstring() : Wide(request.substr(at + 2, end - at - 2));
}

} // namespace

int main(int argc, char **argv)
{
    int repetitions = argc > 1 ? atoi(argv[1]) : 7;
    std::wstring dir = ProgramFolder();
    std::wstring plugin = dir + L"KeyholmPlugin.dll", empty = dir + L"EmptyModule.dll";
    bool ok = true;
    // A host has the system libraries the plug-in imports loaded already (it draws and uses COM);
    // without them each load would map and unmap those as well.
    for (LPCWSTR pszSystem : {L"gdi32.dll", L"msimg32.dll", L"ole32.dll", L"oleaut32.dll"})
        LoadLibraryW(pszSystem);

    // Load: LoadLibrary to GetPluginModule answered, then FreeLibrary; nothing else holds the DLL.
    auto load = [&]() -> double {
        double t0 = Now();
        HMODULE h = LoadLibraryW(plugin.c_str());
        auto pfn = h ? reinterpret_cast<PFN_GET_PLUGIN_MODULE>(
                           reinterpret_cast<void (*)()>(GetProcAddress(h, GET_PLUGIN_MODULE_EXPORT)))
                     : NULL;
        IPluginModule *pModule = pfn ? pfn() : NULL;
        double t1 = Now();
        if (h)
            FreeLibrary(h);
        return pModule ? t1 - t0 : -1;
    };
    auto loadEmpty = [&]() -> double {
        double t0 = Now();
        HMODULE h = LoadLibraryW(empty.c_str());
        double t1 = Now();
        if (h)
            FreeLibrary(h);
        return h ? t1 - t0 : -1;
    };
    ok = Compare("load", "(an empty DLL)", load, loadEmpty, repetitions, 50) && ok;

    RequestClock server;
    if (!server.Listening()) {
        printf("the loopback server did not start\n");
        return 1;
    }
    CreateDirectoryW((dir + L"Plugins").c_str(), NULL);
    std::wstring ini = dir + L"Plugins\\SSOBanner.ini";
    WritePrivateProfileStringW(L"SSOURLFLAG", L"Keyholm", (L"http://127.0.0.1:" + std::to_wstring(server.Port()) + L"/sso").c_str(),
                               ini.c_str());

    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"WindowsBenchFrame";
    RegisterClassW(&wc);
    HWND hFrame = CreateWindowExW(0, wc.lpszClassName, L"Windows bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0,
                                  800, 600, NULL, NULL, NULL, NULL);
    Host host;
    HMODULE hPlugin = LoadLibraryW(plugin.c_str());
    auto pfn = hPlugin ? reinterpret_cast<PFN_GET_PLUGIN_MODULE>(
                             reinterpret_cast<void (*)()>(GetProcAddress(hPlugin, GET_PLUGIN_MODULE_EXPORT)))
                       : NULL;
    IPluginModule *pModule = pfn ? pfn() : NULL;
    ITabViewPlugin *pView = NULL;
    if (pModule && pModule->Init(&host))
        pView = static_cast<ITabViewPlugin *>(pModule->GetPlugin(0));
    if (!pView) {
        printf("the plug-in gave no view\n");
        ok = false;
    } else {
        // Create view: CreateView into the frame; the view is destroyed again outside the time.
        auto create = [&]() -> double {
            double t0 = Now();
            BOOL bCreated = pView->CreateView(hFrame);
            double t1 = Now();
            pView->DestroyView();
            return bCreated ? t1 - t0 : -1;
        };
        auto createBare = [&]() -> double {
            double t0 = Now();
            HWND h = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, 800, 600, hFrame, NULL, NULL, NULL);
            double t1 = Now();
            if (h)
                DestroyWindow(h);
            return h ? t1 - t0 : -1;
        };
        ok = Compare("create-view", "(a bare child window)", create, createBare, repetitions, 20) && ok;

        // Start-up to request: Startup until the server has the whole sign-on request; then the
        // navigation is let end, outside the time, before the next.
        HWND hPage = NULL;
        if (pView->CreateView(hFrame) && (hPage = pView->GetHwnd())) {
            SetWindowPos(hPage, NULL, 0, 0, 800, 600, SWP_NOZORDER | SWP_NOACTIVATE);
            ShowWindow(hPage, SW_SHOW);
        }
        auto navigating = [&] {
            HWND h = hPage ? GetDlgItem(hPage, kLoadingAnimation) : NULL;
            return h && IsWindowVisible(h);
        };
        auto startup = [&]() -> double {
            ResetEvent(server.Arrived());
            double t0 = Now();
            pView->Startup();
            bool bArrived = PumpUntil([&] { return WaitForSingleObject(server.Arrived(), 0) == WAIT_OBJECT_0; }, server.Arrived());
            double t1 = server.ArrivedAt();
            return bArrived && PumpUntil([&] { return !navigating(); }) ? t1 - t0 : -1;
        };
        std::wstring target, headers;
        std::string body;
        if (hPage && startup() >= 0) {
            Split(server.Request(), target, body, headers);
            auto post = [&]() -> double { return BarePost(server, target, body, headers); };
            ok = Compare("startup-request", "(a bare WinHTTP POST)", startup, post, repetitions, 10) && ok;
        } else {
            printf("startup-request failed: no sign-on request reached the server\n");
            ok = false;
        }
        pView->DestroyView();
        pModule->ReleasePlugin(pView);
    }
    if (pModule)
        pModule->UnInit();
    DestroyWindow(hFrame);
    if (hPlugin)
        FreeLibrary(hPlugin);
    DeleteFileW(ini.c_str());
    RemoveDirectoryW((dir + L"Plugins").c_str());
    return ok ? 0 : 1;
}
