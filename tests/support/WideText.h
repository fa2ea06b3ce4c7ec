// Wide texts in test assertions: compared as UTF-16, printed as UTF-8.
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

// EXPECT_WTEXT(u"expected", actual): compared as UTF-8; a NULL actual reads "(null)" and fails.
#define EXPECT_WTEXT(expected, actual) EXPECT_EQ(Utf8(expected), Utf8(actual))
