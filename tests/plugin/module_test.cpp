// The library's module object as a host drives it: identity, language, host initialisation and
// the one export. Each test runs in a process of its own, so each loads the library afresh.
#include "HostServices.h"
#include "PluginLibrary.h"
#include "support/WideText.h"

#include <gtest/gtest.h>

namespace {

const WCHAR kChineseCaption[] = u"我的权限";

class PluginModule : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_library.Load(TEXT("KeyholmPlugin.dll"))) << "error " << GetLastError();
        m_pModule = m_library.Module();
    }

    void TearDown() override
    {
        if (m_pModule)
            m_pModule->UnInit();
        EXPECT_EQ(0, m_host.m_core.m_uiCore.GetOutstandingReferences()) << "UICore references kept";
        EXPECT_EQ(0, m_host.m_core.m_login.GetOutstandingReferences()) << "LoginService references kept";
    }

    PluginLibrary m_library;
    IPluginModule* m_pModule = NULL;
    CPluginHost m_host;
};

TEST_F(PluginModule, ExportsTheModuleEntryAndNothingOfItsOwn)
{
    auto pfn = reinterpret_cast<PFN_GET_PLUGIN_MODULE>(reinterpret_cast<void (*)()>(GetProcAddress(m_library.Handle(), "GetPluginModule")));
    ASSERT_TRUE(pfn != NULL);
    EXPECT_EQ(m_pModule, pfn());
    EXPECT_EQ(m_pModule, pfn());

    const char* internals[] = {"GetLangString", "_Z13GetLangStringi", "_Z17InitLanguageTablev",
                               "_Z15LoadStringTablev", "CurrentLangId", "LanguageTable", "theApp",
                               "LogTrace", "LogConfig", "_Z12InitLogConfigv",
                               "_ZTIP10CException", "_Znwm", "_ZdlPv"};
    for (const char* name : internals)
        EXPECT_TRUE(GetProcAddress(m_library.Handle(), name) == NULL) << name << " is exported";
}

TEST_F(PluginModule, AnswersItsIdentityBeforeAndAfterInit)
{
    EXPECT_EQ(2, m_pModule->GetType());
    EXPECT_FALSE(m_pModule->IsInit());
    EXPECT_EQ(1u, m_pModule->GetPluginCount());
    EXPECT_TRUE(m_pModule->GetPlugin(1) == NULL);
    EXPECT_TRUE(m_pModule->GetPlugin(0xFFFFFFFFu) == NULL);

    EXPECT_EQ(1, m_pModule->Init(&m_host));
    EXPECT_TRUE(m_pModule->IsInit());
    EXPECT_EQ(2, m_pModule->GetType());
    EXPECT_EQ(1u, m_pModule->GetPluginCount());
    EXPECT_TRUE(m_pModule->GetPlugin(1) == NULL);
    EXPECT_WTEXT(u"OSTREL Corporation", m_pModule->GetCompanyName());

    m_pModule->UnInit();
    EXPECT_FALSE(m_pModule->IsInit());
    EXPECT_EQ(1, m_pModule->Init(&m_host));   // Init may come again
    EXPECT_TRUE(m_pModule->IsInit());
}

TEST_F(PluginModule, TakesTheHostsLanguageAtInit)
{
    struct { DWORD dwLangId; const WCHAR* pszName; const WCHAR* pszMaker; } cases[] = {
        {2052, kChineseCaption, u"OSTREL Corporation"},
        {1033, u"My Permission", u"OSTREL Corporation"},
        {1028, u"", u""},   // stored unchecked: a language the table lacks answers empty texts
    };
    for (const auto& c : cases)
    {
        m_host.m_core.m_uiCore.m_dwLangId = c.dwLangId;
        EXPECT_EQ(1, m_pModule->Init(&m_host));
        EXPECT_WTEXT(c.pszName, m_pModule->GetModuleName()) << "language " << c.dwLangId;
        EXPECT_WTEXT(c.pszMaker, m_pModule->GetCompanyName()) << "language " << c.dwLangId;
        EXPECT_EQ(0, m_host.m_core.m_uiCore.GetOutstandingReferences());
    }
}

TEST_F(PluginModule, InitWithoutTheHostsPartsKeepsTheLanguage)
{
    m_host.m_core.m_uiCore.m_dwLangId = 1033;
    ASSERT_EQ(1, m_pModule->Init(&m_host));
    EXPECT_WTEXT(u"My Permission", m_pModule->GetModuleName());

    m_host.m_core.m_uiCore.m_dwLangId = 2052;
    m_host.m_core.m_bOfferUICore = FALSE;
    EXPECT_EQ(1, m_pModule->Init(&m_host));
    EXPECT_TRUE(m_pModule->IsInit());
    EXPECT_WTEXT(u"My Permission", m_pModule->GetModuleName());

    m_host.m_bOfferCore = FALSE;
    EXPECT_EQ(1, m_pModule->Init(&m_host));
    EXPECT_WTEXT(u"My Permission", m_pModule->GetModuleName());

    EXPECT_EQ(1, m_pModule->Init(NULL));
    EXPECT_TRUE(m_pModule->IsInit());
    EXPECT_WTEXT(u"My Permission", m_pModule->GetModuleName());
}

TEST_F(PluginModule, FollowsLanguageChanges)
{
    ASSERT_EQ(1, m_pModule->Init(&m_host));
    m_pModule->OnLanguageChanged(1033);
    EXPECT_WTEXT(u"My Permission", m_pModule->GetModuleName());
    m_pModule->OnLanguageChanged(2052);
    EXPECT_WTEXT(kChineseCaption, m_pModule->GetModuleName());
    m_pModule->OnLanguageChanged(1028);
    EXPECT_WTEXT(u"", m_pModule->GetModuleName());
    EXPECT_WTEXT(u"", m_pModule->GetCompanyName());
    m_pModule->OnLanguageChanged(1033);   // no fallback was cached: English answers again
    EXPECT_WTEXT(u"My Permission", m_pModule->GetModuleName());
}

TEST_F(PluginModule, TextsStayValidAcrossLanguageChanges)
{
    m_pModule->OnLanguageChanged(2052);
    LPCWSTR pszChinese = m_pModule->GetModuleName();
    m_pModule->OnLanguageChanged(1033);
    LPCWSTR pszEnglish = m_pModule->GetModuleName();
    EXPECT_WTEXT(kChineseCaption, pszChinese);   // owned by the table, not by the call
    EXPECT_WTEXT(u"My Permission", pszEnglish);
}

LRESULT CALLBACK CountingWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

TEST_F(PluginModule, PreTranslationLeavesTheHostsWindowsAlone)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = CountingWindowProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = TEXT("PluginModuleTestFrame");
    ASSERT_NE(0, RegisterClassW(&wc));
    HWND hFrame = CreateWindowExW(0, wc.lpszClassName, TEXT("frame"), WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL,
                                  NULL, wc.hInstance, NULL);
    ASSERT_TRUE(hFrame != NULL);
    HWND hChild = CreateWindowExW(0, wc.lpszClassName, TEXT("child"), WS_CHILD, 0, 0, 10, 10, hFrame, NULL,
                                  wc.hInstance, NULL);
    ASSERT_TRUE(hChild != NULL);

    MSG msg = {};
    msg.hwnd = hChild;
    msg.message = WM_KEYDOWN;
    msg.wParam = 'A';
    EXPECT_FALSE(m_pModule->PreTranslateMessage(&msg));   // works before Init too
    ASSERT_EQ(1, m_pModule->Init(&m_host));
    EXPECT_FALSE(m_pModule->PreTranslateMessage(&msg));
    msg.hwnd = NULL;
    EXPECT_FALSE(m_pModule->PreTranslateMessage(&msg));

    DestroyWindow(hFrame);
}

}  // namespace
