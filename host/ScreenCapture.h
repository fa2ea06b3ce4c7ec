// Pictures of the virtual screen for the host's report: a window's rectangle read through the
// screen DC, kept as pixels and written as PNG.
#pragma once

#include <windows.h>

#include <vector>

// Pixels top row first, each 0x00RRGGBB.
struct CScreenPicture
{
    int nWidth = 0;
    int nHeight = 0;
    std::vector<DWORD> pixels;

    DWORD At(int x, int y) const { return pixels[size_t(y) * size_t(nWidth) + size_t(x)] & 0xFFFFFF; }
    COLORREF Colour(int x, int y) const
    {
        DWORD p = At(x, y);
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // Pixels of the rectangle (picture coordinates, clipped) whose colour satisfies pred.
    template <class Pred> int Count(const RECT& rc, Pred pred) const
    {
        int n = 0;
        for (int y = rc.top < 0 ? 0 : rc.top; y < rc.bottom && y < nHeight; ++y)
            for (int x = rc.left < 0 ? 0 : rc.left; x < rc.right && x < nWidth; ++x)
                n += pred(At(x, y)) ? 1 : 0;
        return n;
    }
};

// What the screen shows of a rectangle in screen coordinates; false when nothing could be read.
bool CaptureScreenRect(const RECT& rcScreen, CScreenPicture& picture);
// What the screen shows of hWnd's window rectangle.
bool CaptureWindow(HWND hWnd, CScreenPicture& picture);

// Writes the picture as an 8-bit RGB PNG at a Windows path.
bool WritePicturePng(const CScreenPicture& picture, LPCWSTR pszPath);
