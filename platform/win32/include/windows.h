// The Win32 API subset the plug-in, the class library and the host use.
#pragma once

#include "win32api/types.h"
#include "win32api/error.h"
#include "win32api/handle.h"
#include "win32api/interlocked.h"
#include "win32api/lstring.h"
#include "win32api/module.h"
#include "win32api/resource.h"
#include "win32api/nls.h"
#include "win32api/sync.h"
#include "win32api/file.h"
#include "win32api/processthreads.h"
#include "win32api/systime.h"
#include "win32api/window.h"
#include "win32api/message.h"
