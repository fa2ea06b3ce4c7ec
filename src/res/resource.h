// Identifiers of the library's resources.
#pragma once

#define IDD_KEYHOLM_PLUGIN 8000
#define IDC_KEYHOLM_BROWSER 8000
#define IDC_KEYHOLM_LOADING 8001
#define IDR_STRING_TABLE 8003
#define IDB_TAB_ICON_ZH 8006
#define IDB_TAB_ICON_EN 8007
