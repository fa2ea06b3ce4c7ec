// The single sign-on navigation: base address from the host's initialisation file, the host's
// user and language in the query, and the query posted to the browser as a form body.
#include "view/KeyholmPluginDlg.h"

#include "controls/html/PluginHtmlCtrl.h"
#include "lang/LanguageTable.h"
#include "log/log.h"
#include "plugin/ModuleDir.h"
#include "plugin/PluginModuleBase.h"

namespace {

// The characters of a user name that would add or split a form field, cut the address or end the
// request line: "&", "=", "+", "%", "#", "?", the blank and the control characters, as %XX with
// upper-case hex. Everything else stays as it is, so a plain name gives the same bytes as before
// (non-ASCII stays UTF-16 in the address and becomes the thread's code page in the body).
CString EscapeUserName(const CString& strName)
{
    static const WCHAR kHex[] = TEXT("0123456789ABCDEF");
    CString strEscaped;
    for (int i = 0, n = strName.GetLength(); i < n; ++i)
    {
        WCHAR ch = strName[i];
        bool bEscape = ch < 0x20 || ch == 0x7F || ch == TEXT('&') || ch == TEXT('=') || ch == TEXT('+') ||
                       ch == TEXT('%') || ch == TEXT('#') || ch == TEXT('?') || ch == TEXT(' ');
        if (!bEscape)
        {
            strEscaped += ch;
            continue;
        }
        strEscaped += TEXT('%');
        strEscaped += kHex[(ch >> 4) & 0xF];
        strEscaped += kHex[ch & 0xF];
    }
    return strEscaped;
}

}  // namespace

void CKeyholmPluginDlg::Navigate()
{
    LogTrace(9, 0, "CKeyholmPluginDlg::Navigate", 267, "%s", "");
    if (!m_pCore)
        return;
    CHostServicePtr<ILoginService> pLogin(m_pCore->GetService(HOST_SERVICE_LOGIN));
    if (!pLogin)
        return;

    CStringW strUserName, strOther;
    pLogin->GetLoginInfo(&strUserName, &strOther);

    CString strQuery(TEXT("?iusername="));
    strQuery += EscapeUserName(strUserName);
    strQuery += TEXT("&language_id=");
    strQuery += CurrentLangId == 2052 ? TEXT("2052") : TEXT("9");

    CString strURL = GetSSOBaseURL() + strQuery;
    PostToBrowser(m_pHtmlCtrl.get(), strURL, strQuery);
}

CString CKeyholmPluginDlg::GetSSOBaseURL()
{
    // A declared size of 199 in a 200-character buffer: at most 198 characters come back.
    WCHAR szURL[200] = {};
    CString strIniPath = GetModuleDir() + TEXT("Plugins\\SSOBanner.ini");
    ::GetPrivateProfileStringW(TEXT("SSOURLFLAG"), TEXT("Keyholm"), TEXT(""), szURL, 199, strIniPath);
    return CString(szURL);
}

void CKeyholmPluginDlg::PostToBrowser(CPluginHtmlCtrl* pHtmlCtrl, const CString& strURL, const CString& strQuery)
{
    if (!pHtmlCtrl)
        return;
    // The thread's ANSI code page with its default character for what it cannot hold; no
    // terminating zero in the body. A failed conversion sends nothing.
    int cchQuery = strQuery.GetLength();
    int cbBody = ::WideCharToMultiByte(CP_THREAD_ACP, 0, strQuery, cchQuery, NULL, 0, NULL, NULL);
    if (cbBody <= 0)
        return;
    CStringA strBody;
    int cbDone = ::WideCharToMultiByte(CP_THREAD_ACP, 0, strQuery, cchQuery, strBody.GetBuffer(cbBody), cbBody, NULL, NULL);
    strBody.ReleaseBuffer(cbDone > 0 ? cbDone : 0);
    if (cbDone != cbBody)
        return;
    pHtmlCtrl->NavigatePost(strURL, strBody.GetString(), static_cast<DWORD>(cbBody));
}
