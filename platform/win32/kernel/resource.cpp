// Resources: the compiled .res tables modules register, and FindResource/LoadResource over them.
#include "internal/image.h"

#include <win32api/loader.h>

#include <string.h>

#include <memory>
#include <mutex>
#include <vector>

namespace {

// A resource type or name: an integer identifier or a string, kept upper-cased for matching.
struct resource_key {
    bool is_id = false;
    WORD id = 0;
    std::u16string name;

    bool operator==(const resource_key &other) const
    {
        return is_id == other.is_id && (is_id ? id == other.id : name == other.name);
    }
};

struct resource_entry {
    resource_key type, name;
    WORD language;
    const BYTE *data;
    DWORD size;
};

struct resource_table {
    const void *origin;  // what the module registered
    HMODULE module;
    std::vector<std::unique_ptr<resource_entry>> entries;  // an HRSRC is one of these
};

struct resource_state {
    std::mutex lock;
    std::vector<resource_table> tables;
};

resource_state &resources()
{
    static resource_state *state = new resource_state;  // modules unregister from their destructors
    return *state;
}

char16_t fold(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

WORD read_word(const BYTE *p)
{
    WORD value;
    memcpy(&value, p, sizeof value);
    return value;
}

DWORD read_dword(const BYTE *p)
{
    DWORD value;
    memcpy(&value, p, sizeof value);
    return value;
}

// A type or name field of an entry header: 0xFFFF and an ordinal, or a terminated UTF-16 string.
bool read_key(const BYTE *&p, const BYTE *end, resource_key &key)
{
    if (end - p < 2)
        return false;
    if (read_word(p) == 0xFFFF) {
        if (end - p < 4)
            return false;
        key.is_id = true;
        key.id = read_word(p + 2);
        p += 4;
        return true;
    }
    key.is_id = false;
    for (;;) {
        if (end - p < 2)
            return false;
        WORD c = read_word(p);
        p += 2;
        if (c == 0)
            return true;
        key.name += fold(static_cast<char16_t>(c));
    }
}

size_t align4(size_t n)
{
    return (n + 3) & ~size_t(3);
}

// The 32-bit .res format: DWORD-aligned entries, each DataSize, HeaderSize, TYPE, NAME, then
// DataVersion, MemoryFlags, LanguageId, Version, Characteristics, then the data. Parsing stops at
// the first entry that does not fit or does not make sense; the entries before it stay.
std::vector<std::unique_ptr<resource_entry>> parse_table(const BYTE *table, size_t size)
{
    std::vector<std::unique_ptr<resource_entry>> entries;
    const size_t fixed_tail = 16;  // DataVersion .. Characteristics
    size_t offset = 0;
    while (size - offset >= 8) {
        const BYTE *entry = table + offset;
        size_t remaining = size - offset;
        DWORD data_size = read_dword(entry);
        DWORD header_size = read_dword(entry + 4);
        // A header that is not a whole number of DWORDs would leave the data, and every entry after
        // it, misaligned: string blocks are read as UTF-16 in place.
        if (header_size < 8 + 4 + 4 + fixed_tail || header_size % 4 != 0 || header_size > remaining ||
            data_size > remaining - header_size)
            break;
        const BYTE *header_end = entry + header_size;
        const BYTE *cursor = entry + 8;
        auto parsed = std::make_unique<resource_entry>();
        if (!read_key(cursor, header_end, parsed->type) || !read_key(cursor, header_end, parsed->name))
            break;
        cursor = entry + align4(static_cast<size_t>(cursor - entry));
        if (cursor > header_end || static_cast<size_t>(header_end - cursor) < fixed_tail)
            break;
        parsed->language = read_word(cursor + 6);
        parsed->data = entry + header_size;
        parsed->size = data_size;
        // The table opens with an empty entry of type 0 that only marks the 32-bit format.
        if (!(parsed->type.is_id && parsed->type.id == 0))
            entries.push_back(std::move(parsed));
        offset += align4(static_cast<size_t>(header_size) + data_size);
        if (offset > size)
            break;
    }
    return entries;
}

// "#123" names identifier 123; any other string is a name. False for a string that cannot name a
// resource ("#" without a decimal number below 65536).
bool key_from_argument(LPCWSTR argument, resource_key &key)
{
    if (IS_INTRESOURCE(argument)) {
        key.is_id = true;
        key.id = LOWORD(reinterpret_cast<ULONG_PTR>(argument));
        return true;
    }
    if (argument[0] == u'#') {
        DWORD value = 0;
        LPCWSTR digit = argument + 1;
        if (!*digit)
            return false;
        for (; *digit; ++digit) {
            if (*digit < u'0' || *digit > u'9')
                return false;
            value = value * 10 + static_cast<DWORD>(*digit - u'0');
            if (value > 0xFFFF)
                return false;
        }
        key.is_id = true;
        key.id = static_cast<WORD>(value);
        return true;
    }
    key.is_id = false;
    for (LPCWSTR c = argument; *c; ++c)
        key.name += fold(*c);
    return true;
}

// Without an explicit language: neutral, the thread's language, the user's default language,
// English, and then whatever language comes first; each language also by its primary language alone.
const resource_entry *choose_language(const std::vector<const resource_entry *> &candidates)
{
    std::vector<LANGID> preferences = {MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                       MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT)};
    for (LANGID wanted : {LANGIDFROMLCID(GetThreadLocale()), GetUserDefaultLangID(),
                          LANGID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US))}) {
        if (wanted == 0)
            continue;
        preferences.push_back(wanted);
        preferences.push_back(MAKELANGID(PRIMARYLANGID(wanted), SUBLANG_NEUTRAL));
    }
    for (LANGID wanted : preferences) {
        for (const resource_entry *entry : candidates) {
            if (entry->language == wanted)
                return entry;
        }
    }
    for (const resource_entry *entry : candidates) {
        if (PRIMARYLANGID(entry->language) == LANG_ENGLISH)
            return entry;
    }
    return candidates.front();
}

HRSRC find_resource(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, bool any_language)
{
    if (!module)
        module = win32::executable_module();
    if (!type || !name) {
        SetLastError(!type ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_RESOURCE_NAME_NOT_FOUND);
        return NULL;
    }
    resource_key type_key, name_key;
    bool type_valid = key_from_argument(type, type_key);
    bool name_valid = key_from_argument(name, name_key);

    resource_state &s = resources();
    std::lock_guard<std::mutex> guard(s.lock);
    bool has_table = false, type_found = false;
    std::vector<const resource_entry *> candidates;
    for (const auto &table : s.tables) {
        if (table.module != module)
            continue;
        has_table = true;
        for (const auto &entry : table.entries) {
            if (!type_valid || !(entry->type == type_key))
                continue;
            type_found = true;
            if (name_valid && entry->name == name_key)
                candidates.push_back(entry.get());
        }
    }
    if (!has_table) {
        SetLastError(win32::is_module(module) ? ERROR_RESOURCE_DATA_NOT_FOUND : ERROR_INVALID_HANDLE);
        return NULL;
    }
    if (!type_found) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return NULL;
    }
    if (candidates.empty()) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return NULL;
    }
    if (any_language)
        return reinterpret_cast<HRSRC>(const_cast<resource_entry *>(choose_language(candidates)));
    for (const resource_entry *entry : candidates) {
        if (entry->language == language)
            return reinterpret_cast<HRSRC>(const_cast<resource_entry *>(entry));
    }
    SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
    return NULL;
}

// The entry behind a handle, if it still belongs to a registered table; the lock must be held.
const resource_entry *entry_from_handle(resource_state &s, HRSRC handle)
{
    for (const auto &table : s.tables) {
        for (const auto &entry : table.entries) {
            if (reinterpret_cast<HRSRC>(entry.get()) == handle)
                return entry.get();
        }
    }
    return nullptr;
}

bool wide_argument(LPCSTR argument, std::u16string &wide)
{
    int length = MultiByteToWideChar(CP_ACP, 0, argument, -1, NULL, 0);
    if (length <= 0)
        return false;
    wide.assign(static_cast<size_t>(length), u'\0');
    return MultiByteToWideChar(CP_ACP, 0, argument, -1, &wide[0], length) > 0;
}

}  // namespace

namespace win32 {

void drop_module_resources(HMODULE module)
{
    resource_state &s = resources();
    std::lock_guard<std::mutex> guard(s.lock);
    for (auto it = s.tables.begin(); it != s.tables.end();) {
        if (it->module == module)
            it = s.tables.erase(it);
        else
            ++it;
    }
}

}  // namespace win32

void win32_loader_register_resources(const void *data, size_t size)
{
    HMODULE module = win32::module_from_address(data);
    if (!module || !data)
        return;
    resource_table table{data, module, parse_table(static_cast<const BYTE *>(data), size)};
    resource_state &s = resources();
    std::lock_guard<std::mutex> guard(s.lock);
    s.tables.push_back(std::move(table));
}

void win32_loader_unregister_resources(const void *data)
{
    resource_state &s = resources();
    std::lock_guard<std::mutex> guard(s.lock);
    for (auto it = s.tables.begin(); it != s.tables.end(); ++it) {
        if (it->origin == data) {
            s.tables.erase(it);
            return;
        }
    }
}

// Integer identifiers and names (case-insensitive, "#n" for identifier n). A null module is the
// executable.
HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType)
{
    return find_resource(hModule, lpType, lpName, 0, true);
}

// Language 0 (neutral) chooses as FindResourceW does; any other language must match exactly.
HRSRC WINAPI FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage)
{
    return find_resource(hModule, lpType, lpName, wLanguage, wLanguage == 0);
}

HRSRC WINAPI FindResourceExA(HMODULE hModule, LPCSTR lpType, LPCSTR lpName, WORD wLanguage)
{
    std::u16string type, name;
    LPCWSTR wide_type = reinterpret_cast<LPCWSTR>(lpType);
    LPCWSTR wide_name = reinterpret_cast<LPCWSTR>(lpName);
    if (lpType && !IS_INTRESOURCE(lpType)) {
        if (!wide_argument(lpType, type)) {
            SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
            return NULL;
        }
        wide_type = type.c_str();
    }
    if (lpName && !IS_INTRESOURCE(lpName)) {
        if (!wide_argument(lpName, name)) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return NULL;
        }
        wide_name = name.c_str();
    }
    return FindResourceExW(hModule, wide_type, wide_name, wLanguage);
}

HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType)
{
    return FindResourceExA(hModule, lpType, lpName, 0);
}

// The data lie in the module's image: loading is handing out their address.
HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo)
{
    UNREFERENCED_PARAMETER(hModule);
    if (!hResInfo)
        return NULL;
    resource_state &s = resources();
    std::lock_guard<std::mutex> guard(s.lock);
    const resource_entry *entry = entry_from_handle(s, hResInfo);
    if (!entry) {
        SetLastError(ERROR_INVALID_HANDLE);
        return NULL;
    }
    return const_cast<BYTE *>(entry->data);
}

LPVOID WINAPI LockResource(HGLOBAL hResData)
{
    return hResData;
}

DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo)
{
    UNREFERENCED_PARAMETER(hModule);
    resource_state &s = resources();
    std::lock_guard<std::mutex> guard(s.lock);
    const resource_entry *entry = hResInfo ? entry_from_handle(s, hResInfo) : nullptr;
    if (!entry) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return entry->size;
}

// Resources are never loaded into memory of their own, so there is nothing to free.
BOOL WINAPI FreeResource(HGLOBAL hResData)
{
    UNREFERENCED_PARAMETER(hResData);
    return FALSE;
}
