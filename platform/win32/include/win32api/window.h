// Window classes, windows, their tree, text and properties.
#pragma once

#include "types.h"
