// The option-list page driven as a user would: which item list it shows, double clicks, the tray
// set, the panel's user text, the checks and the defaults; the about box with the driver file's
// version and the maker's web page; and the page and the box as their reference pictures show.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "plat/shell_execute.h"
#include "plat/threads.h"
#include "plat/window_render.h"
#include "tests/pages/basic_page_sheet.h"
#include "tests/pages/option_list_sheet.h"
#include "tests/pages/reference_picture.h"
#include "ui/pages/context_help.h"
#include "win/shell.h"

// Named, not anonymous: the unity batches put this file beside the other page tests.
namespace option_list_test {

using namespace orla;
using namespace pages_test::option_fields;
using pages_test::ItemLine;
using pages_test::PageOf;
using pages_test::ReadControl;
using uitest::Script;
namespace ids = orla_res::option_list;

using OptionList = pages_test::OptionListSheet;

// WM_COMMAND from the item list as the list box sends it for a click on a line (LBN_SELCHANGE,
// also for the line already selected) or a double click (LBN_DBLCLK).
void ListNotice(HWND page, int code) {
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(ids::kItems, code),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, ids::kItems)));
}

std::u16string LineText(HWND page, WORD item) {
    WCHAR text[256] = {};
    SendDlgItemMessageW(page, ids::kItems, LB_GETTEXT, ItemLine(page, item), reinterpret_cast<LPARAM>(text));
    return text;
}

// ---- The item list --------------------------------------------------------------------------

// 14 items with the trust-marking optimisation (781) only while the library is there and takes
// the printer; 13 otherwise, and always in the English build.
TEST_F(OptionList, LongListOnlyWhileTheTrustLibraryTakesTheModel) {
    struct Case {
        const char* what;
        bool installed;
        const char* script;
        bool longList;
    } const cases[] = {
        {"no library", false, "", false},
        {"library refuses the printer", true, "CreateHandle=fail\n", false},
        {"library takes the printer", true, "", kJapaneseBuild},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.installed) InstallTrustLibrary(c.script);
        int lines = 0, optimiseLine = -1;
        Script script;
        script.steps.push_back([&](HWND sheet) {
            HWND page = PageOf(sheet);
            lines = static_cast<int>(SendDlgItemMessageW(page, ids::kItems, LB_GETCOUNT, 0, 0));
            optimiseLine = ItemLine(page, 781);
            EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
        });
        Run(script);
        EXPECT_EQ(lines, c.longList ? 14 : 13);
        EXPECT_EQ(optimiseLine >= 0, c.longList);
    }
}

// A line reads the item's name, a tab and its value; its item data is the item.
TEST_F(OptionList, LinesReadNameTabValue) {
    SetDensity(5);
    std::u16string line;
    Script script;
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        const int at = ItemLine(page, 440);
        ASSERT_GE(at, 0);
        WCHAR text[256] = {};
        SendDlgItemMessageW(page, ids::kItems, LB_GETTEXT, at, reinterpret_cast<LPARAM>(text));
        line = text;
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    Run(script);
    EXPECT_EQ(line, orla_ui_test::ResourceText(printer_, 440) + u"\t" + orla_ui_test::ResourceText(printer_, 496));
}

// A double click on a free item moves it to its next choice, from the last back to the first; on
// a forced item (433 while raster mode is on) it changes nothing.
TEST_F(OptionList, DoubleClickWrapsAFreeItemAndLeavesAForcedOne) {
    constexpr DWORD kPatternBySize = 0x400;  // item 433
    struct Case {
        const char* what;
        WORD item;
        WORD density;  // 0: left alone
        bool raster;
        bool free;
        std::function<bool(const DriverDevmode&)> expect;
    } const cases[] = {
        {"density 5 wraps to 1", 440, 5, false, true,
         [](const DriverDevmode& a) { return Get(a, kPrintDensity) == 1; }},
        {"density 2 goes to 3", 440, 2, false, true, [](const DriverDevmode& a) { return Get(a, kPrintDensity) == 3; }},
        {"pattern size by resolution wraps to standard", 433, 0, false, true,
         [](const DriverDevmode& a) { return (Get(a, kFlags1) & kPatternBySize) == 0; }},
        {"pattern size forced by raster mode", 433, 0, true, false,
         [](const DriverDevmode& a) { return (Get(a, kFlags1) & kPatternBySize) == 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DriverDevmode& r = ui_->currentDevmode;
        if (c.density) SetDensity(c.density);
        // Pattern size by resolution while free; standard (as raster mode forces it) otherwise.
        for (DmField<DWORD> w : {kFlags1, kFlags1Copy}) {
            DWORD v =
                c.raster ? (Get(r, w) | kRasterMode) & ~kPatternBySize : (Get(r, w) | kPatternBySize) & ~kRasterMode;
            if (w.offset == kFlags1Copy.offset) v &= ~kRasterMode;  // the raster bit has no copy
            Set(r, w, v);
        }
        bool comboEnabled = false;
        Script script;
        script.steps.push_back([&](HWND sheet) {
            HWND page = PageOf(sheet);
            const int line = ItemLine(page, c.item);
            ASSERT_GE(line, 0);
            EXPECT_TRUE(PlatDoubleClickListItem(GetDlgItem(page, ids::kItems), line));
            comboEnabled = ReadControl(page, ids::kValue).enabled;
        });
        // The page takes the posted choice in its own turn.
        script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
        EXPECT_EQ(Run(script), 1);
        EXPECT_TRUE(c.expect(ui_->appliedDevmode));
        EXPECT_EQ(comboEnabled, c.free);
    }
}

// The selection work runs once for a line: a second notice for the same line leaves the value
// combo as the user left it; a notice for another line and back refills it.
TEST_F(OptionList, SameLineTwiceRunsOnce) {
    SetDensity(3);
    int afterSame = -1, afterOther = -1;
    Script script;
    script.steps.push_back([&](HWND sheet) {
        SelectItem(sheet, 440);
        HWND page = PageOf(sheet);
        EXPECT_EQ(ReadControl(page, ids::kValue).selection, 2);
        // The combo moved without a choice being made: only the selection work puts it back.
        SendDlgItemMessageW(page, ids::kValue, CB_SETCURSEL, 4, 0);
        ListNotice(page, LBN_SELCHANGE);
        afterSame = ReadControl(page, ids::kValue).selection;
        SelectItem(sheet, 433);
        SelectItem(sheet, 440);
        afterOther = ReadControl(page, ids::kValue).selection;
        EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
    });
    Run(script);
    EXPECT_EQ(afterSame, 4);
    EXPECT_EQ(afterOther, 2);
}

// ---- Tray set ---------------------------------------------------------------------------------

// Item 449: the tray chosen in the value combo and the state combo switch that tray's bit: feeder
// 2 bit 1 of DWORD 404, the manual slot bit 6 of DWORD 396; nothing else moves. With and without
// the manual slot installed (it comes first in the combo when it is).
TEST_F(OptionList, TrayStateSwitchesTheChosenTraysBit) {
    struct Case {
        WORD tray;
        bool manualInstalled;
        int state;  // 0 joins, 1 leaves
        DmField<DWORD> word;
        DWORD bit;
    } const cases[] = {
        {302, true, 0, kTraySet, 0x2},  {302, true, 1, kTraySet, 0x2},          {302, false, 0, kTraySet, 0x2},
        {302, false, 1, kTraySet, 0x2}, {1307, true, 0, kFlags1, kManualJoins}, {1307, true, 1, kFlags1, kManualJoins},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.tray << " manual " << c.manualInstalled << " state " << c.state);
        DriverDevmode& r = ui_->currentDevmode;
        Set(r, StateWord(632), WORD(8));
        Set(r, StateWord(652), WORD(c.manualInstalled ? 8 : 0));
        // The other way round to begin with.
        Set(r, c.word, c.state == 0 ? Get(r, c.word) & ~c.bit : Get(r, c.word) | c.bit);
        const DWORD tray = Get(r, kTraySet), flags = Get(r, kFlags1);
        std::u16string lineBefore, lineAfter;
        Script script;
        script.steps.push_back([&](HWND sheet) {
            SelectItem(sheet, 449);
            HWND page = PageOf(sheet);
            const int entry = pages_test::IndexWithData(page, ids::kValue, c.tray);
            ASSERT_GE(entry, 0);
            EXPECT_TRUE(PlatChoose(GetDlgItem(page, ids::kValue), entry));
            EXPECT_TRUE(ReadControl(page, ids::kTrayState).visible);
            EXPECT_EQ(ReadControl(page, ids::kTrayState).selection, c.state == 0 ? 1 : 0) << "shows the bit";
            lineBefore = LineText(page, 449);
            EXPECT_TRUE(PlatChoose(GetDlgItem(page, ids::kTrayState), c.state));
            lineAfter = LineText(page, 449);
        });
        script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
        EXPECT_EQ(Run(script), 1);
        const DriverDevmode& a = ui_->appliedDevmode;
        EXPECT_EQ(Get(a, c.word) & c.bit, c.state == 0 ? c.bit : 0u);
        // The other trays keep theirs.
        constexpr DWORD kTrayBits = 0xF;
        const DWORD otherTrays = (c.word.offset == kTraySet.offset ? kTrayBits & ~c.bit : kTrayBits);
        EXPECT_EQ(Get(a, kTraySet) & otherTrays, tray & otherTrays);
        if (c.word.offset == kTraySet.offset) {
            EXPECT_EQ(Get(a, kFlags1) & kManualJoins, flags & kManualJoins);
        }
        EXPECT_NE(lineBefore, lineAfter) << "the list line follows at once";
    }
}

// ---- The panel's user text --------------------------------------------------------------------

// Choosing "text of one's own" for item 447 opens the edit; the text is checked as the page is
// left: '"', '~' and full-width characters are refused with warning 821 and the user stays on
// the page with the edit focused; letters, symbols and half-width katakana are stored at 588.
TEST_F(OptionList, UserTextTakesOnlyWhatThePanelShows) {
    struct Case {
        const char16_t* typed;
        bool accepted;
    } const cases[] = {
        {u"Taro 01!#}", true},    {u"\uFF71\uFF72\uFF73\uFF9F\uFF61", true}, {u"AB\"C", false}, {u"A~B", false},
        {u"\u5168\u89D2", false},
    };
    const std::u16string printerName = u"QEV Halvoric 4400K ORLA";
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed, c.typed + std::char_traits<char16_t>::length(c.typed)));
        PlatResetMessageBoxes();
        PlatResetBeeps();
        SetText(ui_->currentDevmode, kUserText, u"before");
        Set(ui_->currentDevmode, kFlags1, Get(ui_->currentDevmode, kFlags1) & ~(kShowOwnText | kShowUserName));
        if (!c.accepted) PlatQueueMessageBoxAnswer(IDOK);
        PLAT_CONTROL_STATE editAfter{};
        Script script;
        script.steps.push_back([&](HWND sheet) {
            SelectItem(sheet, 447);
            HWND page = PageOf(sheet);
            EXPECT_FALSE(ReadControl(page, ids::kUserText).visible);
            EXPECT_TRUE(PlatChoose(GetDlgItem(page, ids::kValue), 2));  // text of one's own
            const PLAT_CONTROL_STATE edit = ReadControl(page, ids::kUserText);
            EXPECT_TRUE(edit.visible && edit.enabled);
            EXPECT_EQ(std::u16string(edit.text), u"before");
            SetDlgItemTextW(page, ids::kUserText, u"");
            EXPECT_TRUE(PlatType(GetDlgItem(page, ids::kUserText), c.typed));
            EXPECT_TRUE(PlatPressButton(sheet, IDOK));
        });
        if (!c.accepted) {
            script.steps.push_back([&](HWND sheet) {
                editAfter = ReadControl(PageOf(sheet), ids::kUserText);
                EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL));
            });
        }
        EXPECT_EQ(Run(script), c.accepted ? 1 : 0);
        if (c.accepted) {
            EXPECT_EQ(GetText(ui_->appliedDevmode, kUserText), c.typed);
            EXPECT_EQ(Get(ui_->appliedDevmode, kFlags1) & (kShowOwnText | kShowUserName), kShowOwnText);
            EXPECT_EQ(PlatMessageBoxCount(), 0u);
            continue;
        }
        ASSERT_EQ(PlatMessageBoxCount(), 1u);
        PLAT_MESSAGE_BOX_RECORD box{};
        ASSERT_TRUE(PlatGetMessageBox(0, &box));
        EXPECT_EQ(std::u16string(box.text), orla_ui_test::ResourceText(printer_, ids::kWarnUserText));
        EXPECT_EQ(std::u16string(box.caption), printerName);
        EXPECT_EQ(box.flags & MB_ICONWARNING, static_cast<UINT>(MB_ICONWARNING));
        EXPECT_EQ(PlatBeepCount(), 1u);
        EXPECT_TRUE(editAfter.focused) << "the user is taken back to the edit";
    }
}

// Choosing the user name shows it read-only while the panel can show it; a name it cannot show
// (a '~') is warned about (824), the item reads "none" again and the edit goes.
TEST_F(OptionList, UserNameShownReadOnlyOrRefused) {
    for (bool showable : {true, false}) {
        SCOPED_TRACE(showable ? "showable name" : "name with a tilde");
        PlatResetMessageBoxes();
        const std::u16string name = showable ? u"TARO" : u"TA~RO";
        SetText(ui_->currentDevmode, kJobUser, name);
        Set(ui_->currentDevmode, kFlags1, Get(ui_->currentDevmode, kFlags1) & ~(kShowOwnText | kShowUserName));
        if (!showable) PlatQueueMessageBoxAnswer(IDOK);
        PLAT_CONTROL_STATE edit{}, combo{};
        Script script;
        script.steps.push_back([&](HWND sheet) {
            SelectItem(sheet, 447);
            HWND page = PageOf(sheet);
            EXPECT_TRUE(PlatChoose(GetDlgItem(page, ids::kValue), 1));  // the user name
            edit = ReadControl(page, ids::kUserText);
            combo = ReadControl(page, ids::kValue);
            EXPECT_TRUE(PlatPressButton(sheet, IDOK));
        });
        EXPECT_EQ(Run(script), 1);
        EXPECT_EQ(edit.visible != 0, showable);
        EXPECT_FALSE(edit.enabled);
        EXPECT_EQ(std::u16string(edit.text), showable ? name : u"");
        EXPECT_EQ(combo.selection, showable ? 1 : 0);
        EXPECT_EQ(Get(ui_->appliedDevmode, kFlags1) & kShowUserName, showable ? kShowUserName : 0u);
        EXPECT_EQ(PlatMessageBoxCount(), showable ? 0u : 1u);
        PLAT_MESSAGE_BOX_RECORD box{};
        if (!showable && PlatGetMessageBox(0, &box)) {
            EXPECT_EQ(std::u16string(box.text), orla_ui_test::ResourceText(printer_, 824));
        }
    }
}

// Only the user text's field takes the edit's text: a 34-character text set into the edit is cut
// to the 17 characters the field holds, and the memory size and option pairs after it keep their
// values.
TEST_F(OptionList, LongUserTextStaysInsideItsField) {
    DriverDevmode& r = ui_->currentDevmode;
    const DWORD memory = Get(r, kMemory);
    std::vector<BYTE> after(r.bytes + 624, r.bytes + 704);
    const std::u16string longText(34, u'W');
    Script script;
    script.steps.push_back([&](HWND sheet) {
        SelectItem(sheet, 447);
        HWND page = PageOf(sheet);
        EXPECT_TRUE(PlatChoose(GetDlgItem(page, ids::kValue), 2));
        SetDlgItemTextW(page, ids::kUserText, longText.c_str());
        // The record as it stands while the page is open.
        EXPECT_EQ(GetText(ui_->currentDevmode, kUserText), longText.substr(0, 17));
        EXPECT_EQ(Get(ui_->currentDevmode, kMemory), memory);
        EXPECT_TRUE(std::equal(after.begin(), after.end(), ui_->currentDevmode.bytes + 624));
        EXPECT_TRUE(PlatPressButton(sheet, IDOK));
    });
    EXPECT_EQ(Run(script), 1);
    EXPECT_EQ(GetText(ui_->appliedDevmode, kUserText), longText.substr(0, 17));
    EXPECT_EQ(Get(ui_->appliedDevmode, kMemory), memory);
}

// Leaving the page while another item is selected keeps the stored user text: the edit shows
// nothing of it then.
TEST_F(OptionList, LeavingFromAnotherItemKeepsTheUserText) {
    DriverDevmode& r = ui_->currentDevmode;
    SetText(r, kUserText, u"KEEP ME");
    Set(r, kFlags1, (Get(r, kFlags1) | kShowOwnText) & ~kShowUserName);
    Script script;
    script.steps.push_back([&](HWND sheet) {
        SelectItem(sheet, 433);
        EXPECT_TRUE(PlatPressButton(sheet, IDOK));
    });
    EXPECT_EQ(Run(script), 1);
    EXPECT_EQ(GetText(ui_->appliedDevmode, kUserText), u"KEEP ME");
}

// ---- Checks and defaults ------------------------------------------------------------------

// Check 3290 is checked while bit 28 of DWORD 396 is clear and clears it; 1044 follows bit 17 and
// writes its copy at 788 as well.
TEST_F(OptionList, ChecksWriteTheirBits) {
    struct Case {
        int check;
        bool check_on;
        DWORD bit;
        bool bitSet;
        bool copied;
    } const cases[] = {
        {ids::kSkipBlankPages, true, kBlankPages, false, false},
        {ids::kSkipBlankPages, false, kBlankPages, true, false},
        {ids::kTonerSave, true, kTonerSave, true, true},
        {ids::kTonerSave, false, kTonerSave, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.check << " " << c.check_on);
        DriverDevmode& r = ui_->currentDevmode;
        for (DmField<DWORD> w : {kFlags1, kFlags1Copy}) Set(r, w, c.bitSet ? Get(r, w) & ~c.bit : Get(r, w) | c.bit);
        const DWORD copyBefore = Get(r, kFlags1Copy);
        Script script;
        script.steps.push_back([&](HWND sheet) {
            HWND page = PageOf(sheet);
            EXPECT_EQ(ReadControl(page, c.check).checked, c.check_on ? BST_UNCHECKED : BST_CHECKED);
            EXPECT_TRUE(PlatClick(GetDlgItem(page, c.check)));
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, IDAPPLY))) << "the page told the sheet";
            EXPECT_TRUE(PlatPressButton(sheet, IDOK));
        });
        EXPECT_EQ(Run(script), 1);
        const DriverDevmode& a = ui_->appliedDevmode;
        EXPECT_EQ(Get(a, kFlags1) & c.bit, c.bitSet ? c.bit : 0u);
        if (c.copied) {
            EXPECT_EQ(Get(a, kFlags1Copy) & c.bit, c.bitSet ? c.bit : 0u);
        } else {
            EXPECT_EQ(Get(a, kFlags1Copy), copyBefore);
        }
    }
}

// "Restore Defaults" brings back the page's group: the density 3, the tray set's trays, the
// checks' bits; the focus goes to the first check.
TEST_F(OptionList, RestoreDefaultsBringsBackThePagesGroup) {
    DriverDevmode& r = ui_->currentDevmode;
    SetDensity(5);
    Set(r, kFlags1, (Get(r, kFlags1) | kTonerSave | kBlankPages) & ~kManualJoins);
    Set(r, kTraySet, DWORD{0});
    bool focused = false;
    int tonerChecked = -1;
    Script script;
    script.steps.push_back(
        [&](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kRestoreDefaults))); });
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        focused = ReadControl(page, ids::kSkipBlankPages).focused;
        tonerChecked = ReadControl(page, ids::kTonerSave).checked;
        EXPECT_TRUE(PlatPressButton(sheet, IDOK));
    });
    EXPECT_EQ(Run(script), 1);
    const DriverDevmode& a = ui_->appliedDevmode;
    EXPECT_TRUE(focused);
    EXPECT_EQ(tonerChecked, BST_UNCHECKED);
    EXPECT_EQ(Get(a, kPrintDensity), 3);
    EXPECT_EQ(Get(a, kFlags1) & (kTonerSave | kBlankPages), 0u);
    EXPECT_EQ(Get(a, kFlags1) & kManualJoins, kManualJoins);
    EXPECT_EQ(Get(a, kTraySet) & 0xF, 0xFu);
}

// ---- About box ------------------------------------------------------------------------------

// The about box names the model and reads "Version <FileVersion>" from the driver file's version
// resource; without the file the line has no version. Its web page button asks the shell to open
// the maker's page.
TEST_F(OptionList, AboutBoxShowsTheDriverFilesVersionAndOpensTheWebPage) {
    const std::u16string model = u"QEV Halvoric 4400K ORLA";
    const std::string version = ORLA_PROJECT_VERSION;
    for (bool installed : {false, true}) {
        SCOPED_TRACE(installed ? "driver file there" : "no driver file");
        if (installed) InstallDriverFile();
        PlatResetShellExecutes();
        std::u16string modelText, line;
        Script script;
        script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kAbout))); });
        script.steps.push_back([&](HWND about) {
            modelText = ReadControl(about, ids::kAboutModel).text;
            line = ReadControl(about, ids::kAboutVersion).text;
            EXPECT_TRUE(PlatClick(GetDlgItem(about, ids::kAboutWebPage)));
            EXPECT_TRUE(PlatPressButton(about, ids::kAboutOk));
        });
        script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
        Run(script);
        EXPECT_EQ(modelText, model);
        const std::u16string versionText =
            installed ? u"Version " + std::u16string(version.begin(), version.end()) : u"";
        EXPECT_EQ(line, model + u" Printer Driver " + versionText);
        ASSERT_EQ(PlatShellExecuteCount(), 1u);
        PLAT_SHELL_EXECUTE_RECORD call{};
        ASSERT_TRUE(PlatGetShellExecute(0, &call));
        EXPECT_EQ(std::u16string(call.verb), u"open");
        EXPECT_EQ(std::u16string(call.file), kMakerWebPage);
        EXPECT_EQ(call.show, SW_SHOW);
        EXPECT_GT(call.answer, 32u);
    }
}

// ---- Help ----------------------------------------------------------------------------------

class OptionListHelp : public OptionList {
protected:
    void SetUp() override {
        OptionList::SetUp();
        help_.Start(ui_.get());
    }
    void TearDown() override {
        help_.Stop();
        OptionList::TearDown();
    }
    pages_test::HelpStandIn help_;
};

// F1 on a control opens its topic from the page's or the about box's help table; the page's Help
// button opens the page's topic.
TEST_F(OptionListHelp, F1OpensEachControlsTopic) {
    struct Case {
        bool aboutBox;
        int control;
        DWORD topic;
    } const cases[] = {
        {false, ids::kSkipBlankPages, 0x5300}, {false, ids::kTonerSave, 0x5301}, {false, ids::kItems, 0x5303},
        {false, ids::kValue, 0x5304},          {false, ids::kAbout, 0x5306},     {false, ids::kRestoreDefaults, 0x5019},
        {true, ids::kAboutWebPage, 0x6800},    {true, ids::kAboutOk, 0x6801},
    };
    auto topicLine = [](DWORD topic) {
        const std::string line = "15 C:\\help\\orla.chm " + std::to_string(topic) + " -> window\n";
        return std::u16string(line.begin(), line.end());
    };
    Script script;
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        for (const Case& c : cases) {
            if (c.aboutBox) continue;
            help_.reset();
            EXPECT_TRUE(PlatPressF1(GetDlgItem(page, c.control))) << c.control;
            EXPECT_EQ(help_.Log(), topicLine(c.topic)) << c.control;
        }
        help_.reset();
        EXPECT_TRUE(PlatClick(GetDlgItem(page, ids::kHelp)));
        EXPECT_EQ(help_.Log(), topicLine(kHelpTopicOptionList)) << "the Help button";
        EXPECT_TRUE(PlatClick(GetDlgItem(page, ids::kAbout)));
    });
    script.steps.push_back([&](HWND about) {
        for (const Case& c : cases) {
            if (!c.aboutBox) continue;
            help_.reset();
            EXPECT_TRUE(PlatPressF1(GetDlgItem(about, c.control))) << c.control;
            EXPECT_EQ(help_.Log(), topicLine(c.topic)) << c.control;
        }
        EXPECT_TRUE(PlatPressButton(about, ids::kAboutOk));
    });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
}

// ---- Without a page context ----------------------------------------------------------------

// A page made without its context does nothing for any message: no control is filled, no
// notification is answered and the record is not touched.
TEST_F(OptionList, WithoutAPageContextNothingHappens) {
    struct WindowClose {
        void operator()(HWND__* w) const { DestroyWindow(w); }
    };
    const std::unique_ptr<HWND__, WindowClose> host(
        CreateWindowExW(0, u"Static", u"", WS_POPUP, 0, 0, 600, 500, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(host);
    PROPSHEETPAGEW sheetPage{};
    sheetPage.dwSize = sizeof sheetPage;  // lParam: no page context
    const std::unique_ptr<HWND__, WindowClose> page(
        CreateDialogParamW(ui_->hResDll, MAKEINTRESOURCEW(ids::kTemplatePage), host.get(), OptionListPageProc,
                           reinterpret_cast<LPARAM>(&sheetPage)));
    ASSERT_TRUE(page);
    const DriverDevmode before = ui_->currentDevmode;
    EXPECT_EQ(SendDlgItemMessageW(page.get(), ids::kItems, LB_GETCOUNT, 0, 0), 0);
    for (int id : {ids::kItems, ids::kValue, ids::kTrayState, ids::kRestoreDefaults, ids::kAbout, ids::kTonerSave})
        EXPECT_EQ(OptionListPageProc(page.get(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0), FALSE) << id;
    NMHDR note{page.get(), 0, static_cast<UINT>(PSN_SETACTIVE)};
    EXPECT_EQ(OptionListPageProc(page.get(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&note)), FALSE);
    EXPECT_EQ(SendDlgItemMessageW(page.get(), ids::kItems, LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(std::memcmp(before.bytes, ui_->currentDevmode.bytes, sizeof before.bytes), 0);
    EXPECT_EQ(ShowAboutBox(nullptr, host.get()), -1);
}

// ---- Pictures -------------------------------------------------------------------------------

using pages_test::ExpectWindowLikeReference;

// The page with the panel text's line selected (value, edit and no note) and with the pattern
// size's (value and note); the about box with the driver's version.
TEST_F(OptionList, PageAndAboutBoxLookAsTheirReferences) {
    InstallDriverFile();
    DriverDevmode& r = ui_->currentDevmode;
    SetText(r, kUserText, u"ｵﾘﾗ PRINT");
    Set(r, kFlags1, (Get(r, kFlags1) | kShowOwnText) & ~kShowUserName);
    Script script;
    script.steps.push_back([&](HWND sheet) {
        SelectItem(sheet, 447);
        ExpectWindowLikeReference(sheet, "option_list_page_text");
        SelectItem(sheet, 433);
        ExpectWindowLikeReference(sheet, "option_list_page_note");
        EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kAbout)));
    });
    script.steps.push_back([&](HWND about) {
        ExpectWindowLikeReference(about, "about_box");
        EXPECT_TRUE(PlatPressButton(about, ids::kAboutOk));
    });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
}

}  // namespace option_list_test
