// A module over a table of test plug-ins, built on the library's generic module object.
#include "plugin/KeyholmPluginApp.h"
#include "plugin/PluginBase.h"
#include "plugin/PluginModuleBase.h"
#include "plugin/modules/TableTestProbe.h"

namespace {

TableTestProbe s_probe = {0, 0, 0, NULL, 0, 0, &LogConfig.minLevel, &CurrentLangId};

class CTestPlugin : public CPluginBase<ITabViewPlugin>
{
public:
    explicit CTestPlugin(int nRow) : m_nRow(nRow) { ++s_probe.nCreated; }
    ~CTestPlugin() override { ++s_probe.nDestroyed; }

    BOOL Init(IPluginHost* pHost) override
    {
        ++s_probe.nInitCalls;
        s_probe.pLastInitHost = pHost;
        return CPluginBase<ITabViewPlugin>::Init(pHost);
    }

    void OnLanguageChanged(DWORD dwLangId) override
    {
        s_probe.dwLastLanguage = dwLangId;
        s_probe.nLanguageOrder = s_probe.nLanguageOrder * 10 + m_nRow + 1;
    }

    int Startup() override { return 0; }
    void Shutdown() override {}
    int GetViewFlags() override { return 0; }
    BOOL CreateView(HWND) override { return FALSE; }
    void DestroyView() override {}
    HWND GetHwnd() override { return NULL; }
    HBITMAP GetIcon() override { return NULL; }
    LPCWSTR GetCaption(int) override { return TEXT("test"); }

private:
    int m_nRow;
};

IPlugin* CreateFirst() { return new CTestPlugin(TABLE_ROW_PLUGIN); }
IPlugin* CreateSecond() { return new CTestPlugin(TABLE_ROW_SECOND_PLUGIN); }
IPlugin* CreateOutOfMemory() { AfxThrowMemoryException(); return NULL; }
IPlugin* CreateNothing() { return NULL; }

PLUGIN_ENTRY s_table[TABLE_ROWS] = {
    {NULL, CreateFirst},
    {NULL, CreateSecond},
    {NULL, CreateOutOfMemory},
    {NULL, CreateNothing},
};

class CTableTestModule : public CPluginModuleBase<IPluginModule>
{
public:
    constexpr explicit CTableTestModule(IMessagePreProcessor* p) : CPluginModuleBase<IPluginModule>(p) {}
    LPCWSTR GetModuleName() override { return TEXT("table test"); }
    LPCWSTR GetCompanyName() override { return TEXT("tests"); }
    UINT GetPluginCount() override { return TABLE_ROWS; }

protected:
    PLUGIN_ENTRY* GetPluginTable() override { return s_table; }
};

CTableTestModule s_module(&theApp);

}  // namespace

LanguageMap LanguageTable;
CKeyholmPluginApp theApp;

extern "C" __declspec(dllexport) IPluginModule* GetPluginModule() { return &s_module; }

extern "C" __declspec(dllexport) TableTestProbe* GetTableTestProbe() { return &s_probe; }
