// The four dialogs of the paper-source page. Each copies the current record to the scratch record
// when it opens and edits only the scratch record; OK copies it back whole (the record of this
// build, whatever its size), Cancel leaves the current record untouched.
#include <string>

#include "ui/pages/basic_page.h"
#include "ui/pages/context_help.h"
#include "ui/pages/paper_rules.h"
#include "ui/pages/paper_source_bins.h"
#include "ui/pages/paper_source_page.h"
#include "ui/pages/paper_source_steps.h"
#include "ui/pages/paper_sources.h"
#include "ui/pages/page_common.h"
#include "ui/pages/preview_pictures.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace orla {

namespace {

namespace ids = orla_res::paper_source;

constexpr WORD kDialogIcon = 954;
constexpr int kDialogIconSize = 32;
constexpr COLORREF kPreviewBackground = 0xFFCCCC;

DriverDevmode& Scratch(PageContext* page) {
    return page->uiContext->scratchDevmode;
}

// The page context a dialog keeps; null before WM_INITDIALOG or without a UI context.
PageContext* DialogPage(HWND dialog) {
    PageContext* page = PageContextOf(dialog);
    return page && page->uiContext ? page : nullptr;
}

PageContext* StartDialog(HWND dialog, LPARAM param) {
    auto* page = reinterpret_cast<PageContext*>(param);
    SetWindowLongPtrW(dialog, DWLP_USER, param);
    if (!page || !page->uiContext) return nullptr;
    page->uiContext->scratchDevmode = page->uiContext->currentDevmode;
    return page;
}

void EnableControl(HWND dialog, int id, bool enable) {
    if (HWND control = GetDlgItem(dialog, id)) EnableWindow(control, enable ? TRUE : FALSE);
}

bool Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

DWORD CheckValue(HWND dialog, int id) {
    return Checked(dialog, id) ? 1 : 0;
}

// Help on a control of a dialog opens the dialog's topic.
constexpr HelpIdPair kPaperTypeHelp[] = {{ids::kPaperTypeLabel, kHelpTopicPaperType},
                                         {ids::kPaperTypeCombo, kHelpTopicPaperType},
                                         {ids::kPaperTypeDefaults, kHelpTopicPaperType},
                                         {ids::kPaperTypeHelp, kHelpTopicPaperType},
                                         {0, 0}};
constexpr HelpIdPair kManualTypeHelp[] = {{ids::kManualTypeLabel, kHelpTopicManualPaperType},
                                          {ids::kManualTypeCombo, kHelpTopicManualPaperType},
                                          {ids::kManualTypeDefaults, kHelpTopicManualPaperType},
                                          {ids::kManualTypeHelp, kHelpTopicManualPaperType},
                                          {0, 0}};
constexpr HelpIdPair kSectionHelp[] = {{ids::kSectionsOn, kSheetHelpTopic},
                                       {ids::kFirstSheet, kSheetHelpTopic},
                                       {ids::kOtherSheets, kSheetHelpTopic},
                                       {ids::kSectionDefault, kSheetHelpTopic},
                                       {ids::kSectionTray, kSheetHelpTopic},
                                       {ids::kFrontCoverOn, kSheetHelpTopic},
                                       {ids::kFrontCover, kSheetHelpTopic},
                                       {ids::kBackCoverOn, kSheetHelpTopic},
                                       {ids::kBackCover, kSheetHelpTopic},
                                       {ids::kSectionsDefaults, kSheetHelpTopic},
                                       {0, 0}};
constexpr HelpIdPair kDetailHelp[] = {{ids::kDetailSource, kHelpTopicSourceDetail},
                                      {ids::kSlipSheetsOn, kHelpTopicSourceDetail},
                                      {ids::kSlipTray, kHelpTopicSourceDetail},
                                      {ids::kSlipBlank, kHelpTopicSourceDetail},
                                      {ids::kSlipPrinted, kHelpTopicSourceDetail},
                                      {ids::kSlipKind, kHelpTopicSourceDetail},
                                      {ids::kDetailManualType, kHelpTopicSourceDetail},
                                      {ids::kDetailPreview, kHelpTopicSourceDetail},
                                      {ids::kDetailDefaults, kHelpTopicSourceDetail},
                                      {ids::kDetailHelp, kHelpTopicSourceDetail},
                                      {0, 0}};

// ---- Paper type (3490) and the manual slot's paper type (3460) --------------------------------

// What tells the two paper-type dialogs apart.
struct PaperTypeDialog {
    int combo;
    int label;
    int picture;
    int help;
    DWORD helpTopic;
    DmField<WORD> field;
    DmField<WORD> copy;
    bool checksConflict;  // paper type and output tray that cannot go together keep it open
    const HelpIdPair* helpTable;
};
constexpr PaperTypeDialog kPaperTypeDialog = {
    ids::kPaperTypeCombo, ids::kPaperTypeLabel, ids::kPaperTypePicture, ids::kPaperTypeHelp,
    kHelpTopicPaperType,  dm::PaperType,        dm::SavedPaperType,     true,
    kPaperTypeHelp};
constexpr PaperTypeDialog kManualTypeDialog = {ids::kManualTypeCombo,
                                               ids::kManualTypeLabel,
                                               ids::kManualTypePicture,
                                               ids::kManualTypeHelp,
                                               kHelpTopicManualPaperType,
                                               dm::ManualPaperType,
                                               dm::SavedManualPaperType,
                                               false,
                                               kManualTypeHelp};

void OnPaperTypeChosen(PageContext* page, HWND dialog, const PaperTypeDialog& d) {
    const LPARAM value = SelectedItemData(dialog, d.combo);
    if (value < 0) return;
    DriverDevmode& r = Scratch(page);
    Set(r, d.field, static_cast<WORD>(value));
    Set(r, d.copy, static_cast<WORD>(value));
    RunConstraintsOn(page, r);
    FillPaperPageControls(page, dialog);
    FillValueCombo(page, dialog, d.combo);
    ShowHintLine(page, dialog, 0, 0);
    MarkPaperPageChanged(page);
    if (d.checksConflict && HasSettingConflict(r)) WarnPaperSource(page, dialog, kWarnPaperTypeConflict);
}

void OnPaperTypeOk(PageContext* page, HWND dialog, const PaperTypeDialog& d) {
    if (d.checksConflict && HasSettingConflict(Scratch(page))) {
        WarnPaperSource(page, dialog, kWarnPaperTypeConflict);
        return;
    }
    page->uiContext->currentDevmode = Scratch(page);
    FillPaperPageControls(page, dialog);
    InitPaperSourceControls(page, dialog);
    EndDialog(dialog, 1);
}

INT_PTR PaperTypeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, const PaperTypeDialog& d) {
    if (message == WM_INITDIALOG) {
        PageContext* page = StartDialog(dialog, lParam);
        if (!page) return TRUE;
        FillValueCombo(page, dialog, d.combo);
        RunConstraintsOn(page, Scratch(page));
        SetOwnedIcon(dialog, d.picture, kDialogIcon, kDialogIconSize, kDialogIconSize);
        return TRUE;
    }
    PageContext* page = DialogPage(dialog);
    if (message == WM_DESTROY) {
        FreeOwnedIcon(dialog, d.picture);
        return FALSE;
    }
    if (page && HandleContextHelp(page, dialog, message, wParam, lParam, d.helpTable)) return TRUE;
    if (!page || message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == d.combo && code == CBN_SELCHANGE) {
        OnPaperTypeChosen(page, dialog, d);
    } else if (id == ids::kPaperTypeDefaults && code == BN_CLICKED) {
        Set(Scratch(page), d.field, WORD{0});
        Set(Scratch(page), d.copy, WORD{0});
        EnableControl(dialog, d.label, true);
        EnableControl(dialog, d.combo, true);
        FillValueCombo(page, dialog, d.combo);
    } else if (id == IDOK && code == BN_CLICKED) {
        OnPaperTypeOk(page, dialog, d);
    } else if (id == IDCANCEL && code == BN_CLICKED) {
        EndDialog(dialog, 0);
    } else if (id == d.help && code == BN_CLICKED) {
        OpenPaperSourceHelp(page, d.helpTopic);
    } else {
        return FALSE;
    }
    return TRUE;
}

// ---- Sources by section (2903) ----------------------------------------------------------------

constexpr int kSectionCombos[] = {ids::kFirstSheet,  ids::kOtherSheets, ids::kSectionDefault,
                                  ids::kSectionTray, ids::kFrontCover,  ids::kBackCover};
constexpr int kSectionControls[] = {ids::kFirstSheet,       ids::kFrontCoverOn,        ids::kFrontCover,
                                    ids::kOtherSheets,      ids::kSectionDefault,      ids::kSectionTray,
                                    ids::kBackCoverOn,      ids::kBackCover,           ids::kFirstSheetLabel,
                                    ids::kOtherSheetsLabel, ids::kSectionDefaultLabel, ids::kSectionTrayLabel};

void EnableSectionControls(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Scratch(page);
    if (Get(r, dm::SectionSetting) != 1) {
        for (int id : kSectionControls) EnableControl(dialog, id, false);
        return;
    }
    const bool paper = PaperIsSupported(page, r) != 0;
    EnableControl(dialog, ids::kFirstSheet, paper);
    EnableControl(dialog, ids::kOtherSheets, paper);
    // A section default locked to its one entry stays greyed.
    EnableControl(dialog, ids::kSectionDefault, paper && !IsSectionDefaultLocked(r));
    EnableControl(dialog, ids::kFrontCover, paper && Checked(dialog, ids::kFrontCoverOn));
    EnableControl(dialog, ids::kBackCover, paper && Checked(dialog, ids::kBackCoverOn));
    for (int id : {ids::kFrontCoverOn, ids::kSectionTray, ids::kBackCoverOn, ids::kFirstSheetLabel,
                   ids::kOtherSheetsLabel, ids::kSectionDefaultLabel, ids::kSectionTrayLabel})
        EnableControl(dialog, id, true);
}

void ShowSections(PageContext* page, HWND dialog) {
    for (int id : kSectionCombos) FillBinCombo(page, dialog, id);
    const DriverDevmode& r = Scratch(page);
    CheckDlgButton(dialog, ids::kFrontCoverOn, Get(r, dm::FrontCoverOn) == 1 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, ids::kBackCoverOn, Get(r, dm::BackCoverOn) == 1 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, ids::kSectionsOn, Get(r, dm::SectionSetting) == 1 ? BST_CHECKED : BST_UNCHECKED);
    EnableSectionControls(page, dialog);
}

// A section's source into its field and the field's copy.
void StoreSectionSource(DriverDevmode& r, int combo, DWORD source) {
    switch (combo) {
        case ids::kFirstSheet:
            Set(r, dm::FirstSheetTray, source);
            Set(r, dm::SavedFirstSheetTray, source);
            return;
        case ids::kOtherSheets:
            Set(r, dm::SecondSheetTray, source);
            Set(r, dm::SavedSecondSheetTray, source);
            return;
        case ids::kSectionDefault:
            Set(r, dm::DefaultSource, static_cast<SHORT>(source));
            Set(r, dm::SeparateDefaultTray, source);
            Set(r, dm::SavedSeparateDefaultTray, source);
            return;
        case ids::kSectionTray:
            Set(r, dm::SectionTray, source);
            return;
        case ids::kFrontCover:
            Set(r, dm::FrontCoverTray, source);
            Set(r, dm::SavedFrontCoverTray, source);
            return;
        case ids::kBackCover:
            Set(r, dm::BackCoverTray, source);
            Set(r, dm::SavedBackCoverTray, source);
            return;
    }
}

void RestoreSectionDefaults(PageContext* page, HWND dialog) {
    DriverDevmode& r = Scratch(page);
    if (PaperIsSupported(page, r)) {
        Set(r, dm::FirstSheetTray, DWORD{kSourceManual});
        Set(r, dm::SecondSheetTray, DWORD{kSecondSheetAsDocument});
        Set(r, dm::SeparateDefaultTray, DWORD{kSourceUpper});
        Set(r, dm::DefaultSource, SHORT{kSourceUpper});
        Set(r, dm::FrontCoverTray, DWORD{kSourceManual});
        Set(r, dm::BackCoverTray, DWORD{kSourceManual});
    }
    Set(r, dm::SavedFirstSheetTray, DWORD{kSourceManual});
    Set(r, dm::SavedSecondSheetTray, DWORD{kSecondSheetAsDocument});
    Set(r, dm::SavedSeparateDefaultTray, DWORD{kSourceUpper});
    Set(r, dm::PrevDefaultSource, WORD{kSourceUpper});
    Set(r, dm::SavedFrontCoverTray, DWORD{kSourceManual});
    Set(r, dm::SavedBackCoverTray, DWORD{kSourceManual});
    for (auto f :
         {dm::SeparateTraysOn, dm::SavedSeparateTraysOn, dm::FrontCoverOn, dm::BackCoverOn, dm::SectionSetting})
        Set(r, f, DWORD{0});
    ShowSections(page, dialog);
}

bool OnSectionCommand(PageContext* page, HWND dialog, int id, int code) {
    DriverDevmode& r = Scratch(page);
    for (int combo : kSectionCombos) {
        if (id != combo || code != CBN_SELCHANGE) continue;
        const LPARAM source = SelectedItemData(dialog, combo);
        if (source < 0) return true;
        StoreSectionSource(r, combo, static_cast<DWORD>(source));
        MarkPaperPageChanged(page);
        return true;
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
        case ids::kFrontCoverOn:
            Set(r, dm::FrontCoverOn, CheckValue(dialog, id));
            break;
        case ids::kBackCoverOn:
            Set(r, dm::BackCoverOn, CheckValue(dialog, id));
            break;
        case ids::kSectionsOn:
            Set(r, dm::SectionSetting, CheckValue(dialog, id));
            break;
        case ids::kSectionsDefaults:
            RestoreSectionDefaults(page, dialog);
            return true;
        case IDOK:
            page->uiContext->currentDevmode = r;
            EndDialog(dialog, TRUE);
            return true;
        case IDCANCEL:
            EndDialog(dialog, FALSE);
            return true;
        default:
            return false;
    }
    EnableSectionControls(page, dialog);
    MarkPaperPageChanged(page);
    return true;
}

// ---- Source details (509) ---------------------------------------------------------------------

void EnableDetailControls(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Scratch(page);
    if (Get(r, dm::SlipSheetsChecked) == 0) {
        for (int id : {ids::kSlipKindLabel, ids::kSlipKind, ids::kSlipTrayLabel, ids::kSlipTray})
            EnableControl(dialog, id, false);
        return;
    }
    const bool paper = PaperIsSupported(page, r) != 0;
    for (int id : {ids::kSlipKindLabel, ids::kSlipKind, ids::kDetailManualLabel, ids::kDetailManualType})
        EnableControl(dialog, id, true);
    EnableControl(dialog, ids::kSlipTrayLabel, paper);
    EnableControl(dialog, ids::kSlipTray, paper);
}

void RefreshDetailPreview(PageContext* page, HWND dialog) {
    RefreshPreviewLine(dialog, ids::kDetailPreview, Scratch(page));
    SetZoomCaption(page, dialog, TRUE);
}

void ShowDetails(PageContext* page, HWND dialog) {
    const DriverDevmode& r = Scratch(page);
    FillBinCombo(page, dialog, ids::kDetailSource);
    FillBinCombo(page, dialog, ids::kSlipTray);
    CheckDlgButton(dialog, ids::kSlipSheetsOn, Get(r, dm::SlipSheetsChecked) == 1 ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(dialog, ids::kSlipBlank, ids::kSlipPrinted,
                     Get(r, dm::SlipSheetKind) == 1 ? ids::kSlipPrinted : ids::kSlipBlank);
    FillValueCombo(page, dialog, ids::kSlipKind);
    FillValueCombo(page, dialog, ids::kDetailManualType);
    EnableDetailControls(page, dialog);
    RefreshDetailPreview(page, dialog);
}

void RestoreDetailDefaults(PageContext* page, HWND dialog) {
    DriverDevmode& r = Scratch(page);
    const int paper = PaperIsSupported(page, r);
    Set(r, dm::SlipSheetsChecked, DWORD{0});
    Set(r, dm::SlipSheetKind, DWORD{0});
    if (paper) Set(r, dm::SlipSheetTray, DWORD{kSourceUpper});
    Set(r, dm::ManualPaperType, WORD{0});
    Set(r, dm::SavedManualPaperType, WORD{0});
    ShowDetails(page, dialog);
}

// A stored choice of the details; false for a command that stores nothing.
bool StoreDetail(PageContext* page, HWND dialog, int id, int code) {
    DriverDevmode& r = Scratch(page);
    if (code == CBN_SELCHANGE) {
        const LPARAM value = SelectedItemData(dialog, id);
        if (value < 0) return false;
        switch (id) {
            case ids::kSlipTray:
                Set(r, dm::SlipSheetTray, static_cast<DWORD>(value));
                Set(r, dm::SavedSlipSheetTray, static_cast<DWORD>(value));
                return true;
            case ids::kSlipKind:
                Set(r, dm::SlipSheetKind, static_cast<DWORD>(value));
                CheckRadioButton(dialog, ids::kSlipBlank, ids::kSlipPrinted,
                                 value == 1 ? ids::kSlipPrinted : ids::kSlipBlank);
                return true;
            case ids::kDetailSource:
                Set(r, dm::DefaultSource, static_cast<SHORT>(value));
                Set(r, dm::DetailSource, static_cast<DWORD>(value));
                Set(r, dm::SavedDetailSource, static_cast<DWORD>(value));
                return true;
            case ids::kDetailManualType:
                Set(r, dm::ManualPaperType, static_cast<WORD>(value));
                Set(r, dm::SavedManualPaperType, static_cast<WORD>(value));
                RunConstraintsOn(page, r);
                FillValueCombo(page, dialog, ids::kDetailManualType);
                EnableDetailControls(page, dialog);
                return true;
        }
        return false;
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
        case ids::kSlipSheetsOn:
            Set(r, dm::SlipSheetsChecked, CheckValue(dialog, id));
            EnableDetailControls(page, dialog);
            return true;
        case ids::kSlipBlank:
        case ids::kSlipPrinted:
            Set(r, dm::SlipSheetKind, DWORD{id == ids::kSlipPrinted ? 1u : 0u});
            FillValueCombo(page, dialog, ids::kSlipKind);
            return true;
    }
    return false;
}

bool OnDetailCommand(PageContext* page, HWND dialog, int id, int code) {
    if (StoreDetail(page, dialog, id, code)) {
        RefreshDetailPreview(page, dialog);
        MarkPaperPageChanged(page);
        return true;
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
        case ids::kDetailDefaults:
            RestoreDetailDefaults(page, dialog);
            return true;
        case ids::kDetailOk:
            page->uiContext->currentDevmode = Scratch(page);
            EndDialog(dialog, 1);
            return true;
        case IDCANCEL:
        case ids::kDetailCancel:
            EndDialog(dialog, 0);
            return true;
        case ids::kDetailHelp:
            OpenPaperSourceHelp(page, kHelpTopicSourceDetail);
            return true;
    }
    return false;
}

void DrawDetailPreview(PageContext* page, const DRAWITEMSTRUCT* item) {
    if (item->CtlID != static_cast<UINT>(ids::kDetailPreview)) return;
    HBRUSH brush = CreateSolidBrush(kPreviewBackground);
    FillRect(item->hDC, &item->rcItem, brush);
    DeleteObject(brush);
    DrawPreviewBitmap(page, item->hDC, TRUE);
    DrawPaperPicture(page, item->hDC, GetParent(item->hwndItem));
}

// The preview's one line fills the list; sent while the controls are made.
BOOL MeasurePreviewLine(HWND dialog, MEASUREITEMSTRUCT* measure, int listId) {
    RECT client{};
    if (!measure || measure->CtlID != static_cast<UINT>(listId) || !GetClientRect(GetDlgItem(dialog, listId), &client))
        return FALSE;
    measure->itemHeight = static_cast<UINT>(client.bottom - client.top);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK PaperSourceDialogProcA(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    return PaperTypeProc(hDlg, message, wParam, lParam, kPaperTypeDialog);
}

INT_PTR CALLBACK PaperSourceDialogProcB(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    return PaperTypeProc(hDlg, message, wParam, lParam, kManualTypeDialog);
}

INT_PTR CALLBACK SectionSourceDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        if (PageContext* page = StartDialog(hDlg, lParam)) ShowSections(page, hDlg);
        return TRUE;
    }
    PageContext* page = DialogPage(hDlg);
    if (page && HandleContextHelp(page, hDlg, message, wParam, lParam, kSectionHelp)) return TRUE;
    if (!page || message != WM_COMMAND) return FALSE;
    return OnSectionCommand(page, hDlg, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
}

INT_PTR CALLBACK SourceDetailDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            if (PageContext* page = StartDialog(hDlg, lParam)) {
                ShowDetails(page, hDlg);
                SetOwnedIcon(hDlg, ids::kDetailPicture, kDialogIcon, kDialogIconSize, kDialogIconSize);
            }
            return TRUE;
        case WM_MEASUREITEM:
            return MeasurePreviewLine(hDlg, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam), ids::kDetailPreview);
        case WM_DESTROY:
            FreeOwnedIcon(hDlg, ids::kDetailPicture);
            return FALSE;
    }
    PageContext* page = DialogPage(hDlg);
    if (!page) return FALSE;
    if (HandleContextHelp(page, hDlg, message, wParam, lParam, kDetailHelp)) return TRUE;
    if (message == WM_DRAWITEM && lParam) {
        DrawDetailPreview(page, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    return OnDetailCommand(page, hDlg, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
}

}  // namespace orla
