// CBufferDC inside a real WM_PAINT: what reaches the screen, when, and what the buffer clips.
#include "controls/image/BufferDC.h"

#include "image_host.h"

using namespace image_test;

namespace {

const int kX = 300, kY = 40, kW = 100, kH = 80;
const COLORREF crBlue = RGB(20, 40, 200), crRed = RGB(220, 20, 20), crGreen = RGB(20, 210, 40);

// A window whose WM_PAINT runs the test's painter on its paint DC.
class CPaintWnd : public CWnd
{
public:
    std::function<void(CPaintDC &)> m_painter;

    afx_msg void OnPaint()
    {
        CPaintDC dc(this);
        if (m_painter)
            m_painter(dc);
    }
    afx_msg BOOL OnEraseBkgnd(CDC *) { return TRUE; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPaintWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, kX + x, kY + y);
    ReleaseDC(nullptr, screen);
    return c;
}

CScreenPicture WindowShot()
{
    CScreenPicture shot;
    RECT area = {kX, kY, kX + kW, kY + kH};
    EXPECT_TRUE(CaptureScreenRect(area, shot));
    return shot;
}

class BufferDCTest : public ::testing::Test
{
protected:
    CPaintWnd wnd;

    void SetUp() override
    {
        ASSERT_TRUE(wnd.CreateEx(0, AfxGetDefaultWndClass(), TEXT(""), WS_POPUP | WS_VISIBLE, kX, kY, kW, kH, NULL, NULL));
        // Straight onto the screen first, so the test knows what was there before the buffer.
        wnd.m_painter = [](CPaintDC &dc) { dc.FillSolidRect(0, 0, kW, kH, crBlue); };
        wnd.Invalidate(FALSE);
        wnd.UpdateWindow();
        ASSERT_EQ(0, CountOther(WindowShot(), crBlue));
    }
    void TearDown() override
    {
        if (wnd.GetSafeHwnd())
            wnd.DestroyWindow();
        Drain();
    }

    // Repaints the whole window with the painter; the paint rectangle is forced when given.
    void Repaint(std::function<void(CPaintDC &)> painter, const RECT *forced = nullptr)
    {
        RECT rc = forced ? *forced : RECT{};
        wnd.m_painter = [=](CPaintDC &dc) {
            if (forced)
                dc.m_ps.rcPaint = rc;
            painter(dc);
        };
        wnd.Invalidate(FALSE);
        wnd.UpdateWindow();
    }
};

}  // namespace

TEST_F(BufferDCTest, OnlyThePaintRectangleReachesTheScreenAtWindowCoordinates)
{
    // Asked for by the system, and set into the paint structure after the update covered it all:
    // either way only (10, 20)-(50, 60) is copied, and no origin shift is applied.
    const RECT paint = {10, 20, 50, 60};
    for (bool forced : {false, true}) {
        SCOPED_TRACE(forced ? "forced rectangle" : "invalidated rectangle");
        BITMAP bm = {};
        auto painter = [&](CPaintDC &dc) {
            CBufferDC buffer(&dc);
            buffer.FillSolidRect(0, 0, kW, kH, crRed);
            buffer.SetPixel(30, 40, crGreen);
            ::GetObjectW(::GetCurrentObject(buffer, OBJ_BITMAP), sizeof bm, &bm);
        };
        if (forced) {
            Repaint(painter, &paint);
        } else {
            wnd.m_painter = painter;
            wnd.InvalidateRect(&paint, FALSE);
            wnd.UpdateWindow();
        }
        EXPECT_EQ(50, bm.bmWidth) << "the bitmap reaches the rectangle's right edge";
        EXPECT_EQ(60, bm.bmHeight);
        struct { int x, y; COLORREF want; } probes[] = {
            {10, 20, crRed}, {49, 59, crRed}, {30, 40, crGreen}, {9, 20, crBlue},  {10, 19, crBlue},
            {50, 59, crBlue}, {49, 60, crBlue}, {0, 0, crBlue},   {99, 79, crBlue},
        };
        for (auto &p : probes)
            EXPECT_EQ(p.want, ScreenPixel(p.x, p.y)) << "at (" << p.x << "," << p.y << ")";
        EXPECT_EQ(40 * 40, CountOther(WindowShot(), crBlue));
        wnd.m_painter = [](CPaintDC &dc) { dc.FillSolidRect(0, 0, kW, kH, crBlue); };
        wnd.Invalidate(FALSE);
        wnd.UpdateWindow();
    }
}

TEST_F(BufferDCTest, DrawingOutsideThePaintRectangleIsClippedInTheBuffer)
{
    const RECT paint = {10, 20, 50, 60};
    BOOL outside = TRUE, inside = FALSE;
    COLORREF beyond = 0;
    Repaint(
        [&](CPaintDC &dc) {
            CBufferDC buffer(&dc);
            buffer.FillSolidRect(0, 0, kW, kH, crRed);
            outside = buffer.PtVisible(5, 5);
            inside = buffer.PtVisible(10, 20);
            beyond = buffer.GetPixel(9, 20);
        },
        &paint);
    EXPECT_FALSE(outside);
    EXPECT_TRUE(inside);
    EXPECT_NE(crRed, beyond) << "the fill reached the buffer outside the paint rectangle";
}

TEST_F(BufferDCTest, AnEmptyOrInvertedPaintRectangleChangesNothing)
{
    struct { RECT paint; LONG bitmapWidth, bitmapHeight; } cases[] = {
        {{0, 0, 0, kH}, 1, kH},
        {{0, 0, kW, 0}, kW, 1},
        {{10, 10, -5, 40}, 1, 40},
        {{10, 10, 40, -3}, 40, 1},
        {{30, 30, 30, 30}, 30, 30},
        {{-20, -20, -5, -5}, 1, 1},
    };
    for (auto &c : cases) {
        BITMAP bm = {};
        Repaint(
            [&](CPaintDC &dc) {
                CBufferDC buffer(&dc);
                buffer.FillSolidRect(-50, -50, kW + 100, kH + 100, crRed);
                ::GetObjectW(::GetCurrentObject(buffer, OBJ_BITMAP), sizeof bm, &bm);
            },
            &c.paint);
        RECT &r = c.paint;
        SCOPED_TRACE(::testing::Message() << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")");
        EXPECT_EQ(c.bitmapWidth, bm.bmWidth);
        EXPECT_EQ(c.bitmapHeight, bm.bmHeight);
        EXPECT_EQ(0, CountOther(WindowShot(), crBlue));
    }
}

TEST_F(BufferDCTest, TextAppearsOnlyWhenTheBufferIsDestroyed)
{
    int duringPaint = -1;
    Repaint([&](CPaintDC &dc) {
        {
            CBufferDC buffer(&dc);
            buffer.FillSolidRect(0, 0, kW, kH, crBlue);
            buffer.SetBkMode(TRANSPARENT);
            buffer.SetTextColor(RGB(255, 255, 255));
            buffer.TextOut(5, 5, TEXT("Wait"), 4);
            duringPaint = CountOther(WindowShot(), crBlue);
        }
    });
    EXPECT_EQ(0, duringPaint) << "text reached the screen before the buffer was copied";
    EXPECT_LT(0, CountOther(WindowShot(), crBlue)) << "the text never reached the screen";
}

TEST_F(BufferDCTest, EachPaintFreesItsMemoryDCAndBitmap)
{
    HDC hMemory = NULL;
    HGDIOBJ hBitmap = NULL, hDefault = NULL;
    Repaint([&](CPaintDC &dc) {
        {
            CBufferDC buffer(&dc);
            hMemory = buffer.GetSafeHdc();
            hBitmap = ::GetCurrentObject(hMemory, OBJ_BITMAP);
            EXPECT_EQ(OBJ_MEMDC, DWORD(::GetObjectType(hMemory)));
            EXPECT_EQ(OBJ_BITMAP, DWORD(::GetObjectType(hBitmap)));
        }
        HDC probe = ::CreateCompatibleDC(NULL);
        hDefault = ::GetCurrentObject(probe, OBJ_BITMAP);
        ::DeleteDC(probe);
    });
    ASSERT_NE(nullptr, hBitmap);
    EXPECT_NE(hDefault, hBitmap) << "the buffer drew into the default one-pixel bitmap";
    EXPECT_EQ(0u, DWORD(::GetObjectType(hMemory)));
    EXPECT_EQ(0u, DWORD(::GetObjectType(hBitmap)));
}
