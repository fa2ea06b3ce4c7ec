// The sign-on end to end: the view's Startup to the page-loaded notification, through the real
// plug-in and browser against a loopback server, beside a bare libcurl POST of the same bytes to the
// same server; and the peak memory of showing pages of growing size, beside a bare download.
//
// Runs from the program's folder, which is the host folder: it writes Plugins\SSOBanner.ini there
// for the run and removes it after. Peak memory is read from /proc (VmHWM, reset before each size).
#include "HostServices.h"
#include "ServerThread.h"
#include "PluginLibrary.h"
#include "support/MessagePump.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <httplib.h>

#include <fstream>
#include <memory>
#include <mutex>
#include <string>

namespace {

const UINT kPageLoaded = 101025;
WNDPROC g_pfnPageProc = NULL;
long g_nPagesLoaded = 0;

LRESULT CALLBACK PageProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_NOTIFY && lParam && reinterpret_cast<NMHDR*>(lParam)->code == kPageLoaded)
        ++g_nPagesLoaded;
    return CallWindowProcW(g_pfnPageProc, hWnd, uMsg, wParam, lParam);
}

// A permission page of about `bytes` bytes: a title and rows of text.
std::string PermissionPage(size_t bytes)
{
    std::string page = "<html><head><title>Permissions</title></head><body><h1>My permissions</h1>";
    for (int row = 0; page.size() + 16 < bytes; ++row)
        page += "<p>permission row " + std::to_string(row) + ": granted</p>\n";
    return page + "</body></html>";
}

// The loopback sign-on server: answers every POST to /sso with the current page.
class SignOnServer
{
public:
    SignOnServer()
    {
        m_http.Post("/sso", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_strBody = req.body;
            m_strTarget = req.target;
            m_strType = req.get_header_value("Content-Type");
            // A body of known length from a provider goes out uncompressed, whatever the client
            // accepts: compressing is the server's cost, not the browser's.
            std::shared_ptr<const std::string> page = m_pPage;
            res.set_content_provider(page->size(), "text/html; charset=utf-8",
                                     [page](size_t offset, size_t length, httplib::DataSink& sink) {
                                         sink.write(page->data() + offset, std::min<size_t>(length, 64 << 10));
                                         return true;
                                     });
        });
        // Headers and body go out in two writes; a server that delays the second for the first's
        // acknowledgement stalls every request on a kept connection by the peer's delayed ACK.
        m_http.set_tcp_nodelay(true);
        m_nPort = m_runner.Start();
    }
    void SetPage(std::string page)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_pPage = std::make_shared<const std::string>(std::move(page));
    }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(m_nPort) + "/sso"; }
    // What the last sign-on sent, for the floor to send again.
    void LastRequest(std::string& target, std::string& body, std::string& type)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        target = m_strTarget;
        body = m_strBody;
        type = m_strType;
    }

private:
    httplib::Server m_http;
    CServerThread m_runner{m_http};
    int m_nPort = 0;
    std::mutex m_lock;
    std::shared_ptr<const std::string> m_pPage;
    std::string m_strBody, m_strTarget, m_strType;
};

// The host side: the plug-in loaded through the contract, its view created and shown in a frame.
class SignOnHost
{
public:
    explicit SignOnHost(SignOnServer& server)
    {
        CStringW dir = PluginLibrary::ProgramDirectory();
        m_bMadeFolder = CreateDirectoryW(dir + TEXT("Plugins"), NULL) != FALSE;
        CStringW base(server.Base().c_str());
        WritePrivateProfileStringW(TEXT("SSOURLFLAG"), TEXT("Keyholm"), base, dir + TEXT("Plugins\\SSOBanner.ini"));
        m_host.m_core.m_nTraceLevel = 100;  // no trace records: the log is not what is measured
        m_host.m_core.m_login.m_strUserName = TEXT("alice");

        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = TEXT("SignOnBenchFrame");
        RegisterClassW(&wc);
        m_hFrame = CreateWindowExW(0, wc.lpszClassName, TEXT("Sign-on bench"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                   800, 600, NULL, NULL, NULL, NULL);
        if (!m_plugin.Load(TEXT("KeyholmPlugin.dll")))
            return;
        m_pModule = m_plugin.Module();
        m_pModule->Init(&m_host);
        m_pView = static_cast<ITabViewPlugin*>(m_pModule->GetPlugin(0));
        if (!m_pView || !m_pView->CreateView(m_hFrame))
            return;
        HWND hPage = m_pView->GetHwnd();
        g_pfnPageProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hPage, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PageProc)));
        SetWindowPos(hPage, NULL, 0, 0, 800, 600, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(hPage, SW_SHOW);
        Drain();
        m_bReady = true;
    }
    ~SignOnHost()
    {
        if (m_pView) {
            if (HWND hPage = m_pView->GetHwnd())
                SetWindowLongPtrW(hPage, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_pfnPageProc));
            m_pView->DestroyView();
            m_pModule->ReleasePlugin(m_pView);
        }
        if (m_pModule)
            m_pModule->UnInit();
        m_plugin.Unload();
        DestroyWindow(m_hFrame);
        CStringW dir = PluginLibrary::ProgramDirectory();
        DeleteFileW(dir + TEXT("Plugins\\SSOBanner.ini"));
        if (m_bMadeFolder)
            RemoveDirectoryW(dir + TEXT("Plugins"));
    }

    bool Ready() const { return m_bReady; }

    // One sign-on: Startup, then the host's loop until the page says it has loaded. With shown,
    // also until the queue is empty, the shown page painted.
    bool SignOn(bool shown = false)
    {
        long nBefore = g_nPagesLoaded;
        m_pView->Startup();
        if (!PumpUntilEach([&] { return g_nPagesLoaded > nBefore; }, 60000))
            return false;
        if (shown)
            Drain();
        return true;
    }

private:
    CPluginHost m_host;
    PluginLibrary m_plugin;
    IPluginModule* m_pModule = NULL;
    ITabViewPlugin* m_pView = NULL;
    HWND m_hFrame = NULL;
    bool m_bMadeFolder = false;
    bool m_bReady = false;
};

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }
size_t Keep(char* data, size_t size, size_t count, void* user)
{
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

// A bare libcurl POST of the bytes the plug-in sent, on a new connection as each navigation makes.
bool BarePost(const std::string& url, const std::string& body, const std::string& type, std::string* keep)
{
    CURL* easy = curl_easy_init();
    curl_slist* headers = curl_slist_append(NULL, ("Content-Type: " + type).c_str());
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, keep ? Keep : Discard);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, keep);
    CURLcode rc = curl_easy_perform(easy);
    curl_slist_free_all(headers);
    curl_easy_cleanup(easy);
    return rc == CURLE_OK;
}

// Resident memory in bytes: the peak since the last reset, or now.
long long ProcMemory(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, strlen(field), field) == 0)
            return std::stoll(line.substr(strlen(field) + 1)) * 1024;
    return 0;
}
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

const size_t kSmallPage = 2 * 1024;

void BM_SignOn(benchmark::State& state)
{
    SignOnServer server;
    server.SetPage(PermissionPage(kSmallPage));
    SignOnHost host(server);
    if (!host.Ready() || !host.SignOn()) {
        state.SkipWithError("the plug-in did not sign on");
        return;
    }
    for (auto _ : state)
        if (!host.SignOn()) {
            state.SkipWithError("a sign-on never loaded");
            break;
        }
    state.SetBytesProcessed(state.iterations() * int64_t(kSmallPage));
}
BENCHMARK(BM_SignOn)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The same, to the loaded page painted: what the user waits for before reading.
void BM_SignOnShown(benchmark::State& state)
{
    SignOnServer server;
    server.SetPage(PermissionPage(kSmallPage));
    SignOnHost host(server);
    if (!host.Ready() || !host.SignOn(true)) {
        state.SkipWithError("the plug-in did not sign on");
        return;
    }
    for (auto _ : state)
        if (!host.SignOn(true)) {
            state.SkipWithError("a sign-on never loaded");
            break;
        }
    state.SetBytesProcessed(state.iterations() * int64_t(kSmallPage));
}
BENCHMARK(BM_SignOnShown)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_SignOn_Floor(benchmark::State& state)
{
    SignOnServer server;
    server.SetPage(PermissionPage(kSmallPage));
    std::string target, body, type;
    {
        SignOnHost host(server);  // one real sign-on tells what bytes to send
        if (!host.Ready() || !host.SignOn()) {
            state.SkipWithError("the plug-in did not sign on");
            return;
        }
        server.LastRequest(target, body, type);
    }
    std::string url = server.Base().substr(0, server.Base().find("/sso")) + target;
    for (auto _ : state)
        if (!BarePost(url, body, type, NULL)) {
            state.SkipWithError("the bare POST failed");
            break;
        }
    state.SetBytesProcessed(state.iterations() * int64_t(kSmallPage));
}
BENCHMARK(BM_SignOn_Floor)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Peak resident memory above the resident memory before the sign-on, while a page of the given
// size is shown. Run each size in its own process for absolute peaks (--benchmark_filter=.../N$).
void BM_PagePeakMemory(benchmark::State& state)
{
    SignOnServer server;
    server.SetPage(PermissionPage(kSmallPage));
    SignOnHost host(server);
    if (!host.Ready() || !host.SignOn()) {
        state.SkipWithError("the plug-in did not sign on");
        return;
    }
    std::string page = PermissionPage(size_t(state.range(0)));
    server.SetPage(page);
    long long nAbove = 0, nPeak = 0;
    for (auto _ : state) {
        long long nStart = ProcMemory("VmRSS:");
        ResetPeak();
        if (!host.SignOn(true)) {
            state.SkipWithError("the page never loaded");
            break;
        }
        nPeak = ProcMemory("VmHWM:");
        nAbove = std::max(nAbove, nPeak - nStart);
    }
    state.counters["peak_MB"] = double(nPeak) / (1 << 20);
    state.counters["above_MB"] = double(nAbove) / (1 << 20);
    state.SetBytesProcessed(state.iterations() * int64_t(page.size()));
}
BENCHMARK(BM_PagePeakMemory)->Arg(10 << 10)->Arg(1 << 20)->Arg(10 << 20)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_PagePeakMemory_Floor(benchmark::State& state)
{
    SignOnServer server;
    std::string page = PermissionPage(size_t(state.range(0)));
    server.SetPage(page);
    long long nAbove = 0, nPeak = 0;
    for (auto _ : state) {
        long long nStart = ProcMemory("VmRSS:");
        ResetPeak();
        std::string kept;
        if (!BarePost(server.Base(), "iusername=alice", "application/x-www-form-urlencoded", &kept)) {
            state.SkipWithError("the bare POST failed");
            break;
        }
        nPeak = ProcMemory("VmHWM:");
        nAbove = std::max(nAbove, nPeak - nStart);
    }
    state.counters["peak_MB"] = double(nPeak) / (1 << 20);
    state.counters["above_MB"] = double(nAbove) / (1 << 20);
    state.SetBytesProcessed(state.iterations() * int64_t(page.size()));
}
BENCHMARK(BM_PagePeakMemory_Floor)->Arg(10 << 10)->Arg(1 << 20)->Arg(10 << 20)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
