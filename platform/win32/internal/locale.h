// What the layer's code-page conversion needs to know of the process and thread locales.
#pragma once

#include <windows.h>

namespace win32 {

// The ANSI code page of the calling thread's locale (CP_THREAD_ACP).
UINT thread_ansi_code_page();
// The Macintosh code page of the user's locale (CP_MACCP).
UINT mac_code_page();
// The code page a process started with these LC_ALL, LC_CTYPE and LANG values (null when unset)
// decodes its arguments and environment in, as its C library does: UTF-8 when the locale that
// governs its character type names that character set, otherwise the ANSI code page of the locale
// (zh_CN.GBK and zh_CN: 936; C: 1252).
UINT code_page_of_locale(const char *lc_all, const char *lc_ctype, const char *lang);

}  // namespace win32
