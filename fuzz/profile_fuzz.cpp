// An initialisation file as GetPrivateProfile* read it: the section list, each section's key list
// and values, into buffers of every small size and into a large one; then one write read back.
// The first input byte chooses the small buffer's size, the rest is the file.
#include "support/scratch_file.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// A name list ends with two nulls inside the buffer: after its last name when the list fits (the
// count leaves out the final null), or, when cut, at size - 2 and size - 1 (the count is size - 2).
void check_list(const std::vector<WCHAR> &buffer, DWORD count)
{
    DWORD size = DWORD(buffer.size());
    if (size < 2)
        return;
    bool whole = count < size && buffer[count] == 0 && (count == 0 || buffer[count - 1] == 0);
    bool cut = count == size - 2 && buffer[size - 2] == 0 && buffer[size - 1] == 0;
    if (!whole && !cut)
        std::abort();
}

void check_string(const std::vector<WCHAR> &buffer, DWORD count)
{
    if (count >= buffer.size() || buffer[count] != 0)
        std::abort();
}

// The names of a list, one after another.
std::vector<std::u16string> split(const std::vector<WCHAR> &list)
{
    std::vector<std::u16string> names;
    for (size_t i = 0; i < list.size() && list[i]; ) {
        std::u16string name(&list[i]);
        i += name.size() + 1;
        names.push_back(name);
    }
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzz::scratch_file file(u".ini");
    if (size < 1)
        return 0;
    DWORD small = data[0] % 40 + 1;
    file.write(data + 1, size - 1);
    LPCWSTR path = file.path();

    // Exactly sized heap buffers: a write past the end is caught.
    std::vector<WCHAR> cut(small), whole(1 << 16);
    DWORD n = GetPrivateProfileStringW(NULL, NULL, TEXT(""), cut.data(), small, path);
    check_list(cut, n);
    n = GetPrivateProfileStringW(NULL, NULL, TEXT(""), whole.data(), DWORD(whole.size()), path);
    check_list(whole, n);
    std::vector<std::u16string> sections = split(whole);

    for (size_t s = 0; s < sections.size() && s < 4; ++s) {
        LPCWSTR section = sections[s].c_str();
        n = GetPrivateProfileStringW(section, NULL, TEXT(""), cut.data(), small, path);
        check_list(cut, n);
        n = GetPrivateProfileStringW(section, NULL, TEXT(""), whole.data(), DWORD(whole.size()), path);
        check_list(whole, n);
        std::vector<std::u16string> keys = split(whole);
        for (size_t k = 0; k < keys.size() && k < 4; ++k) {
            LPCWSTR key = keys[k].c_str();
            n = GetPrivateProfileStringW(section, key, TEXT("default "), cut.data(), small, path);
            check_string(cut, n);
            GetPrivateProfileIntW(section, key, -1, path);
            BYTE record[4];
            GetPrivateProfileStructW(section, key, record, sizeof record, path);
        }
    }

    // A value written into the first section reads back as written, whatever the file held.
    if (!sections.empty()) {
        LPCWSTR section = sections[0].c_str();
        if (WritePrivateProfileStringW(section, TEXT("FuzzKey"), TEXT("written"), path)) {
            WCHAR back[16];
            n = GetPrivateProfileStringW(section, TEXT("FuzzKey"), TEXT(""), back, 16, path);
            if (std::u16string(back, n) != u"written")
                std::abort();
        }
    }
    return 0;
}
