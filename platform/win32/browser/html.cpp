// Pages from HTML and plain text: libxml2's HTML parser reads the markup through SAX callbacks, and
// the text it reports is laid into runs here. Nothing of the document is kept but the page.
#include "browser/html.h"
#include "browser/charset.h"
#include "internal/utf.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>

namespace win32 {
namespace html {

namespace {

bool is_space(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f'; }

// UTF-16 to UTF-8 for the parser. U+0000, which the parser takes for the end of its input, becomes
// U+FFFD as a browser shows it; so does a lone surrogate, as the codec has it.
struct parser_sink {
    std::string &out;
    bool full = false;
    void put(char unit)
    {
        if (unit == '\0')
            out += "\xEF\xBF\xBD";
        else
            out += unit;
    }
    bool room(size_t) const { return true; }
};

void append_utf8(std::string &out, const char16_t *text, size_t size)
{
    parser_sink sink{out};
    utf8_encode(text, size, false, sink);
}

// The parser's UTF-8 back to UTF-16.
std::u16string utf16_of(const xmlChar *text, size_t size)
{
    return utf16_from_utf8(reinterpret_cast<const char *>(text), size);
}

std::u16string utf16_of(const xmlChar *text) { return text ? utf16_of(text, strlen((const char *)text)) : u""; }

bool is_one_of(const xmlChar *name, const char *const *names)
{
    for (; *names; ++names)
        if (strcmp((const char *)name, *names) == 0)
            return true;
    return false;
}

const char *const block_elements[] = {"p",       "div",    "br",      "h1",     "h2",   "h3",         "h4",
                                      "h5",      "h6",     "li",      "ul",     "ol",   "tr",         "table",
                                      "form",    "hr",     "pre",     "dl",     "dt",   "dd",         "center",
                                      "section", "header", "footer",  "body",   "nav",  "blockquote", "article",
                                      "aside",   "main",   "address", "figure", nullptr};

// Elements whose content is never shown: the page runs no scripts and applies no styles.
const char *const hidden_elements[] = {"script", "style", "textarea", "template", nullptr};

std::u16string collapse(const std::u16string &s)
{
    std::u16string out;
    bool space = true;
    for (char16_t c : s) {
        if (is_space(c)) {
            space = true;
            continue;
        }
        if (space && !out.empty())
            out += u' ';
        out += c;
        space = false;
    }
    return out;
}

// Collects text into runs, collapsing white space as a browser does for normal flow, up to the
// page's limit.
class run_builder
{
public:
    explicit run_builder(std::vector<run> &runs) : m_runs(runs) {}

    void line_break() { m_bBreak = true; }
    void set_link(std::u16string href) { m_strHref = std::move(href); }

    void text(const std::u16string &s)
    {
        for (char16_t c : s) {
            if (m_nChars >= max_page_chars)
                return;
            if (is_space(c)) {
                if (!m_bLastSpace && !m_bBreak)
                    put(u' ');
                m_bLastSpace = true;
            } else {
                put(c);
                m_bLastSpace = false;
            }
        }
    }

private:
    void put(char16_t c)
    {
        if (m_runs.empty() || m_bBreak || m_runs.back().href != m_strHref) {
            if (c == u' ' && m_bBreak)
                return;
            run r;
            r.href = m_strHref;
            r.break_before = m_bBreak && !m_runs.empty();
            m_runs.push_back(std::move(r));
            m_bBreak = false;
        }
        m_runs.back().text += c;
        ++m_nChars;
    }

    std::vector<run> &m_runs;
    std::u16string m_strHref;
    bool m_bBreak = false;
    bool m_bLastSpace = true;
    size_t m_nChars = 0;
};

// One HTML document on its way through the parser, a piece at a time. The parser's incremental
// mode stops showing text once an end tag has closed every element ("</p>text" at the top of a
// document), so the document starts inside <html><body>: stray end tags then close nothing, and
// the page's own <html>, <head> and <body> tags merge into these as the parser merges repeats.
class html_reader
{
public:
    explicit html_reader(const std::u16string &base_url) : m_runs(m_page.runs), m_strBase(base_url)
    {
        static std::once_flag once;
        std::call_once(once, [] { xmlInitParser(); });
        htmlSAXHandler sax;
        memset(&sax, 0, sizeof sax);
        sax.startElement = on_start;
        sax.endElement = on_end;
        sax.characters = on_text;
        sax.ignorableWhitespace = on_text;
        sax.cdataBlock = on_hidden_text;  // the content of script and style
        static const char start[] = "<html><body>";
        m_ctxt = htmlCreatePushParserCtxt(&sax, this, start, int(sizeof start - 1), NULL, XML_CHAR_ENCODING_UTF8);
        if (m_ctxt)
            htmlCtxtUseOptions(m_ctxt, HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                           HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC);
    }
    ~html_reader()
    {
        if (m_ctxt)
            htmlFreeParserCtxt(m_ctxt);
    }
    html_reader(const html_reader &) = delete;
    html_reader &operator=(const html_reader &) = delete;

    void feed(const char16_t *text, size_t size)
    {
        if (!m_ctxt || size == 0)
            return;
        std::string utf8;
        utf8.reserve(size);
        append_utf8(utf8, text, size);
        htmlParseChunk(m_ctxt, utf8.data(), int(utf8.size()), 0);
    }

    page finish()
    {
        if (m_ctxt)
            htmlParseChunk(m_ctxt, NULL, 0, 1);
        return std::move(m_page);
    }

private:
    static html_reader &self(void *ctx) { return *static_cast<html_reader *>(ctx); }

    static std::u16string attribute(const xmlChar **atts, const char *name)
    {
        for (; atts && atts[0]; atts += 2)
            if (strcmp((const char *)atts[0], name) == 0)
                return utf16_of(atts[1]);
        return std::u16string();
    }

    static void on_start(void *ctx, const xmlChar *name, const xmlChar **atts)
    {
        html_reader &r = self(ctx);
        if (is_one_of(name, hidden_elements)) {
            ++r.m_nHidden;
        } else if (xmlStrEqual(name, BAD_CAST "title")) {
            r.m_bInTitle = true;
        } else if (xmlStrEqual(name, BAD_CAST "base")) {
            std::u16string href = attribute(atts, "href");
            if (!href.empty())
                r.m_strBase = resolve_url(r.m_strBase, href);
        } else if (xmlStrEqual(name, BAD_CAST "a")) {
            std::u16string href = attribute(atts, "href");
            r.m_runs.set_link(href.empty() ? href : resolve_url(r.m_strBase, href));
        } else if (xmlStrEqual(name, BAD_CAST "frame") || xmlStrEqual(name, BAD_CAST "iframe")) {
            std::u16string src = attribute(atts, "src");
            if (!src.empty() && r.m_page.frames.size() < 16)
                r.m_page.frames.push_back(resolve_url(r.m_strBase, src));
        } else if (is_one_of(name, block_elements)) {
            r.m_runs.line_break();
        }
    }

    static void on_end(void *ctx, const xmlChar *name)
    {
        html_reader &r = self(ctx);
        if (is_one_of(name, hidden_elements)) {
            if (r.m_nHidden > 0)
                --r.m_nHidden;
        } else if (xmlStrEqual(name, BAD_CAST "title")) {
            if (r.m_bInTitle && r.m_page.title.empty())
                r.m_page.title = collapse(r.m_strTitle);
            r.m_bInTitle = false;
            r.m_strTitle.clear();
        } else if (xmlStrEqual(name, BAD_CAST "a")) {
            r.m_runs.set_link(std::u16string());
        } else if (is_one_of(name, block_elements)) {
            r.m_runs.line_break();
        }
    }

    static void on_text(void *ctx, const xmlChar *text, int size)
    {
        html_reader &r = self(ctx);
        if (r.m_nHidden > 0 || size <= 0)
            return;
        std::u16string piece = utf16_of(text, size_t(size));
        if (r.m_bInTitle) {
            if (r.m_page.title.empty() && r.m_strTitle.size() < max_title_chars)
                r.m_strTitle += piece.substr(0, max_title_chars - r.m_strTitle.size());
            return;
        }
        r.m_runs.text(piece);
    }

    static void on_hidden_text(void *, const xmlChar *, int) {}

    htmlParserCtxtPtr m_ctxt = NULL;
    page m_page;
    run_builder m_runs;
    std::u16string m_strBase;
    int m_nHidden = 0;
    bool m_bInTitle = false;
    std::u16string m_strTitle;
};

// A plain-text document on its way in: each line a run.
class text_reader
{
public:
    text_reader() { m_page.runs.emplace_back(); }

    void feed(const char16_t *text, size_t size)
    {
        for (size_t i = 0; i < size; ++i) {
            if (text[i] == u'\n') {
                end_line();
                run r;
                r.break_before = true;
                m_page.runs.push_back(std::move(r));
            } else if (m_nChars < max_page_chars) {
                m_page.runs.back().text += text[i];
                ++m_nChars;
            }
        }
    }

    page finish()
    {
        end_line();
        return std::move(m_page);
    }

private:
    void end_line()
    {
        std::u16string &line = m_page.runs.back().text;
        if (!line.empty() && line.back() == u'\r')
            line.pop_back();
    }

    page m_page;
    size_t m_nChars = 0;
};

// Whole texts go to the parser in slices, so the UTF-8 copy stays small.
const size_t slice_chars = 64 << 10;

template <class Reader>
page read_whole(Reader &reader, const std::u16string &text)
{
    for (size_t at = 0; at < text.size(); at += slice_chars)
        reader.feed(text.data() + at, std::min(slice_chars, text.size() - at));
    return reader.finish();
}

}  // namespace

page parse(const std::u16string &text, const std::u16string &base_url)
{
    html_reader reader(base_url);
    return read_whole(reader, text);
}

page plain_text(const std::u16string &text)
{
    text_reader reader;
    return read_whole(reader, text);
}

struct page_builder::state {
    std::string content_type;
    std::u16string base_url;
    bool charset_named = false;  // by the content type; otherwise the first bytes may name one
    std::string head;            // the first bytes, until the code page is known
    size_t fed = 0;
    std::unique_ptr<stream_decoder> decoder;
    std::unique_ptr<html_reader> markup;
    std::unique_ptr<text_reader> plain;

    void start(const std::string &sniffed)
    {
        decoder.reset(new stream_decoder(code_page_of(sniffed, content_type)));
        std::string type = content_type.substr(0, content_type.find(';'));
        for (char &c : type)
            c = char(tolower((unsigned char)c));
        while (!type.empty() && type.back() == ' ')
            type.pop_back();
        if (type == "text/plain")
            plain.reset(new text_reader());
        else
            markup.reset(new html_reader(base_url));
    }
    void read(const std::u16string &text)
    {
        if (plain)
            plain->feed(text.data(), text.size());
        else
            markup->feed(text.data(), text.size());
    }
};

page_builder::page_builder(const std::string &content_type, const std::u16string &base_url) : m_p(new state)
{
    m_p->content_type = content_type;
    m_p->base_url = base_url;
    std::string lower = content_type;
    for (char &c : lower)
        c = char(tolower((unsigned char)c));
    m_p->charset_named = lower.find("charset") != std::string::npos;
}

page_builder::~page_builder() = default;

void page_builder::feed(const char *data, size_t size)
{
    size = std::min(size, max_document_bytes - m_p->fed);
    m_p->fed += size;
    if (!m_p->decoder) {
        // A charset in a <meta> counts only in the first kilobytes: wait for them, or for the end.
        m_p->head.append(data, size);
        if (m_p->head.size() < 4096 && !m_p->charset_named)
            return;
        m_p->start(m_p->head);
        std::string head;
        head.swap(m_p->head);
        m_p->read(m_p->decoder->decode(head.data(), head.size(), false));
        return;
    }
    m_p->read(m_p->decoder->decode(data, size, false));
}

page page_builder::finish()
{
    if (!m_p->decoder) {
        m_p->start(m_p->head);
        m_p->read(m_p->decoder->decode(m_p->head.data(), m_p->head.size(), true));
    } else {
        m_p->read(m_p->decoder->decode(NULL, 0, true));
    }
    return m_p->plain ? m_p->plain->finish() : m_p->markup->finish();
}

}  // namespace html
}  // namespace win32
