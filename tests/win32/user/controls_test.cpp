// What the standard controls do: button clicks and checks, static notifications, the size grip,
// class names and dialog codes, and painting with the parent's colours.
#include "control_dialog.h"
#include "support/MessagePump.h"
#include "support/WideString.h"
#include "win32/wine.h"

#include <string>
#include <vector>

namespace {

TEST_F(ControlTest, ButtonClickTellsItsParent)
{
    SKIP_UNDER_WINE("BM_CLICK on a disabled button still notifies the parent; a disabled button sends no BN_CLICKED");
    Build({{kButton, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 7, TEXT("Push"), 1, 1, 40, 14}});
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
    SKIP_UNDOCUMENTED_UNDER_WINE("CheckDlgButton answers TRUE for an item that does not exist; its answer there is not documented");
    Build({{kButton, WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 1, TEXT("auto"), 1, 1, 60, 10},
           {kButton, WS_CHILD | WS_VISIBLE | BS_CHECKBOX, 2, TEXT("manual"), 1, 12, 60, 10},
           {kButton, WS_CHILD | WS_VISIBLE | BS_AUTO3STATE, 3, TEXT("three"), 1, 24, 60, 10},
           {kButton, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 4, TEXT("push"), 1, 36, 60, 10}});
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
    SKIP_UNDOCUMENTED_UNDER_WINE("a click on a group box notifies the parent; what a group box does with a click is not documented");
    Build({{kButton, WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 9, TEXT("Group"), 1, 1, 100, 50}});
    HWND group = Item(9);
    WCHAR name[8];
    EXPECT_EQ(6, GetClassNameW(group, name, 8));
    EXPECT_EQ(WideString(TEXT("Button")), name);
    WCHAR shorter[4];
    EXPECT_EQ(3, GetClassNameW(group, shorter, 4));
    EXPECT_EQ(WideString(TEXT("But")), shorter);
    EXPECT_EQ((DWORD)BS_GROUPBOX, (DWORD)GetWindowLongW(group, GWL_STYLE) & 0x10007);
    EXPECT_EQ(HTTRANSPARENT, SendMessageW(group, WM_NCHITTEST, 0, 0));
    EXPECT_EQ(DLGC_STATIC, SendMessageW(group, WM_GETDLGCODE, 0, 0));
    Click(group);
    EXPECT_TRUE(commands.empty());
}

TEST_F(ControlTest, DialogCodesTellTheDialogManagerWhatEachControlIs)
{
    Build({{kButton, WS_CHILD | BS_PUSHBUTTON, 1, TEXT(""), 0, 0, 10, 10},
           {kButton, WS_CHILD | BS_DEFPUSHBUTTON, 2, TEXT(""), 0, 0, 10, 10},
           {kButton, WS_CHILD | BS_AUTORADIOBUTTON, 3, TEXT(""), 0, 0, 10, 10},
           {kButton, WS_CHILD | BS_AUTOCHECKBOX, 4, TEXT(""), 0, 0, 10, 10},
           {kStatic, WS_CHILD | SS_LEFT, 5, TEXT(""), 0, 0, 10, 10}});
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
    Build({{kStatic, WS_CHILD | WS_VISIBLE | SS_NOTIFY, 1, TEXT("notify"), 1, 1, 40, 10},
           {kStatic, WS_CHILD | WS_VISIBLE, 2, TEXT("quiet"), 1, 12, 40, 10}});
    EXPECT_EQ(HTCLIENT, SendMessageW(Item(1), WM_NCHITTEST, 0, 0));
    EXPECT_EQ(HTTRANSPARENT, SendMessageW(Item(2), WM_NCHITTEST, 0, 0));
    Click(Item(1));
    Click(Item(2));
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ((Command{1, STN_CLICKED, Item(1)}), commands[0]);
}

TEST_F(ControlTest, SizeGripSizesItsWindowFromTheCorner)
{
    SKIP_UNDOCUMENTED_UNDER_WINE("its size grip answers HTCLIENT to WM_NCHITTEST, not HTBOTTOMRIGHT; the grip's hit-test code is "
                                 "not documented");
    Build({{kScrollBar, WS_CHILD | WS_VISIBLE | SBS_SIZEGRIP, 32767, TEXT(""), 180, 90, 10, 10},
           {kScrollBar, WS_CHILD | WS_VISIBLE | SBS_VERT, 5, TEXT(""), 1, 1, 10, 50}});
    // Hit-testing takes a screen point: one inside each control.
    auto inside = [&](int id) {
        RECT rc;
        GetWindowRect(Item(id), &rc);
        return MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    };
    EXPECT_EQ(HTBOTTOMRIGHT, SendMessageW(Item(32767), WM_NCHITTEST, 0, inside(32767)));
    EXPECT_EQ(HTCLIENT, SendMessageW(Item(5), WM_NCHITTEST, 0, inside(5)));
}

TEST_F(ControlTest, StaticTextPaintsWithTheParentsColours)
{
    static HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    static HWND asked_for = nullptr;
    DLGPROC proc = [](HWND, UINT msg, WPARAM wp, LPARAM lp) CALLBACK -> INT_PTR {
        if (msg == WM_CTLCOLORSTATIC) {
            asked_for = (HWND)lp;
            SetBkMode((HDC)wp, TRANSPARENT);
            return (INT_PTR)red;
        }
        return FALSE;
    };
    tmpl = MakeTemplate({{kStatic, WS_CHILD | WS_VISIBLE | SS_LEFT, 1, TEXT(""), 4, 4, 40, 10}}, WS_POPUP | WS_VISIBLE);
    dialog = CreateDialogIndirectParamW(nullptr, (LPCDLGTEMPLATEW)tmpl.data(), nullptr, proc, 0);
    ASSERT_TRUE(dialog);
    HWND label = Item(1);
    UpdateWindow(dialog);
    UpdateWindow(label);
    EXPECT_EQ(label, asked_for);
    RECT rc;
    GetWindowRect(label, &rc);
    // The display shows the painted pixels a moment later under Wine, as under a compositor.
    HDC screen = GetDC(nullptr);
    PumpUntil([&] { return GetPixel(screen, rc.left + 1, rc.top + 1) == RGB(255, 0, 0); });
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(screen, rc.left + 1, rc.top + 1));
    ReleaseDC(nullptr, screen);
    // New text repaints.
    asked_for = nullptr;
    SetWindowTextW(label, TEXT("again"));
    UpdateWindow(label);
    EXPECT_EQ(label, asked_for);
}

}  // namespace
