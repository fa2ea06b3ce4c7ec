// The web-browser control: IWebBrowser, IWebBrowserApp, IWebBrowser2 and its event interface's IID.
// Declared in the Windows vtable order (they are ABI). The class is registered as CLSID_WebBrowser,
// under the ProgIDs "Shell.Explorer.2" and "Shell.Explorer".
#pragma once

#include "ocidl.h"
#include "docobj.h"

#ifndef SHANDLE_PTR
#define SHANDLE_PTR LONG_PTR
#endif

DEFINE_GUID(IID_IWebBrowser, 0xEAB22AC1, 0x30C1, 0x11CF, 0xA7, 0xEB, 0x00, 0x00, 0xC0, 0x5B, 0xAE, 0x0B);
DEFINE_GUID(IID_IWebBrowserApp, 0x0002DF05, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IWebBrowser2, 0xD30C1661, 0xCDAF, 0x11D0, 0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E);
DEFINE_GUID(DIID_DWebBrowserEvents, 0xEAB22AC2, 0x30C1, 0x11CF, 0xA7, 0xEB, 0x00, 0x00, 0xC0, 0x5B, 0xAE, 0x0B);
DEFINE_GUID(DIID_DWebBrowserEvents2, 0x34A715A0, 0x6587, 0x11D0, 0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D);
DEFINE_GUID(CLSID_WebBrowser, 0x8856F961, 0x340A, 0x11D0, 0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2);
DEFINE_GUID(CLSID_WebBrowser_V1, 0xEAB22AC3, 0x30C1, 0x11CF, 0xA7, 0xEB, 0x00, 0x00, 0xC0, 0x5B, 0xAE, 0x0B);

typedef enum BrowserNavConstants {
    navOpenInNewWindow = 0x1,
    navNoHistory = 0x2,
    navNoReadFromCache = 0x4,
    navNoWriteToCache = 0x8,
    navAllowAutosearch = 0x10,
    navBrowserBar = 0x20,
    navHyperlink = 0x40,
    navEnforceRestricted = 0x80,
    navNewWindowsManaged = 0x100,
    navUntrustedForDownload = 0x200,
    navTrustedForActiveX = 0x400,
    navOpenInNewTab = 0x800,
    navOpenInBackgroundTab = 0x1000,
    navKeepWordWheelText = 0x2000
} BrowserNavConstants;

typedef enum RefreshConstants {
    REFRESH_NORMAL = 0,
    REFRESH_IFEXPIRED = 1,
    REFRESH_COMPLETELY = 3
} RefreshConstants;

typedef enum CommandStateChangeConstants {
    CSC_UPDATECOMMANDS = -1,
    CSC_NAVIGATEFORWARD = 1,
    CSC_NAVIGATEBACK = 2
} CommandStateChangeConstants;

interface IWebBrowser : public IDispatch
{
    STDMETHOD(GoBack)() = 0;
    STDMETHOD(GoForward)() = 0;
    STDMETHOD(GoHome)() = 0;
    STDMETHOD(GoSearch)() = 0;
    STDMETHOD(Navigate)(BSTR URL, VARIANT *Flags, VARIANT *TargetFrameName, VARIANT *PostData,
                        VARIANT *Headers) = 0;
    STDMETHOD(Refresh)() = 0;
    STDMETHOD(Refresh2)(VARIANT *Level) = 0;
    STDMETHOD(Stop)() = 0;
    STDMETHOD(get_Application)(IDispatch **ppDisp) = 0;
    STDMETHOD(get_Parent)(IDispatch **ppDisp) = 0;
    STDMETHOD(get_Container)(IDispatch **ppDisp) = 0;
    STDMETHOD(get_Document)(IDispatch **ppDisp) = 0;
    STDMETHOD(get_TopLevelContainer)(VARIANT_BOOL *pBool) = 0;
    STDMETHOD(get_Type)(BSTR *Type) = 0;
    STDMETHOD(get_Left)(LONG *pl) = 0;
    STDMETHOD(put_Left)(LONG Left) = 0;
    STDMETHOD(get_Top)(LONG *pl) = 0;
    STDMETHOD(put_Top)(LONG Top) = 0;
    STDMETHOD(get_Width)(LONG *pl) = 0;
    STDMETHOD(put_Width)(LONG Width) = 0;
    STDMETHOD(get_Height)(LONG *pl) = 0;
    STDMETHOD(put_Height)(LONG Height) = 0;
    STDMETHOD(get_LocationName)(BSTR *LocationName) = 0;
    STDMETHOD(get_LocationURL)(BSTR *LocationURL) = 0;
    STDMETHOD(get_Busy)(VARIANT_BOOL *pBool) = 0;
};
typedef IWebBrowser *LPWEBBROWSER;

interface IWebBrowserApp : public IWebBrowser
{
    STDMETHOD(Quit)() = 0;
    STDMETHOD(ClientToWindow)(int *pcx, int *pcy) = 0;
    STDMETHOD(PutProperty)(BSTR Property, VARIANT vtValue) = 0;
    STDMETHOD(GetProperty)(BSTR Property, VARIANT *pvtValue) = 0;
    STDMETHOD(get_Name)(BSTR *Name) = 0;
    STDMETHOD(get_HWND)(SHANDLE_PTR *pHWND) = 0;
    STDMETHOD(get_FullName)(BSTR *FullName) = 0;
    STDMETHOD(get_Path)(BSTR *Path) = 0;
    STDMETHOD(get_Visible)(VARIANT_BOOL *pBool) = 0;
    STDMETHOD(put_Visible)(VARIANT_BOOL Value) = 0;
    STDMETHOD(get_StatusBar)(VARIANT_BOOL *pBool) = 0;
    STDMETHOD(put_StatusBar)(VARIANT_BOOL Value) = 0;
    STDMETHOD(get_StatusText)(BSTR *StatusText) = 0;
    STDMETHOD(put_StatusText)(BSTR StatusText) = 0;
    STDMETHOD(get_ToolBar)(int *Value) = 0;
    STDMETHOD(put_ToolBar)(int Value) = 0;
    STDMETHOD(get_MenuBar)(VARIANT_BOOL *Value) = 0;
    STDMETHOD(put_MenuBar)(VARIANT_BOOL Value) = 0;
    STDMETHOD(get_FullScreen)(VARIANT_BOOL *pbFullScreen) = 0;
    STDMETHOD(put_FullScreen)(VARIANT_BOOL bFullScreen) = 0;
};
typedef IWebBrowserApp *LPWEBBROWSERAPP;

interface IWebBrowser2 : public IWebBrowserApp
{
    STDMETHOD(Navigate2)(VARIANT *URL, VARIANT *Flags, VARIANT *TargetFrameName, VARIANT *PostData,
                         VARIANT *Headers) = 0;
    STDMETHOD(QueryStatusWB)(OLECMDID cmdID, OLECMDF *pcmdf) = 0;
    STDMETHOD(ExecWB)(OLECMDID cmdID, OLECMDEXECOPT cmdexecopt, VARIANT *pvaIn, VARIANT *pvaOut) = 0;
    STDMETHOD(ShowBrowserBar)(VARIANT *pvaClsid, VARIANT *pvarShow, VARIANT *pvarSize) = 0;
    STDMETHOD(get_ReadyState)(READYSTATE *plReadyState) = 0;
    STDMETHOD(get_Offline)(VARIANT_BOOL *pbOffline) = 0;
    STDMETHOD(put_Offline)(VARIANT_BOOL bOffline) = 0;
    STDMETHOD(get_Silent)(VARIANT_BOOL *pbSilent) = 0;
    STDMETHOD(put_Silent)(VARIANT_BOOL bSilent) = 0;
    STDMETHOD(get_RegisterAsBrowser)(VARIANT_BOOL *pbRegister) = 0;
    STDMETHOD(put_RegisterAsBrowser)(VARIANT_BOOL bRegister) = 0;
    STDMETHOD(get_RegisterAsDropTarget)(VARIANT_BOOL *pbRegister) = 0;
    STDMETHOD(put_RegisterAsDropTarget)(VARIANT_BOOL bRegister) = 0;
    STDMETHOD(get_TheaterMode)(VARIANT_BOOL *pbRegister) = 0;
    STDMETHOD(put_TheaterMode)(VARIANT_BOOL bRegister) = 0;
    STDMETHOD(get_AddressBar)(VARIANT_BOOL *Value) = 0;
    STDMETHOD(put_AddressBar)(VARIANT_BOOL Value) = 0;
    STDMETHOD(get_Resizable)(VARIANT_BOOL *Value) = 0;
    STDMETHOD(put_Resizable)(VARIANT_BOOL Value) = 0;
};
typedef IWebBrowser2 *LPWEBBROWSER2;

// Transfer failures a navigation reports through NavigateError besides HTTP statuses.
#ifndef INET_E_INVALID_URL
#define INET_E_INVALID_URL ((HRESULT)0x800C0002L)
#define INET_E_NO_SESSION ((HRESULT)0x800C0003L)
#define INET_E_CANNOT_CONNECT ((HRESULT)0x800C0004L)
#define INET_E_RESOURCE_NOT_FOUND ((HRESULT)0x800C0005L)
#define INET_E_OBJECT_NOT_FOUND ((HRESULT)0x800C0006L)
#define INET_E_DATA_NOT_AVAILABLE ((HRESULT)0x800C0007L)
#define INET_E_DOWNLOAD_FAILURE ((HRESULT)0x800C0008L)
#define INET_E_CONNECTION_TIMEOUT ((HRESULT)0x800C000BL)
#define INET_E_INVALID_REQUEST ((HRESULT)0x800C000CL)
#define INET_E_UNKNOWN_PROTOCOL ((HRESULT)0x800C000DL)
#define INET_E_SECURITY_PROBLEM ((HRESULT)0x800C000EL)
#endif
