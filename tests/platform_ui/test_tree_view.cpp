// The tree view and image lists: items inserted, read and changed; the selection asked for
// and told of in order, refusable; expanding by the user announced; items gone with the window.
#include <cstring>

#include "plat/window_render.h"
#include "plat/window_test.h"
#include "tests/platform_ui/window_fixture.h"
#include "win/tree_view.h"

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

TEST(TreeView, ImageListsCountAndBound) {
    DWORD before = PlatLiveImageListCount();
    {
        ImageListHolder list{ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 4)};
        ASSERT_NE(list.h, nullptr);
        EXPECT_EQ(PlatLiveImageListCount(), before + 1);
        auto icon = reinterpret_cast<HICON>(0x1234);
        EXPECT_EQ(ImageList_ReplaceIcon(list.h, -1, icon), 0);
        EXPECT_EQ(ImageList_ReplaceIcon(list.h, -1, icon), 1);
        EXPECT_EQ(ImageList_ReplaceIcon(list.h, 1, icon), 1);
        EXPECT_EQ(ImageList_ReplaceIcon(list.h, 7, icon), -1);  // no image 7 to replace
        EXPECT_EQ(ImageList_ReplaceIcon(list.h, -1, nullptr), -1);
        EXPECT_EQ(ImageList_GetImageCount(list.h), 2);
        EXPECT_FALSE(ImageList_Remove(list.h, 5));
        EXPECT_TRUE(ImageList_Remove(list.h, -1));
        EXPECT_EQ(ImageList_GetImageCount(list.h), 0);
    }
    EXPECT_EQ(PlatLiveImageListCount(), before);
    EXPECT_EQ(ImageList_Create(0, 16, 0, 1, 1), nullptr);
    EXPECT_FALSE(ImageList_Destroy(reinterpret_cast<HIMAGELIST>(&before)));
}

}  // namespace
