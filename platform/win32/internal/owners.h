// The owner template under the layer's namespace: the layer's code names its owners unqualified.
#pragma once

#include <owner/unique_handle.h>

namespace win32 {
using namespace owner;
}  // namespace win32
