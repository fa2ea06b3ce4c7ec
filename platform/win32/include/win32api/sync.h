// Synchronisation objects: named mutexes and waiting.
#pragma once

#include "types.h"
