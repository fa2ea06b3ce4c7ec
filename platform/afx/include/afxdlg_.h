// Dialogs and the standard controls of the class library; included by afxwin.h.
#pragma once

class CDialog;

// The standard controls: window objects over the system's "Static", "Button" and "ScrollBar".
class AFX_API CStatic : public CWnd
{
    DECLARE_DYNAMIC(CStatic)
public:
    CStatic() = default;
    virtual BOOL Create(LPCTSTR lpszText, DWORD dwStyle, const RECT &rect, CWnd *pParentWnd, UINT nID = 0xffff);
    HBITMAP SetBitmap(HBITMAP hBitmap) { return reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmap))); }
    HBITMAP GetBitmap() const { return reinterpret_cast<HBITMAP>(SendMessage(STM_GETIMAGE, IMAGE_BITMAP, 0)); }
};

class AFX_API CButton : public CWnd
{
    DECLARE_DYNAMIC(CButton)
public:
    CButton() = default;
    virtual BOOL Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT &rect, CWnd *pParentWnd, UINT nID);
    int GetCheck() const { return int(SendMessage(BM_GETCHECK)); }
    void SetCheck(int nCheck) { SendMessage(BM_SETCHECK, WPARAM(nCheck)); }
    UINT GetState() const { return UINT(SendMessage(BM_GETSTATE)); }
    void SetState(BOOL bHighlight) { SendMessage(BM_SETSTATE, WPARAM(bHighlight)); }
    UINT GetButtonStyle() const { return UINT(GetStyle() & 0xFFFF); }
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE) { SendMessage(BM_SETSTYLE, nStyle, LPARAM(bRedraw)); }
};

class AFX_API CScrollBar : public CWnd
{
    DECLARE_DYNAMIC(CScrollBar)
public:
    CScrollBar() = default;
    // dwStyle takes the SBS_ styles (SBS_SIZEGRIP makes a size gripper).
    virtual BOOL Create(DWORD dwStyle, const RECT &rect, CWnd *pParentWnd, UINT nID);
};

// ---------------------------------------------------------------------------------------------
// Data exchange between a dialog's controls and its members.

class AFX_API CDataExchange
{
public:
    CDataExchange(CWnd *pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd), m_idLastControl(0) {}
    BOOL m_bSaveAndValidate;   // TRUE: controls to members; FALSE: members to controls
    CWnd *m_pDlgWnd;
    int m_idLastControl;
    // The dialog item nIDC; raises CUserException* when there is none.
    HWND PrepareCtrl(int nIDC);
    [[noreturn]] void Fail();
};

// Subclasses item nIDC into rControl the first time; a control that already has its window is left alone.
AFX_API void AFXAPI DDX_Control(CDataExchange *pDX, int nIDC, CWnd &rControl);
AFX_API void AFXAPI DDX_Text(CDataExchange *pDX, int nIDC, CString &value);

// ---------------------------------------------------------------------------------------------
// Dialogs: a window from a dialog template whose messages reach the object's message map first
// and then the dialog manager (DefDlgProcW).

class AFX_API CDialog : public CWnd
{
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd *pParentWnd = NULL);
    explicit CDialog(LPCTSTR lpszTemplateName, CWnd *pParentWnd = NULL);

    // Modeless (or child) dialogs from the current module's resources.
    virtual BOOL Create(LPCTSTR lpszTemplateName, CWnd *pParentWnd = NULL);
    virtual BOOL Create(UINT nIDTemplate, CWnd *pParentWnd = NULL);
    virtual BOOL CreateIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd *pParentWnd = NULL, void *lpDialogInit = NULL,
                                HINSTANCE hInst = NULL);
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    virtual BOOL OnInitDialog();                          // UpdateData(FALSE); TRUE
    virtual void OnOK();
    virtual void OnCancel();
    BOOL PreTranslateMessage(MSG *pMsg) override;

    LPCTSTR m_lpszTemplateName;                           // a name or an integer resource id
    UINT m_nIDHelp;
    CWnd *m_pParentWnd;

protected:
    virtual void DoDataExchange(CDataExchange *pDX) { (void)pDX; }
    // The template in the current resource module, or NULL.
    static LPCDLGTEMPLATE PASCAL FindTemplate(LPCTSTR lpszTemplateName, HINSTANCE *phInst);

    INT_PTR m_nModalResult;

    DECLARE_MESSAGE_MAP()
};
