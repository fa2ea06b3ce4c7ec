// Windows paths over the Linux file system: drive "Z:\" stands for the Linux root.
#pragma once

#include <windows.h>

#include "internal/utf.h"

#include <string>

namespace win32 {

// The Linux path of a Windows path: "Z:\a\b" is "/a/b", "a\b" is relative to the current
// directory. Each component that does not exist under its exact name is matched without
// regard to case; the first that matches nothing is kept as given, with all after it.
// False (ERROR_PATH_NOT_FOUND) for a drive other than Z: or an empty path. Exported for the
// browser's server module, which opens file: addresses.
DECLSPEC_EXPORT bool unix_path_from_dos(LPCWSTR dos, std::string &unix_path);
// The same for an ANSI path, decoded with the thread's code page.
bool unix_path_from_dos(LPCSTR dos, std::string &unix_path);

// The Windows path of an absolute Linux path: "/a/b" is "Z:\a\b".
std::u16string dos_path_from_unix(const std::string &unix_path);

}  // namespace win32
