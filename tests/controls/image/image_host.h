// Shared by the image control tests: a parent window on the virtual screen, the control attached
// to its static item 8001, GIFs in a scratch folder, and the colours the screen shows.
#pragma once

#include <afxwin.h>

#include <gtest/gtest.h>

#include "controls/image/ImageCtrl.h"
#include "cximage/gif_fixture.h"
#include "ScreenCapture.h"
#include "support/MessagePump.h"
#include "support/WindowFill.h"

#include <functional>
#include <string>
#include <vector>

namespace image_test {

// Where the parent sits on the screen, and the control inside it.
const int kParentX = 40, kParentY = 30, kParentW = 240, kParentH = 160;
const int kCtrlX = 20, kCtrlY = 10, kCtrlW = 100, kCtrlH = 60;
const COLORREF kParentColour = RGB(90, 60, 30);

inline COLORREF PaletteColour(GifPixelType index) { return Rgb(TestPalette()[index]); }

// The parent paints itself with its fill colour (SetFill).
inline LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        PaintFill(hwnd, BeginPaint(hwnd, &ps));
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_ERASEBKGND)
        return 1;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// Frames change with each WM_TIMER, so the image tests watch after every message, longer than most.
const DWORD kPumpBoundMs = 20000;

// The colour on the screen at a point of the control's client area.
inline COLORREF CtrlPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, kParentX + kCtrlX + x, kParentY + kCtrlY + y);
    ReleaseDC(nullptr, screen);
    return c;
}

// Every pixel of the control's area on the screen.
inline CScreenPicture CtrlShot()
{
    CScreenPicture shot;
    RECT area = {kParentX + kCtrlX, kParentY + kCtrlY, kParentX + kCtrlX + kCtrlW, kParentY + kCtrlY + kCtrlH};
    EXPECT_TRUE(CaptureScreenRect(area, shot));
    return shot;
}

// How many pixels of the control's area are not `colour`.
inline int CountOther(const CScreenPicture &shot, COLORREF colour)
{
    int n = 0;
    for (int y = 0; y < shot.nHeight; ++y)
        for (int x = 0; x < shot.nWidth; ++x)
            n += shot.Colour(x, y) != colour;
    return n;
}

// A visible parent with a plain static item 8001 that `ctrl` subclasses, as a dialog's data
// exchange attaches it. Destroys the windows before the control object goes.
template <class Ctrl>
class ControlHost
{
public:
    ControlHost()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ParentProc;
        wc.lpszClassName = u"ImageCtrlTestParent";
        RegisterClassW(&wc);
        m_hParent = CreateWindowExW(0, wc.lpszClassName, u"", WS_POPUP | WS_VISIBLE, kParentX, kParentY, kParentW,
                                    kParentH, nullptr, nullptr, nullptr, nullptr);
        EXPECT_NE(nullptr, m_hParent);
        SetFill(m_hParent, kParentColour);
        HWND hItem = CreateWindowExW(0, u"Static", u"", WS_CHILD | WS_VISIBLE, kCtrlX, kCtrlY, kCtrlW, kCtrlH,
                                     m_hParent, HMENU(INT_PTR(8001)), nullptr, nullptr);
        EXPECT_NE(nullptr, hItem);
        EXPECT_TRUE(ctrl.SubclassDlgItem(8001, CWnd::FromHandle(m_hParent)));
        Drain();
    }
    ~ControlHost()
    {
        if (m_hParent)
            DestroyWindow(m_hParent);
        Drain();
    }
    ControlHost(const ControlHost &) = delete;
    ControlHost &operator=(const ControlHost &) = delete;

    HWND Parent() const { return m_hParent; }
    HWND Hwnd() const { return ctrl.GetSafeHwnd(); }
    // Paints whatever is pending now.
    void Paint()
    {
        UpdateWindow(m_hParent);
        UpdateWindow(Hwnd());
    }
    // Whether the frame timer runs; it does not any more afterwards.
    bool TakeTimer() { return KillTimer(Hwnd(), IDT_ANIMATION) != FALSE; }

    Ctrl ctrl;

private:
    HWND m_hParent = nullptr;
};

// A GIF of solid frames of the screen's whole size, one colour and delay per frame.
inline std::string SolidAnimation(int width, int height, const std::vector<std::pair<GifPixelType, int>> &frames)
{
    std::vector<FrameSpec> solid;
    for (auto &f : frames) {
        FrameSpec s = SolidFrame(0, 0, width, height, f.first);
        s.delay = f.second;
        solid.push_back(s);
    }
    return EncodeGif(width, height, TestPalette(), solid);
}

}  // namespace image_test
