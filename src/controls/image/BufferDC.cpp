// CBufferDC: the memory DC and bitmap of one paint, clipped to the paint rectangle and copied
// back to the paint DC at destruction.
#include "controls/image/BufferDC.h"

CBufferDC::CBufferDC(CPaintDC *pDC)
    : m_hDestDC(pDC->GetSafeHdc()), m_rect(pDC->m_ps.rcPaint), m_hOldBitmap(NULL)
{
    if (!CreateCompatibleDC(pDC)) return;   // no DC: drawing does nothing and nothing is copied

    // The bitmap starts at client (0, 0), so callers draw with window coordinates unchanged.
    int cx = m_rect.right < 1 ? 1 : m_rect.right;
    int cy = m_rect.bottom < 1 ? 1 : m_rect.bottom;
    if (m_bitmap.CreateCompatibleBitmap(pDC, cx, cy)) {
        m_hOldBitmap = SelectObject(m_bitmap.GetSafeHandle());
        if (m_hOldBitmap == HGDI_ERROR) m_hOldBitmap = NULL;
    }

    // Whatever is drawn outside the paint rectangle stays out of the buffer.
    CRgn rgn;
    if (rgn.CreateRectRgnIndirect(&m_rect)) SelectClipRgn(&rgn);
}

CBufferDC::~CBufferDC()
{
    if (m_hDC == NULL) return;
    int cx = m_rect.right - m_rect.left, cy = m_rect.bottom - m_rect.top;
    // An empty or inverted rectangle copies nothing: a negative extent must not reach the screen
    // as a mirrored or shifted copy of the one-pixel bitmap.
    if (m_hDestDC != NULL && cx > 0 && cy > 0)
        ::BitBlt(m_hDestDC, m_rect.left, m_rect.top, cx, cy, m_hDC, m_rect.left, m_rect.top, SRCCOPY);
    if (m_hOldBitmap != NULL) ::SelectObject(m_hDC, m_hOldBitmap);
    // m_bitmap goes next, then the base deletes the memory DC: the bitmap is no longer selected.
}
