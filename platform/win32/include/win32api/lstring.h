// Wide and narrow string helpers of the kernel (lstr* family).
#pragma once

#include "types.h"
