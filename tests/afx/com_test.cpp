// CComPtr, CComBSTR and CComVariant: every reference and string they take is given back once.
#include <afxcom.h>
#include <gtest/gtest.h>

namespace {

// An object that counts its references and answers only IUnknown.
class CCounted : public IUnknown
{
public:
    ULONG m_nRefs = 1;   // the test's own reference
    STDMETHOD(QueryInterface)(REFIID riid, void **ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = NULL;
        if (!IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++m_nRefs; }
    STDMETHOD_(ULONG, Release)() override { return --m_nRefs; }
};

TEST(AfxComPtr, ReferencesAreBalancedOnEveryPath)
{
    CCounted a, b;
    {
        CComPtr<IUnknown> p(&a);
        EXPECT_EQ(2u, a.m_nRefs);
        CComPtr<IUnknown> copy = p;
        EXPECT_EQ(3u, a.m_nRefs);
        CComPtr<IUnknown> moved = static_cast<CComPtr<IUnknown> &&>(copy);
        EXPECT_EQ(3u, a.m_nRefs);
        EXPECT_EQ(nullptr, copy.p);

        moved = &b;   // the old one released, the new one held
        EXPECT_EQ(2u, a.m_nRefs);
        EXPECT_EQ(2u, b.m_nRefs);
        moved = moved;   // self-assignment keeps exactly one reference
        EXPECT_EQ(2u, b.m_nRefs);

        IUnknown **pp = &moved;   // an out-parameter: what was held is released first
        EXPECT_EQ(1u, b.m_nRefs);
        EXPECT_EQ(nullptr, *pp);

        IUnknown *pRaw = p.Detach();   // handed over without a release
        EXPECT_EQ(2u, a.m_nRefs);
        p.Attach(pRaw);               // taken back without an AddRef
        EXPECT_EQ(2u, a.m_nRefs);

        IUnknown *pCopied = NULL;
        EXPECT_EQ(S_OK, p.CopyTo(&pCopied));
        EXPECT_EQ(3u, a.m_nRefs);
        pCopied->Release();

        CComPtr<IUnknown> queried;
        EXPECT_EQ(S_OK, p.QueryInterface(&queried));
        EXPECT_EQ(3u, a.m_nRefs);
        void *pDispatch = reinterpret_cast<void *>(1);
        EXPECT_EQ(E_NOINTERFACE, p.QueryInterface(IID_IDispatch, &pDispatch));
        EXPECT_EQ(nullptr, pDispatch);
        EXPECT_TRUE(p.IsEqualObject(queried));
    }
    EXPECT_EQ(1u, a.m_nRefs);
    EXPECT_EQ(1u, b.m_nRefs);
}

TEST(AfxComPtr, FailedCreationLeavesNothingHeld)
{
    CCounted a;
    CComPtr<IUnknown> p(&a);
    EXPECT_TRUE(FAILED(p.CoCreateInstance(TEXT("No.Such.ProgId"))));
    EXPECT_EQ(nullptr, p.p);
    EXPECT_EQ(1u, a.m_nRefs);
}

TEST(AfxComBSTR, LengthsCopiesAndAppends)
{
    CComBSTR empty;
    EXPECT_EQ(0u, empty.Length());
    EXPECT_TRUE(empty == TEXT(""));

    const OLECHAR withZero[] = {'a', 0, 'b'};
    CComBSTR s(3, withZero);
    EXPECT_EQ(3u, s.Length());
    EXPECT_EQ(6u, s.ByteLength());

    CComBSTR copy = s;
    EXPECT_NE(static_cast<BSTR>(copy), static_cast<BSTR>(s));   // deep copy
    EXPECT_TRUE(copy == s);
    copy.Append(copy);   // its own text, freed only after it is copied
    EXPECT_EQ(6u, copy.Length());
    EXPECT_EQ('b', copy.m_str[5]);

    CComBSTR narrow("text");
    EXPECT_TRUE(narrow == TEXT("text"));
    narrow += TEXT("!");
    EXPECT_TRUE(narrow == TEXT("text!"));

    BSTR *pOut = &narrow;   // an out-parameter: the previous string is freed (ASan checks)
    EXPECT_EQ(nullptr, *pOut);
    *pOut = SysAllocString(TEXT("filled"));
    EXPECT_EQ(6u, narrow.Length());
    BSTR taken = narrow.Detach();
    EXPECT_EQ(nullptr, narrow.m_str);
    SysFreeString(taken);
}

TEST(AfxComVariant, ValuesAreCopiedAndClearedWithTheirReferences)
{
    CCounted a;
    {
        CComVariant v(static_cast<IUnknown *>(&a));
        EXPECT_EQ(VT_UNKNOWN, v.vt);
        EXPECT_EQ(2u, a.m_nRefs);
        CComVariant copy(v);
        EXPECT_EQ(3u, a.m_nRefs);
        EXPECT_TRUE(copy == v);
        copy = TEXT("now a string");   // the interface released
        EXPECT_EQ(2u, a.m_nRefs);
        EXPECT_EQ(VT_BSTR, copy.vt);

        VARIANT raw;
        VariantInit(&raw);
        EXPECT_EQ(S_OK, v.Detach(&raw));   // handed over: this one is empty
        EXPECT_EQ(VT_EMPTY, v.vt);
        EXPECT_EQ(2u, a.m_nRefs);
        EXPECT_EQ(S_OK, v.Attach(&raw));
        EXPECT_EQ(VT_EMPTY, raw.vt);
    }
    EXPECT_EQ(1u, a.m_nRefs);

    CComVariant n(42);
    EXPECT_EQ(VT_I4, n.vt);
    ASSERT_EQ(S_OK, n.ChangeType(VT_BSTR));
    EXPECT_EQ(VT_BSTR, n.vt);
    EXPECT_EQ(0, lstrcmpW(TEXT("42"), n.bstrVal));
    CComVariant b(true);
    EXPECT_EQ(VARIANT_TRUE, b.boolVal);
    EXPECT_FALSE(b == CComVariant(false));
}

} // namespace
