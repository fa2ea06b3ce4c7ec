// LoadLibrary, FreeLibrary, GetProcAddress, and the module entry points: process notifications
// from the loader, thread notifications from every thread the process starts.
#include "internal/image.h"
#include "internal/path.h"

#include <win32api/loader.h>

#include <cxxabi.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <link.h>
#include <pthread.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <list>
#include <map>
#include <mutex>
#include <vector>

namespace {

struct entry_record {
    HMODULE module;
    PDLL_ENTRY entry;
    bool thread_calls;
    bool process_attached;  // attached by LoadLibrary: thread attach applies too
    bool closing;           // being unloaded: no new thread notifications
    int in_flight;          // thread notifications running now
};

struct loaded_module {
    void *dl;
    LONG count;
    bool attached;  // PROCESS_ATTACH was delivered, so PROCESS_DETACH is owed
    std::string path;
};

struct loader_state {
    // The loader lock: LoadLibrary and FreeLibrary and their process notifications. Recursive, so
    // an entry point may load or free libraries itself.
    std::recursive_mutex lock;
    std::map<HMODULE, loaded_module> loaded;

    // Thread notifications do not take the loader lock: a module that waits for a worker thread
    // while it unloads must not deadlock against that thread's exit.
    std::mutex entries_lock;
    std::condition_variable entries_idle;
    std::list<entry_record> entries;  // registration order
};

loader_state &loader()
{
    static loader_state *state = new loader_state;  // threads exit after static destructors have run
    return *state;
}

BOOL call_entry(PDLL_ENTRY entry, HMODULE module, DWORD reason)
{
    try {
        return entry(reinterpret_cast<HINSTANCE>(module), reason, NULL);
    } catch (abi::__forced_unwind &) {
        throw;
    } catch (...) {
        return FALSE;  // nothing unwinds through an entry point
    }
}

entry_record *find_entry(loader_state &s, HMODULE module)
{
    for (auto &record : s.entries) {
        if (record.module == module)
            return &record;
    }
    return nullptr;
}

// Stops thread notifications to module and waits for those already running; answers its entry.
PDLL_ENTRY close_entry(loader_state &s, HMODULE module)
{
    std::unique_lock<std::mutex> guard(s.entries_lock);
    entry_record *record = find_entry(s, module);
    if (!record)
        return nullptr;
    record->closing = true;
    s.entries_idle.wait(guard, [record] { return record->in_flight == 0; });
    return record->entry;
}

// After dlclose: a module still mapped (held by someone else) keeps its entry for thread detach.
void settle_entry(loader_state &s, HMODULE module, bool unmapped)
{
    std::lock_guard<std::mutex> guard(s.entries_lock);
    for (auto it = s.entries.begin(); it != s.entries.end(); ++it) {
        if (it->module != module)
            continue;
        if (unmapped) {
            s.entries.erase(it);
        } else {
            it->closing = false;
            it->process_attached = false;
        }
        return;
    }
}

void set_process_attached(loader_state &s, HMODULE module, bool attached)
{
    std::lock_guard<std::mutex> guard(s.entries_lock);
    if (entry_record *record = find_entry(s, module))
        record->process_attached = attached;
}

void notify_threads(DWORD reason)
{
    loader_state &s = loader();
    struct due_call {
        entry_record *record;
        PDLL_ENTRY entry;
    };
    std::vector<due_call> due;
    {
        std::lock_guard<std::mutex> guard(s.entries_lock);
        for (auto &record : s.entries) {
            if (!record.entry || !record.thread_calls || record.closing)
                continue;
            if (reason == DLL_THREAD_ATTACH && !record.process_attached)
                continue;
            ++record.in_flight;
            due.push_back({&record, record.entry});
        }
    }
    for (const auto &call : due) {
        call_entry(call.entry, call.record->module, reason);
        std::lock_guard<std::mutex> guard(s.entries_lock);
        --call.record->in_flight;
        s.entries_idle.notify_all();
    }
}

HMODULE module_of_handle(void *dl)
{
    struct link_map *map = nullptr;
    if (dlinfo(dl, RTLD_DI_LINKMAP, &map) != 0 || !map)
        return NULL;
    return win32::module_from_address(map->l_ld);
}

bool is_regular_file(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool is_elf(const std::string &path)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char magic[4] = {};
    bool elf = read(fd, magic, sizeof magic) == 4 && magic[0] == 0x7f && magic[1] == 'E' && magic[2] == 'L' &&
               magic[3] == 'F';
    close(fd);
    return elf;
}

std::string directory_of(const std::string &path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return std::string();
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// A name with a path is taken as given; a bare name is a module already mapped under that name,
// else a file in the executable's directory, else one in the current directory.
bool find_library(LPCWSTR name, std::string &path)
{
    std::u16string full = win32::module_name_with_extension(name);
    bool bare = true;
    for (LPCWSTR c = name; *c; ++c) {
        if (*c == u'\\' || *c == u'/' || *c == u':')
            bare = false;
    }
    if (!bare)
        return win32::unix_path_from_dos(full.c_str(), path) && is_regular_file(path);

    for (const auto &module : win32::mapped_modules()) {
        size_t slash = module.path.rfind('/');
        std::u16string file = win32::utf16_from_utf8(module.path.substr(slash == std::string::npos ? 0 : slash + 1));
        if (win32::module_names_equal(file, full)) {
            path = module.path;
            return true;
        }
    }
    std::vector<std::string> directories;
    directories.push_back(directory_of(win32::module_unix_path(win32::executable_module())));
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd))
        directories.push_back(cwd);
    for (const auto &directory : directories) {
        if (directory.empty())
            continue;
        std::u16string dos = win32::dos_path_from_unix(directory);
        if (dos.empty() || dos.back() != u'\\')
            dos += u'\\';
        dos += full;
        if (win32::unix_path_from_dos(dos.c_str(), path) && is_regular_file(path))
            return true;
    }
    return false;
}

// The last reference is gone: detach, unmap, and forget what the module registered.
void unload(loader_state &s, HMODULE module, const loaded_module &record)
{
    PDLL_ENTRY entry = close_entry(s, module);
    if (record.attached && entry)
        call_entry(entry, module, DLL_PROCESS_DETACH);
    dlclose(record.dl);
    void *still = dlopen(record.path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (still)
        dlclose(still);
    settle_entry(s, module, !still);
    if (!still)
        win32::drop_module_resources(module);
}

// Threads report their start and exit to the loaded modules. Every thread of the process is made
// by pthread_create, so the layer stands in front of it; the notifications run in the new thread,
// before its start routine and after it returns or exits (pthread_exit unwinds through here).
struct thread_start {
    void *(*routine)(void *);
    void *arg;
};

thread_local bool t_detached;

struct thread_notifications {
    thread_notifications() { notify_threads(DLL_THREAD_ATTACH); }
    ~thread_notifications() { win32::loader_thread_detach(); }
    thread_notifications(const thread_notifications &) = delete;
    thread_notifications &operator=(const thread_notifications &) = delete;
};

void *thread_trampoline(void *data)
{
    thread_start start = *static_cast<thread_start *>(data);
    free(data);
    thread_notifications notifications;
    return start.routine(start.arg);
}

}  // namespace

void win32::loader_thread_detach()
{
    if (t_detached)
        return;
    t_detached = true;
    notify_threads(DLL_THREAD_DETACH);
}

extern "C" DECLSPEC_EXPORT int pthread_create(pthread_t *thread, const pthread_attr_t *attr,
                                              void *(*routine)(void *), void *arg) noexcept
{
    using create_function = int (*)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *);
    static const create_function next = reinterpret_cast<create_function>(dlsym(RTLD_NEXT, "pthread_create"));
    if (!next)
        return EAGAIN;
    auto *start = static_cast<thread_start *>(malloc(sizeof(thread_start)));
    if (!start)
        return EAGAIN;
    *start = {routine, arg};
    int result = next(thread, attr, thread_trampoline, start);
    if (result != 0)
        free(start);
    return result;
}

// A module's entry point. A module mapped by LoadLibrary gets DLL_PROCESS_ATTACH once dlopen has
// returned; one mapped at start-up (linked by the executable) or as another module's dependency
// keeps its entry but gets only DLL_THREAD_DETACH.
void win32_loader_register_entry(const void *anchor, PDLL_ENTRY entry)
{
    HMODULE module = win32::module_from_address(anchor);
    if (!module || !entry)
        return;
    loader_state &s = loader();
    std::lock_guard<std::mutex> guard(s.entries_lock);
    if (entry_record *record = find_entry(s, module)) {
        record->entry = entry;
        return;
    }
    s.entries.push_back({module, entry, true, false, false, 0});
}

// Flags 0 only: every other flag and a file handle fail with ERROR_INVALID_PARAMETER.
HMODULE WINAPI LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags)
{
    if (!lpLibFileName || hFile || dwFlags) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    std::string path;
    if (!*lpLibFileName || !find_library(lpLibFileName, path)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return NULL;
    }
    loader_state &s = loader();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    void *dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    bool mapped_here = !dl;
    if (!dl)
        dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) {
        SetLastError(is_elf(path) ? ERROR_MOD_NOT_FOUND : ERROR_BAD_EXE_FORMAT);
        return NULL;
    }
    HMODULE module = module_of_handle(dl);
    if (!module) {
        dlclose(dl);
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return NULL;
    }
    auto it = s.loaded.find(module);
    if (it != s.loaded.end()) {
        ++it->second.count;
        dlclose(dl);
        return module;
    }
    s.loaded[module] = loaded_module{dl, 1, mapped_here, path};
    if (!mapped_here)
        return module;

    PDLL_ENTRY entry = nullptr;
    {
        std::lock_guard<std::mutex> entries_guard(s.entries_lock);
        if (entry_record *record = find_entry(s, module))
            entry = record->entry;
    }
    if (entry) {
        set_process_attached(s, module, true);
        if (!call_entry(entry, module, DLL_PROCESS_ATTACH)) {
            loaded_module record = s.loaded[module];
            s.loaded.erase(module);
            unload(s, module, record);
            SetLastError(ERROR_DLL_INIT_FAILED);
            return NULL;
        }
    }
    return module;
}

HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName)
{
    return LoadLibraryExW(lpLibFileName, NULL, 0);
}

HMODULE WINAPI LoadLibraryExA(LPCSTR lpLibFileName, HANDLE hFile, DWORD dwFlags)
{
    if (!lpLibFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    int length = MultiByteToWideChar(CP_THREAD_ACP, 0, lpLibFileName, -1, NULL, 0);
    if (length <= 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return NULL;
    }
    std::u16string wide(static_cast<size_t>(length), u'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, lpLibFileName, -1, &wide[0], length);
    return LoadLibraryExW(wide.c_str(), hFile, dwFlags);
}

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName)
{
    return LoadLibraryExA(lpLibFileName, NULL, 0);
}

// A module mapped at start-up is never unloaded: freeing it succeeds and changes nothing. A
// handle that names no module fails with ERROR_INVALID_HANDLE. Modules still loaded when the
// process exits get no DLL_PROCESS_DETACH; their static destructors run as usual.
BOOL WINAPI FreeLibrary(HMODULE hLibModule)
{
    loader_state &s = loader();
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    auto it = s.loaded.find(hLibModule);
    if (it == s.loaded.end()) {
        if (win32::is_module(hLibModule))
            return TRUE;
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--it->second.count > 0)
        return TRUE;
    loaded_module record = it->second;
    s.loaded.erase(it);
    unload(s, hLibModule, record);
    return TRUE;
}

BOOL WINAPI DisableThreadLibraryCalls(HMODULE hLibModule)
{
    if (!win32::is_module(hLibModule)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    loader_state &s = loader();
    std::lock_guard<std::mutex> guard(s.entries_lock);
    if (entry_record *record = find_entry(s, hLibModule))
        record->thread_calls = false;
    else
        s.entries.push_back({hLibModule, nullptr, false, false, false, 0});
    return TRUE;
}

namespace {

// A module LoadLibrary loaded is looked up through the handle it keeps, which holds the module while
// the loader lock is held. The lock is only tried: a thread must not wait here for an entry point
// that may be waiting for it; the caller then looks the module up by its file instead.
bool find_in_loaded(HMODULE module, LPCSTR name, void *&symbol)
{
    loader_state &s = loader();
    std::unique_lock<std::recursive_mutex> guard(s.lock, std::try_to_lock);
    if (!guard.owns_lock())
        return false;
    auto it = s.loaded.find(module);
    if (it == s.loaded.end())
        return false;
    symbol = dlsym(it->second.dl, name);
    return true;
}

}  // namespace

// Only names, and only symbols the module itself defines: dlsym also searches a module's
// dependencies, so the answer must lie inside the module's image. Ordinals are not supported.
// A null module is the executable.
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    HMODULE module = hModule ? hModule : win32::executable_module();
    if (!win32::is_module(module)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return NULL;
    }
    if (!lpProcName || IS_INTRESOURCE(lpProcName)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return NULL;
    }
    void *symbol = nullptr;
    if (!find_in_loaded(module, lpProcName, symbol)) {
        void *dl = nullptr;
        if (module == win32::executable_module()) {
            dl = dlopen(NULL, RTLD_NOW);
        } else {
            std::string path = win32::module_unix_path(module);
            if (!path.empty())
                dl = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        }
        if (!dl) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return NULL;
        }
        symbol = dlsym(dl, lpProcName);
        dlclose(dl);
    }
    if (!symbol || win32::module_from_address(symbol) != module) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return NULL;
    }
    return reinterpret_cast<FARPROC>(symbol);
}
