// Views: CView (a child window that routes its controls' events through an event-sink map and
// deletes itself when its window goes), CScrollView and CFormView, as far as the HTML view needs.
#pragma once

#include "afxwin.h"
#include "afxdisp.h"

#ifndef MA_ACTIVATE
#define MA_ACTIVATE 1
#define MA_ACTIVATEANDEAT 2
#define MA_NOACTIVATE 3
#define MA_NOACTIVATEANDEAT 4
#endif

// The identifier of the first pane of a view: the control window a view creates inside itself.
#ifndef AFX_IDW_PANE_FIRST
#define AFX_IDW_PANE_FIRST 0xE900
#endif

// int (CWnd*, UINT, UINT): a signature the views dispatch themselves, WM_MOUSEACTIVATE.
#define AfxSig_view_i_W_uu (UINT_PTR(0x8001))

#define ON_WM_MOUSEACTIVATE()                                                                      \
    {WM_MOUSEACTIVATE, 0, 0, 0, AfxSig_view_i_W_uu,                                                \
     afx_pmsg(static_cast<int (CWnd::*)(CWnd *, UINT, UINT)>(&ThisClass::OnMouseActivate))},

class AFX_API CView : public CWnd
{
    DECLARE_DYNAMIC(CView)
public:
    ~CView() override;

    BOOL PreCreateWindow(CREATESTRUCT &cs) override;
    // A view is allocated with new and owned by its window: it deletes itself here.
    void PostNcDestroy() override;
    // Hands CN_EVENT to the event-sink map; everything else goes to the message map.
    BOOL OnCmdMsg(UINT nID, int nCode, void *pExtra, void *pHandlerInfo) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT *pResult) override;

    // Accessibility queries, answered by the generic routines below.
    virtual HRESULT get_accChildCount(long *pcountChildren);
    virtual HRESULT get_accChild(VARIANT varChild, IDispatch **ppdispChild);
    virtual HRESULT get_accName(VARIANT varChild, BSTR *pszName);
    virtual HRESULT accLocation(long *pxLeft, long *pyTop, long *pcxWidth, long *pcyHeight, VARIANT varChild);
    virtual HRESULT accHitTest(long xLeft, long yTop, VARIANT *pvarChild);

    // Generic answers from the window itself: its child windows, its text, its screen rectangle.
    virtual HRESULT GetAccessibleChildCount(long *pcountChildren);
    virtual HRESULT GetAccessibleChild(VARIANT varChild, IDispatch **ppdispChild);
    virtual HRESULT GetAccessibleName(VARIANT varChild, BSTR *pszName);
    virtual HRESULT GetAccessibilityLocation(VARIANT varChild, long *pxLeft, long *pyTop, long *pcxWidth,
                                             long *pcyHeight);
    virtual HRESULT GetAccessibilityHitTest(long xLeft, long yTop, VARIANT *pvarChild);

protected:
    CView();

    // The view becomes the active one of its top-level window: it takes the focus unless it or
    // one of its children holds it already.
    afx_msg int OnMouseActivate(CWnd *pDesktopWnd, UINT nHitTest, UINT message);
    afx_msg void OnDestroy();

    DECLARE_MESSAGE_MAP()
    DECLARE_EVENTSINK_MAP()
};

// A view with a scrollable extent; the HTML view scrolls inside its control, so nothing more.
class AFX_API CScrollView : public CView
{
    DECLARE_DYNAMIC(CScrollView)
public:
    ~CScrollView() override;

protected:
    CScrollView();
};

// A view laid out from a dialog template, with the dialog keyboard interface for its controls.
class AFX_API CFormView : public CScrollView
{
    DECLARE_DYNAMIC(CFormView)
public:
    ~CFormView() override;
    // Tab and arrow keys move between the view's controls, as in a dialog.
    BOOL PreTranslateMessage(MSG *pMsg) override;

    LPCTSTR m_lpszTemplateName;

protected:
    explicit CFormView(LPCTSTR lpszTemplateName);
    explicit CFormView(UINT nIDTemplate);
};
