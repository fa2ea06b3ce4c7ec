// CDC: attaching DCs, selection that answers the previous object, and the drawing wrappers.
#include "afximpl.h"

IMPLEMENT_DYNCREATE(CDC, CObject)

CObject *afx_new_temp_dc(void *h)
{
    CDC *p = new CDC;
    p->m_hDC = p->m_hAttribDC = static_cast<HDC>(h);
    return p;
}

void afx_delete_temp_dc(CObject *p)
{
    CDC *pDC = static_cast<CDC *>(p);
    pDC->m_hDC = pDC->m_hAttribDC = NULL;   // a temporary never deletes its DC
    delete pDC;
}

CDC::~CDC()
{
    if (m_hDC != NULL) ::DeleteDC(Detach());
}

CDC *PASCAL CDC::FromHandle(HDC hDC)
{
    return static_cast<CDC *>(AfxGetModuleThreadState()->m_pmapHDC->FromHandle(hDC));
}

void PASCAL CDC::DeleteTempMap() { AfxGetModuleThreadState()->m_pmapHDC->DeleteTemp(); }

BOOL CDC::Attach(HDC hDC)
{
    if (!afx_attach_handle(&AFX_MODULE_THREAD_STATE::m_pmapHDC, this, m_hDC, hDC)) return FALSE;
    SetAttribDC(m_hDC);
    return TRUE;
}

HDC CDC::Detach()
{
    HDC hDC = afx_detach_handle(&AFX_MODULE_THREAD_STATE::m_pmapHDC, this, m_hDC);
    ReleaseAttribDC();
    return hDC;
}

BOOL CDC::CreateCompatibleDC(CDC *pDC)
{
    HDC hDC = ::CreateCompatibleDC(afx_hdc_of(pDC));
    if (hDC == NULL) return FALSE;
    if (!Attach(hDC)) {
        ::DeleteDC(hDC);
        return FALSE;
    }
    return TRUE;
}

BOOL CDC::DeleteDC()
{
    if (m_hDC == NULL) return FALSE;
    return ::DeleteDC(Detach());
}

CWnd *CDC::GetWindow() const { return CWnd::FromHandle(::WindowFromDC(m_hDC)); }

// Selection goes to both DCs when they differ; the answer is the output DC's previous object.
HGDIOBJ CDC::SelectObject(HGDIOBJ hObject)
{
    HGDIOBJ hOld = NULL;
    if (m_hDC != m_hAttribDC && m_hDC != NULL) hOld = ::SelectObject(m_hDC, hObject);
    if (m_hAttribDC != NULL) hOld = ::SelectObject(m_hAttribDC, hObject);
    return hOld;
}

CGdiObject *CDC::SelectGdiObject(HGDIOBJ hObject)
{
    if (hObject == NULL) return NULL;
    HGDIOBJ hOld = SelectObject(hObject);
    if (hOld == NULL || hOld == HGDI_ERROR) return NULL;
    return CGdiObject::FromHandle(hOld);
}

CPalette *CDC::SelectPalette(CPalette *pPalette, BOOL bForceBackground)
{
    return CPalette::FromHandle(::SelectPalette(m_hDC, static_cast<HPALETTE>(afx_handle_of(pPalette)), bForceBackground));
}

int CDC::SelectClipRgn(CRgn *pRgn)
{
    HRGN hRgn = static_cast<HRGN>(afx_handle_of(pRgn));
    int nRetVal = ERROR;
    if (m_hDC != m_hAttribDC && m_hDC != NULL) nRetVal = ::SelectClipRgn(m_hDC, hRgn);
    if (m_hAttribDC != NULL) nRetVal = ::SelectClipRgn(m_hAttribDC, hRgn);
    return nRetVal;
}

int CDC::SelectClipRgn(CRgn *pRgn, int nMode)
{
    HRGN hRgn = static_cast<HRGN>(afx_handle_of(pRgn));
    int nRetVal = ERROR;
    if (m_hDC != m_hAttribDC && m_hDC != NULL) nRetVal = ::ExtSelectClipRgn(m_hDC, hRgn, nMode);
    if (m_hAttribDC != NULL) nRetVal = ::ExtSelectClipRgn(m_hAttribDC, hRgn, nMode);
    return nRetVal;
}

int CDC::IntersectClipRect(int x1, int y1, int x2, int y2)
{
    int nRetVal = ERROR;
    if (m_hDC != m_hAttribDC && m_hDC != NULL) nRetVal = ::IntersectClipRect(m_hDC, x1, y1, x2, y2);
    if (m_hAttribDC != NULL) nRetVal = ::IntersectClipRect(m_hAttribDC, x1, y1, x2, y2);
    return nRetVal;
}

int CDC::ExcludeClipRect(int x1, int y1, int x2, int y2)
{
    int nRetVal = ERROR;
    if (m_hDC != m_hAttribDC && m_hDC != NULL) nRetVal = ::ExcludeClipRect(m_hDC, x1, y1, x2, y2);
    if (m_hAttribDC != NULL) nRetVal = ::ExcludeClipRect(m_hAttribDC, x1, y1, x2, y2);
    return nRetVal;
}

CPoint CDC::SetViewportOrg(int x, int y)
{
    POINT point = {0, 0};
    if (m_hDC != m_hAttribDC && m_hDC != NULL) ::SetViewportOrgEx(m_hDC, x, y, &point);
    if (m_hAttribDC != NULL) ::SetViewportOrgEx(m_hAttribDC, x, y, &point);
    return CPoint(point);
}

CPoint CDC::GetViewportOrg() const
{
    POINT point = {0, 0};
    ::GetViewportOrgEx(m_hAttribDC, &point);
    return CPoint(point);
}

CPoint CDC::OffsetViewportOrg(int nWidth, int nHeight)
{
    POINT point = {0, 0};
    if (m_hDC != m_hAttribDC && m_hDC != NULL) ::OffsetViewportOrgEx(m_hDC, nWidth, nHeight, &point);
    if (m_hAttribDC != NULL) ::OffsetViewportOrgEx(m_hAttribDC, nWidth, nHeight, &point);
    return CPoint(point);
}

COLORREF CDC::SetBkColor(COLORREF crColor)
{
    COLORREF crOld = CLR_INVALID;
    if (m_hDC != m_hAttribDC && m_hDC != NULL) crOld = ::SetBkColor(m_hDC, crColor);
    if (m_hAttribDC != NULL) crOld = ::SetBkColor(m_hAttribDC, crColor);
    return crOld;
}

int CDC::SetBkMode(int nBkMode)
{
    int nOld = 0;
    if (m_hDC != m_hAttribDC && m_hDC != NULL) nOld = ::SetBkMode(m_hDC, nBkMode);
    if (m_hAttribDC != NULL) nOld = ::SetBkMode(m_hAttribDC, nBkMode);
    return nOld;
}

COLORREF CDC::SetTextColor(COLORREF crColor)
{
    COLORREF crOld = CLR_INVALID;
    if (m_hDC != m_hAttribDC && m_hDC != NULL) crOld = ::SetTextColor(m_hDC, crColor);
    if (m_hAttribDC != NULL) crOld = ::SetTextColor(m_hAttribDC, crColor);
    return crOld;
}

int CDC::SetStretchBltMode(int nStretchMode)
{
    int nOld = 0;
    if (m_hDC != m_hAttribDC && m_hDC != NULL) nOld = ::SetStretchBltMode(m_hDC, nStretchMode);
    if (m_hAttribDC != NULL) nOld = ::SetStretchBltMode(m_hAttribDC, nStretchMode);
    return nOld;
}

CPoint CDC::MoveTo(int x, int y)
{
    POINT point = {0, 0};
    ::MoveToEx(m_hDC, x, y, &point);
    return CPoint(point);
}

// An opaque ExtTextOut with no text fills with the background colour: no brush to make or free.
void CDC::FillSolidRect(LPCRECT lpRect, COLORREF crColor)
{
    ::SetBkColor(m_hDC, crColor);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, lpRect, NULL, 0, NULL);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF crColor)
{
    RECT rect = {x, y, x + cx, y + cy};
    FillSolidRect(&rect, crColor);
}

void CDC::Draw3dRect(LPCRECT lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight)
{
    Draw3dRect(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, clrTopLeft,
               clrBottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF clrTopLeft, COLORREF clrBottomRight)
{
    FillSolidRect(x, y, cx - 1, 1, clrTopLeft);
    FillSolidRect(x, y, 1, cy - 1, clrTopLeft);
    FillSolidRect(x + cx, y, -1, cy, clrBottomRight);
    FillSolidRect(x, y + cy, cx, -1, clrBottomRight);
}

CSize CDC::GetTextExtent(LPCTSTR lpszString, int nCount) const
{
    SIZE size = {0, 0};
    if (!::GetTextExtentPoint32W(m_hAttribDC, lpszString, nCount, &size)) return CSize(0, 0);
    return CSize(size);
}

// ---------------------------------------------------------------------------------------------
// Window DCs

IMPLEMENT_DYNAMIC(CPaintDC, CDC)
IMPLEMENT_DYNAMIC(CClientDC, CDC)
IMPLEMENT_DYNAMIC(CWindowDC, CDC)

CPaintDC::CPaintDC(CWnd *pWnd) : m_ps(), m_hWnd(afx_hwnd_of(pWnd))
{
    HDC hDC = ::BeginPaint(m_hWnd, &m_ps);
    if (hDC != NULL && !Attach(hDC)) {
        ::EndPaint(m_hWnd, &m_ps);   // painting must not stay open when the object cannot hold the DC
        m_hWnd = NULL;
    }
}

CPaintDC::~CPaintDC()
{
    if (m_hDC == NULL) return;
    ::EndPaint(m_hWnd, &m_ps);
    Detach();
}

CClientDC::CClientDC(CWnd *pWnd) : m_hWnd(afx_hwnd_of(pWnd))
{
    HDC hDC = ::GetDC(m_hWnd);
    if (hDC != NULL && !Attach(hDC)) ::ReleaseDC(m_hWnd, hDC);
}

CClientDC::~CClientDC()
{
    if (m_hDC != NULL) ::ReleaseDC(m_hWnd, Detach());
}

CWindowDC::CWindowDC(CWnd *pWnd) : m_hWnd(afx_hwnd_of(pWnd))
{
    HDC hDC = ::GetWindowDC(m_hWnd);
    if (hDC != NULL && !Attach(hDC)) ::ReleaseDC(m_hWnd, hDC);
}

CWindowDC::~CWindowDC()
{
    if (m_hDC != NULL) ::ReleaseDC(m_hWnd, Detach());
}
