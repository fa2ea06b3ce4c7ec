// A compiled resource table (.res layout) as a resource compiler writes it: the empty entry that
// marks the 32-bit format first, then each entry's header and data, DWORD-aligned.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace fuzz {

// A resource type or name: an ordinal, or a string when text is not empty.
struct res_key {
    WORD id = 0;
    std::u16string text;
    res_key(WORD ordinal) : id(ordinal) {}
    res_key(const char16_t *name) : text(name) {}
};

class res_writer {
public:
    res_writer() { add(WORD(0), WORD(0), nullptr, 0, 0); }

    void add(const res_key &type, const res_key &name, const BYTE *data, size_t size, WORD language = 0x0409)
    {
        size_t start = bytes_.size();
        put_dword(DWORD(size));
        put_dword(0);  // the header's size, known once the names are in
        put_key(type);
        put_key(name);
        while ((bytes_.size() - start) % 4)
            bytes_.push_back(0);
        put_dword(0);       // DataVersion
        put_word(0x1030);   // MemoryFlags
        put_word(language);
        put_dword(0);       // Version
        put_dword(0);       // Characteristics
        DWORD header = DWORD(bytes_.size() - start);
        for (int i = 0; i < 4; ++i)
            bytes_[start + 4 + i] = BYTE(header >> (8 * i));
        if (size)
            bytes_.insert(bytes_.end(), data, data + size);
        while (bytes_.size() % 4)
            bytes_.push_back(0);
    }

    const std::vector<BYTE> &bytes() const { return bytes_; }

private:
    void put_word(WORD w)
    {
        bytes_.push_back(BYTE(w));
        bytes_.push_back(BYTE(w >> 8));
    }
    void put_dword(DWORD d)
    {
        put_word(WORD(d));
        put_word(WORD(d >> 16));
    }
    void put_key(const res_key &key)
    {
        if (key.text.empty()) {
            put_word(0xFFFF);
            put_word(key.id);
            return;
        }
        for (char16_t c : key.text)
            put_word(WORD(c));
        put_word(0);
    }

    std::vector<BYTE> bytes_;
};

}  // namespace fuzz
