// Resource tables a module registers with the loader, as the fuzz target found them: an entry
// header that is not a whole number of DWORDs would put the string blocks at odd addresses.
#include <windows.h>

#include <win32api/loader.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A table in this program's image, registered for the lifetime of the object.
class ProgramTable {
public:
    ProgramTable()
    {
        std::memset(s_data, 0, sizeof s_data);
    }
    ~ProgramTable()
    {
        if (m_registered)
            win32_loader_unregister_resources(s_data);
    }
    ProgramTable(const ProgramTable &) = delete;
    ProgramTable &operator=(const ProgramTable &) = delete;

    // An entry with ordinal type and name: the 32-byte header, `padding` more header bytes, the data.
    void Entry(WORD type, WORD id, const void *data, DWORD size, DWORD padding = 0)
    {
        Dword(size);
        Dword(32 + padding);
        Word(0xFFFF), Word(type), Word(0xFFFF), Word(id);
        Dword(0), Word(0x1030), Word(0x0409), Dword(0), Dword(0);
        m_size += padding;
        Bytes(data, size);
        while (m_size % 4)
            ++m_size;
    }
    void Register()
    {
        win32_loader_register_resources(s_data, m_size);
        m_registered = true;
    }

private:
    void Bytes(const void *data, size_t size)
    {
        if (size)
            std::memcpy(s_data + m_size, data, size);
        m_size += size;
    }
    void Dword(DWORD value) { Bytes(&value, sizeof value); }
    void Word(WORD value) { Bytes(&value, sizeof value); }

    alignas(4) static inline BYTE s_data[512];
    size_t m_size = 0;
    bool m_registered = false;
};

}  // namespace

TEST(ResourceTableAlignment, HeaderOfOddSizeEndsTheTable)
{
    // String block 4001 (strings 64000..64015): string 64000 is "Hi".
    const WORD block[16] = {2, u'H', u'i'};
    const char sound[] = "sound";
    ProgramTable table;
    table.Entry(0, 0, nullptr, 0);
    table.Entry(10, 4000, sound, sizeof sound - 1);
    table.Entry(6, 4001, block, sizeof block, 1);  // RT_STRING behind a 33-byte header
    table.Entry(10, 4002, sound, sizeof sound - 1);
    table.Register();
    HMODULE self = GetModuleHandleW(NULL);

    EXPECT_NE(nullptr, FindResourceW(self, MAKEINTRESOURCEW(4000), RT_RCDATA)) << "the entry before stays";
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, FindResourceW(self, MAKEINTRESOURCEW(4001), RT_STRING));
    EXPECT_EQ(nullptr, FindResourceW(self, MAKEINTRESOURCEW(4002), RT_RCDATA)) << "nothing after it is read";
    WCHAR text[8] = {u'#'};
    EXPECT_EQ(0, LoadStringW(self, 64000, text, 8));
    EXPECT_EQ(0, text[0]);
}
