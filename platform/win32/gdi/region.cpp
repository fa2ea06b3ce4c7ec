// Regions: the banded rectangle-list algebra and the region API.
#include "gdi/gdiobj.h"
#include "internal/gdi.h"

#include <algorithm>

namespace win32 {

namespace {

using span = std::pair<LONG, LONG>;  // [first, second)

// The spans of the band that covers row y; empty when no band does.
std::vector<span> spans_at(const region &r, LONG y)
{
    std::vector<span> out;
    for (const RECT &rc : r.rects) {
        if (rc.top > y)
            break;
        if (y < rc.bottom)
            out.emplace_back(rc.left, rc.right);
    }
    return out;
}

bool inside(const std::vector<span> &spans, LONG x)
{
    for (const span &s : spans)
        if (s.first <= x && x < s.second)
            return true;
    return false;
}

bool apply(int mode, bool a, bool b)
{
    switch (mode) {
    case RGN_AND: return a && b;
    case RGN_OR: return a || b;
    case RGN_XOR: return a != b;
    case RGN_DIFF: return a && !b;
    default: return a;
    }
}

std::vector<span> combine_spans(const std::vector<span> &a, const std::vector<span> &b, int mode)
{
    std::vector<LONG> xs;
    for (const span &s : a) { xs.push_back(s.first); xs.push_back(s.second); }
    for (const span &s : b) { xs.push_back(s.first); xs.push_back(s.second); }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    std::vector<span> out;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
        if (!apply(mode, inside(a, xs[i]), inside(b, xs[i])))
            continue;
        if (!out.empty() && out.back().second == xs[i])
            out.back().second = xs[i + 1];
        else
            out.emplace_back(xs[i], xs[i + 1]);
    }
    return out;
}

}  // namespace

region::region(const RECT &r)
{
    if (!empty(r))
        rects.push_back(r);
}

int region::kind() const
{
    return rects.empty() ? NULLREGION : rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

RECT region::box() const
{
    if (rects.empty())
        return RECT{0, 0, 0, 0};
    RECT b = rects.front();
    for (const RECT &r : rects) {
        b.left = std::min(b.left, r.left);
        b.right = std::max(b.right, r.right);
        b.bottom = std::max(b.bottom, r.bottom);
    }
    return b;
}

bool region::contains(int x, int y) const
{
    for (const RECT &r : rects)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return true;
    return false;
}

bool region::intersects(const RECT &rc) const
{
    for (const RECT &r : rects)
        if (!empty(intersect(r, rc)))
            return true;
    return false;
}

void region::offset(int dx, int dy)
{
    for (RECT &r : rects) {
        r.left += dx;
        r.right += dx;
        r.top += dy;
        r.bottom += dy;
    }
}

region region::combine(const region &a, const region &b, int mode)
{
    if (mode == RGN_COPY)
        return a;
    // An empty operand leaves the other, or nothing; two rectangles meet in one rectangle (or none).
    // Both are what the bands below would give.
    if (b.rects.empty())
        return mode == RGN_AND ? region() : a;
    if (a.rects.empty())
        return mode == RGN_OR || mode == RGN_XOR ? b : region();
    if (mode == RGN_AND && a.rects.size() == 1 && b.rects.size() == 1)
        return region(intersect(a.rects.front(), b.rects.front()));
    std::vector<LONG> ys;
    ys.reserve(2 * (a.rects.size() + b.rects.size()));
    for (const RECT &r : a.rects) { ys.push_back(r.top); ys.push_back(r.bottom); }
    for (const RECT &r : b.rects) { ys.push_back(r.top); ys.push_back(r.bottom); }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

    region out;
    std::vector<span> prev;
    size_t prev_start = 0;
    LONG prev_bottom = 0;
    for (size_t i = 0; i + 1 < ys.size(); ++i) {
        std::vector<span> spans = combine_spans(spans_at(a, ys[i]), spans_at(b, ys[i]), mode);
        if (spans.empty())
            continue;
        if (!out.rects.empty() && prev_bottom == ys[i] && spans == prev) {
            for (size_t k = prev_start; k < out.rects.size(); ++k)
                out.rects[k].bottom = ys[i + 1];
        } else {
            prev_start = out.rects.size();
            for (const span &s : spans)
                out.rects.push_back(RECT{s.first, ys[i], s.second, ys[i + 1]});
            prev = std::move(spans);
        }
        prev_bottom = ys[i + 1];
    }
    return out;
}

RECT intersect(const RECT &a, const RECT &b)
{
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (empty(r))
        r = RECT{0, 0, 0, 0};
    return r;
}

static region_obj *region_from_handle(HRGN hrgn)
{
    auto r = gdi_object_as<region_obj>(hrgn);
    if (!r)
        SetLastError(ERROR_INVALID_HANDLE);
    return r;
}

// Windows orders a rectangle's corners itself.
static RECT normalized(int x1, int y1, int x2, int y2)
{
    return RECT{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

RECT ordered_rect(const RECT &rc)
{
    return normalized(rc.left, rc.top, rc.right, rc.bottom);
}

}  // namespace win32

using namespace win32;

HRGN WINAPI CreateRectRgn(int x1, int y1, int x2, int y2)
{
    auto r = std::make_shared<region_obj>();
    r->type = OBJ_REGION;
    r->rgn = region(normalized(x1, y1, x2, y2));
    return static_cast<HRGN>(alloc_gdi_handle(r));
}

HRGN WINAPI CreateRectRgnIndirect(const RECT *lprect)
{
    if (!lprect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    return CreateRectRgn(lprect->left, lprect->top, lprect->right, lprect->bottom);
}

int WINAPI CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode)
{
    gdi_lock lock(gdi_mutex());
    if (iMode < RGN_AND || iMode > RGN_COPY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return ERROR;
    }
    auto dst = region_from_handle(hrgnDst);
    auto a = region_from_handle(hrgnSrc1);
    if (!dst || !a)
        return ERROR;
    if (iMode == RGN_COPY) {
        dst->rgn = a->rgn;
        return dst->rgn.kind();
    }
    auto b = region_from_handle(hrgnSrc2);
    if (!b)
        return ERROR;
    dst->rgn = region::combine(a->rgn, b->rgn, iMode);
    return dst->rgn.kind();
}

int WINAPI OffsetRgn(HRGN hrgn, int x, int y)
{
    gdi_lock lock(gdi_mutex());
    auto r = region_from_handle(hrgn);
    if (!r)
        return ERROR;
    r->rgn.offset(x, y);
    return r->rgn.kind();
}

int WINAPI GetRgnBox(HRGN hrgn, LPRECT lprc)
{
    gdi_lock lock(gdi_mutex());
    auto r = region_from_handle(hrgn);
    if (!r || !lprc)
        return ERROR;
    *lprc = r->rgn.box();
    return r->rgn.kind();
}

BOOL WINAPI PtInRegion(HRGN hrgn, int x, int y)
{
    gdi_lock lock(gdi_mutex());
    auto r = region_from_handle(hrgn);
    return r && r->rgn.contains(x, y);
}

BOOL WINAPI RectInRegion(HRGN hrgn, const RECT *lprect)
{
    gdi_lock lock(gdi_mutex());
    auto r = region_from_handle(hrgn);
    if (!r || !lprect)
        return FALSE;
    return r->rgn.intersects(normalized(lprect->left, lprect->top, lprect->right, lprect->bottom));
}

BOOL WINAPI EqualRgn(HRGN hrgn1, HRGN hrgn2)
{
    gdi_lock lock(gdi_mutex());
    auto a = region_from_handle(hrgn1);
    auto b = region_from_handle(hrgn2);
    if (!a || !b)
        return ERROR;
    const auto &x = a->rgn.rects, &y = b->rgn.rects;
    if (x.size() != y.size())
        return FALSE;
    for (size_t i = 0; i < x.size(); ++i)
        if (x[i].left != y[i].left || x[i].top != y[i].top || x[i].right != y[i].right || x[i].bottom != y[i].bottom)
            return FALSE;
    return TRUE;
}

BOOL WINAPI SetRectRgn(HRGN hrgn, int left, int top, int right, int bottom)
{
    gdi_lock lock(gdi_mutex());
    auto r = region_from_handle(hrgn);
    if (!r)
        return FALSE;
    r->rgn = region(normalized(left, top, right, bottom));
    return TRUE;
}
