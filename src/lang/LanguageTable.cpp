// The current language, and looking texts up in it.
#include "lang/LanguageTable.h"

DWORD CurrentLangId = 1033;

static const WCHAR s_szEmpty[] = TEXT("");

LPCWSTR GetLangString(int nKeyCode)
{
    LanguageMap::const_iterator language = LanguageTable.find(CurrentLangId);
    if (language == LanguageTable.end())
        return s_szEmpty;
    std::map<int, LPCWSTR>::const_iterator text = language->second.byCode.find(nKeyCode);
    if (text == language->second.byCode.end())
        return s_szEmpty;
    return text->second;
}
