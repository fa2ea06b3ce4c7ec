// GetSystemMetrics: the virtual screen's sizes and the classic 96-DPI frame, bar and icon sizes.
#include "internal/gdi.h"
#include "internal/window.h"

namespace win32 {
namespace {

// The classic look at 96 DPI. The frame, border and caption sizes are the ones the default window
// procedure reserves for the non-client area, and the minimized size is the window manager's, so
// what the metrics report is what windows get.
const int border = 1;
const int dialog_frame = 3;
const int sizing_frame = 4;
const int caption = 19;
const int scroll_bar = 17;
const int minimized_width = 160;
const int minimized_height = 28;

bool double_byte_code_page(UINT cp)
{
    return cp == 932 || cp == 936 || cp == 949 || cp == 950 || cp == 1361;
}

}  // namespace
}  // namespace win32

using namespace win32;

// An index the system does not know answers 0, without a last error, as on Windows.
int WINAPI GetSystemMetrics(int nIndex)
{
    switch (nIndex) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
    case SM_CXVIRTUALSCREEN:
    case SM_CXMAXTRACK:
    case SM_CXMAXIMIZED:
        return screen_width;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
    case SM_CYMAXTRACK:
    case SM_CYMAXIMIZED:
        return screen_height;
    case SM_CYFULLSCREEN: return screen_height - caption;  // a maximized window's client area
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN: return 0;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return scroll_bar;
    case SM_CYCAPTION: return caption;
    case SM_CYMENU: return caption;
    case SM_CXBORDER:
    case SM_CYBORDER:
    case SM_CXFOCUSBORDER:
    case SM_CYFOCUSBORDER: return border;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return dialog_frame;
    case SM_CXFRAME:
    case SM_CYFRAME: return sizing_frame;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CXSIZE:
    case SM_CYSIZE:
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE: return caption - 1;
    case SM_CYSMCAPTION: return 15;
    case SM_CXSMSIZE: return 12;
    case SM_CYSMSIZE: return 14;
    case SM_CXMIN:
    case SM_CXMINTRACK: return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK: return caption + 2 * sizing_frame;
    case SM_CXMINIMIZED:
    case SM_CXMINSPACING: return minimized_width;
    case SM_CYMINIMIZED:
    case SM_CYMINSPACING: return minimized_height;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING: return 75;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG: return 4;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK: return 13;
    case SM_ARRANGE: return 8;  // ARW_HIDE: minimized windows are parked off screen
    case SM_MOUSEPRESENT:
    case SM_MOUSEWHEELPRESENT:
    case SM_CMONITORS:
    case SM_SAMEDISPLAYFORMAT: return 1;
    case SM_CMOUSEBUTTONS: return 3;
    case SM_NETWORK: return 1;
    case SM_DBCSENABLED: return double_byte_code_page(GetACP()) ? 1 : 0;
    case SM_CYKANJIWINDOW:
    case SM_DEBUG:
    case SM_SWAPBUTTON:
    case SM_MENUDROPALIGNMENT:
    case SM_SECURE:
    case SM_CLEANBOOT:
    case SM_SHOWSOUNDS:
    case SM_SLOWMACHINE:
    case SM_MIDEASTENABLED:
    case SM_REMOTESESSION: return 0;
    }
    return 0;
}
