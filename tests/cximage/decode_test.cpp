// Decoding GIF files: composed frames and their alpha, delays, frame counts, damaged and hostile files.
#include <windows.h>

#include <ximage.h>

#include "gif_fixture.h"

#include <memory>

namespace {

const auto kPalette = TestPalette();

struct Expected {
    long x, y;
    GifPixelType colour;  // palette index; ignored when transparent
    bool transparent;
};

void ExpectPixels(const CxImage &image, const std::vector<Expected> &pixels, const char *what)
{
    for (const Expected &p : pixels) {
        SCOPED_TRACE(::testing::Message() << what << " pixel (" << p.x << "," << p.y << ")");
        if (p.transparent) {
            EXPECT_EQ(0, image.AlphaGet(p.x, p.y));
        } else {
            EXPECT_EQ(255, image.AlphaGet(p.x, p.y));
            EXPECT_EQ(Rgb(kPalette[p.colour]), image.GetPixelColor(p.x, p.y));
        }
    }
}

// Three full-screen frames of different colours and delays (the middle one without any).
std::string ThreeFrames()
{
    FrameSpec a = SolidFrame(0, 0, 3, 2, kRed), b = SolidFrame(0, 0, 3, 2, kGreen), c = SolidFrame(0, 0, 3, 2, kBlue);
    a.delay = 10;
    b.delay = 0;
    c.delay = 25;
    return EncodeGif(3, 2, kPalette, {a, b, c});
}

TEST(CxImageDecode, SingleFrameGivesItsPixelsOpaqueAndNoDelay)
{
    GifScratch dir;
    FrameSpec f;
    f.width = 3, f.height = 2;
    f.pixels = {kRed, kGreen, kBlue, kWhite, kBlack, kYellow};
    CxImage image(dir.Write(u"one.gif", EncodeGif(3, 2, kPalette, {f})).c_str(), CXIMAGE_TYPE_GIF);
    ASSERT_TRUE(image.IsValid());
    EXPECT_EQ(3u, image.GetWidth());
    EXPECT_EQ(2u, image.GetHeight());
    EXPECT_EQ(1, image.GetNumFrames());
    EXPECT_EQ(0u, image.GetFrameDelay());
    ExpectPixels(image, {{0, 0, kRed, false}, {1, 0, kGreen, false}, {2, 0, kBlue, false},
                         {0, 1, kWhite, false}, {1, 1, kBlack, false}, {2, 1, kYellow, false}},
                 "single");
    EXPECT_EQ(nullptr, image.GetFrame(0L));  // frames are kept only when asked for
}

TEST(CxImageDecode, FrameCountIsKnownBeforeAllFramesAreKept)
{
    GifScratch dir;
    std::u16string path = dir.Write(u"three.gif", ThreeFrames());
    CxImage image(path.c_str(), CXIMAGE_TYPE_GIF);
    ASSERT_TRUE(image.IsValid());
    EXPECT_EQ(3, image.GetNumFrames());
    EXPECT_EQ(10u, image.GetFrameDelay());  // the displayed frame is frame 0
    ExpectPixels(image, {{1, 1, kRed, false}}, "first decode");
    EXPECT_EQ(nullptr, image.GetFrame(1L));

    image.SetRetreiveAllFrames(true);
    image.SetFrame(image.GetNumFrames() - 1);
    ASSERT_TRUE(image.Load(path.c_str(), CXIMAGE_TYPE_GIF));
    EXPECT_EQ(3, image.GetNumFrames());
    EXPECT_EQ(2, image.GetFrame());
    EXPECT_EQ(25u, image.GetFrameDelay());
    ExpectPixels(image, {{0, 0, kBlue, false}}, "displayed last frame");

    const DWORD delays[] = {10, 0, 25};
    const GifPixelType colours[] = {kRed, kGreen, kBlue};
    for (long i = 0; i < 3; ++i) {
        CxImage *frame = image.GetFrame(i);
        ASSERT_NE(nullptr, frame) << i;
        EXPECT_TRUE(frame->IsValid());
        EXPECT_EQ(delays[i], frame->GetFrameDelay()) << i;
        ExpectPixels(*frame, {{2, 1, colours[i], false}}, "kept frame");
    }
    EXPECT_EQ(nullptr, image.GetFrame(3L));
    EXPECT_EQ(nullptr, image.GetFrame(-1L));
}

TEST(CxImageDecode, SetFrameBeforeLoadChoosesTheDisplayedFrame)
{
    GifScratch dir;
    std::u16string path = dir.Write(u"three.gif", ThreeFrames());
    CxImage image;
    image.SetFrame(1);
    ASSERT_TRUE(image.Load(path.c_str(), CXIMAGE_TYPE_GIF));
    ExpectPixels(image, {{0, 0, kGreen, false}}, "frame 1 without the others");
    EXPECT_EQ(nullptr, image.GetFrame(1L));

    // A frame the file does not have: the load fails, the count stays known.
    for (long missing : {3L, -1L}) {
        image.SetFrame(missing);
        EXPECT_FALSE(image.Load(path.c_str(), CXIMAGE_TYPE_GIF)) << missing;
        EXPECT_FALSE(image.IsValid()) << missing;
        EXPECT_EQ(3, image.GetNumFrames()) << missing;
        EXPECT_EQ(nullptr, image.GetFrame(0L)) << missing;
    }
    image.SetFrame(3);
    image.SetRetreiveAllFrames(true);
    EXPECT_FALSE(image.Load(path.c_str(), CXIMAGE_TYPE_GIF));
    EXPECT_EQ(nullptr, image.GetFrame(0L));
}

// Frame 0 fills the screen red; frame 1 paints green at (1,1) of its 2x2 square at (1,1), the rest
// of the square transparent, with the disposal under test; frame 2 paints one blue pixel at (0,0).
struct DisposalCase {
    int disposal;
    const char *name;
    std::vector<Expected> afterward;  // frame 2
};

TEST(CxImageDecode, DisposalDecidesWhatTheNextFrameIsDrawnOver)
{
    const std::vector<DisposalCase> cases = {
        {DISPOSAL_UNSPECIFIED, "unspecified", {{1, 1, kGreen, false}, {2, 2, kRed, false}, {0, 0, kBlue, false}}},
        {DISPOSE_DO_NOT, "leave", {{1, 1, kGreen, false}, {2, 2, kRed, false}, {3, 3, kRed, false}}},
        {DISPOSE_BACKGROUND, "background", {{1, 1, 0, true}, {2, 2, 0, true}, {3, 3, kRed, false}, {0, 1, kRed, false}}},
        {DISPOSE_PREVIOUS, "previous", {{1, 1, kRed, false}, {2, 2, kRed, false}, {0, 0, kBlue, false}}},
    };
    GifScratch dir;
    for (const DisposalCase &c : cases) {
        SCOPED_TRACE(c.name);
        FrameSpec base = SolidFrame(0, 0, 4, 4, kRed);
        base.delay = 5;
        base.disposal = DISPOSE_DO_NOT;
        FrameSpec over = SolidFrame(1, 1, 2, 2, kWhite);
        over.pixels = {kGreen, kWhite, kWhite, kWhite};
        over.transparent = kWhite;
        over.disposal = c.disposal;
        over.delay = 5;
        FrameSpec dot = SolidFrame(0, 0, 1, 1, kBlue);
        std::u16string path = dir.Write(u"disposal.gif", EncodeGif(4, 4, kPalette, {base, over, dot}));
        CxImage image;
        image.SetRetreiveAllFrames(true);
        ASSERT_TRUE(image.Load(path.c_str(), CXIMAGE_TYPE_GIF));
        ASSERT_EQ(3, image.GetNumFrames());
        // Disposal acts after a frame has been shown: frame 1 itself looks the same in every case.
        ExpectPixels(*image.GetFrame(1L), {{1, 1, kGreen, false}, {2, 2, kRed, false}, {2, 1, kRed, false}}, "frame 1");
        ExpectPixels(*image.GetFrame(2L), c.afterward, "frame 2");
    }
}

TEST(CxImageDecode, UnpaintedAndClearedAreasAreTransparent)
{
    GifScratch dir;
    // A first frame covering only part of the screen, cleared to the background afterwards.
    FrameSpec corner = SolidFrame(2, 2, 2, 2, kCyan);
    corner.disposal = DISPOSE_BACKGROUND;
    corner.delay = 3;
    FrameSpec next = SolidFrame(0, 0, 1, 1, kMagenta);
    std::u16string path = dir.Write(u"partial.gif", EncodeGif(4, 4, kPalette, {corner, next}));
    CxImage image;
    image.SetRetreiveAllFrames(true);
    ASSERT_TRUE(image.Load(path.c_str(), CXIMAGE_TYPE_GIF));
    ExpectPixels(*image.GetFrame(0L), {{0, 0, 0, true}, {1, 3, 0, true}, {2, 2, kCyan, false}, {3, 3, kCyan, false}},
                 "frame 0");
    ExpectPixels(*image.GetFrame(1L), {{0, 0, kMagenta, false}, {2, 2, 0, true}, {3, 3, 0, true}}, "frame 1");
    // Past the edge there is nothing.
    EXPECT_EQ(0, image.AlphaGet(4, 0));
    EXPECT_EQ(0u, image.GetPixelColor(-1, 0));
}

TEST(CxImageDecode, InterlacedRowsLandWhereTheyBelong)
{
    GifScratch dir;
    std::vector<GifColorType> palette;
    for (int i = 0; i < 11; ++i)
        palette.push_back({static_cast<GifByteType>(i * 20), static_cast<GifByteType>(200 - i * 10), 7});
    FrameSpec f;
    f.width = 2, f.height = 11, f.interlace = true;
    for (int r = 0; r < 11; ++r)
        f.pixels.insert(f.pixels.end(), {static_cast<GifPixelType>(r), static_cast<GifPixelType>(r)});
    CxImage image(dir.Write(u"interlaced.gif", EncodeGif(2, 11, palette, {f})).c_str(), CXIMAGE_TYPE_GIF);
    ASSERT_TRUE(image.IsValid());
    for (long r = 0; r < 11; ++r) {
        EXPECT_EQ(Rgb(palette[r]), image.GetPixelColor(0, r)) << "row " << r;
        EXPECT_EQ(Rgb(palette[r]), image.GetPixelColor(1, r)) << "row " << r;
    }
}

TEST(CxImageDecode, LocalColourMapsApplyToTheirFrameOnly)
{
    GifScratch dir;
    FrameSpec global = SolidFrame(0, 0, 2, 1, kRed);  // index 1 in the global map: red
    global.delay = 1;
    FrameSpec local = SolidFrame(1, 0, 1, 1, 1);
    local.localMap = {{10, 20, 30}, {40, 50, 60}};
    local.delay = 1;
    FrameSpec after = SolidFrame(0, 0, 1, 1, 1);
    std::u16string path = dir.Write(u"local.gif", EncodeGif(2, 1, kPalette, {global, local, after}));
    CxImage image;
    image.SetRetreiveAllFrames(true);
    ASSERT_TRUE(image.Load(path.c_str(), CXIMAGE_TYPE_GIF));
    EXPECT_EQ(RGB(40, 50, 60), image.GetFrame(1L)->GetPixelColor(1, 0));
    EXPECT_EQ(RGB(255, 0, 0), image.GetFrame(1L)->GetPixelColor(0, 0));
    EXPECT_EQ(RGB(255, 0, 0), image.GetFrame(2L)->GetPixelColor(0, 0));
    EXPECT_EQ(RGB(40, 50, 60), image.GetFrame(2L)->GetPixelColor(1, 0));
}

TEST(CxImageDecode, ScreenSizeAndFramesOutsideIt)
{
    GifScratch dir;
    // A frame larger than the screen is cut at the screen's edge.
    FrameSpec big = SolidFrame(0, 0, 5, 5, kYellow);
    CxImage clipped(dir.Write(u"big.gif", EncodeGif(2, 3, kPalette, {big})).c_str(), CXIMAGE_TYPE_GIF);
    ASSERT_TRUE(clipped.IsValid());
    EXPECT_EQ(2u, clipped.GetWidth());
    EXPECT_EQ(3u, clipped.GetHeight());
    EXPECT_EQ(Rgb(kPalette[kYellow]), clipped.GetPixelColor(1, 2));

    // An empty logical screen takes its size from the first frame.
    FrameSpec placed = SolidFrame(1, 2, 3, 1, kBlue);
    CxImage sized(dir.Write(u"noscreen.gif", EncodeGif(0, 0, kPalette, {placed})).c_str(), CXIMAGE_TYPE_GIF);
    ASSERT_TRUE(sized.IsValid());
    EXPECT_EQ(4u, sized.GetWidth());
    EXPECT_EQ(3u, sized.GetHeight());
    EXPECT_EQ(0, sized.AlphaGet(0, 0));
    EXPECT_EQ(Rgb(kPalette[kBlue]), sized.GetPixelColor(3, 2));
}

TEST(CxImageDecode, AbsurdSizesAreRefused)
{
    GifScratch dir;
    // 65535 x 65535 would need 16 GiB of pixels; the file itself is a few bytes.
    FrameSpec dot = SolidFrame(0, 0, 1, 1, kRed);
    CxImage huge(dir.Write(u"huge.gif", EncodeGif(65535, 65535, kPalette, {dot})).c_str(), CXIMAGE_TYPE_GIF);
    EXPECT_FALSE(huge.IsValid());
    EXPECT_EQ(0u, huge.GetWidth());

    // A frame claiming far more pixels than its data holds, on a small screen.
    FrameSpec liar = SolidFrame(0, 0, 1, 1, kRed);
    std::string bytes = EncodeGif(8, 8, kPalette, {liar});
    // The image descriptor follows the screen descriptor and global map: ',' left top width height.
    size_t desc = bytes.find(',', 13 + 3 * 8);
    ASSERT_NE(std::string::npos, desc);
    bytes[desc + 5] = bytes[desc + 6] = bytes[desc + 7] = bytes[desc + 8] = '\xff';
    CxImage lying(dir.Write(u"liar.gif", bytes).c_str(), CXIMAGE_TYPE_GIF);
    EXPECT_FALSE(lying.IsValid());
}

TEST(CxImageDecode, DamagedFilesKeepTheFramesCompleteBeforeTheDamage)
{
    GifScratch dir;
    FrameSpec a = SolidFrame(0, 0, 16, 16, kRed), b = SolidFrame(0, 0, 16, 16, kGreen);
    FrameSpec c;
    c.width = c.height = 16;
    for (int i = 0; i < 256; ++i)
        c.pixels.push_back(static_cast<GifPixelType>(i * 7 % 8));  // enough data to cut into
    a.delay = b.delay = c.delay = 4;
    std::string three = EncodeGif(16, 16, kPalette, {a, b, c});
    std::string two = EncodeGif(16, 16, kPalette, {a, b});
    // The two-frame file without its trailer is where the third frame begins.
    ASSERT_EQ(two.substr(0, two.size() - 1), three.substr(0, two.size() - 1));

    std::u16string path = dir.Write(u"cut.gif", three.substr(0, two.size() - 1 + 30));
    CxImage image(path.c_str(), CXIMAGE_TYPE_GIF);
    ASSERT_TRUE(image.IsValid());
    EXPECT_EQ(2, image.GetNumFrames());
    image.SetRetreiveAllFrames(true);
    image.SetFrame(1);
    ASSERT_TRUE(image.Load(path.c_str(), CXIMAGE_TYPE_GIF));
    EXPECT_EQ(Rgb(kPalette[kGreen]), image.GetPixelColor(5, 5));
    EXPECT_EQ(nullptr, image.GetFrame(2L));

    // Cut inside the first frame, or before it: nothing to show.
    const size_t cuts[] = {0, 6, 13, 13 + 3 * 8 + 5, two.size() / 2 - 20};
    for (size_t cut : cuts) {
        CxImage damaged(dir.Write(u"short.gif", three.substr(0, cut)).c_str(), CXIMAGE_TYPE_GIF);
        EXPECT_FALSE(damaged.IsValid()) << "cut at " << cut;
        EXPECT_EQ(0, damaged.GetNumFrames()) << "cut at " << cut;
    }
}

TEST(CxImageDecode, GarbageMissingAndOtherTypesGiveAnInvalidImage)
{
    GifScratch dir;
    std::string valid = EncodeGif(2, 2, kPalette, {SolidFrame(0, 0, 2, 2, kRed)});
    std::string scrambled = valid;
    for (size_t i = 13; i < scrambled.size(); ++i)
        scrambled[i] = static_cast<char>(scrambled[i] * 31 + 17);
    struct Case {
        const char *name;
        std::u16string path;
        DWORD type;
    } cases[] = {
        {"text", dir.Write(u"text.gif", "this is not a picture at all"), CXIMAGE_TYPE_GIF},
        {"empty", dir.Write(u"empty.gif", ""), CXIMAGE_TYPE_GIF},
        {"signature only", dir.Write(u"sig.gif", "GIF89a"), CXIMAGE_TYPE_GIF},
        {"scrambled body", dir.Write(u"scrambled.gif", scrambled), CXIMAGE_TYPE_GIF},
        {"missing", dir.Path(u"absent.gif"), CXIMAGE_TYPE_GIF},
        {"another type", dir.Write(u"valid.gif", valid), 4},
        {"unknown type", dir.Path(u"valid.gif"), CXIMAGE_TYPE_UNKNOWN},
    };
    for (const Case &c : cases) {
        CxImage image(c.path.c_str(), c.type);
        EXPECT_FALSE(image.IsValid()) << c.name;
        EXPECT_EQ(0, image.GetNumFrames()) << c.name;
        EXPECT_EQ(0u, image.GetWidth()) << c.name;
    }
    CxImage image(dir.Path(u"valid.gif").c_str(), CXIMAGE_TYPE_GIF);
    EXPECT_TRUE(image.IsValid());
    // A failed reload leaves no stale picture behind.
    EXPECT_FALSE(image.Load(dir.Path(u"text.gif").c_str(), CXIMAGE_TYPE_GIF));
    EXPECT_FALSE(image.IsValid());
    EXPECT_FALSE(image.Load(nullptr, CXIMAGE_TYPE_GIF));
}

TEST(CxImageDecode, FramesAreReleasedThroughTheBasePointer)
{
    GifScratch dir;
    std::u16string path = dir.Write(u"three.gif", ThreeFrames());
    std::unique_ptr<CxImage> image(new CxImage(path.c_str(), CXIMAGE_TYPE_GIF));
    image->SetRetreiveAllFrames(true);
    ASSERT_TRUE(image->Load(path.c_str(), CXIMAGE_TYPE_GIF));
    // Loading again replaces the kept frames rather than adding to them (the sanitizer build checks
    // that nothing leaks on either path).
    ASSERT_TRUE(image->Load(path.c_str(), CXIMAGE_TYPE_GIF));
    EXPECT_EQ(3, image->GetNumFrames());
    EXPECT_NE(nullptr, image->GetFrame(2L));
    EXPECT_EQ(nullptr, image->GetFrame(3L));
}

}  // namespace
