// The favourites dialogs as a user works them: the save (929) and manage (930) dialogs opened by
// the basic page's buttons, the job favourites dialog (2200) with its details dialog (2500).
// Refused names and a full table keep the dialog open; a replaced favourite keeps its number;
// reordering by dragging (the view scrolled by its timer on the hand-moved clock) keeps numbers;
// Cancel writes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/build_variant.h"
#include "core/device_data.h"
#include "plat/control.h"
#include "plat/message_box.h"
#include "plat/window_test.h"
#include "resources/lang/favourites_ids.h"
#include "tests/pages/basic_page_sheet.h"
#include "ui/entry/favourite_table.h"
#include "ui/entry/ui_flags.h"
#include "ui/pages/favourite_dialogs.h"
#include "ui/tools/favourites_store.h"
#include "win/list_view.h"
#include "win/tree_view.h"
#include "win/user_controls.h"
#include "win/user_input.h"

// Named, not anonymous: the unity batches put this file beside the other basic page tests.
namespace favourite_dialog_windows_test {

using namespace orla;
using pages_test::PageOf;
using uitest::Script;
namespace fav = orla_res::favourites;

constexpr UINT kNameRefused = 893, kTableFull = 805, kFactoryNotDeletable = 801, kDeleteQuestion = 802,
               kFactoryNameTaken = 803, kReplaceQuestion = 804;
constexpr UINT_PTR kIconMask = 0xF0;

std::u16string TextOf(HWND control) {
    WCHAR text[300] = {};
    const int n = GetWindowTextW(control, text, 300);
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

int ItemCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::u16string ItemName(HWND list, int index) {
    WCHAR text[64] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = 64;
    const auto n = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

// The manage list's entry of the favourite with that number, -1 when it is not listed.
int EntryOfNumber(HWND list, DWORD number) {
    const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i)
        if (static_cast<DWORD>(SendMessageW(list, LB_GETITEMDATA, i, 0)) == number) return i;
    return -1;
}

int SelectedItem(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

POINT Origin(HWND list) {
    POINT p{};
    SendMessageW(list, LVM_GETORIGIN, 0, reinterpret_cast<LPARAM>(&p));
    return p;
}

POINT IconCentre(HWND list, int index) {
    RECT r{};
    r.left = LVIR_ICON;
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The box the platform logged at that index: its text and icon, and whether it was answered.
struct Box {
    std::u16string text;
    UINT icon;
};
Box BoxAt(DWORD index) {
    PLAT_MESSAGE_BOX_RECORD record{};
    EXPECT_TRUE(PlatGetMessageBox(index, &record)) << index;
    return Box{record.text, static_cast<UINT>(record.flags & kIconMask)};
}

class FavouriteDialogWindows : public pages_test::BasicPageSheet {
protected:
    void SetUp() override {
        BasicPageSheet::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        ui_->flags |= kUiDataWritable;
        // The small icons the sheet's pages share, as the pages' creation makes them.
        page_.smallImages = ImageList_Create(16, 18, ILC_COLOR4 | ILC_MASK, 0, 128);
        ASSERT_TRUE(page_.smallImages);
        PlatClockSetManual(TRUE);
    }
    void TearDown() override {
        PlatClockSetManual(FALSE);
        if (page_.smallImages) ImageList_Destroy(page_.smallImages);
        page_.smallImages = nullptr;
        BasicPageSheet::TearDown();
    }
    std::vector<FavouriteRecord> Stored() {
        std::vector<FavouriteRecord> records;
        EXPECT_EQ(ReadFavouriteTable(printer_, &records), FavouriteTableRead::Ok);
        return records;
    }
    std::vector<BYTE> TableBytes() { return Raw(kFavouriteTableValue).bytes; }
    // A user favourite of the current settings (with these copies) under the next number.
    DWORD AddUser(const std::u16string& name, SHORT copies = 1) {
        const SHORT before = Get(ui_->currentDevmode, dm::Copies);
        Set(ui_->currentDevmode, dm::Copies, copies);
        const FavouriteRecord r = BuildUserFavourite(ui_.get(), name, u"comment of " + name);
        Set(ui_->currentDevmode, dm::Copies, before);
        EXPECT_EQ(StoreFavourite(nullptr, ui_.get(), FavouriteNumber(r), r), FavouriteStore::Appended) << "add";
        return FavouriteNumber(r);
    }
    void FillTable() {
        for (char16_t c = u'a'; Stored().size() < kFavouriteMaxCount; ++c) AddUser(u"user " + std::u16string(1, c));
    }
    std::map<std::u16string, DWORD> NumbersByName() {
        std::map<std::u16string, DWORD> out;
        for (const FavouriteRecord& r : Stored()) out[FavouriteName(r)] = FavouriteNumber(r);
        return out;
    }
    // The seven factory names the save dialog refuses: the Japanese build's own, else as the
    // language resource DLL names them.
    std::vector<std::u16string> FactoryNames() {
        if (kJapaneseBuild)
            return {u"標準",   u"まとめて1枚(2アップ)", u"両面長辺とじ", u"両面短辺とじ",
                    u"マル秘", u"ユーザー名",           u"高画質"};
        std::vector<std::u16string> names;
        for (UINT id : {531u, 620u, 621u, 622u, 623u, 624u, 533u})
            names.push_back(orla_ui_test::ResourceText(printer_, id));
        return names;
    }
    // The job favourites dialog opened on its own, run by the script.
    INT_PTR RunJobDialog(Script& script) {
        uitest::ScriptScope scope(script);
        return OpenFavouriteDialog(&page_, nullptr, fav::kTemplateJobFavourites);
    }
    // Opens a basic page button's dialog from the sheet: the first step of a script.
    static void ClickOnPage(Script& script, int id) {
        script.steps.push_back([id](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), id))) << id; });
    }
};

// ---- Save dialog (929) ----

TEST_F(FavouriteDialogWindows, SaveRefusesEveryFactoryNameAndAnEmptyNameAndStaysOpen) {
    AddUser(u"mine");
    std::vector<std::u16string> refused = FactoryNames();
    refused.push_back(u"\b");  // the name field emptied
    const std::vector<BYTE> before = TableBytes();
    HWND saveDialog = nullptr;
    Script script;
    ClickOnPage(script, basic_ids::kAddFavourite);
    for (const std::u16string& name : refused) {
        script.steps.push_back([&, name](HWND dialog) {
            if (!saveDialog) saveDialog = dialog;
            ASSERT_EQ(dialog, saveDialog) << "the save dialog closed";
            EXPECT_TRUE(PlatType(GetDlgItem(dialog, fav::kSaveName), name.c_str()));
            PlatQueueMessageBoxAnswer(IDOK);
            EXPECT_TRUE(PlatPressButton(dialog, IDOK));
        });
        script.steps.push_back([&, name](HWND dialog) {
            ASSERT_EQ(dialog, saveDialog) << "a refused name closed the dialog";
            PLAT_CONTROL_STATE field{};
            ASSERT_TRUE(PlatReadControl(GetDlgItem(dialog, fav::kSaveName), &field));
            EXPECT_EQ(std::u16string(field.text), u"");
            EXPECT_TRUE(field.focused);
        });
    }
    script.steps.push_back([&](HWND dialog) { EXPECT_TRUE(PlatPressButton(dialog, IDCANCEL)); });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
    EXPECT_FALSE(script.ranOut);
    ASSERT_EQ(PlatMessageBoxCount(), refused.size());
    for (DWORD i = 0; i < PlatMessageBoxCount(); ++i) {
        const Box box = BoxAt(i);
        EXPECT_EQ(box.text, orla_ui_test::ResourceText(printer_, kNameRefused)) << i;
        EXPECT_EQ(box.icon, static_cast<UINT>(MB_ICONWARNING)) << i;
    }
    EXPECT_EQ(TableBytes(), before);
}

TEST_F(FavouriteDialogWindows, SaveWithTwentyStoredRefusesANewNameThenReplacesAUserFavourite) {
    const DWORD kept = AddUser(u"keep me");
    FillTable();
    const std::vector<BYTE> full = TableBytes();
    const auto numbers = NumbersByName();
    HWND saveDialog = nullptr;
    Script script;
    ClickOnPage(script, basic_ids::kAddFavourite);
    script.steps.push_back([&](HWND dialog) {
        saveDialog = dialog;
        EXPECT_TRUE(PlatType(GetDlgItem(dialog, fav::kSaveName), u"one too many"));
        PlatQueueMessageBoxAnswer(IDOK);
        EXPECT_TRUE(PlatPressButton(dialog, IDOK));
    });
    script.steps.push_back([&](HWND dialog) {
        ASSERT_EQ(dialog, saveDialog) << "a full table closed the dialog";
        ASSERT_EQ(PlatMessageBoxCount(), 1u);
        EXPECT_EQ(BoxAt(0).text, orla_ui_test::ResourceText(printer_, kTableFull));
        EXPECT_EQ(BoxAt(0).icon, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_EQ(TableBytes(), full);
        // The user's settings now differ; saving them under an existing user name replaces it.
        Set(ui_->currentDevmode, dm::Copies, SHORT{7});
        EXPECT_TRUE(PlatType(GetDlgItem(dialog, fav::kSaveName), u"keep me"));
        EXPECT_TRUE(PlatType(GetDlgItem(dialog, fav::kSaveComment), u"seven copies"));
        EXPECT_TRUE(PlatPressButton(dialog, IDOK));
    });
    script.steps.push_back([&](HWND sheet) {
        EXPECT_NE(sheet, saveDialog) << "the save dialog stayed open";
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    Run(script);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(PlatMessageBoxCount(), 1u);
    EXPECT_EQ(NumbersByName(), numbers) << "every favourite keeps its number, none was added";
    FavouriteRecord replaced{};
    ASSERT_TRUE(FavouriteFromTable(ui_.get(), kept, &replaced));
    EXPECT_EQ(FavouriteName(replaced), u"keep me");
    EXPECT_EQ(FavouriteComment(replaced), u"seven copies");
    DriverDevmode merged = ui_->defaultDevmode;
    MergeFavourite(merged, replaced);
    EXPECT_EQ(Get(merged, dm::Copies), 7);
    EXPECT_EQ(Get(ui_->currentDevmode, dm::FavouriteNumber), kept);
}

// ---- Manage dialog (930) ----

TEST_F(FavouriteDialogWindows, ManageChoosingAFavouriteShowsItAndOkTakesItsSettings) {
    const DWORD five = AddUser(u"five copies", 5);
    AddUser(u"other");
    HWND manageDialog = nullptr;
    Script script;
    ClickOnPage(script, basic_ids::kEditFavourite);
    script.steps.push_back([&](HWND dialog) {
        manageDialog = dialog;
        HWND tree = GetDlgItem(dialog, fav::kSummaryTree);
        PLAT_CONTROL_STATE treeState{};
        ASSERT_TRUE(PlatReadControl(tree, &treeState));
        EXPECT_EQ(std::u16string(treeState.className), std::u16string(WC_TREEVIEWW));
        EXPECT_NE(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0), 0) << "the first row is selected";
        HWND list = GetDlgItem(dialog, fav::kManageList);
        const int index = EntryOfNumber(list, five);
        ASSERT_GE(index, 0) << "the user favourite is listed";
        EXPECT_TRUE(PlatChoose(list, index));
    });
    script.steps.push_back([&](HWND dialog) {
        ASSERT_EQ(dialog, manageDialog);
        EXPECT_EQ(TextOf(GetDlgItem(dialog, fav::kName)), u"five copies");
        EXPECT_EQ(TextOf(GetDlgItem(dialog, fav::kComment)), u"comment of five copies");
        for (int id : {fav::kDelete, fav::kName, fav::kComment})
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, id))) << "a user favourite can be edited: " << id;
        EXPECT_EQ(Get(ui_->scratchDevmode, dm::Copies), 5) << "merged into the scratch record";
        EXPECT_EQ(Get(ui_->currentDevmode, dm::Copies), 1) << "the current record waits for OK";
        EXPECT_TRUE(PlatPressButton(dialog, IDOK));
    });
    script.steps.push_back([&](HWND sheet) {
        EXPECT_NE(sheet, manageDialog);
        EXPECT_TRUE(PlatPressButton(sheet, IDOK));
    });
    EXPECT_EQ(Run(script), 1);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(Get(ui_->currentDevmode, dm::FavouriteNumber), five);
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::Copies), 5);
    EXPECT_EQ(page_.hTree, nullptr) << "the dialog's tree went with it";
    EXPECT_EQ(page_.flags & kPageBusyManager, 0u);
}

TEST_F(FavouriteDialogWindows, ManageCancelAfterChoosingAndRenamingWritesNothing) {
    const DWORD mine = AddUser(u"mine", 4);
    const std::vector<BYTE> before = TableBytes();
    const DriverDevmode current = ui_->currentDevmode;
    Script script;
    ClickOnPage(script, basic_ids::kEditFavourite);
    script.steps.push_back([&](HWND dialog) {
        HWND list = GetDlgItem(dialog, fav::kManageList);
        const int index = EntryOfNumber(list, mine);
        ASSERT_GE(index, 0);
        EXPECT_TRUE(PlatChoose(list, index));
    });
    script.steps.push_back([&](HWND dialog) {
        EXPECT_EQ(Get(ui_->scratchDevmode, dm::Copies), 4);
        EXPECT_TRUE(PlatType(GetDlgItem(dialog, fav::kName), u"renamed"));
        EXPECT_TRUE(PlatPressButton(dialog, IDCANCEL));
    });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(TableBytes(), before);
    EXPECT_EQ(Get(ui_->currentDevmode, dm::Copies), Get(current, dm::Copies));
    EXPECT_EQ(PlatMessageBoxCount(), 0u);
}

// ---- Job favourites dialog (2200) ----

TEST_F(FavouriteDialogWindows, JobDialogRefusesToDeleteAFactoryFavouriteByTheDeleteKey) {
    AddUser(u"mine");
    const auto numbers = NumbersByName();
    int count = 0;
    Script script;
    script.steps.push_back([&](HWND dialog) {
        HWND list = GetDlgItem(dialog, fav::kJobList);
        count = ItemCount(list);
        ASSERT_GT(count, 1);
        EXPECT_TRUE(PlatClickListItem(list, 0));  // the first factory favourite
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, fav::kDelete)));
        PlatQueueMessageBoxAnswer(IDOK);
        EXPECT_TRUE(PlatPressKey(list, VK_DELETE));
    });
    script.steps.push_back([&](HWND dialog) {
        ASSERT_EQ(PlatMessageBoxCount(), 1u);
        EXPECT_EQ(BoxAt(0).text, orla_ui_test::ResourceText(printer_, kFactoryNotDeletable));
        EXPECT_EQ(BoxAt(0).icon, static_cast<UINT>(MB_ICONINFORMATION));
        EXPECT_EQ(ItemCount(GetDlgItem(dialog, fav::kJobList)), count);
        EXPECT_TRUE(PlatPressButton(dialog, IDOK));
    });
    EXPECT_EQ(RunJobDialog(script), 1);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(Stored().size(), static_cast<size_t>(count));
    EXPECT_EQ(NumbersByName(), numbers);
}

TEST_F(FavouriteDialogWindows, JobDialogRegisterRefusesAFactoryNameAndAsksBeforeReplacing) {
    const DWORD mine = AddUser(u"mine");
    const std::u16string factoryName = FactoryNames()[0];
    HWND jobDialog = nullptr, detailsDialog = nullptr;
    int count = 0;
    Script script;
    script.steps.push_back([&](HWND dialog) {
        jobDialog = dialog;
        count = ItemCount(GetDlgItem(dialog, fav::kJobList));
        EXPECT_TRUE(PlatType(GetDlgItem(dialog, fav::kName), factoryName.c_str()));
        PlatQueueMessageBoxAnswer(IDOK);
        EXPECT_TRUE(PlatPressButton(dialog, fav::kRegister));
    });
    script.steps.push_back([&](HWND dialog) {
        ASSERT_EQ(dialog, jobDialog);
        ASSERT_EQ(PlatMessageBoxCount(), 1u);
        EXPECT_EQ(BoxAt(0).text, orla_ui_test::ResourceText(printer_, kFactoryNameTaken));
        EXPECT_EQ(BoxAt(0).icon, static_cast<UINT>(MB_ICONINFORMATION));
        PLAT_CONTROL_STATE name{};
        ASSERT_TRUE(PlatReadControl(GetDlgItem(dialog, fav::kName), &name));
        EXPECT_TRUE(name.focused);
        // The user's own name: asked first (Cancel keeps it), then replaced after OK.
        Set(ui_->currentDevmode, dm::Copies, SHORT{9});
        EXPECT_TRUE(PlatType(GetDlgItem(dialog, fav::kName), u"mine"));
        EXPECT_TRUE(PlatType(GetDlgItem(dialog, fav::kComment), u"nine"));
        PlatQueueMessageBoxAnswer(IDCANCEL);
        EXPECT_TRUE(PlatPressButton(dialog, fav::kRegister));
    });
    script.steps.push_back([&](HWND dialog) {
        ASSERT_EQ(dialog, jobDialog) << "Cancel to the question opened nothing";
        ASSERT_EQ(PlatMessageBoxCount(), 2u);
        EXPECT_EQ(BoxAt(1).text, orla_ui_test::ResourceText(printer_, kReplaceQuestion));
        EXPECT_EQ(BoxAt(1).icon, static_cast<UINT>(MB_ICONWARNING));
        PlatQueueMessageBoxAnswer(IDOK);
        EXPECT_TRUE(PlatPressButton(dialog, fav::kRegister));
    });
    script.steps.push_back([&](HWND dialog) {
        detailsDialog = dialog;
        ASSERT_NE(dialog, jobDialog) << "the details dialog opens after OK";
        EXPECT_EQ(TextOf(dialog), std::u16string(DevicePrinterName(ui_->deviceData)));
        EXPECT_NE(SendDlgItemMessageW(dialog, fav::kDetailsIcon, STM_GETICON, 0, 0), 0);
        HWND tree = GetDlgItem(dialog, fav::kSummaryTree);
        EXPECT_NE(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0), 0);
        EXPECT_TRUE(PlatPressButton(dialog, IDOK));
    });
    script.steps.push_back([&](HWND dialog) {
        ASSERT_EQ(dialog, jobDialog);
        HWND list = GetDlgItem(dialog, fav::kJobList);
        EXPECT_EQ(ItemCount(list), count) << "replaced, not added";
        EXPECT_EQ(ItemName(list, count - 1), u"mine");
        EXPECT_EQ(SelectedItem(list), count - 1);
        EXPECT_TRUE(PlatPressButton(dialog, IDOK));
    });
    EXPECT_EQ(RunJobDialog(script), 1);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(PlatMessageBoxCount(), 3u);
    EXPECT_EQ(page_.hTree, nullptr);
    FavouriteRecord stored{};
    ASSERT_TRUE(FavouriteFromTable(ui_.get(), mine, &stored));
    EXPECT_EQ(FavouriteName(stored), u"mine");
    EXPECT_EQ(FavouriteComment(stored), u"nine");
    EXPECT_EQ(Stored().size(), static_cast<size_t>(count));
}

TEST_F(FavouriteDialogWindows, DraggingTheLastItemFirstScrollsByTheTimerAndKeepsNumbers) {
    FillTable();
    const auto numbers = NumbersByName();
    const std::u16string lastName = FavouriteName(Stored().back());
    constexpr int kTicks = 40;
    std::vector<LONG> originAtTick;
    int half = 0;
    Script script;
    script.steps.push_back([&](HWND dialog) {
        HWND list = GetDlgItem(dialog, fav::kJobList);
        ASSERT_EQ(ItemCount(list), static_cast<int>(kFavouriteMaxCount));
        EXPECT_TRUE(PlatPressKey(list, VK_END));  // the user goes to the last favourite
        ASSERT_GT(Origin(list).y, 0) << "the view must scroll for this test";
        half = HIWORD(SendMessageW(list, LVM_GETITEMSPACING, FALSE, 0)) / 2;
        ASSERT_GT(half, 0);
        const int last = ItemCount(list) - 1;
        ASSERT_EQ(ItemName(list, last), lastName);
        ASSERT_TRUE(PlatDragListItem(list, last));
        EXPECT_EQ(GetCapture(), dialog);
        EXPECT_TRUE(PlatImageDragShown(nullptr));
        EXPECT_TRUE(PlatMouseMove(list, 10, -20));  // above the view: it scrolls up
        originAtTick.push_back(Origin(list).y);
    });
    for (int i = 0; i < kTicks; ++i) {
        script.steps.push_back([&](HWND dialog) {
            originAtTick.push_back(Origin(GetDlgItem(dialog, fav::kJobList)).y);
            PlatClockAdvance(100);
        });
    }
    script.steps.push_back([&](HWND dialog) {
        HWND list = GetDlgItem(dialog, fav::kJobList);
        originAtTick.push_back(Origin(list).y);
        // Half an item per tick, up to the top.
        for (size_t i = 2; i < originAtTick.size(); ++i)
            EXPECT_EQ(originAtTick[i], std::max<LONG>(0, originAtTick[i - 1] - half)) << i;
        ASSERT_EQ(originAtTick.back(), 0);
        const POINT first = IconCentre(list, 0);
        EXPECT_TRUE(PlatMouseMove(list, first.x, first.y));
        EXPECT_TRUE(PlatMouseRelease(list, first.x, first.y));
    });
    script.steps.push_back([&](HWND dialog) {
        HWND list = GetDlgItem(dialog, fav::kJobList);
        EXPECT_EQ(ItemName(list, 0), lastName);
        EXPECT_EQ(SelectedItem(list), 0);
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_FALSE(PlatImageDragShown(nullptr));
        originAtTick.assign(1, Origin(list).y);
        PlatClockAdvance(500);  // the scrolling timer is gone with the drag
    });
    script.steps.push_back([&](HWND dialog) {
        EXPECT_EQ(Origin(GetDlgItem(dialog, fav::kJobList)).y, originAtTick[0]);
        EXPECT_TRUE(PlatPressButton(dialog, IDOK));
    });
    EXPECT_EQ(RunJobDialog(script), 1);
    EXPECT_FALSE(script.ranOut);
    const std::vector<FavouriteRecord> after = Stored();
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(FavouriteName(after.front()), lastName);
    EXPECT_EQ(NumbersByName(), numbers);
}

TEST_F(FavouriteDialogWindows, JobDialogCancelAfterADeleteWritesNothing) {
    AddUser(u"first mine");
    AddUser(u"second mine");
    const std::vector<BYTE> before = TableBytes();
    int count = 0;
    Script script;
    script.steps.push_back([&](HWND dialog) {
        HWND list = GetDlgItem(dialog, fav::kJobList);
        count = ItemCount(list);
        EXPECT_TRUE(PlatClickListItem(list, count - 1));
        PlatQueueMessageBoxAnswer(IDOK);
        EXPECT_TRUE(PlatPressButton(dialog, fav::kDelete));
    });
    script.steps.push_back([&](HWND dialog) {
        ASSERT_EQ(PlatMessageBoxCount(), 1u);
        EXPECT_EQ(BoxAt(0).text, orla_ui_test::ResourceText(printer_, kDeleteQuestion));
        EXPECT_EQ(BoxAt(0).icon, static_cast<UINT>(MB_ICONWARNING));
        HWND list = GetDlgItem(dialog, fav::kJobList);
        EXPECT_EQ(ItemCount(list), count - 1);
        EXPECT_EQ(SelectedItem(list), count - 2) << "the one before the deleted last item";
        EXPECT_TRUE(PlatPressButton(dialog, IDCANCEL));
    });
    EXPECT_EQ(RunJobDialog(script), 0);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(TableBytes(), before);
}

// ---- Details dialog (2500) on its own ----

TEST_F(FavouriteDialogWindows, DetailsOkAnswersOneCancelZeroAndGivesThePageItsTreeBack) {
    for (const auto& [button, result] : {std::pair{IDOK, INT_PTR{1}}, std::pair{IDCANCEL, INT_PTR{0}}}) {
        Script script;
        HWND tree = nullptr;
        script.steps.push_back([&, button = button](HWND dialog) {
            tree = GetDlgItem(dialog, fav::kSummaryTree);
            EXPECT_EQ(page_.hTree, tree);
            EXPECT_TRUE(PlatPressButton(dialog, button));
        });
        uitest::ScriptScope scope(script);
        EXPECT_EQ(OpenFavouriteDialog(&page_, nullptr, fav::kTemplateDetails), result) << button;
        EXPECT_FALSE(IsWindow(tree));
        EXPECT_EQ(page_.hTree, nullptr);
    }
    EXPECT_EQ(OpenFavouriteDialog(&page_, nullptr, 2400), -1) << "not a favourites dialog";
}

}  // namespace favourite_dialog_windows_test
