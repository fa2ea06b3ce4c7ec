// The control container of a window and the manager that makes containers and sites; creation is
// refused unless the current module has enabled control containment.
#include "afximpl.h"
#include <afxocc_.h>

COleControlContainer *COccManager::CreateContainer(CWnd *pWnd) { return new COleControlContainer(pWnd); }

COleControlSite *COccManager::CreateSite(COleControlContainer *pCtrlCont) { return new COleControlSite(pCtrlCont); }

static COccManager *afx_occ_manager()
{
    AFX_MODULE_STATE *pState = AfxGetModuleState();
    if (!pState->m_bControlContainer) return NULL;
    static COccManager defaultManager;
    return pState->m_pOccManager ? pState->m_pOccManager : &defaultManager;
}

COleControlContainer *AFXAPI AfxCreateControlContainer(CWnd *pWnd)
{
    COccManager *pManager = afx_occ_manager();
    return pManager && pWnd ? pManager->CreateContainer(pWnd) : NULL;
}

COleControlContainer::COleControlContainer(CWnd *pWnd) : m_pWnd(pWnd) {}

COleControlContainer::~COleControlContainer() { DestroyAllControls(); }

BOOL COleControlContainer::CreateControl(CWnd *pWndCtrl, REFCLSID clsid, LPCTSTR lpszWindowName, DWORD dwStyle,
                                         const RECT &rect, UINT nID, COleControlSite *pSite,
                                         COleControlSite **ppNewSite)
{
    if (ppNewSite) *ppNewSite = NULL;
    COccManager *pManager = afx_occ_manager();
    if (pManager == NULL || m_pWnd == NULL || m_pWnd->GetSafeHwnd() == NULL) {
        if (pSite) pSite->Release();
        return FALSE;
    }
    if (pSite == NULL) pSite = pManager->CreateSite(this);
    if (pSite == NULL) return FALSE;

    m_siteArray.Add(pSite);
    HRESULT hr = E_FAIL;
    try {
        hr = pSite->CreateControl(pWndCtrl, clsid, lpszWindowName, dwStyle, rect, nID);
    } catch (CException *e) {
        e->Delete();
        hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        DestroyControl(pSite);
        return FALSE;
    }
    if (ppNewSite) *ppNewSite = pSite;
    return TRUE;
}

COleControlSite *COleControlContainer::FindItem(UINT nID) const
{
    for (INT_PTR i = 0; i < m_siteArray.GetSize(); ++i) {
        COleControlSite *pSite = static_cast<COleControlSite *>(m_siteArray.GetAt(i));
        if (pSite->m_nID == nID) return pSite;
    }
    return NULL;
}

void COleControlContainer::DestroyControl(COleControlSite *pSite)
{
    for (INT_PTR i = 0; i < m_siteArray.GetSize(); ++i) {
        if (m_siteArray.GetAt(i) == pSite) {
            m_siteArray.RemoveAt(i);
            pSite->DestroyControl();
            pSite->Release();
            return;
        }
    }
}

void COleControlContainer::DestroyAllControls()
{
    // Last created first, so a control never outlives one made before it inside the same window.
    while (m_siteArray.GetSize() > 0)
        DestroyControl(static_cast<COleControlSite *>(m_siteArray.GetAt(m_siteArray.GetUpperBound())));
}

BOOL COleControlContainer::OnEvent(UINT nID, AFX_EVENT *pEvent)
{
    return m_pWnd != NULL && m_pWnd->OnCmdMsg(nID, CN_EVENT, pEvent, NULL);
}
