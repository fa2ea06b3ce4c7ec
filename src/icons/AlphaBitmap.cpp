// Bitmaps from the module's resources (PNG first, plain bitmap otherwise) and their premultiplied
// copies for alpha-blended drawing.
#include "icons/AlphaBitmap.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A header followed by room for the three colour masks of BI_BITFIELDS.
const size_t kHeaderBlock = sizeof(BITMAPINFOHEADER) + 3 * sizeof(DWORD);

const BYTE* lock_resource(HMODULE hModule, HRSRC hResource, DWORD* pcbData)
{
    *pcbData = 0;
    if (!hResource)
        return NULL;
    HGLOBAL hData = ::LoadResource(hModule, hResource);
    const BYTE* pData = hData ? static_cast<const BYTE*>(::LockResource(hData)) : NULL;
    if (pData)
        *pcbData = ::SizeofResource(hModule, hResource);
    return pData;
}

// Paletted and 16-bit resources: a device-dependent bitmap made through the screen with the
// resource's colours selected as its palette.
HBITMAP bitmap_through_palette(const BYTE* pDib, const RGBQUAD* pColours, DWORD nColours, const BYTE* pPixels)
{
    CClientDC screen(NULL);
    if (!screen.GetSafeHdc())
        return NULL;
    CPalette palette;
    if (nColours > 0) {
        std::vector<BYTE> block(sizeof(LOGPALETTE) + (nColours - 1) * sizeof(PALETTEENTRY));
        LOGPALETTE* pLogPalette = reinterpret_cast<LOGPALETTE*>(block.data());
        pLogPalette->palVersion = 0x300;
        pLogPalette->palNumEntries = WORD(nColours);
        for (DWORD i = 0; i < nColours; ++i) {
            RGBQUAD colour;
            memcpy(&colour, pColours + i, sizeof colour);
            PALETTEENTRY& entry = pLogPalette->palPalEntry[i];
            entry.peRed = colour.rgbRed;
            entry.peGreen = colour.rgbGreen;
            entry.peBlue = colour.rgbBlue;
            entry.peFlags = 0;
        }
        palette.CreatePalette(pLogPalette);
    }
    HPALETTE hOldPalette = palette.GetSafeHandle() ? ::SelectPalette(screen, palette, FALSE) : NULL;
    HBITMAP hBitmap = ::CreateDIBitmap(screen, reinterpret_cast<const BITMAPINFOHEADER*>(pDib), CBM_INIT, pPixels,
                                       reinterpret_cast<const BITMAPINFO*>(pDib), DIB_RGB_COLORS);
    if (hOldPalette)
        ::SelectPalette(screen, hOldPalette, FALSE);   // before CPalette deletes ours
    return hBitmap;
}

// 24 and 32 bits: a DIB section holding a copy of the resource's pixels.
HBITMAP bitmap_as_section(const BYTE* pDib, const BITMAPINFOHEADER& header, const BYTE* pPixels, size_t cbPixels)
{
    unique_block<BITMAPINFO> pInfo(static_cast<BITMAPINFO*>(calloc(1, kHeaderBlock)));
    if (!pInfo)
        return NULL;
    memcpy(pInfo.get(), &header, sizeof header);
    pInfo->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);   // longer headers are read as their first part
    pInfo->bmiHeader.biSizeImage = DWORD(cbPixels);
    // The masks sit at the same offset after a plain header and inside the longer ones.
    if (header.biCompression == BI_BITFIELDS)
        memcpy(pInfo->bmiColors, pDib + sizeof(BITMAPINFOHEADER), 3 * sizeof(DWORD));
    void* pBits = NULL;
    CBitmap bitmap;
    if (!bitmap.Attach(::CreateDIBSection(NULL, pInfo.get(), DIB_RGB_COLORS, &pBits, NULL, 0)) || !pBits)
        return NULL;
    memcpy(pBits, pPixels, cbPixels);
    return static_cast<HBITMAP>(bitmap.Detach());
}

// A bitmap resource: a packed DIB (header, masks, colour table, pixels).
HBITMAP bitmap_from_dib_resource(HINSTANCE hInstance, LPCTSTR lpszName, BOOL* pbAlpha)
{
    DWORD cbData = 0;
    const BYTE* pDib = lock_resource(hInstance, ::FindResourceW(hInstance, lpszName, RT_BITMAP), &cbData);
    if (!pDib || cbData < sizeof(BITMAPINFOHEADER))
        return NULL;
    BITMAPINFOHEADER header;
    memcpy(&header, pDib, sizeof header);
    if (pbAlpha)
        *pbAlpha = header.biBitCount == 32;   // set even when the pixels turn out to be missing

    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biWidth <= 0 || header.biHeight == 0 ||
        header.biBitCount == 0)
        return NULL;
    uint64_t nRows = header.biHeight < 0 ? -int64_t(header.biHeight) : header.biHeight;
    uint64_t cbPixels = (uint64_t(header.biBitCount) * uint64_t(header.biWidth) + 31) / 32 * 4 * nRows;
    uint64_t nColours = header.biClrUsed;
    if (nColours == 0 && header.biBitCount <= 8)
        nColours = uint64_t(1) << header.biBitCount;
    // BI_BITFIELDS keeps three masks at bytes 40 to 51: after a plain header, inside a longer one.
    // A header of 41 to 51 bytes ends inside them and is not one Windows writes: refused, so no
    // mask is read from past the resource's end.
    const uint64_t cbMaskEnd = sizeof(BITMAPINFOHEADER) + 3 * sizeof(DWORD);
    bool bBitfields = header.biCompression == BI_BITFIELDS;
    if (bBitfields && header.biSize > sizeof(BITMAPINFOHEADER) && header.biSize < cbMaskEnd)
        return NULL;
    uint64_t cbMasks = bBitfields && header.biSize == sizeof(BITMAPINFOHEADER) ? 12 : 0;
    uint64_t offColours = header.biSize + cbMasks;
    uint64_t offPixels = offColours + nColours * sizeof(RGBQUAD);
    // The colour table and the masks must lie inside the resource as well as the pixels.
    if (nColours > 0xFFFF || uint64_t(cbData) < offPixels + cbPixels || (bBitfields && cbData < cbMaskEnd))
        return NULL;

    if (header.biBitCount < 24)
        return bitmap_through_palette(pDib, reinterpret_cast<const RGBQUAD*>(pDib + offColours), DWORD(nColours),
                                      pDib + offPixels);
    return bitmap_as_section(pDib, header, pDib + offPixels, size_t(cbPixels));
}

} // namespace

BOOL HasPngSignature(HINSTANCE hInstance, LPCTSTR lpszName)
{
    static const BYTE signature[4] = {0x89, 'P', 'N', 'G'};
    DWORD cbData = 0;
    const BYTE* pData = lock_resource(hInstance, ::FindResourceW(hInstance, lpszName, TEXT("PNG")), &cbData);
    return pData && cbData >= sizeof signature && memcmp(pData, signature, sizeof signature) == 0;
}

HBITMAP BitmapFromResource(HINSTANCE hInstance, LPCTSTR lpszName, BOOL* pbAlpha)
{
    if (!HasPngSignature(hInstance, lpszName))
        return bitmap_from_dib_resource(hInstance, lpszName, pbAlpha);

    CXTPGraphicBitmapPng bitmap;
    if (!bitmap.ReadPngResource(hInstance, ::FindResourceW(hInstance, lpszName, TEXT("PNG"))))
        return NULL;
    if (pbAlpha)
        *pbAlpha = bitmap.m_bHasAlphaChannel;
    return static_cast<HBITMAP>(bitmap.Detach());
}

BOOL CopyBitmapPixels32(HDC hMemDC, HBITMAP hBitmap, BITMAPINFO** ppHeader, BYTE** ppBits, DWORD* pcbBits)
{
    if (ppHeader) *ppHeader = NULL;
    if (ppBits) *ppBits = NULL;
    if (pcbBits) *pcbBits = 0;
    if (!hBitmap || !ppHeader || !ppBits || !pcbBits)
        return FALSE;

    unique_block<BITMAPINFO> pHeader(static_cast<BITMAPINFO*>(calloc(1, kHeaderBlock)));
    if (!pHeader)
        return FALSE;
    pHeader->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    if (!::GetDIBits(hMemDC, hBitmap, 0, 0, NULL, pHeader.get(), DIB_RGB_COLORS) ||
        pHeader->bmiHeader.biBitCount != 32)
        return FALSE;
    LONG nWidth = pHeader->bmiHeader.biWidth;
    LONG nHeight = pHeader->bmiHeader.biHeight;
    uint64_t nRows = nHeight < 0 ? -int64_t(nHeight) : nHeight;   // a top-down section may answer negative
    uint64_t cbBits = uint64_t(nWidth > 0 ? nWidth : 0) * nRows * 4;
    if (cbBits == 0 || cbBits > 0xFFFFFFFFu)
        return FALSE;

    unique_block<BYTE> pBits(static_cast<BYTE*>(malloc(size_t(cbBits))));
    if (!pBits)
        return FALSE;
    // Every row must arrive: a partial copy would hand out uninitialised pixels.
    if (::GetDIBits(hMemDC, hBitmap, 0, UINT(nRows), pBits.get(), pHeader.get(), DIB_RGB_COLORS) != int(nRows))
        return FALSE;
    *ppHeader = pHeader.release();
    *ppBits = pBits.release();
    *pcbBits = DWORD(cbBits);
    return TRUE;
}

HBITMAP MakePremultipliedBitmap(HBITMAP hSource, BOOL* pbAlpha)
{
    CDC dc;
    if (!dc.CreateCompatibleDC(NULL))   // the screen's
        return NULL;
    BITMAPINFO* pRawHeader = NULL;
    BYTE* pRawBits = NULL;
    DWORD cbBits = 0;
    if (!CopyBitmapPixels32(dc, hSource, &pRawHeader, &pRawBits, &cbBits))
        return NULL;
    unique_block<BITMAPINFO> pHeader(pRawHeader);
    unique_block<BYTE> pSource(pRawBits);

    void* pBits = NULL;
    CBitmap result;
    if (!result.Attach(::CreateDIBSection(dc, pHeader.get(), DIB_RGB_COLORS, &pBits, NULL, 0)) || !pBits)
        return NULL;
    BYTE* pDest = static_cast<BYTE*>(pBits);
    memcpy(pDest, pSource.get(), cbBits);

    BOOL bTransparentSeen = FALSE;
    for (BYTE* p = pDest; p < pDest + cbBits; p += 4) {
        UINT nAlpha = p[3];
        p[0] = BYTE(p[0] * nAlpha / 255);
        p[1] = BYTE(p[1] * nAlpha / 255);
        p[2] = BYTE(p[2] * nAlpha / 255);
        if (!pbAlpha)
            continue;
        // Alpha bytes that are all 0, all 255, or 255 before any 0 are taken for unused ones.
        if (nAlpha == 0)
            bTransparentSeen = TRUE;
        else if (nAlpha < 255 || bTransparentSeen)
            *pbAlpha = TRUE;
    }
    if (pbAlpha && !*pbAlpha)
        memcpy(pDest, pSource.get(), cbBits);
    return static_cast<HBITMAP>(result.Detach());
}
