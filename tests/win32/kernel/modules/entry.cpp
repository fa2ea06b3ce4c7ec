// Start-up glue of the test modules: hands the module's DllMain to the loader, as the start-up
// object of a real module does.
#include <windows.h>

#include <win32api/loader.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved);

__attribute__((constructor)) static void register_entry()
{
    win32_loader_register_entry(reinterpret_cast<const void *>(&register_entry), DllMain);
}
