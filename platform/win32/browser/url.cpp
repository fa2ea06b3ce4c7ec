// Resolution of the addresses a page names against the page's own address.
#include "browser/html.h"

#include <vector>

namespace win32 {
namespace html {

namespace {

bool is_space(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f'; }
bool is_alpha(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

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

}  // namespace html
}  // namespace win32
