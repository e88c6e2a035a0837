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
