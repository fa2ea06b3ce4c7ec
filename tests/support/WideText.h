// Wide texts in tests, their probes and child programs: UTF-16 and UTF-8 converted through
// CP_UTF8, and compared in assertions as UTF-16, printed as UTF-8. Holds for both builds: WCHAR is
// char16_t over the layer and wchar_t on Windows.
#pragma once

#include <windows.h>

#include "support/WideString.h"

#include <string>

inline std::string Utf8(const WideString &text)
{
    int n = static_cast<int>(text.size());
    int cb = n ? WideCharToMultiByte(CP_UTF8, 0, text.data(), n, NULL, 0, NULL, NULL) : 0;
    std::string utf8(size_t(cb > 0 ? cb : 0), '\0');
    if (cb > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), n, &utf8[0], cb, NULL, NULL);
    return utf8;
}

// A null text reads "(null)", so that an assertion on it fails legibly.
inline std::string Utf8(LPCWSTR psz) { return psz ? Utf8(WideString(psz)) : "(null)"; }

inline WideString Wide(const std::string &utf8)
{
    int n = static_cast<int>(utf8.size());
    int cch = n ? MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, NULL, 0) : 0;
    WideString text(size_t(cch > 0 ? cch : 0), WCHAR(0));
    if (cch > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, &text[0], cch);
    return text;
}

// EXPECT_WTEXT(u"expected", actual): compared as UTF-8; a NULL actual reads "(null)" and fails.
#define EXPECT_WTEXT(expected, actual) EXPECT_EQ(Utf8(expected), Utf8(actual))
