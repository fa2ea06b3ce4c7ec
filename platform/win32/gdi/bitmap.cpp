// Bitmaps: device-dependent bitmaps (1, 24 and 32 bpp), DIB sections (24 and 32 bpp), and moving
// pixels between them and packed DIBs (GetDIBits, SetDIBits, CreateDIBitmap).
#include "gdi/gdiobj.h"

#include "internal/owners.h"

#include <cstring>

namespace win32 {

HGDIOBJ get_stock(int i);

DWORD dib_view::get(const void *bits, int x, int y) const
{
    const BYTE *p = row(bits, y);
    switch (bpp) {
    case 1: return colors[(p[x >> 3] >> (7 - (x & 7))) & 1];
    case 4: return colors[(p[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
    case 8: return colors[p[x]];
    case 16: {
        DWORD v = DWORD(p[2 * x]) | DWORD(p[2 * x + 1]) << 8;
        if (bitfields && masks[1] == 0x07E0)
            return (((v >> 11) & 0x1F) * 255 / 31) << 16 | (((v >> 5) & 0x3F) * 255 / 63) << 8 | (v & 0x1F) * 255 / 31;
        return (((v >> 10) & 0x1F) * 255 / 31) << 16 | (((v >> 5) & 0x1F) * 255 / 31) << 8 | (v & 0x1F) * 255 / 31;
    }
    case 24: p += 3 * x; return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16;
    default: {
        DWORD v;
        std::memcpy(&v, p + 4 * x, 4);
        return v & 0xFFFFFF;
    }
    }
}

void dib_view::set(void *bits, int x, int y, DWORD rgb) const
{
    BYTE *p = const_cast<BYTE *>(row(bits, y));
    switch (bpp) {
    case 16: {
        WORD v = WORD(((rgb >> 19) & 0x1F) << 10 | ((rgb >> 11) & 0x1F) << 5 | ((rgb >> 3) & 0x1F));
        p[2 * x] = BYTE(v);
        p[2 * x + 1] = BYTE(v >> 8);
        break;
    }
    case 24: p += 3 * x; p[0] = BYTE(rgb); p[1] = BYTE(rgb >> 8); p[2] = BYTE(rgb >> 16); break;
    case 32: {
        DWORD v = rgb & 0xFFFFFF;
        std::memcpy(p + 4 * x, &v, 4);
        break;
    }
    default: break;
    }
}

DWORD dib_view::get_full(const void *bits, int x, int y) const
{
    if (!full())
        return get(bits, x, y);
    DWORD v;
    std::memcpy(&v, row(bits, y) + 4 * x, 4);
    return v;
}

void dib_view::set_full(void *bits, int x, int y, DWORD v) const
{
    if (full())
        std::memcpy(const_cast<BYTE *>(row(bits, y)) + 4 * x, &v, 4);
    else
        set(bits, x, y, v & 0xFFFFFF);
}

bool parse_dib(const BITMAPINFO *info, UINT usage, dib_view &out)
{
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const BITMAPINFOHEADER &h = info->bmiHeader;
    bool ok = h.biSize >= sizeof(BITMAPINFOHEADER) && h.biWidth > 0 && h.biHeight != 0 && h.biPlanes == 1 &&
              usage == DIB_RGB_COLORS;
    ok = ok && (h.biBitCount == 1 || h.biBitCount == 4 || h.biBitCount == 8 || h.biBitCount == 16 ||
                h.biBitCount == 24 || h.biBitCount == 32);
    ok = ok && (h.biCompression == BI_RGB ||
                (h.biCompression == BI_BITFIELDS && (h.biBitCount == 16 || h.biBitCount == 32)));
    if (!ok) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    out.width = h.biWidth;
    out.top_down = h.biHeight < 0;
    out.height = out.top_down ? -h.biHeight : h.biHeight;
    out.bpp = h.biBitCount;
    out.stride = ptrdiff_t((int64_t(h.biWidth) * h.biBitCount + 31) / 32 * 4);
    const BYTE *after = reinterpret_cast<const BYTE *>(info) + h.biSize;
    out.bitfields = h.biCompression == BI_BITFIELDS;
    // The three masks follow a plain header and lie inside the longer ones, at the same offset
    // either way; a header that ends part way through them holds neither.
    const DWORD masks_end = sizeof(BITMAPINFOHEADER) + sizeof out.masks;
    if (out.bitfields && h.biSize > sizeof(BITMAPINFOHEADER) && h.biSize < masks_end) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (out.bitfields)
        std::memcpy(out.masks, reinterpret_cast<const BYTE *>(info) + sizeof(BITMAPINFOHEADER), sizeof out.masks);
    if (out.bpp <= 8) {
        DWORD count = h.biClrUsed && h.biClrUsed < (1u << out.bpp) ? h.biClrUsed : (1u << out.bpp);
        const RGBQUAD *table = reinterpret_cast<const RGBQUAD *>(after);
        out.colors.assign(size_t(1) << out.bpp, 0);
        for (DWORD i = 0; i < count; ++i)
            out.colors[i] = DWORD(table[i].rgbRed) << 16 | DWORD(table[i].rgbGreen) << 8 | table[i].rgbBlue;
    }
    return true;
}

static bitmap_obj *stock_bitmap_obj()
{
    unique_hdc dc(CreateCompatibleDC(NULL));
    return gdi_object_as<bitmap_obj>(GetCurrentObject(dc.get(), OBJ_BITMAP));
}

static HBITMAP new_bitmap(int width, int height, int bpp, bool dib, int stride)
{
    if (int64_t(stride) * height > 0x7FFFFFFF) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    auto b = std::make_shared<bitmap_obj>();
    b->type = OBJ_BITMAP;
    b->width = width;
    b->height = height;
    b->bpp = bpp;
    b->dib = dib;
    b->stride = stride;
    try {
        b->storage.assign(size_t(stride) * size_t(height), 0);
    } catch (const std::bad_alloc &) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    return static_cast<HBITMAP>(alloc_gdi_handle(b));
}

static int ddb_stride(int width, int bpp)
{
    return int((int64_t(width) * bpp + 15) / 16 * 2);
}

}  // namespace win32

using namespace win32;

HBITMAP WINAPI CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const VOID *lpBits)
{
    if (nWidth < 0 || nHeight < 0 || nPlanes > 32 || nBitCount > 32) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    if (nWidth == 0 || nHeight == 0) {
        gdi_lock lock(gdi_mutex());
        return static_cast<HBITMAP>(stock_bitmap_obj()->handle);
    }
    UINT bpp = nPlanes * nBitCount;
    if (bpp != 1 && bpp != 24 && bpp != 32) {
        SetLastError(ERROR_INVALID_PARAMETER);  // only monochrome and true-colour bitmaps are kept
        return NULL;
    }
    if (int64_t(nWidth) * nHeight > (int64_t(1) << 28)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    gdi_lock lock(gdi_mutex());
    int stride = ddb_stride(nWidth, int(bpp));
    HBITMAP h = new_bitmap(nWidth, nHeight, int(bpp), false, stride);
    if (h && lpBits) {
        auto b = gdi_object_as<bitmap_obj>(h);
        std::memcpy(b->storage.data(), lpBits, b->storage.size());
    }
    return h;
}

HBITMAP WINAPI CreateBitmapIndirect(const BITMAP *pbm)
{
    if (!pbm) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    return CreateBitmap(pbm->bmWidth, pbm->bmHeight, pbm->bmPlanes, pbm->bmBitsPixel, pbm->bmBits);
}

// A memory DC makes bitmaps like the one it holds (monochrome while it holds its first one);
// a display DC makes 32-bit bitmaps.
HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy)
{
    gdi_lock lock(gdi_mutex());
    auto dc = dc_from_handle(hdc);
    if (!dc)
        return NULL;
    if (cx < 0 || cy < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    int bpp = 32;
    if (!dc->display)
        if (auto *bmp = dc->st.bitmap.as<bitmap_obj>())
            bpp = bmp->bpp;
    return CreateBitmap(cx, cy, 1, UINT(bpp), NULL);
}

HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO *pbmi, UINT usage, VOID **ppvBits, HANDLE hSection,
                                DWORD offset)
{
    (void)offset;
    if (ppvBits)
        *ppvBits = NULL;
    gdi_lock lock(gdi_mutex());
    if (hdc && !dc_from_handle(hdc))
        return NULL;
    dib_view v;
    if (!pbmi || hSection || !parse_dib(pbmi, usage, v) || (v.bpp != 24 && v.bpp != 32) ||
        (v.bitfields && (v.masks[0] != 0xFF0000 || v.masks[1] != 0xFF00 || v.masks[2] != 0xFF))) {
        SetLastError(ERROR_INVALID_PARAMETER);  // sections of 24 and 32 bpp in plain BGR order only
        return NULL;
    }
    if (int64_t(v.width) * v.height > (int64_t(1) << 28)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    HBITMAP h = new_bitmap(v.width, v.height, v.bpp, true, int(v.stride));
    if (!h)
        return NULL;
    auto b = gdi_object_as<bitmap_obj>(h);
    b->top_down = v.top_down;
    b->dib_header = pbmi->bmiHeader;
    b->dib_header.biSize = sizeof(BITMAPINFOHEADER);
    b->dib_header.biSizeImage = DWORD(b->storage.size());
    if (ppvBits)
        *ppvBits = b->storage.data();
    return h;
}

// Copies rows between a bitmap and a packed DIB. Scan line 0 is the DIB's first row in memory
// order: the bottom row of a bottom-up DIB, the top row of a top-down one.
static int transfer_rows(bitmap_obj &bmp, UINT start, UINT lines, const dib_view &v, void *bits, bool to_bitmap)
{
    if (start >= UINT(v.height))
        return 0;
    if (lines > UINT(v.height) - start)
        lines = UINT(v.height) - start;
    surface s = bmp.surf();
    int width = v.width < s.width ? v.width : s.width;
    int copied = 0;
    bool full = s.bpp == 32 && v.full();
    for (UINT i = start; i < start + lines; ++i) {
        // DIB row i (memory order) as counted from the DIB's top.
        int dib_y = v.top_down ? int(i) : v.height - 1 - int(i);
        // DIBs and bitmaps line up at the bottom when their heights differ, as on Windows.
        int bmp_y = v.top_down ? dib_y : s.height - 1 - int(i);
        if (bmp_y < 0 || bmp_y >= s.height)
            continue;
        if (full) {
            // Same layout on both sides: the row moves as one block, alpha byte included.
            BYTE *dib_row = const_cast<BYTE *>(v.row(bits, dib_y));
            if (to_bitmap)
                std::memcpy(s.row(bmp_y), dib_row, size_t(width) * 4);
            else
                std::memcpy(dib_row, s.row(bmp_y), size_t(width) * 4);
            ++copied;
            continue;
        }
        for (int x = 0; x < width; ++x) {
            if (to_bitmap)
                s.set(x, bmp_y, pixel_for_surface(s, colorref_from_pixel(v.get(bits, x, dib_y))));
            else
                v.set(bits, x, dib_y, s.get(x, bmp_y));
        }
        ++copied;
    }
    return copied;
}

int WINAPI GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi, UINT usage)
{
    gdi_lock lock(gdi_mutex());
    if (!dc_from_handle(hdc))
        return 0;
    auto bmp = gdi_object_as<bitmap_obj>(hbm);
    if (!bmp || !lpbmi) {
        SetLastError(bmp ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return 0;
    }
    BITMAPINFOHEADER &h = lpbmi->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!lpvBits) {
        if (h.biBitCount == 0) {
            // Describe the bitmap itself.
            h.biWidth = bmp->width;
            h.biHeight = bmp->height;
            h.biPlanes = 1;
            h.biBitCount = WORD(bmp->bpp);
            h.biCompression = BI_RGB;
            h.biXPelsPerMeter = h.biYPelsPerMeter = 0;
            h.biClrUsed = h.biClrImportant = 0;
        }
        if (h.biWidth <= 0 || h.biHeight == 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        int rows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
        h.biSizeImage = DWORD((int64_t(h.biWidth) * h.biBitCount + 31) / 32 * 4 * rows);
        if (h.biBitCount == 1 && usage == DIB_RGB_COLORS) {
            lpbmi->bmiColors[0] = RGBQUAD{0, 0, 0, 0};
            (&lpbmi->bmiColors[0])[1] = RGBQUAD{255, 255, 255, 0};
        }
        return bmp->height;
    }
    dib_view v;
    if (!parse_dib(lpbmi, usage, v))
        return 0;
    if (v.bpp != 16 && v.bpp != 24 && v.bpp != 32) {
        SetLastError(ERROR_INVALID_PARAMETER);  // pixels are read out only as true colour
        return 0;
    }
    v.bitfields = false;
    h.biSizeImage = DWORD(v.stride * v.height);
    return transfer_rows(*bmp, start, cLines, v, lpvBits, false);
}

int WINAPI SetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, const VOID *lpBits, const BITMAPINFO *lpbmi,
                     UINT ColorUse)
{
    gdi_lock lock(gdi_mutex());
    if (hdc && !dc_from_handle(hdc))
        return 0;
    auto bmp = gdi_object_as<bitmap_obj>(hbm);
    if (!bmp || bmp->stock) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    dib_view v;
    if (!lpBits || !lpbmi || !parse_dib(lpbmi, ColorUse, v)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return transfer_rows(*bmp, start, cLines, v, const_cast<VOID *>(lpBits), true);
}

HBITMAP WINAPI CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER *pbmih, DWORD flInit, const VOID *pjBits,
                              const BITMAPINFO *pbmi, UINT iUsage)
{
    if (!pbmih || pbmih->biWidth < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return NULL;
    }
    int height = pbmih->biHeight < 0 ? -pbmih->biHeight : pbmih->biHeight;
    // A two-colour black-and-white DIB makes a monochrome bitmap; anything else takes the screen's format.
    UINT bpp = 32;
    if (pbmi && pbmi->bmiHeader.biBitCount == 1 && pbmi->bmiHeader.biSize >= sizeof(BITMAPINFOHEADER)) {
        // The colour table follows the header, whatever its size.
        const RGBQUAD *c = reinterpret_cast<const RGBQUAD *>(reinterpret_cast<const BYTE *>(pbmi) + pbmi->bmiHeader.biSize);
        bool black_white = c[0].rgbRed == 0 && c[0].rgbGreen == 0 && c[0].rgbBlue == 0 && c[1].rgbRed == 255 &&
                           c[1].rgbGreen == 255 && c[1].rgbBlue == 255;
        if (black_white)
            bpp = 1;
    }
    gdi_lock lock(gdi_mutex());
    auto dc = hdc ? dc_from_handle(hdc) : nullptr;
    if (hdc && !dc)
        return NULL;
    // The bitmap is compatible with the DC: a memory DC that still holds its initial one-pixel
    // bitmap makes a monochrome one, whatever the DIB's colours.
    if (dc && !dc->display)
        if (auto *bmp = dc->st.bitmap.as<bitmap_obj>())
            if (bmp->bpp == 1)
                bpp = 1;
    unique_hbitmap h(CreateBitmap(pbmih->biWidth, height, 1, bpp, NULL));
    if (!h || !(flInit & CBM_INIT))
        return h.release();
    if (!pjBits || !pbmi || SetDIBits(hdc, h.get(), 0, UINT(height), pjBits, pbmi, iUsage) == 0)
        return NULL;
    return h.release();
}

LONG WINAPI GetBitmapBits(HBITMAP hbit, LONG cb, LPVOID lpvBits)
{
    gdi_lock lock(gdi_mutex());
    auto bmp = gdi_object_as<bitmap_obj>(hbit);
    if (!bmp) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    LONG size = LONG(bmp->storage.size());
    if (!lpvBits)
        return size;
    if (cb <= 0)
        return 0;
    LONG n = cb < size ? cb : size;
    std::memcpy(lpvBits, bmp->storage.data(), size_t(n));
    return n;
}

LONG WINAPI SetBitmapBits(HBITMAP hbm, DWORD cb, const VOID *pvBits)
{
    gdi_lock lock(gdi_mutex());
    auto bmp = gdi_object_as<bitmap_obj>(hbm);
    if (!bmp || bmp->stock || !pvBits) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    size_t n = cb < bmp->storage.size() ? cb : bmp->storage.size();
    std::memcpy(bmp->storage.data(), pvBits, n);
    return LONG(n);
}
