// The permission view end to end through the host contract: each case lays out a fresh host
// folder (probe, real plug-in, Images\Wait.gif, its own Plugins\SSOBanner.ini), runs the probe with
// a list of steps and reads back its report, the requests its server received and debug.log.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/FileText.h"
#include "support/HostFolder.h"
#include "support/WideText.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes)
        out += {digits[c >> 4], digits[c & 15]};
    return out;
}

// A host folder with the probe, the real plug-in and the animation; removed with what the probe leaves.
class ViewHost : public HostFolder
{
public:
    ViewHost() : HostFolder("kh-view")
    {
        Folder(u"Images");
        for (const char16_t* name : {u"view_probe", u"KeyholmPlugin.dll", u"Images\\Wait.gif"})
            CopyBuilt(name);
        for (const char16_t* name : {u"debug.log", u"loading.png", u"loaded.png", u"Plugins", u"Plugins\\SSOBanner.ini"})
            Path(name);
    }

    // Runs the probe with the arguments (UTF-8, one word each) in an environment of LANG and LC_ALL = lang alone.
    std::string Run(const std::vector<std::string>& args, const char* lang = "en_US.UTF-8")
    {
        std::vector<std::u16string> wide;
        for (const std::string& a : args)
            wide.push_back(Wide(a));
        std::u16string env = u"LANG=" + Wide(lang) + u'\0' + u"LC_ALL=" + Wide(lang) + u'\0';
        env += u'\0';
        return HostFolder::Run(u"view_probe", wide, u"report.txt", kChildBoundMs, &env);
    }
};

void ExpectLines(const std::string& report, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        EXPECT_NE(std::string::npos, report.find(line + "\n")) << "missing \"" << line << "\" in:\n" << report;
}

const std::string kContentType = "application/x-www-form-urlencoded";
const std::vector<std::string> kStartShown = {"init", "get", "create", "show", "startup"};

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(PermissionView, CaptionAndTabImageFollowTheHostsLanguage)
{
    struct { const char* lang; const char* caption; const char* icon; } cases[] = {
        {"2052", "我的权限", "8006"},
        {"1033", "My Permission", "8007"},
        {"1028", "", "8007"},
    };
    for (const auto& c : cases)
    {
        ViewHost host;
        std::string report = host.Run({std::string("lang=") + c.lang, "init", "get", "caption", "icon", "remember-icon",
                                       "create", "old-icon-type", "icon", "uninit"});
        SCOPED_TRACE(c.lang);
        // The bitmap handed out after Init is deleted by CreateView, which loads a new one.
        ExpectLines(report, {"get=1 isinit=1", std::string("caption=") + c.caption, std::string("icon=") + c.icon,
                             "create=1 page-visible=0 item8000=browser same-page=0", "old-icon-type=0",
                             "kept-references=0"});
    }
}

TEST(PermissionView, CreateViewTwiceAndAgainAfterDestroyView)
{
    ViewHost host;
    std::string report = host.Run({"ini={server}", "hold", "init", "get", "create", "create", "destroy", "create",
                                   "show", "startup", "loading", "unhold", "loaded", "flags", "destroy", "destroy",
                                   "release-plugin", "uninit"});
    // Twice: TRUE, nothing new. After DestroyView: a new browser, and the animation bound to the
    // new item plays while the page loads.
    ExpectLines(report, {"create=1 page-visible=0 item8000=browser same-page=0", "destroy page-gone=1 hwnd=0",
                         "create=1 page-visible=0 item8000=browser same-page=1", "startup=0 navigating=1",
                         "loading=1 shot=1 spinner=1 white=0",
                         "loaded=1 anim-visible=0 browser-visible=1 mostly-white=1 text=1",
                         "viewflags=0 started=0 description=", "kept-references=0"});
}

TEST(PermissionView, CreateViewOnAForeignHandleFailsAndMayBeAskedAgain)
{
    ViewHost host;
    std::string report = host.Run({"init", "get", "create-bad", "create", "destroy", "uninit"});
    ExpectLines(report, {"create-bad=0 hwnd=0", "create=1 page-visible=0 item8000=browser same-page=0"});
}

TEST(PermissionView, LanguageChangesRenavigateOnlyAShownPage)
{
    ViewHost host;
    std::string report = host.Run({"lang=2052", "user=demo", "ini={server}", "init", "get", "create",
                                   "mlang=1033",             // hidden: new image, no navigation
                                   "show", "startup", "loaded",
                                   "vlang=1033",             // the view alone: key image, language still 2052
                                   "loaded", "mlang=2052", "loaded", "vlang=0", "loaded",
                                   "destroy", "release-plugin", "uninit"});
    ExpectLines(report, {"mlang=1033 navigating=0 icon=8007", "startup=0 navigating=1",
                         "vlang=1033 navigating=1 icon=8007", "mlang=2052 navigating=1 icon=8006",
                         "vlang=0 navigating=1 icon=8006"});
    // The hidden change already set the module's language, so Startup and the view's own change
    // ask in 9; the module's change back and the view's 0 ask in 2052.
    std::vector<std::string> expected = {"iusername=demo&language_id=9", "iusername=demo&language_id=9",
                                         "iusername=demo&language_id=2052", "iusername=demo&language_id=2052"};
    size_t pos = 0;
    for (const std::string& query : expected)
    {
        pos = report.find("request POST /sso?" + query + " | " + kContentType + " | " + Hex("?" + query) + "\n", pos);
        ASSERT_NE(std::string::npos, pos) << query << " in order in:\n" << report;
        ++pos;
    }
    EXPECT_EQ(std::string::npos, report.find("request ", pos)) << "one request per navigation:\n" << report;
}

TEST(PermissionView, ViewLanguageAloneLeavesTheQueryInTheModulesLanguage)
{
    ViewHost host;
    std::string report = host.Run({"lang=2052", "ini={server}", "init", "get", "create", "show", "startup", "loaded",
                                   "vlang=1033", "loaded", "destroy", "release-plugin", "uninit"});
    ExpectLines(report, {"vlang=1033 navigating=1 icon=8007"});
    EXPECT_EQ(2u, [&] { size_t n = 0; for (size_t p = 0; (p = report.find("language_id=2052 |", p)) != std::string::npos; ++p) ++n; return n; }())
        << "the key image is shown, but both sign-ons say 2052:\n" << report;
}

TEST(PermissionView, SignOnRequestAsTheServerReceivesIt)
{
    struct Case {
        const char* what;
        std::vector<std::string> options;
        std::string target;     // path and query the server sees
        std::string body;       // raw bytes
        const char* lang;
    } cases[] = {
        {"alice in English", {"lang=1033", "user=alice", "ini={server}"}, "/sso?iusername=alice&language_id=9",
         "?iusername=alice&language_id=9", "en_US.UTF-8"},
        {"empty user", {"lang=2052", "user=", "ini={server}"}, "/sso?iusername=&language_id=2052",
         "?iusername=&language_id=2052", "en_US.UTF-8"},
        // The characters that would add a field, cut the address or end the line are escaped, in
        // the address and the body alike; the others stay as they are.
        {"& and = escaped", {"lang=1033", "user=a&b=c", "ini={server}"}, "/sso?iusername=a%26b%3Dc&language_id=9",
         "?iusername=a%26b%3Dc&language_id=9", "en_US.UTF-8"},
        {"blank + % # ? escaped", {"lang=1033", "user=x y+z%#?", "ini={server}"},
         "/sso?iusername=x%20y%2Bz%25%23%3F&language_id=9", "?iusername=x%20y%2Bz%25%23%3F&language_id=9",
         "en_US.UTF-8"},
        {"control characters escaped, the rest kept", {"lang=1033", "user=t\tu\x7f/v.w_~!'", "ini={server}"},
         "/sso?iusername=t%09u%7F/v.w_~!'&language_id=9", "?iusername=t%09u%7F/v.w_~!'&language_id=9", "en_US.UTF-8"},
        {"Chinese name with a blank under zh_CN", {"lang=2052", "user=张 三", "ini={server}"}, "",
         "?iusername=\xd5\xc5%20\xc8\xfd&language_id=2052", "zh_CN.UTF-8"},
        // A base address with a query of its own gets the second "?" unchanged; the loopback server
        // refuses such a request line, so only its target is known.
        {"base address with a query", {"lang=1033", "user=bob", "ini={server}?x=1"}, "", "", "en_US.UTF-8"},
        // Code page 936: each Chinese character of the name is two bytes in the body.
        {"Chinese name under zh_CN", {"lang=2052", "user=张三", "ini={server}"}, "",
         "?iusername=\xd5\xc5\xc8\xfd&language_id=2052", "zh_CN.UTF-8"},
    };
    for (const Case& c : cases)
    {
        ViewHost host;
        std::string report = host.Run(Concat(c.options, Concat(kStartShown, {"loaded", "shutdown", "destroy",
                                                                              "release-plugin", "uninit"})),
                                      c.lang);
        SCOPED_TRACE(c.what);
        if (c.body.empty())
        {
            EXPECT_NE(std::string::npos, report.find("request (refused) /sso?x=1?iusername=bob&language_id=9 |")) << report;
            continue;
        }
        size_t at = report.find("request POST ");
        ASSERT_NE(std::string::npos, at) << report;
        std::string line = report.substr(at, report.find('\n', at) - at);
        if (!c.target.empty())
            EXPECT_EQ("request POST " + c.target + " | " + kContentType + " | " + Hex(c.body), line);
        else
            EXPECT_NE(std::string::npos, line.find(" | " + kContentType + " | " + Hex(c.body))) << line;
        EXPECT_EQ(std::string::npos, report.find("request ", at + 1)) << report;
        ExpectLines(report, {"loaded=1 anim-visible=0 browser-visible=1 mostly-white=1 text=1", "kept-references=0"});
    }
}

TEST(PermissionView, WithoutAnAddressOrALoginServiceNothingReachesTheServer)
{
    {
        // No ini file: the address is the query alone. The browser has no page to resolve it
        // against, so the navigation fails, loading ends and nothing is requested.
        ViewHost host;
        std::string report = host.Run(Concat(kStartShown, {"loaded", "destroy", "release-plugin", "uninit"}));
        ExpectLines(report, {"startup=0 navigating=1", "kept-references=0"});
        EXPECT_NE(std::string::npos, report.find("loaded=1 anim-visible=0 browser-visible=1")) << report;
        EXPECT_EQ(std::string::npos, report.find("request ")) << report;
    }
    {
        // No login service: Startup navigates nowhere.
        ViewHost host;
        std::string report = host.Run(Concat({"nologin", "ini={server}"},
                                             Concat(kStartShown, {"destroy", "release-plugin", "uninit"})));
        ExpectLines(report, {"startup=0 navigating=0", "kept-references=0"});
        EXPECT_EQ(std::string::npos, report.find("request ")) << report;
    }
}

TEST(PermissionView, ShutdownClosesTheWindowTitledWithTheCaptionCopiedAtStartup)
{
    ViewHost host;
    std::string report = host.Run({"lang=1033", "target=My Permission", "target=我的权限", "init", "get", "create",
                                   "shutdown",                      // before Startup: nothing copied yet
                                   "show", "startup", "mlang=2052", "shutdown", "destroy", "release-plugin", "uninit"});
    size_t first = report.find("closed=");
    ASSERT_NE(std::string::npos, first) << report;
    EXPECT_EQ(0u, report.compare(first, 8, "closed=\n")) << report;
    ExpectLines(report, {"closed=[My Permission]"});
}

TEST(PermissionView, TheLastReleaseDestroysTheViewWithItsWindowAndImage)
{
    ViewHost host;
    // The host's own last Release empties the module's row: the next GetPlugin makes a new view.
    std::string report = host.Run({"init", "get", "create", "addref", "release", "release", "get", "create",
                                   "release-plugin", "uninit"});
    ExpectLines(report, {"addref=2", "release=1", "release=0 page-gone=1 icon-type=0",
                         "create=1 page-visible=0 item8000=browser same-page=0", "kept-references=0"});
    size_t first = report.find("get=1 isinit=1\n");
    ASSERT_NE(std::string::npos, first) << report;
    EXPECT_NE(std::string::npos, report.find("get=1 isinit=1\n", first + 1)) << "a new, initialised view:\n" << report;
}

TEST(PermissionView, TraceRecordsCarryTheirSourcesLinesAndMessages)
{
    ViewHost host;
    std::string report = host.Run(Concat({"ini={server}"}, Concat(kStartShown, {"loaded", "release-plugin", "uninit"})));
    ExpectLines(report, {"kept-references=0"});
    std::string log = ReadWholeFile(host.Path(u"debug.log"));
    // Line, source and message (GB2312), in the order the host's calls wrote them.
    const char* records[] = {
        "][95|CKeyholmPluginDlg::Init|\xb3\xf5\xca\xbc\xbb\xaf]\r\n",
        "][84|CKeyholmPluginDlg::OnInitDialog|\xd5\xfd\xb3\xa3\xb7\xb5\xbb\xd8]\r\n",
        "][267|CKeyholmPluginDlg::Navigate|]\r\n",
        "][151|CKeyholmPluginDlg::Startup|\xd5\xfd\xb3\xa3\xb7\xb5\xbb\xd8]\r\n",
        "][132|CKeyholmPluginDlg::UnInit|]\r\n",
        "][136|CKeyholmPluginDlg::UnInit|\xd5\xfd\xb3\xa3\xbd\xe1\xca\xf8]\r\n",
    };
    size_t pos = 0;
    for (const char* record : records)
    {
        size_t at = log.find(record, pos);
        ASSERT_NE(std::string::npos, at) << "record " << record << " in order in:\n" << log;
        EXPECT_EQ(std::string::npos, log.substr(pos, at - pos).find("CKeyholmPluginDlg")) << "an extra record before " << record;
        pos = at + strlen(record);
    }
    EXPECT_EQ(0u, log.compare(0, 1, "[")) << log;
    EXPECT_EQ(std::string::npos, log.find("][9][0][", log.find(records[5]) + 1)) << "nothing after the last UnInit record";
}
