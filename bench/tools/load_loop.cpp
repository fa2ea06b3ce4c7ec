// Loads and unloads the plug-in, or the empty library, a given number of times, as BM_LoadPlugin
// and its floor do, for counting the instructions of one load under callgrind: the count for
// N + 10 loads less that for N, divided by 10.
//   load_loop COUNT [empty]
#include "PluginLibrary.h"

#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    int count = argc > 1 ? std::atoi(argv[1]) : 1;
    bool empty = argc > 2 && std::strcmp(argv[2], "empty") == 0;
    for (int i = 0; i < count; ++i) {
        if (empty) {
            HMODULE hModule = LoadLibraryW(PluginLibrary::ProgramDirectory() + TEXT("EmptyModule.dll"));
            if (!hModule)
                return 1;
            FreeLibrary(hModule);
        } else {
            PluginLibrary library;
            if (!library.Load(TEXT("KeyholmPlugin.dll")))
                return 1;
        }
    }
    return 0;
}
