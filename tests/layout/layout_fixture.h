// What the resize engine's tests share: a host window, a page that shows the engine's state and
// records each MoveItem, and rectangles in a parent's client coordinates.
#pragma once

#include <afxdlgs.h>

#include "layout/ResizePropertyPage.h"

#include <ostream>
#include <vector>

// Rectangles print as their edges in failure messages.
inline void PrintTo(const CRect &rc, std::ostream *os)
{
    *os << "{" << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom << "}";
}

namespace layout_test {

// A visible top-level window to hold the page.
class HostWindow
{
public:
    HostWindow()
    {
        m_wnd.CreateEx(0, AfxGetDefaultWndClass(), TEXT("host"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 700, 700,
                       NULL, NULL);
    }
    CWnd m_wnd;
};

struct MoveRecord {
    HDWP hDWP;   // the batch the move went into
    BOOL bResult;
};

class CTestPage : public CXTResizePropertyPage
{
public:
    explicit CTestPage(UINT nTemplate = 700, UINT nFlags = 0) : CXTResizePropertyPage(nTemplate, 0, nFlags) {}

    BOOL MoveItem(HDWP &hDWP, CXTResizeItem *pItem, int dx, int dy) override
    {
        MoveRecord rec = {hDWP, FALSE};
        rec.bResult = CXTResizePropertyPage::MoveItem(hDWP, pItem, dx, dy);
        m_moves.push_back(rec);
        return rec.bResult;
    }

    // Resizes the page as an owner would; the layout follows from WM_SIZE.
    void Resize(int cx, int cy)
    {
        m_moves.clear();
        ::SetWindowPos(m_hWnd, NULL, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    CRect Client() const
    {
        CRect rc;
        GetClientRect(&rc);
        return rc;
    }
    CRect Window() const
    {
        CRect rc;
        GetWindowRect(&rc);
        return rc;
    }
    INT_PTR ItemCount() const { return m_arrItems.GetSize(); }
    CXTResizeItem *Item(INT_PTR i) const { return m_arrItems[i]; }
    CSize Current() const { return m_szCurrent; }
    void SetPlacementSection(LPCTSTR lpszSection) { m_strPlacementSection = lpszSection; }

    std::vector<MoveRecord> m_moves;
};

// A window's rectangle in its parent's client coordinates.
inline CRect RectInParent(HWND hWnd)
{
    CRect rc;
    ::GetWindowRect(hWnd, &rc);
    ::MapWindowPoints(NULL, ::GetParent(hWnd), reinterpret_cast<LPPOINT>(&rc), 2);
    return rc;
}

const AnchorRect kCentred(AnchorPoint(0.5f, 0.5f), AnchorPoint(0.5f, 0.5f));
const AnchorRect kStretch(AnchorPoint(0, 0), AnchorPoint(1, 1));
const AnchorRect kFixed(AnchorPoint(0, 0), AnchorPoint(0, 0));

}  // namespace layout_test
