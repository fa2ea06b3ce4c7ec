// The please-wait control loads "Images\Wait.gif" from the host's folder: each case copies the
// probe into a fresh folder, lays out the images there, and reads back what the probe saw.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/FileText.h"
#include "support/HostFolder.h"

#include <string>
#include <vector>

namespace {

// A host folder with the probe in it.
class ProbeFolder : public HostFolder
{
public:
    ProbeFolder() : HostFolder("kh-imagectrl") { CopyBuilt(u"loading_probe"); }

    // Runs the probe there; its report, or what went wrong.
    std::string Run() { return HostFolder::Run(u"loading_probe", {Path(u"report.txt")}, u"report.txt", kChildBoundMs); }
};

}  // namespace

TEST(LoadingImage, WithoutWaitGifTheControlIsPlainButtonFaceAndHasNoTimer)
{
    struct { const char *what; bool imagesFolder; } cases[] = {{"no Images folder", false}, {"empty Images folder", true}};
    for (auto &c : cases) {
        ProbeFolder host;
        if (c.imagesFolder)
            host.Folder(u"Images");
        EXPECT_EQ("image=0 frames=0 advanced=0 timer=0 other=0", host.Run()) << c.what;
    }
}

TEST(LoadingImage, PlaysTheHostsAnimationFromItsOwnFolder)
{
    std::string wait = ReadWholeFile(ProgramFolder() + u"Images\\Wait.gif");
    ASSERT_NE("(missing)", wait) << "the build draws Images/Wait.gif beside the tests";
    // The folder and file names match without regard to case when the exact name is missing.
    const char16_t *layouts[][2] = {{u"Images", u"Images\\Wait.gif"}, {u"images", u"images\\wait.gif"}};
    for (auto &layout : layouts) {
        ProbeFolder host;
        host.Folder(layout[0]);
        WriteWholeFile(host.Path(layout[1]), wait);
        std::string report = host.Run();
        SCOPED_TRACE(std::string(layout[1], layout[1] + std::char_traits<char16_t>::length(layout[1])));
        EXPECT_EQ(0u, report.find("image=1 frames=")) << report;
        EXPECT_EQ(std::string::npos, report.find("frames=1 ")) << report;
        EXPECT_NE(std::string::npos, report.find("advanced=1 timer=1 ")) << report;
        EXPECT_EQ(std::string::npos, report.find("other=0")) << "the animation was not drawn: " << report;
    }
}
