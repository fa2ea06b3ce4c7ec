// Identifiers of the library's resources.
#pragma once

#define IDR_STRING_TABLE 8003
