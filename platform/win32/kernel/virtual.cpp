// VirtualQuery: the process's address space as Windows describes it. The kernel answers for one
// mapping at a time through the PROCMAP_QUERY ioctl of /proc/self/maps (Linux 6.11 and later), so
// a query costs a few lookups instead of formatting every mapping of the process; older kernels
// give the whole of /proc/self/maps, which is read and searched instead.
#include "internal/image.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct mapping {
    uintptr_t start, end;
    bool read, write, execute;
    std::string path;  // empty for anonymous memory
};

std::string read_maps(int fd)
{
    std::string text;
    char buffer[8192];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
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
        // The path follows the permissions, offset, device and inode fields.
        size_t field = 0, i = static_cast<size_t>(next - &line[0]);
        while (i < line.size() && field < 4) {
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

// The kernel's PROCMAP_QUERY interface (linux/fs.h), declared here for older kernel headers.
struct procmap_query {
    uint64_t size;
    uint64_t query_flags;
    uint64_t query_addr;
    uint64_t vma_start;
    uint64_t vma_end;
    uint64_t vma_flags;
    uint64_t vma_page_size;
    uint64_t vma_offset;
    uint64_t inode;
    uint32_t dev_major;
    uint32_t dev_minor;
    uint32_t vma_name_size;
    uint32_t build_id_size;
    uint64_t vma_name_addr;
    uint64_t build_id_addr;
};
const unsigned long kProcmapQuery = _IOWR('f', 17, struct procmap_query);
const uint64_t kVmaReadable = 0x01, kVmaWritable = 0x02, kVmaExecutable = 0x04;
const uint64_t kCoveringOrNextVma = 0x10;

// The mappings of the process, asked one at a time: the one that covers an address, or the first
// one above it.
class address_space {
public:
    address_space() = default;
    ~address_space()
    {
        if (list_fd_ >= 0)
            close(list_fd_);
    }
    address_space(const address_space &) = delete;
    address_space &operator=(const address_space &) = delete;

    // The mapping that holds address, or (with or_next) the lowest one above it. Without with_path
    // the kernel may leave the path out, which saves it forming one.
    bool find(uintptr_t address, bool or_next, mapping &m, bool with_path = true)
    {
        if (!listed_ && ask_kernel(address, or_next, with_path, m, kernel_answered_))
            return true;
        if (kernel_answered_)
            return false;
        list();
        auto it = std::find_if(maps_.begin(), maps_.end(), [address](const mapping &x) { return x.end > address; });
        if (it == maps_.end() || (!or_next && it->start > address))
            return false;
        m = *it;
        return true;
    }

private:
    // True with the mapping; false with answered set when there is none, unset when the kernel
    // does not offer the query.
    bool ask_kernel(uintptr_t address, bool or_next, bool with_path, mapping &m, bool &answered)
    {
        char name[PATH_MAX + 64];
        procmap_query q{};
        q.size = sizeof q;
        q.query_flags = or_next ? kCoveringOrNextVma : 0;
        q.query_addr = address;
        if (with_path) {
            q.vma_name_size = sizeof name;
            q.vma_name_addr = reinterpret_cast<uintptr_t>(name);
        }
        answered = false;
        int fd = query_fd();
        if (fd < 0)
            return false;
        if (ioctl(fd, kProcmapQuery, &q) != 0) {
            answered = errno == ENOENT;
            return false;
        }
        answered = true;
        m.start = q.vma_start;
        m.end = q.vma_end;
        m.read = q.vma_flags & kVmaReadable;
        m.write = q.vma_flags & kVmaWritable;
        m.execute = q.vma_flags & kVmaExecutable;
        m.path.assign(name, q.vma_name_size ? q.vma_name_size - 1 : 0);
        return true;
    }

    // One descriptor for the life of the process: each query is a single ioctl that reads no file
    // position, so threads share it, and it is closed on exec.
    static int query_fd()
    {
        static const int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
        return fd;
    }

    // Kernels without the query: the whole list, read from a descriptor of this call's own.
    void list()
    {
        if (listed_)
            return;
        listed_ = true;
        list_fd_ = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
        if (list_fd_ >= 0)
            maps_ = parse_maps(read_maps(list_fd_));
    }

    int list_fd_ = -1;
    bool kernel_answered_ = false;
    bool listed_ = false;
    std::vector<mapping> maps_;
};

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
    address_space space;

    MEMORY_BASIC_INFORMATION info{};
    info.BaseAddress = reinterpret_cast<PVOID>(base);
    // Inside a module image, the image and the protection decide the region; a path is of no use.
    HMODULE module = win32::module_from_address(lpAddress);
    mapping here{};
    bool found = space.find(address, true, here, !module);
    if (!found || here.start > address) {
        uintptr_t end = found ? std::min(here.start, user_limit + 1) : user_limit + 1;
        info.RegionSize = end - base;
        info.State = MEM_FREE;
        info.Protect = PAGE_NOACCESS;
        *lpBuffer = info;
        return sizeof info;
    }

    // An image's region runs over its file pages and its zero-filled pages alike.
    auto continues = [&](const mapping &next) {
        return module ? protection_of(next) == protection_of(here) && win32::module_from_address(
                                                                            reinterpret_cast<LPCVOID>(next.start)) == module
                      : same_kind(here, next);
    };
    uintptr_t end = here.end;
    for (mapping next; space.find(end, true, next, !module) && next.start == end && continues(next);)
        end = next.end;
    info.RegionSize = end - base;
    info.Protect = protection_of(here);

    if (module) {
        info.AllocationBase = module;
        info.AllocationProtect = PAGE_EXECUTE_WRITECOPY;
        info.State = MEM_COMMIT;
        info.Type = MEM_IMAGE;
    } else {
        uintptr_t first = here.start;
        for (mapping previous; first > 0 && space.find(first - 1, false, previous) && previous.end == first &&
                               same_kind(here, previous);)
            first = previous.start;
        info.AllocationBase = reinterpret_cast<PVOID>(first);
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
