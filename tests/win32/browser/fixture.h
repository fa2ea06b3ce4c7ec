// The fixture of the web-browser control's tests: a parent window, the control embedded in place
// by a Host, its event sink advised, and a loopback server to navigate to.
#pragma once

#include "host.h"

#include <gtest/gtest.h>

inline LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class Browser : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CoInitialize(NULL);
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ParentProc;
        wc.lpszClassName = u"BrowserTestParent";
        wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        RegisterClassW(&wc);
        host.parent = CreateWindowExW(0, u"BrowserTestParent", u"browser test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                      400, 300, NULL, NULL, NULL, NULL);
        ASSERT_TRUE(host.parent);
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WebBrowser, NULL, CLSCTX_INPROC_SERVER, IID_IWebBrowser2,
                                         reinterpret_cast<void **>(&browser)));
        host.browser = browser;
        ASSERT_EQ(S_OK, browser->QueryInterface(IID_IOleObject, reinterpret_cast<void **>(&ole)));
        ASSERT_EQ(S_OK, ole->SetClientSite(&host));
        ASSERT_EQ(S_OK, ole->DoVerb(OLEIVERB_INPLACEACTIVATE, NULL, &host, 0, host.parent, &host.pos));
        IOleInPlaceObject *inplace = NULL;
        ASSERT_EQ(S_OK, browser->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void **>(&inplace)));
        inplace->GetWindow(&view);
        inplace->Release();
        ASSERT_TRUE(IsWindow(view));
        IConnectionPointContainer *cpc = NULL;
        ASSERT_EQ(S_OK, browser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void **>(&cpc)));
        ASSERT_EQ(S_OK, cpc->FindConnectionPoint(DIID_DWebBrowserEvents2, &point));
        cpc->Release();
        ASSERT_EQ(S_OK, point->Advise(static_cast<IDispatch *>(&host), &cookie));
    }

    void TearDown() override
    {
        if (point) {
            point->Unadvise(cookie);
            point->Release();
        }
        if (ole) {
            ole->Close(OLECLOSE_NOSAVE);
            ole->Release();
        }
        if (browser) {
            EXPECT_EQ(0u, browser->Release()) << "the control kept a reference to itself";
        }
        server.Stop();
        if (host.parent)
            DestroyWindow(host.parent);
        EXPECT_EQ(1u, host.refs) << "the control kept a reference to its host";
        CoUninitialize();
    }

    // Navigate as the HTML control does: flags, no target, optional POST bytes, header text.
    HRESULT Go(const std::u16string &url, const std::string *post = NULL, const char16_t *headers = u"",
               LONG flags = 0)
    {
        BSTR address = SysAllocStringLen(url.data(), UINT(url.size()));
        VARIANT vflags, target, data, vheaders;
        VariantInit(&data);
        V_VT(&vflags) = VT_I4;
        V_I4(&vflags) = flags;
        V_VT(&target) = VT_BSTR;
        V_BSTR(&target) = NULL;
        if (post) {
            SAFEARRAY *sa = SafeArrayCreateVector(VT_UI1, 0, ULONG(post->size()));
            void *bytes;
            SafeArrayAccessData(sa, &bytes);
            memcpy(bytes, post->data(), post->size());
            SafeArrayUnaccessData(sa);
            V_VT(&data) = VT_ARRAY | VT_UI1;
            V_ARRAY(&data) = sa;
        }
        V_VT(&vheaders) = VT_BSTR;
        V_BSTR(&vheaders) = SysAllocString(headers);
        HRESULT hr = browser->Navigate(address, &vflags, &target, &data, &vheaders);
        SysFreeString(address);
        VariantClear(&data);
        VariantClear(&vheaders);
        return hr;
    }

    bool Finished(const std::u16string &url)
    {
        return PumpUntil([&] { return host.Has(DISPID_DOCUMENTCOMPLETE, url); });
    }

    Host host;
    Server server;
    IWebBrowser2 *browser = NULL;
    IOleObject *ole = NULL;
    IConnectionPoint *point = NULL;
    DWORD cookie = 0;
    HWND view = NULL;
};
