// A page body as the browser control lays it out: its code page from the body (or from a header
// the first byte chooses), decoded, parsed into runs, links and frames.
#include "browser/html.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static const char *const content_types[] = {"", "text/html", "text/html; charset=gb2312",
                                                "text/html; charset=utf-8", "text/plain"};
    const std::string content_type = content_types[data[0] % 5];
    const std::string body(reinterpret_cast<const char *>(data + 1), size - 1);
    UINT code_page = win32::html::code_page_of(body, content_type);
    std::u16string text = win32::html::decode(body, code_page);
    if (data[0] % 5 == 4)
        win32::html::plain_text(text);
    else
        win32::html::parse(text, u"http://127.0.0.1:8080/dir/page.html?q=1");
    return 0;
}
