// CXTResizePropertyPage: the page's size, track-limit and destroy messages routed to the engine.
#include "layout/ResizePropertyPage.h"

IMPLEMENT_DYNCREATE(CXTResizePropertyPage, CPropertyPage)

CXTResizePropertyPage::CXTResizePropertyPage(UINT nTemplate, UINT nCaption, UINT nFlags)
    : CPropertyPage(nTemplate, nCaption, sizeof(PROPSHEETPAGE)), CXTResize(this, nFlags | RESIZE_NO_GRIPPER)
{
}

BEGIN_MESSAGE_MAP(CXTResizePropertyPage, CPropertyPage)
    ON_WM_SIZE()
    ON_WM_GETMINMAXINFO()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

BOOL CXTResizePropertyPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    InitLayout();
    EnableToolTips();
    return TRUE;
}

void CXTResizePropertyPage::OnSize(UINT nType, int cx, int cy)
{
    CPropertyPage::OnSize(nType, cx, cy);
    LayoutControls();
}

void CXTResizePropertyPage::OnGetMinMaxInfo(MINMAXINFO *lpMMI) { ApplyTrackLimits(lpMMI); }

void CXTResizePropertyPage::OnDestroy()
{
    if (!m_strPlacementSection.IsEmpty()) StorePlacement(m_strPlacementSection);
    CPropertyPage::OnDestroy();
}
