// The texts of stored and proof printing. The dialog edits the scratch record: each edit is taken
// when it loses the focus (within its byte limit in the system code page), and OK copies the
// scratch record over the current one. Closing bits in the page context keep the focus changes
// of a closing dialog from checking the code again.
#include "ui/pages/text_entry_dialog.h"

#include <string>
#include <vector>

#include "core/ansi_text.h"
#include "core/build_variant.h"
#include "core/driver_devmode.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/basic_page_fillers.h"
#include "ui/pages/context_help.h"
#include "ui/pages/paper_rules.h"
#include "win/nls.h"
#include "win/property_sheet.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"
#include "win/user_msg.h"

namespace orla {

namespace {

constexpr UINT kEntryIcon = 954;
constexpr int kEntryIconSize = 32;
constexpr DWORD kJobNameFromDocument = 1;
constexpr HelpIdPair kNoHelp[] = {{0, 0}};  // no control of the dialog has a help topic of its own
// Posted by the code check: a focus set while another control is taking the focus does not last.
constexpr UINT kMsgFocusCode = WM_APP + 1;

// One edit of the dialog: the field it writes, its limit in characters and in system-code-page
// bytes, and the controls it enables while it holds a text (0: none).
struct EditRule {
    int edit;
    DmText field;
    int byteLimit;
    int enablesLabel;
    int enablesEdit;
};
constexpr EditRule kEditRules[] = {
    {kIdEntryCode, dm::HoldUserName, 8, kIdEntryNameLabel, kIdEntryName},
    {kIdEntryName, dm::HoldPin, 12, 0, 0},
    {kIdEntryJobName, dm::HoldJobName, 24, 0, 0},
};

const EditRule* RuleOf(int edit) {
    for (const EditRule& rule : kEditRules)
        if (rule.edit == edit) return &rule;
    return nullptr;
}

DriverDevmode& Scratch(PageContext* page) {
    return page->uiContext->scratchDevmode;
}

bool Closing(const PageContext* page) {
    return (page->flags & (kPageEntryClosingOk | kPageEntryClosingCancel)) != 0;
}

std::u16string EditText(HWND dialog, int id) {
    HWND edit = GetDlgItem(dialog, id);
    const int length = edit ? GetWindowTextLengthW(edit) : 0;
    if (length <= 0) return {};
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    const int n = GetWindowTextW(edit, text.data(), length + 1);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

// The text's length in the system code page (every character counted, none cut).
int AnsiBytes(const std::u16string& text) {
    return static_cast<int>(AnsiText(text).size());
}

void Enable(HWND dialog, int id, bool on) {
    if (HWND control = GetDlgItem(dialog, id)) EnableWindow(control, on ? TRUE : FALSE);
}

void TellSheet(PageContext* page) {
    if (page->hSheetFrame) SendMessageW(page->hSheetFrame, PSM_CHANGED, reinterpret_cast<WPARAM>(page->hPageDlg), 0);
}

void ShowHelp(PageContext* page, DWORD topic) {
    ShowHtmlHelpAsync(GetDesktopWindow(), page->uiContext->helpFile, kHelpContextCommand, topic);
}

// The controls as the scratch record stands.
void ShowScratch(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Scratch(page);
    FillTextEntryChoiceCombo(page, dialog);
    for (const EditRule& rule : kEditRules) SetDlgItemTextW(dialog, rule.edit, GetText(r, rule.field).c_str());
    const bool code = !GetText(r, dm::HoldUserName).empty();
    Enable(dialog, kIdEntryNameLabel, code);
    Enable(dialog, kIdEntryName, code);
    const bool typedJobName = Get(r, dm::JobNameFromDocument) != kJobNameFromDocument;
    Enable(dialog, kIdEntryJobNameLabel, typedJobName);
    Enable(dialog, kIdEntryJobName, typedJobName);
}

// The icon of the dialog comes from this DLL's own resources; without it the place stays empty.
void SetEntryIcon(HWND dialog) {
    HMODULE own = GetInterfaceModule();
    if (!own) return;
    auto icon = static_cast<HICON>(
        LoadImageW(own, MAKEINTRESOURCEW(kEntryIcon), IMAGE_ICON, kEntryIconSize, kEntryIconSize, LR_SHARED));
    if (icon) SendDlgItemMessageW(dialog, kIdEntryIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

void OnInit(PageContext* page, HWND dialog) {
    UiContext* ui = page->uiContext;
    ui->scratchDevmode = ui->currentDevmode;
    for (const EditRule& rule : kEditRules)
        SendDlgItemMessageW(dialog, rule.edit, EM_LIMITTEXT, static_cast<WPARAM>(rule.byteLimit), 0);
    ShowScratch(page, dialog);
    SetEntryIcon(dialog);
}

// An edit's text into its field: over the byte limit it beeps and shows the stored text again
// (false). Within it, the text is stored when it differs and the sheet is told.
bool TakeEditText(PageContext* page, HWND dialog, const EditRule& rule) {
    DriverDevmode& r = Scratch(page);
    const std::u16string text = EditText(dialog, rule.edit);
    if (AnsiBytes(text) > rule.byteLimit) {
        MessageBeep(MB_ICONEXCLAMATION);
        SetDlgItemTextW(dialog, rule.edit, GetText(r, rule.field).c_str());
        return false;
    }
    if (rule.enablesEdit) {
        Enable(dialog, rule.enablesLabel, !text.empty());
        Enable(dialog, rule.enablesEdit, !text.empty());
    }
    if (text != GetText(r, rule.field)) {
        SetText(r, rule.field, text);
        TellSheet(page);
    }
    return true;
}

void OnEditLeft(PageContext* page, HWND dialog, const EditRule& rule) {
    if (Closing(page)) return;  // the focus moves because the dialog ends
    if (rule.edit == kIdEntryCode && !ValidateEntryCode(dialog)) return;
    TakeEditText(page, dialog, rule);
}

void OnJobNameKind(PageContext* page, HWND dialog) {
    const auto sel = SendDlgItemMessageW(dialog, kIdEntryJobNameKind, CB_GETCURSEL, 0, 0);
    if (sel < 0) return;
    const auto kind = static_cast<DWORD>(
        SendDlgItemMessageW(dialog, kIdEntryJobNameKind, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0));
    Set(Scratch(page), dm::JobNameFromDocument, kind);
    Enable(dialog, kIdEntryJobNameLabel, kind != kJobNameFromDocument);
    Enable(dialog, kIdEntryJobName, kind != kJobNameFromDocument);
    TellSheet(page);
}

void OnDefaults(PageContext* page, HWND dialog) {
    DriverDevmode& r = Scratch(page);
    for (const EditRule& rule : kEditRules) SetText(r, rule.field, u"");
    Set(r, dm::JobNameFromDocument, DWORD{0});
    ShowScratch(page, dialog);
}

// OK takes the texts the edits show: one still focused was not taken when it was left. The code
// is taken once it has passed its check.
bool TakeNameEdits(PageContext* page, HWND dialog) {
    bool taken = true;
    for (const EditRule& rule : kEditRules)
        if (rule.edit != kIdEntryCode && GetDlgItem(dialog, rule.edit))
            taken = TakeEditText(page, dialog, rule) && taken;
    return taken;
}

void OnOk(PageContext* page, HWND dialog) {
    if (!TakeNameEdits(page, dialog)) return;
    if (EditText(dialog, kIdEntryCode).empty()) {
        const bool stored = Get(page->uiContext->currentDevmode, dm::HoldMode) == 1;
        WarnWithBuiltInCaption(page, dialog, stored ? kWarnStoredNeedsCode : kWarnProofNeedsCode);
        return;
    }
    page->flags |= kPageEntryClosingOk;
    if (!ValidateEntryCode(dialog)) {
        page->flags &= ~kPageEntryClosingOk;
        return;
    }
    TakeEditText(page, dialog, *RuleOf(kIdEntryCode));
    page->uiContext->currentDevmode = page->uiContext->scratchDevmode;
    EndDialog(dialog, 1);
}

// Without a code stored printing cannot be asked for: the mode falls back to normal printing.
void OnCancel(PageContext* page, HWND dialog) {
    page->flags |= kPageEntryClosingCancel;
    DriverDevmode& current = page->uiContext->currentDevmode;
    if (GetText(current, dm::HoldUserName).empty()) {
        WarnWithBuiltInCaption(page, dialog, kWarnNoHoldDevice);
        Set(current, dm::HoldMode, DWORD{0});
    }
    EndDialog(dialog, 0);
}

void OnCommand(PageContext* page, HWND dialog, int id, int code) {
    if (const EditRule* rule = RuleOf(id)) {
        if (code == EN_KILLFOCUS) OnEditLeft(page, dialog, *rule);
        return;
    }
    if (id == kIdEntryJobNameKind) {
        if (code == CBN_SELCHANGE) OnJobNameKind(page, dialog);
        return;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
        case kIdEntryDefaults:
            return OnDefaults(page, dialog);
        case kIdEntryOk:
            return OnOk(page, dialog);
        case kIdEntryCancel:
        case IDCANCEL:
            return OnCancel(page, dialog);
        case kIdEntryHelp:
            return ShowHelp(page, kHelpTopicBasic);
        case kIdEntryCodeHelp:
            return ShowHelp(page, kHelpTopicEntryCode);
        case kIdEntryNameHelp:
            return ShowHelp(page, kHelpTopicEntryName);
    }
}

}  // namespace

bool IsEntryCodeCharacter(char16_t c) {
    return (c >= 0x0020 && c <= 0x007E) || (c >= 0xFF61 && c <= 0xFF9F);
}

int ValidateEntryCode(HWND dialog) {
    WCHAR code[9] = {};
    GetDlgItemTextW(dialog, kIdEntryCode, code, 9);
    bool valid = true;
    for (const WCHAR* c = code; *c; ++c) valid = valid && IsEntryCodeCharacter(*c);
    if (valid) return 1;
    if (PageContext* page = PageContextOf(dialog); page && page->uiContext) {
        WarnWithBuiltInCaption(page, dialog, kWarnBadCodeCharacter);
    } else {
        MessageBeep(MB_ICONEXCLAMATION);
    }
    SetFocus(GetDlgItem(dialog, kIdEntryCode));
    PostMessageW(dialog, kMsgFocusCode, 0, 0);
    SetDlgItemTextW(dialog, kIdEntryCode, u"");
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1);
    return 0;
}

void FillTextEntryChoiceCombo(PageContext* page, HWND dialog) {
    FillCombo(dialog, kIdEntryJobNameKind, page->uiContext->hResDll, {{768, 0}, {769, 1}},
              static_cast<LPARAM>(Get(Scratch(page), dm::JobNameFromDocument)));
}

void WarnWithBuiltInCaption(PageContext* page, HWND owner, UINT textId) {
    MessageBeep(MB_ICONEXCLAMATION);
    ShowResourceMessageBox(owner, textId, kJapaneseBuild ? u"警告" : u"Warning", 0, MB_ICONWARNING,
                           page->uiContext->hResDll);
}

INT_PTR OpenTextEntryDialog(PageContext* page, HWND owner, DWORD mode) {
    if (!page || !page->uiContext || (mode != 1 && mode != 2)) return 0;
    const UINT templateId = mode == 1 ? kTemplateStoredPrintTexts : kTemplateProofPrintTexts;
    const INT_PTR result = DialogBoxParamW(page->uiContext->hResDll, MAKEINTRESOURCEW(templateId), owner,
                                           TextEntryDialogProc, reinterpret_cast<LPARAM>(page));
    page->flags &= ~(kPageEntryClosingOk | kPageEntryClosingCancel);
    return result;
}

INT_PTR CALLBACK TextEntryDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        if (PageContext* page = KeepDialogPageContext(hDlg, lParam)) OnInit(page, hDlg);
        return TRUE;
    }
    PageContext* page = PageContextOf(hDlg);
    if (!page || !page->uiContext) return FALSE;
    if (HandleContextHelp(page, hDlg, message, wParam, lParam, kNoHelp)) return TRUE;
    if (message == kMsgFocusCode) {
        SetFocus(GetDlgItem(hDlg, kIdEntryCode));
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    OnCommand(page, hDlg, LOWORD(wParam), HIWORD(wParam));
    return TRUE;
}

}  // namespace orla
