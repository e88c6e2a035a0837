// The shared paper rules as tables, and restoring each group of settings to the defaults.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/build_variant.h"
#include "core/device_data.h"
#include "plat/message_box.h"
#include "tests/pages/page_fixture.h"
#include "ui/pages/paper_rules.h"

namespace {

using namespace orla;

struct Paper {
    const char16_t* form;
    SHORT length;
    SHORT width;
    const char16_t* outName = nullptr;  // output paper, chosen when given
    WORD outLength = 0;
    WORD outWidth = 0;
};

std::unique_ptr<DriverDevmode> RecordWith(const Paper& p) {
    auto r = std::make_unique<DriverDevmode>();
    SetText(*r, dm::FormName, p.form);
    Set(*r, dm::PaperLength, p.length);
    Set(*r, dm::PaperWidth, p.width);
    if (p.outName) {
        Set(*r, dm::OutPaperIndex, WORD{3});
        SetText(*r, dm::OutPaperName, p.outName);
        Set(*r, dm::OutPaperLength, p.outLength);
        Set(*r, dm::OutPaperWidth, p.outWidth);
    }
    return r;
}

struct RuleCase {
    const char* what;
    Paper paper;
    LONG version;
    bool duplex;   // IsPaperFitForDuplex
    bool mapping;  // IsPaperMappingAllowed
    bool unfit;    // IsPaperUnfitForFeature
};

const RuleCase kRuleCases[] = {
    {"standard", {u"A4", 2970, 2100}, 3, true, true, false},
    {"postcard", {kFormPostcard, 1480, 1000}, 3, true, true, false},
    {"envelope", {kFormEnvelopeYou4, 2350, 1050}, 3, true, true, true},
    {"long paper", {kLongPaperFormName, 9000, 2970}, 3, true, true, true},
    {"custom 126.9 mm", {u"Custom", 1269, 1000}, 3, false, true, true},
    {"custom 127.0 mm", {u"Custom", 1270, 1000}, 3, true, true, true},
    {"custom 99.9 mm wide", {u"Custom", 2000, 999}, 3, true, true, true},
    {"custom 100.0 x 148.0", {u"Custom", 1480, 1000}, 3, true, true, false},
    {"custom too long", {u"Custom", 4319, 2000}, 3, true, true, true},
    {"custom wider than long", {u"Custom", 1500, 2000}, 3, true, false, false},
    {"rotated before version 4", {kFormA4Rotated, 2100, 2970}, 3, true, false, false},
    {"rotated from version 4", {kFormA4Rotated, 2100, 2970}, 4, true, true, false},
    {"rotated envelope from version 4", {kFormEnvelopeYou4Rotated, 1050, 2350}, 4, true, true, true},
    {"rotated short before version 4", {kFormPostcardRotated, 1000, 1480}, 3, false, false, true},
    {"output A3->A4 by size only", {u"A3", 4200, 2970, u"A3->A4", 2100, 2970}, 3, true, false, false},
    {"output A3->A4 long enough", {u"A3", 4200, 2970, u"A3->A4", 2970, 2100}, 3, true, true, false},
    {"output A3->B4 by name", {u"A3", 4200, 2970, u"A3->B4", 2100, 2970}, 3, true, true, false},
    {"output B4->A4 not for duplex", {u"B4", 3640, 2570, u"B4->A4", 1200, 2970}, 3, false, true, true},
    {"mapping name as the document form", {u"A3->B4", 2100, 2970}, 3, true, false, false},
};

TEST(PaperRules, PapersByNameAndSize) {
    for (const RuleCase& c : kRuleCases) {
        auto r = RecordWith(c.paper);
        EXPECT_EQ(IsPaperFitForDuplex(*r, c.version), c.duplex) << c.what;
        EXPECT_EQ(IsPaperMappingAllowed(*r, c.version), c.mapping) << c.what;
        EXPECT_EQ(IsPaperUnfitForFeature(*r, c.version), c.unfit) << c.what;
    }
}

TEST(PaperRules, ConflictsOfPaperTypeOutputTrayAndDuplexPaper) {
    struct Case {
        WORD paperType, outputTray;
        SHORT length;
        bool setting, duplex;
    };
    const Case cases[] = {{2, 2, 2970, true, false},
                          {2, 1, 2970, false, false},
                          {1, 2, 1000, false, true},
                          {0, 2, 1270, false, false},
                          {2, 2, 1269, true, true}};
    for (const Case& c : cases) {
        auto r = RecordWith({u"Custom", c.length, 1000});
        Set(*r, dm::PaperType, c.paperType);
        Set(*r, dm::OutputTray, c.outputTray);
        EXPECT_EQ(HasSettingConflict(*r), c.setting) << c.paperType << "/" << c.outputTray;
        EXPECT_EQ(HasDuplexPaperConflict(*r, 3), c.duplex) << c.paperType << "/" << c.outputTray << " " << c.length;
    }
}

// ---- Restore by group ------------------------------------------------------------------------

// Defaults filled with 0x11, the current record with 0x22: a restored field reads 0x11...
struct RestoreRecords {
    std::unique_ptr<DriverDevmode> defaults = std::make_unique<DriverDevmode>();
    std::unique_ptr<DriverDevmode> current = std::make_unique<DriverDevmode>();
    RestoreRecords() {
        std::memset(defaults->bytes, 0x11, kDriverDevmodeSize);
        std::memset(current->bytes, 0x22, kDriverDevmodeSize);
        SetText(*defaults, dm::FormName, u"A4");
        SetText(*defaults, dm::OutPaperName, u"");
    }
};

template <class T>
bool FromDefaults(const RestoreRecords& r, DmField<T> f) {
    return Get(*r.current, f) == Get(*r.defaults, f);
}

TEST(PaperRules, RestoringTheBasicGroup) {
    RestoreRecords r;
    RestoreGroupFields(*r.defaults, *r.current, 0, 10);
    for (auto f : {dm::Orientation, dm::Scale, dm::Copies, dm::Duplex, dm::PaperLength, dm::PaperWidth, dm::PaperSize})
        EXPECT_TRUE(FromDefaults(r, f)) << f.offset;
    for (auto f :
         {dm::PrevOrientation, dm::PrevDuplex, dm::PrevPaperLength, dm::PrevPaperWidth, dm::PrevPaperSize,
          dm::FavouriteNumber, dm::OutPaperIndex, dm::SavedOutPaperIndex, dm::Zoom, dm::SavedZoom, dm::LayoutMode,
          dm::SavedLayoutMode, dm::FrameKind, dm::SavedFrameKind, dm::LayoutOrder, dm::SavedLayoutOrder})
        EXPECT_EQ(Get(*r.current, f), 0x1111) << f.offset;
    for (auto f : {dm::PrintPosTop, dm::PrintPosLeft2, dm::SheetSetting, dm::HoldMode})
        EXPECT_EQ(Get(*r.current, f), 0x11111111u) << f.offset;
    EXPECT_EQ(GetText(*r.current, dm::FormName), u"A4");
    EXPECT_EQ(GetText(*r.current, dm::PrevFormName), u"A4");
    EXPECT_EQ(GetText(*r.current, dm::SavedOutPaperName), u"");
    // Bits 0, 3 and 4 set, 1 and 8 cleared, in the word and its copy; the rest as it was.
    EXPECT_EQ(Get(*r.current, dm::Flags1), (0x22222222u | 0x19u) & ~0x102u);
    EXPECT_EQ(Get(*r.current, dm::SavedFlags1), (0x22222222u | 0x19u) & ~0x102u);
    // Not in the group.
    EXPECT_EQ(Get(*r.current, dm::DefaultSource), 0x2222);
    EXPECT_EQ(Get(*r.current, dm::PaperType), 0x2222);
}

TEST(PaperRules, RestoringThePaperSourceGroupKeepsSectionTraysForTheSameSource) {
    for (bool sameSource : {true, false}) {
        RestoreRecords r;
        if (sameSource) Set(*r.current, dm::DefaultSource, Get(*r.defaults, dm::DefaultSource));
        RestoreGroupFields(*r.defaults, *r.current, 1, 10);
        EXPECT_TRUE(FromDefaults(r, dm::DefaultSource));
        EXPECT_EQ(Get(*r.current, dm::PrevDefaultSource), 0x1111);
        EXPECT_EQ(Get(*r.current, dm::OutputTray), 0x1111);
        EXPECT_EQ(Get(*r.current, dm::SavedOutputTray), 0x1111);
        EXPECT_EQ(Get(*r.current, dm::OutputTrayFits), 0x11111111u);
        EXPECT_EQ(Get(*r.current, dm::Flags1), 0x22222222u | 0x1Cu);
        const DWORD expected = sameSource ? 0x22222222u : 0u;
        for (auto f : {dm::SeparateTraysOn, dm::SavedSeparateTraysOn, dm::SectionSetting, dm::SlipSheetsOn,
                       dm::SavedSlipSheetsOn, dm::SlipSheetsChecked})
            EXPECT_EQ(Get(*r.current, f), expected) << f.offset << (sameSource ? " same" : " changed");
    }
}

TEST(PaperRules, RestoringImageStampAndOptionGroups) {
    RestoreRecords img;
    RestoreGroupFields(*img.defaults, *img.current, 2, 10);
    EXPECT_EQ(Get(*img.current, dm::Flags1), 0x22222222u | 0x1000u);
    for (unsigned i = 0; i < 38; ++i) EXPECT_EQ(img.current->bytes[dm::ImageAdjustMode.offset + i], 0) << i;
    EXPECT_EQ(img.current->bytes[dm::ImageAdjustMode.offset + 38], 0x22);

    RestoreRecords stamp;
    RestoreGroupFields(*stamp.defaults, *stamp.current, 3, 10);
    EXPECT_EQ(Get(*stamp.current, dm::FlagsWord), 0x1111);
    EXPECT_EQ(Get(*stamp.current, dm::SavedFlagsWord), 0x1111);
    EXPECT_EQ(Get(*stamp.current, dm::StampNumber), 0x11111111u);
    EXPECT_EQ(stamp.current->bytes[dm::StampRecord.offset + 779], 0x11);
    EXPECT_EQ(GetAnsi(*stamp.current, dm::OverlayName), std::string(8, '\x11'));
    EXPECT_EQ(Get(*stamp.current, dm::StampOption), 0x11111111u);

    for (DWORD major : {5u, 6u}) {
        RestoreRecords opt;
        RestoreGroupFields(*opt.defaults, *opt.current, 4, major);
        const DWORD set = 0x01210441u | (major < 6 ? 0x2000u : 0u);
        const DWORD clear = 0x1042C800u | (major < 6 ? 0u : 0x2000u);
        const DWORD flags = (0x22222222u | set) & ~clear;
        EXPECT_EQ(Get(*opt.current, dm::Flags1), flags) << major;
        EXPECT_EQ(Get(*opt.current, dm::SavedFlags1), flags) << major;
        EXPECT_EQ(Get(*opt.current, dm::TraySet), flags | 0xFu);
        EXPECT_EQ(Get(*opt.current, dm::SavedTraySet), flags | 0xFu);
        EXPECT_EQ(Get(*opt.current, dm::PrintDensity), 3);
        EXPECT_EQ(Get(*opt.current, dm::SavedPrintDensity), 3);
        EXPECT_EQ(Get(*opt.current, dm::PrintQuality), 0x1111);
        EXPECT_EQ(Get(*opt.current, dm::Flags2), 0x22222222u & ~0x06000000u);
        EXPECT_EQ(Get(*opt.current, dm::SavedFlags2), 0x22222222u & ~0x06000000u);
    }

    RestoreRecords none;
    RestoreGroupFields(*none.defaults, *none.current, 5, 10);
    RestoreGroupFields(*none.defaults, *none.current, -1, 10);
    for (BYTE b : none.current->bytes) ASSERT_EQ(b, 0x22);
}

// ---- The page routines on a printer ----------------------------------------------------------

class PaperWarnings : public pages_test::PageSandbox {
protected:
    void SetUp() override {
        PageSandbox::SetUp();
        PlatResetMessageBoxes();
        PlatResetBeeps();
    }
    void TearDown() override {
        PlatResetMessageBoxes();
        PageSandbox::TearDown();
    }
};

TEST_F(PaperWarnings, WarningsBeepAndNameThePrinter) {
    DriverDevmode& r = ui_->currentDevmode;
    Set(r, dm::OutPaperIndex, WORD{0});
    SetText(r, dm::FormName, kLongPaperFormName);
    Set(r, dm::PaperType, WORD{2});
    Set(r, dm::OutputTray, WORD{2});
    PlatQueueMessageBoxAnswer(IDOK);
    PlatQueueMessageBoxAnswer(IDOK);
    EXPECT_TRUE(CheckPaperSelection(&page_, nullptr));
    EXPECT_TRUE(WarnSettingConflict(&page_, nullptr));
    EXPECT_FALSE(WarnPaperForDuplex(&page_, nullptr));  // long paper is fit for duplex
    ASSERT_EQ(PlatMessageBoxCount(), 2u);
    EXPECT_EQ(PlatUnexpectedMessageBoxCount(), 0u);
    EXPECT_EQ(PlatBeepCount(), 2u);
    EXPECT_EQ(PlatLastBeepType(), static_cast<UINT>(MB_ICONEXCLAMATION));
    PLAT_MESSAGE_BOX_RECORD box{};
    ASSERT_TRUE(PlatGetMessageBox(0, &box));
    EXPECT_EQ(std::u16string(box.caption), DevicePrinterName(ui_->deviceData));
    EXPECT_EQ(box.flags & 0xF0u, static_cast<UINT>(MB_ICONWARNING));
    // No page context: nothing to judge, nothing shown.
    EXPECT_FALSE(CheckPaperSelection(nullptr, nullptr));
    EXPECT_EQ(RestoreGroupDefaults(nullptr, nullptr, 0), 0);
}

TEST_F(PaperWarnings, RestoreBasicGroupBringsBackTheDefaultsOfThePrinter) {
    DriverDevmode& r = ui_->currentDevmode;
    Set(r, dm::Copies, SHORT{7});
    Set(r, dm::Orientation, SHORT{2});
    SetText(r, dm::FormName, u"B5 (JIS)");
    EXPECT_EQ(RestoreGroupDefaults(&page_, nullptr, 0), 1);
    EXPECT_EQ(Get(r, dm::Copies), Get(ui_->defaultDevmode, dm::Copies));
    EXPECT_EQ(Get(r, dm::Orientation), Get(ui_->defaultDevmode, dm::Orientation));
    EXPECT_EQ(GetText(r, dm::FormName), GetText(ui_->defaultDevmode, dm::FormName));
}

// A form id names its usable form; an id the usable forms lack names the model's default paper
// ("*DefaultForm" of the sample model's description: "A4").
TEST_F(PaperWarnings, FormNamesByIdFallBackToTheModelsDefaultForm) {
    ASSERT_GT(ui_->formCount, 2u);
    WORD unused = 1;
    for (DWORD i = 0; i < ui_->formCount; ++i) {
        std::u16string name;
        EXPECT_TRUE(GetFormNameById(&page_, static_cast<WORD>(ui_->formIds[i]), &name));
        EXPECT_EQ(name, std::u16string(ui_->formNames[i]));
        unused = std::max<WORD>(unused, static_cast<WORD>(ui_->formIds[i] + 1));
    }
    const std::u16string b5 = u"B5 (JIS)";
    std::u16string name = u"stale";
    for (DWORD i = 0; i < ui_->formCount; ++i)
        if (std::u16string(ui_->formNames[i]) == b5) {
            EXPECT_TRUE(GetFormNameById(&page_, ui_->formIds[i], &name));
        }
    EXPECT_EQ(name, b5);
    for (WORD id : {WORD{0}, unused, WORD{0xFFFF}}) {
        name = u"stale";
        EXPECT_FALSE(GetFormNameById(&page_, id, &name)) << id;
        EXPECT_EQ(name, u"A4") << id;
    }
    EXPECT_FALSE(GetFormNameById(nullptr, ui_->formIds[0], &name));
}

}  // namespace
