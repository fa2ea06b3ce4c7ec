// The resize layout engine: child controls anchored to their parent's edges by fractions and
// moved, all in one deferred batch, whenever the parent's client size changes.
#pragma once

#include <afxwin.h>
#include <afxtempl.h>

// Option bits of CXTResize.
#define RESIZE_NO_GRIPPER 0x01        // no size gripper in the corner
#define RESIZE_FIXED_WIDTH 0x02       // track limits: the width cannot grow past the current one
#define RESIZE_FIXED_HEIGHT 0x04      // track limits: the height cannot grow past the current one
#define RESIZE_NO_MIN_SIZE 0x08       // the initial size is not the minimum size
#define RESIZE_NO_CLIP_CHILDREN 0x10  // the parent keeps its style (no WS_CLIPCHILDREN)
#define RESIZE_NO_GROUPBOX_FIX 0x20   // registered group boxes are left as they are

// The control identifier of the gripper.
#define IDC_RESIZE_GRIPPER 32767

// How far one corner follows the parent's change: 0 stays, 1 follows fully, 0.5 goes half-way.
struct AnchorPoint
{
    AnchorPoint() : x(0.0f), y(0.0f) {}
    AnchorPoint(float fx, float fy) : x(fx), y(fy) {}
    float x;
    float y;
};

// The four edge fractions of one control, from its top-left and bottom-right anchor points.
struct AnchorRect
{
    AnchorRect() : left(0.0f), top(0.0f), right(0.0f), bottom(0.0f) {}
    AnchorRect(const AnchorPoint &topLeft, const AnchorPoint &bottomRight)
        : left(topLeft.x), top(topLeft.y), right(bottomRight.x), bottom(bottomRight.y) {}
    AnchorRect(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}
    float left;
    float top;
    float right;
    float bottom;
};

// A rectangle kept in floating point, so that fractional moves add up between layouts.
struct XT_FLOATRECT
{
    float left;
    float top;
    float right;
    float bottom;
};

class CXTResize;

// The size gripper: a size-grip scroll bar that shows the diagonal sizing cursor over itself.
class CXTSizeIcon : public CScrollBar
{
public:
    CXTSizeIcon();

    HCURSOR m_hSizeCursor;   // shared system cursor; NULL when the system has none

protected:
    afx_msg BOOL OnSetCursor(CWnd *pWnd, UINT nHitTest, UINT message);
    DECLARE_MESSAGE_MAP()
};

// A group box that paints its own background; the engine leaves its extended style alone.
class CXTResizeGroupBox : public CButton
{
    DECLARE_DYNAMIC(CXTResizeGroupBox)
public:
    CXTResizeGroupBox() = default;
};

// One registered child: the control's window object, its anchors and its last laid-out rectangle.
class CXTResizeItem
{
public:
    CXTResizeItem(CWnd *pControl, const AnchorRect &anchor, const XT_FLOATRECT &rcCurrent, BOOL bOwnsWindowObject);
    // Deletes a window object the engine made, after detaching it; the control's window stays.
    virtual ~CXTResizeItem();
    // Gives a plain group box WS_EX_TRANSPARENT, so the controls inside it show through.
    virtual BOOL MakeGroupBoxTransparent(CXTResize *pResize);

    BOOL m_bTransparentGroupBox;   // repainted after every layout
    BOOL m_bOwnsWindowObject;
    BOOL m_bPositioned;            // has been through its first layout
    CWnd *m_pControl;
    AnchorRect m_anchor;
    XT_FLOATRECT m_rcCurrent;      // in the parent's client coordinates

private:
    CXTResizeItem(const CXTResizeItem &) = delete;
    CXTResizeItem &operator=(const CXTResizeItem &) = delete;
};

// Lays out the registered children of m_pParent against the change of its client size since
// the previous layout.
class CXTResize
{
public:
    CXTResize(CWnd *pParent, UINT nFlags);
    virtual ~CXTResize();

    // Discards every item and takes the parent's client size as initial, current and (by
    // default) minimum size; adds WS_CLIPCHILDREN and the gripper unless the flags say otherwise.
    virtual void InitLayout();
    // Moves every item by its share of the size change, in one deferred batch.
    virtual void LayoutControls();
    // Called with the new client size before it is used; the engine leaves it as it is.
    virtual void AdjustLayoutSize(CSize &szNew);
    // Adds one item's move to the batch; FALSE when the batch refused it (hDWP is then NULL).
    virtual BOOL MoveItem(HDWP &hDWP, CXTResizeItem *pItem, int dx, int dy);

    // Registers control nID (or hWnd, when given). A control registered again has the new
    // anchors added to its old ones.
    void AnchorControl(UINT nID, HWND hWnd, const AnchorRect &anchor);
    void ApplyTrackLimits(MINMAXINFO *pMMI);
    void RemoveAllItems();
    // Writes the parent's WINDOWPLACEMENT as "WindowPlacement" in lpszSection of the
    // application's settings file.
    BOOL StorePlacement(LPCTSTR lpszSection);

    UINT GetFlags() const { return m_nFlags; }

protected:
    UINT m_nFlags;
    CWnd *m_pParent;               // not owned
    CSize m_szCurrent;             // client size of the last layout
    CSize m_szInitial;             // client size at InitLayout
    CSize m_szMin;                 // 0: no limit
    CSize m_szMax;                 // 0: no limit
    CString m_strPlacementSection; // empty: the placement is not stored on WM_DESTROY
    CXTSizeIcon m_sizeIcon;
    CArray<CXTResizeItem *, CXTResizeItem *> m_arrItems;   // owned, in registration order

private:
    CXTResize(const CXTResize &) = delete;
    CXTResize &operator=(const CXTResize &) = delete;
};
