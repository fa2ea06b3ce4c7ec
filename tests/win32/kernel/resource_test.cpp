// What Windows does when a program finds and loads resources: per-module tables, names and
// identifiers, language choice, failures, and tables that are damaged.
#include <windows.h>

#include <gtest/gtest.h>

#include "win32/wine.h"

#include <string>

namespace {

std::string Bytes(HMODULE module, HRSRC resource)
{
    HGLOBAL loaded = LoadResource(module, resource);
    const char *data = static_cast<const char *>(LockResource(loaded));
    DWORD size = SizeofResource(module, resource);
    return data ? std::string(data, size) : std::string("<none>");
}

std::string Find(HMODULE module, LPCWSTR name, LPCWSTR type)
{
    HRSRC resource = FindResourceW(module, name, type);
    return resource ? Bytes(module, resource) : std::string("<missing>");
}

// Loads the probe module for one test.
class Resources : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, m_hProbe = LoadLibraryW(TEXT("loader_probe.dll"))); }
    void TearDown() override
    {
        if (m_hProbe)
            FreeLibrary(m_hProbe);
    }
    HMODULE m_hProbe = NULL;
};

// Restores the thread locale on every way out.
class ThreadLocaleScope {
public:
    ThreadLocaleScope() : m_lcid(GetThreadLocale()) {}
    ~ThreadLocaleScope() { SetThreadLocale(m_lcid); }
    ThreadLocaleScope(const ThreadLocaleScope &) = delete;
    ThreadLocaleScope &operator=(const ThreadLocaleScope &) = delete;

private:
    LCID m_lcid;
};

}  // namespace

TEST_F(Resources, ProgramAndModuleEachFindTheirOwnBytes)
{
    EXPECT_EQ("program-one", Find(NULL, MAKEINTRESOURCEW(1), RT_RCDATA));
    EXPECT_EQ("program-one", Find(GetModuleHandleW(NULL), MAKEINTRESOURCEW(1), RT_RCDATA));
    EXPECT_EQ("probe-one", Find(m_hProbe, MAKEINTRESOURCEW(1), RT_RCDATA));

    // The module's bytes lie inside its image.
    HGLOBAL data = LoadResource(m_hProbe, FindResourceW(m_hProbe, MAKEINTRESOURCEW(1), RT_RCDATA));
    MEMORY_BASIC_INFORMATION info;
    ASSERT_EQ(sizeof info, VirtualQuery(data, &info, sizeof info));
    EXPECT_EQ(m_hProbe, info.AllocationBase);
}

TEST_F(Resources, NamesMatchWithoutCaseAndHashNumbersAreIdentifiers)
{
    struct {
        LPCWSTR name, type;
        const char *expected;
    } const cases[] = {
        {TEXT("NAMED"), RT_RCDATA, "probe-named"},
        {TEXT("named"), RT_RCDATA, "probe-named"},
        {TEXT("#1"), RT_RCDATA, "probe-one"},
        {TEXT("#1"), TEXT("#10"), "probe-one"},
        {MAKEINTRESOURCEW(8003), TEXT("STRING"), "probe-string"},
        {MAKEINTRESOURCEW(8003), TEXT("String"), "probe-string"},
        {TEXT("#8003"), TEXT("string"), "probe-string"},
        {MAKEINTRESOURCEW(8003), RT_STRING, "<missing>"},  // a named type is not the numbered one
        {TEXT("#named"), RT_RCDATA, "<missing>"},
        {TEXT("1"), RT_RCDATA, "<missing>"},  // without "#" a number is a name
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(c.expected, Find(m_hProbe, c.name, c.type));
    }

    EXPECT_EQ(FindResourceW(m_hProbe, MAKEINTRESOURCEW(1), RT_RCDATA), FindResourceA(m_hProbe, "#1", "#10"));
    EXPECT_EQ(FindResourceW(m_hProbe, TEXT("NAMED"), RT_RCDATA),
              FindResourceA(m_hProbe, "Named", MAKEINTRESOURCEA(10)));
}

// Windows before Vista and this layer choose by the thread locale; Vista and later use the
// thread's user-interface language instead.
TEST_F(Resources, WithoutLanguageNeutralThenThreadThenUserThenEnglishThenFirst)
{
    ThreadLocaleScope restore;
    LANGID user = GetUserDefaultLangID();
    const char *userChoice = user == 0x0407 ? "de-de" : user == 0x0804 ? "zh-cn" : "en-us";
    struct {
        LANGID thread;
        WORD id;
        const char *expected;
    } const cases[] = {
        {0x0804, 10, "neutral"},
        {0x0407, 10, "neutral"},
        {0x0804, 11, "zh-cn"},
        {0x0407, 11, "de-de"},
        {0x0409, 11, "en-us"},
        {0x040C, 11, userChoice},  // French is not there: the user's language, else English
        {0x0804, 12, "nl-nl"},     // the only language there is
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "thread " << std::hex << c.thread << " id " << std::dec << c.id);
        ASSERT_TRUE(SetThreadLocale(MAKELCID(c.thread, SORT_DEFAULT)));
        EXPECT_EQ(c.expected, Find(m_hProbe, MAKEINTRESOURCEW(c.id), RT_RCDATA));
        EXPECT_EQ(c.expected, Bytes(m_hProbe, FindResourceExW(m_hProbe, RT_RCDATA, MAKEINTRESOURCEW(c.id), 0)));
    }
}

TEST_F(Resources, ExplicitLanguageMustMatchExactly)
{
    SKIP_UNDOCUMENTED_UNDER_WINE("FindResourceExW falls back to another language where the layer asks for an exact match; "
                                 "its fallback is not documented");
    struct {
        WORD id;
        LANGID language;
        const char *expected;
    } const cases[] = {
        {10, 0x0804, "zh-cn"}, {10, 0x0409, "en-us"}, {11, 0x0407, "de-de"},
        {10, 0x0407, nullptr}, {11, 0x0809, nullptr}, {1, 0x0409, nullptr},  // no fallback, not even to neutral
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " " << std::hex << c.language);
        SetLastError(0xdeadbeef);
        HRSRC resource = FindResourceExW(m_hProbe, RT_RCDATA, MAKEINTRESOURCEW(c.id), c.language);
        if (c.expected) {
            EXPECT_EQ(c.expected, Bytes(m_hProbe, resource));
        } else {
            EXPECT_EQ(nullptr, resource);
            EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND), GetLastError());
        }
    }
}

TEST_F(Resources, MissingTypeNameOrTableFailsWithItsOwnError)
{
    HMODULE plain = LoadLibraryW(TEXT("loader_plain.dll"));
    ASSERT_NE(nullptr, plain);
    struct {
        HMODULE module;
        LPCWSTR name, type;
        DWORD error;
    } const cases[] = {
        {m_hProbe, MAKEINTRESOURCEW(1), RT_BITMAP, ERROR_RESOURCE_TYPE_NOT_FOUND},
        {m_hProbe, MAKEINTRESOURCEW(1), TEXT("NOSUCHTYPE"), ERROR_RESOURCE_TYPE_NOT_FOUND},
        {m_hProbe, MAKEINTRESOURCEW(99), RT_RCDATA, ERROR_RESOURCE_NAME_NOT_FOUND},
        {m_hProbe, TEXT("NOSUCHNAME"), RT_RCDATA, ERROR_RESOURCE_NAME_NOT_FOUND},
        {plain, MAKEINTRESOURCEW(1), RT_RCDATA, ERROR_RESOURCE_DATA_NOT_FOUND},  // no resources at all
    };
    for (const auto &c : cases) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(nullptr, FindResourceW(c.module, c.name, c.type));
        EXPECT_EQ(c.error, GetLastError());
    }
    EXPECT_TRUE(FreeLibrary(plain));
}

TEST_F(Resources, LoadingLockingAndFreeing)
{
    HRSRC resource = FindResourceW(m_hProbe, TEXT("NAMED"), RT_RCDATA);
    ASSERT_NE(nullptr, resource);
    HGLOBAL data = LoadResource(m_hProbe, resource);
    ASSERT_NE(nullptr, data);
    EXPECT_EQ(data, LockResource(data));
    EXPECT_EQ(data, LoadResource(m_hProbe, resource));  // the same bytes every time
    EXPECT_EQ(11u, SizeofResource(m_hProbe, resource));
    EXPECT_FALSE(FreeResource(data));
    EXPECT_EQ("probe-named", Bytes(m_hProbe, resource));
    EXPECT_EQ(nullptr, LoadResource(m_hProbe, NULL));
}

TEST(ResourceTables, DamagedTablesKeepOnlyTheEntriesBeforeTheDamage)
{
    HMODULE broken = LoadLibraryW(TEXT("loader_broken.dll"));
    ASSERT_NE(nullptr, broken);
    for (WORD id = 1; id <= 5; ++id)
        EXPECT_EQ("ok-" + std::to_string(id), Find(broken, MAKEINTRESOURCEW(id), RT_RCDATA));
    for (WORD id : {6, 21, 22, 23, 24, 25, 26, 99}) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(nullptr, FindResourceW(broken, MAKEINTRESOURCEW(id), RT_RCDATA)) << id;
        EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError()) << id;
    }
    EXPECT_TRUE(FreeLibrary(broken));
}
