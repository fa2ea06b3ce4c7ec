// The library's application object: the class library's start-up for this library, and the
// pre-translation of the library's windows on the host's behalf.
#pragma once

#include "plugin/PluginContract.h"

#include <afxwin.h>

class CKeyholmPluginApp : public CWinApp, public IMessagePreProcessor
{
public:
    CKeyholmPluginApp();

    BOOL InitInstance() override;
    // Serves both the thread's virtual and IMessagePreProcessor's one operation.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    DECLARE_MESSAGE_MAP()
};

extern CKeyholmPluginApp theApp;
