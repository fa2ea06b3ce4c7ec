// The library's module object: its plug-in table and its identity texts.
#pragma once

#include "plugin/PluginModuleBase.h"

class CKeyholmPluginModule : public CPluginModuleBase<IPluginModule>
{
public:
    constexpr explicit CKeyholmPluginModule(IMessagePreProcessor* pMessagePreProcessor)
        : CPluginModuleBase<IPluginModule>(pMessagePreProcessor)
    {
    }

    LPCWSTR GetModuleName() override;
    LPCWSTR GetCompanyName() override;
    UINT GetPluginCount() override;

protected:
    PLUGIN_ENTRY* GetPluginTable() override;
};
