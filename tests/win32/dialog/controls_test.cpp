// What the standard controls do: button clicks and checks, static notifications, the size grip,
// class names, item text and numbers, and the dialog manager's keys.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Command {
    WORD id;
    WORD code;
    HWND from;
    bool operator==(const Command &o) const { return id == o.id && code == o.code && from == o.from; }
};

std::ostream &operator<<(std::ostream &os, const Command &c)
{
    return os << "{id " << c.id << ", code " << c.code << ", from " << (void *)c.from << "}";
}

std::vector<Command> commands;

INT_PTR CALLBACK CommandProc(HWND, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COMMAND)
        commands.push_back({LOWORD(wp), HIWORD(wp), (HWND)lp});
    return msg == WM_INITDIALOG;
}

struct Item {
    WORD atom;
    DWORD style;
    WORD id;
    const char16_t *title;
    short x, y, cx, cy;
};

// An in-memory template of popup dialog with the given items.
std::vector<DWORD> MakeTemplate(const std::vector<Item> &items, DWORD style = WS_POPUP)
{
    std::vector<BYTE> b;
    auto word = [&](WORD w) { b.push_back((BYTE)w), b.push_back((BYTE)(w >> 8)); };
    auto dword = [&](DWORD d) { word((WORD)d), word((WORD)(d >> 16)); };
    dword(style), dword(0), word((WORD)items.size()), word(0), word(0), word(200), word(100);
    word(0), word(0), word(0);
    for (const Item &it : items) {
        while (b.size() % 4)
            b.push_back(0);
        dword(it.style), dword(0), word(it.x), word(it.y), word(it.cx), word(it.cy), word(it.id);
        word(0xFFFF), word(it.atom);
        for (const char16_t *p = it.title;; ++p) {
            word(*p);
            if (!*p)
                break;
        }
        word(0);
    }
    std::vector<DWORD> out((b.size() + 3) / 4 + 1);
    memcpy(out.data(), b.data(), b.size());
    return out;
}

const WORD kButton = 0x0080, kStatic = 0x0082, kScrollBar = 0x0084;

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override { commands.clear(); }
    void TearDown() override
    {
        if (dialog)
            DestroyWindow(dialog);
    }
    HWND Build(const std::vector<Item> &items)
    {
        tmpl = MakeTemplate(items);
        dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), (LPCDLGTEMPLATEW)tmpl.data(), nullptr,
                                            CommandProc, 0);
        EXPECT_TRUE(dialog);
        commands.clear();
        return dialog;
    }
    HWND Item(int id) { return GetDlgItem(dialog, id); }
    std::vector<DWORD> tmpl;
    HWND dialog = nullptr;
};

void Click(HWND control, int x = 2, int y = 2)
{
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

TEST_F(ControlTest, ButtonClickTellsItsParent)
{
    Build({{kButton, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 7, u"Push", 1, 1, 40, 14}});
    HWND button = Item(7);
    Click(button);
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ((Command{7, BN_CLICKED, button}), commands[0]);

    // Released outside: no click. BM_CLICK: a click.
    commands.clear();
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(-5, 300));
    EXPECT_TRUE(commands.empty());
    SendMessageW(button, BM_CLICK, 0, 0);
    EXPECT_EQ(1u, commands.size());

    // A disabled button does nothing for BM_CLICK.
    commands.clear();
    EnableWindow(button, FALSE);
    SendMessageW(button, BM_CLICK, 0, 0);
    EXPECT_TRUE(commands.empty());
}

TEST_F(ControlTest, CheckBoxesKeepTheirStateByKind)
{
    Build({{kButton, WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 1, u"auto", 1, 1, 60, 10},
           {kButton, WS_CHILD | WS_VISIBLE | BS_CHECKBOX, 2, u"manual", 1, 12, 60, 10},
           {kButton, WS_CHILD | WS_VISIBLE | BS_AUTO3STATE, 3, u"three", 1, 24, 60, 10},
           {kButton, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 4, u"push", 1, 36, 60, 10}});
    struct Case {
        int id;
        std::vector<UINT> after_clicks;
    } cases[] = {
        {1, {BST_CHECKED, BST_UNCHECKED, BST_CHECKED}},
        {2, {BST_UNCHECKED, BST_UNCHECKED}},  // a manual check box leaves it to the parent
        {3, {BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}},
        {4, {BST_UNCHECKED}},
    };
    for (const Case &c : cases) {
        for (UINT expected : c.after_clicks) {
            Click(Item(c.id));
            EXPECT_EQ(expected, IsDlgButtonChecked(dialog, c.id)) << "button " << c.id;
        }
    }
    EXPECT_EQ(9u, commands.size());  // every click is announced, whatever the kind
    // Set directly: an indeterminate state on a two-state box reads as checked.
    CheckDlgButton(dialog, 2, BST_CHECKED);
    EXPECT_EQ((UINT)BST_CHECKED, IsDlgButtonChecked(dialog, 2));
    CheckDlgButton(dialog, 3, BST_INDETERMINATE);
    EXPECT_EQ((UINT)BST_INDETERMINATE, IsDlgButtonChecked(dialog, 3));
    EXPECT_FALSE(CheckDlgButton(dialog, 99, BST_CHECKED));
}

TEST_F(ControlTest, GroupBoxIsAButtonThatTakesNoClicks)
{
    Build({{kButton, WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 9, u"Group", 1, 1, 100, 50}});
    HWND group = Item(9);
    WCHAR name[8];
    EXPECT_EQ(6, GetClassNameW(group, name, 8));
    EXPECT_EQ(std::u16string(u"Button"), name);
    WCHAR shorter[4];
    EXPECT_EQ(3, GetClassNameW(group, shorter, 4));
    EXPECT_EQ(std::u16string(u"But"), shorter);
    EXPECT_EQ((DWORD)BS_GROUPBOX, (DWORD)GetWindowLongW(group, GWL_STYLE) & 0x10007);
    EXPECT_EQ(HTTRANSPARENT, SendMessageW(group, WM_NCHITTEST, 0, 0));
    EXPECT_EQ(DLGC_STATIC, SendMessageW(group, WM_GETDLGCODE, 0, 0));
    Click(group);
    EXPECT_TRUE(commands.empty());
}

TEST_F(ControlTest, DialogCodesTellTheDialogManagerWhatEachControlIs)
{
    Build({{kButton, WS_CHILD | BS_PUSHBUTTON, 1, u"", 0, 0, 10, 10},
           {kButton, WS_CHILD | BS_DEFPUSHBUTTON, 2, u"", 0, 0, 10, 10},
           {kButton, WS_CHILD | BS_AUTORADIOBUTTON, 3, u"", 0, 0, 10, 10},
           {kButton, WS_CHILD | BS_AUTOCHECKBOX, 4, u"", 0, 0, 10, 10},
           {kStatic, WS_CHILD | SS_LEFT, 5, u"", 0, 0, 10, 10}});
    struct Case {
        int id;
        LRESULT code;
    } cases[] = {{1, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON},
                 {2, DLGC_BUTTON | DLGC_DEFPUSHBUTTON},
                 {3, DLGC_BUTTON | DLGC_RADIOBUTTON},
                 {4, DLGC_BUTTON},
                 {5, DLGC_STATIC}};
    for (const Case &c : cases)
        EXPECT_EQ(c.code, SendMessageW(Item(c.id), WM_GETDLGCODE, 0, 0)) << c.id;
    // The default push button is the dialog's default identifier.
    EXPECT_EQ(MAKELRESULT(2, DC_HASDEFID), SendMessageW(dialog, DM_GETDEFID, 0, 0));
}

TEST_F(ControlTest, StaticNotifiesOnlyWithSsNotify)
{
    Build({{kStatic, WS_CHILD | WS_VISIBLE | SS_NOTIFY, 1, u"notify", 1, 1, 40, 10},
           {kStatic, WS_CHILD | WS_VISIBLE, 2, u"quiet", 1, 12, 40, 10}});
    EXPECT_EQ(HTCLIENT, SendMessageW(Item(1), WM_NCHITTEST, 0, 0));
    EXPECT_EQ(HTTRANSPARENT, SendMessageW(Item(2), WM_NCHITTEST, 0, 0));
    Click(Item(1));
    Click(Item(2));
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ((Command{1, STN_CLICKED, Item(1)}), commands[0]);
}

TEST_F(ControlTest, SizeGripSizesItsWindowFromTheCorner)
{
    Build({{kScrollBar, WS_CHILD | WS_VISIBLE | SBS_SIZEGRIP, 32767, u"", 180, 90, 10, 10},
           {kScrollBar, WS_CHILD | WS_VISIBLE | SBS_VERT, 5, u"", 1, 1, 10, 50}});
    EXPECT_EQ(HTBOTTOMRIGHT, SendMessageW(Item(32767), WM_NCHITTEST, 0, 0));
    EXPECT_EQ(HTCLIENT, SendMessageW(Item(5), WM_NCHITTEST, 0, 0));
}

TEST_F(ControlTest, ItemTextAndNumbers)
{
    Build({{kStatic, WS_CHILD, 1, u"", 0, 0, 10, 10}});
    struct Case {
        const char16_t *text;
        BOOL is_signed;
        BOOL translated;
        UINT value;
    } cases[] = {
        {u"123", FALSE, TRUE, 123},        {u"  42 ", FALSE, TRUE, 42},
        {u"-17", TRUE, TRUE, (UINT)-17},   {u"-17", FALSE, FALSE, 0},
        {u"12a", FALSE, FALSE, 0},         {u"", FALSE, FALSE, 0},
        {u"4294967295", FALSE, TRUE, 4294967295u},
        {u"4294967296", FALSE, FALSE, 0},  {u"2147483648", TRUE, FALSE, 0},
        {u"-2147483648", TRUE, TRUE, 0x80000000u},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(SetDlgItemTextW(dialog, 1, c.text));
        BOOL translated = 2;
        EXPECT_EQ(c.value, GetDlgItemInt(dialog, 1, &translated, c.is_signed)) << (const char *)nullptr;
        EXPECT_EQ(c.translated, translated);
    }
    SetDlgItemInt(dialog, 1, (UINT)-5, TRUE);
    WCHAR text[16];
    EXPECT_EQ(2u, GetDlgItemTextW(dialog, 1, text, 16));
    EXPECT_EQ(std::u16string(u"-5"), text);
    SetDlgItemInt(dialog, 1, (UINT)-5, FALSE);
    GetDlgItemTextW(dialog, 1, text, 16);
    EXPECT_EQ(std::u16string(u"4294967291"), text);
    text[0] = u'x';
    EXPECT_EQ(0u, GetDlgItemTextW(dialog, 99, text, 16));
    EXPECT_EQ(0, text[0]);
}

MSG Key(HWND hwnd, WPARAM vk, UINT msg = WM_KEYDOWN)
{
    MSG m = {};
    m.hwnd = hwnd;
    m.message = msg;
    m.wParam = vk;
    return m;
}

TEST_F(ControlTest, DialogKeysMoveTheFocusAndPressOkAndCancel)
{
    Build({{kStatic, WS_CHILD | WS_VISIBLE, 10, u"label", 1, 1, 40, 10},
           {kButton, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 11, u"a", 1, 12, 40, 10},
           {kButton, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_DISABLED, 12, u"off", 1, 24, 40, 10},
           {kButton, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 13, u"b", 1, 36, 40, 10},
           {kButton, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, u"OK", 1, 48, 40, 10},
           {kButton, WS_CHILD | WS_VISIBLE | WS_TABSTOP, IDCANCEL, u"Cancel", 50, 48, 40, 10}});
    EXPECT_EQ(Item(11), GetNextDlgTabItem(dialog, nullptr, FALSE));
    EXPECT_EQ(Item(IDCANCEL), GetNextDlgTabItem(dialog, nullptr, TRUE));
    EXPECT_EQ(Item(13), GetNextDlgTabItem(dialog, Item(11), FALSE)) << "disabled controls are passed over";
    EXPECT_EQ(Item(11), GetNextDlgTabItem(dialog, Item(IDCANCEL), FALSE)) << "the order wraps";
    EXPECT_EQ(Item(11), GetNextDlgTabItem(dialog, Item(13), TRUE));

    SetFocus(Item(11));
    MSG tab = Key(Item(11), VK_TAB);
    EXPECT_TRUE(IsDialogMessageW(dialog, &tab));
    EXPECT_EQ(Item(13), GetFocus());
    MSG shift = Key(Item(13), VK_SHIFT), shift_tab = Key(Item(13), VK_TAB), shift_up = Key(Item(13), VK_SHIFT, WM_KEYUP);
    IsDialogMessageW(dialog, &shift);
    IsDialogMessageW(dialog, &shift_tab);
    IsDialogMessageW(dialog, &shift_up);
    EXPECT_EQ(Item(11), GetFocus());

    // Enter on a check box presses the default button; on a push button, that button.
    MSG enter = Key(Item(11), VK_RETURN), esc = Key(Item(11), VK_ESCAPE), enter_b = Key(Item(13), VK_RETURN);
    EXPECT_TRUE(IsDialogMessageW(dialog, &enter));
    EXPECT_TRUE(IsDialogMessageW(dialog, &esc));
    EXPECT_TRUE(IsDialogMessageW(dialog, &enter_b));
    std::vector<Command> expected = {{IDOK, BN_CLICKED, Item(IDOK)},
                                     {IDCANCEL, BN_CLICKED, Item(IDCANCEL)},
                                     {13, BN_CLICKED, Item(13)}};
    EXPECT_EQ(expected, commands);

    // Messages of other windows are not the dialog's.
    HWND stranger = CreateWindowExW(0, u"Static", u"", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
    MSG elsewhere = Key(stranger, VK_RETURN);
    EXPECT_FALSE(IsDialogMessageW(dialog, &elsewhere));
    DestroyWindow(stranger);
}

TEST_F(ControlTest, StaticTextPaintsWithTheParentsColours)
{
    static HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    static HWND asked_for = nullptr;
    DLGPROC proc = [](HWND, UINT msg, WPARAM wp, LPARAM lp) -> INT_PTR {
        if (msg == WM_CTLCOLORSTATIC) {
            asked_for = (HWND)lp;
            SetBkMode((HDC)wp, TRANSPARENT);
            return (INT_PTR)red;
        }
        return FALSE;
    };
    tmpl = MakeTemplate({{kStatic, WS_CHILD | WS_VISIBLE | SS_LEFT, 1, u"", 4, 4, 40, 10}}, WS_POPUP | WS_VISIBLE);
    dialog = CreateDialogIndirectParamW(nullptr, (LPCDLGTEMPLATEW)tmpl.data(), nullptr, proc, 0);
    ASSERT_TRUE(dialog);
    HWND label = Item(1);
    UpdateWindow(dialog);
    UpdateWindow(label);
    EXPECT_EQ(label, asked_for);
    RECT rc;
    GetWindowRect(label, &rc);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(screen, rc.left + 1, rc.top + 1));
    ReleaseDC(nullptr, screen);
    // New text repaints.
    asked_for = nullptr;
    SetWindowTextW(label, u"again");
    UpdateWindow(label);
    EXPECT_EQ(label, asked_for);
}

}  // namespace
