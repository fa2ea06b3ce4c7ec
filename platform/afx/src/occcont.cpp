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
    CComPtr<COleControlSite> site;
    site.Attach(pSite);   // taken over, also on failure
    COccManager *pManager = afx_occ_manager();
    if (pManager == NULL || m_pWnd == NULL || m_pWnd->GetSafeHwnd() == NULL) return FALSE;
    if (site == NULL) site.Attach(pManager->CreateSite(this));
    if (site == NULL) return FALSE;

    m_siteArray.Add(site);
    HRESULT hr = E_FAIL;
    try {
        hr = site->CreateControl(pWndCtrl, clsid, lpszWindowName, dwStyle, rect, nID);
    } catch (CException *e) {
        e->Delete();
        hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        DestroyControl(site);
        return FALSE;
    }
    if (ppNewSite) *ppNewSite = site;
    return TRUE;
}

COleControlSite *COleControlContainer::FindItem(UINT nID) const
{
    for (INT_PTR i = 0; i < m_siteArray.GetSize(); ++i) {
        if (m_siteArray[i]->m_nID == nID) return m_siteArray[i];
    }
    return NULL;
}

void COleControlContainer::DestroyControl(COleControlSite *pSite)
{
    for (INT_PTR i = 0; i < m_siteArray.GetSize(); ++i) {
        if (m_siteArray[i] == pSite) {
            CComPtr<COleControlSite> site = std::move(m_siteArray[i]);   // released on return
            m_siteArray.RemoveAt(i);
            site->DestroyControl();
            return;
        }
    }
}

void COleControlContainer::DestroyAllControls()
{
    // Last created first, so a control never outlives one made before it inside the same window.
    while (m_siteArray.GetSize() > 0) DestroyControl(m_siteArray[m_siteArray.GetUpperBound()]);
}

BOOL COleControlContainer::OnEvent(UINT nID, AFX_EVENT *pEvent)
{
    return m_pWnd != NULL && m_pWnd->OnCmdMsg(nID, CN_EVENT, pEvent, NULL);
}
