// The please-wait animation the build puts beside the programs as Images\Wait.gif.
#include <windows.h>

#include <ximage.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string WaitGifPath()
{
    WCHAR self[MAX_PATH];
    DWORD n = GetModuleFileNameW(NULL, self, MAX_PATH);
    std::u16string path(self, n);
    return path.substr(0, path.rfind(u'\\') + 1) + u"Images\\Wait.gif";
}

TEST(WaitAnimation, IsALoopOfDistinctTimedFramesOnATransparentGround)
{
    std::u16string path = WaitGifPath();
    CxImage image(path.c_str(), CXIMAGE_TYPE_GIF);
    ASSERT_TRUE(image.IsValid());
    ASSERT_GT(image.GetNumFrames(), 1);
    image.SetRetreiveAllFrames(true);
    ASSERT_TRUE(image.Load(path.c_str(), CXIMAGE_TYPE_GIF));

    const long count = image.GetNumFrames();
    for (long i = 0; i < count; ++i) {
        SCOPED_TRACE(::testing::Message() << "frame " << i);
        const CxImage *frame = image.GetFrame(i);
        ASSERT_NE(nullptr, frame);
        EXPECT_GT(frame->GetFrameDelay(), 0u);
        EXPECT_EQ(image.GetWidth(), frame->GetWidth());
        long opaque = 0, transparent = 0;
        for (long y = 0; y < static_cast<long>(frame->GetHeight()); ++y)
            for (long x = 0; x < static_cast<long>(frame->GetWidth()); ++x)
                (frame->AlphaGet(x, y) == 255 ? opaque : transparent) += 1;
        EXPECT_GT(opaque, 0);
        EXPECT_GT(transparent, opaque);  // a spinner, not a filled square
        // The corners lie outside the spinner.
        EXPECT_EQ(0, frame->AlphaGet(0, 0));

        // The next frame shows the spinner turned: some pixel differs.
        const CxImage *next = image.GetFrame((i + 1) % count);
        ASSERT_NE(nullptr, next);
        bool differs = false;
        for (long y = 0; y < static_cast<long>(frame->GetHeight()) && !differs; ++y)
            for (long x = 0; x < static_cast<long>(frame->GetWidth()) && !differs; ++x)
                differs = frame->GetPixelColor(x, y) != next->GetPixelColor(x, y) ||
                          frame->AlphaGet(x, y) != next->AlphaGet(x, y);
        EXPECT_TRUE(differs);
    }
}

}  // namespace
