// Class-library internals shared by its sources: the per-thread state and the handle maps.
#pragma once

#include <afxwin.h>
#include <unordered_map>
#include <vector>

// What the library keeps per thread, whatever module is current.
struct afx_thread_state
{
    AFX_MODULE_STATE *pModuleState = nullptr;   // NULL stands for the executable's
    MSG lastSentMsg = {};                       // the message Default() passes on
    CWnd *pWndInit = nullptr;                   // the window CreateEx is creating
    CWnd *pDlgInit = nullptr;                   // the dialog object a dialog creation will attach
};
afx_thread_state *afx_get_thread_state();

// Handle -> object maps of one module on one thread: permanent entries are attached objects;
// temporary ones are made on demand for foreign handles and deleted at idle or thread end.
class CHandleMap
{
public:
    typedef CObject *(*new_temp_fn)(void *handle);
    typedef void (*delete_temp_fn)(CObject *object);

    CHandleMap(AFX_MODULE_STATE *pModuleState, new_temp_fn pfnNew, delete_temp_fn pfnDelete)
        : m_pModuleState(pModuleState), m_pfnNew(pfnNew), m_pfnDelete(pfnDelete) {}
    ~CHandleMap() { DeleteTemp(); }

    CObject *FromHandle(void *h);
    CObject *LookupPermanent(void *h) const;
    CObject *LookupTemporary(void *h) const;
    bool SetPermanent(void *h, CObject *pObject);
    void RemoveHandle(void *h);
    // Drops h's entry only when it is pObject's; see afx_detach_handle.
    void Detach(void *h, CObject *pObject);
    void DeleteTemp();

private:
    AFX_MODULE_STATE *m_pModuleState;
    new_temp_fn m_pfnNew;
    delete_temp_fn m_pfnDelete;
    std::unordered_map<void *, CObject *> m_permanentMap;
    std::unordered_map<void *, CObject *> m_temporaryMap;
    std::vector<CObject *> m_detachedTemps;   // temporary objects detached from their handle, deleted with the rest
};

// Making and dropping the temporary objects of a map: plain wrappers that never own their handle.
template <class T, typename H, H T::*Handle> CObject *afx_new_temp(void *h)
{
    T *p = new T;
    p->*Handle = static_cast<H>(h);
    return p;
}

template <class T, typename H, H T::*Handle> void afx_delete_temp(CObject *p)
{
    T *pObject = static_cast<T *>(p);
    pObject->*Handle = NULL;
    delete pObject;
}

// Temporary objects of the GDI and DC maps: a GDI temporary is of the class of its handle's kind,
// a DC temporary answers both its output and attribute DC.
CObject *afx_new_temp_gdi(void *h);
void afx_delete_temp_gdi(CObject *p);
CObject *afx_new_temp_dc(void *h);
void afx_delete_temp_dc(CObject *p);
// Deletes the temporary objects of every map of the calling thread's part.
void afx_delete_temp_maps(AFX_MODULE_THREAD_STATE *pState);
// The dialog procedure of the library's dialogs: attaches the pending object, runs OnInitDialog.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

// Attach and Detach of the handle wrappers (CWnd, CDC) over the current module's map on this thread.
// A handle has at most one permanent object, and only that object's Detach removes the entry; a
// temporary object that is detached stays valid until the temporaries are deleted, and the next
// FromHandle makes a fresh one.
template <typename H> BOOL afx_attach_handle(CHandleMap *AFX_MODULE_THREAD_STATE::*pMap, CObject *pObject, H &hOwn, H hNew)
{
    if (hNew == NULL || hOwn != NULL) return FALSE;
    if (!(AfxGetModuleThreadState()->*pMap)->SetPermanent(hNew, pObject)) return FALSE;
    hOwn = hNew;
    return TRUE;
}

template <typename H> H afx_detach_handle(CHandleMap *AFX_MODULE_THREAD_STATE::*pMap, CObject *pObject, H &hOwn)
{
    H h = hOwn;
    if (h) {
        AFX_MODULE_THREAD_STATE *pState = AfxGetModuleState()->GetThreadState(FALSE);
        if (pState) (pState->*pMap)->Detach(h, pObject);
    }
    hOwn = NULL;
    return h;
}
