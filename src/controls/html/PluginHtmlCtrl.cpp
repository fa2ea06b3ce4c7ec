// CPluginHtmlCtrl: the animation runs from the start of every navigation until the first
// completion, final progress or error, which also notifies the parent; a navigation cancelled at
// its start ends at once on the page still shown.
#include "controls/html/PluginHtmlCtrl.h"

#include "controls/image/LoadingImageCtrl.h"

void CPluginHtmlCtrl::OnBeforeNavigate2(LPCTSTR lpszURL, DWORD nFlags, LPCTSTR lpszTargetFrameName,
                                        CByteArray &baPostedData, LPCTSTR lpszHeaders, BOOL *pbCancel)
{
    if (m_pLoadingImage != NULL) {
        m_pLoadingImage->Play();
        ShowWindow(SW_HIDE);
        ::InvalidateRect(::GetParent(m_hWnd), NULL, TRUE);
    }
    CHtmlCtrlEx::OnBeforeNavigate2(lpszURL, nFlags, lpszTargetFrameName, baPostedData, lpszHeaders, pbCancel);
    // The browser fires nothing more for a cancelled navigation ("app:" links): without this the
    // page would stay hidden behind the animation. No page loaded, so the parent is not told.
    if (pbCancel != NULL && *pbCancel) EndLoading();
}

void CPluginHtmlCtrl::OnProgressChange(long nProgress, long nProgressMax)
{
    if (!(nProgress == -1 || (nProgress == 0 && nProgressMax == 0))) return;
    if (m_pLoadingImage == NULL) return;
    EndLoading();

    // The source is the parent's own handle, when the parent has a window object at all.
    HWND hParent = ::GetParent(m_hWnd);
    NMHDR nmhdr;
    nmhdr.hwndFrom = CWnd::FromHandle(hParent)->GetSafeHwnd();
    nmhdr.idFrom = 0;
    nmhdr.code = UINT(NM_PAGELOADED);
    ::SendMessageW(hParent, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nmhdr));
}

void CPluginHtmlCtrl::OnNavigateComplete2(LPCTSTR strURL)
{
    (void)strURL;
    OnProgressChange(-1, 0);
}

void CPluginHtmlCtrl::OnNavigateError(LPCTSTR lpszURL, LPCTSTR lpszFrame, DWORD dwError, BOOL *pbCancel)
{
    (void)lpszURL;
    (void)lpszFrame;
    (void)dwError;
    (void)pbCancel;
    OnProgressChange(-1, 0);
}

void CPluginHtmlCtrl::EndLoading()
{
    if (m_pLoadingImage == NULL) return;
    m_pLoadingImage->Stop();
    ShowWindow(SW_SHOW);
    ::InvalidateRect(::GetParent(m_hWnd), NULL, TRUE);
}
