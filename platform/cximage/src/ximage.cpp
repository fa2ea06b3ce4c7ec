// CxImage: loading through the Win32 file calls, frame bookkeeping, copying and pixel access.
#include "ximage.h"

#include "gif_decode.h"

#include <owner/unique_handle.h>

#include <new>
#include <utility>

CxImage::CxImage()
    : m_nWidth(0), m_nHeight(0), m_dwFrameDelay(0), m_nFrame(0), m_nNumFrames(0), m_bRetreiveAllFrames(false)
{
}

CxImage::CxImage(const WCHAR *filename, DWORD imagetype) : CxImage()
{
    Load(filename, imagetype);
}

CxImage::~CxImage() = default;

void CxImage::Destroy()
{
    m_bits.clear();
    m_bits.shrink_to_fit();
    m_premultiplied.reset();
    m_nWidth = m_nHeight = 0;
    m_dwFrameDelay = 0;
    m_frames.clear();
}

bool CxImage::IsValid() const
{
    return !m_bits.empty();
}

void CxImage::SetBitmap(DWORD width, DWORD height, std::vector<BYTE> &&bits, DWORD delay)
{
    m_bits = std::move(bits);
    m_premultiplied.reset();
    m_nWidth = width;
    m_nHeight = height;
    m_dwFrameDelay = delay;
}

bool CxImage::Load(const WCHAR *filename, DWORD imagetype)
{
    Destroy();
    if (filename == NULL || imagetype != CXIMAGE_TYPE_GIF) {
        m_nNumFrames = 0;
        return false;
    }
    owner::unique_file_handle file(CreateFileW(filename, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file) {
        m_nNumFrames = 0;
        return false;
    }
    // Out of memory is one more way for a picture not to load; it never reaches the caller.
    try {
        return Decode(file.get());
    } catch (const std::bad_alloc &) {
        Destroy();
        return false;
    }
}

bool CxImage::Decode(HANDLE file)
{
    cximage::decoded_gif gif;
    BOOL decoded = cximage::decode_gif(file, m_bRetreiveAllFrames, m_nFrame, gif);
    m_nNumFrames = gif.frame_count;
    if (!decoded || m_nFrame < 0 || m_nFrame >= gif.frame_count)
        return false;

    if (m_bRetreiveAllFrames) {
        m_frames.reserve(gif.frames.size());
        for (auto &frame : gif.frames) {
            auto image = std::make_unique<CxImage>();
            image->SetBitmap(gif.width, gif.height, std::move(frame.bits), frame.delay);
            image->m_nNumFrames = 1;
            m_frames.push_back(std::move(image));
        }
        const CxImage &shown = *m_frames[m_nFrame];
        std::vector<BYTE> bits = shown.m_bits;
        SetBitmap(gif.width, gif.height, std::move(bits), shown.m_dwFrameDelay);
    } else {
        if (gif.frames.empty())
            return false;
        SetBitmap(gif.width, gif.height, std::move(gif.frames.front().bits), gif.frames.front().delay);
    }
    return true;
}

CxImage *CxImage::GetFrame(long nFrame) const
{
    if (nFrame < 0 || static_cast<size_t>(nFrame) >= m_frames.size())
        return NULL;
    return m_frames[nFrame].get();
}

bool CxImage::Copy(const CxImage &src, bool copypixels, bool copyselection, bool copyalpha)
{
    (void)copyselection;
    if (&src == this)
        return IsValid();
    if (copypixels) {
        if (!src.IsValid()) {
            m_bits.clear();
            m_premultiplied.reset();
            m_nWidth = m_nHeight = 0;
            m_dwFrameDelay = 0;
            return false;
        }
        std::vector<BYTE> bits;
        try {
            bits = src.m_bits;
        } catch (const std::bad_alloc &) {
            return false;
        }
        if (!copyalpha)
            for (size_t i = 3; i < bits.size(); i += 4)
                bits[i] = 255;
        SetBitmap(src.m_nWidth, src.m_nHeight, std::move(bits), src.m_dwFrameDelay);
        return true;
    }
    if (copyalpha) {
        if (!IsValid() || src.m_nWidth != m_nWidth || src.m_nHeight != m_nHeight)
            return false;
        for (size_t i = 3; i < m_bits.size(); i += 4)
            m_bits[i] = src.m_bits[i];
        m_premultiplied.reset();
    }
    return IsValid();
}

COLORREF CxImage::GetPixelColor(long x, long y) const
{
    if (x < 0 || y < 0 || static_cast<DWORD>(x) >= m_nWidth || static_cast<DWORD>(y) >= m_nHeight)
        return 0;
    const BYTE *p = &m_bits[(static_cast<size_t>(y) * m_nWidth + x) * 4];
    return static_cast<COLORREF>(p[2]) | (static_cast<COLORREF>(p[1]) << 8) | (static_cast<COLORREF>(p[0]) << 16);
}

BYTE CxImage::AlphaGet(long x, long y) const
{
    if (x < 0 || y < 0 || static_cast<DWORD>(x) >= m_nWidth || static_cast<DWORD>(y) >= m_nHeight)
        return 0;
    return m_bits[(static_cast<size_t>(y) * m_nWidth + x) * 4 + 3];
}
