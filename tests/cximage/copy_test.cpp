// Copying frames into the displayed image, as an animation does on each tick.
#include <windows.h>

#include <ximage.h>

#include "gif_fixture.h"

namespace {

const auto kPalette = TestPalette();

// Frames: red (delay 10), green with a transparent right half over the red (no delay), blue (25).
std::string Animation()
{
    FrameSpec a = SolidFrame(0, 0, 4, 2, kRed), b = SolidFrame(0, 0, 4, 2, kGreen), c = SolidFrame(0, 0, 4, 2, kBlue);
    a.delay = 10;
    a.disposal = DISPOSE_BACKGROUND;
    b.pixels = {kGreen, kGreen, kWhite, kWhite, kGreen, kGreen, kWhite, kWhite};
    b.transparent = kWhite;
    b.delay = 0;
    c.delay = 25;
    return EncodeGif(4, 2, kPalette, {a, b, c});
}

// Loaded the way the animation control loads: every frame kept, the last one displayed.
void LoadAllShowingLast(CxImage &image, const std::u16string &path)
{
    CxImage probe(path.c_str(), CXIMAGE_TYPE_GIF);
    ASSERT_TRUE(probe.IsValid());
    image.SetRetreiveAllFrames(true);
    image.SetFrame(probe.GetNumFrames() - 1);
    ASSERT_TRUE(image.Load(path.c_str(), CXIMAGE_TYPE_GIF));
}

TEST(CxImageCopy, PlayingTheAnimationCyclesThroughEveryFrame)
{
    GifScratch dir;
    CxImage image;
    LoadAllShowingLast(image, dir.Write(u"anim.gif", Animation()));
    ASSERT_EQ(3, image.GetNumFrames());

    // Each tick reads the displayed delay, then copies the next frame in.
    struct Tick {
        DWORD delayBefore;
        long frameAfter;
        COLORREF left, right;
        BYTE rightAlpha;
    };
    const Tick expected[] = {
        {25, 0, RGB(255, 0, 0), RGB(255, 0, 0), 255},
        {10, 1, RGB(0, 255, 0), 0, 0},  // frame 0 was cleared to transparent before frame 1
        {0, 2, RGB(0, 0, 255), RGB(0, 0, 255), 255},
        {25, 0, RGB(255, 0, 0), RGB(255, 0, 0), 255},
        {10, 1, RGB(0, 255, 0), 0, 0},
    };
    for (const Tick &t : expected) {
        EXPECT_EQ(t.delayBefore, image.GetFrameDelay()) << "before frame " << t.frameAfter;
        long next = image.GetFrame() + 1;
        if (next >= image.GetNumFrames())
            next = 0;
        CxImage *frame = image.GetFrame(next);
        ASSERT_NE(nullptr, frame);
        EXPECT_TRUE(image.Copy(*frame, true, true, true));
        image.SetFrame(next);
        EXPECT_EQ(t.frameAfter, image.GetFrame());
        EXPECT_EQ(t.left, image.GetPixelColor(0, 1)) << "frame " << t.frameAfter;
        EXPECT_EQ(t.right, image.GetPixelColor(3, 1)) << "frame " << t.frameAfter;
        EXPECT_EQ(t.rightAlpha, image.AlphaGet(3, 1)) << "frame " << t.frameAfter;
    }
    // Copying never touched the kept frames.
    EXPECT_EQ(3, image.GetNumFrames());
    EXPECT_EQ(RGB(0, 0, 255), image.GetFrame(2L)->GetPixelColor(0, 0));
    EXPECT_EQ(25u, image.GetFrame(2L)->GetFrameDelay());
}

TEST(CxImageCopy, FlagsChooseWhatArrives)
{
    GifScratch dir;
    CxImage image;
    LoadAllShowingLast(image, dir.Write(u"anim.gif", Animation()));
    const CxImage &holey = *image.GetFrame(1L);

    CxImage opaque;
    ASSERT_TRUE(opaque.Copy(holey, true, true, false));
    EXPECT_EQ(4u, opaque.GetWidth());
    EXPECT_EQ(2u, opaque.GetHeight());
    EXPECT_EQ(255, opaque.AlphaGet(3, 0));  // without alpha every pixel is shown
    EXPECT_EQ(RGB(0, 255, 0), opaque.GetPixelColor(0, 0));
    EXPECT_EQ(0u, opaque.GetFrameDelay());

    // Alpha alone: the colours stay, the transparency comes over.
    CxImage blue;
    ASSERT_TRUE(blue.Copy(*image.GetFrame(2L)));
    ASSERT_TRUE(blue.Copy(holey, false, false, true));
    EXPECT_EQ(RGB(0, 0, 255), blue.GetPixelColor(0, 0));
    EXPECT_EQ(255, blue.AlphaGet(0, 0));
    EXPECT_EQ(0, blue.AlphaGet(3, 0));
    EXPECT_EQ(25u, blue.GetFrameDelay());

    // Alpha from an image of another size has nowhere to go.
    CxImage small(dir.Write(u"small.gif", EncodeGif(1, 1, kPalette, {SolidFrame(0, 0, 1, 1, kRed)})).c_str(),
                  CXIMAGE_TYPE_GIF);
    ASSERT_TRUE(small.IsValid());
    EXPECT_FALSE(blue.Copy(small, false, false, true));
    EXPECT_EQ(0, blue.AlphaGet(3, 0));

    // Copying an image onto itself changes nothing.
    EXPECT_TRUE(blue.Copy(blue));
    EXPECT_EQ(RGB(0, 0, 255), blue.GetPixelColor(0, 0));
}

TEST(CxImageCopy, CopyingAnEmptyImageLeavesAnEmptyOne)
{
    GifScratch dir;
    CxImage image(dir.Write(u"anim.gif", Animation()).c_str(), CXIMAGE_TYPE_GIF);
    ASSERT_TRUE(image.IsValid());
    CxImage empty;
    EXPECT_FALSE(image.Copy(empty, true, true, true));
    EXPECT_FALSE(image.IsValid());
    EXPECT_EQ(0u, image.GetWidth());
    EXPECT_EQ(0u, image.GetFrameDelay());
    EXPECT_EQ(3, image.GetNumFrames());  // the file's frame count is not the picture's
}

}  // namespace
