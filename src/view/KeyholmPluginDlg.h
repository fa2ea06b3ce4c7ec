// CKeyholmPluginDlg: the permission tab page the host shows, with its single sign-on navigation,
// and CreatePluginDlg, the factory of the module's plug-in table.
#pragma once

#include "controls/image/LoadingImageCtrl.h"
#include "layout/ResizePropertyPage.h"
#include "plugin/PluginBase.h"
#include "res/resource.h"

#include <memory>

class CPluginHtmlCtrl;

class CKeyholmPluginDlg : public CXTResizePropertyPage, public CPluginBase<ITabViewPlugin>
{
public:
    CKeyholmPluginDlg();
    ~CKeyholmPluginDlg() override;

    BOOL Init(IPluginHost* pHost) override;
    void UnInit() override;
    int Startup() override;
    void Shutdown() override;
    void OnLanguageChanged(DWORD dwLangId) override;
    int GetViewFlags() override { return 0; }
    BOOL CreateView(HWND hParent) override;
    void DestroyView() override;
    HWND GetHwnd() override { return m_hWnd; }
    HBITMAP GetIcon() override { return m_bmpTabIcon; }
    LPCWSTR GetCaption(int nIndex) override;

    // Signs the host's user in to the permission page: base address + query, posted to the browser.
    void Navigate();
    // The sign-on page's base address from "Plugins\SSOBanner.ini" in the host's folder; read anew
    // on every call, at most 198 characters, empty when not configured.
    static CString GetSSOBaseURL();
    // Posts the query, in the thread's ANSI code page, to lpszURL; nothing without a control.
    static void PostToBrowser(CPluginHtmlCtrl* pHtmlCtrl, const CString& strURL, const CString& strQuery);

    // The tab image for a language: the premultiplied PNG of 8006 (2052) or 8007; the caller's.
    static HBITMAP LoadTabIcon(DWORD dwLangId);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

private:
    void DestroyBrowser();
    // Deletes the tab image and takes hBitmap (NULL: none) in its place.
    void ReplaceTabIcon(HBITMAP hBitmap);

    CBitmap m_bmpTabIcon;                           // the tab image GetIcon hands out
    std::unique_ptr<CPluginHtmlCtrl> m_pHtmlCtrl;   // the browser, made by OnInitDialog
    CString m_strCaption;
    CLoadingImageCtrl m_loadingImage;
};

// Makes a new view with a reference count of 0; NULL when memory runs out.
IPlugin* CreatePluginDlg();
