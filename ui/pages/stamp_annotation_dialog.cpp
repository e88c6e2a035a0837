// The page annotation dialog (template 536): whether a line of text is printed on each page, what
// it says (user, computer, date, time, document, page number or an own text) and where. It edits
// the scratch record and copies it back on OK.
#include <iterator>
#include <string>

#include "core/ansi_text.h"
#include "ui/entry/ui_flags.h"
#include "ui/pages/favourite_dialogs.h"
#include "ui/pages/stamp_page.h"
#include "win/user_controls.h"

namespace orla {

namespace {

namespace ids = orla_res::stamp_page;

constexpr DWORD kOwnTextKind = 8;
// Bit 2 of the byte at 401 (the device settings page's choice item) lets the own text be typed
// even where the settings cannot be changed.
constexpr DWORD kAnnotationTextAllowed = kFlags2DeviceChoice;

struct AnnotationDialog {
    PageContext* page;
    int filling;  // > 0 while the dialog sets its own controls
};

AnnotationDialog* StateOf(HWND dialog) {
    return reinterpret_cast<AnnotationDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
}
DriverDevmode& Scratch(AnnotationDialog& d) {
    return d.page->uiContext->scratchDevmode;
}

bool Allowed(AnnotationDialog& d) {
    const UiContext* ui = d.page->uiContext;
    const bool editable = (ui->flags & kUiCanChange) != 0 && (ui->flags & kUiDataWritable) != 0;
    return (Get(ui->currentDevmode, dm::Flags2) & kAnnotationTextAllowed) != 0 || editable;
}

void ShowRecord(AnnotationDialog& d, HWND dialog) {
    const DriverDevmode& r = Scratch(d);
    ++d.filling;
    CheckDlgButton(dialog, ids::kAnnotationOn, Get(r, dm::AnnotationOn) ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageW(dialog, ids::kAnnotationKind, CB_SETCURSEL, Get(r, dm::AnnotationKind), 0);
    SetDlgItemTextW(dialog, ids::kAnnotationText, GetText(r, dm::AnnotationText).c_str());
    const DWORD position = Get(r, dm::AnnotationPosition);
    for (size_t i = 0; i < std::size(ids::kPositionRadios); ++i)
        CheckDlgButton(dialog, ids::kPositionRadios[i],
                       ids::kPositionValues[i] == position ? BST_CHECKED : BST_UNCHECKED);
    const bool allowed = Allowed(d);
    const BOOL ownText = allowed && Get(r, dm::AnnotationKind) == kOwnTextKind;
    EnableWindow(GetDlgItem(dialog, ids::kAnnotationText), ownText);
    EnableWindow(GetDlgItem(dialog, ids::kAnnotationTextLabel), ownText);
    if (!allowed) {
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            EnableWindow(child, FALSE);
        EnableWindow(GetDlgItem(dialog, IDCANCEL), TRUE);  // the way out stays
    }
    --d.filling;
}

void Changed(AnnotationDialog& d, HWND dialog) {
    MarkFavouriteMatch(d.page->uiContext, dialog);
}

// An own text over 64 bytes is refused: a beep, and the text before it comes back.
void OnTextTyped(AnnotationDialog& d, HWND dialog) {
    WCHAR typed[ids::kAnnotationTextBytes * 2] = {};
    const int n = GetDlgItemTextW(dialog, ids::kAnnotationText, typed, static_cast<int>(std::size(typed)));
    const std::u16string_view text(typed, n > 0 ? static_cast<size_t>(n) : 0);
    const bool fits = static_cast<size_t>(n) + 1 < std::size(typed) &&
                      AnsiText(text).size() <= static_cast<size_t>(ids::kAnnotationTextBytes);
    if (!fits) {
        MessageBeep(MB_ICONEXCLAMATION);
        ++d.filling;
        SetDlgItemTextW(dialog, ids::kAnnotationText, GetText(Scratch(d), dm::AnnotationText).c_str());
        --d.filling;
        return;
    }
    SetText(Scratch(d), dm::AnnotationText, text);
    Changed(d, dialog);
}

void OnDefaults(AnnotationDialog& d, HWND dialog) {
    DriverDevmode& r = Scratch(d);
    Set(r, dm::AnnotationOn, DWORD{0});
    Set(r, dm::AnnotationKind, DWORD{0});
    Set(r, dm::AnnotationPosition, DWORD{0});
    SetText(r, dm::AnnotationText, u"");
    ShowRecord(d, dialog);
    Changed(d, dialog);
}

void OnCommand(AnnotationDialog& d, HWND dialog, int id, int code) {
    if (d.filling > 0) return;
    DriverDevmode& r = Scratch(d);
    for (size_t i = 0; i < std::size(ids::kPositionRadios); ++i) {
        if (id == ids::kPositionRadios[i] && code == BN_CLICKED) {
            Set(r, dm::AnnotationPosition, DWORD{ids::kPositionValues[i]});
            return Changed(d, dialog);
        }
    }
    switch (id) {
        case ids::kAnnotationOn:
            if (code != BN_CLICKED) return;
            Set(r, dm::AnnotationOn, DWORD{IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1u : 0u});
            return Changed(d, dialog);
        case ids::kAnnotationKind: {
            if (code != CBN_SELCHANGE) return;
            const LRESULT at = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
            if (at < 0) return;
            Set(r, dm::AnnotationKind, static_cast<DWORD>(SendDlgItemMessageW(dialog, id, CB_GETITEMDATA, at, 0)));
            ShowRecord(d, dialog);
            return Changed(d, dialog);
        }
        case ids::kAnnotationText:
            if (code == EN_CHANGE) OnTextTyped(d, dialog);
            return;
        case ids::kAnnotationPage: {
            if (code != STN_CLICKED) return;
            const DWORD position = Get(r, dm::AnnotationPosition);
            for (size_t i = 0; i < std::size(ids::kPositionRadios); ++i)
                if (ids::kPositionValues[i] == position)
                    SendDlgItemMessageW(dialog, ids::kPositionRadios[i], BM_CLICK, 0, 0);
            return;
        }
        case ids::kAnnotationDefaults:
            if (code == BN_CLICKED) OnDefaults(d, dialog);
            return;
        case IDOK:
            d.page->uiContext->currentDevmode = r;
            EndDialog(dialog, IDOK);
            return;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return;
    }
}

void OnInit(AnnotationDialog& d, HWND dialog) {
    UiContext* ui = d.page->uiContext;
    ui->scratchDevmode = ui->currentDevmode;
    ++d.filling;
    for (DWORD kind = 0; kind < ids::kAnnotationKindCount; ++kind) {
        WCHAR text[64] = {};
        LoadStringW(ui->hResDll, ids::kTextAnnotationKind + kind, text, 64);
        const LRESULT at =
            SendDlgItemMessageW(dialog, ids::kAnnotationKind, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        if (at >= 0) SendDlgItemMessageW(dialog, ids::kAnnotationKind, CB_SETITEMDATA, at, kind);
    }
    --d.filling;
    ShowRecord(d, dialog);
}

}  // namespace

INT_PTR CALLBACK StampDetailDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* d = reinterpret_cast<AnnotationDialog*>(lParam);
        SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        if (d && d->page && d->page->uiContext) OnInit(*d, hDlg);
        return TRUE;
    }
    AnnotationDialog* d = StateOf(hDlg);
    if (!d || !d->page || !d->page->uiContext) return FALSE;
    if (message == WM_COMMAND) {
        OnCommand(*d, hDlg, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

INT_PTR OpenStampDetailDialog(PageContext* page, HWND owner) {
    if (!page || !page->uiContext) return 0;
    AnnotationDialog state{page, 0};
    return DialogBoxParamW(page->uiContext->hResDll, MAKEINTRESOURCEW(ids::kTemplateAnnotation), owner,
                           StampDetailDialogProc, reinterpret_cast<LPARAM>(&state));
}

}  // namespace orla
