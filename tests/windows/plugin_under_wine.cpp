// The DLL in a Windows process: the module and its references, the language texts and the initial
// language from the locale, and the tab images, each from a fresh host folder.
#include "WineHost.h"

namespace {

const char kChineseCaption[] = "\xE6\x88\x91\xE7\x9A\x84\xE6\x9D\x83\xE9\x99\x90";   // the 2052 caption

TEST(WineModule, OneModuleObjectWhoseReferencesBalance)
{
    WineHost host;
    std::string report = host.Run({"lang=1033", "module", "init", "get", "refs", "module", "release-plugin", "uninit"});
    EXPECT_EQ(2u, LinesStarting(report, "module same=1 type=").size()) << report;
    EXPECT_NE(report.find(" company=OSTREL Corporation count=1 isinit=0\n"), std::string::npos) << report;
    EXPECT_NE(report.find("init=1 isinit="), std::string::npos) << report;
    EXPECT_NE(report.find("get=1 type="), std::string::npos) << report;
    // The host's reference plus the probe's, then back.
    EXPECT_NE(report.find("refs up=2 down=1\n"), std::string::npos) << report;
    EXPECT_NE(report.find("kept-references=0\n"), std::string::npos) << report;
}

// Run under LANG=zh_CN.UTF-8, zh_TW.UTF-8 and en_US.UTF-8 as tests of their own.
TEST(WineLocale, InitialLanguageFollowsTheLocale)
{
    std::string locale = ProcessLocale();
    // Only Simplified Chinese has texts of its own; every other locale reads English (1028 has none).
    std::string name = locale.compare(0, 5, "zh_CN") == 0 ? kChineseCaption : "My Permission";
    WineHost host;
    std::string report = host.Run({"module"});
    EXPECT_NE(report.find(" name=" + name + " company="), std::string::npos) << locale << "\n" << report;
}

TEST(WineLanguage, TextsFollowTheHostsLanguage)
{
    WineHost host;
    std::string report = host.Run({"lang=2052", "init", "get", "caption", "mlang=1033", "caption", "mlang=1028",
                                   "caption", "mlang=2052", "caption", "release-plugin", "uninit"});
    std::vector<std::string> captions = LinesStarting(report, "caption=");
    // 1028 has no texts in the table: an empty caption, as natively.
    std::vector<std::string> expected = {std::string("caption=") + kChineseCaption, "caption=My Permission",
                                         "caption=", std::string("caption=") + kChineseCaption};
    EXPECT_EQ(expected, captions) << report;
}

TEST(WineTabImage, PremultipliedPerLanguage)
{
    WineHost host;
    std::string report = host.Run({"lang=2052", "init", "get", "icon", "mlang=1033", "icon", "release-plugin", "uninit"});
    std::vector<std::string> icons = LinesStarting(report, "icon=");
    ASSERT_EQ(2u, icons.size()) << report;
    for (const std::string &icon : icons) {
        EXPECT_EQ(0u, icon.find("icon=28x28 premultiplied=1 partial=")) << icon;
        EXPECT_EQ(std::string::npos, icon.find(" partial=0 ")) << "edges are partly transparent: " << icon;
    }
    EXPECT_NE(icons[0].substr(icons[0].find(" sum=")), icons[1].substr(icons[1].find(" sum="))) << report;
}

} // namespace
