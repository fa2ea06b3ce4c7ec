// The process's kernel-object handle table: every HANDLE the layer gives out names one of these.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

namespace win32 {

// A kernel object. The table holds one reference per open handle; CloseHandle drops it.
struct kernel_object {
    virtual ~kernel_object() = default;
    // The Linux file descriptor a child process can be given for it; -1 when it has none.
    virtual int descriptor() const { return -1; }
};

// Enters the object under a new handle; NULL (ERROR_NOT_ENOUGH_MEMORY) when the table is full.
// An inheritable handle's object reaches the processes started with bInheritHandles TRUE.
HANDLE alloc_handle(std::shared_ptr<kernel_object> object, bool inheritable = false);

// The descriptors of the objects under inheritable handles.
std::vector<int> inheritable_descriptors();
// The descriptor of the object under handle when the handle is inheritable; -1 otherwise.
int inheritable_descriptor(HANDLE handle);

// The object behind an open handle, or null (ERROR_INVALID_HANDLE) for a closed or foreign one.
std::shared_ptr<kernel_object> object_from_handle(HANDLE handle);

template <class T>
std::shared_ptr<T> object_from_handle_as(HANDLE handle)
{
    auto object = std::dynamic_pointer_cast<T>(object_from_handle(handle));
    if (!object)
        SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

}  // namespace win32
