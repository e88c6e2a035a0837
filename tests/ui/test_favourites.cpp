// Favourites: the factory favourites by preset flags, the mask merge, the favourite applied at
// load with its per-number steps, the new-favourite mask, storing and deleting by number, the
// stored table byte for byte, damaged tables, the language of the factory names and the combo.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/stamp_record.h"
#include "plat/message_box.h"
#include "ui/entry/favourite_table.h"
#include "ui/entry/held.h"
#include "ui/tools/favourites_store.h"
#include "ui_fixture.h"
#include "win/user.h"
#include "win/user_controls.h"

using namespace orla;
using namespace orla_ui_test;

namespace {

constexpr unsigned kJapaneseRecordSize = 17612;
constexpr unsigned kEnglishRecordSize = 9552;

std::vector<DWORD> Numbers(const std::vector<FavouriteRecord>& records) {
    std::vector<DWORD> out;
    for (const FavouriteRecord& r : records) out.push_back(FavouriteNumber(r));
    return out;
}
std::vector<std::u16string> Names(const std::vector<FavouriteRecord>& records) {
    std::vector<std::u16string> out;
    for (const FavouriteRecord& r : records) out.push_back(FavouriteName(r));
    return out;
}

// A favourite that fixes nothing: applying it moves only the favourite number.
FavouriteRecord Bare(DWORD flags, DWORD number, std::u16string_view name) {
    FavouriteRecord r{};
    Set(std::span<BYTE>(r.bytes), fav::kFlags, flags);
    SetFavouriteNumber(r, number);
    SetFavouriteTexts(r, name, u"");
    return r;
}

std::vector<BYTE> TableBytes(const std::vector<FavouriteRecord>& records) {
    std::vector<BYTE> out;
    for (const FavouriteRecord& r : records) out.insert(out.end(), r.bytes, r.bytes + kFavouriteRecordSize);
    return out;
}

struct WindowFree {
    void operator()(HWND__* h) const { DestroyWindow(h); }
};
using WindowPtr = std::unique_ptr<HWND__, WindowFree>;

class FavouritesTest : public UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        SetLocale(u"00000411");
        InstallSamplePrinter();
        ASSERT_FALSE(HasFatalFailure());
        context_.reset(CreateUiContext(printer_, nullptr));
        ASSERT_NE(context_, nullptr);
        PlatResetMessageBoxes();
        PlatResetBeeps();
    }

    static void SetLocale(const char16_t* value) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Control Panel\\International", 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        std::u16string v(value);
        ASSERT_EQ(RegSetValueExW(key, u"Locale", 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                                 static_cast<DWORD>((v.size() + 1) * 2)),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    std::vector<FavouriteRecord> Stored() {
        std::vector<FavouriteRecord> records;
        EXPECT_EQ(ReadFavouriteTable(printer_, &records), FavouriteTableRead::Ok);
        return records;
    }
    void PutTable(const std::vector<FavouriteRecord>& records) { ASSERT_TRUE(WriteFavouriteTable(printer_, records)); }
    void SetDuplexUnit(bool installed) {
        Set(context_->currentDevmode, dm::DeviceState(dm::kDuplex), installed ? dm::kDeviceInstalled : WORD{0});
    }
    std::vector<FavouriteRecord> Factory(DWORD presetFlags) {
        return BuildFactoryFavourites(presetFlags, context_->hResDll, context_->defaultDevmode);
    }

    ContextPtr context_;
};

// ---- Factory favourites ----

TEST_F(FavouritesTest, PresetFlagsPickTheFactorySlots) {
    struct Case {
        DWORD flags;
        std::vector<DWORD> numbers;
    };
    const Case cases[] = {
        {0x37, {0, 1, 2, 3, 4, 5}},       // bit 3 clear: slot 3 all the same, slot 6 never
        {0x7F, {0, 1, 2, 3, 4, 5, 6}},    // every slot by its bit
        {0x77, {0, 1, 2, 3, 4, 5}},       // bit 3 clear: slot 6 left out for all its bit
        {0x3F, {0, 1, 2, 3, 4, 5}},       // bit 3 set, bit 6 clear
        {0x07, {0, 1, 2, 3}},             // slot 3 without its bit
        {0xFFFF, {0, 1, 2, 3, 4, 5, 6}},  // the empty slots make nothing
    };
    for (const Case& c : cases) EXPECT_EQ(Numbers(Factory(c.flags)), c.numbers) << std::hex << c.flags;

    const std::vector<FavouriteRecord> all = Factory(0x7F);
    for (size_t i = 0; i < all.size(); ++i) EXPECT_EQ(FavouriteFlags(all[i]), i == 0 ? 3u : 1u);
    if (kJapaneseBuild) {
        EXPECT_EQ(Names(all), (std::vector<std::u16string>{u"標準", u"まとめて1枚(2アップ)", u"両面長辺とじ",
                                                           u"両面短辺とじ", u"マル秘", u"ユーザー名", u"高画質"}));
    }
    for (const FavouriteRecord& r : all) {
        EXPECT_FALSE(FavouriteName(r).empty());
        EXPECT_FALSE(FavouriteComment(r).empty());
    }
}

TEST_F(FavouritesTest, AFactoryFavouriteFixesExactlyItsFields) {
    const std::vector<FavouriteRecord> all = Factory(0x7F);
    ASSERT_EQ(all.size(), 7u);
    for (const FavouriteRecord& r : all) {
        // Quality 2, duplex 2, the private flags and their copy 2 + 2, the layout words and their
        // copies 12, draw flag 1, stamp number 4, annotation on 1, kind 4, position 4.
        const std::span<const BYTE> mask = FavouriteMask(r);
        size_t fixedBytes = 0;
        for (BYTE b : mask) fixedBytes += b != 0;
        EXPECT_EQ(fixedBytes, 34u) << FavouriteNumber(r);
        EXPECT_EQ(Get(mask, dm::Flags1), 0x31500u);
        EXPECT_EQ(Get(mask, dm::SavedFlags1), 0x31500u);
        EXPECT_EQ(Get(mask, dm::StampDrawFlag), 1u);
        EXPECT_EQ(Get(mask, dm::AnnotationOn), 1u);
        EXPECT_EQ(Get(mask, dm::StampNumber), 0xFFFFFFFFu);
        // Outside the mask the settings are the printer's defaults.
        const std::span<const BYTE> s = FavouriteSettings(r);
        EXPECT_EQ(Get(s, dm::Zoom), Get(context_->defaultDevmode, dm::Zoom));
        EXPECT_EQ(Get(s, dm::Flags1) & ~0x31500u, Get(context_->defaultDevmode, dm::Flags1) & ~0x31500u);
        EXPECT_EQ(Get(s, dm::SavedFlags1), Get(s, dm::Flags1));
    }
    const std::span<const BYTE> twoUp = FavouriteSettings(all[1]);
    EXPECT_EQ(Get(twoUp, dm::LayoutMode), 2);
    EXPECT_EQ(Get(twoUp, dm::SavedLayoutMode), 2);
    EXPECT_EQ(Get(twoUp, dm::AnnotationPosition), 2u);
    EXPECT_EQ(Get(FavouriteSettings(all[3]), dm::Duplex), 3);
    EXPECT_EQ(Get(FavouriteSettings(all[4]), dm::StampDrawFlag), 1u);
    EXPECT_EQ(Get(FavouriteSettings(all[5]), dm::AnnotationOn), 1u);
    EXPECT_EQ(Get(FavouriteSettings(all[6]), dm::PrintQuality), 1200);
    EXPECT_EQ(Get(FavouriteSettings(all[6]), dm::Flags1) & 0x31500u, 0x10400u);
    EXPECT_EQ(Get(FavouriteSettings(all[0]), dm::Flags1) & 0x31500u, 0x11400u);
}

// ---- Merge and match ----

TEST_F(FavouritesTest, MergeTakesTheMaskedBitsOfTheFavourite) {
    struct Case {
        unsigned offset;
        BYTE mask, favourite, current, merged;
    };
    const Case cases[] = {
        {dm::Zoom.offset, 0xF0, 0xAB, 0x12, 0xA2},         {dm::Zoom.offset + 1, 0x0F, 0xAB, 0x12, 0x1B},
        {dm::PrintDensity.offset, 0x00, 0xFF, 0x34, 0x34}, {dm::PrintDensity.offset + 1, 0xFF, 0x56, 0x78, 0x56},
        {dm::PaperType.offset, 0x81, 0x00, 0xFF, 0x7E},
    };
    FavouriteRecord f = Bare(0, 9, u"merge");
    DriverDevmode& s = context_->scratchDevmode;
    std::memcpy(s.bytes, context_->defaultDevmode.bytes, kDriverDevmodeSize);
    for (const Case& c : cases) {
        FavouriteMask(f)[c.offset] = c.mask;
        FavouriteSettings(f)[c.offset] = c.favourite;
        s.bytes[c.offset] = c.current;
    }
    DriverDevmode before = s;
    MergeFavourite(s, f);
    for (const Case& c : cases) EXPECT_EQ(s.bytes[c.offset], c.merged) << c.offset;
    EXPECT_EQ(Get(s, dm::FavouriteNumber), 9);
    for (unsigned i = 0; i < kDriverDevmodeSize; ++i) {
        if (i == dm::FavouriteNumber.offset || i == dm::FavouriteNumber.offset + 1) continue;
        bool listed = false;
        for (const Case& c : cases) listed = listed || c.offset == i;
        if (listed) continue;
        ASSERT_EQ(s.bytes[i], before.bytes[i]) << "byte " << i << " is not under the mask";
    }

    EXPECT_TRUE(FavouriteMatches(s, f));
    s.bytes[dm::PrintDensity.offset] ^= 0xFF;  // not under the mask
    EXPECT_TRUE(FavouriteMatches(s, f));
    s.bytes[dm::PaperType.offset] ^= 0x01;  // under the mask
    EXPECT_FALSE(FavouriteMatches(s, f));
}

// ---- Applied at load ----

TEST_F(FavouritesTest, OnlyAFactoryFavouriteFlaggedForLoadIsApplied) {
    struct Case {
        const char* what;
        std::vector<FavouriteRecord> table;
        int applied;
    };
    const Case cases[] = {
        {"flags 1 only", {Bare(1, 0, u"a"), Bare(1, 1, u"b")}, -1},
        {"user favourite with the load bit", {Bare(2, 0, u"user"), Bare(0, 1, u"b")}, -1},
        {"the first flagged one", {Bare(1, 0, u"a"), Bare(3, 1, u"b"), Bare(3, 5, u"c")}, 1},
        {"user favourites never", {Bare(0, 0, u"a"), Bare(0, 1, u"b")}, -1},
    };
    for (const Case& c : cases) {
        PutTable(c.table);
        const DriverDevmode before = context_->currentDevmode;
        EXPECT_EQ(LoadFavouriteTable(context_.get()), c.applied) << c.what;
        if (c.applied < 0) {
            EXPECT_EQ(std::memcmp(before.bytes, context_->currentDevmode.bytes, kDriverDevmodeSize), 0) << c.what;
        } else {
            EXPECT_EQ(Get(context_->currentDevmode, dm::FavouriteNumber), c.applied) << c.what;
        }
    }
}

TEST_F(FavouritesTest, TheDuplexFavouritesNeedTheDuplexUnitAtLoad) {
    // The 2-up favourite (1) stays offered without the duplex unit; 2 and 3 do not.
    PutTable({Bare(1, 0, u"std"), Bare(3, 1, u"2up"), Bare(3, 2, u"long")});
    SetDuplexUnit(false);
    EXPECT_EQ(LoadFavouriteTable(context_.get()), 1);
    PutTable({Bare(1, 0, u"std"), Bare(1, 1, u"2up"), Bare(3, 2, u"long"), Bare(3, 3, u"short")});
    EXPECT_EQ(LoadFavouriteTable(context_.get()), -1);
    SetDuplexUnit(true);
    EXPECT_EQ(LoadFavouriteTable(context_.get()), 2);
    EXPECT_EQ(context_->favouriteNeedsDuplex, 1);
}

TEST_F(FavouritesTest, FavouritesOneToFourBringTheirSteps) {
    DriverDevmode& s = context_->currentDevmode;
    SetDuplexUnit(true);

    // 1: a conversion form becomes A4, the hand-chosen zoom goes.
    SetText(s, dm::FormName, u"A4->B5");
    Set(s, dm::OutPaperIndex, 3);
    Set(s, dm::Flags1, Get(s, dm::Flags1) | kFlags1ManualZoom);
    PutTable({Bare(1, 0, u"0"), Bare(3, 1, u"1")});
    ASSERT_EQ(LoadFavouriteTable(context_.get()), 1);
    EXPECT_EQ(GetText(s, dm::FormName), u"A4");
    EXPECT_EQ(Get(s, dm::PaperSize), 9);
    EXPECT_EQ(Get(s, dm::OutPaperIndex), 0);
    EXPECT_EQ(Get(s, dm::Flags1) & kFlags1ManualZoom, 0u);
    EXPECT_EQ(context_->favouriteNeedsDuplex, 0);

    // 2 and 3: paper outside the plain list becomes A4, transparencies go.
    SetDuplexUnit(true);
    struct PaperCase {
        const char16_t* form;
        WORD outIndex;
        const char16_t* outName;
        const char16_t* expected;
    };
    const PaperCase papers[] = {
        {u"Legal", 0, u"", u"A4"},          {u"B5 (JIS)", 0, u"", u"B5 (JIS)"},
        {u"A4->B5", 0, u"", u"A4"},          // a conversion form as the form itself
        {u"Legal", 2, u"B5->A4", u"Legal"},  // the output paper is checked instead
        {u"Legal", 2, u"A3->A4", u"A4"},     // the one conversion the duplex favourites drop
    };
    for (DWORD number : {2u, 3u}) {
        for (const PaperCase& p : papers) {
            SetText(s, dm::FormName, p.form);
            Set(s, dm::OutPaperIndex, p.outIndex);
            SetText(s, dm::OutPaperName, p.outName);
            Set(s, dm::PaperType, 3);
            Set(s, dm::OutputTray, 3);
            PutTable({Bare(1, 0, u"0"), Bare(1, 1, u"1"), Bare(3, number, u"d")});
            ASSERT_EQ(LoadFavouriteTable(context_.get()), static_cast<int>(number));
            EXPECT_EQ(GetText(s, dm::FormName), p.expected) << number << " " << std::u16string(p.form).size();
            EXPECT_EQ(Get(s, dm::PaperType), 0);
            EXPECT_EQ(Get(s, dm::OutputTray), 0);
            EXPECT_EQ(context_->favouriteNeedsDuplex, 1);
        }
    }

    // 4: the factory stamp 1 is put on.
    PutTable({Bare(1, 0, u"0"), Bare(3, 4, u"4")});
    ASSERT_EQ(LoadFavouriteTable(context_.get()), 4);
    EXPECT_EQ(Get(s, dm::StampNumber), 1u);
    EXPECT_EQ(Get(s, dm::StampDrawFlag), 1u);
    EXPECT_EQ(context_->favouriteStampApplied, 1u);
    const BYTE* stampRecord = s.bytes + dm::StampRecord.offset;
    EXPECT_EQ(StampGet(stampRecord, stamp::kTextSize), kJapaneseBuild ? 2000 : 880);
    if (kJapaneseBuild) {
        EXPECT_EQ(stampRecord[stamp::kText.offset], 0xD8);  // "秘" U+79D8, little-endian
        EXPECT_EQ(stampRecord[stamp::kText.offset + 1], 0x79);
        EXPECT_EQ(StampGet(stampRecord, stamp::kMode), 3066u);
    }

    // A factory favourite without its own stamp: the default text stamp.
    PutTable({Bare(3, 0, u"0")});
    ASSERT_EQ(LoadFavouriteTable(context_.get()), 0);
    EXPECT_EQ(Get(s, dm::StampNumber), 0u);
    EXPECT_EQ(context_->favouriteStampApplied, 0u);
    EXPECT_EQ(StampGet(stampRecord, stamp::kTextSize), 720);
    EXPECT_EQ(StampGet(stampRecord, stamp::kWeight), 700);
    EXPECT_EQ(StampGet(stampRecord, stamp::kGrey), 3044u);
    EXPECT_EQ(stampRecord[stamp::kText.offset], ' ');
    // The previous-value block follows the public values.
    EXPECT_EQ(Get(s, dm::PrevPaperSize), static_cast<WORD>(Get(s, dm::PaperSize)));
}

// ---- New favourite mask ----

TEST_F(FavouritesTest, TheNewFavouriteMaskLeavesOutExactlyTheJobsFields) {
    DriverDevmode& s = context_->currentDevmode;
    SetText(s, dm::DeviceName, u"Halvoric");           // NUL at unit 8
    SetText(s, dm::FormName, u"A4");                   // NUL at unit 2
    SetText(s, dm::OutPaperName, u"");                 // NUL at unit 0
    SetAnsi(s, dm::OverlayFolder, "C:\\F");            // NUL at byte 4
    std::memset(s.bytes + 350, 0, 14);                 // NUL at byte 0
    SetAnsi(s, dm::LanguageText, "ORLA Level2 Form");  // NUL at byte 16
    SetText(s, dm::UserText, u"abc");                  // NUL at unit 3
    struct Case {
        bool overlayOn, showUserText;
    };
    for (const Case c : {Case{false, false}, Case{true, true}}) {
        Set(s, dm::FlagsWord, c.overlayOn ? WORD{1} : WORD{0});
        Set(s, dm::Flags1, c.showUserText ? (Get(s, dm::Flags1) | 0x400000u) : (Get(s, dm::Flags1) & ~0x400000u));
        std::vector<BYTE> expected(kDriverDevmodeSize, 0xFF);
        auto zero = [&](unsigned from, unsigned to) { std::fill(expected.begin() + from, expected.begin() + to, 0); };
        zero(18, 64);                           // device name after its NUL
        zero(108, 166);                         // form name
        zero(424, 486);                         // output paper name
        zero(226, 350);                         // overlay folder from its NUL
        zero(350, 364);                         // overlay name, 14 bytes
        zero(388, 392);                         // language text, 20 bytes
        zero(400, 404);                         // private flags 2 ...
        if (c.overlayOn) expected[401] = 0x02;  // ... but for the overlay mode bit
        zero(412, 416);                         // dialog category, favourite number
        zero(522, 588);                         // computer and job user names, WORD 586
        if (c.showUserText)
            zero(596, 620);  // the user text after its NUL; WORD 620 kept
        else
            zero(588, 624);  // all of it with WORD 620
        zero(624, 932);      // option states, previous values
        std::vector<BYTE> mask(kDriverDevmodeSize, 0);
        BuildNewFavouriteMask(s, mask);
        for (unsigned i = 0; i < kDriverDevmodeSize; ++i)
            ASSERT_EQ(mask[i], expected[i]) << "byte " << i << " overlay " << c.overlayOn;
    }
}

// ---- Store and delete ----

TEST_F(FavouritesTest, StoreReplacesAppendsAndRefusesAFullTable) {
    // The sample printer's preset flags (0x4F) give slots 0-3 and 6: the first user number is 5, the
    // count, free for all the gap.
    const DWORD firstUser = static_cast<DWORD>(Stored().size());
    ASSERT_EQ(Numbers(Stored()), (std::vector<DWORD>{0, 1, 2, 3, 6}));
    const FavouriteRecord mine = BuildUserFavourite(context_.get(), u"mine", u"note");
    EXPECT_EQ(FavouriteNumber(mine), firstUser);
    EXPECT_EQ(FavouriteFlags(mine), 0u);
    ASSERT_EQ(StoreFavourite(nullptr, context_.get(), firstUser, mine), FavouriteStore::Appended);
    ASSERT_EQ(Stored().size(), firstUser + 1);

    // The same name again replaces it under its number; the table keeps its size.
    Set(context_->currentDevmode, dm::Zoom, 77);
    const FavouriteRecord again = BuildUserFavourite(context_.get(), u"mine", u"changed");
    EXPECT_EQ(FavouriteNumber(again), firstUser);
    EXPECT_EQ(StoreFavourite(nullptr, context_.get(), firstUser, again), FavouriteStore::Replaced);
    std::vector<FavouriteRecord> stored = Stored();
    ASSERT_EQ(stored.size(), firstUser + 1);
    EXPECT_EQ(FavouriteComment(stored[firstUser]), u"changed");
    EXPECT_EQ(Get(FavouriteSettings(stored[firstUser]), dm::Zoom), 77);

    while (Stored().size() < kFavouriteMaxCount) {
        const FavouriteRecord more =
            BuildUserFavourite(context_.get(), u"more" + std::u16string(1, u'a' + Stored().size()), u"");
        ASSERT_EQ(StoreFavourite(nullptr, context_.get(), FavouriteNumber(more), more), FavouriteStore::Appended);
    }
    std::vector<DWORD> numbers = Numbers(Stored());
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (std::vector<DWORD>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}))
        << "numbers unique and dense";
    const std::vector<BYTE> full = Raw(kFavouriteTableValue).bytes;
    PlatQueueMessageBoxAnswer(IDOK);
    const FavouriteRecord extra = BuildUserFavourite(context_.get(), u"extra", u"");
    EXPECT_EQ(StoreFavourite(nullptr, context_.get(), FavouriteNumber(extra), extra), FavouriteStore::TableFull);
    EXPECT_EQ(Raw(kFavouriteTableValue).bytes, full) << "a full table is not written";
    EXPECT_EQ(PlatBeepCount(), 1u);
    EXPECT_EQ(PlatLastBeepType(), static_cast<UINT>(MB_ICONEXCLAMATION));
    ASSERT_EQ(PlatMessageBoxCount(), 1u);
    PLAT_MESSAGE_BOX_RECORD box{};
    ASSERT_TRUE(PlatGetMessageBox(0, &box));
    WCHAR expected[256] = {};
    ASSERT_GT(LoadStringW(context_->hResDll, kFavouriteTableFullMessage, expected, 256), 0);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(box.text)),
              std::u16string(reinterpret_cast<const char16_t*>(expected)));
    EXPECT_EQ(box.flags & MB_ICONWARNING, static_cast<UINT>(MB_ICONWARNING));
}

TEST_F(FavouritesTest, StoringWithoutATableKeepsTheFactoryFavourites) {
    ASSERT_EQ(DeletePrinterDataW(printer_, const_cast<LPWSTR>(kFavouriteTableValue)), ERROR_SUCCESS);
    const std::vector<FavouriteRecord> factory = Factory(DeviceDataField(context_->deviceData, dd::kPresetFlags));
    const FavouriteRecord mine = BuildUserFavourite(context_.get(), u"mine", u"");
    ASSERT_EQ(StoreFavourite(nullptr, context_.get(), FavouriteNumber(mine), mine), FavouriteStore::Appended);
    const std::vector<FavouriteRecord> stored = Stored();
    ASSERT_EQ(stored.size(), factory.size() + 1);
    for (size_t i = 0; i < factory.size(); ++i)
        EXPECT_EQ(std::memcmp(stored[i].bytes, factory[i].bytes, kFavouriteRecordSize), 0) << i;
    EXPECT_EQ(FavouriteName(stored.back()), u"mine");
}

TEST_F(FavouritesTest, DeleteGoesByNumberAndRenumbers) {
    // In table order; numbers 0..4.
    PutTable({Bare(0, 0, u"n0"), Bare(0, 1, u"n1"), Bare(0, 2, u"n2"), Bare(0, 3, u"n3"), Bare(0, 4, u"n4")});
    Set(context_->currentDevmode, dm::FavouriteNumber, 4);
    ASSERT_TRUE(DeleteFavourite(context_.get(), 3));
    std::vector<FavouriteRecord> left = Stored();
    EXPECT_EQ(Names(left), (std::vector<std::u16string>{u"n0", u"n1", u"n2", u"n4"}));
    EXPECT_EQ(Numbers(left), (std::vector<DWORD>{0, 1, 2, 3}));
    EXPECT_EQ(Raw(kFavouriteTableValue).bytes.size(), 4u * kFavouriteRecordSize);
    EXPECT_EQ(Get(context_->currentDevmode, dm::FavouriteNumber), 3) << "the chosen favourite keeps its record";

    // After a reorder numbers and positions differ: the number, not the position, is deleted.
    PutTable({Bare(0, 3, u"n3"), Bare(0, 0, u"n0"), Bare(0, 4, u"n4"), Bare(0, 1, u"n1"), Bare(0, 2, u"n2")});
    ASSERT_TRUE(DeleteFavourite(context_.get(), 1));
    left = Stored();
    EXPECT_EQ(Names(left), (std::vector<std::u16string>{u"n3", u"n0", u"n4", u"n2"}));
    EXPECT_EQ(Numbers(left), (std::vector<DWORD>{2, 0, 3, 1}));
    EXPECT_FALSE(DeleteFavourite(context_.get(), 7)) << "no such number";
    EXPECT_EQ(Stored().size(), 4u);
    EXPECT_EQ(NextFavouriteNumber(context_.get()), 4u);
}

// ---- The stored table ----

TEST_F(FavouritesTest, TheTableRoundTripsByteForByte) {
    EXPECT_EQ(kFavouriteRecordSize, kJapaneseBuild ? kJapaneseRecordSize : kEnglishRecordSize);
    std::vector<FavouriteRecord> table = Factory(0x7F);
    FavouriteRecord user = BuildUserFavourite(context_.get(), u"user", u"comment");
    SetFavouriteNumber(user, 7);
    for (size_t i = 0; i < kDriverDevmodeSize; i += 97) FavouriteSettings(user)[i] = static_cast<BYTE>(i);
    table.push_back(user);
    PutTable(table);
    const RawValue raw = Raw(kFavouriteTableValue);
    EXPECT_EQ(raw.type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(raw.bytes.size(), 8u * (kJapaneseBuild ? kJapaneseRecordSize : kEnglishRecordSize));
    EXPECT_EQ(raw.bytes, TableBytes(table));
    // Fields at their offsets: number at 4, name from 8, settings at 588 (English 736).
    EXPECT_EQ(raw.bytes[kFavouriteRecordSize * 7 + 4], 7);
    EXPECT_EQ(raw.bytes[kFavouriteRecordSize * 7 + 8], 'u');
    const unsigned settingsAt = kJapaneseBuild ? 588 : 736;
    EXPECT_EQ(std::memcmp(raw.bytes.data() + kFavouriteRecordSize * 7 + settingsAt, FavouriteSettings(user).data(),
                          kDriverDevmodeSize),
              0);
    std::vector<FavouriteRecord> back;
    ASSERT_EQ(ReadFavouriteTable(printer_, &back), FavouriteTableRead::Ok);
    EXPECT_EQ(TableBytes(back), raw.bytes);
    PutTable({});
    EXPECT_EQ(Raw(kFavouriteTableValue).bytes.size(), 0u);
    ASSERT_EQ(ReadFavouriteTable(printer_, &back), FavouriteTableRead::Ok);
    EXPECT_TRUE(back.empty());
}

TEST_F(FavouritesTest, ADamagedTableIsRefusedAndKept) {
    const std::vector<BYTE> good = TableBytes({Bare(1, 0, u"a"), Bare(0, 1, u"b")});
    struct Case {
        const char* what;
        std::vector<BYTE> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"not whole records", good});
    cases.back().bytes.push_back(0);
    cases.push_back({"a record short", std::vector<BYTE>(good.begin(), good.end() - 1)});
    std::vector<FavouriteRecord> many;
    for (DWORD i = 0; i < 21; ++i) many.push_back(Bare(0, i % 20, u"x"));
    cases.push_back({"21 records", TableBytes(many)});
    cases.push_back({"unterminated name", good});
    for (unsigned i = 0; i < fav::kName.cch; ++i) cases.back().bytes[fav::kName.offset + 2 * i] = 'N';
    cases.push_back({"unterminated comment", good});
    for (unsigned i = 0; i < fav::kComment.cch; ++i) cases.back().bytes[fav::kComment.offset + 2 * i] = 'C';
    cases.push_back({"a number twice", TableBytes({Bare(1, 0, u"a"), Bare(0, 0, u"b")})});
    cases.push_back({"a number past 19", TableBytes({Bare(1, 0, u"a"), Bare(0, 20, u"b")})});
    for (const Case& c : cases) {
        PutRaw(kFavouriteTableValue, REG_BINARY, c.bytes);
        std::vector<FavouriteRecord> records;
        EXPECT_EQ(ReadFavouriteTable(printer_, &records), FavouriteTableRead::Damaged) << c.what;
        const DriverDevmode before = context_->currentDevmode;
        EXPECT_EQ(LoadFavouriteTable(context_.get()), -1) << c.what;
        EXPECT_EQ(std::memcmp(before.bytes, context_->currentDevmode.bytes, kDriverDevmodeSize), 0) << c.what;
        EXPECT_EQ(StoreFavourite(nullptr, context_.get(), 1, Bare(0, 1, u"z")), FavouriteStore::TableDamaged) << c.what;
        EXPECT_FALSE(DeleteFavourite(context_.get(), 0)) << c.what;
        StorePrinterDataSettings(context_.get(), &context_->currentDevmode, printer_, context_->deviceData);
        EXPECT_EQ(Raw(kFavouriteTableValue).bytes, c.bytes) << c.what << ": nothing is written over it";
    }
}

// ---- Seeding and the user's language ----

TEST_F(FavouritesTest, TheStoreSeedsTheTableAndRenamesUntouchedFactoryFavourites) {
    const DWORD presetFlags = DeviceDataField(context_->deviceData, dd::kPresetFlags);
    std::vector<FavouriteRecord> seeded = Stored();
    ASSERT_EQ(Numbers(seeded), Numbers(Factory(presetFlags)));
    ASSERT_GE(seeded.size(), 2u);
    const std::u16string japaneseFirst = FavouriteName(seeded[0]);
    EXPECT_EQ(japaneseFirst, ResourceText(printer_, 531));

    // The user saves one favourite and changes one factory favourite's settings.
    const FavouriteRecord mine = BuildUserFavourite(context_.get(), u"mine", u"");
    ASSERT_EQ(StoreFavourite(nullptr, context_.get(), FavouriteNumber(mine), mine), FavouriteStore::Appended);
    FavouriteRecord changed = seeded[1];
    FavouriteSettings(changed)[dm::PrintQuality.offset] ^= 1;  // a setting it fixes
    ASSERT_EQ(StoreFavourite(nullptr, context_.get(), 1, changed), FavouriteStore::Replaced);
    const std::u16string changedName = FavouriteName(changed);

    SetLocale(u"00000409");
    DriverDevmode record = context_->currentDevmode;
    StorePrinterDataSettings(nullptr, &record, printer_, context_->deviceData);
    EXPECT_EQ(Raw(kFavouriteLanguageValue).bytes, Le32(1033));
    std::vector<FavouriteRecord> renamed = Stored();
    ASSERT_EQ(renamed.size(), seeded.size() + 1);
    const std::u16string englishFirst = ResourceText(printer_, 531);
    EXPECT_NE(englishFirst, japaneseFirst);
    EXPECT_EQ(FavouriteName(renamed[0]), englishFirst);
    EXPECT_EQ(FavouriteName(renamed[1]), changedName) << "a changed factory favourite keeps its name";
    EXPECT_EQ(FavouriteName(renamed.back()), u"mine");
    EXPECT_EQ(std::memcmp(renamed.back().bytes, Stored().back().bytes, kFavouriteRecordSize), 0);

    // The same language again writes nothing new.
    const std::vector<BYTE> before = Raw(kFavouriteTableValue).bytes;
    StorePrinterDataSettings(nullptr, &record, printer_, context_->deviceData);
    EXPECT_EQ(Raw(kFavouriteTableValue).bytes, before);
}

// ---- The favourites combo ----

TEST_F(FavouritesTest, TheComboOffersTheDuplexFavouritesOnlyWithTheDuplexUnit) {
    WindowPtr parent(
        CreateWindowExW(0, u"Static", nullptr, WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr));
    ASSERT_NE(parent, nullptr);
    HWND combo = CreateWindowExW(0, u"ComboBox", nullptr, WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 100, parent.get(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFavouritesComboId)), nullptr, nullptr);
    ASSERT_NE(combo, nullptr);
    auto itemNumbers = [&] {
        std::vector<DWORD> out;
        const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i)
            out.push_back(static_cast<DWORD>(SendMessageW(combo, CB_GETITEMDATA, i, 0)));
        return out;
    };
    struct Case {
        std::vector<FavouriteRecord> table;
        bool duplex;
        std::vector<DWORD> shown;
    };
    const Case cases[] = {
        {Factory(0x37), true, {0, 1, 2, 3, 4, 5}},
        {Factory(0x37), false, {0, 1, 4, 5}},
        {{Bare(3, 0, u"a"), Bare(1, 1, u"b"), Bare(1, 2, u"c")}, false, {0, 1}},  // 3 records, not "count - 2"
        {{Bare(3, 0, u"a")}, false, {0}},
        {{Bare(3, 0, u"a"), Bare(1, 4, u"d"), Bare(1, 1, u"b")}, false, {0, 4, 1}},  // reordered: by number
        {{Bare(3, 0, u"a"), Bare(1, 0, u"b")}, true, {}},                            // damaged: nothing offered
        {{}, false, {}},
    };
    for (const Case& c : cases) {
        PutTable(c.table);
        SetDuplexUnit(c.duplex);
        Set(context_->currentDevmode, dm::FavouriteNumber, 1);
        EXPECT_EQ(FillFavouritesCombo(context_.get(), parent.get()), static_cast<int>(c.shown.size()));
        EXPECT_EQ(itemNumbers(), c.shown);
        // Favourite 1 is selected where it is offered; otherwise nothing is.
        const auto one = std::find(c.shown.begin(), c.shown.end(), 1u);
        const LRESULT expectedSel = one == c.shown.end() ? CB_ERR : one - c.shown.begin();
        EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), expectedSel);
    }
}

}  // namespace
