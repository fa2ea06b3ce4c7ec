// PNG decoding over libpng: a file object in, 8-bit RGB/RGBA rows out, and the bitmap class that
// turns those rows into a top-down 32-bit DIB section.
#include "icons/AlphaBitmap.h"

#include <png.h>

#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// No icon comes near this; it keeps a damaged header from asking for gigabytes before the
// data runs out.
const uint64_t kMaxPixels = uint64_t(1) << 26;

// What the read callback needs: the file, and why the decode stopped.
struct png_source
{
    CFile* pFile;
    int nCause;
};

// The decode's results, kept outside the frame that calls setjmp so that they are still valid
// after libpng's error path has jumped back into it.
struct png_decoded
{
    BYTE* pPixels = NULL;
    png_bytep* pRows = NULL;
    png_uint_32 nWidth = 0;
    png_uint_32 nHeight = 0;
    int nChannels = 0;
};

void set_cause(png_structp png, int nCause)
{
    png_source* pSource = static_cast<png_source*>(png_get_io_ptr(png));
    if (pSource && pSource->nCause == CFileException::none)
        pSource->nCause = nCause;
}

// Errors cannot travel from the callbacks as C++ exceptions: libpng is C, built without unwind
// guarantees (and on the 32-bit Windows build not compiled for them at all), so throwing
// through its frames is undefined. The callbacks record the file exception's cause and take
// libpng's documented way out, a longjmp to the setjmp in read_png_rows. No C++ object with a
// destructor lives in any frame that the jump crosses.
[[noreturn]] void PNGCBAPI PngRaiseError(png_structp png, png_const_charp /*message*/)
{
    set_cause(png, CFileException::invalidFile);
#if PNG_LIBPNG_VER >= 10500
    png_longjmp(png, 1);   // the jump buffer libpng holds now, its own during creation
#else
    longjmp(png_jmpbuf(png), 1);
#endif
}

void PNGCBAPI PngReadFromFile(png_structp png, png_bytep data, png_size_t length)
{
    png_source* pSource = static_cast<png_source*>(png_get_io_ptr(png));
    UINT nRead = 0;
    BOOL bRaised = FALSE;
    if (length <= UINT_MAX) {
        try {
            nRead = pSource->pFile->Read(data, UINT(length));
        } catch (CException* e) {
            e->Delete();
            bRaised = TRUE;
        } catch (...) {
            bRaised = TRUE;
        }
    }
    if (bRaised || nRead < length) {
        set_cause(png, bRaised ? CFileException::hardIO : CFileException::endOfFile);
        png_error(png, "read past the end of the image");
    }
}

// Runs libpng from the header to the end of the image. Returns FALSE when libpng's error path
// jumped back here or memory ran out; whatever was allocated is in *pOut for the caller to free.
BOOL read_png_rows(png_structp png, png_infop info, png_decoded* pOut)
{
    if (setjmp(png_jmpbuf(png)))
        return FALSE;

    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
    png_uint_32 nWidth = 0, nHeight = 0;
    int nDepth = 0, nColour = 0;
    png_get_IHDR(png, info, &nWidth, &nHeight, &nDepth, &nColour, NULL, NULL, NULL);
    if (uint64_t(nWidth) * nHeight > kMaxPixels)
        png_error(png, "image too large");

    if (nDepth == 16)
        png_set_strip_16(png);
    if (nColour == PNG_COLOR_TYPE_PALETTE)
        png_set_expand(png);
    if (nDepth < 8)
        png_set_expand(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_expand(png);
    if (nColour == PNG_COLOR_TYPE_GRAY || nColour == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_color_16p pBackground = NULL;
    if (png_get_bKGD(png, info, &pBackground))
        png_set_background(png, pBackground, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);   // drops alpha
    double dGamma = 0;
    if (png_get_gAMA(png, info, &dGamma))
        png_set_gamma(png, 2.2, dGamma);
    png_set_interlace_handling(png);   // interlaced images come out as whole rows too

    png_read_update_info(png, info);
    png_get_IHDR(png, info, &nWidth, &nHeight, &nDepth, &nColour, NULL, NULL, NULL);
    size_t cbRow = png_get_rowbytes(png, info);
    int nChannels = png_get_channels(png, info);
    // Every transformation above ends in 8-bit RGB or RGBA; anything else is not an image we read.
    if (nDepth != 8 || (nChannels != 3 && nChannels != 4) || cbRow != size_t(nWidth) * size_t(nChannels))
        png_error(png, "unexpected pixel format");

    pOut->pPixels = static_cast<BYTE*>(malloc(cbRow * nHeight));
    pOut->pRows = static_cast<png_bytep*>(malloc(sizeof(png_bytep) * nHeight));
    if (!pOut->pPixels || !pOut->pRows) {
        set_cause(png, CFileException::genericException);
        return FALSE;
    }
    for (png_uint_32 i = 0; i < nHeight; ++i)
        pOut->pRows[i] = pOut->pPixels + cbRow * i;
    png_read_image(png, pOut->pRows);
    png_read_end(png, NULL);

    pOut->nWidth = nWidth;
    pOut->nHeight = nHeight;
    pOut->nChannels = nChannels;
    return TRUE;
}

} // namespace

BOOL DecodePng(CFile* pFile, BYTE** ppPixels, UINT* pnWidth, UINT* pnHeight, int* pnChannels, int* pnCause)
{
    if (ppPixels) *ppPixels = NULL;
    if (pnWidth) *pnWidth = 0;
    if (pnHeight) *pnHeight = 0;
    if (pnChannels) *pnChannels = 0;
    if (pnCause) *pnCause = CFileException::none;
    if (!pFile || !ppPixels || !pnWidth || !pnHeight || !pnChannels) {
        if (pnCause) *pnCause = CFileException::genericException;
        return FALSE;
    }

    png_byte signature[8];
    UINT nRead = 0;
    try {
        nRead = pFile->Read(signature, sizeof signature);
    } catch (CException* e) {
        e->Delete();
        if (pnCause) *pnCause = CFileException::hardIO;
        return FALSE;
    }
    // png_sig_cmp over all 8 bytes is the test png_check_sig made in older libpng series.
    if (nRead < sizeof signature || png_sig_cmp(signature, 0, sizeof signature) != 0) {
        if (pnCause) *pnCause = nRead < sizeof signature ? CFileException::endOfFile : CFileException::invalidFile;
        return FALSE;
    }

    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, PngRaiseError, NULL);
    if (!png) {
        if (pnCause) *pnCause = CFileException::genericException;
        return FALSE;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, NULL, NULL);
        if (pnCause) *pnCause = CFileException::genericException;
        return FALSE;
    }
    png_source source = {pFile, CFileException::none};
    png_set_read_fn(png, &source, PngReadFromFile);

    png_decoded decoded;
    BOOL bDecoded = read_png_rows(png, info, &decoded);
    png_destroy_read_struct(&png, &info, NULL);
    unique_block<png_bytep> rows(decoded.pRows);
    unique_block<BYTE> pixels(decoded.pPixels);
    if (!bDecoded) {
        if (pnCause) *pnCause = source.nCause != CFileException::none ? source.nCause : CFileException::genericException;
        return FALSE;
    }
    *ppPixels = pixels.release();
    *pnWidth = decoded.nWidth;
    *pnHeight = decoded.nHeight;
    *pnChannels = decoded.nChannels;
    return TRUE;
}

HBITMAP MakeDibSection(const BYTE* pPixels, UINT nWidth, UINT nHeight, int nChannels)
{
    if (!pPixels || nWidth == 0 || nHeight == 0 || nWidth > 0x7FFFFFFFu || nHeight > 0x7FFFFFFFu ||
        (nChannels != 3 && nChannels != 4))
        return NULL;
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof bmi);
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = LONG(nWidth);
    bmi.bmiHeader.biHeight = -LONG(nHeight);   // top-down, as the rows arrive
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pBits = NULL;
    CBitmap bitmap;
    if (!bitmap.Attach(::CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &pBits, NULL, 0)) || !pBits)
        return NULL;
    BYTE* pDest = static_cast<BYTE*>(pBits);
    for (UINT y = 0; y < nHeight; ++y) {
        const BYTE* pSrc = pPixels + size_t(y) * nWidth * nChannels;
        BYTE* pRow = pDest + size_t(y) * nWidth * 4;
        for (UINT x = 0; x < nWidth; ++x, pSrc += nChannels, pRow += 4) {
            pRow[0] = pSrc[2];
            pRow[1] = pSrc[1];
            pRow[2] = pSrc[0];
            pRow[3] = nChannels == 4 ? pSrc[3] : 0;
        }
    }
    return static_cast<HBITMAP>(bitmap.Detach());
}

BOOL CXTPGraphicBitmapPng::ReadPngStream(CFile* pFile)
{
    m_bHasAlphaChannel = FALSE;
    DeleteObject();
    if (!pFile)
        return FALSE;
    BYTE* pRawPixels = NULL;
    UINT nWidth = 0, nHeight = 0;
    int nChannels = 0;
    BOOL bDecoded = DecodePng(pFile, &pRawPixels, &nWidth, &nHeight, &nChannels);
    unique_block<BYTE> pPixels(pRawPixels);
    if (!bDecoded || !pPixels)
        return FALSE;
    if (!AttachNew(MakeDibSection(pPixels.get(), nWidth, nHeight, nChannels)))
        return FALSE;
    m_bHasAlphaChannel = nChannels == 4;
    return TRUE;
}

BOOL CXTPGraphicBitmapPng::ReadPngResource(HMODULE hModule, HRSRC hResource)
{
    m_bHasAlphaChannel = FALSE;
    DeleteObject();
    if (!hResource)
        return FALSE;
    HGLOBAL hData = ::LoadResource(hModule, hResource);
    void* pData = hData ? ::LockResource(hData) : NULL;
    DWORD cbData = ::SizeofResource(hModule, hResource);
    if (!pData || cbData < 10)
        return FALSE;
    // The file only reads: the resource's bytes are never written through it.
    CMemFile file(static_cast<BYTE*>(pData), cbData, 0);
    return ReadPngStream(&file);
}
