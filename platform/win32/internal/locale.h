// What the layer's code-page conversion needs to know of the process and thread locales.
#pragma once

#include <windows.h>

namespace win32 {

// The ANSI code page of the calling thread's locale (CP_THREAD_ACP).
UINT thread_ansi_code_page();
// The Macintosh code page of the user's locale (CP_MACCP).
UINT mac_code_page();

}  // namespace win32
