// Generic-text mappings for the Unicode build.
#pragma once

#include "windows.h"

typedef WCHAR _TCHAR;
typedef WCHAR _TSCHAR;
#define _T(x) TEXT(x)
#define _TEXT(x) TEXT(x)
