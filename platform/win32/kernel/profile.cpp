// Initialization files: GetPrivateProfileString/Int, WritePrivateProfileString and the hex-coded
// structures, over the layer's own file functions so the Windows path rules apply.
#include <windows.h>

#include <string.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

// Every call reads the whole file and a write replaces it, so one lock keeps a read from seeing
// half of another thread's write.
std::mutex profile_lock;

enum class text_encoding { ansi, utf8, utf16 };

struct ini_file {
    bool exists = false;
    text_encoding encoding = text_encoding::ansi;
    std::vector<std::u16string> lines;
};

bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string trim(const std::u16string &s)
{
    size_t b = 0, e = s.size();
    while (b < e && is_blank(s[b])) ++b;
    while (e > b && is_blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool same_name(const std::u16string &a, LPCWSTR b) { return lstrcmpiW(a.c_str(), b) == 0; }

std::u16string decode(const std::vector<char> &bytes, text_encoding &encoding)
{
    const unsigned char *p = reinterpret_cast<const unsigned char *>(bytes.data());
    size_t n = bytes.size();
    std::u16string text;
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        encoding = text_encoding::utf16;
        for (size_t i = 2; i + 1 < n; i += 2) text.push_back(char16_t(p[i] | (p[i + 1] << 8)));
        return text;
    }
    UINT cp = CP_ACP;
    size_t skip = 0;
    encoding = text_encoding::ansi;
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
        encoding = text_encoding::utf8;
        cp = CP_UTF8;
        skip = 3;
    }
    if (n == skip) return text;
    int len = MultiByteToWideChar(cp, 0, bytes.data() + skip, int(n - skip), NULL, 0);
    if (len <= 0) return text;
    text.resize(size_t(len));
    MultiByteToWideChar(cp, 0, bytes.data() + skip, int(n - skip), &text[0], len);
    return text;
}

std::vector<char> encode(const std::u16string &text, text_encoding encoding)
{
    std::vector<char> bytes;
    if (encoding == text_encoding::utf16) {
        bytes.push_back(char(0xFF));
        bytes.push_back(char(0xFE));
        for (char16_t c : text) {
            bytes.push_back(char(c & 0xFF));
            bytes.push_back(char(c >> 8));
        }
        return bytes;
    }
    UINT cp = encoding == text_encoding::utf8 ? CP_UTF8 : CP_ACP;
    if (encoding == text_encoding::utf8) bytes.assign({char(0xEF), char(0xBB), char(0xBF)});
    if (text.empty()) return bytes;
    int len = WideCharToMultiByte(cp, 0, text.data(), int(text.size()), NULL, 0, NULL, NULL);
    if (len <= 0) return bytes;
    size_t start = bytes.size();
    bytes.resize(start + size_t(len));
    WideCharToMultiByte(cp, 0, text.data(), int(text.size()), bytes.data() + start, len, NULL, NULL);
    return bytes;
}

// Reads the file; a missing file is an empty one (exists = false) and leaves ERROR_FILE_NOT_FOUND.
bool load(LPCWSTR name, ini_file &ini)
{
    HANDLE h = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::vector<char> bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(h, chunk, sizeof chunk, &got, NULL) && got > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    CloseHandle(h);
    ini.exists = true;
    std::u16string text = decode(bytes, ini.encoding);
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\r' && text[i] != u'\n') continue;
        if (i < text.size() || start < i) ini.lines.push_back(text.substr(start, i - start));
        if (i + 1 < text.size() && text[i] == u'\r' && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    return true;
}

bool store(LPCWSTR name, const ini_file &ini)
{
    std::u16string text;
    for (const std::u16string &line : ini.lines) text += line + u"\r\n";
    std::vector<char> bytes = encode(text, ini.encoding);
    HANDLE h = CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || (WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, NULL) && written == bytes.size());
    DWORD error = ok ? 0 : GetLastError();
    CloseHandle(h);
    if (!ok) SetLastError(error);
    return ok;
}

// "[name]" (the closing bracket may be missing); blank and ';' comment lines are neither
// sections nor keys.
bool section_name(const std::u16string &line, std::u16string &name)
{
    std::u16string t = trim(line);
    if (t.empty() || t[0] != u'[') return false;
    size_t close = t.find(u']');
    name = trim(t.substr(1, close == std::u16string::npos ? std::u16string::npos : close - 1));
    return true;
}

bool key_line(const std::u16string &line, std::u16string &key, std::u16string &value)
{
    std::u16string t = trim(line);
    if (t.empty() || t[0] == u';' || t[0] == u'[') return false;
    size_t eq = t.find(u'=');
    key = trim(t.substr(0, eq));
    value = eq == std::u16string::npos ? std::u16string() : trim(t.substr(eq + 1));
    return true;
}

// The section's header line and the end of its body (the next header or the end of the file);
// the first section of that name wins.
bool find_section(const ini_file &ini, LPCWSTR section, size_t &header, size_t &end)
{
    std::u16string name;
    for (size_t i = 0; i < ini.lines.size(); ++i) {
        if (!section_name(ini.lines[i], name) || !same_name(name, section)) continue;
        header = i;
        for (end = i + 1; end < ini.lines.size() && !section_name(ini.lines[end], name); ++end) {}
        return true;
    }
    return false;
}

bool find_key(const ini_file &ini, size_t header, size_t end, LPCWSTR key_name, size_t &line, std::u16string &value)
{
    std::u16string key;
    for (size_t i = header + 1; i < end; ++i) {
        if (key_line(ini.lines[i], key, value) && same_name(key, key_name)) {
            line = i;
            return true;
        }
    }
    return false;
}

// A value in matching single or double quotes loses them.
std::u16string unquote(const std::u16string &value)
{
    size_t n = value.size();
    if (n >= 2 && (value[0] == u'"' || value[0] == u'\'') && value[n - 1] == value[0]) return value.substr(1, n - 2);
    return value;
}

DWORD copy_value(const std::u16string &value, LPWSTR buffer, DWORD size)
{
    DWORD n = DWORD(value.size()) < size - 1 ? DWORD(value.size()) : size - 1;
    value.copy(buffer, n);
    buffer[n] = 0;
    return n;
}

// Names, each ended by a null and the list by one more. A list that does not fit is cut and
// still double-terminated, and the answer is size - 2, as Windows reports truncation.
DWORD copy_list(const std::vector<std::u16string> &names, LPWSTR buffer, DWORD size)
{
    if (size < 2) {
        buffer[0] = 0;
        return 0;
    }
    DWORD pos = 0;
    for (const std::u16string &name : names) {
        if (pos + name.size() + 1 > size - 1) {
            // The names before may already fill the buffer up to its last two characters.
            DWORD room = pos < size - 2 ? size - 2 - pos : 0;
            name.copy(buffer + pos, room);
            buffer[size - 2] = 0;
            buffer[size - 1] = 0;
            return size - 2;
        }
        name.copy(buffer + pos, name.size());
        pos += DWORD(name.size());
        buffer[pos++] = 0;
    }
    buffer[pos] = 0;
    return pos;
}

DWORD read_string(LPCWSTR app, LPCWSTR key, LPCWSTR def, LPWSTR buffer, DWORD size, LPCWSTR file)
{
    ini_file ini;
    std::lock_guard<std::mutex> guard(profile_lock);
    bool loaded = load(file, ini);

    if (app == NULL) {
        std::vector<std::u16string> names;
        std::u16string name;
        for (const std::u16string &line : ini.lines)
            if (section_name(line, name)) names.push_back(name);
        return copy_list(names, buffer, size);
    }
    size_t header = 0, end = 0;
    bool found_section = find_section(ini, app, header, end);
    if (key == NULL) {
        std::vector<std::u16string> names;
        std::u16string name, value;
        for (size_t i = header + 1; found_section && i < end; ++i)
            if (key_line(ini.lines[i], name, value)) names.push_back(name);
        return copy_list(names, buffer, size);
    }
    size_t line = 0;
    std::u16string value;
    if (found_section && find_key(ini, header, end, key, line, value)) return copy_value(unquote(value), buffer, size);

    // The default loses its trailing blanks, as Windows trims it.
    std::u16string fallback = def ? std::u16string(def) : std::u16string();
    while (!fallback.empty() && is_blank(fallback.back())) fallback.pop_back();
    if (loaded) SetLastError(ERROR_FILE_NOT_FOUND);
    return copy_value(fallback, buffer, size);
}

}  // namespace

DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault, LPWSTR lpReturnedString,
                                      DWORD nSize, LPCWSTR lpFileName)
{
    if (lpReturnedString == NULL || nSize == 0) return 0;
    if (lpFileName == NULL || *lpFileName == 0) {
        lpReturnedString[0] = 0;
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    try {
        return read_string(lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize, lpFileName);
    } catch (...) {
        lpReturnedString[0] = 0;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

// Decimal with an optional sign; text after the digits is ignored and a value that is not a
// number reads as 0. A missing or empty value answers the default.
UINT WINAPI GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault, LPCWSTR lpFileName)
{
    WCHAR text[64];
    DWORD n = GetPrivateProfileStringW(lpAppName, lpKeyName, TEXT(""), text, 64, lpFileName);
    if (n == 0) return UINT(nDefault);
    const WCHAR *p = text;
    bool negative = false;
    if (*p == u'-' || *p == u'+') negative = *p++ == u'-';
    UINT value = 0;
    for (; *p >= u'0' && *p <= u'9'; ++p) value = value * 10 + UINT(*p - u'0');
    return negative ? UINT(0) - value : value;
}

// A null key removes the whole section, a null string removes the key; neither creates the file.
BOOL WINAPI WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString, LPCWSTR lpFileName)
{
    if (lpAppName == NULL || lpFileName == NULL || *lpFileName == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    try {
        std::lock_guard<std::mutex> guard(profile_lock);
        ini_file ini;
        DWORD saved = GetLastError();
        if (!load(lpFileName, ini)) {
            DWORD error = GetLastError();
            if (error != ERROR_FILE_NOT_FOUND) return FALSE;   // a missing folder fails the write too
        }
        SetLastError(saved);

        size_t header = 0, end = 0;
        bool found_section = find_section(ini, lpAppName, header, end);
        if (lpKeyName == NULL) {
            if (!found_section) return TRUE;
            ini.lines.erase(ini.lines.begin() + ptrdiff_t(header), ini.lines.begin() + ptrdiff_t(end));
            return store(lpFileName, ini);
        }
        size_t line = 0;
        std::u16string value;
        bool found_key = found_section && find_key(ini, header, end, lpKeyName, line, value);
        if (lpString == NULL) {
            if (!found_key) return TRUE;
            ini.lines.erase(ini.lines.begin() + ptrdiff_t(line));
            return store(lpFileName, ini);
        }
        std::u16string entry = std::u16string(lpKeyName) + u"=" + lpString;
        if (found_key) {
            // The key keeps the spelling it had in the file; only the value changes.
            std::u16string key;
            key_line(ini.lines[line], key, value);
            ini.lines[line] = key + u"=" + lpString;
        } else if (found_section) {
            // After the section's last non-blank line, so blank separators stay between sections.
            size_t at = end;
            while (at > header + 1 && trim(ini.lines[at - 1]).empty()) --at;
            ini.lines.insert(ini.lines.begin() + ptrdiff_t(at), entry);
        } else {
            ini.lines.push_back(u"[" + std::u16string(lpAppName) + u"]");
            ini.lines.push_back(entry);
        }
        return store(lpFileName, ini);
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

// The bytes as upper-case hex pairs, followed by one more pair: the sum of the bytes modulo 256.
BOOL WINAPI WritePrivateProfileStructW(LPCWSTR lpszSection, LPCWSTR lpszKey, LPVOID lpStruct, UINT uSizeStruct,
                                       LPCWSTR szFile)
{
    if (lpStruct == NULL) return WritePrivateProfileStringW(lpszSection, lpszKey, NULL, szFile);
    static const char16_t digits[] = u"0123456789ABCDEF";
    std::u16string text;
    try {
        text.reserve(size_t(uSizeStruct) * 2 + 2);
        const BYTE *p = static_cast<const BYTE *>(lpStruct);
        BYTE sum = 0;
        for (UINT i = 0; i < uSizeStruct; ++i) {
            text.push_back(digits[p[i] >> 4]);
            text.push_back(digits[p[i] & 15]);
            sum = BYTE(sum + p[i]);
        }
        text.push_back(digits[sum >> 4]);
        text.push_back(digits[sum & 15]);
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return WritePrivateProfileStringW(lpszSection, lpszKey, text.c_str(), szFile);
}

static int hex_digit(WCHAR c)
{
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

// The value must hold exactly the structure's bytes and the checksum; the structure is written
// only when both agree.
BOOL WINAPI GetPrivateProfileStructW(LPCWSTR lpszSection, LPCWSTR lpszKey, LPVOID lpStruct, UINT uSizeStruct,
                                     LPCWSTR szFile)
{
    if (lpszSection == NULL || lpszKey == NULL || lpStruct == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<WCHAR> text;
    std::vector<BYTE> bytes;
    try {
        text.resize(size_t(uSizeStruct) * 2 + 4);
        bytes.resize(size_t(uSizeStruct) + 1);
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    DWORD n = GetPrivateProfileStringW(lpszSection, lpszKey, NULL, text.data(), DWORD(text.size()), szFile);
    if (n == 0) return FALSE;
    if (n != DWORD(uSizeStruct) * 2 + 2) {
        SetLastError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    BYTE sum = 0;
    for (UINT i = 0; i <= uSizeStruct; ++i) {
        int hi = hex_digit(text[2 * i]), lo = hex_digit(text[2 * i + 1]);
        if (hi < 0 || lo < 0) {
            SetLastError(ERROR_INVALID_DATA);
            return FALSE;
        }
        bytes[i] = BYTE(hi << 4 | lo);
        if (i < uSizeStruct) sum = BYTE(sum + bytes[i]);
    }
    if (sum != bytes[uSizeStruct]) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    if (uSizeStruct) memcpy(lpStruct, bytes.data(), uSizeStruct);
    return TRUE;
}
