// What Windows does with system time, file time and the tick counters.
#include <windows.h>

#include <gtest/gtest.h>

#include "win32/wine.h"

namespace {

ULONGLONG Ticks(const FILETIME &ft) { return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

}  // namespace

TEST(KernelTime, SystemTimeAndFileTimeConvertBothWays)
{
    SKIP_UNDER_WINE("SystemTimeToFileTime accepts 29 February of a common year instead of failing for an invalid date");
    struct Case {
        SYSTEMTIME st;  // year, month, day of week, day, hour, minute, second, millisecond
        ULONGLONG ticks;
    };
    const Case cases[] = {
        {{1601, 1, 1, 1, 0, 0, 0, 0}, 0ull},
        {{1970, 1, 4, 1, 0, 0, 0, 0}, 116444736000000000ull},
        {{2000, 2, 2, 29, 12, 30, 15, 250}, 125963010152500000ull},
        {{2009, 12, 2, 29, 14, 3, 7, 250}, 129065689872500000ull},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.st.wYear);
        FILETIME ft;
        ASSERT_TRUE(SystemTimeToFileTime(&c.st, &ft));
        EXPECT_EQ(c.ticks, Ticks(ft));
        SYSTEMTIME back;
        ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
        EXPECT_EQ(0, memcmp(&c.st, &back, sizeof back));  // with its day of the week
    }
    SYSTEMTIME invalid = {2001, 2, 0, 29, 0, 0, 0, 0};
    FILETIME ft;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(SystemTimeToFileTime(&invalid, &ft));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST(KernelTime, ClocksAgreeAndCountersNeverGoBack)
{
    SYSTEMTIME utc, local;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    GetSystemTime(&utc);
    GetLocalTime(&local);
    FILETIME fromUtc;
    ASSERT_TRUE(SystemTimeToFileTime(&utc, &fromUtc));
    LONGLONG apart = static_cast<LONGLONG>(Ticks(fromUtc) - Ticks(now));
    EXPECT_LT(apart < 0 ? -apart : apart, 600000000LL);  // the same clock, within a minute
    EXPECT_GE(utc.wYear, 2020);
    EXPECT_TRUE(local.wMonth >= 1 && local.wMonth <= 12 && local.wDay >= 1 && local.wDay <= 31);
    EXPECT_TRUE(local.wHour < 24 && local.wMinute < 60 && local.wSecond < 60 && local.wMilliseconds < 1000);

    LARGE_INTEGER frequency, before, after;
    EXPECT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_GT(frequency.QuadPart, 0);
    ULONGLONG tick = GetTickCount64();
    EXPECT_TRUE(QueryPerformanceCounter(&before));
    for (int i = 0; i < 1000; ++i) {
        EXPECT_TRUE(QueryPerformanceCounter(&after));
        EXPECT_GE(after.QuadPart, before.QuadPart);
        ULONGLONG later = GetTickCount64();
        EXPECT_GE(later, tick);
        before = after;
        tick = later;
    }
    DWORD narrow = GetTickCount();
    ULONGLONG wide = GetTickCount64();
    EXPECT_LT(static_cast<DWORD>(wide) - narrow, 60000u) << "the 32-bit count is the low half of the same clock";
}
