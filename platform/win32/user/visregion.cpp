// Visible regions: which part of the screen a window may draw on, given the windows around it.
#include "internal/window.h"

#include "internal/gdi.h"
#include "internal/owners.h"

namespace win32 {
namespace {

// A window's rectangle (client or whole) in screen coordinates.
RECT screen_rect(const window *w, bool client)
{
    RECT rc = client ? w->client_rect : w->window_rect;
    POINT origin = {0, 0};
    if (const window *parent = find_window(w->parent))
        origin = client_origin(parent);
    OffsetRect(&rc, origin.x, origin.y);
    return rc;
}

void subtract(HRGN rgn, HRGN scratch, const RECT &rc)
{
    SetRectRgn(scratch, rc.left, rc.top, rc.right, rc.bottom);
    CombineRgn(rgn, rgn, scratch, RGN_DIFF);
}

}  // namespace

// Siblings above a window always clip it, whether or not it has WS_CLIPSIBLINGS: on a screen without
// saved bits, drawing under a window that covers you would only be drawn over again, or worse,
// show through until it repaints. A parent clips its children only with WS_CLIPCHILDREN, as on Windows.
HRGN visible_region(const window *w, bool client, bool clip_children)
{
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    if (!rgn)
        return nullptr;
    for (const window *a = w; a; a = find_window(a->parent))
        if (!(a->style & WS_VISIBLE))
            return rgn;
    // Until a window above cuts a hole the visible part is one rectangle, worked out without regions:
    // this runs at every paint.
    RECT box = ordered_rect(screen_rect(w, client));
    unique_hrgn scratch;
    auto clip_to = [&](const RECT &area) {
        if (!scratch) {
            RECT o = ordered_rect(area);
            IntersectRect(&box, &box, &o);
            return;
        }
        SetRectRgn(scratch.get(), area.left, area.top, area.right, area.bottom);
        CombineRgn(rgn, rgn, scratch.get(), RGN_AND);
    };
    auto cut_out = [&](const RECT &covered) {
        if (!scratch) {
            SetRectRgn(rgn, box.left, box.top, box.right, box.bottom);
            scratch.reset(CreateRectRgn(0, 0, 0, 0));
        }
        subtract(rgn, scratch.get(), covered);
    };
    const window *below = w;
    for (const window *p = find_window(w->parent); p; below = p, p = find_window(p->parent)) {
        clip_to(screen_rect(p, true));
        for (HWND sibling : p->children) {
            if (sibling == below->handle)
                break;
            const window *s = find_window(sibling);
            if (s && (s->style & WS_VISIBLE))
                cut_out(screen_rect(s, false));
        }
    }
    if (clip_children) {
        for (HWND child : w->children) {
            const window *c = find_window(child);
            if (c && (c->style & WS_VISIBLE))
                cut_out(screen_rect(c, false));
        }
    }
    if (!scratch)
        SetRectRgn(rgn, box.left, box.top, box.right, box.bottom);
    return rgn;
}

}  // namespace win32
