// A test module that registers damaged resource tables. Each table holds a sound entry (RCDATA
// identifier n, bytes "ok-n"), then a damaged one, then a sound entry 20 + n the loader must not
// reach past the damage.
#include <windows.h>

#include <win32api/loader.h>

#include <stdio.h>
#include <string.h>

namespace {

struct TableWriter {
    unsigned char *m_pData;
    size_t m_nSize;

    void Bytes(const void *data, size_t size)
    {
        memcpy(m_pData + m_nSize, data, size);
        m_nSize += size;
    }
    void Dword(DWORD value) { Bytes(&value, sizeof value); }
    void Word(WORD value) { Bytes(&value, sizeof value); }
    void Align()
    {
        while (m_nSize % 4)
            m_pData[m_nSize++] = 0;
    }
    // An entry with ordinal type and name and the standard 32-byte header.
    void Entry(WORD type, WORD id, const char *data, DWORD dataSize, DWORD headerSize = 32)
    {
        Dword(dataSize);
        Dword(headerSize);
        Word(0xFFFF), Word(type);
        Word(0xFFFF), Word(id);
        Dword(0), Word(0x30), Word(0), Dword(0), Dword(0);
        Bytes(data, strlen(data));
        Align();
    }
    void Sound(WORD id)
    {
        char text[8];
        snprintf(text, sizeof text, "ok-%u", static_cast<unsigned>(id));
        Entry(10, id, text, static_cast<DWORD>(strlen(text)));
    }
};

unsigned char g_tables[6][256];
size_t g_sizes[6];

void BuildTables()
{
    for (int i = 0; i < 6; ++i) {
        TableWriter w{g_tables[i], 0};
        w.Entry(0, 0, "", 0);  // the empty entry that opens a table
        WORD id = static_cast<WORD>(i + 1);
        if (i != 5)
            w.Sound(id);
        size_t damaged = w.m_nSize;
        switch (i) {
        case 0:  // header shorter than its own fields
            w.Entry(10, 99, "bad!", 4, 8);
            break;
        case 1:  // header larger than the table
            w.Entry(10, 99, "bad!", 4, 0xFFFFFFF0u);
            break;
        case 2:  // data larger than the table
            w.Entry(10, 99, "bad!", 0x7FFFFFFFu);
            break;
        case 3:  // a name that is never terminated inside the header
            w.Dword(4), w.Dword(32), w.Word(0xFFFF), w.Word(10);
            for (int c = 0; c < 10; ++c)
                w.Word('A');
            w.Bytes("bad!", 4);
            break;
        case 4:  // the table ends in the middle of a header
            w.Entry(10, 99, "bad!", 4);
            break;
        case 5:  // garbage from the first entry on
            w.Dword(0xDEADBEEF), w.Dword(0x13);
            break;
        }
        w.Sound(static_cast<WORD>(20 + id));
        g_sizes[i] = i == 4 ? damaged + 20 : w.m_nSize;
    }
}

__attribute__((constructor)) void RegisterTables()
{
    BuildTables();
    for (int i = 0; i < 6; ++i)
        win32_loader_register_resources(g_tables[i], g_sizes[i]);
}

__attribute__((destructor)) void UnregisterTables()
{
    for (int i = 0; i < 6; ++i)
        win32_loader_unregister_resources(g_tables[i]);
}

}  // namespace

extern "C" __declspec(dllexport) int WINAPI BrokenTableCount()
{
    return 6;
}
