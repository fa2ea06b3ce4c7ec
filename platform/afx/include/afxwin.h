// Windows, message maps, threads and the application object of the class library.
#pragma once

#include "afx.h"
#include "afxcoll.h"
#include "atltypes.h"

class CWnd;
class CDC;
class CRgn;
class CGdiObject;

// Handles of objects that may be null, read without calling through a null pointer.
inline HWND afx_hwnd_of(const CWnd *p);
inline HDC afx_hdc_of(const CDC *p);
inline HGDIOBJ afx_handle_of(const CGdiObject *p);
struct CCreateContext;

// ---------------------------------------------------------------------------------------------
// Message maps: a static table per class, searched from the most derived class to its bases.

class CCmdTarget;
typedef void (CCmdTarget::*AFX_PMSG)(void);

// How a table entry's handler is called: what it takes from wParam/lParam and what it returns.
enum AfxSig : UINT_PTR {
    AfxSig_end = 0,
    AfxSig_i_CREATE,      // int (LPCREATESTRUCT)                 WM_CREATE
    AfxSig_v_v,           // void ()                              WM_DESTROY, WM_NCDESTROY, WM_PAINT, WM_CLOSE
    AfxSig_v_u_ii,        // void (UINT, int, int)                WM_SIZE
    AfxSig_v_up,          // void (UINT_PTR)                      WM_TIMER
    AfxSig_b_D,           // BOOL (CDC*)                          WM_ERASEBKGND
    AfxSig_v_b_u,         // void (BOOL, UINT)                    WM_SHOWWINDOW
    AfxSig_v_MINMAX,      // void (MINMAXINFO*)                   WM_GETMINMAXINFO
    AfxSig_l_w_l,         // LRESULT (WPARAM, LPARAM)             ON_MESSAGE
    AfxSig_v_NOTIFY,      // void (NMHDR*, LRESULT*)              ON_NOTIFY
    AfxSig_v_CMD,         // void ()                              ON_COMMAND
    AfxSig_b_W_uu,        // BOOL (CWnd*, UINT, UINT)             WM_SETCURSOR
};

#define CN_COMMAND 0

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;
    UINT nCode;           // command or notification code
    UINT nID;             // control id, first of the range
    UINT nLastID;         // last of the range
    UINT_PTR nSig;        // AfxSig
    AFX_PMSG pfn;
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP *(*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY *lpEntries;
};

// A handler, already type-checked against the signature its macro promises, stored generically
// and read back as that signature (same representation: single inheritance from CCmdTarget).
template <typename PMF> inline AFX_PMSG afx_pmsg(PMF pfn)
{
    static_assert(sizeof(PMF) == sizeof(AFX_PMSG), "handler must be a member of a CCmdTarget class");
    AFX_PMSG generic;
    __builtin_memcpy(&generic, &pfn, sizeof generic);
    return generic;
}
template <typename PMF> inline PMF afx_pmsg_as(AFX_PMSG generic)
{
    static_assert(sizeof(PMF) == sizeof(AFX_PMSG), "handler must be a member of a CCmdTarget class");
    PMF pfn;
    __builtin_memcpy(&pfn, &generic, sizeof pfn);
    return pfn;
}

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const AFX_MSGMAP *GetThisMessageMap();                                                  \
    const AFX_MSGMAP *GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP *theClass::GetMessageMap() const { return GetThisMessageMap(); }              \
    const AFX_MSGMAP *theClass::GetThisMessageMap()                                                \
    {                                                                                              \
        typedef theClass ThisClass;                                                                \
        typedef baseClass TheBaseClass;                                                            \
        static_cast<void>(sizeof(ThisClass *));                                                    \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                          \
        {0, 0, 0, 0, AfxSig_end, (AFX_PMSG)0}};                                                    \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
        return &messageMap;                                                                        \
    }

#define ON_WM_CREATE()                                                                             \
    {WM_CREATE, 0, 0, 0, AfxSig_i_CREATE,                                                          \
     afx_pmsg(static_cast<int (CWnd::*)(LPCREATESTRUCT)>(&ThisClass::OnCreate))},
#define ON_WM_DESTROY()                                                                            \
    {WM_DESTROY, 0, 0, 0, AfxSig_v_v, afx_pmsg(static_cast<void (CWnd::*)()>(&ThisClass::OnDestroy))},
#define ON_WM_NCDESTROY()                                                                          \
    {WM_NCDESTROY, 0, 0, 0, AfxSig_v_v, afx_pmsg(static_cast<void (CWnd::*)()>(&ThisClass::OnNcDestroy))},
#define ON_WM_SIZE()                                                                               \
    {WM_SIZE, 0, 0, 0, AfxSig_v_u_ii, afx_pmsg(static_cast<void (CWnd::*)(UINT, int, int)>(&ThisClass::OnSize))},
#define ON_WM_TIMER()                                                                              \
    {WM_TIMER, 0, 0, 0, AfxSig_v_up, afx_pmsg(static_cast<void (CWnd::*)(UINT_PTR)>(&ThisClass::OnTimer))},
#define ON_WM_PAINT()                                                                              \
    {WM_PAINT, 0, 0, 0, AfxSig_v_v, afx_pmsg(static_cast<void (CWnd::*)()>(&ThisClass::OnPaint))},
#define ON_WM_ERASEBKGND()                                                                         \
    {WM_ERASEBKGND, 0, 0, 0, AfxSig_b_D, afx_pmsg(static_cast<BOOL (CWnd::*)(CDC *)>(&ThisClass::OnEraseBkgnd))},
#define ON_WM_CLOSE()                                                                              \
    {WM_CLOSE, 0, 0, 0, AfxSig_v_v, afx_pmsg(static_cast<void (CWnd::*)()>(&ThisClass::OnClose))},
#define ON_WM_SHOWWINDOW()                                                                         \
    {WM_SHOWWINDOW, 0, 0, 0, AfxSig_v_b_u,                                                         \
     afx_pmsg(static_cast<void (CWnd::*)(BOOL, UINT)>(&ThisClass::OnShowWindow))},
#define ON_WM_GETMINMAXINFO()                                                                      \
    {WM_GETMINMAXINFO, 0, 0, 0, AfxSig_v_MINMAX,                                                   \
     afx_pmsg(static_cast<void (CWnd::*)(MINMAXINFO *)>(&ThisClass::OnGetMinMaxInfo))},
#define ON_WM_SETCURSOR()                                                                          \
    {WM_SETCURSOR, 0, 0, 0, AfxSig_b_W_uu,                                                         \
     afx_pmsg(static_cast<BOOL (CWnd::*)(CWnd *, UINT, UINT)>(&ThisClass::OnSetCursor))},
#define ON_MESSAGE(message, memberFxn)                                                             \
    {UINT(message), 0, 0, 0, AfxSig_l_w_l,                                                         \
     afx_pmsg(static_cast<LRESULT (CWnd::*)(WPARAM, LPARAM)>(&ThisClass::memberFxn))},
#define ON_NOTIFY(wNotifyCode, id, memberFxn)                                                      \
    {WM_NOTIFY, UINT(wNotifyCode), UINT(id), UINT(id), AfxSig_v_NOTIFY,                            \
     afx_pmsg(static_cast<void (CCmdTarget::*)(NMHDR *, LRESULT *)>(&ThisClass::memberFxn))},
#define ON_COMMAND(id, memberFxn)                                                                  \
    {WM_COMMAND, CN_COMMAND, UINT(id), UINT(id), AfxSig_v_CMD,                                     \
     afx_pmsg(static_cast<void (CCmdTarget::*)()>(&ThisClass::memberFxn))},

// Receives commands and notifications through its message map.
class AFX_API CCmdTarget : public CObject
{
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    // Calls the ON_COMMAND handler for nID, if the map has one.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void *pExtra, void *pHandlerInfo);

protected:
    static const AFX_MSGMAP *GetThisMessageMap();
    virtual const AFX_MSGMAP *GetMessageMap() const;
    // The first entry for the message (and code and id range, for commands and notifications),
    // searching this class's table before its bases'.
    const AFX_MSGMAP_ENTRY *FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const;
};

// ---------------------------------------------------------------------------------------------
// Windows

class AFX_API CWnd : public CCmdTarget
{
    DECLARE_DYNCREATE(CWnd)
public:
    HWND m_hWnd;

    CWnd() : m_hWnd(NULL), m_pfnSuper(NULL) {}
    ~CWnd() override;

    // Also answers NULL through a null pointer, as callers of the class library expect.
    operator HWND() const { return GetSafeHwnd(); }
    HWND GetSafeHwnd() const { const CWnd *p = afx_opaque(this); return p ? p->m_hWnd : NULL; }

    // Handle maps of the current module on this thread.
    static CWnd *PASCAL FromHandle(HWND hWnd);           // a temporary object for a foreign window
    static CWnd *PASCAL FromHandlePermanent(HWND hWnd);  // only objects attached in this module
    static void PASCAL DeleteTempMap();
    BOOL Attach(HWND hWndNew);
    HWND Detach();
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd *pParent);
    HWND UnsubclassWindow();

    virtual BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x,
                          int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = NULL);
    virtual BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                          const RECT &rect, CWnd *pParentWnd, UINT nID, LPVOID lpParam = NULL);
    virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT &rect,
                        CWnd *pParentWnd, UINT nID, CCreateContext *pContext = NULL);
    virtual BOOL DestroyWindow();
    virtual BOOL PreCreateWindow(CREATESTRUCT &cs);
    virtual void PostNcDestroy();                         // after WM_NCDESTROY, once detached
    virtual BOOL PreTranslateMessage(MSG *pMsg);
    static BOOL PASCAL WalkPreTranslateTree(HWND hWndStop, MSG *pMsg);

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT *pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT *pResult);
    LRESULT Default();                                    // the current message, unhandled
    WNDPROC *GetSuperWndProcAddr() { return &m_pfnSuper; }

    // Thin wrappers over the window manager.
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE) { ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint); }
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE) { MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint); }
    BOOL SetWindowPos(const CWnd *pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) { return ::SetWindowPos(m_hWnd, afx_hwnd_of(pWndInsertAfter), x, y, cx, cy, nFlags); }
    void GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
    void GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
    void ClientToScreen(LPPOINT lpPoint) const { ::ClientToScreen(m_hWnd, lpPoint); }
    void ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }
    CWnd *GetParent() const { return CWnd::FromHandle(::GetParent(m_hWnd)); }
    CWnd *SetParent(CWnd *pWndNewParent) { return CWnd::FromHandle(::SetParent(m_hWnd, afx_hwnd_of(pWndNewParent))); }
    CWnd *GetDlgItem(int nID) const { return CWnd::FromHandle(::GetDlgItem(m_hWnd, nID)); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    void SetWindowText(LPCTSTR lpszString) { ::SetWindowTextW(m_hWnd, lpszString); }
    int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const { return ::GetWindowTextW(m_hWnd, lpszStringBuf, nMaxCount); }
    void GetWindowText(CString &rString) const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const { return ::SendMessageW(m_hWnd, message, wParam, lParam); }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const { return ::PostMessageW(m_hWnd, message, wParam, lParam); }
    DWORD GetStyle() const { return DWORD(::GetWindowLongW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return DWORD(::GetWindowLongW(m_hWnd, GWL_EXSTYLE)); }
    BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
    CWnd *SetFocus() { return CWnd::FromHandle(::SetFocus(m_hWnd)); }
    static CWnd *PASCAL GetFocus() { return CWnd::FromHandle(::GetFocus()); }
    BOOL IsChild(const CWnd *pWnd) const { return ::IsChild(m_hWnd, afx_hwnd_of(pWnd)); }
    CWnd *GetTopLevelParent() const;
    BOOL GetWindowPlacement(WINDOWPLACEMENT *lpwndpl) const { return ::GetWindowPlacement(m_hWnd, lpwndpl); }
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0) { return ModifyStyle(m_hWnd, dwRemove, dwAdd, nFlags); }
    BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0) { return ModifyStyleEx(m_hWnd, dwRemove, dwAdd, nFlags); }
    // FALSE when the style already was as asked; a non-zero nFlags also applies it with SetWindowPos.
    static BOOL PASCAL ModifyStyle(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags);
    static BOOL PASCAL ModifyStyleEx(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags);
    void GetDlgItem(int nID, HWND *phWnd) const { *phWnd = ::GetDlgItem(m_hWnd, nID); }
    void SetDlgItemText(int nID, LPCTSTR lpszString) { ::SetDlgItemTextW(m_hWnd, nID, lpszString); }
    int GetDlgItemText(int nID, CString &rString) const;
    LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const { return ::SendDlgItemMessageW(m_hWnd, nID, message, wParam, lParam); }
    void CenterWindow(CWnd *pAlternateOwner = NULL);
    BOOL EnableToolTips(BOOL bEnable = TRUE) { (void)bEnable; return TRUE; }   // tips are never shown

    // Painting and timers.
    void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, NULL, bErase); }
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
    void InvalidateRgn(CRgn *pRgn, BOOL bErase = TRUE);
    void ValidateRect(LPCRECT lpRect) { ::ValidateRect(m_hWnd, lpRect); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL RedrawWindow(LPCRECT lpRectUpdate = NULL, CRgn *prgnUpdate = NULL, UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    BOOL GetUpdateRect(LPRECT lpRect, BOOL bErase = FALSE) { return ::GetUpdateRect(m_hWnd, lpRect, bErase); }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) { return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer); }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
    CDC *GetDC();
    CDC *GetWindowDC();
    int ReleaseDC(CDC *pDC);

protected:
    WNDPROC m_pfnSuper;                                   // the procedure a subclassed window had

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct) { (void)lpCreateStruct; return int(Default()); }
    afx_msg void OnDestroy() { Default(); }
    afx_msg void OnNcDestroy() { Default(); }
    afx_msg void OnSize(UINT nType, int cx, int cy) { (void)nType; (void)cx; (void)cy; Default(); }
    afx_msg void OnTimer(UINT_PTR nIDEvent) { (void)nIDEvent; Default(); }
    afx_msg void OnPaint() { Default(); }
    afx_msg BOOL OnEraseBkgnd(CDC *pDC) { (void)pDC; return BOOL(Default()); }
    afx_msg void OnClose() { Default(); }
    afx_msg void OnShowWindow(BOOL bShow, UINT nStatus) { (void)bShow; (void)nStatus; Default(); }
    afx_msg void OnGetMinMaxInfo(MINMAXINFO *lpMMI) { (void)lpMMI; Default(); }
    afx_msg BOOL OnSetCursor(CWnd *pWnd, UINT nHitTest, UINT message) { (void)pWnd; (void)nHitTest; (void)message; return BOOL(Default()); }

    DECLARE_MESSAGE_MAP()
};

inline HWND afx_hwnd_of(const CWnd *p) { return p ? p->m_hWnd : NULL; }

#include "afxgdi_.h"
#include "afxdlg_.h"

// The window procedure of the class library's windows, with the current module state.
AFX_API LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
// The executable's window procedure: makes the executable's module state current first.
AFX_API LRESULT CALLBACK AfxWndProcBase(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
AFX_API LRESULT AFXAPI AfxCallWndProc(CWnd *pWnd, HWND hWnd, UINT nMsg, WPARAM wParam = 0, LPARAM lParam = 0);
// The current module's default window class ("AfxWnd"), registered on first use.
AFX_API LPCTSTR AFXAPI AfxGetDefaultWndClass();
// Temporary objects live until the lock count returns to zero at idle time.
AFX_API void AFXAPI AfxLockTempMaps();
AFX_API BOOL AFXAPI AfxUnlockTempMaps(BOOL bDeleteTemps = TRUE);

// ---------------------------------------------------------------------------------------------
// Threads and the application

class AFX_API CWinThread : public CCmdTarget
{
    DECLARE_DYNAMIC(CWinThread)
public:
    CWinThread();
    ~CWinThread() override;

    CWnd *m_pMainWnd;
    BOOL m_bAutoDelete;
    HANDLE m_hThread;
    DWORD m_nThreadID;

    virtual CWnd *GetMainWnd() { return m_pMainWnd; }
    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance();
    virtual int Run();
    virtual BOOL PreTranslateMessage(MSG *pMsg);
    virtual BOOL PumpMessage();
    virtual BOOL OnIdle(LONG lCount);
    virtual BOOL IsIdleMessage(MSG *pMsg);

protected:
    MSG m_msgCur;
    AFX_MODULE_STATE *m_pModuleState;                    // the module it registered into
};

class AFX_API CWinApp : public CWinThread
{
    DECLARE_DYNAMIC(CWinApp)
public:
    explicit CWinApp(LPCTSTR lpszAppName = NULL);
    ~CWinApp() override;

    LPCTSTR m_pszAppName;
    HINSTANCE m_hInstance;
    LPTSTR m_lpCmdLine;
    int m_nCmdShow;

    // The settings file, a Windows path the caller keeps alive. The layer has no registry, so a
    // registry key, when set, changes nothing: settings always go to the file.
    LPCTSTR m_pszProfileName;
    LPCTSTR m_pszRegistryKey;

    virtual BOOL InitApplication() { return TRUE; }
    BOOL InitInstance() override { return TRUE; }
    int ExitInstance() override;

    UINT GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault);
    BOOL WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue);
    CString GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault = NULL);
    BOOL WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue);
    // Bytes as hex text, two digits a byte. GetProfileBinary hands out a new[] block the caller
    // deletes with delete[]; FALSE (and NULL, 0) when the value is missing or not such text.
    BOOL GetProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPBYTE *ppData, UINT *pBytes);
    BOOL WriteProfileBinary(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPBYTE pData, UINT nBytes);

    DECLARE_MESSAGE_MAP()
};

// The executable's start-up: records its instance and command line in its module state.
AFX_API BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow);
// InitApplication, InitInstance and Run of the executable's application object.
AFX_API int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow);
