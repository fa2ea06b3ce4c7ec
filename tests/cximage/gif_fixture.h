// Test GIFs written with giflib's encoder into memory, and a scratch folder to put them in.
#pragma once

#include <windows.h>

#include <gif_lib.h>
#include <gtest/gtest.h>

#include "support/FileText.h"
#include "support/HostFolder.h"

#include <algorithm>
#include <string>
#include <vector>

struct FrameSpec {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<GifPixelType> pixels;     // width * height indexes, rows top to bottom
    std::vector<GifColorType> localMap;   // empty: the global map
    bool interlace = false;
    int transparent = NO_TRANSPARENT_COLOR;
    int disposal = DISPOSAL_UNSPECIFIED;
    int delay = -1;                       // -1: no graphics control extension at all
};

// Standard test colours: the global map's indexes.
enum : GifPixelType { kBlack, kRed, kGreen, kBlue, kWhite, kYellow, kCyan, kMagenta };

inline std::vector<GifColorType> TestPalette()
{
    return {{0, 0, 0},     {255, 0, 0},   {0, 255, 0},   {0, 0, 255},
            {255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
}

// The colour of a palette entry as GetPixelColor answers it.
inline COLORREF Rgb(const GifColorType &c) { return RGB(c.Red, c.Green, c.Blue); }

inline FrameSpec SolidFrame(int left, int top, int width, int height, GifPixelType index)
{
    FrameSpec f;
    f.left = left, f.top = top, f.width = width, f.height = height;
    f.pixels.assign(width * height, index);
    return f;
}

namespace gif_fixture_detail {

inline int AppendBytes(GifFileType *gif, const GifByteType *data, int length)
{
    static_cast<std::string *>(gif->UserData)->append(reinterpret_cast<const char *>(data), length);
    return length;
}

// giflib wants power-of-two map sizes; the padding entries are black.
inline ColorMapObject *MakeMap(std::vector<GifColorType> colours)
{
    int size = 2;
    while (size < static_cast<int>(colours.size()))
        size *= 2;
    colours.resize(size, GifColorType{0, 0, 0});
    return GifMakeMapObject(size, colours.data());
}

}  // namespace gif_fixture_detail

// The bytes of a GIF89a file with that screen and those frames.
inline std::string EncodeGif(int width, int height, const std::vector<GifColorType> &globalMap,
                             const std::vector<FrameSpec> &frames)
{
    using namespace gif_fixture_detail;
    std::string bytes;
    int error = 0;
    GifFileType *gif = EGifOpen(&bytes, AppendBytes, &error);
    EXPECT_NE(nullptr, gif);
    if (gif == nullptr)
        return bytes;
    EGifSetGifVersion(gif, true);
    ColorMapObject *global = globalMap.empty() ? nullptr : MakeMap(globalMap);
    EXPECT_EQ(GIF_OK, EGifPutScreenDesc(gif, width, height, 8, 0, global));
    GifFreeMapObject(global);
    for (const FrameSpec &f : frames) {
        if (f.delay >= 0) {
            GraphicsControlBlock gcb{f.disposal, false, f.delay, f.transparent};
            GifByteType ext[4];
            size_t length = EGifGCBToExtension(&gcb, ext);
            EXPECT_EQ(GIF_OK, EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), ext));
        }
        // giflib forgets the previous frame's map copy when the next frame has none; drop it here.
        GifFreeMapObject(gif->Image.ColorMap);
        gif->Image.ColorMap = nullptr;
        ColorMapObject *local = f.localMap.empty() ? nullptr : MakeMap(f.localMap);
        EXPECT_EQ(GIF_OK, EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, local));
        GifFreeMapObject(local);
        std::vector<int> rows;
        if (f.interlace) {
            // The file stores an interlaced frame's rows in four passes.
            const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int r = start[pass]; r < f.height; r += step[pass])
                    rows.push_back(r);
        } else {
            for (int r = 0; r < f.height; ++r)
                rows.push_back(r);
        }
        std::vector<GifPixelType> line(std::max(f.width, 1));
        for (int r : rows) {
            std::copy_n(f.pixels.begin() + r * f.width, f.width, line.begin());
            EXPECT_EQ(GIF_OK, EGifPutLine(gif, line.data(), f.width));
        }
    }
    EXPECT_EQ(GIF_OK, EGifCloseFile(gif, &error));
    return bytes;
}

// A fresh folder under the temporary path, removed with the files named through it.
class GifScratch : public HostFolder
{
public:
    GifScratch() : HostFolder("kh-cximage") {}

    // Writes the bytes as a file of the folder; its full Windows path.
    std::u16string Write(const std::u16string &name, const std::string &bytes)
    {
        std::u16string path = Path(name);
        WriteWholeFile(path, bytes);
        return path;
    }
};
