// Modules: loading, entry points, file names and the address-to-module query.
#pragma once

#include "types.h"
