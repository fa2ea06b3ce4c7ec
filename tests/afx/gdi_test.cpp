// GDI owners and CDC: selection answers the previous object as a temporary of its kind, owners
// delete what they hold unless detached, and the fill and region wrappers do what they say.
#include <afxwin.h>
#include <gtest/gtest.h>

namespace {

bool Alive(HGDIOBJ h) { return GetObjectType(h) != 0; }

}  // namespace

TEST(AfxGdi, SelectObjectAnswersThePreviousObjectOfItsKind)
{
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(NULL));
    EXPECT_EQ(dc.m_hDC, dc.m_hAttribDC);

    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateBitmap(8, 8, 1, 32, NULL));
    CBitmap *pOld = dc.SelectObject(&bitmap);
    ASSERT_NE(nullptr, pOld);
    EXPECT_TRUE(pOld->IsKindOf(RUNTIME_CLASS(CBitmap)));
    EXPECT_NE(bitmap.m_hObject, pOld->m_hObject);
    HGDIOBJ hDefault = pOld->m_hObject;
    EXPECT_EQ(&bitmap, dc.SelectObject(pOld));   // the permanent object comes back, not a copy
    EXPECT_EQ(hDefault, ::GetCurrentObject(dc, OBJ_BITMAP));

    CBrush brush;
    ASSERT_TRUE(brush.CreateSolidBrush(RGB(1, 2, 3)));
    CBrush *pOldBrush = dc.SelectObject(&brush);
    ASSERT_NE(nullptr, pOldBrush);
    EXPECT_TRUE(pOldBrush->IsKindOf(RUNTIME_CLASS(CBrush)));
    CGdiObject *pBack = dc.SelectObject(static_cast<CGdiObject *>(pOldBrush));
    EXPECT_EQ(&brush, pBack);

    CPen pen;
    ASSERT_TRUE(pen.CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    CPen *pOldPen = dc.SelectObject(&pen);
    ASSERT_NE(nullptr, pOldPen);
    EXPECT_TRUE(pOldPen->IsKindOf(RUNTIME_CLASS(CPen)));
    EXPECT_EQ(static_cast<HGDIOBJ>(pen.m_hObject), dc.SelectObject(pOldPen->m_hObject));

    // A temporary for a foreign handle is of the handle's kind and never deletes it.
    HBRUSH hForeign = CreateSolidBrush(RGB(9, 9, 9));
    CGdiObject *pTemp = CGdiObject::FromHandle(hForeign);
    EXPECT_TRUE(pTemp->IsKindOf(RUNTIME_CLASS(CBrush)));
    EXPECT_EQ(pTemp, CBrush::FromHandle(hForeign));
    CGdiObject::DeleteTempMap();
    EXPECT_TRUE(Alive(hForeign));
    EXPECT_TRUE(DeleteObject(hForeign));
}

TEST(AfxGdi, OwnersDeleteWhatTheyHoldUnlessDetached)
{
    HGDIOBJ hKept = NULL, hDropped = NULL;
    {
        CBitmap kept, dropped;
        ASSERT_TRUE(kept.CreateBitmap(4, 4, 1, 32, NULL));
        ASSERT_TRUE(dropped.CreateBitmap(4, 4, 1, 32, NULL));
        hDropped = dropped.m_hObject;
        hKept = kept.Detach();
        EXPECT_EQ(nullptr, kept.m_hObject);
        EXPECT_NE(&kept, CGdiObject::FromHandle(hKept));   // a temporary now, not the owner
        BITMAP bm = {};
        EXPECT_EQ(int(sizeof bm), GetObjectW(hKept, sizeof bm, &bm));
        EXPECT_EQ(4, bm.bmWidth);
    }
    EXPECT_TRUE(Alive(hKept));
    EXPECT_FALSE(Alive(hDropped));
    EXPECT_TRUE(DeleteObject(hKept));

    // A handle has one owner, and an owner one handle: creating into a full owner fails.
    CRgn first, second;
    ASSERT_TRUE(first.CreateRectRgn(0, 0, 2, 2));
    EXPECT_FALSE(second.Attach(first.m_hObject));
    EXPECT_FALSE(first.CreateRectRgn(0, 0, 3, 3));
    CRect box;
    first.GetRgnBox(&box);
    EXPECT_TRUE(box == CRect(0, 0, 2, 2));

    HDC hDC = NULL;
    {
        CDC dc;
        ASSERT_TRUE(dc.CreateCompatibleDC(NULL));
        hDC = dc.m_hDC;
        EXPECT_EQ(&dc, CDC::FromHandle(hDC));
    }
    EXPECT_EQ(0u, GetObjectType(hDC));   // deleting the CDC deleted its DC
}

TEST(AfxGdi, FillSolidRectAndRegions)
{
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(NULL));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateBitmap(10, 10, 1, 32, NULL));
    CBitmap *pOld = dc.SelectObject(&bitmap);

    dc.FillSolidRect(0, 0, 10, 10, RGB(255, 255, 255));
    dc.FillSolidRect(CRect(2, 3, 5, 6), RGB(200, 10, 20));
    EXPECT_EQ(RGB(200, 10, 20), dc.GetPixel(2, 3));
    EXPECT_EQ(RGB(200, 10, 20), dc.GetPixel(4, 5));
    EXPECT_EQ(RGB(255, 255, 255), dc.GetPixel(5, 5));   // right and bottom edges are outside
    EXPECT_EQ(RGB(200, 10, 20), dc.GetBkColor());        // the fill leaves its colour set

    CRgn a, b, both;
    ASSERT_TRUE(a.CreateRectRgn(0, 0, 4, 4));
    ASSERT_TRUE(b.CreateRectRgnIndirect(CRect(6, 6, 8, 8)));
    ASSERT_TRUE(both.CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(COMPLEXREGION, both.CombineRgn(&a, &b, RGN_OR));
    CRect box;
    both.GetRgnBox(&box);
    EXPECT_TRUE(box == CRect(0, 0, 8, 8));

    // Clipping to the region: outside it nothing is drawn.
    EXPECT_NE(ERROR, dc.SelectClipRgn(&both));
    dc.FillSolidRect(0, 0, 10, 10, RGB(0, 0, 255));
    EXPECT_EQ(RGB(0, 0, 255), dc.GetPixel(1, 1));
    EXPECT_EQ(CLR_INVALID, dc.GetPixel(5, 5));   // outside the clipping region
    CRect clip;
    EXPECT_EQ(COMPLEXREGION, dc.GetClipBox(&clip));
    EXPECT_TRUE(clip == CRect(0, 0, 8, 8));
    dc.SelectClipRgn(NULL);
    EXPECT_NE(ERROR, dc.GetClipBox(&clip));
    EXPECT_TRUE(clip == CRect(0, 0, 10, 10));
    EXPECT_EQ(RGB(255, 255, 255), dc.GetPixel(5, 5));   // the clipped fill never reached it

    int nSaved = dc.SaveDC();
    dc.SetBkColor(RGB(1, 1, 1));
    EXPECT_TRUE(dc.RestoreDC(nSaved));
    EXPECT_EQ(RGB(0, 0, 255), dc.GetBkColor());
    dc.SelectObject(pOld);
}
