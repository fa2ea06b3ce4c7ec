// The plug-in's HTML control: couples the browser's loading to the view's please-wait animation
// and tells the parent when a page has loaded.
#pragma once

#include "controls/html/HtmlCtrl.h"

class CLoadingImageCtrl;

// WM_NOTIFY code sent to the parent when loading has finished (hwndFrom is the parent itself).
#define NM_PAGELOADED 101025

class CPluginHtmlCtrl : public CHtmlCtrlEx
{
public:
    CPluginHtmlCtrl() : m_pLoadingImage(NULL) {}

    // The animation to play while a page loads; not owned, NULL for none.
    void SetLoadingImage(CLoadingImageCtrl *pLoadingImage) { m_pLoadingImage = pLoadingImage; }

    void OnNavigateComplete2(LPCTSTR strURL) override;
    // A navigation begins: animation shown and started, browser hidden, then the "app:" check;
    // a cancelled navigation stops the animation again and shows the browser.
    void OnBeforeNavigate2(LPCTSTR lpszURL, DWORD nFlags, LPCTSTR lpszTargetFrameName, CByteArray &baPostedData,
                           LPCTSTR lpszHeaders, BOOL *pbCancel) override;
    // (-1, any) and (0, 0) end loading; other pairs are ignored.
    void OnProgressChange(long nProgress, long nProgressMax) override;
    // Ends loading; the browser shows its own error page and the parent is not told of the error.
    void OnNavigateError(LPCTSTR lpszURL, LPCTSTR lpszFrame, DWORD dwError, BOOL *pbCancel) override;

    CLoadingImageCtrl *m_pLoadingImage;

private:
    // Animation stopped and hidden, browser shown.
    void EndLoading();
};
