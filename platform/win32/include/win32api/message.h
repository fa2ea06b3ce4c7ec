// Messages: sending, posting, the thread's queue and its loop.
#pragma once

#include "types.h"
