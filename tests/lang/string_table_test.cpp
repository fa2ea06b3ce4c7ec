// The string-table parser and lookups over documents of the table's shape: escapes, numbers with
// automatic base, duplicates, missing fields, and texts over many pool chunks.
#include "lang/LanguageTable.h"
#include "support/WideText.h"

#include <afxcom.h>
#include <msxml.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

LanguageMap LanguageTable;   // the library defines it in its start-up; this program does here

namespace {

class StringTable : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CoInitialize(NULL);
        LanguageTable.clear();
        CurrentLangId = 2052;
    }

    void TearDown() override { LanguageTable.clear(); }

    // Parses a document; -1 when it is not well-formed.
    int Parse(const std::u16string& body, const std::u16string& root = u"NewDataSet")
    {
        std::u16string text = u"<?xml version=\"1.0\" encoding=\"GB2312\" ?>\r\n<" + root + u">\r\n" + body + u"</" +
                              root + u">\r\n";
        CLSID clsid;
        EXPECT_EQ(S_OK, CLSIDFromProgID(TEXT("Microsoft.XMLDOM"), &clsid));
        CComPtr<IXMLDOMDocument> pDocument;
        EXPECT_EQ(S_OK, CoCreateInstance(clsid, NULL, CLSCTX_ALL, IID_IXMLDOMDocument,
                                         reinterpret_cast<void**>(&pDocument)));
        if (!pDocument)
            return -1;
        CComBSTR bstrText(text.c_str());
        VARIANT_BOOL bLoaded = VARIANT_FALSE;
        if (FAILED(pDocument->loadXML(bstrText, &bLoaded)) || bLoaded != VARIANT_TRUE)
            return -1;
        return ParseStringTable(pDocument);
    }

    static std::u16string Row(const std::u16string& fields) { return u"  <Table>\r\n" + fields + u"  </Table>\r\n"; }

    static std::u16string Text(DWORD dwLang, const std::u16string& code, const std::u16string& value)
    {
        std::u16string lang;
        for (char c : std::to_string(dwLang))
            lang += static_cast<char16_t>(c);
        return Row(u"    <ID>IDS_X</ID>\r\n    <KEY_CODE>" + code + u"</KEY_CODE>\r\n    <KEY_VALUE><![CDATA[" + value +
                   u"]]></KEY_VALUE>\r\n    <LANG_ID>" + lang + u"</LANG_ID>\r\n");
    }

    static LPCWSTR Lookup(DWORD dwLang, int nKeyCode)
    {
        CurrentLangId = dwLang;
        return GetLangString(nKeyCode);
    }
};

TEST_F(StringTable, ReadsLanguagesAndTextsOfTheStoredShape)
{
    int nRows = Parse(u"  <Language>\r\n    <LANG_ID>2052</LANG_ID>\r\n    <Name><![CDATA[简体中文]]></Name>\r\n"
                      u"    <EnglishName>Simplified Chinese</EnglishName>\r\n  </Language>\r\n" +
                      Text(2052, u"1", u"我的权限") + Text(1033, u"1", u"My Permission") +
                      Text(2052, u"2", u"OSTREL Corporation") + Text(1033, u"2", u"OSTREL Corporation"));
    EXPECT_EQ(4, nRows);
    EXPECT_WTEXT(u"我的权限", Lookup(2052, 1));
    EXPECT_WTEXT(u"My Permission", Lookup(1033, 1));
    EXPECT_WTEXT(u"OSTREL Corporation", Lookup(1033, 2));
    EXPECT_WTEXT(u"", Lookup(2052, 0));
    EXPECT_WTEXT(u"", Lookup(2052, 3));
    EXPECT_WTEXT(u"", Lookup(1028, 1));

    const LanguageInfo& chinese = LanguageTable.at(2052);
    EXPECT_EQ(2052u, chinese.langId);
    EXPECT_WTEXT(u"简体中文", static_cast<LPCWSTR>(chinese.name));
    EXPECT_WTEXT(u"Simplified Chinese", static_cast<LPCWSTR>(chinese.englishName));
    EXPECT_EQ(0u, LanguageTable.at(1033).langId);   // brought in by text rows only
    EXPECT_WTEXT(u"OSTREL Corporation", chinese.byId.at(CStringW(TEXT("IDS_X"))));   // the last row of that id
}

TEST_F(StringTable, ReplacesTheKnownEscapesInOrder)
{
    struct { const char16_t* stored; const char16_t* expected; } cases[] = {
        {u"\\\"a\\nb\\tc", u"\"a\nb\tc"},
        {u"\\\\n", u"\\\n"},              // a backslash before an escape stays
        {u"\\x\\r\\", u"\\x\\r\\"},       // no other escapes are known
        {u"\\\\\"", u"\\\""},
        {u"plain", u"plain"},
    };
    std::u16string body;
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
        body += Text(2052, std::u16string(1, static_cast<char16_t>(u'1' + i)), cases[i].stored);
    ASSERT_EQ(5, Parse(body));
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
        EXPECT_WTEXT(cases[i].expected, Lookup(2052, static_cast<int>(i + 1))) << "case " << i;
}

TEST_F(StringTable, ReadsNumbersWithAutomaticBase)
{
    struct { const char16_t* langId; const char16_t* keyCode; DWORD dwLang; int nKey; } cases[] = {
        {u"0x804", u"1", 2052, 1},
        {u"04004", u"0x10", 2052, 16},
        {u"2052abc", u"017", 2052, 15},
        {u" 1033", u"-1", 1033, -1},
        {u"0X409", u"08", 1033, 0},        // 8 is no octal digit
        {u"x", u"99999999999", 0, -1},     // no digits: 0; too large: all bits set
    };
    std::u16string body;
    for (const auto& c : cases)
        body += Row(u"<LANG_ID>" + std::u16string(c.langId) + u"</LANG_ID><KEY_CODE>" + c.keyCode +
                    u"</KEY_CODE><KEY_VALUE><![CDATA[" + c.langId + u"|" + c.keyCode + u"]]></KEY_VALUE>");
    ASSERT_EQ(6, Parse(body));
    for (const auto& c : cases)
        EXPECT_WTEXT((std::u16string(c.langId) + u"|" + c.keyCode).c_str(), Lookup(c.dwLang, c.nKey))
            << Utf8(reinterpret_cast<LPCWSTR>(c.langId));
}

TEST_F(StringTable, LaterRowsAndFieldsWin)
{
    ASSERT_EQ(3, Parse(Text(2052, u"1", u"first") + Text(2052, u"1", u"second") +
                       Row(u"<KEY_VALUE>a</KEY_VALUE><LANG_ID>2052</LANG_ID><KEY_CODE>7</KEY_CODE>"
                           u"<!-- note --><KEY_VALUE>b</KEY_VALUE>")));
    EXPECT_WTEXT(u"second", Lookup(2052, 1));
    EXPECT_WTEXT(u"b", Lookup(2052, 7));
}

// The DOM trims the white space around a field's text, as Windows' does; CDATA keeps its own.
TEST_F(StringTable, WhiteSpaceAroundTextsIsNotPartOfThem)
{
    ASSERT_EQ(3, Parse(u"<Language><LANG_ID>\r\n 3082 </LANG_ID><Name>\t Español \r\n</Name>"
                       u"<EnglishName> Spanish</EnglishName></Language>" +
                       Row(u"<LANG_ID> 3082 </LANG_ID><KEY_CODE> 1 </KEY_CODE><KEY_VALUE>\r\n  two  words \\n </KEY_VALUE>") +
                       Row(u"<LANG_ID>3082</LANG_ID><KEY_CODE>2</KEY_CODE><KEY_VALUE> <![CDATA[ kept ]]> </KEY_VALUE>") +
                       Row(u"<LANG_ID>3082</LANG_ID><KEY_CODE>3</KEY_CODE><KEY_VALUE> \r\n </KEY_VALUE>")));
    const LanguageInfo& spanish = LanguageTable.at(3082);
    EXPECT_WTEXT(u"Español", static_cast<LPCWSTR>(spanish.name));
    EXPECT_WTEXT(u"Spanish", static_cast<LPCWSTR>(spanish.englishName));
    EXPECT_WTEXT(u"two  words \n", Lookup(3082, 1));   // the line feed of an escape is kept
    EXPECT_WTEXT(u" kept ", Lookup(3082, 2));
    EXPECT_WTEXT(u"", Lookup(3082, 3));
}

TEST_F(StringTable, MissingFieldsAreNotErrors)
{
    int nRows = Parse(u"<Language><Name>no id</Name></Language>"
                      u"<Language><LANG_ID></LANG_ID><Name>empty id</Name></Language>"
                      u"<Language><LANG_ID>3082</LANG_ID><Name>first</Name></Language>"
                      u"<Language><LANG_ID>3082</LANG_ID><Name>second</Name><Name>ignored</Name></Language>" +
                      Row(u"<KEY_VALUE>orphan</KEY_VALUE>") + Row(u"") +
                      Row(u"<lang_id>2052</lang_id><KEY_CODE>5</KEY_CODE><KEY_VALUE>case matters</KEY_VALUE>"));
    EXPECT_EQ(3, nRows);
    EXPECT_EQ(2u, LanguageTable.size());   // 3082 and 0
    EXPECT_WTEXT(u"second", static_cast<LPCWSTR>(LanguageTable.at(3082).name));
    EXPECT_WTEXT(u"", static_cast<LPCWSTR>(LanguageTable.at(3082).englishName));
    EXPECT_WTEXT(u"", Lookup(0, 0));        // the empty row came last and replaced the orphan
    EXPECT_WTEXT(u"case matters", Lookup(0, 5));
    EXPECT_EQ(0u, LanguageTable.at(0).langId);
}

TEST_F(StringTable, PooledTextsStayPutAcrossManyChunks)
{
    std::u16string body;
    const int nRows = 2500;   // about 40000 characters: ten chunks
    std::u16string longText(5000, u'L');
    for (int i = 0; i < nRows; ++i)
    {
        std::u16string code;
        for (char c : std::to_string(i + 10))
            code += static_cast<char16_t>(c);
        body += Text(1033, code, u"text-" + code + u"-" + std::u16string(i % 13, u'x'));
        if (i == nRows / 2)
            body += Text(1033, u"5", longText);   // more than a chunk: stored whole
    }
    ASSERT_EQ(nRows + 1, Parse(body));
    EXPECT_GT(LanguageTable.at(1033).pool->chunks.size(), 8u);

    std::vector<LPCWSTR> texts;
    for (int i = 0; i < nRows; ++i)
        texts.push_back(Lookup(1033, i + 10));
    for (int i = 0; i < nRows; ++i)
    {
        std::string code = std::to_string(i + 10);
        ASSERT_EQ("text-" + code + "-" + std::string(i % 13, 'x'), Utf8(texts[i])) << "key " << i + 10;
    }
    EXPECT_EQ(5000, lstrlenW(Lookup(1033, 5)));
}

// Only Language and Table elements right under the root NewDataSet count: under another root, deeper
// down, or among comments and processing instructions nothing else is taken.
TEST_F(StringTable, OnlyTheRootsOwnLanguageAndTableElementsCount)
{
    struct Case {
        const char* what;
        std::u16string root, body;
        int rows;
        const char16_t* key1;   // key 1 in language 2052 afterwards
    } cases[] = {
        {"another root", u"DataSet", Text(2052, u"1", u"other"), 0, u""},
        {"nested one level down", u"NewDataSet", u"<Group>" + Text(2052, u"1", u"deep") + u"</Group>", 0, u""},
        {"beside comments", u"NewDataSet", u"<!-- a -->" + Text(2052, u"1", u"kept") + u"<?Table x?><!-- b -->", 1,
         u"kept"},
        {"languages after the texts", u"NewDataSet",
         Text(2052, u"1", u"text") + u"<Language><?LANG_ID 1028?><LANG_ID>2052</LANG_ID><Name>n</Name></Language>", 1,
         u"text"},
    };
    for (const Case& c : cases) {
        LanguageTable.clear();
        EXPECT_EQ(c.rows, Parse(c.body, c.root)) << c.what;
        EXPECT_WTEXT(c.key1, Lookup(2052, 1)) << c.what;
    }
    EXPECT_WTEXT(u"n", static_cast<LPCWSTR>(LanguageTable.at(2052).name));
}

TEST(StringPoolChunks, TextsAtTheChunkBoundaryAreCopiedWhole)
{
    StringPool pool;
    std::vector<std::u16string> inputs = {std::u16string(4095, u'a'), u"", u"b", std::u16string(4096, u'c'),
                                          std::u16string(4094, u'd'), u"e", u"f", std::u16string(10000, u'g')};
    std::vector<LPCWSTR> stored;
    for (const auto& text : inputs)
        stored.push_back(pool.Add(text.c_str()));
    for (size_t i = 0; i < inputs.size(); ++i)
        EXPECT_EQ(Utf8(reinterpret_cast<LPCWSTR>(inputs[i].c_str())), Utf8(stored[i])) << "text " << i;
    for (const auto& chunk : pool.chunks)
        EXPECT_LE(chunk.used, chunk.capacity);
}

}  // namespace
