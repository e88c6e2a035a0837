// The layout-detail dialog driven as a user would: positions typed in millimetres and inches, the
// up-down arrows, centring and mirroring, the groups shown for the record's modes, the warnings
// on OK, Cancel, and the basic page's button that opens it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/device_data.h"
#include "plat/message_box.h"
#include "plat/threads.h"
#include "plat/window_render.h"
#include "plat/window_test.h"
#include "tests/pages/basic_page_sheet.h"
#include "tests/pages/page_fixture.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "ui/pages/context_help.h"
#include "ui/pages/layout_detail_dialog.h"
#include "ui/pages/layout_geometry.h"
#include "win/user_controls.h"

namespace {

using namespace orla;
using uitest::Script;
using uitest::ScriptScope;
namespace ids = orla_res::layout_detail;

// The records of both builds: the English one is the smaller, and is copied whole.
static_assert(sizeof(DriverDevmode) == (kJapaneseBuild ? 8512u : 4408u));

std::u16string TextOf(HWND dialog, int id) {
    PLAT_CONTROL_STATE state{};
    EXPECT_TRUE(PlatReadControl(GetDlgItem(dialog, id), &state)) << id;
    return state.text;
}
PLAT_CONTROL_STATE StateOf(HWND dialog, int id) {
    PLAT_CONTROL_STATE state{};
    EXPECT_TRUE(PlatReadControl(GetDlgItem(dialog, id), &state)) << id;
    return state;
}
LONG ShownValue(HWND dialog, int id, int decimals) {
    return ParseFixedPoint(TextOf(dialog, id), decimals).value;
}

class LayoutDialog : public pages_test::PageSandbox {
protected:
    void SetUp() override {
        PageSandbox::SetUp();
        PlatResetMessageBoxes();
        DriverDevmode& r = ui_->currentDevmode;
        // One-sided A4 with no output paper: the sheet's margins are the unlisted 5.0 mm.
        Set(r, dm::Duplex, SHORT{DMDUP_SIMPLEX});
        Set(r, dm::LayoutMode, WORD{1});
        Set(r, dm::OutPaperIndex, WORD{0});
        SetText(r, dm::OutPaperName, u"");
        Set(r, dm::Flags1, Get(r, dm::Flags1) & ~(kFlags1ManualZoom | kFlags1LayoutInches));
        SetPosition(r, kLayoutFront, 123, 45);
        SetPosition(r, kLayoutBack, 60, 70);
    }
    void TearDown() override {
        EXPECT_EQ(PlatUnexpectedMessageBoxCount(), 0u);
        PlatResetMessageBoxes();
        PageSandbox::TearDown();
    }
    void WithBackSide() {
        Set(ui_->currentDevmode, dm::Duplex, SHORT{DMDUP_VERTICAL});
        Set(ui_->currentDevmode, dm::PrevDuplex, WORD{DMDUP_VERTICAL});  // the user's choice, as the page keeps it
        Set(ui_->currentDevmode, dm::DeviceState(dm::kDuplex), WORD{dm::kDeviceInstalled | dm::kDeviceReady});
    }
    INT_PTR Run(Script& script) {
        ScriptScope scope(script);
        return OpenLayoutDetailDialog(&page_, nullptr);
    }
    // The text of a warning the dialog showed, and that it warned as a warning with the printer's name.
    void ExpectWarning(DWORD index, UINT textId) {
        PLAT_MESSAGE_BOX_RECORD box{};
        ASSERT_TRUE(PlatGetMessageBox(index, &box));
        EXPECT_EQ(std::u16string(box.text), orla_ui_test::ResourceText(printer_, textId));
        EXPECT_EQ(std::u16string(box.caption), std::u16string(DevicePrinterName(ui_->deviceData)));
        EXPECT_EQ(box.flags & 0xF0u, static_cast<UINT>(MB_ICONWARNING));
    }
};

TEST_F(LayoutDialog, ShowsTheRecordInMillimetres) {
    Script script;
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(TextOf(d, ids::kFrontTop), u"12.3");
        EXPECT_EQ(TextOf(d, ids::kFrontLeft), u"4.5");
        for (int unit : {ids::kFrontTopUnit, ids::kFrontLeftUnit, ids::kFrontBottomUnit, ids::kFrontRightUnit})
            EXPECT_EQ(TextOf(d, unit), u"mm");
        EXPECT_EQ(StateOf(d, ids::kMillimetres).checked, BST_CHECKED);
        EXPECT_EQ(StateOf(d, ids::kFreeZoom).checked, BST_UNCHECKED);
        EXPECT_FALSE(StateOf(d, ids::kZoom).enabled);  // no free zoom: the zoom is the page's
        const std::u16string caption = TextOf(d, ids::kPaperCaption);
        EXPECT_EQ(caption.rfind(GetText(ui_->currentDevmode, dm::FormName) + u" (", 0), 0u)
            << "caption names the paper";
        EXPECT_EQ(caption.substr(caption.size() - 4), u" mm)");
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    EXPECT_EQ(Run(script), FALSE);
    EXPECT_FALSE(script.ranOut);
}

// Without a duplex setting the back controls go and the front group takes the middle.
TEST_F(LayoutDialog, WithoutABackSideTheFrontGroupIsCentred) {
    Script script;
    script.steps.push_back([&](HWND d) {
        for (int id = ids::kBackGroup; id <= ids::kSameAsFront; ++id) {
            const PLAT_CONTROL_STATE state = StateOf(d, id);
            EXPECT_FALSE(state.visible) << id;
            EXPECT_FALSE(state.enabled) << id;
        }
        RECT client{}, group{};
        GetClientRect(d, &client);
        GetWindowRect(GetDlgItem(d, ids::kFrontGroup), &group);
        MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&group), 2);
        EXPECT_NEAR((group.left + group.right) / 2.0, (client.left + client.right) / 2.0, 2.0);
        EXPECT_EQ(TextOf(d, ids::kFrontGroup), orla_ui_test::ResourceText(printer_, ids::kTextPrintPosition));
        EXPECT_TRUE(PlatRenderWindowToPng(d, (orla_test::BinDir() + "/layout_detail_one_side.png").c_str()));
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    Run(script);
    EXPECT_FALSE(script.ranOut);
}

TEST_F(LayoutDialog, WithABackSideBothGroupsShow) {
    WithBackSide();
    Script script;
    script.steps.push_back([&](HWND d) {
        for (int id : {ids::kBackGroup, ids::kBackTop, ids::kBackLeft, ids::kMirrorFront, ids::kSameAsFront}) {
            const PLAT_CONTROL_STATE state = StateOf(d, id);
            EXPECT_TRUE(state.visible && state.enabled) << id;
        }
        EXPECT_NE(TextOf(d, ids::kFrontGroup), orla_ui_test::ResourceText(printer_, ids::kTextPrintPosition));
        EXPECT_EQ(TextOf(d, ids::kBackTop), u"6.0");
        EXPECT_EQ(TextOf(d, ids::kBackLeft), u"7.0");
        // The dialog as the user sees it, for a person to look at.
        EXPECT_TRUE(PlatRenderWindowToPng(d, (orla_test::BinDir() + "/layout_detail.png").c_str()));
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    Run(script);
    EXPECT_FALSE(script.ranOut);
}

// Pages per sheet: the zoom group is off and shows no zoom.
TEST_F(LayoutDialog, PagesPerSheetTurnTheZoomOff) {
    Set(ui_->currentDevmode, dm::LayoutMode, WORD{4});
    Script script;
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(TextOf(d, ids::kZoom), u"---");
        for (int id = ids::kZoomGroup; id <= ids::kZoomPercent; ++id) EXPECT_FALSE(StateOf(d, id).enabled) << id;
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    Run(script);
    EXPECT_FALSE(script.ranOut);
}

// In inches 1.00 is stored as 25.4 mm, and a stored 10.0 mm shows as 0.39.
TEST_F(LayoutDialog, InchesAreTypedAndShown) {
    SetPosition(ui_->currentDevmode, kLayoutFront, 100, 45);
    Script script;
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kInches))); });
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(TextOf(d, ids::kFrontTop), u"0.39");
        EXPECT_EQ(TextOf(d, ids::kFrontTopUnit), u"inch");
        const std::u16string caption = TextOf(d, ids::kPaperCaption);
        EXPECT_EQ(caption.substr(caption.size() - 6), u" inch)");
        EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kFrontTop), u"1.00"));
    });
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatPressButton(d, IDOK)); });
    EXPECT_EQ(Run(script), TRUE);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(PositionTop(ui_->currentDevmode, kLayoutFront), 254);
    // OK takes every position as shown: 4.5 mm shows as 0.18 inch, which is 4.572 mm.
    EXPECT_EQ(PositionLeft(ui_->currentDevmode, kLayoutFront), 46);
    EXPECT_TRUE(Get(ui_->currentDevmode, dm::Flags1) & kFlags1LayoutInches);
}

// In millimetres -12.5 reads as -125, and 12.34 is cut after its first decimal.
TEST_F(LayoutDialog, MillimetreTextIsCutAtWhatDoesNotFit) {
    Script script;
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kFrontTop), u"-12.5")); });
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kFrontLeft), u"12.34")); });
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(TextOf(d, ids::kFrontLeft), u"12.3");
        EXPECT_TRUE(PlatPressButton(d, IDOK));
    });
    EXPECT_EQ(Run(script), TRUE);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(PositionTop(ui_->currentDevmode, kLayoutFront), -125);
    EXPECT_EQ(PositionLeft(ui_->currentDevmode, kLayoutFront), 123);
}

TEST_F(LayoutDialog, UpDownStepsThePositionInTheUnit) {
    Script script;
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatSpin(GetDlgItem(d, ids::kFrontTopSpin), 3)); });
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(TextOf(d, ids::kFrontTop), u"12.6");
        EXPECT_TRUE(PlatSpin(GetDlgItem(d, ids::kFrontLeftSpin), -50));
    });
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(TextOf(d, ids::kFrontLeft), u"-0.5");
        EXPECT_TRUE(PlatPressButton(d, IDOK));
    });
    EXPECT_EQ(Run(script), TRUE);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(PositionTop(ui_->currentDevmode, kLayoutFront), 126);
    EXPECT_EQ(PositionLeft(ui_->currentDevmode, kLayoutFront), -5);
}

// A zoom of 5 or 401 keeps the dialog open with warning 809; 150 is taken.
TEST_F(LayoutDialog, ZoomOutOfRangeKeepsTheDialogOpen) {
    Script script;
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kFreeZoom))); });
    for (const char16_t* zoom : {u"5", u"401"}) {
        script.steps.push_back([&, zoom](HWND d) {
            EXPECT_TRUE(StateOf(d, ids::kZoom).enabled);
            EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kZoom), zoom));
        });
        script.steps.push_back([&](HWND d) {
            PlatQueueMessageBoxAnswer(IDOK);
            EXPECT_TRUE(PlatPressButton(d, IDOK));
        });
        script.steps.push_back([&](HWND d) { EXPECT_TRUE(StateOf(d, ids::kZoom).focused) << "still open"; });
    }
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kZoom), u"150")); });
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatPressButton(d, IDOK)); });
    EXPECT_EQ(Run(script), TRUE);
    EXPECT_FALSE(script.ranOut);
    ASSERT_EQ(PlatMessageBoxCount(), 2u);
    ExpectWarning(0, ids::kWarnZoomRange);
    ExpectWarning(1, ids::kWarnZoomRange);
    EXPECT_EQ(Get(ui_->currentDevmode, dm::Zoom), 150);
    EXPECT_EQ(Get(ui_->currentDevmode, dm::SavedZoom), 150);
    EXPECT_TRUE(Get(ui_->currentDevmode, dm::Flags1) & kFlags1ManualZoom);
    EXPECT_TRUE(Get(ui_->currentDevmode, dm::SavedFlags1) & kFlags1ManualZoom);
}

// An image wholly off the printable area only warns (810); the dialog closes and keeps it.
TEST_F(LayoutDialog, AnImageOffTheSheetWarnsAndIsKept) {
    Script script;
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kFrontTop), u"3000.0")); });
    script.steps.push_back([&](HWND d) {
        PlatQueueMessageBoxAnswer(IDOK);
        EXPECT_TRUE(PlatPressButton(d, IDOK));
    });
    EXPECT_EQ(Run(script), TRUE);
    EXPECT_FALSE(script.ranOut);
    ASSERT_EQ(PlatMessageBoxCount(), 1u);
    ExpectWarning(0, ids::kWarnImageOffSheet);
    EXPECT_EQ(PositionTop(ui_->currentDevmode, kLayoutFront), 30000);
}

// Over-range values are limited on OK; the text shows the limit.
TEST_F(LayoutDialog, OverRangeIsLimitedOnOk) {
    Script script;
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kFrontLeft), u"-9999.9")); });
    script.steps.push_back([&](HWND d) {
        PlatQueueMessageBoxAnswer(IDOK);  // far off the sheet: warning 810 as well
        EXPECT_TRUE(PlatPressButton(d, IDOK));
    });
    EXPECT_EQ(Run(script), TRUE);
    EXPECT_EQ(PositionLeft(ui_->currentDevmode, kLayoutFront), -32767);
}

TEST_F(LayoutDialog, CancelLeavesTheCurrentRecordAlone) {
    const DriverDevmode before = ui_->currentDevmode;
    Script script;
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kFrontTop), u"77.7")); });
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kInches))); });
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatPressButton(d, IDCANCEL)); });
    EXPECT_EQ(Run(script), FALSE);
    EXPECT_EQ(std::memcmp(before.bytes, ui_->currentDevmode.bytes, kDriverDevmodeSize), 0);
}

// OK copies the scratch record over the current one: the whole record of this build and nothing
// beyond it (the English record is the smaller of the two).
TEST_F(LayoutDialog, OkCopiesExactlyOneRecord) {
    std::memset(ui_->appliedDevmode.bytes, 0x5A, kDriverDevmodeSize);
    const PrinterConfigRecord configBefore = ui_->printerConfig;
    Script script;
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kFrontTop), u"20.0")); });
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatPressButton(d, IDOK)); });
    EXPECT_EQ(Run(script), TRUE);
    EXPECT_EQ(PositionTop(ui_->currentDevmode, kLayoutFront), 200);
    EXPECT_EQ(std::memcmp(ui_->currentDevmode.bytes, ui_->scratchDevmode.bytes, kDriverDevmodeSize), 0);
    for (BYTE b : ui_->appliedDevmode.bytes) ASSERT_EQ(b, 0x5A);
    EXPECT_EQ(std::memcmp(&configBefore, &ui_->printerConfig, sizeof configBefore), 0);
}

// Centring leaves equal gaps on both sides (within the rounding of one shown unit).
TEST_F(LayoutDialog, CentreButtonEqualisesTheGaps) {
    Script script;
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kFrontCentre))); });
    script.steps.push_back([&](HWND d) {
        EXPECT_NEAR(ShownValue(d, ids::kFrontTop, 1), ShownValue(d, ids::kFrontBottom, 1), 1);
        EXPECT_NEAR(ShownValue(d, ids::kFrontLeft, 1), ShownValue(d, ids::kFrontRight, 1), 1);
        EXPECT_TRUE(PlatPressButton(d, IDOK));
    });
    EXPECT_EQ(Run(script), TRUE);
    EXPECT_FALSE(script.ranOut);
    EXPECT_NE(PositionTop(ui_->currentDevmode, kLayoutFront), 123);
}

// Portrait, long-edge duplex, one page per sheet, not a rotated paper: the back keeps the front's
// top and takes its right gap as its left. "Same" copies the front as it is.
TEST_F(LayoutDialog, MirrorAndSameAsFrontPlaceTheBack) {
    WithBackSide();
    Set(ui_->currentDevmode, dm::Orientation, SHORT{DMORIENT_PORTRAIT});
    Script script;
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kMirrorFront))); });
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(TextOf(d, ids::kBackTop), TextOf(d, ids::kFrontTop));
        EXPECT_EQ(TextOf(d, ids::kBackLeft), TextOf(d, ids::kFrontRight));
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kSameAsFront)));
    });
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(TextOf(d, ids::kBackTop), u"12.3");
        EXPECT_EQ(TextOf(d, ids::kBackLeft), u"4.5");
        EXPECT_TRUE(PlatPressButton(d, IDOK));
    });
    EXPECT_EQ(Run(script), TRUE);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(PositionTop(ui_->currentDevmode, kLayoutBack), 123);
    EXPECT_EQ(PositionLeft(ui_->currentDevmode, kLayoutBack), 45);
}

// Defaults: the sheet's margins (5.0 mm for a paper the description does not list as output
// paper), millimetres, the printer's free-zoom choice, focus on the front top.
TEST_F(LayoutDialog, DefaultsRestorePositionsAndUnits) {
    Set(ui_->currentDevmode, dm::Flags1, Get(ui_->currentDevmode, dm::Flags1) | kFlags1LayoutInches);
    const bool defaultFreeZoom = (Get(ui_->defaultDevmode, dm::Flags1) & kFlags1ManualZoom) != 0;
    Script script;
    script.steps.push_back([&](HWND d) { EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kDefaults))); });
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(TextOf(d, ids::kFrontTop), u"5.0");
        EXPECT_EQ(TextOf(d, ids::kFrontLeft), u"5.0");
        EXPECT_EQ(TextOf(d, ids::kFrontTopUnit), u"mm");
        EXPECT_EQ(StateOf(d, ids::kMillimetres).checked, BST_CHECKED);
        EXPECT_EQ(StateOf(d, ids::kFreeZoom).checked, defaultFreeZoom ? BST_CHECKED : BST_UNCHECKED);
        EXPECT_TRUE(StateOf(d, ids::kFrontTop).focused);
        EXPECT_TRUE(PlatPressButton(d, IDOK));
    });
    EXPECT_EQ(Run(script), TRUE);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(PositionTop(ui_->currentDevmode, kLayoutFront), 50);
    EXPECT_FALSE(Get(ui_->currentDevmode, dm::Flags1) & kFlags1LayoutInches);
}

// A drag in the preview changes the scratch record and tells the dialog, which shows the values
// and keeps them on OK.
TEST_F(LayoutDialog, ThePreviewsChangesAreShown) {
    Script script;
    script.steps.push_back([&](HWND d) {
        SetPosition(ui_->scratchDevmode, kLayoutFront, 250, 150);
        SendMessageW(d, kMsgLayoutChanged, 0, 0);
        EXPECT_EQ(TextOf(d, ids::kFrontTop), u"25.0");
        EXPECT_EQ(TextOf(d, ids::kFrontLeft), u"15.0");
        EXPECT_TRUE(PlatPressButton(d, IDOK));
    });
    EXPECT_EQ(Run(script), TRUE);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(PositionTop(ui_->currentDevmode, kLayoutFront), 250);
    EXPECT_EQ(PositionLeft(ui_->currentDevmode, kLayoutFront), 150);
}

// ---- Context help ---------------------------------------------------------------------------------

class LayoutHelp : public LayoutDialog {
protected:
    void SetUp() override {
        LayoutDialog::SetUp();
        help_.Start(ui_.get());
    }
    void TearDown() override {
        help_.Stop();
        LayoutDialog::TearDown();
    }
    pages_test::HelpStandIn help_;
};

struct HelpCase {
    int control;
    int topic;
};
const HelpCase kHelpCases[] = {
    {ids::kPreview, 25093},  {ids::kPaperCaption, 25097}, {ids::kFrontTop, 25088},    {ids::kFrontCentre, 25094},
    {ids::kBackLeft, 25088}, {ids::kBackCentre, 25094},   {ids::kMirrorFront, 25095}, {ids::kSameAsFront, 25096},
    {ids::kFreeZoom, 25089}, {ids::kUnitGroup, 25090},    {ids::kMillimetres, 25091}, {ids::kInches, 25092},
};

TEST_F(LayoutHelp, F1OnAControlOpensItsTopic) {
    WithBackSide();
    Script script;
    script.steps.push_back([&](HWND d) {
        for (const HelpCase& c : kHelpCases) {
            EXPECT_TRUE(PlatPressF1(GetDlgItem(d, c.control))) << c.control;
            EXPECT_EQ(help_.Log(),
                      u"15 C:\\help\\orla.chm " + orla_ui_test::Widen(std::to_string(c.topic)) + u" -> window\n")
                << c.control;
            help_.reset();
        }
        EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
    });
    Run(script);
    EXPECT_FALSE(script.ranOut);
}

// ---- The basic page's button --------------------------------------------------------------------

using BasicPageLayout = pages_test::BasicPageSheet;

TEST_F(BasicPageLayout, LayoutDetailsButtonOpensTheDialog) {
    Set(ui_->currentDevmode, dm::LayoutMode, WORD{1});
    Script script;
    script.steps.push_back(
        [&](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(pages_test::PageOf(sheet), basic_ids::kLayoutDetails))); });
    script.steps.push_back([&](HWND dialog) {  // the innermost modal loop: the layout dialog
        ASSERT_TRUE(GetDlgItem(dialog, ids::kFrontTop));
        EXPECT_TRUE(PlatType(GetDlgItem(dialog, ids::kFrontTop), u"20.0"));
    });
    script.steps.push_back([&](HWND dialog) { EXPECT_TRUE(PlatPressButton(dialog, IDOK)); });
    script.steps.push_back([&](HWND sheet) {
        EXPECT_EQ(PositionTop(ui_->currentDevmode, kLayoutFront), 200);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, IDAPPLY)));  // the page told the sheet
        EXPECT_TRUE(PlatPressButton(sheet, IDOK));
    });
    EXPECT_EQ(Run(script), 1);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(PositionTop(ui_->appliedDevmode, kLayoutFront), 200);
}

}  // namespace
