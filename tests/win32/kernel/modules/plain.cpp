// A test module with neither entry point nor resources, only an export.
#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI PlainValue()
{
    return 7;
}
