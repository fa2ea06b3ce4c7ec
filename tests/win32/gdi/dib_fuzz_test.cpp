// Where a DIB's colour masks lie for every header size: after a plain header, inside the longer
// ones, and nowhere in a header that ends part way through them (the fuzz target's reproducer).
#include <gtest/gtest.h>
#include <windows.h>

#include "win32/wine.h"

#include <cstring>
#include <vector>

namespace {

const DWORD kMasks565[3] = {0xF800, 0x07E0, 0x001F};

// A 1 x 1, 16 bpp BI_BITFIELDS header of headerSize bytes; the 565 masks at byte 40 (after a plain
// header, inside a longer one). The zero bytes after a longer header are not masks.
std::vector<BYTE> Header565(DWORD headerSize)
{
    std::vector<BYTE> info(headerSize + 64, 0);
    BITMAPINFOHEADER h = {};
    h.biSize = headerSize;
    h.biWidth = 1;
    h.biHeight = 1;
    h.biPlanes = 1;
    h.biBitCount = 16;
    h.biCompression = BI_BITFIELDS;
    std::memcpy(info.data(), &h, sizeof h);
    std::memcpy(info.data() + sizeof h, kMasks565, sizeof kMasks565);
    return info;
}

// The pixel a 16 bpp DIB of that header sets into a 32 bpp section; 0x12345678 when SetDIBits fails.
DWORD SetThrough(const std::vector<BYTE> &info, WORD pixel, int *result)
{
    BITMAPINFO target = {};
    target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    target.bmiHeader.biWidth = 1;
    target.bmiHeader.biHeight = 1;
    target.bmiHeader.biPlanes = 1;
    target.bmiHeader.biBitCount = 32;
    void *bits = NULL;
    HBITMAP section = CreateDIBSection(NULL, &target, DIB_RGB_COLORS, &bits, NULL, 0);
    EXPECT_TRUE(section && bits);
    if (!section || !bits)
        return 0;
    DWORD before = 0x12345678;
    std::memcpy(bits, &before, sizeof before);
    BYTE row[4] = {BYTE(pixel), BYTE(pixel >> 8), 0, 0};
    *result = SetDIBits(NULL, section, 0, 1, row, reinterpret_cast<const BITMAPINFO *>(info.data()), DIB_RGB_COLORS);
    GdiFlush();
    DWORD after;
    std::memcpy(&after, bits, sizeof after);
    DeleteObject(section);
    return after;
}

}  // namespace

TEST(GdiDibMasks, MasksFollowAPlainHeaderAndLieInsideLongerOnes)
{
    for (DWORD size : {40u, 52u, 56u, 108u, 124u}) {
        SCOPED_TRACE(size);
        int result = 0;
        DWORD pixel = SetThrough(Header565(size), 0xF800, &result);  // pure red in 5-6-5
        EXPECT_EQ(1, result);
        EXPECT_EQ(0xFF0000u, pixel & 0xFFFFFF);
    }
}

TEST(GdiDibMasks, HeaderEndingInsideTheMasksIsRefused)
{
    SKIP_UNDOCUMENTED_UNDER_WINE("Wine reads the masks at byte 40 of a 41 to 51-byte header, past its end; the layer "
                                 "refuses such a header rather than read masks the header does not hold");
    for (DWORD size : {41u, 44u, 48u, 51u}) {
        SCOPED_TRACE(size);
        int result = -1;
        SetLastError(0xdeadbeef);
        DWORD pixel = SetThrough(Header565(size), 0xF800, &result);
        EXPECT_EQ(0, result);
        EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
        EXPECT_EQ(0x12345678u, pixel) << "nothing set";

        std::vector<BYTE> info = Header565(size);
        reinterpret_cast<BITMAPINFOHEADER *>(info.data())->biBitCount = 32;
        const DWORD bgr[3] = {0xFF0000, 0xFF00, 0xFF};
        std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), bgr, sizeof bgr);
        void *bits = NULL;
        EXPECT_EQ(nullptr, CreateDIBSection(NULL, reinterpret_cast<const BITMAPINFO *>(info.data()), DIB_RGB_COLORS,
                                            &bits, NULL, 0));
    }
}
