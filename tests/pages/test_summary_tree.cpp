// The settings summary dialog and its tree: filled from the page's table, rows disabled by the
// constraint pass keep that mark through refreshes, changes against the applied record are
// marked, the small icons load once, and the owner-drawn entries of the summary's dialogs.
#include <string>

#include "tests/pages/summary_fixture.h"
#include "ui/entry/ui_flags.h"
#include "ui/pages/page_switches.h"
#include "ui/pages/paper_rules.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace {

using namespace orla;
using pages_test::SummarySandbox;
using pages_test::WindowPtr;
namespace ids = orla_res::summary;

class SummaryTree : public SummarySandbox {
protected:
    HWND OpenFull() {
        ui_->flags = kUiDocumentSheets | kUiCanChange;
        page_.flags = kPageBusyManager;
        return OpenSummary();
    }
    int TreeCount() const { return static_cast<int>(SendMessageW(page_.hTree, TVM_GETCOUNT, 0, 0)); }
    HTREEITEM Next(UINT how, HTREEITEM from = nullptr) const {
        return reinterpret_cast<HTREEITEM>(
            SendMessageW(page_.hTree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
    }
};

TEST_F(SummaryTree, SummaryShowsTheFullTableWithTheRootSelected) {
    HWND dialog = OpenFull();
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(page_.hTree, nullptr);
    EXPECT_EQ(GetDlgItem(dialog, ids::kTree), page_.hTree) << "the tree took the placeholder's id";
    EXPECT_EQ(page_.treeRowList, DocumentTreeRowsFull());
    int held = 0;
    for (HTREEITEM item : page_.treeRowItems) held += item != nullptr;
    EXPECT_EQ(TreeCount(), held);
    EXPECT_GT(held, 30);
    ASSERT_NE(Row(430), nullptr);
    EXPECT_EQ(Next(TVGN_ROOT), Row(430));
    EXPECT_EQ(Next(TVGN_CARET), Row(430));
    EXPECT_EQ(ItemText(Row(430)), std::u16string(ui_->printerName));
    // Without the trust-marking library its rows stay out.
    EXPECT_EQ(Row(780), nullptr);
    EXPECT_EQ(Row(781), nullptr);
}

TEST_F(SummaryTree, RowsHangUnderTheRowAboveTheirLevel) {
    Set(r(), dm::DeviceState(dm::kDuplex), WORD{9});
    ASSERT_NE(OpenFull(), nullptr);
    struct Case {
        DWORD row;
        DWORD parent;
    };
    const Case cases[] = {{400, 430}, {779, 400}, {408, 407}, {404, 402}, {403, 402}, {426, 417},
                          {876, 879}, {554, 552}, {570, 452}, {432, 429}, {840, 429}};
    for (const Case& c : cases) {
        ASSERT_NE(Row(c.row), nullptr) << c.row;
        EXPECT_EQ(Next(TVGN_PARENT, Row(c.row)), Row(c.parent)) << c.row;
    }
}

TEST_F(SummaryTree, SheetTreeWithoutTheDialogTakesTheShortTable) {
    ui_->flags = kUiDocumentSheets | kUiCanChange;
    page_.flags = 0;
    ASSERT_NE(OpenSummary(), nullptr);
    EXPECT_EQ(page_.treeRowList, DocumentTreeRowsShort());
    EXPECT_LE(TreeCount(), kJapaneseBuild ? 23 : 19);
    EXPECT_EQ(Row(1094) != nullptr, kJapaneseBuild);
    EXPECT_EQ(Row(428), nullptr) << "copies are a row of the full table only";
}

TEST_F(SummaryTree, RowsReadLabelAndValueWithTheirIcon) {
    Set(r(), dm::Copies, SHORT{4});
    applied() = r();
    ASSERT_NE(OpenFull(), nullptr);
    HTREEITEM copies = Row(428);
    ASSERT_NE(copies, nullptr);
    EXPECT_EQ(ItemText(copies), Text(428) + u"<4>");
    EXPECT_EQ(ItemData(copies) & kTreeDataRowIdMask, 428);
    EXPECT_EQ(ItemImage(copies), SmallImageIndex(page_, 738));
    EXPECT_GE(ItemImage(copies), 0);
    EXPECT_EQ(ItemText(Row(400)), Text(400));
    EXPECT_EQ(ItemImage(Row(400)), SmallImageIndex(page_, 701));
}

TEST_F(SummaryTree, DisabledRowKeepsItsMarkThroughRefreshes) {
    HWND dialog = OpenFull();
    ASSERT_NE(dialog, nullptr);
    HTREEITEM copies = Row(428);
    ASSERT_NE(copies, nullptr);
    EXPECT_FALSE(ItemData(copies) & kTreeDataDisabled);
    SetTreeItemEnabled(&page_, 428, FALSE);
    EXPECT_TRUE(ItemData(copies) & kTreeDataDisabled);
    Set(r(), dm::Copies, SHORT{5});
    RefreshTreeItem(&page_, 428);
    EXPECT_EQ(ItemText(copies), Text(428) + u"<5>");
    EXPECT_TRUE(ItemData(copies) & kTreeDataDisabled);
    EXPECT_TRUE(ItemData(copies) & kTreeDataChanged);
    RefreshTreeItems(&page_);
    EXPECT_TRUE(ItemData(copies) & kTreeDataDisabled);
    SetTreeItemEnabled(&page_, 428, TRUE);
    RefreshTreeItems(&page_);
    EXPECT_FALSE(ItemData(copies) & kTreeDataDisabled);
    EXPECT_EQ(ItemText(copies), Text(428) + u"<5>");
}

TEST_F(SummaryTree, ConstraintPassDisablesLockedRowsAndTheyStayGrey) {
    HWND dialog = OpenFull();
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(Row(428), nullptr);
    ui_->flags &= ~kUiCanChange;  // settings may not be changed: the pass locks its rows
    RefreshConstraintsAndTree(&page_, dialog, 0, FALSE);
    for (DWORD row : {428u, 402u, 419u, 425u}) {
        ASSERT_NE(Row(row), nullptr) << row;
        EXPECT_TRUE(ItemData(Row(row)) & kTreeDataDisabled) << row;
    }
    Set(r(), dm::Copies, SHORT{7});
    RefreshConstraintsAndTree(&page_, dialog, 428, FALSE);
    EXPECT_TRUE(ItemData(Row(428)) & kTreeDataDisabled);
    EXPECT_EQ(ItemText(Row(428)), Text(428) + u"<7>");
    // The printer row is not locked.
    EXPECT_FALSE(ItemData(Row(430)) & kTreeDataDisabled);
}

TEST_F(SummaryTree, ChangedCopiesAreMarkedUntilTheSheetApplies) {
    HWND dialog = OpenFull();
    ASSERT_NE(dialog, nullptr);
    Set(r(), dm::Copies, SHORT{2});
    Set(applied(), dm::Copies, SHORT{1});
    RefreshConstraintsAndTree(&page_, dialog, 428, FALSE);
    LPARAM data = ItemData(Row(428));
    EXPECT_TRUE(data & kTreeDataChanged);
    EXPECT_EQ(ChooseTreeRowColours(false, false, false, (data & kTreeDataChanged) != 0).value, COLORREF{0x0000FF});
    applied() = r();
    RefreshConstraintsAndTree(&page_, dialog, 428, FALSE);
    data = ItemData(Row(428));
    EXPECT_FALSE(data & kTreeDataChanged);
    EXPECT_EQ(ChooseTreeRowColours(false, false, false, (data & kTreeDataChanged) != 0).value, COLORREF{0xFF0000});
}

TEST_F(SummaryTree, IconListDoesNotGrowOnRefresh) {
    HWND dialog = OpenFull();
    ASSERT_NE(dialog, nullptr);
    const int loaded = ImageList_GetImageCount(page_.smallImages);
    EXPECT_GT(loaded, 5);
    for (int i = 0; i < 3; ++i) {
        RefreshTreeItems(&page_);
        RefreshConstraintsAndTree(&page_, dialog, 0, FALSE);
    }
    EXPECT_EQ(ImageList_GetImageCount(page_.smallImages), loaded);
}

TEST_F(SummaryTree, EachSmallIconLoadsOnceIncludingTheFirst) {
    struct Case {
        UINT id;
        int index;
    };
    // Icon 700 takes index 0, which must read as loaded like any other.
    const Case cases[] = {{700, 0}, {700, 0}, {768, 1}, {700, 0}, {768, 1}, {960, 2}, {960, 2}};
    for (const Case& c : cases) EXPECT_EQ(GetCachedIconIndex(&page_, c.id), c.index) << c.id;
    EXPECT_EQ(ImageList_GetImageCount(page_.smallImages), 3);
    for (UINT outside : {0u, 699u, 961u, 0xFFFFu}) EXPECT_EQ(GetCachedIconIndex(&page_, outside), -1) << outside;
    EXPECT_EQ(ImageList_GetImageCount(page_.smallImages), 3);
}

TEST_F(SummaryTree, NoImageListNoTree) {
    ImageList_Destroy(page_.smallImages);
    page_.smallImages = nullptr;
    HWND dialog = OpenFull();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(page_.hTree, nullptr);
    EXPECT_EQ(FindTreeItemByKey(&page_, 430), nullptr);
    SetTreeItemEnabled(&page_, 430, FALSE);  // nothing to switch, nothing touched
    RefreshTreeItems(&page_);
}

TEST_F(SummaryTree, CloseAndCancelTakeTheTreeDown) {
    for (int command : {ids::kClose, static_cast<int>(IDCANCEL)}) {
        HWND dialog = OpenFull();
        ASSERT_NE(dialog, nullptr);
        HWND tree = page_.hTree;
        ASSERT_NE(tree, nullptr);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
        EXPECT_EQ(page_.hTree, nullptr) << command;
        EXPECT_FALSE(IsWindow(tree)) << command;
        EXPECT_EQ(FindTreeItemByKey(&page_, 430), nullptr);
        dialog_.reset();
    }
}

TEST_F(SummaryTree, DialogTakenDownByItsOwnerForgetsTheTree) {
    ASSERT_NE(OpenFull(), nullptr);
    ASSERT_NE(page_.hTree, nullptr);
    dialog_.reset();
    EXPECT_EQ(page_.hTree, nullptr);
    RefreshTreeItems(&page_);
}

TEST_F(SummaryTree, RefusedUserNameSelectsItsRow) {
    HWND dialog = OpenFull();
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(Row(447), nullptr);
    SetText(r(), dm::JobUserName, u"a~b");
    Set(r(), dm::Flags1, Get(r(), dm::Flags1) | kFlags1DisplayJobUser);
    EXPECT_FALSE(CheckUserNameCharacters(dialog, &page_, static_cast<int>(UserNameCheck::kSelectTreeRow)));
    EXPECT_EQ(Next(TVGN_CARET), Row(447));
    EXPECT_TRUE(Get(r(), dm::Flags1) & kFlags1DisplayJobUser) << "the row is shown, the choice kept";
}

// ---- Colours --------------------------------------------------------------------------------

TEST(SummaryColours, RowColoursByHighlightFocusStateAndChange) {
    struct Case {
        bool highlighted, focused, disabled, changed;
        int background, text;
        COLORREF value;
    };
    constexpr int kBtnShadow = 16, kBtnText = 18;
    // The platform's window ground is white (light), its highlight dark and its button face light.
    const Case cases[] = {
        {false, false, false, true, COLOR_WINDOW, COLOR_WINDOWTEXT, 0x0000FF},
        {false, true, false, false, COLOR_WINDOW, COLOR_WINDOWTEXT, 0xFF0000},
        {false, false, true, true, COLOR_WINDOW, kBtnShadow, 0x000080},
        {false, false, true, false, COLOR_WINDOW, kBtnShadow, 0x800000},
        {true, true, false, true, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, 0xFF00FF},
        {true, true, false, false, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, 0xFFFF00},
        {true, true, true, true, COLOR_HIGHLIGHT, COLOR_BTNFACE, 0x00FFFF},
        {true, true, true, false, COLOR_HIGHLIGHT, COLOR_BTNFACE, 0xC0C0C0},
        {true, false, false, true, COLOR_BTNFACE, kBtnText, 0x0000FF},
        {true, false, true, false, COLOR_BTNFACE, kBtnShadow, 0x800000},
    };
    for (const Case& c : cases) {
        const TreeRowColours got = ChooseTreeRowColours(c.highlighted, c.focused, c.disabled, c.changed);
        const std::string where = std::to_string(c.highlighted) + std::to_string(c.focused) +
                                  std::to_string(c.disabled) + std::to_string(c.changed);
        EXPECT_EQ(got.background, GetSysColor(c.background)) << where;
        EXPECT_EQ(got.text, GetSysColor(c.text)) << where;
        EXPECT_EQ(got.value, c.value) << where;
        EXPECT_FALSE(got.opaqueValue) << where;
    }
}

TEST(SummaryColours, DarkGroundByWeightedBytes) {
    struct Case {
        COLORREF colour;
        bool dark;
    };
    // 23 R + 67 G + 10 B against 12,750; COLORREF is 0x00BBGGRR.
    const Case cases[] = {{0x000000, true}, {0xFFFFFF, false}, {0x02BE00, false}, {0x01BE00, true},
                          {0xD77800, true}, {0xF0F0F0, false}, {0x0000FF, true},  {0x00FF00, false}};
    for (const Case& c : cases) EXPECT_EQ(IsDarkBackground(c.colour), c.dark) << std::hex << c.colour;
}

// ---- Owner-drawn entries ----------------------------------------------------------------------

class SummaryEntries : public SummarySandbox {
protected:
    void SetUp() override {
        SummarySandbox::SetUp();
        if (HasFatalFailure()) return;
        list_.reset(CreateWindowExW(0, u"ListBox", u"", WS_POPUP, 0, 0, 120, 60, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(list_);
        SendMessageW(list_.get(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Copies"));
        dc_ = CreateCompatibleDC(nullptr);
        ASSERT_TRUE(dc_);
        bitmap_ = CreateCompatibleBitmap(dc_, kWidth, kHeight);
        ASSERT_TRUE(bitmap_);
        old_ = SelectObject(dc_, bitmap_);
    }
    void TearDown() override {
        if (dc_) {
            SelectObject(dc_, old_);
            DeleteDC(dc_);
        }
        if (bitmap_) DeleteObject(bitmap_);
        list_.reset();
        SummarySandbox::TearDown();
    }
    DRAWITEMSTRUCT Entry(UINT type, UINT action, UINT state) {
        return {type, 1, 0, action, state, list_.get(), dc_, {0, 0, kWidth, kHeight}, 738};
    }
    static constexpr int kWidth = 160, kHeight = 18;
    WindowPtr list_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

TEST_F(SummaryEntries, EntriesFillTheirGroundByState) {
    constexpr UINT kActionSelect = 0x0002;
    struct Case {
        UINT type, action, state;
        int ground;
    };
    const Case cases[] = {
        {ODT_LISTBOX, ODA_DRAWENTIRE, 0, COLOR_WINDOW},
        {ODT_LISTBOX, kActionSelect, ODS_SELECTED, COLOR_HIGHLIGHT},
        {ODT_LISTBOX, ODA_DRAWENTIRE, ODS_DISABLED, COLOR_BTNFACE},
        {ODT_LISTBOX, ODA_DRAWENTIRE, ODS_DISABLED | ODS_SELECTED, 16 /* button shadow */},
        {ODT_COMBOBOX, ODA_DRAWENTIRE, ODS_DISABLED | ODS_SELECTED, COLOR_BTNFACE},
        {ODT_COMBOBOX, ODA_DRAWENTIRE, ODS_SELECTED, COLOR_HIGHLIGHT},
    };
    for (const Case& c : cases) {
        const DRAWITEMSTRUCT item = Entry(c.type, c.action, c.state);
        EXPECT_EQ(DrawIconListItem(&page_, &item), 1);
        EXPECT_EQ(GetPixel(dc_, kWidth - 2, 1), GetSysColor(c.ground)) << c.type << " " << c.state;
    }
    EXPECT_GE(SmallImageIndex(page_, 738), 0) << "the entry's icon came through the cache";
}

TEST_F(SummaryEntries, OtherControlsAndNoEntryAreLeftAlone) {
    DRAWITEMSTRUCT item = Entry(ODT_BUTTON, ODA_DRAWENTIRE, 0);
    EXPECT_EQ(DrawIconListItem(&page_, &item), 0);
    item = Entry(ODT_LISTBOX, ODA_DRAWENTIRE, 0);
    item.itemID = static_cast<UINT>(-1);
    EXPECT_EQ(DrawIconListItem(&page_, &item), 0);
    EXPECT_EQ(DrawIconListItem(&page_, nullptr), 0);
    EXPECT_EQ(ImageList_GetImageCount(page_.smallImages), 0);
}

}  // namespace
