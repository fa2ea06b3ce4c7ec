// Walking the string-table document: languages first, then the texts of each language.
#include "lang/LanguageTable.h"

#include <afxwin.h>
#include <afxcom.h>
#include <msxml.h>

#include <vector>

namespace {

// A number with automatic base, as the C run-time's wcstoul reads it: leading white space, an
// optional sign, "0x" for hexadecimal, a leading zero for octal; it stops at the first character
// that is not a digit of the base; no digits give 0; too large a value gives 0xFFFFFFFF.
DWORD ParseNumber(LPCWSTR psz)
{
    while (*psz == ' ' || (*psz >= '\t' && *psz <= '\r'))
        ++psz;
    bool bNegative = false;
    if (*psz == '+' || *psz == '-')
        bNegative = *psz++ == '-';
    unsigned nBase = 10;
    if (psz[0] == '0' && (psz[1] == 'x' || psz[1] == 'X') &&
        ((psz[2] >= '0' && psz[2] <= '9') || (psz[2] >= 'a' && psz[2] <= 'f') || (psz[2] >= 'A' && psz[2] <= 'F')))
    {
        nBase = 16;
        psz += 2;
    }
    else if (psz[0] == '0')
    {
        nBase = 8;
    }
    uint64_t nValue = 0;
    for (;; ++psz)
    {
        unsigned nDigit;
        if (*psz >= '0' && *psz <= '9')
            nDigit = *psz - '0';
        else if (*psz >= 'a' && *psz <= 'z')
            nDigit = *psz - 'a' + 10;
        else if (*psz >= 'A' && *psz <= 'Z')
            nDigit = *psz - 'A' + 10;
        else
            break;
        if (nDigit >= nBase)
            break;
        nValue = nValue * nBase + nDigit;
        if (nValue > 0xFFFFFFFFu)
            return 0xFFFFFFFFu;
    }
    DWORD nResult = static_cast<DWORD>(nValue);
    return bNegative ? 0u - nResult : nResult;
}

// Element names match code unit for code unit, as XML compares names: no case or linguistic folding.
bool IsName(LPCWSTR pszName, LPCWSTR pszWanted)
{
    while (*pszName && *pszName == *pszWanted)
        ++pszName, ++pszWanted;
    return *pszName == *pszWanted;
}

// The node's text; empty when the node is missing or the DOM fails.
CStringW NodeText(IXMLDOMNode* pNode)
{
    CComBSTR bstrText;
    if (!pNode || FAILED(pNode->get_text(&bstrText)))
        return CStringW();
    return CStringW(bstrText ? static_cast<LPCWSTR>(bstrText) : TEXT(""));   // no temporary copy of the text
}

// Calls visit(name, child) for each child node of pNode in document order, or for its child
// elements alone (what a query by name selects); a node whose list, kind or name the DOM does not
// give is skipped.
enum class Children { All, ElementsOnly };

template <typename Visit>
void ForEachChild(IXMLDOMNode* pNode, Children which, Visit visit)
{
    CComPtr<IXMLDOMNodeList> pChildren;
    LONG nChildren = 0;
    if (FAILED(pNode->get_childNodes(&pChildren)) || !pChildren || FAILED(pChildren->get_length(&nChildren)))
        nChildren = 0;
    for (LONG i = 0; i < nChildren; ++i)
    {
        CComPtr<IXMLDOMNode> pChild;
        CComBSTR bstrName;
        if (FAILED(pChildren->get_item(i, &pChild)) || !pChild)
            continue;
        DOMNodeType type = NODE_INVALID;
        if (which == Children::ElementsOnly && (FAILED(pChild->get_nodeType(&type)) || type != NODE_ELEMENT))
            continue;
        if (FAILED(pChild->get_nodeName(&bstrName)) || !bstrName)
            continue;
        visit(static_cast<LPCWSTR>(bstrName), pChild.p);
    }
}

// The backslash escapes a text may carry, replaced in this order.
void Unescape(CStringW& strValue)
{
    if (strValue.Find(TEXT('\\')) < 0)
        return;
    strValue.Replace(TEXT("\\\""), TEXT("\""));
    strValue.Replace(TEXT("\\n"), TEXT("\n"));
    strValue.Replace(TEXT("\\t"), TEXT("\t"));
}

// The first child element of each name counts; a second one of the same name is not seen.
void ParseLanguage(IXMLDOMNode* pLanguage)
{
    CStringW strLangId, strName, strEnglishName;
    bool bLangId = false, bName = false, bEnglishName = false;
    ForEachChild(pLanguage, Children::ElementsOnly, [&](LPCWSTR pszName, IXMLDOMNode* pChild) {
        if (!bLangId && IsName(pszName, TEXT("LANG_ID")))
            bLangId = true, strLangId = NodeText(pChild);
        else if (!bName && IsName(pszName, TEXT("Name")))
            bName = true, strName = NodeText(pChild);
        else if (!bEnglishName && IsName(pszName, TEXT("EnglishName")))
            bEnglishName = true, strEnglishName = NodeText(pChild);
    });
    if (strLangId.IsEmpty())
        return;
    DWORD nLangId = ParseNumber(strLangId);
    LanguageInfo& info = LanguageTable[nLangId];
    info.langId = nLangId;
    info.name = strName;
    info.englishName = strEnglishName;
}

// One text row: its fields by name, a later field of the same name replacing an earlier one.
void ParseTextRow(IXMLDOMNode* pRow)
{
    CStringW strLanguage, strId, strCode, strValue;
    ForEachChild(pRow, Children::All, [&](LPCWSTR pszName, IXMLDOMNode* pChild) {
        if (IsName(pszName, TEXT("LANG_ID")))
            strLanguage = NodeText(pChild);
        else if (IsName(pszName, TEXT("ID")))
            strId = NodeText(pChild);
        else if (IsName(pszName, TEXT("KEY_CODE")))
            strCode = NodeText(pChild);
        else if (IsName(pszName, TEXT("KEY_VALUE")))
            strValue = NodeText(pChild);
    });
    Unescape(strValue);

    LanguageInfo& info = LanguageTable[ParseNumber(strLanguage)];
    LPCWSTR pszText = info.pool->Add(strValue);
    info.byCode[static_cast<int>(ParseNumber(strCode))] = pszText;
    info.byId[strId] = pszText;
}

}  // namespace

// The Language and Table elements of the root element NewDataSet, each kind in document order:
// what "/NewDataSet/Language" and "/NewDataSet/Table" select, found in one walk.
int ParseStringTable(IXMLDOMDocument* pDocument)
{
    CComPtr<IXMLDOMElement> pRoot;
    CComBSTR bstrRootName;
    if (FAILED(pDocument->get_documentElement(&pRoot)) || !pRoot || FAILED(pRoot->get_nodeName(&bstrRootName)) ||
        !bstrRootName || !IsName(bstrRootName, TEXT("NewDataSet")))
        return 0;
    std::vector<CComPtr<IXMLDOMNode>> languages, rows;
    ForEachChild(pRoot, Children::ElementsOnly, [&](LPCWSTR pszName, IXMLDOMNode* pChild) {
        if (IsName(pszName, TEXT("Language")))
            languages.emplace_back(pChild);
        else if (IsName(pszName, TEXT("Table")))
            rows.emplace_back(pChild);
    });
    for (IXMLDOMNode* pLanguage : languages)
        ParseLanguage(pLanguage);
    for (IXMLDOMNode* pRow : rows)
        ParseTextRow(pRow);
    return static_cast<int>(rows.size());
}
