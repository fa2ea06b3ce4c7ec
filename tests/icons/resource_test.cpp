// Bitmaps from resources: the plug-in's own tab images, PNG resources whole and damaged, and the
// bitmap resources read when a name holds no PNG.
#include "icons/AlphaBitmap.h"
#include "PluginLibrary.h"
#include "support/TopDownDib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

const BOOL kUntouched = 7;

HINSTANCE self() { return GetModuleHandleW(NULL); }

} // namespace

TEST(TabImages, BothDecodeToTopDownRgbaWithRealAlpha)
{
    PluginLibrary plugin;
    ASSERT_TRUE(plugin.Load(TEXT("KeyholmPlugin.dll")));
    HMODULE module = GetModuleHandleW(PluginLibrary::ProgramDirectory() + TEXT("KeyholmPlugin.dll"));
    ASSERT_NE(nullptr, module);

    std::vector<BYTE> images[2];
    const WORD ids[2] = {8006, 8007};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(ids[i]);
        EXPECT_TRUE(HasPngSignature(module, MAKEINTRESOURCEW(ids[i])));
        BOOL alpha = FALSE;
        HBITMAP straight = BitmapFromResource(module, MAKEINTRESOURCEW(ids[i]), &alpha);
        ASSERT_NE(nullptr, straight);
        EXPECT_TRUE(alpha);
        DIBSECTION ds;
        ASSERT_EQ(int(sizeof ds), GetObjectW(straight, sizeof ds, &ds));
        EXPECT_EQ(28, ds.dsBmih.biWidth);
        EXPECT_EQ(-28, ds.dsBmih.biHeight);
        EXPECT_EQ(32, ds.dsBmih.biBitCount);
        images[i] = TopDownPixels(straight);
        ASSERT_EQ(28u * 28 * 4, images[i].size());

        int transparent = 0, partial = 0, opaque = 0;
        for (size_t p = 0; p < images[i].size(); p += 4) {
            BYTE a = images[i][p + 3];
            (a == 0 ? transparent : a == 255 ? opaque : partial)++;
        }
        EXPECT_GT(transparent, 0);   // a transparent ground
        EXPECT_GT(partial, 0);       // anti-aliased edges
        EXPECT_GT(opaque, 0);

        // The view's next step: premultiplied, the flag stays TRUE.
        HBITMAP ready = MakePremultipliedBitmap(straight, &alpha);
        ASSERT_NE(nullptr, ready);
        EXPECT_TRUE(alpha);
        std::vector<BYTE> multiplied = TopDownPixels(ready);
        ASSERT_EQ(images[i].size(), multiplied.size());
        for (size_t p = 0; p < multiplied.size(); p += 4)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(images[i][p + c] * images[i][p + 3] / 255, multiplied[p + c]) << "pixel " << p / 4;
        DeleteObject(ready);
        DeleteObject(straight);
    }
    EXPECT_NE(images[0], images[1]);   // one image per language
}

TEST(PngResource, DecodesWithTheAlphaFlagOfItsChannels)
{
    struct
    {
        LPCWSTR name;
        BOOL alpha;
        std::vector<BYTE> pixels;
    } cases[] = {
        {MAKEINTRESOURCEW(100), TRUE, {0, 128, 255, 128, 30, 20, 10, 0}},
        {u"KEY", TRUE, {0, 128, 255, 128, 30, 20, 10, 0}},
        {u"key", TRUE, {0, 128, 255, 128, 30, 20, 10, 0}},   // names match without regard to case
        {MAKEINTRESOURCEW(108), FALSE, {3, 2, 1, 0, 252, 251, 250, 0}},
    };
    for (const auto& c : cases) {
        BOOL alpha = kUntouched;
        HBITMAP h = BitmapFromResource(self(), c.name, &alpha);
        ASSERT_NE(nullptr, h);
        EXPECT_EQ(c.alpha, alpha);
        DIBSECTION ds;
        ASSERT_EQ(int(sizeof ds), GetObjectW(h, sizeof ds, &ds));
        ASSERT_EQ(-1, ds.dsBmih.biHeight);
        EXPECT_EQ(0, memcmp(c.pixels.data(), ds.dsBm.bmBits, c.pixels.size()));
        DeleteObject(h);
    }
    EXPECT_NE(nullptr, BitmapFromResource(self(), MAKEINTRESOURCEW(100), NULL));
}

TEST(PngResource, DamagedOrMissingGivesNullAndLeavesTheFlag)
{
    struct
    {
        const char* what;
        WORD id;
    } cases[] = {
        {"truncated", 101},
        {"corrupt image data", 102},
        {"shorter than ten bytes", 107},
        {"four signature bytes, eight wrong", 109},
        {"not a PNG, and no bitmap of that name", 110},
        {"no resource at all", 999},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BOOL alpha = kUntouched;
        EXPECT_EQ(nullptr, BitmapFromResource(self(), MAKEINTRESOURCEW(c.id), &alpha));
        EXPECT_EQ(kUntouched, alpha);
    }
}

TEST(PngResource, SignatureCheckLooksAtTheFirstFourBytes)
{
    struct
    {
        LPCWSTR name;
        BOOL png;
    } cases[] = {
        {MAKEINTRESOURCEW(100), TRUE}, {MAKEINTRESOURCEW(107), TRUE}, {MAKEINTRESOURCEW(109), TRUE},
        {MAKEINTRESOURCEW(103), FALSE}, {MAKEINTRESOURCEW(104), FALSE},   // a bitmap, not of type "PNG"
        {MAKEINTRESOURCEW(999), FALSE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.png, HasPngSignature(self(), c.name)) << reinterpret_cast<UINT_PTR>(c.name);

    CXTPGraphicBitmapPng bitmap;
    EXPECT_FALSE(bitmap.ReadPngResource(self(), NULL));
}

TEST(BitmapResource, PngTypeWithoutSignatureReadsTheBitmapOfTheSameName)
{
    BOOL alpha = kUntouched;
    HBITMAP h = BitmapFromResource(self(), MAKEINTRESOURCEW(103), &alpha);
    ASSERT_NE(nullptr, h);
    EXPECT_FALSE(alpha);
    BITMAP bm;
    ASSERT_TRUE(GetObjectW(h, sizeof bm, &bm));
    EXPECT_EQ(2, bm.bmWidth);
    EXPECT_EQ(2, bm.bmHeight);
    EXPECT_EQ(24, bm.bmBitsPixel);
    std::vector<BYTE> expected = {7, 8, 9, 0, 10, 11, 12, 0, 1, 2, 3, 0, 4, 5, 6, 0};
    std::vector<BYTE> got = TopDownPixels(h);
    ASSERT_EQ(expected.size(), got.size());
    for (size_t i = 0; i < got.size(); ++i) {
        if (i % 4 == 3)
            continue;   // no alpha in a 24-bit bitmap
        EXPECT_EQ(expected[i], got[i]) << "byte " << i;
    }
    DeleteObject(h);
}

TEST(BitmapResource, ThirtyTwoBitsSetTheFlagAndKeepTheirAlpha)
{
    BOOL alpha = FALSE;
    HBITMAP h = BitmapFromResource(self(), MAKEINTRESOURCEW(104), &alpha);
    ASSERT_NE(nullptr, h);
    EXPECT_TRUE(alpha);
    DIBSECTION ds;
    ASSERT_EQ(int(sizeof ds), GetObjectW(h, sizeof ds, &ds));
    EXPECT_EQ(32, ds.dsBm.bmBitsPixel);
    EXPECT_EQ(0, memcmp("\x0a\x14\x1e\x80\x28\x32\x3c\xff", ds.dsBm.bmBits, 8));

    BOOL premultipliedAlpha = alpha;
    HBITMAP ready = MakePremultipliedBitmap(h, &premultipliedAlpha);
    ASSERT_NE(nullptr, ready);
    EXPECT_EQ((std::vector<BYTE>{5, 10, 15, 128, 40, 50, 60, 255}), TopDownPixels(ready));
    DeleteObject(ready);
    DeleteObject(h);
}

TEST(BitmapResource, PalettedPixelsTakeTheirTableColours)
{
    BOOL alpha = kUntouched;
    HBITMAP h = BitmapFromResource(self(), MAKEINTRESOURCEW(105), &alpha);
    ASSERT_NE(nullptr, h);
    EXPECT_FALSE(alpha);
    std::vector<BYTE> got = TopDownPixels(h);
    ASSERT_EQ(12u, got.size());
    // Indices 2, 0, 1: blue, red and green, in B, G, R order.
    const BYTE expected[3][3] = {{255, 0, 0}, {0, 0, 255}, {0, 255, 0}};
    for (int p = 0; p < 3; ++p)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(expected[p][c], got[p * 4 + c]) << "pixel " << p;
    DeleteObject(h);
}

TEST(BitmapResource, ShorterThanItsPixelsGivesNullWithTheFlagSet)
{
    BOOL alpha = FALSE;
    EXPECT_EQ(nullptr, BitmapFromResource(self(), MAKEINTRESOURCEW(106), &alpha));
    EXPECT_TRUE(alpha);   // set from the header's 32 bits before the size was checked
}

// BI_BITFIELDS: the colour masks are bytes 40 to 51 of the resource. A header of 41 to 51 bytes
// ends inside them and the resource need not reach their end: such a bitmap is refused rather
// than read past its end. A header long enough to hold them is read as usual.
TEST(BitmapResource, ColourMasksMustLieInsideTheResource)
{
    BOOL alpha = FALSE;
    EXPECT_EQ(nullptr, BitmapFromResource(self(), MAKEINTRESOURCEW(111), &alpha));

    HBITMAP h = BitmapFromResource(self(), MAKEINTRESOURCEW(112), &alpha);
    ASSERT_NE(nullptr, h);
    EXPECT_TRUE(alpha);
    DIBSECTION ds;
    ASSERT_EQ(int(sizeof ds), GetObjectW(h, sizeof ds, &ds));
    EXPECT_EQ(0, memcmp("\x11\x22\x33\x80", ds.dsBm.bmBits, 4));
    DeleteObject(h);
}
