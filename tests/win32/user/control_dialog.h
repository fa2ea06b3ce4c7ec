// Test helpers for the standard controls and the dialog manager: dialogs built from in-memory
// templates whose procedure records every WM_COMMAND.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <vector>

struct Command {
    WORD id;
    WORD code;
    HWND from;
    bool operator==(const Command &o) const { return id == o.id && code == o.code && from == o.from; }
};

inline std::ostream &operator<<(std::ostream &os, const Command &c)
{
    return os << "{id " << c.id << ", code " << c.code << ", from " << (void *)c.from << "}";
}

inline std::vector<Command> &CommandLog()
{
    static std::vector<Command> log;
    return log;
}

inline INT_PTR CALLBACK CommandProc(HWND, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COMMAND)
        CommandLog().push_back({LOWORD(wp), HIWORD(wp), (HWND)lp});
    return msg == WM_INITDIALOG;
}

struct Item {
    WORD atom;
    DWORD style;
    WORD id;
    const WCHAR *title;
    short x, y, cx, cy;
};

// An in-memory template of a popup dialog with the given items.
inline std::vector<DWORD> MakeTemplate(const std::vector<Item> &items, DWORD style = WS_POPUP)
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
        for (const WCHAR *p = it.title;; ++p) {
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

constexpr WORD kButton = 0x0080, kStatic = 0x0082, kScrollBar = 0x0084;

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
    std::vector<Command> &commands = CommandLog();
};

inline void Click(HWND control, int x = 2, int y = 2)
{
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}
