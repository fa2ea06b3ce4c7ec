// The resize engine on a property page from a template, driven by real WM_SIZE: anchored moves in
// floating point, truncation, ignored zero sizes, summed anchors, the first-move rule, the
// position flags of each move, skipped and refused controls, and track limits.
#include <gtest/gtest.h>

#include "layout_fixture.h"

#include <map>

using namespace layout_test;

namespace {

// WM_WINDOWPOSCHANGING of subclassed controls: what each move asked for, and how many MoveItem
// calls had been made by then.
struct PosChange {
    HWND hWnd;
    UINT flags;
    size_t nMovesQueued;
};
std::vector<PosChange> g_changes;
std::map<HWND, WNDPROC> g_procs;
const CTestPage *g_pWatchedPage = NULL;

LRESULT CALLBACK WatchProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_WINDOWPOSCHANGING)
        g_changes.push_back({hWnd, reinterpret_cast<WINDOWPOS *>(lParam)->flags,
                             g_pWatchedPage ? g_pWatchedPage->m_moves.size() : 0});
    return ::CallWindowProcW(g_procs[hWnd], hWnd, msg, wParam, lParam);
}

void Watch(HWND hWnd)
{
    g_procs[hWnd] = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchProc)));
}

}  // namespace

TEST(ResizeLayout, GrowthMovesEachEdgeByItsShare)
{
    HostWindow host;
    CTestPage page;
    ASSERT_TRUE(page.Create(700, &host.m_wnd));
    EXPECT_TRUE(page.GetStyle() & WS_CLIPCHILDREN);
    HWND hCentred = ::GetDlgItem(page, 8001), hStretched = ::GetDlgItem(page, 8000), hFree = ::GetDlgItem(page, 8004);
    const CRect centred = RectInParent(hCentred), stretched = RectInParent(hStretched), free = RectInParent(hFree);
    page.AnchorControl(8001, NULL, kCentred);
    page.AnchorControl(8000, NULL, kStretch);

    const CRect rc = page.Window();
    page.Resize(rc.Width() + 100, rc.Height() + 40);
    CRect expectCentred = centred;
    expectCentred.OffsetRect(50, 20);
    EXPECT_EQ(expectCentred, RectInParent(hCentred));
    EXPECT_EQ(CRect(stretched.left, stretched.top, stretched.right + 100, stretched.bottom + 40), RectInParent(hStretched));
    EXPECT_EQ(free, RectInParent(hFree));   // never registered

    // Shrinking back returns both exactly: the float rectangles hold no rounding drift.
    page.Resize(rc.Width(), rc.Height());
    EXPECT_EQ(centred, RectInParent(hCentred));
    EXPECT_EQ(stretched, RectInParent(hStretched));
}

TEST(ResizeLayout, HalfPixelsAreTruncatedTowardZero)
{
    HostWindow host;
    CTestPage page;
    ASSERT_TRUE(page.Create(700, &host.m_wnd));
    HWND hButton = ::GetDlgItem(page, 8004);
    const CRect start = RectInParent(hButton);
    ASSERT_GT(start.left, 0);
    page.AnchorControl(8004, NULL, AnchorRect(0.5f, 0, 0.5f, 0));
    const CRect rc = page.Window();

    // +1 twice: the left edge goes to .5 (stays) and then to the next whole pixel.
    page.Resize(rc.Width() + 1, rc.Height());
    EXPECT_EQ(start.left, RectInParent(hButton).left);
    page.Resize(rc.Width() + 2, rc.Height());
    EXPECT_EQ(start.left + 1, RectInParent(hButton).left);
    EXPECT_EQ(start.Width(), RectInParent(hButton).Width());

    // Shrinking so that the left edge lands on -0.5 places it at 0, not -1.
    page.Resize(rc.Width() - 2 * start.left - 1, rc.Height());
    EXPECT_EQ(-0.5f, page.Item(0)->m_rcCurrent.left);
    EXPECT_EQ(0, RectInParent(hButton).left);
}

TEST(ResizeLayout, ZeroSizeIsIgnoredAndTheNextChangeCountsFromTheLastRealSize)
{
    HostWindow host;
    CTestPage page;
    ASSERT_TRUE(page.Create(700, &host.m_wnd));
    HWND hButton = ::GetDlgItem(page, 8004);
    const CRect start = RectInParent(hButton);
    page.AnchorControl(8004, NULL, AnchorRect(1, 1, 1, 1));
    const CRect rc = page.Window();
    const CSize before = page.Current();

    page.Resize(rc.Width() + 10, 0);
    page.Resize(0, rc.Height() + 10);
    EXPECT_TRUE(page.m_moves.empty());
    EXPECT_EQ(before, page.Current());
    EXPECT_EQ(start, RectInParent(hButton));

    page.Resize(rc.Width() + 20, rc.Height() + 5);
    CRect expect = start;
    expect.OffsetRect(20, 5);
    EXPECT_EQ(expect, RectInParent(hButton));
}

TEST(ResizeLayout, AnchorsOfARepeatedIdentifierAreSummed)
{
    HostWindow host;
    CTestPage page;
    ASSERT_TRUE(page.Create(700, &host.m_wnd));
    HWND hImage = ::GetDlgItem(page, 8001);
    const CRect start = RectInParent(hImage);
    page.AnchorControl(8001, NULL, kCentred);
    page.AnchorControl(8001, hImage, kCentred);   // found by identifier, whatever handle is given
    ASSERT_EQ(1, page.ItemCount());
    EXPECT_EQ(1.0f, page.Item(0)->m_anchor.left);
    EXPECT_EQ(1.0f, page.Item(0)->m_anchor.bottom);

    const CRect rc = page.Window();
    page.Resize(rc.Width() + 30, rc.Height() + 12);
    CRect expect = start;
    expect.OffsetRect(30, 12);
    EXPECT_EQ(expect, RectInParent(hImage));
}

TEST(ResizeLayout, AControlRegisteredLateMovesByTheWholeChangeSinceInit)
{
    HostWindow host;
    CTestPage page;
    ASSERT_TRUE(page.Create(700, &host.m_wnd));
    HWND hEarly = ::GetDlgItem(page, 8001), hLate = ::GetDlgItem(page, 8000);
    const CRect early = RectInParent(hEarly), late = RectInParent(hLate);
    page.AnchorControl(8001, NULL, kStretch);
    const CRect rc = page.Window();
    page.Resize(rc.Width() + 100, rc.Height() + 40);

    page.AnchorControl(8000, NULL, kStretch);
    page.Resize(rc.Width() + 110, rc.Height() + 50);
    EXPECT_EQ(CRect(early.left, early.top, early.right + 110, early.bottom + 50), RectInParent(hEarly));
    EXPECT_EQ(CRect(late.left, late.top, late.right + 110, late.bottom + 50), RectInParent(hLate));
}

// Each move asks only for what changed, and every move of a pass goes into one batch that is
// applied after the last MoveItem.
TEST(ResizeLayout, MovesUseOneBatchAndOnlyTheFlagsOfWhatChanged)
{
    HostWindow host;
    CTestPage page;
    ASSERT_TRUE(page.Create(700, &host.m_wnd));
    struct Case {
        int nID;
        AnchorRect anchor;
        bool bMoved;
        UINT flags;   // besides SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER
    };
    const Case cases[] = {
        {8001, kCentred, true, SWP_NOSIZE},                // position only
        {8000, kStretch, true, SWP_NOMOVE | SWP_NOCOPYBITS},  // size only
        {8004, AnchorRect(1, 0, 1, 1), true, SWP_NOCOPYBITS}, // both
        {8003, kFixed, false, 0},                          // nothing changes: never touched
    };
    for (const Case &c : cases) {
        Watch(::GetDlgItem(page, c.nID));
        page.AnchorControl(UINT(c.nID), NULL, c.anchor);
    }
    g_changes.clear();
    g_pWatchedPage = &page;
    const CRect rc = page.Window();
    page.Resize(rc.Width() + 100, rc.Height() + 40);
    g_pWatchedPage = NULL;

    ASSERT_EQ(size_t(4), page.m_moves.size());
    for (const MoveRecord &m : page.m_moves) {
        EXPECT_NE(nullptr, m.hDWP);
        EXPECT_EQ(page.m_moves[0].hDWP, m.hDWP);
        EXPECT_TRUE(m.bResult);
    }
    const UINT kAlways = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
    const UINT kWatched = kAlways | SWP_NOMOVE | SWP_NOSIZE | SWP_NOCOPYBITS;
    for (const Case &c : cases) {
        HWND hWnd = ::GetDlgItem(page, c.nID);
        int seen = 0;
        for (const PosChange &ch : g_changes) {
            if (ch.hWnd != hWnd) continue;
            ++seen;
            EXPECT_EQ(kAlways | c.flags, ch.flags & kWatched) << c.nID;
            EXPECT_EQ(size_t(4), ch.nMovesQueued) << c.nID;   // moved by the batch's end
        }
        EXPECT_EQ(c.bMoved ? 1 : 0, seen) << c.nID;
    }
}

TEST(ResizeLayout, MissingAndDestroyedControlsAreSkipped)
{
    HostWindow host;
    CTestPage page;
    ASSERT_TRUE(page.Create(700, &host.m_wnd));
    HWND hButton = ::GetDlgItem(page, 8004), hImage = ::GetDlgItem(page, 8001);
    const CRect image = RectInParent(hImage);
    page.AnchorControl(9999, NULL, kStretch);   // names no window, still an item
    page.AnchorControl(8004, NULL, kStretch);
    page.AnchorControl(8001, NULL, AnchorRect(1, 1, 1, 1));
    ASSERT_EQ(3, page.ItemCount());
    const XT_FLOATRECT buttonRect = page.Item(1)->m_rcCurrent;
    ASSERT_TRUE(::DestroyWindow(hButton));

    const CRect rc = page.Window();
    page.Resize(rc.Width() + 8, rc.Height() + 6);
    ASSERT_EQ(size_t(3), page.m_moves.size());
    for (const MoveRecord &m : page.m_moves) EXPECT_TRUE(m.bResult);
    EXPECT_EQ(0, memcmp(&buttonRect, &page.Item(1)->m_rcCurrent, sizeof buttonRect));
    CRect expect = image;
    expect.OffsetRect(8, 6);
    EXPECT_EQ(expect, RectInParent(hImage));
}

// A window the batch refuses (the desktop) ends the batch: the moves after it fail, their
// controls keep their float rectangles, and the pass still takes the new size.
TEST(ResizeLayout, ARefusedMoveFailsTheRestOfThePass)
{
    HostWindow host;
    CTestPage page;
    ASSERT_TRUE(page.Create(700, &host.m_wnd));
    HWND hImage = ::GetDlgItem(page, 8001);
    const CRect image = RectInParent(hImage);
    page.AnchorControl(8000, NULL, kStretch);
    page.AnchorControl(0, ::GetDesktopWindow(), kStretch);
    page.AnchorControl(8001, NULL, kStretch);
    const XT_FLOATRECT imageRect = page.Item(2)->m_rcCurrent;

    const CRect rc = page.Window();
    page.Resize(rc.Width() + 8, rc.Height() + 6);
    ASSERT_EQ(size_t(3), page.m_moves.size());
    EXPECT_TRUE(page.m_moves[0].bResult);
    EXPECT_FALSE(page.m_moves[1].bResult);
    EXPECT_FALSE(page.m_moves[2].bResult);
    EXPECT_EQ(0, memcmp(&imageRect, &page.Item(2)->m_rcCurrent, sizeof imageRect));
    EXPECT_EQ(image, RectInParent(hImage));
    EXPECT_EQ(page.Client().Size(), page.Current());
}

// WM_GETMINMAXINFO: the initial client size plus the frame is the minimum; fixed flags cap the
// maximum at the current size; everything else stays as the sender filled it.
TEST(ResizeLayout, TrackLimitsFollowTheFlags)
{
    struct Case {
        UINT nFlags;
        bool bMin, bFixedWidth, bFixedHeight;
    };
    const Case cases[] = {
        {0, true, false, false},
        {RESIZE_FIXED_WIDTH, true, true, false},
        {RESIZE_FIXED_HEIGHT | RESIZE_NO_MIN_SIZE, false, false, true},
    };
    HostWindow host;
    for (const Case &c : cases) {
        CTestPage page(701, c.nFlags);
        ASSERT_TRUE(page.Create(701, &host.m_wnd));
        const CRect window = page.Window(), client = page.Client();
        const CSize frame(window.Width() - client.Width(), window.Height() - client.Height());
        ASSERT_GT(frame.cx, 0);   // the bordered template
        page.AnchorControl(8001, NULL, kStretch);
        page.Resize(window.Width() + 20, window.Height() + 10);   // the minimum stays the initial size

        MINMAXINFO mmi;
        memset(&mmi, 0x5A, sizeof mmi);
        MINMAXINFO sent = mmi;
        page.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
        if (c.bMin) {
            sent.ptMinTrackSize.x = client.Width() + frame.cx;
            sent.ptMinTrackSize.y = client.Height() + frame.cy;
        }
        if (c.bFixedWidth) sent.ptMaxSize.x = sent.ptMaxTrackSize.x = client.Width() + 20 + frame.cx;
        if (c.bFixedHeight) sent.ptMaxSize.y = sent.ptMaxTrackSize.y = client.Height() + 10 + frame.cy;
        EXPECT_EQ(0, memcmp(&sent, &mmi, sizeof mmi)) << "flags " << c.nFlags;
        page.DestroyWindow();
    }
}
