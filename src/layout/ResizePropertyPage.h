// CXTResizePropertyPage: a property page whose children follow its size through the resize engine.
#pragma once

#include <afxdlgs.h>

#include "layout/Resize.h"

// The page lays itself out: WM_SIZE runs the layout, WM_GETMINMAXINFO the track limits. A page
// never has a gripper, whatever flags it is given.
class CXTResizePropertyPage : public CPropertyPage, public CXTResize
{
    DECLARE_DYNCREATE(CXTResizePropertyPage)
public:
    explicit CXTResizePropertyPage(UINT nTemplate = 0, UINT nCaption = 0, UINT nFlags = 0);

    // The base dialog's initialisation, then InitLayout: children are registered after this.
    BOOL OnInitDialog() override;

protected:
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnGetMinMaxInfo(MINMAXINFO *lpMMI);
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()
};
