// CBufferDC: an off-screen device context for WM_PAINT handlers, copied to the window in one
// block when it is destroyed, so a repaint never shows a half-drawn frame.
#pragma once

#include <afxwin.h>

// Draws into a memory DC the size of the client area up to the paint rectangle's far corner;
// destroy it before the paint DC ends painting.
class CBufferDC : public CDC
{
public:
    explicit CBufferDC(CPaintDC *pDC);
    ~CBufferDC() override;

    CBufferDC(const CBufferDC &) = delete;
    CBufferDC &operator=(const CBufferDC &) = delete;

private:
    HDC m_hDestDC;          // the paint DC, not owned; NULL when it has no handle
    CBitmap m_bitmap;       // the off-screen bitmap
    CRect m_rect;           // the paint rectangle, client coordinates
    HGDIOBJ m_hOldBitmap;   // what the memory DC held before m_bitmap
};
