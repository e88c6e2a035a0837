// The form-overlay information dialog: everything it does works on the scratch record.
#include "ui/pages/form_overlay_dialog.h"

#include <string>

#include "resources/lang/stamp_page_ids.h"
#include "ui/pages/context_help.h"
#include "ui/pages/page_common.h"
#include "ui/tools/overlay_paths.h"
#include "win/user_controls.h"

namespace orla {

namespace {

namespace ids = orla_res::stamp_page;

constexpr DWORD kDialogBrowseFileChars = 520;
constexpr DWORD kDialogBrowseTitleChars = 128;

const HelpIdPair kOverlayDialogHelp[] = {
    {ids::kInfoOverlayOn, kSheetHelpTopic},   {ids::kInfoPath, kSheetHelpTopic}, {ids::kInfoBrowse, kSheetHelpTopic},
    {ids::kInfoOverlayOnly, kSheetHelpTopic}, {ids::kInfoHelp, kSheetHelpTopic}, {0, 0},
};

UiContext* Ui(PageContext* page) {
    return page ? page->uiContext : nullptr;
}
DriverDevmode& Scratch(PageContext* page) {
    return page->uiContext->scratchDevmode;
}
bool OverlayOn(const DriverDevmode& r) {
    return (Get(r, dm::FlagsWord) & kFlagsWordOverlayOn) != 0;
}
void SetFlagsWordBit(DriverDevmode& r, WORD bit, bool on) {
    for (DmField<WORD> f : {dm::FlagsWord, dm::SavedFlagsWord})
        Set(r, f, static_cast<WORD>(on ? (Get(r, f) | bit) : (Get(r, f) & ~bit)));
}

void EnablePathControls(PageContext* page, HWND dialog) {
    const BOOL on = OverlayOn(Scratch(page));
    for (int id : {ids::kInfoPath, ids::kInfoBrowse, ids::kInfoOverlayOnly}) EnableWindow(GetDlgItem(dialog, id), on);
}

// The combo's text parsed and validated; a text that does not parse is an error to post.
BOOL TakePath(PageContext* page, HWND dialog, bool postError) {
    if (!ParseFormOverlayPath(dialog, ids::kInfoPath, &Scratch(page))) {
        if (postError) PostMessageW(dialog, kMsgOverlayError, 0, 0);
        return FALSE;
    }
    return ValidateFormOverlay(dialog, Ui(page), &Scratch(page), postError);
}

void OnInit(PageContext* page, HWND dialog) {
    UiContext* ui = Ui(page);
    ui->scratchDevmode = ui->currentDevmode;
    const DriverDevmode& r = Scratch(page);
    CheckDlgButton(dialog, ids::kInfoOverlayOn, OverlayOn(r) ? BST_CHECKED : BST_UNCHECKED);
    const bool only = (Get(r, dm::FlagsWord) & kFlagsWordOverlayOnly) != 0;
    CheckDlgButton(dialog, ids::kInfoOverlayOnly, only ? BST_CHECKED : BST_UNCHECKED);
    FillFormHistoryCombo(dialog, ids::kInfoPath, ui, r);
    EnablePathControls(page, dialog);
    ClearFormOverlayInfo(dialog);
    if (OverlayOn(r)) ValidateFormOverlay(dialog, ui, &Scratch(page), TRUE);
}

void OnSwitch(PageContext* page, HWND dialog) {
    const bool on = IsDlgButtonChecked(dialog, ids::kInfoOverlayOn) == BST_CHECKED;
    DriverDevmode& r = Scratch(page);
    Set(r, dm::FlagsWord,
        static_cast<WORD>(on ? Get(r, dm::FlagsWord) | kFlagsWordOverlayOn
                             : Get(r, dm::FlagsWord) & ~kFlagsWordOverlayOn));
    if (!on) {
        ClearFormOverlayInfo(dialog);
    } else if (!TakePath(page, dialog, false) && GetWindowTextLengthW(GetDlgItem(dialog, ids::kInfoPath)) > 0) {
        PostMessageW(dialog, kMsgOverlayError, 0, 0);
    }
    EnablePathControls(page, dialog);
}

void OnPathChosen(PageContext* page, HWND dialog) {
    const LRESULT at = SendDlgItemMessageW(dialog, ids::kInfoPath, CB_GETCURSEL, 0, 0);
    if (at < 0) return;
    const LRESULT length = SendDlgItemMessageW(dialog, ids::kInfoPath, CB_GETLBTEXTLEN, at, 0);
    if (length < 0 || static_cast<size_t>(length) > kOverlayPathChars) return;
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    SendDlgItemMessageW(dialog, ids::kInfoPath, CB_GETLBTEXT, at, reinterpret_cast<LPARAM>(text.data()));
    SetDlgItemTextW(dialog, ids::kInfoPath, text.c_str());
    TakePath(page, dialog, true);
}

void OnBrowse(PageContext* page, HWND dialog) {
    const std::u16string path = BrowseForOverlay(dialog, Ui(page), kDialogBrowseFileChars, kDialogBrowseTitleChars);
    if (path.empty()) return;
    SetDlgItemTextW(dialog, ids::kInfoPath, path.c_str());
    if (TakePath(page, dialog, true)) MoveComboTextToTop(dialog, ids::kInfoPath);
}

void OnCommand(PageContext* page, HWND dialog, int id, int code) {
    if (id == ids::kInfoPath) {
        if (code == CBN_KILLFOCUS) TakePath(page, dialog, false);
        if (code == CBN_SELCHANGE) OnPathChosen(page, dialog);
        return;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
        case ids::kInfoOverlayOn:
            return OnSwitch(page, dialog);
        case ids::kInfoBrowse:
            return OnBrowse(page, dialog);
        case ids::kInfoOverlayOnly:
            return SetFlagsWordBit(Scratch(page), kFlagsWordOverlayOnly,
                                   IsDlgButtonChecked(dialog, ids::kInfoOverlayOnly) == BST_CHECKED);
        case ids::kInfoHelp:
            ShowHtmlHelpAsync(GetDesktopWindow(), Ui(page)->helpFile, kHelpContextCommand, kSheetHelpTopic);
            return;
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, id);  // the scratch record is not copied back either way
            return;
    }
}

}  // namespace

INT_PTR CALLBACK FormOverlayDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* page = reinterpret_cast<PageContext*>(lParam);
        SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        if (Ui(page)) OnInit(page, hDlg);
        return TRUE;
    }
    PageContext* page = PageContextOf(hDlg);
    if (!Ui(page)) return FALSE;
    if (HandleContextHelp(page, hDlg, message, wParam, lParam, kOverlayDialogHelp)) return TRUE;
    switch (message) {
        case WM_COMMAND:
            OnCommand(page, hDlg, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case kMsgOverlayError:
            ReportFormOverlayError(hDlg, ids::kInfoPath, Ui(page), Get(Scratch(page), dm::OverlayStatus));
            return TRUE;
    }
    return FALSE;
}

INT_PTR OpenFormOverlayDialog(PageContext* page, HWND owner) {
    if (!Ui(page)) return 0;
    return DialogBoxParamW(page->uiContext->hResDll, MAKEINTRESOURCEW(ids::kTemplateOverlayInfo), owner,
                           FormOverlayDialogProc, reinterpret_cast<LPARAM>(page));
}

}  // namespace orla
