// The class library's string manager: string blocks on the C heap, and the shared empty block.
#include <afx.h>
#include <stdlib.h>
#include <limits.h>

namespace {

// Bytes of a block for nAllocLength characters and a terminator; 0 when that cannot be represented.
size_t block_size(int nAllocLength, int nCharSize)
{
    if (nAllocLength < 0 || nCharSize <= 0 || nCharSize > 4) return 0;
    size_t nChars = size_t(nAllocLength) + 1;
    if (nChars > (size_t(INT_MAX) - sizeof(CStringData)) / size_t(nCharSize)) return 0;
    return sizeof(CStringData) + nChars * size_t(nCharSize);
}

// Rounds a request up to a multiple of 8 characters (terminator included), so short appends
// reuse the block; never below what was asked.
int rounded_length(int nAllocLength)
{
    if (nAllocLength < 0 || nAllocLength > INT_MAX - 8) return nAllocLength;
    return ((nAllocLength + 8) & ~7) - 1;
}

class CAfxStringMgr : public IAtlStringMgr
{
public:
    // Constant initialisation: usable by strings of any static initialiser, and never destroyed.
    constexpr CAfxStringMgr() : m_nil{{this, 0, 0, 2}, {0, 0}} {}

    CStringData *Allocate(int nAllocLength, int nCharSize) noexcept override
    {
        int nRounded = rounded_length(nAllocLength);
        size_t cb = block_size(nRounded, nCharSize);
        if (cb == 0) return NULL;
        CStringData *pData = static_cast<CStringData *>(malloc(cb));
        if (!pData) return NULL;
        pData->pStringMgr = this;
        pData->nDataLength = 0;
        pData->nAllocLength = nRounded;
        pData->nRefs = 1;
        return pData;
    }

    void Free(CStringData *pData) noexcept override
    {
        if (pData != NULL && pData != &m_nil.header) free(pData);
    }

    CStringData *Reallocate(CStringData *pData, int nAllocLength, int nCharSize) noexcept override
    {
        if (pData == NULL || pData == &m_nil.header) return NULL;
        int nRounded = rounded_length(nAllocLength);
        size_t cb = block_size(nRounded, nCharSize);
        if (cb == 0) return NULL;
        CStringData *pNew = static_cast<CStringData *>(realloc(pData, cb));
        if (!pNew) return NULL;
        pNew->nAllocLength = nRounded;
        return pNew;
    }

    CStringData *GetNilString() noexcept override
    {
        m_nil.header.AddRef();
        return &m_nil.header;
    }

    IAtlStringMgr *Clone() noexcept override { return this; }

private:
    // Starts with two references so that balanced releases never bring it to zero; the terminator
    // serves narrow and wide strings.
    struct nil_block
    {
        CStringData header;
        WCHAR chTerminator[2];
    } m_nil;
};

CAfxStringMgr s_stringMgr;

} // namespace

IAtlStringMgr *AFXAPI AfxGetStringManager() noexcept { return &s_stringMgr; }
