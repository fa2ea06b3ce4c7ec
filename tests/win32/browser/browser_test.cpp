// The web-browser control as an embedding host sees it: requests on the wire, events on the
// window's thread in order, cancellation, failures, links, the context menu and the painted page.
#include "fixture.h"
#include "wire_server.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST_F(Browser, PostSendsExactlyTheBodyAndTheFormContentType)
{
    server.Page("/sso", "<p>signed in</p>");
    server.Start();
    std::string body = "?iusername=alice&language_id=9";
    std::u16string url = server.Url("/sso?iusername=alice&language_id=9");
    ASSERT_EQ(S_OK, Go(url, &body, u"Content-Type: application/x-www-form-urlencoded ", 2));
    ASSERT_TRUE(Finished(url)) << "the page never completed";

    auto log = server.Log();
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ("POST", log[0].method);
    EXPECT_EQ(body, log[0].body);
    EXPECT_EQ("application/x-www-form-urlencoded", log[0].contentType);

    ASSERT_FALSE(host.events.empty());
    const Event &before = host.events[0];
    EXPECT_EQ(DISPID_BEFORENAVIGATE2, before.id);
    EXPECT_TRUE(before.topLevel);
    EXPECT_EQ(url, before.url);
    EXPECT_EQ(2, before.flags);
    EXPECT_TRUE(before.postGiven);
    EXPECT_EQ(body, before.post);
    EXPECT_EQ(u"Content-Type: application/x-www-form-urlencoded ", before.headers);
}

// Extra headers end in CR LF each; whatever their text, each goes over the wire as a line of its
// own, "Name: value" without blanks around the value, and nothing else is glued to or folded into it.
TEST_F(Browser, ExtraHeadersGoOverTheWireEachOnALineOfItsOwn)
{
    const std::string form = "Content-Type: application/x-www-form-urlencoded";
    struct Case {
        const char16_t *text;
        std::vector<std::string> lines;  // each on the wire exactly once
        std::vector<std::string> never;  // in no line
    } cases[] = {
        {u"Content-Type: application/x-www-form-urlencoded \r\n", {form}, {}},
        {u"Content-Type: application/x-www-form-urlencoded ", {form}, {}},
        {u"Content-Type: text/plain\r\nX-One: 1\r\nX-Two:two words \r\n",
         {"Content-Type: text/plain", "X-One: 1", "X-Two: two words"}, {}},
        {u"Content-Type: text/plain\r\n X-Folded: yes\r\n", {"Content-Type: text/plain", "X-Folded: yes"}, {}},
        {u"X-Lf: a\nX-Cr: b\rContent-Type: text/plain", {"X-Lf: a", "X-Cr: b", "Content-Type: text/plain"}, {}},
        {u"Bad Name: x\r\n: nameless\r\nno colon\r\nX-Empty: \r\nX-Ok: 1\r\n\r\n", {"X-Ok: 1", form},
         {"Bad", "nameless", "no colon", "X-Empty"}},
    };
    WireServer wire;
    wire.Start();
    ASSERT_NE(0, wire.port);
    std::string body = "a=1";
    for (const Case &c : cases) {
        SCOPED_TRACE(Utf8(c.text));
        size_t before = wire.Requests().size();
        ASSERT_EQ(S_OK, Go(wire.Url("/form"), &body, c.text));
        ASSERT_TRUE(PumpUntil([&] { return wire.Requests().size() > before; }));
        std::vector<std::string> lines = wire.Requests().back();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ("POST /form HTTP/1.1", lines[0]);
        for (const std::string &line : c.lines)
            EXPECT_EQ(1, std::count(lines.begin(), lines.end(), line)) << line;
        for (size_t i = 1; i < lines.size(); ++i) {
            const std::string &line = lines[i];
            size_t colon = line.find(": ");
            EXPECT_TRUE(colon != std::string::npos && colon > 0 && line.find_first_of(" \t") == colon + 1 &&
                        line.size() > colon + 2 && line[colon + 2] != ' ' && line.back() != ' ' &&
                        line.find(": ", colon + 1) == std::string::npos)
                << "not one clean header: [" << line << "]";
            for (const std::string &text : c.never)
                EXPECT_EQ(std::string::npos, line.find(text)) << line;
        }
    }
    wire.Stop();
}

// Arguments by reference, as automation callers pass them, carry the same request.
TEST_F(Browser, ArgumentsByReferenceCarryTheSameRequest)
{
    server.Page("/sso", "<p>signed in</p>");
    server.Start();
    std::string body = "iusername=bob";
    SAFEARRAY *sa = SafeArrayCreateVector(VT_UI1, 0, ULONG(body.size()));
    void *bytes = NULL;
    ASSERT_EQ(S_OK, SafeArrayAccessData(sa, &bytes));
    memcpy(bytes, body.data(), body.size());
    SafeArrayUnaccessData(sa);
    VARIANT data, dataRef, flags, flagsRef, headers, headersRef;
    V_VT(&data) = VT_ARRAY | VT_UI1;
    V_ARRAY(&data) = sa;
    V_VT(&dataRef) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&dataRef) = &data;
    LONG two = 2;
    V_VT(&flags) = VT_I4 | VT_BYREF;
    V_I4REF(&flags) = &two;
    V_VT(&flagsRef) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&flagsRef) = &flags;
    BSTR text = SysAllocString(u"Content-Type: application/x-www-form-urlencoded");
    V_VT(&headers) = VT_BSTR | VT_BYREF;
    V_BSTRREF(&headers) = &text;
    V_VT(&headersRef) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&headersRef) = &headers;
    std::u16string url = server.Url("/sso");
    BSTR address = SysAllocString(url.c_str());
    ASSERT_EQ(S_OK, browser->Navigate(address, &flagsRef, NULL, &dataRef, &headersRef));
    SysFreeString(address);
    ASSERT_TRUE(Finished(url));
    SysFreeString(text);
    EXPECT_EQ(S_OK, SafeArrayDestroy(sa)) << "the caller's array was kept or locked";

    auto log = server.Log();
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ("POST", log[0].method);
    EXPECT_EQ(body, log[0].body);
    EXPECT_EQ("application/x-www-form-urlencoded", log[0].contentType);
    EXPECT_EQ(2, host.events[0].flags);
    EXPECT_EQ(body, host.events[0].post);
}

TEST_F(Browser, GetEventsArriveInOrderOnTheWindowThreadOnlyWhilePumping)
{
    server.Page("/page", "<html><head><title>Home</title></head><body>" + std::string(20000, 'x') + "</body></html>");
    server.Start();
    std::u16string url = server.Url("/page");
    ASSERT_EQ(S_OK, Go(url));
    ASSERT_EQ(1u, host.events.size()) << "only BeforeNavigate2 fires inside Navigate";
    ASSERT_TRUE(Finished(url));
    ASSERT_TRUE(PumpUntil([&] { return host.Count(DISPID_PROGRESSCHANGE) && host.events.back().progress == -1; }));

    auto log = server.Log();
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ("GET", log[0].method);
    EXPECT_EQ("", log[0].body);

    // The order a browser uses, progress left out; then the progress values themselves.
    std::vector<DISPID> order, expected = {DISPID_BEFORENAVIGATE2,   DISPID_DOWNLOADBEGIN, DISPID_NAVIGATECOMPLETE2,
                                           DISPID_TITLECHANGE,       DISPID_DOCUMENTCOMPLETE, DISPID_DOWNLOADCOMPLETE};
    std::vector<LONG> progress;
    bool completeSeen = false;
    for (const Event &e : host.events) {
        EXPECT_EQ(GetCurrentThreadId(), e.thread);
        if (e.id == DISPID_NAVIGATECOMPLETE2)
            completeSeen = true;
        if (e.id == DISPID_PROGRESSCHANGE) {
            EXPECT_TRUE(e.progress == -1 || !completeSeen) << "rising progress comes before NavigateComplete2";
            EXPECT_FALSE(e.progress == 0 && e.max == 0) << "(0, 0) would end loading early";
            progress.push_back(e.progress);
        } else {
            order.push_back(e.id);
        }
    }
    EXPECT_EQ(expected, order);
    ASSERT_GE(progress.size(), 2u);
    for (size_t i = 1; i + 1 < progress.size(); ++i)
        EXPECT_LT(progress[i - 1], progress[i]);
    EXPECT_EQ(-1, progress.back());

    BSTR location = NULL, name = NULL;
    ASSERT_EQ(S_OK, browser->get_LocationURL(&location));
    ASSERT_EQ(S_OK, browser->get_LocationName(&name));
    EXPECT_EQ(url, std::u16string(location));
    EXPECT_EQ(u"Home", std::u16string(name));
    SysFreeString(location);
    SysFreeString(name);
    VARIANT_BOOL busy = VARIANT_TRUE;
    ASSERT_EQ(S_OK, browser->get_Busy(&busy));
    EXPECT_EQ(VARIANT_FALSE, busy);
}

TEST_F(Browser, CancelledInBeforeNavigate2NoRequestReachesTheServer)
{
    server.Page("/blocked", "<p>no</p>");
    server.Page("/open", "<p>yes</p>");
    server.Start();
    host.cancelPrefix = server.Url("/blocked");
    ASSERT_EQ(S_OK, Go(server.Url("/blocked")));
    ASSERT_EQ(S_OK, Go(server.Url("/open")));  // a later request on the same thread is the barrier
    ASSERT_TRUE(Finished(server.Url("/open")));

    auto log = server.Log();
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ("/open", log[0].path);
    for (const Event &e : host.events) {
        if (e.id != DISPID_BEFORENAVIGATE2) {
            EXPECT_NE(server.Url("/blocked"), e.url);
        }
    }
}

TEST_F(Browser, FailuresReportTheirStatusThenShowTheErrorPage)
{
    server.Page("/missing", "gone", "text/html", 404);
    server.Page("/broken", "oops", "text/html", 500);
    server.Start();
    Server closed;
    closed.Start();
    int refusedPort = closed.port;
    closed.Stop();  // nothing listens there now

    struct Case {
        std::u16string url;
        LONG code;
    } cases[] = {
        {server.Url("/missing"), 404},
        {server.Url("/broken"), 500},
        {Wide("http://127.0.0.1:" + std::to_string(refusedPort) + "/"), LONG(INET_E_CANNOT_CONNECT)},
    };
    for (const Case &c : cases) {
        host.events.clear();
        ASSERT_EQ(S_OK, Go(c.url));
        ASSERT_TRUE(PumpUntil([&] { return host.Has(DISPID_NAVIGATECOMPLETE2, c.url); })) << Utf8(c.url);
        std::vector<DISPID> order;
        for (const Event &e : host.events) {
            if (e.id == DISPID_NAVIGATEERROR) {
                EXPECT_EQ(c.code, e.code) << Utf8(c.url);
                EXPECT_EQ(c.url, e.url);
            }
            if (e.id == DISPID_NAVIGATEERROR || e.id == DISPID_NAVIGATECOMPLETE2)
                order.push_back(e.id);
        }
        EXPECT_EQ((std::vector<DISPID>{DISPID_NAVIGATEERROR, DISPID_NAVIGATECOMPLETE2}), order) << Utf8(c.url);
    }
}

TEST_F(Browser, CancelledErrorShowsNoErrorPage)
{
    server.Page("/missing", "gone", "text/html", 404);
    server.Page("/next", "<p>next</p>");
    server.Start();
    host.cancelErrors = true;
    ASSERT_EQ(S_OK, Go(server.Url("/missing")));
    ASSERT_TRUE(PumpUntil([&] { return host.Has(DISPID_NAVIGATEERROR); }));
    ASSERT_EQ(S_OK, Go(server.Url("/next")));
    ASSERT_TRUE(Finished(server.Url("/next")));
    EXPECT_FALSE(host.Has(DISPID_NAVIGATECOMPLETE2, server.Url("/missing")));
}

// The first link of a page is painted at the top left, inside the page margin.
TEST_F(Browser, ClickOnALinkNavigatesToItsAbsoluteAddress)
{
    server.Page("/dir/page", "<a href=\"../next?x=1\">Continue to the next page</a>");
    server.Page("/next", "<p>next</p>");
    server.Start();
    ASSERT_EQ(S_OK, Go(server.Url("/dir/page")));
    ASSERT_TRUE(Finished(server.Url("/dir/page")));

    SendMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(14, 12));
    SendMessageW(view, WM_LBUTTONUP, 0, MAKELPARAM(14, 12));
    ASSERT_TRUE(host.Has(DISPID_BEFORENAVIGATE2, server.Url("/next?x=1"))) << "the click did not navigate";
    ASSERT_TRUE(Finished(server.Url("/next?x=1")));

    // A press on the link released elsewhere is no click.
    size_t before = host.Count(DISPID_BEFORENAVIGATE2);
    SendMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(14, 12));
    SendMessageW(view, WM_LBUTTONUP, 0, MAKELPARAM(250, 180));
    EXPECT_EQ(before, host.Count(DISPID_BEFORENAVIGATE2));
}

TEST_F(Browser, AnAppLinkCancelledByTheHostNeverReachesTheNetwork)
{
    server.Page("/page", "<a href=\"app:settings\">Settings</a>");
    server.Page("/after", "<p>after</p>");
    server.Start();
    host.cancelPrefix = u"app:";
    ASSERT_EQ(S_OK, Go(server.Url("/page")));
    ASSERT_TRUE(Finished(server.Url("/page")));
    size_t before = host.events.size();

    SendMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(14, 12));
    SendMessageW(view, WM_LBUTTONUP, 0, MAKELPARAM(14, 12));
    ASSERT_EQ(before + 1, host.events.size());
    EXPECT_EQ(DISPID_BEFORENAVIGATE2, host.events.back().id);
    EXPECT_EQ(u"app:settings", host.events.back().url);

    ASSERT_EQ(S_OK, Go(server.Url("/after")));
    ASSERT_TRUE(Finished(server.Url("/after")));
    for (size_t i = before + 1; i < host.events.size(); ++i)
        EXPECT_NE(u"app:settings", host.events[i].url);
    EXPECT_EQ(2u, server.Log().size());
}

TEST_F(Browser, ANewNavigateCancelsTheSlowOne)
{
    server.Slow("/slow");
    server.Page("/fast", "<p>fast</p>");
    server.Start();
    ASSERT_EQ(S_OK, Go(server.Url("/slow")));
    ASSERT_TRUE(PumpUntil([&] { return server.Held() == 1; })) << "the slow request never arrived";
    ASSERT_EQ(S_OK, Go(server.Url("/fast")));
    ASSERT_TRUE(Finished(server.Url("/fast")));
    server.Release();
    ASSERT_TRUE(PumpUntil([&] { return host.events.back().progress == -1; }));
    for (const Event &e : host.events) {
        if (e.id != DISPID_BEFORENAVIGATE2) {
            EXPECT_NE(server.Url("/slow"), e.url) << "an event of the replaced navigation arrived: " << e.id;
        }
    }
    EXPECT_EQ(0u, host.Count(DISPID_NAVIGATEERROR));
}

TEST_F(Browser, CloseDuringARequestFiresNothingAfter)
{
    server.Slow("/slow");
    server.Page("/other", "<p>other</p>");
    server.Start();
    ASSERT_EQ(S_OK, Go(server.Url("/slow")));
    ASSERT_TRUE(PumpUntil([&] { return server.Held() == 1; }));
    ASSERT_EQ(S_OK, ole->Close(OLECLOSE_NOSAVE));
    EXPECT_FALSE(IsWindow(view));
    size_t after = host.events.size();
    server.Release();

    // A second control on the same thread: once its page is complete, anything the first could
    // still have posted would have been delivered too.
    Host other;
    other.parent = host.parent;
    IWebBrowser2 *second = NULL;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WebBrowser, NULL, CLSCTX_INPROC_SERVER, IID_IWebBrowser2,
                                     reinterpret_cast<void **>(&second)));
    IConnectionPointContainer *cpc = NULL;
    IConnectionPoint *cp = NULL;
    DWORD otherCookie = 0;
    second->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void **>(&cpc));
    cpc->FindConnectionPoint(DIID_DWebBrowserEvents2, &cp);
    cp->Advise(static_cast<IDispatch *>(&other), &otherCookie);
    BSTR url = SysAllocString(server.Url("/other").c_str());
    ASSERT_EQ(S_OK, second->Navigate(url, NULL, NULL, NULL, NULL));
    SysFreeString(url);
    ASSERT_TRUE(PumpUntil([&] { return other.Has(DISPID_DOCUMENTCOMPLETE); }));
    cp->Unadvise(otherCookie);
    cp->Release();
    cpc->Release();
    second->Release();

    EXPECT_EQ(after, host.events.size()) << "an event arrived after Close";
    BSTR again = SysAllocString(server.Url("/other").c_str());
    EXPECT_TRUE(FAILED(browser->Navigate(again, NULL, NULL, NULL, NULL)));
    SysFreeString(again);
}

TEST_F(Browser, PageTitlesAreDecodedFromTheirCharset)
{
    struct Case {
        const char *path;
        std::string body;
        const char *type;
        std::u16string title;
    } cases[] = {
        {"/gbk", "<title>\xD6\xD0\xCE\xC4</title>", "text/html; charset=GB2312", u"\u4E2D\u6587"},
        {"/meta", "<meta charset=\"gbk\"><title>\xD6\xD0</title>", "text/html", u"\u4E2D"},
        {"/utf8", "<title>\xE4\xB8\xAD &amp; &lt;b&gt; &#x6587;</title>", "text/html; charset=utf-8",
         u"\u4E2D & <b> \u6587"},
    };
    for (const Case &c : cases)
        server.Page(c.path, c.body, c.type);
    server.Start();
    for (const Case &c : cases) {
        ASSERT_EQ(S_OK, Go(server.Url(c.path)));
        ASSERT_TRUE(Finished(server.Url(c.path)));
        BSTR name = NULL;
        ASSERT_EQ(S_OK, browser->get_LocationName(&name));
        EXPECT_EQ(c.title, std::u16string(name)) << c.path;
        SysFreeString(name);
    }
}

TEST_F(Browser, FramesNavigateAfterTheTopDocument)
{
    server.Page("/top", "<p>top</p><iframe src=\"/inner\"></iframe>");
    server.Page("/inner", "<p>inner</p>");
    server.Start();
    ASSERT_EQ(S_OK, Go(server.Url("/top")));
    ASSERT_TRUE(PumpUntil([&] {
        return !host.events.empty() && host.events.back().id == DISPID_PROGRESSCHANGE && host.events.back().progress == -1;
    }));
    std::vector<std::pair<DISPID, bool>> order;
    for (const Event &e : host.events)
        if (e.id == DISPID_BEFORENAVIGATE2 || e.id == DISPID_NAVIGATECOMPLETE2 || e.id == DISPID_DOCUMENTCOMPLETE)
            order.emplace_back(e.id, e.topLevel);
    std::vector<std::pair<DISPID, bool>> expected = {
        {DISPID_BEFORENAVIGATE2, true},   {DISPID_NAVIGATECOMPLETE2, true}, {DISPID_BEFORENAVIGATE2, false},
        {DISPID_NAVIGATECOMPLETE2, false}, {DISPID_DOCUMENTCOMPLETE, false}, {DISPID_DOCUMENTCOMPLETE, true}};
    EXPECT_EQ(expected, order);
    EXPECT_TRUE(host.Has(DISPID_NAVIGATECOMPLETE2, server.Url("/inner")));
}

// A frame's pDisp that the host keeps past its navigation is the host's alone once the control lets
// the frames go, however each frame ended: a reference the control kept or gave back twice shows
// in the count. The control's own count reaching zero is the fixture's check.
TEST_F(Browser, FrameObjectsAreReleasedHoweverTheFramesEnd)
{
    server.Page("/inner", "<p>inner</p>");
    server.Page("/two", "<iframe src=\"/inner\"></iframe><iframe src=\"/inner\"></iframe>");
    server.Page("/missing", "<iframe src=\"/nowhere\"></iframe>");
    server.Page("/blocked", "<iframe src=\"/inner?blocked\"></iframe>");
    server.Page("/stalled", "<iframe src=\"/slow\"></iframe>");
    server.Slow("/slow");
    server.Start();
    host.holdFrames = true;
    struct {
        const char *name;
        const char *page;
        size_t frames;
        bool cancelBefore, cancelError, complete;
    } cases[] = {
        {"two frames loaded", "/two", 2, false, false, true},
        {"a frame's error page shown", "/missing", 1, false, false, true},
        {"a frame's error cancelled", "/missing", 1, false, true, true},
        {"a frame cancelled in BeforeNavigate2", "/blocked", 1, true, false, true},
        {"a frame stopped while it loads", "/stalled", 1, false, false, false},  // last: releases the server
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        host.events.clear();
        host.cancelPrefix = c.cancelBefore ? server.Url("/inner?blocked") : u"";
        host.cancelErrors = c.cancelError;
        ASSERT_EQ(S_OK, Go(server.Url(c.page)));
        if (c.complete)
            ASSERT_TRUE(PumpUntil([&] { return !host.events.empty() && host.events.back().progress == -1; }));
        else
            ASSERT_TRUE(PumpUntil([&] { return server.Held() == 1 && host.heldFrames.size() == c.frames; }));
        ASSERT_EQ(S_OK, browser->Stop());  // the control lets the frames of the page go
        ASSERT_EQ(c.frames, host.heldFrames.size());
        for (IDispatch *frame : host.heldFrames) {
            EXPECT_NE(static_cast<IDispatch *>(browser), frame);
            EXPECT_EQ(0u, frame->Release()) << "the control still holds a frame, or gave one back twice";
        }
        host.heldFrames.clear();
    }
    server.Release();
}

TEST_F(Browser, RightClickAsksTheHostForTheContextMenu)
{
    ASSERT_EQ(S_OK, Go(u"about:blank"));
    ASSERT_TRUE(Finished(u"about:blank"));
    SendMessageW(view, WM_RBUTTONDOWN, 0, MAKELPARAM(50, 50));
    SendMessageW(view, WM_RBUTTONUP, 0, MAKELPARAM(50, 50));
    ASSERT_EQ(1u, host.contextMenus.size());
    EXPECT_EQ(DWORD(CONTEXT_MENU_DEFAULT), host.contextMenus[0]);
}

TEST_F(Browser, ThePageIsPaintedWhiteWithDarkText)
{
    server.Page("/text", "<p>WWWWWWWW MMMMMMMM</p>");
    server.Start();
    ASSERT_EQ(S_OK, Go(server.Url("/text")));
    ASSERT_TRUE(Finished(server.Url("/text")));
    UpdateWindow(view);
    Drain();

    HDC dc = GetDC(view);
    ASSERT_TRUE(dc);
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc, 250, 150)) << "the page is white below the text";
    int dark = 0;
    for (int y = 6; y < 30; ++y)
        for (int x = 6; x < 150; ++x) {
            COLORREF c = GetPixel(dc, x, y);
            if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 200)
                ++dark;
        }
    ReleaseDC(view, dc);
    EXPECT_GT(dark, 20) << "no text was drawn";
}

TEST_F(Browser, UnknownConnectionPointsAndVerbsAreRefused)
{
    IConnectionPointContainer *cpc = NULL;
    ASSERT_EQ(S_OK, browser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void **>(&cpc)));
    IConnectionPoint *cp = reinterpret_cast<IConnectionPoint *>(1);
    EXPECT_EQ(CONNECT_E_NOCONNECTION, cpc->FindConnectionPoint(DIID_DWebBrowserEvents, &cp));
    EXPECT_EQ(NULL, cp);
    cpc->Release();
    EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(cookie + 100));

    IOleInPlaceActiveObject *active = NULL;
    ASSERT_EQ(S_OK, browser->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void **>(&active)));
    MSG msg = {view, WM_KEYDOWN, 'A', 0, 0, {0, 0}};
    EXPECT_EQ(S_FALSE, active->TranslateAccelerator(&msg));
    active->Release();

    // SetObjectRects moves the control's window inside its container.
    IOleInPlaceObject *inplace = NULL;
    ASSERT_EQ(S_OK, browser->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void **>(&inplace)));
    RECT rc = {10, 20, 110, 70};
    ASSERT_EQ(S_OK, inplace->SetObjectRects(&rc, &rc));
    RECT now;
    GetWindowRect(view, &now);
    MapWindowPoints(NULL, host.parent, reinterpret_cast<POINT *>(&now), 2);
    EXPECT_EQ(10, now.left);
    EXPECT_EQ(20, now.top);
    EXPECT_EQ(100, now.right - now.left);
    EXPECT_EQ(50, now.bottom - now.top);
    ASSERT_EQ(S_OK, inplace->InPlaceDeactivate());
    EXPECT_FALSE(IsWindow(view));
    inplace->Release();
}

}  // namespace
