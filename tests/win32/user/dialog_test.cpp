// What Windows does when it builds dialogs from templates: items, fonts, units, messages, failures.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/WideString.h"
#include "win32/wine.h"

namespace {

struct DialogEvent {
    UINT msg;
    WPARAM wparam;
    LPARAM lparam;
    bool visible;
    int children;
};

std::vector<DialogEvent> events;
INT_PTR init_answer = TRUE;

int CountChildren(HWND hwnd)
{
    int n = 0;
    for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        ++n;
    return n;
}

INT_PTR CALLBACK RecordingDlgProc(HWND hdlg, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_SETFONT || msg == WM_INITDIALOG || msg == WM_SHOWWINDOW || msg == WM_CREATE)
        events.push_back({msg, wp, lp, IsWindowVisible(hdlg) != FALSE, CountChildren(hdlg)});
    return msg == WM_INITDIALOG ? init_answer : FALSE;
}

WideString ClassOf(HWND hwnd)
{
    WCHAR name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

WideString TextOf(HWND hwnd)
{
    WCHAR text[128] = {};
    GetWindowTextW(hwnd, text, 128);
    return text;
}

// The item's rectangle in the dialog's client coordinates.
RECT ItemRect(HWND hdlg, int id)
{
    RECT rc = {};
    GetWindowRect(GetDlgItem(hdlg, id), &rc);
    MapWindowPoints(nullptr, hdlg, (POINT *)&rc, 2);
    return rc;
}

// Position and size converted separately, as the dialog manager converts item rectangles.
RECT Pixels(HWND hdlg, int x, int y, int cx, int cy)
{
    RECT pos = {x, y, x, y}, size = {0, 0, cx, cy};
    MapDialogRect(hdlg, &pos);
    MapDialogRect(hdlg, &size);
    return {pos.left, pos.top, pos.left + size.right, pos.top + size.bottom};
}

void ExpectRect(const RECT &expected, const RECT &actual, int id)
{
    EXPECT_EQ(expected.left, actual.left) << "item " << id;
    EXPECT_EQ(expected.top, actual.top) << "item " << id;
    EXPECT_EQ(expected.right, actual.right) << "item " << id;
    EXPECT_EQ(expected.bottom, actual.bottom) << "item " << id;
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        events.clear();
        init_answer = TRUE;
    }
    HINSTANCE module = GetModuleHandleW(nullptr);
};

TEST_F(DialogTest, ClassicTemplateBuildsEveryItemWithItsClassIdStyleTextAndRectangle)
{
    HWND hdlg = CreateDialogParamW(module, MAKEINTRESOURCEW(100), nullptr, RecordingDlgProc, 0);
    ASSERT_TRUE(hdlg);
    EXPECT_EQ(TEXT("#32770"), ClassOf(hdlg));
    EXPECT_EQ(TEXT("Classic"), TextOf(hdlg));
    struct Item {
        int id;
        const WCHAR *cls;
        DWORD style;
        const WCHAR *text;
        int x, y, cx, cy;
    } items[] = {
        {200, TEXT("Static"), 0x50000000, TEXT("Label"), 5, 5, 100, 10},
        {201, TEXT("Button"), 0x50000007, TEXT("Group"), 5, 20, 120, 40},
        {202, TEXT("Button"), 0x50010003, TEXT("Check"), 10, 32, 60, 10},
        {1, TEXT("Button"), 0x50010001, TEXT("OK"), 10, 70, 50, 14},
        {2, TEXT("Button"), 0x50010000, TEXT("Cancel"), 70, 70, 50, 14},
        {1001, TEXT("ScrollBar"), 0x50000010, TEXT(""), 190, 90, 10, 10},
    };
    HWND expected_order = GetWindow(hdlg, GW_CHILD);
    for (const Item &item : items) {
        HWND c = GetDlgItem(hdlg, item.id);
        ASSERT_TRUE(c) << item.id;
        EXPECT_EQ(expected_order, c) << "items stack in template order";
        expected_order = GetWindow(c, GW_HWNDNEXT);
        EXPECT_EQ(item.cls, ClassOf(c));
        EXPECT_EQ(item.style, (DWORD)GetWindowLongW(c, GWL_STYLE)) << item.id;
        EXPECT_EQ(item.text, TextOf(c));
        ExpectRect(Pixels(hdlg, item.x, item.y, item.cx, item.cy), ItemRect(hdlg, item.id), item.id);
    }
    // The template's size is the client area's.
    RECT client;
    GetClientRect(hdlg, &client);
    RECT size = {0, 0, 200, 100};
    MapDialogRect(hdlg, &size);
    EXPECT_EQ(size.right, client.right);
    EXPECT_EQ(size.bottom, client.bottom);
    EXPECT_FALSE(IsWindowVisible(hdlg));  // the template has no WS_VISIBLE
    DestroyWindow(hdlg);
}

TEST_F(DialogTest, FontComesBeforeTheItemsAndInitDialogBeforeTheDialogShows)
{
    LPARAM param = 0x1234;
    HWND hdlg = CreateDialogParamW(module, MAKEINTRESOURCEW(201), nullptr, RecordingDlgProc, param);
    ASSERT_TRUE(hdlg);
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ((UINT)WM_SETFONT, events[0].msg);
    EXPECT_EQ(0, events[0].children);
    EXPECT_NE(0u, events[0].wparam);
    EXPECT_EQ((UINT)WM_INITDIALOG, events[1].msg);
    EXPECT_EQ(3, events[1].children);
    EXPECT_FALSE(events[1].visible);
    EXPECT_EQ(param, events[1].lparam);
    // wParam names the first control with WS_TABSTOP; answering TRUE gives it the focus.
    EXPECT_EQ((WPARAM)GetDlgItem(hdlg, 11), events[1].wparam);
    EXPECT_EQ(GetDlgItem(hdlg, 11), GetFocus());
    EXPECT_EQ((UINT)WM_SHOWWINDOW, events[2].msg);
    EXPECT_TRUE(IsWindowVisible(hdlg));
    for (const DialogEvent &e : events)
        EXPECT_NE((UINT)WM_CREATE, e.msg) << "the dialog procedure does not see WM_CREATE";
    // Every item carries the dialog's font.
    HFONT font = (HFONT)SendMessageW(hdlg, WM_GETFONT, 0, 0);
    EXPECT_EQ((HFONT)events[0].wparam, font);
    for (int id : {10, 11, 12})
        EXPECT_EQ(font, (HFONT)SendDlgItemMessageW(hdlg, id, WM_GETFONT, 0, 0)) << id;
    DestroyWindow(hdlg);
}

TEST_F(DialogTest, InitDialogAnsweringFalseLeavesTheFocusAlone)
{
    init_answer = FALSE;
    HWND other = CreateWindowExW(0, TEXT("Button"), TEXT("elsewhere"), WS_POPUP | WS_VISIBLE, 0, 0, 50, 20, nullptr, nullptr,
                                 module, nullptr);
    SetFocus(other);
    HWND hdlg = CreateDialogParamW(module, MAKEINTRESOURCEW(100), nullptr, RecordingDlgProc, 0);
    ASSERT_TRUE(hdlg);
    EXPECT_EQ(other, GetFocus());
    DestroyWindow(hdlg);
    DestroyWindow(other);
}

TEST_F(DialogTest, FocusChosenDuringInitDialogSurvivesTheDialogShowing)
{
    DLGPROC proc = [](HWND hdlg, UINT msg, WPARAM, LPARAM) CALLBACK -> INT_PTR {
        if (msg != WM_INITDIALOG)
            return FALSE;
        SetFocus(GetDlgItem(hdlg, 12));
        return FALSE;
    };
    HWND hdlg = CreateDialogParamW(module, MAKEINTRESOURCEW(201), nullptr, proc, 0);
    ASSERT_TRUE(hdlg);
    EXPECT_TRUE(IsWindowVisible(hdlg));
    EXPECT_EQ(GetDlgItem(hdlg, 12), GetFocus());
    DestroyWindow(hdlg);
}

TEST_F(DialogTest, ChildPageSitsInsideItsParentWithoutCaption)
{
    HWND parent = CreateWindowExW(0, TEXT("#32770"), TEXT("host"), WS_POPUP, 50, 50, 600, 600, nullptr, nullptr, module,
                                  nullptr);
    ASSERT_TRUE(parent);
    HWND page = CreateDialogParamW(module, MAKEINTRESOURCEW(200), parent, RecordingDlgProc, 0);
    ASSERT_TRUE(page);
    EXPECT_EQ(parent, GetParent(page));
    DWORD style = (DWORD)GetWindowLongW(page, GWL_STYLE);
    EXPECT_EQ((DWORD)WS_CHILD, style & (WS_CHILD | WS_POPUP | WS_CAPTION | WS_VISIBLE));
    EXPECT_TRUE(style & DS_CONTROL);
    DWORD ex_style = (DWORD)GetWindowLongW(page, GWL_EXSTYLE);
    EXPECT_TRUE(ex_style & WS_EX_CONTROLPARENT);
    EXPECT_TRUE(ex_style & WS_EX_TRANSPARENT);
    RECT rc;
    GetWindowRect(page, &rc);
    MapWindowPoints(nullptr, parent, (POINT *)&rc, 2);
    EXPECT_EQ(0, rc.left);
    EXPECT_EQ(0, rc.top);
    EXPECT_EQ(TEXT("\u6211\u7684\u6743\u9650"), TextOf(GetDlgItem(page, 8000)));
    EXPECT_EQ((DWORD)0x50021000, (DWORD)GetWindowLongW(GetDlgItem(page, 8000), GWL_STYLE));
    ExpectRect(Pixels(page, 1, 87, 184, 53), ItemRect(page, 8001), 8001);
    RECT client;
    GetClientRect(page, &client);
    RECT size = {0, 0, 185, 235};
    MapDialogRect(page, &size);
    EXPECT_EQ(size.right, client.right);
    EXPECT_EQ(size.bottom, client.bottom);
    DestroyWindow(parent);
    EXPECT_FALSE(IsWindow(page));
}

TEST_F(DialogTest, DialogUnitsFollowTheFont)
{
    HWND hdlg = CreateDialogParamW(module, MAKEINTRESOURCEW(100), nullptr, nullptr, 0);
    ASSERT_TRUE(hdlg);
    RECT units = {0, 0, 4, 8};
    ASSERT_TRUE(MapDialogRect(hdlg, &units));
    EXPECT_GT(units.right, 0);   // one base unit across
    EXPECT_GT(units.bottom, 0);  // one base unit down
    RECT twice = {0, 0, 8, 16};
    MapDialogRect(hdlg, &twice);
    EXPECT_EQ(2 * units.right, twice.right);
    EXPECT_EQ(2 * units.bottom, twice.bottom);
    DestroyWindow(hdlg);

    HWND plain = CreateWindowExW(0, TEXT("Static"), TEXT(""), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, module, nullptr);
    RECT rc = {0, 0, 4, 8};
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(MapDialogRect(plain, &rc));
    DestroyWindow(plain);
    LONG base = GetDialogBaseUnits();
    EXPECT_GT(LOWORD(base), 0);
    EXPECT_GT(HIWORD(base), LOWORD(base));
}

TEST_F(DialogTest, MissingTemplateFailsCleanly)
{
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, CreateDialogParamW(module, MAKEINTRESOURCEW(999), nullptr, RecordingDlgProc, 0));
    DWORD error = GetLastError();
    EXPECT_TRUE(error == ERROR_RESOURCE_NAME_NOT_FOUND || error == ERROR_RESOURCE_TYPE_NOT_FOUND) << error;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, CreateDialogParamW(module, TEXT("NO_SUCH_DIALOG"), nullptr, RecordingDlgProc, 0));
    error = GetLastError();
    EXPECT_TRUE(error == ERROR_RESOURCE_NAME_NOT_FOUND || error == ERROR_RESOURCE_TYPE_NOT_FOUND) << error;
    EXPECT_TRUE(events.empty());
}

int CountThreadWindows()
{
    int n = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND, LPARAM lp) CALLBACK -> BOOL {
            ++*(int *)lp;
            return TRUE;
        },
        (LPARAM)&n);
    return n;
}

TEST_F(DialogTest, AnItemThatCannotBeCreatedFailsTheDialogUnlessToldOtherwise)
{
    SKIP_UNDER_WINE("a dialog refused for an item of an unregistered class leaves the last error at 0, where the failed "
                    "window creation names the missing class");
    int before = CountThreadWindows();
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, CreateDialogParamW(module, MAKEINTRESOURCEW(300), nullptr, RecordingDlgProc, 0));
    EXPECT_EQ((DWORD)ERROR_CANNOT_FIND_WND_CLASS, GetLastError());
    EXPECT_EQ(before, CountThreadWindows()) << "the half-built dialog is destroyed";
    for (const DialogEvent &e : events)
        EXPECT_NE((UINT)WM_INITDIALOG, e.msg);

    HWND hdlg = CreateDialogParamW(module, MAKEINTRESOURCEW(301), nullptr, RecordingDlgProc, 0);
    ASSERT_TRUE(hdlg);
    EXPECT_TRUE(GetDlgItem(hdlg, 20));
    EXPECT_FALSE(GetDlgItem(hdlg, 21));
    EXPECT_TRUE(GetDlgItem(hdlg, 22));
    DestroyWindow(hdlg);
}

// Builds a template in a generously sized, zero-filled, DWORD-aligned buffer.
struct TemplateBytes {
    std::vector<DWORD> storage = std::vector<DWORD>(16384);
    size_t pos = 0;
    BYTE *bytes() { return (BYTE *)storage.data(); }
    void word(WORD w) { memcpy(bytes() + pos, &w, 2), pos += 2; }
    void dword(DWORD d) { memcpy(bytes() + pos, &d, 4), pos += 4; }
    void text(const WCHAR *s)
    {
        do
            word(*s);
        while (*s++);
    }
    void align() { pos = (pos + 3) & ~(size_t)3; }
    LPCDLGTEMPLATEW get() { return (LPCDLGTEMPLATEW)storage.data(); }
    void header(DWORD style, WORD count)
    {
        dword(style), dword(0), word(count), word(0), word(0), word(100), word(50);
        word(0), word(0), word(0);  // no menu, the dialog class, no title
    }
    void item(DWORD style, WORD id, WORD class_atom, const WCHAR *title)
    {
        align();
        dword(style), dword(0), word(1), word(1), word(20), word(8), word(id);
        word(0xFFFF), word(class_atom);
        text(title);
        word(0);
    }
};

TEST_F(DialogTest, CraftedTemplatesAreReadAsWindowsReadsThem)
{
    TemplateBytes empty;
    empty.header(WS_POPUP, 0);
    HWND hdlg = CreateDialogIndirectParamW(module, empty.get(), nullptr, RecordingDlgProc, 0);
    ASSERT_TRUE(hdlg);
    EXPECT_EQ(nullptr, GetWindow(hdlg, GW_CHILD));
    DestroyWindow(hdlg);

    TemplateBytes two;
    two.header(WS_POPUP, 2);
    two.item(WS_CHILD | WS_VISIBLE, 5, 0x0082, TEXT("static"));
    two.item(WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 6, 0x0080, TEXT("check"));
    hdlg = CreateDialogIndirectParamW(module, two.get(), nullptr, RecordingDlgProc, 0);
    ASSERT_TRUE(hdlg);
    EXPECT_EQ(TEXT("Static"), ClassOf(GetDlgItem(hdlg, 5)));
    EXPECT_EQ(TEXT("Button"), ClassOf(GetDlgItem(hdlg, 6)));
    EXPECT_EQ(TEXT("check"), TextOf(GetDlgItem(hdlg, 6)));
    DestroyWindow(hdlg);
}

TEST_F(DialogTest, MalformedTemplatesFailWithoutHarm)
{
    // More items promised than written: the first missing one reads as an item without a class.
    TemplateBytes absurd;
    absurd.header(WS_POPUP, 0xFFFF);
    absurd.item(WS_CHILD, 5, 0x0082, TEXT("only one"));
    // An item of an unknown predefined class.
    TemplateBytes unknown;
    unknown.header(WS_POPUP, 1);
    unknown.item(WS_CHILD, 5, 0x0099, TEXT("what"));
    for (TemplateBytes *t : {&absurd, &unknown}) {
        int before = CountThreadWindows();
        SetLastError(0xdeadbeef);
        EXPECT_EQ(nullptr, CreateDialogIndirectParamW(module, t->get(), nullptr, RecordingDlgProc, 0));
        EXPECT_NE(0xdeadbeefu, GetLastError());
        EXPECT_EQ(before, CountThreadWindows());
    }
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, CreateDialogIndirectParamW(module, nullptr, nullptr, RecordingDlgProc, 0));
}

// Layer behaviour: a template resource that ends early is refused rather than read past its end
// (Windows reads on into whatever follows it).
TEST_F(DialogTest, TruncatedTemplateResourceIsRefused)
{
    int before = CountThreadWindows();
    EXPECT_EQ(nullptr, CreateDialogParamW(module, MAKEINTRESOURCEW(400), nullptr, RecordingDlgProc, 0));
    EXPECT_EQ(before, CountThreadWindows());
    EXPECT_TRUE(events.empty() || events.back().msg != WM_INITDIALOG);
}

INT_PTR CALLBACK ModalProc(HWND hdlg, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_INITDIALOG) {
        PostMessageW(hdlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        SetWindowLongPtrW(hdlg, DWLP_USER, lp);
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wp) == IDOK) {
        // When the dialog shows is the dialog manager's choice (Windows waits for an empty queue).
        EXPECT_FALSE(IsWindowEnabled(GetWindow(hdlg, GW_OWNER))) << "the owner is disabled while the dialog runs";
        EndDialog(hdlg, GetWindowLongPtrW(hdlg, DWLP_USER) + 1);
        return TRUE;
    }
    return FALSE;
}

TEST_F(DialogTest, ModalDialogReturnsWhatEndDialogWasGiven)
{
    HWND owner = CreateWindowExW(0, TEXT("#32770"), TEXT("owner"), WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, module, nullptr);
    ASSERT_TRUE(owner);
    int before = CountThreadWindows();
    EXPECT_EQ(42, DialogBoxParamW(module, MAKEINTRESOURCEW(100), owner, ModalProc, 41));
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(before, CountThreadWindows()) << "the dialog is gone";
    EXPECT_EQ(-1, DialogBoxParamW(module, MAKEINTRESOURCEW(999), owner, ModalProc, 0));
    DestroyWindow(owner);
}

TEST_F(DialogTest, DialogProcResultReachesTheSenderThroughMsgResult)
{
    static const UINT kAsk = WM_APP + 5;
    DLGPROC proc = [](HWND hdlg, UINT msg, WPARAM, LPARAM) CALLBACK -> INT_PTR {
        if (msg == kAsk) {
            SetWindowLongPtrW(hdlg, DWLP_MSGRESULT, 777);
            return TRUE;
        }
        return FALSE;
    };
    HWND hdlg = CreateDialogParamW(module, MAKEINTRESOURCEW(100), nullptr, proc, 0);
    ASSERT_TRUE(hdlg);
    EXPECT_EQ((LPARAM)proc, GetWindowLongPtrW(hdlg, DWLP_DLGPROC));
    EXPECT_EQ(777, SendMessageW(hdlg, kAsk, 0, 0));
    EXPECT_EQ(0, SendMessageW(hdlg, kAsk + 1, 0, 0));
    // Closing presses Cancel: WM_COMMAND IDCANCEL arrives, the dialog itself stays.
    SendMessageW(hdlg, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hdlg));
    MSG msg;
    bool cancel = false;
    while (PeekMessageW(&msg, hdlg, 0, 0, PM_REMOVE))
        cancel |= msg.message == WM_COMMAND && LOWORD(msg.wParam) == IDCANCEL;
    EXPECT_TRUE(cancel);
    DestroyWindow(hdlg);
}

}  // namespace
