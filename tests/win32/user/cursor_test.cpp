// What Windows answers for the system's cursors and icons.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(Cursors, SystemCursorsAreSharedAndDistinct)
{
    LPCWSTR ids[] = {IDC_ARROW, IDC_IBEAM,   IDC_WAIT,   IDC_CROSS, IDC_SIZENWSE, IDC_SIZENESW,
                     IDC_SIZEWE, IDC_SIZENS, IDC_SIZEALL, IDC_NO,   IDC_HAND,     IDC_APPSTARTING};
    std::set<HCURSOR> seen;
    for (LPCWSTR id : ids) {
        HCURSOR c = LoadCursorW(nullptr, id);
        ASSERT_TRUE(c) << (ULONG_PTR)id;
        EXPECT_EQ(c, LoadCursorW(nullptr, id)) << "the same handle every time";
        seen.insert(c);
    }
    EXPECT_EQ(sizeof ids / sizeof ids[0], seen.size());
    EXPECT_EQ(nullptr, LoadCursorW(nullptr, MAKEINTRESOURCEW(1)));
    EXPECT_TRUE(LoadIconW(nullptr, IDI_APPLICATION));
    EXPECT_EQ(LoadIconW(nullptr, IDI_APPLICATION), LoadIconW(nullptr, IDI_APPLICATION));
}

TEST(Cursors, SetCursorAnswersThePreviousOne)
{
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW), sizing = LoadCursorW(nullptr, IDC_SIZENWSE);
    SetCursor(arrow);
    EXPECT_EQ(arrow, SetCursor(sizing));
    EXPECT_EQ(sizing, GetCursor());
    EXPECT_EQ(sizing, SetCursor(nullptr));
    EXPECT_EQ(nullptr, GetCursor());
    SetCursor(arrow);
}

}  // namespace
