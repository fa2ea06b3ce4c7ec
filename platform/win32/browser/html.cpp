// HTML reduced to text runs for the web-browser control: charset, entities, links, frames.
#include "browser/html.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace win32 {
namespace html {

namespace {

char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }
bool is_space(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f'; }
bool is_alpha(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::string lower_ascii(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    return s;
}

// True when text at i begins with the lower-case ASCII word w, ignoring case.
bool starts_with_ci(const std::u16string &text, size_t i, const char *w)
{
    for (; *w; ++w, ++i)
        if (i >= text.size() || lower(text[i]) != char16_t(*w))
            return false;
    return true;
}

void append_code_point(std::u16string &out, uint32_t cp)
{
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += char16_t(0xD800 + (cp >> 10));
        out += char16_t(0xDC00 + (cp & 0x3FF));
    } else {
        out += char16_t(cp);
    }
}

struct entity {
    const char *name;
    char16_t value;
};
const entity entities[] = {
    {"amp", u'&'},       {"lt", u'<'},        {"gt", u'>'},        {"quot", u'"'},      {"apos", u'\''},
    {"nbsp", u'\u00A0'}, {"copy", u'\u00A9'}, {"reg", u'\u00AE'},  {"middot", u'\u00B7'}, {"laquo", u'\u00AB'},
    {"raquo", u'\u00BB'}, {"ndash", u'\u2013'}, {"mdash", u'\u2014'}, {"hellip", u'\u2026'}, {"times", u'\u00D7'},
};

// Decodes the character references of a text; an unknown or unterminated one stays as written.
std::u16string decode_entities(const std::u16string &text)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text[i] != u'&') {
            out += text[i++];
            continue;
        }
        size_t end = text.find(u';', i + 1);
        if (end == std::u16string::npos || end - i > 12) {
            out += text[i++];
            continue;
        }
        std::u16string name = text.substr(i + 1, end - i - 1);
        bool done = false;
        if (!name.empty() && name[0] == u'#') {
            bool hex = name.size() > 1 && lower(name[1]) == u'x';
            uint32_t cp = 0;
            size_t digits = 0;
            for (size_t k = hex ? 2 : 1; k < name.size(); ++k, ++digits) {
                char16_t c = lower(name[k]);
                uint32_t v;
                if (is_digit(c))
                    v = c - u'0';
                else if (hex && c >= u'a' && c <= u'f')
                    v = c - u'a' + 10;
                else {
                    digits = 0;
                    break;
                }
                cp = std::min<uint32_t>(cp * (hex ? 16 : 10) + v, 0x110000);
            }
            if (digits) {
                append_code_point(out, cp);
                done = true;
            }
        } else {
            for (const entity &e : entities) {
                if (name.size() == strlen(e.name) && starts_with_ci(name, 0, e.name)) {
                    out += e.value;
                    done = true;
                    break;
                }
            }
        }
        if (done)
            i = end + 1;
        else
            out += text[i++];
    }
    return out;
}

struct tag {
    std::u16string name;  // lower case
    bool closing = false;
    std::vector<std::pair<std::u16string, std::u16string>> attributes;  // names lower case

    std::u16string attribute(const char *n) const
    {
        for (auto &a : attributes)
            if (a.first.size() == strlen(n) && starts_with_ci(a.first, 0, n))
                return decode_entities(a.second);
        return std::u16string();
    }
};

// Reads the tag that starts at text[i] == '<'; i ends after its '>' (or at the end).
tag read_tag(const std::u16string &text, size_t &i)
{
    tag t;
    size_t n = text.size();
    ++i;
    if (i < n && text[i] == u'/') {
        t.closing = true;
        ++i;
    }
    while (i < n && (is_alpha(text[i]) || is_digit(text[i])))
        t.name += lower(text[i++]);
    while (i < n && text[i] != u'>') {
        if (is_space(text[i]) || text[i] == u'/') {
            ++i;
            continue;
        }
        std::u16string name, value;
        while (i < n && !is_space(text[i]) && text[i] != u'=' && text[i] != u'>')
            name += lower(text[i++]);
        while (i < n && is_space(text[i]))
            ++i;
        if (i < n && text[i] == u'=') {
            ++i;
            while (i < n && is_space(text[i]))
                ++i;
            if (i < n && (text[i] == u'"' || text[i] == u'\'')) {
                char16_t quote = text[i++];
                size_t end = text.find(quote, i);
                if (end == std::u16string::npos)
                    end = n;
                value = text.substr(i, end - i);
                i = std::min(end + 1, n);
            } else {
                while (i < n && !is_space(text[i]) && text[i] != u'>')
                    value += text[i++];
            }
        }
        if (!name.empty())
            t.attributes.emplace_back(std::move(name), std::move(value));
    }
    if (i < n)
        ++i;
    return t;
}

// Skips to just after "</name ...>", or to the end: the content of script, style and title.
size_t skip_element(const std::u16string &text, size_t i, const std::u16string &name, size_t *content_end)
{
    for (size_t k = i; k + 1 < text.size(); ++k) {
        if (text[k] != u'<' || text[k + 1] != u'/')
            continue;
        std::string ascii(name.begin(), name.end());
        if (starts_with_ci(text, k + 2, ascii.c_str())) {
            *content_end = k;
            size_t close = text.find(u'>', k);
            return close == std::u16string::npos ? text.size() : close + 1;
        }
    }
    *content_end = text.size();
    return text.size();
}

bool is_block(const std::u16string &name)
{
    static const char *const blocks[] = {"p",  "div", "br", "h1", "h2", "h3",    "h4",    "h5",       "h6",
                                         "li", "ul",  "ol", "tr", "table", "form", "hr", "blockquote", "pre",
                                         "dl", "dt",  "dd", "center", "section", "header", "footer", "body"};
    for (const char *b : blocks)
        if (name.size() == strlen(b) && starts_with_ci(name, 0, b))
            return true;
    return false;
}

// Collects text into runs, collapsing white space as a browser does for normal flow.
class run_builder
{
public:
    explicit run_builder(std::vector<run> &runs) : m_runs(runs) {}

    void line_break() { m_bBreak = true; }
    void set_link(std::u16string href) { m_strHref = std::move(href); }

    void text(const std::u16string &s)
    {
        for (char16_t c : s) {
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
    }

    std::vector<run> &m_runs;
    std::u16string m_strHref;
    bool m_bBreak = false;
    bool m_bLastSpace = true;
};

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

// The charset named in a header or meta value ("text/html; charset=GBK").
std::string charset_in(const std::string &value)
{
    std::string v = lower_ascii(value);
    size_t at = v.find("charset");
    if (at == std::string::npos)
        return std::string();
    at += 7;
    while (at < v.size() && (v[at] == ' ' || v[at] == '='))
        ++at;
    while (at < v.size() && (v[at] == '"' || v[at] == '\''))
        ++at;
    size_t end = at;
    while (end < v.size() && (isalnum((unsigned char)v[end]) || v[end] == '-' || v[end] == '_' || v[end] == ':'))
        ++end;
    return v.substr(at, end - at);
}

// The first kilobytes' <meta> tags, as the charset sniffing of a browser reads them.
std::string meta_charset(const std::string &body)
{
    std::string head = lower_ascii(body.substr(0, 4096));
    for (size_t at = head.find("<meta"); at != std::string::npos; at = head.find("<meta", at + 5)) {
        size_t end = head.find('>', at);
        std::string cs = charset_in(head.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (!cs.empty())
            return cs;
    }
    return std::string();
}

}  // namespace

UINT code_page_of(const std::string &body, const std::string &content_type)
{
    std::string cs = charset_in(content_type);
    if (cs.empty())
        cs = meta_charset(body);
    if (cs == "gb2312" || cs == "gbk" || cs == "gb18030" || cs == "x-gbk" || cs == "cp936" || cs == "windows-936")
        return 936;
    if (cs == "big5")
        return 950;
    if (cs == "shift_jis" || cs == "sjis")
        return 932;
    if (cs == "iso-8859-1" || cs == "latin1" || cs == "windows-1252" || cs == "us-ascii")
        return 1252;
    return CP_UTF8;
}

std::u16string decode(const std::string &body, UINT code_page)
{
    const char *data = body.data();
    size_t size = std::min(body.size(), max_document_bytes);
    if (code_page == CP_UTF8 && size >= 3 && memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
        data += 3;
        size -= 3;
    }
    if (size == 0)
        return std::u16string();
    int count = MultiByteToWideChar(code_page, 0, data, int(size), NULL, 0);
    if (count <= 0) {
        // A code page the system cannot convert: read the bytes as Latin-1 rather than show nothing.
        std::u16string latin(data, data + size);
        for (char16_t &c : latin)
            c = char16_t(c & 0xFF);
        return latin;
    }
    std::u16string out(size_t(count), u'\0');
    MultiByteToWideChar(code_page, 0, data, int(size), &out[0], count);
    return out;
}

std::u16string resolve_url(const std::u16string &base, const std::u16string &ref_in)
{
    size_t b = 0, e = ref_in.size();
    while (b < e && is_space(ref_in[b]))
        ++b;
    while (e > b && is_space(ref_in[e - 1]))
        --e;
    std::u16string ref = ref_in.substr(b, e - b);
    if (ref.empty())
        return base;

    size_t k = 0;
    while (k < ref.size() && (is_alpha(ref[k]) || (k > 0 && (is_digit(ref[k]) || ref[k] == u'+' || ref[k] == u'-' || ref[k] == u'.'))))
        ++k;
    if (k > 0 && k < ref.size() && ref[k] == u':')
        return ref;

    size_t colon = base.find(u':');
    if (colon == std::u16string::npos)
        return ref;
    std::u16string scheme = base.substr(0, colon + 1);
    size_t path_start = colon + 1;
    if (base.compare(path_start, 2, u"//") == 0) {
        path_start = base.find_first_of(u"/?#", colon + 3);
        if (path_start == std::u16string::npos)
            path_start = base.size();
    }
    std::u16string origin = base.substr(0, path_start);
    size_t path_end = base.find_first_of(u"?#", path_start);
    if (path_end == std::u16string::npos)
        path_end = base.size();
    std::u16string path = base.substr(path_start, path_end - path_start);

    if (ref.compare(0, 2, u"//") == 0)
        return scheme + ref;
    if (ref[0] == u'#') {
        size_t hash = base.find(u'#');
        return base.substr(0, hash) + ref;
    }
    if (ref[0] == u'?')
        return origin + path + ref;

    std::u16string merged;
    if (ref[0] == u'/')
        merged = ref;
    else {
        size_t slash = path.rfind(u'/');
        merged = (slash == std::u16string::npos ? std::u16string(u"/") : path.substr(0, slash + 1)) + ref;
    }

    // Remove "." and ".." segments of the path, leaving the query and fragment alone.
    size_t tail_at = merged.find_first_of(u"?#");
    std::u16string tail = tail_at == std::u16string::npos ? std::u16string() : merged.substr(tail_at);
    std::u16string p = merged.substr(0, tail_at);
    std::vector<std::u16string> segments;
    size_t start = 1;
    while (start <= p.size()) {
        size_t end = p.find(u'/', start);
        if (end == std::u16string::npos)
            end = p.size();
        std::u16string seg = p.substr(start, end - start);
        bool last = end == p.size();
        if (seg == u"..") {
            if (!segments.empty())
                segments.pop_back();
            if (last)
                segments.push_back(std::u16string());
        } else if (seg == u".") {
            if (last)
                segments.push_back(std::u16string());
        } else {
            segments.push_back(seg);
        }
        start = end + 1;
    }
    std::u16string out = origin;
    for (const auto &seg : segments)
        out += u"/" + seg;
    if (segments.empty())
        out += u"/";
    return out + tail;
}

page parse(const std::u16string &text, const std::u16string &base_url)
{
    page result;
    run_builder runs(result.runs);
    std::u16string base = base_url;
    size_t n = text.size();
    for (size_t i = 0; i < n;) {
        if (text[i] != u'<' || i + 1 >= n || !(is_alpha(text[i + 1]) || text[i + 1] == u'/' || text[i + 1] == u'!' || text[i + 1] == u'?')) {
            size_t end = text.find(u'<', i + 1);
            if (end == std::u16string::npos)
                end = n;
            runs.text(decode_entities(text.substr(i, end - i)));
            i = end;
            continue;
        }
        if (text.compare(i, 4, u"<!--") == 0) {
            size_t end = text.find(u"-->", i + 4);
            i = end == std::u16string::npos ? n : end + 3;
            continue;
        }
        if (text[i + 1] == u'!' || text[i + 1] == u'?') {
            size_t end = text.find(u'>', i);
            i = end == std::u16string::npos ? n : end + 1;
            continue;
        }
        tag t = read_tag(text, i);
        if (t.closing) {
            if (t.name == u"a")
                runs.set_link(std::u16string());
            else if (is_block(t.name))
                runs.line_break();
            continue;
        }
        if (t.name == u"script" || t.name == u"style" || t.name == u"title" || t.name == u"textarea") {
            size_t content_start = i, content_end;
            i = skip_element(text, i, t.name, &content_end);
            if (t.name == u"title" && result.title.empty())
                result.title = collapse(decode_entities(text.substr(content_start, content_end - content_start)));
            continue;
        }
        if (t.name == u"base") {
            std::u16string href = t.attribute("href");
            if (!href.empty())
                base = resolve_url(base, href);
        } else if (t.name == u"a") {
            std::u16string href = t.attribute("href");
            runs.set_link(href.empty() ? href : resolve_url(base, href));
        } else if (t.name == u"frame" || t.name == u"iframe") {
            std::u16string src = t.attribute("src");
            if (!src.empty() && result.frames.size() < 16)
                result.frames.push_back(resolve_url(base, src));
        } else if (is_block(t.name)) {
            runs.line_break();
        }
    }
    return result;
}

page plain_text(const std::u16string &text)
{
    page result;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos)
            end = text.size();
        run r;
        r.text = text.substr(start, end - start);
        if (!r.text.empty() && r.text.back() == u'\r')
            r.text.pop_back();
        r.break_before = !result.runs.empty();
        result.runs.push_back(std::move(r));
        start = end + 1;
    }
    return result;
}

}  // namespace html
}  // namespace win32
