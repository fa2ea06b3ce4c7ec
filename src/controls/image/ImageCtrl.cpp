// CxImageCtrl: loading a GIF with all its frames, advancing them on the frame timer, and painting
// the displayed frame through CBufferDC.
#include "controls/image/ImageCtrl.h"

#include "controls/image/BufferDC.h"

#include <ximage.h>

#include <new>

namespace {
const UINT kFirstFrameInterval = 100;   // before any frame delay is known

// The picture, or NULL when memory for it ran out (the library's exception or the image's own).
CxImage *NewImage(LPCTSTR lpszPath)
{
    try {
        return new CxImage(lpszPath, CXIMAGE_TYPE_GIF);
    } catch (CException *e) {
        e->Delete();
    } catch (const std::bad_alloc &) {
    }
    return NULL;
}

bool LoadAllFrames(CxImage *pImage, LPCTSTR lpszPath)
{
    try {
        return pImage->Load(lpszPath, CXIMAGE_TYPE_GIF);
    } catch (CException *e) {
        e->Delete();
    } catch (const std::bad_alloc &) {
    }
    return false;
}
}  // namespace

BEGIN_MESSAGE_MAP(CxImageCtrl, CStatic)
    ON_WM_PAINT()
    ON_WM_TIMER()
END_MESSAGE_MAP()

CxImageCtrl::CxImageCtrl()
    : m_crBackground(::GetSysColor(COLOR_BTNFACE)), m_bStretch(FALSE), m_bCenter(FALSE),
      m_bParentBackground(FALSE), m_hOldBitmap(NULL)
{
}

CxImageCtrl::~CxImageCtrl()
{
    if (m_dcBackground.GetSafeHdc() != NULL && m_hOldBitmap != NULL)
        ::SelectObject(m_dcBackground.GetSafeHdc(), m_hOldBitmap);
    m_pImage.reset();
    // The members go next: the snapshot bitmap, then its DC. The timer ends with the window.
}

void CxImageCtrl::SetCenter(BOOL bCenter)
{
    m_bCenter = bCenter;
    Redraw();
}

void CxImageCtrl::SetBackgroundColor(COLORREF crBackground)
{
    m_crBackground = crBackground;
    Redraw();
}

void CxImageCtrl::SetStretch(BOOL bStretch)
{
    m_bStretch = bStretch;
    Redraw();
}

void CxImageCtrl::SetParentBackground(BOOL bParentBackground)
{
    m_bParentBackground = bParentBackground;
    Redraw();
}

// Without a window there is nothing to invalidate: a null window would mean every window.
void CxImageCtrl::Redraw()
{
    if (GetSafeHwnd() != NULL) Invalidate(FALSE);
}

void CxImageCtrl::LoadGifFile(LPCTSTR lpszPath)
{
    if (GetSafeHwnd() != NULL) KillTimer(IDT_ANIMATION);
    m_pImage.reset();

    m_pImage.reset(NewImage(lpszPath));
    if (m_pImage != NULL && !m_pImage->IsValid()) {
        m_pImage.reset();
    } else if (m_pImage != NULL && m_pImage->GetNumFrames() > 1) {
        // Load again keeping every frame, the last one displayed: the first tick wraps to frame 0.
        m_pImage->SetRetreiveAllFrames(true);
        m_pImage->SetFrame(m_pImage->GetNumFrames() - 1);
        bool bLoaded = LoadAllFrames(m_pImage.get(), lpszPath);
        // Without a window, SetTimer would make a thread timer nobody could kill.
        if (bLoaded && GetSafeHwnd() != NULL) SetTimer(IDT_ANIMATION, kFirstFrameInterval, NULL);
    }
    Redraw();
}

// Without a window there is nothing to show, and SetTimer would make a thread timer.
void CxImageCtrl::Play()
{
    if (GetSafeHwnd() == NULL) return;
    ShowWindow(SW_SHOW);
    if (m_pImage != NULL && m_pImage->IsValid() && m_pImage->GetNumFrames() > 1)
        SetTimer(IDT_ANIMATION, kFirstFrameInterval, NULL);
}

void CxImageCtrl::Stop()
{
    if (GetSafeHwnd() == NULL) return;
    KillTimer(IDT_ANIMATION);
    ShowWindow(SW_HIDE);
}

void CxImageCtrl::OnTimer(UINT_PTR nIDEvent)
{
    KillTimer(IDT_ANIMATION);
    if (m_pImage == NULL || !m_pImage->IsValid()) return;   // stopped for good

    // The delay of the frame on show, read before the next one is copied in; hundredths of a second.
    DWORD dwDelay = m_pImage->GetFrameDelay();
    if (dwDelay == 0) dwDelay = 1;
    SetTimer(IDT_ANIMATION, UINT(dwDelay * 10), NULL);

    long nNext = m_pImage->GetFrame() + 1;
    if (nNext >= m_pImage->GetNumFrames() || nNext < 0) nNext = 0;
    if (CxImage *pFrame = m_pImage->GetFrame(nNext)) m_pImage->Copy(*pFrame, true, true, true);
    m_pImage->SetFrame(nNext);

    Invalidate(FALSE);
    CStatic::OnTimer(nIDEvent);
}

void CxImageCtrl::OnPaint()
{
    CPaintDC dc(this);
    CBufferDC buffer(&dc);

    CRect rcClient;
    GetClientRect(&rcClient);
    buffer.SetBkMode(TRANSPARENT);

    if (m_bParentBackground)
        DrawParentBackground(&buffer);
    else
        buffer.FillSolidRect(&rcClient, m_crBackground);

    if (m_pImage == NULL || !m_pImage->IsValid()) return;
    HDC hdc = buffer.GetSafeHdc();
    if (m_bStretch) {
        m_pImage->Draw(hdc, rcClient, NULL, false);
    } else if (m_bCenter) {
        // Signed, truncating toward zero: a larger image overhangs both sides evenly.
        LONG nWidth = LONG(m_pImage->GetWidth()), nHeight = LONG(m_pImage->GetHeight());
        LONG x = rcClient.left + (rcClient.Width() - nWidth) / 2;
        LONG y = rcClient.top + (rcClient.Height() - nHeight) / 2;
        m_pImage->Draw(hdc, x, y, -1, -1, NULL, false);
    } else {
        m_pImage->Draw(hdc, rcClient.left, rcClient.top, -1, -1, NULL, false);
    }
}

// The parent's pixels under the control, copied once on first use and reused on every paint.
void CxImageCtrl::DrawParentBackground(CDC *pDC)
{
    CWnd *pParent = GetParent();
    CClientDC dcParent(pParent);
    CRect rcClient;
    GetClientRect(&rcClient);
    CRect rcWindow;
    GetWindowRect(&rcWindow);
    ::MapWindowPoints(NULL, pParent->GetSafeHwnd(), reinterpret_cast<LPPOINT>(&rcWindow), 2);

    if (m_dcBackground.GetSafeHdc() == NULL) {
        if (!m_dcBackground.CreateCompatibleDC(&dcParent)) return;
        if (m_bmpBackground.CreateCompatibleBitmap(&dcParent, rcClient.Width(), rcClient.Height())) {
            m_hOldBitmap = m_dcBackground.SelectObject(m_bmpBackground.GetSafeHandle());
            if (m_hOldBitmap == HGDI_ERROR) m_hOldBitmap = NULL;
        }
        m_dcBackground.BitBlt(0, 0, rcClient.Width(), rcClient.Height(), &dcParent, rcWindow.left, rcWindow.top,
                              SRCCOPY);
    }
    pDC->BitBlt(0, 0, rcClient.Width(), rcClient.Height(), &m_dcBackground, 0, 0, SRCCOPY);
}
