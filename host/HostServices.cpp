// The host's core object and its services.
#include "HostServices.h"

LONG CLoginService::GetLoginInfo(CStringW* pstrUserName, CStringW* pstrOther)
{
    if (pstrUserName)
        *pstrUserName = m_strUserName;
    if (pstrOther)
        *pstrOther = m_strDomain;
    return 0;
}

IHostService* CHostCore::GetService(LPCWSTR pszName)
{
    IHostService* pService = NULL;
    if (m_bOfferUICore && lstrcmpW(pszName, HOST_SERVICE_UICORE) == 0)
        pService = &m_uiCore;
    else if (m_bOfferLogin && lstrcmpW(pszName, HOST_SERVICE_LOGIN) == 0)
        pService = &m_login;
    if (pService)
        pService->AddRef();
    return pService;
}
