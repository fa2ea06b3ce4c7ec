// A child process a test starts: what it prints to its standard output and error goes to a file,
// every wait on it has a deadline after which it is terminated and reaped, and its object ends it
// when it goes. Natively, a test that ends while a process it started still runs fails, and that
// process is killed (the watch below).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "support/FileText.h"
#include "support/WideString.h"

#include <string>

#ifndef _WIN32
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>
#endif

// How long a test waits for a child that should end on its own: below the tests' 60 s time-out, so
// that the test reports what the child printed before the runner ends the test.
inline constexpr DWORD kChildBoundMs = 45000;

class ChildProcess
{
public:
    static constexpr DWORD kTimedOut = 0xFFFFFFFF;  // Finish's answer for a child it had to end

    ChildProcess() = default;
    ~ChildProcess() { End(); }
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // Starts the command line in folder (NULL: this process's) with an optional environment block
    // (CREATE_UNICODE_ENVIRONMENT in flags for a UTF-16 one); its standard output and error go to
    // the file output, made afresh. Only that file's handle is inherited.
    bool Start(WideString line, const WideString &output, LPCWSTR folder = NULL, LPVOID environment = NULL,
               DWORD flags = 0)
    {
        End();
        m_output = output;
        SECURITY_ATTRIBUTES sa = {sizeof sa, NULL, TRUE};
        HANDLE printed = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     &sa, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (printed == INVALID_HANDLE_VALUE) {
            m_error = "cannot make its output file: " + std::to_string(GetLastError());
            return false;
        }
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = printed;
        si.hStdError = printed;
        PROCESS_INFORMATION pi = {};
        BOOL started = CreateProcessW(NULL, &line[0], NULL, NULL, TRUE, flags, environment, folder, &si, &pi);
        DWORD error = GetLastError();
        CloseHandle(printed);
        if (!started) {
            m_error = "CreateProcessW failed: " + std::to_string(error);
            return false;
        }
        CloseHandle(pi.hThread);
        m_process = pi.hProcess;
        m_id = pi.dwProcessId;
        return true;
    }

    // Waits at most boundMs for the child to end; its exit code, or kTimedOut once it has been ended.
    DWORD Finish(DWORD boundMs)
    {
        if (!m_process)
            return kTimedOut;
        m_bTimedOut = WaitForSingleObject(m_process, boundMs) != WAIT_OBJECT_0;
        End();
        return m_bTimedOut ? kTimedOut : m_code;  // even if it ended while being terminated
    }

    // Terminates the child if it still runs and waits for it.
    void End()
    {
        if (!m_process)
            return;
        if (WaitForSingleObject(m_process, 0) != WAIT_OBJECT_0) {
            TerminateProcess(m_process, kTimedOut);
            if (WaitForSingleObject(m_process, 60000) != WAIT_OBJECT_0)
                ADD_FAILURE() << "child " << m_id << " did not end when terminated";
        }
        GetExitCodeProcess(m_process, &m_code);
        CloseHandle(m_process);
        m_process = NULL;
    }

    HANDLE Process() const { return m_process; }
    DWORD Id() const { return m_id; }
    bool TimedOut() const { return m_bTimedOut; }
    // What the child printed so far.
    std::string Printed() const { return m_output.empty() ? std::string() : ReadWholeFile(m_output, ""); }
    // Why it did not succeed, with what it printed: for a test's failure message.
    std::string Failure() const
    {
        std::string why = !m_error.empty() ? m_error
                          : m_bTimedOut     ? "it did not end in time and was terminated"
                                            : "it ended with " + std::to_string(m_code);
        return why + "; it printed:\n" + Printed();
    }

private:
    WideString m_output;
    HANDLE m_process = NULL;
    DWORD m_id = 0;
    DWORD m_code = kTimedOut;
    bool m_bTimedOut = false;
    std::string m_error;
};

#ifndef _WIN32
// Fails the test that leaves a process of this test program running (a zombie has ended), and
// kills it, so that no test outlives its run through a child that holds the runner's output. The
// runner kills a test that passes its time-out, but not that test's children: a test still running
// after kTestDeadlineMs has its children killed here first.
class ChildWatch : public ::testing::EmptyTestEventListener
{
public:
    static constexpr DWORD kTestDeadlineMs = 55000;  // below the tests' 60 s time-out

    static std::vector<pid_t> RunningChildren()
    {
        std::vector<pid_t> running;
        DIR *tasks = opendir("/proc/self/task");
        if (!tasks)
            return running;
        while (dirent *task = readdir(tasks)) {
            std::ifstream children(std::string("/proc/self/task/") + task->d_name + "/children");
            for (pid_t pid; children >> pid;)
                if (State(pid) != 'Z' && State(pid) != 0)
                    running.push_back(pid);
        }
        closedir(tasks);
        return running;
    }

private:
    static char State(pid_t pid)
    {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        size_t close = text.rfind(')');  // the name in parentheses may hold blanks
        return close != std::string::npos && close + 2 < text.size() ? text[close + 2] : 0;
    }
    static std::string CommandLine(pid_t pid)
    {
        std::ifstream file("/proc/" + std::to_string(pid) + "/cmdline");
        std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        for (char &c : text)
            if (c == '\0')
                c = ' ';
        return text;
    }
    // One watch thread for the whole program, running before the first test begins, so that no
    // test sees a thread start or end that it did not make.
    void OnTestProgramStart(const ::testing::UnitTest &) override
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_watch = std::thread([this] { Watch(); });
        m_changed.wait(lock, [this] { return m_bWatching; });
    }
    void OnTestProgramEnd(const ::testing::UnitTest &) override
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_bQuit = true;
        }
        m_changed.notify_all();
        if (m_watch.joinable())
            m_watch.join();
    }
    void OnTestStart(const ::testing::TestInfo &) override
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_bInTest = true;
            m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTestDeadlineMs);
        }
        m_changed.notify_all();
    }
    void OnTestEnd(const ::testing::TestInfo &) override
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_bInTest = false;
        }
        m_changed.notify_all();
        for (pid_t pid : RunningChildren()) {
            ADD_FAILURE() << "the test left child process " << pid << " running (" << CommandLine(pid)
                          << "); it has been killed";
            kill(pid, SIGKILL);
        }
    }
    void Watch()
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_bWatching = true;
        m_changed.notify_all();
        while (!m_bQuit) {
            if (!m_bInTest) {
                m_changed.wait(lock, [this] { return m_bInTest || m_bQuit; });
                continue;
            }
            if (m_changed.wait_until(lock, m_deadline, [this] { return !m_bInTest || m_bQuit; }))
                continue;
            for (pid_t pid : RunningChildren()) {
                fprintf(stderr, "the test still runs after %u ms: its child process %d (%s) is killed\n",
                        static_cast<unsigned>(kTestDeadlineMs), static_cast<int>(pid), CommandLine(pid).c_str());
                kill(pid, SIGKILL);
            }
            m_changed.wait(lock, [this] { return !m_bInTest || m_bQuit; });  // once per test
        }
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_bWatching = false, m_bInTest = false, m_bQuit = false;
    std::chrono::steady_clock::time_point m_deadline;
    std::thread m_watch;
};

inline const bool g_bChildWatchInstalled =
    (::testing::UnitTest::GetInstance()->listeners().Append(new ChildWatch), true);
#endif
