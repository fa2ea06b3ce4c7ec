// Processes and threads: identifiers, CreateProcessW over posix_spawn, CreateThread, exit codes.
// Linux keeps 8 bits of an exit code; a process ended by signal n reports 128 + n.
#include "internal/errno.h"
#include "internal/locale.h"
#include "internal/object.h"
#include "internal/path.h"
#include "internal/wait.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "internal/owners.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <tuple>
#include <string>
#include <thread>
#include <vector>

extern char **environ;

namespace win32 {
namespace {

// A thread or process: signalled once it has ended, with its exit code.
struct exit_state : waitable {
    bool ended = false;  // under the wait lock
    DWORD code = STILL_ACTIVE;
    DWORD try_acquire() override { return ended ? WAIT_OBJECT_0 : WAIT_TIMEOUT; }
    void finish(DWORD exit_code)
    {
        {
            auto lock = lock_waits();
            code = exit_code;
            ended = true;
        }
        notify_waiters();
    }
    DWORD exit_code()
    {
        auto lock = lock_waits();
        return code;
    }
};

struct thread_object : exit_state {};

struct process_object : exit_state {
    pid_t pid = 0;
    std::atomic<bool> terminating{false};
    std::atomic<DWORD> terminate_code{0};
};

// Splits a command line as the C run-time does: argv[0] ends at the first blank or closing quote;
// later arguments follow the backslash-and-quote rules.
std::vector<std::u16string> split_command_line(const std::u16string &line)
{
    std::vector<std::u16string> args;
    size_t i = 0, n = line.size();
    std::u16string first;
    if (i < n && line[i] == u'"') {
        for (++i; i < n && line[i] != u'"'; ++i)
            first += line[i];
        if (i < n)
            ++i;
    } else {
        for (; i < n && line[i] != u' ' && line[i] != u'\t'; ++i)
            first += line[i];
    }
    args.push_back(first);
    for (;;) {
        while (i < n && (line[i] == u' ' || line[i] == u'\t'))
            ++i;
        if (i >= n)
            break;
        std::u16string arg;
        bool quoted = false;
        while (i < n && (quoted || (line[i] != u' ' && line[i] != u'\t'))) {
            size_t slashes = 0;
            while (i < n && line[i] == u'\\') {
                ++slashes;
                ++i;
            }
            if (i < n && line[i] == u'"') {
                arg.append(slashes / 2, u'\\');
                if (slashes % 2) {
                    arg += u'"';
                } else if (quoted && i + 1 < n && line[i + 1] == u'"') {
                    arg += u'"';  // "" inside quotes is a literal quote
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                arg.append(slashes, u'\\');
                if (i < n && (quoted || (line[i] != u' ' && line[i] != u'\t')))
                    arg += line[i++];
            }
        }
        args.push_back(arg);
    }
    return args;
}

bool is_program(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Linux programs carry no extension, so "x.exe" also finds "x".
bool find_with_extension(std::string &path)
{
    if (is_program(path))
        return true;
    if (path.size() > 4 && strcasecmp(path.c_str() + path.size() - 4, ".exe") == 0) {
        std::string bare = path.substr(0, path.size() - 4);
        if (is_program(bare)) {
            path = bare;
            return true;
        }
    }
    return false;
}

// The program a bare name means: the caller's own folder, the current folder, then PATH.
bool resolve_program(const std::u16string &name, bool search, std::string &program)
{
    if (!unix_path_from_dos(name.c_str(), program))
        return false;
    bool has_folder = name.find_first_of(u"\\/:") != std::u16string::npos;
    if (!search || has_folder)
        return find_with_extension(program);
    std::string bare = program;
    std::vector<std::string> folders;
    char self[4096];
    ssize_t len = readlink("/proc/self/exe", self, sizeof self - 1);
    if (len > 0) {
        std::string exe(self, static_cast<size_t>(len));
        folders.push_back(exe.substr(0, exe.rfind('/')));
    }
    folders.push_back(".");
    if (const char *path = getenv("PATH")) {
        std::string list = path;
        for (size_t start = 0; start <= list.size();) {
            size_t end = list.find(':', start);
            if (end == std::string::npos)
                end = list.size();
            if (end > start)
                folders.push_back(list.substr(start, end - start));
            start = end + 1;
        }
    }
    for (const auto &folder : folders) {
        program = folder + "/" + bare;
        if (find_with_extension(program))
            return true;
    }
    return false;
}

// Text in the code page the child decodes it in; characters it cannot show become '?'.
std::string encode_for_child(UINT code_page, const std::u16string &text)
{
    if (text.empty())
        return std::string();
    int n = WideCharToMultiByte(code_page, 0, text.c_str(), static_cast<int>(text.size()), NULL, 0, NULL, NULL);
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(code_page, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, NULL, NULL);
    return out;
}

// The value of name in an environment of "NAME=value" entries; null when it is not set.
const char16_t *find_variable(const std::vector<std::u16string> &environment, const std::u16string &name)
{
    for (const auto &entry : environment)
        if (entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 && entry[name.size()] == u'=')
            return entry.c_str() + name.size() + 1;
    return nullptr;
}

// The code page of a child started with this environment.
UINT child_code_page(const std::vector<std::u16string> &environment)
{
    std::string values[3];
    const char16_t *found[3];
    const std::u16string names[3] = {u"LC_ALL", u"LC_CTYPE", u"LANG"};
    for (int i = 0; i < 3; ++i) {
        found[i] = find_variable(environment, names[i]);
        if (found[i])
            values[i] = utf8_from_utf16(found[i]);
    }
    return code_page_of_locale(found[0] ? values[0].c_str() : nullptr, found[1] ? values[1].c_str() : nullptr,
                               found[2] ? values[2].c_str() : nullptr);
}

// What of the parent reaches the child, as Windows decides it: the standard streams always (a
// console program shares its console); with bInheritHandles TRUE also the inheritable handles, and
// the STARTUPINFO's standard handles in place of the streams; no other descriptor. Each descriptor
// that stays is first copied above all of them, then down to its place (0-2 for the streams, 3 on
// for the rest), and everything from there up is closed.
bool add_inherited_descriptors(posix_spawn_file_actions_t *actions, BOOL inherit, const STARTUPINFOW &startup)
{
    std::vector<std::pair<int, int>> moves;  // (descriptor, place in the child)
    if (inherit) {
        if (startup.dwFlags & STARTF_USESTDHANDLES) {
            const HANDLE streams[3] = {startup.hStdInput, startup.hStdOutput, startup.hStdError};
            for (int place = 0; place < 3; ++place) {
                int fd = inheritable_descriptor(streams[place]);
                if (fd >= 0)
                    moves.emplace_back(fd, place);
                else if (posix_spawn_file_actions_addopen(actions, place, "/dev/null", O_RDWR, 0) != 0)
                    return false;  // Windows gives the child an invalid handle there
            }
        }
        int place = 3;
        for (int fd : inheritable_descriptors())
            moves.emplace_back(fd, place++);
    }
    int above = 3 + static_cast<int>(moves.size());
    for (const auto &m : moves)
        above = std::max(above, m.first + 1);
    for (size_t i = 0; i < moves.size(); ++i)
        if (posix_spawn_file_actions_adddup2(actions, moves[i].first, above + static_cast<int>(i)) != 0)
            return false;
    int kept = 3;
    for (size_t i = 0; i < moves.size(); ++i) {
        if (posix_spawn_file_actions_adddup2(actions, above + static_cast<int>(i), moves[i].second) != 0)
            return false;
        kept = std::max(kept, moves[i].second + 1);
    }
    return posix_spawn_file_actions_addclosefrom_np(actions, kept) == 0;
}

DWORD spawn_error(int e)
{
    return e == ENOTDIR ? ERROR_DIRECTORY : win32::error_from_errno(e);   // ENOTDIR: the start folder
}

void watch_process(std::shared_ptr<process_object> process, std::shared_ptr<thread_object> main_thread)
{
    int status = 0;
    pid_t r;
    while ((r = waitpid(process->pid, &status, 0)) < 0 && errno == EINTR) {
    }
    DWORD code = 0;
    if (r < 0)
        code = 0;  // already reaped elsewhere: nothing more is known
    else if (WIFEXITED(status))
        code = static_cast<DWORD>(WEXITSTATUS(status));
    else if (WIFSIGNALED(status))
        code = process->terminating ? process->terminate_code.load() : 128u + static_cast<DWORD>(WTERMSIG(status));
    main_thread->finish(code);
    process->finish(code);
}

struct thread_start {
    LPTHREAD_START_ROUTINE routine;
    LPVOID parameter;
    std::shared_ptr<thread_object> object;
    std::mutex lock;
    std::condition_variable started;
    DWORD id = 0;
};

// Ends threads on Windows' terms: a thread's handle is signalled only once the thread is gone and
// the mutexes it held are abandoned, which Linux does after the thread's code has returned. The
// reaper joins each ended thread, then signals it.
struct thread_reaper {
    std::mutex lock;
    std::condition_variable ended;
    std::deque<std::tuple<pthread_t, std::shared_ptr<thread_object>, DWORD>> queue;
};

thread_reaper &reaper()
{
    static thread_reaper *r = [] {
        auto *created = new thread_reaper;  // lives as long as the process
        std::thread([created] {
            for (;;) {
                std::unique_lock<std::mutex> lock(created->lock);
                created->ended.wait(lock, [created] { return !created->queue.empty(); });
                auto entry = std::move(created->queue.front());
                created->queue.pop_front();
                lock.unlock();
                pthread_join(std::get<0>(entry), nullptr);
                std::get<1>(entry)->finish(std::get<2>(entry));
            }
        }).detach();
        return created;
    }();
    return *r;
}

void *thread_entry(void *arg)
{
    auto *start = static_cast<thread_start *>(arg);
    LPTHREAD_START_ROUTINE routine = start->routine;
    LPVOID parameter = start->parameter;
    std::shared_ptr<thread_object> object = start->object;
    {
        std::lock_guard<std::mutex> guard(start->lock);
        start->id = GetCurrentThreadId();
        start->started.notify_all();
    }  // start belongs to the creator from here on
    DWORD code = routine(parameter);
    thread_reaper &r = reaper();
    {
        std::lock_guard<std::mutex> guard(r.lock);
        r.queue.emplace_back(pthread_self(), std::move(object), code);
    }
    r.ended.notify_one();
    return nullptr;
}

// STILL_ACTIVE while a process or thread runs, then the code it ended with.
template <class Object>
BOOL exit_code_of(HANDLE handle, LPDWORD code)
{
    auto object = object_from_handle_as<Object>(handle);
    if (!object)
        return FALSE;
    *code = object->exit_code();
    return TRUE;
}

}  // namespace
}  // namespace win32

using namespace win32;

DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }

// Linux thread ids are unique among live threads of the whole system, as Windows' are.
DWORD WINAPI GetCurrentThreadId(void)
{
    static thread_local DWORD id = static_cast<DWORD>(gettid());
    return id;
}

// The subset: no suspended start; STARTUPINFO gives the window show state and the standard handles.
// Only file handles are inherited; the arguments and the environment are written in the code page
// the child decodes them in, which its locale variables decide.
BOOL WINAPI CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine, LPSECURITY_ATTRIBUTES lpProcessAttributes,
                           LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags,
                           LPVOID lpEnvironment, LPCWSTR lpCurrentDirectory, LPSTARTUPINFOW lpStartupInfo,
                           LPPROCESS_INFORMATION lpProcessInformation)
{
    (void)lpProcessAttributes;
    (void)lpThreadAttributes;
    const DWORD known = CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW | DETACHED_PROCESS | CREATE_NEW_CONSOLE |
                        NORMAL_PRIORITY_CLASS | CREATE_NEW_PROCESS_GROUP;
    if ((!lpApplicationName && !lpCommandLine) || !lpStartupInfo || !lpProcessInformation ||
        (dwCreationFlags & ~known) || (lpStartupInfo->dwFlags & ~(STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::u16string line;
    if (lpCommandLine)
        line = lpCommandLine;
    else
        line = u"\"" + std::u16string(lpApplicationName) + u"\"";
    std::vector<std::u16string> wide_args = split_command_line(line);
    std::string program;
    std::u16string name = lpApplicationName ? std::u16string(lpApplicationName)
                                            : wide_args.empty() ? std::u16string() : wide_args[0];
    if (name.empty() || !resolve_program(name, !lpApplicationName, program)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }

    std::vector<std::u16string> wide_environment;
    if (lpEnvironment) {
        if (dwCreationFlags & CREATE_UNICODE_ENVIRONMENT) {
            for (auto *p = static_cast<const WCHAR *>(lpEnvironment); *p;) {
                size_t len = 0;
                while (p[len])
                    ++len;
                if (p[0] != u'=')  // "=C:=C:\dir" entries are the drive folders of cmd
                    wide_environment.emplace_back(p, len);
                p += len + 1;
            }
        } else {
            for (auto *p = static_cast<const char *>(lpEnvironment); *p;) {
                std::string entry = p;
                if (entry[0] != '=') {
                    int n = MultiByteToWideChar(CP_ACP, 0, entry.c_str(), -1, NULL, 0);
                    std::u16string wide(n > 0 ? static_cast<size_t>(n) : 1, u'\0');
                    if (n > 0)
                        MultiByteToWideChar(CP_ACP, 0, entry.c_str(), -1, &wide[0], n);
                    wide.resize(wide.size() - 1);
                    wide_environment.push_back(wide);
                }
                p += entry.size() + 1;
            }
        }
    }
    // Without a block the child inherits this environment, and with it this process's locale.
    UINT code_page;
    if (lpEnvironment) {
        code_page = child_code_page(wide_environment);
    } else {
        code_page = code_page_of_locale(getenv("LC_ALL"), getenv("LC_CTYPE"), getenv("LANG"));
    }
    std::vector<std::string> environment, args;
    for (const auto &entry : wide_environment)
        environment.push_back(encode_for_child(code_page, entry));
    for (const auto &arg : wide_args)
        args.push_back(encode_for_child(code_page, arg));

    std::string directory;
    if (lpCurrentDirectory) {
        struct stat st;
        if (!unix_path_from_dos(lpCurrentDirectory, directory) || stat(directory.c_str(), &st) != 0 ||
            !S_ISDIR(st.st_mode)) {
            SetLastError(ERROR_DIRECTORY);
            return FALSE;
        }
    }

    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (auto &e : environment)
        envp.push_back(&e[0]);
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!directory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    if (!add_inherited_descriptors(&actions, bInheritHandles, *lpStartupInfo)) {
        posix_spawn_file_actions_destroy(&actions);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), lpEnvironment ? envp.data() : environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        SetLastError(spawn_error(rc));
        return FALSE;
    }

    auto process = std::make_shared<process_object>();
    process->pid = pid;
    auto main_thread = std::make_shared<thread_object>();
    std::thread(watch_process, process, main_thread).detach();
    unique_kernel_handle hProcess(alloc_handle(process));
    unique_kernel_handle hThread(hProcess ? alloc_handle(main_thread) : NULL);
    if (!hThread) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    lpProcessInformation->hProcess = hProcess.release();
    lpProcessInformation->hThread = hThread.release();
    lpProcessInformation->dwProcessId = static_cast<DWORD>(pid);
    lpProcessInformation->dwThreadId = static_cast<DWORD>(pid);  // a Linux process's main thread has its id
    return TRUE;
}

BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode)
{
    return exit_code_of<process_object>(hProcess, lpExitCode);
}

BOOL WINAPI TerminateProcess(HANDLE hProcess, UINT uExitCode)
{
    auto process = object_from_handle_as<process_object>(hProcess);
    if (!process)
        return FALSE;
    if (process->exit_code() != STILL_ACTIVE || process->try_acquire() == WAIT_OBJECT_0) {
        SetLastError(ERROR_ACCESS_DENIED);  // Windows' answer for a process that has ended
        return FALSE;
    }
    process->terminate_code = uExitCode;
    process->terminating = true;
    kill(process->pid, SIGKILL);
    return TRUE;
}

void WINAPI ExitProcess(UINT uExitCode)
{
    fflush(NULL);
    exit(static_cast<int>(uExitCode));
}

// The subset: the thread starts at once (no CREATE_SUSPENDED).
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                           LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter, DWORD dwCreationFlags,
                           LPDWORD lpThreadId)
{
    (void)lpThreadAttributes;
    const DWORD STACK_SIZE_PARAM_IS_A_RESERVATION = 0x00010000;
    if (!lpStartAddress || (dwCreationFlags & ~STACK_SIZE_PARAM_IS_A_RESERVATION)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    auto object = std::make_shared<thread_object>();
    unique_kernel_handle handle(alloc_handle(object));
    if (!handle)
        return NULL;
    thread_start start;
    start.routine = lpStartAddress;
    start.parameter = lpParameter;
    start.object = object;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    if (dwStackSize >= static_cast<SIZE_T>(PTHREAD_STACK_MIN))
        pthread_attr_setstacksize(&attr, dwStackSize);
    pthread_t thread;
    int rc = pthread_create(&thread, &attr, thread_entry, &start);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    std::unique_lock<std::mutex> lock(start.lock);
    start.started.wait(lock, [&] { return start.id != 0; });
    if (lpThreadId)
        *lpThreadId = start.id;
    return handle.release();
}

BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode)
{
    return exit_code_of<thread_object>(hThread, lpExitCode);
}
