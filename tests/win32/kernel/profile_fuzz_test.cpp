// Name lists of initialisation files cut by the buffer where the names before already fill it:
// inputs the fuzz target found writing past the buffer's end.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/HostFolder.h"

#include <string>

namespace {

void WriteText(const std::u16string &path, const std::string &text)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(h, text.data(), DWORD(text.size()), &written, NULL));
    CloseHandle(h);
}

}  // namespace

// A list that does not fit is cut, ends with two nulls inside the buffer, and answers size - 2
// (documented for null section and null key); nothing past the buffer changes.
TEST(KernelProfileCut, ListsFilledToOneShortStayInsideTheBuffer)
{
    struct Case {
        const char *file;
        LPCWSTR section;  // NULL lists the sections
        DWORD size;
        std::u16string expected;  // the whole buffer
    };
    const Case cases[] = {
        {"[\n[16", NULL, 2, std::u16string(u"\0\0", 2)},
        {"[ab]\n[cd]\n", NULL, 4, std::u16string(u"ab\0\0", 4)},
        {"[ab]\n[cd]\n", NULL, 5, std::u16string(u"ab\0\0\0", 5)},
        {"[ab]\n[cd]\n", NULL, 6, std::u16string(u"ab\0c\0\0", 6)},
        {"[s]\na\nbc\n", u"s", 3, std::u16string(u"a\0\0", 3)},
        {"[s]\na=1\nbcd=2\n", u"s", 4, std::u16string(u"a\0\0\0", 4)},
    };
    HostFolder folder("kh-profile-cut");
    std::u16string path = folder.Path(u"cut.ini");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        WriteText(path, c.file);
        WCHAR buffer[16];
        for (WCHAR &ch : buffer)
            ch = u'#';
        DWORD n = GetPrivateProfileStringW(c.section, NULL, TEXT(""), buffer, c.size, path.c_str());
        EXPECT_EQ(c.size - 2, n);
        EXPECT_EQ(c.expected, std::u16string(buffer, c.size));
        EXPECT_EQ(std::u16string(16 - c.size, u'#'), std::u16string(buffer + c.size, 16 - c.size)) << "written past the buffer";
    }
}
