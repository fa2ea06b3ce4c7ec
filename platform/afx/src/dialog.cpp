// CDialog: dialogs from templates attached to their objects, data exchange, OK and Cancel.
#include "afximpl.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

// The dialog manager calls the dialog procedure only once the window exists, so the object is
// attached at the first message the procedure sees (WM_SETFONT, or WM_INITDIALOG without a font),
// before any item is created. From then on messages go through the object's window procedure and
// its map, and only what the map leaves reaches DefDlgProcW and comes back here.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    (void)lParam;
    CWnd *pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == NULL) {
        afx_thread_state *pThread = afx_get_thread_state();
        CWnd *pInit = pThread->pDlgInit;
        if (pInit == NULL || pInit->m_hWnd != NULL) return FALSE;
        pThread->pDlgInit = NULL;
        BOOL bAttached = FALSE;
        try {
            bAttached = pInit->SubclassWindow(hWnd);
        } catch (CException *e) {
            e->Delete();
        }
        if (!bAttached) return FALSE;
        pWnd = pInit;
    }
    if (nMsg != WM_INITDIALOG) return FALSE;
    if (!pWnd->IsKindOf(RUNTIME_CLASS(CDialog))) return TRUE;
    try {
        return static_cast<CDialog *>(pWnd)->OnInitDialog();
    } catch (CException *e) {
        e->Delete();
    } catch (...) {
    }
    return FALSE;
}

CDialog::CDialog() : m_lpszTemplateName(NULL), m_nIDHelp(0), m_pParentWnd(NULL), m_nModalResult(-1) {}

CDialog::CDialog(UINT nIDTemplate, CWnd *pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEW(nIDTemplate)), m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd),
      m_nModalResult(-1)
{
}

CDialog::CDialog(LPCTSTR lpszTemplateName, CWnd *pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_nIDHelp(0), m_pParentWnd(pParentWnd), m_nModalResult(-1)
{
}

LPCDLGTEMPLATE PASCAL CDialog::FindTemplate(LPCTSTR lpszTemplateName, HINSTANCE *phInst)
{
    HINSTANCE hInst = AfxGetResourceHandle();
    *phInst = hInst;
    if (lpszTemplateName == NULL) return NULL;
    HRSRC hResource = ::FindResourceW(hInst, lpszTemplateName, RT_DIALOG);
    HGLOBAL hTemplate = hResource ? ::LoadResource(hInst, hResource) : NULL;
    return hTemplate ? static_cast<LPCDLGTEMPLATE>(::LockResource(hTemplate)) : NULL;
}

BOOL CDialog::Create(LPCTSTR lpszTemplateName, CWnd *pParentWnd)
{
    if (m_hWnd != NULL) return FALSE;
    m_lpszTemplateName = lpszTemplateName;
    if (IS_INTRESOURCE(lpszTemplateName) && m_nIDHelp == 0) m_nIDHelp = UINT(reinterpret_cast<ULONG_PTR>(lpszTemplateName));
    HINSTANCE hInst = NULL;
    LPCDLGTEMPLATE lpTemplate = FindTemplate(lpszTemplateName, &hInst);
    if (lpTemplate == NULL) return FALSE;
    return CreateIndirect(lpTemplate, pParentWnd, NULL, hInst);
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd *pParentWnd) { return Create(MAKEINTRESOURCEW(nIDTemplate), pParentWnd); }

BOOL CDialog::CreateIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd *pParentWnd, void *lpDialogInit, HINSTANCE hInst)
{
    (void)lpDialogInit;
    if (m_hWnd != NULL || lpDialogTemplate == NULL) return FALSE;
    if (hInst == NULL) hInst = AfxGetResourceHandle();
    if (pParentWnd != NULL) m_pParentWnd = pParentWnd;

    afx_thread_state *pThread = afx_get_thread_state();
    CWnd *pPrevInit = pThread->pDlgInit;
    pThread->pDlgInit = this;
    HWND hWnd = ::CreateDialogIndirectParamW(hInst, lpDialogTemplate, afx_hwnd_of(m_pParentWnd), AfxDlgProc, 0);
    pThread->pDlgInit = pPrevInit;
    if (hWnd == NULL) return FALSE;   // a window that existed for a while was detached at its end
    if (m_hWnd != hWnd && !SubclassWindow(hWnd)) {
        ::DestroyWindow(hWnd);
        return FALSE;
    }
    return TRUE;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd != NULL) return -1;
    HINSTANCE hInst = NULL;
    LPCDLGTEMPLATE lpTemplate = FindTemplate(m_lpszTemplateName, &hInst);
    if (lpTemplate == NULL) return -1;
    afx_thread_state *pThread = afx_get_thread_state();
    CWnd *pPrevInit = pThread->pDlgInit;
    pThread->pDlgInit = this;
    m_nModalResult = -1;
    INT_PTR nResult = ::DialogBoxIndirectParamW(hInst, lpTemplate, afx_hwnd_of(m_pParentWnd), AfxDlgProc, 0);
    pThread->pDlgInit = pPrevInit;
    return nResult;
}

void CDialog::EndDialog(int nResult)
{
    m_nModalResult = nResult;
    ::EndDialog(m_hWnd, nResult);
}

// A failed exchange (a missing control, a rejected value) answers FALSE; nothing is raised.
BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    AfxLockTempMaps();
    BOOL bOK = FALSE;
    try {
        DoDataExchange(&dx);
        bOK = TRUE;
    } catch (CException *e) {
        e->Delete();
    }
    AfxUnlockTempMaps();
    return bOK;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG *pMsg)
{
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && m_hWnd != NULL)
        return ::IsDialogMessageW(m_hWnd, pMsg);
    return FALSE;
}

// ---------------------------------------------------------------------------------------------
// Data exchange

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    HWND hWndCtrl = ::GetDlgItem(afx_hwnd_of(m_pDlgWnd), nIDC);
    if (hWndCtrl == NULL) Fail();
    m_idLastControl = nIDC;
    return hWndCtrl;
}

void CDataExchange::Fail() { AfxThrowUserException(); }

void AFXAPI DDX_Control(CDataExchange *pDX, int nIDC, CWnd &rControl)
{
    if (rControl.m_hWnd != NULL) return;
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (!rControl.SubclassWindow(hWndCtrl)) pDX->Fail();
}

void AFXAPI DDX_Text(CDataExchange *pDX, int nIDC, CString &value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        int n = ::GetWindowTextLengthW(hWndCtrl);
        n = ::GetWindowTextW(hWndCtrl, value.GetBufferSetLength(n), n + 1);
        value.ReleaseBuffer(n > 0 ? n : 0);
    } else {
        ::SetWindowTextW(hWndCtrl, value);
    }
}
