// System strings (BSTR): a 32-bit byte length before the text and a zero WCHAR after it.
#include <oleauto.h>

#include <stdlib.h>
#include <string.h>

namespace {

const size_t prefix_bytes = sizeof(DWORD);
// The terminator WCHAR, plus one byte so that an odd byte length still ends on a zero WCHAR.
const size_t suffix_bytes = sizeof(OLECHAR) + 1;
const UINT max_bytes = 0x7FFFFFF0u;

DWORD *header_of(BSTR bstr)
{
    return reinterpret_cast<DWORD *>(reinterpret_cast<BYTE *>(bstr) - prefix_bytes);
}

// A string of `bytes` bytes copied from `data` (zero-filled when data is null).
BSTR alloc_bytes(const void *data, UINT bytes)
{
    if (bytes > max_bytes)
        return NULL;
    auto *block = static_cast<BYTE *>(malloc(prefix_bytes + bytes + suffix_bytes));
    if (!block)
        return NULL;
    DWORD length = bytes;
    memcpy(block, &length, sizeof length);
    BYTE *text = block + prefix_bytes;
    if (data)
        memcpy(text, data, bytes);
    else
        memset(text, 0, bytes);
    memset(text + bytes, 0, suffix_bytes);
    return reinterpret_cast<BSTR>(text);
}

size_t length_of(const OLECHAR *psz)
{
    size_t n = 0;
    while (psz[n])
        ++n;
    return n;
}

}  // namespace

BSTR WINAPI SysAllocString(const OLECHAR *psz)
{
    if (!psz)
        return NULL;
    size_t n = length_of(psz);
    if (n > max_bytes / sizeof(OLECHAR))
        return NULL;
    return alloc_bytes(psz, UINT(n * sizeof(OLECHAR)));
}

// A null source gives `ui` zero characters, never uninitialised memory.
BSTR WINAPI SysAllocStringLen(const OLECHAR *strIn, UINT ui)
{
    if (ui > max_bytes / sizeof(OLECHAR))
        return NULL;
    return alloc_bytes(strIn, UINT(ui * sizeof(OLECHAR)));
}

BSTR WINAPI SysAllocStringByteLen(LPCSTR psz, UINT len)
{
    return alloc_bytes(psz, len);
}

// The new text may lie inside the old string: it is copied before the old one is freed.
INT WINAPI SysReAllocString(BSTR *pbstr, const OLECHAR *psz)
{
    if (!pbstr)
        return FALSE;
    BSTR fresh = psz ? SysAllocString(psz) : SysAllocStringLen(NULL, 0);
    if (!fresh)
        return FALSE;
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

// With a null source the old text is kept up to the new length, as realloc keeps a block.
INT WINAPI SysReAllocStringLen(BSTR *pbstr, const OLECHAR *psz, unsigned int len)
{
    if (!pbstr)
        return FALSE;
    BSTR fresh = SysAllocStringLen(psz, len);
    if (!fresh)
        return FALSE;
    if (!psz && *pbstr) {
        UINT keep = SysStringLen(*pbstr);
        memcpy(fresh, *pbstr, (keep < len ? keep : len) * sizeof(OLECHAR));
    }
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

void WINAPI SysFreeString(BSTR bstrString)
{
    if (bstrString)
        free(header_of(bstrString));
}

UINT WINAPI SysStringLen(BSTR pbstr)
{
    return pbstr ? *header_of(pbstr) / sizeof(OLECHAR) : 0;
}

UINT WINAPI SysStringByteLen(BSTR bstr)
{
    return bstr ? *header_of(bstr) : 0;
}
