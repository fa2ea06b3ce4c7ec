// What a person sees on the screen after windows paint, overlap, hide, move, change parent and clip
// their children.
#include "painter.h"
#include "win32/wine.h"

namespace {

const COLORREF red = RGB(200, 30, 30), blue = RGB(30, 30, 200), green = RGB(30, 200, 30),
               yellow = RGB(220, 220, 40);

COLORREF ScreenAt(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

// A point on screen, what it should show, and what is there.
struct Probe {
    int x, y;
    COLORREF want;
    const char *what;
};

// The screen shows what the windows painted once the display has caught up (Wine's, like a
// compositor, presents painted pixels a moment later): wait for all the probes, then name those that
// differ.
void ExpectScreen(std::initializer_list<Probe> probes)
{
    PumpUntil([&] {
        for (const auto &p : probes)
            if (ScreenAt(p.x, p.y) != p.want)
                return false;
        return true;
    });
    for (const auto &p : probes)
        EXPECT_EQ(p.want, ScreenAt(p.x, p.y)) << p.what << " at (" << p.x << "," << p.y << ")";
}

}  // namespace

TEST_F(PaintTest, ChildWindowsPaintOverTheirParent)
{
    HWND parent = Make(WS_POPUP | WS_VISIBLE, 100, 100, 200, 150);
    SetFill(parent, red);
    HWND child = Make(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 20, 30, 50, 40, parent);
    SetFill(child, blue);
    InvalidateRect(parent, nullptr, TRUE);
    Drain();
    ExpectScreen({{105, 105, red, "parent"},
                  {120, 130, blue, "child's top-left"},
                  {169, 169, blue, "child's bottom-right"},
                  {170, 170, red, "parent just past the child"}});
}

TEST_F(PaintTest, ASiblingAboveKeepsItsPixelsWhenTheOneBelowRepaints)
{
    HWND parent = Make(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, 200, 150);
    SetFill(parent, red);
    HWND below = Make(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 10, 10, 60, 60, parent);
    SetFill(below, blue);
    HWND above = Make(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 40, 40, 60, 60, parent);
    SetFill(above, green);
    SetWindowPos(above, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    InvalidateRect(parent, nullptr, TRUE);
    Drain();
    InvalidateRect(below, nullptr, TRUE);
    UpdateWindow(below);
    ExpectScreen({{115, 115, blue, "below alone"},
                  {150, 150, green, "the overlap"},
                  {165, 165, green, "above alone"},
                  {180, 120, red, "the parent beside them"}});
}

TEST_F(PaintTest, HidingAWindowShowsWhatWasUnderIt)
{
    SKIP_UNDER_WINE("its X11 driver repaints what a destroyed window uncovered through the X server, after the call");
    HWND under = Make(WS_POPUP | WS_VISIBLE, 300, 100, 200, 150);
    SetFill(under, red);
    HWND over = Make(WS_POPUP | WS_VISIBLE, 350, 150, 60, 40);
    SetFill(over, yellow);
    SetWindowPos(over, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    InvalidateRect(under, nullptr, TRUE);
    InvalidateRect(over, nullptr, TRUE);
    Drain();
    ExpectScreen({{360, 160, yellow, "the window on top"}});

    ShowWindow(over, SW_HIDE);
    Drain();
    ExpectScreen({{360, 160, red, "what the hidden window covered"}, {409, 189, red, "its far corner"}});

    // Destroying works the same way, and off every window the desktop shows again.
    ShowWindow(over, SW_SHOWNA);
    Drain();
    ExpectScreen({{360, 160, yellow, "shown again"}});
    DestroyWindow(over);
    Drain();
    ExpectScreen({{360, 160, red, "what the destroyed window covered"}});
}

TEST_F(PaintTest, MovingAWindowRepaintsBothPlaces)
{
    HWND under = Make(WS_POPUP | WS_VISIBLE, 600, 100, 300, 200);
    SetFill(under, red);
    HWND mover = Make(WS_POPUP | WS_VISIBLE, 620, 120, 40, 40);
    SetFill(mover, blue);
    SetWindowPos(mover, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    InvalidateRect(under, nullptr, TRUE);
    InvalidateRect(mover, nullptr, TRUE);
    Drain();
    MoveWindow(mover, 700, 200, 40, 40, TRUE);
    Drain();
    ExpectScreen({{630, 130, red, "the old place"}, {710, 210, blue, "the new place"}});
}

TEST_F(PaintTest, ClipChildrenKeepsTheParentsFillOutOfAChild)
{
    struct Case {
        DWORD style;
        bool child_repaints;  // without clipping, the child is invalidated and paints again
    } cases[] = {{WS_CLIPCHILDREN, false}, {0, true}};
    for (const auto &c : cases) {
        HWND parent = Make(WS_POPUP | WS_VISIBLE | c.style, 100, 400, 200, 150);
        SetFill(parent, red);
        HWND child = Make(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 50, 50, 40, 40, parent);
        SetFill(child, blue);
        Drain();
        paint_log().seen.clear();

        InvalidateRect(parent, nullptr, TRUE);
        UpdateWindow(parent);  // the parent and, where invalid, its children paint now
        Drain();
        EXPECT_EQ(c.child_repaints, !paint_log().only(WM_PAINT, child).empty()) << "style " << std::hex << c.style;
        ExpectScreen({{160, 460, blue, "the child"}, {110, 410, red, "the parent"}});
        DestroyWindow(parent);
        Drain();
    }
}

TEST_F(PaintTest, DefaultEraseFillsWithTheClassBrush)
{
    // A system colour index plus one stands for that colour's brush.
    const WCHAR *cls = PaintingClass((HBRUSH)(COLOR_BTNFACE + 1), TEXT("PaintTestsButtonFace"));
    paint_log().use_default_erase = true;
    HWND w = Make(WS_POPUP | WS_VISIBLE, 500, 400, 80, 60, nullptr, cls);
    Drain();
    ExpectScreen({{520, 420, GetSysColor(COLOR_BTNFACE), "the class brush"}});
    auto paints = paint_log().only(WM_PAINT, w);
    ASSERT_FALSE(paints.empty());
    EXPECT_FALSE(paints.back().erase);  // the default procedure erased it
}

TEST_F(PaintTest, PaintingIsClippedToTheUpdateRegion)
{
    HWND w = Make(WS_POPUP | WS_VISIBLE, 700, 400, 100, 100);
    SetFill(w, red);
    InvalidateRect(w, nullptr, TRUE);
    Drain();
    SetFill(w, green);
    RECT part = {0, 0, 50, 100};
    InvalidateRect(w, &part, FALSE);
    Drain();  // the window fills its whole client area; only the invalid half changes
    ExpectScreen({{710, 450, green, "the invalidated half"}, {760, 450, red, "the valid half"}});
}

TEST_F(PaintTest, WindowDcsDrawOnlyWhereTheWindowShows)
{
    SKIP_UNDER_WINE("its window DC of a bordered popup does not reach the border pixels on the screen, where a window DC "
                    "covers the whole window");
    struct Case {
        DWORD style;
        COLORREF child_after;
    } cases[] = {{WS_CLIPCHILDREN, blue}, {0, green}};
    for (const auto &c : cases) {
        HWND parent = Make(WS_POPUP | WS_BORDER | WS_VISIBLE | c.style, 400, 600, 200, 100);
        HWND child = Make(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 50, 20, 40, 40, parent);
        SetFill(child, blue);
        HWND cover = Make(WS_POPUP | WS_VISIBLE, 550, 600, 50, 100);
        SetFill(cover, yellow);
        SetWindowPos(cover, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        Drain();
        COLORREF border = ScreenAt(400, 600);

        HBRUSH brush = CreateSolidBrush(green);
        RECT all = {-10, -10, 300, 300};
        HDC dc = GetDC(parent);
        ASSERT_NE(nullptr, dc);
        EXPECT_EQ(parent, WindowFromDC(dc));
        FillRect(dc, &all, brush);
        EXPECT_EQ(1, ReleaseDC(parent, dc));
        ExpectScreen({{420, 610, green, "the parent's client area"},
                      {451 + 10, 621 + 10, c.child_after, "the child"},
                      {560, 650, yellow, "the window above"},
                      {400, 600, border, "the border, outside the client area"}});

        DeleteObject(brush);
        brush = CreateSolidBrush(red);
        dc = GetWindowDC(parent);
        FillRect(dc, &all, brush);
        ReleaseDC(parent, dc);
        ExpectScreen({{400, 600, red, "the border through the window DC"}, {560, 650, yellow, "the window above"}});
        DeleteObject(brush);
        DestroyWindow(cover);
        DestroyWindow(parent);
        Drain();
    }
}

using Reparenting = PaintTest;

TEST_F(Reparenting, BothParentsShowTheRightPixelsAfterward)
{
    HWND left = MakeSettled(WS_POPUP, 10, 10, 100, 100);
    HWND right = MakeSettled(WS_POPUP, 200, 10, 100, 100);
    SetFill(left, red);
    SetFill(right, green);
    HWND child = MakeSettled(WS_CHILD, 20, 20, 30, 30, left);
    SetFill(child, blue);
    InvalidateRect(left, nullptr, TRUE);
    InvalidateRect(right, nullptr, TRUE);
    InvalidateRect(child, nullptr, TRUE);
    ASSERT_TRUE(PumpUntil([&] { return ScreenAt(10 + 25, 10 + 25) == blue && ScreenAt(200 + 25, 10 + 25) == green; }));

    ASSERT_EQ(left, SetParent(child, right));
    EXPECT_TRUE(PumpUntil([&] { return ScreenAt(10 + 25, 10 + 25) == red; })) << "the old parent repaints the uncovered area";
    EXPECT_TRUE(PumpUntil([&] { return ScreenAt(200 + 25, 10 + 25) == blue; })) << "the child paints in its new parent";
}
