// CLoadingImageCtrl: loads the host's please-wait animation.
#include "controls/image/LoadingImageCtrl.h"

#include "plugin/ModuleDir.h"

void CLoadingImageCtrl::InitLoadingImage()
{
    SetCenter(TRUE);
    SetBackgroundColor(::GetSysColor(COLOR_BTNFACE));

    CString strDir = GetModuleDir();
    strDir.Trim(TEXT('\\'));
    CString strPath;
    strPath.Format(TEXT("%s\\%s"), strDir.GetString(), TEXT("Images\\Wait.gif"));
    LoadGifFile(strPath);
}
