// Setting items against the settings record: every item read and written, the fields that move
// with a write, and the choices other settings force.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/build_variant.h"
#include "core/driver_devmode.h"
#include "tests/ui/ui_fixture.h"
#include "ui/pages/setting_items.h"

namespace {

using namespace orla;

std::unique_ptr<DriverDevmode> Blank() {
    return std::make_unique<DriverDevmode>();
}
bool Installed(const DriverDevmode& r, unsigned pair) {
    return DeviceInstalled(r, pair);
}
void Install(DriverDevmode& r, unsigned pair, bool on) {
    const WORD v = Get(r, dm::DeviceState(pair));
    Set(r, dm::DeviceState(pair), on ? WORD(v | 0x8) : WORD(v & ~0x8));
}

// ---- Items kept as one bit of a flag word ----------------------------------------------------

constexpr DmField<DWORD> kNoCopy{0};

struct FlagCase {
    WORD item;
    DmField<DWORD> word;
    DWORD bit;
    DmField<DWORD> copy;  // the remembered copy; offset 0: none
    WORD setChoice;
    WORD clearChoice;
};
const FlagCase kFlagCases[] = {
    {433, dm::Flags1, 0x400, dm::SavedFlags1, 538, 488},
    {434, dm::Flags1, 0x800, kNoCopy, 489, 488},
    {438, dm::Flags1, 0x10000, dm::SavedFlags1, 474, 475},
    {442, dm::Flags1, 0x2000, dm::SavedFlags1, 476, 477},
    {443, dm::Flags1, 0x8000, dm::SavedFlags1, 539, 540},
    {444, dm::Flags1, 0x4000, dm::SavedFlags1, 541, 544},
    {454, dm::Flags1, 0x1, dm::SavedFlags1, 861, 860},
    {781, dm::Flags1, 0x1000000, dm::SavedFlags1, 782, 783},
    {455, dm::Flags2, 0x100, kNoCopy, 482, 481},
    {456, dm::Flags2, 0x200, dm::SavedFlags2, 474, 475},
    {599, dm::Flags2, 0x2000000, dm::SavedFlags2, 476, 477},
    {765, dm::Flags2, 0x400, kNoCopy, 766, 767},
    {774, dm::Flags2, 0x100000, kNoCopy, 776, 775},
    {840, dm::Flags2, 0x4000000, dm::SavedFlags2, 905, 488},
};

TEST(SettingItems, FlagItemsReadWhatTheyWroteWithTheirCopies) {
    for (const FlagCase& c : kFlagCases) {
        SCOPED_TRACE(c.item);
        auto r = Blank();
        EXPECT_EQ(ReadItemChoice(*r, c.item), c.clearChoice);
        WriteItemChoice(*r, c.item, c.setChoice);
        EXPECT_EQ(Get(*r, c.word), c.bit);
        EXPECT_EQ(Get(*r, dm::SavedFlags1) | Get(*r, dm::SavedFlags2), c.copy.offset ? c.bit : 0u);
        if (c.copy.offset) {
            EXPECT_EQ(Get(*r, c.copy), c.bit);
        }
        EXPECT_EQ(ReadItemChoice(*r, c.item), c.setChoice);
        // The other bits of the word stay as they were.
        Set(*r, c.word, Get(*r, c.word) | 0x80000000u);
        WriteItemChoice(*r, c.item, c.clearChoice);
        EXPECT_EQ(Get(*r, c.word), 0x80000000u);
        EXPECT_EQ(ReadItemChoice(*r, c.item), c.clearChoice);
        // Each choice list offers both choices, in combo order.
        const auto list = ItemChoiceList(c.item);
        ASSERT_EQ(list.size(), 2u);
        EXPECT_TRUE((list[0] == c.setChoice && list[1] == c.clearChoice) ||
                    (list[1] == c.setChoice && list[0] == c.clearChoice));
    }
}

TEST(SettingItems, FlagItemsWithTheirOwnWritingRules) {
    auto r = Blank();
    // 434: its second "off" text clears as well; a choice of another item changes nothing.
    WriteItemChoice(*r, 434, 489);
    WriteItemChoice(*r, 434, 538);
    EXPECT_EQ(Get(*r, dm::Flags1), 0x800u);
    WriteItemChoice(*r, 434, 859);
    EXPECT_EQ(Get(*r, dm::Flags1), 0u);
    // 454: only its "off" choice clears; any other sets.
    WriteItemChoice(*r, 454, 999);
    EXPECT_EQ(Get(*r, dm::Flags1), 1u);
    WriteItemChoice(*r, 454, 860);
    EXPECT_EQ(Get(*r, dm::Flags1), 0u);
    // 449 reads here but is written with the tray set by the option-list page.
    Set(*r, dm::Flags1, DWORD{0x40});
    EXPECT_EQ(ReadItemChoice(*r, 449), 542);
    WriteItemChoice(*r, 449, 543);
    EXPECT_EQ(Get(*r, dm::Flags1), 0x40u);
}

// ---- Items kept as an option's installed bit -------------------------------------------------

struct OptionCase {
    WORD item;
    unsigned pair;
};
const OptionCase kOptionCases[] = {{309, dm::kDuplex}, {316, dm::kLcs}, {317, dm::kFut},
                                   {354, dm::kManual}, {770, dm::kHdd}, {771, dm::kFinisher1}};

TEST(SettingItems, OptionItemsFollowTheInstalledBit) {
    for (const OptionCase& c : kOptionCases) {
        SCOPED_TRACE(c.item);
        auto r = Blank();
        Set(*r, dm::DeviceState(c.pair), WORD{0x0102});
        EXPECT_EQ(ReadItemChoice(*r, c.item), 484);
        WriteItemChoice(*r, c.item, 487);
        EXPECT_EQ(Get(*r, dm::DeviceState(c.pair)), 0x010A);
        EXPECT_EQ(ReadItemChoice(*r, c.item), 487);
        WriteItemChoice(*r, c.item, 484);
        EXPECT_EQ(Get(*r, dm::DeviceState(c.pair)), 0x0102);
    }
}

TEST(SettingItems, OptionItemsMoveTheirDependentFields) {
    auto r = Blank();
    // Removing the duplex unit while its choice is pending marks it dropped.
    Install(*r, dm::kDuplex, true);
    Set(*r, dm::DuplexFavourite, 1);
    WriteItemChoice(*r, 309, 484);
    EXPECT_EQ(Get(*r, dm::DuplexFavourite), 2u);
    EXPECT_EQ(Get(*r, dm::DeviceChoice(dm::kDuplex)), 0xFFFF);
    // The face-up tray switch follows only a real change of the option.
    Set(*r, dm::FaceUpTray, 5);
    Install(*r, dm::kFut, true);
    WriteItemChoice(*r, 317, 487);
    EXPECT_EQ(Get(*r, dm::FaceUpTray), 5u);
    WriteItemChoice(*r, 317, 484);
    EXPECT_EQ(Get(*r, dm::FaceUpTray), 0u);
    WriteItemChoice(*r, 317, 487);
    EXPECT_EQ(Get(*r, dm::FaceUpTray), 1u);
    // The manual slot: any choice but "off" installs it and takes the multi-purpose slot away.
    Install(*r, dm::kMultiPurpose, true);
    WriteItemChoice(*r, 354, 999);
    EXPECT_TRUE(Installed(*r, dm::kManual));
    EXPECT_FALSE(Installed(*r, dm::kMultiPurpose));
}

// ---- Stacked trays and their count -----------------------------------------------------------

struct TrayReadCase {
    bool installed;
    WORD kind;
    WORD reads;
};
TEST(SettingItems, TrayItemsReadTheirKind) {
    const TrayReadCase cases[] = {{false, 1, 484}, {true, 1, 485}, {true, 6, 485}, {true, 3, 486},
                                  {true, 10, 486}, {true, 2, 0},   {true, 0, 0}};
    for (const auto& c : cases) {
        for (auto [item, pair] :
             {std::pair{WORD{1302}, dm::kFeeder2}, {WORD{1303}, dm::kFeeder3}, {WORD{1304}, dm::kFeeder4}}) {
            auto r = Blank();
            Install(*r, pair, c.installed);
            Set(*r, dm::DeviceChoice(pair), c.kind);
            EXPECT_EQ(ReadItemChoice(*r, item), c.reads) << item << " kind " << c.kind;
        }
    }
}

struct TrayWriteCase {
    WORD item;
    WORD choice;
    bool before[3];  // feeders 2, 3, 4 installed
    bool after[3];
    WORD kindAfter;  // of the written tray, when it ends installed
};
TEST(SettingItems, TrayItemsWriteAndRemoveTheTraysBelow) {
    const TrayWriteCase cases[] = {
        {1302, 484, {true, true, true}, {false, false, false}, 0},
        {1303, 484, {true, true, true}, {true, false, false}, 0},
        {1304, 484, {true, true, true}, {true, true, false}, 0},
        {1303, 485, {false, false, false}, {false, true, false}, 1},
        {1302, 486, {false, false, false}, {true, false, false}, 3},
        {1304, 777, {false, true, false}, {false, true, false}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        auto r = Blank();
        const unsigned pairs[] = {dm::kFeeder2, dm::kFeeder3, dm::kFeeder4};
        for (int i = 0; i < 3; ++i) Install(*r, pairs[i], c.before[i]);
        WriteItemChoice(*r, c.item, c.choice);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(Installed(*r, pairs[i]), c.after[i]) << i;
        const unsigned written = pairs[c.item - 1302];
        if (Installed(*r, written)) {
            EXPECT_EQ(Get(*r, dm::DeviceChoice(written)), c.kindAfter);
        }
    }
}

struct CascadeCase {
    WORD item;
    WORD choice;
    DWORD countBitsBefore;  // bits 12 and 13 of the second flag word
    bool before[3];
    bool after[3];
};
TEST(SettingItems, TrayCountItemsInstallTheStackedTrays) {
    const CascadeCase cases[] = {
        {772, 487, 0x0000, {false, false, false}, {true, false, false}},
        {772, 487, 0x2000, {false, false, false}, {true, true, true}},
        {772, 484, 0x3000, {true, true, true}, {true, true, false}},
        {772, 484, 0x1000, {true, true, true}, {false, true, true}},
        {773, 487, 0x1000, {false, false, false}, {false, true, true}},
        {773, 484, 0x3000, {true, true, true}, {true, false, false}},
        {773, 487, 0x0000, {false, false, true}, {true, true, true}},
        {773, 484, 0x2000, {true, true, true}, {false, false, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.item << " " << c.choice << " from " << std::hex << c.countBitsBefore);
        auto r = Blank();
        Set(*r, dm::Flags2, c.countBitsBefore);
        const unsigned pairs[] = {dm::kFeeder2, dm::kFeeder3, dm::kFeeder4};
        for (int i = 0; i < 3; ++i) Install(*r, pairs[i], c.before[i]);
        WriteItemChoice(*r, c.item, c.choice);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(Installed(*r, pairs[i]), c.after[i]) << i;
    }
}

// ---- Items with values of their own ----------------------------------------------------------

TEST(SettingItems, DensityItemReadsAndWritesItsValueWithTheCopy) {
    auto r = Blank();
    for (WORD v = 0; v <= 6; ++v) {
        Set(*r, dm::PrintDensity, v);
        EXPECT_EQ(ReadItemChoice(*r, 440), v >= 1 && v <= 5 ? 491 + v : 0) << v;
    }
    WriteItemChoice(*r, 440, 494);
    EXPECT_EQ(Get(*r, dm::PrintDensity), 3);
    EXPECT_EQ(Get(*r, dm::SavedPrintDensity), 3);
    WriteItemChoice(*r, 440, 491);  // not a choice of the list: nothing changes
    WriteItemChoice(*r, 440, 497);
    EXPECT_EQ(Get(*r, dm::PrintDensity), 3);
}

TEST(SettingItems, PanelItemKeepsOneOfTwoBits) {
    struct Case {
        DWORD before;
        WORD reads;
        WORD write;
        DWORD after;
    };
    const Case cases[] = {{0x0, 484, 499, 0x200000},
                          {0x200000, 499, 500, 0x400000},
                          {0x600000, 499, 484, 0x0},
                          {0x400000, 500, 777, 0x0},
                          {0x80000001, 484, 500, 0x80400001}};
    for (const Case& c : cases) {
        auto r = Blank();
        Set(*r, dm::Flags1, c.before);
        EXPECT_EQ(ReadItemChoice(*r, 447), c.reads);
        WriteItemChoice(*r, 447, c.write);
        EXPECT_EQ(Get(*r, dm::Flags1), c.after);
        EXPECT_EQ(Get(*r, dm::SavedFlags1), 0u);  // no copy
    }
}

TEST(SettingItems, ItemsOutsideTheTablesReadNothingAndChangeNothing) {
    auto r = Blank();
    std::vector<BYTE> before(r->bytes, r->bytes + kDriverDevmodeSize);
    for (WORD item : {WORD{0}, WORD{432}, WORD{459}, WORD{1000}, WORD{0xFFFF}}) {
        EXPECT_EQ(ReadItemChoice(*r, item), 0) << item;
        WriteItemChoice(*r, item, 487);
        EXPECT_TRUE(ItemChoiceList(item).empty());
    }
    EXPECT_EQ(std::vector<BYTE>(r->bytes, r->bytes + kDriverDevmodeSize), before);
}

// ---- Forced choices --------------------------------------------------------------------------

struct ForcedCase {
    const char* what;
    DWORD flags1;
    DWORD trust;
    WORD flagsWord;
    const char16_t* form;
    WORD item;
    WORD forced;
};
TEST(SettingItems, ForcedChoicesFollowTheirCauses) {
    const ForcedCase cases[] = {
        {"free", 0, 0, 0, u"A4", 433, 0},
        {"raster mode", 0x800, 0, 0, u"A4", 433, 488},
        {"raster mode", 0x800, 0, 0, u"A4", 442, 477},
        {"raster mode", 0x800, 0, 0, u"A4", 443, 540},
        {"raster mode", 0x800, 0, 0, u"A4", 444, 544},
        {"raster mode", 0x800, 0, 0, u"A4", 455, 481},
        {"trust marking", 0, 1, 0, u"A4", 438, kJapaneseBuild ? 474 : 0},
        {"trust marking", 0, 1, 0, u"A4", 440, kJapaneseBuild ? 494 : 0},
        {"trust marking", 0, 1, 0, u"A4", 781, kJapaneseBuild ? 783 : 0},
        {"mapped paper", 0, 0, 0, u"B5x2->B5", 454, 860},
        {"plain paper", 0, 0, 0, u"B5", 454, 0},
        {"overlay", 0, 0, 1, u"B5", 454, 860},
        {"overlay", 0, 0, 1, u"B5", 456, 474},
        {"no overlay", 0, 0, 0, u"B5", 456, 0},
        {"never forced", 0x800, 1, 1, u"A3->A4", 434, 0},
        {"device fonts", 0, 0, 0, u"A4", 442, kJapaneseBuild ? 0 : 477},
    };
    for (const ForcedCase& c : cases) {
        auto r = Blank();
        Set(*r, dm::Flags1, c.flags1);
        if (kJapaneseBuild) Set(*r, dm::TrustMarkResult, c.trust);
        Set(*r, dm::FlagsWord, c.flagsWord);
        SetText(*r, dm::FormName, c.form);
        EXPECT_EQ(ForcedItemChoice(*r, c.item), c.forced) << c.what << " item " << c.item;
    }
}

// ---- Labels ----------------------------------------------------------------------------------

// The labels read with the build's own language resource DLL: the standard memory is named by
// its text, never left as empty brackets.
class ItemLabels : public orla_ui_test::UiSandbox {
protected:
    void SetUp() override {
        UiSandbox::SetUp();
        const char* dll = kJapaneseBuild ? "Quessaj.dll" : "Brindae.dll";
        const std::u16string path = u"C:\\Windows\\System32\\" + orla_ui_test::Widen(dll);
        ASSERT_TRUE(PlatCopyIntoSandbox((orla_ui_test::BinDir() + "/" + dll).c_str(), path.c_str()));
        res_.reset(LoadLibraryW(path.c_str()));
        ASSERT_TRUE(res_);
    }
    void TearDown() override {
        res_.reset();
        UiSandbox::TearDown();
    }
    orla_ui_test::LibraryPtr res_;
};

TEST_F(ItemLabels, MemoryAndResolutionLabels) {
    EXPECT_EQ(ResolutionLabel(600), u"600dpi");
    if (kJapaneseBuild) {
        EXPECT_EQ(MemoryLabel(res_.get(), 16384, 16384), u"16MB (標準)");
        EXPECT_EQ(MemoryLabel(res_.get(), 49152, 16384), u"48MB (標準 + 32MB)");
    } else {
        EXPECT_EQ(MemoryLabel(res_.get(), 16384, 16384), u"Standard 16MB");
        EXPECT_EQ(MemoryLabel(res_.get(), 49152, 16384), u"48MB");
    }
}

}  // namespace
