// The image adjustment page driven as a user would: typed values are held to -100..100, the scroll
// bars move by their codes and stop at the ends, per-type mode edits only the chosen type's fields,
// common mode leaves them alone, "Restore Defaults" clears the group, an object type outside the
// three picks type 0, and the page looks as its reference pictures show. Field offsets are the
// Japanese build's, moved with the build.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "core/build_variant.h"
#include "plat/message_box.h"
#include "plat/threads.h"
#include "plat/window_render.h"
#include "plat/window_test.h"
#include "tests/pages/basic_page_sheet.h"
#include "tests/pages/page_sheet.h"
#include "tests/pages/reference_picture.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/context_help.h"
#include "ui/pages/image_adjust_page.h"
#include "win/property_sheet.h"
#include "win/registry.h"
#include "win/user_controls.h"

// Named, not anonymous: the unity batches put this file beside the other page tests.
namespace image_adjust_page_test {

using namespace orla;
using pages_test::Enabled;
using pages_test::PageOf;
using uitest::Script;
namespace ids = orla_res::image_page;

// The fields as the settings record lays them out.
constexpr DmField<WORD> kMode{HighOffset(7578)};
constexpr DmField<WORD> kObjectType{HighOffset(7580)};
constexpr DmField<DWORD> kFirstCommon{HighOffset(7584)};
constexpr DmField<DWORD> kFirstOfType[] = {{HighOffset(7588)}, {HighOffset(7592)}, {HighOffset(7596)}};
constexpr DmField<DWORD> kSecondCommon{HighOffset(7600)};
constexpr DmField<DWORD> kSecondOfType[] = {{HighOffset(7604)}, {HighOffset(7608)}, {HighOffset(7612)}};
constexpr DmField<DWORD> kFlags1{396};
constexpr DWORD kFlags1Bit12 = 0x00001000;
constexpr int kNoSpinPosition = -1000;
constexpr unsigned kGroupStart = HighOffset(7578), kGroupBytes = 38;

LONG Value(const DriverDevmode& r, DmField<DWORD> f) {
    return static_cast<LONG>(Get(r, f));
}
void SetValue(DriverDevmode& r, DmField<DWORD> f, LONG v) {
    Set(r, f, static_cast<DWORD>(v));
}

std::u16string TextOf(HWND dialog, int id) {
    WCHAR text[64] = {};
    GetDlgItemTextW(dialog, id, text, 64);
    return text;
}
std::u16string Digits(LONG value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}
int ScrollPosition(HWND dialog, int id) {
    return GetScrollPos(GetDlgItem(dialog, id), SB_CTL);
}
bool Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

class ImageAdjustPage : public pages_test::PageSheet {
protected:
    void SetUp() override {
        PageSheet::SetUp();
        if (HasFatalFailure()) return;
        if (!kJapaneseBuild) UseEnglishResources();
        if (HasFatalFailure()) return;
        // Icons and the picture come from the interface DLL's own resources.
        LoadInterfaceModule();
    }
    DriverDevmode& Current() { return ui_->currentDevmode; }
    // The page alone in a sheet; the script's first step sees it.
    INT_PTR Run(Script& script) { return RunPage(script, ids::kTemplate, ImageAdjustPageProc); }
    // Runs one step on the page, then closes the sheet with OK (Apply must be lit when `changes`).
    void OnPageThenOk(const std::function<void(HWND page)>& step, bool changes = true) {
        Script script;
        script.steps.push_back([&](HWND sheet) { step(PageOf(sheet)); });
        script.steps.push_back([&, changes](HWND sheet) {
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(sheet, IDAPPLY)) != FALSE, changes) << "the page told the sheet";
            EXPECT_TRUE(PlatPressButton(sheet, IDOK));
        });
        EXPECT_EQ(Run(script), 1);
        EXPECT_FALSE(script.ranOut);
    }
};

// ---- Rules --------------------------------------------------------------------------------------

// Every scroll code, from the middle and at the ends: lines and pages move by 1 and 20, the ends
// go to 0 and 200, the thumb moves by its travel from the bar's position, anything else stays;
// the result never leaves 0..200.
TEST(ImageAdjustRules, ScrollCodesMoveThePositionWithinTheRange) {
    struct Case {
        int code;
        int from;
        int thumb;
        int barAt;
        int expected;
    } const cases[] = {
        {SB_LINELEFT, 100, 0, 100, 99},
        {SB_LINERIGHT, 100, 0, 100, 101},
        {SB_PAGELEFT, 100, 0, 100, 80},
        {SB_PAGERIGHT, 100, 0, 100, 120},
        {SB_PAGERIGHT, 195, 0, 195, 200},
        {SB_PAGELEFT, 5, 0, 5, 0},
        {SB_LINELEFT, 0, 0, 0, 0},
        {SB_LINERIGHT, 200, 0, 200, 200},
        {SB_LEFT, 137, 0, 137, 0},
        {SB_RIGHT, 12, 0, 12, 200},
        {SB_THUMBPOSITION, 100, 150, 100, 150},
        {SB_THUMBTRACK, 100, 30, 100, 30},
        {SB_THUMBTRACK, 60, 90, 50, 100},
        {SB_THUMBPOSITION, 190, 200, 100, 200},
        {SB_THUMBTRACK, 10, 0, 150, 0},
        {SB_ENDSCROLL, 77, 0, 77, 77},
        {9, 77, 0, 77, 77},
        {-1, 77, 0, 77, 77},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScrolledAdjustPosition(c.from, c.code, c.thumb, c.barAt), c.expected)
            << "code " << c.code << " from " << c.from;
}

TEST(ImageAdjustRules, TypedTextGivesAValueInTheRange) {
    struct Case {
        BOOL isNumber;
        LONG number;
        LONG expected;
    } const cases[] = {{TRUE, 150, 100}, {TRUE, -250, -100}, {TRUE, 100, 100}, {TRUE, -100, -100},
                       {TRUE, 0, 0},     {TRUE, 37, 37},     {FALSE, 55, 0},   {TRUE, 0x7FFFFFFF, 100}};
    for (const Case& c : cases) EXPECT_EQ(EditedAdjustValue(c.isNumber, c.number), c.expected) << c.number;
}

// The mode and the object type pick the field; a type outside 0..2 is type 0, never a field past
// the three.
TEST(ImageAdjustRules, ModeAndObjectTypePickTheField) {
    struct Case {
        WORD mode;
        WORD type;
        unsigned first;
        unsigned second;
    } const cases[] = {
        {0, 1, HighOffset(7584), HighOffset(7600)},      {1, 0, HighOffset(7588), HighOffset(7604)},
        {1, 1, HighOffset(7592), HighOffset(7608)},      {1, 2, HighOffset(7596), HighOffset(7612)},
        {2, 2, HighOffset(7596), HighOffset(7612)},      {1, 3, HighOffset(7588), HighOffset(7604)},
        {1, 0xFFFF, HighOffset(7588), HighOffset(7604)},
    };
    for (const Case& c : cases) {
        auto r = std::make_unique<DriverDevmode>();
        Set(*r, kMode, c.mode);
        Set(*r, kObjectType, c.type);
        EXPECT_EQ(ShownAdjustField(*r, AdjustValue::kFirst).offset, c.first) << c.mode << " " << c.type;
        EXPECT_EQ(ShownAdjustField(*r, AdjustValue::kSecond).offset, c.second) << c.mode << " " << c.type;
        EXPECT_EQ(ShownObjectType(*r), c.type <= 2 ? c.type : 0);
    }
}

// The group lies where each build's record has it, wholly inside the record.
TEST(ImageAdjustRules, FieldsSitAtTheBuildsOffsets) {
    EXPECT_EQ(dm::ImageAdjustMode.offset, kJapaneseBuild ? 7578u : 3474u);
    EXPECT_EQ(dm::BrightnessCommon.offset, kJapaneseBuild ? 7584u : 3480u);
    EXPECT_EQ(dm::ContrastImages.offset, kJapaneseBuild ? 7612u : 3508u);
    EXPECT_EQ(kDriverDevmodeSize, kJapaneseBuild ? 220u + 8292u : 220u + 4188u);
    EXPECT_LE(FieldEnd(dm::ContrastImages), kDriverDevmodeSize);
}

TEST(ImageAdjustRules, PictureSitsLowerWithLargeFonts) {
    const POINT large = ImageAdjustPictureOrigin(0x0016000A);
    const POINT normal = ImageAdjustPictureOrigin(0x00100008);
    EXPECT_EQ(large.x, 25);
    EXPECT_EQ(large.y, 120);
    EXPECT_EQ(normal.x, 25);
    EXPECT_EQ(normal.y, 80);
}

// A stored value beyond the range is shown at its end (and scrolls from there without overflow).
TEST(ImageAdjustRules, StoredValueOutsideTheRangeIsShownAtItsEnd) {
    auto r = std::make_unique<DriverDevmode>();
    SetValue(*r, kFirstCommon, 0x7FFFFFFF);
    SetValue(*r, kSecondCommon, -5000);
    EXPECT_EQ(ShownAdjustValue(*r, AdjustValue::kFirst), 100);
    EXPECT_EQ(ShownAdjustValue(*r, AdjustValue::kSecond), -100);
}

// ---- The page -----------------------------------------------------------------------------------

// Typing into either edit: numbers beyond the range are set back to its end (edit and spin), text
// that is no number gives 0; the field takes the value and the scroll bar follows.
TEST_F(ImageAdjustPage, TypedValuesAreHeldToTheRange) {
    struct Case {
        const char16_t* typed;
        LONG value;
        const char16_t* shown;
        int spin;
    } const cases[] = {
        {u"150", 100, u"100", 100}, {u"-250", -100, u"-100", -100}, {u"text", 0, u"text", kNoSpinPosition},
        {u"42", 42, u"42", 42},     {u"-7", -7, u"-7", -7},
    };
    struct Row {
        int edit, spin, scroll;
        DmField<DWORD> field, other;
    } const rows[] = {{ids::kFirstEdit, ids::kFirstSpin, ids::kFirstScroll, kFirstCommon, kSecondCommon},
                      {ids::kSecondEdit, ids::kSecondSpin, ids::kSecondScroll, kSecondCommon, kFirstCommon}};
    for (const Row& row : rows) {
        for (const Case& c : cases) {
            Set(Current(), kMode, WORD{0});
            SetValue(Current(), row.field, 55);
            SetValue(Current(), row.other, -33);
            OnPageThenOk([&](HWND page) {
                EXPECT_TRUE(PlatType(GetDlgItem(page, row.edit), c.typed));
                EXPECT_EQ(TextOf(page, row.edit), c.shown);
                EXPECT_EQ(ScrollPosition(page, row.scroll), c.value + 100);
                // The spin reads its position from the edit: none while the edit holds no number.
                BOOL noNumber = FALSE;
                const auto spin = static_cast<int>(
                    SendDlgItemMessageW(page, row.spin, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&noNumber)));
                EXPECT_EQ(noNumber ? kNoSpinPosition : spin, c.spin);
            });
            EXPECT_EQ(Value(ui_->appliedDevmode, row.field), c.value) << row.edit;
            EXPECT_EQ(Value(ui_->appliedDevmode, row.other), -33) << "the other value stays";
        }
    }
}

// The scroll bar worked as a user works it: each code moves the value, stopping at -100 and 100;
// the edit follows.
TEST_F(ImageAdjustPage, ScrollBarMovesTheValueAndStopsAtTheEnds) {
    struct Case {
        LONG start;
        int code;
        int thumb;
        LONG expected;
    } const cases[] = {
        {95, SB_PAGERIGHT, 0, 100},  {0, SB_PAGERIGHT, 0, 20},  {-90, SB_PAGELEFT, 0, -100},
        {10, SB_LINERIGHT, 0, 11},   {10, SB_LINELEFT, 0, 9},   {100, SB_LINERIGHT, 0, 100},
        {-3, SB_LEFT, 0, -100},      {-3, SB_RIGHT, 0, 100},    {0, SB_THUMBPOSITION, 50, -50},
        {0, SB_THUMBTRACK, 175, 75}, {40, SB_ENDSCROLL, 0, 40},
    };
    for (const Case& c : cases) {
        SetValue(Current(), kFirstCommon, c.start);
        const bool changes = c.expected != c.start;
        OnPageThenOk(
            [&](HWND page) {
                EXPECT_TRUE(PlatScroll(GetDlgItem(page, ids::kFirstScroll), c.code, c.thumb));
                EXPECT_EQ(ScrollPosition(page, ids::kFirstScroll), c.expected + 100);
                EXPECT_EQ(TextOf(page, ids::kFirstEdit), Digits(c.expected));
            },
            changes);
        EXPECT_EQ(Value(ui_->appliedDevmode, kFirstCommon), c.expected) << "code " << c.code << " from " << c.start;
    }
}

// Per-type mode with graphics (type 1) shown: each scroll bar edits that type's field only.
TEST_F(ImageAdjustPage, PerTypeModeEditsTheShownTypeOnly) {
    DriverDevmode& r = Current();
    Set(r, kMode, WORD{1});
    Set(r, kObjectType, WORD{1});
    for (int t = 0; t < 3; ++t)
        SetValue(r, kFirstOfType[t], 10 * (t + 1)), SetValue(r, kSecondOfType[t], -10 * (t + 1));
    SetValue(r, kFirstCommon, 7);
    SetValue(r, kSecondCommon, -7);
    OnPageThenOk([&](HWND page) {
        EXPECT_TRUE(Checked(page, ids::kPerTypeMode));
        EXPECT_TRUE(Enabled(page, ids::kObjectTypes));
        EXPECT_EQ(SendDlgItemMessageW(page, ids::kObjectTypes, LB_GETITEMDATA,
                                      SendDlgItemMessageW(page, ids::kObjectTypes, LB_GETCURSEL, 0, 0), 0),
                  1);
        EXPECT_EQ(TextOf(page, ids::kFirstEdit), u"20");
        EXPECT_TRUE(PlatScroll(GetDlgItem(page, ids::kFirstScroll), SB_PAGERIGHT, 0));
        EXPECT_TRUE(PlatScroll(GetDlgItem(page, ids::kSecondScroll), SB_LINELEFT, 0));
    });
    const DriverDevmode& a = ui_->appliedDevmode;
    EXPECT_EQ(Value(a, kFirstOfType[1]), 40);
    EXPECT_EQ(Value(a, kSecondOfType[1]), -21);
    EXPECT_EQ(Value(a, kFirstCommon), 7);
    EXPECT_EQ(Value(a, kSecondCommon), -7);
    EXPECT_EQ(Value(a, kFirstOfType[0]), 10);
    EXPECT_EQ(Value(a, kFirstOfType[2]), 30);
    EXPECT_EQ(Value(a, kSecondOfType[0]), -10);
    EXPECT_EQ(Value(a, kSecondOfType[2]), -30);
}

// Choosing another type in the list shows its values; switching to common mode shows the common
// values, greys the list and keeps every per-type value.
TEST_F(ImageAdjustPage, ModesAndTypesSwitchWhatIsShownAndKeepTheValues) {
    DriverDevmode& r = Current();
    Set(r, kMode, WORD{1});
    Set(r, kObjectType, WORD{0});
    for (int t = 0; t < 3; ++t)
        SetValue(r, kFirstOfType[t], 11 * (t + 1)), SetValue(r, kSecondOfType[t], -11 * (t + 1));
    SetValue(r, kFirstCommon, 5);
    SetValue(r, kSecondCommon, 6);
    OnPageThenOk([&](HWND page) {
        EXPECT_TRUE(PlatChoose(GetDlgItem(page, ids::kObjectTypes), 2));
        EXPECT_EQ(TextOf(page, ids::kFirstEdit), u"33");
        EXPECT_EQ(TextOf(page, ids::kSecondEdit), u"-33");
        EXPECT_EQ(ScrollPosition(page, ids::kSecondScroll), 67);
        EXPECT_TRUE(PlatClick(GetDlgItem(page, ids::kCommonMode)));
        EXPECT_TRUE(Checked(page, ids::kCommonMode));
        EXPECT_FALSE(Checked(page, ids::kPerTypeMode));
        EXPECT_FALSE(Enabled(page, ids::kObjectTypes));
        EXPECT_FALSE(Enabled(page, ids::kObjectTypeLabel));
        EXPECT_EQ(SendDlgItemMessageW(page, ids::kObjectTypes, LB_GETCURSEL, 0, 0), LB_ERR);
        EXPECT_EQ(TextOf(page, ids::kFirstEdit), u"5");
        EXPECT_EQ(TextOf(page, ids::kSecondEdit), u"6");
        EXPECT_EQ(ScrollPosition(page, ids::kFirstScroll), 105);
    });
    const DriverDevmode& a = ui_->appliedDevmode;
    EXPECT_EQ(Get(a, kMode), 0);
    EXPECT_EQ(Get(a, kObjectType), 2);
    for (int t = 0; t < 3; ++t) {
        EXPECT_EQ(Value(a, kFirstOfType[t]), 11 * (t + 1)) << t;
        EXPECT_EQ(Value(a, kSecondOfType[t]), -11 * (t + 1)) << t;
    }
    EXPECT_EQ(Value(a, kFirstCommon), 5);
    EXPECT_EQ(Value(a, kSecondCommon), 6);
}

// The list's entries are the three types' names with the types as item data; the per-type radio
// enables the list with the shown type selected.
TEST_F(ImageAdjustPage, ObjectTypeListNamesTheThreeTypes) {
    const std::u16string expected[] = {kJapaneseBuild ? u"テキスト" : u"Text",
                                       kJapaneseBuild ? u"グラフィックス" : u"Graphics",
                                       kJapaneseBuild ? u"イメージ" : u"Images"};
    Set(Current(), kMode, WORD{0});
    Set(Current(), kObjectType, WORD{2});
    OnPageThenOk([&](HWND page) {
        EXPECT_FALSE(Enabled(page, ids::kObjectTypes));
        ASSERT_EQ(SendDlgItemMessageW(page, ids::kObjectTypes, LB_GETCOUNT, 0, 0), 3);
        for (int i = 0; i < 3; ++i) {
            WCHAR text[64] = {};
            SendDlgItemMessageW(page, ids::kObjectTypes, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            const auto data = SendDlgItemMessageW(page, ids::kObjectTypes, LB_GETITEMDATA, i, 0);
            ASSERT_TRUE(data >= 0 && data < 3);
            EXPECT_EQ(std::u16string(text), expected[data]);
        }
        EXPECT_TRUE(PlatClick(GetDlgItem(page, ids::kPerTypeMode)));
        EXPECT_TRUE(Enabled(page, ids::kObjectTypes));
        EXPECT_TRUE(Enabled(page, ids::kObjectTypeLabel));
        const auto sel = SendDlgItemMessageW(page, ids::kObjectTypes, LB_GETCURSEL, 0, 0);
        EXPECT_EQ(SendDlgItemMessageW(page, ids::kObjectTypes, LB_GETITEMDATA, sel, 0), 2);
    });
    EXPECT_EQ(Get(ui_->appliedDevmode, kMode), 1);
}

// A record whose object type is outside the three: the page shows and edits type 0 and writes
// nothing past the group.
TEST_F(ImageAdjustPage, ObjectTypeOutsideTheThreeEditsTypeZero) {
    DriverDevmode& r = Current();
    Set(r, kMode, WORD{1});
    Set(r, kObjectType, WORD{9});
    SetValue(r, kFirstOfType[0], 3);
    const DWORD after = Get(r, DmField<DWORD>{HighOffset(7616)});
    OnPageThenOk([&](HWND page) {
        EXPECT_EQ(TextOf(page, ids::kFirstEdit), u"3");
        EXPECT_TRUE(PlatScroll(GetDlgItem(page, ids::kFirstScroll), SB_LINERIGHT, 0));
    });
    EXPECT_EQ(Value(ui_->appliedDevmode, kFirstOfType[0]), 4);
    EXPECT_EQ(Get(ui_->appliedDevmode, DmField<DWORD>{HighOffset(7616)}), after);
}

// "Restore Defaults": the 38 bytes of the group become 0, bit 12 of DWORD 396 is set, and the
// common radio gets the focus.
TEST_F(ImageAdjustPage, RestoreDefaultsClearsTheGroup) {
    DriverDevmode& r = Current();
    Set(r, kFlags1, Get(r, kFlags1) & ~kFlags1Bit12);
    Set(r, kMode, WORD{1});
    Set(r, kObjectType, WORD{2});
    for (int t = 0; t < 3; ++t) SetValue(r, kFirstOfType[t], 50 + t), SetValue(r, kSecondOfType[t], -50 - t);
    SetValue(r, kFirstCommon, 12);
    SetValue(r, kSecondCommon, 13);
    bool focused = false;
    OnPageThenOk([&](HWND page) {
        EXPECT_TRUE(PlatClick(GetDlgItem(page, ids::kRestoreDefaults)));
        PLAT_CONTROL_STATE state{};
        ASSERT_TRUE(PlatReadControl(GetDlgItem(page, ids::kCommonMode), &state));
        focused = state.focused;
        EXPECT_TRUE(Checked(page, ids::kCommonMode));
        EXPECT_EQ(TextOf(page, ids::kFirstEdit), u"0");
        EXPECT_EQ(ScrollPosition(page, ids::kSecondScroll), 100);
    });
    EXPECT_TRUE(focused);
    const DriverDevmode& a = ui_->appliedDevmode;
    for (unsigned i = 0; i < kGroupBytes; ++i) EXPECT_EQ(a.bytes[kGroupStart + i], 0) << "byte " << i;
    EXPECT_EQ(Get(a, kFlags1) & kFlags1Bit12, kFlags1Bit12);
}

// Opening the page and leaving it with OK changes nothing and does not light Apply; a stored value
// beyond the range shows at its end.
TEST_F(ImageAdjustPage, OpeningThePageChangesNothing) {
    SetValue(Current(), kFirstCommon, -42);
    SetValue(Current(), kSecondCommon, 0);
    OnPageThenOk(
        [&](HWND page) {
            EXPECT_EQ(TextOf(page, ids::kFirstEdit), u"-42");
            EXPECT_EQ(ScrollPosition(page, ids::kFirstScroll), 58);
            EXPECT_EQ(ScrollPosition(page, ids::kSecondScroll), 100);
            EXPECT_TRUE(Checked(page, ids::kCommonMode));
        },
        false);
    EXPECT_EQ(Value(ui_->appliedDevmode, kFirstCommon), -42);
}

// ---- Help --------------------------------------------------------------------------------------

class ImageAdjustHelp : public ImageAdjustPage {
protected:
    void SetUp() override {
        ImageAdjustPage::SetUp();
        if (HasFatalFailure()) return;
        help_.Start(ui_.get());
    }
    void TearDown() override {
        help_.Stop();
        ImageAdjustPage::TearDown();
    }
    pages_test::HelpStandIn help_;
};

// F1 on a control opens its topic from the page's table; the Help button opens the page's topic.
TEST_F(ImageAdjustHelp, F1OpensEachControlsTopicAndHelpThePages) {
    struct Case {
        int control;
        DWORD topic;
    } const cases[] = {
        {ids::kModeGroup, 0x5600},       {ids::kCommonMode, 0x5601},   {ids::kPerTypeMode, 0x5602},
        {ids::kFirstEdit, 0x5604},       {ids::kFirstScroll, 0x5604},  {ids::kFirstSpin, 0x5604},
        {ids::kSecondEdit, 0x5605},      {ids::kSecondScroll, 0x5605}, {ids::kSecondIcon, 0x5605},
        {ids::kRestoreDefaults, 0x5019},
    };
    Set(Current(), kMode, WORD{1});  // the list takes input
    Script script;
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        for (const Case& c : cases) {
            help_.reset();
            EXPECT_TRUE(PlatPressF1(GetDlgItem(page, c.control))) << c.control;
            EXPECT_EQ(help_.Log(), u"15 C:\\help\\orla.chm " + Digits(static_cast<LONG>(c.topic)) + u" -> window\n")
                << "F1 on " << c.control;
        }
        help_.reset();
        EXPECT_TRUE(PlatClick(GetDlgItem(page, ids::kHelp)));
        EXPECT_EQ(help_.Log(), u"15 C:\\help\\orla.chm 32785 -> window\n");
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    Run(script);
    EXPECT_FALSE(script.ranOut);
}

// ---- Pictures -----------------------------------------------------------------------------------

using pages_test::ExpectWindowLikeReference;

TEST_F(ImageAdjustPage, PageLooksAsItsReferences) {
    DriverDevmode& r = Current();
    Set(r, kMode, WORD{0});
    SetValue(r, kFirstCommon, 25);
    SetValue(r, kSecondCommon, -40);
    SetValue(r, kFirstOfType[1], -60);
    SetValue(r, kSecondOfType[1], 80);
    Set(r, kObjectType, WORD{1});
    Script script;
    script.steps.push_back([&](HWND sheet) { ExpectWindowLikeReference(sheet, "image_adjust_page"); });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kPerTypeMode))); });
    script.steps.push_back([&](HWND sheet) { ExpectWindowLikeReference(sheet, "image_adjust_page_per_type"); });
    script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
    EXPECT_FALSE(script.ranOut);
}

}  // namespace image_adjust_page_test
