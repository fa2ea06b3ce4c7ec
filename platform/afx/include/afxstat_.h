// Module state: what each module sharing the class library keeps for itself (its instance, its
// application, its windows per thread), and the thread's pointer to the module state in force.
#pragma once

class CWinApp;
class CWinThread;
class CWnd;
class CHandleMap;
class COccManager;
struct afx_module_threads;

// One module's per-thread part: the thread object and the HWND maps of this module on this thread.
struct AFX_API AFX_MODULE_THREAD_STATE
{
    AFX_MODULE_THREAD_STATE();
    ~AFX_MODULE_THREAD_STATE();

    CWinThread *m_pCurrentWinThread;
    CHandleMap *m_pmapHWND;
    CHandleMap *m_pmapHDC;
    CHandleMap *m_pmapHGDIOBJ;
    int m_nTempMapLock;                  // > 0 while temporary objects must not be deleted

private:
    AFX_MODULE_THREAD_STATE(const AFX_MODULE_THREAD_STATE &) = delete;
    AFX_MODULE_THREAD_STATE &operator=(const AFX_MODULE_THREAD_STATE &) = delete;
};

// The state of one module: the executable's lives in the class library, each regular library has
// its own (AfxGetStaticModuleState).
class AFX_API AFX_MODULE_STATE
{
public:
    AFX_MODULE_STATE(BOOL bDLL, WNDPROC pfnAfxWndProc);
    ~AFX_MODULE_STATE();

    CWinApp *m_pCurrentWinApp;
    HINSTANCE m_hCurrentInstanceHandle;
    HINSTANCE m_hCurrentResourceHandle;
    LPCTSTR m_lpszCurrentAppName;
    BOOL m_bDLL;
    WNDPROC m_pfnAfxWndProc;             // the window procedure of this module's windows
    BOOL m_bControlContainer;            // AfxEnableControlContainer was called
    COccManager *m_pOccManager;          // the control container's manager, NULL for the default one
    volatile LONG m_nTempObjects;        // temporary handle-map objects alive, all threads

    // The calling thread's part, created on first use unless bCreate is FALSE.
    AFX_MODULE_THREAD_STATE *GetThreadState(BOOL bCreate = TRUE);
    // Frees the calling thread's part (its temporary and permanent maps' bookkeeping).
    void TermThread();
    // Frees every thread's part: the module is going away.
    void TermAllThreads();

private:
    afx_module_threads *m_pThreads;
    AFX_MODULE_STATE(const AFX_MODULE_STATE &) = delete;
    AFX_MODULE_STATE &operator=(const AFX_MODULE_STATE &) = delete;
};

AFX_API AFX_MODULE_STATE *AFXAPI AfxGetModuleState();
AFX_API AFX_MODULE_STATE *AFXAPI AfxGetAppModuleState();
AFX_API AFX_MODULE_STATE *AFXAPI AfxSetModuleState(AFX_MODULE_STATE *pNewState);
AFX_API AFX_MODULE_THREAD_STATE *AFXAPI AfxGetModuleThreadState();
// Each regular library that links the start-up library answers its own state; not in the executable.
AFX_MODULE_LOCAL AFX_MODULE_STATE *AFXAPI AfxGetStaticModuleState();

// Makes a module state current for a scope and restores the previous one on every way out.
class AFX_API AFX_MAINTAIN_STATE2
{
public:
    explicit AFX_MAINTAIN_STATE2(AFX_MODULE_STATE *pNewState) noexcept;
    ~AFX_MAINTAIN_STATE2();

private:
    AFX_MODULE_STATE *m_pPrevModuleState;
    AFX_MAINTAIN_STATE2(const AFX_MAINTAIN_STATE2 &) = delete;
    AFX_MAINTAIN_STATE2 &operator=(const AFX_MAINTAIN_STATE2 &) = delete;
};
typedef AFX_MAINTAIN_STATE2 AFX_MAINTAIN_STATE;

#define AFX_MANAGE_STATE(p) AFX_MAINTAIN_STATE2 _ctlState(p)

AFX_API HINSTANCE AFXAPI AfxGetInstanceHandle();
AFX_API HINSTANCE AFXAPI AfxGetResourceHandle();
AFX_API void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource);
AFX_API LPCTSTR AFXAPI AfxGetAppName();
AFX_API CWinApp *AFXAPI AfxGetApp();
AFX_API CWinThread *AFXAPI AfxGetThread();
AFX_API CWnd *AFXAPI AfxGetMainWnd();
// Frees the calling thread's temporary objects and thread part of the current module.
AFX_API void AFXAPI AfxTermThread(HINSTANCE hInstTerm = NULL);
// Marks the current module as a container of controls; the container reads m_pOccManager.
AFX_API void AFXAPI AfxEnableControlContainer(COccManager *pOccManager = NULL);
