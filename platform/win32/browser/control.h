// The web-browser control object: its COM faces, its navigation state and its window.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>

#include "browser/html.h"
#include "browser/transfer.h"
#include "internal/com_server.h"

#include "internal/owners.h"

#include <atomic>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace win32 {
namespace browser {

class web_browser;

// The connection point for DWebBrowserEvents2; it lives inside the control and shares its count.
class event_point : public IConnectionPoint
{
public:
    explicit event_point(web_browser *owner) : m_pOwner(owner) {}

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetConnectionInterface(IID *pIID) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer **ppCPC) override;
    STDMETHODIMP Advise(IUnknown *pUnkSink, DWORD *pdwCookie) override;
    STDMETHODIMP Unadvise(DWORD dwCookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections **ppEnum) override;

    // The sinks at this moment, each with a reference of its own.
    std::vector<shared_com<IDispatch>> snapshot();
    void clear();

private:
    web_browser *m_pOwner;
    std::vector<std::pair<DWORD, shared_com<IDispatch>>> m_sinks;
    DWORD m_nNextCookie = 1;
};

// Empties a container of references before they go, so that a Release calling back into the
// object finds the container empty rather than half destroyed.
template <class Container>
void release_all(Container &held)
{
    Container gone = std::move(held);
    held.clear();
}

// A frame inside the page: the pDisp its own navigation events carry.
class frame_object final : public com_dispatch<IDispatch>
{
public:
    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
};

// Everything an event carries about what is being navigated.
struct navigate_args {
    std::u16string url;
    LONG flags = 0;
    std::u16string target;
    std::shared_ptr<const post_data> post;  // null: no post data
    std::u16string headers;
};

class web_browser final : public com_dispatch<IWebBrowser2>,
                    public IOleObject,
                    public IOleInPlaceObject,
                    public IOleInPlaceActiveObject,
                    public IOleControl,
                    public IConnectionPointContainer,
                    public IProvideClassInfo2
{
public:
    web_browser();

    // IUnknown, for every face; IDispatch comes from the base: the control is driven through its
    // vtable, and late binding finds no members.
    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return com_dispatch::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return com_dispatch::Release(); }

    // IWebBrowser
    STDMETHODIMP GoBack() override;
    STDMETHODIMP GoForward() override;
    STDMETHODIMP GoHome() override;
    STDMETHODIMP GoSearch() override;
    STDMETHODIMP Navigate(BSTR URL, VARIANT *Flags, VARIANT *TargetFrameName, VARIANT *PostData,
                          VARIANT *Headers) override;
    STDMETHODIMP Refresh() override;
    STDMETHODIMP Refresh2(VARIANT *Level) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP get_Application(IDispatch **ppDisp) override;
    STDMETHODIMP get_Parent(IDispatch **ppDisp) override;
    STDMETHODIMP get_Container(IDispatch **ppDisp) override;
    STDMETHODIMP get_Document(IDispatch **ppDisp) override;
    STDMETHODIMP get_TopLevelContainer(VARIANT_BOOL *pBool) override;
    STDMETHODIMP get_Type(BSTR *Type) override;
    STDMETHODIMP get_Left(LONG *pl) override;
    STDMETHODIMP put_Left(LONG Left) override;
    STDMETHODIMP get_Top(LONG *pl) override;
    STDMETHODIMP put_Top(LONG Top) override;
    STDMETHODIMP get_Width(LONG *pl) override;
    STDMETHODIMP put_Width(LONG Width) override;
    STDMETHODIMP get_Height(LONG *pl) override;
    STDMETHODIMP put_Height(LONG Height) override;
    STDMETHODIMP get_LocationName(BSTR *LocationName) override;
    STDMETHODIMP get_LocationURL(BSTR *LocationURL) override;
    STDMETHODIMP get_Busy(VARIANT_BOOL *pBool) override;

    // IWebBrowserApp
    STDMETHODIMP Quit() override;
    STDMETHODIMP ClientToWindow(int *pcx, int *pcy) override;
    STDMETHODIMP PutProperty(BSTR Property, VARIANT vtValue) override;
    STDMETHODIMP GetProperty(BSTR Property, VARIANT *pvtValue) override;
    STDMETHODIMP get_Name(BSTR *Name) override;
    STDMETHODIMP get_HWND(SHANDLE_PTR *pHWND) override;
    STDMETHODIMP get_FullName(BSTR *FullName) override;
    STDMETHODIMP get_Path(BSTR *Path) override;
    STDMETHODIMP get_Visible(VARIANT_BOOL *pBool) override;
    STDMETHODIMP put_Visible(VARIANT_BOOL Value) override;
    STDMETHODIMP get_StatusBar(VARIANT_BOOL *pBool) override;
    STDMETHODIMP put_StatusBar(VARIANT_BOOL Value) override;
    STDMETHODIMP get_StatusText(BSTR *StatusText) override;
    STDMETHODIMP put_StatusText(BSTR StatusText) override;
    STDMETHODIMP get_ToolBar(int *Value) override;
    STDMETHODIMP put_ToolBar(int Value) override;
    STDMETHODIMP get_MenuBar(VARIANT_BOOL *Value) override;
    STDMETHODIMP put_MenuBar(VARIANT_BOOL Value) override;
    STDMETHODIMP get_FullScreen(VARIANT_BOOL *pbFullScreen) override;
    STDMETHODIMP put_FullScreen(VARIANT_BOOL bFullScreen) override;

    // IWebBrowser2
    STDMETHODIMP Navigate2(VARIANT *URL, VARIANT *Flags, VARIANT *TargetFrameName, VARIANT *PostData,
                           VARIANT *Headers) override;
    STDMETHODIMP QueryStatusWB(OLECMDID cmdID, OLECMDF *pcmdf) override;
    STDMETHODIMP ExecWB(OLECMDID cmdID, OLECMDEXECOPT cmdexecopt, VARIANT *pvaIn, VARIANT *pvaOut) override;
    STDMETHODIMP ShowBrowserBar(VARIANT *pvaClsid, VARIANT *pvarShow, VARIANT *pvarSize) override;
    STDMETHODIMP get_ReadyState(READYSTATE *plReadyState) override;
    STDMETHODIMP get_Offline(VARIANT_BOOL *pbOffline) override;
    STDMETHODIMP put_Offline(VARIANT_BOOL bOffline) override;
    STDMETHODIMP get_Silent(VARIANT_BOOL *pbSilent) override;
    STDMETHODIMP put_Silent(VARIANT_BOOL bSilent) override;
    STDMETHODIMP get_RegisterAsBrowser(VARIANT_BOOL *pbRegister) override;
    STDMETHODIMP put_RegisterAsBrowser(VARIANT_BOOL bRegister) override;
    STDMETHODIMP get_RegisterAsDropTarget(VARIANT_BOOL *pbRegister) override;
    STDMETHODIMP put_RegisterAsDropTarget(VARIANT_BOOL bRegister) override;
    STDMETHODIMP get_TheaterMode(VARIANT_BOOL *pbRegister) override;
    STDMETHODIMP put_TheaterMode(VARIANT_BOOL bRegister) override;
    STDMETHODIMP get_AddressBar(VARIANT_BOOL *Value) override;
    STDMETHODIMP put_AddressBar(VARIANT_BOOL Value) override;
    STDMETHODIMP get_Resizable(VARIANT_BOOL *Value) override;
    STDMETHODIMP put_Resizable(VARIANT_BOOL Value) override;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite *pClientSite) override;
    STDMETHODIMP GetClientSite(IOleClientSite **ppClientSite) override;
    STDMETHODIMP SetHostNames(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) override;
    STDMETHODIMP Close(DWORD dwSaveOption) override;
    STDMETHODIMP SetMoniker(DWORD dwWhichMoniker, IMoniker *pmk) override;
    STDMETHODIMP GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker **ppmk) override;
    STDMETHODIMP InitFromData(IDataObject *pDataObject, BOOL fCreation, DWORD dwReserved) override;
    STDMETHODIMP GetClipboardData(DWORD dwReserved, IDataObject **ppDataObject) override;
    STDMETHODIMP DoVerb(LONG iVerb, LPMSG lpmsg, IOleClientSite *pActiveSite, LONG lindex, HWND hwndParent,
                        LPCRECT lprcPosRect) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB **ppEnumOleVerb) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID *pClsid) override;
    STDMETHODIMP GetUserType(DWORD dwFormOfType, LPOLESTR *pszUserType) override;
    STDMETHODIMP SetExtent(DWORD dwDrawAspect, SIZEL *psizel) override;
    STDMETHODIMP GetExtent(DWORD dwDrawAspect, SIZEL *psizel) override;
    STDMETHODIMP Advise(IAdviseSink *pAdvSink, DWORD *pdwConnection) override;
    STDMETHODIMP Unadvise(DWORD dwConnection) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA **ppenumAdvise) override;
    STDMETHODIMP GetMiscStatus(DWORD dwAspect, DWORD *pdwStatus) override;
    STDMETHODIMP SetColorScheme(struct tagLOGPALETTE *pLogpal) override;

    // IOleWindow, shared by both in-place interfaces
    STDMETHODIMP GetWindow(HWND *phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL fEnterMode) override;

    // IOleInPlaceObject
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect) override;
    STDMETHODIMP ReactivateAndUndo() override;

    // IOleInPlaceActiveObject
    STDMETHODIMP TranslateAccelerator(LPMSG lpmsg) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL fActivate) override;
    STDMETHODIMP OnDocWindowActivate(BOOL fActivate) override;
    STDMETHODIMP ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow *pUIWindow, BOOL fFrameWindow) override;
    STDMETHODIMP EnableModeless(BOOL fEnable) override;

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO *pCI) override;
    STDMETHODIMP OnMnemonic(MSG *pMsg) override;
    STDMETHODIMP OnAmbientPropertyChange(DISPID dispID) override;
    STDMETHODIMP FreezeEvents(BOOL bFreeze) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints **ppEnum) override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint **ppCP) override;

    // IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo **ppTI) override;
    STDMETHODIMP GetGUID(DWORD dwGuidKind, GUID *pGUID) override;

    // Window procedure of the view and of the event window.
    static LRESULT CALLBACK view_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK event_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

private:
    ~web_browser();

    struct frame_slot {
        unsigned long long id = 0;
        std::u16string url;
        shared_com<frame_object> disp;
        bool done = false;
    };

    // navigation.cpp, request.cpp, events.cpp
    HRESULT navigate(const navigate_args &args, bool fire_before);
    bool fire_before_navigate(IDispatch *disp, const navigate_args &args);
    bool start_request(unsigned long long id, const std::u16string &url, bool post,
                       const std::shared_ptr<const post_data> &body, const std::u16string &headers);
    void stop_navigation();
    void on_events();
    void on_top_done(response &r);
    void on_frame_done(frame_slot &frame, response &r);
    void finish_top();
    html::page error_page(const std::u16string &url, HRESULT code);
    void fire(DISPID id, VARIANTARG *args, UINT count);
    void fire_url_event(DISPID id, IDispatch *disp, const std::u16string &url);
    bool fire_navigate_error(IDispatch *disp, const std::u16string &url, const std::u16string &frame, LONG code);
    void fire_progress(LONG progress, LONG maximum);
    void fire_simple(DISPID id);
    void fire_text(DISPID id, const std::u16string &text);

    // view.cpp
    bool create_view(HWND parent, const RECT &rc);
    void destroy_view();
    void paint();
    void on_mouse(UINT msg, POINT pt);
    void show_context_menu(POINT client_pt, bool keyboard);
    struct placed_text {
        RECT rc;
        std::u16string text;
        std::u16string href;
    };
    class char_widths
    {
    public:
        explicit char_widths(HDC dc) : m_hDC(dc) {}
        int of(char16_t c);
        int of(const std::u16string &text);

    private:
        HDC m_hDC;
        std::unordered_map<char16_t, int> m_widths;
    };
    std::vector<placed_text> layout(HDC dc, char_widths &widths, int width, int height);
    std::u16string link_at(POINT pt);

    // embedding.cpp, control.cpp
    HRESULT activate(LONG verb, IOleClientSite *site, HWND parent, LPCRECT pos);
    void shut_down();

    // Keeps the object alive across a call out: a sink or site may release the last reference.
    shared_com<web_browser> keep_alive() { return shared_com<web_browser>(this); }

    event_point m_events{this};
    shared_com<IOleClientSite> m_pClientSite;
    unique_com<IOleInPlaceSite> m_pInPlaceSite;  // while in-place active
    unique_com<IOleInPlaceFrame> m_pFrame;
    std::vector<std::pair<DWORD, shared_com<IUnknown>>> m_adviseSinks;
    DWORD m_nNextAdvise = 1;
    HWND m_hWnd = NULL;       // the view, while in-place active
    HWND m_hEventWnd = NULL;  // receives the workers' wake-ups for the object's lifetime
    std::shared_ptr<mailbox> m_pBox;
    bool m_bClosed = false;
    bool m_bUIActive = false;
    SIZEL m_extent{5000, 5000};

    unsigned long long m_nNextId = 0;
    unsigned long long m_nNavigation = 0;  // the top-level navigation now in flight or shown
    std::unique_ptr<worker> m_pWorker;  // runs the requests, top level and frames, until shut down
    std::u16string m_strLastURL;  // what Refresh repeats
    bool m_bLastPost = false;
    std::shared_ptr<const post_data> m_pLastBody;  // shared with the request: one copy of the body
    std::u16string m_strLastHeaders;
    std::vector<frame_slot> m_frames;
    bool m_bBusy = false;
    bool m_bDownloading = false;
    READYSTATE m_readyState = READYSTATE_UNINITIALIZED;
    LONG m_nProgressMax = 0;
    std::u16string m_strURL;
    std::u16string m_strTitle;
    html::page m_page;
    std::vector<html::page> m_framePages;
    bool m_bVisible = true;
    bool m_bSilent = false;
    std::u16string m_strPressedHref;
    bool m_bPressed = false;
};

// A BSTR copy of a UTF-16 text; null when memory runs out.
BSTR bstr_from(const std::u16string &text);

}  // namespace browser
}  // namespace win32
