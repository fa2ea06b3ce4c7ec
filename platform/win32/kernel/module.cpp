// Mapped modules: handles by name, file names, and VirtualQuery over /proc/self/maps.
#include "internal/image.h"
#include "internal/path.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>

namespace win32 {
namespace {

uintptr_t page_size()
{
    static const uintptr_t size = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    return size;
}

// The mapping start of an image is its lowest PT_LOAD segment rounded down to a page, which is
// what the dynamic linker reports as dli_fbase.
int collect_module(struct dl_phdr_info *info, size_t, void *data)
{
    auto *modules = static_cast<std::vector<mapped_module> *>(data);
    uintptr_t lowest = UINTPTR_MAX;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        if (info->dlpi_phdr[i].p_type == PT_LOAD)
            lowest = std::min<uintptr_t>(lowest, info->dlpi_phdr[i].p_vaddr);
    }
    if (lowest == UINTPTR_MAX)
        return 0;
    uintptr_t base = (info->dlpi_addr + lowest) & ~(page_size() - 1);
    modules->push_back({reinterpret_cast<HMODULE>(base), info->dlpi_name ? info->dlpi_name : ""});
    return 0;
}

// Read once: the program's file name is the one it was started from, as on Windows, where the
// name is recorded when the process starts.
const std::string &executable_path()
{
    static const std::string path = [] {
        char buffer[PATH_MAX];
        ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        return length > 0 ? std::string(buffer, static_cast<size_t>(length)) : std::string();
    }();
    return path;
}

std::string absolute_path(const std::string &path)
{
    if (path.empty() || path[0] == '/')
        return path;
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) ? std::string(buffer) : path;
}

char16_t fold(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool has_separator(LPCWSTR name)
{
    for (; *name; ++name) {
        if (*name == u'\\' || *name == u'/' || *name == u':')
            return true;
    }
    return false;
}

std::u16string file_name_of(const std::string &unix_path)
{
    size_t slash = unix_path.rfind('/');
    return utf16_from_utf8(slash == std::string::npos ? unix_path : unix_path.substr(slash + 1));
}

// The Windows path of a module (null: the executable) for a caller with or without room for it;
// false with Windows' last error when the module is unknown or there is no room at all.
bool module_dos_path(HMODULE module, bool has_room, std::u16string &dos)
{
    // The program's name never changes, so its Windows form is made once.
    static const std::u16string executable_dos =
        executable_path().empty() ? std::u16string() : dos_path_from_unix(executable_path());
    bool executable = !module || module == executable_module();
    std::string path = executable ? std::string() : module_unix_path(module);
    if (executable ? executable_dos.empty() : path.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return false;
    }
    if (!has_room) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    dos = executable ? executable_dos : dos_path_from_unix(path);
    return true;
}

}  // namespace

std::vector<mapped_module> mapped_modules()
{
    std::vector<mapped_module> modules;
    dl_iterate_phdr(collect_module, &modules);
    // The first object the dynamic linker reports is the executable, named "".
    if (!modules.empty())
        modules.front().path = executable_path();
    for (auto &module : modules)
        module.path = absolute_path(module.path);
    return modules;
}

// The dynamic linker's index of mapped objects answers without a lock and without the symbol search
// that dladdr makes for a name.
HMODULE module_from_address(const void *address)
{
    dl_find_object found;
    if (!address || _dl_find_object(const_cast<void *>(address), &found) != 0 || !found.dlfo_map_start)
        return NULL;
    return static_cast<HMODULE>(found.dlfo_map_start);
}

HMODULE executable_module()
{
    static const HMODULE executable = [] {
        std::vector<mapped_module> modules = mapped_modules();
        return modules.empty() ? HMODULE(NULL) : modules.front().base;
    }();
    return executable;
}

bool is_module(HMODULE module)
{
    return module && module_from_address(module) == module;
}

// The dynamic linker names the image that holds an address directly; only the executable's name
// comes from the process itself.
std::string module_unix_path(HMODULE module)
{
    dl_find_object found;
    if (!module || _dl_find_object(module, &found) != 0 || found.dlfo_map_start != module)
        return std::string();
    if (module == executable_module())
        return executable_path();
    const char *name = found.dlfo_link_map ? found.dlfo_link_map->l_name : nullptr;
    return absolute_path(name ? name : "");
}

std::u16string module_name_with_extension(LPCWSTR name)
{
    std::u16string result(name);
    size_t file_start = result.find_last_of(u"\\/");
    file_start = file_start == std::u16string::npos ? 0 : file_start + 1;
    if (!result.empty() && result.back() == u'.')
        result.pop_back();
    else if (result.find(u'.', file_start) == std::u16string::npos)
        result += u".dll";
    return result;
}

bool module_names_equal(const std::u16string &a, const std::u16string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

}  // namespace win32

// A name with a path matches the module of that file; a bare name matches a module's file name
// without regard to case, as on Windows.
HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName)
{
    if (!lpModuleName)
        return win32::executable_module();
    std::u16string wanted = win32::module_name_with_extension(lpModuleName);
    std::string wanted_path;
    bool by_path = win32::has_separator(lpModuleName);
    if (by_path && !win32::unix_path_from_dos(wanted.c_str(), wanted_path)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return NULL;
    }
    if (by_path)
        wanted_path = win32::absolute_path(wanted_path);
    for (const auto &module : win32::mapped_modules()) {
        bool match = by_path ? module.path == wanted_path
                             : win32::module_names_equal(win32::file_name_of(module.path), wanted);
        if (match)
            return module.base;
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return NULL;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName)
{
    if (!lpModuleName)
        return win32::executable_module();
    int length = MultiByteToWideChar(CP_ACP, 0, lpModuleName, -1, NULL, 0);
    if (length <= 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return NULL;
    }
    std::u16string wide(static_cast<size_t>(length), u'\0');
    MultiByteToWideChar(CP_ACP, 0, lpModuleName, -1, &wide[0], length);
    return GetModuleHandleW(wide.c_str());
}

// Vista and later: a name that does not fit is cut to nSize - 1 characters and terminated, and the
// answer is nSize with ERROR_INSUFFICIENT_BUFFER.
DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    std::u16string dos;
    if (!win32::module_dos_path(hModule, nSize && lpFilename, dos))
        return 0;
    if (dos.size() < nSize) {
        std::copy(dos.begin(), dos.end(), lpFilename);
        lpFilename[dos.size()] = u'\0';
        return static_cast<DWORD>(dos.size());
    }
    std::copy(dos.begin(), dos.begin() + (nSize - 1), lpFilename);
    lpFilename[nSize - 1] = u'\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
}

// The same in the ANSI code page. A cut never splits a character: whole characters are kept
// while they fit in nSize - 1 bytes.
DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize)
{
    std::u16string dos;
    if (!win32::module_dos_path(hModule, nSize && lpFilename, dos))
        return 0;
    std::string narrow;
    for (size_t i = 0; i < dos.size();) {
        int units = (dos[i] >= 0xD800 && dos[i] <= 0xDBFF && i + 1 < dos.size()) ? 2 : 1;
        char bytes[8];
        int count = WideCharToMultiByte(CP_ACP, 0, &dos[i], units, bytes, sizeof bytes, NULL, NULL);
        if (count <= 0) {
            bytes[0] = '?';
            count = 1;
        }
        if (narrow.size() + static_cast<size_t>(count) > nSize - 1) {
            std::copy(narrow.begin(), narrow.end(), lpFilename);
            lpFilename[narrow.size()] = '\0';
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return nSize;
        }
        narrow.append(bytes, static_cast<size_t>(count));
        i += static_cast<size_t>(units);
    }
    std::copy(narrow.begin(), narrow.end(), lpFilename);
    lpFilename[narrow.size()] = '\0';
    return static_cast<DWORD>(narrow.size());
}
