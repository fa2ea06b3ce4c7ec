// The handle table and CloseHandle. Handles are small multiples of four, as on Windows.
#include "internal/object.h"

#include <mutex>
#include <vector>

namespace win32 {
namespace {

struct handle_slot {
    std::shared_ptr<kernel_object> object;
    bool inheritable = false;
    explicit operator bool() const { return object != nullptr; }
};

struct handle_table {
    std::mutex lock;
    std::vector<handle_slot> slots;  // slot i is handle (i + 1) * 4
};

handle_table &table()
{
    static handle_table *t = new handle_table;  // outlives every static destructor that closes handles
    return *t;
}

size_t slot_of(HANDLE handle)
{
    auto value = reinterpret_cast<uintptr_t>(handle);
    if (value == 0 || value % 4 != 0)
        return SIZE_MAX;
    return value / 4 - 1;
}

}  // namespace

HANDLE alloc_handle(std::shared_ptr<kernel_object> object, bool inheritable)
{
    handle_table &t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    size_t slot = 0;
    while (slot < t.slots.size() && t.slots[slot])
        ++slot;
    if (slot == t.slots.size()) {
        if (t.slots.size() >= (1u << 24)) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return NULL;
        }
        t.slots.emplace_back();
    }
    t.slots[slot].object = std::move(object);
    t.slots[slot].inheritable = inheritable;
    return reinterpret_cast<HANDLE>((slot + 1) * 4);
}

std::shared_ptr<kernel_object> object_from_handle(HANDLE handle)
{
    handle_table &t = table();
    size_t slot = slot_of(handle);
    std::lock_guard<std::mutex> guard(t.lock);
    if (slot >= t.slots.size() || !t.slots[slot]) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return t.slots[slot].object;
}

std::vector<int> inheritable_descriptors()
{
    handle_table &t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    std::vector<int> fds;
    for (const handle_slot &s : t.slots)
        if (s.object && s.inheritable && s.object->descriptor() >= 0)
            fds.push_back(s.object->descriptor());
    return fds;
}

int inheritable_descriptor(HANDLE handle)
{
    handle_table &t = table();
    size_t slot = slot_of(handle);
    std::lock_guard<std::mutex> guard(t.lock);
    if (slot >= t.slots.size() || !t.slots[slot] || !t.slots[slot].inheritable)
        return -1;
    return t.slots[slot].object->descriptor();
}

}  // namespace win32

BOOL WINAPI CloseHandle(HANDLE hObject)
{
    win32::handle_table &t = win32::table();
    size_t slot = win32::slot_of(hObject);
    std::shared_ptr<win32::kernel_object> dropped;  // released outside the lock
    {
        std::lock_guard<std::mutex> guard(t.lock);
        if (slot >= t.slots.size() || !t.slots[slot]) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        dropped = std::move(t.slots[slot].object);
        t.slots[slot].inheritable = false;
    }
    return TRUE;
}
