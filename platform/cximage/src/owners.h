// Move-only owners for the handles the image library opens: each is released on every way out.
#pragma once

#include <windows.h>

namespace cximage {

template <typename H, auto Close>
class unique_handle
{
public:
    unique_handle() = default;
    explicit unique_handle(H h) : m_h(h) {}
    ~unique_handle() { reset(); }
    unique_handle(unique_handle &&other) : m_h(other.release()) {}
    unique_handle &operator=(unique_handle &&other)
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    unique_handle(const unique_handle &) = delete;
    unique_handle &operator=(const unique_handle &) = delete;

    H get() const { return m_h; }
    explicit operator bool() const { return m_h != H(); }
    H release()
    {
        H h = m_h;
        m_h = H();
        return h;
    }
    // Releasing never changes the caller's last error.
    void reset(H h = H())
    {
        if (m_h != H()) {
            DWORD error = GetLastError();
            Close(m_h);
            SetLastError(error);
        }
        m_h = h;
    }

private:
    H m_h = H();
};

inline void delete_dc(HDC h) { DeleteDC(h); }
inline void delete_bitmap(HBITMAP h) { DeleteObject(h); }

using unique_hdc = unique_handle<HDC, delete_dc>;
using unique_hbitmap = unique_handle<HBITMAP, delete_bitmap>;

// A file handle's empty value is INVALID_HANDLE_VALUE, which is no constant expression.
class unique_file
{
public:
    explicit unique_file(HANDLE h) : m_h(h) {}
    ~unique_file()
    {
        if (m_h != INVALID_HANDLE_VALUE) {
            DWORD error = GetLastError();
            CloseHandle(m_h);
            SetLastError(error);
        }
    }
    unique_file(const unique_file &) = delete;
    unique_file &operator=(const unique_file &) = delete;
    HANDLE get() const { return m_h; }
    explicit operator bool() const { return m_h != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_h;
};

// Selects an object into a DC and selects the previous one back when it goes.
class select_object
{
public:
    select_object(HDC hdc, HGDIOBJ obj) : m_hdc(hdc), m_old(SelectObject(hdc, obj)) {}
    ~select_object()
    {
        if (m_old != NULL && m_old != HGDI_ERROR)
            SelectObject(m_hdc, m_old);
    }
    select_object(const select_object &) = delete;
    select_object &operator=(const select_object &) = delete;
    bool ok() const { return m_old != NULL && m_old != HGDI_ERROR; }

private:
    HDC m_hdc;
    HGDIOBJ m_old;
};

}  // namespace cximage
