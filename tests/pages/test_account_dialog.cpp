// The account dialog opened from the device settings page, driven as a user would: it edits the
// scratch record, OK copies it over the current record and keeps the account block of the mode,
// Cancel leaves the current record; passwords of 1 to 3 bytes and a missing user ID are refused;
// a read-only dialog leaves only Cancel and Help.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "plat/control.h"
#include "plat/window_render.h"
#include "tests/pages/device_sheet.h"
#include "tests/pages/reference_picture.h"

// Named, not anonymous: the unity batches put this file beside the other page tests.
namespace account_dialog_test {

using namespace orla;
using namespace pages_test::device_fields;
using pages_test::Enabled;
using pages_test::PageOf;
using uitest::Script;
namespace ids = orla_res::device_page;

constexpr DWORD kAccountOn = 0x00200000, kLogonName = 0x00400000, kShowLast = 0x00800000, kHide = 0x01000000;
constexpr DWORD kPerUser = 0x00100000;

struct UserNameScope {
    explicit UserNameScope(LPCWSTR name) { PlatSetUserName(name); }
    ~UserNameScope() { PlatSetUserName(nullptr); }
};

std::u16string Text(HWND dialog, int id) {
    WCHAR text[128] = {};
    const int n = GetDlgItemTextW(dialog, id, text, 128);
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

class AccountDialog : public pages_test::DeviceSheet {
protected:
    // The record as the dialog starts: account on, entered user ID "alice", password "pass1".
    void SetUp() override {
        DeviceSheet::SetUp();
        DriverDevmode& r = ui_->currentDevmode;
        Set(r, kFlags2, (Get(r, kFlags2) & ~0x01F00000u) | kAccountOn);
        SetText(r, kUserId, u"alice");
        SetText(r, kPassword, u"pass1");
    }
    // Opens the dialog from the page; the steps then act in it.
    void Open(Script& script) {
        script.steps.push_back(
            [](HWND sheet) { EXPECT_TRUE(PlatClick(GetDlgItem(PageOf(sheet), ids::kAccountSettings))); });
    }
    void Close(Script& script) {
        script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDOK)); });
    }
    // The warning boxes shown so far, by their texts.
    std::vector<std::u16string> Warnings() const {
        std::vector<std::u16string> texts;
        for (DWORD i = 0; i < PlatMessageBoxCount(); ++i) {
            PLAT_MESSAGE_BOX_RECORD box{};
            if (!PlatGetMessageBox(i, &box)) break;
            EXPECT_EQ(box.flags & 0xF0u, static_cast<UINT>(MB_ICONWARNING));
            EXPECT_EQ(std::u16string(box.caption), kJapaneseBuild ? u"警告" : u"Warning");
            texts.emplace_back(box.text);
        }
        return texts;
    }
};

TEST_F(AccountDialog, OkTakesTheScratchRecordAndKeepsTheBlockOfTheMode) {
    Script script;
    Open(script);
    script.steps.push_back([](HWND d) {
        EXPECT_EQ(Text(d, ids::kUserId), u"alice");
        EXPECT_EQ(Text(d, ids::kPassword), u"pass1");
        EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kUserId), u"bob"));
    });
    script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kPassword), u"secret")); });
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(GetText(ui_->scratchDevmode, kUserId), u"bob");
        EXPECT_EQ(GetText(ui_->currentDevmode, kUserId), u"alice") << "the dialog edits the scratch record";
        EXPECT_TRUE(PlatPressButton(d, ids::kAccountOk));
    });
    Close(script);
    EXPECT_EQ(Run(script), 1);
    EXPECT_FALSE(script.ranOut);
    const DriverDevmode& a = ui_->appliedDevmode;
    EXPECT_EQ(GetText(a, kUserId), u"bob");
    EXPECT_EQ(GetText(a, kPassword), u"secret");
    // Machine-wide mode: the printer-data block keeps them; the per-user block is untouched.
    EXPECT_EQ(std::u16string(ui_->accountSaved.userId), u"bob");
    EXPECT_EQ(std::u16string(ui_->accountSaved.password), u"secret");
    EXPECT_EQ(ui_->accountSaved.flags & 0x01E00000u, kAccountOn);
    EXPECT_NE(std::u16string(ui_->accountSavedUser.userId), u"bob");
}

TEST_F(AccountDialog, CancelLeavesTheCurrentRecord) {
    // The Cancel button, and Escape (IDCANCEL from the dialog manager).
    for (int cancel : {ids::kAccountCancel, IDCANCEL}) {
        const DriverDevmode before = ui_->currentDevmode;
        Script script;
        Open(script);
        script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kPassword), u"other")); });
        script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kAccountOff))); });
        script.steps.push_back([cancel](HWND d) {
            EXPECT_TRUE(cancel == IDCANCEL ? PlatPressKey(GetDlgItem(d, ids::kShowLastEntry), VK_ESCAPE)
                                           : PlatPressButton(d, cancel));
        });
        script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
        Run(script);
        EXPECT_FALSE(script.ranOut);
        EXPECT_EQ(std::memcmp(before.bytes, ui_->currentDevmode.bytes, kDriverDevmodeSize), 0) << cancel;
        EXPECT_EQ(Get(ui_->scratchDevmode, kFlags2) & kAccountOn, 0u) << "the scratch record was edited";
    }
}

// Each control writes its bit of the scratch record: radios bit 21, the user ID kind bit 22, the
// checks bits 23 and 24.
TEST_F(AccountDialog, ControlsWriteTheirBits) {
    Script script;
    Open(script);
    script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatChoose(GetDlgItem(d, ids::kUserIdKind), 0)); });
    script.steps.push_back([&](HWND d) {
        EXPECT_NE(Get(ui_->scratchDevmode, kFlags2) & kLogonName, 0u);
        EXPECT_EQ(Text(d, ids::kUserId), GetText(ui_->scratchDevmode, kJobUser)) << "the logon name shows";
        EXPECT_FALSE(Enabled(d, ids::kUserId));
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kAccountOff)));
    });
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(Get(ui_->scratchDevmode, kFlags2) & kAccountOn, 0u);
        for (int id : {ids::kUserIdKind, ids::kUserId, ids::kPassword}) EXPECT_FALSE(Enabled(d, id)) << id;
        EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kShowLastEntry)));
    });
    script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kHideUserId))); });
    script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatPressButton(d, ids::kAccountOk)); });
    Close(script);
    EXPECT_EQ(Run(script), 1);
    EXPECT_EQ(Get(ui_->appliedDevmode, kFlags2) & 0x01E00000u, kLogonName | kShowLast | kHide);
}

// A password of 1 to 3 bytes is refused (warning 891, emptied) before any other command; an
// empty one and one of 4 bytes pass.
TEST_F(AccountDialog, ShortPasswordsAreRefusedBeforeOk) {
    struct Case {
        const char16_t* password;
        bool refused;
    } const cases[] = {{u"", false}, {u"a", true}, {u"abc", true}, {u"abcd", false}};
    for (const Case& c : cases) {
        PlatResetMessageBoxes();
        Script script;
        Open(script);
        script.steps.push_back([&](HWND d) {
            if (c.password[0])
                EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kPassword), c.password));
            else
                SetDlgItemTextW(d, ids::kPassword, u"");
        });
        script.steps.push_back([&](HWND d) {
            PlatQueueMessageBoxAnswer(IDOK);
            EXPECT_TRUE(PlatPressButton(d, ids::kAccountOk));
        });
        // Refused: still open, the password emptied and focused; OK again passes.
        if (c.refused)
            script.steps.push_back([&](HWND d) {
                EXPECT_EQ(Text(d, ids::kPassword), u"");
                PLAT_CONTROL_STATE state{};
                ASSERT_TRUE(PlatReadControl(GetDlgItem(d, ids::kPassword), &state));
                EXPECT_TRUE(state.focused);
                EXPECT_TRUE(PlatPressButton(d, ids::kAccountOk));
            });
        Close(script);
        Run(script);
        const std::vector<std::u16string> warnings = Warnings();
        if (c.refused) {
            ASSERT_EQ(warnings.size(), 1u);
            EXPECT_EQ(warnings[0], orla_ui_test::ResourceText(printer_, 891));
            EXPECT_EQ(GetText(ui_->appliedDevmode, kPassword), u"");
        } else {
            EXPECT_TRUE(warnings.empty());
            EXPECT_EQ(PlatPendingMessageBoxAnswers(), 1u);
            EXPECT_EQ(GetText(ui_->appliedDevmode, kPassword), c.password);
        }
        PlatResetMessageBoxes();
    }
}

// OK with account on and an entered user ID that is empty is refused with warning 890.
TEST_F(AccountDialog, OkWithoutUserIdIsRefused) {
    SetText(ui_->currentDevmode, kUserId, u"");
    Script script;
    Open(script);
    script.steps.push_back([](HWND d) {
        PlatQueueMessageBoxAnswer(IDOK);
        EXPECT_TRUE(PlatPressButton(d, ids::kAccountOk));
    });
    script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatType(GetDlgItem(d, ids::kUserId), u"carol")); });
    script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatPressButton(d, ids::kAccountOk)); });
    Close(script);
    EXPECT_EQ(Run(script), 1);
    const std::vector<std::u16string> warnings = Warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], orla_ui_test::ResourceText(printer_, 890));
    EXPECT_EQ(GetText(ui_->appliedDevmode, kUserId), u"carol");
}

// Over its byte limit, or outside the system code page, a user ID is not taken: the stored one
// comes back. 16 double-byte characters are 32 bytes; 17 are too many.
TEST_F(AccountDialog, UserIdOverItsLimitOrOutsideTheCodePageIsNotTaken) {
    const std::u16string sixteen(16, u'あ'), seventeen(17, u'あ');
    struct Case {
        std::u16string typed;
        std::u16string kept;
    } const cases[] = {{sixteen, sixteen}, {seventeen, u"alice"}, {u"Zoë", u"alice"}, {u"dave", u"dave"}};
    for (const Case& c : cases) {
        Script script;
        Open(script);
        script.steps.push_back([&](HWND d) {
            // A paste puts the whole text at once, past what typing would stop at.
            SetFocus(GetDlgItem(d, ids::kUserId));
            SetDlgItemTextW(d, ids::kUserId, c.typed.c_str());
        });
        script.steps.push_back([&](HWND d) {
            EXPECT_EQ(Text(d, ids::kUserId), c.kept);
            EXPECT_TRUE(PlatPressButton(d, ids::kAccountOk));
        });
        Close(script);
        EXPECT_EQ(Run(script), 1);
        EXPECT_EQ(GetText(ui_->appliedDevmode, kUserId), c.kept);
        SetText(ui_->currentDevmode, kUserId, u"alice");
    }
}

// A logon name the system code page cannot hold shows "UnknownUser" in logon-name mode.
TEST_F(AccountDialog, LogonNameOutsideTheCodePageShowsUnknownUser) {
    Set(ui_->currentDevmode, kFlags2, Get(ui_->currentDevmode, kFlags2) | kLogonName);
    for (const char16_t* name : {u"orla", u"Zoë"}) {
        UserNameScope user(name);
        std::u16string shown;
        Script script;
        Open(script);
        script.steps.push_back([&](HWND d) {
            shown = Text(d, ids::kUserId);
            EXPECT_TRUE(PlatPressButton(d, ids::kAccountCancel));
        });
        script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
        Run(script);
        EXPECT_EQ(shown, std::u16string(name) == u"orla" ? GetText(ui_->currentDevmode, kJobUser) : u"UnknownUser");
    }
}

// "Defaults" empties ID and password, turns bits 21 to 24 on and shows the record's user name.
TEST_F(AccountDialog, DefaultsTurnEverythingOn) {
    Script script;
    Open(script);
    script.steps.push_back([](HWND d) { EXPECT_TRUE(PlatClick(GetDlgItem(d, ids::kAccountDefaults))); });
    script.steps.push_back([&](HWND d) {
        EXPECT_EQ(Text(d, ids::kUserId), GetText(ui_->currentDevmode, kJobUser));
        EXPECT_EQ(Text(d, ids::kPassword), u"");
        EXPECT_EQ(IsDlgButtonChecked(d, ids::kAccountOn), static_cast<UINT>(BST_CHECKED));
        EXPECT_EQ(IsDlgButtonChecked(d, ids::kShowLastEntry), static_cast<UINT>(BST_CHECKED));
        EXPECT_EQ(IsDlgButtonChecked(d, ids::kHideUserId), static_cast<UINT>(BST_CHECKED));
        EXPECT_EQ(SendDlgItemMessageW(d, ids::kUserIdKind, CB_GETCURSEL, 0, 0), 0);
        EXPECT_TRUE(PlatPressButton(d, ids::kAccountOk));
    });
    Close(script);
    EXPECT_EQ(Run(script), 1);
    const DriverDevmode& a = ui_->appliedDevmode;
    EXPECT_EQ(Get(a, kFlags2) & 0x01E00000u, 0x01E00000u);
    EXPECT_EQ(GetText(a, kUserId), u"");
    EXPECT_EQ(GetText(a, kPassword), u"");
}

// Read-only exactly when the context may not change settings and the account is machine-wide:
// then only Cancel and Help are left.
TEST_F(AccountDialog, ReadOnlyLeavesOnlyCancelAndHelp) {
    struct Case {
        bool canChange;
        bool perUser;
        bool readOnly;
    } const cases[] = {{false, false, true}, {false, true, false}, {true, false, false}};
    for (const Case& c : cases) {
        ui_->flags = c.canChange ? (ui_->flags | kUiCanChange) : (ui_->flags & ~kUiCanChange);
        DriverDevmode& r = ui_->currentDevmode;
        Set(r, kFlags2, c.perUser ? (Get(r, kFlags2) | kPerUser) : (Get(r, kFlags2) & ~kPerUser));
        std::vector<int> enabled;
        Script script;
        Open(script);
        script.steps.push_back([&](HWND d) {
            for (HWND w = GetWindow(d, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
                if (IsWindowEnabled(w)) enabled.push_back(GetDlgCtrlID(w));
            EXPECT_TRUE(PlatPressButton(d, ids::kAccountCancel));
        });
        script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
        Run(script);
        EXPECT_EQ(page_.flags & kPageReadOnlyDialogs, c.canChange ? 0u : kPageReadOnlyDialogs);
        if (c.readOnly) {
            EXPECT_EQ(enabled, (std::vector<int>{ids::kAccountCancel, ids::kAccountHelp})) << c.perUser;
        } else {
            // Account on, entered ID: kind, ID and password open; the pop-up's checks closed.
            for (int id : {ids::kAccountOn, ids::kAccountOff, ids::kUserIdKind, ids::kUserId, ids::kPassword,
                           ids::kAccountOk, ids::kAccountDefaults})
                EXPECT_NE(std::find(enabled.begin(), enabled.end(), id), enabled.end()) << id;
            for (int id : {ids::kShowLastEntry, ids::kHideUserId})
                EXPECT_EQ(std::find(enabled.begin(), enabled.end(), id), enabled.end()) << id;
        }
    }
}

TEST_F(AccountDialog, LooksAsItsReference) {
    Script script;
    Open(script);
    script.steps.push_back([](HWND d) {
        LONG w = 0, h = 0;
        const DWORD size = PlatRenderWindow(d, nullptr, 0, &w, &h);
        ASSERT_GT(size, 0u);
        std::vector<BYTE> rgb(size);
        ASSERT_EQ(PlatRenderWindow(d, rgb.data(), size, &w, &h), size);
        pages_test::ExpectLikeReferencePicture(rgb, w, h, kJapaneseBuild ? "account_dialog_ja" : "account_dialog_en");
        EXPECT_TRUE(PlatPressButton(d, ids::kAccountCancel));
    });
    script.steps.push_back([](HWND sheet) { EXPECT_TRUE(PlatPressButton(sheet, IDCANCEL)); });
    Run(script);
    EXPECT_FALSE(script.ranOut);
}

}  // namespace account_dialog_test
