// The layer's interface and class identifiers, and GUIDs written as "{...}" strings.
#define INITGUID
#include <ole2.h>
#include <msxml.h>

#include "internal/com_server.h"

namespace {

int hex_value(WCHAR c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Reads `digits` hex digits at s; false when one is not a hex digit (a terminator included).
bool read_hex(LPCOLESTR &s, int digits, uint32_t &value)
{
    value = 0;
    for (int i = 0; i < digits; ++i) {
        int v = hex_value(s[i]);
        if (v < 0)
            return false;
        value = (value << 4) | uint32_t(v);
    }
    s += digits;
    return true;
}

// Exactly "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", either case, and nothing after it.
bool parse_guid(LPCOLESTR s, GUID &guid)
{
    uint32_t v;
    if (*s++ != u'{')
        return false;
    if (!read_hex(s, 8, v) || *s++ != u'-')
        return false;
    guid.Data1 = v;
    if (!read_hex(s, 4, v) || *s++ != u'-')
        return false;
    guid.Data2 = uint16_t(v);
    if (!read_hex(s, 4, v) || *s++ != u'-')
        return false;
    guid.Data3 = uint16_t(v);
    for (int i = 0; i < 8; ++i) {
        if (!read_hex(s, 2, v))
            return false;
        guid.Data4[i] = uint8_t(v);
        if (i == 1 && *s++ != u'-')
            return false;
    }
    return s[0] == u'}' && s[1] == 0;
}

void write_hex(LPOLESTR &out, uint32_t value, int digits)
{
    static const char16_t hex[] = u"0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; --i)
        *out++ = hex[(value >> (4 * i)) & 0xF];
}

// A null string is GUID_NULL; a malformed one leaves GUID_NULL behind and answers bad.
HRESULT read_guid(LPCOLESTR text, GUID *guid, HRESULT bad)
{
    if (!guid)
        return E_INVALIDARG;
    GUID parsed = GUID_NULL;
    if (text && !parse_guid(text, parsed)) {
        *guid = GUID_NULL;
        return bad;
    }
    *guid = parsed;
    return S_OK;
}

}  // namespace

// Only the braced form is read here; ProgIDs go to CLSIDFromProgID.
HRESULT WINAPI CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid)
{
    return read_guid(lpsz, pclsid, CO_E_CLASSSTRING);
}

HRESULT WINAPI CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid)
{
    if (!lpszProgID || !lpclsid)
        return E_INVALIDARG;
    if (!win32::find_com_progid(lpszProgID, lpclsid)) {
        *lpclsid = GUID_NULL;
        return CO_E_CLASSSTRING;
    }
    return S_OK;
}

// Upper-case digits; the result counts the terminator, 0 when the buffer is too small.
int WINAPI StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax)
{
    if (!lpsz || cchMax < CHARS_IN_GUID)
        return 0;
    LPOLESTR out = lpsz;
    *out++ = u'{';
    write_hex(out, rguid.Data1, 8);
    *out++ = u'-';
    write_hex(out, rguid.Data2, 4);
    *out++ = u'-';
    write_hex(out, rguid.Data3, 4);
    *out++ = u'-';
    for (int i = 0; i < 8; ++i) {
        write_hex(out, rguid.Data4[i], 2);
        if (i == 1)
            *out++ = u'-';
    }
    *out++ = u'}';
    *out = 0;
    return CHARS_IN_GUID;
}
