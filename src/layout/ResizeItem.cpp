// CXTResizeItem (one registered child and the group-box fix), the gripper CXTSizeIcon and the
// run-time class of CXTResizeGroupBox.
#include "layout/Resize.h"

IMPLEMENT_DYNAMIC(CXTResizeGroupBox, CButton)

CXTResizeItem::CXTResizeItem(CWnd *pControl, const AnchorRect &anchor, const XT_FLOATRECT &rcCurrent,
                             BOOL bOwnsWindowObject)
    : m_bTransparentGroupBox(FALSE), m_bOwnsWindowObject(bOwnsWindowObject), m_bPositioned(FALSE),
      m_pControl(pControl), m_anchor(anchor), m_rcCurrent(rcCurrent)
{
}

CXTResizeItem::~CXTResizeItem()
{
    // Detached first: the window object's destructor would otherwise destroy the control.
    if (m_bOwnsWindowObject && m_pControl != NULL) {
        m_pControl->Detach();
        delete m_pControl;
    }
}

// Only a plain group box: class "Button" (read into 8 characters, so longer names never match),
// BS_GROUPBOX without WS_TABSTOP, and not a CXTResizeGroupBox, which paints its own background.
BOOL CXTResizeItem::MakeGroupBoxTransparent(CXTResize *pResize)
{
    if (pResize->GetFlags() & RESIZE_NO_GROUPBOX_FIX) return FALSE;
    HWND hWnd = m_pControl->GetSafeHwnd();
    if (hWnd == NULL || !::IsWindow(hWnd)) return FALSE;
    WCHAR szClass[8];
    if (::GetClassNameW(hWnd, szClass, 8) == 0 || ::lstrcmpiW(szClass, TEXT("Button")) != 0) return FALSE;
    if ((DWORD(::GetWindowLongW(hWnd, GWL_STYLE)) & (WS_TABSTOP | 0x0007)) != BS_GROUPBOX) return FALSE;
    if (m_pControl->IsKindOf(RUNTIME_CLASS(CXTResizeGroupBox))) return FALSE;

    ::SetWindowLongW(hWnd, GWL_EXSTYLE, ::GetWindowLongW(hWnd, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
    ::SetWindowPos(hWnd, NULL, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    m_bTransparentGroupBox = TRUE;
    return TRUE;
}

// ---------------------------------------------------------------------------------------------

CXTSizeIcon::CXTSizeIcon() : m_hSizeCursor(::LoadCursorW(NULL, IDC_SIZENWSE)) {}

BEGIN_MESSAGE_MAP(CXTSizeIcon, CScrollBar)
    ON_WM_SETCURSOR()
END_MESSAGE_MAP()

BOOL CXTSizeIcon::OnSetCursor(CWnd *pWnd, UINT nHitTest, UINT message)
{
    if (nHitTest == HTCLIENT && m_hSizeCursor != NULL) {
        ::SetCursor(m_hSizeCursor);
        return TRUE;
    }
    return CScrollBar::OnSetCursor(pWnd, nHitTest, message);
}
