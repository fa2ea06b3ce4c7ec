// A compiled resource table as a module carries it: the layer's table reader, FindResourceW over
// what it accepted, and LoadStringW over the string blocks.
#include "support/module_image.h"

#include <cstdint>
#include <cstdlib>

namespace {

volatile BYTE sink;

// Every byte the layer hands out as the resource's data is read.
void touch(HMODULE module, HRSRC resource)
{
    DWORD size = SizeofResource(module, resource);
    const BYTE *p = static_cast<const BYTE *>(LockResource(LoadResource(module, resource)));
    if (!p)
        return;
    BYTE sum = 0;
    for (DWORD i = 0; i < size; ++i)
        sum = BYTE(sum + p[i]);
    sink = sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzz::module_image image;
    fuzz::registered_table table(image, data, size);
    if (!table.ok())
        return 0;
    HMODULE self = GetModuleHandleW(NULL);

    static const LPCWSTR types[] = {RT_STRING, RT_DIALOG, RT_BITMAP, RT_ICON, RT_GROUP_ICON, TEXT("PNG"), TEXT("STRING")};
    static const LPCWSTR names[] = {MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(8003), TEXT("A"), TEXT("#1")};
    for (LPCWSTR type : types) {
        for (LPCWSTR name : names) {
            if (HRSRC found = FindResourceW(self, name, type))
                touch(self, found);
            if (HRSRC found = FindResourceExW(self, type, name, 0x0804))
                touch(self, found);
        }
    }

    // The first two string blocks, into a buffer that cuts and one that does not, and read in place.
    for (UINT id = 0; id < 32; ++id) {
        WCHAR small[4], large[256];
        int cut = LoadStringW(self, id, small, 4);
        int whole = LoadStringW(self, id, large, 256);
        if (cut < 0 || cut > 3 || small[cut] != 0 || whole < 0 || whole > 255 || large[whole] != 0)
            std::abort();
        const WCHAR *text = nullptr;
        int length = LoadStringW(self, id, reinterpret_cast<LPWSTR>(&text), 0);
        WCHAR sum = 0;
        for (int i = 0; text && i < length; ++i)
            sum = WCHAR(sum + text[i]);
        sink = BYTE(sum);
    }
    return 0;
}
