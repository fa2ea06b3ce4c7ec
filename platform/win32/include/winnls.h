// Windows splits these declarations over several headers; here they all come with windows.h.
#pragma once

#include "windows.h"
