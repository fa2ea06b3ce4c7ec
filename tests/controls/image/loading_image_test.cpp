// The please-wait control loads "Images\Wait.gif" from the host's folder: each case copies the
// probe into a fresh folder, lays out the images there, and reads back what the probe saw.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/FileText.h"

#include <string>
#include <vector>

namespace {

std::u16string Wide(const std::string &text) { return std::u16string(text.begin(), text.end()); }

std::u16string ProgramFolder()
{
    WCHAR self[MAX_PATH];
    std::u16string path(self, GetModuleFileNameW(NULL, self, MAX_PATH));
    return path.substr(0, path.rfind(u'\\') + 1);
}

// A host folder with the probe in it; everything named through it is removed at the end.
class HostFolder
{
public:
    HostFolder()
    {
        static int serial = 0;
        WCHAR temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        m_dir = temp + Wide("kh-imagectrl-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial));
        EXPECT_TRUE(CreateDirectoryW(m_dir.c_str(), NULL));
        EXPECT_TRUE(CopyFileW((ProgramFolder() + u"loading_probe").c_str(), File(u"loading_probe").c_str(), FALSE));
    }
    ~HostFolder()
    {
        for (auto it = m_files.rbegin(); it != m_files.rend(); ++it)
            DeleteFileW(it->c_str());
        for (auto it = m_dirs.rbegin(); it != m_dirs.rend(); ++it)
            RemoveDirectoryW(it->c_str());
        RemoveDirectoryW(m_dir.c_str());
    }
    std::u16string File(const std::u16string &name)
    {
        m_files.push_back(m_dir + u"\\" + name);
        return m_files.back();
    }
    void Folder(const std::u16string &name)
    {
        m_dirs.push_back(m_dir + u"\\" + name);
        EXPECT_TRUE(CreateDirectoryW(m_dirs.back().c_str(), NULL));
    }

    // Runs the probe there; its report, or what went wrong.
    std::string Run()
    {
        std::u16string report = File(u"report.txt");
        std::u16string line = u"\"" + m_dir + u"\\loading_probe\" \"" + report + u"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, m_dir.c_str(), &si, &pi))
            return "CreateProcessW failed: " + std::to_string(GetLastError());
        CloseHandle(pi.hThread);
        DWORD code = 0xFFFFFFFF;
        if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0)
            GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        if (code != 0)
            return "the probe failed with " + std::to_string(code);
        return ReadWholeFile(report);
    }

private:
    std::u16string m_dir;
    std::vector<std::u16string> m_files, m_dirs;
};

}  // namespace

TEST(LoadingImage, WithoutWaitGifTheControlIsPlainButtonFaceAndHasNoTimer)
{
    struct { const char *what; bool imagesFolder; } cases[] = {{"no Images folder", false}, {"empty Images folder", true}};
    for (auto &c : cases) {
        HostFolder host;
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
        HostFolder host;
        host.Folder(layout[0]);
        WriteWholeFile(host.File(layout[1]), wait);
        std::string report = host.Run();
        SCOPED_TRACE(std::string(layout[1], layout[1] + std::char_traits<char16_t>::length(layout[1])));
        EXPECT_EQ(0u, report.find("image=1 frames=")) << report;
        EXPECT_EQ(std::string::npos, report.find("frames=1 ")) << report;
        EXPECT_NE(std::string::npos, report.find("advanced=1 timer=1 ")) << report;
        EXPECT_EQ(std::string::npos, report.find("other=0")) << "the animation was not drawn: " << report;
    }
}
