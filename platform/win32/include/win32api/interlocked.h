// Interlocked arithmetic on 32-bit values.
#pragma once

#include "types.h"
