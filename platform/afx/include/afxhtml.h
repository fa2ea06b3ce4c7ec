// CHtmlView: a form view hosting the web-browser control as its pane, reflecting the browser's
// events and its UI handler's questions to virtual operations.
#pragma once

#include "afxwin.h"
#include "afxtempl.h"
#include "afxview_.h"
#include "afxocc_.h"
#include "afxcom.h"
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>

#include <memory>

// Bytes, as the posted data of a navigation.
class CByteArray : public CArray<BYTE, BYTE>
{
};

class AFX_API CHtmlView : public CFormView
{
    DECLARE_DYNCREATE(CHtmlView)
public:
    CHtmlView();
    ~CHtmlView() override;

    // Creates the view and the browser inside it as child AFX_IDW_PANE_FIRST, filling the client
    // area. Without control containment, or when the browser cannot be made, the view's window
    // is destroyed again and the answer is FALSE.
    BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT &rect, CWnd *pParentWnd,
                UINT nID, CCreateContext *pContext = NULL) override;
    // Keyboard messages go to the browser's accelerators; the form view's dialog keys are skipped.
    BOOL PreTranslateMessage(MSG *pMsg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Navigation; nothing happens while there is no browser.
    void Navigate(LPCTSTR URL, DWORD dwFlags = 0, LPCTSTR lpszTargetFrameName = NULL, LPCTSTR lpszHeaders = NULL,
                  LPVOID lpvPostData = NULL, DWORD dwPostDataLen = 0);
    void Navigate2(LPCTSTR lpszURL, DWORD dwFlags = 0, LPCTSTR lpszTargetFrameName = NULL,
                   LPCTSTR lpszHeaders = NULL, LPVOID lpvPostData = NULL, DWORD dwPostDataLen = 0);
    void Navigate2(LPCTSTR lpszURL, DWORD dwFlags, CByteArray &baPostedData, LPCTSTR lpszTargetFrameName = NULL,
                   LPCTSTR lpszHeader = NULL);
    void Stop();
    void Refresh();
    CString GetLocationURL() const;
    CString GetLocationName() const;
    BOOL GetBusy() const;
    READYSTATE GetReadyState() const;

    // Browser events, as the view sees them.
    virtual void OnBeforeNavigate2(LPCTSTR lpszURL, DWORD nFlags, LPCTSTR lpszTargetFrameName,
                                   CByteArray &baPostedData, LPCTSTR lpszHeaders, BOOL *pbCancel);
    virtual void OnNavigateComplete2(LPCTSTR strURL);
    virtual void OnDocumentComplete(LPCTSTR lpszURL);
    virtual void OnProgressChange(long nProgress, long nProgressMax);
    virtual void OnTitleChange(LPCTSTR lpszText);
    virtual void OnStatusTextChange(LPCTSTR lpszText);
    virtual void OnDownloadBegin();
    virtual void OnDownloadComplete();
    virtual void OnCommandStateChange(long nCommand, BOOL bEnable);
    virtual void OnNavigateError(LPCTSTR lpszURL, LPCTSTR lpszFrame, DWORD dwError, BOOL *pbCancel);

    // The browser's UI handler questions.
    virtual HRESULT OnShowContextMenu(DWORD dwID, LPPOINT ppt, LPUNKNOWN pcmdtReserved, LPDISPATCH pdispReserved);
    virtual HRESULT OnGetHostInfo(DOCHOSTUIINFO *pInfo);
    virtual HRESULT OnShowUI(DWORD dwID, LPOLEINPLACEACTIVEOBJECT pActiveObject,
                             LPOLECOMMANDTARGET pCommandTarget, LPOLEINPLACEFRAME pFrame,
                             LPOLEINPLACEUIWINDOW pDoc);
    virtual HRESULT OnHideUI();
    virtual HRESULT OnUpdateUI();
    virtual HRESULT OnEnableModeless(BOOL fEnable);
    virtual HRESULT OnDocWindowActivate(BOOL fActivate);
    virtual HRESULT OnFrameWindowActivate(BOOL fActivate);
    virtual HRESULT OnResizeBorder(LPCRECT prcBorder, LPOLEINPLACEUIWINDOW pUIWindow, BOOL fFrameWindow);
    virtual HRESULT OnTranslateAccelerator(LPMSG lpMsg, const GUID *pguidCmdGroup, DWORD nCmdID);
    virtual HRESULT OnGetOptionKeyPath(LPOLESTR *pchKey, DWORD dwReserved);
    virtual HRESULT OnGetDropTarget(IDropTarget *pDropTarget, IDropTarget **ppDropTarget);
    virtual HRESULT OnGetExternal(LPDISPATCH *lppDispatch);
    virtual HRESULT OnTranslateUrl(DWORD dwTranslate, OLECHAR *pchURLIn, OLECHAR **ppchURLOut);
    virtual HRESULT OnFilterDataObject(IDataObject *pDataObject, IDataObject **ppDataObject);

    // Event reflectors: the raw event turned into the operations above.
    virtual void NavigateError(LPDISPATCH pDisp, VARIANT *pvURL, VARIANT *pvFrame, VARIANT *pvStatusCode,
                               VARIANT_BOOL *pvbCancel);
    void BeforeNavigate2(LPDISPATCH pDisp, VARIANT *URL, VARIANT *Flags, VARIANT *TargetFrameName,
                         VARIANT *PostData, VARIANT *Headers, VARIANT_BOOL *Cancel);
    void NavigateComplete2(LPDISPATCH pDisp, VARIANT *URL);
    void DocumentComplete(LPDISPATCH pDisp, VARIANT *URL);

    CComPtr<IWebBrowser2> m_pBrowserApp;  // the browser, held until the view object goes
    CWnd m_wndBrowser;                    // the browser's window, while it has one

protected:
    // Declared last, so destroyed first: it detaches m_wndBrowser from the closing browser.
    std::unique_ptr<COleControlContainer> m_pCtrlCont;

    afx_msg void OnSize(UINT nType, int cx, int cy);
    // Lets the browser go: the view keeps no interface of it.
    afx_msg void OnDestroy();

    DECLARE_MESSAGE_MAP()
    DECLARE_EVENTSINK_MAP()
};

// The default answers, here rather than in the library: a view that keeps them binds none of them
// when its module is loaded. The browser does as it would on its own.
inline void CHtmlView::OnBeforeNavigate2(LPCTSTR, DWORD, LPCTSTR, CByteArray &, LPCTSTR, BOOL *) {}
inline void CHtmlView::OnNavigateComplete2(LPCTSTR) {}
inline void CHtmlView::OnDocumentComplete(LPCTSTR) {}
inline void CHtmlView::OnProgressChange(long, long) {}
inline void CHtmlView::OnStatusTextChange(LPCTSTR) {}
inline void CHtmlView::OnDownloadBegin() {}
inline void CHtmlView::OnDownloadComplete() {}
inline void CHtmlView::OnCommandStateChange(long, BOOL) {}
inline void CHtmlView::OnNavigateError(LPCTSTR, LPCTSTR, DWORD, BOOL *pbCancel)
{
    if (pbCancel) *pbCancel = FALSE;
}

inline HRESULT CHtmlView::OnShowContextMenu(DWORD, LPPOINT, LPUNKNOWN, LPDISPATCH) { return S_FALSE; }
inline HRESULT CHtmlView::OnGetHostInfo(DOCHOSTUIINFO *) { return E_NOTIMPL; }
inline HRESULT CHtmlView::OnShowUI(DWORD, LPOLEINPLACEACTIVEOBJECT, LPOLECOMMANDTARGET, LPOLEINPLACEFRAME,
                                   LPOLEINPLACEUIWINDOW)
{
    return S_FALSE;
}
inline HRESULT CHtmlView::OnHideUI() { return E_NOTIMPL; }
inline HRESULT CHtmlView::OnUpdateUI() { return E_NOTIMPL; }
inline HRESULT CHtmlView::OnEnableModeless(BOOL) { return E_NOTIMPL; }
inline HRESULT CHtmlView::OnDocWindowActivate(BOOL) { return E_NOTIMPL; }
inline HRESULT CHtmlView::OnFrameWindowActivate(BOOL) { return E_NOTIMPL; }
inline HRESULT CHtmlView::OnResizeBorder(LPCRECT, LPOLEINPLACEUIWINDOW, BOOL) { return E_NOTIMPL; }
inline HRESULT CHtmlView::OnTranslateAccelerator(LPMSG, const GUID *, DWORD) { return S_FALSE; }
inline HRESULT CHtmlView::OnGetOptionKeyPath(LPOLESTR *, DWORD) { return E_NOTIMPL; }
inline HRESULT CHtmlView::OnGetDropTarget(IDropTarget *, IDropTarget **) { return E_NOTIMPL; }
inline HRESULT CHtmlView::OnGetExternal(LPDISPATCH *) { return E_NOTIMPL; }
inline HRESULT CHtmlView::OnTranslateUrl(DWORD, OLECHAR *, OLECHAR **) { return S_FALSE; }
inline HRESULT CHtmlView::OnFilterDataObject(IDataObject *, IDataObject **) { return S_FALSE; }
