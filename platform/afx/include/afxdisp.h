// Event-sink maps: a static table per class that routes a hosted control's events, by control
// identifier and dispatch identifier, to member functions whose parameters a VTS_ string describes.
#pragma once

#include "afxwin.h"
#include <ole2.h>
#include <oleauto.h>

#include <tuple>
#include <type_traits>
#include <utility>

// Parameter descriptions: one byte per parameter, a VARTYPE, with VT_MFCBYREF for a pointer.
#define VT_MFCBYREF 0x40
#define VTS_NONE ""
#define VTS_I2 "\x02"
#define VTS_I4 "\x03"
#define VTS_R4 "\x04"
#define VTS_R8 "\x05"
#define VTS_BSTR "\x08"
#define VTS_DISPATCH "\x09"
#define VTS_SCODE "\x0A"
#define VTS_BOOL "\x0B"
#define VTS_VARIANT "\x0C"
#define VTS_UNKNOWN "\x0D"
#define VTS_UI1 "\x11"
#define VTS_PI2 "\x42"
#define VTS_PI4 "\x43"
#define VTS_PBSTR "\x48"
#define VTS_PDISPATCH "\x49"
#define VTS_PBOOL "\x4B"
#define VTS_PVARIANT "\x4C"
#define VTS_PUNKNOWN "\x4D"

#ifndef DISP_E_EXCEPTION
#define DISP_E_EXCEPTION ((HRESULT)0x80020009L)
#endif

// The notification code under which a container hands an event to its owner's OnCmdMsg.
#define CN_EVENT (-6)

// One event as the container received it; the handler's outcome goes back in m_hResult.
struct AFX_EVENT
{
    enum { event, propRequest, propChanged, propDSCNotify };
    AFX_EVENT(int eventKind, DISPID dispid, DISPPARAMS *pDispParams = NULL, EXCEPINFO *pExcepInfo = NULL,
              UINT *puArgError = NULL)
        : m_eventKind(eventKind), m_dispid(dispid), m_pDispParams(pDispParams), m_pExcepInfo(pExcepInfo),
          m_puArgError(puArgError), m_bPropChanged(FALSE), m_hResult(S_OK)
    {
    }
    int m_eventKind;
    DISPID m_dispid;
    DISPPARAMS *m_pDispParams;
    EXCEPINFO *m_pExcepInfo;
    UINT *m_puArgError;
    BOOL m_bPropChanged;
    HRESULT m_hResult;
};

// Calls one handler with arguments already converted to the described types (in declaration
// order); *pbHandled receives a BOOL handler's answer, TRUE for a void one.
typedef HRESULT (*AFX_EVENTSINK_THUNK)(CCmdTarget *pTarget, AFX_PMSG pfn, VARIANT *pArgs, UINT nArgs,
                                       BOOL *pbHandled);

struct AFX_EVENTSINKMAP_ENTRY
{
    UINT nCtrlIDFirst;
    UINT nCtrlIDLast;
    DISPID dispid;
    LPCSTR pszParams;          // VTS_ description; NULL ends the table
    AFX_EVENTSINK_THUNK pfnThunk;
    AFX_PMSG pfn;
};

struct AFX_EVENTSINKMAP
{
    const AFX_EVENTSINKMAP *(*pfnGetBaseMap)();
    const AFX_EVENTSINKMAP_ENTRY *lpEntries;
};

// The first entry for (nCtrlID, dispid), searching the class's own table before its bases'.
AFX_API const AFX_EVENTSINKMAP_ENTRY *AFXAPI AfxFindEventSinkEntry(const AFX_EVENTSINKMAP *pMap, UINT nCtrlID,
                                                                   DISPID dispid);
// Converts the event's arguments as the entry describes and calls its handler. FALSE when the map
// has no entry for the event; pEvent->m_hResult tells how the call went.
AFX_API BOOL AFXAPI AfxDispatchEventSink(CCmdTarget *pTarget, const AFX_EVENTSINKMAP *pMap, UINT nCtrlID,
                                         AFX_EVENT *pEvent);

// Reading a VARIANT* parameter (VTS_PVARIANT): the value may sit behind VT_VARIANT|VT_BYREF
// references, as a control's events pass it.
// The VARIANT the chain of references ends at; NULL for NULL or a null reference.
AFX_API const VARIANT *AFXAPI AfxVariantValue(const VARIANT *pvar);
// The string held as VT_BSTR, directly or by reference; empty for anything else.
AFX_API CString AFXAPI AfxVariantText(const VARIANT *pvar);
// The 32-bit value of a number (I4, UI4, ERROR as they are, others converted); 0 otherwise.
AFX_API DWORD AFXAPI AfxVariantDword(const VARIANT *pvar);

// ---------------------------------------------------------------------------------------------
// Reading a converted argument as a handler's parameter type.

template <class T, class = void> struct afx_event_arg;

// Integers, BOOL included: a VARIANT_BOOL arrives as TRUE or FALSE.
template <class T> struct afx_event_arg<T, std::enable_if_t<std::is_integral<T>::value>>
{
    static bool get(VARIANT &v, T &out)
    {
        switch (V_VT(&v)) {
        case VT_I2: out = T(V_I2(&v)); return true;
        case VT_I4: out = T(V_I4(&v)); return true;
        case VT_ERROR: out = T(V_ERROR(&v)); return true;
        case VT_UI1: out = T(V_UI1(&v)); return true;
        case VT_BOOL: out = T(V_BOOL(&v) != VARIANT_FALSE ? 1 : 0); return true;
        default: return false;
        }
    }
};
template <> struct afx_event_arg<float>
{
    static bool get(VARIANT &v, float &out) { return V_VT(&v) == VT_R4 && ((out = V_R4(&v)), true); }
};
template <> struct afx_event_arg<double>
{
    static bool get(VARIANT &v, double &out) { return V_VT(&v) == VT_R8 && ((out = V_R8(&v)), true); }
};
template <> struct afx_event_arg<LPCOLESTR>
{
    static bool get(VARIANT &v, LPCOLESTR &out) { return V_VT(&v) == VT_BSTR && ((out = V_BSTR(&v)), true); }
};
template <> struct afx_event_arg<BSTR>
{
    static bool get(VARIANT &v, BSTR &out) { return V_VT(&v) == VT_BSTR && ((out = V_BSTR(&v)), true); }
};
template <> struct afx_event_arg<IDispatch *>
{
    static bool get(VARIANT &v, IDispatch *&out) { return V_VT(&v) == VT_DISPATCH && ((out = V_DISPATCH(&v)), true); }
};
template <> struct afx_event_arg<IUnknown *>
{
    static bool get(VARIANT &v, IUnknown *&out)
    {
        return (V_VT(&v) == VT_UNKNOWN || V_VT(&v) == VT_DISPATCH) && ((out = V_UNKNOWN(&v)), true);
    }
};
// A VARIANT parameter: the caller's own for a by-reference description, the converted one otherwise.
template <> struct afx_event_arg<VARIANT *>
{
    static bool get(VARIANT &v, VARIANT *&out)
    {
        out = V_VT(&v) == (VT_VARIANT | VT_BYREF) ? V_VARIANTREF(&v) : &v;
        return out != NULL;
    }
};
template <> struct afx_event_arg<const VARIANT &>
{
    static bool get(VARIANT &v, const VARIANT *&out)
    {
        out = V_VT(&v) == (VT_VARIANT | VT_BYREF) ? V_VARIANTREF(&v) : &v;
        return out != NULL;
    }
};
template <class T, VARTYPE vt> struct afx_event_ref_arg
{
    static bool get(VARIANT &v, T *&out)
    {
        if (V_VT(&v) != (vt | VT_BYREF)) return false;
        out = static_cast<T *>(V_BYREF(&v));
        return true;
    }
};
// VARIANT_BOOL and SHORT are one type: either description is accepted.
template <> struct afx_event_arg<VARIANT_BOOL *>
{
    static bool get(VARIANT &v, VARIANT_BOOL *&out)
    {
        if (V_VT(&v) != (VT_BOOL | VT_BYREF) && V_VT(&v) != (VT_I2 | VT_BYREF)) return false;
        out = static_cast<VARIANT_BOOL *>(V_BYREF(&v));
        return true;
    }
};
template <> struct afx_event_arg<LONG *> : afx_event_ref_arg<LONG, VT_I4> {};
template <> struct afx_event_arg<BSTR *> : afx_event_ref_arg<BSTR, VT_BSTR> {};
template <> struct afx_event_arg<IDispatch **> : afx_event_ref_arg<IDispatch *, VT_DISPATCH> {};

// What a parameter is held as between reading and the call.
template <class T> struct afx_event_slot { typedef std::decay_t<T> type; static T pass(type v) { return v; } };
template <> struct afx_event_slot<const VARIANT &>
{
    typedef const VARIANT *type;
    static const VARIANT &pass(type v) { return *v; }
};

template <class PMF> struct afx_event_thunk;
template <class R, class C, class... A> struct afx_event_thunk<R (C::*)(A...)>
{
    typedef R (C::*PMF)(A...);

    static HRESULT call(CCmdTarget *pTarget, AFX_PMSG pfn, VARIANT *pArgs, UINT nArgs, BOOL *pbHandled)
    {
        return invoke(pTarget, pfn, pArgs, nArgs, pbHandled, std::index_sequence_for<A...>());
    }

private:
    template <size_t... I>
    static HRESULT invoke(CCmdTarget *pTarget, AFX_PMSG pfn, VARIANT *pArgs, UINT nArgs, BOOL *pbHandled,
                          std::index_sequence<I...>)
    {
        if (nArgs != sizeof...(A)) return DISP_E_BADPARAMCOUNT;
        std::tuple<typename afx_event_slot<A>::type...> values;
        bool ok = true;
        (void)pArgs;
        ((ok = ok && afx_event_arg<A>::get(pArgs[I], std::get<I>(values))), ...);
        if (!ok) return DISP_E_TYPEMISMATCH;
        C *pThis = static_cast<C *>(pTarget);
        PMF pmf = afx_pmsg_as<PMF>(pfn);
        if constexpr (std::is_void<R>::value) {
            (pThis->*pmf)(afx_event_slot<A>::pass(std::get<I>(values))...);
            *pbHandled = TRUE;
        } else {
            *pbHandled = BOOL((pThis->*pmf)(afx_event_slot<A>::pass(std::get<I>(values))...));
        }
        return S_OK;
    }
};

// ---------------------------------------------------------------------------------------------
// Declaring and defining a map. GetThisEventSinkMap is public so that a derived class's map can
// chain to it; GetEventSinkMap is the virtual a container's owner answers with.

#define DECLARE_EVENTSINK_MAP()                                                                    \
public:                                                                                            \
    static const AFX_EVENTSINKMAP *GetThisEventSinkMap();                                          \
protected:                                                                                         \
    virtual const AFX_EVENTSINKMAP *GetEventSinkMap() const;

#define BEGIN_EVENTSINK_MAP(theClass, baseClass)                                                   \
    const AFX_EVENTSINKMAP *theClass::GetEventSinkMap() const { return GetThisEventSinkMap(); }    \
    const AFX_EVENTSINKMAP *theClass::GetThisEventSinkMap()                                        \
    {                                                                                              \
        typedef baseClass TheBaseClass;                                                            \
        static const AFX_EVENTSINKMAP_ENTRY _eventsinkEntries[] = {

#define END_EVENTSINK_MAP()                                                                        \
        {0, 0, 0, NULL, NULL, (AFX_PMSG)0}};                                                       \
        static const AFX_EVENTSINKMAP eventsinkMap = {&TheBaseClass::GetThisEventSinkMap,          \
                                                      &_eventsinkEntries[0]};                      \
        return &eventsinkMap;                                                                      \
    }

#define ON_EVENT(theClass, id, dispid, pfnHandler, vtsParams)                                      \
    {UINT(id), UINT(id), DISPID(dispid), vtsParams,                                                \
     &afx_event_thunk<decltype(&theClass::pfnHandler)>::call, afx_pmsg(&theClass::pfnHandler)},

