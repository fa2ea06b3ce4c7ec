// The module object, its plug-in table and the library's one export.
#include "plugin/KeyholmPluginModule.h"

#include "lang/LangKeys.h"
#include "plugin/KeyholmPluginApp.h"
#include "view/KeyholmPluginDlg.h"

// One row: the permission tab view.
static PLUGIN_ENTRY s_pluginTable[] = {
    {NULL, CreatePluginDlg},
};

// Complete when the library is mapped: constant initialisation, no start-up code.
static CKeyholmPluginModule s_module(&theApp);

LPCWSTR CKeyholmPluginModule::GetModuleName() { return GetLangString(IDS_CAPTION_KEYHOLM); }

LPCWSTR CKeyholmPluginModule::GetCompanyName() { return GetLangString(IDS_OSTREL_CORPORATION); }

UINT CKeyholmPluginModule::GetPluginCount() { return sizeof(s_pluginTable) / sizeof(s_pluginTable[0]); }

PLUGIN_ENTRY* CKeyholmPluginModule::GetPluginTable() { return s_pluginTable; }

extern "C" __declspec(dllexport) IPluginModule* GetPluginModule()
{
    return &s_module;
}
