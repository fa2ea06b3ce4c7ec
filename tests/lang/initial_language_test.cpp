// The language a freshly loaded plug-in chooses from the user's language, each case in a child
// process started with its own locale environment.
#include "PluginLibrary.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Runs the probe with the given environment on a plug-in of this folder and answers what it wrote.
std::string ProbeModuleName(const std::u16string& environment, LPCWSTR pszPlugin = TEXT("KeyholmPlugin.dll"))
{
    WCHAR szTemp[MAX_PATH];
    EXPECT_NE(0u, GetTempPathW(MAX_PATH, szTemp));
    static int s_nRun = 0;
    CStringW strOutput;
    strOutput.Format(TEXT("%slang_probe_%u_%d.txt"), szTemp, GetCurrentProcessId(), ++s_nRun);

    CStringW strCommand = TEXT("\"") + PluginLibrary::ProgramDirectory() + TEXT("lang_probe\" \"") + strOutput + TEXT("\" ") + pszPlugin;
    std::u16string block = environment + u'\0';   // each variable ends with a zero, the block with one more

    ChildProcess probe;
    if (!probe.Start(std::u16string(strCommand), std::u16string(strOutput) + u".printed", NULL,
                     const_cast<char16_t*>(block.c_str()), CREATE_UNICODE_ENVIRONMENT))
    {
        ADD_FAILURE() << probe.Failure();
        return "";
    }
    EXPECT_EQ(0u, probe.Finish(kChildBoundMs)) << probe.Failure();
    DeleteFileW((std::u16string(strOutput) + u".printed").c_str());

    std::string text;
    HANDLE hFile = CreateFileW(strOutput, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (hFile != INVALID_HANDLE_VALUE)
    {
        char buffer[65536];
        DWORD cbRead = 0;
        while (ReadFile(hFile, buffer, sizeof buffer, &cbRead, NULL) && cbRead > 0)
            text.append(buffer, cbRead);
        CloseHandle(hFile);
        DeleteFileW(strOutput);
    }
    return text;
}

TEST(InitialLanguage, FollowsTheUsersLanguageAndFallsBackToEnglish)
{
    struct { std::u16string lang; std::u16string lcAll; const char* expected; } cases[] = {
        {u"zh_CN.UTF-8", u"", "我的权限"},
        {u"zh_CN.GB2312", u"", "我的权限"},
        {u"en_US.UTF-8", u"", "My Permission"},
        {u"zh_TW.UTF-8", u"", "My Permission"},   // 1028: not in the table
        {u"en_GB.UTF-8", u"", "My Permission"},   // 2057: not in the table
        {u"C", u"", "My Permission"},
        {u"en_US.UTF-8", u"zh_CN.UTF-8", "我的权限"},   // LC_ALL outranks LANG
    };
    int nCase = 0;
    for (const auto& c : cases)
    {
        ++nCase;
        std::u16string environment = u"LANG=" + c.lang + u'\0';
        if (!c.lcAll.empty())
            environment += u"LC_ALL=" + c.lcAll + u'\0';
        EXPECT_EQ(std::string(c.expected), ProbeModuleName(environment)) << "case " << nCase;
    }
}

TEST(InitialLanguage, FallsBackToEnglishWhenTheTableLacksTheUsersLanguage)
{
    const std::u16string chinese = u"LANG=zh_CN.UTF-8" + std::u16string(1, u'\0');
    // Only English texts: 2052 is missing, so English answers; a broken table answers nothing.
    EXPECT_EQ(1000000u, ProbeModuleName(chinese, TEXT("KeyholmPlugin_huge.dll")).size());
    EXPECT_EQ("", ProbeModuleName(chinese, TEXT("KeyholmPlugin_malformed.dll")));
}

}  // namespace
