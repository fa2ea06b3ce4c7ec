// The XML DOM server's objects over libxml2: a shared parsed tree, node wrappers and node lists.
#pragma once

#include "internal/com_server.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <msxml.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

namespace win32 {
namespace xmldom {

// A parsed libxml2 document; every node object holds it, so it lives until the last one goes.
struct tree {
    xmlDocPtr doc;
    explicit tree(xmlDocPtr d) : doc(d) {}
    ~tree() { xmlFreeDoc(doc); }
    tree(const tree &) = delete;
    tree &operator=(const tree &) = delete;
};
using tree_ptr = std::shared_ptr<tree>;

// A run of white space left out of the tree while it was parsed: the element it stood in, and the
// child it followed (null when it came first).
struct dropped_run {
    xmlNodePtr parent;
    xmlNodePtr after;
};
// Whether a run of characters that the parser offers as ignorable white space is a whole text node
// of white space alone that loading would drop: then it need not be built at all.
bool droppable_run(xmlParserCtxtPtr ctxt, const xmlChar *run, int length);
// Drops the text nodes of white space alone from a freshly parsed tree, outside xml:space="preserve",
// and marks where they stood, and where the runs left out while parsing stood.
void drop_white_space_text(xmlDocPtr doc, const std::vector<dropped_run> &dropped);
// The node's text in UTF-8: its character data, or that of the text and CDATA under it in document
// order, without the white space at its ends. It points into the tree when one node's data holds all
// of it, and into joined otherwise; *length is its length in bytes.
const char *text_of(xmlNodePtr node, std::string &joined, size_t &length);

// A new node object for a node of the tree; E_OUTOFMEMORY leaves *out NULL.
HRESULT new_node(const tree_ptr &owner, xmlNodePtr node, IXMLDOMNode **out);
HRESULT new_node_list(const tree_ptr &owner, std::vector<xmlNodePtr> nodes, IXMLDOMNodeList **out);

// The IXMLDOMNode members, on behalf of any node object.
HRESULT node_name(xmlNodePtr node, BSTR *name);
HRESULT node_type(xmlNodePtr node, DOMNodeType *type);
HRESULT node_children(const tree_ptr &owner, xmlNodePtr node, IXMLDOMNodeList **list);
HRESULT node_text(xmlNodePtr node, BSTR *text);
HRESULT select_nodes(const tree_ptr &owner, xmlNodePtr node, BSTR query, IXMLDOMNodeList **list);
HRESULT select_single_node(const tree_ptr &owner, xmlNodePtr node, BSTR query, IXMLDOMNode **result);

// Reference counting and the IDispatch members every object of the server shares.
template <class Iface>
using dispatch_object = win32::com_dispatch<Iface>;

// The node members over the tree and node that the concrete object names.
template <class Iface>
class node_object : public dispatch_object<Iface>
{
public:
    STDMETHODIMP get_nodeName(BSTR *name) override { return node_name(current_node(), name); }
    STDMETHODIMP get_nodeType(DOMNodeType *type) override { return node_type(current_node(), type); }
    STDMETHODIMP get_childNodes(IXMLDOMNodeList **list) override
    {
        return node_children(current_tree(), current_node(), list);
    }
    STDMETHODIMP get_text(BSTR *text) override { return node_text(current_node(), text); }
    STDMETHODIMP selectNodes(BSTR query, IXMLDOMNodeList **list) override
    {
        return select_nodes(current_tree(), current_node(), query, list);
    }
    STDMETHODIMP selectSingleNode(BSTR query, IXMLDOMNode **result) override
    {
        return select_single_node(current_tree(), current_node(), query, result);
    }

protected:
    virtual const tree_ptr &current_tree() = 0;
    virtual xmlNodePtr current_node() = 0;
};

}  // namespace xmldom
}  // namespace win32
