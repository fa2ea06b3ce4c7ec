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

TEST(EventSink, AConvertedStringArgumentIsOwnedForTheCallOnly)
{
    SinkView view;
    VARIANT_BOOL flag = VARIANT_FALSE;
    VARIANTARG a[2];
    V_VT(&a[1]) = VT_I4;   // a number where a string is described: converted, then freed
    V_I4(&a[1]) = -42;
    V_VT(&a[0]) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&a[0]) = &flag;
    HRESULT hr = E_FAIL;
    EXPECT_TRUE(view.Fire(5, 200, a, 2, &hr));
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(u"-42", view.text);
    EXPECT_EQ(VT_I4, V_VT(&a[1]));   // the caller's argument is left as it was
}

// What a reflector reads from the VARIANT* parameters of an event, however they are wrapped.
TEST(EventSink, VariantParametersAreReadThroughReferences)
{
    BSTR where = SysAllocString(u"http://x/");
    VARIANT text, textRef, outer, outer2, nullRef, status, unsignedStatus, errorStatus, shortStatus, numericText;
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = where;
    V_VT(&textRef) = VT_BSTR | VT_BYREF;
    V_BSTRREF(&textRef) = &where;
    V_VT(&outer) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&outer) = &text;
    V_VT(&outer2) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&outer2) = &outer;
    V_VT(&nullRef) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&nullRef) = NULL;
    V_VT(&status) = VT_I4;
    V_I4(&status) = LONG(0x800C0005);
    V_VT(&unsignedStatus) = VT_UI4;   // above LONG_MAX: converting to VT_I4 would overflow
    V_UI4(&unsignedStatus) = 0x800C0005u;
    V_VT(&errorStatus) = VT_ERROR;
    V_ERROR(&errorStatus) = SCODE(0x800C0007);
    V_VT(&shortStatus) = VT_I2;
    V_I2(&shortStatus) = 404;
    CComVariant numberText(u"500");
    numericText = numberText;

    struct Case {
        const char *what;
        const VARIANT *v;
        const char16_t *text;
        DWORD number;
    } cases[] = {
        {"string", &text, u"http://x/", 0},
        {"string by reference", &textRef, u"http://x/", 0},
        {"two references deep", &outer2, u"http://x/", 0},
        {"null reference", &nullRef, u"", 0},
        {"null", NULL, u"", 0},
        {"signed status", &status, u"", 0x800C0005u},
        {"unsigned status", &unsignedStatus, u"", 0x800C0005u},
        {"error status", &errorStatus, u"", 0x800C0007u},
        {"short status", &shortStatus, u"", 404},
        {"number as text", &numericText, u"500", 500},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(std::u16string(c.text), std::u16string(AfxVariantText(c.v).GetString()));
        EXPECT_EQ(c.number, AfxVariantDword(c.v));
    }
    SysFreeString(where);
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
