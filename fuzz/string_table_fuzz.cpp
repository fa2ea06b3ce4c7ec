// The string-table document as the library reads it at start-up: its bytes up to the first zero
// decoded as GB2312, loaded by the XML DOM, walked into the language table, then looked up.
#include "lang/LanguageTable.h"

#include <afxcom.h>
#include <msxml.h>
#include <objbase.h>

#include <cstdint>
#include <vector>

LanguageMap LanguageTable;  // the library's start-up defines it; the target does here

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool initialised = SUCCEEDED(CoInitialize(NULL));
    static CLSID clsid;
    static const bool found = SUCCEEDED(CLSIDFromProgID(TEXT("Microsoft.XMLDOM"), &clsid));
    if (!initialised || !found)
        return 0;

    int length = 0;
    while (size_t(length) < size && length < (1 << 20) && data[length])
        ++length;
    if (length == 0)
        return 0;
    const char *bytes = reinterpret_cast<const char *>(data);
    int wide_length = MultiByteToWideChar(936, 0, bytes, length, NULL, 0);
    if (wide_length <= 0)
        return 0;
    std::vector<WCHAR> text(size_t(wide_length) + 1);
    MultiByteToWideChar(936, 0, bytes, length, text.data(), wide_length);

    CComPtr<IXMLDOMDocument> document;
    if (FAILED(CoCreateInstance(clsid, NULL, CLSCTX_ALL, IID_IXMLDOMDocument, reinterpret_cast<void **>(&document))))
        return 0;
    CComBSTR source(text.data());
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (SUCCEEDED(document->loadXML(source, &loaded)) && loaded == VARIANT_TRUE) {
        ParseStringTable(document);
        for (DWORD language : {1033u, 2052u}) {
            CurrentLangId = language;
            for (int code = 0; code < 8; ++code)
                GetLangString(code);
        }
    }
    LanguageTable.clear();
    return 0;
}
