// Module states and their per-thread parts, the thread's current module state and its guard.
#include "afximpl.h"
#include <atomic>
#include <map>
#include <mutex>
#include <thread>

struct afx_module_threads
{
    std::mutex lock;
    std::map<std::thread::id, AFX_MODULE_THREAD_STATE *> parts;
};

namespace {

thread_local afx_thread_state t_threadState;

AFX_MODULE_STATE *app_module_state()
{
    // Never destroyed: threads and other modules may use it while the process exits.
    static AFX_MODULE_STATE *s_pState = new AFX_MODULE_STATE(FALSE, AfxWndProcBase);
    return s_pState;
}

// Frees the executable's part of a thread when the thread ends; regular libraries free theirs
// at thread detach.
struct app_thread_part_guard
{
    bool armed = false;
    ~app_thread_part_guard()
    {
        if (armed) app_module_state()->TermThread();
    }
};
thread_local app_thread_part_guard t_appPartGuard;

// The part this thread found last: every handle lookup asks for it, and the map under its lock
// costs more than the lookup itself. Freeing any part moves the epoch on, so that a cached part is
// never one freed since, nor one of a module freed and made again at the same address.
std::atomic<unsigned> g_partsEpoch{0};
struct last_part
{
    const AFX_MODULE_STATE *module = nullptr;
    AFX_MODULE_THREAD_STATE *part = nullptr;
    unsigned epoch = 0;
};
thread_local last_part t_lastPart;

} // namespace

afx_thread_state *afx_get_thread_state() { return &t_threadState; }

AFX_MODULE_THREAD_STATE::AFX_MODULE_THREAD_STATE()
    : m_pCurrentWinThread(NULL), m_pmapHWND(NULL), m_pmapHDC(NULL), m_pmapHGDIOBJ(NULL), m_nTempMapLock(0)
{
}

AFX_MODULE_THREAD_STATE::~AFX_MODULE_THREAD_STATE()
{
    // Window temporaries go first; DC and GDI temporaries own nothing, so their order is free.
    delete m_pmapHWND;
    delete m_pmapHDC;
    delete m_pmapHGDIOBJ;
}

AFX_MODULE_STATE::AFX_MODULE_STATE(BOOL bDLL, WNDPROC pfnAfxWndProc)
    : m_pCurrentWinApp(NULL), m_hCurrentInstanceHandle(NULL), m_hCurrentResourceHandle(NULL),
      m_lpszCurrentAppName(NULL), m_bDLL(bDLL), m_pfnAfxWndProc(pfnAfxWndProc), m_bControlContainer(FALSE),
      m_pOccManager(NULL), m_nTempObjects(0), m_pThreads(new afx_module_threads)
{
}

AFX_MODULE_STATE::~AFX_MODULE_STATE()
{
    TermAllThreads();
    delete m_pThreads;
}

AFX_MODULE_THREAD_STATE *AFX_MODULE_STATE::GetThreadState(BOOL bCreate)
{
    last_part &last = t_lastPart;
    if (last.module == this && last.epoch == g_partsEpoch.load(std::memory_order_acquire)) return last.part;
    std::thread::id self = std::this_thread::get_id();
    {
        std::lock_guard<std::mutex> hold(m_pThreads->lock);
        auto it = m_pThreads->parts.find(self);
        if (it != m_pThreads->parts.end()) {
            last = last_part{this, it->second, g_partsEpoch.load(std::memory_order_acquire)};
            return it->second;
        }
    }
    if (!bCreate) return NULL;
    AFX_MODULE_THREAD_STATE *pPart = new AFX_MODULE_THREAD_STATE;
    pPart->m_pmapHWND = new CHandleMap(this, afx_new_temp<CWnd, HWND, &CWnd::m_hWnd>,
                                       afx_delete_temp<CWnd, HWND, &CWnd::m_hWnd>);
    pPart->m_pmapHDC = new CHandleMap(this, afx_new_temp_dc, afx_delete_temp_dc);
    pPart->m_pmapHGDIOBJ = new CHandleMap(this, afx_new_temp_gdi, afx_delete_temp_gdi);
    {
        std::lock_guard<std::mutex> hold(m_pThreads->lock);
        m_pThreads->parts[self] = pPart;
    }
    if (this == app_module_state()) t_appPartGuard.armed = true;
    return pPart;
}

void AFX_MODULE_STATE::TermThread()
{
    AFX_MODULE_THREAD_STATE *pPart = NULL;
    {
        std::lock_guard<std::mutex> hold(m_pThreads->lock);
        auto it = m_pThreads->parts.find(std::this_thread::get_id());
        if (it == m_pThreads->parts.end()) return;
        pPart = it->second;
        m_pThreads->parts.erase(it);
        g_partsEpoch.fetch_add(1, std::memory_order_acq_rel);
    }
    // Deleting temporary objects runs their destructors: no lock held.
    delete pPart;
}

void AFX_MODULE_STATE::TermAllThreads()
{
    std::map<std::thread::id, AFX_MODULE_THREAD_STATE *> parts;
    {
        std::lock_guard<std::mutex> hold(m_pThreads->lock);
        parts.swap(m_pThreads->parts);
        g_partsEpoch.fetch_add(1, std::memory_order_acq_rel);
    }
    for (auto &part : parts) delete part.second;
}

AFX_MODULE_STATE *AFXAPI AfxGetAppModuleState() { return app_module_state(); }

AFX_MODULE_STATE *AFXAPI AfxGetModuleState()
{
    AFX_MODULE_STATE *pState = t_threadState.pModuleState;
    return pState ? pState : app_module_state();
}

AFX_MODULE_STATE *AFXAPI AfxSetModuleState(AFX_MODULE_STATE *pNewState)
{
    AFX_MODULE_STATE *pPrev = AfxGetModuleState();
    t_threadState.pModuleState = pNewState;
    return pPrev;
}

AFX_MODULE_THREAD_STATE *AFXAPI AfxGetModuleThreadState() { return AfxGetModuleState()->GetThreadState(); }

AFX_MAINTAIN_STATE2::AFX_MAINTAIN_STATE2(AFX_MODULE_STATE *pNewState) noexcept
    : m_pPrevModuleState(t_threadState.pModuleState)
{
    if (pNewState) t_threadState.pModuleState = pNewState;
}

AFX_MAINTAIN_STATE2::~AFX_MAINTAIN_STATE2() { t_threadState.pModuleState = m_pPrevModuleState; }

HINSTANCE AFXAPI AfxGetInstanceHandle()
{
    AFX_MODULE_STATE *pState = AfxGetModuleState();
    // The executable's handle is known without AfxWinInit.
    if (!pState->m_hCurrentInstanceHandle && !pState->m_bDLL) {
        HINSTANCE hExe = ::GetModuleHandleW(NULL);
        pState->m_hCurrentInstanceHandle = hExe;
        if (!pState->m_hCurrentResourceHandle) pState->m_hCurrentResourceHandle = hExe;
    }
    return pState->m_hCurrentInstanceHandle;
}

HINSTANCE AFXAPI AfxGetResourceHandle()
{
    AFX_MODULE_STATE *pState = AfxGetModuleState();
    if (!pState->m_hCurrentResourceHandle) return AfxGetInstanceHandle();
    return pState->m_hCurrentResourceHandle;
}

void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource) { AfxGetModuleState()->m_hCurrentResourceHandle = hInstResource; }

LPCTSTR AFXAPI AfxGetAppName() { return AfxGetModuleState()->m_lpszCurrentAppName; }

CWinApp *AFXAPI AfxGetApp() { return AfxGetModuleState()->m_pCurrentWinApp; }

CWinThread *AFXAPI AfxGetThread()
{
    AFX_MODULE_THREAD_STATE *pPart = AfxGetModuleState()->GetThreadState();
    return pPart->m_pCurrentWinThread;
}

CWnd *AFXAPI AfxGetMainWnd()
{
    CWinThread *pThread = AfxGetThread();
    return pThread ? pThread->GetMainWnd() : NULL;
}

void AFXAPI AfxTermThread(HINSTANCE hInstTerm)
{
    (void)hInstTerm;
    AfxGetModuleState()->TermThread();
}

void AFXAPI AfxEnableControlContainer(COccManager *pOccManager)
{
    AFX_MODULE_STATE *pState = AfxGetModuleState();
    pState->m_bControlContainer = TRUE;
    pState->m_pOccManager = pOccManager;
}
