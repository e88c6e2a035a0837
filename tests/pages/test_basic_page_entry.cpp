// The basic page's stored and proof printing, driven through the sheet as a user would: the mode
// combo opens the text-entry dialog or warns, the dialog's edits keep their limits, OK takes the
// texts and Cancel without a code falls back to normal printing. Also the configuration button
// (enabled by the table of its rules, opening the waiting dialog) and the help the page opens.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "outside/dorlik/dorlik_api.h"
#include "outside/htmlhelp/html_help_script.h"
#include "plat/control.h"
#include "plat/threads.h"
#include "plat/window_test.h"
#include "tests/pages/basic_page_sheet.h"
#include "ui/entry/printer_config.h"
#include "ui/entry/ui_flags.h"
#include "ui/pages/context_help.h"
#include "ui/pages/text_entry_dialog.h"

namespace {

using namespace orla;

using pages_test::Enabled;
using pages_test::IndexWithData;
using pages_test::PageOf;
using uitest::Script;
using Step = std::function<void(HWND)>;

std::u16string ControlText(HWND control) {
    PLAT_CONTROL_STATE state{};
    EXPECT_TRUE(PlatReadControl(control, &state));
    return std::u16string(state.text);
}

// Closes the sheet with the button; a text-entry dialog still open where the sheet was expected is
// a failure, closed as Escape closes it so the run ends (the scripted user then cancels the sheet).
void CloseSheet(HWND window, int button) {
    if (GetDlgItem(window, kIdEntryCode)) {
        ADD_FAILURE() << "the text-entry dialog is still open";
        PlatQueueMessageBoxAnswer(IDOK);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
    }
    EXPECT_TRUE(PlatPressButton(window, button));
}

class TextEntry : public pages_test::BasicPageSheet {
protected:
    void SetUp() override {
        BasicPageSheet::SetUp();
        DriverDevmode& r = ui_->currentDevmode;
        Set(r, dm::DeviceState(dm::kHdd), WORD{8});  // the hard disk holds stored jobs
        Set(r, dm::Copies, SHORT{3});
        PlatResetBeeps();
    }
    // Opens the page, picks the mode in the mode combo, runs the steps in the dialog that opens
    // (none when it must not open) and closes the sheet with the button given.
    INT_PTR ChooseMode(DWORD mode, const std::vector<Step>& inDialog, int sheetButton = IDCANCEL) {
        Script script;
        script.steps.push_back([&, mode](HWND sheet) {
            HWND page = PageOf(sheet);
            const int index = IndexWithData(page, kIdEntryMode, static_cast<LPARAM>(mode));
            ASSERT_GE(index, 0);
            EXPECT_TRUE(PlatChoose(GetDlgItem(page, kIdEntryMode), index));
            // Whatever came of it, the combo shows the mode the record has now.
            EXPECT_EQ(SendDlgItemMessageW(page, kIdEntryMode, CB_GETCURSEL, 0, 0),
                      static_cast<LRESULT>(Get(ui_->currentDevmode, dm::HoldMode)));
        });
        return RunRest(script, inDialog, sheetButton);
    }
    // The same through the page's button that reopens the dialog of the current mode.
    INT_PTR Reopen(const std::vector<Step>& inDialog) {
        Script script;
        script.steps.push_back(
            [&](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), basic_ids::kHoldSettings))); });
        return RunRest(script, inDialog, IDCANCEL);
    }
    INT_PTR RunRest(Script& script, const std::vector<Step>& inDialog, int sheetButton) {
        for (const Step& step : inDialog) {
            script.steps.push_back([&, step](HWND dialog) {
                ASSERT_NE(GetDlgItem(dialog, kIdEntryCode), nullptr) << "the text-entry dialog is not open";
                step(dialog);
            });
        }
        script.steps.push_back([sheetButton](HWND sheet) { CloseSheet(sheet, sheetButton); });
        const INT_PTR result = Run(script);
        EXPECT_FALSE(script.ranOut);
        return result;
    }
    // The boxes shown, in order, by their string ids, each a warning under the built-in caption.
    void ExpectWarnings(const std::vector<UINT>& ids) {
        ASSERT_EQ(PlatMessageBoxCount(), ids.size());
        for (DWORD i = 0; i < ids.size(); ++i) {
            PLAT_MESSAGE_BOX_RECORD box{};
            ASSERT_TRUE(PlatGetMessageBox(i, &box));
            const std::u16string text = orla_ui_test::ResourceText(printer_, ids[i]);
            EXPECT_FALSE(text.empty()) << ids[i];
            EXPECT_EQ(std::u16string(box.text), text) << ids[i];
            EXPECT_EQ(std::u16string(box.caption), kJapaneseBuild ? u"警告" : u"Warning") << ids[i];
            EXPECT_EQ(box.flags, static_cast<UINT>(MB_ICONWARNING)) << ids[i];
        }
        EXPECT_EQ(PlatBeepCount(), ids.size());
    }
};

Step TypeInto(int id, const char16_t* text) {
    return [id, text](HWND dialog) { EXPECT_TRUE(PlatType(GetDlgItem(dialog, id), text)) << id; };
}
Step Press(int id) {
    return [id](HWND dialog) { EXPECT_TRUE(PlatPressButton(dialog, id)) << id; };
}

// ---- The dialog's edits ------------------------------------------------------------------------

TEST_F(TextEntry, EditsTakeTheirTextsWithinTheirCharacterAndByteLimits) {
    struct Case {
        int edit;
        const char16_t* typed;
        const char16_t* kept;  // what the edit shows and the record takes
        bool beeps;            // over the byte limit: the stored (empty) text comes back
        DmText field;
    };
    const Case cases[] = {
        {kIdEntryCode, u"ABCDEFGHIJ", u"ABCDEFGH", false, dm::HoldUserName},
        {kIdEntryCode, u"ｱｲｳｴｵｶｷｸ", u"ｱｲｳｴｵｶｷｸ", false, dm::HoldUserName},  // one byte each
        {kIdEntryName, u"abcdefghijklmn", u"abcdefghijkl", false, dm::HoldPin},
        {kIdEntryName, u"ａｂｃｄｅｆ", u"ａｂｃｄｅｆ", false, dm::HoldPin},  // 12 bytes
        {kIdEntryName, u"ａｂｃｄｅｆｇ", u"", true, dm::HoldPin},             // 14 bytes
        {kIdEntryJobName, u"週報週報週報週報週報週報", u"週報週報週報週報週報週報", false, dm::HoldJobName},
        {kIdEntryJobName, u"週報週報週報週報週報週報週", u"", true, dm::HoldJobName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "edit " << c.edit << ", case " << (&c - cases));
        PlatResetBeeps();
        Set(ui_->currentDevmode, dm::HoldMode, DWORD{0});
        SetText(ui_->currentDevmode, c.field, u"");
        const bool code = c.edit == kIdEntryCode;
        const int elsewhere = code ? kIdEntryJobName : kIdEntryCode;
        ChooseMode(1, {TypeInto(kIdEntryCode, code ? c.typed : u"U1"), TypeInto(c.edit, c.typed),
                       TypeInto(elsewhere, u""),  // the edit loses the focus
                       [&](HWND dialog) {
                           EXPECT_EQ(ControlText(GetDlgItem(dialog, c.edit)), c.kept);
                           EXPECT_EQ(GetText(ui_->scratchDevmode, c.field), c.kept);
                           EXPECT_EQ(PlatBeepCount(), c.beeps ? 1u : 0u);
                       },
                       Press(kIdEntryOk)});
        EXPECT_EQ(GetText(ui_->currentDevmode, c.field), c.kept);
        EXPECT_EQ(Get(ui_->currentDevmode, dm::HoldMode), 1u);
        EXPECT_EQ(PlatMessageBoxCount(), 0u);
    }
}

TEST(EntryCode, PrintableAsciiAndHalfWidthKatakanaOnly) {
    struct Case {
        char16_t c;
        bool ok;
    } const cases[] = {{0x1F, false},  {0x20, true},   {0x7E, true},    {0x7F, false},  {0xFF60, false},
                       {0xFF61, true}, {0xFF9F, true}, {0xFFA0, false}, {u'漢', false}, {u'ａ', false}};
    for (const Case& c : cases) EXPECT_EQ(IsEntryCodeCharacter(c.c), c.ok) << static_cast<int>(c.c);
}

TEST_F(TextEntry, ACodeWithOtherCharactersIsEmptiedWithAWarning) {
    struct Case {
        const char16_t* code;
        bool valid;
    } const cases[] = {{u"ab漢", false}, {u"ａｂ", false}, {u"a b~", true}, {u"ｱｲ", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.valid ? "valid" : "invalid");
        PlatResetMessageBoxes();
        PlatResetBeeps();
        Set(ui_->currentDevmode, dm::HoldMode, DWORD{0});
        if (!c.valid) {
            PlatQueueMessageBoxAnswer(IDOK);  // 920
            PlatQueueMessageBoxAnswer(IDOK);  // 892 at Cancel: no code was stored
        }
        ChooseMode(1, {TypeInto(kIdEntryCode, c.code), TypeInto(kIdEntryJobName, u""),
                       [&](HWND dialog) {
                           PLAT_CONTROL_STATE code{};
                           ASSERT_TRUE(PlatReadControl(GetDlgItem(dialog, kIdEntryCode), &code));
                           EXPECT_EQ(std::u16string(code.text), c.valid ? c.code : u"");
                           EXPECT_EQ(code.focused, !c.valid);
                           EXPECT_EQ(Enabled(dialog, kIdEntryName), c.valid);
                       },
                       Press(c.valid ? kIdEntryOk : kIdEntryCancel)});
        if (c.valid) {
            ExpectWarnings({});
            EXPECT_EQ(GetText(ui_->currentDevmode, dm::HoldUserName), c.code);
            EXPECT_EQ(Get(ui_->currentDevmode, dm::HoldMode), 1u);
        } else {
            ExpectWarnings({kWarnBadCodeCharacter, kWarnNoHoldDevice});
            EXPECT_EQ(GetText(ui_->currentDevmode, dm::HoldUserName), u"");
            EXPECT_EQ(Get(ui_->currentDevmode, dm::HoldMode), 0u);
        }
    }
}

// ---- OK, Cancel and Defaults -----------------------------------------------------------------

TEST_F(TextEntry, OkWithoutACodeWarnsByModeAndCancelFallsBackToNormalPrinting) {
    for (DWORD mode : {1u, 2u}) {
        SCOPED_TRACE(mode);
        PlatResetMessageBoxes();
        PlatResetBeeps();
        Set(ui_->currentDevmode, dm::HoldMode, DWORD{0});
        PlatQueueMessageBoxAnswer(IDOK);
        PlatQueueMessageBoxAnswer(IDOK);
        ChooseMode(mode, {Press(kIdEntryOk),
                          [&](HWND dialog) {
                              // Still open, and the page still has the mode the user chose.
                              EXPECT_NE(GetDlgItem(dialog, kIdEntryCode), nullptr);
                              EXPECT_EQ(Get(ui_->currentDevmode, dm::HoldMode), mode);
                          },
                          Press(kIdEntryCancel)});
        ExpectWarnings({mode == 1 ? kWarnStoredNeedsCode : kWarnProofNeedsCode, kWarnNoHoldDevice});
        EXPECT_EQ(Get(ui_->currentDevmode, dm::HoldMode), 0u);
        EXPECT_EQ(page_.flags & (kPageEntryClosingOk | kPageEntryClosingCancel), 0u);
    }
}

TEST_F(TextEntry, OkCopiesTheScratchRecordOverTheCurrentOne) {
    const INT_PTR sheet = ChooseMode(
        1,
        {[&](HWND dialog) {
             EXPECT_FALSE(Enabled(dialog, kIdEntryName));  // no code yet
             EXPECT_FALSE(Enabled(dialog, kIdEntryNameLabel));
             EXPECT_TRUE(Enabled(dialog, kIdEntryJobName));
         },
         // The password edit opens once the code is left.
         TypeInto(kIdEntryCode, u"TARO"), TypeInto(kIdEntryJobName, u"weekly"), TypeInto(kIdEntryName, u"1234"),
         [&](HWND dialog) {
             EXPECT_TRUE(Enabled(dialog, kIdEntryName));
             const int document = IndexWithData(dialog, kIdEntryJobNameKind, 1);
             ASSERT_GE(document, 0);
             EXPECT_TRUE(PlatChoose(GetDlgItem(dialog, kIdEntryJobNameKind), document));
             EXPECT_FALSE(Enabled(dialog, kIdEntryJobName));
             EXPECT_FALSE(Enabled(dialog, kIdEntryJobNameLabel));
             // The dialog edits the scratch record only.
             EXPECT_EQ(GetText(ui_->scratchDevmode, dm::HoldUserName), u"TARO");
             EXPECT_EQ(GetText(ui_->currentDevmode, dm::HoldUserName), u"");
         },
         Press(kIdEntryOk)},
        IDOK);
    EXPECT_EQ(sheet, 1);
    const DriverDevmode& r = ui_->appliedDevmode;
    EXPECT_EQ(Get(r, dm::HoldMode), 1u);
    EXPECT_EQ(GetText(r, dm::HoldUserName), u"TARO");
    EXPECT_EQ(GetText(r, dm::HoldPin), u"1234");
    EXPECT_EQ(GetText(r, dm::HoldJobName), u"weekly");
    EXPECT_EQ(Get(r, dm::JobNameFromDocument), 1u);
    EXPECT_EQ(PlatMessageBoxCount(), 0u);
}

// An edit still focused when OK is pressed by the keyboard is taken all the same.
TEST_F(TextEntry, OkTakesTheTextOfTheEditStillFocused) {
    ChooseMode(2, {TypeInto(kIdEntryCode, u"HANAKO"), TypeInto(kIdEntryJobName, u"draft"),
                   [&](HWND dialog) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kIdEntryOk, BN_CLICKED), 0); }});
    EXPECT_EQ(GetText(ui_->currentDevmode, dm::HoldJobName), u"draft");
    EXPECT_EQ(Get(ui_->currentDevmode, dm::HoldMode), 2u);
}

TEST_F(TextEntry, TheSetButtonReopensTheDialogAndDefaultsEmptyIt) {
    DriverDevmode& r = ui_->currentDevmode;
    Set(r, dm::HoldMode, DWORD{1});
    SetText(r, dm::HoldUserName, u"OLD");
    SetText(r, dm::HoldPin, u"99");
    SetText(r, dm::HoldJobName, u"kept");
    Set(r, dm::JobNameFromDocument, DWORD{1});
    Reopen({[&](HWND dialog) {
                EXPECT_EQ(ControlText(GetDlgItem(dialog, kIdEntryCode)), u"OLD");
                EXPECT_EQ(ControlText(GetDlgItem(dialog, kIdEntryName)), u"99");
                EXPECT_EQ(ControlText(GetDlgItem(dialog, kIdEntryJobName)), u"kept");
                EXPECT_FALSE(Enabled(dialog, kIdEntryJobName));
            },
            Press(kIdEntryDefaults),
            [&](HWND dialog) {
                for (int id : {kIdEntryCode, kIdEntryName, kIdEntryJobName})
                    EXPECT_EQ(ControlText(GetDlgItem(dialog, id)), u"") << id;
                EXPECT_EQ(SendDlgItemMessageW(dialog, kIdEntryJobNameKind, CB_GETCURSEL, 0, 0), 0);
                EXPECT_FALSE(Enabled(dialog, kIdEntryName));
                EXPECT_TRUE(Enabled(dialog, kIdEntryJobName));
            },
            Press(kIdEntryCancel)});
    // Cancel with a code in the current record: no warning, nothing taken.
    ExpectWarnings({});
    EXPECT_EQ(Get(r, dm::HoldMode), 1u);
    EXPECT_EQ(GetText(r, dm::HoldUserName), u"OLD");
    EXPECT_EQ(Get(r, dm::JobNameFromDocument), 1u);
}

// ---- The mode combo ----------------------------------------------------------------------------

TEST_F(TextEntry, TheModeComboOpensTheDialogOfTheModeOrSaysWhatIsMissing) {
    struct Case {
        const char* what;
        DWORD mode;
        bool disk, finisher;
        SHORT copies;
        UINT warning;  // 0: the dialog opens
    };
    const Case cases[] = {
        {"stored, nothing holds the job", 1, false, false, 3, kWarnStoredNeedsDevice},
        {"stored, the disk", 1, true, false, 1, 0},
        {"stored, the finisher", 1, false, true, 3, 0},
        {"proof, the disk, one copy", 2, true, false, 1, kWarnProofNeedsCopies},
        {"proof, nothing, one copy", 2, false, false, 1, kWarnProofNeedsDeviceAndCopies},
        {"proof, nothing, three copies", 2, false, false, 3, kWarnProofNeedsDevice},
        {"proof, the finisher, three copies", 2, false, true, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlatResetMessageBoxes();
        PlatResetBeeps();
        DriverDevmode& r = ui_->currentDevmode;
        Set(r, dm::HoldMode, DWORD{0});
        SetText(r, dm::HoldUserName, u"");
        Set(r, dm::DeviceState(dm::kHdd), WORD(c.disk ? 8 : 0));
        Set(r, dm::DeviceState(dm::kFinisher1), WORD(c.finisher ? 8 : 0));
        Set(r, dm::Copies, c.copies);
        std::vector<Step> inDialog;
        if (c.warning == 0) {
            inDialog = {[&](HWND dialog) {
                            // Stored printing asks for a password, proof printing does not.
                            EXPECT_EQ(GetDlgItem(dialog, kIdEntryName) != nullptr, c.mode == 1);
                        },
                        TypeInto(kIdEntryCode, u"U1"), Press(kIdEntryOk)};
        } else {
            PlatQueueMessageBoxAnswer(IDOK);
        }
        ChooseMode(c.mode, inDialog);
        ExpectWarnings(c.warning ? std::vector<UINT>{c.warning} : std::vector<UINT>{});
        EXPECT_EQ(Get(r, dm::HoldMode), c.warning ? 0u : c.mode);
    }
}

TEST_F(TextEntry, NormalPrintingClearsTheModeWithoutAsking) {
    DriverDevmode& r = ui_->currentDevmode;
    Set(r, dm::HoldMode, DWORD{1});
    SetText(r, dm::HoldUserName, u"U1");
    Script script;
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        EXPECT_TRUE(PlatChoose(GetDlgItem(page, kIdEntryMode), IndexWithData(page, kIdEntryMode, 0)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, basic_ids::kHoldSettings)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, IDAPPLY)));
    });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(Get(r, dm::HoldMode), 0u);
    ExpectWarnings({});
}

TEST_F(TextEntry, OneCopyInProofPrintingBecomesTwo) {
    DriverDevmode& r = ui_->currentDevmode;
    Set(r, dm::HoldMode, DWORD{2});
    SetText(r, dm::HoldUserName, u"U1");
    PlatQueueMessageBoxAnswer(IDOK);
    Script script;
    script.steps.push_back([&](HWND sheet) {
        HWND copies = GetDlgItem(PageOf(sheet), kIdCopies);
        EXPECT_TRUE(PlatType(copies, u"1"));
        EXPECT_EQ(ControlText(copies), u"2");
    });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
    ExpectWarnings({kWarnProofOneCopy});
    EXPECT_EQ(Get(r, dm::Copies), 2);
    EXPECT_EQ(Get(r, dm::HoldMode), 2u);
}

// ---- The configuration button ------------------------------------------------------------------

class ConfigButton : public pages_test::BasicPageSheet {
protected:
    void TearDown() override {
        manager_.reset();
        BasicPageSheet::TearDown();
    }
    // The page open with the printer reporting its configuration and a user who may change it.
    void AllowRetrieval() {
        ui_->printerConfig.extStatus = kConfigFromPrinter;
        ui_->flags |= kUiCanChange;
    }
    // The status manager installed, with the printer's status as the monitor published it.
    void InstallStatusManager(DWORD extStatus) {
        ASSERT_TRUE(
            PlatCopyIntoSandbox((orla_test::BinDir() + "/Dorlik.dll").c_str(), u"C:\\Windows\\System32\\Dorlik.DLL"));
        manager_.reset(LoadLibraryW(u"C:\\Windows\\System32\\Dorlik.DLL"));
        ASSERT_NE(manager_, nullptr);
        auto write = orla_ui_test::ProcEntry<PFN_DorlikWriteVariable>(manager_.get(), "DorlikWriteVariable");
        ASSERT_NE(write, nullptr);
        ASSERT_EQ(write(u"Halvoric", "PrinterExtStatus", &extStatus, 4), DORLIK_OK);
    }
    // Clicks the button; what the click leaves: whether the page told the sheet of a change.
    bool ClickGetConfiguration() {
        bool changed = false;
        Script script;
        script.steps.push_back([&](HWND sheet) {
            HWND page = PageOf(sheet);
            FillPaperPageControls(&page_, page);
            EXPECT_TRUE(PlatClick(GetDlgItem(page, basic_ids::kGetConfiguration)));
            changed = IsWindowEnabled(GetDlgItem(sheet, IDAPPLY)) != FALSE;
        });
        script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
        Run(script);
        EXPECT_FALSE(script.ranOut);
        return changed;
    }
    orla_ui_test::LibraryPtr manager_;
};

TEST_F(ConfigButton, EnabledForAPrinterThatReportsItsConfigurationToAUserWhoMayChange) {
    struct Case {
        DWORD extStatus;
        DWORD flags;
        bool enabled;
    } const cases[] = {
        {kConfigFromPrinter, kUiCanChange, true},
        {kConfigFromPrinter | kConfigNoRefreshNeeded, kUiCanChange | kUiDataWritable, true},
        {0, kUiCanChange, false},
        {kConfigNoRefreshNeeded, kUiCanChange, false},
        {kConfigFromPrinter, kUiDataWritable, false},
        {kConfigFromPrinter, 0, false},
    };
    Script script;
    script.steps.push_back([&](HWND sheet) {
        HWND page = PageOf(sheet);
        for (const Case& c : cases) {
            ui_->printerConfig.extStatus = c.extStatus;
            ui_->flags = c.flags;
            FillPaperPageControls(&page_, page);
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, basic_ids::kGetConfiguration)) != FALSE, c.enabled)
                << c.extStatus << " " << c.flags;
        }
    });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
    EXPECT_FALSE(script.ranOut);
}

// Read at once: the record takes the configuration and the page is changed.
TEST_F(ConfigButton, AConfigurationReadMarksThePageChanged) {
    ASSERT_NO_FATAL_FAILURE(InstallStatusManager(kConfigFromPrinter | kConfigNoRefreshNeeded));
    AllowRetrieval();
    EXPECT_TRUE(ClickGetConfiguration());
    EXPECT_EQ(PlatMessageBoxCount(), 0u);
    EXPECT_EQ(ui_->printerConfig.hStatusLib, nullptr);  // the dialog gave the manager back
}

// Without a status manager the dialog says so and the page stays unchanged.
TEST_F(ConfigButton, NoStatusManagerWarnsAndChangesNothing) {
    AllowRetrieval();
    PlatQueueMessageBoxAnswer(IDOK);
    EXPECT_FALSE(ClickGetConfiguration());
    ASSERT_EQ(PlatMessageBoxCount(), 1u);
    PLAT_MESSAGE_BOX_RECORD box{};
    ASSERT_TRUE(PlatGetMessageBox(0, &box));
    EXPECT_EQ(std::u16string(box.text), orla_ui_test::ResourceText(printer_, 819));
    EXPECT_EQ(std::u16string(box.caption), u"Halvoric");
}

// ---- Help ----------------------------------------------------------------------------------------

class PageHelp : public pages_test::BasicPageSheet {
protected:
    void SetUp() override {
        BasicPageSheet::SetUp();
        help_.Start(ui_.get());
        if (HasFatalFailure()) return;
    }
    void TearDown() override {
        help_.Stop();
        BasicPageSheet::TearDown();
    }
    std::u16string Log() { return help_.Log(); }
    pages_test::HelpStandIn help_;
};

TEST_F(PageHelp, TheHelpButtonAndTheSheetsHelpOpenThePageTopic) {
    const std::u16string topic = u"15 C:\\help\\orla.chm 32785 -> window\n";
    Script script;
    script.steps.push_back([&](HWND sheet) {
        EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), 1004)));
        EXPECT_EQ(Log(), topic);
        EXPECT_TRUE(PlatPressButton(sheet, IDHELP));
        EXPECT_EQ(Log(), topic + topic);
    });
    script.steps.push_back([&](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(PlatMessageBoxCount(), 0u);  // no "not built yet" box
}

TEST_F(PageHelp, TheTextEntryDialogsHelpButtonsOpenTheirTopics) {
    Set(ui_->currentDevmode, dm::DeviceState(dm::kHdd), WORD{8});
    SetText(ui_->currentDevmode, dm::HoldUserName, u"U1");
    Set(ui_->currentDevmode, dm::HoldMode, DWORD{1});
    Script script;
    script.steps.push_back(
        [&](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), basic_ids::kHoldSettings))); });
    script.steps.push_back([&](HWND dialog) {
        for (int id : {kIdEntryCodeHelp, kIdEntryNameHelp, kIdEntryHelp}) EXPECT_TRUE(PlatPressButton(dialog, id));
        EXPECT_EQ(Log(),
                  u"15 C:\\help\\orla.chm 32788 -> window\n"
                  u"15 C:\\help\\orla.chm 32768 -> window\n"
                  u"15 C:\\help\\orla.chm 32785 -> window\n");
        EXPECT_TRUE(PlatPressF1(GetDlgItem(dialog, kIdEntryCode)));  // no help table entry: nothing
        EXPECT_TRUE(PlatPressButton(dialog, kIdEntryCancel));
    });
    script.steps.push_back([](HWND sheet) { CloseSheet(sheet, IDCANCEL); });
    Run(script);
    EXPECT_FALSE(script.ranOut);
    EXPECT_EQ(Log().size(), 3 * std::u16string(u"15 C:\\help\\orla.chm 32785 -> window\n").size());
}

}  // namespace
