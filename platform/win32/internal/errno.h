// Windows' last-error code for a failed Linux call.
#pragma once

#include <windows.h>

namespace win32 {

// The general mapping; callers refine the cases their call gives a meaning of its own.
DWORD error_from_errno(int e);

}  // namespace win32
