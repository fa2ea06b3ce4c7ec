// Move-only owners for Win32 handles, COM pointers, BSTRs, VARIANTs and malloc'd blocks: one template,
// one alias per kind; and shared_com, the one copyable owner, for COM references held in several places.
// Header-only and written against <windows.h> alone: the Linux build compiles it over the layer, the
// Windows build unchanged over the system's headers.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

#include <cstdlib>
#include <utility>

namespace owner {

// Keeps the caller's last error across a release, as a destructor on an error path must.
class preserve_last_error
{
public:
    preserve_last_error() : m_error(::GetLastError()) {}
    ~preserve_last_error() { ::SetLastError(m_error); }
    preserve_last_error(const preserve_last_error &) = delete;
    preserve_last_error &operator=(const preserve_last_error &) = delete;

private:
    DWORD m_error;
};

// Owns one handle whose empty value is Invalid and which Close releases.
template <typename H, auto Close, auto Invalid = H()>
class unique_handle
{
public:
    unique_handle() = default;
    explicit unique_handle(H h) : m_h(h) {}
    ~unique_handle() { reset(); }
    unique_handle(unique_handle &&other) noexcept : m_h(other.release()) {}
    unique_handle &operator=(unique_handle &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    unique_handle(const unique_handle &) = delete;
    unique_handle &operator=(const unique_handle &) = delete;

    H get() const { return m_h; }
    H operator->() const { return m_h; }  // for handles that are pointers to a structure
    explicit operator bool() const { return m_h != invalid(); }
    // For out-parameters: releases what is held and hands out the slot.
    H *put()
    {
        reset();
        return &m_h;
    }
    H release() { return std::exchange(m_h, invalid()); }
    void reset(H h = invalid())
    {
        H old = std::exchange(m_h, h);
        if (old != invalid()) {
            preserve_last_error keep;
            Close(old);
        }
    }

private:
    static H invalid() { return (H)Invalid; }
    H m_h = invalid();
};

namespace detail {
inline void close_handle(HANDLE h) { ::CloseHandle(h); }
inline void delete_object(HGDIOBJ h) { ::DeleteObject(h); }
inline void delete_dc(HDC h) { ::DeleteDC(h); }
inline void free_library(HMODULE h) { ::FreeLibrary(h); }
inline void free_bstr(BSTR s) { ::SysFreeString(s); }
inline void destroy_window(HWND h) { ::DestroyWindow(h); }
inline void release_unknown(IUnknown *p) { p->Release(); }
inline void free_block(void *p) { ::free(p); }
}  // namespace detail

// Kernel objects: events, mutexes, threads, processes. Files answer INVALID_HANDLE_VALUE instead.
using unique_kernel_handle = unique_handle<HANDLE, detail::close_handle>;
using unique_file_handle = unique_handle<HANDLE, detail::close_handle, -1>;
using unique_hdc = unique_handle<HDC, detail::delete_dc>;  // CreateCompatibleDC, CreateDCW
using unique_hbitmap = unique_handle<HBITMAP, detail::delete_object>;
using unique_hbrush = unique_handle<HBRUSH, detail::delete_object>;
using unique_hpen = unique_handle<HPEN, detail::delete_object>;
using unique_hfont = unique_handle<HFONT, detail::delete_object>;
using unique_hrgn = unique_handle<HRGN, detail::delete_object>;
using unique_hmodule = unique_handle<HMODULE, detail::free_library>;
using unique_bstr = unique_handle<BSTR, detail::free_bstr>;
using unique_hwnd = unique_handle<HWND, detail::destroy_window>;
// One reference on a COM object; put() serves as the out-parameter of QueryInterface and kin.
template <typename T>
using unique_com = unique_handle<T *, detail::release_unknown>;
// A block from malloc, calloc or realloc, freed with free.
template <typename T>
using unique_block = unique_handle<T *, detail::free_block>;

// A COM reference that copies: each copy holds a reference of its own, a move hands one on. Made
// from a raw pointer it takes a reference of its own, as a callee keeps a pointer it was given;
// attach() adopts the caller's reference instead, as put() does for out-parameters.
template <typename T>
class shared_com
{
public:
    shared_com() = default;
    explicit shared_com(T *p) : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    ~shared_com() { reset(); }
    shared_com(const shared_com &other) : shared_com(other.m_p) {}
    shared_com(shared_com &&other) noexcept : m_p(other.release()) {}
    // Copy and swap: the old reference goes only after the new one is taken, so assigning an
    // object its own pointer or a pointer it keeps alive is safe.
    shared_com &operator=(shared_com other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }

    T *get() const { return m_p; }
    T *operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    T **put()
    {
        reset();
        return &m_p;
    }
    // Takes over the caller's reference on p and releases the one held before.
    void attach(T *p)
    {
        if (T *old = std::exchange(m_p, p)) {
            preserve_last_error keep;
            old->Release();
        }
    }
    T *release() { return std::exchange(m_p, nullptr); }
    void reset() { attach(nullptr); }

private:
    T *m_p = nullptr;
};

// A DC from GetDC or GetWindowDC: released to the window it came from.
class unique_window_dc
{
public:
    explicit unique_window_dc(HWND hwnd) : m_hwnd(hwnd), m_hdc(::GetDC(hwnd)) {}
    ~unique_window_dc() { reset(); }
    unique_window_dc(unique_window_dc &&other) noexcept
        : m_hwnd(other.m_hwnd), m_hdc(std::exchange(other.m_hdc, nullptr))
    {
    }
    unique_window_dc &operator=(unique_window_dc &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_hwnd = other.m_hwnd;
            m_hdc = std::exchange(other.m_hdc, nullptr);
        }
        return *this;
    }
    unique_window_dc(const unique_window_dc &) = delete;
    unique_window_dc &operator=(const unique_window_dc &) = delete;

    HDC get() const { return m_hdc; }
    explicit operator bool() const { return m_hdc != NULL; }
    void reset()
    {
        if (HDC hdc = std::exchange(m_hdc, nullptr)) {
            preserve_last_error keep;
            ::ReleaseDC(m_hwnd, hdc);
        }
    }

private:
    HWND m_hwnd;
    HDC m_hdc;
};

// An object selected into a DC: the previous object goes back in when this ends.
class unique_select_object
{
public:
    unique_select_object(HDC hdc, HGDIOBJ obj) : m_hdc(hdc), m_old(::SelectObject(hdc, obj)) {}
    ~unique_select_object() { reset(); }
    unique_select_object(unique_select_object &&other) noexcept
        : m_hdc(other.m_hdc), m_old(std::exchange(other.m_old, nullptr))
    {
    }
    unique_select_object &operator=(unique_select_object &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_hdc = other.m_hdc;
            m_old = std::exchange(other.m_old, nullptr);
        }
        return *this;
    }
    unique_select_object(const unique_select_object &) = delete;
    unique_select_object &operator=(const unique_select_object &) = delete;

    explicit operator bool() const { return m_old != NULL && m_old != HGDI_ERROR; }
    // Puts the previous object back now.
    void reset()
    {
        if (*this) {
            preserve_last_error keep;
            ::SelectObject(m_hdc, std::exchange(m_old, nullptr));
        }
    }

private:
    HDC m_hdc;
    HGDIOBJ m_old;
};

// A VARIANT cleared on every way out; get() hands it to calls that fill or read it.
class unique_variant
{
public:
    unique_variant() { ::VariantInit(&m_var); }
    ~unique_variant() { reset(); }
    unique_variant(unique_variant &&other) noexcept : m_var(other.release()) {}
    unique_variant &operator=(unique_variant &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_var = other.release();
        }
        return *this;
    }
    unique_variant(const unique_variant &) = delete;
    unique_variant &operator=(const unique_variant &) = delete;

    VARIANT *get() { return &m_var; }
    const VARIANT *get() const { return &m_var; }
    void reset()
    {
        preserve_last_error keep;
        ::VariantClear(&m_var);
    }
    // Hands the value on; this owner is left empty.
    VARIANT release()
    {
        VARIANT v = m_var;
        ::VariantInit(&m_var);
        return v;
    }

private:
    VARIANT m_var;
};

}  // namespace owner
