// CxImageCtrl: a static control that shows a decoded image and plays a multi-frame GIF with the
// delays stored in the file; IDT_ANIMATION is its frame timer.
#pragma once

#include <afxwin.h>

#include <ximage.h>

#include <memory>

// The frame timer, set and killed by the control on its own window; the HTML control starts and
// stops the animation through Play and Stop.
#define IDT_ANIMATION 100

// Paints through an off-screen buffer: background colour (or a parent snapshot), then the
// displayed frame. Each WM_TIMER, whatever its id, advances one frame.
class CxImageCtrl : public CStatic
{
public:
    CxImageCtrl();
    ~CxImageCtrl() override;

    void SetCenter(BOOL bCenter);
    void SetBackgroundColor(COLORREF crBackground);
    void SetStretch(BOOL bStretch);
    void SetParentBackground(BOOL bParentBackground);
    // Replaces the image; a GIF of several frames shows its last frame and starts the timer.
    void LoadGifFile(LPCTSTR lpszPath);

    // Shows the control and, for a valid image of several frames, starts the timer at the first
    // interval (replacing a running one). Stop kills the timer and hides the control.
    void Play();
    void Stop();

    // The decoded image; NULL when nothing is loaded or the load failed.
    const CxImage *GetImage() const { return m_pImage.get(); }

protected:
    void DrawParentBackground(CDC *pDC);
    void Redraw();

    afx_msg void OnPaint();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    DECLARE_MESSAGE_MAP()

private:
    std::unique_ptr<CxImage> m_pImage;
    COLORREF m_crBackground;
    BOOL m_bStretch;              // stretched to the client area; wins over m_bCenter
    BOOL m_bCenter;               // natural size, centred
    BOOL m_bParentBackground;     // a snapshot of the parent's pixels instead of the colour
    CDC m_dcBackground;           // holds the snapshot once taken
    CBitmap m_bmpBackground;
    // Kept as a handle: a temporary CGdiObject from SelectObject would be freed at idle time.
    HGDIOBJ m_hOldBitmap;
};
