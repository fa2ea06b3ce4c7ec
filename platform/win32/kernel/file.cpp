// Files and directories on Windows paths. Share modes are accepted and not enforced (Linux has no
// mandatory sharing); a handle opened for appending only writes at the end with O_APPEND.
#include "internal/errno.h"
#include "internal/object.h"
#include "internal/path.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "internal/owners.h"

#include <string>

namespace win32 {
namespace {

struct file_object : kernel_object {
    int fd = -1;
    bool can_read = false;
    bool can_write = false;
    int descriptor() const override { return fd; }
    ~file_object() override
    {
        if (fd >= 0)
            close(fd);
    }
};

void on_file_size_limit(int) {}

// A write past the file size limit fails on Windows; Linux kills the writer with SIGXFSZ unless the
// signal is caught. A handler that does nothing (rather than ignoring the signal, which a child
// would inherit) lets the write fail with EFBIG. A program's own disposition is left alone.
__attribute__((constructor)) void let_writes_past_the_size_limit_fail()
{
    struct sigaction current = {};
    if (sigaction(SIGXFSZ, NULL, &current) != 0 || current.sa_handler != SIG_DFL)
        return;
    struct sigaction action = {};
    action.sa_handler = on_file_size_limit;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGXFSZ, &action, NULL);
}

bool parent_exists(const std::string &path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return true;
    std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    struct stat st;
    return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Windows' error for a failed call on path; ENOENT tells a missing file from a missing folder.
DWORD error_for(int e, const std::string &path)
{
    if (e == ENOENT && !parent_exists(path))
        return ERROR_PATH_NOT_FOUND;
    return win32::error_from_errno(e);
}

bool unix_path(LPCWSTR dos, std::string &path)
{
    if (!dos) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return unix_path_from_dos(dos, path);
}

// Runs a Linux call on the folder a Windows path names; a file where the folder should be is ERROR_DIRECTORY.
BOOL on_folder(LPCWSTR dos, int (*call)(const char *))
{
    std::string path;
    if (!unix_path(dos, path))
        return FALSE;
    if (call(path.c_str()) != 0) {
        SetLastError(errno == ENOTDIR ? ERROR_DIRECTORY : error_for(errno, path));
        return FALSE;
    }
    return TRUE;
}

std::u16string wide_from_ansi(LPCSTR text)
{
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);
    if (n <= 0)
        return std::u16string();
    std::u16string wide(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

// An A function forwards to its W twin; a null name stays null.
template <class F>
auto with_wide(LPCSTR text, F f)
{
    if (!text)
        return f(static_cast<LPCWSTR>(nullptr));
    std::u16string wide = wide_from_ansi(text);
    return f(wide.c_str());
}

std::shared_ptr<file_object> file_from_handle(HANDLE handle) { return object_from_handle_as<file_object>(handle); }

// The body of ReadFile and WriteFile: checks, then moves all size bytes, step by step, retrying after
// signals. A read stops early at the end of the file and succeeds; a write that makes no progress has
// filled the disk. Either way *reported says how far it got.
template <class Step>
BOOL transfer(HANDLE handle, bool writing, LPCVOID buffer, DWORD size, LPDWORD reported, LPOVERLAPPED overlapped,
              Step step)
{
    if (reported)
        *reported = 0;
    auto file = file_from_handle(handle);
    if (!file)
        return FALSE;
    if (overlapped || (!buffer && size)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!(writing ? file->can_write : file->can_read)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DWORD done = 0;
    BOOL ok = TRUE;
    while (done < size) {
        ssize_t n = step(file->fd, done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 && !writing)
            break;
        if (n <= 0) {
            SetLastError(n == 0 ? ERROR_DISK_FULL
                         : errno == EISDIR ? ERROR_INVALID_FUNCTION
                                           : error_for(errno, std::string()));
            ok = FALSE;
            break;
        }
        done += static_cast<DWORD>(n);
    }
    if (reported)
        *reported = done;
    return ok;
}

// The file behind a handle opened for writing, or null with Windows' error.
std::shared_ptr<file_object> writable_file(HANDLE handle)
{
    auto file = file_from_handle(handle);
    if (file && !file->can_write) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return file;
}

DWORD copy_string_out(const std::u16string &text, DWORD size, LPWSTR buffer)
{
    if (!buffer || size < text.size() + 1)
        return static_cast<DWORD>(text.size() + 1);
    for (size_t i = 0; i < text.size(); ++i)
        buffer[i] = text[i];
    buffer[text.size()] = 0;
    return static_cast<DWORD>(text.size());
}

}  // namespace
}  // namespace win32

using namespace win32;

// The subset: no template file, no overlapped I/O, no delete-on-close; directories need
// FILE_FLAG_BACKUP_SEMANTICS and then only stand open.
HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile)
{
    const DWORD known_access = GENERIC_READ | GENERIC_WRITE | GENERIC_ALL | FILE_READ_DATA | FILE_WRITE_DATA |
                               FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | DELETE |
                               READ_CONTROL | SYNCHRONIZE;
    const DWORD known_flags = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY |
                              FILE_FLAG_WRITE_THROUGH | FILE_FLAG_RANDOM_ACCESS | FILE_FLAG_SEQUENTIAL_SCAN |
                              FILE_FLAG_BACKUP_SEMANTICS;
    if (!lpFileName || (dwDesiredAccess & ~known_access) ||
        (dwShareMode & ~(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)) || dwCreationDisposition < 1 ||
        dwCreationDisposition > 5 || (dwFlagsAndAttributes & ~known_flags) || hTemplateFile ||
        (dwCreationDisposition == TRUNCATE_EXISTING && !(dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA)))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string path;
    if (!unix_path_from_dos(lpFileName, path))
        return INVALID_HANDLE_VALUE;

    bool read = dwDesiredAccess & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA);
    bool write_data = dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA);
    bool append = dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL | FILE_APPEND_DATA);
    bool write = write_data || append;
    int flags = O_CLOEXEC | (read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY);
    if (append && !write_data)
        flags |= O_APPEND;  // Windows appends atomically when only FILE_APPEND_DATA is granted
    if (dwFlagsAndAttributes & FILE_FLAG_WRITE_THROUGH)
        flags |= O_DSYNC;
    mode_t mode = (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;

    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        if (!(dwFlagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) || write || dwCreationDisposition == CREATE_NEW ||
            dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING) {
            SetLastError(dwCreationDisposition == CREATE_NEW ? ERROR_FILE_EXISTS : ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    }

    int fd = -1;
    bool existed = false;
    switch (dwCreationDisposition) {
    case CREATE_NEW:
        fd = open(path.c_str(), flags | O_CREAT | O_EXCL, mode);
        if (fd < 0 && errno == EEXIST) {
            SetLastError(ERROR_FILE_EXISTS);
            return INVALID_HANDLE_VALUE;
        }
        break;
    case OPEN_EXISTING:
        fd = open(path.c_str(), flags);
        existed = true;
        break;
    case TRUNCATE_EXISTING:
        fd = open(path.c_str(), flags | O_TRUNC);
        existed = true;
        break;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS:
        // Create first so that "it existed" is decided by the file system, not by a racing stat.
        for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
            fd = open(path.c_str(), flags | O_CREAT | O_EXCL, mode);
            if (fd >= 0 || errno != EEXIST)
                break;
            fd = open(path.c_str(), flags | (dwCreationDisposition == CREATE_ALWAYS ? O_TRUNC : 0));
            existed = fd >= 0;
            if (fd < 0 && errno != ENOENT)
                break;
        }
        break;
    }
    if (fd < 0) {
        SetLastError(error_for(errno, path));
        return INVALID_HANDLE_VALUE;
    }
    auto file = std::make_shared<file_object>();
    file->fd = fd;
    file->can_read = read;
    file->can_write = write;
    HANDLE handle = alloc_handle(file, lpSecurityAttributes && lpSecurityAttributes->bInheritHandle);
    if (!handle)
        return INVALID_HANDLE_VALUE;
    bool reports_existing = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
    SetLastError(reports_existing && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile)
{
    return with_wide(lpFileName, [&](LPCWSTR name) {
        return CreateFileW(name, dwDesiredAccess, dwShareMode, lpSecurityAttributes, dwCreationDisposition,
                           dwFlagsAndAttributes, hTemplateFile);
    });
}

// Synchronous only: lpOverlapped must be null.
BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped)
{
    return transfer(hFile, false, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead, lpOverlapped,
                    [&](int fd, DWORD done) {
                        return read(fd, static_cast<char *>(lpBuffer) + done, nNumberOfBytesToRead - done);
                    });
}

// Synchronous only. A write that stops short (a full disk) fails with what it wrote reported.
BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped)
{
    return transfer(hFile, true, lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten, lpOverlapped,
                    [&](int fd, DWORD done) {
                        return write(fd, static_cast<const char *>(lpBuffer) + done, nNumberOfBytesToWrite - done);
                    });
}

BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize)
{
    auto file = file_from_handle(hFile);
    if (!file)
        return FALSE;
    struct stat st;
    if (fstat(file->fd, &st) != 0) {
        SetLastError(error_for(errno, std::string()));
        return FALSE;
    }
    lpFileSize->QuadPart = S_ISDIR(st.st_mode) ? 0 : static_cast<LONGLONG>(st.st_size);
    return TRUE;
}

// A size whose low half is 0xFFFFFFFF is told from a failure by GetLastError() == NO_ERROR.
DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(hFile, &size))
        return INVALID_FILE_SIZE;
    if (lpFileSizeHigh)
        *lpFileSizeHigh = static_cast<DWORD>(size.QuadPart >> 32);
    if (static_cast<DWORD>(size.QuadPart) == INVALID_FILE_SIZE)
        SetLastError(NO_ERROR);
    return static_cast<DWORD>(size.QuadPart);
}

BOOL WINAPI SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, PLARGE_INTEGER lpNewFilePointer,
                             DWORD dwMoveMethod)
{
    auto file = file_from_handle(hFile);
    if (!file)
        return FALSE;
    if (dwMoveMethod > FILE_END) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    off_t base = 0;
    if (dwMoveMethod == FILE_CURRENT) {
        base = lseek(file->fd, 0, SEEK_CUR);
    } else if (dwMoveMethod == FILE_END) {
        struct stat st;
        base = fstat(file->fd, &st) == 0 ? st.st_size : -1;
    }
    if (base < 0) {
        SetLastError(error_for(errno, std::string()));
        return FALSE;
    }
    LONGLONG target = static_cast<LONGLONG>(base) + liDistanceToMove.QuadPart;
    if (target < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return FALSE;
    }
    if (lseek(file->fd, static_cast<off_t>(target), SEEK_SET) < 0) {
        SetLastError(error_for(errno, std::string()));
        return FALSE;
    }
    if (lpNewFilePointer)
        lpNewFilePointer->QuadPart = target;
    return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod)
{
    LARGE_INTEGER distance, result;
    // Without the high half the distance is a signed 32-bit value; with it, a signed 64-bit one.
    distance.QuadPart = lpDistanceToMoveHigh
                            ? static_cast<LONGLONG>((static_cast<ULONGLONG>(static_cast<DWORD>(*lpDistanceToMoveHigh)) << 32) |
                                                    static_cast<DWORD>(lDistanceToMove))
                            : lDistanceToMove;
    if (!SetFilePointerEx(hFile, distance, &result, dwMoveMethod))
        return INVALID_SET_FILE_POINTER;
    if (lpDistanceToMoveHigh)
        *lpDistanceToMoveHigh = static_cast<LONG>(result.QuadPart >> 32);
    if (static_cast<DWORD>(result.QuadPart) == INVALID_SET_FILE_POINTER)
        SetLastError(NO_ERROR);
    return static_cast<DWORD>(result.QuadPart);
}

BOOL WINAPI SetEndOfFile(HANDLE hFile)
{
    auto file = writable_file(hFile);
    if (!file)
        return FALSE;
    off_t here = lseek(file->fd, 0, SEEK_CUR);
    if (here < 0 || ftruncate(file->fd, here) != 0) {
        SetLastError(error_for(errno, std::string()));
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI FlushFileBuffers(HANDLE hFile)
{
    auto file = writable_file(hFile);
    if (!file)
        return FALSE;
    if (fsync(file->fd) != 0) {
        SetLastError(error_for(errno, std::string()));
        return FALSE;
    }
    return TRUE;
}

// Never replaces an existing target, whatever Linux's rename would do.
BOOL WINAPI MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName)
{
    std::string from, to;
    if (!unix_path(lpExistingFileName, from) || !unix_path(lpNewFileName, to))
        return FALSE;
    struct stat st;
    if (lstat(from.c_str(), &st) != 0) {
        SetLastError(error_for(errno, from));
        return FALSE;
    }
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return TRUE;
    if (errno != EINVAL && errno != ENOSYS) {
        SetLastError(error_for(errno, errno == ENOENT ? to : from));
        return FALSE;
    }
    // A file system without RENAME_NOREPLACE: link() refuses an existing name just the same.
    if (S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (link(from.c_str(), to.c_str()) != 0) {
        SetLastError(error_for(errno, to));
        return FALSE;
    }
    unlink(from.c_str());
    return TRUE;
}

BOOL WINAPI MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName)
{
    return with_wide(lpExistingFileName, [&](LPCWSTR from) {
        return with_wide(lpNewFileName, [&](LPCWSTR to) { return MoveFileW(from, to); });
    });
}

BOOL WINAPI CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists)
{
    unique_file_handle in(
        CreateFileW(lpExistingFileName, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    if (!in)
        return FALSE;
    struct stat st;
    bool have_mode = fstat(file_from_handle(in.get())->fd, &st) == 0;
    // Windows' share modes keep a file from being copied onto itself; ours are not enforced, and
    // CREATE_ALWAYS would empty the source before a byte was read.
    std::string target;
    struct stat target_st;
    if (!bFailIfExists && have_mode && lpNewFileName && unix_path_from_dos(lpNewFileName, target) &&
        stat(target.c_str(), &target_st) == 0 && target_st.st_dev == st.st_dev && target_st.st_ino == st.st_ino) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    unique_file_handle out(
        CreateFileW(lpNewFileName, GENERIC_WRITE, 0, NULL, bFailIfExists ? CREATE_NEW : CREATE_ALWAYS, 0, NULL));
    if (!out)
        return FALSE;
    char buffer[65536];
    DWORD got = 0;
    BOOL ok = TRUE;
    while (ok && (ok = ReadFile(in.get(), buffer, sizeof buffer, &got, NULL)) && got > 0)
        ok = WriteFile(out.get(), buffer, got, NULL, NULL);
    if (!ok)
        return FALSE;
    if (have_mode) {
        auto file = file_from_handle(out.get());
        if (file)
            fchmod(file->fd, st.st_mode & 0777);  // a copy keeps the program bit of its source
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName)
{
    std::string path;
    if (!unix_path(lpFileName, path))
        return FALSE;
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (unlink(path.c_str()) != 0) {
        SetLastError(error_for(errno, path));
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName)
{
    return with_wide(lpFileName, [](LPCWSTR name) { return DeleteFileW(name); });
}

DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName)
{
    std::string path;
    if (!unix_path(lpFileName, path))
        return INVALID_FILE_ATTRIBUTES;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        SetLastError(error_for(errno, path));
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (!(st.st_mode & S_IWUSR))
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes)
{
    (void)lpSecurityAttributes;
    std::string path;
    if (!unix_path(lpPathName, path))
        return FALSE;
    if (mkdir(path.c_str(), 0777) != 0) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : error_for(errno, path));
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes)
{
    return with_wide(lpPathName, [&](LPCWSTR name) { return CreateDirectoryW(name, lpSecurityAttributes); });
}

BOOL WINAPI RemoveDirectoryW(LPCWSTR lpPathName)
{
    return on_folder(lpPathName, rmdir);
}

BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName)
{
    return with_wide(lpPathName, [](LPCWSTR name) { return RemoveDirectoryW(name); });
}

// TMP, then TEMP, then TMPDIR (Linux paths), then /tmp; always with a trailing backslash.
DWORD WINAPI GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer)
{
    const char *dir = nullptr;
    for (const char *name : {"TMP", "TEMP", "TMPDIR"})
        if (!dir && (dir = getenv(name)) && !dir[0])
            dir = nullptr;
    std::string unix_dir = dir ? dir : "/tmp";
    while (unix_dir.size() > 1 && unix_dir.back() == '/')
        unix_dir.pop_back();
    std::u16string text = dos_path_from_unix(unix_dir);
    if (text.back() != u'\\')
        text += u'\\';
    return copy_string_out(text, nBufferLength, lpBuffer);
}

DWORD WINAPI GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer)
{
    char *cwd = getcwd(nullptr, 0);
    if (!cwd) {
        SetLastError(error_for(errno, std::string()));
        return 0;
    }
    std::u16string text = dos_path_from_unix(cwd);
    free(cwd);
    return copy_string_out(text, nBufferLength, lpBuffer);
}

BOOL WINAPI SetCurrentDirectoryW(LPCWSTR lpPathName)
{
    return on_folder(lpPathName, chdir);
}
