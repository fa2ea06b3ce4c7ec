// An image resource as the tab image arrives: a PNG resource, or a packed DIB bitmap resource when
// the bytes carry no PNG signature, then the premultiplied copy the tab paints.
#include "icons/AlphaBitmap.h"
#include "support/module_image.h"
#include "support/res_writer.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzz::module_image image;
    fuzz::res_writer res;
    res.add(u"PNG", WORD(1), data, size);
    res.add(WORD(2), WORD(1), data, size);  // RT_BITMAP
    fuzz::registered_table table(image, res.bytes().data(), res.bytes().size());
    if (!table.ok())
        return 0;
    BOOL alpha = FALSE;
    HBITMAP bitmap = BitmapFromResource(GetModuleHandleW(NULL), MAKEINTRESOURCEW(1), &alpha);
    if (!bitmap)
        return 0;
    BOOL premultiplied = FALSE;
    if (HBITMAP copy = MakePremultipliedBitmap(bitmap, &premultiplied))
        DeleteObject(copy);
    DeleteObject(bitmap);
    return 0;
}
