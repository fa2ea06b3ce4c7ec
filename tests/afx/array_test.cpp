// CArray and the pointer arrays: growth keeps every element, insertion and removal shift the right
// ones, bad indexes raise, and element lifetimes balance.
#include <afxtempl.h>
#include <afxcoll.h>
#include <gtest/gtest.h>

namespace {

template <class F> bool RaisesInvalidArg(F f)
{
    try {
        f();
    } catch (CInvalidArgException *e) {
        e->Delete();
        return true;
    }
    return false;
}

// Counts live instances, so a leak or a double destruction shows.
struct Tracked {
    static int live;
    int value;
    Tracked(int v = -1) : value(v) { ++live; }
    Tracked(const Tracked &o) : value(o.value) { ++live; }
    Tracked &operator=(const Tracked &) = default;
    ~Tracked() { --live; }
};
int Tracked::live = 0;

class CItem : public CObject
{
    DECLARE_DYNAMIC(CItem)
public:
    explicit CItem(int n) : m_n(n) {}
    int m_n;
};
IMPLEMENT_DYNAMIC(CItem, CObject)

}  // namespace

TEST(AfxArray, GrowthKeepsEveryElement)
{
    CArray<CString, LPCTSTR> names;
    for (int i = 0; i < 2000; ++i) {
        CString s;
        s.Format(TEXT("item %d"), i);
        EXPECT_EQ(i, names.Add(s));
    }
    ASSERT_EQ(2000, names.GetCount());
    for (int i = 0; i < 2000; i += 97) {
        CString s;
        s.Format(TEXT("item %d"), i);
        EXPECT_TRUE(names[i] == s) << i;
    }
    names.SetAtGrow(2005, TEXT("far"));
    EXPECT_EQ(2006, names.GetSize());
    EXPECT_TRUE(names[2003].IsEmpty());
    EXPECT_TRUE(names.GetAt(2005) == TEXT("far"));

    // Adding an element of the array itself while it grows must copy it before moving storage.
    CArray<CString, const CString &> self;
    self.Add(CString(TEXT("seed")));
    for (int i = 0; i < 40; ++i) self.Add(self[0]);
    EXPECT_TRUE(self[40] == TEXT("seed"));
}

TEST(AfxArray, InsertAndRemoveShiftTheRightElements)
{
    CArray<int, int> a;
    for (int i = 0; i < 5; ++i) a.Add(i);   // 0 1 2 3 4
    a.InsertAt(2, 9, 2);                   // 0 1 9 9 2 3 4
    a.RemoveAt(0);                         // 1 9 9 2 3 4
    a.InsertAt(8, 7);                      // 1 9 9 2 3 4 0 0 7
    a.RemoveAt(3, 2);                      // 1 9 9 4 0 0 7
    const int expected[] = {1, 9, 9, 4, 0, 0, 7};
    ASSERT_EQ(7, a.GetSize());
    for (int i = 0; i < 7; ++i) EXPECT_EQ(expected[i], a.GetData()[i]) << i;

    EXPECT_TRUE(RaisesInvalidArg([&] { a.GetAt(7); }));
    EXPECT_TRUE(RaisesInvalidArg([&] { a[-1]; }));
    EXPECT_TRUE(RaisesInvalidArg([&] { a.RemoveAt(6, 2); }));
    EXPECT_TRUE(RaisesInvalidArg([&] { a.SetSize(-1); }));
    EXPECT_EQ(7, a.GetSize());
}

TEST(AfxArray, ElementLifetimesBalance)
{
    ASSERT_EQ(0, Tracked::live);
    {
        CArray<Tracked> a;
        a.SetSize(10, 3);
        EXPECT_EQ(10, Tracked::live);
        a.Add(Tracked(5));
        a.InsertAt(0, Tracked(1), 4);
        EXPECT_EQ(15, Tracked::live);
        a.RemoveAt(2, 6);
        EXPECT_EQ(9, Tracked::live);
        EXPECT_EQ(1, a[1].value);
        EXPECT_EQ(5, a[8].value);
        a.SetSize(3);
        EXPECT_EQ(3, Tracked::live);
        a.FreeExtra();
        EXPECT_EQ(3, Tracked::live);
    }
    EXPECT_EQ(0, Tracked::live);
}

TEST(AfxArray, TypedPointerArraysHandOutTheirType)
{
    CTypedPtrArray<CObArray, CItem *> items;
    CItem a(1), b(2), c(3);
    items.Add(&a);
    items.Add(&c);
    items.InsertAt(1, &b);
    ASSERT_EQ(3, items.GetSize());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(i + 1, items[i]->m_n);
    items[0] = &c;
    EXPECT_EQ(&c, items.GetAt(0));
    EXPECT_TRUE(items.IsKindOf(RUNTIME_CLASS(CObArray)));
    EXPECT_TRUE(items.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(items.IsKindOf(RUNTIME_CLASS(CPtrArray)));

    CTypedPtrArray<CPtrArray, int *> ptrs;
    int x = 4;
    ptrs.SetAtGrow(3, &x);
    EXPECT_EQ(nullptr, ptrs[0]);
    EXPECT_EQ(&x, ptrs[3]);
    ptrs.RemoveAll();
    EXPECT_EQ(0, ptrs.GetSize());
}
