// The COM task allocator: memory that one module allocates and another frees.
#include <objbase.h>

#include <stdlib.h>

// A zero-byte request still yields a distinct block, as IMalloc::Alloc does.
LPVOID WINAPI CoTaskMemAlloc(SIZE_T cb)
{
    return malloc(cb ? cb : 1);
}

LPVOID WINAPI CoTaskMemRealloc(LPVOID pv, SIZE_T cb)
{
    if (!pv)
        return CoTaskMemAlloc(cb);
    if (!cb) {
        free(pv);
        return NULL;
    }
    return realloc(pv, cb);
}

void WINAPI CoTaskMemFree(LPVOID pv)
{
    free(pv);
}
