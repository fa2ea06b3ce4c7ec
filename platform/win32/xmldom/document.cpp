// The XML DOM document ("Microsoft.XMLDOM"): parsing UTF-16 text with libxml2, and its class registration.
// Loading is locked down: no DTD or external entity is fetched, nothing touches the network, and a
// document that declares entities is refused, so no text can expand beyond what was written.
#include <libxml/SAX2.h>
#include <libxml/parser.h>

#include "xmldom/dom.h"

#include "internal/com_server.h"
#include "internal/path.h"

#include <limits.h>

#include "internal/owners.h"

#include <mutex>
#include <string>
#include <vector>

namespace win32 {
namespace xmldom {
namespace {

void init_libxml()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

// No XML_PARSE_NOENT, DTDLOAD, DTDATTR, DTDVALID or HUGE: libxml2's depth and size limits stay on.
const int parse_options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_IGNORE_ENC | XML_PARSE_COMPACT;

// Set on the parser context while a document is parsed.
struct parse_state {
    bool refused = false;
    std::vector<dropped_run> dropped;
};

void ignore_error(void *, xmlErrorPtr) {}

// Any entity declaration, general or parameter, internal or external, stops the parse.
void refuse_entity(void *ctx, const xmlChar *, int, const xmlChar *, const xmlChar *, xmlChar *)
{
    auto ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    static_cast<parse_state *>(ctxt->_private)->refused = true;
    xmlStopParser(ctxt);
}

// libxml2 offers a run of white space here when it takes it for layout between elements. A run that
// is a whole text node of white space is only noted, as loading would drop it; any other goes into
// the tree as the text it is.
void hold_back_white_space(void *ctx, const xmlChar *run, int length)
{
    auto ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    if (droppable_run(ctxt, run, length)) {
        try {
            static_cast<parse_state *>(ctxt->_private)->dropped.push_back({ctxt->node, ctxt->node->last});
            return;
        } catch (const std::bad_alloc &) {
        }
    }
    xmlSAX2Characters(ctx, run, length);
}

xmlParserInputPtr resolve_nothing(void *, const xmlChar *, const xmlChar *)
{
    return NULL;
}

void skip_external_subset(void *, const xmlChar *, const xmlChar *, const xmlChar *) {}

// libxml2 asks a text in memory for more at every step once fewer than 250 bytes are left. White
// space after the document, where XML allows it and the tree never shows it, keeps the document
// itself clear of that end; more of it would only cost its own skipping.
const size_t parse_margin = 256;

// The tree of a well-formed document, or null.
tree_ptr parse(std::string utf8_text)
{
    if (utf8_text.size() > size_t(INT_MAX) - parse_margin)
        return nullptr;
    utf8_text.append(parse_margin, ' ');
    init_libxml();
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt)
        return nullptr;
    parse_state state;
    state.dropped.reserve(64);  // a table's layout, without growing on the way
    ctxt->_private = &state;
    ctxt->sax->serror = ignore_error;
    ctxt->sax->entityDecl = refuse_entity;
    ctxt->sax->resolveEntity = resolve_nothing;
    ctxt->sax->externalSubset = skip_external_subset;
    ctxt->sax->ignorableWhitespace = hold_back_white_space;
    // The text was decoded from UTF-16 already: its own encoding declaration does not apply
    // (XML_PARSE_IGNORE_ENC). Without a NUL among its first four bytes, libxml2 detects it as UTF-8
    // by itself and reads it in place; naming the encoding would copy it through a converter.
    bool detected_as_utf8 = utf8_text.find('\0') >= 4;
    xmlDocPtr doc = xmlCtxtReadMemory(ctxt, utf8_text.data(), int(utf8_text.size()), NULL,
                                      detected_as_utf8 ? NULL : "UTF-8", parse_options);
    bool sound = doc && ctxt->wellFormed && !state.refused;
    xmlFreeParserCtxt(ctxt);
    if (!sound) {
        xmlFreeDoc(doc);
        return nullptr;
    }
    tree_ptr parsed = std::make_shared<tree>(doc);
    drop_white_space_text(doc, state.dropped);
    return parsed;
}

tree_ptr empty_tree()
{
    init_libxml();
    xmlDocPtr doc = xmlNewDoc(reinterpret_cast<const xmlChar *>("1.0"));
    if (!doc)
        throw std::bad_alloc();
    return std::make_shared<tree>(doc);
}

class dom_document final : public node_object<IXMLDOMDocument>
{
public:
    explicit dom_document(tree_ptr initial) : m_tree(std::move(initial)) {}

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch) ||
            IsEqualGUID(riid, IID_IXMLDOMNode) || IsEqualGUID(riid, IID_IXMLDOMDocument))
            return give(static_cast<IXMLDOMDocument *>(this), ppv);
        *ppv = NULL;
        return E_NOINTERFACE;
    }

    // The root element, or S_FALSE and NULL while the document is empty.
    STDMETHODIMP get_documentElement(IXMLDOMElement **element) override
    {
        if (!element)
            return E_INVALIDARG;
        *element = NULL;
        xmlNodePtr root = xmlDocGetRootElement(m_tree->doc);
        if (!root)
            return S_FALSE;
        unique_com<IXMLDOMNode> node;
        HRESULT hr = new_node(m_tree, root, node.put());
        if (FAILED(hr))
            return hr;
        return node.get()->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void **>(element));
    }

    // The text ends at its first zero character. Whatever was loaded before is dropped, whether
    // or not the new text parses; nodes handed out earlier keep their own tree.
    STDMETHODIMP loadXML(BSTR bstrXML, VARIANT_BOOL *isSuccessful) override
    {
        if (!isSuccessful)
            return E_INVALIDARG;
        *isSuccessful = VARIANT_FALSE;
        try {
            size_t length = 0;
            if (bstrXML)
                while (bstrXML[length])
                    ++length;
            tree_ptr loaded = parse(utf8_from_utf16(bstrXML ? bstrXML : u"", length));
            m_tree = loaded ? loaded : empty_tree();
            if (!loaded)
                return S_FALSE;
        } catch (const std::bad_alloc &) {
            return E_OUTOFMEMORY;
        }
        *isSuccessful = VARIANT_TRUE;
        return S_OK;
    }

protected:
    const tree_ptr &current_tree() override { return m_tree; }
    xmlNodePtr current_node() override { return reinterpret_cast<xmlNodePtr>(m_tree->doc); }

private:
    tree_ptr m_tree;
};

HRESULT create_document(REFIID riid, void **ppv)
{
    unique_com<dom_document> document;
    try {
        document.reset(new dom_document(empty_tree()));
    } catch (const std::bad_alloc &) {
        return E_OUTOFMEMORY;
    }
    return document.get()->QueryInterface(riid, ppv);
}

const com_class_registrar registrar(CLSID_DOMDocument, create_document);

}  // namespace
}  // namespace xmldom
}  // namespace win32
