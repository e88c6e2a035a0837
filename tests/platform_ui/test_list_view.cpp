// The list view in icon view: for each user action or program call, the notifications its
// parent gets in order (with the item's old and new state); items read back; where items lie
// and what a point hits; scrolling; the drag of an item with the image-list drag; the picture.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>

#include "plat/window_render.h"
#include "plat/window_test.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "tests/platform_ui/window_fixture.h"
#include "win/list_view.h"
#include "win/user_gdi.h"

namespace {

using namespace uitest;

struct ListNotice {
    UINT code;
    int item;
    UINT oldState;
    UINT newState;
    LPARAM extra;  // the item's data; the key for LVN_KEYDOWN; the changed fields when not the state
    bool operator==(const ListNotice&) const = default;
};

std::vector<ListNotice> g_listView;
LPARAM g_refuseChangeOf = -1;   // the data of the item whose change the parent refuses
bool g_quietDeleteAll = false;  // the parent's answer to LVN_DELETEALLITEMS

ListNotice Describe(const NMHDR& header) {
    switch (header.code) {
        case LVN_KEYDOWN:
            return {header.code, -1, 0, 0, reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey};
        case NM_CLICK:
        case NM_DBLCLK:
        case LVN_ITEMACTIVATE:
            return {header.code, reinterpret_cast<const NMITEMACTIVATE&>(header).iItem, 0, 0, 0};
        case NM_SETFOCUS:
        case NM_KILLFOCUS:
            return {header.code, -1, 0, 0, 0};
        default: {
            const auto& n = reinterpret_cast<const NMLISTVIEW&>(header);
            const bool state = n.uChanged == 0 || (n.uChanged & LVIF_STATE);
            return {header.code, n.iItem, n.uOldState, n.uNewState, state ? n.lParam : n.uChanged};
        }
    }
}

LRESULT CALLBACK ListViewParent(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NOTIFY) {
        const auto& header = *reinterpret_cast<const NMHDR*>(l);
        g_listView.push_back(Describe(header));
        if (header.code == LVN_ITEMCHANGING) return reinterpret_cast<const NMLISTVIEW*>(l)->lParam == g_refuseChangeOf;
        if (header.code == LVN_DELETEALLITEMS) return g_quietDeleteAll;
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

int Insert(HWND list, int at, const char16_t* text, LPARAM param, UINT state = 0) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE | LVIF_STATE;
    item.iItem = at;
    item.pszText = const_cast<LPWSTR>(text);
    item.lParam = param;
    item.state = state;
    item.stateMask = state;
    return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

LRESULT SetState(HWND list, int index, UINT state, UINT mask) {
    LVITEMW item{};
    item.state = state;
    item.stateMask = mask;
    return SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

int Selected(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

int Focused(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

RECT PartOf(HWND list, int index, int part) {
    RECT r{part, 0, 0, 0};
    EXPECT_TRUE(SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)));
    return r;
}

// The data of the items in list order, as a driver walks them (LVNI_ALL from the start).
std::vector<LPARAM> DataInOrder(HWND list) {
    std::vector<LPARAM> out;
    for (auto i = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_ALL)); i >= 0;
         i = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_ALL))) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        out.push_back(item.lParam);
    }
    return out;
}

struct IconListHolder {
    HIMAGELIST h;
    ~IconListHolder() { ImageList_Destroy(h); }
};

HIMAGELIST TestIcons(int size) {
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 2, 2);
    auto icon =
        static_cast<HICON>(LoadImageW(DialogModule(), MAKEINTRESOURCEW(kIconSmall), IMAGE_ICON, 4, 4, LR_DEFAULTCOLOR));
    ImageList_ReplaceIcon(list, -1, icon);
    ImageList_ReplaceIcon(list, -1, icon);
    DestroyIcon(icon);
    return list;
}

constexpr DWORD kFavouritesStyle =
    WS_CHILD | WS_VISIBLE | LVS_ICON | LVS_SINGLESEL | LVS_AUTOARRANGE | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
constexpr UINT kBoth = LVIS_SELECTED | LVIS_FOCUSED;

// A parent with an icon view of three items, "A" (data 10, selected and focused), "B" (20) and
// "C" (30).
struct ThreeItems {
    WindowHolder parent{MakeParentWindow(u"UiTestListViewParent", ListViewParent, 400, 300)};
    HWND list = nullptr;
    ThreeItems() {
        list = CreateWindowExW(0, WC_LISTVIEWW, nullptr, kFavouritesStyle, 0, 0, 320, 200, parent.h,
                               reinterpret_cast<HMENU>(static_cast<LONG_PTR>(kIdListView)), nullptr, nullptr);
        Insert(list, 0, u"A", 10);
        Insert(list, 1, u"B", 20);
        Insert(list, 2, u"C", 30);
        SetState(list, 0, kBoth, kBoth);
        g_listView.clear();
        g_refuseChangeOf = -1;
        g_quietDeleteAll = false;
    }
};

struct ListCase {
    const char* name;
    std::function<BOOL(HWND)> act;
    BOOL acted;
    std::vector<ListNotice> notices;
    int selected;
    int focused;
};

const ListNotice kFocus{NM_SETFOCUS, -1, 0, 0, 0};

const ListCase kListCases[] = {
    {"a click takes selection and focus from the old item, then reports the click",
     [](HWND l) { return PlatClickListItem(l, 1); },
     TRUE,
     {kFocus,
      {LVN_ITEMCHANGING, 0, kBoth, 0, 10},
      {LVN_ITEMCHANGED, 0, kBoth, 0, 10},
      {LVN_ITEMCHANGING, 1, 0, kBoth, 20},
      {LVN_ITEMCHANGED, 1, 0, kBoth, 20},
      {NM_CLICK, 1, 0, 0, 0}},
     1,
     1},
    {"clicking the selected item changes nothing",
     [](HWND l) { return PlatClickListItem(l, 0); },
     TRUE,
     {kFocus, {NM_CLICK, 0, 0, 0, 0}},
     0,
     0},
    {"a click on no item clears the selection and keeps the focus",
     [](HWND l) { return PlatClickListItem(l, -1); },
     TRUE,
     {kFocus,
      {LVN_ITEMCHANGING, 0, kBoth, LVIS_FOCUSED, 10},
      {LVN_ITEMCHANGED, 0, kBoth, LVIS_FOCUSED, 10},
      {NM_CLICK, -1, 0, 0, 0}},
     -1,
     0},
    {"a double click is a click, then NM_DBLCLK and the activation",
     [](HWND l) { return PlatDoubleClickListItem(l, 2); },
     TRUE,
     {kFocus,
      {LVN_ITEMCHANGING, 0, kBoth, 0, 10},
      {LVN_ITEMCHANGED, 0, kBoth, 0, 10},
      {LVN_ITEMCHANGING, 2, 0, kBoth, 30},
      {LVN_ITEMCHANGED, 2, 0, kBoth, 30},
      {NM_CLICK, 2, 0, 0, 0},
      {NM_DBLCLK, 2, 0, 0, 0},
      {LVN_ITEMACTIVATE, 2, 0, 0, 0}},
     2,
     2},
    {"the program's selection is asked for and told of; a single selection moves, the focus stays",
     [](HWND l) { return static_cast<BOOL>(SetState(l, 2, LVIS_SELECTED, LVIS_SELECTED)); },
     TRUE,
     {{LVN_ITEMCHANGING, 0, kBoth, LVIS_FOCUSED, 10},
      {LVN_ITEMCHANGED, 0, kBoth, LVIS_FOCUSED, 10},
      {LVN_ITEMCHANGING, 2, 0, LVIS_SELECTED, 30},
      {LVN_ITEMCHANGED, 2, 0, LVIS_SELECTED, 30}},
     2,
     0},
    {"index -1 changes every item that changes",
     [](HWND l) { return static_cast<BOOL>(SetState(l, -1, 0, LVIS_SELECTED)); },
     TRUE,
     {{LVN_ITEMCHANGING, 0, kBoth, LVIS_FOCUSED, 10}, {LVN_ITEMCHANGED, 0, kBoth, LVIS_FOCUSED, 10}},
     -1,
     0},
    {"the parent can refuse an item's change",
     [](HWND l) {
         g_refuseChangeOf = 20;
         return PlatClickListItem(l, 1);
     },
     TRUE,
     {kFocus,
      {LVN_ITEMCHANGING, 0, kBoth, 0, 10},
      {LVN_ITEMCHANGED, 0, kBoth, 0, 10},
      {LVN_ITEMCHANGING, 1, 0, kBoth, 20},
      {NM_CLICK, 1, 0, 0, 0}},
     -1,
     -1},
    {"a key goes to the parent first; Delete moves nothing",
     [](HWND l) { return PlatPressKey(l, VK_DELETE); },
     TRUE,
     {kFocus, {LVN_KEYDOWN, -1, 0, 0, VK_DELETE}},
     0,
     0},
    {"an arrow key moves selection and focus after telling the parent",
     [](HWND l) { return PlatPressKey(l, VK_RIGHT); },
     TRUE,
     {kFocus,
      {LVN_KEYDOWN, -1, 0, 0, VK_RIGHT},
      {LVN_ITEMCHANGING, 0, kBoth, 0, 10},
      {LVN_ITEMCHANGED, 0, kBoth, 0, 10},
      {LVN_ITEMCHANGING, 1, 0, kBoth, 20},
      {LVN_ITEMCHANGED, 1, 0, kBoth, 20}},
     1,
     1},
    {"a drag selects the pressed item, then asks the parent to drag it; no click",
     [](HWND l) { return PlatDragListItem(l, 2); },
     TRUE,
     {kFocus,
      {LVN_ITEMCHANGING, 0, kBoth, 0, 10},
      {LVN_ITEMCHANGED, 0, kBoth, 0, 10},
      {LVN_ITEMCHANGING, 2, 0, kBoth, 30},
      {LVN_ITEMCHANGED, 2, 0, kBoth, 30},
      {LVN_BEGINDRAG, 2, 0, 0, 30}},
     2,
     2},
    {"deleting an item tells the parent with its data",
     [](HWND l) { return static_cast<BOOL>(SendMessageW(l, LVM_DELETEITEM, 1, 0)); },
     TRUE,
     {{LVN_DELETEITEM, 1, 0, 0, 20}},
     0,
     0},
    {"deleting all items tells the parent once, then of every item",
     [](HWND l) { return static_cast<BOOL>(SendMessageW(l, LVM_DELETEALLITEMS, 0, 0)); },
     TRUE,
     {{LVN_DELETEALLITEMS, -1, 0, 0, 0},
      {LVN_DELETEITEM, 0, 0, 0, 10},
      {LVN_DELETEITEM, 1, 0, 0, 20},
      {LVN_DELETEITEM, 2, 0, 0, 30}},
     -1,
     -1},
    {"a parent answering TRUE to LVN_DELETEALLITEMS hears of no single item",
     [](HWND l) {
         g_quietDeleteAll = true;
         return static_cast<BOOL>(SendMessageW(l, LVM_DELETEALLITEMS, 0, 0));
     },
     TRUE,
     {{LVN_DELETEALLITEMS, -1, 0, 0, 0}},
     -1,
     -1},
    {"a new text is asked for and told of as a text change",
     [](HWND l) {
         LVITEMW item{};
         item.pszText = const_cast<LPWSTR>(u"Bee");
         return static_cast<BOOL>(SendMessageW(l, LVM_SETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&item)));
     },
     TRUE,
     {{LVN_ITEMCHANGING, 1, 0, 0, LVIF_TEXT}, {LVN_ITEMCHANGED, 1, 0, 0, LVIF_TEXT}},
     0,
     0},
    {"an item inserted selected is told, then takes the single selection",
     [](HWND l) { return static_cast<BOOL>(Insert(l, 1, u"New", 40, LVIS_SELECTED) == 1); },
     TRUE,
     {{LVN_INSERTITEM, 1, 0, 0, 40},
      {LVN_ITEMCHANGING, 0, kBoth, LVIS_FOCUSED, 10},
      {LVN_ITEMCHANGED, 0, kBoth, LVIS_FOCUSED, 10},
      {LVN_ITEMCHANGING, 1, 0, LVIS_SELECTED, 40},
      {LVN_ITEMCHANGED, 1, 0, LVIS_SELECTED, 40}},
     1,
     0},
    {"a disabled view cannot be clicked",
     [](HWND l) {
         EnableWindow(l, FALSE);
         return PlatClickListItem(l, 1);
     },
     FALSE,
     {},
     0,
     0},
    {"an item past the list cannot be clicked or dragged",
     [](HWND l) { return PlatClickListItem(l, 3) || PlatDragListItem(l, -1) || PlatDoubleClickListItem(l, 7); },
     FALSE,
     {},
     0,
     0},
};

TEST(ListView, NotificationsArriveInWindowsOrder) {
    for (const ListCase& c : kListCases) {
        SCOPED_TRACE(c.name);
        ThreeItems view;
        ASSERT_NE(view.list, nullptr);
        EXPECT_EQ(c.act(view.list), c.acted);
        EXPECT_EQ(g_listView, c.notices);
        EXPECT_EQ(Selected(view.list), c.selected);
        EXPECT_EQ(Focused(view.list), c.focused);
    }
    g_listView.clear();
}

TEST(ListView, ItemsKeepTextDataImageAndState) {
    ThreeItems view;
    LVITEMW set{};
    set.mask = LVIF_IMAGE | LVIF_STATE | LVIF_PARAM;
    set.iItem = 2;
    set.iImage = 1;
    set.lParam = 33;
    set.state = INDEXTOSTATEIMAGEMASK(1);
    set.stateMask = LVIS_STATEIMAGEMASK;
    ASSERT_TRUE(SendMessageW(view.list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&set)));
    EXPECT_EQ(g_listView, (std::vector<ListNotice>{
                              {LVN_ITEMCHANGING, 2, 0, INDEXTOSTATEIMAGEMASK(1), 30},
                              {LVN_ITEMCHANGED, 2, 0, INDEXTOSTATEIMAGEMASK(1), 33},
                          }));
    WCHAR text[2];
    LVITEMW get{};
    get.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE | LVIF_PARAM;
    get.iItem = 2;
    get.pszText = text;
    get.cchTextMax = 2;
    get.stateMask = static_cast<UINT>(-1);
    ASSERT_TRUE(SendMessageW(view.list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get)));
    EXPECT_EQ(std::u16string(text), u"C");
    EXPECT_EQ(get.iImage, 1);
    EXPECT_EQ(get.lParam, 33);
    EXPECT_EQ(get.state, static_cast<UINT>(INDEXTOSTATEIMAGEMASK(1)));
    EXPECT_EQ(SendMessageW(view.list, LVM_GETITEMSTATE, 2, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1));
    EXPECT_EQ(SendMessageW(view.list, LVM_GETITEMSTATE, 0, LVIS_SELECTED), LVIS_SELECTED);
    EXPECT_EQ(SendMessageW(view.list, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(view.list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
    EXPECT_EQ(DataInOrder(view.list), (std::vector<LPARAM>{10, 20, 33}));

    // A text longer than the buffer is cut, its terminator kept.
    LVITEMW longer{};
    longer.pszText = const_cast<LPWSTR>(u"Long");
    ASSERT_TRUE(SendMessageW(view.list, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&longer)));
    LVITEMW textOnly{};
    textOnly.pszText = text;
    textOnly.cchTextMax = 2;
    EXPECT_EQ(SendMessageW(view.list, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&textOnly)), 1);
    EXPECT_EQ(std::u16string(text), u"L");

    // Bad input is refused, nothing changed.
    get.iItem = 3;
    EXPECT_FALSE(SendMessageW(view.list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get)));
    EXPECT_FALSE(SendMessageW(view.list, LVM_GETITEMW, 0, 0));
    EXPECT_FALSE(SendMessageW(view.list, LVM_SETITEMW, 0, 0));
    EXPECT_FALSE(SendMessageW(view.list, LVM_SETITEMSTATE, 5, 0));
    EXPECT_EQ(SendMessageW(view.list, LVM_INSERTITEMW, 0, 0), -1);
    EXPECT_EQ(Insert(view.list, -4, u"x", 0), -1);
    EXPECT_EQ(Insert(view.list, 99, u"D", 40), 3);  // past the end: appended
    EXPECT_FALSE(SendMessageW(view.list, LVM_DELETEITEM, 9, 0));
    EXPECT_EQ(SendMessageW(view.list, LVM_GETNEXTITEM, 3, LVNI_ALL), -1);
    EXPECT_EQ(SendMessageW(view.list, LVM_CREATEDRAGIMAGE, 8, 0), 0);
}

// Five items of 32 x 32 images in a 320-pixel view at a spacing of 80 x 70: four to a row.
struct IconGrid : ThreeItems {
    IconListHolder icons{TestIcons(32)};
    IconListHolder states{TestIcons(16)};
    IconGrid() {
        SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(icons.h));
        SendMessageW(list, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(states.h));
        SendMessageW(list, LVM_SETICONSPACING, 0, MAKELPARAM(80, 70));
        Insert(list, 3, u"Standard", 40);
        Insert(list, 4, u"E", 50);
        SetState(list, 0, INDEXTOSTATEIMAGEMASK(1), LVIS_STATEIMAGEMASK);
    }
};

TEST(ListView, ItemsLieOnTheGridAndPointsHitTheirParts) {
    IconGrid view;
    const POINT kSlots[] = {{0, 0}, {80, 0}, {160, 0}, {240, 0}, {0, 70}};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        POINT at{};
        ASSERT_TRUE(
            SendMessageW(view.list, LVM_GETITEMPOSITION, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&at)));
        EXPECT_EQ(at.x, kSlots[i].x);
        EXPECT_EQ(at.y, kSlots[i].y);
        const RECT icon = PartOf(view.list, i, LVIR_ICON), label = PartOf(view.list, i, LVIR_LABEL);
        const RECT bounds = PartOf(view.list, i, LVIR_BOUNDS);
        EXPECT_EQ(icon.left, kSlots[i].x);
        EXPECT_EQ(icon.right, kSlots[i].x + 80);
        EXPECT_EQ(icon.top, kSlots[i].y);
        EXPECT_EQ(icon.bottom, kSlots[i].y + 32 + 4);  // the image and its margins
        EXPECT_EQ(label.top, icon.bottom);             // the label under it, centred
        EXPECT_LE(std::abs(label.left + label.right - (icon.left + icon.right)), 1);
        EXPECT_GT(label.right, label.left);
        EXPECT_EQ(bounds.top, icon.top);
        EXPECT_EQ(bounds.bottom, label.bottom);
    }
    EXPECT_EQ(SendMessageW(view.list, LVM_GETITEMSPACING, FALSE, 0), MAKELONG(80, 70));

    struct Hit {
        POINT at;
        int item;
        UINT flags;
    };
    const RECT standardLabel = PartOf(view.list, 3, LVIR_LABEL);
    const Hit kHits[] = {
        {{40, 10}, 0, LVHT_ONITEMICON},
        {{120, 30}, 1, LVHT_ONITEMICON},
        {{10, 20}, 0, LVHT_ONITEMSTATEICON},  // the state image, left of and below the icon's top
        {{90, 20}, 1, LVHT_ONITEMICON},       // no state image on item 1
        {{(standardLabel.left + standardLabel.right) / 2, standardLabel.top + 2}, 3, LVHT_ONITEMLABEL},
        {{standardLabel.left - 2, standardLabel.top + 2}, -1, LVHT_NOWHERE},
        {{100, 150}, -1, LVHT_NOWHERE},
        {{-3, 10}, -1, LVHT_TOLEFT},
        {{10, 200}, -1, LVHT_BELOW},
        {{320, -1}, -1, LVHT_TORIGHT | LVHT_ABOVE},
    };
    for (const Hit& hit : kHits) {
        SCOPED_TRACE(testing::Message() << hit.at.x << "," << hit.at.y);
        LVHITTESTINFO info{};
        info.pt = hit.at;
        EXPECT_EQ(SendMessageW(view.list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), hit.item);
        EXPECT_EQ(info.iItem, hit.item);
        EXPECT_EQ(info.flags, hit.flags);
    }
}

TEST(ListView, PositionsArrangeAndSpacing) {
    IconGrid view;
    POINT at{};
    // Kept arranged: a position set is taken back to the item's slot.
    SendMessageW(view.list, LVM_SETITEMPOSITION, 1, MAKELPARAM(200, 100));
    SendMessageW(view.list, LVM_GETITEMPOSITION, 1, reinterpret_cast<LPARAM>(&at));
    EXPECT_EQ(at.x, 80);
    SetWindowLongW(view.list, GWL_STYLE, static_cast<LONG>(kFavouritesStyle & ~static_cast<DWORD>(LVS_AUTOARRANGE)));
    SendMessageW(view.list, LVM_SETITEMPOSITION, 1, MAKELPARAM(200, 100));
    SendMessageW(view.list, LVM_GETITEMPOSITION, 1, reinterpret_cast<LPARAM>(&at));
    EXPECT_EQ(at.x, 200);
    EXPECT_EQ(at.y, 100);
    LVHITTESTINFO info{};
    info.pt = POINT{210, 110};
    EXPECT_EQ(SendMessageW(view.list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), 1);
    // A new item takes the first free slot: item 1's old one.
    EXPECT_EQ(Insert(view.list, 5, u"F", 60), 5);
    SendMessageW(view.list, LVM_GETITEMPOSITION, 5, reinterpret_cast<LPARAM>(&at));
    EXPECT_EQ(at.x, 80);
    EXPECT_EQ(at.y, 0);
    EXPECT_TRUE(SendMessageW(view.list, LVM_ARRANGE, LVA_DEFAULT, 0));
    SendMessageW(view.list, LVM_GETITEMPOSITION, 1, reinterpret_cast<LPARAM>(&at));
    EXPECT_EQ(at.x, 80);
    EXPECT_EQ(at.y, 0);
    SendMessageW(view.list, LVM_GETITEMPOSITION, 5, reinterpret_cast<LPARAM>(&at));
    EXPECT_EQ(at.x, 80);
    EXPECT_EQ(at.y, 70);

    // The default spacing comes back with -1 and is wide enough for the image and two lines.
    EXPECT_EQ(SendMessageW(view.list, LVM_SETICONSPACING, 0, MAKELPARAM(-1, -1)), MAKELONG(80, 70));
    const auto spacing = static_cast<DWORD>(SendMessageW(view.list, LVM_GETITEMSPACING, FALSE, 0));
    EXPECT_GE(LOWORD(spacing), 75);
    EXPECT_GE(HIWORD(spacing), 32 + 2 * 13);
    const auto small = static_cast<DWORD>(SendMessageW(view.list, LVM_GETITEMSPACING, TRUE, 0));
    EXPECT_GE(HIWORD(small), 16);
    EXPECT_LT(HIWORD(small), HIWORD(spacing));
}

// In small-icon view each item is a row cell: the small image, then its label on the same line.
TEST(ListView, SmallIconViewPutsTheLabelBesideTheImage) {
    IconGrid view;
    IconListHolder small{TestIcons(16)};
    SendMessageW(view.list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small.h));
    SetWindowLongW(view.list, GWL_STYLE, static_cast<LONG>((kFavouritesStyle & ~LVS_TYPEMASK) | LVS_SMALLICON));
    SendMessageW(view.list, LVM_ARRANGE, LVA_DEFAULT, 0);
    const auto cell = static_cast<DWORD>(SendMessageW(view.list, LVM_GETITEMSPACING, TRUE, 0));
    const LONG columns = 320 / LOWORD(cell);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        const RECT icon = PartOf(view.list, i, LVIR_ICON), label = PartOf(view.list, i, LVIR_LABEL);
        EXPECT_EQ(icon.left, (i % columns) * LOWORD(cell));
        EXPECT_EQ(icon.top, (i / columns) * HIWORD(cell));
        EXPECT_EQ(icon.right - icon.left, 16 + 4);
        EXPECT_EQ(label.left, icon.right);
        EXPECT_EQ(label.top, icon.top);
        EXPECT_EQ(label.bottom, icon.bottom);
    }
    LVHITTESTINFO info{};
    const RECT label = PartOf(view.list, 3, LVIR_LABEL);
    info.pt = POINT{label.left + 3, label.top + 3};
    EXPECT_EQ(SendMessageW(view.list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), 3);
    EXPECT_EQ(info.flags, static_cast<UINT>(LVHT_ONITEMLABEL));
}

TEST(ListView, ScrollsByPixelsAndMakesItemsVisible) {
    IconGrid view;
    for (int i = 5; i < 16; ++i) Insert(view.list, i, u"More", 100 + i);  // four rows of 70 in 200
    EXPECT_EQ(SendMessageW(view.list, LVM_GETTOPINDEX, 0, 0), 0);         // icon views have no top item
    EXPECT_TRUE(SendMessageW(view.list, LVM_SCROLL, 0, 1000));
    POINT origin{};
    ASSERT_TRUE(SendMessageW(view.list, LVM_GETORIGIN, 0, reinterpret_cast<LPARAM>(&origin)));
    const RECT last = PartOf(view.list, 15, LVIR_BOUNDS);
    EXPECT_GT(origin.y, 0);
    EXPECT_EQ(last.bottom, 200);  // scrolled as far as the last row reaches, no further
    EXPECT_EQ(PartOf(view.list, 0, LVIR_ICON).top, -origin.y);
    LVHITTESTINFO info{};
    info.pt = POINT{(last.left + last.right) / 2, last.top + 10};
    EXPECT_EQ(SendMessageW(view.list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), 15);
    EXPECT_TRUE(SendMessageW(view.list, LVM_ENSUREVISIBLE, 0, FALSE));
    EXPECT_EQ(PartOf(view.list, 0, LVIR_BOUNDS).top, 0);
    EXPECT_TRUE(SendMessageW(view.list, LVM_SCROLL, 0, -500));
    SendMessageW(view.list, LVM_GETORIGIN, 0, reinterpret_cast<LPARAM>(&origin));
    EXPECT_EQ(origin.y, 0);
    EXPECT_TRUE(SendMessageW(view.list, LVM_ENSUREVISIBLE, 15, FALSE));
    EXPECT_EQ(PartOf(view.list, 15, LVIR_BOUNDS).bottom, 200);  // the least scroll that shows it whole
    EXPECT_FALSE(SendMessageW(view.list, LVM_ENSUREVISIBLE, 16, FALSE));
}

// The favourites' reordering: the parent starts an image-list drag on LVN_BEGINDRAG, moves it,
// and on the drop re-inserts the dragged item before the one under the point.
struct DragRun {
    HIMAGELIST image = nullptr;
    POINT upperLeft{};
    BOOL began = FALSE;
    BOOL entered = FALSE;
};
DragRun g_drag;

LRESULT CALLBACK DraggingParent(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NOTIFY && reinterpret_cast<NMHDR*>(l)->code == LVN_BEGINDRAG) {
        const auto* n = reinterpret_cast<NMLISTVIEW*>(l);
        HWND list = n->hdr.hwndFrom;
        g_drag.image = reinterpret_cast<HIMAGELIST>(SendMessageW(
            list, LVM_CREATEDRAGIMAGE, static_cast<WPARAM>(n->iItem), reinterpret_cast<LPARAM>(&g_drag.upperLeft)));
        g_drag.began = ImageList_BeginDrag(g_drag.image, 0, n->ptAction.x - g_drag.upperLeft.x,
                                           n->ptAction.y - g_drag.upperLeft.y);
        g_drag.entered = ImageList_DragEnter(list, n->ptAction.x, n->ptAction.y);
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

TEST(ListView, DraggingTheLastItemOntoTheFirstPutsItFirst) {
    const DWORD listsBefore = PlatLiveImageListCount();
    EXPECT_FALSE(ImageList_DragEnter(nullptr, 0, 0));  // no drag under way
    EXPECT_FALSE(ImageList_DragMove(1, 1));
    EXPECT_FALSE(ImageList_DragShowNolock(TRUE));
    WindowHolder parent(MakeParentWindow(u"UiTestDraggingParent", DraggingParent, 400, 300));
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, nullptr, kFavouritesStyle, 0, 0, 320, 200, parent.h,
                                reinterpret_cast<HMENU>(static_cast<LONG_PTR>(kIdListView)), nullptr, nullptr);
    IconListHolder icons{TestIcons(32)};
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(icons.h));
    for (int i = 0; i < 3; ++i) Insert(list, i, u"Item", 10 * (i + 1));
    g_drag = DragRun{};
    ASSERT_TRUE(PlatDragListItem(list, 2));
    ASSERT_NE(g_drag.image, nullptr);
    EXPECT_TRUE(g_drag.began);
    EXPECT_TRUE(g_drag.entered);
    EXPECT_EQ(ImageList_GetImageCount(g_drag.image), 1);
    const RECT bounds = PartOf(list, 2, LVIR_BOUNDS);
    EXPECT_EQ(g_drag.upperLeft.x, bounds.left);
    EXPECT_EQ(g_drag.upperLeft.y, bounds.top);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(g_drag.image, &cx, &cy);
    EXPECT_EQ(cx, bounds.right - bounds.left);
    EXPECT_EQ(cy, bounds.bottom - bounds.top);
    ImageList_Destroy(g_drag.image);  // the drag keeps its own copy

    HWND lock = nullptr;
    EXPECT_TRUE(PlatImageDragShown(&lock));
    EXPECT_EQ(lock, list);
    const RECT first = PartOf(list, 0, LVIR_ICON);
    const POINT drop{(first.left + first.right) / 2, first.top + 5};
    EXPECT_TRUE(ImageList_DragMove(drop.x, drop.y));
    POINT at{}, hotspot{};
    ASSERT_NE(ImageList_GetDragImage(&at, &hotspot), nullptr);
    EXPECT_EQ(at.x, drop.x);
    EXPECT_EQ(at.y, drop.y);
    EXPECT_TRUE(ImageList_DragShowNolock(FALSE));
    EXPECT_FALSE(PlatImageDragShown(nullptr));
    EXPECT_TRUE(ImageList_DragShowNolock(TRUE));
    EXPECT_TRUE(ImageList_DragLeave(list));
    EXPECT_FALSE(PlatImageDragShown(nullptr));
    ImageList_EndDrag();
    EXPECT_EQ(ImageList_GetDragImage(nullptr, nullptr), nullptr);

    // The drop: the dragged item goes before the item under the point; data (the records'
    // numbers) unchanged.
    LVHITTESTINFO info{};
    info.pt = drop;
    const auto target = static_cast<int>(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    ASSERT_EQ(target, 0);
    const auto dragged = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    ASSERT_EQ(dragged, 2);
    LVITEMW moved{};
    moved.mask = LVIF_PARAM;
    moved.iItem = dragged;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&moved));
    SendMessageW(list, LVM_DELETEITEM, static_cast<WPARAM>(dragged), 0);
    EXPECT_EQ(Insert(list, target, u"Item", moved.lParam, LVIS_SELECTED | LVIS_FOCUSED), 0);
    EXPECT_EQ(DataInOrder(list), (std::vector<LPARAM>{30, 10, 20}));
    EXPECT_EQ(Selected(list), 0);
    DestroyWindow(list);
    EXPECT_EQ(PlatLiveImageListCount(), listsBefore + 1);  // the shared list is the caller's
}

// A parent that empties the view while it is asked about a change (or told of a press) leaves
// the view empty and working, the action done with nothing left to act on.
LRESULT CALLBACK EmptyingParent(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NOTIFY && reinterpret_cast<NMHDR*>(l)->code == LVN_ITEMCHANGING) {
        SendMessageW(reinterpret_cast<NMHDR*>(l)->hwndFrom, LVM_DELETEALLITEMS, 0, 0);
        return FALSE;
    }
    return DefWindowProcW(h, m, w, l);
}

TEST(ListView, AParentEmptyingTheViewMidChangeBreaksNothing) {
    WindowHolder parent(MakeParentWindow(u"UiTestEmptyingParent", EmptyingParent, 300, 200));
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, nullptr, kFavouritesStyle, 0, 0, 200, 100, parent.h,
                                reinterpret_cast<HMENU>(static_cast<LONG_PTR>(kIdListView)), nullptr, nullptr);
    // A click is made (on what was there); a drag has no item left to begin with.
    const std::pair<BOOL (*)(HWND, int), BOOL> kActs[] = {
        {PlatClickListItem, TRUE}, {PlatDoubleClickListItem, TRUE}, {PlatDragListItem, FALSE}};
    for (const auto& [act, acted] : kActs) {
        for (int i = 0; i < 3; ++i) Insert(list, i, u"Item", i);
        ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
        EXPECT_EQ(act(list, 1), acted);
        EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
        EXPECT_EQ(Selected(list), -1);
    }
    for (int i = 0; i < 3; ++i) Insert(list, i, u"Item", i);
    EXPECT_TRUE(SetState(list, -1, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(Insert(list, 0, u"Again", 7), 0);
}

// Without LVS_SHAREIMAGELISTS the view destroys its image lists with itself.
TEST(ListView, OwnImageListsGoWithTheView) {
    const DWORD before = PlatLiveImageListCount();
    HWND own = CreateWindowExW(0, WC_LISTVIEWW, nullptr, WS_POPUP | LVS_ICON, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                               nullptr);
    ASSERT_NE(own, nullptr);
    SendMessageW(own, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(TestIcons(32)));
    SendMessageW(own, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(TestIcons(16)));
    EXPECT_EQ(PlatLiveImageListCount(), before + 2);
    DestroyWindow(own);
    EXPECT_EQ(PlatLiveImageListCount(), before);
}

// The picture: each item's image in its icon's place, the selected item's label on the
// highlight, an unselected label without it; the same as a PNG file.
TEST(ListView, RenderedIconViewShowsImagesAndTheSelection) {
    IconGrid view;
    SetState(view.list, 3, LVIS_SELECTED, LVIS_SELECTED);
    LONG width = 0, height = 0;
    std::vector<BYTE> rgb(PlatRenderWindow(view.parent.h, nullptr, 0, &width, &height));
    ASSERT_EQ(PlatRenderWindow(view.parent.h, rgb.data(), static_cast<DWORD>(rgb.size()), &width, &height), rgb.size());
    auto count = [&](RECT r, BYTE red, BYTE green, BYTE blue) {
        int n = 0;
        for (LONG y = std::max<LONG>(r.top, 0); y < std::min(r.bottom, height); ++y)
            for (LONG x = std::max<LONG>(r.left, 0); x < std::min(r.right, width); ++x) {
                const BYTE* p =
                    &rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
                n += p[0] == red && p[1] == green && p[2] == blue;
            }
        return n;
    };
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_GT(count(PartOf(view.list, i, LVIR_ICON), 0, 0, 255), 32 * 16);  // the icon, its clear column aside
    }
    const RECT selectedLabel = PartOf(view.list, 3, LVIR_LABEL);
    const RECT otherLabel = PartOf(view.list, 4, LVIR_LABEL);
    const int area = (selectedLabel.right - selectedLabel.left) * (selectedLabel.bottom - selectedLabel.top);
    EXPECT_GT(count(selectedLabel, 0, 120, 215), area / 2);
    EXPECT_EQ(count(otherLabel, 0, 120, 215), 0);
    EXPECT_GT(count(otherLabel, 0, 0, 0), 0);  // its text
    // The state image sits left of item 0's icon.
    const RECT icon = PartOf(view.list, 0, LVIR_ICON);
    EXPECT_GT(count(RECT{icon.left, icon.top, icon.left + 24, icon.bottom}, 0, 0, 255), 16 * 4);

    const std::string path = testing::TempDir() + "list_view_icons.png";
    ASSERT_TRUE(PlatRenderWindowToPng(view.parent.h, path.c_str()));
    std::ifstream png(path, std::ios::binary);
    char signature[8] = {};
    png.read(signature, 8);
    EXPECT_EQ(std::memcmp(signature, "\x89PNG\r\n\x1a\n", 8), 0);
    png.close();
    std::remove(path.c_str());
}

}  // namespace
