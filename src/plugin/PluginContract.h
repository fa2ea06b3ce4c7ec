// The interfaces the library implements and the host calls. The order of the virtual operations
// is the binary contract: host and library are built apart against these declarations.
#pragma once

#include <windows.h>

// Offers a message of the host's loop to the library's windows; TRUE: translated, do not dispatch.
class IMessagePreProcessor
{
public:
    virtual BOOL PreTranslateMessage(MSG* pMsg) = 0;                      // 0
};

class IPluginHost;

// One plug-in. Positions 0 to 10 are all the module uses.
class IPlugin
{
public:
    virtual int GetType() = 0;                                            // 0
    virtual LPCWSTR GetDescription() = 0;                                 // 1
    virtual BOOL Init(IPluginHost* pHost) = 0;                            // 2
    virtual void UnInit() = 0;                                            // 3
    virtual BOOL IsInit() = 0;                                            // 4
    virtual int Startup() = 0;                                            // 5
    virtual void Shutdown() = 0;                                          // 6
    virtual BOOL IsStarted() = 0;                                         // 7
    virtual LONG AddRef() = 0;                                            // 8
    virtual LONG Release() = 0;                                           // 9
    virtual void OnLanguageChanged(DWORD dwLangId) = 0;                   // 10
};

// A plug-in with a window of its own.
class IViewPlugin : public IPlugin
{
public:
    virtual int GetViewFlags() = 0;                                       // 11
    virtual BOOL CreateView(HWND hParent) = 0;                            // 12
    virtual void DestroyView() = 0;                                       // 13
    virtual HWND GetHwnd() = 0;                                           // 14
};

// A view shown as a page of the host's tab area. The implementing object's virtual destructor
// follows at position 17; only Release reaches it.
class ITabViewPlugin : public IViewPlugin
{
public:
    virtual HBITMAP GetIcon() = 0;                                        // 15
    virtual LPCWSTR GetCaption(int nIndex) = 0;                           // 16
};

// The library's module object, obtained through GetPluginModule. It has no destructor position:
// the host never deletes it.
class IPluginModule
{
public:
    virtual int GetType() = 0;                                            // 0
    virtual BOOL IsInit() = 0;                                            // 1
    virtual LPCWSTR GetModuleName() = 0;                                  // 2
    virtual LPCWSTR GetCompanyName() = 0;                                 // 3
    virtual UINT GetPluginCount() = 0;                                    // 4
    virtual IPlugin* GetPlugin(UINT nIndex) = 0;                          // 5
    virtual void ReleasePlugin(IPlugin* pPlugin) = 0;                     // 6
    virtual void OnLanguageChanged(DWORD dwLangId) = 0;                   // 7
    virtual BOOL PreTranslateMessage(MSG* pMsg) = 0;                      // 8
    virtual BOOL Init(IPluginHost* pHost) = 0;                            // 9
    virtual void UnInit() = 0;                                            // 10
};

// The one export of the library: the module object, the same pointer on every call.
typedef IPluginModule* (*PFN_GET_PLUGIN_MODULE)();
#define GET_PLUGIN_MODULE_EXPORT "GetPluginModule"
