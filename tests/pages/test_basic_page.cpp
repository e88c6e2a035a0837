// The basic page in a property sheet, driven as a user would: paper, copies and duplex chosen,
// OK pressed, the record read back; the summary opened and closed; the buttons of dialogs not
// built yet say so.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "plat/message_box.h"
#include "plat/window_render.h"
#include "plat/window_test.h"
#include "resources/lang/summary_ids.h"
#include "tests/pages/basic_page_sheet.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/basic_page.h"
#include "ui/pages/summary_tree.h"
#include "win/property_sheet.h"
#include "win/user_controls.h"

namespace {

using namespace orla;

using uitest::Script;
using uitest::ScriptScope;

using pages_test::IndexWithData;
using pages_test::PageOf;
using BasicPage = pages_test::BasicPageSheet;

TEST_F(BasicPage, AUserChoosesB5ThreeCopiesAndDuplexThenOk) {
    Script script;
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        ASSERT_TRUE(page);
        const auto b5 = SendDlgItemMessageW(page, kIdPaperSize, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                            reinterpret_cast<LPARAM>(u"B5 (JIS)"));
        ASSERT_GE(b5, 0);
        EXPECT_TRUE(PlatChoose(GetDlgItem(page, kIdPaperSize), static_cast<int>(b5)));
    });
    script.steps.push_back([&](HWND sheet) {
        EXPECT_EQ(GetText(ui_->currentDevmode, dm::FormName), u"B5 (JIS)");
        EXPECT_TRUE(PlatType(GetDlgItem(PageOf(sheet), kIdCopies), u"3"));
    });
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        const int longEdge = IndexWithData(page, kIdDuplex, 523);
        ASSERT_GE(longEdge, 0) << "the duplex combo offers no binding";
        EXPECT_TRUE(PlatChoose(GetDlgItem(page, kIdDuplex), longEdge));
    });
    script.steps.push_back([&](HWND sheet) {
        // The page as the user sees it now, for a person to look at.
        const std::string png = orla_test::BinDir() + "/basic_page.png";
        EXPECT_TRUE(PlatRenderWindowToPng(sheet, png.c_str()));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, IDAPPLY)));  // the page told the sheet
        EXPECT_TRUE(PlatPressButton(sheet, IDOK));
    });
    EXPECT_EQ(Run(script), 1);
    EXPECT_FALSE(script.ranOut);
    const DriverDevmode& r = ui_->appliedDevmode;
    EXPECT_EQ(GetText(r, dm::FormName), u"B5 (JIS)");
    EXPECT_EQ(Get(r, dm::Copies), 3);
    EXPECT_EQ(Get(r, dm::Duplex), DMDUP_VERTICAL);
    EXPECT_EQ(Get(r, dm::PrevDuplex), DMDUP_VERTICAL);
    EXPECT_EQ(GetText(r, dm::PrevFormName), u"B5 (JIS)");
}

TEST_F(BasicPage, CancelLeavesTheAppliedRecordAlone) {
    const DriverDevmode before = ui_->appliedDevmode;
    Script script;
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatType(GetDlgItem(PageOf(sheet), kIdCopies), u"7")); });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    EXPECT_EQ(Run(script), 0);
    EXPECT_EQ(std::memcmp(before.bytes, ui_->appliedDevmode.bytes, kDriverDevmodeSize), 0);
    EXPECT_EQ(Get(ui_->currentDevmode, dm::Copies), 7);  // the page edited the working record only
}

TEST_F(BasicPage, OutOfRangeCopiesKeepTheUserOnThePage) {
    Script script;
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatType(GetDlgItem(PageOf(sheet), kIdCopies), u"0")); });
    script.steps.push_back([&](HWND sheet) {
        PlatQueueMessageBoxAnswer(IDOK);
        EXPECT_TRUE(PlatPressButton(sheet, IDOK));
    });
    script.steps.push_back([&](HWND sheet) {
        // Still open: warning 813 was shown, the copies edit has the focus.
        ASSERT_EQ(PlatMessageBoxCount(), 1u);
        PLAT_MESSAGE_BOX_RECORD box{};
        ASSERT_TRUE(PlatGetMessageBox(0, &box));
        EXPECT_EQ(box.flags & 0xF0u, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_EQ(std::u16string(box.text), orla_ui_test::ResourceText(printer_, 813));
        PLAT_CONTROL_STATE copies{};
        ASSERT_TRUE(PlatReadControl(GetDlgItem(PageOf(sheet), kIdCopies), &copies));
        EXPECT_TRUE(copies.focused);
        EXPECT_TRUE(PlatType(GetDlgItem(PageOf(sheet), kIdCopies), u"2"));
    });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
    EXPECT_EQ(Run(script), 1);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::Copies), 2);
}

// The summary opens over the page with the full rows while it is open, and Close comes back to
// the page; the summary asked from elsewhere on the page (1149) does the same.
TEST_F(BasicPage, TheSummaryOpensOverThePageAndCloseComesBack) {
    page_.smallImages = ImageList_Create(16, 18, ILC_COLOR4 | ILC_MASK, 0, 128);
    ASSERT_TRUE(page_.smallImages);
    Script script;
    std::vector<HWND> summaries;
    for (int id : {basic_ids::kSummary, basic_ids::kSummaryItem}) {
        script.steps.push_back([&, id](HWND sheet) {
            HWND page = PageOf(sheet);
            ASSERT_TRUE(page);
            if (id == basic_ids::kSummary)
                EXPECT_TRUE(PlatClick(GetDlgItem(page, id)));
            else
                SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
            // Back on the page: the summary and its tree are gone, the page's busy bit cleared.
            EXPECT_EQ(page_.flags & kPageBusyManager, 0u) << id;
            EXPECT_EQ(page_.hTree, nullptr) << id;
        });
        script.steps.push_back([&, id](HWND summary) {
            summaries.push_back(summary);
            EXPECT_TRUE(page_.flags & kPageBusyManager) << id;
            ASSERT_NE(page_.hTree, nullptr) << id;
            EXPECT_EQ(GetParent(page_.hTree), summary) << id;
            EXPECT_EQ(page_.treeRowList, DocumentTreeRowsFull()) << id;
            EXPECT_TRUE(PlatPressButton(summary, orla_res::summary::kClose)) << id;
        });
    }
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(summaries.size(), 2u);
    EXPECT_EQ(PlatMessageBoxCount(), 0u);  // no "not built yet" box
    ImageList_Destroy(page_.smallImages);
    page_.smallImages = nullptr;
}

TEST_F(BasicPage, TheSummaryWaitsForValidCopies) {
    page_.smallImages = ImageList_Create(16, 18, ILC_COLOR4 | ILC_MASK, 0, 128);
    ASSERT_TRUE(page_.smallImages);
    Script script;
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatType(GetDlgItem(PageOf(sheet), kIdCopies), u"0")); });
    script.steps.push_back([&](HWND sheet) {
        PlatQueueMessageBoxAnswer(IDOK);
        EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), basic_ids::kSummary)));
        ASSERT_EQ(PlatMessageBoxCount(), 1u);
        PLAT_MESSAGE_BOX_RECORD box{};
        ASSERT_TRUE(PlatGetMessageBox(0, &box));
        EXPECT_EQ(std::u16string(box.text), orla_ui_test::ResourceText(printer_, 813));
        EXPECT_EQ(page_.flags & kPageBusyManager, 0u);
        EXPECT_EQ(page_.treeRowList, nullptr) << "no summary was made";
    });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
    EXPECT_FALSE(script.ranOut);
    ImageList_Destroy(page_.smallImages);
    page_.smallImages = nullptr;
}

TEST_F(BasicPage, OrientationLayoutAndZoomWriteTheirFieldsWithCopies) {
    Script script;
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), kIdLandscape))); });
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        const int four = IndexWithData(page, kIdLayout, 604);
        ASSERT_GE(four, 0) << "the layout combo offers no 4-up";
        EXPECT_TRUE(PlatChoose(GetDlgItem(page, kIdLayout), four));
    });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
    EXPECT_EQ(Run(script), 1);
    const DriverDevmode& r = ui_->appliedDevmode;
    EXPECT_EQ(Get(r, dm::Orientation), DMORIENT_LANDSCAPE);
    EXPECT_EQ(Get(r, dm::PrevOrientation), DMORIENT_LANDSCAPE);
    EXPECT_EQ(Get(r, dm::LayoutMode), 4);
    EXPECT_EQ(Get(r, dm::SavedLayoutMode), 4);
    EXPECT_EQ(Get(r, dm::PrintPosTop), 100u);
}

// ---- Warnings about the paper chosen ----------------------------------------------------------

TEST(BasicPaperWarnings, EachRuleWarnsInItsOrder) {
    struct Case {
        const char16_t* form;
        SHORT orientation;
        WORD layout;
        bool manualOutPaper;
        WORD outPaperIndex;
        SHORT quality;
        bool offered;
        std::vector<UINT> want;
    };
    const std::u16string longPaper(kLongPaperFormName);
    const Case cases[] = {
        {u"LP->A4", DMORIENT_PORTRAIT, 1, true, 0, 600, false, {815}},
        {u"LP->B4", DMORIENT_PORTRAIT, 2, true, 0, 600, false, {815, 814}},
        {u"LP->A4", DMORIENT_LANDSCAPE, 1, true, 0, 600, false, {}},
        {u"A4->A3", DMORIENT_PORTRAIT, 4, true, 0, 600, false, {814}},
        {u"A2", DMORIENT_PORTRAIT, 1, true, 0, 600, false, {800}},
        {u"A2", DMORIENT_PORTRAIT, 1, true, 0, 600, true, {}},
        {u"A2", DMORIENT_PORTRAIT, 1, false, 0, 600, false, {}},
        {u"A2", DMORIENT_PORTRAIT, 1, true, 9, 600, false, {}},
        {longPaper.c_str(), DMORIENT_PORTRAIT, 1, true, 0, 1200, true, {738}},
        {longPaper.c_str(), DMORIENT_PORTRAIT, 1, true, 0, 1200, false, {800, 738}},
        {longPaper.c_str(), DMORIENT_PORTRAIT, 1, true, 0, 600, true, {}},
    };
    for (const Case& c : cases) {
        auto r = std::make_unique<DriverDevmode>();
        SetText(*r, dm::FormName, c.form);
        Set(*r, dm::Orientation, c.orientation);
        Set(*r, dm::LayoutMode, c.layout);
        Set(*r, dm::Flags1, c.manualOutPaper ? kFlags1ManualOutPaper : 0u);
        Set(*r, dm::OutPaperIndex, c.outPaperIndex);
        Set(*r, dm::PrintQuality, c.quality);
        EXPECT_EQ(ChosenPaperWarnings(*r, c.offered), c.want) << c.layout << " " << c.quality << " " << c.offered;
    }
}

class BasicPageWarnings : public BasicPage {
protected:
    void SetUp() override {
        BasicPage::SetUp();
        // The model's own papers (size mappings among them) join the spooler's forms.
        ASSERT_TRUE(AddDriverForms(printer_, ui_->deviceData));
        ui_ = orla_ui_test::ContextPtr(CreateUiContext(printer_, nullptr));
        ASSERT_TRUE(ui_);
        page_.uiContext = ui_.get();
        Set(ui_->currentDevmode, dm::DeviceState(dm::kDuplex), WORD{8});
    }
    // Opens the page, sets the record as the other pages left it, chooses the paper, answers
    // every box with OK and cancels.
    void ChoosePaper(const std::u16string& form, int boxes, const std::function<void(DriverDevmode&)>& before = {}) {
        Script script;
        script.steps.push_back([&, form, boxes](HWND sheet) {
            HWND page = PageOf(sheet);
            if (before) before(ui_->currentDevmode);
            const auto index = SendDlgItemMessageW(page, kIdPaperSize, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                   reinterpret_cast<LPARAM>(form.c_str()));
            ASSERT_GE(index, 0);
            for (int i = 0; i < boxes; ++i) PlatQueueMessageBoxAnswer(IDOK);
            EXPECT_TRUE(PlatChoose(GetDlgItem(page, kIdPaperSize), static_cast<int>(index)));
        });
        script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
        Run(script);
        EXPECT_FALSE(script.ranOut);
    }
    void ExpectBoxes(const std::vector<UINT>& textIds, const std::u16string& caption) {
        ASSERT_EQ(PlatMessageBoxCount(), textIds.size());
        for (DWORD i = 0; i < textIds.size(); ++i) {
            PLAT_MESSAGE_BOX_RECORD box{};
            ASSERT_TRUE(PlatGetMessageBox(i, &box));
            const std::u16string text = orla_ui_test::ResourceText(printer_, textIds[i]);
            EXPECT_FALSE(text.empty()) << textIds[i];
            EXPECT_EQ(std::u16string(box.text), text) << textIds[i];
            EXPECT_EQ(std::u16string(box.caption), caption) << textIds[i];
            EXPECT_EQ(box.flags, static_cast<UINT>(MB_ICONWARNING)) << textIds[i];
        }
    }
    std::u16string PrinterName() const { return std::u16string(DevicePrinterName(ui_->deviceData)); }
};

TEST_F(BasicPageWarnings, APaperThePrinterCannotTakeAsksForAnOutputPaper) {
    ChoosePaper(u"A2", 1);
    ExpectBoxes({800}, PrinterName());
    EXPECT_EQ(GetText(ui_->currentDevmode, dm::FormName), u"A2");
}

TEST_F(BasicPageWarnings, DuplexPrintingWarnsAboutTransparenciesAndPapersItCannotTake) {
    struct Case {
        const char16_t* form;
        WORD paperType;
        std::vector<UINT> want;
    };
    const Case cases[] = {
        {u"A5", 3, {811}},
        {u"Envelope Monarch", 0, {737}},  // 98.4 mm wide
        {u"A5", 0, {}},
    };
    for (const Case& c : cases) {
        PlatResetMessageBoxes();
        // Duplex printing and the paper type as the other pages left them (the constraint pass
        // would not let transparencies be duplexed when the page opens).
        ChoosePaper(c.form, static_cast<int>(c.want.size()), [&](DriverDevmode& r) {
            Set(r, dm::Duplex, SHORT{DMDUP_VERTICAL});
            Set(r, dm::PrevDuplex, WORD{DMDUP_VERTICAL});
            Set(r, dm::PaperType, c.paperType);
            Set(r, dm::SavedPaperType, c.paperType);
        });
        ExpectBoxes(c.want, PrinterName());
    }
}

// ---- Checks the page runs when it becomes active ---------------------------------------------

TEST_F(BasicPage, TextEntryModesNothingCanHoldFallBackWhenThePageOpens) {
    struct Case {
        const char* what;
        DWORD mode;
        bool disk;
        SHORT copies;
        bool warns;
    };
    const Case cases[] = {
        {"stored print without a disk", 1, false, 3, true},
        {"stored print with a disk", 1, true, 3, false},
        {"proof print of one copy", 2, true, 1, true},
        {"proof print of two copies", 2, true, 2, false},
        {"normal print", 0, false, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlatResetMessageBoxes();
        PlatResetBeeps();
        DriverDevmode& r = ui_->currentDevmode;
        Set(r, dm::HoldMode, c.mode);
        Set(r, dm::DeviceState(dm::kHdd), WORD(c.disk ? 8 : 0));
        Set(r, dm::Copies, c.copies);
        if (c.warns) PlatQueueMessageBoxAnswer(IDOK);
        Script script;
        script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
        Run(script);
        ASSERT_EQ(PlatMessageBoxCount(), c.warns ? 1u : 0u);
        EXPECT_EQ(Get(r, dm::HoldMode), c.warns ? 0u : c.mode);
        if (!c.warns) continue;
        PLAT_MESSAGE_BOX_RECORD box{};
        ASSERT_TRUE(PlatGetMessageBox(0, &box));
        EXPECT_EQ(std::u16string(box.text), orla_ui_test::ResourceText(printer_, 892));
        EXPECT_EQ(std::u16string(box.caption), kJapaneseBuild ? u"警告" : u"Warning");
        EXPECT_EQ(box.flags, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_EQ(PlatBeepCount(), 1u);
    }
}

TEST_F(BasicPage, PrivateChecksAnswerWhenSentToThePage) {
    Script script;
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        DriverDevmode& r = ui_->currentDevmode;
        // Paper type and output tray that do not go together.
        Set(r, dm::PaperType, WORD{2});
        Set(r, dm::OutputTray, WORD{2});
        PlatQueueMessageBoxAnswer(IDOK);
        SendMessageW(page, kMsgCheckConflict, 0, 0);
        // Separate trays set the document's source.
        Set(r, dm::SeparateTraysOn, DWORD{1});
        Set(r, dm::SavedSeparateTraysOn, DWORD{1});
        Set(r, dm::SeparateDefaultTray, DWORD{1});
        Set(r, dm::SavedSeparateDefaultTray, DWORD{1});
        Set(r, dm::DefaultSource, SHORT{14});
        SendMessageW(page, kMsgCheckSource, 0, 0);
        EXPECT_EQ(Get(r, dm::DefaultSource), 1);
        EXPECT_EQ(Get(r, dm::PrevDefaultSource), 1);
    });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
    EXPECT_FALSE(script.ranOut);
    ASSERT_EQ(PlatMessageBoxCount(), 1u);
    PLAT_MESSAGE_BOX_RECORD box{};
    ASSERT_TRUE(PlatGetMessageBox(0, &box));
    EXPECT_EQ(std::u16string(box.text), orla_ui_test::ResourceText(printer_, 856));
    EXPECT_EQ(std::u16string(box.caption), std::u16string(DevicePrinterName(ui_->deviceData)));
}

// ---- The paper controls as the record stands ----------------------------------------------------

TEST_F(BasicPage, ControlsShowWhatTheLayoutAndDuplexSettingsOffer) {
    struct Case {
        const char* what;
        SHORT duplex;
        WORD layout;
        DWORD holdMode;
        bool disk;
        SHORT copies;
        bool binding, order, zoom, holdSettings;
    };
    const Case cases[] = {
        {"simplex, one page", DMDUP_SIMPLEX, 1, 0, false, 1, false, false, true, false},
        {"duplex, four pages", DMDUP_VERTICAL, 4, 0, false, 1, true, true, false, false},
        {"stored print with a disk", DMDUP_SIMPLEX, 1, 1, true, 1, false, false, true, true},
        {"proof print of one copy", DMDUP_SIMPLEX, 1, 2, true, 1, false, false, true, false},
        {"proof print of three copies", DMDUP_SIMPLEX, 1, 2, true, 3, false, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Script script;
        script.steps.push_back([&](HWND sheet) {
            HWND page = PageOf(sheet);
            DriverDevmode& r = ui_->currentDevmode;
            Set(r, dm::Duplex, c.duplex);
            Set(r, dm::LayoutMode, c.layout);
            Set(r, dm::HoldMode, c.holdMode);
            Set(r, dm::DeviceState(dm::kHdd), WORD(c.disk ? 8 : 0));
            Set(r, dm::Copies, c.copies);
            FillPaperPageControls(&page_, page);
            const auto visible = [&](int id) { return IsWindowVisible(GetDlgItem(page, id)) != FALSE; };
            EXPECT_EQ(visible(kIdBinding), c.binding);
            EXPECT_EQ(visible(kIdOrder), c.order);
            EXPECT_EQ(visible(kIdFrame), c.order);
            EXPECT_EQ(visible(kIdZoom), c.zoom);
            EXPECT_EQ(visible(kIdFreeZoom), c.zoom);
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, basic_ids::kHoldSettings)) != FALSE, c.holdSettings);
            Set(r, dm::HoldMode, DWORD{0});  // the next opening of the page has nothing to check
        });
        script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
        Run(script);
        EXPECT_FALSE(script.ranOut);
    }
}

TEST_F(BasicPage, OpeningThePageMovesSourcesOffTheMissingManualSlot) {
    DriverDevmode& r = ui_->currentDevmode;
    ASSERT_FALSE(DeviceInstalled(r, dm::kManual));
    for (auto f : {dm::FirstSheetTray, dm::SavedFirstSheetTray}) Set(r, f, DWORD{4});
    for (auto f : {dm::SecondSheetTray, dm::SavedSecondSheetTray}) Set(r, f, DWORD{4});
    Script script;
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
    EXPECT_EQ(Run(script), 1);
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::FirstSheetTray), 14u);
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::SecondSheetTray), 300u);  // follows the document's source
}

}  // namespace
