// PNG and bitmap resources turned into 32-bit DIB sections, and premultiplied copies of them for
// alpha-blended drawing (the tab image).
#pragma once

#include <afxwin.h>

#include <owner/unique_handle.h>

// The malloc'd blocks that DecodePng and CopyBitmapPixels32 hand out, freed with free().
using owner::unique_block;

// A bitmap decoded from a PNG. Used as a short-lived local: decode, then Detach the handle.
class CXTPGraphicBitmapPng : public CBitmap
{
public:
    CXTPGraphicBitmapPng() : m_bHasAlphaChannel(FALSE) {}
    ~CXTPGraphicBitmapPng() override {}

    // Decodes a PNG resource of hModule; on success the object holds the bitmap.
    BOOL ReadPngResource(HMODULE hModule, HRSRC hResource);
    // Decodes a PNG read from pFile's current position; on success the object holds the bitmap.
    BOOL ReadPngStream(CFile* pFile);

    BOOL m_bHasAlphaChannel;    // the last decoded PNG had four channels
};

// The bitmap named lpszName in hInstance, a PNG resource when one with the PNG signature exists,
// otherwise an ordinary bitmap resource. *pbAlpha (when given) says whether it carries alpha; it is
// left alone when nothing is returned, except for a bitmap resource too short for its pixels.
// The bitmap is the caller's.
HBITMAP BitmapFromResource(HINSTANCE hInstance, LPCTSTR lpszName, BOOL* pbAlpha);

// A new 32-bit DIB section holding hSource's pixels with each colour multiplied by its alpha.
// With pbAlpha given, *pbAlpha becomes TRUE when the alpha bytes are real (partial transparency,
// or opaque after transparent); otherwise the copy keeps the unmultiplied pixels. hSource is not
// changed. NULL when hSource is not 32 bits per pixel or memory runs out.
HBITMAP MakePremultipliedBitmap(HBITMAP hSource, BOOL* pbAlpha);

// TRUE when hInstance holds a resource of type "PNG" named lpszName starting with 0x89 "PNG".
BOOL HasPngSignature(HINSTANCE hInstance, LPCTSTR lpszName);

// Decodes a PNG from pFile into 8-bit RGB or RGBA rows, top row first, width x channels bytes
// each. On success *ppPixels is the caller's, to be released with free(). On failure nothing is
// allocated and, when pnCause is given, it receives the CFileException cause (endOfFile for a
// short read, invalidFile for a damaged image, genericException when memory ran out).
BOOL DecodePng(CFile* pFile, BYTE** ppPixels, UINT* pnWidth, UINT* pnHeight, int* pnChannels,
               int* pnCause = NULL);

// A top-down 32-bit BGRA DIB section from decoded RGB/RGBA rows; alpha is 0 for 3 channels.
HBITMAP MakeDibSection(const BYTE* pPixels, UINT nWidth, UINT nHeight, int nChannels);

// Reads a 32-bit bitmap's pixels through hMemDC. On success the caller frees *ppHeader (a
// BITMAPINFO with room for three colour masks) and *ppBits with free(); *pcbBits is their size.
BOOL CopyBitmapPixels32(HDC hMemDC, HBITMAP hBitmap, BITMAPINFO** ppHeader, BYTE** ppBits, DWORD* pcbBits);
