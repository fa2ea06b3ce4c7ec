// Kernel object handles: closing and duplicating.
#pragma once

#include "types.h"

WINBASEAPI BOOL WINAPI CloseHandle(HANDLE hObject);
