// The generic module object: creates plug-ins from a table on demand, hands out references,
// forwards language changes and messages, and takes the host's language and trace level.
#pragma once

#include "log/log.h"
#include "lang/LanguageTable.h"
#include "plugin/HostContract.h"
#include "plugin/PluginBase.h"
#include "plugin/PluginContract.h"

#include <afxcom.h>
#include <afxwin.h>

// One row of a module's plug-in table. The row holds no reference of its own: the references are
// the host's, one per GetPlugin. A plug-in built on CPluginBase empties its row when it is
// destroyed, also by the host's own last Release.
struct PLUGIN_ENTRY
{
    IPlugin* pPlugin;           // the live plug-in, or NULL
    IPlugin* (*pfnCreate)();    // makes a new plug-in with a reference count of 0, or NULL
};

// A host service as the class library's COM pointer: adopts the one reference GetService hands
// out, and drops it on every way out.
template <class TService>
class CHostServicePtr : public CComPtr<TService>
{
public:
    explicit CHostServicePtr(IHostService* pService) { this->Attach(static_cast<TService*>(pService)); }
};

template <class TModule>
class CPluginModuleBase : public TModule
{
public:
    // Constant initialisation: the module object is complete as soon as the library is mapped.
    constexpr explicit CPluginModuleBase(IMessagePreProcessor* pMessagePreProcessor)
        : m_nType(2), m_pMessagePreProcessor(pMessagePreProcessor), m_pHost(NULL), m_bInit(FALSE)
    {
    }

    int GetType() override { return m_nType; }
    BOOL IsInit() override { return m_bInit; }

    IPlugin* GetPlugin(UINT nIndex) override
    {
        if (nIndex >= this->GetPluginCount())
            return NULL;
        PLUGIN_ENTRY& entry = GetPluginTable()[nIndex];
        if (!entry.pPlugin)
        {
            IPlugin* pPlugin = Create(entry);
            if (!pPlugin)
                return NULL;
            entry.pPlugin = pPlugin;
            if (CPluginRowLink* pLink = dynamic_cast<CPluginRowLink*>(pPlugin))
                pLink->LinkRow(&entry.pPlugin);
            pPlugin->Init(m_pHost);   // once, with the host root held now (NULL before Init)
        }
        entry.pPlugin->AddRef();
        return entry.pPlugin;
    }

    void ReleasePlugin(IPlugin* pPlugin) override
    {
        PLUGIN_ENTRY* pEntry = Find(pPlugin);
        if (!pEntry)
            return;
        pPlugin->UnInit();   // also while the host holds further references
        if (pPlugin->Release() == 0)
            pEntry->pPlugin = NULL;
    }

    void OnLanguageChanged(DWORD dwLangId) override
    {
        CurrentLangId = dwLangId;
        PLUGIN_ENTRY* pTable = GetPluginTable();
        for (UINT i = 0, n = this->GetPluginCount(); i < n; ++i)
            if (pTable[i].pPlugin)
                pTable[i].pPlugin->OnLanguageChanged(dwLangId);
    }

    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        AFX_MANAGE_STATE(AfxGetStaticModuleState());
        if (!m_pMessagePreProcessor)
            return FALSE;
        try
        {
            return m_pMessagePreProcessor->PreTranslateMessage(pMsg);
        }
        catch (CException* e)   // a window's pre-translation failed: the host dispatches as usual
        {
            e->Delete();
            return FALSE;
        }
    }

    BOOL Init(IPluginHost* pHost) override
    {
        m_pHost = pHost;
        if (IHostCore* pCore = pHost ? pHost->GetCore() : NULL)
        {
            LogConfig.minLevel = pCore->GetTraceLevel();
            CHostServicePtr<IUICore> pUICore(pCore->GetService(HOST_SERVICE_UICORE));
            if (pUICore)
                CurrentLangId = pUICore->GetLanguageId();   // unchecked: the host's word
        }
        m_bInit = TRUE;
        return 1;
    }

    void UnInit() override
    {
        PLUGIN_ENTRY* pTable = GetPluginTable();
        for (UINT i = 0, n = this->GetPluginCount(); i < n; ++i)
        {
            IPlugin* pPlugin = pTable[i].pPlugin;
            if (!pPlugin)
                continue;
            if (pPlugin->IsInit())
                pPlugin->UnInit();
            pTable[i].pPlugin = NULL;
            pPlugin->Release();
        }
        m_bInit = FALSE;
        m_pHost = NULL;
    }

protected:
    // The module's plug-in table, GetPluginCount() rows.
    virtual PLUGIN_ENTRY* GetPluginTable() = 0;

    int m_nType;
    IMessagePreProcessor* m_pMessagePreProcessor;
    IPluginHost* m_pHost;
    BOOL m_bInit;

private:
    // A factory that fails by raising the class library's exception leaves the row empty; the
    // exception stops here, since nothing may be thrown to the host.
    static IPlugin* Create(const PLUGIN_ENTRY& entry)
    {
        if (!entry.pfnCreate)
            return NULL;
        try
        {
            return entry.pfnCreate();
        }
        catch (CException* e)
        {
            e->Delete();
            return NULL;
        }
    }

    PLUGIN_ENTRY* Find(IPlugin* pPlugin)
    {
        if (!pPlugin)
            return NULL;
        PLUGIN_ENTRY* pTable = GetPluginTable();
        for (UINT i = 0, n = this->GetPluginCount(); i < n; ++i)
            if (pTable[i].pPlugin == pPlugin)
                return &pTable[i];
        return NULL;
    }
};
