// A dialog template as a resource: the layer's template reader, the dialog and controls it builds
// (as a child of a shown window, as the plug-in's page is, or on its own), shown and painted.
#include "support/module_image.h"
#include "support/res_writer.h"

#include <cstdint>

namespace {

INT_PTR CALLBACK quiet_dialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

HWND host_window()
{
    static HWND host = [] {
        HWND h = CreateWindowExW(0, TEXT("Static"), TEXT("host"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480,
                                 NULL, NULL, NULL, NULL);
        return h;
    }();
    return host;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzz::module_image image;
    fuzz::res_writer res;
    res.add(WORD(5), WORD(1), data, size);  // RT_DIALOG
    fuzz::registered_table table(image, res.bytes().data(), res.bytes().size());
    if (!table.ok())
        return 0;
    HWND dialog = CreateDialogParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(1), host_window(), quiet_dialog, 0);
    if (dialog) {
        ShowWindow(dialog, SW_SHOWNA);
        UpdateWindow(dialog);
        DestroyWindow(dialog);
    }
    for (MSG msg; PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE);)
        DispatchMessageW(&msg);
    return 0;
}
