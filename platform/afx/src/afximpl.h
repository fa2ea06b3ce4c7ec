// Class-library internals shared by its sources: the per-thread state and the handle maps.
#pragma once

#include <afxwin.h>
#include <unordered_map>

// What the library keeps per thread, whatever module is current.
struct afx_thread_state
{
    AFX_MODULE_STATE *pModuleState = nullptr;   // NULL stands for the executable's
    MSG lastSentMsg = {};                       // the message Default() passes on
    CWnd *pWndInit = nullptr;                   // the window CreateEx is creating
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
    void DeleteTemp();

private:
    AFX_MODULE_STATE *m_pModuleState;
    new_temp_fn m_pfnNew;
    delete_temp_fn m_pfnDelete;
    std::unordered_map<void *, CObject *> m_permanentMap;
    std::unordered_map<void *, CObject *> m_temporaryMap;
};

// Making and dropping the temporary objects of the two maps.
CObject *afx_new_temp_wnd(void *h);
void afx_delete_temp_wnd(CObject *p);
CObject *afx_new_temp_dc(void *h);
void afx_delete_temp_dc(CObject *p);
