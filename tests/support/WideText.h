// Wide texts in tests and their probes: UTF-16 and UTF-8 converted through CP_UTF8, and compared in
// assertions as UTF-16, printed as UTF-8.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

inline std::string Utf8(LPCWSTR psz)
{
    if (!psz)
        return "(null)";
    int cb = WideCharToMultiByte(CP_UTF8, 0, psz, -1, NULL, 0, NULL, NULL);
    std::string text(cb > 0 ? cb - 1 : 0, '\0');
    if (cb > 1)
        WideCharToMultiByte(CP_UTF8, 0, psz, -1, &text[0], cb, NULL, NULL);
    return text;
}

inline std::string Utf8(const std::u16string &text)
{
    int n = static_cast<int>(text.size());
    int cb = n ? WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<LPCWSTR>(text.data()), n, NULL, 0, NULL, NULL) : 0;
    std::string utf8(size_t(cb > 0 ? cb : 0), '\0');
    if (cb > 0)
        WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<LPCWSTR>(text.data()), n, &utf8[0], cb, NULL, NULL);
    return utf8;
}

inline std::u16string Wide(const std::string &utf8)
{
    int n = static_cast<int>(utf8.size());
    int cch = n ? MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, NULL, 0) : 0;
    std::u16string text(size_t(cch > 0 ? cch : 0), u'\0');
    if (cch > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, reinterpret_cast<LPWSTR>(&text[0]), cch);
    return text;
}

// EXPECT_WTEXT(u"expected", actual): compared as UTF-8; a NULL actual reads "(null)" and fails.
#define EXPECT_WTEXT(expected, actual) EXPECT_EQ(Utf8(expected), Utf8(actual))
