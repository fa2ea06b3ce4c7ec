// Module state and its guard, application registration, run-time classes and exceptions.
#include <afxwin.h>
#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(AfxModuleState, GuardRestoresOnReturnAndOnException)
{
    AFX_MODULE_STATE *pApp = AfxGetModuleState();
    ASSERT_EQ(AfxGetAppModuleState(), pApp);
    AFX_MODULE_STATE outer(TRUE, AfxWndProc), inner(TRUE, AfxWndProc);

    auto nested = [&] {
        AFX_MANAGE_STATE(&outer);
        EXPECT_EQ(&outer, AfxGetModuleState());
        {
            AFX_MAINTAIN_STATE2 guard(&inner);
            EXPECT_EQ(&inner, AfxGetModuleState());
        }
        EXPECT_EQ(&outer, AfxGetModuleState());
        return 1;
    };
    EXPECT_EQ(1, nested());
    EXPECT_EQ(pApp, AfxGetModuleState());

    try {
        AFX_MANAGE_STATE(&outer);
        {
            AFX_MAINTAIN_STATE2 guard(&inner);
            AfxThrowFileException(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND, TEXT("x.ini"));
        }
    } catch (CException *e) {
        EXPECT_EQ(pApp, AfxGetModuleState());
        e->Delete();
    }
    EXPECT_EQ(pApp, AfxGetModuleState());

    // A switch that is never undone by a guard is undone by setting the previous state back.
    AFX_MODULE_STATE *pPrev = AfxSetModuleState(&inner);
    EXPECT_EQ(pApp, pPrev);
    EXPECT_EQ(&inner, AfxGetModuleState());
    AfxSetModuleState(pPrev);
    EXPECT_EQ(pApp, AfxGetModuleState());
}

TEST(AfxModuleState, CurrentStateIsPerThread)
{
    AFX_MODULE_STATE other(TRUE, AfxWndProc);
    AFX_MANAGE_STATE(&other);
    AFX_MODULE_STATE *pSeen = NULL;
    std::thread([&] { pSeen = AfxGetModuleState(); }).join();
    EXPECT_EQ(AfxGetAppModuleState(), pSeen);
    EXPECT_EQ(&other, AfxGetModuleState());
}

// A thread's part of a module state ends with AfxTermThread and with the module state itself; what
// the thread asks for next is a new part, never the one freed, even from a module state made again
// at the same address.
TEST(AfxModuleState, ThreadPartIsNewAfterTermThreadAndAfterItsModuleStateEnds)
{
    int marker = 0;
    CWinThread *pFake = reinterpret_cast<CWinThread *>(&marker);
    {
        AFX_MODULE_STATE state(TRUE, AfxWndProc);
        AFX_MANAGE_STATE(&state);
        AfxGetModuleThreadState()->m_pCurrentWinThread = pFake;
        EXPECT_EQ(pFake, AfxGetThread());
        AfxTermThread(NULL);
        EXPECT_EQ(NULL, AfxGetThread());
    }
    alignas(AFX_MODULE_STATE) unsigned char storage[sizeof(AFX_MODULE_STATE)];
    for (int round = 0; round < 2; ++round) {
        AFX_MODULE_STATE *pState = new (storage) AFX_MODULE_STATE(TRUE, AfxWndProc);
        {
            AFX_MANAGE_STATE(pState);
            EXPECT_EQ(NULL, AfxGetThread()) << "round " << round;
            AfxGetModuleThreadState()->m_pCurrentWinThread = pFake;
            EXPECT_EQ(pFake, AfxGetThread());
        }
        pState->~AFX_MODULE_STATE();
    }
}

TEST(AfxModuleState, ApplicationRegistersIntoTheStateCurrentAtConstruction)
{
    AFX_MODULE_STATE state(TRUE, AfxWndProc);
    state.m_hCurrentInstanceHandle = reinterpret_cast<HINSTANCE>(0x10000);
    {
        AFX_MANAGE_STATE(&state);
        CWinApp app(TEXT("Registered"));
        EXPECT_EQ(&app, AfxGetApp());
        EXPECT_EQ(&app, AfxGetThread());
        EXPECT_EQ(CString(TEXT("Registered")), CString(AfxGetAppName()));
        EXPECT_EQ(state.m_hCurrentInstanceHandle, app.m_hInstance);
        EXPECT_EQ(state.m_hCurrentInstanceHandle, AfxGetResourceHandle());   // defaults to the instance
        {
            AFX_MANAGE_STATE(AfxGetAppModuleState());
            EXPECT_NE(&app, AfxGetApp());
        }
        AfxSetResourceHandle(reinterpret_cast<HINSTANCE>(0x20000));
        EXPECT_EQ(reinterpret_cast<HINSTANCE>(0x20000), AfxGetResourceHandle());
        EXPECT_EQ(state.m_hCurrentInstanceHandle, AfxGetInstanceHandle());
    }
    EXPECT_EQ(NULL, state.m_pCurrentWinApp);   // the application went away
    AFX_MANAGE_STATE(&state);
    EXPECT_EQ(NULL, AfxGetThread());
}

TEST(AfxModuleState, ExecutableStateKnowsItsInstance)
{
    AFX_MANAGE_STATE(AfxGetAppModuleState());
    EXPECT_EQ(GetModuleHandleW(NULL), AfxGetInstanceHandle());
    EXPECT_FALSE(AfxGetModuleState()->m_bDLL);
}

TEST(AfxModuleState, ControlContainerFlagBelongsToTheCurrentModule)
{
    AFX_MODULE_STATE state(TRUE, AfxWndProc);
    {
        AFX_MANAGE_STATE(&state);
        AfxEnableControlContainer();
    }
    EXPECT_TRUE(state.m_bControlContainer);
    EXPECT_EQ(NULL, state.m_pOccManager);
    EXPECT_FALSE(AfxGetAppModuleState()->m_bControlContainer);
}

class CShape : public CObject
{
    DECLARE_DYNAMIC(CShape)
};
IMPLEMENT_DYNAMIC(CShape, CObject)

class CCircle : public CShape
{
    DECLARE_DYNCREATE(CCircle)
public:
    int m_nRadius = 3;
};
IMPLEMENT_DYNCREATE(CCircle, CShape)

TEST(AfxObject, RunTimeClassesKnowTheirAncestry)
{
    CCircle circle;
    CShape shape;
    struct Case { const CObject *object; CRuntimeClass *cls; bool kind; };
    const Case cases[] = {
        {&circle, RUNTIME_CLASS(CCircle), true},  {&circle, RUNTIME_CLASS(CShape), true},
        {&circle, RUNTIME_CLASS(CObject), true},  {&shape, RUNTIME_CLASS(CCircle), false},
        {&shape, RUNTIME_CLASS(CShape), true},    {&circle, RUNTIME_CLASS(CWnd), false},
    };
    for (const Case &c : cases) EXPECT_EQ(c.kind, bool(c.object->IsKindOf(c.cls))) << c.cls->m_lpszClassName;
    EXPECT_STREQ("CCircle", circle.GetRuntimeClass()->m_lpszClassName);

    CObject *pMade = RUNTIME_CLASS(CCircle)->CreateObject();
    ASSERT_NE(nullptr, pMade);
    EXPECT_TRUE(pMade->IsKindOf(RUNTIME_CLASS(CCircle)));
    EXPECT_EQ(3, static_cast<CCircle *>(pMade)->m_nRadius);
    delete pMade;
    EXPECT_EQ(nullptr, RUNTIME_CLASS(CShape)->CreateObject());   // not DYNCREATE

    CObject *pWnd = RUNTIME_CLASS(CWnd)->CreateObject();
    ASSERT_NE(nullptr, pWnd);
    EXPECT_TRUE(pWnd->IsKindOf(RUNTIME_CLASS(CCmdTarget)));
    delete pWnd;
}

TEST(AfxException, ThrownAsPointersCaughtAsCException)
{
    struct Case { void (*raise)(); CRuntimeClass *cls; bool autoDeleted; };
    const Case cases[] = {
        {[] { AfxThrowMemoryException(); }, RUNTIME_CLASS(CMemoryException), false},
        {[] { AfxThrowInvalidArgException(); }, RUNTIME_CLASS(CInvalidArgException), false},
        {[] { AfxThrowNotSupportedException(); }, RUNTIME_CLASS(CNotSupportedException), false},
        {[] { AfxThrowFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED, TEXT("C:\\x.log")); },
         RUNTIME_CLASS(CFileException), true},
    };
    for (const Case &c : cases) {
        CException *pCaught = NULL;
        try {
            c.raise();
        } catch (CException *e) {
            pCaught = e;
        }
        ASSERT_NE(nullptr, pCaught) << c.cls->m_lpszClassName;
        EXPECT_TRUE(pCaught->IsKindOf(c.cls));
        WCHAR sz[128];
        EXPECT_TRUE(pCaught->GetErrorMessage(sz, 128));
        EXPECT_NE(0, sz[0]);
        pCaught->Delete();   // shared instances survive Delete; thrown ones are freed (ASan checks)
    }
}

TEST(AfxException, FileExceptionCarriesCauseErrorAndName)
{
    try {
        CFileException::ThrowOsError(ERROR_SHARING_VIOLATION, TEXT("C:\\data\\Wait.gif"));
        FAIL() << "nothing thrown";
    } catch (CFileException *e) {
        EXPECT_EQ(CFileException::sharingViolation, e->m_cause);
        EXPECT_EQ(LONG(ERROR_SHARING_VIOLATION), e->m_lOsError);
        EXPECT_EQ(CString(TEXT("C:\\data\\Wait.gif")), e->m_strFileName);
        WCHAR sz[16];
        UINT nHelp = 99;
        EXPECT_TRUE(e->GetErrorMessage(sz, 16, &nHelp));   // truncated, terminated
        EXPECT_EQ(15, lstrlenW(sz));
        EXPECT_EQ(0u, nHelp);
        e->Delete();
    }
    CFileException::ThrowOsError(0);   // no error, nothing thrown

    struct Case { LONG os; int cause; };
    const Case cases[] = {
        {ERROR_FILE_NOT_FOUND, CFileException::fileNotFound}, {ERROR_PATH_NOT_FOUND, CFileException::badPath},
        {ERROR_ACCESS_DENIED, CFileException::accessDenied},  {ERROR_DISK_FULL, CFileException::diskFull},
        {ERROR_HANDLE_EOF, CFileException::endOfFile},        {12345, CFileException::genericException},
    };
    for (const Case &c : cases) EXPECT_EQ(c.cause, CFileException::OsErrorToException(c.os)) << c.os;
}

} // namespace
