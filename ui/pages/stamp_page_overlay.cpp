// The stamp and overlay page's form overlay: the switch, the path combo with its history, browse,
// the check with its error and the information dialog.
#include <string>

#include "core/form_overlay.h"
#include "ui/entry/ui_flags.h"
#include "ui/pages/form_overlay_dialog.h"
#include "ui/pages/stamp_page.h"
#include "ui/tools/overlay_paths.h"
#include "win/user_controls.h"

namespace orla {

namespace {

namespace ids = orla_res::stamp_page;

constexpr DWORD kPageBrowseFileChars = 129;
constexpr DWORD kPageBrowseTitleChars = 64;
constexpr int kComboSelected = CBN_SELCHANGE;  // notification 1
constexpr int kComboEditEnd = CBN_KILLFOCUS;   // notification 4

UiContext* Ui(PageContext* page) {
    return page->uiContext;
}
DriverDevmode& Record(PageContext* page) {
    return page->uiContext->currentDevmode;
}
bool OverlayOn(const DriverDevmode& r) {
    return (Get(r, dm::FlagsWord) & kFlagsWordOverlayOn) != 0;
}
bool OverlayNamed(const DriverDevmode& r) {
    return !GetAnsi(r, dm::OverlayFolder).empty() || !GetAnsi(r, dm::OverlayName).empty();
}
bool ComboHoldsText(HWND dialog) {
    return GetWindowTextLengthW(GetDlgItem(dialog, ids::kOverlayPath)) > 0;
}

// A bit of the flags word, and of its saved copy, set or cleared.
void SetFlagsWordBit(DriverDevmode& r, WORD bit, bool on) {
    for (DmField<WORD> f : {dm::FlagsWord, dm::SavedFlagsWord})
        Set(r, f, static_cast<WORD>(on ? (Get(r, f) | bit) : (Get(r, f) & ~bit)));
}

// Trust marking takes the page's overlay away: with it on the overlay cannot be changed.
bool TrustMarkingOn(const DriverDevmode& r) {
#if ORLA_JAPANESE
    return Get(r, dm::TrustMarkResult) != 0;
#else
    (void)r;
    return false;
#endif
}

void EnableOverlayControls(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Record(page);
    const bool locked = (Ui(page)->flags & kUiCanChange) == 0 || TrustMarkingOn(r);
    const BOOL on = OverlayOn(r) && !locked;
    for (int id :
         {ids::kOverlayPathLabel, ids::kOverlayPath, ids::kOverlayBrowse, ids::kOverlayOnly, ids::kOverlayInfo})
        EnableWindow(GetDlgItem(dialog, id), on);
    for (int id : {ids::kOverlayGroup, ids::kOverlayOn}) EnableWindow(GetDlgItem(dialog, id), !locked);
}

// The combo's text taken as the overlay; an unparsable text is an error to post.
void TakePathAndCheck(PageContext* page, HWND dialog, bool postError) {
    if (!ParseFormOverlayPath(dialog, ids::kOverlayPath, &Record(page))) {
        if (postError) PostMessageW(dialog, kMsgOverlayError, 0, 0);
        return;
    }
    CheckFormOverlay(page, dialog, postError);
}

void OnBrowse(PageContext* page, HWND dialog) {
    const std::u16string path = BrowseForOverlay(dialog, Ui(page), kPageBrowseFileChars, kPageBrowseTitleChars);
    if (path.empty()) return;
    SetDlgItemTextW(dialog, ids::kOverlayPath, path.c_str());
    if (!ParseFormOverlayPath(dialog, ids::kOverlayPath, &Record(page))) {
        PostMessageW(dialog, kMsgOverlayError, 0, 0);
    } else if (CheckFormOverlay(page, dialog, TRUE)) {
        MoveComboTextToTop(dialog, ids::kOverlayPath);
    }
}

void OnPathChosen(PageContext* page, HWND dialog) {
    const LRESULT at = SendDlgItemMessageW(dialog, ids::kOverlayPath, CB_GETCURSEL, 0, 0);
    if (at < 0) return;
    const LRESULT length = SendDlgItemMessageW(dialog, ids::kOverlayPath, CB_GETLBTEXTLEN, at, 0);
    if (length < 0 || static_cast<size_t>(length) > kOverlayPathChars) return;
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    SendDlgItemMessageW(dialog, ids::kOverlayPath, CB_GETLBTEXT, at, reinterpret_cast<LPARAM>(text.data()));
    SetDlgItemTextW(dialog, ids::kOverlayPath, text.c_str());
    TakePathAndCheck(page, dialog, true);
}

void OnOverlaySwitch(PageContext* page, HWND dialog) {
    DriverDevmode& r = Record(page);
    const bool on = IsDlgButtonChecked(dialog, ids::kOverlayOn) == BST_CHECKED;
    SetFlagsWordBit(r, kFlagsWordOverlayOn, on);
    if (!on) {
        EnableOverlayControls(page, dialog);
        ClearFormOverlayInfo(dialog);
        return;
    }
    if (OverlayNamed(r)) {
        CheckFormOverlay(page, dialog, TRUE);
    } else if (ComboHoldsText(dialog)) {
        TakePathAndCheck(page, dialog, true);
    }
    EnableOverlayControls(page, dialog);
}

}  // namespace

BOOL CheckFormOverlay(PageContext* page, HWND dialog, BOOL postError) {
    if (!page || !page->uiContext) return FALSE;
    return ValidateFormOverlay(dialog, Ui(page), &Record(page), postError);
}

void ShowOverlayControls(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Record(page);
    CheckDlgButton(dialog, ids::kOverlayOn, OverlayOn(r) ? BST_CHECKED : BST_UNCHECKED);
    const bool only = OverlayOn(r) && (Get(r, dm::FlagsWord) & kFlagsWordOverlayOnly) != 0;
    CheckDlgButton(dialog, ids::kOverlayOnly, only ? BST_CHECKED : BST_UNCHECKED);
    FillFormHistoryCombo(dialog, ids::kOverlayPath, Ui(page), r);
    EnableOverlayControls(page, dialog);
}

BOOL OnOverlayCommand(PageContext* page, HWND dialog, int id, int code) {
    switch (id) {
        case ids::kOverlayBrowse:
            if (code != BN_CLICKED) return TRUE;
            OnBrowse(page, dialog);
            break;
        case ids::kOverlayPath:
            if (code == kComboEditEnd) {
                TakePathAndCheck(page, dialog, false);
            } else if (code == kComboSelected) {
                OnPathChosen(page, dialog);
            } else {
                return TRUE;
            }
            break;
        case ids::kOverlayOn:
            if (code != BN_CLICKED) return TRUE;
            OnOverlaySwitch(page, dialog);
            break;
        case ids::kOverlayOnly:
            if (code != BN_CLICKED) return TRUE;
            SetFlagsWordBit(Record(page), kFlagsWordOverlayOnly,
                            IsDlgButtonChecked(dialog, ids::kOverlayOnly) == BST_CHECKED);
            break;
        case ids::kOverlayInfo:
            if (code == BN_CLICKED) OpenFormOverlayDialog(page, dialog);
            return TRUE;
        default:
            return FALSE;
    }
    MarkStampPageChanged(page, dialog);
    return TRUE;
}

BOOL LeaveOverlay(PageContext* page, HWND dialog) {
    DriverDevmode& r = Record(page);
    if (ParseFormOverlayPath(dialog, ids::kOverlayPath, &r)) {
        if (CheckFormOverlay(page, dialog, TRUE)) MoveComboTextToTop(dialog, ids::kOverlayPath);
        return TRUE;
    }
    if (!OverlayOn(r)) return TRUE;
    ReportFormOverlayError(dialog, ids::kOverlayPath, Ui(page), Get(r, dm::OverlayStatus));
    SendDlgItemMessageW(dialog, ids::kOverlayPath, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    return FALSE;
}

void ShowOverlayError(PageContext* page, HWND dialog) {
    ReportFormOverlayError(dialog, ids::kOverlayPath, Ui(page), Get(Record(page), dm::OverlayStatus));
}

}  // namespace orla
