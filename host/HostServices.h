// The host side of the plug-in contract: the root, the core and the two services by name.
#pragma once

#include "plugin/HostContract.h"

// A service with a reference count of its own, so the host can tell whether the library gave back
// every reference it took.
template <class TService>
class CHostServiceImpl : public TService
{
public:
    LONG AddRef() override { return InterlockedIncrement(&m_nRefs); }
    LONG Release() override { return InterlockedDecrement(&m_nRefs); }
    LONG GetOutstandingReferences() const { return m_nRefs; }

private:
    volatile LONG m_nRefs = 0;
};

class CUICoreService : public CHostServiceImpl<IUICore>
{
public:
    DWORD GetLanguageId() override { return m_dwLangId; }
    DWORD m_dwLangId = 2052;
};

class CLoginService : public CHostServiceImpl<ILoginService>
{
public:
    LONG GetLoginInfo(CStringW* pstrUserName, CStringW* pstrOther) override;
    CStringW m_strUserName;
    CStringW m_strDomain;
};

class CHostCore : public IHostCore
{
public:
    IHostService* GetService(LPCWSTR pszName) override;
    int GetTraceLevel() override { return m_nTraceLevel; }

    int m_nTraceLevel = 0;
    BOOL m_bOfferUICore = TRUE;
    BOOL m_bOfferLogin = TRUE;
    CUICoreService m_uiCore;
    CLoginService m_login;
};

class CPluginHost : public IPluginHost
{
public:
    IHostCore* GetCore() override { return m_bOfferCore ? &m_core : NULL; }

    BOOL m_bOfferCore = TRUE;
    CHostCore m_core;
};
