// The web-browser control's document model: HTML reduced to text runs, links and frame sources.
// Deliberately small: no scripts, no styles, a bounded document; only what the control paints.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace win32 {
namespace html {

// The largest document the control reads; the rest of a longer body is dropped.
constexpr size_t max_document_bytes = 8u << 20;

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

}  // namespace html
}  // namespace win32
