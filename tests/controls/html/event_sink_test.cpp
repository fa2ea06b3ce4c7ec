// Event-sink dispatch: arguments converted as the VTS_ description says before the handler runs,
// and refusals for a wrong count or an argument of the wrong kind.
#include <afxcom.h>
#include <afxhtml.h>

#include <gtest/gtest.h>

namespace {

class SinkView : public CView
{
public:
    long progress = 0, maximum = 0;
    int calls = 0;
    VARIANT_BOOL *cancel = nullptr;
    std::u16string text;

    void OnProgress(long p, long m) { ++calls; progress = p; maximum = m; }
    void OnCancelable(LPCOLESTR t, VARIANT_BOOL *c) { ++calls; text = t ? t : u""; cancel = c; }
    BOOL OnChild(long p) { ++calls; progress = p; return FALSE; }

    BOOL Fire(UINT nID, DISPID dispid, VARIANTARG *args, UINT n, HRESULT *phr)
    {
        DISPPARAMS params = {args, NULL, n, 0};
        AFX_EVENT event(AFX_EVENT::event, dispid, &params);
        BOOL found = OnCmdMsg(nID, CN_EVENT, &event, NULL);
        *phr = event.m_hResult;
        return found;
    }

    DECLARE_EVENTSINK_MAP()
};

class DerivedSinkView : public SinkView
{
public:
    int derivedCalls = 0;
    void OnProgressHere(long, long) { ++derivedCalls; }
    DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(SinkView, CView)
    ON_EVENT(SinkView, 5, 108, OnProgress, VTS_I4 VTS_I4)
    ON_EVENT(SinkView, 5, 200, OnCancelable, VTS_BSTR VTS_PBOOL)
    ON_EVENT(SinkView, 6, 108, OnChild, VTS_I4)
END_EVENTSINK_MAP()

BEGIN_EVENTSINK_MAP(DerivedSinkView, SinkView)
    ON_EVENT(DerivedSinkView, 5, 108, OnProgressHere, VTS_I4 VTS_I4)
END_EVENTSINK_MAP()

TEST(EventSink, ArgumentsArriveConvertedInDeclarationOrder)
{
    SinkView view;
    VARIANTARG a[2];
    V_VT(&a[1]) = VT_I2;   // last argument first: a[1] is the first parameter
    V_I2(&a[1]) = -1;
    V_VT(&a[0]) = VT_BSTR;
    V_BSTR(&a[0]) = SysAllocString(u"250");
    HRESULT hr = E_FAIL;
    EXPECT_TRUE(view.Fire(5, 108, a, 2, &hr));
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(-1, view.progress);
    EXPECT_EQ(250, view.maximum);
    SysFreeString(V_BSTR(&a[0]));

    VARIANT_BOOL flag = VARIANT_FALSE;
    CComVariant inner(u"where");
    V_VT(&a[1]) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&a[1]) = &inner;
    V_VT(&a[0]) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&a[0]) = &flag;
    EXPECT_TRUE(view.Fire(5, 200, a, 2, &hr));
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(u"where", view.text);
    EXPECT_EQ(&flag, view.cancel);
}

TEST(EventSink, WrongCountsAndKindsAreRefusedWithoutACall)
{
    SinkView view;
    VARIANTARG a[2];
    V_VT(&a[0]) = VT_I4;
    V_I4(&a[0]) = 1;
    V_VT(&a[1]) = VT_I4;
    V_I4(&a[1]) = 2;
    HRESULT hr = S_OK;
    EXPECT_TRUE(view.Fire(5, 108, a, 1, &hr));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, hr);
    V_VT(&a[0]) = VT_I4;   // a plain value where a VARIANT_BOOL* is described
    EXPECT_TRUE(view.Fire(5, 200, a, 2, &hr));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, hr);
    EXPECT_EQ(0, view.calls);

    // Unmapped control or event: not found, nothing called.
    EXPECT_FALSE(view.Fire(7, 108, a, 2, &hr));
    EXPECT_FALSE(view.Fire(5, 999, a, 2, &hr));
    EXPECT_EQ(0, view.calls);
}

TEST(EventSink, TheMostDerivedEntryWinsAndBaseEntriesStayReachable)
{
    DerivedSinkView view;
    VARIANTARG a[2];
    V_VT(&a[0]) = V_VT(&a[1]) = VT_I4;
    V_I4(&a[0]) = V_I4(&a[1]) = 3;
    HRESULT hr = E_FAIL;
    EXPECT_TRUE(view.Fire(5, 108, a, 2, &hr));
    EXPECT_EQ(1, view.derivedCalls);
    EXPECT_EQ(0, view.calls);
    EXPECT_TRUE(view.Fire(6, 108, a, 1, &hr));
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(1, view.calls);
    EXPECT_EQ(3, view.progress);
}

}  // namespace
