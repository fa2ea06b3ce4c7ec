// A small regular library over the class library, built three ways (AFX_TEST_INIT_MODE: 1 starts,
// 0 refuses in InitInstance, 2 throws from InitInstance). It reports what it sees to the loading
// program's exported AfxTestRecord, when there is one.
#include <afxwin.h>

#ifndef AFX_TEST_INIT_MODE
#define AFX_TEST_INIT_MODE 1
#endif

#define TEST_EXPORT extern "C" __declspec(dllexport)

static void Record(const char *pszEvent)
{
    typedef void (*record_fn)(const char *);
    FARPROC pfnAny = ::GetProcAddress(::GetModuleHandleW(NULL), "AfxTestRecord");
    record_fn pfn = reinterpret_cast<record_fn>(reinterpret_cast<void (*)()>(pfnAny));
    if (pfn) pfn(pszEvent);
}

class CTestModuleApp : public CWinApp
{
public:
    CTestModuleApp() : CWinApp(TEXT("AfxTestModule")) {}

    BOOL InitInstance() override
    {
        // The library's own state is current, with its instance handle known.
        bool own = AfxGetModuleState() == AfxGetStaticModuleState() && AfxGetApp() == this &&
                   AfxGetInstanceHandle() != NULL && AfxGetResourceHandle() == AfxGetInstanceHandle();
        Record(own ? "InitInstance" : "InitInstance:wrong-state");
        if (AFX_TEST_INIT_MODE == 2) AfxThrowMemoryException();
        return AFX_TEST_INIT_MODE == 1;
    }

    int ExitInstance() override
    {
        Record(AfxGetModuleState() == AfxGetStaticModuleState() ? "ExitInstance" : "ExitInstance:wrong-state");
        return CWinApp::ExitInstance();
    }
};

CTestModuleApp theApp;

// Seen by the library's static initialisers: its own state and its application object.
static const bool s_bStaticInitSawOwnState =
    AfxGetModuleState() == AfxGetStaticModuleState() && AfxGetApp() == &theApp;

// A child window of this library that notes every message offered to it for pre-translation.
class CTestChildWnd : public CWnd
{
public:
    BOOL PreTranslateMessage(MSG *pMsg) override
    {
        (void)pMsg;
        Record("dll-child");
        return FALSE;
    }
    void PostNcDestroy() override { delete this; }
};

TEST_EXPORT BOOL TestStaticInitSawOwnState() { return s_bStaticInitSawOwnState; }

TEST_EXPORT AFX_MODULE_STATE *TestModuleState() { return AfxGetStaticModuleState(); }

// A string allocated here and freed by the caller.
TEST_EXPORT void TestFillString(CStringW *pstr, int nRepeat)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CStringW built;
    for (int i = 0; i < nRepeat; ++i) built.AppendFormat(TEXT("%d,"), i);
    *pstr = built;
}

// A caller's string replaced (its old data freed) here.
TEST_EXPORT void TestReplaceString(CStringW *pstr)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    pstr->Empty();
    *pstr += TEXT("from the library");
}

TEST_EXPORT HWND TestCreateChild(HWND hParent, int nID)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CTestChildWnd *pWnd = new CTestChildWnd;
    RECT rc = {0, 0, 10, 10};
    if (!pWnd->CreateEx(0, NULL, TEXT("dll child"), WS_CHILD | WS_VISIBLE, rc, CWnd::FromHandle(hParent), UINT(nID))) {
        delete pWnd;
        return NULL;
    }
    return pWnd->m_hWnd;
}

// The library's pre-translation, as its module object offers it on the host's behalf.
TEST_EXPORT BOOL TestPreTranslate(MSG *pMsg)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return theApp.PreTranslateMessage(pMsg);
}

TEST_EXPORT BOOL TestIsPermanent(HWND hWnd)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return CWnd::FromHandlePermanent(hWnd) != NULL;
}

// A temporary object for a foreign window, made on the calling thread in this library's state.
TEST_EXPORT BOOL TestMakeTemporary(HWND hWnd)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CWnd *pWnd = CWnd::FromHandle(hWnd);
    return pWnd != NULL && pWnd->m_hWnd == hWnd && CWnd::FromHandlePermanent(hWnd) == NULL;
}

TEST_EXPORT LONG TestTemporaryCount() { return AfxGetStaticModuleState()->m_nTempObjects; }

// 1: this library's operator new raised CMemoryException*; 0: something else happened.
TEST_EXPORT int TestHugeAllocation()
{
    static char *volatile s_pKeep;   // observed, so the allocation cannot be left out
    volatile size_t nHuge = ~size_t(0) / 4;
    try {
        s_pKeep = new char[nHuge];
        delete[] s_pKeep;
        return 0;
    } catch (CMemoryException *e) {
        e->Delete();
        return 1;
    } catch (...) {
        return 0;
    }
}
