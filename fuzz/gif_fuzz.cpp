// A GIF file as the image library reads it: every frame kept, each frame's corners read, and the
// picture drawn scaled into a small bitmap, as the please-wait animation is painted.
#include "support/scratch_file.h"

#include <ximage.h>

#include <cstdint>

namespace {

// A 24 x 24 drawing surface for the whole run.
HDC canvas()
{
    static HDC dc = [] {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = 24;
        info.bmiHeader.biHeight = -24;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void *bits = NULL;
        HDC memory = CreateCompatibleDC(NULL);
        SelectObject(memory, CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0));
        return memory;
    }();
    return dc;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzz::scratch_file file(u".gif");
    file.write(data, size);
    CxImage picture;
    picture.SetRetreiveAllFrames(true);
    if (!picture.Load(file.path(), CXIMAGE_TYPE_GIF))
        return 0;
    for (long i = 0; i < picture.GetNumFrames(); ++i) {
        CxImage *frame = picture.GetFrame(i);
        if (!frame)
            continue;
        long right = long(frame->GetWidth()) - 1, bottom = long(frame->GetHeight()) - 1;
        frame->GetPixelColor(0, 0);
        frame->AlphaGet(right, bottom);
    }
    RECT clip = {2, 2, 22, 22};
    picture.Draw(canvas(), -3, 1, 29, 17, &clip, size % 2 == 0);
    return 0;
}
