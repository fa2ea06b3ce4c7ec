// A whole file's bytes, read or written through the Win32 file calls, for tests that check files.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/WideString.h"

// The file's bytes, or missing when it cannot be opened.
inline std::string ReadWholeFile(const WideString &path, const char *missing = "(missing)")
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return missing;
    std::string text;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, NULL) && got > 0)
        text.append(buffer, got);
    CloseHandle(h);
    return text;
}

// Creates or replaces the file with exactly text.
inline void WriteWholeFile(const WideString &path, const std::string &text)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, NULL));
    CloseHandle(h);
}
