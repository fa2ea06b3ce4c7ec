// Attaching and detaching the handle wrappers (CWnd, CDC): permanent and temporary objects, and
// what a detached temporary object still is until idle time.
#include <afxwin.h>
#include <gtest/gtest.h>

namespace {

// One row a wrapper kind: its temporary object for a handle, and its Detach/Attach.
struct WrapperKind
{
    const char *name;
    bool window;   // wraps the fixture's window, else its device context
    CObject *(*fromHandle)(void *h);
    void *(*handleOf)(CObject *p);
    void *(*detach)(CObject *p);
    BOOL (*attach)(CObject *p, void *h);
    CObject *(*make)();
};

const WrapperKind kinds[] = {
    {"CWnd", true, [](void *h) -> CObject * { return CWnd::FromHandle(static_cast<HWND>(h)); },
     [](CObject *p) -> void * { return static_cast<CWnd *>(p)->m_hWnd; },
     [](CObject *p) -> void * { return static_cast<CWnd *>(p)->Detach(); },
     [](CObject *p, void *h) { return static_cast<CWnd *>(p)->Attach(static_cast<HWND>(h)); },
     []() -> CObject * { return new CWnd; }},
    {"CDC", false, [](void *h) -> CObject * { return CDC::FromHandle(static_cast<HDC>(h)); },
     [](CObject *p) -> void * { return static_cast<CDC *>(p)->m_hDC; },
     [](CObject *p) -> void * { return static_cast<CDC *>(p)->Detach(); },
     [](CObject *p, void *h) { return static_cast<CDC *>(p)->Attach(static_cast<HDC>(h)); },
     []() -> CObject * { return new CDC; }},
};

class WrapperHandles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_hWnd = CreateWindowExW(0, AfxGetDefaultWndClass(), NULL, WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL,
                                 AfxGetInstanceHandle(), NULL);
        ASSERT_NE(nullptr, m_hWnd);
        m_thread.OnIdle(1);   // no temporaries left from earlier tests
    }
    void TearDown() override
    {
        m_thread.OnIdle(1);
        if (m_hWnd) DestroyWindow(m_hWnd);
    }
    void *HandleFor(const WrapperKind &kind) const
    {
        return kind.window ? static_cast<void *>(m_hWnd) : static_cast<void *>(m_hDC);
    }

    HWND m_hWnd = NULL;
    int m_dcStandIn = 0;
    // The maps never draw: any distinct value stands for a device context.
    HDC m_hDC = reinterpret_cast<HDC>(&m_dcStandIn);
    CWinThread m_thread;
};

TEST_F(WrapperHandles, DetachedTemporaryObjectStaysValidAndTheNextLookupIsFresh)
{
    AFX_MODULE_STATE *pState = AfxGetModuleState();
    for (const WrapperKind &kind : kinds) {
        SCOPED_TRACE(kind.name);
        void *h = HandleFor(kind);
        LONG before = pState->m_nTempObjects;
        CObject *pTemp = kind.fromHandle(h);
        ASSERT_NE(nullptr, pTemp);

        EXPECT_EQ(h, kind.detach(pTemp));
        EXPECT_EQ(nullptr, kind.handleOf(pTemp));   // still an object until idle, without its handle
        CObject *pFresh = kind.fromHandle(h);
        ASSERT_NE(nullptr, pFresh);
        EXPECT_NE(pTemp, pFresh);
        EXPECT_EQ(h, kind.handleOf(pFresh));
        EXPECT_EQ(before + 2, pState->m_nTempObjects);

        EXPECT_FALSE(m_thread.OnIdle(1));   // both go at idle, the detached one too
        EXPECT_EQ(before, pState->m_nTempObjects);
    }
}

TEST_F(WrapperHandles, OnlyTheAttachedObjectRemovesItsEntry)
{
    for (const WrapperKind &kind : kinds) {
        SCOPED_TRACE(kind.name);
        void *h = HandleFor(kind);
        CObject *pOwner = kind.make();
        CObject *pOther = kind.make();
        ASSERT_TRUE(kind.attach(pOwner, h));
        EXPECT_FALSE(kind.attach(pOther, h));   // one permanent object per handle
        EXPECT_FALSE(kind.attach(pOwner, h));   // already holds a handle
        EXPECT_FALSE(kind.attach(pOther, NULL));
        EXPECT_EQ(pOwner, kind.fromHandle(h));

        EXPECT_EQ(h, kind.detach(pOwner));
        EXPECT_EQ(nullptr, kind.handleOf(pOwner));
        EXPECT_EQ(nullptr, kind.detach(pOwner));   // twice: nothing left to give
        CObject *pTemp = kind.fromHandle(h);
        EXPECT_NE(pOwner, pTemp);                  // the entry went with the owner
        EXPECT_TRUE(kind.attach(pOther, h));       // and the handle is free to attach again
        EXPECT_EQ(pOther, kind.fromHandle(h));
        EXPECT_EQ(h, kind.detach(pOther));
        delete pOwner;
        delete pOther;
        m_thread.OnIdle(1);
    }
}

}  // namespace
