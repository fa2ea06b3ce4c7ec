// The library's localised texts: one entry per language, texts by key code, the current language.
#pragma once

#include "lang/StringPool.h"

#include <afxstr.h>

#include <map>
#include <memory>

struct LanguageInfo
{
    DWORD langId = 0;                       // 0 for an entry that only text rows brought in
    CStringW name;                          // the language's own name
    CStringW englishName;
    std::map<int, LPCWSTR> byCode;          // key code -> pooled text; what lookups use
    std::map<CStringW, LPCWSTR> byId;       // symbolic identifier -> pooled text
    std::unique_ptr<StringPool> pool = std::make_unique<StringPool>();
};

typedef std::map<DWORD, LanguageInfo> LanguageMap;

// Filled once while the library loads, read-only afterwards.
extern LanguageMap LanguageTable;

// The language GetLangString answers in (2052 Simplified Chinese, 1033 English).
extern DWORD CurrentLangId;

// Loads the string table and chooses the initial language. Run once from the static start-up.
void InitLanguageTable();

// Loads the table compiled into this library; answers the number of text rows taken in.
int LoadStringTable();

struct IXMLDOMDocument;
// Fills LanguageTable from a loaded document; answers the number of text rows taken in.
int ParseStringTable(IXMLDOMDocument* pDocument);

// The text of a key code in the current language: never NULL, empty when the language or the key
// is missing. Valid until the library is unloaded.
LPCWSTR GetLangString(int nKeyCode);
