// System and local time, tick counts.
#pragma once

#include "types.h"
