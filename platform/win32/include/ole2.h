// OLE on top of COM: initialisation of the OLE libraries and running objects.
#pragma once

#include "objbase.h"
#include "oleauto.h"
#include "oleidl.h"

interface IBindCtx;
typedef IBindCtx *LPBINDCTX;

DEFINE_GUID(IID_IRunnableObject, 0x00000126, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

// An object that distinguishes being loaded from running; OleRun puts it in the running state.
interface IRunnableObject : public IUnknown
{
    STDMETHOD(GetRunningClass)(LPCLSID lpClsid) = 0;
    STDMETHOD(Run)(LPBINDCTX pbc) = 0;
    STDMETHOD_(BOOL, IsRunning)() = 0;
    STDMETHOD(LockRunning)(BOOL fLock, BOOL fLastUnlockCloses) = 0;
    STDMETHOD(SetContainedObject)(BOOL fContained) = 0;
};
typedef IRunnableObject *LPRUNNABLEOBJECT;

WINOLEAPI HRESULT WINAPI OleRun(LPUNKNOWN pUnknown);
