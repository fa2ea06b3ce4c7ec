// The animated image control on the virtual screen: where the frame lands, which frame shows,
// how the frame timer is re-armed, and what a missing or broken file leaves.
#include "image_host.h"

using namespace image_test;

namespace {

class ImageCtrlTest : public ::testing::Test
{
protected:
    GifScratch scratch;
    ControlHost<CxImageCtrl> host;
    const COLORREF btnFace = GetSysColor(COLOR_BTNFACE);

    std::u16string Write(const std::string &bytes) { return scratch.Write(u"test.gif", bytes); }
    void Load(const std::u16string &path) { host.ctrl.LoadGifFile(path.c_str()); }
    long Frame() const { return host.ctrl.GetImage() ? host.ctrl.GetImage()->GetFrame() : -1; }

    // The frames shown, in order, as WM_TIMER messages change them, until `count` were seen.
    std::vector<long> WatchFrames(size_t count)
    {
        std::vector<long> seen{Frame()};
        bool done = PumpUntilEach([&] {
            if (Frame() != seen.back())
                seen.push_back(Frame());
            return seen.size() >= count;
        }, kPumpBoundMs);
        EXPECT_TRUE(done) << "only " << seen.size() << " of " << count << " frames were shown";
        return seen;
    }
};

}  // namespace

TEST_F(ImageCtrlTest, ASingleFrameIsDrawnCentredOnTheButtonFaceWithoutATimer)
{
    host.ctrl.SetCenter(TRUE);
    Load(Write(EncodeGif(20, 10, TestPalette(), {SolidFrame(0, 0, 20, 10, kRed)})));
    host.Paint();

    ASSERT_NE(nullptr, host.ctrl.GetImage());
    EXPECT_FALSE(host.TakeTimer());
    // (100 - 20) / 2 = 40 across, (60 - 10) / 2 = 25 down.
    struct { int x, y; COLORREF want; } probes[] = {
        {40, 25, PaletteColour(kRed)}, {59, 34, PaletteColour(kRed)},  {39, 25, btnFace},
        {60, 34, btnFace},             {40, 24, btnFace},              {40, 35, btnFace},
        {0, 0, btnFace},               {99, 59, btnFace},
    };
    for (auto &p : probes)
        EXPECT_EQ(p.want, CtrlPixel(p.x, p.y)) << "at (" << p.x << "," << p.y << ")";
    CScreenPicture shot = CtrlShot();
    EXPECT_EQ(20 * 10, CountOther(shot, btnFace)) << "exactly the image covers the background";
}

TEST_F(ImageCtrlTest, WithoutCentringTheImageSitsAtTheTopLeftAndStretchingFillsTheControl)
{
    // Left half red, right half blue.
    FrameSpec halves = SolidFrame(0, 0, 20, 10, kRed);
    for (int y = 0; y < 10; ++y)
        for (int x = 10; x < 20; ++x)
            halves.pixels[y * 20 + x] = kBlue;
    Load(Write(EncodeGif(20, 10, TestPalette(), {halves})));
    host.Paint();
    EXPECT_EQ(PaletteColour(kRed), CtrlPixel(0, 0));
    EXPECT_EQ(PaletteColour(kBlue), CtrlPixel(19, 9));
    EXPECT_EQ(btnFace, CtrlPixel(20, 0));
    EXPECT_EQ(btnFace, CtrlPixel(0, 10));

    // Stretching wins over centring.
    host.ctrl.SetStretch(TRUE);
    host.ctrl.SetCenter(TRUE);
    host.Paint();
    EXPECT_EQ(PaletteColour(kRed), CtrlPixel(0, 0));
    EXPECT_EQ(PaletteColour(kRed), CtrlPixel(45, 59));
    EXPECT_EQ(PaletteColour(kBlue), CtrlPixel(55, 30));
    EXPECT_EQ(PaletteColour(kBlue), CtrlPixel(99, 59));
}

TEST_F(ImageCtrlTest, AnImageWiderThanTheControlOverhangsBothSidesEvenly)
{
    // 141 wide: (100 - 141) / 2 truncates to -20, so column 20 lands on x = 0 and column 119 on
    // x = 99. Columns 20..69 are red and 70..119 blue; everything outside them is black.
    FrameSpec wide = SolidFrame(0, 0, 141, 10, kBlack);
    for (int y = 0; y < 10; ++y)
        for (int x = 20; x < 120; ++x)
            wide.pixels[y * 141 + x] = x < 70 ? kRed : kBlue;
    host.ctrl.SetCenter(TRUE);
    Load(Write(EncodeGif(141, 10, TestPalette(), {wide})));
    host.Paint();
    struct { int x; COLORREF want; } probes[] = {
        {0, PaletteColour(kRed)}, {49, PaletteColour(kRed)}, {50, PaletteColour(kBlue)}, {99, PaletteColour(kBlue)},
    };
    for (auto &p : probes)
        EXPECT_EQ(p.want, CtrlPixel(p.x, 25)) << "at x = " << p.x;
    EXPECT_EQ(btnFace, CtrlPixel(0, 24));
    EXPECT_EQ(btnFace, CtrlPixel(99, 35));
}

TEST_F(ImageCtrlTest, TransparentPixelsShowTheBackgroundColour)
{
    // A red frame with a transparent 10 x 6 hole in its middle.
    FrameSpec holed = SolidFrame(0, 0, 20, 10, kRed);
    for (int y = 2; y < 8; ++y)
        for (int x = 5; x < 15; ++x)
            holed.pixels[y * 20 + x] = kWhite;
    holed.transparent = kWhite;
    holed.delay = 0;
    host.ctrl.SetCenter(TRUE);
    Load(Write(EncodeGif(20, 10, TestPalette(), {holed})));
    const COLORREF backgrounds[] = {RGB(10, 200, 200), RGB(250, 130, 0)};
    for (COLORREF background : backgrounds) {
        host.ctrl.SetBackgroundColor(background);   // repaints by itself
        host.Paint();
        EXPECT_EQ(background, CtrlPixel(50, 30)) << "the hole";
        EXPECT_EQ(PaletteColour(kRed), CtrlPixel(41, 26)) << "the frame around it";
        EXPECT_EQ(background, CtrlPixel(5, 5)) << "outside the image";
    }
}

TEST_F(ImageCtrlTest, AMissingOrBrokenFileLeavesAPlainBackgroundAndNoTimer)
{
    std::string gif = SolidAnimation(8, 8, {{kRed, 5}, {kBlue, 5}});
    struct { const char *what; std::string bytes; bool write; } cases[] = {
        {"missing", "", false},
        {"empty", "", true},
        {"not a GIF", "\x89PNG\r\n\x1a\n but not really", true},
        {"cut after the header", gif.substr(0, 13), true},
    };
    host.ctrl.SetCenter(TRUE);
    for (auto &c : cases) {
        // A running animation first, so the load has something to stop.
        Load(Write(gif));
        ASSERT_NE(nullptr, host.ctrl.GetImage());
        std::u16string path = scratch.Path(u"case.gif");
        DeleteFileW(path.c_str());
        if (c.write)
            WriteWholeFile(path, c.bytes);
        Load(path);
        host.Paint();
        EXPECT_EQ(nullptr, host.ctrl.GetImage()) << c.what;
        EXPECT_FALSE(host.TakeTimer()) << c.what;
        EXPECT_EQ(0, CountOther(CtrlShot(), btnFace)) << c.what;
    }
}

TEST_F(ImageCtrlTest, LoadingAgainReplacesTheImageAndStopsTheOldAnimation)
{
    host.ctrl.SetCenter(TRUE);
    Load(Write(SolidAnimation(8, 8, {{kRed, 5}, {kBlue, 5}})));
    Load(scratch.Write(u"single.gif", EncodeGif(8, 8, TestPalette(), {SolidFrame(0, 0, 8, 8, kGreen)})));
    host.Paint();
    EXPECT_FALSE(host.TakeTimer());
    EXPECT_EQ(PaletteColour(kGreen), CtrlPixel(50, 30));
}

TEST_F(ImageCtrlTest, AfterLoadTheLastFrameShowsAndTheFirstTickWrapsToFrameZero)
{
    // The last frame's own delay (655 s) must not time the first tick: that one comes at 100 ms.
    host.ctrl.SetCenter(TRUE);
    Load(Write(SolidAnimation(10, 10, {{kRed, 65535}, {kGreen, 65535}, {kBlue, 65535}})));
    host.Paint();
    EXPECT_EQ(2, Frame());
    EXPECT_EQ(PaletteColour(kBlue), CtrlPixel(50, 30));

    EXPECT_EQ((std::vector<long>{2, 0}), WatchFrames(2));
    host.Paint();
    EXPECT_EQ(PaletteColour(kRed), CtrlPixel(50, 30));
    EXPECT_TRUE(host.TakeTimer()) << "re-armed for the next frame";
}

TEST_F(ImageCtrlTest, EachTickRearmsFromTheDelayOfTheFrameItReplaces)
{
    // Frame 0 shows for the last frame's delay (0, the shortest timer), frame 1 for frame 0's.
    // Timing frame 0 by its own delay (655 s) would never show frame 1.
    host.ctrl.SetCenter(TRUE);
    Load(Write(SolidAnimation(10, 10, {{kRed, 65535}, {kGreen, 0}, {kBlue, 0}})));
    EXPECT_EQ((std::vector<long>{2, 0, 1}), WatchFrames(3));
    host.Paint();
    EXPECT_EQ(PaletteColour(kGreen), CtrlPixel(50, 30));
}

TEST_F(ImageCtrlTest, FramesWrapAfterTheLastAndEachShowsItsOwnPixels)
{
    host.ctrl.SetCenter(TRUE);
    Load(Write(SolidAnimation(10, 10, {{kRed, 1}, {kGreen, 1}, {kBlue, 0}})));
    const COLORREF colours[] = {PaletteColour(kRed), PaletteColour(kGreen), PaletteColour(kBlue)};
    std::vector<long> seen{Frame()};
    std::vector<COLORREF> shown;
    ASSERT_TRUE(PumpUntilEach([&] {
        if (Frame() != seen.back()) {
            seen.push_back(Frame());
            host.Paint();
            shown.push_back(CtrlPixel(50, 30));
        }
        return seen.size() >= 8;
    }, kPumpBoundMs)) << "only " << seen.size() << " frames were shown";
    EXPECT_EQ((std::vector<long>{2, 0, 1, 2, 0, 1, 2, 0}), seen);
    for (size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(colours[seen[i + 1]], shown[i]) << "after change " << i;
}

TEST_F(ImageCtrlTest, ATimerMessageWithAnyIdAdvancesOneFrameAndRearms)
{
    host.ctrl.SetCenter(TRUE);
    Load(Write(SolidAnimation(10, 10, {{kRed, 65535}, {kGreen, 65535}, {kBlue, 65535}})));
    ASSERT_TRUE(host.TakeTimer());   // stopped, as the HTML control stops it
    struct { WPARAM id; long frame; COLORREF colour; } ticks[] = {
        {IDT_ANIMATION, 0, PaletteColour(kRed)},
        {1, 1, PaletteColour(kGreen)},
        {0, 2, PaletteColour(kBlue)},
        {0xFFFF, 0, PaletteColour(kRed)},
    };
    for (auto &t : ticks) {
        SendMessageW(host.Hwnd(), WM_TIMER, t.id, 0);
        host.Paint();
        EXPECT_EQ(t.frame, Frame()) << "id " << t.id;
        EXPECT_EQ(t.colour, CtrlPixel(50, 30)) << "id " << t.id;
        EXPECT_TRUE(host.TakeTimer()) << "id " << t.id;
    }
}

TEST_F(ImageCtrlTest, ATickWithoutAnImageStopsTheTimerForGood)
{
    Load(scratch.Path(u"nothing-here.gif"));
    ASSERT_EQ(nullptr, host.ctrl.GetImage());
    // Started anyway, as a careless caller might.
    ASSERT_NE(0u, SetTimer(host.Hwnd(), IDT_ANIMATION, 10, nullptr));
    // Only the timer's message is taken, so it is known to have reached the control.
    bool ticked = false;
    for (DWORD start = GetTickCount(); !ticked && GetTickCount() - start < 20000;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_TIMER);
        MSG msg;
        if (PeekMessageW(&msg, host.Hwnd(), WM_TIMER, WM_TIMER, PM_REMOVE)) {
            DispatchMessageW(&msg);
            ticked = true;
        }
    }
    ASSERT_TRUE(ticked) << "the timer never fired";
    EXPECT_FALSE(host.TakeTimer());
    host.Paint();
    EXPECT_EQ(0, CountOther(CtrlShot(), btnFace));
}

TEST_F(ImageCtrlTest, AParentBackgroundIsTakenOnceFromTheParentsPixels)
{
    host.ctrl.SetParentBackground(TRUE);
    host.ctrl.ShowWindow(SW_HIDE);
    host.Paint();
    host.ctrl.ShowWindow(SW_SHOW);
    host.Paint();
    EXPECT_EQ(0, CountOther(CtrlShot(), kParentColour)) << "the first paint copies what the parent shows";

    // The parent turns green: the control keeps its first snapshot.
    SetFill(host.Parent(), RGB(0, 160, 0));
    InvalidateRect(host.Parent(), nullptr, FALSE);
    host.Paint();
    host.ctrl.Invalidate(FALSE);
    host.Paint();
    EXPECT_EQ(0, CountOther(CtrlShot(), kParentColour));

    // Temporary GDI objects go at idle time; the control must not hold one for its destruction.
    CGdiObject::DeleteTempMap();
    CDC::DeleteTempMap();
}
