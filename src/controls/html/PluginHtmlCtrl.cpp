// CPluginHtmlCtrl: the animation runs from the start of every navigation until the first
// completion, final progress or error, which also notifies the parent.
#include "controls/html/PluginHtmlCtrl.h"

#include "controls/image/ImageCtrl.h"
#include "controls/image/LoadingImageCtrl.h"

namespace {
const UINT kFirstFrameInterval = 100;
}

void CPluginHtmlCtrl::OnBeforeNavigate2(LPCTSTR lpszURL, DWORD nFlags, LPCTSTR lpszTargetFrameName,
                                        CByteArray &baPostedData, LPCTSTR lpszHeaders, BOOL *pbCancel)
{
    if (m_pLoadingImage != NULL) {
        HWND hImage = m_pLoadingImage->GetSafeHwnd();
        ::ShowWindow(hImage, SW_SHOW);
        if (m_pLoadingImage->m_pImage != NULL && m_pLoadingImage->m_pImage->IsValid() &&
            m_pLoadingImage->m_pImage->GetNumFrames() > 1)
            ::SetTimer(hImage, IDT_ANIMATION, kFirstFrameInterval, NULL);
        ShowWindow(SW_HIDE);
        ::InvalidateRect(::GetParent(m_hWnd), NULL, TRUE);
    }
    CHtmlCtrlEx::OnBeforeNavigate2(lpszURL, nFlags, lpszTargetFrameName, baPostedData, lpszHeaders, pbCancel);
}

void CPluginHtmlCtrl::OnProgressChange(long nProgress, long nProgressMax)
{
    if (!(nProgress == -1 || (nProgress == 0 && nProgressMax == 0))) return;
    if (m_pLoadingImage == NULL) return;

    HWND hImage = m_pLoadingImage->GetSafeHwnd();
    ::KillTimer(hImage, IDT_ANIMATION);
    ::ShowWindow(hImage, SW_HIDE);
    ShowWindow(SW_SHOW);
    HWND hParent = ::GetParent(m_hWnd);
    ::InvalidateRect(hParent, NULL, TRUE);

    // The source is the parent's own handle, when the parent has a window object at all.
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
