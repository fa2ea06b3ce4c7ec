// Standard dialogs of the class library: the property page, a dialog that a sheet or another
// owner creates as a child page.
#pragma once

#include "afxwin.h"

#if defined(_WIN32)
#include <prsht.h>
#else
// The page descriptor of the system's property sheets, with its fields in the system's order.
#define PSP_DEFAULT 0x00000000
#define PSP_DLGINDIRECT 0x00000001
#define PSP_USETITLE 0x00000008
struct _PSP;
typedef UINT(CALLBACK *LPFNPSPCALLBACKW)(HWND hwnd, UINT uMsg, struct _PROPSHEETPAGEW *ppsp);
typedef struct _PROPSHEETPAGEW {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    union {
        LPCWSTR pszTemplate;
        LPCDLGTEMPLATE pResource;
    };
    union {
        HICON hIcon;
        LPCWSTR pszIcon;
    };
    LPCWSTR pszTitle;
    DLGPROC pfnDlgProc;
    LPARAM lParam;
    LPFNPSPCALLBACKW pfnCallback;
    UINT *pcRefParent;
    LPCWSTR pszHeaderTitle;
    LPCWSTR pszHeaderSubTitle;
    HANDLE hActCtx;
} PROPSHEETPAGEW, *LPPROPSHEETPAGEW;
typedef const PROPSHEETPAGEW *LPCPROPSHEETPAGEW;
typedef PROPSHEETPAGEW PROPSHEETPAGE;
#endif

// A dialog page: m_psp describes it to a sheet; an owner may also create it directly with
// CDialog::Create, as a child of its own window.
class AFX_API CPropertyPage : public CDialog
{
    DECLARE_DYNAMIC(CPropertyPage)
public:
    CPropertyPage();
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0, DWORD dwSize = sizeof(PROPSHEETPAGE));
    explicit CPropertyPage(LPCTSTR lpszTemplateName, UINT nIDCaption = 0, DWORD dwSize = sizeof(PROPSHEETPAGE));
    void Construct(UINT nIDTemplate, UINT nIDCaption = 0);

    PROPSHEETPAGE m_psp;

    virtual BOOL OnSetActive() { return TRUE; }
    virtual BOOL OnKillActive() { return UpdateData(TRUE); }
    void OnOK() override {}                               // a page does not end itself
    void OnCancel() override {}
    void SetModified(BOOL bChanged = TRUE) { m_bModified = bChanged; }

protected:
    CString m_strCaption;                                 // loaded from the string table; m_psp.pszTitle
    BOOL m_bModified;

private:
    void CommonConstruct(LPCTSTR lpszTemplateName, UINT nIDCaption, DWORD dwSize);
};
