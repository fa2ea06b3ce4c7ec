// Runs the please-wait control from its own folder, as the view does, and writes what it saw:
//   loading_probe <report file>  ->  "image=<0|1> frames=<n> advanced=<0|1> timer=<0|1> other=<pixels>"
// where other counts the control's pixels that are not the button face.
#include <afxwin.h>

#include "controls/image/LoadingImageCtrl.h"
#include "ScreenCapture.h"
#include "support/MessagePump.h"

#include <cstdio>
#include <string>

namespace {

// Pumps until the displayed frame changes; false after the bound.
bool PumpUntilAdvanced(CLoadingImageCtrl &ctrl, DWORD boundMs)
{
    long first = ctrl.GetImage()->GetFrame();
    return PumpUntil([&] { return ctrl.GetImage()->GetFrame() != first; }, boundMs);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2) return 2;
    HWND hParent = CreateWindowExW(0, u"Static", u"", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, NULL, NULL, NULL, NULL);
    HWND hItem = CreateWindowExW(0, u"Static", u"", WS_CHILD | WS_VISIBLE, 10, 10, 200, 120, hParent,
                                 HMENU(INT_PTR(8001)), NULL, NULL);
    if (!hParent || !hItem) return 3;

    std::string report;
    {
        CLoadingImageCtrl ctrl;
        if (!ctrl.SubclassDlgItem(8001, CWnd::FromHandle(hParent))) return 4;
        ctrl.InitLoadingImage();
        long frames = ctrl.GetImage() ? ctrl.GetImage()->GetNumFrames() : 0;
        bool advanced = ctrl.GetImage() && frames > 1 && PumpUntilAdvanced(ctrl, 20000);
        Drain();
        ctrl.Invalidate(FALSE);
        ctrl.UpdateWindow();
        bool timer = ::KillTimer(ctrl.GetSafeHwnd(), IDT_ANIMATION) != FALSE;

        CScreenPicture shot;
        RECT area = {10, 10, 210, 130};
        int other = -1;
        if (CaptureScreenRect(area, shot)) {
            other = 0;
            COLORREF face = GetSysColor(COLOR_BTNFACE);
            for (int y = 0; y < shot.nHeight; ++y)
                for (int x = 0; x < shot.nWidth; ++x)
                    other += shot.Colour(x, y) != face;
        }
        char line[160];
        std::snprintf(line, sizeof line, "image=%d frames=%ld advanced=%d timer=%d other=%d", ctrl.GetImage() ? 1 : 0,
                      frames, advanced ? 1 : 0, timer ? 1 : 0, other);
        report = line;
        DestroyWindow(hParent);
    }

    std::u16string path(argv[1], argv[1] + std::char_traits<char>::length(argv[1]));
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE) return 5;
    DWORD written = 0;
    WriteFile(hFile, report.data(), DWORD(report.size()), &written, NULL);
    CloseHandle(hFile);
    return 0;
}
