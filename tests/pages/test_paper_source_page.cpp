// The paper-source page and its dialogs driven as a user would: the source combos offer what the
// installed feeders allow, choosing a source ends sources by section and slip sheets, the dialogs
// edit the scratch record and only their OK reaches the current record, and the page and each
// dialog look as their reference pictures show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/settings_resolver.h"
#include "plat/control.h"
#include "plat/window_render.h"
#include "tests/pages/paper_source_sheet.h"
#include "tests/pages/reference_picture.h"
#include "ui/pages/paper_source_bins.h"
#include "win/registry.h"

// Named, not anonymous: the unity batches put this file beside the other page tests.
namespace paper_source_test {

using namespace orla;
using namespace pages_test;
using uitest::Script;
namespace ids = orla_res::paper_source;

using Sources = std::vector<LPARAM>;

void Install(DriverDevmode& r, unsigned pair, bool installed) {
    Set(r, dm::DeviceState(pair), WORD(installed ? dm::kDeviceInstalled : 0));
}

// ---- Source texts -----------------------------------------------------------------------------

TEST(PaperSourceBins, EachSourceHasItsText) {
    const struct {
        DWORD source;
        UINT text;
    } cases[] = {{2, 303},   {3, 302},   {4, 307}, {7, 300}, {14, 319}, {256, 304}, {300, 322},
                 {301, 320}, {302, 321}, {1, 301}, {0, 301}, {5, 301},  {257, 301}, {0xFFFFFFFF, 301}};
    for (const auto& c : cases) EXPECT_EQ(GetBinStringId(c.source), c.text) << c.source;
}

// ---- Source combos ----------------------------------------------------------------------------

using PaperSourceDialogs = PaperSourceSheet;

// Which sources the combos of the section and detail dialogs offer, by the feeders 2 to 4 (632,
// 636, 640), the manual slot (652) and the paper type (WORD 488): the middle tray needs feeder 2,
// the lower feeders 2 and 3, the large tray feeders 2 to 4; the manual slot and the cassette take
// each other's place. The document's source leaves the manual slot out for thick paper 2, and with
// neither feeder 2 nor anything but the manual slot it offers one more entry and is locked.
TEST_F(PaperSourceDialogs, SourceCombosOfferWhatTheFeedersAllow) {
    struct Case {
        bool feeder2, feeder3, feeder4, manual;
        WORD paperType;
        Sources trays;           // 2909, 2920, 1210
        Sources withDocument;    // 2907, 2912, 2918: the trays and "as the paper source"
        Sources documentSource;  // 2915, 2924
        bool locked;
    } const cases[] = {
        {false, false, false, false, 0, {1, 14}, {1, 14, 300}, {1, 14}, false},
        {true, false, false, false, 0, {1, 3, 14}, {1, 3, 14, 300}, {1, 3, 14}, false},
        {true, true, false, false, 0, {1, 3, 2, 14}, {1, 3, 2, 14, 300}, {1, 3, 2, 14}, false},
        {true, true, true, false, 0, {1, 3, 2, 256, 14}, {1, 3, 2, 256, 14, 300}, {1, 3, 2, 256, 14}, false},
        {true, true, true, true, 0, {1, 3, 2, 256, 4}, {1, 3, 2, 256, 4, 300}, {1, 3, 2, 256, 4}, false},
        // Feeders 3 and 4 without feeder 2 feed nothing.
        {false, true, true, false, 0, {1, 14}, {1, 14, 300}, {1, 14}, false},
        {true, false, false, true, 2, {1, 3, 4}, {1, 3, 4, 300}, {1, 3}, false},
        {false, false, false, true, 2, {1, 4}, {1, 4, 300}, {1, 0}, true},
        {false, false, false, true, 1, {1, 4}, {1, 4, 300}, {1, 4}, false},
    };
    for (const Case& c : cases) {
        DriverDevmode& r = ui_->currentDevmode;
        Install(r, dm::kFeeder2, c.feeder2);
        Install(r, dm::kFeeder3, c.feeder3);
        Install(r, dm::kFeeder4, c.feeder4);
        Install(r, dm::kManual, c.manual);
        Set(r, dm::PaperType, c.paperType);
        Set(r, dm::SectionSetting, DWORD{1});
        Set(r, dm::FrontCoverOn, DWORD{1});
        const std::string where = std::to_string(&c - cases);
        DialogPtr sections = MakeDialog(ids::kTemplateSections, SectionSourceDialogProc);
        DialogPtr details = MakeDialog(ids::kTemplateDetail, SourceDetailDialogProc);
        ASSERT_TRUE(sections && details);
        for (int id : {ids::kFirstSheet, ids::kOtherSheets, ids::kSectionTray})
            EXPECT_EQ(ComboData(sections.get(), id), c.withDocument) << where << " combo " << id;
        for (int id : {ids::kFrontCover, ids::kBackCover})
            EXPECT_EQ(ComboData(sections.get(), id), c.trays) << where << " combo " << id;
        EXPECT_EQ(ComboData(details.get(), ids::kSlipTray), c.trays) << where;
        EXPECT_EQ(ComboData(sections.get(), ids::kSectionDefault), c.documentSource) << where;
        EXPECT_EQ(ComboData(details.get(), ids::kDetailSource), c.documentSource) << where;
        EXPECT_EQ(Enabled(details.get(), ids::kDetailSource), !c.locked) << where;
        EXPECT_EQ(Enabled(sections.get(), ids::kSectionDefault), !c.locked) << where;
    }
}

// Each combo selects the source its field holds, and shows it by the source's own text; a field
// holding a source the combo does not offer leaves the combo without a selection.
TEST_F(PaperSourceDialogs, SourceCombosSelectTheirFields) {
    DriverDevmode& r = ui_->currentDevmode;
    Install(r, dm::kFeeder2, true);
    Install(r, dm::kManual, false);
    Set(r, dm::FirstSheetTray, DWORD{14});
    Set(r, dm::SecondSheetTray, DWORD{300});
    Set(r, dm::DefaultSource, SHORT{3});
    Set(r, dm::SectionTray, DWORD{1});
    Set(r, dm::FrontCoverTray, DWORD{256});  // not offered: feeders 3 and 4 are missing
    Set(r, dm::BackCoverTray, DWORD{3});
    DialogPtr sections = MakeDialog(ids::kTemplateSections, SectionSourceDialogProc);
    ASSERT_TRUE(sections);
    const HWND d = sections.get();
    EXPECT_EQ(SelectedData(d, ids::kFirstSheet), 14);
    EXPECT_EQ(SelectedData(d, ids::kOtherSheets), 300);
    EXPECT_EQ(SelectedData(d, ids::kSectionDefault), 3);
    EXPECT_EQ(SelectedData(d, ids::kSectionTray), 1);
    EXPECT_EQ(SelectedData(d, ids::kFrontCover), -1);
    EXPECT_EQ(SelectedData(d, ids::kBackCover), 3);
    WCHAR text[64] = {};
    SendDlgItemMessageW(d, ids::kOtherSheets, CB_GETLBTEXT, EntryWithData(d, ids::kOtherSheets, 300),
                        reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::u16string(text), Text(322));
}

// ---- The page ---------------------------------------------------------------------------------

using PaperSourcePage = PaperSourceSheet;

// Choosing in the source combo always ends sources by section and slip sheets (DWORDs 6172, 892,
// 6208, 6152, 896, 6168). The slip-sheet source 302 keeps dmDefaultSource; the section source 301
// takes the sections' default source (6184); another source is taken with its copy (776) and
// remembered (900).
TEST_F(PaperSourcePage, ChosenSourceEndsSectionsAndSlipSheets) {
    struct Case {
        LPARAM chosen;
        bool offeredByThePrinter;
        SHORT expected;
    } const cases[] = {{302, false, 257}, {301, false, 1}, {1, true, 1}};
    for (const Case& c : cases) {
        DriverDevmode& r = ui_->currentDevmode;
        Install(r, dm::kFeeder1, true);
        Set(r, dm::DefaultSource, SHORT{257});
        Set(r, dm::PrevDefaultSource, WORD{257});
        Set(r, dm::SeparateDefaultTray, DWORD{1});
        Set(r, dm::SavedDefaultSource, LONG{99});
        for (auto f : {dm::SeparateTraysOn, dm::SavedSeparateTraysOn, dm::SectionSetting, dm::SlipSheetsOn,
                       dm::SavedSlipSheetsOn, dm::SlipSheetsChecked})
            Set(r, f, DWORD{1});
        Script script;
        script.steps.push_back([&](HWND sheet) {
            HWND page = PageOf(sheet);
            if (!c.offeredByThePrinter) {
                // A printer whose description names the section or slip-sheet source offers it.
                const auto i = SendDlgItemMessageW(page, ids::kSource, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"x"));
                SendDlgItemMessageW(page, ids::kSource, CB_SETITEMDATA, i, c.chosen);
            }
            const int index = EntryWithData(page, ids::kSource, c.chosen);
            ASSERT_GE(index, 0);
            EXPECT_TRUE(PlatChoose(GetDlgItem(page, ids::kSource), index));
        });
        script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
        EXPECT_EQ(Run(script), 1);
        const DriverDevmode& a = ui_->appliedDevmode;
        EXPECT_EQ(Get(a, dm::DefaultSource), c.expected) << c.chosen;
        for (auto f : {dm::SeparateTraysOn, dm::SavedSeparateTraysOn, dm::SectionSetting, dm::SlipSheetsOn,
                       dm::SavedSlipSheetsOn, dm::SlipSheetsChecked})
            EXPECT_EQ(Get(a, f), 0u) << c.chosen << " field " << f.offset;
        EXPECT_EQ(Get(a, dm::PrevDefaultSource), static_cast<WORD>(c.expected)) << c.chosen;
        EXPECT_EQ(Get(a, dm::SavedDefaultSource), LONG{c.expected}) << c.chosen;
    }
}

// The page's own controls write their fields with the copies: output tray WORD 490 (874),
// offset stacking DWORD 6232 (904, 1 only for "On"), collate and job separation bits 2 and 3 of
// DWORD 396 (788). The constraint pass then decides the fields themselves (the sample printer has
// no stacker, so no offset stacking, and no job separation off A4): the copies keep the choice.
TEST_F(PaperSourcePage, ControlsWriteTheirFields) {
    using Read = DWORD (*)(const DriverDevmode&);
    const Read trayCopy = [](const DriverDevmode& r) { return DWORD{Get(r, dm::SavedOutputTray)}; };
    const Read stackingCopy = [](const DriverDevmode& r) { return Get(r, dm::SavedOffsetStacking); };
    const Read checksCopy = [](const DriverDevmode& r) { return Get(r, dm::SavedFlags1) & 0xCu; };
    struct Case {
        int control;
        LPARAM data;  // the entry to choose; -1: the check box is clicked
        Read copy;
        DWORD expected;
    } const cases[] = {
        {ids::kOutputTray, 0, trayCopy, 0},
        {ids::kOffsetStacking, 474, stackingCopy, 1},
        {ids::kCollate, -1, checksCopy, 0x4},
        {ids::kJobSeparate, -1, checksCopy, 0x8},
    };
    for (const Case& c : cases) {
        // Every copy the other way round to begin with.
        DriverDevmode& r = ui_->currentDevmode;
        Set(r, dm::SavedOutputTray, WORD{1});
        Set(r, dm::SavedOffsetStacking, DWORD{0});
        for (auto f : {dm::Flags1, dm::SavedFlags1}) Set(r, f, Get(r, f) & ~0xCu);
        Script script;
        script.steps.push_back([&c](HWND sheet) {
            HWND page = PageOf(sheet);
            const int index = c.data < 0 ? 0 : EntryWithData(page, c.control, c.data);
            ASSERT_GE(index, 0) << c.control << " " << c.data;
            EXPECT_NE(SelectedData(page, c.control), c.data) << "a choice that changes something";
            EXPECT_TRUE(c.data < 0 ? PlatClick(GetDlgItem(page, c.control))
                                   : PlatChoose(GetDlgItem(page, c.control), index));
        });
        script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
        EXPECT_EQ(Run(script), 1);
        EXPECT_EQ(c.copy(ui_->appliedDevmode), c.expected) << c.control << " " << c.data;
    }
}

// Choosing a source shows hint 708; restoring the defaults shows hint 716.
TEST_F(PaperSourcePage, HintLineTellsWhatTheLastActionDid) {
    std::u16string afterSource, afterDefaults;
    Script script;
    script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatChoose(GetDlgItem(PageOf(sheet), ids::kSource), 0)); });
    script.steps.push_back([&](HWND sheet) {
        WCHAR text[256] = {};
        GetDlgItemTextW(PageOf(sheet), ids::kHint, text, 256);
        afterSource = text;
        EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kRestoreDefaults)));
    });
    script.steps.push_back([&](HWND sheet) {
        WCHAR text[256] = {};
        GetDlgItemTextW(PageOf(sheet), ids::kHint, text, 256);
        afterDefaults = text;
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    Run(script);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(afterSource, Text(708));
    EXPECT_EQ(afterDefaults, Text(716));
    EXPECT_FALSE(Text(708).empty());
}

// A selection change with nothing selected writes nothing: no item data of index -1 is taken.
TEST_F(PaperSourcePage, SelectionChangeWithoutSelectionWritesNothing) {
    bool same = false;
    Script script;
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        const DriverDevmode before = ui_->currentDevmode;
        for (int id : {ids::kSource, ids::kOutputTray, ids::kOffsetStacking}) {
            SendDlgItemMessageW(page, id, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
            SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
        }
        same = std::memcmp(before.bytes, ui_->currentDevmode.bytes, sizeof before.bytes) == 0;
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    Run(script);
    EXPECT_FALSE(script.ranOut);
    EXPECT_TRUE(same);
}

// Sources by section: the dialog shows the sections' default source (6184) as the document's
// source. Cancel brings the source the page had back and keeps every section field; OK with
// sections on takes the sections' source (with its copy) and turns separate trays on, remembering
// the source the page had (900).
TEST_F(PaperSourcePage, SectionDialogOkTakesItsSourceAndCancelRestores) {
    for (const bool ok : {false, true}) {
        DriverDevmode& r = ui_->currentDevmode;
        Install(r, dm::kFeeder1, true);
        Set(r, dm::DefaultSource, SHORT{257});
        Set(r, dm::PrevDefaultSource, WORD{257});
        Set(r, dm::SeparateDefaultTray, DWORD{1});
        Set(r, dm::SavedDefaultSource, LONG{257});
        Set(r, dm::SectionSetting, DWORD{0});
        Set(r, dm::SeparateTraysOn, DWORD{0});
        LPARAM shown = -1, chosen = -1;
        Script script;
        script.steps.push_back(
            [](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kSectionSources))); });
        script.steps.push_back([&](HWND dialog) {
            shown = SelectedData(dialog, ids::kSectionDefault);
            EXPECT_FALSE(Enabled(dialog, ids::kSectionDefault)) << "sections are off";
            EXPECT_TRUE(PlatClick(GetDlgItem(dialog, ids::kSectionsOn)));
        });
        script.steps.push_back([&](HWND dialog) {
            const auto last = static_cast<int>(ComboData(dialog, ids::kSectionDefault).size()) - 1;
            ASSERT_GT(last, 0);
            chosen = ComboData(dialog, ids::kSectionDefault)[last];
            EXPECT_TRUE(PlatChoose(GetDlgItem(dialog, ids::kSectionDefault), last));
        });
        script.steps.push_back([&](HWND dialog) {
            EXPECT_EQ(Get(ui_->currentDevmode, dm::SectionSetting), 0u) << "only the scratch record changes";
            EXPECT_TRUE(PlatPressButton(dialog, ok ? IDOK : IDCANCEL));
        });
        script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
        EXPECT_EQ(Run(script), 1);
        EXPECT_EQ(shown, 1);
        ASSERT_NE(chosen, 1);
        const DriverDevmode& a = ui_->appliedDevmode;
        const auto source = static_cast<SHORT>(chosen);
        EXPECT_EQ(Get(a, dm::DefaultSource), ok ? source : SHORT{257}) << ok;
        EXPECT_EQ(Get(a, dm::PrevDefaultSource), static_cast<WORD>(ok ? source : 257)) << ok;
        EXPECT_EQ(Get(a, dm::SeparateDefaultTray), ok ? static_cast<DWORD>(chosen) : 1u) << ok;
        EXPECT_EQ(Get(a, dm::SectionSetting), ok ? 1u : 0u) << ok;
        EXPECT_EQ(Get(a, dm::SeparateTraysOn), ok ? 1u : 0u) << ok;
        EXPECT_EQ(Get(a, dm::SavedSeparateTraysOn), ok ? 1u : 0u) << ok;
        EXPECT_EQ(Get(a, dm::SavedDefaultSource), 257) << "the source the page had";
    }
}

// Source details: OK with slip sheets checked turns slip sheets on (6152 and its copy 896) with
// the tray and kind chosen; Cancel keeps the current record as it was.
TEST_F(PaperSourcePage, DetailDialogOkTurnsSlipSheetsOnAndCancelKeeps) {
    for (const bool ok : {false, true}) {
        DriverDevmode& r = ui_->currentDevmode;
        Install(r, dm::kManual, false);
        Set(r, dm::DefaultSource, SHORT{1});
        Set(r, dm::SlipSheetsChecked, DWORD{0});
        Set(r, dm::SlipSheetsOn, DWORD{0});
        Set(r, dm::SlipSheetTray, DWORD{1});
        Set(r, dm::SavedSlipSheetTray, DWORD{1});
        Script script;
        script.steps.push_back(
            [](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kSourceDetail))); });
        script.steps.push_back([](HWND dialog) {
            EXPECT_FALSE(Enabled(dialog, ids::kSlipKind));
            EXPECT_TRUE(PlatClick(GetDlgItem(dialog, ids::kSlipSheetsOn)));
        });
        script.steps.push_back([](HWND dialog) {
            EXPECT_TRUE(Enabled(dialog, ids::kSlipKind));
            EXPECT_TRUE(PlatChoose(GetDlgItem(dialog, ids::kSlipTray), EntryWithData(dialog, ids::kSlipTray, 14)));
        });
        script.steps.push_back([](HWND dialog) { EXPECT_TRUE(PlatClick(GetDlgItem(dialog, ids::kSlipPrinted))); });
        script.steps.push_back(
            [ok](HWND dialog) { EXPECT_TRUE(PlatPressButton(dialog, ok ? ids::kDetailOk : ids::kDetailCancel)); });
        script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
        EXPECT_EQ(Run(script), 1);
        const DriverDevmode& a = ui_->appliedDevmode;
        EXPECT_EQ(Get(a, dm::SlipSheetsChecked), ok ? 1u : 0u);
        EXPECT_EQ(Get(a, dm::SlipSheetsOn), ok ? 1u : 0u);
        EXPECT_EQ(Get(a, dm::SavedSlipSheetsOn), ok ? 1u : 0u);
        EXPECT_EQ(Get(a, dm::SlipSheetTray), ok ? 14u : 1u);
        EXPECT_EQ(Get(a, dm::SavedSlipSheetTray), ok ? 14u : 1u);
        EXPECT_EQ(Get(a, dm::SlipSheetKind), ok ? 1u : 0u);
        EXPECT_EQ(Get(a, dm::SeparateTraysOn), 0u);
        EXPECT_EQ(Get(a, dm::SectionSetting), 0u);
        EXPECT_EQ(Get(a, dm::DefaultSource), 1);
    }
}

// Slip sheets cannot go with duplex printing: when the details' OK turns them on, the pass turns
// duplex off and the page says so (warning 826); a second OK with duplex already off says nothing.
TEST_F(PaperSourcePage, SlipSheetsTellThatDuplexWentOff) {
    DriverDevmode& r = ui_->currentDevmode;
    Install(r, dm::kDuplex, true);
    Set(r, dm::Duplex, SHORT{DMDUP_VERTICAL});
    Set(r, dm::PrevDuplex, WORD{DMDUP_VERTICAL});
    Set(r, dm::SlipSheetsChecked, DWORD{0});
    Set(r, dm::SlipSheetsOn, DWORD{0});
    SHORT duplexShown = 0;
    Script script;
    script.steps.push_back([&](HWND sheet) {
        duplexShown = Get(ui_->currentDevmode, dm::Duplex);
        EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kSourceDetail)));
    });
    script.steps.push_back([](HWND dialog) { EXPECT_TRUE(PlatClick(GetDlgItem(dialog, ids::kSlipSheetsOn))); });
    script.steps.push_back([](HWND dialog) {
        PlatQueueMessageBoxAnswer(IDOK);
        EXPECT_TRUE(PlatPressButton(dialog, ids::kDetailOk));
    });
    script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kSourceDetail))); });
    script.steps.push_back([](HWND dialog) { EXPECT_TRUE(PlatPressButton(dialog, ids::kDetailOk)); });
    script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
    EXPECT_EQ(Run(script), 1);
    ASSERT_EQ(duplexShown, DMDUP_VERTICAL) << "the sample printer takes duplex";
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::Duplex), DMDUP_SIMPLEX);
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::SlipSheetsOn), 1u);
    EXPECT_EQ(WarningTexts(), (std::vector<std::u16string>{Text(826)}));
    EXPECT_FALSE(Text(826).empty());
}

// The paper type dialog refuses OK while the paper type and the output tray are both 2 (thick
// paper 2 to the stacker): warning 856, the dialog stays; with another paper type OK takes it.
TEST_F(PaperSourcePage, PaperTypeDialogRefusesThickPaperToTheStacker) {
    DriverDevmode& r = ui_->currentDevmode;
    Set(r, dm::PaperType, WORD{0});
    bool stayed = false;
    Script script;
    script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kPaperType))); });
    script.steps.push_back([&](HWND dialog) {
        EXPECT_EQ(ComboData(dialog, ids::kPaperTypeCombo), (Sources{0, 1, 2, 3}));
        EXPECT_TRUE(PlatChoose(GetDlgItem(dialog, ids::kPaperTypeCombo), 2));
    });
    script.steps.push_back([&](HWND dialog) {
        // The constraint pass takes thick paper 2 away from the stacker; a working copy that holds
        // both anyway (as a favourite may leave it) is refused.
        Set(ui_->scratchDevmode, dm::OutputTray, WORD{2});
        Set(ui_->scratchDevmode, dm::PaperType, WORD{2});
        PlatQueueMessageBoxAnswer(IDOK);
        EXPECT_TRUE(PlatPressButton(dialog, IDOK));
    });
    script.steps.push_back([&](HWND dialog) {
        stayed = GetDlgItem(dialog, ids::kPaperTypeCombo) != nullptr;
        EXPECT_EQ(Get(ui_->currentDevmode, dm::PaperType), 0) << "nothing reached the current record";
        EXPECT_TRUE(PlatChoose(GetDlgItem(dialog, ids::kPaperTypeCombo), 1));
    });
    script.steps.push_back([](HWND dialog) { EXPECT_TRUE(PlatPressButton(dialog, IDOK)); });
    script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
    EXPECT_EQ(Run(script), 1);
    EXPECT_TRUE(stayed);
    const std::u16string conflict = Text(856);
    ASSERT_FALSE(conflict.empty());
    EXPECT_EQ(WarningTexts(), (std::vector<std::u16string>{conflict}));
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::PaperType), 1);
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::SavedPaperType), 1);
}

// The manual slot's paper type: Cancel leaves the current record, OK takes the value with its copy.
TEST_F(PaperSourcePage, ManualPaperTypeDialogOkAndCancel) {
    for (const bool ok : {false, true}) {
        Set(ui_->currentDevmode, dm::ManualPaperType, WORD{0});
        Set(ui_->currentDevmode, dm::SavedManualPaperType, WORD{0});
        Script script;
        script.steps.push_back(
            [](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kManualPaperType))); });
        script.steps.push_back([](HWND dialog) {
            EXPECT_EQ(ComboData(dialog, ids::kManualTypeCombo), (Sources{0, 1, 2, 3}));
            EXPECT_TRUE(PlatChoose(GetDlgItem(dialog, ids::kManualTypeCombo), 3));
        });
        // The record beside the scratch record is marked: OK copies one record of this build, no
        // more, and neither it nor Cancel touches the scratch record or its neighbour.
        bool neighboursKept = false;
        DriverDevmode scratch{};
        script.steps.push_back([&](HWND dialog) {
            std::memset(ui_->appliedDevmode.bytes, 0xA5, sizeof ui_->appliedDevmode.bytes);
            scratch = ui_->scratchDevmode;
            EXPECT_TRUE(PlatPressButton(dialog, ok ? IDOK : IDCANCEL));
        });
        script.steps.push_back([&](HWND sheet) {
            const DriverDevmode& applied = ui_->appliedDevmode;
            neighboursKept =
                std::all_of(std::begin(applied.bytes), std::end(applied.bytes), [](BYTE b) { return b == 0xA5; }) &&
                std::memcmp(ui_->scratchDevmode.bytes, scratch.bytes, sizeof scratch.bytes) == 0;
            EXPECT_TRUE(PlatPressButton(sheet, IDOK));
        });
        EXPECT_EQ(Run(script), 1);
        EXPECT_TRUE(neighboursKept) << ok;
        EXPECT_EQ(Get(ui_->appliedDevmode, dm::ManualPaperType), ok ? 3 : 0) << ok;
        EXPECT_EQ(Get(ui_->appliedDevmode, dm::SavedManualPaperType), ok ? 3 : 0) << ok;
    }
}

// Defaults of the sections dialog: with a paper the printer takes, first sheet 4, following
// sheets 300, sections' source and document source 1, covers 4; the copies always; sections,
// covers and separate trays off, and every section control greyed.
TEST_F(PaperSourceDialogs, SectionDefaultsResetTheWorkingCopy) {
    DriverDevmode& r = ui_->currentDevmode;
    Install(r, dm::kManual, true);
    Set(r, dm::FirstSheetTray, DWORD{1});
    Set(r, dm::SecondSheetTray, DWORD{1});
    Set(r, dm::SeparateDefaultTray, DWORD{4});
    Set(r, dm::DefaultSource, SHORT{4});
    Set(r, dm::FrontCoverTray, DWORD{1});
    Set(r, dm::BackCoverTray, DWORD{1});
    for (auto f :
         {dm::SeparateTraysOn, dm::SavedSeparateTraysOn, dm::FrontCoverOn, dm::BackCoverOn, dm::SectionSetting})
        Set(r, f, DWORD{1});
    ASSERT_TRUE(IsSupportedPaper(&r, ui_->deviceData)) << "the sample's paper";
    DialogPtr sections = MakeDialog(ids::kTemplateSections, SectionSourceDialogProc);
    ASSERT_TRUE(sections);
    EXPECT_TRUE(Enabled(sections.get(), ids::kFirstSheet));
    SendMessageW(sections.get(), WM_COMMAND, MAKEWPARAM(ids::kSectionsDefaults, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(sections.get(), ids::kSectionsDefaults)));
    const DriverDevmode& w = ui_->scratchDevmode;
    EXPECT_EQ(Get(w, dm::FirstSheetTray), 4u);
    EXPECT_EQ(Get(w, dm::SecondSheetTray), 300u);
    EXPECT_EQ(Get(w, dm::SeparateDefaultTray), 1u);
    EXPECT_EQ(Get(w, dm::DefaultSource), 1);
    EXPECT_EQ(Get(w, dm::FrontCoverTray), 4u);
    EXPECT_EQ(Get(w, dm::BackCoverTray), 4u);
    EXPECT_EQ(Get(w, dm::SavedFirstSheetTray), 4u);
    EXPECT_EQ(Get(w, dm::SavedSecondSheetTray), 300u);
    EXPECT_EQ(Get(w, dm::SavedSeparateDefaultTray), 1u);
    EXPECT_EQ(Get(w, dm::PrevDefaultSource), 1);
    EXPECT_EQ(Get(w, dm::SavedFrontCoverTray), 4u);
    EXPECT_EQ(Get(w, dm::SavedBackCoverTray), 4u);
    for (auto f :
         {dm::SeparateTraysOn, dm::SavedSeparateTraysOn, dm::FrontCoverOn, dm::BackCoverOn, dm::SectionSetting})
        EXPECT_EQ(Get(w, f), 0u) << f.offset;
    for (int id : {ids::kFirstSheet, ids::kOtherSheets, ids::kSectionDefault, ids::kSectionTray, ids::kFrontCover,
                   ids::kBackCover, ids::kFrontCoverOn, ids::kBackCoverOn})
        EXPECT_FALSE(Enabled(sections.get(), id)) << id;
    EXPECT_EQ(Get(ui_->currentDevmode, dm::SectionSetting), 1u) << "the current record waits for OK";
}

// Defaults of the details dialog: slip sheets off (and their controls greyed), blank slip sheets
// from the upper tray, the manual slot's plain paper.
TEST_F(PaperSourceDialogs, DetailDefaultsResetTheWorkingCopy) {
    DriverDevmode& r = ui_->currentDevmode;
    Set(r, dm::SlipSheetsChecked, DWORD{1});
    Set(r, dm::SlipSheetKind, DWORD{1});
    Set(r, dm::SlipSheetTray, DWORD{14});
    Set(r, dm::ManualPaperType, WORD{3});
    Set(r, dm::SavedManualPaperType, WORD{3});
    DialogPtr details = MakeDialog(ids::kTemplateDetail, SourceDetailDialogProc);
    ASSERT_TRUE(details);
    EXPECT_TRUE(Enabled(details.get(), ids::kSlipKind));
    EXPECT_EQ(SelectedData(details.get(), ids::kDetailManualType), 3);
    SendMessageW(details.get(), WM_COMMAND, MAKEWPARAM(ids::kDetailDefaults, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(details.get(), ids::kDetailDefaults)));
    const DriverDevmode& w = ui_->scratchDevmode;
    EXPECT_EQ(Get(w, dm::SlipSheetsChecked), 0u);
    EXPECT_EQ(Get(w, dm::SlipSheetKind), 0u);
    EXPECT_EQ(Get(w, dm::SlipSheetTray), 1u);
    EXPECT_EQ(Get(w, dm::ManualPaperType), 0);
    EXPECT_EQ(Get(w, dm::SavedManualPaperType), 0);
    EXPECT_EQ(SelectedData(details.get(), ids::kDetailManualType), 0);
    EXPECT_EQ(IsDlgButtonChecked(details.get(), ids::kSlipBlank), static_cast<UINT>(BST_CHECKED));
    for (int id : {ids::kSlipKind, ids::kSlipTray, ids::kSlipKindLabel, ids::kSlipTrayLabel})
        EXPECT_FALSE(Enabled(details.get(), id)) << id;
    EXPECT_EQ(Get(ui_->currentDevmode, dm::SlipSheetsChecked), 1u) << "the current record waits for OK";
}

// ---- Pictures ---------------------------------------------------------------------------------

// The user's locale picks the resource DLL and the system code page the sheet's frame: each build
// is drawn in its own language.
struct CodePageScope {
    explicit CodePageScope(UINT codePage) { PlatSetAnsiCodePage(codePage); }
    ~CodePageScope() { PlatSetAnsiCodePage(kJapaneseCodePage); }
    static constexpr UINT kJapaneseCodePage = 932;
};

void SetUserLocale(const char16_t* value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Control Panel\\International", 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::u16string v(value);
    EXPECT_EQ(RegSetValueExW(key, u"Locale", 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                             static_cast<DWORD>((v.size() + 1) * 2)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(PaperSourcePage, PageAndDialogsLookAsTheirReferences) {
    CodePageScope codePage(kJapaneseBuild ? CodePageScope::kJapaneseCodePage : 1252);
    SetUserLocale(kJapaneseBuild ? u"00000411" : u"00000409");
    ui_ = orla_ui_test::ContextPtr(CreateUiContext(printer_, nullptr));
    ASSERT_TRUE(ui_);
    page_.uiContext = ui_.get();
    DriverDevmode& r = ui_->currentDevmode;
    Install(r, dm::kFeeder2, true);
    Set(r, dm::SlipSheetsChecked, DWORD{1});
    const struct {
        int button;
        std::string name;
        int close;
    } dialogs[] = {{ids::kPaperType, "paper_type_dialog", IDCANCEL},
                   {ids::kManualPaperType, "manual_paper_type_dialog", IDCANCEL},
                   {ids::kSectionSources, "section_source_dialog", IDCANCEL},
                   {ids::kSourceDetail, "source_detail_dialog", ids::kDetailCancel}};
    Script script;
    script.steps.push_back([](HWND sheet) { ExpectWindowLikeReference(sheet, "paper_source_page"); });
    for (const auto& d : dialogs) {
        script.steps.push_back([&d](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), d.button))); });
        script.steps.push_back([&d](HWND dialog) {
            ExpectWindowLikeReference(dialog, d.name);
            EXPECT_TRUE(PlatPressButton(dialog, d.close));
        });
    }
    script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
    EXPECT_FALSE(script.ranOut);
}

}  // namespace paper_source_test
