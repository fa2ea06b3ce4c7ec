// Code-page choice and decoding of page bodies, whole or in pieces, through MultiByteToWideChar.
#include "browser/charset.h"
#include "browser/html.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace win32 {
namespace html {

namespace {

std::string lower_ascii(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    return s;
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

std::u16string to_utf16(const char *data, size_t size, UINT code_page)
{
    if (size == 0)
        return std::u16string();
    int count = MultiByteToWideChar(code_page, 0, data, int(size), NULL, 0);
    if (count <= 0) {
        // A code page the system cannot convert: read the bytes as Latin-1 rather than show nothing.
        std::u16string latin(size, u'\0');
        for (size_t i = 0; i < size; ++i)
            latin[i] = char16_t((unsigned char)data[i]);
        return latin;
    }
    std::u16string out(size_t(count), u'\0');
    MultiByteToWideChar(code_page, 0, data, int(size), &out[0], count);
    return out;
}

bool is_lead_byte(UINT code_page, unsigned char b)
{
    if (code_page == 932)
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return b >= 0x81 && b <= 0xFE;  // 936, 949, 950
}

// How many bytes at the front hold only whole characters.
size_t complete_prefix(const char *data, size_t size, UINT code_page)
{
    if (code_page == CP_UTF8) {
        for (size_t k = 1; k <= std::min<size_t>(3, size); ++k) {
            unsigned char b = (unsigned char)data[size - k];
            if ((b & 0xC0) == 0x80)
                continue;
            size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
            return need > k ? size - k : size;
        }
        return size;
    }
    if (code_page == 932 || code_page == 936 || code_page == 949 || code_page == 950) {
        size_t i = 0;
        while (i < size)
            i += is_lead_byte(code_page, (unsigned char)data[i]) ? 2 : 1;
        return i > size ? size - 1 : size;
    }
    return size;
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
    stream_decoder decoder(code_page);
    return decoder.decode(body.data(), std::min(body.size(), max_document_bytes), true);
}

std::u16string stream_decoder::decode(const char *data, size_t size, bool last)
{
    std::string bytes;
    bytes.reserve(m_pending.size() + size);
    bytes.swap(m_pending);
    bytes.append(data, size);
    size_t start = 0;
    if (!m_bStarted && m_nCodePage == CP_UTF8) {
        if (bytes.size() < 3 && !last && memcmp(bytes.data(), "\xEF\xBB\xBF", bytes.size()) == 0) {
            m_pending.swap(bytes);  // too short yet to tell a byte-order mark
            return std::u16string();
        }
        if (bytes.size() >= 3 && memcmp(bytes.data(), "\xEF\xBB\xBF", 3) == 0)
            start = 3;
    }
    m_bStarted = true;
    size_t end = last ? bytes.size() : start + complete_prefix(bytes.data() + start, bytes.size() - start, m_nCodePage);
    m_pending.assign(bytes, end, std::string::npos);
    return to_utf16(bytes.data() + start, end - start, m_nCodePage);
}

}  // namespace html
}  // namespace win32
