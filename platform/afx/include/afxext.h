// Extensions of the class library: its users include this for the dialog and control classes.
#pragma once

#include "afxwin.h"
#include "afxdlgs.h"
