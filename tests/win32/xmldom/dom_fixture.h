// Owners for COM pointers and BSTRs, and a fixture that creates a document as a client would.
#pragma once

#include <ole2.h>
#include <msxml.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "support/WideString.h"

template <class T>
class ComPtr
{
public:
    ComPtr() = default;
    ComPtr(const ComPtr &) = delete;
    ComPtr &operator=(const ComPtr &) = delete;
    ~ComPtr() { reset(); }
    T *get() const { return m_p; }
    T *operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    T **put()
    {
        reset();
        return &m_p;
    }
    void **put_void() { return reinterpret_cast<void **>(put()); }
    void reset()
    {
        if (m_p)
            m_p->Release();
        m_p = nullptr;
    }

private:
    T *m_p = nullptr;
};

class Bstr
{
public:
    Bstr() = default;
    explicit Bstr(const WideString &text) : m_s(SysAllocStringLen(text.data(), UINT(text.size()))) {}
    Bstr(const Bstr &) = delete;
    Bstr &operator=(const Bstr &) = delete;
    ~Bstr() { SysFreeString(m_s); }
    BSTR get() const { return m_s; }
    BSTR *put()
    {
        SysFreeString(m_s);
        m_s = NULL;
        return &m_s;
    }
    WideString text() const { return WideString(m_s ? m_s : TEXT(""), SysStringLen(m_s)); }

private:
    BSTR m_s = NULL;
};

// Each test gets a fresh document, created by ProgID the way the plug-in creates it.
class DomTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(NULL)));
        CLSID clsid;
        ASSERT_EQ(S_OK, CLSIDFromProgID(TEXT("Microsoft.XMLDOM"), &clsid));
        ComPtr<IUnknown> object;
        ASSERT_EQ(S_OK, CoCreateInstance(clsid, NULL, CLSCTX_ALL, IID_IUnknown, object.put_void()));
        ASSERT_EQ(S_OK, OleRun(object.get()));
        ASSERT_EQ(S_OK, object->QueryInterface(IID_IXMLDOMDocument, doc.put_void()));
    }
    void TearDown() override
    {
        doc.reset();
        CoUninitialize();
    }

    // Loads the text; true when the document reported it well-formed, with a consistent result.
    bool Load(const WideString &text)
    {
        Bstr xml(text);
        VARIANT_BOOL ok = 7;
        HRESULT hr = doc->loadXML(xml.get(), &ok);
        EXPECT_TRUE((hr == S_OK && ok == VARIANT_TRUE) || (hr == S_FALSE && ok == VARIANT_FALSE))
            << "hr " << hr << " ok " << ok;
        return ok == VARIANT_TRUE;
    }

    static WideString Text(IXMLDOMNode *node)
    {
        Bstr text;
        EXPECT_EQ(S_OK, node->get_text(text.put()));
        return text.text();
    }
    static WideString Name(IXMLDOMNode *node)
    {
        Bstr name;
        EXPECT_EQ(S_OK, node->get_nodeName(name.put()));
        return name.text();
    }
    static LONG Length(IXMLDOMNodeList *list)
    {
        LONG length = -1;
        EXPECT_EQ(S_OK, list->get_length(&length));
        return length;
    }
    static HRESULT Select(IXMLDOMNode *node, const WCHAR *query, ComPtr<IXMLDOMNodeList> &list)
    {
        Bstr q(query);
        return node->selectNodes(q.get(), list.put());
    }
    static HRESULT SelectOne(IXMLDOMNode *node, const WCHAR *query, ComPtr<IXMLDOMNode> &result)
    {
        Bstr q(query);
        return node->selectSingleNode(q.get(), result.put());
    }

    ComPtr<IXMLDOMDocument> doc;
};
