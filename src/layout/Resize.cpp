// CXTResize: registering children, laying them out in one deferred batch, track limits and the
// stored placement.
#include "layout/Resize.h"

#include <limits.h>
#include <cmath>

#include <memory>

namespace {

// Truncation toward zero, kept inside int: a rectangle pushed out of range by extreme anchors
// stays at the range's end instead of converting to garbage.
int trunc_to_int(float f)
{
    if (std::isnan(f)) return 0;
    if (f >= 2147483520.0f) return INT_MAX;   // the largest float below 2^31
    if (f <= -2147483648.0f) return INT_MIN;
    return int(f);
}

// The parent's client rectangle; empty when there is no parent window.
CRect client_rect(const CWnd *pWnd)
{
    CRect rc;
    HWND hWnd = pWnd->GetSafeHwnd();
    if (hWnd != NULL && !::GetClientRect(hWnd, &rc)) rc.SetRectEmpty();
    return rc;
}

// A control's window rectangle in its parent's client coordinates.
CRect rect_in_parent(HWND hWnd, HWND hWndParent)
{
    CRect rc;
    if (!::GetWindowRect(hWnd, &rc)) return CRect();
    ::MapWindowPoints(NULL, hWndParent, reinterpret_cast<LPPOINT>(&rc), 2);
    return rc;
}

}  // namespace

CXTResize::CXTResize(CWnd *pParent, UINT nFlags) : m_nFlags(nFlags), m_pParent(pParent) {}

CXTResize::~CXTResize() { RemoveAllItems(); }

void CXTResize::RemoveAllItems()
{
    for (INT_PTR i = 0; i < m_arrItems.GetSize(); ++i) delete m_arrItems[i];
    m_arrItems.RemoveAll();
}

void CXTResize::InitLayout()
{
    if (m_pParent == NULL) return;
    RemoveAllItems();

    CRect rc = client_rect(m_pParent);
    m_szInitial = m_szCurrent = rc.Size();
    if (!(m_nFlags & RESIZE_NO_MIN_SIZE)) m_szMin = rc.Size();

    if (!(m_nFlags & RESIZE_NO_CLIP_CHILDREN)) m_pParent->ModifyStyle(0, WS_CLIPCHILDREN);
    if (m_nFlags & RESIZE_NO_GRIPPER) return;

    if (m_sizeIcon.GetSafeHwnd() == NULL) {
        CRect rcIcon = rc;
        rcIcon.OffsetRect(-1, -1);
        rcIcon.left = rcIcon.right - ::GetSystemMetrics(SM_CXVSCROLL);
        rcIcon.top = rcIcon.bottom - ::GetSystemMetrics(SM_CYHSCROLL);
        m_sizeIcon.Create(WS_CHILD | WS_VISIBLE | SBS_SIZEGRIP, rcIcon, m_pParent, IDC_RESIZE_GRIPPER);
    }
    ::SetWindowPos(m_sizeIcon.GetSafeHwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED);
    AnchorControl(IDC_RESIZE_GRIPPER, NULL, AnchorRect(1.0f, 1.0f, 1.0f, 1.0f));
}

void CXTResize::AnchorControl(UINT nID, HWND hWnd, const AnchorRect &anchor)
{
    // From the last to the first without stopping: of several matches the earliest wins.
    CXTResizeItem *pFound = NULL;
    for (INT_PTR i = m_arrItems.GetSize() - 1; i >= 0; --i) {
        HWND hWndItem = m_arrItems[i]->m_pControl->GetSafeHwnd();
        if (hWndItem != NULL && ::IsWindow(hWndItem) && UINT(::GetDlgCtrlID(hWndItem)) == nID) pFound = m_arrItems[i];
    }
    if (pFound != NULL) {
        pFound->m_anchor.left += anchor.left;
        pFound->m_anchor.top += anchor.top;
        pFound->m_anchor.right += anchor.right;
        pFound->m_anchor.bottom += anchor.bottom;
        return;
    }

    HWND hWndParent = m_pParent->GetSafeHwnd();
    if (hWnd == NULL && hWndParent != NULL) {
        HWND hWndItem = ::GetDlgItem(hWndParent, int(nID));
        if (hWndItem != NULL && ::IsWindow(hWndItem)) hWnd = hWndItem;
    }

    // A control without a window object of this module gets a plain one that the item owns.
    CWnd *pControl = CWnd::FromHandlePermanent(hWnd);
    std::unique_ptr<CWnd> pOwned;
    if (pControl == NULL) {
        pOwned.reset(new CWnd);
        if (hWnd != NULL) pOwned->Attach(hWnd);
        pControl = pOwned.get();
    }

    XT_FLOATRECT rc = {0.0f, 0.0f, 0.0f, 0.0f};
    if (hWnd != NULL) {
        CRect rcWnd = rect_in_parent(hWnd, hWndParent);
        rc = {float(rcWnd.left), float(rcWnd.top), float(rcWnd.right), float(rcWnd.bottom)};
    }
    std::unique_ptr<CXTResizeItem> pItem(new CXTResizeItem(pControl, anchor, rc, pOwned != NULL));
    pOwned.release();   // the item deletes it from now on
    pItem->MakeGroupBoxTransparent(this);
    m_arrItems.Add(pItem.get());
    pItem.release();
}

void CXTResize::AdjustLayoutSize(CSize &szNew) { (void)szNew; }

void CXTResize::LayoutControls()
{
    if (m_arrItems.GetSize() == 0) return;

    // A zero size (a minimised window) is no layout: the next one is measured from the last real size.
    CRect rc = client_rect(m_pParent);
    if (rc.Width() == 0 || rc.Height() == 0) return;
    CSize szNew = rc.Size();
    AdjustLayoutSize(szNew);

    int dx = szNew.cx - m_szCurrent.cx;
    int dy = szNew.cy - m_szCurrent.cy;
    if (dx == 0 && dy == 0) return;

    HDWP hDWP = ::BeginDeferWindowPos(int(m_arrItems.GetSize()));
    for (INT_PTR i = 0; i < m_arrItems.GetSize(); ++i) MoveItem(hDWP, m_arrItems[i], dx, dy);
    if (hDWP != NULL) ::EndDeferWindowPos(hDWP);

    // A transparent group box is not repainted by the moves of what it holds.
    for (INT_PTR i = 0; i < m_arrItems.GetSize(); ++i) {
        CXTResizeItem *pItem = m_arrItems[i];
        if (pItem->m_bTransparentGroupBox) ::InvalidateRect(pItem->m_pControl->GetSafeHwnd(), NULL, TRUE);
    }
    m_szCurrent = szNew;
}

BOOL CXTResize::MoveItem(HDWP &hDWP, CXTResizeItem *pItem, int dx, int dy)
{
    HWND hWnd = pItem != NULL ? pItem->m_pControl->GetSafeHwnd() : NULL;
    if (hWnd == NULL || !::IsWindow(hWnd)) return TRUE;

    // The stored rectangle belongs to the initial layout until the item's first move.
    if (!pItem->m_bPositioned) {
        CRect rcClient = client_rect(m_pParent);
        dx = rcClient.Width() - m_szInitial.cx;
        dy = rcClient.Height() - m_szInitial.cy;
        pItem->m_bPositioned = TRUE;
    }

    const float fdx = float(dx), fdy = float(dy);
    const XT_FLOATRECT &cur = pItem->m_rcCurrent;
    XT_FLOATRECT rcNew;
    rcNew.left = pItem->m_anchor.left * fdx + cur.left;
    rcNew.top = pItem->m_anchor.top * fdy + cur.top;
    rcNew.right = pItem->m_anchor.right * fdx + cur.right;
    rcNew.bottom = pItem->m_anchor.bottom * fdy + cur.bottom;
    if (rcNew.left == cur.left && rcNew.top == cur.top && rcNew.right == cur.right && rcNew.bottom == cur.bottom)
        return TRUE;

    const float width = rcNew.right - rcNew.left;
    const float height = rcNew.bottom - rcNew.top;
    const int x = trunc_to_int(rcNew.left), y = trunc_to_int(rcNew.top);
    const int cx = trunc_to_int(width), cy = trunc_to_int(height);

    // Only what changed is applied; a new size is never copied from the old pixels.
    CRect rcWnd = rect_in_parent(hWnd, m_pParent->GetSafeHwnd());
    UINT nFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
    if (x == rcWnd.left && y == rcWnd.top) nFlags |= SWP_NOMOVE;
    if (LONGLONG(trunc_to_int(rcNew.right)) - x == rcWnd.Width() &&
        LONGLONG(trunc_to_int(rcNew.bottom)) - y == rcWnd.Height())
        nFlags |= SWP_NOSIZE;
    else
        nFlags |= SWP_NOCOPYBITS;

    hDWP = ::DeferWindowPos(hDWP, hWnd, NULL, x, y, cx, cy, nFlags);
    if (hDWP == NULL) return FALSE;
    pItem->m_rcCurrent = rcNew;
    return TRUE;
}

void CXTResize::ApplyTrackLimits(MINMAXINFO *pMMI)
{
    if (pMMI == NULL) return;
    CRect rcClient = client_rect(m_pParent);
    CRect rcWindow;
    HWND hWndParent = m_pParent->GetSafeHwnd();
    if (hWndParent != NULL && !::GetWindowRect(hWndParent, &rcWindow)) rcWindow.SetRectEmpty();
    const int ncx = rcWindow.Width() - rcClient.Width();
    const int ncy = rcWindow.Height() - rcClient.Height();

    if (m_szCurrent.cx != 0 || m_szCurrent.cy != 0) {
        if (m_nFlags & RESIZE_FIXED_WIDTH) pMMI->ptMaxSize.x = pMMI->ptMaxTrackSize.x = m_szCurrent.cx + ncx;
        if (m_nFlags & RESIZE_FIXED_HEIGHT) pMMI->ptMaxSize.y = pMMI->ptMaxTrackSize.y = m_szCurrent.cy + ncy;
    }
    if (m_szMin.cx != 0) pMMI->ptMinTrackSize.x = m_szMin.cx + ncx;
    if (m_szMin.cy != 0) pMMI->ptMinTrackSize.y = m_szMin.cy + ncy;
    if (m_szMax.cx != 0) pMMI->ptMaxTrackSize.x = m_szMax.cx + ncx;
    if (m_szMax.cy != 0) pMMI->ptMaxTrackSize.y = m_szMax.cy + ncy;
}

// The settings file of the application object; the layer keeps no registry, so a raw-bytes
// value is the structure's bytes in hex with their checksum, as WritePrivateProfileStructW writes them.
BOOL CXTResize::StorePlacement(LPCTSTR lpszSection)
{
    if (lpszSection == NULL) return FALSE;
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    if (!::GetWindowPlacement(m_pParent->GetSafeHwnd(), &wp)) return FALSE;
    CWinApp *pApp = AfxGetApp();
    if (pApp == NULL || pApp->m_pszProfileName == NULL) return FALSE;
    return ::WritePrivateProfileStructW(lpszSection, TEXT("WindowPlacement"), &wp, sizeof wp, pApp->m_pszProfileName);
}
