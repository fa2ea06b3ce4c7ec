// Fills a wide string object of the class library from outside it, the way code built against the
// library's own headers does: through the data header in front of the characters and the string
// manager's operations by position. Written from the published layout, not from our string class.
#pragma once

#include <windows.h>

#include <string.h>

#include <string>

// The manager is called through the filler's own declaration of its interface, as a separately
// built host does; the sanitizer's type check of virtual calls would take that for a wrong type.
#if defined(__GNUC__)
#define FILLER_FOREIGN_CALLS __attribute__((no_sanitize("vptr")))
#else
#define FILLER_FOREIGN_CALLS
#endif

namespace filler {

struct StringMgr;

// The documented header: manager, length in use, length allocated, references (negative: locked).
struct StringData
{
    StringMgr *pStringMgr;
    int nDataLength;
    int nAllocLength;
    LONG nRefs;
};

// The manager interface: Allocate, Free, Reallocate, GetNilString, Clone, in this order.
struct StringMgr
{
    virtual StringData *Allocate(int nAllocLength, int nCharSize) = 0;
    virtual void Free(StringData *pData) = 0;
    virtual StringData *Reallocate(StringData *pData, int nAllocLength, int nCharSize) = 0;
    virtual StringData *GetNilString() = 0;
    virtual StringMgr *Clone() = 0;
};

// A string object is one pointer to its characters.
inline WCHAR *&Chars(void *pString) { return *static_cast<WCHAR **>(pString); }
inline StringData *DataOf(void *pString) { return reinterpret_cast<StringData *>(Chars(pString)) - 1; }
inline WCHAR *CharsOf(StringData *pData) { return reinterpret_cast<WCHAR *>(pData + 1); }

FILLER_FOREIGN_CALLS inline void Release(StringData *pData)
{
    if (InterlockedDecrement(&pData->nRefs) <= 0)
        pData->pStringMgr->Free(pData);
}

// Assigns n characters: an empty text takes the manager's shared empty block; a shared block is
// left for a new one of the manager's clone; a block of its own too small is reallocated. What
// went wrong, in words; empty when all held.
FILLER_FOREIGN_CALLS inline std::string Assign(void *pString, const WCHAR *pch, int n)
{
    StringData *pOld = DataOf(pString);
    if (!pOld->pStringMgr)
        return "no manager in the header";
    if (n == 0) {
        if (pOld->nDataLength == 0)
            return "";
        StringMgr *pMgr = pOld->pStringMgr;
        Release(pOld);
        StringData *pNil = pMgr->GetNilString();
        if (!pNil || pNil->nDataLength != 0 || CharsOf(pNil)[0] != 0 || pNil->nRefs < 2)
            return "the empty block is not an empty shared block";
        Chars(pString) = CharsOf(pNil);
        return "";
    }
    StringData *pData = pOld;
    if (pOld->nRefs > 1) {
        pData = pOld->pStringMgr->Clone()->Allocate(n, sizeof(WCHAR));
        if (!pData)
            return "Allocate failed";
        if (pData->nRefs != 1 || pData->nDataLength != 0 || pData->nAllocLength < n || !pData->pStringMgr)
            return "Allocate gave a block with a wrong header";
        Release(pOld);
    } else if (pOld->nAllocLength < n) {
        LONG nRefs = pOld->nRefs;
        int nLength = pOld->nDataLength;
        pData = pOld->pStringMgr->Reallocate(pOld, n, sizeof(WCHAR));
        if (!pData)
            return "Reallocate failed";
        if (pData->nRefs != nRefs || pData->nDataLength != nLength || pData->nAllocLength < n)
            return "Reallocate did not keep the header";
    }
    memcpy(CharsOf(pData), pch, size_t(n) * sizeof(WCHAR));
    CharsOf(pData)[n] = 0;
    pData->nDataLength = n;
    Chars(pString) = CharsOf(pData);
    return "";
}

} // namespace filler
