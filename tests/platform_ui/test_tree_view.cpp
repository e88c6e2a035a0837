// The tree view and image lists: items inserted, read and changed; the selection asked for
// and told of in order, refusable; expanding by the user announced; items gone with the window.
#include <cstring>

#include "plat/window_render.h"
#include "plat/window_test.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "tests/platform_ui/window_fixture.h"
#include "win/tree_view.h"
#include "win/user_gdi.h"

namespace {

using namespace uitest;

struct TreeNotice {
    UINT code;
    UINT action;
    LPARAM oldParam;
    LPARAM newParam;
    bool operator==(const TreeNotice&) const = default;
};
std::vector<TreeNotice> g_tree;
bool g_refuseSelection = false;

LRESULT CALLBACK TreeParent(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NOTIFY) {
        auto* n = reinterpret_cast<NMTREEVIEWW*>(l);
        g_tree.push_back(TreeNotice{n->hdr.code, n->action, n->itemOld.lParam, n->itemNew.lParam});
        return n->hdr.code == TVN_SELCHANGINGW && g_refuseSelection;
    }
    return DefWindowProcW(h, m, w, l);
}

HTREEITEM Add(HWND tree, HTREEITEM parent, const char16_t* text, LPARAM param, HTREEITEM after = TVI_LAST) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE;
    insert.item.pszText = const_cast<LPWSTR>(text);
    insert.item.lParam = param;
    insert.item.iImage = static_cast<int>(param);
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

HTREEITEM Next(HWND tree, UINT flag, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, flag, reinterpret_cast<LPARAM>(item)));
}

struct ImageListHolder {
    HIMAGELIST h;
    ~ImageListHolder() { ImageList_Destroy(h); }
};

TEST(TreeView, ItemsSelectionAndExpansion) {
    WindowHolder parent(MakeParentWindow(u"UiTestTreeParent", TreeParent, 300, 300));
    ASSERT_NE(parent.h, nullptr);
    HWND tree = CreateWindowExW(0, WC_TREEVIEWW, nullptr, WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, 0, 0, 200, 200,
                                parent.h, reinterpret_cast<HMENU>(5), nullptr, nullptr);
    ASSERT_NE(tree, nullptr);
    HTREEITEM paper = Add(tree, TVI_ROOT, u"Paper", 1);
    HTREEITEM size = Add(tree, paper, u"Size: A4", 2);
    HTREEITEM copies = Add(tree, TVI_ROOT, u"Copies: 1", 3);
    HTREEITEM first = Add(tree, TVI_ROOT, u"Layout", 4, TVI_FIRST);
    EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(Next(tree, TVGN_ROOT, nullptr), first);
    EXPECT_EQ(Next(tree, TVGN_NEXT, first), paper);
    EXPECT_EQ(Next(tree, TVGN_CHILD, paper), size);
    EXPECT_EQ(Next(tree, TVGN_PARENT, size), paper);
    EXPECT_EQ(Next(tree, TVGN_NEXTVISIBLE, paper), copies);  // "Size" is folded away

    // Reading and changing an item; the selection bit is not changed by setting state.
    TVITEMW item{};
    WCHAR text[8];
    item.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_CHILDREN;
    item.hItem = paper;
    item.pszText = text;
    item.cchTextMax = 8;
    ASSERT_TRUE(SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(std::u16string(text), u"Paper");
    EXPECT_EQ(item.lParam, 1);
    EXPECT_EQ(item.cChildren, 1);
    TVITEMW change{};
    change.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE;
    change.hItem = size;
    change.pszText = const_cast<LPWSTR>(u"Size: B5");
    change.state = TVIS_SELECTED | TVIS_BOLD;
    change.stateMask = TVIS_SELECTED | TVIS_BOLD;
    ASSERT_TRUE(SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&change)));
    EXPECT_EQ(Next(tree, TVGN_CARET, nullptr), nullptr);

    g_tree.clear();
    // The program's selection is asked for and told of too.
    EXPECT_TRUE(SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(copies)));
    EXPECT_EQ(g_tree,
              (std::vector<TreeNotice>{{TVN_SELCHANGINGW, TVC_UNKNOWN, 0, 3}, {TVN_SELCHANGEDW, TVC_UNKNOWN, 0, 3}}));
    g_tree.clear();
    EXPECT_FALSE(PlatChooseTreeItem(tree, size));  // folded away: the user cannot click it
    EXPECT_TRUE(PlatToggleTreeItem(tree, paper));
    EXPECT_TRUE(PlatChooseTreeItem(tree, size));
    EXPECT_EQ(g_tree, (std::vector<TreeNotice>{{TVN_ITEMEXPANDINGW, TVE_EXPAND, 0, 1},
                                               {TVN_ITEMEXPANDEDW, TVE_EXPAND, 0, 1},
                                               {TVN_SELCHANGINGW, TVC_BYMOUSE, 3, 2},
                                               {TVN_SELCHANGEDW, TVC_BYMOUSE, 3, 2}}));
    g_refuseSelection = true;
    EXPECT_FALSE(SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(first)));
    g_refuseSelection = false;
    EXPECT_EQ(Next(tree, TVGN_CARET, nullptr), size);

    RECT r;
    std::memcpy(&r, &size, sizeof size);
    ASSERT_TRUE(SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)));
    EXPECT_EQ(r.top, 2 * SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0));  // third shown row
    EXPECT_GT(r.left, 0);                                               // indented under "Paper"

    // The picture shows the selected item highlighted.
    LONG width = 0, height = 0;
    std::vector<BYTE> rgb(PlatRenderWindow(parent.h, nullptr, 0, &width, &height));
    PlatRenderWindow(parent.h, rgb.data(), static_cast<DWORD>(rgb.size()), &width, &height);
    int highlighted = 0;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) highlighted += rgb[i] == 0 && rgb[i + 1] == 120 && rgb[i + 2] == 215;
    EXPECT_GT(highlighted, 50);

    // Deleting an item takes its children, each announced, children first; stale handles fail.
    g_tree.clear();
    EXPECT_TRUE(SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(paper)));
    EXPECT_EQ(g_tree, (std::vector<TreeNotice>{{TVN_DELETEITEMW, 0, 2, 0}, {TVN_DELETEITEMW, 0, 1, 0}}));
    EXPECT_EQ(Next(tree, TVGN_CARET, nullptr), nullptr);
    item.hItem = size;
    EXPECT_FALSE(SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    HTREEITEM fresh = Add(tree, TVI_ROOT, u"New", 9);
    EXPECT_NE(fresh, paper);  // handles are not reused
    g_tree.clear();
    DestroyWindow(tree);
    EXPECT_EQ(g_tree.size(), 3u);  // every remaining item announced as it goes
}

HICON LoadTestIcon() {
    return static_cast<HICON>(
        LoadImageW(DialogModule(), MAKEINTRESOURCEW(kIconSmall), IMAGE_ICON, 4, 4, LR_DEFAULTCOLOR));
}

TEST(TreeView, ImageListsCountAndBound) {
    DWORD before = PlatLiveImageListCount();
    DWORD iconsBefore = PlatLiveIconCount();
    {
        ImageListHolder list{ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 4)};
        ASSERT_NE(list.h, nullptr);
        EXPECT_EQ(PlatLiveImageListCount(), before + 1);
        HICON icon = LoadTestIcon();
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(ImageList_ReplaceIcon(list.h, -1, icon), 0);
        EXPECT_EQ(ImageList_ReplaceIcon(list.h, -1, icon), 1);
        EXPECT_EQ(ImageList_ReplaceIcon(list.h, 1, icon), 1);
        EXPECT_EQ(ImageList_ReplaceIcon(list.h, 7, icon), -1);  // no image 7 to replace
        EXPECT_EQ(ImageList_ReplaceIcon(list.h, -1, nullptr), -1);
        EXPECT_EQ(ImageList_ReplaceIcon(list.h, -1, reinterpret_cast<HICON>(0x1234)), -1);  // not an icon
        EXPECT_EQ(ImageList_GetImageCount(list.h), 2);
        DestroyIcon(icon);
        EXPECT_EQ(PlatLiveIconCount(), iconsBefore);  // the list's copies are its own
        EXPECT_FALSE(ImageList_Remove(list.h, 5));
        EXPECT_TRUE(ImageList_Remove(list.h, -1));
        EXPECT_EQ(ImageList_GetImageCount(list.h), 0);
    }
    EXPECT_EQ(PlatLiveImageListCount(), before);
    EXPECT_EQ(ImageList_Create(0, 16, 0, 1, 1), nullptr);
    EXPECT_FALSE(ImageList_Destroy(reinterpret_cast<HIMAGELIST>(&before)));
}

// The list draws its copy after the caller's icon is gone; a bitmap as wide as three images
// adds three, each its own column of the bitmap; an overlay image is drawn over another.
TEST(TreeView, ImageListsKeepAndDrawTheirPictures) {
    ImageListHolder list{ImageList_Create(4, 4, ILC_COLOR4 | ILC_MASK, 0, 8)};
    HICON icon = LoadTestIcon();
    ASSERT_EQ(ImageList_ReplaceIcon(list.h, -1, icon), 0);
    DestroyIcon(icon);
    HBITMAP strip = LoadBitmapW(DialogModule(), MAKEINTRESOURCEW(kBitmapSmall));  // 3 x 2: red, red, green on top
    ImageListHolder narrow{ImageList_Create(1, 2, ILC_COLOR24, 0, 4)};
    EXPECT_EQ(ImageList_Add(narrow.h, strip, nullptr), 0);
    EXPECT_EQ(ImageList_GetImageCount(narrow.h), 3);
    DeleteObject(strip);
    EXPECT_EQ(ImageList_Add(narrow.h, nullptr, nullptr), -1);

    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 10, 10);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, 10, 10};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_TRUE(ImageList_Draw(list.h, 0, dc, 2, 2, ILD_TRANSPARENT));
    EXPECT_EQ(GetPixel(dc, 2, 2), RGB(255, 255, 255));  // the mask's clear column
    EXPECT_EQ(GetPixel(dc, 5, 5), RGB(0, 0, 255));
    EXPECT_TRUE(ImageList_Draw(narrow.h, 2, dc, 0, 0, ILD_NORMAL));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 255, 0));  // the third column: green over red
    EXPECT_EQ(GetPixel(dc, 0, 1), RGB(255, 0, 0));
    EXPECT_FALSE(ImageList_Draw(list.h, 1, dc, 0, 0, ILD_NORMAL));
    // An overlay drawn over another image: the 1 x 2 green-over-red column over the test icon.
    EXPECT_FALSE(ImageList_SetOverlayImage(narrow.h, 5, 1));   // no image 5
    EXPECT_FALSE(ImageList_SetOverlayImage(narrow.h, 2, 16));  // overlays are 1 to 15
    EXPECT_TRUE(ImageList_SetOverlayImage(narrow.h, 2, 1));
    EXPECT_TRUE(ImageList_Draw(narrow.h, 0, dc, 4, 0, ILD_NORMAL));
    EXPECT_EQ(GetPixel(dc, 4, 0), RGB(255, 0, 0));  // the first column alone: red on top
    EXPECT_TRUE(ImageList_Draw(narrow.h, 0, dc, 4, 0, ILD_NORMAL | INDEXTOOVERLAYMASK(1)));
    EXPECT_EQ(GetPixel(dc, 4, 0), RGB(0, 255, 0));  // the overlay's green over it
    EXPECT_TRUE(ImageList_Draw(narrow.h, 0, dc, 4, 0, ILD_NORMAL | INDEXTOOVERLAYMASK(2)));  // overlay 2 unset
    EXPECT_EQ(GetPixel(dc, 4, 0), RGB(255, 0, 0));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// Rendered, each item shows its image from the tree's list just before its text: the blue of
// the test icon appears in the image's place of the item's row and nowhere without a list.
TEST(TreeView, RenderedItemsShowTheirImages) {
    WindowHolder parent(MakeParentWindow(u"UiTestTreeImages", TreeParent, 200, 100));
    HWND tree = CreateWindowExW(0, WC_TREEVIEWW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 150, 80, parent.h,
                                reinterpret_cast<HMENU>(6), nullptr, nullptr);
    ASSERT_NE(tree, nullptr);
    Add(tree, TVI_ROOT, u"Paper", 0);
    auto blueInImagePlace = [&] {
        HTREEITEM item = Next(tree, TVGN_ROOT, nullptr);
        RECT row;
        std::memcpy(&row, &item, sizeof item);
        SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&row));
        LONG width = 0, height = 0;
        std::vector<BYTE> rgb(PlatRenderWindow(parent.h, nullptr, 0, &width, &height));
        PlatRenderWindow(parent.h, rgb.data(), static_cast<DWORD>(rgb.size()), &width, &height);
        RECT tr;
        GetWindowRect(tree, &tr);
        RECT pr;
        GetWindowRect(parent.h, &pr);
        int blue = 0;
        for (LONG y = row.top; y < row.bottom; ++y)
            for (LONG x = row.left - 19; x < row.left; ++x) {
                LONG px = tr.left - pr.left + 2 + x, py = tr.top - pr.top + 2 + y;
                if (px < 0 || py < 0 || px >= width || py >= height) continue;
                const BYTE* p =
                    &rgb[(static_cast<size_t>(py) * static_cast<size_t>(width) + static_cast<size_t>(px)) * 3];
                blue += p[0] == 0 && p[1] == 0 && p[2] == 255;
            }
        return blue;
    };
    EXPECT_EQ(blueInImagePlace(), 0);
    ImageListHolder list{ImageList_Create(16, 16, ILC_COLOR4 | ILC_MASK, 0, 4)};
    HICON icon = LoadTestIcon();
    ImageList_ReplaceIcon(list.h, -1, icon);
    DestroyIcon(icon);
    SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(list.h));
    EXPECT_GT(blueInImagePlace(), 16 * 8);  // 16 x 16 drawn, the clear columns aside, cut to the row
    SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
}

}  // namespace

namespace {

using namespace uitest;

// A tree of rows A (with A1, and A2 holding A2x, folded), then B; 16-pixel rows, 19-pixel indent,
// lines at the root, in a 200 x 48 view without an edge: three whole rows show.
struct RowTree {
    WindowHolder parent{MakeParentWindow(u"UiTestTreeRows", TreeParent, 300, 200)};
    HWND tree = nullptr;
    HTREEITEM a = nullptr, a1 = nullptr, a2 = nullptr, a2x = nullptr, b = nullptr;
    RowTree() {
        tree = CreateWindowExW(0, WC_TREEVIEWW, nullptr, WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_LINESATROOT, 0, 0,
                               200, 48, parent.h, reinterpret_cast<HMENU>(static_cast<LONG_PTR>(kIdTreeView)), nullptr,
                               nullptr);
        a = Add(tree, TVI_ROOT, u"A", 1);
        a1 = Add(tree, a, u"A1", 2);
        a2 = Add(tree, a, u"A2", 3);
        a2x = Add(tree, a2, u"A2x", 4);
        b = Add(tree, TVI_ROOT, u"B", 5);
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(a));
    }
    RECT Rect(HTREEITEM item, BOOL textOnly) const {
        RECT r;
        std::memcpy(&r, &item, sizeof item);
        EXPECT_TRUE(SendMessageW(tree, TVM_GETITEMRECT, static_cast<WPARAM>(textOnly), reinterpret_cast<LPARAM>(&r)));
        return r;
    }
    std::vector<HTREEITEM> Walk(UINT start, UINT step) const {
        std::vector<HTREEITEM> out;
        for (HTREEITEM i = Next(tree, start, nullptr); i && out.size() < 10; i = Next(tree, step, i)) out.push_back(i);
        return out;
    }
};

// Only expanded items are walked; the first visible item is the top row.
TEST(TreeView, VisibleWalkFollowsExpansionAndScrolling) {
    RowTree t;
    EXPECT_EQ(t.Walk(TVGN_FIRSTVISIBLE, TVGN_NEXTVISIBLE), (std::vector<HTREEITEM>{t.a, t.a1, t.a2, t.b}));
    EXPECT_EQ(t.Walk(TVGN_LASTVISIBLE, TVGN_PREVIOUSVISIBLE), (std::vector<HTREEITEM>{t.b, t.a2, t.a1, t.a}));
    SendMessageW(t.tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(t.a2));
    EXPECT_EQ(t.Walk(TVGN_FIRSTVISIBLE, TVGN_NEXTVISIBLE), (std::vector<HTREEITEM>{t.a, t.a1, t.a2, t.a2x, t.b}));
    SendMessageW(t.tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(t.a));
    EXPECT_EQ(t.Walk(TVGN_FIRSTVISIBLE, TVGN_NEXTVISIBLE), (std::vector<HTREEITEM>{t.a, t.b}));
    EXPECT_EQ(Next(t.tree, TVGN_LASTVISIBLE, nullptr), t.b);
    EXPECT_EQ(Next(t.tree, TVGN_NEXTVISIBLE, t.a1), nullptr);  // folded away
    SendMessageW(t.tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(t.a));
    SendMessageW(t.tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(t.a2));

    EXPECT_EQ(SendMessageW(t.tree, TVM_GETVISIBLECOUNT, 0, 0), 3);
    // Scrolled to A2 as the top row; four rows in a page of three stop at A1.
    EXPECT_TRUE(SendMessageW(t.tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(t.a2)));
    EXPECT_EQ(Next(t.tree, TVGN_FIRSTVISIBLE, nullptr), t.a1);
    EXPECT_EQ(t.Rect(t.a, FALSE).top, -16);
    EXPECT_EQ(t.Rect(t.b, FALSE).top, 32);
    EXPECT_TRUE(SendMessageW(t.tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(t.a)));
    EXPECT_EQ(Next(t.tree, TVGN_FIRSTVISIBLE, nullptr), t.a);
    EXPECT_TRUE(SendMessageW(t.tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(t.b)));
    EXPECT_EQ(Next(t.tree, TVGN_FIRSTVISIBLE, nullptr), t.a1);
    EXPECT_FALSE(SendMessageW(t.tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(t.a2x)));  // folded away
}

TEST(TreeView, RowRectanglesAndHitTest) {
    RowTree t;
    const std::pair<HTREEITEM, LONG> kRows[] = {{t.a, 0}, {t.a1, 1}, {t.a2, 2}, {t.b, 3}};
    const LONG kTextLeft[] = {19, 38, 38, 19};  // one indent per level, one more for lines at the root
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const RECT whole = t.Rect(kRows[i].first, FALSE), text = t.Rect(kRows[i].first, TRUE);
        EXPECT_EQ(whole.left, 0);
        EXPECT_EQ(whole.right, 200);
        EXPECT_EQ(whole.top, kRows[i].second * 16);
        EXPECT_EQ(whole.bottom, whole.top + 16);
        EXPECT_EQ(text.top, whole.top);
        EXPECT_EQ(text.left, kTextLeft[i]);
        EXPECT_GT(text.right, text.left + 4);
    }
    RECT folded;
    std::memcpy(&folded, &t.a2x, sizeof t.a2x);
    EXPECT_FALSE(SendMessageW(t.tree, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&folded)));

    const LONG aTextRight = t.Rect(t.a, TRUE).right;
    struct Hit {
        POINT at;
        HTREEITEM item;
        UINT flags;
    };
    const Hit kHits[] = {
        {{25, 5}, t.a, TVHT_ONITEMLABEL},
        {{5, 5}, t.a, TVHT_ONITEMBUTTON},     // A has children: its button's column
        {{5, 21}, t.a1, TVHT_ONITEMINDENT},   // under A's level
        {{25, 21}, t.a1, TVHT_ONITEMINDENT},  // A1 has no children: no button
        {{30, 37}, t.a2, TVHT_ONITEMBUTTON},  // A2 holds A2x
        {{aTextRight + 2, 5}, t.a, TVHT_ONITEMRIGHT},
        {{-1, 5}, nullptr, TVHT_TOLEFT},
        {{10, -1}, nullptr, TVHT_ABOVE},
        {{10, 48}, nullptr, TVHT_BELOW},
    };
    for (const Hit& hit : kHits) {
        SCOPED_TRACE(testing::Message() << hit.at.x << "," << hit.at.y);
        TVHITTESTINFO info{hit.at, 0, nullptr};
        EXPECT_EQ(SendMessageW(t.tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)),
                  reinterpret_cast<LRESULT>(hit.item));
        EXPECT_EQ(info.hItem, hit.item);
        EXPECT_EQ(info.flags, hit.flags);
    }

    // Taller rows, a wider indent and an image list move the rows and the text; the hit test
    // moves with them, and a row past the last item hits nothing.
    EXPECT_EQ(SendMessageW(t.tree, TVM_SETITEMHEIGHT, 20, 0), 16);
    EXPECT_EQ(SendMessageW(t.tree, TVM_GETITEMHEIGHT, 0, 0), 20);
    SendMessageW(t.tree, TVM_SETINDENT, 25, 0);
    EXPECT_EQ(SendMessageW(t.tree, TVM_GETINDENT, 0, 0), 25);
    ImageListHolder list{ImageList_Create(16, 16, ILC_COLOR4 | ILC_MASK, 0, 4)};
    SendMessageW(t.tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(list.h));
    EXPECT_EQ(t.Rect(t.a1, FALSE).top, 20);
    EXPECT_EQ(t.Rect(t.a1, TRUE).left, 2 * 25 + 19);  // two indents and the image's room
    EXPECT_EQ(SendMessageW(t.tree, TVM_GETVISIBLECOUNT, 0, 0), 2);
    TVHITTESTINFO icon{{2 * 25 + 5, 25}, 0, nullptr};
    SendMessageW(t.tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&icon));
    EXPECT_EQ(icon.hItem, t.a1);
    EXPECT_EQ(icon.flags, static_cast<UINT>(TVHT_ONITEMICON));
    SendMessageW(t.tree, TVM_SETITEMHEIGHT, 8, 0);  // five rows of 8: the sixth is empty
    TVHITTESTINFO below{{30, 44}, 0, nullptr};
    EXPECT_EQ(SendMessageW(t.tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&below)), 0);
    EXPECT_EQ(below.flags, static_cast<UINT>(TVHT_NOWHERE));
    EXPECT_EQ(SendMessageW(t.tree, TVM_SETITEMHEIGHT, static_cast<WPARAM>(-1), 0), 8);
    EXPECT_EQ(SendMessageW(t.tree, TVM_GETITEMHEIGHT, 0, 0), 16);
    EXPECT_EQ(SendMessageW(t.tree, TVM_HITTEST, 0, 0), 0);
    SendMessageW(t.tree, TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
}

// The picture lays rows out where the tree says they are: the selected row's highlight covers
// its text rectangle and nothing beside it.
TEST(TreeView, RenderedHighlightLiesOnTheTextRectangle) {
    RowTree t;
    SendMessageW(t.tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(t.a1));
    const RECT text = t.Rect(t.a1, TRUE);
    LONG width = 0, height = 0;
    std::vector<BYTE> rgb(PlatRenderWindow(t.parent.h, nullptr, 0, &width, &height));
    PlatRenderWindow(t.parent.h, rgb.data(), static_cast<DWORD>(rgb.size()), &width, &height);
    RECT box{width, height, -1, -1};
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x) {
            const BYTE* p = &rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
            if (p[0] != 0 || p[1] != 120 || p[2] != 215) continue;
            box = RECT{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
        }
    EXPECT_EQ(box.left, text.left);
    EXPECT_EQ(box.top, text.top);
    EXPECT_EQ(box.right, text.right);
    EXPECT_EQ(box.bottom, text.bottom);
}

}  // namespace
