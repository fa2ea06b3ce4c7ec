// What Windows does when a program loads, frees and queries modules: names and paths, reference
// counts, entry-point notifications, exports, file names and the address-space query.
#include <windows.h>

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/WideString.h"
#include "win32/wine.h"

namespace {

std::mutex g_eventLock;
std::vector<std::string> g_events;

// The events whose names begin with prefix, in order; all recorded events are dropped.
std::vector<std::string> TakeEvents(const std::string &prefix)
{
    std::lock_guard<std::mutex> guard(g_eventLock);
    std::vector<std::string> taken;
    for (const auto &event : g_events) {
        if (event.compare(0, prefix.size(), prefix) == 0)
            taken.push_back(event);
    }
    g_events.clear();
    return taken;
}

WideString ProgramDirectory()
{
    WCHAR path[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    WideString text(path, length);
    return text.substr(0, text.rfind(TEXT('\\')) + 1);
}

WideString FileName(HMODULE module)
{
    WCHAR path[MAX_PATH];
    DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    return WideString(path, length);
}

// An export as the function type it has; void (*)(void) converts to and from any other quietly.
template <class Function>
Function ProcAs(HMODULE module, LPCSTR name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)(void)>(GetProcAddress(module, name)));
}

int NextCount(HMODULE probe)
{
    auto next = ProcAs<int(WINAPI *)()>(probe, "ProbeNextCount");
    return next ? next() : -1;
}

}  // namespace

extern "C" __declspec(dllexport) void WINAPI LoaderTestEvent(LPCSTR event)
{
    std::lock_guard<std::mutex> guard(g_eventLock);
    g_events.push_back(event);
}

TEST(LoaderLoad, PathBareNameCaseAndAnsiNameReachTheSameModule)
{
    WideString full = ProgramDirectory() + TEXT("loader_probe.dll");
    HMODULE byPath = LoadLibraryW(full.c_str());
    ASSERT_NE(nullptr, byPath);
    // No extension means ".dll"; names match without regard to case.
    EXPECT_EQ(byPath, LoadLibraryW(TEXT("loader_probe")));
    EXPECT_EQ(byPath, LoadLibraryW(TEXT("LOADER_PROBE.DLL")));
    EXPECT_EQ(byPath, LoadLibraryA("loader_probe.dll"));
    EXPECT_EQ(byPath, LoadLibraryExW(TEXT("loader_probe.dll"), NULL, 0));
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(FreeLibrary(byPath));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, GetModuleHandleW(TEXT("loader_probe.dll")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
}

TEST(LoaderLoad, NamesThatFindNoFileFailWithModNotFound)
{
    WideString missingDirectory = ProgramDirectory() + TEXT("no_such_directory\\loader_probe.dll");
    const WideString names[] = {
        TEXT("no_such_module.dll"),
        TEXT("no_such_module"),
        TEXT("loader_probe."),  // a trailing dot means no extension: the file "loader_probe" does not exist
        missingDirectory,
    };
    for (const auto &name : names) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(nullptr, LoadLibraryW(name.c_str()));
        EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
    }
}

TEST(LoaderLoad, LastFreeUnloadsAndReloadStartsWithFreshStaticState)
{
    HMODULE first = LoadLibraryW(TEXT("loader_probe.dll"));
    ASSERT_NE(nullptr, first);
    HMODULE second = LoadLibraryW(TEXT("loader_probe.dll"));
    EXPECT_EQ(first, second);
    EXPECT_EQ(1, NextCount(first));
    EXPECT_EQ(2, NextCount(first));

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(first, GetModuleHandleW(TEXT("loader_probe.dll")));  // one reference left
    EXPECT_EQ(3, NextCount(first));

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(nullptr, GetModuleHandleW(TEXT("loader_probe.dll")));

    HMODULE again = LoadLibraryW(TEXT("loader_probe.dll"));
    ASSERT_NE(nullptr, again);
    EXPECT_EQ(1, NextCount(again));
    EXPECT_TRUE(FreeLibrary(again));
}

TEST(LoaderLoad, FreeingSomethingThatIsNoModuleFails)
{
    int local = 0;
    HMODULE notModules[] = {NULL, reinterpret_cast<HMODULE>(0x1000), reinterpret_cast<HMODULE>(&local)};
    for (HMODULE module : notModules) {
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(FreeLibrary(module));
        // No error code is documented for this: the layer answers a bad handle, Wine a missing module.
        const DWORD error = GetLastError();
        EXPECT_TRUE(error == ERROR_INVALID_HANDLE || error == ERROR_MOD_NOT_FOUND) << error;
    }
}

TEST(LoaderEntry, StaticStartupPrecedesAttachAndDetachPrecedesTeardown)
{
    TakeEvents("");
    HMODULE probe = LoadLibraryW(TEXT("loader_probe.dll"));
    ASSERT_NE(nullptr, probe);
    EXPECT_EQ((std::vector<std::string>{"probe:construct", "probe:process-attach"}), TakeEvents("probe:"));

    // A second reference is no second attach, and freeing it is no detach.
    ASSERT_EQ(probe, LoadLibraryW(TEXT("loader_probe.dll")));
    EXPECT_TRUE(FreeLibrary(probe));
    EXPECT_EQ(std::vector<std::string>{}, TakeEvents("probe:"));

    EXPECT_TRUE(FreeLibrary(probe));
    EXPECT_EQ((std::vector<std::string>{"probe:process-detach", "probe:destruct"}), TakeEvents("probe:"));
}

TEST(LoaderEntry, ThreadsReportStartAndExitUntilDisabled)
{
    HMODULE probe = LoadLibraryW(TEXT("loader_probe.dll"));
    ASSERT_NE(nullptr, probe);
    TakeEvents("");

    std::thread([] {}).join();
    EXPECT_EQ((std::vector<std::string>{"probe:thread-attach", "probe:thread-detach"}), TakeEvents("probe:"));

#if defined(__MINGW32__)
    // The cross-built probe carries its run-time's static TLS, and the call refuses such a module.
    if (!DisableThreadLibraryCalls(probe)) {
        EXPECT_TRUE(FreeLibrary(probe));
        GTEST_SKIP() << "the probe has static TLS, for which DisableThreadLibraryCalls fails";
    }
#else
    EXPECT_TRUE(DisableThreadLibraryCalls(probe));
#endif
    std::thread([] {}).join();
    EXPECT_EQ(std::vector<std::string>{}, TakeEvents("probe:"));

    EXPECT_TRUE(FreeLibrary(probe));
    EXPECT_EQ((std::vector<std::string>{"probe:process-detach", "probe:destruct"}), TakeEvents("probe:"));

    // After a reload the module is notified again: the switch died with the old mapping.
    probe = LoadLibraryW(TEXT("loader_probe.dll"));
    ASSERT_NE(nullptr, probe);
    TakeEvents("");
    std::thread([] {}).join();
    EXPECT_EQ((std::vector<std::string>{"probe:thread-attach", "probe:thread-detach"}), TakeEvents("probe:"));
    EXPECT_TRUE(FreeLibrary(probe));
}

TEST(LoaderEntry, RefusedAttachFailsTheLoadAndLeavesNothingLoaded)
{
    TakeEvents("");
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, LoadLibraryW(TEXT("loader_refuse.dll")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DLL_INIT_FAILED), GetLastError());
    EXPECT_EQ((std::vector<std::string>{"refuse:construct", "refuse:process-attach", "refuse:process-detach",
                                        "refuse:destruct"}),
              TakeEvents("refuse:"));
    EXPECT_EQ(nullptr, GetModuleHandleW(TEXT("loader_refuse.dll")));

    // Every attempt runs the module afresh.
    EXPECT_EQ(nullptr, LoadLibraryW(TEXT("loader_refuse.dll")));
    EXPECT_EQ(4u, TakeEvents("refuse:").size());
}

TEST(LoaderProc, OnlyTheModulesOwnExportsAreFound)
{
    HMODULE probe = LoadLibraryW(TEXT("loader_probe.dll"));
    ASSERT_NE(nullptr, probe);
    HMODULE program = GetModuleHandleW(NULL);

    EXPECT_NE(nullptr, GetProcAddress(probe, "ProbeNextCount"));
    EXPECT_EQ(&LoaderTestEvent, ProcAs<void(WINAPI *)(LPCSTR)>(program, "LoaderTestEvent"));
    EXPECT_EQ(&LoaderTestEvent, ProcAs<void(WINAPI *)(LPCSTR)>(NULL, "LoaderTestEvent"));

    struct {
        HMODULE module;
        const char *name;
    } const absent[] = {
        {probe, "GetProcAddress"},    // exported by a library the module imports from
        {probe, "LoaderTestEvent"},   // exported by the program
        {probe, "DllMain"},           // defined but not exported
        {probe, "NoSuchFunction"},
        {program, "ProbeNextCount"},  // exported by a module the program loaded
    };
    for (const auto &lookup : absent) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(nullptr, GetProcAddress(lookup.module, lookup.name)) << lookup.name;
        EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError()) << lookup.name;
    }
    EXPECT_TRUE(FreeLibrary(probe));
}

TEST(ModuleHandle, LoadedModulesAnswerToTheirNamesWithoutCaseOrExtension)
{
    HMODULE probe = LoadLibraryW(TEXT("loader_probe.dll"));
    ASSERT_NE(nullptr, probe);
    WideString full = ProgramDirectory() + TEXT("loader_probe.dll");
    for (const WideString &name : {WideString(TEXT("loader_probe.dll")), WideString(TEXT("Loader_Probe.DLL")),
                                       WideString(TEXT("loader_probe")), full}) {
        EXPECT_EQ(probe, GetModuleHandleW(name.c_str()));
    }
    EXPECT_EQ(probe, GetModuleHandleA("LOADER_PROBE"));
    EXPECT_EQ(nullptr, GetModuleHandleW(TEXT("loader_probe.dl")));
    EXPECT_TRUE(FreeLibrary(probe));
}

TEST(ModuleFileName, ProgramAndModuleHaveDrivePathsWithBackslashes)
{
    WideString program = FileName(NULL);
    ASSERT_GT(program.size(), 3u);
    EXPECT_EQ(TEXT(":\\"), program.substr(1, 2));
    EXPECT_EQ(WideString::npos, program.find(TEXT('/')));
    EXPECT_EQ(program, FileName(GetModuleHandleW(NULL)));

    HMODULE probe = LoadLibraryW(TEXT("loader_probe.dll"));
    ASSERT_NE(nullptr, probe);
    EXPECT_EQ(ProgramDirectory() + TEXT("loader_probe.dll"), FileName(probe));
    EXPECT_TRUE(FreeLibrary(probe));

    SetLastError(0xdeadbeef);
    WCHAR buffer[MAX_PATH];
    EXPECT_EQ(0u, GetModuleFileNameW(reinterpret_cast<HMODULE>(0x1000), buffer, MAX_PATH));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
}

// Windows XP answered nSize without a terminator; Vista and later terminate the cut name.
TEST(ModuleFileName, ShortBufferGetsTheTerminatedStartAndItsSize)
{
    SKIP_UNDER_WINE("GetModuleFileName cut short leaves the name unterminated, as Windows XP did");
    WideString wide = FileName(NULL);
    char narrowFull[MAX_PATH];
    DWORD narrowLength = GetModuleFileNameA(NULL, narrowFull, MAX_PATH);
    ASSERT_EQ(wide.size(), narrowLength);  // the build folder's path is ASCII

    const DWORD length = static_cast<DWORD>(wide.size());
    for (DWORD size : {DWORD(1), DWORD(2), length / 2, length, length + 1}) {
        SCOPED_TRACE(size);
        std::vector<WCHAR> buffer(size + 1, TEXT('#'));
        SetLastError(0xdeadbeef);
        DWORD answer = GetModuleFileNameW(NULL, buffer.data(), size);
        std::vector<char> narrow(size + 1, '#');
        DWORD narrowAnswer = GetModuleFileNameA(NULL, narrow.data(), size);
        if (size > length) {
            EXPECT_EQ(length, answer);
            EXPECT_EQ(wide, WideString(buffer.data()));
            EXPECT_EQ(length, narrowAnswer);
            EXPECT_STREQ(narrowFull, narrow.data());
            continue;
        }
        EXPECT_EQ(size, answer);
        EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
        EXPECT_EQ(wide.substr(0, size - 1), WideString(buffer.data()));
        EXPECT_EQ(TEXT('#'), buffer[size]);  // nothing written past the buffer
        EXPECT_EQ(size, narrowAnswer);
        EXPECT_EQ(std::string(narrowFull, size - 1), std::string(narrow.data()));
        EXPECT_EQ('#', narrow[size]);
    }
}

TEST(VirtualQuery, AddressesInImagesBelongToTheirModules)
{
    HMODULE probe = LoadLibraryW(TEXT("loader_probe.dll"));
    ASSERT_NE(nullptr, probe);
    static int programData = 1;
    struct {
        const void *address;
        HMODULE module;
    } const cases[] = {
        {reinterpret_cast<const void *>(GetProcAddress(probe, "ProbeNextCount")), probe},
        {reinterpret_cast<const void *>(&LoaderTestEvent), GetModuleHandleW(NULL)},
        {&programData, GetModuleHandleW(NULL)},
        {probe, probe},
    };
    for (const auto &c : cases) {
        MEMORY_BASIC_INFORMATION info;
        ASSERT_EQ(sizeof info, VirtualQuery(c.address, &info, sizeof info));
        EXPECT_EQ(c.module, info.AllocationBase);
        EXPECT_EQ(static_cast<DWORD>(MEM_IMAGE), info.Type);
        EXPECT_EQ(static_cast<DWORD>(MEM_COMMIT), info.State);
        auto base = reinterpret_cast<ULONG_PTR>(info.BaseAddress);
        auto address = reinterpret_cast<ULONG_PTR>(c.address);
        EXPECT_EQ(0u, base % 4096);
        EXPECT_LE(base, address);
        EXPECT_GT(base + info.RegionSize, address);
    }
    EXPECT_TRUE(FreeLibrary(probe));
}

// A region is the longest run of pages alike in state, protection, type and allocation, so the
// region that follows one always differs from it in one of them.
TEST(VirtualQuery, RegionsEndWhereThePagesStopBeingAlike)
{
    HMODULE probe = LoadLibraryW(TEXT("loader_probe.dll"));
    ASSERT_NE(nullptr, probe);
    static int programData = 1;
    std::vector<char> heap(1 << 20);
    const void *const addresses[] = {
        reinterpret_cast<const void *>(GetProcAddress(probe, "ProbeNextCount")),
        probe,
        reinterpret_cast<const void *>(&LoaderTestEvent),
        &programData,
        heap.data(),
        reinterpret_cast<const void *>(0x1000),
    };
    for (const void *address : addresses) {
        MEMORY_BASIC_INFORMATION here, next;
        ASSERT_EQ(sizeof here, VirtualQuery(address, &here, sizeof here));
        auto end = reinterpret_cast<ULONG_PTR>(here.BaseAddress) + here.RegionSize;
        ASSERT_EQ(sizeof next, VirtualQuery(reinterpret_cast<LPCVOID>(end), &next, sizeof next));
        EXPECT_EQ(reinterpret_cast<PVOID>(end), next.BaseAddress);
        EXPECT_TRUE(next.State != here.State || next.Protect != here.Protect || next.Type != here.Type ||
                    next.AllocationBase != here.AllocationBase)
            << address;
    }
    EXPECT_TRUE(FreeLibrary(probe));
}

TEST(VirtualQuery, HeapIsPrivateLowMemoryIsFreeAndShortBuffersFail)
{
    std::vector<char> heap(1 << 20);
    MEMORY_BASIC_INFORMATION info;
    ASSERT_EQ(sizeof info, VirtualQuery(heap.data(), &info, sizeof info));
    EXPECT_EQ(static_cast<DWORD>(MEM_PRIVATE), info.Type);
    EXPECT_EQ(static_cast<DWORD>(MEM_COMMIT), info.State);
    EXPECT_EQ(static_cast<DWORD>(PAGE_READWRITE), info.Protect);
    EXPECT_NE(GetModuleHandleW(NULL), info.AllocationBase);

    // The lowest 64 KiB are never mapped.
    ASSERT_EQ(sizeof info, VirtualQuery(reinterpret_cast<LPCVOID>(0x1000), &info, sizeof info));
    EXPECT_EQ(static_cast<DWORD>(MEM_FREE), info.State);
    EXPECT_EQ(nullptr, info.AllocationBase);
    EXPECT_EQ(reinterpret_cast<PVOID>(0x1000), info.BaseAddress);

    SetLastError(0xdeadbeef);
    EXPECT_EQ(0u, VirtualQuery(heap.data(), &info, sizeof info - 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_LENGTH), GetLastError());
}
