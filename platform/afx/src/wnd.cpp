// CWnd: attaching objects to windows, creation, subclassing, the window procedure and the
// table-driven message dispatch.
#include "afximpl.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)
IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

// ---------------------------------------------------------------------------------------------
// CCmdTarget

const AFX_MSGMAP *CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, (AFX_PMSG)0}};
    static const AFX_MSGMAP map = {NULL, &entries[0]};
    return &map;
}

const AFX_MSGMAP *CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY *CCmdTarget::FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const
{
    bool ranged = nMessage == WM_COMMAND || nMessage == WM_NOTIFY;
    for (const AFX_MSGMAP *pMap = GetMessageMap(); pMap; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : NULL) {
        for (const AFX_MSGMAP_ENTRY *e = pMap->lpEntries; e->nSig != AfxSig_end; ++e) {
            if (e->nMessage != nMessage) continue;
            if (ranged && (e->nCode != nCode || nID < e->nID || nID > e->nLastID)) continue;
            return e;
        }
    }
    return NULL;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void *pExtra, void *pHandlerInfo)
{
    (void)pExtra;
    const AFX_MSGMAP_ENTRY *e = FindMessageEntry(WM_COMMAND, UINT(nCode), nID);
    if (!e || e->nSig != AfxSig_v_CMD) return FALSE;
    if (pHandlerInfo == NULL) (this->*e->pfn)();
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Handle maps

CWnd *PASCAL CWnd::FromHandle(HWND hWnd)
{
    return static_cast<CWnd *>(AfxGetModuleThreadState()->m_pmapHWND->FromHandle(hWnd));
}

CWnd *PASCAL CWnd::FromHandlePermanent(HWND hWnd)
{
    if (hWnd == NULL) return NULL;
    AFX_MODULE_THREAD_STATE *pState = AfxGetModuleState()->GetThreadState(FALSE);
    return pState ? static_cast<CWnd *>(pState->m_pmapHWND->LookupPermanent(hWnd)) : NULL;
}

void PASCAL CWnd::DeleteTempMap() { AfxGetModuleThreadState()->m_pmapHWND->DeleteTemp(); }

BOOL CWnd::Attach(HWND hWndNew) { return afx_attach_handle(&AFX_MODULE_THREAD_STATE::m_pmapHWND, this, m_hWnd, hWndNew); }

HWND CWnd::Detach() { return afx_detach_handle(&AFX_MODULE_THREAD_STATE::m_pmapHWND, this, m_hWnd); }

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd)) return FALSE;
    WNDPROC pfnOwn = AfxGetModuleState()->m_pfnAfxWndProc;
    ::SetLastError(0);
    WNDPROC pfnOld = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pfnOwn)));
    if (pfnOld == NULL && ::GetLastError() != 0) {
        Detach();
        return FALSE;
    }
    if (pfnOld != pfnOwn) m_pfnSuper = pfnOld;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd *pParent)
{
    HWND hWndControl = ::GetDlgItem(afx_hwnd_of(pParent), int(nID));
    return hWndControl != NULL && SubclassWindow(hWndControl);
}

HWND CWnd::UnsubclassWindow()
{
    if (m_hWnd == NULL) return NULL;
    if (m_pfnSuper) ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = NULL;
    return Detach();
}

CWnd::~CWnd()
{
    // A window still attached outlives its object: detach first so no message reaches a
    // half-destroyed object, then destroy it.
    if (m_hWnd != NULL && FromHandlePermanent(m_hWnd) == this) {
        HWND hWnd = m_hWnd;
        if (m_pfnSuper) ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        Detach();
        ::DestroyWindow(hWnd);
    }
}

CWnd *CWnd::GetTopLevelParent() const
{
    HWND hWnd = m_hWnd;
    for (HWND hParent; (::GetWindowLongW(hWnd, GWL_STYLE) & WS_CHILD) && (hParent = ::GetParent(hWnd)) != NULL;)
        hWnd = hParent;
    return CWnd::FromHandle(hWnd);
}

void CWnd::GetWindowText(CString &rString) const
{
    int n = ::GetWindowTextLengthW(m_hWnd);
    n = ::GetWindowTextW(m_hWnd, rString.GetBufferSetLength(n), n + 1);
    rString.ReleaseBuffer(n > 0 ? n : 0);
}

BOOL PASCAL CWnd::ModifyStyle(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    DWORD dwStyle = DWORD(::GetWindowLongW(hWnd, GWL_STYLE));
    DWORD dwNewStyle = (dwStyle & ~dwRemove) | dwAdd;
    if (dwStyle == dwNewStyle) return FALSE;
    ::SetWindowLongW(hWnd, GWL_STYLE, LONG(dwNewStyle));
    if (nFlags != 0)
        ::SetWindowPos(hWnd, NULL, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

BOOL PASCAL CWnd::ModifyStyleEx(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    DWORD dwStyle = DWORD(::GetWindowLongW(hWnd, GWL_EXSTYLE));
    DWORD dwNewStyle = (dwStyle & ~dwRemove) | dwAdd;
    if (dwStyle == dwNewStyle) return FALSE;
    ::SetWindowLongW(hWnd, GWL_EXSTYLE, LONG(dwNewStyle));
    if (nFlags != 0)
        ::SetWindowPos(hWnd, NULL, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

int CWnd::GetDlgItemText(int nID, CString &rString) const
{
    rString.Empty();
    HWND hWnd = ::GetDlgItem(m_hWnd, nID);
    if (hWnd == NULL) return 0;
    int n = ::GetWindowTextLengthW(hWnd);
    n = ::GetWindowTextW(hWnd, rString.GetBufferSetLength(n), n + 1);
    rString.ReleaseBuffer(n > 0 ? n : 0);
    return rString.GetLength();
}

// Centres over the parent's client area for a child, over the owner (or the screen) otherwise.
void CWnd::CenterWindow(CWnd *pAlternateOwner)
{
    RECT rcWindow, rcArea;
    ::GetWindowRect(m_hWnd, &rcWindow);
    HWND hWndCenter = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetParent(m_hWnd);
    if (GetStyle() & WS_CHILD) {
        ::GetClientRect(hWndCenter, &rcArea);
        ::MapWindowPoints(hWndCenter, ::GetParent(m_hWnd), reinterpret_cast<LPPOINT>(&rcArea), 2);
        ::MapWindowPoints(NULL, ::GetParent(m_hWnd), reinterpret_cast<LPPOINT>(&rcWindow), 2);
    } else if (hWndCenter != NULL) {
        ::GetWindowRect(hWndCenter, &rcArea);
    } else {
        ::SetRect(&rcArea, 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    }
    int cx = rcWindow.right - rcWindow.left, cy = rcWindow.bottom - rcWindow.top;
    int x = (rcArea.left + rcArea.right) / 2 - cx / 2;
    int y = (rcArea.top + rcArea.bottom) / 2 - cy / 2;
    ::SetWindowPos(m_hWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::InvalidateRgn(CRgn *pRgn, BOOL bErase)
{
    ::InvalidateRgn(m_hWnd, static_cast<HRGN>(afx_handle_of(pRgn)), bErase);
}

BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, CRgn *prgnUpdate, UINT flags)
{
    return ::RedrawWindow(m_hWnd, lpRectUpdate, static_cast<HRGN>(afx_handle_of(prgnUpdate)), flags);
}

CDC *CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }

CDC *CWnd::GetWindowDC() { return CDC::FromHandle(::GetWindowDC(m_hWnd)); }

int CWnd::ReleaseDC(CDC *pDC) { return ::ReleaseDC(m_hWnd, afx_hdc_of(pDC)); }

// ---------------------------------------------------------------------------------------------
// Creation and destruction

LPCTSTR AFXAPI AfxGetDefaultWndClass()
{
    static const WCHAR szClass[] = TEXT("AfxWnd");
    AFX_MODULE_STATE *pState = AfxGetModuleState();
    HINSTANCE hInst = AfxGetInstanceHandle();
    WNDCLASSW wc = {};
    if (::GetClassInfoW(hInst, szClass, &wc)) return szClass;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = pState->m_pfnAfxWndProc;
    wc.hInstance = hInst;
    wc.lpszClassName = szClass;
    if (!::RegisterClassW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return NULL;
    return szClass;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT &cs)
{
    if (cs.lpszClass == NULL) cs.lpszClass = AfxGetDefaultWndClass();
    return cs.lpszClass != NULL;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x, int y,
                    int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam)
{
    if (m_hWnd != NULL) return FALSE;
    CREATESTRUCT cs = {};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = LONG(dwStyle);
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }

    // The object is attached at the window's first message, before CreateWindowExW returns.
    afx_thread_state *pThread = afx_get_thread_state();
    CWnd *pPrevInit = pThread->pWndInit;
    pThread->pWndInit = this;
    HWND hWnd = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, DWORD(cs.style), cs.x, cs.y, cs.cx, cs.cy,
                                  cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    pThread->pWndInit = pPrevInit;
    if (hWnd == NULL) return FALSE;   // a failed creation may have ended in PostNcDestroy: no members
    // A class whose procedure is not the library's never sent us a message: subclass it now.
    if (m_hWnd != hWnd && !SubclassWindow(hWnd)) return FALSE;
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT &rect,
                    CWnd *pParentWnd, UINT nID, LPVOID lpParam)
{
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, pParentWnd ? pParentWnd->m_hWnd : NULL,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT &rect, CWnd *pParentWnd,
                  UINT nID, CCreateContext *pContext)
{
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID, pContext);
}

BOOL CWnd::DestroyWindow()
{
    if (m_hWnd == NULL) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

void CWnd::PostNcDestroy() {}

// ---------------------------------------------------------------------------------------------
// Pre-translation

BOOL CWnd::PreTranslateMessage(MSG *pMsg)
{
    (void)pMsg;
    return FALSE;
}

// Offers the message to this module's window objects from the target up through its parents,
// stopping after hWndStop or at the top.
BOOL PASCAL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG *pMsg)
{
    for (HWND hWnd = pMsg->hwnd; hWnd != NULL; hWnd = ::GetParent(hWnd)) {
        CWnd *pWnd = CWnd::FromHandlePermanent(hWnd);
        if (pWnd != NULL && pWnd->PreTranslateMessage(pMsg)) return TRUE;
        if (hWnd == hWndStop) break;
    }
    return FALSE;
}

// ---------------------------------------------------------------------------------------------
// The window procedure and dispatch

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper) return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG &msg = afx_get_thread_state()->lastSentMsg;
    return DefWindowProc(msg.message, msg.wParam, msg.lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult)) lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam), NULL, NULL);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT *pResult)
{
    (void)wParam;
    NMHDR *pNMHDR = reinterpret_cast<NMHDR *>(lParam);
    if (pNMHDR == NULL) return FALSE;
    const AFX_MSGMAP_ENTRY *e = FindMessageEntry(WM_NOTIFY, pNMHDR->code, UINT(pNMHDR->idFrom));
    if (!e || e->nSig != AfxSig_v_NOTIFY) return FALSE;
    (this->*afx_pmsg_as<void (CCmdTarget::*)(NMHDR *, LRESULT *)>(e->pfn))(pNMHDR, pResult);
    return TRUE;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT *pResult)
{
    LRESULT lResult = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        *pResult = 1;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        if (!OnNotify(wParam, lParam, &lResult)) return FALSE;
        *pResult = lResult;
        return TRUE;
    }
    const AFX_MSGMAP_ENTRY *e = FindMessageEntry(message, 0, 0);
    if (!e) return FALSE;

    AFX_PMSG pfn = e->pfn;
    switch (e->nSig) {
    case AfxSig_i_CREATE:
        lResult = (this->*afx_pmsg_as<int (CWnd::*)(LPCREATESTRUCT)>(pfn))(reinterpret_cast<LPCREATESTRUCT>(lParam));
        break;
    case AfxSig_v_v:
        (this->*afx_pmsg_as<void (CWnd::*)()>(pfn))();
        break;
    case AfxSig_v_u_ii:
        (this->*afx_pmsg_as<void (CWnd::*)(UINT, int, int)>(pfn))(UINT(wParam), short(LOWORD(lParam)),
                                                                       short(HIWORD(lParam)));
        break;
    case AfxSig_v_up:
        (this->*afx_pmsg_as<void (CWnd::*)(UINT_PTR)>(pfn))(UINT_PTR(wParam));
        break;
    case AfxSig_b_D:
        lResult = (this->*afx_pmsg_as<BOOL (CWnd::*)(CDC *)>(pfn))(CDC::FromHandle(reinterpret_cast<HDC>(wParam)));
        break;
    case AfxSig_v_b_u:
        (this->*afx_pmsg_as<void (CWnd::*)(BOOL, UINT)>(pfn))(BOOL(wParam), UINT(lParam));
        break;
    case AfxSig_v_MINMAX:
        (this->*afx_pmsg_as<void (CWnd::*)(MINMAXINFO *)>(pfn))(reinterpret_cast<MINMAXINFO *>(lParam));
        break;
    case AfxSig_b_W_uu:
        lResult = (this->*afx_pmsg_as<BOOL (CWnd::*)(CWnd *, UINT, UINT)>(pfn))(
            CWnd::FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(lParam), HIWORD(lParam));
        break;
    case AfxSig_l_w_l:
        lResult = (this->*afx_pmsg_as<LRESULT (CWnd::*)(WPARAM, LPARAM)>(pfn))(wParam, lParam);
        break;
    default:
        return FALSE;
    }
    *pResult = lResult;
    return TRUE;
}

LRESULT AFXAPI AfxCallWndProc(CWnd *pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    afx_thread_state *pThread = afx_get_thread_state();
    MSG prevMsg = pThread->lastSentMsg;
    pThread->lastSentMsg.hwnd = hWnd;
    pThread->lastSentMsg.message = nMsg;
    pThread->lastSentMsg.wParam = wParam;
    pThread->lastSentMsg.lParam = lParam;

    LRESULT lResult = 0;
    // Nothing unwinds through the window procedure: a failed handler answers "not created" or 0.
    try {
        lResult = pWnd->WindowProc(nMsg, wParam, lParam);
    } catch (CException *e) {
        e->Delete();
        lResult = nMsg == WM_CREATE ? -1 : 0;
    } catch (...) {
        lResult = nMsg == WM_CREATE ? -1 : 0;
    }

    // The window is gone: the object no longer stands for it. PostNcDestroy may delete it.
    if (nMsg == WM_NCDESTROY) {
        if (CWnd *pLast = CWnd::FromHandlePermanent(hWnd)) {
            pLast->Detach();
            *pLast->GetSuperWndProcAddr() = NULL;
            try {
                pLast->PostNcDestroy();
            } catch (CException *e) {
                e->Delete();
            } catch (...) {
            }
        }
    }
    pThread->lastSentMsg = prevMsg;
    return lResult;
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    CWnd *pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == NULL) {
        // The first message of a window CreateEx is making: attach the object now.
        afx_thread_state *pThread = afx_get_thread_state();
        CWnd *pInit = pThread->pWndInit;
        bool bAttached = false;
        if (pInit != NULL && pInit->m_hWnd == NULL) {
            try {
                bAttached = pInit->Attach(hWnd);
            } catch (CException *e) {
                e->Delete();
            }
            pThread->pWndInit = NULL;
        }
        if (!bAttached) return ::DefWindowProcW(hWnd, nMsg, wParam, lParam);
        pWnd = pInit;
    }
    return AfxCallWndProc(pWnd, hWnd, nMsg, wParam, lParam);
}

LRESULT CALLBACK AfxWndProcBase(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    AFX_MANAGE_STATE(AfxGetAppModuleState());
    return AfxWndProc(hWnd, nMsg, wParam, lParam);
}

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()
