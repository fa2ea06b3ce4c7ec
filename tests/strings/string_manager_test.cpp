// Strings keep every block with the manager that made it: a string made on a manager of the
// caller's grows, forks, copies and frees through that manager's operations, and the empty string
// is the manager's shared block.
#include <afx.h>

#include <gtest/gtest.h>

#include <stdlib.h>

namespace {

// Counts each operation and keeps blocks on the C heap; refuses new blocks while bRefuse is set.
class CountingMgr : public IAtlStringMgr
{
public:
    CStringData *Allocate(int nAllocLength, int nCharSize) noexcept override
    {
        if (bRefuse) return NULL;
        ++nAllocate;
        CStringData *p = static_cast<CStringData *>(malloc(sizeof(CStringData) + size_t(nAllocLength + 1) * nCharSize));
        p->pStringMgr = this;
        p->nDataLength = 0;
        p->nAllocLength = nAllocLength;
        p->nRefs = 1;
        ++nLive;
        return p;
    }
    void Free(CStringData *pData) noexcept override
    {
        ++nFree;
        --nLive;
        free(pData);
    }
    CStringData *Reallocate(CStringData *pData, int nAllocLength, int nCharSize) noexcept override
    {
        ++nReallocate;
        CStringData *p = static_cast<CStringData *>(realloc(pData, sizeof(CStringData) + size_t(nAllocLength + 1) * nCharSize));
        p->nAllocLength = nAllocLength;
        return p;
    }
    CStringData *GetNilString() noexcept override
    {
        ++nNil;
        m_nil.header.AddRef();
        return &m_nil.header;
    }
    IAtlStringMgr *Clone() noexcept override
    {
        ++nClone;
        return this;
    }

    int nAllocate = 0, nFree = 0, nReallocate = 0, nNil = 0, nClone = 0, nLive = 0;
    bool bRefuse = false;
    struct
    {
        CStringData header;
        WCHAR ch[2];
    } m_nil = {{this, 0, 0, 2}, {0, 0}};
};

TEST(StringManager, EveryBlockIsMadeGrownAndFreedByItsOwnManager)
{
    CountingMgr mgr;
    {
        CStringW s(&mgr);
        EXPECT_EQ(&mgr.m_nil.header, s.GetData()) << "an empty string holds the manager's shared block";
        s = TEXT("abc");
        EXPECT_EQ(1, mgr.nAllocate);
        EXPECT_EQ(&mgr, s.GetData()->pStringMgr);
        for (int i = 0; i < 200; ++i)
            s += TEXT("0123456789");
        EXPECT_GT(mgr.nReallocate, 0) << "a string of its own grows in place";
        EXPECT_EQ(1, mgr.nAllocate);
        EXPECT_EQ(2003, s.GetLength());

        CStringW copy(s);
        EXPECT_EQ(s.GetString(), copy.GetString()) << "copies share while the manager clones to itself";
        EXPECT_EQ(2, s.GetData()->nRefs);
        copy.SetAt(0, 'X');
        EXPECT_EQ(2, mgr.nAllocate) << "a write to a shared block forks on the manager's clone";
        EXPECT_EQ('a', s[0]);
        EXPECT_EQ(1, s.GetData()->nRefs);

        copy.Replace(TEXT("0123"), TEXT("-"));
        copy.Insert(1, TEXT("++"));
        copy.Trim(TEXT("X"));
        EXPECT_EQ(&mgr, copy.GetData()->pStringMgr) << "edits keep the string's manager";
        int nFreed = mgr.nFree;
        copy.Empty();
        EXPECT_EQ(nFreed + 1, mgr.nFree);
        EXPECT_EQ(&mgr.m_nil.header, copy.GetData());
    }
    EXPECT_EQ(0, mgr.nLive) << "every block went back to its manager";
    EXPECT_EQ(2, mgr.m_nil.header.nRefs) << "references to the empty block balance";
}

TEST(StringManager, ACopyOfALockedStringTakesItsOwnBlockOrIsEmptyWithoutMemory)
{
    CountingMgr mgr;
    {
        CStringW s(&mgr);
        s = TEXT("locked");
        LPWSTR p = s.GetBuffer();
        mgr.bRefuse = true;
        CStringW starved(s);   // never throws
        EXPECT_TRUE(starved.IsEmpty());
        EXPECT_EQ(&mgr.m_nil.header, starved.GetData()) << "empty on the locked string's manager";
        mgr.bRefuse = false;
        CStringW copy(s);
        EXPECT_NE(p, copy.GetString());
        EXPECT_EQ(CStringW(TEXT("locked")), copy);
        EXPECT_EQ(&mgr, copy.GetData()->pStringMgr);
        s.ReleaseBuffer();
    }
    EXPECT_EQ(0, mgr.nLive) << "every block went back to its manager";
    EXPECT_EQ(2, mgr.m_nil.header.nRefs) << "references to the empty block balance";
}

TEST(StringManager, TheLibrarysEmptyStringIsItsManagersSharedBlock)
{
    IAtlStringMgr *pMgr = AfxGetStringManager();
    CStringW a, b;
    CStringA n;
    EXPECT_EQ(a.GetData(), b.GetData());
    EXPECT_EQ(pMgr, a.GetData()->pStringMgr);
    EXPECT_EQ(pMgr, pMgr->Clone());
    EXPECT_EQ(0, a.GetData()->nDataLength);
    EXPECT_EQ(0, a.GetString()[0]);
    EXPECT_EQ(0, n.GetString()[0]);
    EXPECT_GT(a.GetData()->nRefs, 1) << "shared: never written in place";

    // A block the manager hands out is at least as long as asked, with one reference; one it grows
    // keeps length and references.
    CStringData *p = pMgr->Allocate(10, sizeof(WCHAR));
    ASSERT_TRUE(p);
    EXPECT_EQ(pMgr, p->pStringMgr);
    EXPECT_EQ(0, p->nDataLength);
    EXPECT_GE(p->nAllocLength, 10);
    EXPECT_EQ(1, p->nRefs);
    p->nDataLength = 7;
    p = pMgr->Reallocate(p, 5000, sizeof(WCHAR));
    ASSERT_TRUE(p);
    EXPECT_EQ(7, p->nDataLength);
    EXPECT_EQ(1, p->nRefs);
    EXPECT_GE(p->nAllocLength, 5000);
    pMgr->Free(p);
    EXPECT_EQ(nullptr, pMgr->Allocate(-1, 2));
    EXPECT_EQ(nullptr, pMgr->Allocate(0x7FFFFFF0, 2)) << "a size that cannot be represented";
}

} // namespace
