// Regular libraries over the class library: start-up and its failures, their own module state,
// strings crossing modules, pre-translation per module, temporary objects at thread end and the
// library's operator new.
#include <afxwin.h>
#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Huge allocations must fail with NULL under AddressSanitizer too, as they do in a plain build.
extern "C" const char *__asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

std::mutex g_eventsLock;
std::vector<std::string> g_events;

std::vector<std::string> TakeEvents()
{
    std::lock_guard<std::mutex> hold(g_eventsLock);
    std::vector<std::string> events;
    events.swap(g_events);
    return events;
}

} // namespace

// What the test libraries report, found by them with GetProcAddress on the executable.
extern "C" __declspec(dllexport) void AfxTestRecord(const char *pszEvent)
{
    std::lock_guard<std::mutex> hold(g_eventsLock);
    g_events.push_back(pszEvent);
}

namespace {

using Events = std::vector<std::string>;

// A loaded test library and typed access to its exports.
class CTestLibrary
{
public:
    explicit CTestLibrary(LPCWSTR pszName) : m_hModule(LoadLibraryW(pszName)) {}
    ~CTestLibrary() { Free(); }
    CTestLibrary(const CTestLibrary &) = delete;
    CTestLibrary &operator=(const CTestLibrary &) = delete;

    HMODULE Handle() const { return m_hModule; }
    void Free()
    {
        if (m_hModule) FreeLibrary(m_hModule);
        m_hModule = NULL;
    }
    template <typename Fn> Fn *Get(const char *pszName) const
    {
        FARPROC pfn = GetProcAddress(m_hModule, pszName);
        return reinterpret_cast<Fn *>(reinterpret_cast<void (*)()>(pfn));
    }

private:
    HMODULE m_hModule;
};

TEST(AfxRegularLibrary, StartsInItsOwnStateAndEndsWithExitInstance)
{
    TakeEvents();
    AFX_MODULE_STATE *pHostState = AfxGetModuleState();
    CTestLibrary lib(TEXT("AfxTestModule.dll"));
    ASSERT_NE(nullptr, lib.Handle());
    EXPECT_EQ(Events({"InitInstance"}), TakeEvents());
    EXPECT_EQ(pHostState, AfxGetModuleState());   // the loader's state is back after start-up

    EXPECT_TRUE(lib.Get<BOOL()>("TestStaticInitSawOwnState")());
    AFX_MODULE_STATE *pLibState = lib.Get<AFX_MODULE_STATE *()>("TestModuleState")();
    ASSERT_NE(nullptr, pLibState);
    EXPECT_NE(AfxGetAppModuleState(), pLibState);
    EXPECT_TRUE(pLibState->m_bDLL);
    EXPECT_EQ(reinterpret_cast<HINSTANCE>(lib.Handle()), pLibState->m_hCurrentInstanceHandle);
    EXPECT_EQ(reinterpret_cast<HINSTANCE>(lib.Handle()), pLibState->m_hCurrentResourceHandle);
    ASSERT_NE(nullptr, pLibState->m_pCurrentWinApp);
    EXPECT_EQ(CString(TEXT("AfxTestModule")), CString(pLibState->m_lpszCurrentAppName));
    EXPECT_EQ(nullptr, AfxGetApp());   // the host's state has no application of its own here

    lib.Free();
    EXPECT_EQ(Events({"ExitInstance"}), TakeEvents());
}

TEST(AfxRegularLibrary, RefusingOrThrowingInitInstanceFailsTheLoad)
{
    for (LPCWSTR pszName : {TEXT("AfxTestRefuse.dll"), TEXT("AfxTestThrow.dll")}) {
        TakeEvents();
        SetLastError(0xdeadbeef);
        HMODULE hModule = LoadLibraryW(pszName);
        EXPECT_EQ(nullptr, hModule);
        EXPECT_EQ(DWORD(ERROR_DLL_INIT_FAILED), GetLastError());
        // The library is told it is going away, so it may undo a partial start.
        EXPECT_EQ(Events({"InitInstance", "ExitInstance"}), TakeEvents());
        EXPECT_EQ(nullptr, GetModuleHandleW(pszName));
        EXPECT_EQ(AfxGetAppModuleState(), AfxGetModuleState());
        if (hModule) FreeLibrary(hModule);
    }
}

TEST(AfxRegularLibrary, StringsCrossModulesInBothDirections)
{
    CTestLibrary lib(TEXT("AfxTestModule.dll"));
    ASSERT_NE(nullptr, lib.Handle());
    auto fill = lib.Get<void(CStringW *, int)>("TestFillString");
    auto replace = lib.Get<void(CStringW *)>("TestReplaceString");
    ASSERT_TRUE(fill && replace);

    CStringW filled;
    fill(&filled, 500);   // grown inside the library, freed here
    EXPECT_EQ(CStringW(TEXT("0,1,2,")), filled.Left(6));
    EXPECT_EQ(CStringW(TEXT("499,")), filled.Right(4));
    CStringW kept = filled;
    filled += TEXT("host");   // written here: the library's data is copied, not touched
    EXPECT_EQ(CStringW(TEXT("499,")), kept.Right(4));

    CStringW mine(TEXT("allocated by the host"));
    replace(&mine);   // freed and refilled inside the library
    EXPECT_EQ(CStringW(TEXT("from the library")), mine);
}

// A host window that notes what its pre-translation is offered.
class CHostFrameWnd : public CWnd
{
public:
    BOOL PreTranslateMessage(MSG *pMsg) override
    {
        (void)pMsg;
        AfxTestRecord("host-parent");
        return FALSE;
    }
};

TEST(AfxRegularLibrary, PreTranslationOffersOnlyTheCurrentModulesWindows)
{
    CTestLibrary lib(TEXT("AfxTestModule.dll"));
    ASSERT_NE(nullptr, lib.Handle());
    auto createChild = lib.Get<HWND(HWND, int)>("TestCreateChild");
    auto preTranslate = lib.Get<BOOL(MSG *)>("TestPreTranslate");
    auto isPermanent = lib.Get<BOOL(HWND)>("TestIsPermanent");

    CHostFrameWnd host;
    ASSERT_TRUE(host.CreateEx(0, NULL, TEXT("host"), WS_OVERLAPPED, 0, 0, 200, 100, NULL, NULL));
    HWND hChild = createChild(host.m_hWnd, 5);
    ASSERT_NE(nullptr, hChild);
    EXPECT_EQ(host.m_hWnd, GetParent(hChild));
    EXPECT_TRUE(isPermanent(hChild));
    EXPECT_FALSE(isPermanent(host.m_hWnd));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hChild));   // not the host's object

    MSG msg = {hChild, WM_KEYDOWN, 0, 0, 0, {0, 0}};
    TakeEvents();
    EXPECT_FALSE(preTranslate(&msg));   // library state: its child only, never the host's parent
    EXPECT_EQ(Events({"dll-child"}), TakeEvents());

    EXPECT_FALSE(CWnd::WalkPreTranslateTree(NULL, &msg));   // host state: the host's parent only
    EXPECT_EQ(Events({"host-parent"}), TakeEvents());

    // The library's window answers messages in the library's state, whatever is current here.
    EXPECT_EQ(5, GetDlgCtrlID(hChild));
    TakeEvents();
    host.DestroyWindow();   // the child goes with it; its object deletes itself
    EXPECT_FALSE(isPermanent(hChild));
}

TEST(AfxRegularLibrary, TemporaryObjectsOfAThreadEndWithTheThread)
{
    CTestLibrary lib(TEXT("AfxTestModule.dll"));
    ASSERT_NE(nullptr, lib.Handle());
    auto makeTemporary = lib.Get<BOOL(HWND)>("TestMakeTemporary");
    auto temporaryCount = lib.Get<LONG()>("TestTemporaryCount");

    CWnd foreign;
    ASSERT_TRUE(foreign.CreateEx(0, NULL, NULL, WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL));
    LONG before = temporaryCount();

    std::promise<void> made, release;
    std::shared_future<void> go = release.get_future().share();
    std::thread worker([&] {
        EXPECT_TRUE(makeTemporary(foreign.m_hWnd));
        EXPECT_TRUE(makeTemporary(foreign.m_hWnd));   // the same object again
        made.set_value();
        go.wait();
    });
    made.get_future().wait();
    EXPECT_EQ(before + 1, temporaryCount());   // alive while the thread runs
    release.set_value();
    worker.join();
    EXPECT_EQ(before, temporaryCount());       // freed at the thread's detach
    foreign.DestroyWindow();
}

TEST(AfxRegularLibrary, LibraryOperatorNewRaisesMemoryException)
{
    CTestLibrary lib(TEXT("AfxTestModule.dll"));
    ASSERT_NE(nullptr, lib.Handle());
    EXPECT_EQ(1, lib.Get<int()>("TestHugeAllocation")());
}

} // namespace
