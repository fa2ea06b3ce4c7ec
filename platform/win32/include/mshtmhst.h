// The HTML host's hooks into the browser: its UI handler (context menu, host info, accelerators).
// Declared in the Windows vtable order (they are ABI).
#pragma once

#include "docobj.h"

interface IDropTarget;

#define CONTEXT_MENU_DEFAULT 0
#define CONTEXT_MENU_IMAGE 1
#define CONTEXT_MENU_CONTROL 2
#define CONTEXT_MENU_TABLE 3
#define CONTEXT_MENU_TEXTSELECT 4
#define CONTEXT_MENU_ANCHOR 5
#define CONTEXT_MENU_UNKNOWN 6

typedef struct _DOCHOSTUIINFO {
    ULONG cbSize;
    DWORD dwFlags;
    DWORD dwDoubleClick;
    OLECHAR *pchHostCss;
    OLECHAR *pchHostNS;
} DOCHOSTUIINFO;

typedef enum tagDOCHOSTUIFLAG {
    DOCHOSTUIFLAG_DIALOG = 0x1,
    DOCHOSTUIFLAG_DISABLE_HELP_MENU = 0x2,
    DOCHOSTUIFLAG_NO3DBORDER = 0x4,
    DOCHOSTUIFLAG_SCROLL_NO = 0x8,
    DOCHOSTUIFLAG_DISABLE_SCRIPT_INACTIVE = 0x10,
    DOCHOSTUIFLAG_OPENNEWWIN = 0x20,
    DOCHOSTUIFLAG_DISABLE_OFFSCREEN = 0x40,
    DOCHOSTUIFLAG_FLAT_SCROLLBAR = 0x80,
    DOCHOSTUIFLAG_DIV_BLOCKDEFAULT = 0x100,
    DOCHOSTUIFLAG_ACTIVATE_CLIENTHIT_ONLY = 0x200,
    DOCHOSTUIFLAG_DIALOG_IME = 0x400,
    DOCHOSTUIFLAG_THEME = 0x40000,
    DOCHOSTUIFLAG_NOTHEME = 0x80000
} DOCHOSTUIFLAG;

typedef enum tagDOCHOSTUIDBLCLK {
    DOCHOSTUIDBLCLK_DEFAULT = 0,
    DOCHOSTUIDBLCLK_SHOWPROPERTIES = 1,
    DOCHOSTUIDBLCLK_SHOWCODE = 2
} DOCHOSTUIDBLCLK;

DEFINE_GUID(IID_IDocHostUIHandler, 0xBD3F23C0, 0xD43E, 0x11CF, 0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A);
DEFINE_GUID(IID_IDocHostShowUI, 0xC4D244B0, 0xD43E, 0x11CF, 0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A);

interface IDocHostUIHandler : public IUnknown
{
    STDMETHOD(ShowContextMenu)(DWORD dwID, POINT *ppt, IUnknown *pcmdtReserved, IDispatch *pdispReserved) = 0;
    STDMETHOD(GetHostInfo)(DOCHOSTUIINFO *pInfo) = 0;
    STDMETHOD(ShowUI)(DWORD dwID, IOleInPlaceActiveObject *pActiveObject, IOleCommandTarget *pCommandTarget,
                      IOleInPlaceFrame *pFrame, IOleInPlaceUIWindow *pDoc) = 0;
    STDMETHOD(HideUI)() = 0;
    STDMETHOD(UpdateUI)() = 0;
    STDMETHOD(EnableModeless)(BOOL fEnable) = 0;
    STDMETHOD(OnDocWindowActivate)(BOOL fActivate) = 0;
    STDMETHOD(OnFrameWindowActivate)(BOOL fActivate) = 0;
    STDMETHOD(ResizeBorder)(LPCRECT prcBorder, IOleInPlaceUIWindow *pUIWindow, BOOL fRameWindow) = 0;
    STDMETHOD(TranslateAccelerator)(LPMSG lpMsg, const GUID *pguidCmdGroup, DWORD nCmdID) = 0;
    STDMETHOD(GetOptionKeyPath)(LPOLESTR *pchKey, DWORD dw) = 0;
    STDMETHOD(GetDropTarget)(IDropTarget *pDropTarget, IDropTarget **ppDropTarget) = 0;
    STDMETHOD(GetExternal)(IDispatch **ppDispatch) = 0;
    STDMETHOD(TranslateUrl)(DWORD dwTranslate, LPWSTR pchURLIn, LPWSTR *ppchURLOut) = 0;
    STDMETHOD(FilterDataObject)(IDataObject *pDO, IDataObject **ppDORet) = 0;
};
typedef IDocHostUIHandler *LPDOCHOSTUIHANDLER;

interface IDocHostShowUI : public IUnknown
{
    STDMETHOD(ShowMessage)(HWND hwnd, LPOLESTR lpstrText, LPOLESTR lpstrCaption, DWORD dwType,
                           LPOLESTR lpstrHelpFile, DWORD dwHelpContext, LRESULT *plResult) = 0;
    STDMETHOD(ShowHelp)(HWND hwnd, LPOLESTR pszHelpFile, UINT uCommand, DWORD dwData, POINT ptMouse,
                        IDispatch *pDispatchObjectHit) = 0;
};
typedef IDocHostShowUI *LPDOCHOSTSHOWUI;
