// Start-up of the language table: the XML string table compiled into this library, loaded
// through the XML DOM, and the choice of the initial language.
#include "lang/LanguageTable.h"
#include "res/resource.h"

#include <afxwin.h>
#include <afxcom.h>
#include <msxml.h>
#include <objbase.h>

#define STRING_TABLE_TYPE TEXT("STRING")
#define STRING_TABLE_CODE_PAGE 936
#define XML_DOM_PROGID TEXT("Microsoft.XMLDOM")

// The module that holds this code: the plug-in, not the host and not the class library.
static HMODULE GetThisModule()
{
    MEMORY_BASIC_INFORMATION mbi;
    if (!VirtualQuery(reinterpret_cast<LPCVOID>(&GetThisModule), &mbi, sizeof(mbi)))
        return NULL;
    return static_cast<HMODULE>(mbi.AllocationBase);
}

// The table's text: its bytes up to the first zero byte, decoded as GB2312 whatever the system's
// code page is (the document's own encoding declaration is not applied).
static BOOL ReadStringTableText(HMODULE hModule, CStringW& strText)
{
    HRSRC hResource = FindResourceW(hModule, MAKEINTRESOURCEW(IDR_STRING_TABLE), STRING_TABLE_TYPE);
    if (!hResource)
        return FALSE;
    DWORD cbSize = SizeofResource(hModule, hResource);
    HGLOBAL hData = LoadResource(hModule, hResource);
    if (!hData)
        return FALSE;
    const char* pBytes = static_cast<const char*>(LockResource(hData));
    if (!pBytes)
        return FALSE;

    int cbText = 0;
    while (cbText < static_cast<int>(cbSize) && pBytes[cbText])
        ++cbText;
    if (cbText == 0)
        return TRUE;
    // A character of this code page is one or two bytes and one UTF-16 unit, so the byte count is
    // room enough for one pass.
    int cchText = MultiByteToWideChar(STRING_TABLE_CODE_PAGE, 0, pBytes, cbText, strText.GetBuffer(cbText), cbText);
    if (cchText <= 0)
    {
        strText.ReleaseBuffer(0);
        return FALSE;
    }
    strText.ReleaseBuffer(cchText);
    return TRUE;
}

// Removes the encoding pseudo-attribute from the document's XML declaration. The text is already
// decoded, so it says nothing the parser needs; some DOM implementations refuse a byte encoding
// named in text handed to loadXML.
static void DropEncodingDeclaration(CStringW& strText)
{
    if (strText.Find(TEXT("<?xml")) != 0)
        return;
    int iEnd = strText.Find(TEXT("?>"));
    int iName = strText.Find(TEXT(" encoding"));
    if (iEnd < 0 || iName < 0 || iName > iEnd)
        return;
    int i = iName + 9;
    while (i < iEnd && (strText[i] == TEXT(' ') || strText[i] == TEXT('=')))
        ++i;
    if (i >= iEnd || (strText[i] != TEXT('"') && strText[i] != TEXT('\'')))
        return;
    int iClose = strText.Find(strText[i], i + 1);
    if (iClose < 0 || iClose > iEnd)
        return;
    strText.Delete(iName, iClose + 1 - iName);
}

static HRESULT CreateXmlDocument(CComPtr<IXMLDOMDocument>& pDocument)
{
    CLSID clsid;
    LPCWSTR pszProgId = XML_DOM_PROGID;
    HRESULT hr = pszProgId[0] == TEXT('{') ? CLSIDFromString(pszProgId, &clsid) : CLSIDFromProgID(pszProgId, &clsid);
    if (FAILED(hr))
        return hr;
    CComPtr<IUnknown> pUnknown;
    hr = CoCreateInstance(clsid, NULL, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&pUnknown));
    if (FAILED(hr))
        return hr;
    hr = OleRun(pUnknown);
    if (FAILED(hr))
        return hr;
    return pUnknown->QueryInterface(IID_IXMLDOMDocument, reinterpret_cast<void**>(&pDocument));
}

int LoadStringTable()
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());

    HMODULE hModule = GetThisModule();
    CStringW strText;
    if (!hModule || !ReadStringTableText(hModule, strText))
        return 0;

    CoInitialize(NULL);   // this thread's apartment; never uninitialised by the library

    CComPtr<IXMLDOMDocument> pDocument;
    if (FAILED(CreateXmlDocument(pDocument)) || !pDocument)
        return 0;

    DropEncodingDeclaration(strText);
    CComBSTR bstrText(strText.GetLength(), strText);
    VARIANT_BOOL bLoaded = VARIANT_FALSE;
    if (FAILED(pDocument->loadXML(bstrText, &bLoaded)) || bLoaded != VARIANT_TRUE)
        return 0;
    return ParseStringTable(pDocument);
}

void InitLanguageTable()
{
    try
    {
        LoadStringTable();
    }
    catch (CException* e)   // out of memory part way: keep what was taken in
    {
        e->Delete();
    }

    LanguageMap::iterator english = LanguageTable.find(1033);
    if (english != LanguageTable.end())
    {
        english->second.name = TEXT("English");
        english->second.englishName = TEXT("English");
        english->second.langId = 1033;
    }

    CurrentLangId = GetUserDefaultLangID();
    if (LanguageTable.find(CurrentLangId) == LanguageTable.end())
        CurrentLangId = 1033;
}
