// The screen through a display DC: drawing lands on it and a screenshot reads it back.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "ScreenCapture.h"
#include "support/WideString.h"

#include <png.h>

namespace {

TEST(GdiScreen, FillOnTheScreenDcShowsInAScreenshot)
{
    HDC screen = GetDC(NULL);
    ASSERT_TRUE(screen);
    EXPECT_EQ(32, GetDeviceCaps(screen, BITSPIXEL));
    HBRUSH brush = CreateSolidBrush(RGB(12, 34, 56));
    RECT r = {100, 100, 140, 120};
    EXPECT_TRUE(FillRect(screen, &r, brush));
    DeleteObject(brush);
    // A compatible bitmap of the screen is 32-bit.
    HBITMAP compatible = CreateCompatibleBitmap(screen, 4, 4);
    BITMAP bm = {};
    GetObjectW(compatible, sizeof bm, &bm);
    EXPECT_EQ(32, bm.bmBitsPixel);
    DeleteObject(compatible);
    ReleaseDC(NULL, screen);

    CScreenPicture shot;
    RECT area = {90, 90, 150, 130};
    ASSERT_TRUE(CaptureScreenRect(area, shot));
    EXPECT_EQ(60, shot.nWidth);
    EXPECT_EQ(40, shot.nHeight);
    EXPECT_EQ(RGB(12, 34, 56), shot.Colour(10, 10));
    EXPECT_EQ(RGB(12, 34, 56), shot.Colour(49, 29));
    EXPECT_NE(RGB(12, 34, 56), shot.Colour(50, 29));
    EXPECT_NE(RGB(12, 34, 56), shot.Colour(9, 10));
}

TEST(GdiScreen, ScreenshotIsWrittenAsPng)
{
    std::string name = "gdi_screenshot_" + std::to_string(GetCurrentProcessId()) + ".png";
    WideString wide(name.begin(), name.end());
    RECT area = {0, 0, 16, 8};
    CScreenPicture shot;
    ASSERT_TRUE(CaptureScreenRect(area, shot));
    ASSERT_TRUE(WritePicturePng(shot, wide.c_str()));
    FILE *f = std::fopen(name.c_str(), "rb");
    ASSERT_TRUE(f);
    unsigned char head[24] = {};
    ASSERT_EQ(sizeof head, std::fread(head, 1, sizeof head, f));
    std::fclose(f);
    std::remove(name.c_str());
    EXPECT_EQ(0, png_sig_cmp(head, 0, 8));
    // IHDR: width and height, big-endian.
    EXPECT_EQ(16, head[19]);
    EXPECT_EQ(8, head[23]);
}

}  // namespace
