// Painting: update regions kept as their bounding rectangle, WM_PAINT made up by the queue while
// one is left, BeginPaint's erase and rectangle, UpdateWindow, and windows that paint themselves
// (a class of their own, a subclassed tree view) drawn into the rendered picture at their place,
// cut to their client area.
#include <gtest/gtest.h>

#include <vector>

#include "plat/gdi_control.h"
#include "plat/window_render.h"
#include "tests/platform_ui/window_fixture.h"
#include "win/tree_view.h"
#include "win/user_gdi.h"

namespace paint_test {

struct Painted {
    UINT message;
    RECT rcPaint;
    BOOL fErase;
};

// What the painting windows saw, and whether they paint at all.
struct PaintLog {
    std::vector<Painted> got;
    bool paints = true;
};
PaintLog* g_paint = nullptr;

LRESULT CALLBACK PaintingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_ERASEBKGND && g_paint) g_paint->got.push_back(Painted{m, {}, FALSE});
    if (m == WM_PAINT && g_paint) {
        if (!g_paint->paints) {
            g_paint->got.push_back(Painted{m, {}, FALSE});
            return 0;
        }
        Painted seen{m, {}, FALSE};
        size_t at = g_paint->got.size();
        g_paint->got.push_back(seen);
        PAINTSTRUCT ps;
        if (BeginPaint(h, &ps)) {
            g_paint->got[at].rcPaint = ps.rcPaint;
            g_paint->got[at].fErase = ps.fErase;
            EndPaint(h, &ps);
        }
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::vector<UINT> Pump() {
    std::vector<UINT> out;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        out.push_back(m.message);
        DispatchMessageW(&m);
    }
    return out;
}

class UpdateRegion : public ::testing::Test {
protected:
    void SetUp() override {
        g_paint = &log;
        window = uitest::MakeParentWindow(u"UiTestPainting", PaintingProc, 120, 80);
        ASSERT_NE(window, nullptr);
        Pump();
    }
    void TearDown() override {
        DestroyWindow(window);
        g_paint = nullptr;
    }
    PaintLog log;
    HWND window = nullptr;
};

TEST_F(UpdateRegion, InvalidRectanglesGatherIntoTheirBoundsInsideTheClientArea) {
    RECT r{};
    EXPECT_FALSE(GetUpdateRect(window, &r, FALSE));
    RECT a{10, 10, 20, 20}, b{30, 5, 40, 15}, outside{100, 70, 300, 300};
    ASSERT_TRUE(InvalidateRect(window, &a, FALSE));
    ASSERT_TRUE(InvalidateRect(window, &b, FALSE));
    ASSERT_TRUE(InvalidateRect(window, &outside, FALSE));
    ASSERT_TRUE(GetUpdateRect(window, &r, FALSE));
    EXPECT_TRUE(SameRect(r, RECT{10, 5, 120, 80})) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
}

TEST_F(UpdateRegion, ValidatingTakesOffWhatSpansTheRegion) {
    struct Case {
        const char* name;
        bool whole;  // ValidateRect with no rectangle
        RECT cut;
        RECT left;  // what is still invalid (empty: nothing)
    };
    const Case kCases[] = {
        {"no rectangle validates all", true, {}, {}},
        {"a cut over all of it", false, {0, 0, 100, 100}, {}},
        {"a band across the top", false, {0, 0, 100, 20}, {10, 20, 50, 50}},
        {"a band down the right", false, {40, 0, 100, 100}, {10, 10, 40, 50}},
        {"a hole in the middle leaves the bounds", false, {20, 20, 30, 30}, {10, 10, 50, 50}},
        {"a cut elsewhere", false, {60, 60, 70, 70}, {10, 10, 50, 50}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ValidateRect(window, nullptr);
        RECT region{10, 10, 50, 50};
        InvalidateRect(window, &region, FALSE);
        ASSERT_TRUE(ValidateRect(window, c.whole ? nullptr : &c.cut));
        RECT r{-1, -1, -1, -1};
        BOOL invalid = GetUpdateRect(window, &r, FALSE);
        bool expectInvalid = c.left.right > c.left.left;
        EXPECT_EQ(invalid != FALSE, expectInvalid);
        EXPECT_TRUE(SameRect(r, c.left));  // an empty region reads as the empty rectangle
    }
}

TEST_F(UpdateRegion, TheLoopPaintsOnceWithEraseAndTheUpdateRectangle) {
    RECT a{5, 6, 25, 16};
    InvalidateRect(window, &a, TRUE);
    EXPECT_EQ(Pump(), std::vector<UINT>{WM_PAINT});
    ASSERT_EQ(log.got.size(), 2u);
    EXPECT_EQ(log.got[0].message, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(log.got[1].message, static_cast<UINT>(WM_ERASEBKGND));  // from inside BeginPaint
    EXPECT_TRUE(SameRect(log.got[0].rcPaint, a));
    EXPECT_TRUE(log.got[0].fErase);  // the class has no brush: nothing erased it
    EXPECT_TRUE(Pump().empty());
    EXPECT_EQ(PlatLiveWindowDcCount(), 0u);
}

TEST_F(UpdateRegion, UpdateWindowPaintsAtOnceOnlyWhenSomethingIsInvalid) {
    ASSERT_TRUE(UpdateWindow(window));
    EXPECT_TRUE(log.got.empty());
    InvalidateRect(window, nullptr, FALSE);
    ASSERT_TRUE(UpdateWindow(window));
    ASSERT_EQ(log.got.size(), 1u);
    EXPECT_TRUE(SameRect(log.got[0].rcPaint, RECT{0, 0, 120, 80}));
    EXPECT_FALSE(log.got[0].fErase);
    EXPECT_TRUE(Pump().empty());
}

TEST_F(UpdateRegion, AHiddenWindowWaitsToBeShownAndANonPaintingWindowIsPaintedOnce) {
    ShowWindow(window, SW_HIDE);
    InvalidateRect(window, nullptr, FALSE);
    EXPECT_TRUE(Pump().empty());
    ShowWindow(window, SW_SHOW);
    log.paints = false;
    EXPECT_EQ(Pump(), std::vector<UINT>{WM_PAINT});
    EXPECT_TRUE(Pump().empty());
    RECT r;
    EXPECT_FALSE(GetUpdateRect(window, &r, FALSE));
}

TEST_F(UpdateRegion, WindowDcsAreCountedUntilReleased) {
    HDC dc = GetDC(window);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(PlatLiveWindowDcCount(), 1u);
    EXPECT_EQ(ReleaseDC(nullptr, dc), 0);  // not that window's
    EXPECT_EQ(ReleaseDC(window, dc), 1);
    EXPECT_EQ(PlatLiveWindowDcCount(), 0u);
    EXPECT_EQ(ReleaseDC(window, dc), 0);
}

// ---- Self-painting windows in the picture ----

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr RECT kPreview{20, 20, 100, 80};  // in the host, a one-pixel border round its client
constexpr RECT kTree{110, 20, 190, 120};

void Fill(HDC dc, RECT r, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

// The preview fills its client area red, then a green band that runs past its right edge.
LRESULT CALLBACK PreviewProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m != WM_PAINT) return DefWindowProcW(h, m, w, l);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    Fill(dc, ps.rcPaint, kRed);
    Fill(dc, RECT{70, 10, 200, 20}, kGreen);
    EndPaint(h, &ps);
    return 0;
}

WNDPROC g_treeProc = nullptr;
int g_treePaints = 0;

// The tree view's own painting first, then a blue mark over its first row through GetDC.
LRESULT CALLBACK TreeSubclassProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    LRESULT r = CallWindowProcW(g_treeProc, h, m, w, l);
    if (m == WM_PAINT) {
        ++g_treePaints;
        HDC dc = GetDC(h);
        Fill(dc, RECT{4, 4, 14, 12}, kBlue);
        ReleaseDC(h, dc);
    }
    return r;
}

// As a painter that draws over the tree only where it is invalid: the update rectangle is taken
// before the tree paints, and the mark is cut to it.
RECT g_treeUpdate{};
BOOL g_treeHadUpdate = FALSE;
LRESULT CALLBACK TreeUpdateSubclassProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m != WM_PAINT) return CallWindowProcW(g_treeProc, h, m, w, l);
    g_treeHadUpdate = GetUpdateRect(h, &g_treeUpdate, FALSE);
    LRESULT r = CallWindowProcW(g_treeProc, h, m, w, l);
    HDC dc = GetDC(h);
    IntersectClipRect(dc, g_treeUpdate.left, g_treeUpdate.top, g_treeUpdate.right, g_treeUpdate.bottom);
    Fill(dc, RECT{4, 4, 14, 12}, kBlue);
    ReleaseDC(h, dc);
    return r;
}

struct Picture {
    LONG width = 0, height = 0;
    std::vector<BYTE> rgb;
    COLORREF At(LONG x, LONG y) const {
        const BYTE* p = &rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
        return RGB(p[0], p[1], p[2]);
    }
};

Picture RenderWindow(HWND h) {
    Picture p;
    DWORD size = PlatRenderWindow(h, nullptr, 0, &p.width, &p.height);
    p.rgb.resize(size);
    EXPECT_EQ(PlatRenderWindow(h, p.rgb.data(), size, &p.width, &p.height), size);
    return p;
}

class SelfPainting : public ::testing::Test {
protected:
    void SetUp() override {
        host = uitest::MakeParentWindow(u"UiTestPaintHost", DefWindowProcW, 200, 140);
        ASSERT_NE(host, nullptr);
        WNDCLASSW c{};
        if (!GetClassInfoW(nullptr, u"UiTestPreview", &c)) {
            c.lpfnWndProc = PreviewProc;
            c.lpszClassName = u"UiTestPreview";
            ASSERT_NE(RegisterClassW(&c), 0);
        }
        preview = CreateWindowExW(0, u"UiTestPreview", u"", WS_CHILD | WS_VISIBLE | WS_BORDER, kPreview.left,
                                  kPreview.top, kPreview.right - kPreview.left, kPreview.bottom - kPreview.top, host,
                                  nullptr, nullptr, nullptr);
        tree = CreateWindowExW(0, u"SysTreeView32", u"", WS_CHILD | WS_VISIBLE, kTree.left, kTree.top,
                               kTree.right - kTree.left, kTree.bottom - kTree.top, host, nullptr, nullptr, nullptr);
        ASSERT_TRUE(preview && tree);
    }
    void TearDown() override { DestroyWindow(host); }
    HWND host = nullptr, preview = nullptr, tree = nullptr;
};

TEST_F(SelfPainting, AWindowOfItsOwnClassPaintsAtItsPlaceCutToItsClientArea) {
    const DWORD uiObjects = PlatLiveUiGdiObjectCount(), engineObjects = PlatGdiObjectCount();
    Picture p = RenderWindow(host);
    ASSERT_EQ(p.width, 200);
    const COLORREF face = p.At(5, 5);
    EXPECT_EQ(p.At(kPreview.left + 1 + 5, kPreview.top + 1 + 40), kRed);
    EXPECT_EQ(p.At(kPreview.left + 1 + 75, kPreview.top + 1 + 15), kGreen);
    // Past the client area: the border and the host are as they were.
    EXPECT_EQ(p.At(kPreview.right - 1, kPreview.top + 1 + 15), face);
    EXPECT_EQ(p.At(kPreview.right + 5, kPreview.top + 1 + 15), face);
    EXPECT_EQ(p.At(kPreview.left + 5, kPreview.top), face);
    // Nothing of the paint stays behind.
    EXPECT_EQ(PlatLiveWindowDcCount(), 0u);
    EXPECT_EQ(PlatLiveUiGdiObjectCount(), uiObjects);
    EXPECT_EQ(PlatGdiObjectCount(), engineObjects);
    // Rendering is only a picture: the window's own update region is left alone.
    RECT r;
    EXPECT_FALSE(GetUpdateRect(preview, &r, FALSE));
}

TEST_F(SelfPainting, ASubclassedTreeViewPaintsOverItsOwnLook) {
    Picture plain = RenderWindow(host);
    const COLORREF treeWhite = plain.At(kTree.left + 40, kTree.top + 50);
    EXPECT_EQ(plain.At(kTree.left + 8, kTree.top + 8), treeWhite);
    g_treePaints = 0;
    g_treeProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TreeSubclassProc)));
    Picture marked = RenderWindow(host);
    EXPECT_EQ(g_treePaints, 2);  // once per PlatRenderWindow call: the size, then the pixels
    EXPECT_EQ(marked.At(kTree.left + 8, kTree.top + 8), kBlue);
    EXPECT_EQ(marked.At(kTree.left + 40, kTree.top + 50), treeWhite);                        // the tree's field
    EXPECT_EQ(marked.At(kTree.left, kTree.top + 50), plain.At(kTree.left, kTree.top + 50));  // its edge
    SetWindowLongPtrW(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_treeProc));
}

TEST_F(SelfPainting, WhileRenderedTheUpdateRectangleIsTheWholeClientArea) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    RECT r;
    ASSERT_FALSE(GetUpdateRect(tree, &r, FALSE)) << "the tree has painted: nothing is invalid";
    g_treeProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TreeUpdateSubclassProc)));
    Picture marked = RenderWindow(host);
    RECT client;
    ASSERT_TRUE(GetClientRect(tree, &client));
    EXPECT_TRUE(g_treeHadUpdate);
    EXPECT_TRUE(SameRect(g_treeUpdate, client));
    EXPECT_EQ(marked.At(kTree.left + 8, kTree.top + 8), kBlue) << "the mark was not cut away";
    // Out of the renderer's paint the region is the window's own again.
    EXPECT_FALSE(GetUpdateRect(tree, &r, FALSE));
    const RECT part{0, 0, 20, 10};
    InvalidateRect(tree, &part, FALSE);
    EXPECT_TRUE(GetUpdateRect(tree, &r, FALSE));
    EXPECT_TRUE(SameRect(r, part));
    SetWindowLongPtrW(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_treeProc));
}

}  // namespace paint_test
