// Handle maps: permanent objects attached in a module, temporary ones made for foreign handles.
#include "afximpl.h"

CObject *CHandleMap::LookupPermanent(void *h) const
{
    auto it = m_permanentMap.find(h);
    return it == m_permanentMap.end() ? NULL : it->second;
}

CObject *CHandleMap::LookupTemporary(void *h) const
{
    auto it = m_temporaryMap.find(h);
    return it == m_temporaryMap.end() ? NULL : it->second;
}

CObject *CHandleMap::FromHandle(void *h)
{
    if (h == NULL) return NULL;
    if (CObject *p = LookupPermanent(h)) return p;
    if (CObject *p = LookupTemporary(h)) return p;
    CObject *p = m_pfnNew(h);
    try {
        m_temporaryMap.emplace(h, p);
    } catch (...) {
        m_pfnDelete(p);
        AfxThrowMemoryException();
    }
    __atomic_add_fetch(&m_pModuleState->m_nTempObjects, 1, __ATOMIC_RELAXED);
    return p;
}

bool CHandleMap::SetPermanent(void *h, CObject *pObject)
{
    return m_permanentMap.emplace(h, pObject).second;
}

void CHandleMap::RemoveHandle(void *h)
{
    m_permanentMap.erase(h);
    auto it = m_temporaryMap.find(h);
    if (it != m_temporaryMap.end()) {
        CObject *p = it->second;
        m_temporaryMap.erase(it);
        m_pfnDelete(p);
        __atomic_sub_fetch(&m_pModuleState->m_nTempObjects, 1, __ATOMIC_RELAXED);
    }
}

void CHandleMap::DeleteTemp()
{
    std::unordered_map<void *, CObject *> temps;
    temps.swap(m_temporaryMap);
    for (auto &entry : temps) {
        m_pfnDelete(entry.second);
        __atomic_sub_fetch(&m_pModuleState->m_nTempObjects, 1, __ATOMIC_RELAXED);
    }
}

// Temporary windows are plain CWnd objects that never own their window.
CObject *afx_new_temp_wnd(void *h)
{
    CWnd *p = new CWnd;
    p->m_hWnd = static_cast<HWND>(h);
    return p;
}

void afx_delete_temp_wnd(CObject *p)
{
    CWnd *pWnd = static_cast<CWnd *>(p);
    pWnd->m_hWnd = NULL;
    delete pWnd;
}

CObject *afx_new_temp_dc(void *h)
{
    CDC *p = new CDC;
    p->m_hDC = static_cast<HDC>(h);
    return p;
}

void afx_delete_temp_dc(CObject *p)
{
    CDC *pDC = static_cast<CDC *>(p);
    pDC->m_hDC = NULL;
    delete pDC;
}

void AFXAPI AfxLockTempMaps() { ++AfxGetModuleThreadState()->m_nTempMapLock; }

BOOL AFXAPI AfxUnlockTempMaps(BOOL bDeleteTemps)
{
    AFX_MODULE_THREAD_STATE *pState = AfxGetModuleThreadState();
    if (pState->m_nTempMapLock > 0 && --pState->m_nTempMapLock > 0) return FALSE;
    if (bDeleteTemps) {
        pState->m_pmapHWND->DeleteTemp();
        pState->m_pmapHDC->DeleteTemp();
    }
    return TRUE;
}

IMPLEMENT_DYNCREATE(CDC, CObject)

CDC *PASCAL CDC::FromHandle(HDC hDC)
{
    return static_cast<CDC *>(AfxGetModuleThreadState()->m_pmapHDC->FromHandle(hDC));
}

BOOL CDC::Attach(HDC hDC)
{
    if (hDC == NULL || m_hDC != NULL) return FALSE;
    if (!AfxGetModuleThreadState()->m_pmapHDC->SetPermanent(hDC, this)) return FALSE;
    m_hDC = hDC;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC hDC = m_hDC;
    if (hDC) AfxGetModuleThreadState()->m_pmapHDC->RemoveHandle(hDC);
    m_hDC = NULL;
    return hDC;
}
