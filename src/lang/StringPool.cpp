// The chunked text store of the language table.
#include "lang/StringPool.h"

#include <string.h>

LPCWSTR StringPool::Add(LPCWSTR pszText)
{
    int nLength = lstrlenW(pszText);
    if (chunks.empty() || nLength + chunks.back().used >= chunks.back().capacity)
    {
        // A text of chunkChars or more characters gets a chunk of its own size, never a cut.
        int nCapacity = nLength + 1 > chunkChars ? nLength + 1 : chunkChars;
        chunks.push_back(Chunk{std::unique_ptr<WCHAR[]>(new WCHAR[nCapacity]), nCapacity, 0});
    }
    Chunk& chunk = chunks.back();
    WCHAR* pCopy = chunk.text.get() + chunk.used;
    memcpy(pCopy, pszText, (nLength + 1) * sizeof(WCHAR));
    chunk.used += nLength + 1;
    return pCopy;
}
