// What the window manager asks of the drawing engine: device contexts that draw on the virtual
// screen for a window, and the screen surface itself.
#pragma once

#include <windows.h>

namespace win32 {

// Size of the virtual screen surface, in pixels.
extern const int screen_width;
extern const int screen_height;

// A device context on the virtual screen. Its logical (0, 0) lies at `origin` in screen coordinates;
// drawing lands only inside `visible` (screen coordinates; NULL: nothing is visible). The DC keeps
// its own copy of the region. `hwnd` is the window it was made for (NULL for the whole screen).
HDC create_display_dc(HWND hwnd, POINT origin, HRGN visible);

// Moves a display DC and replaces its visible area, e.g. when its window moved while the DC was out.
BOOL set_display_dc_area(HDC hdc, POINT origin, HRGN visible);

// The window a display DC was made for; NULL for a screen DC or any other handle.
HWND display_dc_window(HDC hdc);

// Ends a display DC (ReleaseDC and EndPaint come here). FALSE for anything else.
BOOL delete_display_dc(HDC hdc);

// The rectangle with its corners in the order a region keeps them, for working with rectangles
// where a region would hold just one.
RECT ordered_rect(const RECT &rc);

}  // namespace win32
