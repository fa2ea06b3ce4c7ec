// Cursors and icons: the shared system ones, the ones a module's resources hold, and the current cursor.
#include "internal/window.h"

#include <mutex>

namespace win32 {
namespace {

enum class image_kind { cursor, icon };

// A cursor or icon. Every one the layer hands out is shared: it lives as long as the process and
// loading it again answers the same handle.
struct shared_image {
    image_kind kind;
    HMODULE module;    // null for the system's own
    std::u16string name;  // "#n" for an integer resource
    int width;
    int height;
};

struct image_table {
    std::mutex lock;
    std::unordered_map<HICON, shared_image> images;
    // Handles are odd, so they never look like a window handle, and are never reused.
    ULONG_PTR next = 0x30001;
    HCURSOR current = nullptr;
};

image_table &images()
{
    static auto *t = new image_table;  // outlives every thread
    return *t;
}

const WORD system_cursors[] = {32512, 32513, 32514, 32515, 32516, 32640, 32641, 32642,
                               32643, 32644, 32645, 32646, 32648, 32649, 32650, 32651};
const WORD system_icons[] = {32512, 32513, 32514, 32515, 32516, 32517, 32518};

// The handle of an image already handed out, or a new one. Lock held.
HICON find_or_add(image_table &t, image_kind kind, HMODULE module, const std::u16string &name, int cx, int cy)
{
    for (auto &entry : t.images) {
        const shared_image &img = entry.second;
        if (img.kind == kind && img.module == module && name_equal(img.name, name.c_str()))
            return entry.first;
    }
    HICON h = (HICON)t.next;
    t.next += 2;
    t.images.emplace(h, shared_image{kind, module, name, cx, cy});
    return h;
}

// The size of the first image a cursor or icon group directory lists; the default size if the
// directory is too short to tell.
void group_size(HMODULE module, HRSRC group, image_kind kind, int *cx, int *cy)
{
    DWORD size = SizeofResource(module, group);
    const BYTE *dir = (const BYTE *)LockResource(LoadResource(module, group));
    const DWORD header = 6, entry = 14;
    if (!dir || size < header + entry)
        return;
    const BYTE *first = dir + header;
    if (kind == image_kind::cursor) {
        int w = first[0] | first[1] << 8, h = first[2] | first[3] << 8;
        if (w && h) {
            *cx = w;
            *cy = h / 2;  // a cursor directory counts the mask's height too
        }
    } else {
        *cx = first[0] ? first[0] : 256;
        *cy = first[1] ? first[1] : 256;
    }
}

HICON load_image(HINSTANCE module, LPCWSTR name, image_kind kind)
{
    if (!name) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    int metric = kind == image_kind::cursor ? GetSystemMetrics(SM_CXCURSOR) : GetSystemMetrics(SM_CXICON);
    int cx = metric, cy = metric;
    if (!module) {
        bool known = false;
        if (IS_INTRESOURCE(name)) {
            WORD id = (WORD)(ULONG_PTR)name;
            if (kind == image_kind::cursor)
                for (WORD c : system_cursors)
                    known |= c == id;
            else
                for (WORD i : system_icons)
                    known |= i == id;
        }
        if (!known) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return nullptr;
        }
    } else {
        HRSRC group = FindResourceW(module, name, kind == image_kind::cursor ? RT_GROUP_CURSOR : RT_GROUP_ICON);
        if (!group)
            return nullptr;  // FindResourceW has said why
        group_size(module, group, kind, &cx, &cy);
    }
    auto &t = images();
    std::lock_guard<std::mutex> g(t.lock);
    return find_or_add(t, kind, module, atom_or_name(name), cx, cy);
}

}  // namespace
}  // namespace win32

using namespace win32;

HCURSOR WINAPI LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName)
{
    return load_image(hInstance, lpCursorName, image_kind::cursor);
}

HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName)
{
    return load_image(hInstance, lpIconName, image_kind::icon);
}

// One cursor for the process: the virtual screen has one pointer.
HCURSOR WINAPI SetCursor(HCURSOR hCursor)
{
    auto &t = images();
    std::lock_guard<std::mutex> g(t.lock);
    if (hCursor && !t.images.count(hCursor)) {
        SetLastError(ERROR_INVALID_CURSOR_HANDLE);
        return nullptr;
    }
    HCURSOR previous = t.current;
    t.current = hCursor;
    return previous;
}

HCURSOR WINAPI GetCursor(void)
{
    auto &t = images();
    std::lock_guard<std::mutex> g(t.lock);
    return t.current;
}
