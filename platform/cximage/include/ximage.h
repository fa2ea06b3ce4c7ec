// CxImage: a decoded picture with the frames and delays of its animation, drawn onto device contexts.
// Pixels are 32-bit with a straight (not premultiplied) alpha channel, rows top to bottom.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

// The Windows build compiles the image library into the plug-in (CXIMAGE_STATIC_LIBRARY).
#if defined(CXIMAGE_STATIC_LIBRARY)
#define CXIMAGE_API
#elif defined(CXIMAGE_BUILDING_LIBRARY)
#define CXIMAGE_API __declspec(dllexport)
#else
#define CXIMAGE_API __declspec(dllimport)
#endif

// Image type codes in the library's numbering. Only GIF is decoded; any other code gives an
// invalid image.
enum CxImageType : DWORD
{
    CXIMAGE_TYPE_UNKNOWN = 0,
    CXIMAGE_TYPE_GIF = 2,
};

// One picture, and with "retrieve all frames" every frame of its file as a picture of its own.
class CXIMAGE_API CxImage
{
public:
    CxImage();
    // Decodes the file; check IsValid() for the outcome.
    CxImage(const WCHAR *filename, DWORD imagetype);
    virtual ~CxImage();

    CxImage(const CxImage &) = delete;
    CxImage &operator=(const CxImage &) = delete;

    // Decodes the file again into this object. Without retrieve-all only the frame chosen by
    // SetFrame becomes the displayed bitmap; with it, every frame is also kept. Each frame is the
    // whole composed picture at that moment, transparent where nothing is painted. A damaged file
    // keeps the frames that were complete before the damage; with none, or when the chosen frame
    // is not among them, the image is invalid and Load answers false.
    bool Load(const WCHAR *filename, DWORD imagetype);
    // Drops the bitmap and the kept frames; the frame count and the settings stay.
    void Destroy();

    bool IsValid() const;
    DWORD GetWidth() const { return m_nWidth; }
    DWORD GetHeight() const { return m_nHeight; }

    // Frames in the file as of the last decode (the complete ones, for a damaged file).
    long GetNumFrames() const { return m_nNumFrames; }
    void SetRetreiveAllFrames(bool flag) { m_bRetreiveAllFrames = flag; }
    bool GetRetreiveAllFrames() const { return m_bRetreiveAllFrames; }
    // Before Load: which frame becomes the displayed bitmap. Afterwards: the index GetFrame() reports.
    void SetFrame(long nFrame) { m_nFrame = nFrame; }
    long GetFrame() const { return m_nFrame; }
    // A kept frame, owned by this image; null when out of range or not kept.
    CxImage *GetFrame(long nFrame) const;
    // Hundredths of a second; 0 when the file gives none.
    DWORD GetFrameDelay() const { return m_dwFrameDelay; }

    // Copies another image's displayed bitmap into this one; the kept frames, the frame index and
    // the frame count stay this image's own. The delay travels with the pixels, so after copying a
    // frame in, GetFrameDelay() reports that frame's delay. Without copyalpha the pixels arrive
    // opaque; alpha alone copies only the alpha channel between images of one size. This library
    // keeps no selections, so copyselection has nothing to carry.
    bool Copy(const CxImage &src, bool copypixels = true, bool copyselection = true, bool copyalpha = true);

    // Paints the displayed bitmap with its top-left corner at (x, y), at natural size where cx or
    // cy is negative, else scaled to cx by cy (bSmooth: bilinear, else nearest pixel). Pixels of the
    // DC stay visible under transparent ones. Only the part inside pClip (logical units) is painted.
    // Answers nonzero when something was drawn.
    long Draw(HDC hdc, long x = 0, long y = 0, long cx = -1, long cy = -1, RECT *pClip = 0,
              bool bSmooth = false);
    long Draw(HDC hdc, const RECT &rect, RECT *pClip = 0, bool bSmooth = false);

    // The pixel at (x, y), row 0 at the top: its colour as RGB(), and its alpha. 0 outside the image.
    COLORREF GetPixelColor(long x, long y) const;
    BYTE AlphaGet(long x, long y) const;

private:
    struct premultiplied;

    bool Decode(HANDLE file);
    void SetBitmap(DWORD width, DWORD height, std::vector<BYTE> &&bits, DWORD delay);
    // A memory DC holding the displayed bitmap premultiplied, made on first use; null when it
    // cannot be.
    HDC PremultipliedDC() const;

    std::vector<BYTE> m_bits;  // BGRA, m_nWidth * m_nHeight * 4 bytes
    DWORD m_nWidth;
    DWORD m_nHeight;
    DWORD m_dwFrameDelay;
    long m_nFrame;
    long m_nNumFrames;
    bool m_bRetreiveAllFrames;
    std::vector<std::unique_ptr<CxImage>> m_frames;
    mutable std::shared_ptr<premultiplied> m_premultiplied;  // dropped whenever m_bits changes
};
