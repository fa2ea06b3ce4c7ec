// What a PE image carries and the loader reads from it, registered by the module itself: the build
// links a small start-up object into each module that has resources or an entry point.
#pragma once

#include "types.h"

typedef BOOL(WINAPI *PDLL_ENTRY)(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved);

// The module's compiled resource table (.res bytes). The module is the one whose image holds data.
EXTERN_C DECLSPEC_EXPORT void win32_loader_register_resources(const void *data, size_t size);
EXTERN_C DECLSPEC_EXPORT void win32_loader_unregister_resources(const void *data);

// The module's entry point, called by LoadLibrary after the module's static initialisation
// (DLL_PROCESS_ATTACH), by FreeLibrary before it is unmapped (DLL_PROCESS_DETACH) and at the exit
// of each thread (DLL_THREAD_DETACH). anchor is any address inside the module.
EXTERN_C DECLSPEC_EXPORT void win32_loader_register_entry(const void *anchor, PDLL_ENTRY entry);
