// The print-time dialog's panels: every control a user changes writes its field of the settings
// record (and the field's remembered copy) and sets the panel's hint, as one table; the pages per
// sheet's print positions; the stamp combo's numbering; the bitmap choosers of the preview.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/pages/job_settings_fixture.h"

namespace {

using namespace orla;
using pages_test::ControlState;
using uitest::Script;
namespace js = orla_res::job_settings;

enum class Act { kClick, kChoose };
// What the user does to one control (control 0: nothing).
struct UserStep {
    int control;
    Act act;
    int choice;  // combo index
};
struct PanelCase {
    const char* what;
    UINT category;  // with the Duplex and LCS options: all eight
    int control;
    Act act;
    int choice;  // combo index
    std::function<void(DriverDevmode&)> before;
    std::function<void(const DriverDevmode&)> expect;
    UINT hint;  // the hint line's text afterwards (0: empty)
    // Done in the dialog before the control: a setting that makes the control available.
    UserStep first = {};
};

// Several pages a sheet, chosen in the combo: the order, frame kind and page frame apply only then.
constexpr UserStep kChooseFourPages = {js::kPagesPerSheet, Act::kChoose, 2};
// Two-sided printing: the binding side applies only then.
constexpr UserStep kChooseLongEdge = {js::kLongEdge, Act::kClick, 0};

void Do(HWND dialog, const UserStep& step, const char* what) {
    HWND control = GetDlgItem(dialog, step.control);
    ASSERT_TRUE(ControlState(dialog, step.control).visible) << what;
    if (step.act == Act::kClick)
        EXPECT_TRUE(PlatClick(control)) << what;
    else
        EXPECT_TRUE(PlatChoose(control, step.choice)) << what;
}

DWORD F(const DriverDevmode& r) {
    return Get(r, dm::Flags1);
}
DWORD Saved(const DriverDevmode& r) {
    return Get(r, dm::SavedFlags1);
}
void ClearFlags(DriverDevmode& r, DWORD bits) {
    Set(r, dm::Flags1, F(r) & ~bits);
    Set(r, dm::SavedFlags1, Saved(r) & ~bits);
}

// Job separation as the pages set it up: A4 from the automatic slot and two installed feeders in
// the tray set.
constexpr SHORT kAutomaticSlot = 1;  // the sample's "AUTO" slot
void SeparationReady(DriverDevmode& r) {
    SetText(r, dm::FormName, u"A4");
    SetText(r, dm::PrevFormName, u"A4");
    AsDevmode(r)->dmDefaultSource = kAutomaticSlot;
    Set(r, dm::PrevDefaultSource, static_cast<WORD>(kAutomaticSlot));
    for (unsigned pair : {dm::kFeeder1, dm::kFeeder2})
        Set(r, dm::DeviceState(pair), static_cast<WORD>(Get(r, dm::DeviceState(pair)) | dm::kDeviceInstalled));
    Set(r, dm::TraySet, DWORD{0x3});
}

using JobSettingsPanels = pages_test::JobSettingsDialog;

TEST_F(JobSettingsPanels, EachControlWritesItsFieldAndCopy) {
    const PanelCase cases[] = {
        {"pages per sheet 4", 0, js::kPagesPerSheet, Act::kChoose, 2,
         [](DriverDevmode& r) { Set(r, dm::LayoutMode, WORD{1}); },
         [](const DriverDevmode& r) {
             EXPECT_EQ(Get(r, dm::LayoutMode), 4);
             EXPECT_EQ(Get(r, dm::SavedLayoutMode), 4);
             EXPECT_EQ(Get(r, dm::PrintPosTop), 100u);
             EXPECT_EQ(Get(r, dm::PrintPosLeft2), 100u);
         },
         0},
        {"page order 3", 0, js::kOrder3, Act::kClick, 0, [](DriverDevmode& r) { Set(r, dm::LayoutOrder, WORD{0}); },
         [](const DriverDevmode& r) {
             EXPECT_EQ(Get(r, dm::LayoutMode), 4);
             EXPECT_EQ(Get(r, dm::LayoutOrder), 3);
             EXPECT_EQ(Get(r, dm::SavedLayoutOrder), 3);
         },
         0, kChooseFourPages},
        {"page frame", 0, js::kPageFrame, Act::kClick, 0, [](DriverDevmode& r) { ClearFlags(r, kFlags1PageFrame); },
         [](const DriverDevmode& r) {
             EXPECT_TRUE(F(r) & 0x200);
             EXPECT_TRUE(Saved(r) & 0x200);
         },
         0, kChooseFourPages},
        {"frame kind 2", 0, js::kFrameKind, Act::kChoose, 2, [](DriverDevmode& r) { Set(r, dm::FrameKind, WORD{0}); },
         [](const DriverDevmode& r) {
             EXPECT_EQ(Get(r, dm::FrameKind), 2);
             EXPECT_EQ(Get(r, dm::SavedFrameKind), 2);
         },
         0, kChooseFourPages},
        {"short edge", 1, js::kShortEdge, Act::kClick, 0, [](DriverDevmode& r) { Set(r, dm::Duplex, SHORT{1}); },
         [](const DriverDevmode& r) {
             EXPECT_EQ(Get(r, dm::Duplex), 3);
             EXPECT_EQ(Get(r, dm::PrevDuplex), 3);
         },
         js::kHintDuplex},
        {"binding back", 1, js::kBindBack, Act::kClick, 0,
         [](DriverDevmode& r) { Set(r, dm::Duplex, SHORT{1}), ClearFlags(r, kFlags1BindingBack); },
         [](const DriverDevmode& r) {
             EXPECT_EQ(Get(r, dm::Duplex), 2);
             EXPECT_TRUE(F(r) & 0x100);
             EXPECT_TRUE(Saved(r) & 0x100);
         },
         0, kChooseLongEdge},
        {"stamp on", 2, js::kStampOn, Act::kClick, 0, [](DriverDevmode& r) { Set(r, dm::StampDrawFlag, DWORD{0}); },
         [](const DriverDevmode& r) { EXPECT_EQ(Get(r, dm::StampDrawFlag), 1u); }, js::kHintStamp},
        {"first stamp is stamp 1", 2, js::kStampChoice, Act::kChoose, 0,
         [](DriverDevmode& r) { Set(r, dm::StampDrawFlag, DWORD{1}), Set(r, dm::StampNumber, DWORD{3}); },
         [](const DriverDevmode& r) {
             EXPECT_EQ(Get(r, dm::StampNumber), 1u);
             EXPECT_EQ(Get(r, dm::StampDrawFlag), 1u);
         },
         js::kHintStamp},
        {"annotation on", 3, js::kAnnotationOn, Act::kClick, 0,
         [](DriverDevmode& r) { Set(r, dm::AnnotationOn, DWORD{0}); },
         [](const DriverDevmode& r) { EXPECT_EQ(Get(r, dm::AnnotationOn), 1u); }, js::kHintAnnotation},
        {"annotation kind 8", 3, js::kAnnotationKind, Act::kChoose, 8,
         [](DriverDevmode& r) { Set(r, dm::AnnotationOn, DWORD{1}); },
         [](const DriverDevmode& r) { EXPECT_EQ(Get(r, dm::AnnotationKind), 8u); }, js::kHintAnnotation},
        {"annotation position bottom left", 3, js::kAnnotationPosition, Act::kChoose, 3,
         [](DriverDevmode& r) { Set(r, dm::AnnotationOn, DWORD{1}); },
         [](const DriverDevmode& r) { EXPECT_EQ(Get(r, dm::AnnotationPosition), 6u); }, js::kHintAnnotation},
        // The sample printer reports no configuration of its own: reprint is forced off and the
        // user's choice waits in the remembered copy, as the hint says.
        {"reprint without a reported configuration", 7, js::kReprint, Act::kClick, 0,
         [](DriverDevmode& r) { ClearFlags(r, kFlags1Reprint); },
         [](const DriverDevmode& r) {
             EXPECT_FALSE(F(r) & 0x20);
             EXPECT_TRUE(Saved(r) & 0x20);
         },
         js::kHintReprint},
        // Output tray 2 as the device page chooses it: the tray and its remembered copy.
        {"offset stacking", 6, js::kOffsetStacking, Act::kClick, 0,
         [](DriverDevmode& r) {
             Set(r, dm::OutputTray, WORD{2}), Set(r, dm::SavedOutputTray, WORD{2});
             Set(r, dm::OffsetStacking, DWORD{0});
         },
         [](const DriverDevmode& r) {
             EXPECT_EQ(Get(r, dm::OffsetStacking), 1u);
             EXPECT_EQ(Get(r, dm::SavedOffsetStacking), 1u);
         },
         0},
        {"coupled: job separation sets collate", 5, js::kJobSeparate, Act::kClick, 0,
         [](DriverDevmode& r) {
             SeparationReady(r);
             ClearFlags(r, kFlags1Collate | kFlags1JobSeparate);
             Set(r, dm::Flags1, F(r) | kFlags1CollateSeparate),
                 Set(r, dm::SavedFlags1, Saved(r) | kFlags1CollateSeparate);
         },
         [](const DriverDevmode& r) {
             EXPECT_TRUE(F(r) & 0x8);
             EXPECT_TRUE(F(r) & 0x4);
             EXPECT_TRUE(Saved(r) & 0x4);
         },
         js::kHintCollate},
        {"coupled: collate off clears job separation", 4, js::kCollate, Act::kClick, 0,
         [](DriverDevmode& r) {
             SeparationReady(r);
             const DWORD bits = kFlags1Collate | kFlags1JobSeparate | kFlags1CollateSeparate;
             Set(r, dm::Flags1, F(r) | bits), Set(r, dm::SavedFlags1, Saved(r) | bits);
         },
         [](const DriverDevmode& r) {
             EXPECT_FALSE(F(r) & 0x4);
             EXPECT_FALSE(F(r) & 0x8);
             EXPECT_FALSE(Saved(r) & 0x8);
         },
         js::kHintCollateOn},
    };
    for (const PanelCase& c : cases) {
        ui_->currentDevmode = ui_->defaultDevmode;
        c.before(ui_->currentDevmode);
        Set(ui_->currentDevmode, dm::DialogCategory, static_cast<WORD>(c.category));
        PlatResetMessageBoxes();
        Script script;
        if (c.first.control) script.steps.push_back([&](HWND d) { Do(d, c.first, c.what); });
        script.steps.push_back([&](HWND d) {
            Do(d, {c.control, c.act, c.choice}, c.what);
            const std::u16string hint = c.hint ? orla_ui_test::ResourceText(printer_, c.hint) : u"";
            EXPECT_EQ(ControlState(d, js::kHint).text, hint) << c.what;
            EXPECT_TRUE(PlatPressButton(d, js::kOk));
        });
        Run(script);
        c.expect(ui_->appliedDevmode);
        if (testing::Test::HasFailure()) ADD_FAILURE() << "in case " << c.what;
        if (testing::Test::HasFailure()) break;
    }
}

// The layout panel shows its controls as the constraint pass switches them: the frame and order
// need several pages a sheet, the last two orders more than two; controls no rule switches come
// back enabled when their panel returns.
TEST_F(JobSettingsPanels, ControlsFollowTheConstraintPassAcrossPanels) {
    struct Expected {
        int control;
        bool enabled;
    };
    struct Step {
        const char* what;
        UserStep act;
        std::vector<Expected> expected;
    };
    const std::vector<Expected> kOnePage = {{js::kPagesPerSheet, true},
                                            {js::kFrameKind, false},
                                            {js::kPageFrame, false},
                                            {js::kOrder0, true},
                                            {js::kOrder3, false}};
    const std::vector<Expected> kFourPages = {
        {js::kFrameKind, true}, {js::kPageFrame, true}, {js::kOrder2, true}, {js::kOrder3, true}};
    const Step steps[] = {
        {"opened on one page a sheet", {}, kOnePage},
        {"four pages a sheet", kChooseFourPages, kFourPages},
        {"two pages a sheet",
         {js::kPagesPerSheet, Act::kChoose, 1},
         {{js::kFrameKind, true}, {js::kOrder1, true}, {js::kOrder2, false}, {js::kOrder3, false}}},
        {"back to four", kChooseFourPages, kFourPages},
        {"the two-sided panel",
         {js::kCategories, Act::kClick, 1},
         {{js::kSimplex, true}, {js::kLongEdge, true}, {js::kShortEdge, true}, {js::kFrameKind, false}}},
        {"the layout panel again", {js::kCategories, Act::kClick, 0}, kFourPages},
    };
    ui_->currentDevmode = ui_->defaultDevmode;
    Set(ui_->currentDevmode, dm::LayoutMode, WORD{1});
    Set(ui_->currentDevmode, dm::SavedLayoutMode, WORD{1});
    Set(ui_->currentDevmode, dm::DialogCategory, WORD{0});
    Script script;
    for (const Step& step : steps)
        script.steps.push_back([&step](HWND d) {
            if (step.act.control == js::kCategories)
                EXPECT_TRUE(PlatClickListItem(GetDlgItem(d, js::kCategories), step.act.choice)) << step.what;
            else if (step.act.control)
                Do(d, step.act, step.what);
            for (const Expected& e : step.expected)
                EXPECT_EQ(ControlState(d, e.control).enabled != FALSE, e.enabled) << step.what << ": " << e.control;
        });
    script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatPressButton(d, js::kOk)); });
    Run(script);
    EXPECT_EQ(Get(ui_->appliedDevmode, dm::LayoutMode), 4);
}

// ---- The bitmap choosers ----
TEST(JobSettingsPreviewBitmaps, PagePictures) {
    struct Case {
        int shape;
        BOOL collate;
        int duplex;
        WORD id;
    };
    const Case cases[] = {{1, FALSE, 1, 3111}, {2, FALSE, 1, 3112}, {1, FALSE, 2, 3113}, {0, FALSE, 2, 3114},
                          {1, FALSE, 3, 3115}, {2, FALSE, 3, 3116}, {1, TRUE, 1, 3117},  {2, TRUE, 1, 3118},
                          {1, TRUE, 2, 3119},  {2, TRUE, 2, 3120},  {1, TRUE, 3, 3121},  {2, TRUE, 3, 3122},
                          {1, TRUE, 7, 3111},  {2, FALSE, 0, 3111}};
    for (const Case& c : cases)
        EXPECT_EQ(GetPreviewPageBitmapId(c.shape, c.collate, c.duplex), c.id) << c.shape << c.collate << c.duplex;
}

TEST(JobSettingsPreviewBitmaps, OverlayAndPagesPerSheet) {
    EXPECT_EQ(GetPreviewOverlayBitmapId(1), 3125);
    EXPECT_EQ(GetPreviewOverlayBitmapId(0), 3123);
    EXPECT_EQ(GetPreviewOverlayBitmapId(2), 3123);
    struct Case {
        int shape, pages;
        WORD id;
    };
    const Case cases[] = {{1, 4, 3128}, {1, 6, 3129},  {1, 8, 3130}, {1, 9, 3131}, {1, 16, 3132},
                          {1, 2, 3127}, {2, 2, 3133},  {2, 4, 3134}, {2, 6, 3135}, {0, 8, 3136},
                          {2, 9, 3137}, {2, 16, 3138}, {2, 3, 3127}, {1, 1, 3127}};
    for (const Case& c : cases) EXPECT_EQ(GetPreviewNupBitmapId(c.shape, c.pages), c.id) << c.shape << " " << c.pages;
}

TEST(JobSettingsPreviewBitmaps, FinishMarks) {
    struct Case {
        int shape;
        DWORD flag;
        int order;
        WORD id;
    };
    const Case cases[] = {{1, 1, 0, 8244}, {1, 1, 1, 8242}, {1, 1, 2, 8246}, {1, 1, 3, 8248}, {2, 1, 0, 8250},
                          {2, 1, 1, 8252}, {2, 1, 2, 8254}, {2, 1, 3, 8256}, {1, 0, 1, 8243}, {1, 0, 2, 8245},
                          {1, 0, 3, 8247}, {2, 0, 0, 8249}, {2, 0, 1, 8251}, {2, 0, 2, 8253}, {2, 0, 3, 8255},
                          {1, 0, 0, 8241}, {1, 1, 4, 8241}, {2, 0, -1, 8241}};
    for (const Case& c : cases)
        EXPECT_EQ(GetPreviewFinishBitmapId(c.shape, c.flag, 9, c.order), c.id) << c.shape << c.flag << c.order;
}

TEST(JobSettingsPreviewBitmaps, ValueStrings) {
    const std::pair<DWORD, UINT> kinds[] = {{0, 590}, {1, 591}, {8, 598}, {9, 590}};
    for (auto [v, id] : kinds) EXPECT_EQ(GetValueStringId590(v), id) << v;
    const std::pair<DWORD, UINT> places[] = {{0, 580}, {1, 581}, {2, 582}, {3, 583}, {8, 588}, {9, 582}};
    for (auto [v, id] : places) EXPECT_EQ(GetValueStringId580(v), id) << v;
}

TEST(JobSettingsPreviewBitmaps, SummaryLinesByOptions) {
    DriverDevmode r{};
    Set(r, dm::Duplex, SHORT{2});
    Set(r, dm::Flags1, DWORD{0x4 | 0x20});
    Set(r, dm::OffsetStacking, DWORD{1});
    Set(r, dm::DeviceState(dm::kDuplex), dm::kDeviceInstalled);
    Set(r, dm::DeviceState(dm::kLcs), dm::kDeviceInstalled);
    std::vector<std::u16string> both = {u"両面印刷: ON", u"丁合い: ON", u"ジョブセパレート: OFF",
                                        u"オフセット排紙: ON"};
    if (kJapaneseBuild) both.push_back(u"リプリント: ON");
    EXPECT_EQ(JobSummaryLines(r), both);
    Set(r, dm::DeviceState(dm::kDuplex), WORD{0});
    Set(r, dm::DeviceState(dm::kLcs), WORD{0});
    std::vector<std::u16string> neither = {u"丁合い: ON", u"ジョブセパレート: OFF"};
    if (kJapaneseBuild) neither.push_back(u"リプリント: ON");
    EXPECT_EQ(JobSummaryLines(r), neither);
}

TEST(JobSettingsPreviewBitmaps, TwoWordNamesSplitAtTheBar) {
    EXPECT_EQ(CategoryNameLines(u"両面|印刷"), (std::vector<std::u16string>{u"両面", u"印刷"}));
    EXPECT_EQ(CategoryNameLines(u"Stamp"), (std::vector<std::u16string>{u"Stamp"}));
}

}  // namespace
