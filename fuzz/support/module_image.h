// Bytes placed inside this executable's image, where the layer accepts a resource table: a
// static block whose unused tail is poisoned, so a read past the bytes placed is caught.
#pragma once

#include <windows.h>

#include <win32api/loader.h>

#include <sanitizer/asan_interface.h>

#include <cstring>

namespace fuzz {

class module_image {
public:
    static constexpr size_t capacity = 1 << 20;

    // Places the bytes at the start of the block (DWORD-aligned, as a linker places .rsrc);
    // false when they do not fit.
    bool place(const BYTE *data, size_t size)
    {
        ASAN_UNPOISON_MEMORY_REGION(block_, capacity);
        if (size > capacity)
            return false;
        if (size)
            std::memcpy(block_, data, size);
        ASAN_POISON_MEMORY_REGION(block_ + size, capacity - size);
        size_ = size;
        return true;
    }

    const BYTE *data() const { return block_; }
    size_t size() const { return size_; }

private:
    alignas(16) static inline BYTE block_[capacity];
    size_t size_ = 0;
};

// The placed bytes registered as this executable's resource table for the lifetime of the object.
class registered_table {
public:
    registered_table(module_image &image, const BYTE *table, size_t size)
    {
        if (image.place(table, size)) {
            data_ = image.data();
            win32_loader_register_resources(data_, size);
        }
    }
    ~registered_table()
    {
        if (data_)
            win32_loader_unregister_resources(data_);
    }
    registered_table(const registered_table &) = delete;
    registered_table &operator=(const registered_table &) = delete;

    bool ok() const { return data_ != nullptr; }

private:
    const BYTE *data_ = nullptr;
};

}  // namespace fuzz
