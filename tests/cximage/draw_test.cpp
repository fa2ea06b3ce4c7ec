// Drawing into a memory DC over a pre-filled background: transparency, scaling, clipping.
#include <windows.h>

#include <ximage.h>

#include "gif_fixture.h"
#include "support/TopDownDib.h"

#include <functional>
#include <string>

namespace {

const auto kPalette = TestPalette();
const COLORREF kGround = RGB(0x40, 0x80, 0xC0);

// A 32-bit top-down DIB section selected into a memory DC, filled with one colour.
class Canvas
{
public:
    Canvas(int width, int height, COLORREF fill) : m_width(width), m_height(height)
    {
        BITMAPINFO info = TopDownDib32(width, height);
        m_dc = CreateCompatibleDC(NULL);
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, reinterpret_cast<void **>(&m_bits), NULL, 0);
        EXPECT_NE(nullptr, m_dc);
        EXPECT_NE(nullptr, m_bitmap);
        m_old = SelectObject(m_dc, m_bitmap);
        Fill(fill);
    }
    ~Canvas()
    {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    HDC dc() const { return m_dc; }
    void Fill(COLORREF colour)
    {
        DWORD pixel = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
        for (int i = 0; i < m_width * m_height; ++i)
            m_bits[i] = pixel;
    }
    COLORREF At(int x, int y) const
    {
        GdiFlush();
        DWORD pixel = m_bits[y * m_width + x];
        return RGB((pixel >> 16) & 0xff, (pixel >> 8) & 0xff, pixel & 0xff);
    }
    // One character a pixel: 'g' ground, 'G' green, 'R' red, '?' anything else.
    std::string Row(int y) const
    {
        std::string row;
        for (int x = 0; x < m_width; ++x) {
            COLORREF c = At(x, y);
            row += c == kGround ? 'g' : c == RGB(0, 255, 0) ? 'G' : c == RGB(255, 0, 0) ? 'R' : '?';
        }
        return row;
    }

private:
    int m_width, m_height;
    HDC m_dc = NULL;
    HBITMAP m_bitmap = NULL;
    HGDIOBJ m_old = NULL;
    DWORD *m_bits = nullptr;
};

// 4x2: green, red, then two transparent pixels on each row.
std::string HalfTransparent()
{
    FrameSpec f = SolidFrame(0, 0, 4, 2, kWhite);
    f.pixels = {kGreen, kRed, kWhite, kWhite, kGreen, kRed, kWhite, kWhite};
    f.transparent = kWhite;
    f.delay = 0;
    return EncodeGif(4, 2, kPalette, {f});
}

TEST(CxImageDraw, NaturalSizeLeavesTheGroundVisibleUnderTransparency)
{
    GifScratch dir;
    CxImage image(dir.Write(u"half.gif", HalfTransparent()).c_str(), CXIMAGE_TYPE_GIF);
    ASSERT_TRUE(image.IsValid());
    Canvas canvas(8, 4, kGround);
    EXPECT_NE(0, image.Draw(canvas.dc(), 2, 1));
    EXPECT_EQ("gggggggg", canvas.Row(0));
    EXPECT_EQ("ggGRgggg", canvas.Row(1));
    EXPECT_EQ("ggGRgggg", canvas.Row(2));
    EXPECT_EQ("gggggggg", canvas.Row(3));

    // Partly outside the DC: the visible part lands, nothing else is touched.
    canvas.Fill(kGround);
    EXPECT_NE(0, image.Draw(canvas.dc(), -1, 3));
    EXPECT_EQ("gggggggg", canvas.Row(2));
    EXPECT_EQ("Rggggggg", canvas.Row(3));
}

TEST(CxImageDraw, RectangleScalesAndClipLimits)
{
    GifScratch dir;
    CxImage image(dir.Write(u"half.gif", HalfTransparent()).c_str(), CXIMAGE_TYPE_GIF);
    ASSERT_TRUE(image.IsValid());
    Canvas canvas(8, 4, kGround);
    RECT whole = {0, 0, 8, 4};
    EXPECT_NE(0, image.Draw(canvas.dc(), whole));
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ("GGRRgggg", canvas.Row(y)) << "row " << y;

    canvas.Fill(kGround);
    RECT clip = {1, 1, 3, 2};
    EXPECT_NE(0, image.Draw(canvas.dc(), whole, &clip));
    EXPECT_EQ("gggggggg", canvas.Row(0));
    EXPECT_EQ("gGRggggg", canvas.Row(1));
    EXPECT_EQ("gggggggg", canvas.Row(2));

    // Scaled through the x/y form, shrinking: every other source column.
    canvas.Fill(kGround);
    EXPECT_NE(0, image.Draw(canvas.dc(), 0, 0, 2, 1));
    EXPECT_EQ("Gggggggg", canvas.Row(0));
    EXPECT_EQ("gggggggg", canvas.Row(1));
}

TEST(CxImageDraw, NothingIsDrawnWithoutAPictureOrRoom)
{
    GifScratch dir;
    CxImage image(dir.Write(u"half.gif", HalfTransparent()).c_str(), CXIMAGE_TYPE_GIF);
    CxImage empty;
    CxImage missing(dir.Path(u"absent.gif").c_str(), CXIMAGE_TYPE_GIF);
    Canvas canvas(8, 4, kGround);
    RECT inverted = {4, 4, 0, 0};
    RECT outside = {20, 20, 30, 30};
    EXPECT_EQ(0, empty.Draw(canvas.dc(), 0, 0));
    EXPECT_EQ(0, missing.Draw(canvas.dc(), RECT{0, 0, 8, 4}));
    EXPECT_EQ(0, image.Draw(NULL, 0, 0));
    EXPECT_EQ(0, image.Draw(canvas.dc(), 0, 0, 0, 4));
    EXPECT_EQ(0, image.Draw(canvas.dc(), inverted));
    EXPECT_EQ(0, image.Draw(canvas.dc(), 0, 0, -1, -1, &outside));
    EXPECT_EQ(0, image.Draw(canvas.dc(), 100, 100));
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ("gggggggg", canvas.Row(y)) << "row " << y;
}

TEST(CxImageDraw, SmoothScalingBlendsEdgesWithTheGround)
{
    GifScratch dir;
    FrameSpec f = SolidFrame(0, 0, 2, 1, kWhite);
    f.pixels = {kRed, kWhite};
    f.transparent = kWhite;
    f.delay = 0;
    CxImage image(dir.Write(u"edge.gif", EncodeGif(2, 1, kPalette, {f})).c_str(), CXIMAGE_TYPE_GIF);
    ASSERT_TRUE(image.IsValid());
    Canvas canvas(8, 1, kGround);
    EXPECT_NE(0, image.Draw(canvas.dc(), 0, 0, 8, 1, NULL, true));
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(0, 0));
    EXPECT_EQ(kGround, canvas.At(7, 0));
    // Across the edge the red fades into the ground; a transparent neighbour adds no white.
    COLORREF middle = canvas.At(4, 0);
    EXPECT_GT(GetRValue(middle), 0x40);
    EXPECT_LT(GetRValue(middle), 255);
    EXPECT_LE(GetGValue(middle), 0x80);
    EXPECT_LE(GetBValue(middle), 0xC0);
    EXPECT_GT(GetBValue(middle), 0);
}

// Drawing keeps a prepared copy of the picture; every change of the pixels must show in the next
// draw, whichever call made it.
TEST(CxImageDraw, EachDrawShowsThePixelsAsTheyAreNow)
{
    GifScratch dir;
    std::u16string half = dir.Write(u"half.gif", HalfTransparent());
    FrameSpec red = SolidFrame(0, 0, 4, 2, kRed);
    red.delay = 0;
    std::u16string solid = dir.Write(u"red.gif", EncodeGif(4, 2, kPalette, {red}));
    CxImage redImage(solid.c_str(), CXIMAGE_TYPE_GIF), halfImage(half.c_str(), CXIMAGE_TYPE_GIF);
    ASSERT_TRUE(redImage.IsValid());
    struct Case {
        const char *change;
        std::function<void(CxImage &)> apply;
        const char *row;  // row 1 of the canvas afterwards, or null when nothing is drawn
    } cases[] = {
        {"copy pixels", [&](CxImage &image) { image.Copy(redImage); }, "RRRRgggg"},
        {"copy alpha only", [&](CxImage &image) { image.Copy(redImage, false, true, true); }, "GR??gggg"},
        {"copy opaque", [&](CxImage &image) { image.Copy(halfImage, true, true, false); }, "GR??gggg"},
        {"load", [&](CxImage &image) { image.Load(solid.c_str(), CXIMAGE_TYPE_GIF); }, "RRRRgggg"},
        {"copy an empty image", [&](CxImage &image) { image.Copy(CxImage()); }, nullptr},
        {"destroy", [&](CxImage &image) { image.Destroy(); }, nullptr},
    };
    for (const Case &c : cases) {
        CxImage image(half.c_str(), CXIMAGE_TYPE_GIF);
        ASSERT_TRUE(image.IsValid());
        Canvas canvas(8, 2, kGround);
        EXPECT_NE(0, image.Draw(canvas.dc(), 0, 0));
        EXPECT_EQ("GRgggggg", canvas.Row(1)) << c.change;
        c.apply(image);
        canvas.Fill(kGround);
        EXPECT_EQ(c.row ? 1 : 0, image.Draw(canvas.dc(), 0, 0)) << c.change;
        EXPECT_EQ(c.row ? c.row : "gggggggg", canvas.Row(1)) << c.change;
    }
}

}  // namespace
