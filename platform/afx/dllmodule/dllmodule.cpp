// A regular library's own share of the class library: its module state, its window procedure,
// its entry point and its operator new. Linked statically, private to the library.
#include <afxwin.h>
#if !defined(_WIN32)
#include <win32api/loader.h>
#endif

extern "C" {
// Named by the link so this object is part of every library that links the start-up library.
AFX_MODULE_LOCAL int afx_dll_module_anchor = 0;
}

namespace {

LRESULT CALLBACK dll_wnd_proc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return AfxWndProc(hWnd, nMsg, wParam, lParam);
}

AFX_MODULE_STATE *s_pCallerState;   // the loader thread's state while static initialisation runs
bool s_bSwitched;
bool s_bInitInstanceCalled;

BOOL dll_process_attach(HINSTANCE hInstance)
{
    AFX_MODULE_STATE *pState = AfxGetStaticModuleState();
    pState->m_hCurrentInstanceHandle = hInstance;
    pState->m_hCurrentResourceHandle = hInstance;
    // Static initialisation is over: the caller's state is current again.
    if (s_bSwitched) {
        AfxSetModuleState(s_pCallerState);
        s_bSwitched = false;
    }

    AFX_MANAGE_STATE(pState);
    CWinApp *pApp = pState->m_pCurrentWinApp;
    if (pApp == NULL) return TRUE;
    pApp->m_hInstance = hInstance;
    s_bInitInstanceCalled = true;
    try {
        return pApp->InitInstance() ? TRUE : FALSE;
    } catch (CException *e) {
        e->Delete();
    } catch (...) {
    }
    return FALSE;
}

void dll_process_detach()
{
    AFX_MODULE_STATE *pState = AfxGetStaticModuleState();
    {
        AFX_MANAGE_STATE(pState);
        CWinApp *pApp = pState->m_pCurrentWinApp;
        if (pApp && s_bInitInstanceCalled) {
            s_bInitInstanceCalled = false;
            try {
                pApp->ExitInstance();
            } catch (CException *e) {
                e->Delete();
            } catch (...) {
            }
        }
        // Windows of this library's class would call into unmapped code.
        ::UnregisterClassW(TEXT("AfxWnd"), pState->m_hCurrentInstanceHandle);
    }
    pState->TermAllThreads();
}

BOOL WINAPI dll_entry(HINSTANCE hInstance, DWORD fdwReason, LPVOID lpvReserved)
{
    (void)lpvReserved;
    switch (fdwReason) {
    case DLL_PROCESS_ATTACH: return dll_process_attach(hInstance);
    case DLL_PROCESS_DETACH: dll_process_detach(); break;
    case DLL_THREAD_DETACH: AfxGetStaticModuleState()->TermThread(); break;
    default: break;
    }
    return TRUE;
}

// Runs before the library's other static initialisers: its static application object and any
// initialiser that switches state find the library's own state current.
__attribute__((constructor(101))) void dll_static_startup()
{
    (void)afx_dll_module_anchor;
    s_pCallerState = AfxSetModuleState(AfxGetStaticModuleState());
    s_bSwitched = true;
#if !defined(_WIN32)
    win32_loader_register_entry(reinterpret_cast<const void *>(&dll_static_startup), dll_entry);
#endif
}

} // namespace

#if defined(_WIN32)
// The C run-time's entry point calls this after the static initialisers on attach, and before the
// static destructors on detach.
extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD fdwReason, LPVOID lpvReserved)
{
    return dll_entry(hInstance, fdwReason, lpvReserved);
}
#endif

AFX_MODULE_STATE *AFXAPI AfxGetStaticModuleState()
{
    // Constructed in the priority-101 start-up, so destroyed after the library's other statics.
    static AFX_MODULE_STATE s_moduleState(TRUE, dll_wnd_proc);
    return &s_moduleState;
}

// This library's allocations raise the class library's exception on failure; a copy of its own,
// as a hidden symbol cannot be shared with the class library's. Where the class library is linked
// into the same module, its own copy serves.
#if !defined(AFX_STATIC_LIBRARY)
#include "../src/afxnew.inl"
#endif
