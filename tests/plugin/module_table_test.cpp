// The generic module object over a table of test plug-ins: creation on demand, references,
// release and un-initialisation, language forwarding and the host's values.
#include "HostServices.h"
#include "plugin/modules/TableTestProbe.h"
#include "PluginLibrary.h"

#include <gtest/gtest.h>

namespace {

class ModuleTable : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_library.Load(TEXT("TableTestModule.dll"))) << "error " << GetLastError();
        m_pModule = m_library.Module();
        auto pfn = reinterpret_cast<PFN_GET_TABLE_TEST_PROBE>(reinterpret_cast<void (*)()>(GetProcAddress(m_library.Handle(), GET_TABLE_TEST_PROBE_EXPORT)));
        ASSERT_TRUE(pfn != NULL);
        m_pProbe = pfn();
    }

    LONG References(IPlugin* pPlugin)   // AddRef answers the new count; Release gives it back
    {
        LONG nCount = pPlugin->AddRef() - 1;
        pPlugin->Release();
        return nCount;
    }

    PluginLibrary m_library;
    IPluginModule* m_pModule = NULL;
    TableTestProbe* m_pProbe = NULL;
    CPluginHost m_host;
};

TEST_F(ModuleTable, SameIndexTwiceIsOneObjectWithTwoReferences)
{
    ASSERT_EQ(1, m_pModule->Init(&m_host));
    IPlugin* pFirst = m_pModule->GetPlugin(TABLE_ROW_PLUGIN);
    IPlugin* pSecond = m_pModule->GetPlugin(TABLE_ROW_PLUGIN);
    ASSERT_TRUE(pFirst != NULL);
    EXPECT_EQ(pFirst, pSecond);
    EXPECT_EQ(2, References(pFirst));
    EXPECT_EQ(1, m_pProbe->nCreated);
    EXPECT_EQ(1, m_pProbe->nInitCalls);
    EXPECT_EQ(&m_host, m_pProbe->pLastInitHost);
    EXPECT_TRUE(pFirst->IsInit());
    m_pModule->UnInit();
    pFirst->Release();
    EXPECT_EQ(1, m_pProbe->nDestroyed);
}

TEST_F(ModuleTable, ReleasePluginUnInitialisesButKeepsAnObjectTheHostStillHolds)
{
    ASSERT_EQ(1, m_pModule->Init(&m_host));
    IPlugin* pPlugin = m_pModule->GetPlugin(TABLE_ROW_PLUGIN);
    m_pModule->GetPlugin(TABLE_ROW_PLUGIN);
    m_pModule->ReleasePlugin(pPlugin);
    EXPECT_FALSE(pPlugin->IsInit());
    EXPECT_EQ(1, References(pPlugin));
    EXPECT_EQ(0, m_pProbe->nDestroyed);

    IPlugin* pThird = m_pModule->GetPlugin(TABLE_ROW_PLUGIN);   // the same, still un-initialised
    EXPECT_EQ(pPlugin, pThird);
    EXPECT_FALSE(pThird->IsInit());
    EXPECT_EQ(1, m_pProbe->nCreated);
    EXPECT_EQ(1, m_pProbe->nInitCalls);

    m_pModule->ReleasePlugin(pPlugin);
    m_pModule->ReleasePlugin(pPlugin);
    EXPECT_EQ(1, m_pProbe->nDestroyed);
}

TEST_F(ModuleTable, ReleasedRowCreatesAFreshPlugin)
{
    ASSERT_EQ(1, m_pModule->Init(&m_host));
    IPlugin* pOld = m_pModule->GetPlugin(TABLE_ROW_PLUGIN);
    m_pModule->ReleasePlugin(pOld);
    EXPECT_EQ(1, m_pProbe->nDestroyed);
    IPlugin* pNew = m_pModule->GetPlugin(TABLE_ROW_PLUGIN);
    ASSERT_TRUE(pNew != NULL);
    EXPECT_EQ(2, m_pProbe->nCreated);
    EXPECT_EQ(2, m_pProbe->nInitCalls);
    EXPECT_TRUE(pNew->IsInit());
    EXPECT_EQ(1, References(pNew));
    m_pModule->UnInit();
    EXPECT_EQ(2, m_pProbe->nDestroyed);
}

// The host may drop its last reference with the plug-in's own Release instead of ReleasePlugin:
// the row must not hand the freed object out again, nor UnInit call it.
TEST_F(ModuleTable, HostsOwnLastReleaseEmptiesTheRow)
{
    ASSERT_EQ(1, m_pModule->Init(&m_host));
    IPlugin* pOld = m_pModule->GetPlugin(TABLE_ROW_PLUGIN);
    IPlugin* pOther = m_pModule->GetPlugin(TABLE_ROW_SECOND_PLUGIN);
    ASSERT_TRUE(pOld && pOther);
    EXPECT_EQ(0, pOld->Release());
    EXPECT_EQ(1, m_pProbe->nDestroyed);

    IPlugin* pNew = m_pModule->GetPlugin(TABLE_ROW_PLUGIN);
    ASSERT_TRUE(pNew != NULL);
    EXPECT_EQ(3, m_pProbe->nCreated);
    EXPECT_EQ(3, m_pProbe->nInitCalls);
    EXPECT_TRUE(pNew->IsInit());
    EXPECT_EQ(1, References(pNew));

    // A plug-in the row has already forgotten leaves the row's new object alone when it goes.
    m_pModule->GetPlugin(TABLE_ROW_PLUGIN);
    m_pModule->UnInit();                         // forgets pNew, which the host still holds once
    IPlugin* pRenewed = m_pModule->GetPlugin(TABLE_ROW_PLUGIN);
    EXPECT_EQ(0, pNew->Release());
    EXPECT_EQ(pRenewed, m_pModule->GetPlugin(TABLE_ROW_PLUGIN));
    EXPECT_EQ(4, m_pProbe->nCreated);
    m_pModule->UnInit();                         // one of the two references
    EXPECT_EQ(3, m_pProbe->nDestroyed);
    EXPECT_EQ(0, pRenewed->Release());
    EXPECT_EQ(4, m_pProbe->nDestroyed);
}

TEST_F(ModuleTable, PluginMadeBeforeInitGetsNoHost)
{
    IPlugin* pPlugin = m_pModule->GetPlugin(TABLE_ROW_PLUGIN);
    ASSERT_TRUE(pPlugin != NULL);
    EXPECT_EQ(1, m_pProbe->nInitCalls);
    EXPECT_TRUE(m_pProbe->pLastInitHost == NULL);
    EXPECT_FALSE(pPlugin->IsInit());

    ASSERT_EQ(1, m_pModule->Init(&m_host));   // an existing plug-in is not initialised again
    EXPECT_EQ(pPlugin, m_pModule->GetPlugin(TABLE_ROW_PLUGIN));
    EXPECT_EQ(1, m_pProbe->nInitCalls);
    EXPECT_FALSE(pPlugin->IsInit());
    m_pModule->UnInit();
    EXPECT_EQ(0, m_pProbe->nDestroyed);   // two host references, UnInit dropped one
    pPlugin->Release();
    EXPECT_EQ(1, m_pProbe->nDestroyed);
}

TEST_F(ModuleTable, UnInitDropsOneReferenceAndForgetsEveryRow)
{
    ASSERT_EQ(1, m_pModule->Init(&m_host));
    IPlugin* pFirst = m_pModule->GetPlugin(TABLE_ROW_PLUGIN);
    m_pModule->GetPlugin(TABLE_ROW_PLUGIN);
    IPlugin* pSecond = m_pModule->GetPlugin(TABLE_ROW_SECOND_PLUGIN);
    ASSERT_TRUE(pFirst && pSecond);

    m_pModule->UnInit();
    EXPECT_FALSE(m_pModule->IsInit());
    EXPECT_EQ(1, m_pProbe->nDestroyed);          // the second row's only reference
    EXPECT_FALSE(pFirst->IsInit());
    EXPECT_EQ(1, References(pFirst));            // lives on with the host's other reference

    IPlugin* pRenewed = m_pModule->GetPlugin(TABLE_ROW_PLUGIN);
    EXPECT_EQ(3, m_pProbe->nCreated);            // the row forgot the object
    EXPECT_TRUE(m_pProbe->pLastInitHost == NULL);   // UnInit forgot the host
    pFirst->Release();
    m_pModule->UnInit();
    m_pModule->UnInit();                         // harmless when repeated
    EXPECT_EQ(3, m_pProbe->nDestroyed);
    (void)pRenewed;
}

TEST_F(ModuleTable, FailingFactoriesLeaveTheirRowsEmpty)
{
    ASSERT_EQ(1, m_pModule->Init(&m_host));
    EXPECT_TRUE(m_pModule->GetPlugin(TABLE_ROW_OUT_OF_MEMORY) == NULL);
    EXPECT_TRUE(m_pModule->GetPlugin(TABLE_ROW_OUT_OF_MEMORY) == NULL);
    EXPECT_TRUE(m_pModule->GetPlugin(TABLE_ROW_NO_PLUGIN) == NULL);
    EXPECT_TRUE(m_pModule->GetPlugin(TABLE_ROWS) == NULL);
    EXPECT_EQ(0, m_pProbe->nCreated);
    EXPECT_EQ(0, m_pProbe->nInitCalls);
    m_pModule->UnInit();
}

TEST_F(ModuleTable, ForeignPointersAreIgnoredByReleasePlugin)
{
    ASSERT_EQ(1, m_pModule->Init(&m_host));
    IPlugin* pPlugin = m_pModule->GetPlugin(TABLE_ROW_PLUGIN);
    m_pModule->ReleasePlugin(NULL);
    m_pModule->ReleasePlugin(reinterpret_cast<IPlugin*>(&m_host));
    EXPECT_TRUE(pPlugin->IsInit());
    EXPECT_EQ(1, References(pPlugin));
    m_pModule->UnInit();
}

TEST_F(ModuleTable, LanguageChangesReachLivePluginsInRowOrder)
{
    ASSERT_EQ(1, m_pModule->Init(&m_host));
    m_pModule->GetPlugin(TABLE_ROW_SECOND_PLUGIN);
    m_pModule->OnLanguageChanged(1033);
    EXPECT_EQ(1033u, *m_pProbe->pCurrentLangId);
    EXPECT_EQ(2, m_pProbe->nLanguageOrder);

    m_pModule->GetPlugin(TABLE_ROW_PLUGIN);
    m_pProbe->nLanguageOrder = 0;
    m_pModule->OnLanguageChanged(0x0404);
    EXPECT_EQ(0x0404u, *m_pProbe->pCurrentLangId);   // unchecked
    EXPECT_EQ(0x0404u, m_pProbe->dwLastLanguage);
    EXPECT_EQ(12, m_pProbe->nLanguageOrder);
    m_pModule->UnInit();
}

TEST_F(ModuleTable, InitTakesTheHostsTraceLevelAndLanguage)
{
    m_host.m_core.m_nTraceLevel = 7;
    m_host.m_core.m_uiCore.m_dwLangId = 2052;
    ASSERT_EQ(1, m_pModule->Init(&m_host));
    EXPECT_EQ(7, *m_pProbe->pMinLevel);
    EXPECT_EQ(2052u, *m_pProbe->pCurrentLangId);
    EXPECT_EQ(0, m_host.m_core.m_uiCore.GetOutstandingReferences());

    m_host.m_core.m_nTraceLevel = 0;
    m_host.m_core.m_bOfferUICore = FALSE;           // level taken, language kept
    m_host.m_core.m_uiCore.m_dwLangId = 1033;
    ASSERT_EQ(1, m_pModule->Init(&m_host));
    EXPECT_EQ(0, *m_pProbe->pMinLevel);
    EXPECT_EQ(2052u, *m_pProbe->pCurrentLangId);

    m_host.m_bOfferCore = FALSE;                    // neither changes without a core
    m_host.m_core.m_nTraceLevel = 9;
    ASSERT_EQ(1, m_pModule->Init(&m_host));
    EXPECT_EQ(0, *m_pProbe->pMinLevel);
    m_pModule->UnInit();
}

}  // namespace
