// Wide strings of WCHAR for tests that run on both builds: char16_t text on Linux, wchar_t on Windows.
#pragma once

#include <windows.h>

#include <string>

using WideString = std::basic_string<WCHAR>;
