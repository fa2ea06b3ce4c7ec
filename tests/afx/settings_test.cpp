// The application's settings file through CWinApp: byte blocks as hex text that reads back, long
// strings, integers, and values that are not byte blocks.
#include <afxwin.h>
#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string SettingsPath()
{
    WCHAR dir[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, dir);
    std::string tag = "kh-afx-settings-" + std::to_string(GetCurrentProcessId()) + ".ini";
    return std::u16string(dir, n) + std::u16string(tag.begin(), tag.end());
}

}  // namespace

TEST(AfxSettings, BinaryBlocksStringsAndIntegersReadBack)
{
    std::u16string path = SettingsPath();
    DeleteFileW(path.c_str());
    CWinApp app(TEXT("Settings"));
    app.m_pszProfileName = path.c_str();

    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    wp.showCmd = SW_SHOWNORMAL;
    wp.rcNormalPosition = {-5, 10, 300, 0x7FFF0000};
    ASSERT_TRUE(app.WriteProfileBinary(TEXT("Layout"), TEXT("WindowPlacement"), reinterpret_cast<LPBYTE>(&wp), sizeof wp));
    CString text = app.GetProfileString(TEXT("Layout"), TEXT("WindowPlacement"));
    EXPECT_EQ(int(2 * sizeof wp), text.GetLength());
    EXPECT_EQ(0, text.Left(8).Compare(TEXT("2C000000")));   // length 44, little-endian, two digits a byte

    LPBYTE pData = NULL;
    UINT nBytes = 0;
    ASSERT_TRUE(app.GetProfileBinary(TEXT("layout"), TEXT("windowplacement"), &pData, &nBytes));
    ASSERT_EQ(UINT(sizeof wp), nBytes);
    EXPECT_EQ(0, memcmp(&wp, pData, sizeof wp));
    delete[] pData;

    struct Case {
        LPCTSTR stored;
    };
    const Case notBlocks[] = {{TEXT("ABC")}, {TEXT("0G")}, {TEXT("")}};
    for (const Case &c : notBlocks) {
        ASSERT_TRUE(app.WriteProfileString(TEXT("Layout"), TEXT("Bad"), c.stored));
        pData = reinterpret_cast<LPBYTE>(1);
        nBytes = 7;
        EXPECT_FALSE(app.GetProfileBinary(TEXT("Layout"), TEXT("Bad"), &pData, &nBytes));
        EXPECT_EQ(nullptr, pData);
        EXPECT_EQ(0u, nBytes);
    }
    EXPECT_FALSE(app.GetProfileBinary(TEXT("Layout"), TEXT("Missing"), &pData, &nBytes));

    CString longValue;
    for (int i = 0; i < 700; ++i) longValue.AppendChar(WCHAR('a' + i % 26));
    ASSERT_TRUE(app.WriteProfileString(TEXT("Text"), TEXT("Long"), longValue));
    EXPECT_TRUE(app.GetProfileString(TEXT("Text"), TEXT("Long")) == longValue);
    EXPECT_TRUE(app.GetProfileString(TEXT("Text"), TEXT("None"), TEXT("dflt")) == TEXT("dflt"));

    ASSERT_TRUE(app.WriteProfileInt(TEXT("Numbers"), TEXT("Level"), 42));
    EXPECT_EQ(42u, app.GetProfileInt(TEXT("Numbers"), TEXT("Level"), 0));
    EXPECT_EQ(9u, app.GetProfileInt(TEXT("Numbers"), TEXT("Missing"), 9));
    EXPECT_TRUE(DeleteFileW(path.c_str()));

    app.m_pszProfileName = NULL;   // no settings file: defaults, and writes fail
    EXPECT_EQ(3u, app.GetProfileInt(TEXT("Numbers"), TEXT("Level"), 3));
    EXPECT_FALSE(app.WriteProfileInt(TEXT("Numbers"), TEXT("Level"), 1));
}
