// 32-bit top-down DIBs for tests and benchmarks that read pixels from memory: the BITMAPINFO that
// describes one, and a bitmap's pixels read back in that layout.
#pragma once

#include <windows.h>

#include <vector>

// Rows run from the top (negative height), one DWORD a pixel, no colour table.
inline BITMAPINFO TopDownDib32(int width, int height)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

// The bitmap's pixels as 32-bit BGRA, top row first; empty when it cannot be read whole.
inline std::vector<BYTE> TopDownPixels(HBITMAP bitmap)
{
    BITMAP bm;
    if (!bitmap || GetObjectW(bitmap, sizeof bm, &bm) != sizeof bm)
        return {};
    BITMAPINFO bi = TopDownDib32(bm.bmWidth, bm.bmHeight);
    std::vector<BYTE> out(size_t(bm.bmWidth) * size_t(bm.bmHeight) * 4);
    HDC dc = CreateCompatibleDC(NULL);
    int rows = GetDIBits(dc, bitmap, 0, UINT(bm.bmHeight), out.data(), &bi, DIB_RGB_COLORS);
    DeleteDC(dc);
    return rows == bm.bmHeight ? out : std::vector<BYTE>();
}
