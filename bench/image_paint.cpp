// The loading animation's costs: one paint of the image control through its off-screen buffer
// beside the floor of one BitBlt of the same area onto the window, and a frame advance (WM_TIMER,
// then the paint it asks for) beside the paint alone. Arguments: the control's width and height.
#include <afxwin.h>

#include <benchmark/benchmark.h>

#include "controls/image/ImageCtrl.h"

#include <string>

namespace {

// A visible popup holding the control, the build's please-wait animation loaded and centred.
struct AnimationWindow {
    HWND parent = NULL;
    CxImageCtrl ctrl;

    AnimationWindow(int width, int height)
    {
        parent = CreateWindowExW(0, u"Static", u"", WS_POPUP | WS_VISIBLE, 0, 0, width, height, NULL, NULL, NULL, NULL);
        HWND item = CreateWindowExW(0, u"Static", u"", WS_CHILD | WS_VISIBLE, 0, 0, width, height, parent,
                                    HMENU(INT_PTR(8001)), NULL, NULL);
        if (!item || !ctrl.SubclassDlgItem(8001, CWnd::FromHandle(parent))) return;
        WCHAR self[MAX_PATH];
        std::u16string path(self, GetModuleFileNameW(NULL, self, MAX_PATH));
        path = path.substr(0, path.rfind(u'\\') + 1) + u"Images\\Wait.gif";
        ctrl.SetCenter(TRUE);
        ctrl.LoadGifFile(path.c_str());
        ctrl.KillTimer(IDT_ANIMATION);   // ticks come from the benchmark only
        Paint();
    }
    ~AnimationWindow()
    {
        if (parent) DestroyWindow(parent);
    }
    bool Ready() const { return ctrl.GetSafeHwnd() != NULL && ctrl.GetImage() != NULL && ctrl.GetImage()->IsValid(); }
    void Paint()
    {
        InvalidateRect(ctrl.GetSafeHwnd(), NULL, FALSE);
        UpdateWindow(ctrl.GetSafeHwnd());
    }
};

void SetPaintedBytes(benchmark::State &state)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0) * state.range(1) * 4);
}

void BM_ImagePaint(benchmark::State &state)
{
    AnimationWindow window(int(state.range(0)), int(state.range(1)));
    if (!window.Ready()) {
        state.SkipWithError("the control or Images/Wait.gif is missing");
        return;
    }
    for (auto _ : state) {
        window.Paint();
        benchmark::ClobberMemory();
    }
    SetPaintedBytes(state);
}

// One block copy of the same area onto the control's window: what any paint must at least cost.
void BM_ImagePaint_Floor(benchmark::State &state)
{
    int width = int(state.range(0)), height = int(state.range(1));
    AnimationWindow window(width, height);
    if (!window.Ready()) {
        state.SkipWithError("the control or Images/Wait.gif is missing");
        return;
    }
    HDC target = GetDC(window.ctrl.GetSafeHwnd());
    HDC source = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, width, height);
    HGDIOBJ old = SelectObject(source, bitmap);
    for (auto _ : state) {
        BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY);
        benchmark::ClobberMemory();
    }
    SelectObject(source, old);
    DeleteObject(bitmap);
    DeleteDC(source);
    ReleaseDC(window.ctrl.GetSafeHwnd(), target);
    SetPaintedBytes(state);
}

void BM_FrameAdvance(benchmark::State &state)
{
    AnimationWindow window(int(state.range(0)), int(state.range(1)));
    if (!window.Ready()) {
        state.SkipWithError("the control or Images/Wait.gif is missing");
        return;
    }
    HWND hwnd = window.ctrl.GetSafeHwnd();
    for (auto _ : state) {
        SendMessageW(hwnd, WM_TIMER, IDT_ANIMATION, 0);
        UpdateWindow(hwnd);
        benchmark::ClobberMemory();
    }
    KillTimer(hwnd, IDT_ANIMATION);
    SetPaintedBytes(state);
}

// The paint a frame advance asks for, without the advance.
void BM_FrameAdvance_Floor(benchmark::State &state) { BM_ImagePaint(state); }

}  // namespace

BENCHMARK(BM_ImagePaint)->Args({64, 64})->Args({400, 300});
BENCHMARK(BM_ImagePaint_Floor)->Args({64, 64})->Args({400, 300});
BENCHMARK(BM_FrameAdvance)->Args({64, 64})->Args({400, 300});
BENCHMARK(BM_FrameAdvance_Floor)->Args({64, 64})->Args({400, 300});
BENCHMARK_MAIN();
