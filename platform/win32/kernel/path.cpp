// Mapping between Windows and Linux paths, and the UTF-8 the Linux side speaks.
#include "internal/path.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <vector>

namespace win32 {

std::string utf8_from_utf16(LPCWSTR text, size_t length)
{
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string utf8_from_utf16(LPCWSTR text)
{
    size_t length = 0;
    while (text[length])
        ++length;
    return utf8_from_utf16(text, length);
}

std::u16string utf16_from_utf8(const std::string &text)
{
    std::u16string out;
    out.reserve(text.size());
    const auto *s = reinterpret_cast<const unsigned char *>(text.data());
    size_t n = text.size();
    for (size_t i = 0; i < n;) {
        uint32_t c = s[i];
        int extra = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : -1;
        if (extra < 0) {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        if (extra > 0)
            c &= 0x3F >> extra;
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= n || (s[i + k] & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (s[i + k] & 0x3F);
        }
        if (!ok) {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        i += extra + 1;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

namespace {

bool exists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The entry of dir whose name equals name without regard to ASCII case, or empty.
std::string find_ignoring_case(const std::string &dir, const std::string &name)
{
    DIR *d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return std::string();
    std::string found;
    while (struct dirent *e = readdir(d)) {
        if (strcasecmp(e->d_name, name.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

}  // namespace

bool unix_path_from_dos(LPCWSTR dos, std::string &unix_path)
{
    if (!dos || !dos[0]) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    std::string text = utf8_from_utf16(dos);
    std::string rest;
    std::string result;
    if (text.size() >= 2 && text[1] == ':') {
        if (text[0] != 'Z' && text[0] != 'z') {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return false;
        }
        rest = text.substr(2);
        result = "/";
    } else if (!text.empty() && (text[0] == '\\' || text[0] == '/')) {
        result = "/";
        rest = text;
    } else {
        rest = text;
    }

    std::vector<std::string> parts;
    std::string part;
    for (char c : rest) {
        if (c == '\\' || c == '/') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(part);

    bool matching = true;  // stop matching case once a component is missing altogether
    for (const std::string &p : parts) {
        std::string name = p;
        if (matching && p != "." && p != "..") {
            std::string candidate = result + p;
            if (!exists(candidate)) {
                std::string other = find_ignoring_case(result, p);
                if (other.empty())
                    matching = false;
                else
                    name = other;
            }
        }
        result += name;
        result += '/';
    }
    if (!result.empty() && result != "/" && !(rest.size() && (rest.back() == '\\' || rest.back() == '/')))
        result.pop_back();
    unix_path = result;
    return true;
}

bool unix_path_from_dos(LPCSTR dos, std::string &unix_path)
{
    if (!dos || !dos[0]) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    int n = MultiByteToWideChar(CP_THREAD_ACP, 0, dos, -1, NULL, 0);
    if (n <= 0)
        return false;
    std::u16string wide(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, dos, -1, &wide[0], n);
    return unix_path_from_dos(wide.c_str(), unix_path);
}

std::u16string dos_path_from_unix(const std::string &unix_path)
{
    std::string text = "Z:";
    for (char c : unix_path)
        text += c == '/' ? '\\' : c;
    if (text == "Z:")
        text += '\\';
    return utf16_from_utf8(text);
}

}  // namespace win32
