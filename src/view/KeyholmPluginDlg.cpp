// The permission tab page: its lifecycle towards the host, its caption and tab image per language,
// and the factory that fills the module's plug-in table.
#include "view/KeyholmPluginDlg.h"

#include "controls/html/PluginHtmlCtrl.h"
#include "icons/AlphaBitmap.h"
#include "lang/LangKeys.h"
#include "lang/LanguageTable.h"
#include "log/log.h"
#include "plugin/PluginModuleBase.h"
#include "view/ProcessWindow.h"

namespace {

const DWORD kTraceComponent = 9;
const LONG kTraceLevel = 0;

// GB2312 texts of the trace records.
const char kReturnedNormally[] = "\xd5\xfd\xb3\xa3\xb7\xb5\xbb\xd8";   // returned normally
const char kInitialising[] = "\xb3\xf5\xca\xbc\xbb\xaf";               // initialising
const char kEndedNormally[] = "\xd5\xfd\xb3\xa3\xbd\xe1\xca\xf8";      // ended normally

void Trace(const char* pszSource, DWORD dwLine, const char* pszMessage)
{
    LogTrace(kTraceComponent, kTraceLevel, pszSource, dwLine, "%s", pszMessage);
}

}  // namespace

CKeyholmPluginDlg::CKeyholmPluginDlg() : CXTResizePropertyPage(IDD_KEYHOLM_PLUGIN, 0, 0) {}

CKeyholmPluginDlg::~CKeyholmPluginDlg()
{
    // The last Release comes in the host's state; the bitmap and the windows are in the library's
    // handle maps, which must forget them, or a later object given the same handle could not be
    // attached.
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    ReplaceTabIcon(NULL);
    // A last Release while the page still has its window: take the browser and the page down while
    // this object is whole, so no message reaches a half-destroyed page.
    DestroyBrowser();
    if (m_loadingImage.m_hWnd)
        m_loadingImage.UnsubclassWindow();
    if (m_hWnd)
        DestroyWindow();
}

BOOL CKeyholmPluginDlg::Init(IPluginHost* pHost)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    Trace("CKeyholmPluginDlg::Init", 95, kInitialising);
    if (!pHost)
        return FALSE;
    m_pHost = pHost;
    m_bInit = TRUE;
    try
    {
        m_pCore = pHost->GetCore();
        // A host that answers no core gets what the module does for it: those steps are skipped.
        if (m_pCore)
        {
            LogConfig.minLevel = m_pCore->GetTraceLevel();
            CHostServicePtr<IUICore> pUICore(m_pCore->GetService(HOST_SERVICE_UICORE));
            if (pUICore)
                CurrentLangId = pUICore->GetLanguageId();   // unchecked: the host's word
        }
        ReplaceTabIcon(LoadTabIcon(CurrentLangId));   // a second Init replaces the image
    }
    catch (CException* e)
    {
        e->Delete();
    }
    return TRUE;
}

void CKeyholmPluginDlg::UnInit()
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    Trace("CKeyholmPluginDlg::UnInit", 132, "");
    m_pHost = NULL;
    m_pCore = NULL;
    m_bInit = FALSE;
    Trace("CKeyholmPluginDlg::UnInit", 136, kEndedNormally);
}

int CKeyholmPluginDlg::Startup()
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    try
    {
        m_strCaption = static_cast<ITabViewPlugin*>(this)->GetCaption(0);
        Navigate();
    }
    catch (CException* e)   // the string class ran out of memory; the host sees a plain start
    {
        e->Delete();
    }
    Trace("CKeyholmPluginDlg::Startup", 151, kReturnedNormally);
    return 0;
}

void CKeyholmPluginDlg::Shutdown()
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (m_strCaption.IsEmpty())
        return;
    // Only the host's own window: a window of another program bearing the same title stays open.
    HWND hWnd = FindProcessTopLevelWindow(m_strCaption, ::GetCurrentProcessId());
    if (hWnd && ::IsWindow(hWnd))
        ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
}

void CKeyholmPluginDlg::OnLanguageChanged(DWORD dwLangId)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (dwLangId == 0)
        dwLangId = CurrentLangId;
    // The host may hold the old handle until it asks again; it is told to ask after this call.
    ReplaceTabIcon(NULL);
    try
    {
        ReplaceTabIcon(LoadTabIcon(dwLangId));
        if (m_hWnd && ::IsWindowVisible(m_hWnd))
            Navigate();   // its language parameter follows CurrentLangId, not dwLangId
    }
    catch (CException* e)
    {
        e->Delete();
    }
}

BOOL CKeyholmPluginDlg::CreateView(HWND hParent)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (m_hWnd && ::IsWindow(m_hWnd))
        return TRUE;
    try
    {
        return Create(IDD_KEYHOLM_PLUGIN, CWnd::FromHandle(hParent));
    }
    catch (CException* e)
    {
        e->Delete();
        return FALSE;
    }
}

void CKeyholmPluginDlg::DestroyView()
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    DestroyBrowser();
    // Gives the item back its own procedure, so the next CreateView binds the new item.
    if (m_loadingImage.m_hWnd)
        m_loadingImage.UnsubclassWindow();
    if (m_hWnd)
        DestroyWindow();
}

LPCWSTR CKeyholmPluginDlg::GetCaption(int)
{
    return GetLangString(IDS_CAPTION_KEYHOLM);
}

void CKeyholmPluginDlg::DoDataExchange(CDataExchange* pDX)
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    DDX_Control(pDX, IDC_KEYHOLM_LOADING, m_loadingImage);
}

BOOL CKeyholmPluginDlg::OnInitDialog()
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CXTResizePropertyPage::OnInitDialog();
    m_loadingImage.InitLoadingImage();
    if (!m_pHtmlCtrl)
    {
        m_pHtmlCtrl.reset(new CPluginHtmlCtrl);
        // A browser that cannot be made leaves a control without a window; Navigate then sends nothing.
        m_pHtmlCtrl->CreateFromStatic(IDC_KEYHOLM_BROWSER, this);
        if (m_pHtmlCtrl->m_hWnd)
            m_pHtmlCtrl->SetParent(this);
        m_pHtmlCtrl->SetLoadingImage(&m_loadingImage);
    }
    // The animation keeps its size and stays centred; the browser keeps its corner and stretches.
    AnchorControl(IDC_KEYHOLM_LOADING, NULL, AnchorRect(0.5f, 0.5f, 0.5f, 0.5f));
    AnchorControl(IDC_KEYHOLM_BROWSER, NULL, AnchorRect(0.0f, 0.0f, 1.0f, 1.0f));
    static_cast<ITabViewPlugin*>(this)->OnLanguageChanged(0);
    Trace("CKeyholmPluginDlg::OnInitDialog", 84, kReturnedNormally);
    return TRUE;
}

void CKeyholmPluginDlg::DestroyBrowser()
{
    if (!m_pHtmlCtrl)
        return;
    if (m_pHtmlCtrl->m_hWnd && ::IsWindow(m_pHtmlCtrl->m_hWnd))
        m_pHtmlCtrl->DestroyWindow();
    m_pHtmlCtrl.reset();
}

void CKeyholmPluginDlg::ReplaceTabIcon(HBITMAP hBitmap)
{
    m_bmpTabIcon.DeleteObject();
    if (hBitmap && !m_bmpTabIcon.Attach(hBitmap))
        ::DeleteObject(hBitmap);   // not taken: not leaked either
}

HBITMAP CKeyholmPluginDlg::LoadTabIcon(DWORD dwLangId)
{
    UINT nID = dwLangId == 2052 ? IDB_TAB_ICON_ZH : IDB_TAB_ICON_EN;
    BOOL bAlpha = FALSE;
    CBitmap bmpDecoded;
    if (!bmpDecoded.Attach(BitmapFromResource(AfxGetInstanceHandle(), MAKEINTRESOURCE(nID), &bAlpha)))
        return NULL;
    if (!bAlpha)
        return static_cast<HBITMAP>(bmpDecoded.Detach());
    return MakePremultipliedBitmap(bmpDecoded, &bAlpha);   // the decoded one goes with bmpDecoded
}

IPlugin* CreatePluginDlg()
{
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CKeyholmPluginDlg* pDlg = new CKeyholmPluginDlg;
    return static_cast<ITabViewPlugin*>(pDlg);
}
