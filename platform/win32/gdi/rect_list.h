// A region's rectangles: most regions are one rectangle or none, and they are made and dropped on
// every paint, so the first rectangle lives inside the list and only more go to the heap.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <memory>

namespace win32 {

class rect_list {
public:
    rect_list() = default;
    rect_list(const rect_list &other) { append(other); }
    rect_list(rect_list &&other) noexcept { take(other); }
    rect_list &operator=(const rect_list &other)
    {
        if (this != &other) {
            clear();
            append(other);
        }
        return *this;
    }
    rect_list &operator=(rect_list &&other) noexcept
    {
        if (this != &other) {
            m_heap.reset();
            take(other);
        }
        return *this;
    }

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    RECT *data() { return m_heap ? m_heap.get() : &m_inline; }
    const RECT *data() const { return m_heap ? m_heap.get() : &m_inline; }
    RECT *begin() { return data(); }
    RECT *end() { return data() + m_size; }
    const RECT *begin() const { return data(); }
    const RECT *end() const { return data() + m_size; }
    RECT &operator[](size_t i) { return data()[i]; }
    const RECT &operator[](size_t i) const { return data()[i]; }
    const RECT &front() const { return data()[0]; }
    void clear() { m_size = 0; }

    void push_back(const RECT &r)
    {
        if (m_size == capacity())
            grow(m_size * 2);
        data()[m_size++] = r;
    }

private:
    size_t capacity() const { return m_heap ? m_capacity : 1; }
    void grow(size_t wanted)
    {
        std::unique_ptr<RECT[]> bigger(new RECT[wanted]);
        std::memcpy(bigger.get(), data(), m_size * sizeof(RECT));
        m_heap = std::move(bigger);
        m_capacity = wanted;
    }
    void append(const rect_list &other)
    {
        if (other.m_size > capacity())
            grow(other.m_size);
        std::memcpy(data(), other.data(), other.m_size * sizeof(RECT));
        m_size = other.m_size;
    }
    void take(rect_list &other)
    {
        m_inline = other.m_inline;
        m_heap = std::move(other.m_heap);
        m_capacity = other.m_capacity;
        m_size = other.m_size;
        other.m_size = 0;
    }

    RECT m_inline{};
    std::unique_ptr<RECT[]> m_heap;  // all the rectangles once there are more than one
    size_t m_capacity = 1;
    size_t m_size = 0;
};

}  // namespace win32
