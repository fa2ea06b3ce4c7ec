// Screen capture through GetDC(NULL) and BitBlt into a DIB section; PNG encoding with libpng into
// memory, written out through the file API.
#include "ScreenCapture.h"

#include <png.h>
#include <owner/unique_handle.h>

#include <string>

namespace {

void AppendPngBytes(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void NoFlush(png_structp) {}

// The encoder leaves through its jump buffer on failure; nothing with a destructor lives here.
bool EncodePng(const CScreenPicture& picture, std::string& out, std::vector<png_byte>& row)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png ? png_create_info_struct(png) : NULL;
    bool ok = false;
    if (png && info && !setjmp(png_jmpbuf(png)))
    {
        png_set_write_fn(png, &out, AppendPngBytes, NoFlush);
        png_set_IHDR(png, info, png_uint_32(picture.nWidth), png_uint_32(picture.nHeight), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < picture.nHeight; ++y)
        {
            for (int x = 0; x < picture.nWidth; ++x)
            {
                DWORD p = picture.At(x, y);
                row[size_t(x) * 3] = png_byte(p >> 16);
                row[size_t(x) * 3 + 1] = png_byte(p >> 8);
                row[size_t(x) * 3 + 2] = png_byte(p);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, NULL);
        ok = true;
    }
    png_destroy_write_struct(&png, info ? &info : NULL);
    return ok;
}

}  // namespace

bool CaptureWindow(HWND hWnd, CScreenPicture& picture)
{
    RECT rc;
    return GetWindowRect(hWnd, &rc) && CaptureScreenRect(rc, picture);
}

bool CaptureScreenRect(const RECT& rc, CScreenPicture& picture)
{
    if (rc.right <= rc.left || rc.bottom <= rc.top)
        return false;
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    owner::unique_window_dc screen(NULL);
    if (!screen)
        return false;
    owner::unique_hdc memory(CreateCompatibleDC(screen.get()));
    void* pBits = NULL;
    owner::unique_hbitmap section(memory ? CreateDIBSection(memory.get(), &bi, DIB_RGB_COLORS, &pBits, NULL, 0) : NULL);
    if (!section)
        return false;
    owner::unique_select_object selected(memory.get(), section.get());
    if (!selected || !BitBlt(memory.get(), 0, 0, cx, cy, screen.get(), rc.left, rc.top, SRCCOPY))
        return false;
    GdiFlush();
    const DWORD* p = static_cast<const DWORD*>(pBits);
    picture.nWidth = cx;
    picture.nHeight = cy;
    picture.pixels.assign(p, p + size_t(cx) * size_t(cy));
    return true;
}

bool WritePicturePng(const CScreenPicture& picture, LPCWSTR pszPath)
{
    if (picture.nWidth <= 0 || picture.nHeight <= 0)
        return false;
    std::string bytes;
    std::vector<png_byte> row(size_t(picture.nWidth) * 3);
    if (!EncodePng(picture, bytes, row))
        return false;
    owner::unique_file_handle file(
        CreateFileW(pszPath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
        return false;
    DWORD cbWritten = 0;
    return WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &cbWritten, NULL) && cbWritten == bytes.size();
}
