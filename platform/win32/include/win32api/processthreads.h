// Processes and threads: identifiers, creation and exit codes.
#pragma once

#include "types.h"
