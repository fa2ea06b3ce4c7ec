// White space while preserveWhiteSpace is off, as the layer's documents always are. Loading drops
// text nodes made of white space alone, unless xml:space="preserve" applies to them; the node after
// one (or the element that ended with one) remembers that white space stood there, and a node's text
// reads one space at such a place. A node's text loses the white space at its two ends that comes
// from text nodes outside xml:space="preserve"; CDATA is never trimmed, and inner runs stay as written.
#include "xmldom/dom.h"

#include <stdint.h>
#include <string.h>

#include <vector>

namespace win32 {
namespace xmldom {
namespace {

// Marks kept in a node's _private, which libxml2 leaves to the application.
enum : uintptr_t {
    space_before = 1,  // white space was dropped just before this node
    space_at_end = 2,  // white space was dropped after this element's last child
};

bool has_mark(xmlNodePtr node, uintptr_t mark)
{
    return (reinterpret_cast<uintptr_t>(node->_private) & mark) != 0;
}

void add_mark(xmlNodePtr node, uintptr_t mark)
{
    node->_private = reinterpret_cast<void *>(reinterpret_cast<uintptr_t>(node->_private) | mark);
}

// XML's white space: space, tab, carriage return and line feed; no other blank counts.
bool is_white(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool is_all_white(const xmlChar *text, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (!is_white(char(text[i])))
            return false;
    return true;
}

bool is_all_white(const xmlChar *text)
{
    return !text || is_all_white(text, strlen(reinterpret_cast<const char *>(text)));
}

// The element's own xml:space: 1 for "preserve", 0 for "default", -1 when it names none or an
// unknown value. Only an element with attributes is asked.
int own_space(xmlNodePtr element)
{
    if (!element->properties)
        return -1;
    xmlChar *space = xmlGetNsProp(element, reinterpret_cast<const xmlChar *>("space"), XML_XML_NAMESPACE);
    int result = -1;
    if (space && strcmp(reinterpret_cast<const char *>(space), "preserve") == 0)
        result = 1;
    else if (space && strcmp(reinterpret_cast<const char *>(space), "default") == 0)
        result = 0;
    xmlFree(space);
    return result;
}

// The element's own xml:space, or the scope it inherits when it names none or an unknown value.
bool preserves(xmlNodePtr element, bool inherited)
{
    int own = own_space(element);
    return own < 0 ? inherited : own == 1;
}

// The scope inside an element, from the nearest element that names one.
bool preserved_in(xmlNodePtr element)
{
    for (xmlNodePtr e = element; e && e->type == XML_ELEMENT_NODE; e = e->parent) {
        int own = own_space(e);
        if (own >= 0)
            return own == 1;
    }
    return false;
}

// A stretch of the text in the making: a node's character data, or the one space where a white
// space node was dropped (source null).
struct piece {
    const char *text;
    size_t length;
    xmlNodePtr source;
};

const char one_space[] = " ";

// The pieces of a text in order; the first few without an allocation, as most texts have one.
class piece_list
{
public:
    void push_back(const piece &p)
    {
        if (m_count < inline_capacity)
            m_inline[m_count] = p;
        else
            m_more.push_back(p);
        ++m_count;
    }
    size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    const piece &operator[](size_t i) const { return i < inline_capacity ? m_inline[i] : m_more[i - inline_capacity]; }
    const piece &back() const { return (*this)[m_count - 1]; }

private:
    static constexpr size_t inline_capacity = 4;
    piece m_inline[inline_capacity];
    std::vector<piece> m_more;
    size_t m_count = 0;
};

class text_builder
{
public:
    void add(xmlNodePtr node)
    {
        const char *content = node->content ? reinterpret_cast<const char *>(node->content) : "";
        m_pieces.push_back({content, strlen(content), node});
    }
    // Dropped white space that only comments or processing instructions separate reads as one space.
    void add_space()
    {
        if (m_pieces.empty() || m_pieces.back().source)
            m_pieces.push_back({one_space, 1, nullptr});
    }
    void add_marked_end(xmlNodePtr node)
    {
        if (node->type == XML_ELEMENT_NODE && has_mark(node, space_at_end))
            add_space();
    }

    // The pieces joined, less the trimmable white space at both ends: in place when what is left
    // lies in one piece, otherwise put together in joined.
    const char *join(std::string &joined, size_t &length) const
    {
        size_t first = 0, first_offset = 0;
        while (first < m_pieces.size()) {
            const piece &p = m_pieces[first];
            if ((p.length && !is_white(p.text[0])) || !trimmable(p))
                break;
            while (first_offset < p.length && is_white(p.text[first_offset]))
                ++first_offset;
            if (first_offset < p.length)
                break;
            ++first;
            first_offset = 0;
        }
        size_t end = m_pieces.size();
        size_t end_offset = end > first ? m_pieces[end - 1].length : 0;  // where the text stops in piece end - 1
        while (end > first) {
            const piece &p = m_pieces[end - 1];
            size_t start = end - 1 == first ? first_offset : 0;
            if ((p.length > start && !is_white(p.text[p.length - 1])) || !trimmable(p))
                break;
            end_offset = p.length;
            while (end_offset > start && is_white(p.text[end_offset - 1]))
                --end_offset;
            if (end_offset > start)
                break;
            --end;
            end_offset = end > first ? m_pieces[end - 1].length : 0;
        }
        if (end == first) {
            length = 0;
            return "";
        }
        if (end == first + 1) {
            length = end_offset - first_offset;
            return m_pieces[first].text + first_offset;
        }
        joined.clear();
        for (size_t i = first; i < end; ++i) {
            const piece &p = m_pieces[i];
            size_t from = i == first ? first_offset : 0;
            size_t to = i + 1 == end ? end_offset : p.length;
            joined.append(p.text + from, to - from);
        }
        length = joined.size();
        return joined.data();
    }

private:
    // Text outside an element's xml:space="preserve", and the spaces of dropped nodes. An
    // attribute's value is kept as it stands. Asked only where there is white space to trim, as
    // finding the scope walks the ancestors.
    static bool trimmable(const piece &p)
    {
        if (!p.source)
            return true;
        if (p.source->type != XML_TEXT_NODE)
            return false;
        xmlNodePtr parent = p.source->parent;
        return parent && parent->type == XML_ELEMENT_NODE && xmlNodeGetSpacePreserve(parent) != 1;
    }

    piece_list m_pieces;
};

}  // namespace

bool droppable_run(xmlParserCtxtPtr ctxt, const xmlChar *run, int length)
{
    // Markup comes next, so the run ends its text node; nothing before it in the element would
    // take it in (a text, or a CDATA section that a following one would be joined to), so it is
    // the whole node.
    xmlNodePtr parent = ctxt->node;
    if (!parent || parent->type != XML_ELEMENT_NODE || !ctxt->input || !ctxt->input->cur ||
        ctxt->input->cur[0] != '<')
        return false;
    xmlNodePtr last = parent->last;
    if (last && (last->type == XML_TEXT_NODE || last->type == XML_CDATA_SECTION_NODE))
        return false;
    return length >= 0 && is_all_white(run, size_t(length)) && !preserved_in(parent);
}

void drop_white_space_text(xmlDocPtr doc, const std::vector<dropped_run> &dropped)
{
    for (const dropped_run &run : dropped) {
        xmlNodePtr next = run.after ? run.after->next : run.parent->children;
        if (next)
            add_mark(next, space_before);
        else
            add_mark(run.parent, space_at_end);
    }
    xmlNodePtr top = reinterpret_cast<xmlNodePtr>(doc);
    std::vector<bool> outer;  // the scope around each element entered, innermost last
    bool preserve = false;
    xmlNodePtr node = top->children;
    while (node) {
        if (node->type == XML_ELEMENT_NODE && node->children) {
            outer.push_back(preserve);
            preserve = preserves(node, preserve);
            node = node->children;
            continue;
        }
        xmlNodePtr next = node->next;
        xmlNodePtr parent = node->parent;
        if (node->type == XML_TEXT_NODE && !preserve && is_all_white(node->content) && parent != top) {
            if (next)
                add_mark(next, space_before);
            else
                add_mark(parent, space_at_end);
            xmlUnlinkNode(node);
            xmlFreeNode(node);
        }
        node = next;
        while (!node && parent != top) {  // leave each element whose children are done
            preserve = outer.back();
            outer.pop_back();
            node = parent->next;
            parent = parent->parent;
        }
    }
}

// Walked without recursion: depth costs nothing here. The document type's declarations are not text.
const char *text_of(xmlNodePtr root, std::string &joined, size_t &length)
{
    switch (root->type) {
    case XML_COMMENT_NODE: case XML_PI_NODE: {
        const char *content = root->content ? reinterpret_cast<const char *>(root->content) : "";
        length = strlen(content);
        return content;
    }
    case XML_TEXT_NODE: case XML_CDATA_SECTION_NODE: case XML_ELEMENT_NODE: case XML_ATTRIBUTE_NODE:
    case XML_DOCUMENT_NODE: case XML_DOCUMENT_FRAG_NODE:
        break;
    default:
        length = 0;
        return "";
    }
    text_builder text;
    if (root->type == XML_TEXT_NODE || root->type == XML_CDATA_SECTION_NODE) {
        text.add(root);
        return text.join(joined, length);
    }
    xmlNodePtr node = root->children;
    while (node) {
        if (has_mark(node, space_before))
            text.add_space();
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE)
            text.add(node);
        if (node->type == XML_ELEMENT_NODE && node->children) {
            node = node->children;
            continue;
        }
        text.add_marked_end(node);
        while (!node->next && node->parent != root) {
            node = node->parent;
            text.add_marked_end(node);
        }
        node = node->next;
    }
    text.add_marked_end(root);
    return text.join(joined, length);
}

}  // namespace xmldom
}  // namespace win32
