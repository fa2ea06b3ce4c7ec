// The process's locale follows its environment: LANG and LC_ALL pick the user and system language,
// the ANSI and OEM code pages and the thread locale, as the layer's own mapping from POSIX locales,
// and the character set a child's arguments and environment are written in.
// Linux only: Windows takes these from the user's settings, not from the environment.
#include <windows.h>

#include <gtest/gtest.h>

#include "kernel_scratch.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char **environ;

namespace {

const char child_marker[] = "KEYHOLM_LOCALE_CHILD";

// Disabled in ordinary runs; Locale.FollowsTheEnvironment runs it in a child process, where it
// prints what the process locale looks like.
TEST(LocaleChild, DISABLED_Report)
{
    if (!getenv(child_marker)) GTEST_SKIP() << "runs only as a child of Locale.FollowsTheEnvironment";
    printf("locale-report %u %u %u %u %u %u %lu\n", GetUserDefaultLangID(), GetSystemDefaultLangID(),
           GetUserDefaultUILanguage(), GetACP(), GetOEMCP(), GetThreadLocale(), (unsigned long)GetUserDefaultLCID());
}

// Runs this program's report case in a child with this process's environment, less LANG and
// LC_ALL, plus the given ones; what the child reported.
std::string RunChild(const char *lang, const char *lc_all)
{
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e)
        if (strncmp(*e, "LANG=", 5) && strncmp(*e, "LC_ALL=", 7)) env.push_back(*e);
    env.push_back(std::string(child_marker) + "=1");
    if (lang) env.push_back(std::string("LANG=") + lang);
    if (lc_all) env.push_back(std::string("LC_ALL=") + lc_all);
    std::u16string block;
    for (const std::string &entry : env) block += Wide(entry) + u'\0';
    block += u'\0';

    ScratchDir scratch;
    ChildProcess child;
    WideString line = TEXT("\"") + ProgramFolder() + TEXT("win32_kernel_tests\" --gtest_also_run_disabled_tests "
                                                         "--gtest_filter=LocaleChild.DISABLED_Report");
    if (!child.Start(line, scratch.Path(TEXT("printed.txt")), NULL, &block[0], CREATE_UNICODE_ENVIRONMENT) ||
        child.Finish(kChildBoundMs) != 0)
        return child.Failure();
    std::string out = child.Printed();
    size_t at = out.find("locale-report ");
    if (at == std::string::npos) return out;
    return out.substr(at + 14, out.find('\n', at) - at - 14);
}

TEST(Locale, FollowsTheEnvironment)
{
    struct { const char *lang, *lc_all; const char *expected; } cases[] = {
        {"zh_CN.UTF-8", nullptr, "2052 2052 2052 936 936 2052 2052"},
        {"en_US.UTF-8", nullptr, "1033 1033 1033 1252 437 1033 1033"},
        {"zh_TW.UTF-8", nullptr, "1028 1028 1028 950 950 1028 1028"},
        {"zh_HK.UTF-8", nullptr, "3076 3076 3076 950 950 3076 3076"},
        {"ja_JP.UTF-8", nullptr, "1041 1041 1041 932 932 1041 1041"},
        {"ru_RU.UTF-8", nullptr, "1049 1049 1049 1251 866 1049 1049"},
        {"C", nullptr, "1033 1033 1033 1252 437 1033 1033"},
        {"POSIX", nullptr, "1033 1033 1033 1252 437 1033 1033"},
        {nullptr, nullptr, "1033 1033 1033 1252 437 1033 1033"},
        {"xx_YY.UTF-8", nullptr, "1033 1033 1033 1252 437 1033 1033"},
        {"en_US.UTF-8", "zh_CN.GB2312", "2052 2052 2052 936 936 2052 2052"},
        {"zh_TW.Big5", "", "1028 1028 1028 950 950 1028 1028"},
    };
    for (auto &c : cases)
        EXPECT_EQ(c.expected, RunChild(c.lang, c.lc_all))
            << "LANG=" << (c.lang ? c.lang : "(unset)") << " LC_ALL=" << (c.lc_all ? c.lc_all : "(unset)");
}

// The arguments and the environment reach a child in the character set its locale decodes them in,
// so a Chinese name survives under a GBK locale as under a UTF-8 one.
TEST(Locale, ChildArgumentsAndEnvironmentFollowTheChildsLocale)
{
    const std::string gbk = "\xD5\xC5\xC8\xFD", utf8 = "\xE5\xBC\xA0\xE4\xB8\x89";  // 张三
    struct {
        const char16_t *locale;  // the block's locale variables, each ended by a NUL
        std::string expected;
    } cases[] = {
        {u"LC_ALL=zh_CN.GBK\0LANG=en_US.UTF-8\0", gbk},
        {u"LANG=zh_CN.GBK\0", gbk},
        {u"LANG=zh_CN.gb18030\0", gbk},
        {u"LANG=zh_CN\0", gbk},
        {u"LC_CTYPE=zh_CN.GBK\0LANG=en_US.UTF-8\0", gbk},
        {u"LANG=zh_CN.UTF-8\0", utf8},
        {u"LC_ALL=zh_CN.utf8@stroke\0", utf8},
        {u"LC_ALL=\0LANG=C.UTF-8\0", utf8},
        {u"LANG=C\0", "??"},
        {u"\0", "??"},
    };
    for (const auto &c : cases) {
        ScratchDir scratch;
        std::u16string block;
        for (const char16_t *p = c.locale; *p; p += std::char_traits<char16_t>::length(p) + 1)
            block += std::u16string(p) + u'\0';
        block += std::u16string(u"KH_NAME=\u5F20\u4E09") + u'\0' + u'\0';
        WideString args = scratch.Path(TEXT("args.txt")), env = scratch.Path(TEXT("env.txt"));
        EXPECT_EQ(0u, FinishChild(StartChild(TEXT("args \"") + args + TEXT("\" \u5F20\u4E09"), &block[0],
                                             CREATE_UNICODE_ENVIRONMENT)));
        EXPECT_EQ(0u, FinishChild(StartChild(TEXT("env KH_NAME \"") + env + TEXT("\""), &block[0],
                                             CREATE_UNICODE_ENVIRONMENT)));
        std::string locale = Utf8(WideString(c.locale, c.locale + std::char_traits<char16_t>::length(c.locale)));
        EXPECT_EQ(c.expected + "|", ReadWholeFile(args)) << locale;
        EXPECT_EQ(c.expected, ReadWholeFile(env)) << locale;
    }
}

}  // namespace
