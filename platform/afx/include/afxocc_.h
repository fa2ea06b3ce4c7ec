// Control containment: a window that hosts ActiveX controls (the container), one site per control
// answering the control's calls through the owning window, and the manager that makes both.
#pragma once

#include "afxwin.h"
#include "afxdisp.h"
#include "afxcom.h"
#include "afxtempl.h"
#include <ole2.h>
#include <oleidl.h>
#include <ocidl.h>

class COleControlContainer;
class COleControlSite;

// Makes containers and sites; AfxEnableControlContainer may install a replacement.
class AFX_API COccManager
{
public:
    COccManager() = default;
    virtual ~COccManager() = default;
    virtual COleControlContainer *CreateContainer(CWnd *pWnd);
    virtual COleControlSite *CreateSite(COleControlContainer *pCtrlCont);

private:
    COccManager(const COccManager &) = delete;
    COccManager &operator=(const COccManager &) = delete;
};

// The container of the current module for pWnd, or NULL when the module has not enabled control
// containment (AfxEnableControlContainer). The caller owns the result.
AFX_API COleControlContainer *AFXAPI AfxCreateControlContainer(CWnd *pWnd);

// The controls hosted by one window. Deleting it destroys every control; its owner does so when
// its window is destroyed, at the latest.
class AFX_API COleControlContainer
{
public:
    explicit COleControlContainer(CWnd *pWnd);
    virtual ~COleControlContainer();

    // Creates the control of class clsid as a child of m_pWnd with identifier nID at rect (client
    // coordinates of m_pWnd) and attaches pWndCtrl to its window. pSite, when given, is the site
    // to use (taken over, also on failure); otherwise the module's manager makes one.
    virtual BOOL CreateControl(CWnd *pWndCtrl, REFCLSID clsid, LPCTSTR lpszWindowName, DWORD dwStyle,
                               const RECT &rect, UINT nID, COleControlSite *pSite = NULL,
                               COleControlSite **ppNewSite = NULL);
    COleControlSite *FindItem(UINT nID) const;
    // Destroys one control and forgets its site.
    void DestroyControl(COleControlSite *pSite);
    void DestroyAllControls();

    // Hands an event of control nID to the owner: its OnCmdMsg with CN_EVENT.
    virtual BOOL OnEvent(UINT nID, AFX_EVENT *pEvent);

    CWnd *m_pWnd;

protected:
    CArray<CComPtr<COleControlSite>> m_siteArray;   // the container's references, in creation order

private:
    COleControlContainer(const COleControlContainer &) = delete;
    COleControlContainer &operator=(const COleControlContainer &) = delete;
};

// The site of one control. A COM object: the control holds references to it, the container one
// more; it goes when the last one is released. Calls arrive with the module state it was made in.
class AFX_API COleControlSite : public IOleClientSite, public IOleInPlaceSite, public IOleControlSite
{
public:
    explicit COleControlSite(COleControlContainer *pCtrlCont);

    virtual HRESULT CreateControl(CWnd *pWndCtrl, REFCLSID clsid, LPCTSTR lpszWindowName, DWORD dwStyle,
                                  const RECT &rect, UINT nID);
    // Unhooks events, deactivates and closes the control, detaches the window object; afterwards
    // the site answers the control's calls with failures.
    virtual void DestroyControl();

    LPUNKNOWN GetControlUnknown() const { return m_pObject; }
    HWND GetWindow() const { return m_hWnd; }
    UINT GetDlgCtrlID() const { return m_nID; }
    // Moves the control through its in-place object, in the container's client coordinates.
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void ShowWindow(int nCmdShow);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker **ppmk) override;
    STDMETHODIMP GetContainer(IOleContainer **ppContainer) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL fShow) override;
    STDMETHODIMP RequestNewObjectLayout() override;

    // IOleWindow, IOleInPlaceSite
    STDMETHODIMP GetWindow(HWND *phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL fEnterMode) override;
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame **ppFrame, IOleInPlaceUIWindow **ppDoc, LPRECT lprcPosRect,
                                  LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override;
    STDMETHODIMP Scroll(SIZE scrollExtant) override;
    STDMETHODIMP OnUIDeactivate(BOOL fUndoable) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT lprcPosRect) override;

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override;
    STDMETHODIMP LockInPlaceActive(BOOL fLock) override;
    STDMETHODIMP GetExtendedControl(IDispatch **ppDisp) override;
    STDMETHODIMP TransformCoords(POINTL *pPtlHimetric, POINTF *pPtfContainer, DWORD dwFlags) override;
    STDMETHODIMP TranslateAccelerator(MSG *pMsg, DWORD grfModifiers) override;
    STDMETHODIMP OnFocus(BOOL fGotFocus) override;
    STDMETHODIMP ShowPropertyFrame() override;

    // An interface the site hands out beside its own: counted on the site, and reaching it.
    template <class I>
    class XSiteInterface : public I
    {
    public:
        explicit XSiteInterface(COleControlSite *pSite) : m_pSite(pSite) {}
        STDMETHODIMP_(ULONG) AddRef() override { return m_pSite->AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return m_pSite->Release(); }

    protected:
        COleControlSite *m_pSite;
    };

    // The frame the control is told about: the container's top-level window.
    class AFX_API XOleIPFrame : public XSiteInterface<IOleInPlaceFrame>
    {
    public:
        using XSiteInterface::XSiteInterface;
        STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
        STDMETHODIMP GetWindow(HWND *phwnd) override;
        STDMETHODIMP ContextSensitiveHelp(BOOL fEnterMode) override;
        STDMETHODIMP GetBorder(LPRECT lprectBorder) override;
        STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS pborderwidths) override;
        STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS pborderwidths) override;
        STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject *pActiveObject, LPCOLESTR pszObjName) override;
        STDMETHODIMP InsertMenus(HMENU hmenuShared, LPOLEMENUGROUPWIDTHS lpMenuWidths) override;
        STDMETHODIMP SetMenu(HMENU hmenuShared, HOLEMENU holemenu, HWND hwndActiveObject) override;
        STDMETHODIMP RemoveMenus(HMENU hmenuShared) override;
        STDMETHODIMP SetStatusText(LPCOLESTR pszStatusText) override;
        STDMETHODIMP EnableModeless(BOOL fEnable) override;
        STDMETHODIMP TranslateAccelerator(LPMSG lpmsg, WORD wID) override;
    };

    // The sink the control's default source interface is advised to.
    class AFX_API XEventSink : public XSiteInterface<IDispatch>
    {
    public:
        using XSiteInterface::XSiteInterface;
        STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
        STDMETHODIMP GetTypeInfoCount(UINT *pctinfo) override;
        STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo **ppTInfo) override;
        STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR *rgszNames, UINT cNames, LCID lcid, DISPID *rgDispId) override;
        STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS *pDispParams,
                            VARIANT *pVarResult, EXCEPINFO *pExcepInfo, UINT *puArgErr) override;
    };

    COleControlContainer *m_pCtrlCont;    // NULL once the control is destroyed
    HWND m_hWnd;                          // the control's window while it is in-place active
    CWnd *m_pWndCtrl;
    UINT m_nID;
    RECT m_rect;
    DWORD m_dwStyle;
    CComPtr<IOleObject> m_pObject;
    CComPtr<IOleInPlaceObject> m_pInPlaceObject;
    CComPtr<IOleInPlaceActiveObject> m_pActiveObject;   // what the control announced at UI activation
    IID m_iidEvents;
    DWORD m_dwEventSink;                  // advise cookie, 0 when not connected
    BOOL m_bInPlaceActive;
    AFX_MODULE_STATE *m_pModuleState;

protected:
    virtual ~COleControlSite();
    // The site's answer for interfaces beyond its own; NULL when there is none.
    virtual void *QueryExtraInterface(REFIID riid);
    // A control's window may only be reached while the site is live.
    BOOL IsLive() const { return m_pCtrlCont != NULL; }

    XOleIPFrame m_xOleIPFrame;
    XEventSink m_xEventSink;

private:
    volatile LONG m_nRefs;
    COleControlSite(const COleControlSite &) = delete;
    COleControlSite &operator=(const COleControlSite &) = delete;
};
