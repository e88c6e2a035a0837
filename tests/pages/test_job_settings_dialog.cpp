// The print-time job settings dialog's frame as a user drives it: the categories by the installed
// options, a job's category out of range, the switch for later jobs, OK and the close box, the
// refused text and copies, the reset, and the favourites reload.
#include <gtest/gtest.h>

#include <string>

#include "core/device_data.h"
#include "tests/pages/job_settings_fixture.h"
#include "ui/entry/document_events.h"
#include "win/registry.h"

namespace {

using namespace orla;
using pages_test::ControlState;
using uitest::Script;
namespace js = orla_res::job_settings;

// ---- The category table ----
struct CategoryCase {
    const char* what;
    bool duplex, lcs;
    std::vector<DWORD> panels;
};
TEST(JobSettingsCategories, SixOrEightByDuplexAndLcs) {
    const CategoryCase cases[] = {
        {"neither", false, false, {650, 652, 653, 654, 655, 657}},
        {"duplex", true, false, {650, 651, 652, 653, 654, 655, 657}},
        {"lcs", false, true, {650, 652, 653, 654, 655, 656, 657}},
        {"both", true, true, {650, 651, 652, 653, 654, 655, 656, 657}},
    };
    const std::vector<DWORD> names = {545, 546, 547, 548, 549, 550, 736, 551};
    for (const CategoryCase& c : cases) {
        DriverDevmode r{};
        Set(r, dm::DeviceState(dm::kDuplex), WORD{c.duplex ? dm::kDeviceInstalled : WORD{0}});
        Set(r, dm::DeviceState(dm::kLcs), WORD{c.lcs ? dm::kDeviceInstalled : WORD{0}});
        HotItemEntry table[kJobCategoryMax + 1];
        ASSERT_EQ(BuildCategoryTable(r, table), c.panels.size()) << c.what;
        for (size_t i = 0; i < c.panels.size(); ++i) {
            EXPECT_EQ(table[i].item, c.panels[i]) << c.what;
            EXPECT_EQ(table[i].spare, names[c.panels[i] - 650]) << c.what;
        }
        EXPECT_EQ(table[c.panels.size()].item, kCategoryTableEnd) << c.what;
        EXPECT_EQ(PanelAt(table, static_cast<UINT>(c.panels.size())), 0) << c.what << ": past the end";
    }
}

using JobSettingsFrame = pages_test::JobSettingsDialog;

TEST_F(JobSettingsFrame, ShowsOneButtonPerCategoryAndTheRecordsCategory) {
    WithOptions(false, false);
    Set(Record(), dm::DialogCategory, WORD{3});  // the fourth of six: collate
    Script script;
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(SendDlgItemMessageW(d, js::kCategories, LB_GETCOUNT, 0, 0), 6);
        EXPECT_EQ(SendDlgItemMessageW(d, js::kCategories, LB_GETCURSEL, 0, 0), 3);
        EXPECT_TRUE(ControlState(d, js::kCollate).visible);
        EXPECT_FALSE(ControlState(d, js::kPagesPerSheet).visible);
        EXPECT_TRUE(PlatPressButton(d, js::kOk));
    });
    EXPECT_EQ(Run(script), js::kOk);
}

// A job's record may name a category this printer does not have: the first is shown.
TEST_F(JobSettingsFrame, ACategoryOutsideTheTableShowsTheFirst) {
    WithOptions(false, false);
    Set(Record(), dm::DialogCategory, WORD{7});
    Script script;
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(SendDlgItemMessageW(d, js::kCategories, LB_GETCURSEL, 0, 0), 0);
        EXPECT_TRUE(ControlState(d, js::kPagesPerSheet).visible);
        EXPECT_TRUE(PlatPressButton(d, js::kOk));
    });
    Run(script);
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::DialogCategory), 0);
}

TEST_F(JobSettingsFrame, DialogOffAndOkWritesTheSwitchOffForTheUser) {
    ASSERT_TRUE(WriteMopyingUiOpen(printer_, 1));
    page_.flags |= kPageFlagMopyingUiOpen;
    Script script;
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(ControlState(d, js::kDialogOff).checked, BST_UNCHECKED);
        EXPECT_TRUE(PlatClick(GetDlgItem(d, js::kDialogOff)));
        EXPECT_EQ(ControlState(d, js::kHint).text, orla_ui_test::ResourceText(printer_, js::kHintDialogOff));
        EXPECT_TRUE(PlatPressButton(d, js::kOk));
    });
    EXPECT_EQ(Run(script), js::kOk);
    EXPECT_EQ(ReadMopyingUiOpen(printer_), 0u);
}

TEST_F(JobSettingsFrame, TheCloseBoxAppliesAsOkDoes) {
    Script script;
    script.steps.push_back([&](HWND d) {
        EXPECT_TRUE(PlatType(GetDlgItem(d, js::kCopies), u"7"));
        pages_test::PressCloseBox(d);
    });
    EXPECT_EQ(Run(script), IDCANCEL);
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::Copies), 7);
}

// Refused fields keep the dialog open with the warning, and the record is not applied.
TEST_F(JobSettingsFrame, RefusedTextOrCopiesKeepTheDialogOpen) {
    struct Case {
        const char* what;
        int field;
        const char16_t* text;
        UINT message;
    };
    const Case cases[] = {
        {"zero copies", js::kCopies, u"0", js::kWarnCopies},
        {"no copies", js::kCopies, u"", js::kWarnCopies},
    };
    for (const Case& c : cases) {
        PlatResetMessageBoxes();
        Set(ui_->appliedDevmode, dm::Copies, SHORT{0});
        Script script;
        script.steps.push_back([&](HWND d) {
            EXPECT_TRUE(PlatType(GetDlgItem(d, c.field), c.text));
            PlatQueueMessageBoxAnswer(IDOK);
            EXPECT_TRUE(PlatPressButton(d, js::kOk));
        });
        script.steps.push_back([&](HWND d) {
            EXPECT_TRUE(IsWindow(d)) << c.what;
            PLAT_MESSAGE_BOX_RECORD box{};
            ASSERT_TRUE(PlatGetMessageBox(0, &box)) << c.what;
            EXPECT_EQ(std::u16string(box.text), orla_ui_test::ResourceText(printer_, c.message)) << c.what;
            EXPECT_EQ(std::u16string(box.caption), std::u16string(DevicePrinterName(ui_->deviceData)));
            EXPECT_EQ(GetFocus(), GetDlgItem(d, c.field)) << c.what;
            EXPECT_EQ(Get(ui_->appliedDevmode, dm::Copies), 0) << c.what << ": not applied";
            EXPECT_TRUE(PlatType(GetDlgItem(d, js::kCopies), u"2"));
            EXPECT_TRUE(PlatPressButton(d, js::kOk));
        });
        EXPECT_EQ(Run(script), js::kOk) << c.what;
        EXPECT_EQ(Get(ui_->appliedDevmode, dm::Copies), 2) << c.what;
    }
}

TEST_F(JobSettingsFrame, AnOverLongTextIsRefusedAtOk) {
    Set(Record(), dm::DialogCategory, WORD{3});  // annotation, with the duplex unit: the fourth
    Script script;
    script.steps.push_back([&](HWND d) {
        // 40 double-byte characters: 80 bytes in the system code page.
        const std::u16string wide(40, u'\u3042');
        SetDlgItemTextW(d, js::kAnnotationText, wide.c_str());
        PlatQueueMessageBoxAnswer(IDOK);
        EXPECT_TRUE(PlatPressButton(d, js::kOk));
    });
    script.steps.push_back([&](HWND d) {
        PLAT_MESSAGE_BOX_RECORD box{};
        ASSERT_TRUE(PlatGetMessageBox(0, &box));
        EXPECT_EQ(std::u16string(box.text), orla_ui_test::ResourceText(printer_, js::kWarnTextTooLong));
        EXPECT_EQ(GetFocus(), GetDlgItem(d, js::kAnnotationText));
        SetDlgItemTextW(d, js::kAnnotationText, u"ok");
        EXPECT_TRUE(PlatPressButton(d, js::kOk));
    });
    EXPECT_EQ(Run(script), js::kOk);
}

TEST_F(JobSettingsFrame, ResetAsksAndCancelKeepsTheRecord) {
    Set(Record(), dm::Copies, SHORT{9});
    Set(ui_->defaultDevmode, dm::Copies, SHORT{1});
    for (int answer : {IDCANCEL, IDOK}) {
        PlatResetMessageBoxes();
        Script script;
        script.steps.push_back([&](HWND d) {
            PlatQueueMessageBoxAnswer(answer);
            EXPECT_TRUE(PlatPressButton(d, js::kReset));
            PLAT_MESSAGE_BOX_RECORD box{};
            ASSERT_TRUE(PlatGetMessageBox(0, &box));
            EXPECT_EQ(std::u16string(box.text), orla_ui_test::ResourceText(printer_, js::kAskReset));
            EXPECT_EQ(box.flags & 0xFu, static_cast<UINT>(MB_OKCANCEL));
            EXPECT_TRUE(PlatPressButton(d, js::kOk));
        });
        Run(script);
        EXPECT_EQ(Get(ui_->appliedDevmode, dm::Copies), answer == IDOK ? 1 : 9) << answer;
        if (answer == IDOK) {
            // The tray settings go back to the automatic source (no manual slot on the sample).
            const DWORD t = DeviceInstalled(ui_->appliedDevmode, dm::kManual) ? 4u : 14u;
            EXPECT_EQ(Get(ui_->appliedDevmode, dm::DetailSource), t);
            EXPECT_EQ(Get(ui_->appliedDevmode, dm::SecondSheetTray), 300u);
            EXPECT_EQ(Get(ui_->appliedDevmode, dm::SlipSheetTray), 1u);
        }
    }
}

TEST_F(JobSettingsFrame, ADuplexRemovedMarkReloadsTheFavouritesOnce) {
    Set(Record(), dm::DeviceChoice(dm::kDuplex), WORD{0xFFFF});
    Set(Record(), dm::DuplexFavourite, DWORD{2});
    Script script;
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatPressButton(d, js::kOk)); });
    Run(script);
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::DeviceChoice(dm::kDuplex)), 0);
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::DuplexFavourite), 0u);
}

TEST_F(JobSettingsFrame, ChoosingACategoryShowsItsPanelAndTheSameOneDoesNothing) {
    Script script;
    script.steps.push_back([&](HWND d) {
        EXPECT_TRUE(PlatClickListItem(GetDlgItem(d, js::kCategories), 1));  // two-sided printing
        EXPECT_EQ(Get(Record(), dm::DialogCategory), 1);
        EXPECT_TRUE(ControlState(d, js::kSimplex).visible);
        EXPECT_FALSE(ControlState(d, js::kPagesPerSheet).visible);
        EXPECT_FALSE(ControlState(d, js::kPagesPerSheet).enabled);
        EXPECT_TRUE(PlatClickListItem(GetDlgItem(d, js::kCategories), 1));
        EXPECT_EQ(Get(Record(), dm::DialogCategory), 1);
        EXPECT_TRUE(PlatPressButton(d, js::kOk));
    });
    EXPECT_EQ(Run(script), js::kOk);
}

TEST_F(JobSettingsFrame, TheMouseOverAButtonMakesItHotAndLeavingClearsIt) {
    Script script;
    script.steps.push_back([&](HWND d) {
        HWND list = GetDlgItem(d, js::kCategories);
        RECT rc{};
        ASSERT_NE(SendMessageW(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&rc)), LB_ERR);
        EXPECT_TRUE(PlatMouseMove(list, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2));
        EXPECT_EQ(page_.hotItem, 2);
        RECT client{};
        GetClientRect(d, &client);
        EXPECT_TRUE(PlatMouseMove(d, client.right - 2, client.bottom - 2));
        EXPECT_EQ(page_.hotItem, kNoHotItem);
        EXPECT_TRUE(PlatPressButton(d, js::kOk));
    });
    Run(script);
}

}  // namespace
