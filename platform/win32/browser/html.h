// The web-browser control's document model: HTML reduced to text runs, links and frame sources.
// Deliberately small: no scripts, no styles, a bounded document; only what the control paints.
// The markup is read by libxml2's HTML parser; only the text layout on top is ours.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace win32 {
namespace html {

// The largest document the control reads; the rest of a longer body is dropped.
constexpr size_t max_document_bytes = 8u << 20;

// The most text a page keeps, in UTF-16 units: more than the largest screen can show, since the
// control paints from the top without scrolling. The title keeps at most max_title_chars.
constexpr size_t max_page_chars = 256u << 10;
constexpr size_t max_title_chars = 1024;

// A piece of text with one look: plain, or a link to an absolute address.
struct run {
    std::u16string text;
    std::u16string href;  // empty for plain text
    bool break_before = false;  // a block element or <br> starts a new line here
};

struct page {
    std::u16string title;
    std::vector<run> runs;
    std::vector<std::u16string> frames;  // absolute addresses of <frame src> and <iframe src>
};

// The code page a body is written in: the charset of the Content-Type value, else of a
// <meta> in the first kilobytes, else UTF-8. GB2312/GBK/GB18030 read as 936.
UINT code_page_of(const std::string &body, const std::string &content_type);

// The body as UTF-16 through that code page; undecodable bytes become U+FFFD.
std::u16string decode(const std::string &body, UINT code_page);

// The address `ref` names when it appears in the document at `base`: absolute addresses
// (any scheme, "app:" included) as they are, the others resolved against base.
std::u16string resolve_url(const std::u16string &base, const std::u16string &ref);

// The page of an HTML text: tags stripped, entities decoded, white space collapsed.
page parse(const std::u16string &text, const std::u16string &base_url);

// The page of a plain-text document: each line a run.
page plain_text(const std::u16string &text);

// Builds the page of a body that arrives in pieces, as parse and plain_text would from the whole
// decoded text, without keeping the body: the code page is chosen as code_page_of does (from the
// content type, else from the first kilobytes), and each piece is decoded and parsed as it comes.
// A "text/plain" content type reads the body as plain text, anything else as HTML.
class page_builder
{
public:
    page_builder(const std::string &content_type, const std::u16string &base_url);
    ~page_builder();
    page_builder(const page_builder &) = delete;
    page_builder &operator=(const page_builder &) = delete;

    void feed(const char *data, size_t size);
    page finish();  // once, after the last piece

private:
    struct state;
    std::unique_ptr<state> m_p;
};

}  // namespace html
}  // namespace win32
