// A store of wide texts in fixed chunks: one allocation per chunk, and addresses that never move.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

class StringPool
{
public:
    explicit StringPool(int nChunkChars = 4096) : chunkChars(nChunkChars) {}
    StringPool(const StringPool&) = delete;
    StringPool& operator=(const StringPool&) = delete;

    // Stores a copy of the zero-terminated text and answers its address, valid as long as the pool.
    LPCWSTR Add(LPCWSTR pszText);

    struct Chunk
    {
        std::unique_ptr<WCHAR[]> text;
        int capacity;   // chunkChars, or more for a text that does not fit into one chunk
        int used;       // wide characters taken, terminators included
    };

    const int chunkChars;
    std::vector<Chunk> chunks;
};
