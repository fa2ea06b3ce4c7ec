// What Windows does when windows are created, destroyed, related, found and given data and text.
#include "recorder.h"
#include "win32/wine.h"

#include <thread>

TEST_F(UserTest, CreationSendsItsMessagesInOrder)
{
    SKIP_UNDOCUMENTED_UNDER_WINE("it sends no WM_WINDOWPOSCHANGING/CHANGED for a visible child created in a hidden parent; the "
                                 "messages of showing at creation are not documented one by one");
    HWND parent = Make(WS_POPUP);
    ASSERT_TRUE(parent);
    recorder().clear();
    HWND child = Make(WS_CHILD | WS_VISIBLE, parent, 7);
    ASSERT_TRUE(child);
    std::vector<Seen> expected = {
        {child, WM_NCCREATE}, {child, WM_CREATE},           {child, WM_SIZE},
        {child, WM_MOVE},     {parent, WM_PARENTNOTIFY},   {child, WM_SHOWWINDOW},
        {child, WM_WINDOWPOSCHANGING}, {child, WM_WINDOWPOSCHANGED},
    };
    EXPECT_EQ(expected, recorder().only({WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_PARENTNOTIFY, WM_SHOWWINDOW,
                                         WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}));
    EXPECT_TRUE(IsWindowVisible(child) == FALSE);  // the parent is still hidden
    DestroyWindow(parent);
}

TEST_F(UserTest, CreateStructCarriesTheArgumentsAndTheWindowSeesItsOwnHandle)
{
    static CREATESTRUCTW seen;
    static HWND seen_hwnd;
    recorder().hook = [](HWND hwnd, UINT msg, WPARAM, LPARAM lp, bool *) -> LRESULT {
        if (msg == WM_CREATE) {
            seen = *(CREATESTRUCTW *)lp;
            seen_hwnd = hwnd;
        }
        return 0;
    };
    int param = 0;
    HWND w = CreateWindowExW(WS_EX_TOOLWINDOW, RecordingClass(), TEXT("Title"), WS_POPUP, 1, 2, 30, 40, nullptr, nullptr,
                             nullptr, &param);
    ASSERT_TRUE(w);
    EXPECT_EQ(w, seen_hwnd);
    EXPECT_EQ(&param, seen.lpCreateParams);
    EXPECT_EQ(1, seen.x);
    EXPECT_EQ(2, seen.y);
    EXPECT_EQ(30, seen.cx);
    EXPECT_EQ(40, seen.cy);
    EXPECT_TRUE(seen.dwExStyle & WS_EX_TOOLWINDOW);
    DestroyWindow(w);
}

TEST_F(UserTest, CreationAbortsWhenTheWindowRefuses)
{
    SKIP_UNDER_WINE("it sends no WM_DESTROY to a window whose WM_CREATE answered -1, where such a window is destroyed");
    struct Case {
        UINT msg;
        LRESULT answer;
    } cases[] = {{WM_NCCREATE, FALSE}, {WM_CREATE, -1}};
    for (const Case &c : cases) {
        static Case current;
        current = c;
        recorder().hook = [](HWND, UINT msg, WPARAM, LPARAM, bool *handled) -> LRESULT {
            *handled = msg == current.msg;
            return current.answer;
        };
        recorder().clear();
        EXPECT_EQ(nullptr, Make(WS_POPUP)) << "refusing 0x" << std::hex << c.msg;
        auto seen = recorder().only({WM_NCCREATE, WM_CREATE, WM_DESTROY});
        ASSERT_FALSE(seen.empty());
        EXPECT_FALSE(IsWindow(seen.front().hwnd));
        if (c.msg == WM_NCCREATE)
            EXPECT_EQ(1u, seen.size()) << "nothing after a refused WM_NCCREATE";
        else
            EXPECT_EQ(WM_DESTROY, seen.back().msg) << "a refused WM_CREATE destroys the window";
    }
}

TEST_F(UserTest, ChildRequiresAParent)
{
    SKIP_UNDER_WINE("it answers ERROR_CLASS_DOES_NOT_EXIST for an unregistered class, not ERROR_CANNOT_FIND_WND_CLASS");
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, Make(WS_CHILD));
    EXPECT_EQ(ERROR_TLW_WITH_WSCHILD, GetLastError());
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, CreateWindowExW(0, TEXT("NoSuchClassAnywhere"), TEXT(""), WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                       nullptr));
    EXPECT_EQ(ERROR_CANNOT_FIND_WND_CLASS, GetLastError());
}

TEST_F(UserTest, DestroyingATreeGoesParentsFirstThenFreesChildrenFirst)
{
    HWND top = Make(WS_POPUP);
    HWND a = Make(WS_CHILD, top, 1);
    HWND a1 = Make(WS_CHILD, a, 2);
    HWND b = Make(WS_CHILD, top, 3);
    HWND owned = Make(WS_POPUP, top);
    ASSERT_TRUE(top && a && a1 && b && owned);
    recorder().clear();
    ASSERT_TRUE(DestroyWindow(top));
    std::vector<Seen> expected = {
        {owned, WM_DESTROY}, {owned, WM_NCDESTROY},                                      // owned windows first
        {top, WM_DESTROY},   {a, WM_DESTROY},       {a1, WM_DESTROY}, {b, WM_DESTROY},   // depth first
        {a1, WM_NCDESTROY},  {a, WM_NCDESTROY},     {b, WM_NCDESTROY}, {top, WM_NCDESTROY},
    };
    EXPECT_EQ(expected, recorder().only({WM_DESTROY, WM_NCDESTROY}));
    for (HWND h : {top, a, a1, b, owned})
        EXPECT_FALSE(IsWindow(h));
}

TEST_F(UserTest, StaleHandlesStayDeadAndAreNotReused)
{
    SKIP_UNDER_WINE("DestroyWindow of a destroyed window answers ERROR_ACCESS_DENIED, not ERROR_INVALID_WINDOW_HANDLE");
    HWND first = Make(WS_POPUP);
    ASSERT_TRUE(first);
    DestroyWindow(first);
    std::vector<HWND> later;
    for (int i = 0; i < 50; ++i)
        later.push_back(Make(WS_POPUP));
    for (HWND h : later)
        EXPECT_NE(first, h);
    EXPECT_FALSE(IsWindow(first));
    struct {
        const char *name;
        bool ok;
    } calls[] = {
        {"SetWindowTextW", SetWindowTextW(first, TEXT("x")) != 0},
        {"GetWindowLongPtrW", (SetLastError(0xdeadbeef), GetWindowLongPtrW(first, GWL_STYLE) != 0)},
        {"PostMessageW", PostMessageW(first, WM_USER, 0, 0) != 0},
        {"ShowWindow", ShowWindow(first, SW_SHOW) != 0},
    };
    for (auto &c : calls)
        EXPECT_FALSE(c.ok) << c.name;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(DestroyWindow(first));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    for (HWND h : later)
        DestroyWindow(h);
}

TEST_F(UserTest, DestroyingItselfDuringAMessageIsSafe)
{
    recorder().hook = [](HWND hwnd, UINT msg, WPARAM, LPARAM, bool *handled) -> LRESULT {
        if (msg == WM_USER) {
            DestroyWindow(hwnd);
            *handled = true;
            return IsWindow(hwnd) ? 1 : 2;
        }
        return 0;
    };
    HWND w = Make(WS_POPUP);
    ASSERT_TRUE(w);
    EXPECT_EQ(2, SendMessageW(w, WM_USER, 0, 0));
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(UserTest, OnlyTheOwningThreadDestroysAWindow)
{
    HWND w = Make(WS_POPUP);
    BOOL ok = TRUE;
    DWORD error = 0;
    std::thread([&] {
        SetLastError(0xdeadbeef);
        ok = DestroyWindow(w);
        error = GetLastError();
    }).join();
    EXPECT_FALSE(ok);
    EXPECT_EQ(ERROR_ACCESS_DENIED, error);
    EXPECT_TRUE(IsWindow(w));
    DestroyWindow(w);
}

TEST_F(UserTest, ParentIsTheParentForChildrenAndTheOwnerForPopups)
{
    HWND top = Make(WS_OVERLAPPEDWINDOW);
    HWND child = Make(WS_CHILD, top, 5);
    HWND grandchild = Make(WS_CHILD, child, 6);
    HWND popup = Make(WS_POPUP, grandchild);  // owned by the top-level window of the one given
    HWND overlapped = Make(WS_OVERLAPPED, top);
    ASSERT_TRUE(top && child && grandchild && popup && overlapped);
    struct {
        HWND hwnd, parent, owner, root, rootowner;
    } cases[] = {
        {child, top, nullptr, top, top},
        {grandchild, child, nullptr, top, top},
        {popup, top, top, popup, top},
        {overlapped, nullptr, top, overlapped, overlapped},
        {top, nullptr, nullptr, top, top},
    };
    for (auto &c : cases) {
        EXPECT_EQ(c.parent, GetParent(c.hwnd));
        EXPECT_EQ(c.owner, GetWindow(c.hwnd, GW_OWNER));
        EXPECT_EQ(c.root, GetAncestor(c.hwnd, GA_ROOT));
        EXPECT_EQ(c.rootowner, GetAncestor(c.hwnd, GA_ROOTOWNER));
    }
    EXPECT_EQ(GetDesktopWindow(), GetAncestor(top, GA_PARENT));
    EXPECT_TRUE(IsChild(top, grandchild));
    EXPECT_FALSE(IsChild(top, popup));
    EXPECT_EQ(grandchild, GetDlgItem(child, 6));
    EXPECT_EQ(nullptr, GetDlgItem(top, 6));  // direct children only
    EXPECT_EQ(6, GetDlgCtrlID(grandchild));
    DestroyWindow(top);
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_FALSE(IsWindow(overlapped));
}

TEST_F(UserTest, ChildrenStackInCreationOrder)
{
    HWND top = Make(WS_POPUP);
    HWND c1 = Make(WS_CHILD, top, 1), c2 = Make(WS_CHILD, top, 2), c3 = Make(WS_CHILD, top, 3);
    EXPECT_EQ(c1, GetWindow(top, GW_CHILD));
    EXPECT_EQ(c2, GetWindow(c1, GW_HWNDNEXT));
    EXPECT_EQ(c1, GetWindow(c2, GW_HWNDPREV));
    EXPECT_EQ(c3, GetWindow(c1, GW_HWNDLAST));
    EXPECT_EQ(nullptr, GetWindow(c3, GW_HWNDNEXT));
    ASSERT_TRUE(SetWindowPos(c3, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_EQ(c3, GetWindow(top, GW_CHILD));
    static std::vector<HWND> order;
    order.clear();
    EnumChildWindows(
        top, [](HWND h, LPARAM) CALLBACK -> BOOL { order.push_back(h); return TRUE; }, 0);
    EXPECT_EQ((std::vector<HWND>{c3, c1, c2}), order);
    // Placed after itself, a window keeps its place.
    ASSERT_TRUE(SetWindowPos(c1, c1, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_EQ(c3, GetWindow(top, GW_CHILD));
    EXPECT_EQ(c1, GetWindow(c3, GW_HWNDNEXT));
    EXPECT_EQ(c2, GetWindow(c1, GW_HWNDNEXT));
    DestroyWindow(top);
}

TEST_F(UserTest, ReparentingRefusesToMakeALoop)
{
    HWND a = Make(WS_POPUP), b = Make(WS_POPUP);
    HWND child = Make(WS_CHILD, b);
    ASSERT_TRUE(a && b && child);
    EXPECT_EQ(GetDesktopWindow(), SetParent(b, a));  // b keeps its popup style but now lies below a
    EXPECT_EQ(a, GetAncestor(b, GA_PARENT));
    // Neither a window below a by child links nor one below it by a bare parent link may take a in.
    for (HWND below : {child, b}) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(nullptr, SetParent(a, below));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
        EXPECT_EQ(GetDesktopWindow(), GetAncestor(a, GA_PARENT));
    }
    EXPECT_EQ(a, GetAncestor(child, GA_ROOT));
    DestroyWindow(a);
    EXPECT_FALSE(IsWindow(child));
}

TEST_F(UserTest, TheDesktopHasItsOwnClassAndStaysPut)
{
    HWND desktop = GetDesktopWindow();
    WCHAR name[16];
    EXPECT_EQ(6, GetClassNameW(desktop, name, 16));
    EXPECT_EQ(0, lstrcmpW(name, TEXT("#32769")));
    EXPECT_EQ(0x8001u, GetClassLongPtrW(desktop, GCW_ATOM));
    RECT before, after;
    ASSERT_TRUE(GetWindowRect(desktop, &before));
    ShowWindow(desktop, SW_SHOWMAXIMIZED);
    ASSERT_TRUE(GetWindowRect(desktop, &after));
    EXPECT_EQ(before.left, after.left);
    EXPECT_EQ(before.top, after.top);
    EXPECT_EQ(before.right, after.right);
    EXPECT_EQ(before.bottom, after.bottom);
    EXPECT_FALSE(IsZoomed(desktop));
    EXPECT_TRUE(IsWindowVisible(desktop));
}

TEST_F(UserTest, FindWindowMatchesClassTitleOrBoth)
{
    static const WCHAR other[] = TEXT("UserTestsOther");
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = other;
    RegisterClassW(&wc);
    HWND a = Make(WS_POPUP, nullptr, 0, TEXT("Find me"));
    HWND b = CreateWindowExW(0, other, TEXT("Find me too"), WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    HWND child = Make(WS_CHILD, a, 1, TEXT("Hidden child"));
    ASSERT_TRUE(a && b && child);
    struct {
        const WCHAR *cls, *title;
        HWND expected;
    } cases[] = {
        {nullptr, TEXT("Find me"), a},
        {nullptr, TEXT("Find me too"), b},
        {other, nullptr, b},
        {TEXT("usertestsother"), nullptr, b},  // class names ignore case
        {RecordingClass(), TEXT("Find me"), a},
        {other, TEXT("Find me"), nullptr},
        {nullptr, TEXT("Find"), nullptr},          // whole titles only
        {nullptr, TEXT("Hidden child"), nullptr},  // top-level windows only
    };
    for (auto &c : cases)
        EXPECT_EQ(c.expected, FindWindowW(c.cls, c.title));
    EXPECT_EQ(a, FindWindowA(nullptr, "Find me"));
    EXPECT_EQ(child, FindWindowExW(a, nullptr, nullptr, TEXT("Hidden child")));
    DestroyWindow(a);
    EXPECT_EQ(nullptr, FindWindowW(nullptr, TEXT("Find me")));
    DestroyWindow(b);
    UnregisterClassW(other, nullptr);
}

TEST_F(UserTest, ClassesAreRegisteredOncePerModule)
{
    HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = module;
    wc.lpszClassName = TEXT("UserTestsOnce");
    ATOM atom = RegisterClassW(&wc);
    ASSERT_NE(0, atom);
    wc.lpszClassName = TEXT("USERTESTSONCE");
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, RegisterClassW(&wc));
    EXPECT_EQ(ERROR_CLASS_ALREADY_EXISTS, GetLastError());
    WNDCLASSW info = {};
    EXPECT_EQ(atom, GetClassInfoW(module, TEXT("usertestsonce"), &info));
    EXPECT_EQ((WNDPROC)DefWindowProcW, info.lpfnWndProc);

    HWND w = CreateWindowExW(0, TEXT("UserTestsOnce"), TEXT(""), WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, module, nullptr);
    ASSERT_TRUE(w);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(UnregisterClassW(TEXT("UserTestsOnce"), module));
    EXPECT_EQ(ERROR_CLASS_HAS_WINDOWS, GetLastError());
    WCHAR name[64];
    EXPECT_EQ(13, GetClassNameW(w, name, 64));
    EXPECT_EQ(0, lstrcmpW(name, TEXT("UserTestsOnce")));
    DestroyWindow(w);
    EXPECT_TRUE(UnregisterClassW(TEXT("UserTestsOnce"), module));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetClassInfoW(module, TEXT("UserTestsOnce"), &info));
    EXPECT_EQ(ERROR_CLASS_DOES_NOT_EXIST, GetLastError());
}

TEST_F(UserTest, WindowDataLivesInItsSlots)
{
    HWND w = Make(WS_POPUP, nullptr, 0, TEXT(""));
    ASSERT_TRUE(w);
    SetWindowLongPtrW(w, 0, (LONG_PTR)0x1122334455667788LL);
    SetWindowLongPtrW(w, sizeof(LONG_PTR), 42);
    SetWindowLongPtrW(w, GWLP_USERDATA, 7);
    EXPECT_EQ((LONG_PTR)0x1122334455667788LL, GetWindowLongPtrW(w, 0));  // neighbours untouched
    EXPECT_EQ(42, GetWindowLongPtrW(w, sizeof(LONG_PTR)));
    EXPECT_EQ(7, GetWindowLongPtrW(w, GWLP_USERDATA));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, GetWindowLongPtrW(w, 2 * sizeof(LONG_PTR)));  // past cbWndExtra
    EXPECT_EQ(ERROR_INVALID_INDEX, GetLastError());
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, SetWindowLongPtrW(w, sizeof(LONG_PTR) + 1, 1));
    EXPECT_EQ(ERROR_INVALID_INDEX, GetLastError());

    // Subclassing: the new procedure gets the messages and can pass them on.
    static WNDPROC previous;
    static int subclassed;
    subclassed = 0;
    previous = (WNDPROC)SetWindowLongPtrW(w, GWLP_WNDPROC, (LONG_PTR)(WNDPROC)[](HWND h, UINT m, WPARAM wp,
                                                                                 LPARAM lp) CALLBACK -> LRESULT {
        if (m == WM_USER)
            ++subclassed;
        return CallWindowProcW(previous, h, m, wp, lp);
    });
    EXPECT_EQ((WNDPROC)RecordingProc, previous);
    recorder().clear();
    SendMessageW(w, WM_USER, 0, 0);
    EXPECT_EQ(1, subclassed);
    EXPECT_EQ(1u, recorder().only({WM_USER}).size());
    DestroyWindow(w);
}

TEST_F(UserTest, TextGoesThroughTheTextMessages)
{
    HWND w = Make(WS_POPUP, nullptr, 0, TEXT("Initial"));
    ASSERT_TRUE(w);
    WCHAR buf[8];
    EXPECT_EQ(7, GetWindowTextLengthW(w));
    EXPECT_EQ(7, GetWindowTextW(w, buf, 8));
    EXPECT_EQ(0, lstrcmpW(buf, TEXT("Initial")));
    recorder().clear();
    ASSERT_TRUE(SetWindowTextW(w, TEXT("A longer title")));
    EXPECT_EQ(1u, recorder().only({WM_SETTEXT}).size());
    EXPECT_EQ(7, GetWindowTextW(w, buf, 8));  // truncated, always terminated
    EXPECT_EQ(0, lstrcmpW(buf, TEXT("A longe")));
    char narrow[32];
    EXPECT_EQ(14, SendMessageA(w, WM_GETTEXT, sizeof narrow, (LPARAM)narrow));
    EXPECT_STREQ("A longer title", narrow);
    EXPECT_EQ(TRUE, SendMessageA(w, WM_SETTEXT, 0, (LPARAM)"narrow"));
    EXPECT_EQ(6, GetWindowTextW(w, buf, 8));
    EXPECT_EQ(0, lstrcmpW(buf, TEXT("narrow")));

    EXPECT_TRUE(SetPropW(w, TEXT("Key"), (HANDLE)0x1234));
    EXPECT_EQ((HANDLE)0x1234, GetPropW(w, TEXT("KEY")));
    EXPECT_EQ((HANDLE)0x1234, RemovePropW(w, TEXT("key")));
    EXPECT_EQ(nullptr, GetPropW(w, TEXT("Key")));
    DestroyWindow(w);
}

TEST_F(UserTest, GeometryFollowsMovesAndParents)
{
    HWND top = CreateWindowExW(0, RecordingClass(), TEXT(""), WS_POPUP, 100, 50, 300, 200, nullptr, nullptr, nullptr,
                               nullptr);
    HWND child = CreateWindowExW(0, RecordingClass(), TEXT(""), WS_CHILD, 10, 20, 50, 40, top, nullptr, nullptr, nullptr);
    ASSERT_TRUE(top && child);
    RECT rc;
    GetWindowRect(child, &rc);
    EXPECT_EQ(110, rc.left);
    EXPECT_EQ(70, rc.top);
    EXPECT_EQ(160, rc.right);
    EXPECT_EQ(110, rc.bottom);
    POINT pt = {0, 0};
    ClientToScreen(child, &pt);
    EXPECT_EQ(110, pt.x);
    EXPECT_EQ(70, pt.y);
    ScreenToClient(top, &pt);
    EXPECT_EQ(10, pt.x);
    EXPECT_EQ(20, pt.y);

    recorder().clear();
    ASSERT_TRUE(MoveWindow(child, 5, 6, 70, 80, FALSE));
    auto seen = recorder().only({WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE});
    ASSERT_EQ(4u, seen.size());
    EXPECT_EQ(WM_WINDOWPOSCHANGING, seen[0].msg);
    EXPECT_EQ(WM_WINDOWPOSCHANGED, seen[1].msg);  // WM_MOVE and WM_SIZE come from its default handling
    GetClientRect(child, &rc);
    EXPECT_EQ(70, rc.right);
    EXPECT_EQ(80, rc.bottom);

    recorder().clear();
    ASSERT_TRUE(MoveWindow(child, 5, 6, 70, 80, FALSE));  // nothing changes: no WM_MOVE, no WM_SIZE
    EXPECT_TRUE(recorder().only({WM_MOVE, WM_SIZE}).empty());

    EXPECT_FALSE(IsWindowVisible(child));
    ShowWindow(child, SW_SHOW);
    EXPECT_FALSE(IsWindowVisible(child));  // its parent is hidden
    EXPECT_FALSE(ShowWindow(top, SW_SHOWNA));
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_TRUE(ShowWindow(top, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(child));
    DestroyWindow(top);
}

TEST_F(UserTest, FocusMovesWithNotifications)
{
    HWND top = Make(WS_POPUP);
    HWND a = Make(WS_CHILD, top, 1), b = Make(WS_CHILD, top, 2);
    SetFocus(a);
    EXPECT_EQ(a, GetFocus());
    recorder().clear();
    EXPECT_EQ(a, SetFocus(b));
    std::vector<Seen> expected = {{a, WM_KILLFOCUS}, {b, WM_SETFOCUS}};
    EXPECT_EQ(expected, recorder().only({WM_KILLFOCUS, WM_SETFOCUS}));
    EXPECT_TRUE(IsWindowEnabled(b));
    EnableWindow(b, FALSE);  // a disabled window gives up the focus
    EXPECT_FALSE(IsWindowEnabled(b));
    EXPECT_EQ(nullptr, GetFocus());
    DestroyWindow(top);
}
