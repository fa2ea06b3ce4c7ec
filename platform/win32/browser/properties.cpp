// IWebBrowser2 properties and commands of the web-browser control: what an embedded control without
// history, frame window or document object model answers.
#include "browser/control.h"

namespace win32 {
namespace browser {

namespace {

HRESULT out_bool(VARIANT_BOOL *out, bool value)
{
    if (!out)
        return E_POINTER;
    *out = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT out_bstr(BSTR *out, const std::u16string &value)
{
    if (!out)
        return E_POINTER;
    *out = bstr_from(value);
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

// ---- IWebBrowser2 properties -------------------------------------------------------------------

// History is not kept: there is nothing to go back or forward to.
STDMETHODIMP web_browser::GoBack() { return E_FAIL; }
STDMETHODIMP web_browser::GoForward() { return E_FAIL; }
STDMETHODIMP web_browser::GoHome() { return E_NOTIMPL; }
STDMETHODIMP web_browser::GoSearch() { return E_NOTIMPL; }

STDMETHODIMP web_browser::Refresh2(VARIANT *) { return Refresh(); }

STDMETHODIMP web_browser::get_Application(IDispatch **ppDisp) { return QueryInterface(IID_IDispatch, (void **)ppDisp); }
STDMETHODIMP web_browser::get_Parent(IDispatch **ppDisp) { return QueryInterface(IID_IDispatch, (void **)ppDisp); }

STDMETHODIMP web_browser::get_Container(IDispatch **ppDisp)
{
    if (!ppDisp)
        return E_POINTER;
    *ppDisp = NULL;
    return S_OK;
}

// There is no document object model: the page is text for painting only.
STDMETHODIMP web_browser::get_Document(IDispatch **ppDisp)
{
    if (!ppDisp)
        return E_POINTER;
    *ppDisp = NULL;
    return S_OK;
}

STDMETHODIMP web_browser::get_TopLevelContainer(VARIANT_BOOL *pBool) { return out_bool(pBool, false); }
STDMETHODIMP web_browser::get_Type(BSTR *Type) { return out_bstr(Type, u"HTML Document"); }

static HRESULT window_metric(HWND hwnd, LONG *out, int which)
{
    if (!out)
        return E_POINTER;
    RECT rc = {0, 0, 0, 0};
    if (hwnd) {
        GetWindowRect(hwnd, &rc);
        HWND parent = GetParent(hwnd);
        if (parent)
            MapWindowPoints(NULL, parent, reinterpret_cast<POINT *>(&rc), 2);
    }
    LONG values[] = {rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
    *out = values[which];
    return S_OK;
}

STDMETHODIMP web_browser::get_Left(LONG *pl) { return window_metric(m_hWnd, pl, 0); }
STDMETHODIMP web_browser::get_Top(LONG *pl) { return window_metric(m_hWnd, pl, 1); }
STDMETHODIMP web_browser::get_Width(LONG *pl) { return window_metric(m_hWnd, pl, 2); }
STDMETHODIMP web_browser::get_Height(LONG *pl) { return window_metric(m_hWnd, pl, 3); }

// An embedded control's position belongs to its container (SetObjectRects).
STDMETHODIMP web_browser::put_Left(LONG) { return E_NOTIMPL; }
STDMETHODIMP web_browser::put_Top(LONG) { return E_NOTIMPL; }
STDMETHODIMP web_browser::put_Width(LONG) { return E_NOTIMPL; }
STDMETHODIMP web_browser::put_Height(LONG) { return E_NOTIMPL; }

STDMETHODIMP web_browser::get_LocationName(BSTR *LocationName)
{
    return out_bstr(LocationName, m_strTitle.empty() ? m_strURL : m_strTitle);
}

STDMETHODIMP web_browser::get_LocationURL(BSTR *LocationURL) { return out_bstr(LocationURL, m_strURL); }
STDMETHODIMP web_browser::get_Busy(VARIANT_BOOL *pBool) { return out_bool(pBool, m_bBusy); }

STDMETHODIMP web_browser::Quit() { return E_FAIL; }
STDMETHODIMP web_browser::ClientToWindow(int *, int *) { return E_NOTIMPL; }
STDMETHODIMP web_browser::PutProperty(BSTR, VARIANT) { return E_NOTIMPL; }
STDMETHODIMP web_browser::GetProperty(BSTR, VARIANT *pvtValue)
{
    if (pvtValue)
        VariantInit(pvtValue);
    return E_NOTIMPL;
}
STDMETHODIMP web_browser::get_Name(BSTR *Name) { return out_bstr(Name, u"Web Browser Control"); }

STDMETHODIMP web_browser::get_HWND(SHANDLE_PTR *pHWND)
{
    if (!pHWND)
        return E_POINTER;
    *pHWND = 0;
    return E_FAIL;  // an embedded control has no top-level window of its own
}

STDMETHODIMP web_browser::get_FullName(BSTR *FullName) { return out_bstr(FullName, u""); }
STDMETHODIMP web_browser::get_Path(BSTR *Path) { return out_bstr(Path, u""); }
STDMETHODIMP web_browser::get_Visible(VARIANT_BOOL *pBool) { return out_bool(pBool, m_bVisible); }

STDMETHODIMP web_browser::put_Visible(VARIANT_BOOL Value)
{
    m_bVisible = Value != VARIANT_FALSE;
    if (m_hWnd)
        ShowWindow(m_hWnd, m_bVisible ? SW_SHOW : SW_HIDE);
    fire_simple(DISPID_ONVISIBLE);
    return S_OK;
}

STDMETHODIMP web_browser::get_StatusBar(VARIANT_BOOL *pBool) { return out_bool(pBool, false); }
STDMETHODIMP web_browser::put_StatusBar(VARIANT_BOOL) { return S_OK; }
STDMETHODIMP web_browser::get_StatusText(BSTR *StatusText) { return out_bstr(StatusText, u""); }
STDMETHODIMP web_browser::put_StatusText(BSTR) { return S_OK; }
STDMETHODIMP web_browser::get_ToolBar(int *Value)
{
    if (!Value)
        return E_POINTER;
    *Value = 0;
    return S_OK;
}
STDMETHODIMP web_browser::put_ToolBar(int) { return S_OK; }
STDMETHODIMP web_browser::get_MenuBar(VARIANT_BOOL *Value) { return out_bool(Value, false); }
STDMETHODIMP web_browser::put_MenuBar(VARIANT_BOOL) { return S_OK; }
STDMETHODIMP web_browser::get_FullScreen(VARIANT_BOOL *p) { return out_bool(p, false); }
STDMETHODIMP web_browser::put_FullScreen(VARIANT_BOOL) { return S_OK; }

STDMETHODIMP web_browser::QueryStatusWB(OLECMDID cmdID, OLECMDF *pcmdf)
{
    if (!pcmdf)
        return E_POINTER;
    *pcmdf = (cmdID == OLECMDID_STOP || cmdID == OLECMDID_REFRESH) ? OLECMDF(OLECMDF_SUPPORTED | OLECMDF_ENABLED)
                                                                     : OLECMDF(0);
    return S_OK;
}

STDMETHODIMP web_browser::ExecWB(OLECMDID cmdID, OLECMDEXECOPT, VARIANT *, VARIANT *)
{
    if (cmdID == OLECMDID_STOP)
        return Stop();
    if (cmdID == OLECMDID_REFRESH)
        return Refresh();
    return OLECMDERR_E_NOTSUPPORTED;
}

STDMETHODIMP web_browser::ShowBrowserBar(VARIANT *, VARIANT *, VARIANT *) { return E_NOTIMPL; }

STDMETHODIMP web_browser::get_ReadyState(READYSTATE *plReadyState)
{
    if (!plReadyState)
        return E_POINTER;
    *plReadyState = m_readyState;
    return S_OK;
}

STDMETHODIMP web_browser::get_Offline(VARIANT_BOOL *p) { return out_bool(p, false); }
STDMETHODIMP web_browser::put_Offline(VARIANT_BOOL) { return S_OK; }
STDMETHODIMP web_browser::get_Silent(VARIANT_BOOL *p) { return out_bool(p, m_bSilent); }
STDMETHODIMP web_browser::put_Silent(VARIANT_BOOL b)
{
    m_bSilent = b != VARIANT_FALSE;
    return S_OK;
}
STDMETHODIMP web_browser::get_RegisterAsBrowser(VARIANT_BOOL *p) { return out_bool(p, false); }
STDMETHODIMP web_browser::put_RegisterAsBrowser(VARIANT_BOOL) { return S_OK; }
STDMETHODIMP web_browser::get_RegisterAsDropTarget(VARIANT_BOOL *p) { return out_bool(p, false); }
STDMETHODIMP web_browser::put_RegisterAsDropTarget(VARIANT_BOOL) { return S_OK; }
STDMETHODIMP web_browser::get_TheaterMode(VARIANT_BOOL *p) { return out_bool(p, false); }
STDMETHODIMP web_browser::put_TheaterMode(VARIANT_BOOL) { return S_OK; }
STDMETHODIMP web_browser::get_AddressBar(VARIANT_BOOL *p) { return out_bool(p, false); }
STDMETHODIMP web_browser::put_AddressBar(VARIANT_BOOL) { return S_OK; }
STDMETHODIMP web_browser::get_Resizable(VARIANT_BOOL *p) { return out_bool(p, false); }
STDMETHODIMP web_browser::put_Resizable(VARIANT_BOOL) { return S_OK; }

}  // namespace browser
}  // namespace win32
