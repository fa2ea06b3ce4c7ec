// Screenshots of the virtual screen: a rectangle read through GetDC(NULL) and BitBlt into a 32-bit
// DIB section, kept as pixels or written as a PNG file with libpng.
#pragma once

#include <windows.h>

#include <png.h>

#include <cstdio>
#include <vector>

// Pixels of one screenshot, top row first, each 0x00RRGGBB.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;

    DWORD at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)] & 0xFFFFFF; }
    COLORREF colour(int x, int y) const
    {
        DWORD p = at(x, y);
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
};

// Reads `area` (screen coordinates) off the screen; false when a DC or the bitmap cannot be had.
inline bool CaptureScreen(const RECT &area, Screenshot &shot)
{
    int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return false;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(NULL);
    if (!screen)
        return false;
    HDC memory = CreateCompatibleDC(screen);
    void *bits = NULL;
    HBITMAP section = memory ? CreateDIBSection(memory, &bi, DIB_RGB_COLORS, &bits, NULL, 0) : NULL;
    bool ok = false;
    if (section) {
        HGDIOBJ old = SelectObject(memory, section);
        ok = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY) != FALSE;
        GdiFlush();
        if (ok) {
            const DWORD *p = static_cast<const DWORD *>(bits);
            shot.width = width;
            shot.height = height;
            shot.pixels.assign(p, p + size_t(width) * size_t(height));
        }
        SelectObject(memory, old);
        DeleteObject(section);
    }
    if (memory)
        DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return ok;
}

// Writes a screenshot as an 8-bit RGB PNG at a native file path.
inline bool WritePng(const Screenshot &shot, const char *path)
{
    if (shot.width <= 0 || shot.height <= 0)
        return false;
    FILE *f = std::fopen(path, "wb");
    if (!f)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png ? png_create_info_struct(png) : NULL;
    std::vector<png_byte> row(size_t(shot.width) * 3);
    bool ok = false;
    if (png && info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        png_set_IHDR(png, info, png_uint_32(shot.width), png_uint_32(shot.height), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < shot.height; ++y) {
            for (int x = 0; x < shot.width; ++x) {
                DWORD p = shot.at(x, y);
                row[size_t(x) * 3] = png_byte(p >> 16);
                row[size_t(x) * 3 + 1] = png_byte(p >> 8);
                row[size_t(x) * 3 + 2] = png_byte(p);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, NULL);
        ok = true;
    }
    png_destroy_write_struct(png ? &png : NULL, info ? &info : NULL);
    return std::fclose(f) == 0 && ok;
}

// Takes a screenshot of `area` and writes it to `path`.
inline bool SaveScreenshotPng(const RECT &area, const char *path)
{
    Screenshot shot;
    return CaptureScreen(area, shot) && WritePng(shot, path);
}
