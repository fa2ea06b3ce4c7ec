// OLE embedding interfaces: objects, client sites, windows and in-place activation.
// Declared in the Windows vtable order (they are ABI); objidl interfaces they mention are opaque here.
#pragma once

#include "unknwn.h"
#include "win32api/message.h"

interface IMoniker;
interface IBindCtx;
interface IDataObject;
interface IAdviseSink;
interface IEnumOLEVERB;
interface IEnumSTATDATA;
interface IEnumUnknown;
interface IOleContainer;
interface IOleInPlaceUIWindow;
interface IOleInPlaceActiveObject;
struct tagLOGPALETTE;

typedef SIZE SIZEL, *PSIZEL, *LPSIZEL;
typedef struct _POINTL { LONG x, y; } POINTL, *PPOINTL;
typedef RECT BORDERWIDTHS, *LPBORDERWIDTHS;
typedef const RECT *LPCBORDERWIDTHS;
typedef HGLOBAL HOLEMENU;

typedef struct tagOleMenuGroupWidths {
    LONG width[6];
} OLEMENUGROUPWIDTHS, *LPOLEMENUGROUPWIDTHS;

typedef struct tagOIFI {
    UINT cb;
    BOOL fMDIApp;
    HWND hwndFrame;
    HACCEL haccel;
    UINT cAccelEntries;
} OLEINPLACEFRAMEINFO, *LPOLEINPLACEFRAMEINFO;

// IOleObject::DoVerb verbs.
#define OLEIVERB_PRIMARY (0L)
#define OLEIVERB_SHOW (-1L)
#define OLEIVERB_OPEN (-2L)
#define OLEIVERB_HIDE (-3L)
#define OLEIVERB_UIACTIVATE (-4L)
#define OLEIVERB_INPLACEACTIVATE (-5L)
#define OLEIVERB_DISCARDUNDOSTATE (-6L)

typedef enum tagOLECLOSE { OLECLOSE_SAVEIFDIRTY = 0, OLECLOSE_NOSAVE = 1, OLECLOSE_PROMPTSAVE = 2 } OLECLOSE;
typedef enum tagOLEGETMONIKER {
    OLEGETMONIKER_ONLYIFTHERE = 1,
    OLEGETMONIKER_FORCEASSIGN = 2,
    OLEGETMONIKER_UNASSIGN = 3,
    OLEGETMONIKER_TEMPFORUSER = 4
} OLEGETMONIKER;
typedef enum tagOLEWHICHMK { OLEWHICHMK_CONTAINER = 1, OLEWHICHMK_OBJREL = 2, OLEWHICHMK_OBJFULL = 3 } OLEWHICHMK;
typedef enum tagUSERCLASSTYPE { USERCLASSTYPE_FULL = 1, USERCLASSTYPE_SHORT = 2, USERCLASSTYPE_APPNAME = 3 } USERCLASSTYPE;
typedef enum tagDVASPECT { DVASPECT_CONTENT = 1, DVASPECT_THUMBNAIL = 2, DVASPECT_ICON = 4, DVASPECT_DOCPRINT = 8 } DVASPECT;

typedef enum tagOLEMISC {
    OLEMISC_RECOMPOSEONRESIZE = 0x1,
    OLEMISC_ONLYICONIC = 0x2,
    OLEMISC_INSERTNOTREPLACE = 0x4,
    OLEMISC_STATIC = 0x8,
    OLEMISC_CANTLINKINSIDE = 0x10,
    OLEMISC_CANLINKBYOLE1 = 0x20,
    OLEMISC_ISLINKOBJECT = 0x40,
    OLEMISC_INSIDEOUT = 0x80,
    OLEMISC_ACTIVATEWHENVISIBLE = 0x100,
    OLEMISC_RENDERINGISDEVICEINDEPENDENT = 0x200,
    OLEMISC_INVISIBLEATRUNTIME = 0x400,
    OLEMISC_ALWAYSRUN = 0x800,
    OLEMISC_ACTSLIKEBUTTON = 0x1000,
    OLEMISC_ACTSLIKELABEL = 0x2000,
    OLEMISC_NOUIACTIVATE = 0x4000,
    OLEMISC_ALIGNABLE = 0x8000,
    OLEMISC_SIMPLEFRAME = 0x10000,
    OLEMISC_SETCLIENTSITEFIRST = 0x20000,
    OLEMISC_IMEMODE = 0x40000,
    OLEMISC_IGNOREACTIVATEWHENVISIBLE = 0x80000,
    OLEMISC_WANTSTOMENUMERGE = 0x100000,
    OLEMISC_SUPPORTSMULTILEVELUNDO = 0x200000
} OLEMISC;

// Embedding results.
#ifndef OLE_E_NOCONNECTION
#define OLE_S_USEREG ((HRESULT)0x00040000L)
#define OLE_E_ADVISENOTSUPPORTED ((HRESULT)0x80040003L)
#define OLE_E_NOCONNECTION ((HRESULT)0x80040004L)
#define OLE_E_NOT_INPLACEACTIVE ((HRESULT)0x80040010L)
#define OLEOBJ_E_NOVERBS ((HRESULT)0x80040180L)
#define OLEOBJ_S_INVALIDVERB ((HRESULT)0x00040180L)
#define INPLACE_E_NOTUNDOABLE ((HRESULT)0x800401A0L)
#endif

DEFINE_GUID(IID_IOleObject, 0x00000112, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IOleClientSite, 0x00000118, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IOleWindow, 0x00000114, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IOleInPlaceObject, 0x00000113, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IOleInPlaceActiveObject, 0x00000117, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IOleInPlaceUIWindow, 0x00000115, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IOleInPlaceFrame, 0x00000116, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IOleInPlaceSite, 0x00000119, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IParseDisplayName, 0x0000011A, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IOleContainer, 0x0000011B, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

interface IOleClientSite : public IUnknown
{
    STDMETHOD(SaveObject)() = 0;
    STDMETHOD(GetMoniker)(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker **ppmk) = 0;
    STDMETHOD(GetContainer)(IOleContainer **ppContainer) = 0;
    STDMETHOD(ShowObject)() = 0;
    STDMETHOD(OnShowWindow)(BOOL fShow) = 0;
    STDMETHOD(RequestNewObjectLayout)() = 0;
};
typedef IOleClientSite *LPOLECLIENTSITE;

interface IOleObject : public IUnknown
{
    STDMETHOD(SetClientSite)(IOleClientSite *pClientSite) = 0;
    STDMETHOD(GetClientSite)(IOleClientSite **ppClientSite) = 0;
    STDMETHOD(SetHostNames)(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) = 0;
    STDMETHOD(Close)(DWORD dwSaveOption) = 0;
    STDMETHOD(SetMoniker)(DWORD dwWhichMoniker, IMoniker *pmk) = 0;
    STDMETHOD(GetMoniker)(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker **ppmk) = 0;
    STDMETHOD(InitFromData)(IDataObject *pDataObject, BOOL fCreation, DWORD dwReserved) = 0;
    STDMETHOD(GetClipboardData)(DWORD dwReserved, IDataObject **ppDataObject) = 0;
    STDMETHOD(DoVerb)(LONG iVerb, LPMSG lpmsg, IOleClientSite *pActiveSite, LONG lindex, HWND hwndParent,
                      LPCRECT lprcPosRect) = 0;
    STDMETHOD(EnumVerbs)(IEnumOLEVERB **ppEnumOleVerb) = 0;
    STDMETHOD(Update)() = 0;
    STDMETHOD(IsUpToDate)() = 0;
    STDMETHOD(GetUserClassID)(CLSID *pClsid) = 0;
    STDMETHOD(GetUserType)(DWORD dwFormOfType, LPOLESTR *pszUserType) = 0;
    STDMETHOD(SetExtent)(DWORD dwDrawAspect, SIZEL *psizel) = 0;
    STDMETHOD(GetExtent)(DWORD dwDrawAspect, SIZEL *psizel) = 0;
    STDMETHOD(Advise)(IAdviseSink *pAdvSink, DWORD *pdwConnection) = 0;
    STDMETHOD(Unadvise)(DWORD dwConnection) = 0;
    STDMETHOD(EnumAdvise)(IEnumSTATDATA **ppenumAdvise) = 0;
    STDMETHOD(GetMiscStatus)(DWORD dwAspect, DWORD *pdwStatus) = 0;
    STDMETHOD(SetColorScheme)(struct tagLOGPALETTE *pLogpal) = 0;
};
typedef IOleObject *LPOLEOBJECT;

interface IOleWindow : public IUnknown
{
    STDMETHOD(GetWindow)(HWND *phwnd) = 0;
    STDMETHOD(ContextSensitiveHelp)(BOOL fEnterMode) = 0;
};
typedef IOleWindow *LPOLEWINDOW;

interface IOleInPlaceObject : public IOleWindow
{
    STDMETHOD(InPlaceDeactivate)() = 0;
    STDMETHOD(UIDeactivate)() = 0;
    STDMETHOD(SetObjectRects)(LPCRECT lprcPosRect, LPCRECT lprcClipRect) = 0;
    STDMETHOD(ReactivateAndUndo)() = 0;
};
typedef IOleInPlaceObject *LPOLEINPLACEOBJECT;

interface IOleInPlaceActiveObject : public IOleWindow
{
    STDMETHOD(TranslateAccelerator)(LPMSG lpmsg) = 0;
    STDMETHOD(OnFrameWindowActivate)(BOOL fActivate) = 0;
    STDMETHOD(OnDocWindowActivate)(BOOL fActivate) = 0;
    STDMETHOD(ResizeBorder)(LPCRECT prcBorder, IOleInPlaceUIWindow *pUIWindow, BOOL fFrameWindow) = 0;
    STDMETHOD(EnableModeless)(BOOL fEnable) = 0;
};
typedef IOleInPlaceActiveObject *LPOLEINPLACEACTIVEOBJECT;

interface IOleInPlaceUIWindow : public IOleWindow
{
    STDMETHOD(GetBorder)(LPRECT lprectBorder) = 0;
    STDMETHOD(RequestBorderSpace)(LPCBORDERWIDTHS pborderwidths) = 0;
    STDMETHOD(SetBorderSpace)(LPCBORDERWIDTHS pborderwidths) = 0;
    STDMETHOD(SetActiveObject)(IOleInPlaceActiveObject *pActiveObject, LPCOLESTR pszObjName) = 0;
};
typedef IOleInPlaceUIWindow *LPOLEINPLACEUIWINDOW;

interface IOleInPlaceFrame : public IOleInPlaceUIWindow
{
    STDMETHOD(InsertMenus)(HMENU hmenuShared, LPOLEMENUGROUPWIDTHS lpMenuWidths) = 0;
    STDMETHOD(SetMenu)(HMENU hmenuShared, HOLEMENU holemenu, HWND hwndActiveObject) = 0;
    STDMETHOD(RemoveMenus)(HMENU hmenuShared) = 0;
    STDMETHOD(SetStatusText)(LPCOLESTR pszStatusText) = 0;
    STDMETHOD(EnableModeless)(BOOL fEnable) = 0;
    STDMETHOD(TranslateAccelerator)(LPMSG lpmsg, WORD wID) = 0;
};
typedef IOleInPlaceFrame *LPOLEINPLACEFRAME;

interface IOleInPlaceSite : public IOleWindow
{
    STDMETHOD(CanInPlaceActivate)() = 0;
    STDMETHOD(OnInPlaceActivate)() = 0;
    STDMETHOD(OnUIActivate)() = 0;
    STDMETHOD(GetWindowContext)(IOleInPlaceFrame **ppFrame, IOleInPlaceUIWindow **ppDoc, LPRECT lprcPosRect,
                                LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) = 0;
    STDMETHOD(Scroll)(SIZE scrollExtant) = 0;
    STDMETHOD(OnUIDeactivate)(BOOL fUndoable) = 0;
    STDMETHOD(OnInPlaceDeactivate)() = 0;
    STDMETHOD(DiscardUndoState)() = 0;
    STDMETHOD(DeactivateAndUndo)() = 0;
    STDMETHOD(OnPosRectChange)(LPCRECT lprcPosRect) = 0;
};
typedef IOleInPlaceSite *LPOLEINPLACESITE;

interface IParseDisplayName : public IUnknown
{
    STDMETHOD(ParseDisplayName)(IBindCtx *pbc, LPOLESTR pszDisplayName, ULONG *pchEaten, IMoniker **ppmkOut) = 0;
};
typedef IParseDisplayName *LPPARSEDISPLAYNAME;

interface IOleContainer : public IParseDisplayName
{
    STDMETHOD(EnumObjects)(DWORD grfFlags, IEnumUnknown **ppenum) = 0;
    STDMETHOD(LockContainer)(BOOL fLock) = 0;
};
typedef IOleContainer *LPOLECONTAINER;
