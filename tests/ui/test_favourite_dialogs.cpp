// The favourites dialogs' rules without their windows: saving (refused names, a full table,
// replacing a user favourite), managing (choosing by number, the duplex papers by device data
// version, delete, OK and Cancel), the job favourites list (delete, register, move, OK) and the
// mark of a changed favourite. Numbers stay dense and are never taken for positions.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/device_data.h"
#include "plat/message_box.h"
#include "ui/entry/favourite_table.h"
#include "ui/entry/ui_flags.h"
#include "ui/tools/favourite_dialog_rules.h"
#include "ui/tools/favourites_store.h"
#include "ui_fixture.h"
#include "win/user.h"

using namespace orla;
using namespace orla_ui_test;

// Named, not anonymous: the unity batches put this file beside the store's tests.
namespace favourite_dialogs_test {

std::vector<DWORD> Numbers(const std::vector<FavouriteRecord>& records) {
    std::vector<DWORD> out;
    for (const FavouriteRecord& r : records) out.push_back(FavouriteNumber(r));
    return out;
}
std::vector<DWORD> Sorted(std::vector<DWORD> v) {
    std::sort(v.begin(), v.end());
    return v;
}
std::vector<DWORD> Dense(size_t n) {
    std::vector<DWORD> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<DWORD>(i);
    return v;
}
std::vector<std::u16string> Names(const std::vector<FavouriteRecord>& records) {
    std::vector<std::u16string> out;
    for (const FavouriteRecord& r : records) out.push_back(FavouriteName(r));
    return out;
}

// The factory favourites' names the save dialog refuses: in the Japanese build as listed for it,
// else as the user's language resource DLL names them.
std::vector<std::u16string> FactoryNames(HANDLE printer) {
    if (kJapaneseBuild)
        return {u"標準",   u"まとめて1枚(2アップ)", u"両面長辺とじ", u"両面短辺とじ",
                u"マル秘", u"ユーザー名",           u"高画質"};
    std::vector<std::u16string> names;
    for (UINT id : {531u, 620u, 621u, 622u, 623u, 624u, 533u}) names.push_back(ResourceText(printer, id));
    return names;
}

// A sample printer's context with a clean message-box log. The sample Japanese model has the
// factory favourites 0, 1, 2, 3 and 6 (preset flags 0x4F) and device data of version 4.
class FavouriteDialogs : public UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        Open("HV4400KJ.KDD");
    }
    void TearDown() override {
        context_.reset();
        UiSandbox::TearDown();
    }
    void Open(const std::string& model, const std::u16string& name = u"Halvoric") {
        InstallSamplePrinter(model, name);
        ASSERT_FALSE(HasFatalFailure());
        context_.reset(CreateUiContext(printer_, nullptr));
        ASSERT_NE(context_, nullptr);
        context_->flags |= kUiDataWritable;
        PlatResetMessageBoxes();
    }
    std::vector<FavouriteRecord> Stored() {
        std::vector<FavouriteRecord> records;
        EXPECT_EQ(ReadFavouriteTable(printer_, &records), FavouriteTableRead::Ok);
        return records;
    }
    std::vector<BYTE> TableBytes() { return Raw(kFavouriteTableValue).bytes; }
    // A user favourite of the current settings under the next number.
    DWORD AddUser(std::u16string_view name) {
        const FavouriteRecord r = BuildUserFavourite(context_.get(), name, u"comment of " + std::u16string(name));
        EXPECT_EQ(StoreFavourite(nullptr, context_.get(), FavouriteNumber(r), r), FavouriteStore::Appended);
        return FavouriteNumber(r);
    }
    void FillTable() {
        for (char16_t c = u'a'; Stored().size() < kFavouriteMaxCount; ++c) AddUser(u"user " + std::u16string(1, c));
    }
    int IndexOf(const JobFavouriteList& list, std::u16string_view name) {
        for (size_t i = 0; i < list.items.size(); ++i)
            if (FavouriteName(list.items[i]) == name) return static_cast<int>(i);
        return -1;
    }
    DriverDevmode& Current() { return context_->currentDevmode; }
    DriverDevmode& Scratch() { return context_->scratchDevmode; }
    ContextPtr context_;
};

// ---- Save dialog ----

TEST_F(FavouriteDialogs, SavingRefusesAnEmptyNameAndEveryFactoryName) {
    std::vector<std::u16string> refused = FactoryNames(printer_);
    ASSERT_EQ(refused.size(), 7u);
    refused.push_back(u"");
    const std::vector<BYTE> before = TableBytes();
    const DriverDevmode current = Current();
    for (const std::u16string& name : refused) {
        const SaveVerdict v = SaveFavouriteFromDialog(nullptr, context_.get(), name, u"c");
        EXPECT_EQ(v.message, 893u) << "name size " << name.size();
        EXPECT_FALSE(v.stored);
    }
    EXPECT_EQ(TableBytes(), before);
    EXPECT_EQ(std::memcmp(Current().bytes, current.bytes, kDriverDevmodeSize), 0);
    EXPECT_EQ(PlatMessageBoxCount(), 0u) << "the dialog shows 893 itself";
    // A name that only resembles a factory name is taken.
    EXPECT_EQ(CheckFavouriteName(context_.get(), FactoryNames(printer_)[0] + u" 2"), 0u);
}

TEST_F(FavouriteDialogs, SavingAddsUnderTheNextNumberAndTheCurrentRecordTakesIt) {
    const size_t count = Stored().size();
    const DWORD next = NextFavouriteNumber(context_.get());
    Scratch() = Current();  // the copy the dialog made when it opened
    Set(Current(), dm::Zoom, WORD{150});
    const SaveVerdict v = SaveFavouriteFromDialog(nullptr, context_.get(), u"mine", u"my comment");
    EXPECT_EQ(v.message, 0u);
    EXPECT_TRUE(v.stored);
    EXPECT_EQ(v.number, next);
    const std::vector<FavouriteRecord> stored = Stored();
    ASSERT_EQ(stored.size(), count + 1);
    EXPECT_EQ(FavouriteName(stored.back()), u"mine");
    EXPECT_EQ(FavouriteComment(stored.back()), u"my comment");
    EXPECT_EQ(FavouriteFlags(stored.back()), 0u);
    EXPECT_EQ(Get(FavouriteSettings(stored.back()), dm::Zoom), 150) << "the current settings are saved";
    EXPECT_EQ(Get(Current(), dm::FavouriteNumber), next);
    const std::vector<DWORD> numbers = Sorted(Numbers(stored));
    EXPECT_EQ(std::adjacent_find(numbers.begin(), numbers.end()), numbers.end()) << "numbers unique";
}

TEST_F(FavouriteDialogs, SavingUnderAUserFavouritesNameReplacesItAndKeepsItsNumber) {
    const DWORD first = AddUser(u"first");
    AddUser(u"second");
    const size_t count = Stored().size();
    Scratch() = Current();
    Set(Current(), dm::Zoom, WORD{77});
    const SaveVerdict v = SaveFavouriteFromDialog(nullptr, context_.get(), u"first", u"again");
    EXPECT_TRUE(v.stored);
    EXPECT_EQ(v.number, first);
    const std::vector<FavouriteRecord> stored = Stored();
    ASSERT_EQ(stored.size(), count);
    for (const FavouriteRecord& r : stored) {
        if (FavouriteNumber(r) != first) continue;
        EXPECT_EQ(FavouriteName(r), u"first");
        EXPECT_EQ(FavouriteComment(r), u"again");
        EXPECT_EQ(Get(FavouriteSettings(r), dm::Zoom), 77);
    }
}

TEST_F(FavouriteDialogs, AFullTableRefusesATwentyFirstFavouriteButStillReplaces) {
    FillTable();
    const std::vector<BYTE> full = TableBytes();
    Scratch() = Current();
    PlatQueueMessageBoxAnswer(IDOK);
    const SaveVerdict refused = SaveFavouriteFromDialog(nullptr, context_.get(), u"one more", u"");
    EXPECT_EQ(refused.message, 805u);
    EXPECT_FALSE(refused.stored);
    EXPECT_EQ(TableBytes(), full);
    ASSERT_EQ(PlatMessageBoxCount(), 1u);
    PLAT_MESSAGE_BOX_RECORD box{};
    ASSERT_TRUE(PlatGetMessageBox(0, &box));
    EXPECT_EQ(std::u16string(box.text), ResourceText(printer_, 805));

    const SaveVerdict replaced = SaveFavouriteFromDialog(nullptr, context_.get(), u"user a", u"new");
    EXPECT_EQ(replaced.message, 0u);
    EXPECT_TRUE(replaced.stored);
    EXPECT_EQ(Stored().size(), kFavouriteMaxCount);
}

TEST_F(FavouriteDialogs, TheSaveDialogStartsWithTheCurrentUserFavouritesName) {
    const DWORD mine = AddUser(u"mine");
    Set(Current(), dm::FavouriteNumber, static_cast<WORD>(mine));
    FavouriteTexts t = SaveDialogStartTexts(context_.get());
    EXPECT_EQ(t.name, u"mine");
    EXPECT_EQ(t.comment, u"comment of mine");
    Set(Current(), dm::FavouriteNumber, WORD{6});  // a factory favourite: its name cannot be saved
    t = SaveDialogStartTexts(context_.get());
    EXPECT_EQ(t.name, u"");
    EXPECT_EQ(t.comment, ResourceText(printer_, 720));
}

// ---- Manage dialog ----

TEST_F(FavouriteDialogs, ChoosingAFavouriteMergesTheOneWithThatNumberWhereverItStands) {
    AddUser(u"x");
    Set(Current(), dm::Zoom, WORD{123});
    const DWORD y = AddUser(u"y");
    // The table reordered: positions no longer equal numbers.
    std::vector<FavouriteRecord> table = Stored();
    std::reverse(table.begin(), table.end());
    ASSERT_TRUE(WriteFavouriteTable(printer_, table));
    Set(Current(), dm::Zoom, WORD{100});
    BeginManageFavourites(context_.get());
    ASSERT_TRUE(SelectManagedFavourite(context_.get(), y));
    EXPECT_EQ(Get(Scratch(), dm::FavouriteNumber), y);
    EXPECT_EQ(Get(Scratch(), dm::Zoom), 123);
    EXPECT_EQ(Get(Current(), dm::Zoom), 100) << "the current record waits for OK";
    EXPECT_FALSE(SelectManagedFavourite(context_.get(), 19)) << "no favourite has number 19";
}

// The duplex favourites keep the turned and small papers only with device data of version 4 on.
TEST_F(FavouriteDialogs, DuplexFavouritesKeepTurnedPapersByDeviceDataVersion) {
    const std::u16string turnedA4 = kJapaneseBuild ? u"A4 横" : u"A4 Rotated";
    struct Case {
        const char* model;
        std::u16string paper;
        std::u16string expected;
    };
    const Case cases[] = {
        {"HV4400KJ.KDD", turnedA4, turnedA4},       {"HV4400KJ.KDD", u"A4 Small", u"A4 Small"},
        {"HV4400KJ.KDD", u"B4 (JIS)", u"B4 (JIS)"}, {"HV4400KJ.KDD", u"Legal", u"A4"},
        {"HV3600E.KDD", turnedA4, u"A4"},           {"HV3600E.KDD", u"Letter", u"Letter"},
    };
    int printers = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model);
        context_.reset();
        ClosePrinter(printer_);
        printer_ = nullptr;
        ASSERT_NO_FATAL_FAILURE(Open(c.model, u"Printer " + std::u16string(1, u'A' + printers++)));
        const LONG version = DeviceDataVersion(context_->deviceData);
        ASSERT_EQ(version, std::string(c.model) == "HV4400KJ.KDD" ? 4 : 3);
        // Favourite 2, duplex on the long edge, is a factory favourite of both models.
        Set(Current(), dm::DeviceState(dm::kDuplex), dm::kDeviceInstalled);
        Set(Current(), dm::OutPaperIndex, WORD{0});
        SetText(Current(), dm::FormName, c.paper);
        Set(Current(), dm::PaperType, WORD{3});
        BeginManageFavourites(context_.get());
        ASSERT_TRUE(SelectManagedFavourite(context_.get(), 2));
        EXPECT_EQ(GetText(Scratch(), dm::FormName), c.expected);
        EXPECT_EQ(Get(Scratch(), dm::Duplex), 2);
        EXPECT_EQ(Get(Scratch(), dm::PaperType), 0) << "transparencies cannot be duplexed";
        EXPECT_EQ(GetText(Scratch(), dm::PrevFormName), c.expected) << "previous values refreshed";
    }
}

TEST_F(FavouriteDialogs, ManageStartsWithoutADuplexFavouriteThePrinterCannotOffer) {
    struct Case {
        WORD number;
        bool duplexUnit;
        WORD expected;
    };
    const Case cases[] = {{2, false, 0}, {3, false, 0}, {2, true, 2}, {1, false, 1}, {6, false, 6}};
    for (const Case& c : cases) {
        Set(Current(), dm::DeviceState(dm::kDuplex), c.duplexUnit ? dm::kDeviceInstalled : WORD{0});
        Set(Current(), dm::FavouriteNumber, c.number);
        BeginManageFavourites(context_.get());
        EXPECT_EQ(Get(Scratch(), dm::FavouriteNumber), c.expected) << c.number << " " << c.duplexUnit;
        EXPECT_EQ(Get(Current(), dm::FavouriteNumber), c.number);
    }
}

TEST_F(FavouriteDialogs, OnlyAUserFavouriteCanBeEditedAndOnlyWithWritablePrinterData) {
    const DWORD mine = AddUser(u"mine");
    struct Case {
        DWORD number;
        DWORD flags;
        bool enabled;
    };
    const Case cases[] = {
        {mine, kUiDataWritable, true}, {mine, 0, false},
        {0, kUiDataWritable, false},   {6, kUiDataWritable, false},
        {3, kUiDataWritable, false},   {19, kUiDataWritable, false},
    };
    for (const Case& c : cases) {
        context_->flags = c.flags;
        Set(Scratch(), dm::FavouriteNumber, static_cast<WORD>(c.number));
        EXPECT_EQ(ManageControlsEnabled(context_.get()), c.enabled) << c.number << " " << c.flags;
    }
}

TEST_F(FavouriteDialogs, ManageOkChecksTheNameAndStoresTheUserFavouriteUnderItsNumber) {
    const DWORD a = AddUser(u"a");
    AddUser(u"b");
    struct Case {
        std::u16string name;
        UINT message;
    };
    const Case cases[] = {
        {u"b", kFavouriteNameInUse},
        {FactoryNames(printer_)[0], kFavouriteNameInUse},  // a stored factory favourite's name
        {FactoryNames(printer_)[4], 893},                  // a factory name not stored on this model
        {u"", 893},
    };
    const std::vector<BYTE> before = TableBytes();
    for (const Case& c : cases) {
        BeginManageFavourites(context_.get());
        ASSERT_TRUE(SelectManagedFavourite(context_.get(), a));
        const ManageVerdict v = FinishManageFavourites(nullptr, context_.get(), c.name, u"");
        EXPECT_EQ(v.message, c.message) << c.name.size();
        EXPECT_FALSE(v.stored);
    }
    EXPECT_EQ(TableBytes(), before);

    BeginManageFavourites(context_.get());
    ASSERT_TRUE(SelectManagedFavourite(context_.get(), a));
    Set(Scratch(), dm::Zoom, WORD{88});
    const ManageVerdict ok = FinishManageFavourites(nullptr, context_.get(), u"a renamed", u"new comment");
    EXPECT_EQ(ok.message, 0u);
    EXPECT_TRUE(ok.stored);
    const std::vector<FavouriteRecord> stored = Stored();
    EXPECT_EQ(stored.size(), before.size() / kFavouriteRecordSize);
    FavouriteRecord renamed{};
    ASSERT_TRUE(FavouriteFromTable(context_.get(), a, &renamed));
    EXPECT_EQ(FavouriteName(renamed), u"a renamed");
    EXPECT_EQ(Get(FavouriteSettings(renamed), dm::Zoom), 88);
    EXPECT_EQ(Get(Current(), dm::Zoom), 88) << "the scratch record becomes the current record";
}

// A factory favourite chosen in the manage dialog is applied on OK but never written over.
TEST_F(FavouriteDialogs, ManageOkNeverWritesOverAFactoryFavourite) {
    for (DWORD number : {0u, 1u, 3u, 6u}) {
        const std::vector<BYTE> before = TableBytes();
        BeginManageFavourites(context_.get());
        ASSERT_TRUE(SelectManagedFavourite(context_.get(), number));
        const ManageVerdict v = FinishManageFavourites(nullptr, context_.get(), u"my own name", u"");
        EXPECT_EQ(v.message, 0u) << number;
        EXPECT_FALSE(v.stored) << number;
        EXPECT_EQ(TableBytes(), before) << number;
        EXPECT_EQ(Get(Current(), dm::FavouriteNumber), number);
    }
}

TEST_F(FavouriteDialogs, ManageDeleteTakesTheUserFavouriteByNumberAndKeepsNumbersDense) {
    const DWORD a = AddUser(u"a");
    const DWORD b = AddUser(u"b");
    AddUser(u"c");
    const size_t count = Stored().size();
    Set(Current(), dm::FavouriteNumber, static_cast<WORD>(b));
    BeginManageFavourites(context_.get());
    ASSERT_TRUE(SelectManagedFavourite(context_.get(), a));
    EXPECT_TRUE(DeleteManagedFavourite(context_.get()));
    const std::vector<FavouriteRecord> stored = Stored();
    EXPECT_EQ(stored.size(), count - 1);
    const std::vector<std::u16string> names = Names(stored);
    EXPECT_EQ(std::count(names.begin(), names.end(), u"a"), 0);
    EXPECT_EQ(Sorted(Numbers(stored)), Dense(stored.size()));
    EXPECT_EQ(Get(Scratch(), dm::FavouriteNumber), 0);
    EXPECT_EQ(Get(Current(), dm::FavouriteNumber), b > a ? b - 1 : b) << "the current favourite follows";

    // A factory favourite is not deleted.
    const std::vector<BYTE> before = TableBytes();
    ASSERT_TRUE(SelectManagedFavourite(context_.get(), 1));
    EXPECT_FALSE(DeleteManagedFavourite(context_.get()));
    EXPECT_EQ(TableBytes(), before);
}

TEST_F(FavouriteDialogs, ManageCancelWritesNothingAndDropsAVanishedCurrentFavourite) {
    const DWORD a = AddUser(u"a");
    const std::vector<BYTE> before = TableBytes();
    const std::vector<DWORD> numbers = Numbers(Stored());
    WORD unused = 0;
    while (std::find(numbers.begin(), numbers.end(), unused) != numbers.end()) ++unused;
    struct Case {
        WORD current;
        WORD expected;
    };
    const Case cases[] = {{static_cast<WORD>(a), static_cast<WORD>(a)}, {unused, 0}, {19, 0}, {2, 2}};
    Set(Current(), dm::LayoutMode, WORD{1});
    for (const Case& c : cases) {
        Set(Current(), dm::FavouriteNumber, c.current);
        BeginManageFavourites(context_.get());
        ASSERT_TRUE(SelectManagedFavourite(context_.get(), 1));
        ASSERT_EQ(Get(Scratch(), dm::LayoutMode), 2);
        CancelManageFavourites(context_.get());
        EXPECT_EQ(Get(Current(), dm::FavouriteNumber), c.expected) << c.current;
        EXPECT_EQ(Get(Current(), dm::LayoutMode), 1) << "the chosen 2-up favourite is not applied";
    }
    EXPECT_EQ(TableBytes(), before);
}

// ---- Job favourites dialog ----

TEST_F(FavouriteDialogs, JobListDeleteRefusesFactoryFavouritesAndRenumbers) {
    AddUser(u"a");
    AddUser(u"b");
    AddUser(u"c");
    Set(Current(), dm::DeviceState(dm::kDuplex), dm::kDeviceInstalled);
    JobFavouriteList list = BeginJobFavourites(context_.get());
    ASSERT_EQ(list.items.size(), Stored().size());
    EXPECT_EQ(CheckJobFavouriteDelete(list, 0), 801u);
    EXPECT_EQ(CheckJobFavouriteDelete(list, IndexOf(list, u"b")), 802u);
    const size_t count = list.items.size();
    EXPECT_EQ(DeleteJobFavourite(list, 0), 0) << "a factory favourite stays";
    EXPECT_EQ(list.items.size(), count);

    const int b = IndexOf(list, u"b");
    EXPECT_EQ(DeleteJobFavourite(list, b), b) << "the next item takes its place";
    EXPECT_EQ(Sorted(Numbers(list.items)), Dense(count - 1));
    const int last = static_cast<int>(list.items.size()) - 1;
    ASSERT_EQ(IndexOf(list, u"c"), last);
    EXPECT_EQ(DeleteJobFavourite(list, last), last - 1) << "after the last, the one before it";
    EXPECT_EQ(Sorted(Numbers(list.items)), Dense(count - 2));
}

TEST_F(FavouriteDialogs, JobListRegisterChecksNameAndRoom) {
    AddUser(u"mine");
    Set(Current(), dm::DeviceState(dm::kDuplex), dm::kDeviceInstalled);
    JobFavouriteList list = BeginJobFavourites(context_.get());
    struct Case {
        std::u16string name;
        bool agreed;
        UINT message;
        int replaceIndex;
    };
    const Case cases[] = {
        {u"", false, 893, -1},
        {FactoryNames(printer_)[0], false, 803, -1},
        {FactoryNames(printer_)[4], false, 803, -1},  // a factory name even where it is not listed
        {u"mine", false, 804, IndexOf(list, u"mine")},
        {u"mine", true, 0, IndexOf(list, u"mine")},
        {u"new", false, 0, -1},
    };
    for (const Case& c : cases) {
        const RegisterCheck r = CheckJobFavouriteRegister(context_.get(), list, c.name, c.agreed);
        EXPECT_EQ(r.message, c.message) << c.name.size();
        EXPECT_EQ(r.replaceIndex, c.replaceIndex) << c.name.size();
    }
    const size_t count = list.items.size();
    const DWORD mineNumber = FavouriteNumber(list.items[IndexOf(list, u"mine")]);
    Set(Current(), dm::Zoom, WORD{140});
    const int replaced = RegisterJobFavourite(list, context_.get(), u"mine", u"again", IndexOf(list, u"mine"));
    ASSERT_EQ(replaced, static_cast<int>(count) - 1) << "the new item goes to the end";
    EXPECT_EQ(FavouriteNumber(list.items[replaced]), mineNumber);
    EXPECT_EQ(Get(FavouriteSettings(list.items[replaced]), dm::Zoom), 140);
    EXPECT_EQ(list.items.size(), count);
    const std::vector<DWORD> before = Numbers(list.items);
    DWORD lowestFree = 0;  // the factory numbers may leave a gap
    while (std::find(before.begin(), before.end(), lowestFree) != before.end()) ++lowestFree;
    const int added = RegisterJobFavourite(list, context_.get(), u"new", u"", -1);
    EXPECT_EQ(FavouriteNumber(list.items[added]), lowestFree);
    EXPECT_EQ(FavouriteFlags(list.items[added]), 0u);
    EXPECT_EQ(Sorted(Numbers(list.items)), Dense(count + 1));

    while (list.items.size() < kFavouriteMaxCount)
        RegisterJobFavourite(list, context_.get(), u"more" + std::u16string(1, u'a' + list.items.size()), u"", -1);
    EXPECT_EQ(CheckJobFavouriteRegister(context_.get(), list, u"twenty-first", false).message, 805u);
    EXPECT_EQ(CheckJobFavouriteRegister(context_.get(), list, u"new", true).message, 0u)
        << "replacing fits in a full list";
}

TEST_F(FavouriteDialogs, DraggingTheLastItemOntoTheFirstPutsItFirstAndKeepsNumbers) {
    AddUser(u"a");
    AddUser(u"b");
    Set(Current(), dm::DeviceState(dm::kDuplex), dm::kDeviceInstalled);
    JobFavouriteList list = BeginJobFavourites(context_.get());
    const std::vector<DWORD> numbers = Numbers(list.items);
    const std::vector<std::u16string> names = Names(list.items);
    const int last = static_cast<int>(list.items.size()) - 1;
    EXPECT_EQ(MoveJobFavourite(list, last, 0), 0);
    EXPECT_EQ(FavouriteName(list.items[0]), u"b");
    EXPECT_EQ(FavouriteNumber(list.items[0]), numbers.back());
    std::vector<std::u16string> expected = names;
    std::rotate(expected.begin(), expected.end() - 1, expected.end());
    EXPECT_EQ(Names(list.items), expected);
    EXPECT_EQ(Sorted(Numbers(list.items)), Sorted(numbers));
    // The first item dropped onto the third goes before it.
    EXPECT_EQ(MoveJobFavourite(list, 0, 2), 1);
    EXPECT_EQ(FavouriteName(list.items[1]), u"b");
    EXPECT_EQ(MoveJobFavourite(list, 1, 1), 1) << "dropped on itself";
}

TEST_F(FavouriteDialogs, JobListOkWritesTheListInItsOrderAndChoosesByNumber) {
    AddUser(u"a");
    Set(Current(), dm::DeviceState(dm::kDuplex), dm::kDeviceInstalled);
    JobFavouriteList list = BeginJobFavourites(context_.get());
    const int added = RegisterJobFavourite(list, context_.get(), u"new", u"", -1);
    const DWORD newNumber = FavouriteNumber(list.items[added]);
    MoveJobFavourite(list, added, 0);  // position 0 now holds number newNumber
    ASSERT_TRUE(FinishJobFavourites(context_.get(), list, ResourceText(printer_, 531)));
    EXPECT_EQ(Get(Current(), dm::FavouriteNumber), newNumber) << "the number, not the position";
    const std::vector<FavouriteRecord> stored = Stored();
    EXPECT_EQ(Names(stored), Names(list.items));
    EXPECT_EQ(Numbers(stored), Numbers(list.items));

    // Without a registration: the first factory favourite by its name, wherever it stands.
    JobFavouriteList again = BeginJobFavourites(context_.get());
    MoveJobFavourite(again, IndexOf(again, ResourceText(printer_, 531)), static_cast<int>(again.items.size()) - 1);
    ASSERT_TRUE(FinishJobFavourites(context_.get(), again, ResourceText(printer_, 531)));
    EXPECT_EQ(Get(Current(), dm::FavouriteNumber), 0);
    JobFavouriteList unnamed = BeginJobFavourites(context_.get());
    Set(Current(), dm::FavouriteNumber, WORD{5});
    ASSERT_TRUE(FinishJobFavourites(context_.get(), unnamed, u"no such name"));
    EXPECT_EQ(Get(Current(), dm::FavouriteNumber), 0);
}

TEST_F(FavouriteDialogs, JobListCancelWritesNothing) {
    AddUser(u"a");
    const std::vector<BYTE> before = TableBytes();
    JobFavouriteList list = BeginJobFavourites(context_.get());
    DeleteJobFavourite(list, IndexOf(list, u"a"));
    RegisterJobFavourite(list, context_.get(), u"b", u"", -1);
    MoveJobFavourite(list, 1, 0);
    list = JobFavouriteList{};  // Cancel frees the records without writing
    EXPECT_EQ(TableBytes(), before);
}

// Without the duplex unit the duplex favourites are not listed, yet OK keeps them in the table.
TEST_F(FavouriteDialogs, JobListOkKeepsTheFavouritesThePrinterCannotOffer) {
    const DWORD a = AddUser(u"a");
    Set(Current(), dm::DeviceState(dm::kDuplex), WORD{0});
    JobFavouriteList list = BeginJobFavourites(context_.get());
    const size_t stored = Stored().size();
    std::vector<DWORD> expected;  // a gone, the numbers above it one lower
    for (DWORD n : Numbers(Stored()))
        if (n != a) expected.push_back(n > a ? n - 1 : n);
    EXPECT_EQ(list.items.size(), stored - 2);
    EXPECT_LT(IndexOf(list, u"a"), static_cast<int>(list.items.size()));
    DeleteJobFavourite(list, IndexOf(list, u"a"));
    ASSERT_TRUE(FinishJobFavourites(context_.get(), list, ResourceText(printer_, 531)));
    const std::vector<FavouriteRecord> after = Stored();
    EXPECT_EQ(after.size(), stored - 1);
    EXPECT_EQ(Sorted(Numbers(after)), Sorted(expected));
    for (DWORD n : {2u, 3u}) {
        FavouriteRecord f{};
        EXPECT_TRUE(FavouriteFromTable(context_.get(), n < a ? n : n - 1, &f)) << n;
        EXPECT_NE(FavouriteFlags(f), 0u) << n;
    }
}

// A table the driver cannot read is never written over, whatever the dialog did.
TEST_F(FavouriteDialogs, AnUnreadableTableIsNeverWrittenOver) {
    PutRaw(kFavouriteTableValue, REG_BINARY, std::vector<BYTE>(100, 0xAB));
    JobFavouriteList list = BeginJobFavourites(context_.get());
    EXPECT_TRUE(list.items.empty());
    RegisterJobFavourite(list, context_.get(), u"new", u"", -1);
    EXPECT_FALSE(FinishJobFavourites(context_.get(), list, u""));
    EXPECT_EQ(TableBytes(), std::vector<BYTE>(100, 0xAB));
    EXPECT_FALSE(SaveFavouriteFromDialog(nullptr, context_.get(), u"mine", u"").stored);
    EXPECT_EQ(TableBytes(), std::vector<BYTE>(100, 0xAB));
}

// ---- Match mark ----

TEST(FavouriteMark, AChangedFavouriteCarriesMarkOneUntilItMatchesAgain) {
    struct Case {
        bool matches;
        UINT state, expected;
    };
    const Case cases[] = {
        {false, 0x0002, 0x0102}, {false, 0x0102, 0x0102}, {false, 0x0F02, 0x0102},
        {true, 0x0102, 0x0002},  {true, 0x0002, 0x0002},  {true, 0x1000, 0x1000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FavouriteMarkState(c.matches, c.state), c.expected) << std::hex << c.state << " " << c.matches;
}

}  // namespace favourite_dialogs_test
