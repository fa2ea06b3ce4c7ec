// CWinThread and CWinApp: registration in the module state, the message loop and idle clean-up.
#include "afximpl.h"

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)
IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

CWinThread::CWinThread()
    : m_pMainWnd(NULL), m_bAutoDelete(TRUE), m_hThread(NULL), m_nThreadID(0), m_msgCur(),
      m_pModuleState(AfxGetModuleState())
{
}

CWinThread::~CWinThread()
{
    AFX_MODULE_THREAD_STATE *pPart = m_pModuleState->GetThreadState(FALSE);
    if (pPart && pPart->m_pCurrentWinThread == this) pPart->m_pCurrentWinThread = NULL;
}

int CWinThread::ExitInstance() { return int(m_msgCur.wParam); }

BOOL CWinThread::IsIdleMessage(MSG *pMsg)
{
    (void)pMsg;
    return TRUE;
}

// Idle pass 0 asks for another pass; pass 1 deletes the temporary objects of this module.
BOOL CWinThread::OnIdle(LONG lCount)
{
    if (lCount <= 0) return TRUE;
    AFX_MODULE_THREAD_STATE *pState = AfxGetModuleThreadState();
    if (pState->m_nTempMapLock == 0) {
        afx_delete_temp_maps(pState);
    }
    return FALSE;
}

BOOL CWinThread::PreTranslateMessage(MSG *pMsg)
{
    CWnd *pMainWnd = AfxGetMainWnd();
    return CWnd::WalkPreTranslateTree(pMainWnd ? pMainWnd->m_hWnd : NULL, pMsg);
}

BOOL CWinThread::PumpMessage()
{
    BOOL bRet = ::GetMessageW(&m_msgCur, NULL, 0, 0);
    if (bRet == 0) return FALSE;   // WM_QUIT
    if (bRet == -1) return TRUE;
    if (!PreTranslateMessage(&m_msgCur)) {
        ::TranslateMessage(&m_msgCur);
        ::DispatchMessageW(&m_msgCur);
    }
    return TRUE;
}

int CWinThread::Run()
{
    BOOL bIdle = TRUE;
    LONG lIdleCount = 0;
    for (;;) {
        MSG msg;
        while (bIdle && !::PeekMessageW(&msg, NULL, 0, 0, PM_NOREMOVE))
            if (!OnIdle(lIdleCount++)) bIdle = FALSE;
        do {
            if (!PumpMessage()) return ExitInstance();
            if (IsIdleMessage(&m_msgCur)) {
                bIdle = TRUE;
                lIdleCount = 0;
            }
        } while (::PeekMessageW(&msg, NULL, 0, 0, PM_NOREMOVE));
    }
}

// The application object registers into the module state current at its construction: a regular
// library's static application finds its own library's state current.
CWinApp::CWinApp(LPCTSTR lpszAppName)
    : m_pszAppName(lpszAppName), m_hInstance(NULL), m_lpCmdLine(NULL), m_nCmdShow(0), m_pszProfileName(NULL),
      m_pszRegistryKey(NULL)
{
    m_pModuleState->m_pCurrentWinApp = this;
    m_pModuleState->m_lpszCurrentAppName = lpszAppName;
    m_pModuleState->GetThreadState()->m_pCurrentWinThread = this;
    m_hInstance = m_pModuleState->m_hCurrentInstanceHandle;
}

CWinApp::~CWinApp()
{
    if (m_pModuleState->m_pCurrentWinApp == this) {
        m_pModuleState->m_pCurrentWinApp = NULL;
        m_pModuleState->m_lpszCurrentAppName = NULL;
    }
}

int CWinApp::ExitInstance() { return int(m_msgCur.wParam); }

BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
END_MESSAGE_MAP()

BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow)
{
    (void)hPrevInstance;
    AFX_MODULE_STATE *pState = AfxGetModuleState();
    pState->m_hCurrentInstanceHandle = hInstance;
    pState->m_hCurrentResourceHandle = hInstance;
    if (CWinApp *pApp = pState->m_pCurrentWinApp) {
        pApp->m_hInstance = hInstance;
        pApp->m_lpCmdLine = lpCmdLine;
        pApp->m_nCmdShow = nCmdShow;
    }
    return TRUE;
}

int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow)
{
    CWinApp *pApp = AfxGetApp();
    if (!AfxWinInit(hInstance, hPrevInstance, lpCmdLine, nCmdShow) || pApp == NULL) return -1;
    int nReturn = -1;
    try {
        if (!pApp->InitApplication() || !pApp->InitInstance()) nReturn = pApp->ExitInstance();
        else nReturn = pApp->Run();
    } catch (CException *e) {
        e->Delete();
    }
    AfxTermThread();
    return nReturn;
}
