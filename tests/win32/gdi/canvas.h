// A memory DC holding a 32-bit top-down DIB section, for reading drawn pixels straight from memory.
#pragma once

#include <windows.h>

#include "support/TopDownDib.h"

// Owns the DC and the section; restores the DC's first bitmap before both are freed.
class Canvas
{
public:
    Canvas(int width, int height, DWORD fill = 0) : m_width(width), m_height(height)
    {
        BITMAPINFO bi = TopDownDib32(width, height);
        void *bits = NULL;
        m_hdc = CreateCompatibleDC(NULL);
        m_hbm = CreateDIBSection(m_hdc, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
        m_bits = static_cast<DWORD *>(bits);
        m_old = SelectObject(m_hdc, m_hbm);
        for (int i = 0; m_bits && i < width * height; ++i)
            m_bits[i] = fill;
    }
    ~Canvas()
    {
        SelectObject(m_hdc, m_old);
        DeleteObject(m_hbm);
        DeleteDC(m_hdc);
    }
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    HDC dc() const { return m_hdc; }
    HBITMAP bitmap() const { return m_hbm; }
    DWORD *bits() const { return m_bits; }
    // The pixel as 0x00RRGGBB.
    DWORD at(int x, int y) const { return m_bits[y * m_width + x] & 0xFFFFFF; }
    DWORD raw(int x, int y) const { return m_bits[y * m_width + x]; }
    void set(int x, int y, DWORD v) { m_bits[y * m_width + x] = v; }
    // How many pixels equal v (colour bits only) inside [left, right) x [top, bottom).
    int count(DWORD v, int left, int top, int right, int bottom) const
    {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                n += at(x, y) == v;
        return n;
    }
    int count(DWORD v) const { return count(v, 0, 0, m_width, m_height); }

private:
    int m_width, m_height;
    HDC m_hdc = NULL;
    HBITMAP m_hbm = NULL;
    HGDIOBJ m_old = NULL;
    DWORD *m_bits = NULL;
};
