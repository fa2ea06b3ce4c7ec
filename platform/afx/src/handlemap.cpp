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

void CHandleMap::Detach(void *h, CObject *pObject)
{
    if (LookupPermanent(h) == pObject) {
        RemoveHandle(h);
        return;
    }
    auto it = m_temporaryMap.find(h);
    if (it == m_temporaryMap.end() || it->second != pObject) return;
    try {
        m_detachedTemps.push_back(pObject);
    } catch (...) {
        return;   // no room to keep it aside: it stays mapped, without its handle, until idle
    }
    m_temporaryMap.erase(it);
}

void CHandleMap::DeleteTemp()
{
    std::unordered_map<void *, CObject *> temps;
    temps.swap(m_temporaryMap);
    std::vector<CObject *> detached;
    detached.swap(m_detachedTemps);
    auto drop = [this](CObject *p) {
        m_pfnDelete(p);
        __atomic_sub_fetch(&m_pModuleState->m_nTempObjects, 1, __ATOMIC_RELAXED);
    };
    for (auto &entry : temps) drop(entry.second);
    for (CObject *p : detached) drop(p);
}

void AFXAPI AfxLockTempMaps() { ++AfxGetModuleThreadState()->m_nTempMapLock; }

BOOL AFXAPI AfxUnlockTempMaps(BOOL bDeleteTemps)
{
    AFX_MODULE_THREAD_STATE *pState = AfxGetModuleThreadState();
    if (pState->m_nTempMapLock > 0 && --pState->m_nTempMapLock > 0) return FALSE;
    if (bDeleteTemps) {
        afx_delete_temp_maps(pState);
    }
    return TRUE;
}

void afx_delete_temp_maps(AFX_MODULE_THREAD_STATE *pState)
{
    pState->m_pmapHWND->DeleteTemp();
    pState->m_pmapHDC->DeleteTemp();
    pState->m_pmapHGDIOBJ->DeleteTemp();
}
