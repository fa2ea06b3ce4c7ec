// Control interfaces: connection points for outgoing events, control info and the control site.
// Declared in the Windows vtable order (they are ABI).
#pragma once

#include "oaidl.h"
#include "oleidl.h"

interface IConnectionPointContainer;
interface IEnumConnections;
interface IEnumConnectionPoints;

typedef struct tagCONNECTDATA {
    IUnknown *pUnk;
    DWORD dwCookie;
} CONNECTDATA, *PCONNECTDATA, *LPCONNECTDATA;

typedef struct tagCONTROLINFO {
    ULONG cb;
    HACCEL hAccel;
    USHORT cAccel;
    DWORD dwFlags;
} CONTROLINFO, *LPCONTROLINFO;

#define CTRLINFO_EATS_RETURN 1
#define CTRLINFO_EATS_ESCAPE 2

typedef struct tagPOINTF { FLOAT x, y; } POINTF, *LPPOINTF;

typedef enum tagREADYSTATE {
    READYSTATE_UNINITIALIZED = 0,
    READYSTATE_LOADING = 1,
    READYSTATE_LOADED = 2,
    READYSTATE_INTERACTIVE = 3,
    READYSTATE_COMPLETE = 4
} READYSTATE;

typedef enum tagGUIDKIND { GUIDKIND_DEFAULT_SOURCE_DISP_IID = 1 } GUIDKIND;

// Connection and advise failures.
#define CONNECT_E_NOCONNECTION ((HRESULT)0x80040200L)
#define CONNECT_E_ADVISELIMIT ((HRESULT)0x80040201L)
#define CONNECT_E_CANNOTCONNECT ((HRESULT)0x80040202L)
#define CONNECT_E_OVERRIDDEN ((HRESULT)0x80040203L)

DEFINE_GUID(IID_IConnectionPointContainer, 0xB196B284, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
DEFINE_GUID(IID_IEnumConnectionPoints, 0xB196B285, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
DEFINE_GUID(IID_IConnectionPoint, 0xB196B286, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
DEFINE_GUID(IID_IEnumConnections, 0xB196B287, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
DEFINE_GUID(IID_IOleControl, 0xB196B288, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
DEFINE_GUID(IID_IOleControlSite, 0xB196B289, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
DEFINE_GUID(IID_IProvideClassInfo, 0xB196B283, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
DEFINE_GUID(IID_IProvideClassInfo2, 0xA6BC3AC0, 0xDBAA, 0x11CE, 0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51);

interface IConnectionPoint : public IUnknown
{
    STDMETHOD(GetConnectionInterface)(IID *pIID) = 0;
    STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer **ppCPC) = 0;
    STDMETHOD(Advise)(IUnknown *pUnkSink, DWORD *pdwCookie) = 0;
    STDMETHOD(Unadvise)(DWORD dwCookie) = 0;
    STDMETHOD(EnumConnections)(IEnumConnections **ppEnum) = 0;
};
typedef IConnectionPoint *PCONNECTIONPOINT, *LPCONNECTIONPOINT;

interface IConnectionPointContainer : public IUnknown
{
    STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints **ppEnum) = 0;
    STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint **ppCP) = 0;
};
typedef IConnectionPointContainer *PCONNECTIONPOINTCONTAINER, *LPCONNECTIONPOINTCONTAINER;

interface IEnumConnections : public IUnknown
{
    STDMETHOD(Next)(ULONG cConnections, LPCONNECTDATA rgcd, ULONG *pcFetched) = 0;
    STDMETHOD(Skip)(ULONG cConnections) = 0;
    STDMETHOD(Reset)() = 0;
    STDMETHOD(Clone)(IEnumConnections **ppEnum) = 0;
};
typedef IEnumConnections *PENUMCONNECTIONS, *LPENUMCONNECTIONS;

interface IEnumConnectionPoints : public IUnknown
{
    STDMETHOD(Next)(ULONG cConnections, LPCONNECTIONPOINT *ppCP, ULONG *pcFetched) = 0;
    STDMETHOD(Skip)(ULONG cConnections) = 0;
    STDMETHOD(Reset)() = 0;
    STDMETHOD(Clone)(IEnumConnectionPoints **ppEnum) = 0;
};
typedef IEnumConnectionPoints *PENUMCONNECTIONPOINTS, *LPENUMCONNECTIONPOINTS;

interface IProvideClassInfo : public IUnknown
{
    STDMETHOD(GetClassInfo)(ITypeInfo **ppTI) = 0;
};
typedef IProvideClassInfo *LPPROVIDECLASSINFO;

interface IProvideClassInfo2 : public IProvideClassInfo
{
    STDMETHOD(GetGUID)(DWORD dwGuidKind, GUID *pGUID) = 0;
};
typedef IProvideClassInfo2 *LPPROVIDECLASSINFO2;

interface IOleControl : public IUnknown
{
    STDMETHOD(GetControlInfo)(CONTROLINFO *pCI) = 0;
    STDMETHOD(OnMnemonic)(MSG *pMsg) = 0;
    STDMETHOD(OnAmbientPropertyChange)(DISPID dispID) = 0;
    STDMETHOD(FreezeEvents)(BOOL bFreeze) = 0;
};
typedef IOleControl *LPOLECONTROL;

interface IOleControlSite : public IUnknown
{
    STDMETHOD(OnControlInfoChanged)() = 0;
    STDMETHOD(LockInPlaceActive)(BOOL fLock) = 0;
    STDMETHOD(GetExtendedControl)(IDispatch **ppDisp) = 0;
    STDMETHOD(TransformCoords)(POINTL *pPtlHimetric, POINTF *pPtfContainer, DWORD dwFlags) = 0;
    STDMETHOD(TranslateAccelerator)(MSG *pMsg, DWORD grfModifiers) = 0;
    STDMETHOD(OnFocus)(BOOL fGotFocus) = 0;
    STDMETHOD(ShowPropertyFrame)() = 0;
};
typedef IOleControlSite *LPOLECONTROLSITE;

// IOleControlSite::TransformCoords directions.
#define XFORMCOORDS_POSITION 0x1
#define XFORMCOORDS_SIZE 0x2
#define XFORMCOORDS_HIMETRICTOCONTAINER 0x4
#define XFORMCOORDS_CONTAINERTOHIMETRIC 0x8
