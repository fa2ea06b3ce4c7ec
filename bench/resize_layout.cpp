// One layout pass of the resize engine over N anchored controls beside its floor: the same
// parent resize followed by one deferred batch that moves the same windows to the same places.
// Both report items per second; the subject also reports the batches one pass used (must be 1).
#include <afxwin.h>

#include <benchmark/benchmark.h>

#include "layout/Resize.h"

#include <vector>

namespace {

const int kWidth = 600, kHeight = 400;
const int kGrowX = 40, kGrowY = 20;   // even, so half-anchored controls move whole pixels

// Half the controls stretch with the parent, half stay centred: every control moves each pass.
AnchorRect AnchorOf(int i)
{
    return i % 2 ? AnchorRect(0.5f, 0.5f, 0.5f, 0.5f) : AnchorRect(0.0f, 0.0f, 1.0f, 1.0f);
}

RECT CellOf(int i, int n)
{
    const int columns = 10, rows = (n + columns - 1) / columns;
    const int cx = kWidth / columns, cy = kHeight / rows;
    RECT rc = {(i % columns) * cx + 2, (i / columns) * cy + 2, (i % columns + 1) * cx - 2, (i / columns + 1) * cy - 2};
    return rc;
}

// A parent that lays out its children on WM_SIZE and counts the batches and passes it ran.
class CLayoutParent : public CWnd, public CXTResize
{
public:
    CLayoutParent() : CXTResize(this, RESIZE_NO_GRIPPER) {}
    void AdjustLayoutSize(CSize &szNew) override
    {
        (void)szNew;
        ++m_nPasses;
        m_hLastBatch = NULL;
    }
    BOOL MoveItem(HDWP &hDWP, CXTResizeItem *pItem, int dx, int dy) override
    {
        if (hDWP != m_hLastBatch) ++m_nBatches;
        m_hLastBatch = hDWP;
        return CXTResize::MoveItem(hDWP, pItem, dx, dy);
    }
    long m_nPasses = 0, m_nBatches = 0;
    HDWP m_hLastBatch = NULL;

protected:
    afx_msg void OnSize(UINT nType, int cx, int cy)
    {
        CWnd::OnSize(nType, cx, cy);
        LayoutControls();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLayoutParent, CWnd)
    ON_WM_SIZE()
END_MESSAGE_MAP()

// A popup parent with N static children in a grid; the subject's parent registers them.
template <class Parent> struct Scene {
    Parent parent;
    std::vector<HWND> children;

    explicit Scene(int n)
    {
        parent.CreateEx(0, AfxGetDefaultWndClass(), TEXT("layout"), WS_POPUP, 0, 0, kWidth, kHeight, NULL, NULL);
        for (int i = 0; i < n; ++i) {
            RECT rc = CellOf(i, n);
            children.push_back(::CreateWindowExW(0, TEXT("Static"), TEXT(""), WS_CHILD | WS_VISIBLE, rc.left, rc.top,
                                                 rc.right - rc.left, rc.bottom - rc.top, parent.m_hWnd,
                                                 HMENU(INT_PTR(1000 + i)), NULL, NULL));
        }
    }
    ~Scene() { parent.DestroyWindow(); }
    // The parent grows on odd steps and shrinks back on even ones.
    void ResizeParent(long step)
    {
        const int grow = step % 2;
        ::SetWindowPos(parent.m_hWnd, NULL, 0, 0, kWidth + grow * kGrowX, kHeight + grow * kGrowY,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
};

void BM_ResizeLayout(benchmark::State &state)
{
    const int n = int(state.range(0));
    Scene<CLayoutParent> scene(n);
    scene.parent.InitLayout();
    for (int i = 0; i < n; ++i) scene.parent.AnchorControl(UINT(1000 + i), NULL, AnchorOf(i));
    RECT before, after;
    ::GetWindowRect(scene.children[0], &before);
    scene.ResizeParent(1);
    ::GetWindowRect(scene.children[0], &after);
    if (::EqualRect(&before, &after)) {
        state.SkipWithError("the layout moved nothing");
        return;
    }
    scene.parent.m_nPasses = scene.parent.m_nBatches = 0;
    long step = 0;
    for (auto _ : state) scene.ResizeParent(step++);
    state.SetItemsProcessed(int64_t(state.iterations()) * n);
    state.counters["batches_per_layout"] =
        scene.parent.m_nPasses ? double(scene.parent.m_nBatches) / double(scene.parent.m_nPasses) : 0.0;
}

// The same resize, then the same windows moved to where the layout puts them, in one batch.
void BM_ResizeLayout_Floor(benchmark::State &state)
{
    const int n = int(state.range(0));
    Scene<CWnd> scene(n);
    std::vector<RECT> targets[2];
    for (int grow = 0; grow < 2; ++grow)
        for (int i = 0; i < n; ++i) {
            RECT rc = CellOf(i, n);
            const AnchorRect a = AnchorOf(i);
            rc.left += LONG(a.left * float(grow * kGrowX));
            rc.top += LONG(a.top * float(grow * kGrowY));
            rc.right += LONG(a.right * float(grow * kGrowX));
            rc.bottom += LONG(a.bottom * float(grow * kGrowY));
            targets[grow].push_back(rc);
        }
    long step = 0, batches = 0;
    for (auto _ : state) {
        scene.ResizeParent(step);
        const std::vector<RECT> &to = targets[step++ % 2];
        HDWP hDWP = ::BeginDeferWindowPos(n);
        ++batches;
        for (int i = 0; i < n && hDWP != NULL; ++i)
            hDWP = ::DeferWindowPos(hDWP, scene.children[size_t(i)], NULL, to[size_t(i)].left, to[size_t(i)].top,
                                    to[size_t(i)].right - to[size_t(i)].left, to[size_t(i)].bottom - to[size_t(i)].top,
                                    SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOCOPYBITS);
        if (hDWP != NULL) ::EndDeferWindowPos(hDWP);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * n);
    state.counters["batches_per_layout"] = step ? double(batches) / double(step) : 0.0;
}

}  // namespace

BENCHMARK(BM_ResizeLayout)->Arg(2)->Arg(50);
BENCHMARK(BM_ResizeLayout_Floor)->Arg(2)->Arg(50);
BENCHMARK_MAIN();
