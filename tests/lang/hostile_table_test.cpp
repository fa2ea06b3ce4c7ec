// Plug-ins carrying hostile or broken string tables still load, answer with a usable (possibly
// empty) table, fall back to English and report nothing to the host.
#include "PluginLibrary.h"
#include "support/WideText.h"

#include <gtest/gtest.h>

namespace {

struct Loaded
{
    PluginLibrary library;
    std::string caption;       // key 1 in English
    std::string maker;         // key 2 in English
    std::string initialName;   // key 1 in the language chosen at load
};

void LoadVariant(const char16_t* pszFile, Loaded& loaded)
{
    ASSERT_TRUE(loaded.library.Load(reinterpret_cast<LPCWSTR>(pszFile))) << "error " << GetLastError();
    IPluginModule* pModule = loaded.library.Module();
    loaded.initialName = Utf8(pModule->GetModuleName());
    pModule->OnLanguageChanged(1033);
    loaded.caption = Utf8(pModule->GetModuleName());
    loaded.maker = Utf8(pModule->GetCompanyName());
    EXPECT_FALSE(pModule->IsInit());
    EXPECT_EQ(1u, pModule->GetPluginCount());
}

TEST(HostileStringTable, BrokenTablesLeaveAnEmptyTable)
{
    const char16_t* variants[] = {u"KeyholmPlugin_malformed.dll", u"KeyholmPlugin_zerobyte.dll",
                                  u"KeyholmPlugin_noresources.dll"};
    for (const char16_t* pszFile : variants)
    {
        Loaded loaded;
        LoadVariant(pszFile, loaded);
        EXPECT_EQ("", loaded.caption) << Utf8(reinterpret_cast<LPCWSTR>(pszFile));
        EXPECT_EQ("", loaded.maker) << Utf8(reinterpret_cast<LPCWSTR>(pszFile));
        EXPECT_EQ("", loaded.initialName) << Utf8(reinterpret_cast<LPCWSTR>(pszFile));
    }
}

TEST(HostileStringTable, EntityTricksExpandNothingAndFetchNothing)
{
    const char16_t* variants[] = {u"KeyholmPlugin_laughs.dll", u"KeyholmPlugin_external.dll"};
    for (const char16_t* pszFile : variants)
    {
        Loaded loaded;
        LoadVariant(pszFile, loaded);
        // Either the document is refused (empty table) or its entities stay unexpanded.
        EXPECT_TRUE(loaded.maker.empty() || loaded.maker == "OSTREL Corporation");
        EXPECT_LT(loaded.caption.size(), 4096u) << Utf8(reinterpret_cast<LPCWSTR>(pszFile));
        EXPECT_EQ(std::string::npos, loaded.caption.find("root:")) << "a local file was read";
    }
}

TEST(HostileStringTable, DeepNestingLoads)
{
    Loaded loaded;
    LoadVariant(u"KeyholmPlugin_deep.dll", loaded);
    EXPECT_TRUE(loaded.maker.empty() || loaded.maker == "OSTREL Corporation");
}

TEST(HostileStringTable, HugeTextIsStoredWhole)
{
    Loaded loaded;
    LoadVariant(u"KeyholmPlugin_huge.dll", loaded);
    EXPECT_EQ("OSTREL Corporation", loaded.maker);
    ASSERT_EQ(1000000u, loaded.caption.size());
    EXPECT_EQ("0123456789", loaded.caption.substr(999990));
}

TEST(HostileStringTable, BytesInvalidInGb2312SpoilOnlyTheirOwnText)
{
    Loaded loaded;
    LoadVariant(u"KeyholmPlugin_badbytes.dll", loaded);
    EXPECT_EQ("OSTREL Corporation", loaded.maker);
    ASSERT_GE(loaded.caption.size(), 2u);
    EXPECT_EQ('[', loaded.caption.front());
    EXPECT_EQ(']', loaded.caption.back());
}

TEST(HostileStringTable, ReloadingStartsFromAFreshTable)
{
    for (int i = 0; i < 3; ++i)
    {
        Loaded loaded;
        LoadVariant(u"KeyholmPlugin.dll", loaded);
        EXPECT_EQ("My Permission", loaded.caption);
        EXPECT_EQ("OSTREL Corporation", loaded.maker);
    }
}

}  // namespace
