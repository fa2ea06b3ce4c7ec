// LoadStringW: string nID lives in RT_STRING block nID / 16 + 1, which holds sixteen counted strings.
#include <windows.h>

int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax)
{
    if (!lpBuffer || cchBufferMax < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    HRSRC hResource = FindResourceW(hInstance, MAKEINTRESOURCEW((uID >> 4) + 1), RT_STRING);
    HGLOBAL hBlock = hResource ? LoadResource(hInstance, hResource) : nullptr;
    const WCHAR *p = hBlock ? static_cast<const WCHAR *>(LockResource(hBlock)) : nullptr;
    if (!p) {
        if (cchBufferMax > 0)
            *lpBuffer = 0;
        return 0;  // FindResourceW said why
    }
    // The walk stays inside the block even when its counts claim more.
    const WCHAR *end = p + SizeofResource(hInstance, hResource) / sizeof(WCHAR);
    for (UINT i = 0; i < (uID & 15) && p < end; ++i)
        p += 1 + *p;
    int length = (p < end && p + 1 + *p <= end) ? int(*p) : 0;
    if (cchBufferMax == 0) {
        // The caller gets a pointer to the read-only text itself, which is not terminated.
        *reinterpret_cast<const WCHAR **>(lpBuffer) = length ? p + 1 : nullptr;
        return length;
    }
    if (length == 0) {
        *lpBuffer = 0;
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    int copied = length < cchBufferMax - 1 ? length : cchBufferMax - 1;
    for (int i = 0; i < copied; ++i)
        lpBuffer[i] = p[1 + i];
    lpBuffer[copied] = 0;
    return copied;
}
