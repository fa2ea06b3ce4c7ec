// The drawing API; everything is declared through windows.h.
#pragma once

#include <windows.h>
