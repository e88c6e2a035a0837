// The account dialog of the device settings page: whether the jobs carry the account set here or
// the user enters one at print time, which user ID (the logon name or one typed here) and the
// password. It edits the scratch record; OK copies it over the current record and keeps the
// account block of the current mode in the UI context. IDs and passwords are counted in bytes of
// the system code page, as the printer receives them.
#include <string>

#include "core/ansi_text.h"
#include "core/build_variant.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/account_text.h"
#include "ui/pages/context_help.h"
#include "ui/pages/device_page_steps.h"
#include "ui/pages/device_pages.h"
#include "win/kernel.h"
#include "win/nls.h"
#include "win/user_controls.h"
#include "win/user_msg.h"

namespace orla {

namespace {

using namespace orla_res::device_page;

constexpr DWORD kLogonNameChars = 21;
constexpr char16_t kUnknownUser[] = u"UnknownUser";
constexpr LPARAM kKindLogonName = 0, kKindEntered = 1;

// What each control does with bit 21 of the record (account set here) on and off.
struct AccountControl {
    int id;
    bool enabledWithAccount;
    bool enabledWithoutAccount;
};
constexpr AccountControl kAccountControls[] = {
    {kUserIdKindLabel, true, false}, {kUserIdKind, true, false}, {kUserIdLabel, true, false},
    {kPasswordLabel, true, false},   {kPassword, true, false},   {kShowLastEntry, false, true},
    {kHideUserId, false, true},
};
// The check boxes and the bits they set.
struct AccountCheck {
    int id;
    DWORD bit;
};
constexpr AccountCheck kAccountChecks[] = {{kShowLastEntry, kFlags2DisplayBeforeSet},
                                           {kHideUserId, kFlags2UserIdAsterisk}};
// What a read-only dialog leaves usable.
constexpr int kReadOnlyUsable[] = {IDCANCEL, kAccountCancel, kAccountHelp};

constexpr HelpIdPair kAccountDialogHelp[] = {
    {kAccountOn, 28928},       {kUserIdKindLabel, 28929}, {kUserIdKind, 28929},
    {kUserIdLabel, 28930},     {kUserId, 28930},          {kPasswordLabel, 28931},
    {kPassword, 28931},        {kAccountOff, 28932},      {kShowLastEntry, 28933},
    {kHideUserId, 28934},      {kAccountOk, 28672},       {kAccountCancel, 28673},
    {kAccountDefaults, 20505}, {kAccountHelp, 28674},     {0, 0}};

DriverDevmode& Scratch(PageContext* page) {
    return page->uiContext->scratchDevmode;
}

bool HasBit(const DriverDevmode& r, DWORD bit) {
    return (Get(r, dm::Flags2) & bit) != 0;
}

void SetBit(DriverDevmode& r, DWORD bit, bool on) {
    const DWORD flags = Get(r, dm::Flags2);
    Set(r, dm::Flags2, on ? (flags | bit) : (flags & ~bit));
}

std::u16string ControlText(HWND dialog, int id) {
    WCHAR text[128] = {};
    const int n = GetDlgItemTextW(dialog, id, text, 128);
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

// The logon name, when the printer could be given it as it is.
bool LogonNameUsable() {
    WCHAR name[kLogonNameChars] = {};
    DWORD size = kLogonNameChars;
    if (!GetUserNameW(name, &size)) return false;
    return SurvivesCodePage(name);
}

// Filling the controls or warning: what the controls report meanwhile is not the user's.
struct BusyScope {
    explicit BusyScope(PageContext* p) : page(p), was(p->flags & kPageAccountBusy) { page->flags |= kPageAccountBusy; }
    ~BusyScope() { page->flags = (page->flags & ~kPageAccountBusy) | was; }
    PageContext* page;
    DWORD was;
};

void ShowUserId(PageContext* page, HWND dialog) {
    BusyScope busy(page);
    const DriverDevmode& r = Scratch(page);
    if (!HasBit(r, kFlags2JobOwnerType))
        SetDlgItemTextW(dialog, kUserId, GetText(r, dm::SetUserId).c_str());
    else
        SetDlgItemTextW(dialog, kUserId, LogonNameUsable() ? GetText(r, dm::JobUserName).c_str() : kUnknownUser);
}

bool ReadOnly(PageContext* page) {
    return (page->flags & kPageReadOnlyDialogs) && !HasBit(Scratch(page), kFlags2AccountPerUser);
}

void UpdateEnabling(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Scratch(page);
    const bool account = HasBit(r, kFlags2JbaType);
    for (const AccountControl& c : kAccountControls)
        EnableDialogControl(dialog, c.id, account ? c.enabledWithAccount : c.enabledWithoutAccount);
    EnableDialogControl(dialog, kUserId, account && !HasBit(r, kFlags2JobOwnerType));
    if (!ReadOnly(page)) return;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        bool usable = false;
        for (int id : kReadOnlyUsable) usable = usable || GetDlgCtrlID(c) == id;
        EnableWindow(c, usable ? TRUE : FALSE);
    }
}

// The controls as the scratch record stands.
void ShowScratch(PageContext* page, HWND dialog) {
    BusyScope busy(page);
    const DriverDevmode& r = Scratch(page);
    FillAccountModeCombo(dialog, r);
    ShowUserId(page, dialog);
    SetDlgItemTextW(dialog, kPassword, GetText(r, dm::SetPassword).c_str());
    CheckRadioButton(dialog, kAccountOn, kAccountOff, HasBit(r, kFlags2JbaType) ? kAccountOn : kAccountOff);
    for (const AccountCheck& c : kAccountChecks)
        CheckDlgButton(dialog, c.id, HasBit(r, c.bit) ? BST_CHECKED : BST_UNCHECKED);
    UpdateEnabling(page, dialog);
}

void Warn(PageContext* page, HWND dialog, UINT textId) {
    BusyScope busy(page);
    WCHAR text[256] = {};
    LoadStringW(page->uiContext->hResDll, textId, text, 256);
    MessageBeep(MB_ICONEXCLAMATION);
    MessageBoxW(dialog, text, kJapaneseBuild ? u"警告" : u"Warning", MB_OK | MB_ICONWARNING);
}

// A password of 1 to 3 bytes is refused before anything else happens: false, with the password
// emptied and focused.
bool PasswordLengthOk(PageContext* page, HWND dialog) {
    const int bytes = AnsiBytes(ControlText(dialog, kPassword));
    if (bytes < 1 || bytes > kShortPasswordBytes) return true;
    Warn(page, dialog, kWarnShortPassword);
    SetDlgItemTextW(dialog, kPassword, u"");
    SetFocus(GetDlgItem(dialog, kPassword));
    return false;
}

void OnUserIdKind(PageContext* page, HWND dialog) {
    const auto sel = SendDlgItemMessageW(dialog, kUserIdKind, CB_GETCURSEL, 0, 0);
    if (sel < 0) return;
    const LPARAM kind = SendDlgItemMessageW(dialog, kUserIdKind, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0);
    SetBit(Scratch(page), kFlags2JobOwnerType, kind == kKindLogonName);
    ShowUserId(page, dialog);
    UpdateEnabling(page, dialog);
}

// Puts the stored text back into the edit, the caret at its end.
void RestoreEdit(PageContext* page, HWND dialog, int id, const std::u16string& stored) {
    BusyScope busy(page);
    SetDlgItemTextW(dialog, id, stored.c_str());
    const auto end = static_cast<LPARAM>(stored.size());
    SendDlgItemMessageW(dialog, id, EM_SETSEL, static_cast<WPARAM>(end), end);
}

void OnUserIdEdited(PageContext* page, HWND dialog) {
    DriverDevmode& r = Scratch(page);
    if (HasBit(r, kFlags2JobOwnerType)) return;  // the edit shows the logon name
    const std::u16string text = ControlText(dialog, kUserId);
    const std::u16string stored = GetText(r, dm::SetUserId);
    if (AnsiBytes(text) > kUserIdBytes) {
        MessageBeep(MB_ICONEXCLAMATION);
        RestoreEdit(page, dialog, kUserId, stored);
    } else if (!SurvivesCodePage(text)) {
        RestoreEdit(page, dialog, kUserId, stored);
    } else if (text != stored) {
        SetText(r, dm::SetUserId, text);
    }
}

void OnPasswordEdited(PageContext* page, HWND dialog) {
    DriverDevmode& r = Scratch(page);
    const std::u16string text = ControlText(dialog, kPassword);
    const std::u16string stored = GetText(r, dm::SetPassword);
    if (AnsiBytes(text) > kPasswordBytes) {
        MessageBeep(MB_ICONEXCLAMATION);
        RestoreEdit(page, dialog, kPassword, stored);
    } else if (text != stored) {
        SetText(r, dm::SetPassword, text);
    }
}

void OnDefaults(PageContext* page, HWND dialog) {
    DriverDevmode& r = Scratch(page);
    SetText(r, dm::SetUserId, u"");
    SetText(r, dm::SetPassword, u"");
    SetBit(r, kFlags2AccountFlags, true);
    BusyScope busy(page);
    FillAccountModeCombo(dialog, r);
    SetDlgItemTextW(dialog, kUserId, GetText(r, dm::JobUserName).c_str());
    SetDlgItemTextW(dialog, kPassword, u"");
    CheckRadioButton(dialog, kAccountOn, kAccountOff, kAccountOn);
    for (const AccountCheck& c : kAccountChecks) CheckDlgButton(dialog, c.id, BST_CHECKED);
    UpdateEnabling(page, dialog);
}

void OnOk(PageContext* page, HWND dialog) {
    UiContext* ui = page->uiContext;
    const DriverDevmode& r = Scratch(page);
    if (HasBit(r, kFlags2JbaType) && !HasBit(r, kFlags2JobOwnerType) && GetText(r, dm::SetUserId).empty()) {
        Warn(page, dialog, kWarnNoUserId);
        return;
    }
    ui->currentDevmode = ui->scratchDevmode;
    SaveAccountBlock(ui);
    EndDialog(dialog, 1);
}

void OnButton(PageContext* page, HWND dialog, int id) {
    switch (id) {
        case kAccountOn:
        case kAccountOff:
            SetBit(Scratch(page), kFlags2JbaType, id == kAccountOn);
            UpdateEnabling(page, dialog);
            return;
        case kShowLastEntry:
        case kHideUserId:
            for (const AccountCheck& c : kAccountChecks)
                if (c.id == id) SetBit(Scratch(page), c.bit, IsDlgButtonChecked(dialog, id) == BST_CHECKED);
            return;
        case kAccountDefaults:
            OnDefaults(page, dialog);
            return;
        case kAccountOk:
            OnOk(page, dialog);
            return;
        case IDCANCEL:
        case kAccountCancel:
            EndDialog(dialog, 0);
            return;
        case kAccountHelp:
            ShowHtmlHelpAsync(GetDesktopWindow(), page->uiContext->helpFile, kHelpContextCommand, kHelpTopicAccount);
            return;
    }
}

void OnCommand(PageContext* page, HWND dialog, int id, int code) {
    if (page->flags & kPageAccountBusy) return;
    if (id != kPassword && !PasswordLengthOk(page, dialog)) return;
    if (id == kUserIdKind) {
        if (code == CBN_SELCHANGE) OnUserIdKind(page, dialog);
    } else if (id == kUserId) {
        if (code == EN_CHANGE) OnUserIdEdited(page, dialog);
    } else if (id == kPassword) {
        if (code == EN_CHANGE) OnPasswordEdited(page, dialog);
    } else if (code == BN_CLICKED) {
        OnButton(page, dialog, id);
    }
}

void OnInit(PageContext* page, HWND dialog) {
    UiContext* ui = page->uiContext;
    ui->scratchDevmode = ui->currentDevmode;
    SendDlgItemMessageW(dialog, kUserId, EM_LIMITTEXT, kUserIdBytes, 0);
    SendDlgItemMessageW(dialog, kPassword, EM_LIMITTEXT, kPasswordBytes, 0);
    ShowScratch(page, dialog);
}

}  // namespace

int FillAccountModeCombo(HWND dialog, const DriverDevmode& record) {
    UiContext* ui = UiContextOf(dialog);
    if (!ui) return 0;
    SendDlgItemMessageW(dialog, kUserIdKind, CB_RESETCONTENT, 0, 0);
    const struct {
        UINT text;
        LPARAM kind;
    } kinds[] = {{kTextLogonName, kKindLogonName}, {kTextEnteredUserId, kKindEntered}};
    int count = 0;
    for (const auto& k : kinds) {
        WCHAR text[256] = {};
        LoadStringW(ui->hResDll, k.text, text, 256);
        const auto at = SendDlgItemMessageW(dialog, kUserIdKind, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        if (at < 0) continue;
        SendDlgItemMessageW(dialog, kUserIdKind, CB_SETITEMDATA, static_cast<WPARAM>(at), k.kind);
        ++count;
    }
    SendDlgItemMessageW(dialog, kUserIdKind, CB_SETCURSEL, HasBit(record, kFlags2JobOwnerType) ? 0 : 1, 0);
    return count;
}

INT_PTR ShowAccountSettingsDialog(PageContext* page, HWND owner) {
    if (!page || !page->uiContext) return 0;
    SetReadOnlyDialogBit(page);
    return DialogBoxParamW(page->uiContext->hResDll, MAKEINTRESOURCEW(kTemplateAccount), owner,
                           AccountSettingsDialogProc, reinterpret_cast<LPARAM>(page));
}

INT_PTR CALLBACK AccountSettingsDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        if (PageContext* page = KeepDialogPageContext(hDlg, lParam)) OnInit(page, hDlg);
        return TRUE;
    }
    PageContext* page = PageContextOf(hDlg);
    if (!page || !page->uiContext) return FALSE;
    if (HandleContextHelp(page, hDlg, message, wParam, lParam, kAccountDialogHelp)) return TRUE;
    if (message == WM_COMMAND) {
        OnCommand(page, hDlg, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace orla
