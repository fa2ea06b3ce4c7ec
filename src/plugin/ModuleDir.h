// The host's directory, where the plug-in finds its initialisation file and images.
#pragma once

#include <afxstr.h>

// The folder of the process's executable (not this library) with its trailing backslash; empty
// when the executable's name holds no backslash.
CString GetModuleDir();
