// Files on Windows paths: create, read, write, size, move and delete.
#pragma once

#include "types.h"
