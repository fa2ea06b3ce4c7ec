// Test helpers: a window class whose procedure records every message it sees, in order.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <mutex>
#include <utility>
#include <vector>

struct Seen {
    HWND hwnd;
    UINT msg;
    bool operator==(const Seen &o) const { return hwnd == o.hwnd && msg == o.msg; }
};

inline std::ostream &operator<<(std::ostream &os, const Seen &s)
{
    return os << "{hwnd " << (void *)s.hwnd << ", msg 0x" << std::hex << s.msg << std::dec << "}";
}

// Every message of the recording class, with per-test hooks that may answer in its place.
struct Recorder {
    std::mutex lock;
    std::vector<Seen> seen;
    LRESULT (*hook)(HWND, UINT, WPARAM, LPARAM, bool *handled) = nullptr;

    void clear()
    {
        std::lock_guard<std::mutex> g(lock);
        seen.clear();
    }
    // The recorded messages whose number is in the list, in order.
    std::vector<Seen> only(std::initializer_list<UINT> msgs)
    {
        std::lock_guard<std::mutex> g(lock);
        std::vector<Seen> out;
        for (auto &s : seen)
            for (UINT m : msgs)
                if (s.msg == m)
                    out.push_back(s);
        return out;
    }
};

inline Recorder &recorder()
{
    static Recorder r;
    return r;
}

inline LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    {
        std::lock_guard<std::mutex> g(recorder().lock);
        recorder().seen.push_back({hwnd, msg});
    }
    if (recorder().hook) {
        bool handled = false;
        LRESULT r = recorder().hook(hwnd, msg, wp, lp, &handled);
        if (handled)
            return r;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

inline const WCHAR *RecordingClass()
{
    static const WCHAR name[] = TEXT("UserTestsRecording");
    static bool registered = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = RecordingProc;
        wc.cbWndExtra = 2 * sizeof(LONG_PTR);
        wc.lpszClassName = name;
        return RegisterClassW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return name;
}

// Resets the recorder around each test.
class UserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RecordingClass();
        recorder().hook = nullptr;
        recorder().clear();
    }
    void TearDown() override { recorder().hook = nullptr; }

    HWND Make(DWORD style, HWND parent = nullptr, int id = 0, const WCHAR *title = TEXT(""))
    {
        return CreateWindowExW(0, RecordingClass(), title, style, 10, 20, 200, 100, parent,
                               (HMENU)(INT_PTR)id, nullptr, nullptr);
    }
};
