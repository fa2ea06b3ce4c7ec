// The HTML control chain as a dialog sees it: created in place of a static, posting forms to a
// loopback server through the real browser, "app:" links, errors reported to the parent, the
// loading animation coupled to the browser's events, no context menu, and window-only teardown.
#include "controls/html/PluginHtmlCtrl.h"
#include "controls/image/LoadingImageCtrl.h"
#include "win32/browser/host.h"
#include "win32/browser/wire_server.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const UINT kPlaceholder = 8000;
const RECT kPlaceholderRect = {10, 20, 310, 220};

// What the parent window was sent.
struct ParentLog {
    std::vector<std::pair<DWORD, std::u16string>> errors;   // WM_NAVIGATEERROR: status, address
    std::vector<NMHDR> notifies;
};
ParentLog g_parent;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NAVIGATEERROR)
        g_parent.errors.emplace_back(DWORD(wParam), reinterpret_cast<LPCWSTR>(lParam));
    if (msg == WM_NOTIFY && lParam)
        g_parent.notifies.push_back(*reinterpret_cast<NMHDR *>(lParam));
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// A control that records what its hooks were given.
template <class Base> class Recording : public Base
{
public:
    std::vector<std::u16string> appCmds;
    std::vector<std::u16string> completed;
    std::vector<HRESULT> menuAnswers;
    std::function<void()> duringAppCmd;
    void OnAppCmd(LPCTSTR lpszWhere) override
    {
        appCmds.push_back(lpszWhere);
        if (duringAppCmd) duringAppCmd();
    }
    void OnNavigateComplete2(LPCTSTR strURL) override
    {
        completed.push_back(strURL);
        Base::OnNavigateComplete2(strURL);
    }
    HRESULT OnShowContextMenu(DWORD id, LPPOINT ppt, LPUNKNOWN u, LPDISPATCH d) override
    {
        HRESULT hr = Base::OnShowContextMenu(id, ppt, u, d);
        menuAnswers.push_back(hr);
        return hr;
    }
};

class HtmlCtrlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CoInitialize(NULL);
        AfxEnableControlContainer();
        g_parent = ParentLog();
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ParentProc;
        wc.lpszClassName = u"HtmlCtrlTestParent";
        RegisterClassW(&wc);
        parent = CreateWindowExW(0, u"HtmlCtrlTestParent", u"page", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300,
                                 NULL, NULL, NULL, NULL);
        ASSERT_TRUE(parent);
        placeholder = CreateWindowExW(0, u"Static", u"", WS_CHILD | WS_VISIBLE, kPlaceholderRect.left,
                                      kPlaceholderRect.top, kPlaceholderRect.right - kPlaceholderRect.left,
                                      kPlaceholderRect.bottom - kPlaceholderRect.top, parent,
                                      reinterpret_cast<HMENU>(UINT_PTR(kPlaceholder)), NULL, NULL);
        ASSERT_TRUE(placeholder);
        server.Page("/form", "<html><title>form</title><p>ok</p></html>");
        server.Start();
    }
    void TearDown() override
    {
        server.Stop();
        if (IsWindow(parent))
            DestroyWindow(parent);
    }

    size_t Requests() { return server.Log().size(); }
    HWND parent = NULL, placeholder = NULL;
    Server server;
};

TEST_F(HtmlCtrlTest, CreateFromStaticTakesThePlaceholdersPlaceAndIdentifier)
{
    CHtmlCtrl ctrl;
    ASSERT_TRUE(ctrl.CreateFromStatic(kPlaceholder, CWnd::FromHandle(parent)));
    EXPECT_FALSE(IsWindow(placeholder));
    EXPECT_EQ(ctrl.m_hWnd, GetDlgItem(parent, kPlaceholder));
    EXPECT_EQ(DWORD(WS_CHILD | WS_VISIBLE), DWORD(GetWindowLongW(ctrl.m_hWnd, GWL_STYLE)) & 0xFFFF0000u);
    RECT rc;
    GetWindowRect(ctrl.m_hWnd, &rc);
    MapWindowPoints(NULL, parent, reinterpret_cast<POINT *>(&rc), 2);
    EXPECT_TRUE(EqualRect(&rc, &kPlaceholderRect));

    // The browser fills the control as its pane and follows its size.
    HWND pane = GetDlgItem(ctrl.m_hWnd, AFX_IDW_PANE_FIRST);
    ASSERT_TRUE(pane);
    EXPECT_EQ(pane, ctrl.m_wndBrowser.m_hWnd);
    EXPECT_TRUE(ctrl.m_pBrowserApp != NULL);
    GetClientRect(pane, &rc);
    EXPECT_EQ(300, rc.right);
    EXPECT_EQ(200, rc.bottom);
    MoveWindow(ctrl.m_hWnd, 0, 0, 120, 90, TRUE);
    GetClientRect(pane, &rc);
    EXPECT_EQ(120, rc.right);
    EXPECT_EQ(90, rc.bottom);

    CHtmlCtrl other;
    EXPECT_FALSE(other.CreateFromStatic(kPlaceholder + 1, CWnd::FromHandle(parent)));
    EXPECT_EQ(NULL, other.m_hWnd);
    other.NavigatePost(server.Url("/form").c_str(), "a=1", 3);   // no browser: nothing happens
    EXPECT_EQ(0u, Requests());
}

TEST_F(HtmlCtrlTest, NoControlIsCreatedWithoutControlContainment)
{
    AFX_MODULE_STATE state(FALSE, AfxWndProc);
    AFX_MAINTAIN_STATE2 guard(&state);
    CHtmlCtrl ctrl;
    EXPECT_FALSE(ctrl.CreateFromStatic(kPlaceholder, CWnd::FromHandle(parent)));
    EXPECT_EQ(NULL, ctrl.m_hWnd);
    EXPECT_TRUE(ctrl.m_pBrowserApp == NULL);
    EXPECT_EQ(NULL, GetDlgItem(parent, kPlaceholder));
}

TEST_F(HtmlCtrlTest, NavigatePostSendsTheBodyBytesAsAForm)
{
    CHtmlCtrl ctrl;
    ASSERT_TRUE(ctrl.CreateFromStatic(kPlaceholder, CWnd::FromHandle(parent)));
    const char body[] = "iusername=zh\xd5\xc5&language_id=2052\0tail";
    ctrl.NavigatePost(server.Url("/form").c_str(), body, sizeof body - 1);
    ASSERT_TRUE(PumpUntil([&] { return Requests() == 1; }));
    Server::Request r = server.Log()[0];
    EXPECT_EQ("POST", r.method);
    EXPECT_EQ(std::string(body, sizeof body - 1), r.body);
    EXPECT_EQ("application/x-www-form-urlencoded", r.contentType);

    // On the wire, before any server trims it: one header line, its value alone.
    WireServer wire;
    wire.Start();
    ctrl.NavigatePost(wire.Url("/form").c_str(), body, sizeof body - 1);
    ASSERT_TRUE(PumpUntil([&] { return wire.Requests().size() == 1; }));
    std::vector<std::string> lines = wire.Requests()[0], types;
    for (const std::string &line : lines)
        if (strncasecmp(line.c_str(), "content-type:", 13) == 0)
            types.push_back(line);
    EXPECT_EQ(std::vector<std::string>{"Content-Type: application/x-www-form-urlencoded"}, types);
    wire.Stop();
}

TEST_F(HtmlCtrlTest, NavigatePostWithoutBodyStillSendsTheContentType)
{
    CHtmlCtrl ctrl;
    ASSERT_TRUE(ctrl.CreateFromStatic(kPlaceholder, CWnd::FromHandle(parent)));
    ctrl.NavigatePost(server.Url("/form").c_str(), NULL, 0);
    ASSERT_TRUE(PumpUntil([&] { return Requests() == 1; }));
    Server::Request r = server.Log()[0];
    EXPECT_EQ("GET", r.method);
    EXPECT_EQ("", r.body);
    EXPECT_EQ("application/x-www-form-urlencoded", r.contentType);
}

TEST_F(HtmlCtrlTest, AppLinksCallTheHookInsteadOfNavigating)
{
    struct Case {
        const char16_t *url;
        const char16_t *appCmd;   // NULL: not intercepted
    } cases[] = {
        {u"app:open", u"open"}, {u"APP:Close", u"Close"}, {u"App:x", u"x"}, {u"aPp:", u""},
        {u"ap", NULL},          {u"app", NULL},            {u"appx", NULL}, {u"http://127.0.0.1:1/app:x", NULL},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(Utf8(c.url));
        Recording<CHtmlCtrl> ctrl;
        CByteArray none;
        BOOL bCancel = FALSE;
        ctrl.OnBeforeNavigate2(c.url, 0, u"", none, u"", &bCancel);
        if (c.appCmd) {
            ASSERT_EQ(1u, ctrl.appCmds.size());
            EXPECT_EQ(std::u16string(c.appCmd), ctrl.appCmds[0]);
            EXPECT_TRUE(bCancel);
        } else {
            EXPECT_TRUE(ctrl.appCmds.empty());
            EXPECT_FALSE(bCancel);
        }
    }

    // Through the browser: the navigation is cancelled, nothing reaches the server.
    Recording<CHtmlCtrl> ctrl;
    ASSERT_TRUE(ctrl.CreateFromStatic(kPlaceholder, CWnd::FromHandle(parent)));
    ctrl.Navigate(u"APP:refresh");
    ctrl.NavigatePost(server.Url("/form").c_str(), "x", 1);
    ASSERT_TRUE(PumpUntil([&] { return ctrl.completed.size() == 1; }));
    EXPECT_EQ(std::vector<std::u16string>{u"refresh"}, ctrl.appCmds);
    EXPECT_EQ(1u, Requests());
    EXPECT_EQ(server.Url("/form"), ctrl.completed[0]);
}

TEST_F(HtmlCtrlTest, NavigationErrorsReachTheParentOnlyFromThePlainControl)
{
    Server closed;
    closed.Start();
    std::u16string refused = closed.Url("/gone");
    closed.Stop();

    CHtmlCtrl plain;
    ASSERT_TRUE(plain.CreateFromStatic(kPlaceholder, CWnd::FromHandle(parent)));
    plain.Navigate(refused.c_str());
    ASSERT_TRUE(PumpUntil([&] { return !g_parent.errors.empty(); }));
    EXPECT_EQ(refused, g_parent.errors[0].second);
    EXPECT_NE(0u, g_parent.errors[0].first);
    EXPECT_TRUE(g_parent.notifies.empty());
}

TEST_F(HtmlCtrlTest, TheNavigateErrorReflectorPassesTheCancelFlagBack)
{
    // A handler that cancels: the browser is told VARIANT_TRUE; the plain control never cancels.
    struct Cancelling : CHtmlCtrl {
        DWORD status = 0;
        void OnNavigateError(LPCTSTR, LPCTSTR, DWORD dwError, BOOL *pbCancel) override
        {
            status = dwError;
            *pbCancel = TRUE;
        }
    } cancelling;
    CHtmlCtrl plain;
    plain.Create(NULL, NULL, WS_CHILD, kPlaceholderRect, CWnd::FromHandle(parent), 1, NULL);

    CComVariant url(u"http://x/"), frame(u"f"), status(int(0x800C0005), VT_I4);
    VARIANT vu, vf, vs;
    VariantInit(&vu);
    VariantInit(&vf);
    VariantInit(&vs);
    V_VT(&vu) = V_VT(&vf) = V_VT(&vs) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&vu) = &url;
    V_VARIANTREF(&vf) = &frame;
    V_VARIANTREF(&vs) = &status;
    VARIANT_BOOL cancel = 7;
    cancelling.NavigateError(NULL, &vu, &vf, &vs, &cancel);
    EXPECT_EQ(VARIANT_TRUE, cancel);
    EXPECT_EQ(0x800C0005u, cancelling.status);
    cancel = 7;
    plain.NavigateError(NULL, &vu, &vf, &vs, &cancel);
    EXPECT_EQ(VARIANT_FALSE, cancel);
    ASSERT_EQ(1u, g_parent.errors.size());
    EXPECT_EQ(0x800C0005u, g_parent.errors[0].first);
    EXPECT_EQ(u"http://x/", g_parent.errors[0].second);
    plain.NavigateError(NULL, &vu, &vf, &vs, NULL);   // no cancel pointer: nothing written
    EXPECT_EQ(2u, g_parent.errors.size());
}

TEST_F(HtmlCtrlTest, ARightClickShowsNoContextMenuUnlessSwitchedOn)
{
    Recording<CHtmlCtrlEx> ctrl;
    ASSERT_TRUE(ctrl.CreateFromStatic(kPlaceholder, CWnd::FromHandle(parent)));
    EXPECT_FALSE(ctrl.m_bContextMenu);
    HWND pane = ctrl.m_wndBrowser.m_hWnd;
    SendMessageW(pane, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    ctrl.m_bContextMenu = TRUE;
    SendMessageW(pane, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ((std::vector<HRESULT>{S_OK, S_FALSE}), ctrl.menuAnswers);
}

TEST_F(HtmlCtrlTest, DestroyingTheWindowLeavesTheControlObjectAlive)
{
    // A plain view is owned by its window; the control is owned by whoever made it.
    struct View : CHtmlView {
        bool *gone;
        explicit View(bool *g) : gone(g) {}
        ~View() override { *gone = true; }
    };
    bool viewGone = false;
    View *view = new View(&viewGone);
    ASSERT_TRUE(view->Create(NULL, NULL, WS_CHILD | WS_VISIBLE, kPlaceholderRect, CWnd::FromHandle(parent), 7, NULL));
    IWebBrowser2 *viewBrowser = view->m_pBrowserApp;
    ASSERT_TRUE(viewBrowser);

    CHtmlCtrl *ctrl = new CHtmlCtrl;
    ASSERT_TRUE(ctrl->CreateFromStatic(kPlaceholder, CWnd::FromHandle(parent)));
    DestroyWindow(parent);
    EXPECT_TRUE(viewGone);
    EXPECT_EQ(NULL, ctrl->m_hWnd);
    EXPECT_EQ(NULL, ctrl->m_wndBrowser.m_hWnd);
    // The view classes' destroy processing is skipped: the browser interface stays until delete.
    EXPECT_TRUE(ctrl->m_pBrowserApp != NULL);
    ctrl->NavigatePost(server.Url("/form").c_str(), "a", 1);
    EXPECT_FALSE(ctrl->GetBusy());   // a request would have started inside Navigate
    EXPECT_EQ(0u, Requests());
    EXPECT_STREQ("CHtmlCtrl", ctrl->GetRuntimeClass()->m_lpszClassName);
    delete ctrl;
}

TEST_F(HtmlCtrlTest, APluginControlWithoutAnAnimationShowsNoMenuAndLoadsInPlace)
{
    Recording<CPluginHtmlCtrl> ctrl;
    ASSERT_TRUE(ctrl.CreateFromStatic(kPlaceholder, CWnd::FromHandle(parent)));
    SendMessageW(ctrl.m_wndBrowser.m_hWnd, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(std::vector<HRESULT>{S_OK}, ctrl.menuAnswers) << "the menu is off until switched on";
    ctrl.NavigatePost(server.Url("/form").c_str(), "a=1", 3);
    EXPECT_TRUE(IsWindowVisible(ctrl.m_hWnd)) << "nothing stands in for the page";
    ASSERT_TRUE(PumpUntil([&] { return ctrl.completed.size() == 1; })) << "the page never completed";
    EXPECT_TRUE(IsWindowVisible(ctrl.m_hWnd));
    EXPECT_TRUE(g_parent.notifies.empty()) << "only the animation's end notifies the parent";
    EXPECT_EQ(1u, Requests());
}

// ---------------------------------------------------------------------------------------------
// The plug-in control and the loading animation

class PluginHtmlCtrlTest : public HtmlCtrlTest
{
protected:
    void SetUp() override
    {
        HtmlCtrlTest::SetUp();
        HWND hImage = CreateWindowExW(0, u"Static", u"", WS_CHILD, 0, 0, 40, 40, parent,
                                      reinterpret_cast<HMENU>(UINT_PTR(8001)), NULL, NULL);
        ASSERT_TRUE(image.SubclassWindow(hImage));
        ASSERT_TRUE(ctrl.CreateFromStatic(kPlaceholder, CWnd::FromHandle(parent)));
        ctrl.SetLoadingImage(&image);
    }

    // The please-wait animation the build generates beside the tests, several frames.
    static std::u16string WaitGif()
    {
        WCHAR path[MAX_PATH];
        DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
        std::u16string s(path, n);
        return s.substr(0, s.rfind(u'\\') + 1) + u"Images\\Wait.gif";
    }
    // A 1 x 1 GIF of one frame, written to the temporary folder.
    static std::u16string OneFrameGif()
    {
        static const unsigned char gif[] = {
            'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xff, 0xff, 0xff, 0, 0, 0, 0x21, 0xf9, 4, 1, 0,
            0, 0, 0, 0x2c, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, 0x3b};
        WCHAR dir[MAX_PATH];
        DWORD n = GetTempPathW(MAX_PATH, dir);
        std::u16string path = std::u16string(dir, n) + u"html_ctrl_test_one_frame.gif";
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD written = 0;
        if (h != INVALID_HANDLE_VALUE) {
            WriteFile(h, gif, sizeof gif, &written, NULL);
            CloseHandle(h);
        }
        return path;
    }
    // Loads the image and stops the timer its load starts, so only the control's start counts.
    void Load(const std::u16string &path)
    {
        image.LoadGifFile(path.c_str());
        KillTimer(image.m_hWnd, IDT_ANIMATION);
    }
    // Whether the frame timer was running; KillTimer answers FALSE for a timer that is not set.
    bool TimerWasRunning() { return KillTimer(image.m_hWnd, IDT_ANIMATION) != FALSE; }
    bool Loading() { return IsWindowVisible(image.m_hWnd) && !IsWindowVisible(ctrl.m_hWnd); }
    bool Loaded() { return !IsWindowVisible(image.m_hWnd) && IsWindowVisible(ctrl.m_hWnd); }
    void StartLoading()
    {
        CByteArray none;
        BOOL bCancel = FALSE;
        ctrl.OnBeforeNavigate2(u"http://127.0.0.1/", 0, u"", none, u"", &bCancel);
    }

    CLoadingImageCtrl image;
    Recording<CPluginHtmlCtrl> ctrl;
};

TEST_F(PluginHtmlCtrlTest, ANavigationHidesTheBrowserAndPlaysTheAnimationUntilItCompletes)
{
    Load(WaitGif());
    ctrl.NavigatePost(server.Url("/form").c_str(), "a=1", 3);
    EXPECT_TRUE(Loading());   // BeforeNavigate2 is fired at once
    SetTimer(image.m_hWnd, IDT_ANIMATION, 100000, NULL);
    ASSERT_TRUE(PumpUntil([&] { return !g_parent.notifies.empty(); }));
    EXPECT_TRUE(Loaded());
    EXPECT_FALSE(TimerWasRunning());
    EXPECT_EQ(parent, g_parent.notifies[0].hwndFrom);
    EXPECT_EQ(0u, g_parent.notifies[0].idFrom);
    EXPECT_EQ(UINT(NM_PAGELOADED), g_parent.notifies[0].code);
}

TEST_F(PluginHtmlCtrlTest, TheTimerStartsOnlyForAValidImageWithSeveralFrames)
{
    struct Case {
        std::u16string path;
        bool image, timer;
    } cases[] = {{WaitGif(), true, true}, {OneFrameGif(), true, false}, {u"Z:\\no\\such\\file.gif", false, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(Utf8(c.path));
        Load(c.path);
        ASSERT_EQ(c.image, image.GetImage() != NULL);
        StartLoading();
        EXPECT_TRUE(Loading());
        EXPECT_EQ(c.timer, TimerWasRunning());
        ctrl.OnProgressChange(-1, 0);
        EXPECT_TRUE(Loaded());
        EXPECT_FALSE(TimerWasRunning());
    }
}

TEST_F(PluginHtmlCtrlTest, OnlyAFinalProgressEndsLoading)
{
    struct Case {
        long progress, max;
        bool ends;
    } cases[] = {{-1, 0, true}, {-1, 100, true}, {0, 0, true}, {0, 100, false}, {50, 100, false}, {100, 100, false}};
    Load(WaitGif());
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.progress << "," << c.max);
        g_parent.notifies.clear();
        StartLoading();
        ASSERT_TRUE(Loading());
        ctrl.OnProgressChange(c.progress, c.max);
        EXPECT_EQ(c.ends, Loaded());
        EXPECT_EQ(c.ends ? 1u : 0u, g_parent.notifies.size());
        EXPECT_EQ(!c.ends, TimerWasRunning());
    }
}

TEST_F(PluginHtmlCtrlTest, AnAppLinkCallsTheHookWhileLoadingThenShowsThePageStillThere)
{
    Load(WaitGif());
    ctrl.NavigatePost(server.Url("/form").c_str(), "a=1", 3);
    ASSERT_TRUE(PumpUntil([&] { return !g_parent.notifies.empty() && !ctrl.GetBusy(); }));
    Drain();
    ASSERT_TRUE(Loaded());
    size_t notified = g_parent.notifies.size();

    // Followed through the browser: the hook runs with the animation up, then the cancelled
    // navigation ends. No page loaded, so the parent hears nothing; the form page stays.
    bool loadingInHook = false, timerInHook = false;
    ctrl.duringAppCmd = [&] {
        loadingInHook = Loading();
        timerInHook = TimerWasRunning();
        SetTimer(image.m_hWnd, IDT_ANIMATION, 100000, NULL);
    };
    ctrl.Navigate(u"App:go");
    EXPECT_EQ(std::vector<std::u16string>{u"go"}, ctrl.appCmds);
    EXPECT_TRUE(loadingInHook);
    EXPECT_TRUE(timerInHook);
    EXPECT_TRUE(Loaded());
    EXPECT_FALSE(TimerWasRunning());
    EXPECT_FALSE(ctrl.GetBusy());   // a request would have started inside Navigate
    Drain();
    EXPECT_EQ(notified, g_parent.notifies.size());
    EXPECT_EQ(server.Url("/form"), std::u16string(ctrl.GetLocationURL().GetString()));

    // The control's own check, without a browser event around it: the same ending.
    ctrl.duringAppCmd = nullptr;
    CByteArray none;
    BOOL bCancel = FALSE;
    ctrl.OnBeforeNavigate2(u"app:again", 0, u"", none, u"", &bCancel);
    EXPECT_TRUE(bCancel);
    EXPECT_TRUE(Loaded());
    EXPECT_FALSE(TimerWasRunning());
}

TEST_F(PluginHtmlCtrlTest, ANavigationErrorEndsLoadingWithoutTellingTheParentOfTheError)
{
    Server closed;
    closed.Start();
    std::u16string refused = closed.Url("/gone");
    closed.Stop();
    Load(WaitGif());
    ctrl.Navigate(refused.c_str());
    ASSERT_TRUE(PumpUntil([&] { return !g_parent.notifies.empty(); }));
    EXPECT_TRUE(Loaded());
    EXPECT_TRUE(g_parent.errors.empty());
    EXPECT_EQ(UINT(NM_PAGELOADED), g_parent.notifies[0].code);
}

// A page that trickles in without end is cut off by the browser's overall deadline: the animation
// stops as for any failed navigation.
TEST_F(PluginHtmlCtrlTest, APageThatNeverEndsIsCutOffAndTheAnimationStops)
{
    Server endless;
    endless.Trickle("/endless");
    endless.Start();
    Load(WaitGif());
    SetEnvironmentVariableW(u"KEYHOLM_BROWSER_TOTAL_TIMEOUT_MS", u"500");  // read as the request starts
    ctrl.Navigate(endless.Url("/endless").c_str());
    EXPECT_TRUE(Loading());
    bool ended = PumpUntil([&] { return !g_parent.notifies.empty(); });
    SetEnvironmentVariableW(u"KEYHOLM_BROWSER_TOTAL_TIMEOUT_MS", NULL);
    endless.Stop();
    ASSERT_TRUE(ended) << "the animation still plays";
    EXPECT_TRUE(Loaded());
    EXPECT_FALSE(TimerWasRunning());
    EXPECT_EQ(1u, endless.Log().size());
}

TEST_F(PluginHtmlCtrlTest, WithoutAnImageControlNothingIsCoupled)
{
    ctrl.SetLoadingImage(NULL);
    StartLoading();
    EXPECT_TRUE(IsWindowVisible(ctrl.m_hWnd));
    ctrl.OnProgressChange(-1, 0);
    EXPECT_TRUE(g_parent.notifies.empty());
}

}  // namespace
