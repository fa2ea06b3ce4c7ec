// A test window's own fill colour, kept in GWLP_USERDATA as COLORREF + 1 so that 0 means "paint
// nothing", and the WM_PAINT step that fills the client area with it.
#pragma once

#include <windows.h>

inline void SetFill(HWND hwnd, COLORREF color)
{
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, (LONG_PTR)color + 1);
}

// Fills the client area with the window's colour, if it has one and there is a DC.
inline void PaintFill(HWND hwnd, HDC hdc)
{
    LONG_PTR fill = GetWindowLongPtrW(hwnd, GWLP_USERDATA);
    if (!hdc || !fill)
        return;
    HBRUSH brush = CreateSolidBrush((COLORREF)(fill - 1));
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(hdc, &rc, brush);
    DeleteObject(brush);
}
