// Mapping between Windows and Linux paths.
#include "internal/path.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <vector>

namespace win32 {

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
