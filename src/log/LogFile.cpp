// The log file: its path next to the host executable, and appends serialised by a system-wide mutex
// with size rotation to "debug.log.<seconds>".
#include "log/LogFile.h"

#include <owner/unique_handle.h>

#include <stdio.h>
#include <string.h>
#include <time.h>

namespace {

const char LOG_FILE_NAME[] = "debug.log";

// Any program can hold a mutex of this name, and one stopped while holding it would freeze every
// writer (the host's user-interface thread among them). After this long a record is appended
// without the mutex, as when it cannot be created: one atomic append, no rotation.
const DWORD LOG_MUTEX_WAIT_MS = 3000;

// Created on the first append, once per module even when two appends race; closed at unload.
HANDLE volatile s_hLogMutex = NULL;

// Set when a wait ran out: the holder is stuck, so later records only try the mutex and are
// appended alone until one takes it again. A stuck holder costs one wait, not one per record.
LONG volatile s_nLogMutexStuck = 0;

struct CLogMutexCloser {
    ~CLogMutexCloser()
    {
        owner::unique_kernel_handle closed(InterlockedExchangePointer(const_cast<PVOID volatile *>(&s_hLogMutex), NULL));
    }
} s_logMutexCloser;

HANDLE GetLogMutex()
{
    if (HANDLE hMutex = s_hLogMutex)
        return hMutex;
    owner::unique_kernel_handle created(::CreateMutexW(NULL, FALSE, LogConfig.mutexName));
    if (!created)
        return NULL;  // tried again at the next append
    PVOID hWinner = InterlockedCompareExchangePointer(const_cast<PVOID volatile *>(&s_hLogMutex), created.get(), NULL);
    if (hWinner)
        return hWinner;  // another thread's handle names the same mutex; ours closes
    return created.release();
}

// Cuts a record that stopped short (a full disk) back off the file, so that records are whole.
void TruncateLogFile(LONGLONG size)
{
    owner::unique_file_handle file(::CreateFileA(LogConfig.logPath, GENERIC_WRITE,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
        return;
    LARGE_INTEGER position;
    position.QuadPart = size;
    if (::SetFilePointerEx(file.get(), position, NULL, FILE_BEGIN))
        ::SetEndOfFile(file.get());
}

// Moves the log aside to "debug.log.<seconds since 1970>". The move never replaces a file: a second
// rotation within the same second fails, the log keeps growing and the next append tries again.
void RotateLogFile()
{
    char rotated[MAX_PATH];
    memset(rotated, 0, sizeof rotated);
    int length = snprintf(rotated, sizeof rotated, "%s%s.%u", LogConfig.logDir, LOG_FILE_NAME,
                          static_cast<unsigned>(static_cast<DWORD>(time(NULL))));
    if (length > 0)  // a name cut at 259 characters is still used, as the file would otherwise never move
        ::MoveFileA(LogConfig.logPath, rotated);
}

// One append with the mutex held (or, when the mutex could not be made or taken, without rotation).
void AppendLocked(const char *line, bool bLocked)
{
    owner::unique_file_handle file(::CreateFileA(LogConfig.logPath, FILE_APPEND_DATA,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
        return;  // the record is lost silently
    LARGE_INTEGER before = {}, after = {};
    ::GetFileSizeEx(file.get(), &before);
    DWORD length = static_cast<DWORD>(strlen(line));
    DWORD written = 0;
    BOOL bWritten = ::WriteFile(file.get(), line, length, &written, NULL);
    BOOL bSized = ::GetFileSizeEx(file.get(), &after);
    file.reset();  // closed before the file is cut back or moved aside
    if (!bWritten) {
        if (written > 0 && bLocked)
            TruncateLogFile(before.QuadPart);
        return;
    }
    if (bLocked && bSized && static_cast<ULONGLONG>(after.QuadPart) > LogConfig.maxFileSize)
        RotateLogFile();
}

}  // namespace

void MakeLogFilePath()
{
    // Cut at the last backslash of the wide name: in a double-byte code page the ANSI name may hold
    // 0x5C as the second byte of a character, and cutting there would name a wrong folder.
    WCHAR szModule[MAX_PATH + 1];
    memset(szModule, 0, sizeof szModule);
    DWORD nLength = ::GetModuleFileNameW(NULL, szModule, MAX_PATH);
    if (nLength == 0 || nLength > MAX_PATH)
        nLength = 0;
    szModule[nLength] = 0;
    int nCut = -1;
    for (int i = static_cast<int>(nLength) - 1; i >= 0 && nCut < 0; --i)
        if (szModule[i] == TEXT('\\'))
            nCut = i + 1;
    if (nCut < 0) {
        for (int i = static_cast<int>(nLength) - 1; i >= 0 && nCut < 0; --i) {
            if (szModule[i] == TEXT(':') && i + 2 <= MAX_PATH) {
                szModule[i + 1] = TEXT('\\');
                nCut = i + 2;
            }
        }
    }
    if (nCut >= 0)
        szModule[nCut] = 0;
    memset(LogConfig.logDir, 0, sizeof LogConfig.logDir);
    if (szModule[0] &&
        ::WideCharToMultiByte(CP_ACP, 0, szModule, -1, LogConfig.logDir, MAX_PATH, NULL, NULL) == 0)
        memset(LogConfig.logDir, 0, sizeof LogConfig.logDir);  // too long for the buffer: use the current folder
    memset(LogConfig.logPath, 0, sizeof LogConfig.logPath);
    // At most 259 characters: a longer folder leaves the name cut there, as a bounded copy does.
    if (snprintf(LogConfig.logPath, sizeof LogConfig.logPath, "%s%s", LogConfig.logDir, LOG_FILE_NAME) < 0)
        LogConfig.logPath[0] = 0;
}

void AppendToLogFile(const char *line)
{
    HANDLE hMutex = GetLogMutex();
    bool bLocked = false;
    if (hMutex) {
        bool bStuck = InterlockedCompareExchange(&s_nLogMutexStuck, 0, 0) != 0;
        DWORD dwWait = ::WaitForSingleObject(hMutex, bStuck ? 0 : LOG_MUTEX_WAIT_MS);
        bLocked = dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED;  // abandoned: a writer died, we own it
        InterlockedExchange(&s_nLogMutexStuck, bLocked ? 0 : 1);
    }
    if (!LogConfig.logPath[0])
        MakeLogFilePath();
    AppendLocked(line, bLocked);
    if (bLocked)
        ::ReleaseMutex(hMutex);
}
