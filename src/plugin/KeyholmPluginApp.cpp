// The application object of the library.
#include "plugin/KeyholmPluginApp.h"

BEGIN_MESSAGE_MAP(CKeyholmPluginApp, CWinApp)
END_MESSAGE_MAP()

CKeyholmPluginApp::CKeyholmPluginApp() : CWinApp(NULL) {}

BOOL CKeyholmPluginApp::InitInstance()
{
    CWinApp::InitInstance();
    AfxEnableControlContainer();   // the library's windows host the web-browser control
    return TRUE;
}

BOOL CKeyholmPluginApp::PreTranslateMessage(MSG* pMsg)
{
    return CWinApp::PreTranslateMessage(pMsg);
}
