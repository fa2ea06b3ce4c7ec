// White space left out while a document is parsed, against the same document built whole and then
// cleared by the pass after parsing: the two trees must come out alike, marks included.
#include <libxml/SAX2.h>
#include <libxml/parser.h>

#include "xmldom/dom.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace win32::xmldom;

namespace {

const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_IGNORE_ENC |
                    XML_PARSE_COMPACT;

struct state {
    std::vector<dropped_run> dropped;
};

void ignore_error(void *, xmlErrorPtr) {}

void refuse_entity(void *ctx, const xmlChar *, int, const xmlChar *, const xmlChar *, xmlChar *)
{
    xmlStopParser(static_cast<xmlParserCtxtPtr>(ctx));
}

void hold_back(void *ctx, const xmlChar *run, int length)
{
    auto ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    if (droppable_run(ctxt, run, length))
        static_cast<state *>(ctxt->_private)->dropped.push_back({ctxt->node, ctxt->node->last});
    else
        xmlSAX2Characters(ctx, run, length);
}

// The document, cleared of its white space, or null when it is not well-formed.
xmlDocPtr load(const uint8_t *data, size_t size, bool while_parsing)
{
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt)
        return nullptr;
    state s;
    ctxt->_private = &s;
    ctxt->sax->serror = ignore_error;
    ctxt->sax->entityDecl = refuse_entity;
    if (while_parsing)
        ctxt->sax->ignorableWhitespace = hold_back;
    xmlDocPtr doc = xmlCtxtReadMemory(ctxt, reinterpret_cast<const char *>(data), int(size), NULL, "UTF-8", options);
    bool sound = doc && ctxt->wellFormed;
    xmlFreeParserCtxt(ctxt);
    if (!sound) {
        xmlFreeDoc(doc);
        return nullptr;
    }
    drop_white_space_text(doc, s.dropped);
    return doc;
}

bool same_text(const xmlChar *a, const xmlChar *b)
{
    return (!a && !b) || (a && b && strcmp(reinterpret_cast<const char *>(a), reinterpret_cast<const char *>(b)) == 0);
}

bool has_text(xmlNodePtr node)
{
    return node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE || node->type == XML_COMMENT_NODE ||
           node->type == XML_PI_NODE;
}

// A document type's declarations are other structures; only the tree's own nodes are compared.
bool alike(xmlNodePtr a, xmlNodePtr b)
{
    if (a->type != b->type)
        return false;
    if (a->type == XML_DTD_NODE)
        return true;
    return a->_private == b->_private && same_text(a->name, b->name) &&
           (!has_text(a) || same_text(a->content, b->content));
}

xmlNodePtr children_of(xmlNodePtr node)
{
    return node->type == XML_DTD_NODE ? nullptr : node->children;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > INT_MAX)
        return 0;
    xmlDocPtr whole = load(data, size, false);
    xmlDocPtr held = load(data, size, true);
    if (!whole != !held)
        abort();  // leaving white space out must not change whether a document loads
    if (whole) {
        // Both trees walked in step, depth first.
        xmlNodePtr a = reinterpret_cast<xmlNodePtr>(whole), b = reinterpret_cast<xmlNodePtr>(held);
        while (a || b) {
            if (!a || !b || !alike(a, b))
                abort();
            if (children_of(a) || children_of(b)) {
                a = children_of(a);
                b = children_of(b);
                continue;
            }
            while (a && b && !a->next && !b->next && a->parent && b->parent) {
                a = a->parent;
                b = b->parent;
            }
            if (!a || !b || !a->next != !b->next)
                abort();
            a = a->next;
            b = b->next;
        }
    }
    xmlFreeDoc(whole);
    xmlFreeDoc(held);
    return 0;
}
