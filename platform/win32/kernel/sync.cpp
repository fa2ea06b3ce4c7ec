// Mutexes, events and the wait engine. A mutex is a robust recursive pthread mutex, so a
// thread or process that dies holding it hands it on as abandoned; a named one lives in a file under
// shared memory (/dev/shm, else /tmp) that every process opening the name maps.
#include "internal/errno.h"
#include "internal/path.h"
#include "internal/wait.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <string>
#include <vector>

namespace win32 {
namespace {

struct wait_state {
    std::mutex lock;
    std::condition_variable changed;
};

wait_state &waits()
{
    static wait_state *state = new wait_state;  // used by static destructors that close handles
    return *state;
}

using clock = std::chrono::steady_clock;

// Tries every object once; the result, or WAIT_TIMEOUT when the wait is not satisfied yet.
DWORD try_objects(const std::vector<waitable *> &objects, bool wait_all, const std::function<bool()> &ready)
{
    DWORD count = static_cast<DWORD>(objects.size());
    if (!wait_all) {
        for (DWORD i = 0; i < count; ++i) {
            DWORD r = objects[i]->try_acquire();
            if (r == WAIT_OBJECT_0)
                return WAIT_OBJECT_0 + i;
            if (r == WAIT_ABANDONED)
                return WAIT_ABANDONED_0 + i;
            if (r != WAIT_TIMEOUT)
                return r;
        }
        return ready && ready() ? WAIT_OBJECT_0 + count : WAIT_TIMEOUT;
    }
    DWORD result = WAIT_OBJECT_0;
    DWORD taken = 0;
    for (; taken < count; ++taken) {
        DWORD r = objects[taken]->try_acquire();
        if (r == WAIT_ABANDONED)
            result = WAIT_ABANDONED_0 + taken;
        else if (r != WAIT_OBJECT_0)
            break;
    }
    if (taken == count && (!ready || ready()))
        return result;
    while (taken > 0)
        objects[--taken]->undo_acquire();
    return WAIT_TIMEOUT;
}

DWORD wait_engine(const std::vector<waitable *> &objects, bool wait_all, DWORD milliseconds,
                  const std::function<bool()> &ready)
{
    auto deadline = clock::now() + std::chrono::milliseconds(milliseconds == INFINITE ? 0 : milliseconds);
    wait_state &w = waits();
    std::unique_lock<std::mutex> lock(w.lock);
    for (;;) {
        DWORD r = try_objects(objects, wait_all, ready);
        if (r != WAIT_TIMEOUT)
            return r;
        if (milliseconds == 0)
            return WAIT_TIMEOUT;
        auto now = clock::now();
        if (milliseconds != INFINITE && now >= deadline)
            return WAIT_TIMEOUT;
        // Asked each time round: whether a change can go unseen may depend on who holds an object now.
        if (std::any_of(objects.begin(), objects.end(), [](waitable *o) { return o->changes_unseen(); })) {
            // Some object can change without anyone waking us: look again soon.
            auto slice = std::chrono::milliseconds(1);
            w.changed.wait_for(lock, milliseconds == INFINITE ? slice : std::min<clock::duration>(slice, deadline - now));
        } else if (milliseconds == INFINITE) {
            w.changed.wait(lock);
        } else {
            w.changed.wait_until(lock, deadline);
        }
    }
}

// ---- mutexes ----

void init_mutex(pthread_mutex_t *m, bool shared)
{
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    if (shared)
        pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutex_init(m, &attr);
    pthread_mutexattr_destroy(&attr);
}

DWORD lock_result(int rc, pthread_mutex_t *m)
{
    switch (rc) {
    case 0:
        return WAIT_OBJECT_0;
    case EOWNERDEAD:
        pthread_mutex_consistent(m);
        return WAIT_ABANDONED;
    case EBUSY:
    case ETIMEDOUT:
        return WAIT_TIMEOUT;
    default:
        SetLastError(rc == EAGAIN ? ERROR_NOT_ENOUGH_QUOTA : ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
}

// One named mutex's file, mapped once per process. The mapping is never unmapped: a thread may
// still own the mutex after its last handle is closed, and the robust list then points into it.
struct named_mutex_file {
    std::string path;
    int fd = -1;
    pthread_mutex_t *mutex = nullptr;

    ~named_mutex_file()
    {
        // The last process to let go removes the name, as Windows drops a named object with its
        // last handle. Every opener holds a shared lock; an exclusive one means nobody else does.
        struct stat mine, named;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &mine) == 0 && stat(path.c_str(), &named) == 0 &&
            mine.st_ino == named.st_ino && mine.st_dev == named.st_dev)
            unlink(path.c_str());
        close(fd);
    }
};

std::mutex names_lock;
std::map<std::string, std::weak_ptr<named_mutex_file>> &names()
{
    static auto *table = new std::map<std::string, std::weak_ptr<named_mutex_file>>;
    return *table;
}

// Where named mutexes live: shared memory where the machine has it, else the temporary folder.
const std::string &named_object_folder()
{
    static const std::string folder = access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm/" : "/tmp/";
    return folder;
}

std::string mutex_file_path(LPCWSTR name)
{
    static const char hex[] = "0123456789abcdef";
    std::string utf8 = utf8_from_utf16(name);
    std::string encoded;
    for (unsigned char c : utf8) {
        if (isalnum(c) || c == '_' || c == '-' || c == '.') {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += hex[c >> 4];
            encoded += hex[c & 15];
        }
    }
    if (encoded.size() > 200) {  // keep within a file name; a hash keeps long names apart
        uint64_t h = 1469598103934665603ull;
        for (unsigned char c : utf8)
            h = (h ^ c) * 1099511628211ull;
        encoded.resize(180);
        for (int i = 0; i < 16; ++i)
            encoded += hex[(h >> (i * 4)) & 15];
    }
    return named_object_folder() + "keyholm.mutex." + encoded;
}


pthread_mutex_t *map_mutex(int fd)
{
    void *p = mmap(nullptr, sizeof(pthread_mutex_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return p == MAP_FAILED ? nullptr : static_cast<pthread_mutex_t *>(p);
}

// Opens the named mutex, creating it (owned by the caller when take_ownership) if no process has it.
// The file appears under its name fully initialised, by link(), so two creators cannot both win.
std::shared_ptr<named_mutex_file> open_named_mutex(LPCWSTR name, bool create, bool take_ownership, bool &existed)
{
    std::string path = mutex_file_path(name);
    std::lock_guard<std::mutex> guard(names_lock);
    auto &table = names();
    auto found = table.find(path);
    if (found != table.end()) {
        if (auto file = found->second.lock()) {
            existed = true;
            return file;
        }
    }
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 1000; ++attempt) {
        auto file = std::make_shared<named_mutex_file>();
        file->path = path;
        int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd >= 0) {
            struct stat st, named;
            if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
                // Nobody holds it open: a process ended without closing it. Windows would have
                // dropped the name with that process, so the name is free.
                if (fstat(fd, &st) == 0 && stat(path.c_str(), &named) == 0 && st.st_ino == named.st_ino &&
                    st.st_dev == named.st_dev)
                    unlink(path.c_str());
                close(fd);
                continue;
            }
            flock(fd, LOCK_SH);
            if (fstat(fd, &st) != 0 || st.st_nlink == 0 || st.st_size < (off_t)sizeof(pthread_mutex_t)) {
                close(fd);  // removed by its last user while we opened it: look again
                continue;
            }
            file->fd = fd;
            file->mutex = map_mutex(fd);
            if (!file->mutex) {
                SetLastError(ERROR_NOT_ENOUGH_MEMORY);
                return nullptr;
            }
            existed = true;
            table[path] = file;
            return file;
        }
        if (errno != ENOENT || !create) {
            SetLastError(win32::error_from_errno(errno));
            return nullptr;
        }
        std::string temp = path + ".new." + std::to_string(getpid()) + "." + std::to_string(serial++);
        fd = open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            SetLastError(win32::error_from_errno(errno));
            return nullptr;
        }
        pthread_mutex_t *m = nullptr;
        if (ftruncate(fd, sizeof(pthread_mutex_t)) != 0 || !(m = map_mutex(fd))) {
            unlink(temp.c_str());
            close(fd);
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        init_mutex(m, true);
        if (take_ownership)
            pthread_mutex_lock(m);
        flock(fd, LOCK_SH);
        int linked = link(temp.c_str(), path.c_str());
        int link_errno = errno;
        unlink(temp.c_str());
        if (linked == 0) {
            file->fd = fd;
            file->mutex = m;
            existed = false;
            table[path] = file;
            return file;
        }
        if (take_ownership)
            pthread_mutex_unlock(m);
        pthread_mutex_destroy(m);
        munmap(m, sizeof(pthread_mutex_t));
        close(fd);
        if (link_errno != EEXIST) {
            SetLastError(win32::error_from_errno(link_errno));
            return nullptr;
        }
    }
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}

struct mutex_object : waitable {
    std::shared_ptr<named_mutex_file> file;  // null for an unnamed mutex
    pthread_mutex_t *mutex = nullptr;
    // Unnamed only: who holds it, so the storage goes only when no live thread's robust list
    // still points at it. Written by the owning thread alone.
    std::atomic<DWORD> owner{0};
    long depth = 0;

    mutex_object(std::shared_ptr<named_mutex_file> named)
        : file(std::move(named)), mutex(file ? file->mutex : new pthread_mutex_t)
    {
        if (!file)
            init_mutex(mutex, false);
    }
    ~mutex_object() override
    {
        if (file)
            return;
        int rc = pthread_mutex_trylock(mutex);
        if (rc == EOWNERDEAD)
            pthread_mutex_consistent(mutex);
        if (rc != 0 && rc != EOWNERDEAD)
            return;  // a live thread owns it: leave the memory to it
        bool mine = rc == 0 && owner.load() == GetCurrentThreadId();
        pthread_mutex_unlock(mutex);
        if (mine)
            return;  // Windows keeps it owned by this thread until the thread ends
        pthread_mutex_destroy(mutex);
        delete mutex;
    }
    DWORD taken(DWORD r)
    {
        if (r == WAIT_ABANDONED || (r == WAIT_OBJECT_0 && owner.load() != GetCurrentThreadId())) {
            owner = GetCurrentThreadId();
            depth = 1;
        } else if (r == WAIT_OBJECT_0) {
            ++depth;
        }
        return r;
    }
    DWORD try_acquire() override { return taken(lock_result(pthread_mutex_trylock(mutex), mutex)); }
    void undo_acquire() override { release(); }
    // A named one can be released or abandoned in another process. An unnamed one held by another
    // thread is abandoned unseen if that thread was not started by CreateThread, whose end is announced.
    bool changes_unseen() const override
    {
        DWORD holder = owner.load();
        return file || (holder && holder != GetCurrentThreadId());
    }
    DWORD wait_alone(DWORD milliseconds) override
    {
        if (milliseconds == 0)
            return try_acquire();
        if (milliseconds == INFINITE)
            return taken(lock_result(pthread_mutex_lock(mutex), mutex));
        struct timespec until;
        clock_gettime(CLOCK_MONOTONIC, &until);
        until.tv_sec += milliseconds / 1000;
        until.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000;
        if (until.tv_nsec >= 1000000000) {
            until.tv_sec += 1;
            until.tv_nsec -= 1000000000;
        }
        return taken(lock_result(pthread_mutex_clocklock(mutex, CLOCK_MONOTONIC, &until), mutex));
    }
    bool release()
    {
        bool last = owner.load() == GetCurrentThreadId() && depth == 1;
        if (pthread_mutex_unlock(mutex) != 0)
            return false;
        if (last) {
            depth = 0;
            owner = 0;
        } else if (depth > 0) {
            --depth;
        }
        notify_waiters();
        return true;
    }
};

// ---- events ----

struct event_object : waitable {
    bool manual_reset;
    bool signalled;  // under the wait lock
    event_object(bool manual, bool initial) : manual_reset(manual), signalled(initial) {}
    DWORD try_acquire() override
    {
        if (!signalled)
            return WAIT_TIMEOUT;
        if (!manual_reset)
            signalled = false;
        return WAIT_OBJECT_0;
    }
    void undo_acquire() override { signalled = true; }
};

BOOL set_event_state(HANDLE handle, bool state)
{
    auto event = object_from_handle_as<event_object>(handle);
    if (!event)
        return FALSE;
    {
        auto lock = lock_waits();
        event->signalled = state;
    }
    if (state)
        notify_waiters();
    return TRUE;
}

}  // namespace

DWORD waitable::wait_alone(DWORD milliseconds)
{
    std::vector<waitable *> one{this};
    DWORD r = wait_engine(one, false, milliseconds, {});
    return r == WAIT_ABANDONED_0 ? WAIT_ABANDONED : r;
}

std::unique_lock<std::mutex> lock_waits() { return std::unique_lock<std::mutex>(waits().lock); }

void notify_waiters()
{
    wait_state &w = waits();
    { std::lock_guard<std::mutex> sync(w.lock); }  // a waiter between its check and its sleep sees this
    w.changed.notify_all();
}

DWORD wait_for_objects(DWORD count, const std::shared_ptr<waitable> *objects, bool wait_all, DWORD milliseconds,
                       const std::function<bool()> &ready)
{
    std::vector<waitable *> raw;
    for (DWORD i = 0; i < count; ++i)
        raw.push_back(objects[i].get());
    return wait_engine(raw, wait_all, milliseconds, ready);
}

}  // namespace win32

using namespace win32;

HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCWSTR lpName)
{
    (void)lpMutexAttributes;  // default security only; handles are never inherited
    std::shared_ptr<mutex_object> object;
    bool existed = false;
    if (lpName && lpName[0]) {
        auto file = open_named_mutex(lpName, true, bInitialOwner, existed);
        if (!file)
            return NULL;
        object = std::make_shared<mutex_object>(file);
        if (!existed && bInitialOwner)
            object->taken(WAIT_OBJECT_0);
    } else {
        object = std::make_shared<mutex_object>(nullptr);
        if (bInitialOwner)
            object->try_acquire();
    }
    HANDLE handle = alloc_handle(object);
    if (!handle)
        return NULL;
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

HANDLE WINAPI OpenMutexW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName)
{
    (void)dwDesiredAccess;  // every handle has full access
    (void)bInheritHandle;
    if (!lpName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    bool existed = false;
    auto file = lpName[0] ? open_named_mutex(lpName, false, false, existed) : nullptr;
    if (!file) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return NULL;
    }
    return alloc_handle(std::make_shared<mutex_object>(file));
}

BOOL WINAPI ReleaseMutex(HANDLE hMutex)
{
    auto mutex = object_from_handle_as<mutex_object>(hMutex);
    if (!mutex)
        return FALSE;
    if (!mutex->release()) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}

// Unnamed events only: a named one would have to be shared across processes like a mutex.
HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                           LPCWSTR lpName)
{
    (void)lpEventAttributes;
    if (lpName && lpName[0]) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return NULL;
    }
    HANDLE handle = alloc_handle(std::make_shared<event_object>(bManualReset != FALSE, bInitialState != FALSE));
    if (handle)
        SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI SetEvent(HANDLE hEvent) { return set_event_state(hEvent, true); }

BOOL WINAPI ResetEvent(HANDLE hEvent) { return set_event_state(hEvent, false); }

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    auto object = object_from_handle_as<waitable>(hHandle);
    if (!object)
        return WAIT_FAILED;
    return object->wait_alone(dwMilliseconds);
}

DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE *lpHandles, BOOL bWaitAll, DWORD dwMilliseconds)
{
    if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || !lpHandles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<waitable>> objects;
    for (DWORD i = 0; i < nCount; ++i) {
        auto object = object_from_handle_as<waitable>(lpHandles[i]);
        if (!object)
            return WAIT_FAILED;
        objects.push_back(std::move(object));
    }
    return wait_for_objects(nCount, objects.data(), bWaitAll != FALSE, dwMilliseconds);
}
