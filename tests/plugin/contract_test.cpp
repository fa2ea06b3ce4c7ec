// The positions of the contract's operations: host and library are built apart, so a moved
// operation is a call into the wrong function. Positions are read from pointers to virtual members
// as the Itanium C++ ABI encodes them (one plus the byte offset in the virtual table).
#include "plugin/HostContract.h"
#include "plugin/PluginContract.h"

#include <gtest/gtest.h>

#include <cstring>

template <class TMember>
static long Position(TMember pMember)
{
    static_assert(sizeof(TMember) == 2 * sizeof(ptrdiff_t), "pointer to member of the Itanium ABI");
    ptrdiff_t raw[2];
    std::memcpy(raw, &pMember, sizeof raw);
    return static_cast<long>((raw[0] - 1) / static_cast<ptrdiff_t>(sizeof(void*)));
}

TEST(HostContract, LibraryInterfacesKeepTheirPositions)
{
    struct { long actual; long expected; const char* name; } cases[] = {
        {Position(&IPluginModule::GetType), 0, "IPluginModule::GetType"},
        {Position(&IPluginModule::IsInit), 1, "IPluginModule::IsInit"},
        {Position(&IPluginModule::GetModuleName), 2, "IPluginModule::GetModuleName"},
        {Position(&IPluginModule::GetCompanyName), 3, "IPluginModule::GetCompanyName"},
        {Position(&IPluginModule::GetPluginCount), 4, "IPluginModule::GetPluginCount"},
        {Position(&IPluginModule::GetPlugin), 5, "IPluginModule::GetPlugin"},
        {Position(&IPluginModule::ReleasePlugin), 6, "IPluginModule::ReleasePlugin"},
        {Position(&IPluginModule::OnLanguageChanged), 7, "IPluginModule::OnLanguageChanged"},
        {Position(&IPluginModule::PreTranslateMessage), 8, "IPluginModule::PreTranslateMessage"},
        {Position(&IPluginModule::Init), 9, "IPluginModule::Init"},
        {Position(&IPluginModule::UnInit), 10, "IPluginModule::UnInit"},
        {Position(&ITabViewPlugin::GetType), 0, "IPlugin::GetType"},
        {Position(&ITabViewPlugin::GetDescription), 1, "IPlugin::GetDescription"},
        {Position(&ITabViewPlugin::Init), 2, "IPlugin::Init"},
        {Position(&ITabViewPlugin::UnInit), 3, "IPlugin::UnInit"},
        {Position(&ITabViewPlugin::IsInit), 4, "IPlugin::IsInit"},
        {Position(&ITabViewPlugin::Startup), 5, "IPlugin::Startup"},
        {Position(&ITabViewPlugin::Shutdown), 6, "IPlugin::Shutdown"},
        {Position(&ITabViewPlugin::IsStarted), 7, "IPlugin::IsStarted"},
        {Position(&ITabViewPlugin::AddRef), 8, "IPlugin::AddRef"},
        {Position(&ITabViewPlugin::Release), 9, "IPlugin::Release"},
        {Position(&ITabViewPlugin::OnLanguageChanged), 10, "IPlugin::OnLanguageChanged"},
        {Position(&ITabViewPlugin::GetViewFlags), 11, "IViewPlugin::GetViewFlags"},
        {Position(&ITabViewPlugin::CreateView), 12, "IViewPlugin::CreateView"},
        {Position(&ITabViewPlugin::DestroyView), 13, "IViewPlugin::DestroyView"},
        {Position(&ITabViewPlugin::GetHwnd), 14, "IViewPlugin::GetHwnd"},
        {Position(&ITabViewPlugin::GetIcon), 15, "ITabViewPlugin::GetIcon"},
        {Position(&ITabViewPlugin::GetCaption), 16, "ITabViewPlugin::GetCaption"},
        {Position(&IMessagePreProcessor::PreTranslateMessage), 0, "IMessagePreProcessor::PreTranslateMessage"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, c.actual) << c.name;
}

TEST(HostContract, HostInterfacesKeepTheirPositions)
{
    struct { long actual; long expected; const char* name; } cases[] = {
        {Position(&IPluginHost::GetCore), 22, "IPluginHost::GetCore"},
        {Position(&IHostCore::GetService), 1, "IHostCore::GetService"},
        {Position(&IHostCore::GetTraceLevel), 5, "IHostCore::GetTraceLevel"},
        {Position(&IUICore::Release), 1, "IUICore::Release"},
        {Position(&IUICore::GetLanguageId), 26, "IUICore::GetLanguageId"},
        {Position(&ILoginService::Release), 1, "ILoginService::Release"},
        {Position(&ILoginService::GetLoginInfo), 20, "ILoginService::GetLoginInfo"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, c.actual) << c.name;
}
