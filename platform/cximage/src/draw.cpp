// CxImage::Draw: the displayed bitmap scaled into a premultiplied DIB section of the visible part,
// then alpha-blended so the DC's own pixels stay visible under transparent ones.
#include "ximage.h"

#include "gif_decode.h"

#include <owner/unique_handle.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>

namespace {

long long clamp_coord(long long v)
{
    return std::clamp<long long>(v, INT_MIN / 2, INT_MAX / 2);
}

BYTE premultiply(BYTE c, BYTE a)
{
    return static_cast<BYTE>((c * a + 127) / 255);
}

void premultiply_pixel(const BYTE *p, BYTE *out)
{
    if (p[3] == 0 || p[3] == 255) {  // premultiplying by 0 gives 0, by 255 the colour itself
        DWORD v;
        std::memcpy(&v, p, 4);
        v = p[3] ? v : 0;
        std::memcpy(out, &v, 4);
        return;
    }
    out[0] = premultiply(p[0], p[3]);
    out[1] = premultiply(p[1], p[3]);
    out[2] = premultiply(p[2], p[3]);
    out[3] = p[3];
}

// One destination pixel sampled from the nearest source pixel, premultiplied.
void sample_nearest(const BYTE *bits, DWORD width, DWORD height, long long dx, long long dy, long long cx,
                    long long cy, BYTE *out)
{
    long long sx = std::min<long long>(dx * width / cx, width - 1);
    long long sy = std::min<long long>(dy * height / cy, height - 1);
    premultiply_pixel(bits + (static_cast<size_t>(sy) * width + static_cast<size_t>(sx)) * 4, out);
}

// Bilinear over premultiplied values, so transparent neighbours bring no colour of their own.
void sample_smooth(const BYTE *bits, DWORD width, DWORD height, long long dx, long long dy, long long cx,
                   long long cy, BYTE *out)
{
    double fx = (dx + 0.5) * width / cx - 0.5;
    double fy = (dy + 0.5) * height / cy - 0.5;
    fx = std::clamp(fx, 0.0, static_cast<double>(width - 1));
    fy = std::clamp(fy, 0.0, static_cast<double>(height - 1));
    DWORD x0 = static_cast<DWORD>(fx), y0 = static_cast<DWORD>(fy);
    DWORD x1 = std::min(x0 + 1, width - 1), y1 = std::min(y0 + 1, height - 1);
    double wx = fx - x0, wy = fy - y0;
    const BYTE *p[4] = {bits + (static_cast<size_t>(y0) * width + x0) * 4, bits + (static_cast<size_t>(y0) * width + x1) * 4,
                        bits + (static_cast<size_t>(y1) * width + x0) * 4, bits + (static_cast<size_t>(y1) * width + x1) * 4};
    double w[4] = {(1 - wx) * (1 - wy), wx * (1 - wy), (1 - wx) * wy, wx * wy};
    double alpha = 0, colour[3] = {0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        alpha += w[i] * p[i][3];
        for (int c = 0; c < 3; ++c)
            colour[c] += w[i] * p[i][c] * p[i][3] / 255.0;
    }
    BYTE a = static_cast<BYTE>(std::min(alpha + 0.5, 255.0));
    for (int c = 0; c < 3; ++c)
        out[c] = static_cast<BYTE>(std::min(colour[c] + 0.5, static_cast<double>(a)));
    out[3] = a;
}

// A top-down 32-bit DIB section of that size, or null.
HBITMAP create_dib(HDC hdc, long long width, long long height, void **pixels)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HBITMAP dib = CreateDIBSection(hdc, &info, DIB_RGB_COLORS, pixels, NULL, 0);
    if (dib && *pixels == NULL) {
        DeleteObject(dib);
        return NULL;
    }
    return dib;
}

// Blends the part at (sx, sy) of the premultiplied bitmap selected into memory onto the box at
// (left, top) of hdc.
bool blend_from(HDC hdc, long long left, long long top, long long width, long long height, HDC memory, long long sx,
                long long sy)
{
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return AlphaBlend(hdc, static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
                      static_cast<int>(height), memory, static_cast<int>(sx), static_cast<int>(sy),
                      static_cast<int>(width), static_cast<int>(height), blend) != FALSE;
}

}  // namespace

// The picture premultiplied, selected into a memory DC of its own: what every natural-size draw
// blends from until the pixels change. Members go in reverse: the bitmap is deselected, then the
// DC and the bitmap are deleted.
struct CxImage::premultiplied {
    owner::unique_hbitmap bitmap;
    owner::unique_hdc dc;
    std::optional<owner::unique_select_object> selected;
};

long CxImage::Draw(HDC hdc, long x, long y, long cx, long cy, RECT *pClip, bool bSmooth)
{
    if (hdc == NULL || !IsValid())
        return 0;
    long long width = cx < 0 ? static_cast<long long>(m_nWidth) : cx;
    long long height = cy < 0 ? static_cast<long long>(m_nHeight) : cy;
    if (width == 0 || height == 0)
        return 0;

    // The part to paint: the image's rectangle, inside the caller's clip and what the DC can show.
    long long left = x, top = y, right = clamp_coord(left + width), bottom = clamp_coord(top + height);
    if (pClip != NULL) {
        left = std::max<long long>(left, pClip->left);
        top = std::max<long long>(top, pClip->top);
        right = std::min<long long>(right, pClip->right);
        bottom = std::min<long long>(bottom, pClip->bottom);
    }
    RECT visible;
    int region = GetClipBox(hdc, &visible);
    if (region == NULLREGION)
        return 0;
    if (region != ERROR) {
        left = std::max<long long>(left, visible.left);
        top = std::max<long long>(top, visible.top);
        right = std::min<long long>(right, visible.right);
        bottom = std::min<long long>(bottom, visible.bottom);
    }
    if (right <= left || bottom <= top)
        return 0;
    long long boxWidth = right - left, boxHeight = bottom - top;
    if (static_cast<unsigned long long>(boxWidth) * static_cast<unsigned long long>(boxHeight) > cximage::max_pixels)
        return 0;  // larger than any picture this library holds; refuse rather than allocate it

    // At natural size the picture is premultiplied once and kept until its pixels change; scaled,
    // the visible part is sampled into a bitmap of its own for this call.
    if (width == m_nWidth && height == m_nHeight) {
        HDC picture = PremultipliedDC();
        return picture && blend_from(hdc, left, top, boxWidth, boxHeight, picture, left - x, top - y) ? 1 : 0;
    }
    void *pixels = NULL;
    owner::unique_hbitmap dib(create_dib(hdc, boxWidth, boxHeight, &pixels));
    if (!dib)
        return 0;
    BYTE *out = static_cast<BYTE *>(pixels);
    for (long long row = 0; row < boxHeight; ++row) {
        long long dy = top + row - y;
        for (long long col = 0; col < boxWidth; ++col, out += 4) {
            long long dx = left + col - x;
            if (bSmooth)
                sample_smooth(m_bits.data(), m_nWidth, m_nHeight, dx, dy, width, height, out);
            else
                sample_nearest(m_bits.data(), m_nWidth, m_nHeight, dx, dy, width, height, out);
        }
    }
    owner::unique_hdc memory(CreateCompatibleDC(hdc));
    if (!memory)
        return 0;
    owner::unique_select_object selected(memory.get(), dib.get());
    return selected && blend_from(hdc, left, top, boxWidth, boxHeight, memory.get(), 0, 0) ? 1 : 0;
}

HDC CxImage::PremultipliedDC() const
{
    if (!m_premultiplied) {
        auto made = std::make_shared<premultiplied>();
        void *pixels = NULL;
        made->bitmap.reset(create_dib(NULL, m_nWidth, m_nHeight, &pixels));
        made->dc.reset(CreateCompatibleDC(NULL));
        if (!made->bitmap || !made->dc)
            return NULL;
        BYTE *out = static_cast<BYTE *>(pixels);
        for (size_t i = 0; i < m_bits.size(); i += 4)
            premultiply_pixel(&m_bits[i], out + i);
        made->selected.emplace(made->dc.get(), made->bitmap.get());
        if (!*made->selected)
            return NULL;
        m_premultiplied = std::move(made);
    }
    return m_premultiplied->dc.get();
}

long CxImage::Draw(HDC hdc, const RECT &rect, RECT *pClip, bool bSmooth)
{
    // An empty or inverted rectangle paints nothing (a negative size would mean natural size).
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return 0;
    long long cx = static_cast<long long>(rect.right) - rect.left;
    long long cy = static_cast<long long>(rect.bottom) - rect.top;
    return Draw(hdc, rect.left, rect.top, static_cast<long>(std::min<long long>(cx, INT_MAX)),
                static_cast<long>(std::min<long long>(cy, INT_MAX)), pClip, bSmooth);
}
