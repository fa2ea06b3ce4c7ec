// The layer's in-process servers are modules of their own, mapped the first time one of their classes
// is created, so a program that only loads the API does not map libxml2, libcurl and what they need.
// Each test case runs in a process of its own, so nothing is mapped before the case starts.
#include <windows.h>
#include <ole2.h>
#include <msxml.h>
#include <exdisp.h>

#include <gtest/gtest.h>

#include <link.h>

#include <string>

namespace {

// Whether an object whose file name ends with the given name is mapped in this process.
bool Mapped(const std::string &file)
{
    struct search {
        const std::string &file;
        bool found;
    } state{file, false};
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *data) {
            auto *s = static_cast<search *>(data);
            std::string name = info->dlpi_name ? info->dlpi_name : "";
            size_t slash = name.rfind('/');
            if (name.compare(slash == std::string::npos ? 0 : slash + 1, std::string::npos, s->file) == 0)
                s->found = true;
            return 0;
        },
        &state);
    return state.found;
}

TEST(ServerModules, EachIsMappedWhenItsClassIsFirstCreated)
{
    ASSERT_FALSE(Mapped("libwin32_xmldom.so"));
    ASSERT_FALSE(Mapped("libwin32_browser.so"));
    ASSERT_FALSE(Mapped("libxml2.so.2"));
    ASSERT_FALSE(Mapped("libcurl.so.4"));
    ASSERT_EQ(S_OK, CoInitialize(NULL));

    // A ProgID names its class without loading the server, as the registry does.
    CLSID clsid = GUID_NULL;
    EXPECT_EQ(S_OK, CLSIDFromProgID(u"shell.explorer.2", &clsid));
    EXPECT_TRUE(IsEqualGUID(CLSID_WebBrowser, clsid));
    EXPECT_EQ(S_OK, CLSIDFromProgID(u"Microsoft.XMLDOM", &clsid));
    EXPECT_TRUE(IsEqualGUID(CLSID_DOMDocument, clsid));
    EXPECT_FALSE(Mapped("libwin32_xmldom.so"));
    EXPECT_FALSE(Mapped("libwin32_browser.so"));

    IXMLDOMDocument *document = NULL;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_DOMDocument, NULL, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                     reinterpret_cast<void **>(&document)));
    VARIANT_BOOL loaded = VARIANT_FALSE;
    EXPECT_EQ(S_OK, document->loadXML(const_cast<BSTR>(u"<a>b</a>"), &loaded));
    EXPECT_EQ(VARIANT_TRUE, loaded);
    EXPECT_TRUE(Mapped("libwin32_xmldom.so"));
    EXPECT_FALSE(Mapped("libwin32_browser.so"));
    EXPECT_FALSE(Mapped("libcurl.so.4"));

    // Both names of the browser come from the one module, loaded once.
    IWebBrowser2 *browser = NULL, *first = NULL;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WebBrowser, NULL, CLSCTX_INPROC_SERVER, IID_IWebBrowser2,
                                     reinterpret_cast<void **>(&browser)));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WebBrowser_V1, NULL, CLSCTX_INPROC_SERVER, IID_IWebBrowser2,
                                     reinterpret_cast<void **>(&first)));
    EXPECT_TRUE(Mapped("libwin32_browser.so"));
    EXPECT_TRUE(Mapped("libcurl.so.4"));

    first->Release();
    browser->Release();
    document->Release();
    CoUninitialize();
}

}  // namespace
