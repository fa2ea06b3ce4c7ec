// What the dialog manager does with its items: text and numbers, tab order, and the keys of a dialog.
#include "control_dialog.h"
#include "support/WideString.h"
#include "win32/wine.h"

#include <string>

namespace {

TEST_F(ControlTest, ItemTextAndNumbers)
{
    SKIP_UNDER_WINE("GetDlgItemInt refuses \"-2147483648\", the smallest INT");
    Build({{kStatic, WS_CHILD, 1, TEXT(""), 0, 0, 10, 10}});
    struct Case {
        const WCHAR *text;
        BOOL is_signed;
        BOOL translated;
        UINT value;
        UINT read_on;  // undocumented: a sign read unsigned, or a trailing letter; the layer refuses, Wine reads on
    } cases[] = {
        {TEXT("123"), FALSE, TRUE, 123, 0},        {TEXT("  42 "), FALSE, TRUE, 42, 0},
        {TEXT("-17"), TRUE, TRUE, (UINT)-17, 0},   {TEXT("-17"), FALSE, FALSE, 0, (UINT)-17},
        {TEXT("12a"), FALSE, FALSE, 0, 12},     {TEXT(""), FALSE, FALSE, 0, 0},
        {TEXT("4294967295"), FALSE, TRUE, 4294967295u, 0},
        {TEXT("4294967296"), FALSE, FALSE, 0, 0},  {TEXT("2147483648"), TRUE, FALSE, 0, 0},
        {TEXT("-2147483648"), TRUE, TRUE, 0x80000000u, 0},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(SetDlgItemTextW(dialog, 1, c.text));
        BOOL translated = 2;
        const UINT value = GetDlgItemInt(dialog, 1, &translated, c.is_signed);
        if (c.read_on && value == c.read_on)
            continue;
        EXPECT_EQ(c.value, value) << "case " << (&c - cases);
        EXPECT_EQ(c.translated, translated) << "case " << (&c - cases);
    }
    SetDlgItemInt(dialog, 1, (UINT)-5, TRUE);
    WCHAR text[16];
    EXPECT_EQ(2u, GetDlgItemTextW(dialog, 1, text, 16));
    EXPECT_EQ(WideString(TEXT("-5")), text);
    SetDlgItemInt(dialog, 1, (UINT)-5, FALSE);
    GetDlgItemTextW(dialog, 1, text, 16);
    EXPECT_EQ(WideString(TEXT("4294967291")), text);
    text[0] = TEXT('x');
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
    SKIP_UNDER_WINE("GetNextDlgTabItem(dialog, NULL, TRUE) answers NULL, where a null start means the first control");
    Build({{kStatic, WS_CHILD | WS_VISIBLE, 10, TEXT("label"), 1, 1, 40, 10},
           {kButton, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 11, TEXT("a"), 1, 12, 40, 10},
           {kButton, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_DISABLED, 12, TEXT("off"), 1, 24, 40, 10},
           {kButton, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 13, TEXT("b"), 1, 36, 40, 10},
           {kButton, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, TEXT("OK"), 1, 48, 40, 10},
           {kButton, WS_CHILD | WS_VISIBLE | WS_TABSTOP, IDCANCEL, TEXT("Cancel"), 50, 48, 40, 10}});
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
    HWND stranger = CreateWindowExW(0, TEXT("Static"), TEXT(""), WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
    MSG elsewhere = Key(stranger, VK_RETURN);
    EXPECT_FALSE(IsDialogMessageW(dialog, &elsewhere));
    DestroyWindow(stranger);
}

}  // namespace
