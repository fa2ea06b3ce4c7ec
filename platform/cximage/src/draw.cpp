// CxImage::Draw: the displayed bitmap scaled into a premultiplied DIB section of the visible part,
// then alpha-blended so the DC's own pixels stay visible under transparent ones.
#include "ximage.h"

#include "gif_decode.h"

#include <owner/unique_handle.h>

#include <algorithm>
#include <climits>

namespace {

long long clamp_coord(long long v)
{
    return std::clamp<long long>(v, INT_MIN / 2, INT_MAX / 2);
}

BYTE premultiply(BYTE c, BYTE a)
{
    return static_cast<BYTE>((c * a + 127) / 255);
}

// One destination pixel sampled from the nearest source pixel, premultiplied.
void sample_nearest(const BYTE *bits, DWORD width, DWORD height, long long dx, long long dy, long long cx,
                    long long cy, BYTE *out)
{
    long long sx = std::min<long long>(dx * width / cx, width - 1);
    long long sy = std::min<long long>(dy * height / cy, height - 1);
    const BYTE *p = bits + (static_cast<size_t>(sy) * width + static_cast<size_t>(sx)) * 4;
    out[0] = premultiply(p[0], p[3]);
    out[1] = premultiply(p[1], p[3]);
    out[2] = premultiply(p[2], p[3]);
    out[3] = p[3];
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

}  // namespace

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

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(boxWidth);
    info.bmiHeader.biHeight = -static_cast<LONG>(boxHeight);  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *pixels = NULL;
    owner::unique_hbitmap dib(CreateDIBSection(hdc, &info, DIB_RGB_COLORS, &pixels, NULL, 0));
    if (!dib || pixels == NULL)
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
    if (!selected)
        return 0;
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return AlphaBlend(hdc, static_cast<int>(left), static_cast<int>(top), static_cast<int>(boxWidth),
                      static_cast<int>(boxHeight), memory.get(), 0, 0, static_cast<int>(boxWidth),
                      static_cast<int>(boxHeight), blend)
               ? 1
               : 0;
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
