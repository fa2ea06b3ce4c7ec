// XML DOM nodes and node lists: names, types, text, children and XPath selection over libxml2.
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include "xmldom/dom.h"

#include "internal/path.h"

#include <oleauto.h>

#include <string.h>

#include <string>

namespace win32 {
namespace xmldom {
namespace {

// Any node of a loaded tree other than the document itself.
class dom_node final : public node_object<IXMLDOMElement>
{
public:
    dom_node(tree_ptr owner, xmlNodePtr node) : m_tree(std::move(owner)), m_node(node) {}

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch) ||
            IsEqualGUID(riid, IID_IXMLDOMNode) ||
            (IsEqualGUID(riid, IID_IXMLDOMElement) && m_node->type == XML_ELEMENT_NODE))
            return give(static_cast<IXMLDOMElement *>(this), ppv);
        *ppv = NULL;
        return E_NOINTERFACE;
    }

protected:
    const tree_ptr &current_tree() override { return m_tree; }
    xmlNodePtr current_node() override { return m_node; }

private:
    tree_ptr m_tree;
    xmlNodePtr m_node;
};

// A fixed sequence of nodes with a cursor; the tree stays alive while the list does.
class dom_node_list final : public dispatch_object<IXMLDOMNodeList>
{
public:
    dom_node_list(tree_ptr owner, std::vector<xmlNodePtr> nodes) : m_tree(std::move(owner)), m_nodes(std::move(nodes)) {}

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch) ||
            IsEqualGUID(riid, IID_IXMLDOMNodeList))
            return give(static_cast<IXMLDOMNodeList *>(this), ppv);
        *ppv = NULL;
        return E_NOINTERFACE;
    }
    // An index outside the list is no item: S_FALSE and NULL.
    STDMETHODIMP get_item(LONG index, IXMLDOMNode **listItem) override
    {
        if (!listItem)
            return E_INVALIDARG;
        *listItem = NULL;
        if (index < 0 || size_t(index) >= m_nodes.size())
            return S_FALSE;
        return new_node(m_tree, m_nodes[index], listItem);
    }
    STDMETHODIMP get_length(LONG *listLength) override
    {
        if (!listLength)
            return E_INVALIDARG;
        *listLength = LONG(m_nodes.size());
        return S_OK;
    }
    STDMETHODIMP nextNode(IXMLDOMNode **nextItem) override
    {
        if (!nextItem)
            return E_INVALIDARG;
        *nextItem = NULL;
        if (m_next >= m_nodes.size())
            return S_FALSE;
        HRESULT hr = new_node(m_tree, m_nodes[m_next], nextItem);
        if (SUCCEEDED(hr))
            ++m_next;
        return hr;
    }
    STDMETHODIMP reset() override
    {
        m_next = 0;
        return S_OK;
    }

private:
    tree_ptr m_tree;
    std::vector<xmlNodePtr> m_nodes;
    size_t m_next = 0;
};

// Decoded straight into the string it answers: one count, one allocation. ASCII, as names and most
// texts are, is widened without the decoder.
HRESULT bstr_from_utf8(const char *text, size_t length, BSTR *out)
{
    auto bytes = reinterpret_cast<const unsigned char *>(text);
    size_t ascii = 0;
    while (ascii < length && bytes[ascii] < 0x80)
        ++ascii;
    size_t units = length;
    if (ascii < length) {
        counting_sink count;
        utf8_decode(bytes, length, false, count);
        units = count.n;
    }
    if (units > 0x3FFFFFF0u)
        return E_OUTOFMEMORY;
    BSTR answer = SysAllocStringLen(NULL, UINT(units));
    if (!answer)
        return E_OUTOFMEMORY;
    if (ascii == length) {
        for (size_t i = 0; i < length; ++i)
            answer[i] = WCHAR(bytes[i]);
    } else {
        pointer_sink<WCHAR> fill{answer};
        utf8_decode(bytes, length, false, fill);
    }
    *out = answer;
    return S_OK;
}

HRESULT bstr_from_utf8(const char *text, BSTR *out)
{
    return bstr_from_utf8(text, strlen(text), out);
}

const char *utf8(const xmlChar *s) { return s ? reinterpret_cast<const char *>(s) : ""; }

// An element's or attribute's name, with its namespace prefix when it has one.
HRESULT qualified_name(xmlNodePtr node, BSTR *out)
{
    if (!node->ns || !node->ns->prefix)
        return bstr_from_utf8(utf8(node->name), out);
    std::string name = utf8(node->ns->prefix);
    name += ':';
    name += utf8(node->name);
    return bstr_from_utf8(name.data(), name.size(), out);
}

// Nodes an XPath may yield that are no xmlNode (namespace records) are left out.
bool is_tree_node(xmlNodePtr node)
{
    return node && node->type != XML_NAMESPACE_DECL;
}

void ignore_xpath_error(void *, xmlErrorPtr) {}

// Evaluates the query with the node as context; E_FAIL for a malformed query or one whose
// result is not a node set.
HRESULT evaluate(xmlNodePtr node, BSTR query, std::vector<xmlNodePtr> &nodes)
{
    if (!query)
        return E_INVALIDARG;
    size_t length = 0;
    while (query[length])
        ++length;
    std::string expression = utf8_from_utf16(query, length);
    xmlDocPtr doc = node->doc ? node->doc : reinterpret_cast<xmlDocPtr>(node);
    xmlXPathContextPtr context = xmlXPathNewContext(doc);
    if (!context)
        return E_OUTOFMEMORY;
    context->node = node;
    context->error = ignore_xpath_error;
    xmlXPathObjectPtr result = xmlXPathEvalExpression(reinterpret_cast<const xmlChar *>(expression.c_str()), context);
    HRESULT hr = E_FAIL;
    if (result && result->type == XPATH_NODESET) {
        hr = S_OK;
        if (xmlNodeSetPtr set = result->nodesetval) {
            xmlXPathNodeSetSort(set);
            for (int i = 0; i < set->nodeNr; ++i)
                if (is_tree_node(set->nodeTab[i]))
                    nodes.push_back(set->nodeTab[i]);
        }
    }
    xmlXPathFreeObject(result);
    xmlXPathFreeContext(context);
    return hr;
}

// Checks and clears the out pointer, then runs the body; running out of memory answers E_OUTOFMEMORY.
template <class Out, class Body>
HRESULT answer_into(Out *out, Body body)
{
    if (!out)
        return E_INVALIDARG;
    *out = NULL;
    try {
        return body();
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace

HRESULT new_node(const tree_ptr &owner, xmlNodePtr node, IXMLDOMNode **out)
{
    *out = new (std::nothrow) dom_node(owner, node);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT new_node_list(const tree_ptr &owner, std::vector<xmlNodePtr> nodes, IXMLDOMNodeList **out)
{
    *out = new (std::nothrow) dom_node_list(owner, std::move(nodes));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT node_name(xmlNodePtr node, BSTR *name)
{
    return answer_into(name, [&] {
        switch (node->type) {
        case XML_TEXT_NODE: return bstr_from_utf8("#text", name);
        case XML_CDATA_SECTION_NODE: return bstr_from_utf8("#cdata-section", name);
        case XML_COMMENT_NODE: return bstr_from_utf8("#comment", name);
        case XML_DOCUMENT_NODE: return bstr_from_utf8("#document", name);
        case XML_DOCUMENT_FRAG_NODE: return bstr_from_utf8("#document-fragment", name);
        default: return qualified_name(node, name);
        }
    });
}

HRESULT node_type(xmlNodePtr node, DOMNodeType *type)
{
    if (!type)
        return E_INVALIDARG;
    switch (node->type) {
    case XML_ELEMENT_NODE: *type = NODE_ELEMENT; break;
    case XML_ATTRIBUTE_NODE: *type = NODE_ATTRIBUTE; break;
    case XML_TEXT_NODE: *type = NODE_TEXT; break;
    case XML_CDATA_SECTION_NODE: *type = NODE_CDATA_SECTION; break;
    case XML_ENTITY_REF_NODE: *type = NODE_ENTITY_REFERENCE; break;
    case XML_PI_NODE: *type = NODE_PROCESSING_INSTRUCTION; break;
    case XML_COMMENT_NODE: *type = NODE_COMMENT; break;
    case XML_DOCUMENT_NODE: *type = NODE_DOCUMENT; break;
    case XML_DTD_NODE: *type = NODE_DOCUMENT_TYPE; break;
    case XML_DOCUMENT_FRAG_NODE: *type = NODE_DOCUMENT_FRAGMENT; break;
    default: *type = NODE_INVALID; break;
    }
    return S_OK;
}

// Elements, the document and attributes have children; the document type shows none.
HRESULT node_children(const tree_ptr &owner, xmlNodePtr node, IXMLDOMNodeList **list)
{
    return answer_into(list, [&] {
        std::vector<xmlNodePtr> nodes;
        bool has_children = node->type == XML_ELEMENT_NODE || node->type == XML_DOCUMENT_NODE ||
                            node->type == XML_ATTRIBUTE_NODE || node->type == XML_DOCUMENT_FRAG_NODE;
        if (has_children) {
            size_t count = 0;
            for (xmlNodePtr child = node->children; child; child = child->next)
                ++count;
            nodes.reserve(count);
            for (xmlNodePtr child = node->children; child; child = child->next)
                nodes.push_back(child);
        }
        return new_node_list(owner, std::move(nodes), list);
    });
}

HRESULT node_text(xmlNodePtr node, BSTR *text)
{
    return answer_into(text, [&] {
        std::string joined;
        size_t length = 0;
        const char *answer = text_of(node, joined, length);
        return bstr_from_utf8(answer, length, text);
    });
}

HRESULT select_nodes(const tree_ptr &owner, xmlNodePtr node, BSTR query, IXMLDOMNodeList **list)
{
    return answer_into(list, [&] {
        std::vector<xmlNodePtr> nodes;
        HRESULT hr = evaluate(node, query, nodes);
        return FAILED(hr) ? hr : new_node_list(owner, std::move(nodes), list);
    });
}

// The first selected node in document order, or S_FALSE and NULL when nothing matches.
HRESULT select_single_node(const tree_ptr &owner, xmlNodePtr node, BSTR query, IXMLDOMNode **result)
{
    return answer_into(result, [&] {
        std::vector<xmlNodePtr> nodes;
        HRESULT hr = evaluate(node, query, nodes);
        if (FAILED(hr))
            return hr;
        return nodes.empty() ? S_FALSE : new_node(owner, nodes.front(), result);
    });
}

}  // namespace xmldom
}  // namespace win32
