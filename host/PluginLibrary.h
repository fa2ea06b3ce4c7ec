// Loads a plug-in library from the running program's folder and finds its module object.
#pragma once

#include "plugin/PluginContract.h"

#include <afxstr.h>
#include <owner/unique_handle.h>

class PluginLibrary
{
public:
    PluginLibrary() = default;
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;
    ~PluginLibrary() { Unload(); }

    // The folder of the running program, with its trailing backslash.
    static CStringW ProgramDirectory()
    {
        WCHAR szPath[MAX_PATH];
        DWORD cch = GetModuleFileNameW(NULL, szPath, MAX_PATH);
        CStringW strPath(szPath, static_cast<int>(cch));
        return strPath.Left(strPath.ReverseFind(TEXT('\\')) + 1);
    }

    bool Load(LPCWSTR pszFileName)
    {
        m_hModule.reset(LoadLibraryW(ProgramDirectory() + pszFileName));
        if (!m_hModule)
            return false;
        auto pfn = reinterpret_cast<PFN_GET_PLUGIN_MODULE>(reinterpret_cast<void (*)()>(GetProcAddress(m_hModule.get(), GET_PLUGIN_MODULE_EXPORT)));
        m_pModule = pfn ? pfn() : NULL;
        return m_pModule != NULL;
    }

    void Unload()
    {
        m_pModule = NULL;
        m_hModule.reset();
    }

    HMODULE Handle() const { return m_hModule.get(); }
    IPluginModule* Module() const { return m_pModule; }

private:
    owner::unique_hmodule m_hModule;
    IPluginModule* m_pModule = NULL;
};
