// What Windows does with initialization files: lookups by section and key without regard to case,
// defaults, truncation, name lists, writes that edit in place, and hex structures with a checksum.
#include "kernel_scratch.h"
#include "support/WideText.h"

namespace {

void WriteBytes(const std::u16string &path, const std::string &bytes)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, NULL));
    CloseHandle(h);
}

std::string ReadBytes(const std::u16string &path)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return "(missing)";
    std::string bytes;
    char chunk[256];
    DWORD got = 0;
    while (ReadFile(h, chunk, sizeof chunk, &got, NULL) && got > 0) bytes.append(chunk, got);
    CloseHandle(h);
    return bytes;
}

std::u16string Get(LPCWSTR section, LPCWSTR key, LPCWSTR def, const std::u16string &file)
{
    WCHAR buffer[256];
    DWORD n = GetPrivateProfileStringW(section, key, def, buffer, 256, file.c_str());
    return std::u16string(buffer, n);
}

const char kSample[] =
    "; settings\r\n"
    "[Server]\r\n"
    "BaseUrl = http://127.0.0.1:8080/sso \r\n"
    "Quoted=\"  padded  \"\r\n"
    "Single='x'\r\n"
    "Empty=\r\n"
    "Port=8080\r\n"
    "\r\n"
    "[Client]\n"
    "Name=first\n"
    "Count=7\n"
    "Partial=12abc\n"
    "Word=abc\n";

}  // namespace

TEST(KernelProfile, LookupsMatchSectionAndKeyWithoutCaseAndTrimBlanks)
{
    struct Case {
        LPCWSTR section, key, def;
        const char16_t *expected;
    };
    const Case cases[] = {
        {u"Server", u"BaseUrl", u"none", u"http://127.0.0.1:8080/sso"},
        {u"SERVER", u"baseurl", u"none", u"http://127.0.0.1:8080/sso"},
        {u"server", u"Quoted", u"none", u"  padded  "},   // quotes go, the blanks inside stay
        {u"Server", u"Single", u"none", u"x"},
        {u"Server", u"Empty", u"none", u""},              // present but empty: not the default
        {u"client", u"NAME", u"none", u"first"},
        {u"Server", u"Name", u"none", u"none"},           // keys belong to their own section
        {u"Server", u"Missing", u"fallback  ", u"fallback"},   // the default loses trailing blanks
        {u"Nowhere", u"Port", NULL, u""},
    };
    ScratchDir scratch;
    std::u16string file = scratch.Path(u"sample.ini");
    WriteBytes(file, kSample);
    for (const Case &c : cases) {
        SCOPED_TRACE(Utf8(c.section) + "/" + Utf8(c.key));
        EXPECT_WTEXT(c.expected, Get(c.section, c.key, c.def, file).c_str());
    }
}

TEST(KernelProfile, MissingFileAnswersTheDefaultWithFileNotFound)
{
    ScratchDir scratch;
    std::u16string file = scratch.Path(u"absent.ini");
    WCHAR buffer[16];
    SetLastError(0xdeadbeef);
    EXPECT_EQ(7u, GetPrivateProfileStringW(u"A", u"B", u"default", buffer, 16, file.c_str()));
    EXPECT_WTEXT(u"default", buffer);
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(5u, GetPrivateProfileIntW(u"A", u"B", 5, file.c_str()));
}

TEST(KernelProfile, ValuesAndListsAreCutToTheBuffer)
{
    ScratchDir scratch;
    std::u16string file = scratch.Path(u"sample.ini");
    WriteBytes(file, kSample);

    WCHAR buffer[64];
    EXPECT_EQ(4u, GetPrivateProfileStringW(u"Server", u"BaseUrl", NULL, buffer, 5, file.c_str()));
    EXPECT_WTEXT(u"http", buffer);

    // Section names, then the keys of one section: each ends with a null, the list with another.
    DWORD n = GetPrivateProfileStringW(NULL, NULL, NULL, buffer, 64, file.c_str());
    EXPECT_EQ(std::u16string(u"Server\0Client\0", 14), std::u16string(buffer, n));
    EXPECT_EQ(0, buffer[n]);
    n = GetPrivateProfileStringW(u"client", NULL, NULL, buffer, 64, file.c_str());
    EXPECT_EQ(std::u16string(u"Name\0Count\0Partial\0Word\0", 24), std::u16string(buffer, n));

    // A list that does not fit answers size - 2 and is still double-terminated.
    n = GetPrivateProfileStringW(u"client", NULL, NULL, buffer, 8, file.c_str());
    EXPECT_EQ(6u, n);
    EXPECT_EQ(0, buffer[6]);
    EXPECT_EQ(0, buffer[7]);
    EXPECT_EQ(std::u16string(u"Name\0C", 6), std::u16string(buffer, 6));
}

TEST(KernelProfile, IntegersReadLeadingDigitsAndMissingKeysGiveTheDefault)
{
    struct Case {
        LPCWSTR section, key;
        INT def;
        UINT expected;
    };
    const Case cases[] = {
        {u"Server", u"Port", 1, 8080},
        {u"Client", u"Partial", 1, 12},
        {u"Client", u"Word", 1, 0},
        {u"Client", u"Missing", 99, 99},
    };
    ScratchDir scratch;
    std::u16string file = scratch.Path(u"sample.ini");
    WriteBytes(file, kSample);
    for (const Case &c : cases) {
        SCOPED_TRACE(Utf8(c.key));
        EXPECT_EQ(c.expected, GetPrivateProfileIntW(c.section, c.key, c.def, file.c_str()));
    }
}

TEST(KernelProfile, WritesCreateReplaceAddAndRemoveEntries)
{
    ScratchDir scratch;
    std::u16string file = scratch.Path(u"written.ini");
    ASSERT_TRUE(WritePrivateProfileStringW(u"Main", u"Key", u"one", file.c_str()));
    EXPECT_EQ("[Main]\r\nKey=one\r\n", ReadBytes(file));

    ASSERT_TRUE(WritePrivateProfileStringW(u"Other", u"A", u"1", file.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(u"MAIN", u"Second", u"two", file.c_str()));   // same section
    ASSERT_TRUE(WritePrivateProfileStringW(u"main", u"Key", u"three", file.c_str()));    // same key
    EXPECT_WTEXT(u"three", Get(u"Main", u"KEY", NULL, file).c_str());
    EXPECT_WTEXT(u"two", Get(u"Main", u"Second", NULL, file).c_str());
    EXPECT_WTEXT(u"1", Get(u"Other", u"A", NULL, file).c_str());
    EXPECT_EQ(std::u16string(u"Main\0Other\0", 11), Get(NULL, NULL, NULL, file));
    EXPECT_EQ(std::u16string(u"Key\0Second\0", 11), Get(u"Main", NULL, NULL, file));

    ASSERT_TRUE(WritePrivateProfileStringW(u"Main", u"Key", NULL, file.c_str()));
    EXPECT_WTEXT(u"gone", Get(u"Main", u"Key", u"gone", file).c_str());
    EXPECT_WTEXT(u"two", Get(u"Main", u"Second", NULL, file).c_str());

    ASSERT_TRUE(WritePrivateProfileStringW(u"Main", NULL, NULL, file.c_str()));
    EXPECT_EQ(std::u16string(u"Other\0", 6), Get(NULL, NULL, NULL, file));
    EXPECT_WTEXT(u"1", Get(u"Other", u"A", NULL, file).c_str());
}

TEST(KernelProfile, RemovingFromAMissingFileCreatesNothingAndAMissingFolderFails)
{
    ScratchDir scratch;
    std::u16string file = scratch.Path(u"never.ini");
    EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"K", NULL, file.c_str()));
    EXPECT_TRUE(WritePrivateProfileStringW(u"S", NULL, NULL, file.c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(file.c_str()));

    std::u16string deep = scratch.Dir() + u"\\no-such-folder\\x.ini";
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"K", u"v", deep.c_str()));
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());
}

TEST(KernelProfile, UnicodeFilesWithAByteOrderMarkStayUnicode)
{
    ScratchDir scratch;
    std::u16string file = scratch.Path(u"unicode.ini");
    std::u16string text = u"[Lang]\r\nCaption=\u6211\u7684\u6743\u9650\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(char(c & 0xFF));
        bytes.push_back(char(c >> 8));
    }
    WriteBytes(file, bytes);
    EXPECT_WTEXT(u"\u6211\u7684\u6743\u9650", Get(u"lang", u"caption", NULL, file).c_str());

    ASSERT_TRUE(WritePrivateProfileStringW(u"Lang", u"Other", u"\u952e", file.c_str()));
    std::string after = ReadBytes(file);
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ("\xFF\xFE", after.substr(0, 2));
    EXPECT_WTEXT(u"\u952e", Get(u"Lang", u"Other", NULL, file).c_str());
    EXPECT_WTEXT(u"\u6211\u7684\u6743\u9650", Get(u"Lang", u"Caption", NULL, file).c_str());
}

TEST(KernelProfile, StructuresAreHexWithAChecksumThatRejectsTampering)
{
    ScratchDir scratch;
    std::u16string file = scratch.Path(u"struct.ini");
    BYTE data[3] = {0x01, 0xA2, 0xFF};
    ASSERT_TRUE(WritePrivateProfileStructW(u"Window", u"Placement", data, sizeof data, file.c_str()));
    EXPECT_WTEXT(u"01A2FFA2", Get(u"Window", u"Placement", NULL, file).c_str());   // 0x01+0xA2+0xFF = 0x1A2

    BYTE back[3] = {};
    EXPECT_TRUE(GetPrivateProfileStructW(u"window", u"placement", back, sizeof back, file.c_str()));
    EXPECT_EQ(0, memcmp(data, back, sizeof data));

    struct Case {
        const char16_t *stored;
        UINT size;
    };
    const Case rejected[] = {
        {u"01A2FEA2", 3},    // a byte changed, checksum kept
        {u"01A2FFA3", 3},    // the checksum changed
        {u"01A2FFA2", 2},    // the wrong size
        {u"01A2FFA2", 4},
        {u"01A2FGA2", 3},    // not hex
    };
    for (const Case &c : rejected) {
        SCOPED_TRACE(Utf8(c.stored));
        ASSERT_TRUE(WritePrivateProfileStringW(u"Window", u"Placement", c.stored, file.c_str()));
        BYTE target[4] = {0x55, 0x55, 0x55, 0x55};
        EXPECT_FALSE(GetPrivateProfileStructW(u"Window", u"Placement", target, c.size, file.c_str()));
        for (BYTE b : target) EXPECT_EQ(0x55, b);   // untouched on failure
    }
    BYTE target[3];
    EXPECT_FALSE(GetPrivateProfileStructW(u"Window", u"Missing", target, sizeof target, file.c_str()));
}
