// Identifiers of the library's resources.
#pragma once

#define IDR_STRING_TABLE 8003
#define IDB_TAB_ICON_ZH 8006
#define IDB_TAB_ICON_EN 8007
