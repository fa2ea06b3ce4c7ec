// VirtualQuery: the process's address space as Windows describes it, read from /proc/self/maps.
#include "internal/image.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

struct mapping {
    uintptr_t start, end;
    bool read, write, execute;
    std::string path;  // empty for anonymous memory
};

std::string read_maps()
{
    std::string text;
    int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return text;
    char buffer[8192];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return text;
}

std::vector<mapping> parse_maps(const std::string &text)
{
    std::vector<mapping> maps;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string::npos)
            eol = text.size();
        std::string line = text.substr(pos, eol - pos);
        pos = eol + 1;
        // start-end perms offset dev inode [path]
        char *cursor = &line[0];
        char *next = nullptr;
        mapping m{};
        m.start = strtoull(cursor, &next, 16);
        if (next == cursor || *next != '-')
            continue;
        cursor = next + 1;
        m.end = strtoull(cursor, &next, 16);
        if (next == cursor || *next != ' ' || line.size() < static_cast<size_t>(next - &line[0]) + 5)
            continue;
        m.read = next[1] == 'r';
        m.write = next[2] == 'w';
        m.execute = next[3] == 'x';
        // The path begins after the fifth field.
        size_t field = 0, i = static_cast<size_t>(next - &line[0]);
        while (i < line.size() && field < 5) {
            while (i < line.size() && line[i] == ' ')
                ++i;
            while (i < line.size() && line[i] != ' ')
                ++i;
            ++field;
        }
        while (i < line.size() && line[i] == ' ')
            ++i;
        m.path = line.substr(i);
        maps.push_back(m);
    }
    return maps;
}

DWORD protection_of(const mapping &m)
{
    if (m.execute)
        return m.write ? PAGE_EXECUTE_READWRITE : m.read ? PAGE_EXECUTE_READ : PAGE_EXECUTE;
    if (m.write)
        return PAGE_READWRITE;
    return m.read ? PAGE_READONLY : PAGE_NOACCESS;
}

bool same_kind(const mapping &a, const mapping &b)
{
    return a.read == b.read && a.write == b.write && a.execute == b.execute && a.path == b.path;
}

bool is_file(const mapping &m)
{
    return !m.path.empty() && m.path[0] == '/';
}

}  // namespace

// Inside a module image: MEM_IMAGE, committed, allocation base = the module. Other mappings:
// MEM_MAPPED for file views, MEM_PRIVATE otherwise; inaccessible private pages count as reserved.
// A region runs from the queried page over neighbouring mappings of the same kind.
SIZE_T WINAPI VirtualQuery(LPCVOID lpAddress, PMEMORY_BASIC_INFORMATION lpBuffer, SIZE_T dwLength)
{
    if (dwLength < sizeof(MEMORY_BASIC_INFORMATION)) {
        SetLastError(ERROR_BAD_LENGTH);
        return 0;
    }
    // The highest user address of x86-64 Linux.
    const uintptr_t user_limit = (uintptr_t(1) << 47) - 1;
    uintptr_t address = reinterpret_cast<uintptr_t>(lpAddress);
    if (!lpBuffer || address > user_limit) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    uintptr_t base = address & ~(page - 1);
    std::vector<mapping> maps = parse_maps(read_maps());

    MEMORY_BASIC_INFORMATION info{};
    info.BaseAddress = reinterpret_cast<PVOID>(base);
    size_t index = 0;
    while (index < maps.size() && maps[index].end <= address)
        ++index;
    if (index == maps.size() || maps[index].start > address) {
        uintptr_t end = index == maps.size() ? user_limit + 1 : maps[index].start;
        info.RegionSize = end - base;
        info.State = MEM_FREE;
        info.Protect = PAGE_NOACCESS;
        *lpBuffer = info;
        return sizeof info;
    }

    const mapping &here = maps[index];
    uintptr_t end = here.end;
    for (size_t next = index + 1; next < maps.size() && maps[next].start == end && same_kind(here, maps[next]);
         ++next)
        end = maps[next].end;
    info.RegionSize = end - base;
    info.Protect = protection_of(here);

    HMODULE module = win32::module_from_address(lpAddress);
    if (module) {
        info.AllocationBase = module;
        info.AllocationProtect = PAGE_EXECUTE_WRITECOPY;
        info.State = MEM_COMMIT;
        info.Type = MEM_IMAGE;
    } else {
        size_t first = index;
        while (first > 0 && maps[first - 1].end == maps[first].start && same_kind(here, maps[first - 1]))
            --first;
        info.AllocationBase = reinterpret_cast<PVOID>(maps[first].start);
        info.Type = is_file(here) ? MEM_MAPPED : MEM_PRIVATE;
        if (info.Protect == PAGE_NOACCESS && !is_file(here)) {
            info.State = MEM_RESERVE;
            info.Protect = 0;
            info.AllocationProtect = PAGE_NOACCESS;
        } else {
            info.State = MEM_COMMIT;
            info.AllocationProtect = info.Protect;
        }
    }
    *lpBuffer = info;
    return sizeof info;
}
