// Wall-clock time as SYSTEMTIME and FILETIME, the monotonic tick counts and the performance counter.
#include <windows.h>

#include <time.h>

namespace {

// 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
const ULONGLONG kEpochDifference = 116444736000000000ull;

void fill_system_time(const struct tm &t, long nanoseconds, LPSYSTEMTIME st)
{
    st->wYear = static_cast<WORD>(t.tm_year + 1900);
    st->wMonth = static_cast<WORD>(t.tm_mon + 1);
    st->wDayOfWeek = static_cast<WORD>(t.tm_wday);
    st->wDay = static_cast<WORD>(t.tm_mday);
    st->wHour = static_cast<WORD>(t.tm_hour);
    st->wMinute = static_cast<WORD>(t.tm_min);
    st->wSecond = static_cast<WORD>(t.tm_sec > 59 ? 59 : t.tm_sec);  // Windows has no leap second
    st->wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
}

// The wall clock now, broken down in local time or UTC.
void now_as_system_time(struct tm *(*breakdown)(const time_t *, struct tm *), LPSYSTEMTIME st)
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm t;
    breakdown(&now.tv_sec, &t);
    fill_system_time(t, now.tv_nsec, st);
}

ULONGLONG monotonic_nanoseconds()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<ULONGLONG>(ts.tv_sec) * 1000000000ull + static_cast<ULONGLONG>(ts.tv_nsec);
}

bool leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

}  // namespace

void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) { now_as_system_time(localtime_r, lpSystemTime); }

void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime) { now_as_system_time(gmtime_r, lpSystemTime); }

void WINAPI GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime)
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    ULONGLONG ticks = kEpochDifference + static_cast<ULONGLONG>(now.tv_sec) * 10000000ull +
                      static_cast<ULONGLONG>(now.tv_nsec) / 100;
    lpSystemTimeAsFileTime->dwLowDateTime = static_cast<DWORD>(ticks);
    lpSystemTimeAsFileTime->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
}

// Dates from 1601 to 30827, as Windows accepts; the day of the week is ignored on input.
BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME *lpSystemTime, LPFILETIME lpFileTime)
{
    static const int days_in_month[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const SYSTEMTIME &st = *lpSystemTime;
    if (st.wYear < 1601 || st.wYear > 30827 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 ||
        st.wDay > days_in_month[st.wMonth - 1] + (st.wMonth == 2 && leap(st.wYear)) || st.wHour > 23 ||
        st.wMinute > 59 || st.wSecond > 59 || st.wMilliseconds > 999) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ULONGLONG days = 0;
    for (int y = 1601; y < st.wYear; ++y)
        days += leap(y) ? 366 : 365;
    for (int m = 1; m < st.wMonth; ++m)
        days += days_in_month[m - 1] + (m == 2 && leap(st.wYear));
    days += st.wDay - 1;
    ULONGLONG ms = ((days * 24 + st.wHour) * 60 + st.wMinute) * 60000ull + st.wSecond * 1000ull + st.wMilliseconds;
    ULONGLONG ticks = ms * 10000ull;
    lpFileTime->dwLowDateTime = static_cast<DWORD>(ticks);
    lpFileTime->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return TRUE;
}

BOOL WINAPI FileTimeToSystemTime(const FILETIME *lpFileTime, LPSYSTEMTIME lpSystemTime)
{
    ULONGLONG ticks = (static_cast<ULONGLONG>(lpFileTime->dwHighDateTime) << 32) | lpFileTime->dwLowDateTime;
    if (ticks >> 63) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ULONGLONG ms = ticks / 10000ull;
    ULONGLONG days = ms / 86400000ull;
    ULONGLONG rest = ms % 86400000ull;
    SYSTEMTIME &st = *lpSystemTime;
    st.wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
    int year = 1601;
    for (;;) {
        ULONGLONG length = leap(year) ? 366 : 365;
        if (days < length)
            break;
        days -= length;
        ++year;
    }
    static const int days_in_month[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int month = 0;
    for (;; ++month) {
        ULONGLONG length = days_in_month[month] + (month == 1 && leap(year));
        if (days < length)
            break;
        days -= length;
    }
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month + 1);
    st.wDay = static_cast<WORD>(days + 1);
    st.wHour = static_cast<WORD>(rest / 3600000);
    st.wMinute = static_cast<WORD>(rest / 60000 % 60);
    st.wSecond = static_cast<WORD>(rest / 1000 % 60);
    st.wMilliseconds = static_cast<WORD>(rest % 1000);
    return TRUE;
}

// Milliseconds of the monotonic clock; the 32-bit count wraps after 49.7 days, as on Windows.
DWORD WINAPI GetTickCount(void) { return static_cast<DWORD>(monotonic_nanoseconds() / 1000000ull); }

ULONGLONG WINAPI GetTickCount64(void) { return monotonic_nanoseconds() / 1000000ull; }

// The counter runs in nanoseconds of the monotonic clock.
BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER *lpPerformanceCount)
{
    lpPerformanceCount->QuadPart = static_cast<LONGLONG>(monotonic_nanoseconds());
    return TRUE;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER *lpFrequency)
{
    lpFrequency->QuadPart = 1000000000;
    return TRUE;
}
