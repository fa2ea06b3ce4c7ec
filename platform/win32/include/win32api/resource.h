// Resources embedded in a module: find, size, load and lock.
#pragma once

#include "types.h"
