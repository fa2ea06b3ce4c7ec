// Requests of the web-browser control: what an address and its arguments become for a worker, and
// the answers that need no worker (about:, addresses that cannot be loaded).
#include "browser/control.h"

#include "internal/path.h"

#include <cstdio>
#include <cstring>

namespace win32 {
namespace browser {

namespace {

bool has_scheme(const std::u16string &url, const char16_t *scheme)
{
    size_t n = std::char_traits<char16_t>::length(scheme);
    if (url.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        char16_t c = url[i];
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c + 32);
        if (c != scheme[i])
            return false;
    }
    return true;
}

// The address as libcurl takes it: UTF-8, with blanks, controls and non-ASCII bytes percent-encoded.
std::string encode_url(const std::u16string &url)
{
    std::string utf8 = utf8_from_utf16(url.data(), url.size()), out;
    for (unsigned char c : utf8) {
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' ||
            c == '{' || c == '|' || c == '}') {
            char hex[4];
            snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        } else {
            out += char(c);
        }
    }
    return out;
}

// "file:///Z:/dir/a.html", "file://localhost/Z:/a", "file:///dir/a" (the Z: drive) to a Linux path.
bool file_path_of(const std::u16string &url, std::string &path)
{
    std::u16string rest = url.substr(5);
    size_t cut = rest.find_first_of(u"?#");
    if (cut != std::u16string::npos)
        rest.resize(cut);
    if (rest.compare(0, 2, u"//") == 0) {
        rest.erase(0, 2);
        if (has_scheme(rest, u"localhost"))
            rest.erase(0, 9);
    }
    std::string bytes = utf8_from_utf16(rest.data(), rest.size()), decoded;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '%' && i + 2 < bytes.size() && isxdigit((unsigned char)bytes[i + 1]) &&
            isxdigit((unsigned char)bytes[i + 2])) {
            decoded += char(std::stoi(bytes.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += bytes[i];
        }
    }
    std::u16string dos = utf16_from_utf8(decoded);
    for (char16_t &c : dos)
        if (c == u'/')
            c = u'\\';
    while (dos.size() > 2 && dos[0] == u'\\' && dos[2] == u':')
        dos.erase(0, 1);
    if (!(dos.size() > 1 && dos[1] == u':'))
        dos = u"Z:" + dos;
    return unix_path_from_dos(dos.c_str(), path);
}

// A header name as HTTP has it: one or more token characters.
bool is_token(const std::string &name)
{
    if (name.empty())
        return false;
    for (unsigned char c : name)
        if (c <= 0x20 || c >= 0x7F || strchr("\"(),/:;<=>?@[\\]{}", c))
            return false;
    return true;
}

// The extra headers as the browser documents them: "Name: value", each ending in CR LF. A last one
// without it still counts, and a bare CR or LF ends a line too, so no text runs into the next header
// or folds into the one before. Blanks around a line and its value go; a line without a valid name
// or without a value is dropped (libcurl would take "Name:" for the removal of a header of its own).
std::vector<std::string> header_lines(const std::u16string &headers)
{
    std::vector<std::string> lines;
    std::string text = utf8_from_utf16(headers.data(), headers.size());
    const char *blanks = " \t";
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        size_t first = line.find_first_not_of(blanks);
        std::string name = line.substr(first, colon - first);
        size_t from = line.find_first_not_of(blanks, colon + 1), to = line.find_last_not_of(blanks);
        std::string value = from == std::string::npos || to <= colon ? std::string() : line.substr(from, to - from + 1);
        if (is_token(name) && !value.empty())
            lines.push_back(name + ": " + value);
    }
    return lines;
}

}  // namespace

// Starts the request for a navigation (top level or frame) on the object's worker; an address that needs no
// worker, or cannot have one, is answered through the mailbox all the same, so every navigation
// ends on the window's thread in the same way.
bool web_browser::start_request(unsigned long long id, const std::u16string &url, bool post,
                                const std::shared_ptr<const post_data> &body, const std::u16string &headers)
{
    auto finish_now = [&](HRESULT error) {
        auto event = std::make_unique<transfer_event>();
        event->kind = transfer_event::done;
        event->navigation = id;
        event->result.error = error;
        event->result.status = error == S_OK ? 200 : 0;
        event->result.content_type = "text/html";
        event->result.final_url = utf8_from_utf16(url.data(), url.size());
        m_pBox->post(std::move(event));
    };
    request req;
    req.address = url;
    req.post = post;
    req.body = body;
    req.headers = header_lines(headers);
    if (has_scheme(url, u"about:")) {
        finish_now(S_OK);  // about:blank and its kin are empty pages, no request
        return true;
    }
    if (has_scheme(url, u"file:")) {
        req.file = true;
        if (!file_path_of(url, req.url)) {
            finish_now(INET_E_RESOURCE_NOT_FOUND);
            return false;
        }
    } else if (has_scheme(url, u"http://") || has_scheme(url, u"https://")) {
        req.url = encode_url(url);
    } else {
        finish_now(INET_E_UNKNOWN_PROTOCOL);
        return false;
    }
    if (!m_pWorker || !m_pWorker->start(id, std::move(req))) {
        finish_now(INET_E_DOWNLOAD_FAILURE);  // ends like any failed download, on the window's thread
        return false;
    }
    return true;
}

}  // namespace browser
}  // namespace win32
