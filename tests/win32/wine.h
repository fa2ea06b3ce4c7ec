// Where Wine, the other implementation these tests run against, differs from Windows: such a case
// skips under Wine and names the difference.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

inline bool RunningUnderWine()
{
    HMODULE ntdll = GetModuleHandleW(TEXT("ntdll.dll"));
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

#define SKIP_UNDER_WINE(difference)                                                                    \
    do {                                                                                               \
        if (RunningUnderWine())                                                                        \
            GTEST_SKIP() << "Wine differs from Windows: " << difference;                              \
    } while (0)

// The layer differs from Windows on purpose, because the plug-in relies on its answer; Wine answers as
// Windows does, so the case keeps running against the layer and skips under Wine.
#define SKIP_LAYER_DIFFERENCE_UNDER_WINE(difference)                                                   \
    do {                                                                                               \
        if (RunningUnderWine())                                                                        \
            GTEST_SKIP() << "The layer differs from Windows on purpose: " << difference;              \
    } while (0)

// Wine and the layer answer differently where Windows documents no answer; the case keeps running
// against the layer and skips under Wine.
#define SKIP_UNDOCUMENTED_UNDER_WINE(difference)                                                       \
    do {                                                                                               \
        if (RunningUnderWine())                                                                        \
            GTEST_SKIP() << "Wine and the layer differ where Windows documents no answer: " << difference; \
    } while (0)
