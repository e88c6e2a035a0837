// The device sheet's pages driven as a user would: each control writes its field of the record,
// "Restore Defaults" brings back the device bits, the options page keeps the printer's own
// configuration out of the user's hands, the tables' dialogs get the read-only bit, and the pages
// look as their reference pictures show.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plat/window_render.h"
#include "resources/lang/device_tables_ids.h"
#include "tests/pages/device_sheet.h"
#include "tests/pages/reference_picture.h"
#include "win/user_paint.h"

// Named, not anonymous: the unity batches put this file beside the other page tests.
namespace device_pages_test {

using namespace orla;
using namespace pages_test::device_fields;
using orla_res::device_page::kAccountStore;
using pages_test::Enabled;
using pages_test::LineWithData;
using pages_test::PageOf;
using uitest::Script;
namespace ids = orla_res::device_page;

using DevicePages = pages_test::DeviceSheet;

// ---- Device settings page ---------------------------------------------------------------------

// Each combo writes its bit of DWORD 400: the first choice of items 455, 456 and 765 sets it, the
// second of 774 sets it; 456 also writes its copy at 792.
TEST_F(DevicePages, EachSettingsComboWritesItsBit) {
    struct Case {
        int combo;
        int setIndex;
        DWORD bit;
        bool copied;
    } const cases[] = {
        {ids::kGlyphs, 0, 0x100, false},
        {ids::kMargins, 0, 0x200, true},
        {ids::kHeaderLimit, 0, 0x400, false},
        {ids::kAccountStore, 1, 0x100000, false},
    };
    for (const Case& c : cases) {
        for (bool set : {true, false}) {
            DriverDevmode& r = ui_->currentDevmode;
            Set(r, kFlags2, set ? Get(r, kFlags2) & ~c.bit : Get(r, kFlags2) | c.bit);
            Set(r, kFlags2Copy, set ? Get(r, kFlags2Copy) & ~c.bit : Get(r, kFlags2Copy) | c.bit);
            const DWORD others = Get(r, kFlags2) & ~c.bit;
            Script script;
            script.steps.push_back([&, c, set](HWND sheet) {
                EXPECT_TRUE(PlatChoose(GetDlgItem(PageOf(sheet), c.combo), set ? c.setIndex : 1 - c.setIndex))
                    << c.combo;
            });
            script.steps.push_back([&](HWND sheet) {
                EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, IDAPPLY))) << "the page told the sheet";
                EXPECT_TRUE(PlatPressButton(sheet, IDOK));
            });
            EXPECT_EQ(Run(script), 1);
            const DriverDevmode& applied = ui_->appliedDevmode;
            EXPECT_EQ(Get(applied, kFlags2) & c.bit, set ? c.bit : 0u) << c.combo << " " << set;
            // The account store brings the saved account flags (bits 21 to 24) along.
            const DWORD untouched = c.bit == 0x100000 ? ~(c.bit | 0x01E00000u) : ~c.bit;
            EXPECT_EQ(Get(applied, kFlags2) & untouched, others & untouched) << c.combo;
            if (c.copied) {
                EXPECT_EQ(Get(applied, kFlags2Copy) & c.bit, set ? c.bit : 0u) << c.combo;
            }
        }
    }
}

// "Restore Defaults" takes bits 8, 9, 10, 12, 13 and 20 of DWORD 400 from the defaults (9 also
// into 792), leaves every other bit, and gives the account store combo the focus.
TEST_F(DevicePages, RestoreDefaultsTakesTheDeviceBitsFromTheDefaults) {
    constexpr DWORD kRestored = 0x00103700;
    DriverDevmode& d = ui_->defaultDevmode;
    DriverDevmode& r = ui_->currentDevmode;
    Set(d, kFlags2, (Get(d, kFlags2) & ~kRestored) | 0x00001500);  // 8, 10 and 12 on; 9, 13 and 20 off
    Set(r, kFlags2, (Get(r, kFlags2) | kRestored) & ~0x00001500u);
    Set(r, kFlags2, Get(r, kFlags2) ^ 0x00400001);  // bits no default touches
    Set(r, kFlags2Copy, Get(r, kFlags2Copy) | 0x200);
    const DWORD others = Get(r, kFlags2) & ~kRestored;
    bool focused = false;
    Script script;
    script.steps.push_back(
        [&](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kRestoreDefaults))); });
    script.steps.push_back([&](HWND sheet) {
        PLAT_CONTROL_STATE store{};
        ASSERT_TRUE(PlatReadControl(GetDlgItem(PageOf(sheet), kAccountStore), &store));
        focused = store.focused;
        EXPECT_EQ(store.selection, 0) << "machine-wide account store shown";
        EXPECT_TRUE(PlatPressButton(sheet, IDOK));
    });
    EXPECT_EQ(Run(script), 1);
    EXPECT_TRUE(focused);
    const DriverDevmode& a = ui_->appliedDevmode;
    EXPECT_EQ(Get(a, kFlags2) & kRestored, 0x00001500u);
    EXPECT_EQ(Get(a, kFlags2Copy) & 0x200, 0u);
    EXPECT_EQ(Get(a, kFlags2) & ~kRestored & ~0x01E00000u, others & ~0x01E00000u);
}

// A restored account store brings that store's saved account with it, as choosing it does: the
// record never carries one store's user ID under the other's mode.
TEST_F(DevicePages, RestoredAccountStoreBringsItsOwnAccount) {
    DriverDevmode& d = ui_->defaultDevmode;
    DriverDevmode& r = ui_->currentDevmode;
    Set(d, kFlags2, Get(d, kFlags2) & ~0x00100000u);  // machine-wide by default
    Set(r, kFlags2, Get(r, kFlags2) | 0x00100000u);   // per user now
    SetText(r, kUserId, u"peruser");
    const std::u16string machine = u"machine";
    std::memset(&ui_->accountSaved, 0, sizeof ui_->accountSaved);
    ui_->accountSaved.flags = 0x00200000;  // account on, user ID entered
    machine.copy(ui_->accountSaved.userId, machine.size());
    Script script;
    script.steps.push_back(
        [&](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kRestoreDefaults))); });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
    EXPECT_EQ(Run(script), 1);
    EXPECT_EQ(Get(ui_->appliedDevmode, kFlags2) & 0x01F00000u, 0x00200000u);
    EXPECT_EQ(GetText(ui_->appliedDevmode, kUserId), machine);
}

// The tables' dialogs are told to be read-only exactly while the context may not change settings;
// the TrueType substitution dialog first clears bit 0 of DWORD 400. Each opens (its template's
// list there) and Cancel ends it with 0.
TEST_F(DevicePages, TableDialogsGetTheReadOnlyBit) {
    struct Case {
        bool canChange;
        bool trueType;
    } const cases[] = {{false, true}, {true, true}, {false, false}, {true, false}};
    for (const Case& c : cases) {
        ui_->flags = c.canChange ? (ui_->flags | kUiCanChange) : (ui_->flags & ~kUiCanChange);
        page_.flags = c.canChange ? kPageReadOnlyDialogs : 0;  // the opposite of what must come
        Set(ui_->currentDevmode, kFlags2, Get(ui_->currentDevmode, kFlags2) | 1u);
        bool opened = false;
        Script script;
        script.steps.push_back([&](HWND d) {
            opened = GetDlgItem(d, c.trueType ? orla_res::device_tables::kFaceList
                                              : orla_res::device_tables::kFormList) != nullptr;
            EXPECT_TRUE(PlatPressButton(d, IDCANCEL));
        });
        uitest::ScriptScope scope(script);
        EXPECT_EQ(c.trueType ? ShowDeviceDialog2000(&page_, nullptr) : ShowDeviceDialog2100(&page_, nullptr), 0);
        EXPECT_TRUE(opened) << c.trueType;
        EXPECT_EQ(page_.flags & kPageReadOnlyDialogs, c.canChange ? 0u : kPageReadOnlyDialogs) << c.canChange;
        EXPECT_EQ(Get(ui_->currentDevmode, kFlags2) & 1u, c.trueType ? 0u : 1u) << c.trueType;
    }
    EXPECT_EQ(PlatMessageBoxCount(), 0u);
}

// While the context may not change settings the tables' group is greyed; the constraint pass
// locks the device controls; the account button stays (per-user accounts may still be set).
TEST_F(DevicePages, ReadOnlyContextGreysTheSettingsPage) {
    ui_->flags &= ~kUiCanChange;
    Script script;
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        for (int id : {ids::kTablesGroup, ids::kGlyphs, ids::kMargins, ids::kHeaderLimit, ids::kAccountStore,
                       ids::kTrueTypeTable, ids::kOutPaperTable, ids::kRestoreDefaults})
            EXPECT_FALSE(Enabled(page, id)) << id;
        EXPECT_TRUE(Enabled(page, ids::kAccountSettings));
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    Run(script);
    EXPECT_FALSE(script.ranOut);
}

// ---- Device options page ----------------------------------------------------------------------

class DeviceOptions : public DevicePages {
protected:
    // Chooses the option's line in list 1046, then the value at index in combo 3742.
    void ChooseValue(Script& script, WORD option, int index) {
        script.steps.push_back(ToOptionsPage);
        script.steps.push_back([option](HWND sheet) {
            HWND page = PageOf(sheet);
            const int line = LineWithData(page, ids::kOptions, option);
            ASSERT_GE(line, 0) << "no line for option " << option;
            EXPECT_TRUE(PlatChoose(GetDlgItem(page, ids::kOptions), line));
        });
        script.steps.push_back(
            [index](HWND sheet) { EXPECT_TRUE(PlatChoose(GetDlgItem(PageOf(sheet), ids::kValue), index)); });
    }
};

// The value combo writes the option's pair: bit 3 of the state word and, for the feeder kinds,
// 1 (standard) or 3 (large) in the value word; "none" on feeder 2 removes feeders 3 and 4 too.
TEST_F(DeviceOptions, EachValueWritesItsPair) {
    struct Case {
        WORD option;
        int index;
        unsigned offset;
        bool installed;
        WORD value;  // 0: not checked
        std::vector<unsigned> alsoRemoved;
    } const cases[] = {
        {1302, 1, 632, true, 1, {}}, {1302, 2, 632, true, 3, {}}, {1302, 0, 632, false, 0, {636, 640}},
        {770, 1, 696, true, 0, {}},  {770, 0, 696, false, 0, {}}, {309, 1, 660, true, 0, {}},
        {309, 0, 660, false, 0, {}},
    };
    for (const Case& c : cases) {
        DriverDevmode& r = ui_->currentDevmode;
        for (unsigned offset : {632u, 636u, 640u, 660u, 696u}) {
            // The other way round to begin with; an installed feeder as a standard cassette.
            Set(r, StateWord(offset), WORD(c.installed ? 0 : 8));
            Set(r, ValueWord(offset), WORD(c.installed ? 0 : 1));
        }
        Script script;
        ChooseValue(script, c.option, c.index);
        script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
        EXPECT_EQ(Run(script), 1);
        const DriverDevmode& a = ui_->appliedDevmode;
        EXPECT_EQ((Get(a, StateWord(c.offset)) & 8) != 0, c.installed) << c.option << " " << c.index;
        if (c.value) {
            EXPECT_EQ(Get(a, ValueWord(c.offset)), c.value) << c.option << " " << c.index;
        }
        for (unsigned offset : c.alsoRemoved) EXPECT_EQ(Get(a, StateWord(offset)) & 8, 0) << offset;
    }
}

// The options page's memory line offers the device's memory sizes; the value is kept in kilobytes.
TEST_F(DeviceOptions, MemoryValueWritesTheSize) {
    Script script;
    int entries = 0;
    ChooseValue(script, 459, 0);
    script.steps.push_back([&](HWND sheet) {
        entries = static_cast<int>(SendDlgItemMessageW(PageOf(sheet), ids::kValue, CB_GETCOUNT, 0, 0));
        EXPECT_TRUE(PlatChoose(GetDlgItem(PageOf(sheet), ids::kValue), entries - 1));
    });
    script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
    Set(ui_->currentDevmode, kMemory, DWORD{0});
    EXPECT_EQ(Run(script), 1);
    ASSERT_GT(entries, 1);
    const DWORD kb = Get(ui_->appliedDevmode, kMemory);
    EXPECT_GT(kb, 0u);
    EXPECT_EQ(kb % 1024, 0u) << "whole megabytes";
}

// Who may change an option's value by hand.
TEST(DeviceOptionRules, ValueEditableByConfigurationAndNeededOptions) {
    struct Case {
        WORD item;
        bool fromPrinter;
        bool feeder2;
        bool feeder3;
        bool editable;
    } const cases[] = {
        {1302, false, false, false, true}, {1302, true, true, true, false},  {317, true, false, false, true},
        {1303, false, false, true, false}, {1303, false, true, false, true}, {1304, false, true, false, false},
        {1304, false, false, true, true},  {459, true, true, true, false},   {770, false, false, false, true},
    };
    for (const Case& c : cases) {
        DriverDevmode r{};
        Set(r, StateWord(632), WORD(c.feeder2 ? 8 : 0));
        Set(r, StateWord(636), WORD(c.feeder3 ? 8 : 0));
        PrinterConfigRecord config{};
        config.extStatus = c.fromPrinter ? kConfigFromPrinter : 0;
        EXPECT_EQ(OptionValueEditable(r, config, c.item), c.editable) << c.item << " " << c.fromPrinter;
    }
}

// With the configuration from the printer the value combo and its label are greyed and "Get from
// Printer" is offered; a double click changes nothing.
TEST_F(DeviceOptions, ConfigurationFromThePrinterLeavesValuesAlone) {
    ui_->printerConfig.extStatus = kConfigFromPrinter;
    Script script;
    script.steps.push_back(ToOptionsPage);
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        EXPECT_TRUE(Enabled(page, ids::kGetConfiguration));
        const int memory = LineWithData(page, ids::kOptions, 459);
        ASSERT_GE(memory, 0);
        EXPECT_TRUE(PlatChoose(GetDlgItem(page, ids::kOptions), memory));
    });
    DriverDevmode before{};
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        EXPECT_FALSE(Enabled(page, ids::kValue));
        EXPECT_FALSE(Enabled(page, ids::kValueLabel));
        before = ui_->currentDevmode;
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(ids::kOptions, LBN_DBLCLK),
                     reinterpret_cast<LPARAM>(GetDlgItem(page, ids::kOptions)));
    });
    script.steps.push_back([&](HWND sheet) {
        EXPECT_EQ(std::memcmp(before.bytes, ui_->currentDevmode.bytes, kDriverDevmodeSize), 0);
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    Run(script);
    EXPECT_FALSE(script.ranOut);
}

// Double-clicking an option moves it to its next value; feeder 4's kind without feeder 3 installed
// cannot change.
TEST_F(DeviceOptions, DoubleClickMovesToTheNextValueWhereTheOptionMayChange) {
    for (bool feeder3 : {false, true}) {
        DriverDevmode& r = ui_->currentDevmode;
        Set(r, StateWord(632), WORD(8));
        Set(r, StateWord(636), WORD(feeder3 ? 8 : 0));
        Set(r, StateWord(640), WORD(8));
        Set(r, ValueWord(640), WORD(1));  // standard cassette
        Script script;
        script.steps.push_back(ToOptionsPage);
        script.steps.push_back([](HWND sheet) {
            HWND page = PageOf(sheet);
            const int line = LineWithData(page, ids::kOptions, 1304);
            ASSERT_GE(line, 0);
            EXPECT_TRUE(PlatChoose(GetDlgItem(page, ids::kOptions), line));
            SendMessageW(page, WM_COMMAND, MAKEWPARAM(ids::kOptions, LBN_DBLCLK),
                         reinterpret_cast<LPARAM>(GetDlgItem(page, ids::kOptions)));
        });
        script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
        EXPECT_EQ(Run(script), 1);
        // From "standard" (index 1) the next is "large" (3); without feeder 3 it stays standard.
        EXPECT_EQ(Get(ui_->appliedDevmode, ValueWord(640)), feeder3 ? 3 : 1) << feeder3;
    }
}

// A context that may not change settings leaves the options page to look at.
TEST_F(DeviceOptions, ReadOnlyContextGreysTheOptionsPage) {
    ui_->flags &= ~kUiCanChange;
    ui_->printerConfig.extStatus = kConfigFromPrinter;
    Script script;
    script.steps.push_back(ToOptionsPage);
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        for (int id : {ids::kOptionsLabel, ids::kOptions, ids::kValueGroup, ids::kValueLabel, ids::kValue,
                       ids::kTraysLabel, ids::kTrays, ids::kGetConfiguration})
            EXPECT_FALSE(Enabled(page, id)) << id;
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    Run(script);
    EXPECT_FALSE(script.ranOut);
}

// The printer picture's area: from the client origin to one pixel left of label 1050 and one
// above group 1738, erased; nothing for a control the page does not have.
TEST_F(DeviceOptions, InvalidateControlRectCoversThePictureArea) {
    Script script;
    script.steps.push_back(ToOptionsPage);
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        RECT options{}, trays{};
        GetWindowRect(GetDlgItem(page, ids::kOptionsLabel), &options);
        GetWindowRect(GetDlgItem(page, ids::kTraysGroup), &trays);
        POINT corner{options.left, trays.top};
        ScreenToClient(page, &corner);
        ValidateRect(page, nullptr);
        EXPECT_FALSE(InvalidateControlRect(page, 4242));
        RECT update{};
        EXPECT_FALSE(GetUpdateRect(page, &update, FALSE));
        EXPECT_TRUE(InvalidateControlRect(page, ids::kPrinter));
        ASSERT_TRUE(GetUpdateRect(page, &update, FALSE));
        EXPECT_EQ(update.left, 0);
        EXPECT_EQ(update.top, 0);
        EXPECT_EQ(update.right, corner.x - 1);
        EXPECT_EQ(update.bottom, corner.y - 1);
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    Run(script);
    EXPECT_FALSE(script.ranOut);
}

// ---- Pictures ---------------------------------------------------------------------------------

using pages_test::ExpectWindowLikeReference;

TEST_F(DeviceOptions, PagesLookAsTheirReferences) {
    // A printer with feeder 2 and the duplex unit, its configuration kept by hand.
    Set(ui_->currentDevmode, StateWord(632), WORD(8));
    Set(ui_->currentDevmode, ValueWord(632), WORD(1));
    Set(ui_->currentDevmode, StateWord(660), WORD(8));
    Script script;
    script.steps.push_back([&](HWND sheet) { ExpectWindowLikeReference(sheet, "device_settings_page"); });
    script.steps.push_back(ToOptionsPage);
    script.steps.push_back([&](HWND sheet) { ExpectWindowLikeReference(sheet, "device_options_page"); });
    script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
    EXPECT_FALSE(script.ranOut);
}

}  // namespace device_pages_test
