// CPropertyPage: the page descriptor and its caption from the module's string table.
#include "afximpl.h"

#include <afxdlgs.h>

#include <stddef.h>
#include <string.h>

IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)

namespace {

// String nID of the resource module's string table; empty when there is none.
CString load_string(UINT nID)
{
    const WCHAR *pText = NULL;
    int nLength = ::LoadStringW(AfxGetResourceHandle(), nID, reinterpret_cast<LPWSTR>(&pText), 0);
    return nLength > 0 ? CString(pText, nLength) : CString();
}

}  // namespace

CPropertyPage::CPropertyPage() : m_bModified(FALSE) { CommonConstruct(NULL, 0, sizeof(PROPSHEETPAGE)); }

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption, DWORD dwSize) : m_bModified(FALSE)
{
    CommonConstruct(MAKEINTRESOURCEW(nIDTemplate), nIDCaption, dwSize);
    m_nIDHelp = nIDTemplate;
}

CPropertyPage::CPropertyPage(LPCTSTR lpszTemplateName, UINT nIDCaption, DWORD dwSize) : m_bModified(FALSE)
{
    CommonConstruct(lpszTemplateName, nIDCaption, dwSize);
}

void CPropertyPage::Construct(UINT nIDTemplate, UINT nIDCaption)
{
    CommonConstruct(MAKEINTRESOURCEW(nIDTemplate), nIDCaption, m_psp.dwSize);
    m_nIDHelp = nIDTemplate;
}

// A size smaller than the descriptor's first fields, or larger than the descriptor, is taken as
// the full size: the descriptor is never read or written past its end.
void CPropertyPage::CommonConstruct(LPCTSTR lpszTemplateName, UINT nIDCaption, DWORD dwSize)
{
    memset(&m_psp, 0, sizeof m_psp);
    m_psp.dwSize = (dwSize < offsetof(PROPSHEETPAGE, pfnCallback) || dwSize > sizeof(PROPSHEETPAGE)) ? DWORD(sizeof(PROPSHEETPAGE)) : dwSize;
    m_psp.dwFlags = PSP_DEFAULT;
    m_psp.hInstance = AfxGetResourceHandle();
    m_psp.pszTemplate = lpszTemplateName;
    m_psp.pfnDlgProc = AfxDlgProc;
    m_psp.lParam = reinterpret_cast<LPARAM>(this);
    m_lpszTemplateName = lpszTemplateName;
    m_strCaption.Empty();
    if (nIDCaption != 0) {
        m_strCaption = load_string(nIDCaption);
        m_psp.pszTitle = m_strCaption;
        m_psp.dwFlags |= PSP_USETITLE;
    }
}
