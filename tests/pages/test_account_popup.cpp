// The account pop-up at the start of a job, driven as a user would: OK only with a user ID,
// passwords of 1 to 3 bytes refused with message 891, IDs and passwords counted in bytes of the
// system code page, the last entry shown with "DAT_Dsp_Beforeset", the user ID hidden in template
// 3560, Cancel with the built-in warning; and the same through the start of a job, where the
// entered account reaches the graphics DLL and the user's memory.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plat/message_box.h"
#include "plat/window_render.h"
#include "resources/lang/account_popup_ids.h"
#include "tests/pages/page_fixture.h"
#include "tests/pages/reference_picture.h"
#include "tests/platform_ui/dialog_fixture.h"
#include "tests/ui/document_event_fixture.h"
#include "ui/entry/document_events.h"
#include "ui/pages/account_popup.h"
#include "win/registry.h"

// Named, not anonymous: the unity batches put this file beside the other page tests.
namespace account_popup_test {

using namespace orla;
using uitest::Script;
namespace ids = orla_res::account_popup;

constexpr char16_t kCancelledText[] = u"印刷ジョブをキャンセルします。";
constexpr char16_t kWarningCaption[] = u"警告";

std::u16string Text(HWND dialog, int id) {
    WCHAR text[128] = {};
    const int n = GetDlgItemTextW(dialog, id, text, 128);
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

bool OkEnabled(HWND dialog) {
    return IsWindowEnabled(GetDlgItem(dialog, ids::kOk)) != FALSE;
}

void SetFlag(DriverDevmode& r, DWORD bit, bool on) {
    const DWORD flags = Get(r, dm::Flags2);
    Set(r, dm::Flags2, on ? (flags | bit) : (flags & ~bit));
}

std::vector<PLAT_MESSAGE_BOX_RECORD> Boxes() {
    std::vector<PLAT_MESSAGE_BOX_RECORD> boxes(PlatMessageBoxCount());
    for (DWORD i = 0; i < boxes.size(); ++i) EXPECT_TRUE(PlatGetMessageBox(i, &boxes[i]));
    return boxes;
}

std::u16string ResourceText(HMODULE module, UINT id) {
    WCHAR text[256] = {};
    const int n = LoadStringW(module, id, text, 256);
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

class AccountPopup : public pages_test::PageSandbox {
protected:
    void SetUp() override {
        PageSandbox::SetUp();
        // The English build's user: the English resource DLL, as the dialog shows there.
        if (!kJapaneseBuild) UseEnglishResources();
        if (HasFatalFailure()) return;
        PlatResetMessageBoxes();
        PlatResetBeeps();
        DriverDevmode& r = ui_->currentDevmode;
        SetFlag(r, kFlags2DisplayBeforeSet, false);
        SetFlag(r, kFlags2UserIdAsterisk, false);
        SetText(r, dm::PopUserId, u"");
        SetText(r, dm::PopPassword, u"");
        ui_->appliedDevmode = r;
    }
    void TearDown() override {
        EXPECT_EQ(PlatUnexpectedMessageBoxCount(), 0u);
        PlatResetMessageBoxes();
        PageSandbox::TearDown();
    }
    // A pop-up the script left open is cancelled rather than hanging the test.
    INT_PTR Show(Script& script) {
        uitest::ScriptScope scope(script);
        return ShowAccountPopup(ui_.get());
    }
    void ExpectCancelledBox() {
        const auto boxes = Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(std::u16string(boxes[0].text), kCancelledText);
        EXPECT_EQ(std::u16string(boxes[0].caption), kWarningCaption);
        EXPECT_EQ(boxes[0].owner, nullptr);
        EXPECT_EQ(boxes[0].flags & 0xF0u, static_cast<UINT>(MB_ICONWARNING));
    }
};

TEST_F(AccountPopup, OkNeedsAUserIdAndTakesTheEntryIntoBothRecords) {
    Script script;
    script.steps.push_back([](HWND d) {
        EXPECT_EQ(Text(d, ids::kUserId), u"");
        EXPECT_FALSE(OkEnabled(d));
        EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kUserId), u"u1"));
        EXPECT_TRUE(OkEnabled(d));
        SetDlgItemTextW(d, ids::kUserId, u"");
        EXPECT_FALSE(OkEnabled(d)) << "emptied again";
        EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kUserId), u"tanaka"));
        EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kPassword), u"pw1234"));
        EXPECT_TRUE(PlatPressButton(d, ids::kOk));
    });
    EXPECT_EQ(Show(script), 1);
    EXPECT_FALSE(script.ranOut);
    for (const DriverDevmode* r : {&ui_->currentDevmode, &ui_->appliedDevmode}) {
        EXPECT_EQ(GetText(*r, dm::PopUserId), u"tanaka");
        EXPECT_EQ(GetText(*r, dm::PopPassword), u"pw1234");
    }
    EXPECT_EQ(PlatMessageBoxCount(), 0u);
}

// Passwords by their bytes in the system code page: 1 to 3 are refused with message 891 (the
// field emptied and focused, the dialog open), none or 4 and more are taken.
TEST_F(AccountPopup, ShortPasswordsAreRefusedAndAnEmptyOneTaken) {
    const struct {
        const char16_t* password;
        bool refused;
    } cases[] = {
        {u"", false}, {u"a", true}, {u"abc", true}, {u"abcd", false}, {u"パ", true}, {u"パス", false},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(index++);
        PlatResetMessageBoxes();
        SetText(ui_->appliedDevmode, dm::PopPassword, u"before");
        if (c.refused) PlatQueueMessageBoxAnswer(IDOK);
        bool stayedOpen = false;
        Script script;
        script.steps.push_back([&](HWND d) {
            EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kUserId), u"id"));
            if (c.password[0]) {
                EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kPassword), c.password));
            }
            EXPECT_TRUE(PlatPressButton(d, ids::kOk));
        });
        script.steps.push_back([&](HWND d) {
            // Only a refused password leaves the dialog open for this step.
            stayedOpen = true;
            EXPECT_EQ(Text(d, ids::kPassword), u"");
            EXPECT_EQ(GetFocus(), GetDlgItem(d, ids::kPassword));
            EXPECT_TRUE(PlatPressButton(d, ids::kOk));  // now with no password: taken
        });
        EXPECT_EQ(Show(script), 1);
        EXPECT_EQ(stayedOpen, c.refused);
        EXPECT_EQ(GetText(ui_->appliedDevmode, dm::PopPassword), c.refused ? u"" : c.password);
        const auto boxes = Boxes();
        ASSERT_EQ(boxes.size(), c.refused ? 1u : 0u);
        if (c.refused) {
            EXPECT_EQ(std::u16string(boxes[0].text), ResourceText(ui_->hResDll, ids::kWarnShortPassword));
            EXPECT_EQ(boxes[0].flags & 0xF0u, static_cast<UINT>(MB_ICONWARNING));
        }
    }
}

// The user ID: more than 32 bytes beeps and puts the kept ID back; a character the system code
// page cannot carry puts it back too.
TEST_F(AccountPopup, UserIdsOverTheByteLimitOrOutsideTheCodePageAreNotTaken) {
    const std::u16string sixteen(16, u'ア');  // 32 bytes: the most an ID takes
    Script script;
    script.steps.push_back([&](HWND d) {
        EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kUserId), sixteen.c_str()));
        EXPECT_EQ(Text(d, ids::kUserId), sixteen);
        PlatResetBeeps();
        EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kUserId), (sixteen + u"イ").c_str()));
        EXPECT_EQ(Text(d, ids::kUserId), sixteen);
        EXPECT_GE(PlatBeepCount(), 1u);
        EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kUserId), u"ab\u0E01"));  // a Thai letter: not in the code page
        EXPECT_EQ(Text(d, ids::kUserId), u"ab");
        // A password over 12 bytes is cut back the same way.
        EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kPassword), u"パスワード一二三"));
        EXPECT_EQ(Text(d, ids::kPassword), u"パスワード一");
        EXPECT_TRUE(PlatPressButton(d, ids::kOk));
    });
    EXPECT_EQ(Show(script), 1);
    EXPECT_EQ(GetText(ui_->appliedDevmode, dm::PopUserId), u"ab");
    EXPECT_EQ(GetText(ui_->appliedDevmode, dm::PopPassword), u"パスワード一");
}

TEST_F(AccountPopup, CancelShowsTheBuiltInWarningAndKeepsTheRecords) {
    PlatQueueMessageBoxAnswer(IDOK);
    Script script;
    script.steps.push_back([](HWND d) {
        EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kUserId), u"someone"));
        EXPECT_TRUE(PlatPressButton(d, ids::kCancel));
    });
    EXPECT_EQ(Show(script), 0);
    ExpectCancelledBox();
    EXPECT_EQ(GetText(ui_->currentDevmode, dm::PopUserId), u"");
    EXPECT_EQ(GetText(ui_->appliedDevmode, dm::PopUserId), u"");
}

TEST_F(AccountPopup, TheCloseBoxCancelsToo) {
    PlatQueueMessageBoxAnswer(IDOK);
    Script script;
    script.steps.push_back([](HWND d) { SendMessageW(d, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(Show(script), 0);
    ExpectCancelledBox();
}

// "DAT_Dsp_Beforeset": the record's last entry is shown; without it nothing of the record shows
// or goes with the job unseen.
TEST_F(AccountPopup, BeforesetShowsTheLastEntryAndOtherwiseNothingUnseenGoes) {
    for (const bool beforeset : {true, false}) {
        SCOPED_TRACE(beforeset);
        DriverDevmode& r = ui_->currentDevmode;
        SetFlag(r, kFlags2DisplayBeforeSet, beforeset);
        SetText(r, dm::PopUserId, u"last-id");
        SetText(r, dm::PopPassword, u"lastpw");
        Script script;
        script.steps.push_back([&](HWND d) {
            EXPECT_EQ(Text(d, ids::kUserId), beforeset ? u"last-id" : u"");
            EXPECT_EQ(Text(d, ids::kPassword), beforeset ? u"lastpw" : u"");
            EXPECT_EQ(OkEnabled(d), beforeset);
            if (!beforeset) {
                EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kUserId), u"new-id"));
            }
            EXPECT_TRUE(PlatPressButton(d, ids::kOk));
        });
        EXPECT_EQ(Show(script), 1);
        EXPECT_EQ(GetText(ui_->appliedDevmode, dm::PopUserId), beforeset ? u"last-id" : u"new-id");
        EXPECT_EQ(GetText(ui_->appliedDevmode, dm::PopPassword), beforeset ? u"lastpw" : u"");
    }
}

// Template 3560 hides the user ID as it is typed ("DAT_UserID_Asterisk"); 3550 shows it. Both
// hide the password.
TEST_F(AccountPopup, AsteriskFlagChoosesTheDialogThatHidesTheUserId) {
    for (const bool hidden : {false, true}) {
        SCOPED_TRACE(hidden);
        SetFlag(ui_->currentDevmode, kFlags2UserIdAsterisk, hidden);
        Script script;
        script.steps.push_back([&](HWND d) {
            const LONG idStyle = GetWindowLongW(GetDlgItem(d, ids::kUserId), GWL_STYLE);
            EXPECT_EQ((idStyle & ES_PASSWORD) != 0, hidden);
            EXPECT_NE(GetWindowLongW(GetDlgItem(d, ids::kPassword), GWL_STYLE) & ES_PASSWORD, 0);
            EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kUserId), u"abc"));
            EXPECT_TRUE(PlatPressButton(d, ids::kOk));
        });
        EXPECT_EQ(Show(script), 1);
        EXPECT_EQ(GetText(ui_->appliedDevmode, dm::PopUserId), u"abc") << "the hidden ID is kept all the same";
    }
}

TEST_F(AccountPopup, BothDialogsLookAsTheirReferences) {
    for (const bool hidden : {false, true}) {
        SetFlag(ui_->currentDevmode, kFlags2UserIdAsterisk, hidden);
        Script script;
        script.steps.push_back([&](HWND d) {
            EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kUserId), u"tanaka"));
            EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kPassword), u"pw1234"));
            LONG w = 0, h = 0;
            const DWORD size = PlatRenderWindow(d, nullptr, 0, &w, &h);
            ASSERT_GT(size, 0u);
            std::vector<BYTE> rgb(size);
            ASSERT_EQ(PlatRenderWindow(d, rgb.data(), size, &w, &h), size);
            const std::string name =
                std::string(hidden ? "account_popup_3560" : "account_popup_3550") + (kJapaneseBuild ? "_ja" : "_en");
            pages_test::ExpectLikeReferencePicture(rgb, w, h, name);
            EXPECT_TRUE(PlatPressButton(d, ids::kOk));
        });
        EXPECT_EQ(Show(script), 1);
    }
}

// ---- Through the start of a job ----

class AccountPopupAtStartDoc : public orla_ui_test::DocumentEventTest {
protected:
    void SetUp() override {
        DocumentEventTest::SetUp();
        PlatResetMessageBoxes();
        system_.showAccountPopup = ShowAccountPopup;
    }
    void TearDown() override {
        EXPECT_EQ(PlatUnexpectedMessageBoxCount(), 0u);
        PlatResetMessageBoxes();
        DocumentEventTest::TearDown();
    }
    void PrinterAccount(std::optional<DWORD> jbaType, DWORD beforeSet = 0) {
        PutDword(u"DAT_Account_Mode", 0);
        if (jbaType)
            PutDword(u"DAT_Jba_Type", *jbaType);
        else
            DeletePrinterDataW(printer_, const_cast<LPWSTR>(u"DAT_Jba_Type"));
        PutDword(u"DAT_Dsp_Beforeset", beforeSet);
    }
    LONG StartDocPost(Script& script) {
        uitest::ScriptScope scope(script);
        DWORD job = jobId_;
        return HandleDocumentEvent(system_, printer_, orla_ui_test::kAppDc, kDocumentEventStartDocPost, sizeof job,
                                   &job, 0, nullptr);
    }
    // The user types an ID and a password and presses OK.
    static Script Entering(const char16_t* id, const char16_t* password, bool* shown) {
        Script script;
        script.steps.push_back([=](HWND d) {
            *shown = true;
            EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kUserId), id));
            if (password[0]) {
                EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kPassword), password));
            }
            EXPECT_TRUE(PlatPressButton(d, ids::kOk));
        });
        return script;
    }
    DocumentEventSystem system_ = orla_ui_test::kFakeSystem;
    const std::u16string popupKey_ = u"Software\\QEV\\JBAPOP\\Halvoric";
};

// "DAT_Jba_Type" 0 asks for the account first, before the print-time dialog; a value that cannot
// be read never does.
TEST_F(AccountPopupAtStartDoc, TypeZeroShowsThePopupFirstAndUnreadableNever) {
    app_.modulePath = u"C:\\Office\\WINWORD.EXE";
    app_.versionMS = orla_ui_test::FileVersionMS(9, 0);
    SwitchDialog(1);
    const struct {
        std::optional<DWORD> jbaType;
        bool popup;
    } cases[] = {{0, true}, {std::nullopt, false}, {kFlags2JbaType, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.popup);
        PrinterAccount(c.jbaType);
        app_ = orla_ui_test::FakeApplication{};
        app_.modulePath = u"C:\\Office\\WINWORD.EXE";
        app_.versionMS = orla_ui_test::FileVersionMS(9, 0);
        bool shown = false;
        int popupBeforeDialog = -1;
        app_.onDialog = [&](UiContext*) { popupBeforeDialog = shown ? 1 : 0; };
        Script script = Entering(u"sato", u"", &shown);
        EXPECT_EQ(StartDocPost(script), kDocumentEventSuccess);
        EXPECT_EQ(shown, c.popup);
        EXPECT_EQ(popupBeforeDialog, c.popup ? 1 : 0);
        EXPECT_EQ(app_.dialogs, 1);
        // The English build hands the dialog's settings over by ResetDC.
        std::vector<int> codes{kEscapeSetDcHandle};
        if (kJapaneseBuild) codes.insert(codes.begin(), kEscapeSetJobSettings);
        if (c.popup) codes.insert(codes.begin(), kEscapeSetAccount);
        EXPECT_EQ(app_.Codes(), codes);
        if (c.popup) {
            ASSERT_FALSE(app_.escapes.empty());
            EXPECT_EQ(GetText(std::span<const BYTE>(app_.escapes[0].input), dm::PopUserId), u"sato");
        }
    }
}

TEST_F(AccountPopupAtStartDoc, CancelShowsTheWarningAndTheStartFails) {
    PrinterAccount(0);
    PlatQueueMessageBoxAnswer(IDOK);
    Script script;
    script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatPressButton(d, ids::kCancel)); });
    EXPECT_EQ(StartDocPost(script), kDocumentEventFailure);
    ASSERT_EQ(PlatMessageBoxCount(), 1u);
    PLAT_MESSAGE_BOX_RECORD box{};
    ASSERT_TRUE(PlatGetMessageBox(0, &box));
    EXPECT_EQ(std::u16string(box.text), kCancelledText);
    // No account went out; the owner record and the handle still did.
    EXPECT_EQ(app_.Codes(), (std::vector<int>{kEscapeSetJobOwner, kEscapeSetDcHandle}));
}

// "DAT_Dsp_Beforeset": the user's last entry fills the pop-up, and the confirmed one is kept in
// the user's pop-up memory for the next job.
TEST_F(AccountPopupAtStartDoc, BeforesetPrefillsAndStoresTheEntry) {
    PrinterAccount(0, kFlags2DisplayBeforeSet);
    PutUserBinary(popupKey_, u"DAT_Pop_UserID", std::vector<BYTE>{'k', 0, 'a', 0, 't', 0, 'o', 0});
    std::u16string shownId;
    Script script;
    script.steps.push_back([&](HWND d) {
        shownId = Text(d, ids::kUserId);
        EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kUserId), u"ito"));
        EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kPassword), u"9876"));
        EXPECT_TRUE(PlatPressButton(d, ids::kOk));
    });
    EXPECT_EQ(StartDocPost(script), kDocumentEventSuccess);
    EXPECT_EQ(shownId, u"kato");
    std::vector<BYTE> id = UserBinary(popupKey_, u"DAT_Pop_UserID");
    std::vector<BYTE> password = UserBinary(popupKey_, u"DAT_Pop_Password");
    ASSERT_EQ(id.size(), 66u);
    ASSERT_EQ(password.size(), 26u);
    EXPECT_EQ(GetText(std::span<const BYTE>(id.data(), id.size()), DmText{0, 33}), u"ito");
    EXPECT_EQ(GetText(std::span<const BYTE>(password.data(), password.size()), DmText{0, 13}), u"9876");
}

}  // namespace account_popup_test
