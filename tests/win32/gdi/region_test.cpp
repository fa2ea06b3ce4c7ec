// What Windows does with region algebra: result kinds, exact point sets, boxes and comparisons.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

namespace {

struct Rgn {
    HRGN h;
    Rgn(int l, int t, int r, int b) : h(CreateRectRgn(l, t, r, b)) {}
    ~Rgn() { DeleteObject(h); }
    operator HRGN() const { return h; }
};

// Every point of a 0..20 grid that the region holds, as a bit string.
std::vector<bool> Points(HRGN rgn)
{
    std::vector<bool> out;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            out.push_back(PtInRegion(rgn, x, y) != FALSE);
    return out;
}

TEST(GdiRegion, CombineModesGiveExactPointSetsAndKinds)
{
    // a = [2,10) x [2,10), b = [6,14) x [6,14)
    auto inA = [](int x, int y) { return x >= 2 && x < 10 && y >= 2 && y < 10; };
    auto inB = [](int x, int y) { return x >= 6 && x < 14 && y >= 6 && y < 14; };
    struct Case {
        int mode;
        int kind;
        RECT box;
        bool (*expect)(bool, bool);
    } cases[] = {
        {RGN_AND, SIMPLEREGION, {6, 6, 10, 10}, [](bool a, bool b) { return a && b; }},
        {RGN_OR, COMPLEXREGION, {2, 2, 14, 14}, [](bool a, bool b) { return a || b; }},
        {RGN_XOR, COMPLEXREGION, {2, 2, 14, 14}, [](bool a, bool b) { return a != b; }},
        {RGN_DIFF, COMPLEXREGION, {2, 2, 10, 10}, [](bool a, bool b) { return a && !b; }},
        {RGN_COPY, SIMPLEREGION, {2, 2, 10, 10}, [](bool a, bool) { return a; }},
    };
    for (const Case &c : cases) {
        Rgn a(2, 2, 10, 10), b(6, 6, 14, 14), dst(0, 0, 0, 0);
        EXPECT_EQ(c.kind, CombineRgn(dst, a, b, c.mode)) << "mode " << c.mode;
        RECT box;
        EXPECT_EQ(c.kind, GetRgnBox(dst, &box));
        EXPECT_TRUE(EqualRect(&box, &c.box)) << "mode " << c.mode;
        std::vector<bool> expected;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
                expected.push_back(c.expect(inA(x, y), inB(x, y)));
        EXPECT_EQ(expected, Points(dst)) << "mode " << c.mode;
    }
}

// An empty operand on either side, in every mode: the point set and kind the algebra gives.
TEST(GdiRegion, CombineWithAnEmptyOperandKeepsTheOtherOrNothing)
{
    struct Mode {
        int mode;
        bool (*expect)(bool, bool);
    } modes[] = {
        {RGN_AND, [](bool a, bool b) { return a && b; }},
        {RGN_OR, [](bool a, bool b) { return a || b; }},
        {RGN_XOR, [](bool a, bool b) { return a != b; }},
        {RGN_DIFF, [](bool a, bool b) { return a && !b; }},
    };
    const RECT full = {2, 3, 9, 7}, none = {0, 0, 0, 0};
    for (const Mode &m : modes) {
        for (bool emptyFirst : {true, false}) {
            const RECT &ra = emptyFirst ? none : full, &rb = emptyFirst ? full : none;
            Rgn a(ra.left, ra.top, ra.right, ra.bottom), b(rb.left, rb.top, rb.right, rb.bottom), dst(1, 1, 2, 2);
            std::vector<bool> expected;
            bool any = false;
            for (int y = 0; y < 20; ++y) {
                for (int x = 0; x < 20; ++x) {
                    POINT pt = {x, y};
                    bool in = m.expect(PtInRect(&ra, pt) != FALSE, PtInRect(&rb, pt) != FALSE);
                    expected.push_back(in);
                    any = any || in;
                }
            }
            EXPECT_EQ(any ? SIMPLEREGION : NULLREGION, CombineRgn(dst, a, b, m.mode))
                << "mode " << m.mode << (emptyFirst ? ", first empty" : ", second empty");
            EXPECT_EQ(expected, Points(dst)) << "mode " << m.mode << (emptyFirst ? ", first empty" : ", second empty");
        }
    }
}

TEST(GdiRegion, DisjointIntersectionIsEmptyWithZeroBox)
{
    Rgn a(0, 0, 5, 5), b(5, 0, 10, 5), dst(1, 1, 2, 2);
    EXPECT_EQ(NULLREGION, CombineRgn(dst, a, b, RGN_AND));
    RECT box = {1, 2, 3, 4};
    EXPECT_EQ(NULLREGION, GetRgnBox(dst, &box));
    RECT zero = {0, 0, 0, 0};
    EXPECT_TRUE(EqualRect(&box, &zero));
}

TEST(GdiRegion, TouchingRectanglesMergeIntoOne)
{
    Rgn a(0, 0, 5, 5), b(5, 0, 10, 5), c(0, 5, 10, 8), whole(0, 0, 10, 8), dst(0, 0, 0, 0);
    EXPECT_EQ(SIMPLEREGION, CombineRgn(dst, a, b, RGN_OR));
    EXPECT_EQ(SIMPLEREGION, CombineRgn(dst, dst, c, RGN_OR));
    EXPECT_TRUE(EqualRgn(dst, whole));
}

TEST(GdiRegion, HoleAddedBackEqualsTheOriginal)
{
    Rgn outer(0, 0, 10, 10), hole(3, 3, 6, 6), dst(0, 0, 0, 0), copy(0, 0, 0, 0);
    EXPECT_EQ(COMPLEXREGION, CombineRgn(dst, outer, hole, RGN_DIFF));
    EXPECT_FALSE(PtInRegion(dst, 4, 4));
    EXPECT_TRUE(PtInRegion(dst, 2, 4));
    EXPECT_FALSE(EqualRgn(dst, outer));
    EXPECT_EQ(SIMPLEREGION, CombineRgn(copy, dst, hole, RGN_OR));
    EXPECT_TRUE(EqualRgn(copy, outer));
}

TEST(GdiRegion, SourceMayAlsoBeTheDestination)
{
    Rgn a(0, 0, 10, 10), b(5, 5, 20, 20);
    EXPECT_EQ(SIMPLEREGION, CombineRgn(a, a, b, RGN_AND));
    RECT box, expected = {5, 5, 10, 10};
    GetRgnBox(a, &box);
    EXPECT_TRUE(EqualRect(&box, &expected));
}

TEST(GdiRegion, EdgesRightAndBottomAreOutside)
{
    Rgn r(1, 1, 4, 4);
    EXPECT_TRUE(PtInRegion(r, 1, 1));
    EXPECT_TRUE(PtInRegion(r, 3, 3));
    EXPECT_FALSE(PtInRegion(r, 4, 3));
    EXPECT_FALSE(PtInRegion(r, 3, 4));
    RECT touching = {4, 1, 8, 4}, overlapping = {3, 3, 8, 8};
    EXPECT_FALSE(RectInRegion(r, &touching));
    EXPECT_TRUE(RectInRegion(r, &overlapping));
}

TEST(GdiRegion, CornersAreOrderedAndOffsetMoves)
{
    Rgn swapped(10, 10, 2, 3), plain(2, 3, 10, 10);
    EXPECT_TRUE(EqualRgn(swapped, plain));
    EXPECT_EQ(SIMPLEREGION, OffsetRgn(swapped, 5, -3));
    RECT box, expected = {7, 0, 15, 7};
    GetRgnBox(swapped, &box);
    EXPECT_TRUE(EqualRect(&box, &expected));
    EXPECT_TRUE(SetRectRgn(swapped, 0, 0, 0, 0));
    EXPECT_EQ(NULLREGION, GetRgnBox(swapped, &box));
}

TEST(GdiRegion, InvalidHandlesFail)
{
    Rgn a(0, 0, 1, 1);
    EXPECT_EQ(ERROR, CombineRgn(a, a, NULL, RGN_OR));
    EXPECT_EQ(ERROR, CombineRgn(a, a, a, 0));
    HRGN gone = CreateRectRgn(0, 0, 1, 1);
    ASSERT_TRUE(DeleteObject(gone));
    RECT box;
    EXPECT_EQ(ERROR, GetRgnBox(gone, &box));
    EXPECT_EQ(0u, GetObjectType(gone));
}

TEST(GdiRect, HelpersFollowWindows)
{
    RECT a = {0, 0, 10, 10}, b = {5, 5, 15, 15}, r;
    EXPECT_TRUE(IntersectRect(&r, &a, &b));
    RECT ab = {5, 5, 10, 10};
    EXPECT_TRUE(EqualRect(&r, &ab));
    RECT distant = {20, 20, 30, 30};
    EXPECT_FALSE(IntersectRect(&r, &a, &distant));
    EXPECT_TRUE(IsRectEmpty(&r));
    EXPECT_TRUE(UnionRect(&r, &a, &b));
    RECT u = {0, 0, 15, 15};
    EXPECT_TRUE(EqualRect(&r, &u));
    // SubtractRect shrinks only when a whole side is covered.
    RECT left = {0, 0, 4, 10}, expect = {4, 0, 10, 10};
    EXPECT_TRUE(SubtractRect(&r, &a, &left));
    EXPECT_TRUE(EqualRect(&r, &expect));
    EXPECT_TRUE(SubtractRect(&r, &a, &b));
    EXPECT_TRUE(EqualRect(&r, &a));
    EXPECT_FALSE(SubtractRect(&r, &a, &u));
    POINT inside = {9, 9}, edge = {10, 9};
    EXPECT_TRUE(PtInRect(&a, inside));
    EXPECT_FALSE(PtInRect(&a, edge));
    InflateRect(&a, 2, 1);
    OffsetRect(&a, 1, 1);
    RECT moved = {-1, 0, 13, 12};
    EXPECT_TRUE(EqualRect(&a, &moved));
}

}  // namespace
