// A GIF file as the image library reads it: every frame kept, then each frame's corners read.
#include "support/scratch_file.h"

#include <ximage.h>

#include <cstdint>

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
    return 0;
}
