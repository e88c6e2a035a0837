// The paper-source page's dialog procedure: the source combo, output tray, offset stacking and
// the two checks write the current record; the four buttons open the dialogs that edit the
// scratch record, and the page takes over what their OK leaves.
#include "ui/pages/paper_source_page.h"

#include "resources/lang/sheet_ids.h"
#include "resources/lang/summary_ids.h"
#include "ui/entry/printer_config.h"
#include "ui/pages/basic_page.h"
#include "ui/pages/config_retrieval.h"
#include "ui/pages/context_help.h"
#include "ui/pages/favourite_dialogs.h"
#include "ui/pages/page_common.h"
#include "ui/pages/page_switches.h"
#include "ui/pages/paper_rules.h"
#include "ui/pages/paper_source_bins.h"
#include "ui/pages/paper_source_steps.h"
#include "ui/pages/paper_sources.h"
#include "ui/pages/preview_pictures.h"
#include "ui/pages/summary_tree.h"
#include "win/compstui.h"
#include "win/property_sheet.h"
#include "win/tree_view.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"
#include "win/user_msg.h"

namespace orla {

namespace {

namespace ids = orla_res::paper_source;

constexpr WORD kPrinterPathIcon = 953;
constexpr int kPrinterPathCx = 64, kPrinterPathCy = 32;
constexpr int kHintKind = 1;
constexpr UINT kTextOffsetOn = 474;
constexpr WORD kTransparency = 3, kTrayFaceUp = 3;
constexpr COLORREF kPreviewBackground = 0xFFCCCC;
constexpr UINT kChecksOnActivation[] = {kMsgCheckFeeder, kMsgCheckSource, kMsgCheckConflict, kMsgCheckDuplexPaper};

constexpr HelpIdPair kPageHelp[] = {{ids::kSourceLabel, kSheetHelpTopic},
                                    {ids::kSource, kSheetHelpTopic},
                                    {ids::kOutputTrayLabel, kSheetHelpTopic},
                                    {ids::kOutputTray, kSheetHelpTopic},
                                    {ids::kOffsetStackingLabel, kSheetHelpTopic},
                                    {ids::kOffsetStacking, kSheetHelpTopic},
                                    {ids::kCollate, kSheetHelpTopic},
                                    {ids::kJobSeparate, kSheetHelpTopic},
                                    {ids::kPaperType, kHelpTopicPaperType},
                                    {ids::kManualPaperType, kHelpTopicManualPaperType},
                                    {ids::kSectionSources, kSheetHelpTopic},
                                    {ids::kSourceDetail, kHelpTopicSourceDetail},
                                    {ids::kPreview, kSheetHelpTopic},
                                    {ids::kCaption, kSheetHelpTopic},
                                    {ids::kPrinter, kSheetHelpTopic},
                                    {ids::kGetConfiguration, kSheetHelpTopic},
                                    {ids::kSummary, kSheetHelpTopic},
                                    {ids::kRestoreDefaults, kSheetHelpTopic},
                                    {ids::kHelp, kSheetHelpTopic},
                                    {0, 0}};

DriverDevmode& Record(PageContext* page) {
    return page->uiContext->currentDevmode;
}

void Refresh(PageContext* page, HWND dialog) {
    RunConstraintsOn(page, Record(page));
    FillPaperPageControls(page, dialog);
    InitPaperSourceControls(page, dialog);
}

void MarkChanged(PageContext* page, HWND dialog) {
    if (page->hSheetFrame) SendMessageW(page->hSheetFrame, PSM_CHANGED, reinterpret_cast<WPARAM>(dialog), 0);
}

void SetSource(DriverDevmode& r, LONG source) {
    Set(r, dm::DefaultSource, static_cast<SHORT>(source));
    Set(r, dm::PrevDefaultSource, static_cast<WORD>(source));
}

// Choosing a source of its own ends sources by section and slip sheets.
void EndSourceModes(DriverDevmode& r) {
    for (auto f : {dm::SeparateTraysOn, dm::SavedSeparateTraysOn, dm::SectionSetting, dm::SlipSheetsOn,
                   dm::SavedSlipSheetsOn, dm::SlipSheetsChecked})
        Set(r, f, DWORD{0});
}

bool DuplexTurnedOff(SHORT before, const DriverDevmode& r) {
    return before != DMDUP_SIMPLEX && Get(r, dm::Duplex) == DMDUP_SIMPLEX;
}

// After the source changed: the separate trays' source, the stacker's paper and the duplex that
// the pass may have turned off.
void CheckChangedSource(PageContext* page, HWND dialog, SHORT duplexBefore, UINT duplexWarning) {
    CheckPaperForSource(page, dialog);
    WarnPaperForDuplex(page, dialog);
    if (DuplexTurnedOff(duplexBefore, Record(page))) WarnPaperSource(page, dialog, duplexWarning);
}

void ShowHint(PageContext* page, HWND dialog, UINT textId) {
    ShowHintLine(page, dialog, textId, kHintKind);
}

// ---- Commands ---------------------------------------------------------------------------------

void OnSourceChosen(PageContext* page, HWND dialog) {
    const LPARAM chosen = SelectedItemData(dialog, ids::kSource);
    if (chosen < 0) return;
    DriverDevmode& r = Record(page);
    EndSourceModes(r);
    const auto source = static_cast<LONG>(chosen);
    if (source != Get(r, dm::DefaultSource)) {
        const SHORT duplexBefore = Get(r, dm::Duplex);
        if (source == static_cast<LONG>(kSourceSections))
            SetSource(r, static_cast<LONG>(Get(r, dm::SeparateDefaultTray)));
        else if (source != static_cast<LONG>(kSourceSlipSheets))
            SetSource(r, source);
        Set(r, dm::SavedDefaultSource, static_cast<LONG>(Get(r, dm::DefaultSource)));
        Refresh(page, dialog);
        CheckChangedSource(page, dialog, duplexBefore, kWarnTransparencyDuplex);
        MarkChanged(page, dialog);
    }
    Refresh(page, dialog);
    ShowHint(page, dialog, ids::kHintSource);
}

void OnOutputTray(PageContext* page, HWND dialog) {
    const LPARAM tray = SelectedItemData(dialog, ids::kOutputTray);
    if (tray < 0) return;
    DriverDevmode& r = Record(page);
    const SHORT duplexBefore = Get(r, dm::Duplex);
    Set(r, dm::OutputTray, static_cast<WORD>(tray));
    Set(r, dm::SavedOutputTray, static_cast<WORD>(tray));
    Refresh(page, dialog);
    if (DuplexTurnedOff(duplexBefore, r)) {
        if (Get(r, dm::PaperType) == kTransparency) WarnPaperSource(page, dialog, kWarnTransparencyDuplex);
        if (Get(r, dm::OutputTray) == kTrayFaceUp) WarnPaperSource(page, dialog, ids::kWarnFaceUpDuplex);
    }
    MarkChanged(page, dialog);
}

void OnOffsetStacking(PageContext* page, HWND dialog) {
    const LPARAM data = SelectedItemData(dialog, ids::kOffsetStacking);
    if (data < 0) return;
    DriverDevmode& r = Record(page);
    const DWORD on = data == kTextOffsetOn ? 1 : 0;
    if (on != Get(r, dm::OffsetStacking)) {
        Set(r, dm::OffsetStacking, on);
        Set(r, dm::SavedOffsetStacking, on);
        RunConstraintsOn(page, r);
        FillPaperPageControls(page, dialog);
        MarkChanged(page, dialog);
    }
    InitPaperSourceControls(page, dialog);
}

void OnFlagCheck(PageContext* page, HWND dialog, int id) {
    DriverDevmode& r = Record(page);
    const DWORD bit = id == ids::kCollate ? kFlags1Collate : kFlags1JobSeparate;
    const bool on = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
    for (auto f : {dm::Flags1, dm::SavedFlags1}) Set(r, f, on ? (Get(r, f) | bit) : (Get(r, f) & ~bit));
    RunConstraintsOn(page, r);
    CheckDlgButton(dialog, id, (Get(r, dm::Flags1) & bit) ? BST_CHECKED : BST_UNCHECKED);
    if (id == ids::kCollate) InitPaperSourceControls(page, dialog);
    MarkFavouriteMatch(page->uiContext, dialog);
    MarkChanged(page, dialog);
}

INT_PTR OpenDialog(PageContext* page, HWND dialog, unsigned templateId, DLGPROC proc) {
    return DialogBoxParamW(page->uiContext->hResDll, MAKEINTRESOURCEW(templateId), dialog, proc,
                           reinterpret_cast<LPARAM>(page));
}

// Sources by section: the dialog shows the sections' default source as the document's source.
void OnSectionSources(PageContext* page, HWND dialog) {
    DriverDevmode& r = Record(page);
    const SHORT saved = Get(r, dm::DefaultSource);
    Set(r, dm::DefaultSource, static_cast<SHORT>(Get(r, dm::SeparateDefaultTray)));
    if (OpenDialog(page, dialog, ids::kTemplateSections, SectionSourceDialogProc) <= 0) {
        Set(r, dm::DefaultSource, saved);
        RunConstraintsOn(page, r);
        return;
    }
    const SHORT duplexBefore = Get(r, dm::Duplex);
    if (Get(r, dm::SectionSetting) == 0) {
        SetSource(r, Get(r, dm::SavedDefaultSource));
        Set(r, dm::SeparateTraysOn, DWORD{0});
        Set(r, dm::SavedSeparateTraysOn, DWORD{0});
        Refresh(page, dialog);
        MarkChanged(page, dialog);
        return;
    }
    SetSource(r, static_cast<LONG>(Get(r, dm::SeparateDefaultTray)));
    Set(r, dm::SeparateTraysOn, DWORD{1});
    Set(r, dm::SavedSeparateTraysOn, DWORD{1});
    for (auto f : {dm::SlipSheetsOn, dm::SavedSlipSheetsOn, dm::SlipSheetsChecked}) Set(r, f, DWORD{0});
    Set(r, dm::SavedDefaultSource, static_cast<LONG>(saved));
    Refresh(page, dialog);
    if (saved == Get(r, dm::DefaultSource)) return;
    CheckChangedSource(page, dialog, duplexBefore, kWarnTransparencyDuplex);
    MarkChanged(page, dialog);
}

// Source details and slip sheets.
void OnSourceDetail(PageContext* page, HWND dialog) {
    DriverDevmode& r = Record(page);
    const SHORT savedDuplex = Get(r, dm::Duplex);
    const SHORT savedSource = Get(r, dm::DefaultSource);
    if (OpenDialog(page, dialog, ids::kTemplateDetail, SourceDetailDialogProc) <= 0) {
        Set(r, dm::DefaultSource, savedSource);
        RunConstraintsOn(page, r);
        return;
    }
    if (Get(r, dm::SlipSheetsChecked) != 0) {
        Set(r, dm::SlipSheetsOn, DWORD{1});
        Set(r, dm::SavedSlipSheetsOn, DWORD{1});
        for (auto f : {dm::SeparateTraysOn, dm::SavedSeparateTraysOn, dm::SectionSetting}) Set(r, f, DWORD{0});
        Refresh(page, dialog);
        CheckChangedSource(page, dialog, savedDuplex, ids::kWarnSlipSheetsDuplex);
    } else {
        Set(r, dm::DefaultSource, savedSource);
        Set(r, dm::SlipSheetsOn, DWORD{0});
        Set(r, dm::SavedSlipSheetsOn, DWORD{0});
        Refresh(page, dialog);
    }
    MarkChanged(page, dialog);
}

void OnPaperTypeDialog(PageContext* page, HWND dialog, unsigned templateId, DLGPROC proc) {
    const SHORT duplexBefore = Get(Record(page), dm::Duplex);
    if (OpenDialog(page, dialog, templateId, proc) > 0) {
        RunConstraintsOn(page, Record(page));
        if (DuplexTurnedOff(duplexBefore, Record(page))) WarnPaperSource(page, dialog, kWarnTransparencyDuplex);
        FillPaperPageControls(page, dialog);
        MarkChanged(page, dialog);
    }
    InitPaperSourceControls(page, dialog);
}

void OnGetConfiguration(PageContext* page, HWND dialog) {
    if (OpenDialog(page, dialog, orla_res::kTemplateConfigRetrieval, DeviceConfigRetrievalDialogProc) > 0)
        MarkChanged(page, dialog);
    RunConstraintsOn(page, Record(page));
    if (HWND picture = GetDlgItem(dialog, ids::kPrinter)) InvalidateRect(picture, nullptr, TRUE);
    FillPaperPageControls(page, dialog);
    InitPaperSourceControls(page, dialog);
}

void OnRestoreDefaults(PageContext* page, HWND dialog) {
    if (!RestoreGroupDefaults(page, dialog, static_cast<int>(SettingGroup::kPaperSource))) return;
    Refresh(page, dialog);
    SetFocus(GetDlgItem(dialog, ids::kSource));
    MarkChanged(page, dialog);
    CheckUserNameCharacters(dialog, page, static_cast<int>(UserNameCheck::kWarn));
    RefreshSettingsTree(page, dialog);
    ShowHint(page, dialog, ids::kHintDefaults);
}

void OnSummary(PageContext* page, HWND dialog) {
    page->flags |= kPageBusyManager;
    DialogBoxParamW(page->uiContext->hResDll, MAKEINTRESOURCEW(orla_res::summary::kTemplateSummary), dialog,
                    SettingsSummaryDialogProc, reinterpret_cast<LPARAM>(page));
    page->flags &= ~kPageBusyManager;
}

void OnCommand(PageContext* page, HWND dialog, int id, int code) {
    const bool clicked = code == BN_CLICKED;
    switch (id) {
        case ids::kSource:
            if (code == CBN_SELCHANGE) OnSourceChosen(page, dialog);
            if (code == CBN_DROPDOWN) ShowHint(page, dialog, ids::kHintSource);
            return;
        case ids::kOutputTray:
            if (code == CBN_SELCHANGE) OnOutputTray(page, dialog);
            return;
        case ids::kOffsetStacking:
            if (code == CBN_SELCHANGE) OnOffsetStacking(page, dialog);
            return;
        case ids::kCollate:
        case ids::kJobSeparate:
            if (clicked) OnFlagCheck(page, dialog, id);
            return;
        case ids::kSectionSources:
            if (clicked) OnSectionSources(page, dialog);
            return;
        case ids::kSourceDetail:
            if (clicked) OnSourceDetail(page, dialog);
            return;
        case ids::kPaperType:
            if (clicked) OnPaperTypeDialog(page, dialog, ids::kTemplatePaperType, PaperSourceDialogProcA);
            return;
        case ids::kManualPaperType:
            if (clicked) OnPaperTypeDialog(page, dialog, ids::kTemplateManualPaperType, PaperSourceDialogProcB);
            return;
        case ids::kGetConfiguration:
            if (clicked) OnGetConfiguration(page, dialog);
            return;
        case ids::kRestoreDefaults:
            if (clicked) OnRestoreDefaults(page, dialog);
            return;
        case ids::kSummary:
        case orla_res::basic_page::kSummaryItem:
            if (clicked) OnSummary(page, dialog);
            return;
        case ids::kHelp:
            if (clicked) OpenPaperSourceHelp(page, kSheetHelpTopic);
            return;
    }
}

// ---- Notifications and messages ---------------------------------------------------------------

void OnSetActive(PageContext* page, HWND dialog) {
    page->hSheetFrame = GetParent(dialog);
    RefreshPreviewLine(dialog, ids::kPreview, Record(page));
    RunConstraintsOn(page, Record(page));
    InitPaperSourceControls(page, dialog);
    for (UINT check : kChecksOnActivation) PostMessageW(dialog, check, 0, 0);
}

LRESULT OnNotify(PageContext* page, HWND dialog, const NMHDR* note) {
    switch (note->code) {
        case PSN_SETACTIVE:
            OnSetActive(page, dialog);
            return 0;
        case PSN_APPLY:
            ApplyPageSettings(page, dialog);
            return PSNRET_NOERROR;
        case PSN_HELP:
            OpenPaperSourceHelp(page, kSheetHelpTopic);
            return 0;
    }
    return 0;
}

void OnDrawItem(PageContext* page, const DRAWITEMSTRUCT* item) {
    if (item->CtlID == static_cast<UINT>(ids::kPreview)) {
        HBRUSH brush = CreateSolidBrush(kPreviewBackground);
        FillRect(item->hDC, &item->rcItem, brush);
        DeleteObject(brush);
        DrawPreviewBitmap(page, item->hDC, FALSE);
        DrawPaperPicture(page, item->hDC, GetParent(item->hwndItem));
    } else if (item->CtlID == static_cast<UINT>(ids::kPrinter)) {
        DrawPrinterPicture(page, item->hDC, item->hwndItem);
    }
}

}  // namespace

INT_PTR CALLBACK PaperSourcePageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        auto* page = sheetPage ? reinterpret_cast<PageContext*>(sheetPage->lParam) : nullptr;
        SetWindowLongPtrW(hDlg, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        if (page && page->uiContext) {
            RefreshPrinterConfig(page);
            SetOwnedIcon(hDlg, ids::kPaperPathPicture, kPrinterPathIcon, kPrinterPathCx, kPrinterPathCy);
        }
        return TRUE;
    }
    if (message == WM_MEASUREITEM) {
        // Sent while the controls are made: the preview's one line fills the list.
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        RECT client{};
        if (!measure || measure->CtlID != static_cast<UINT>(ids::kPreview) ||
            !GetClientRect(GetDlgItem(hDlg, ids::kPreview), &client))
            return FALSE;
        measure->itemHeight = static_cast<UINT>(client.bottom - client.top);
        return TRUE;
    }
    PageContext* page = PageContextOf(hDlg);
    if (!page || !page->uiContext) return FALSE;
    if (HandleContextHelp(page, hDlg, message, wParam, lParam, kPageHelp)) return TRUE;
    switch (message) {
        case WM_DESTROY:
            FreeOwnedIcon(hDlg, ids::kPaperPathPicture);
            return FALSE;
        case WM_NOTIFY:
            if (!lParam) return FALSE;
            SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, OnNotify(page, hDlg, reinterpret_cast<const NMHDR*>(lParam)));
            return TRUE;
        case WM_COMMAND:
            OnCommand(page, hDlg, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_DRAWITEM:
            if (lParam) OnDrawItem(page, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
    }
    return RunPaperCheck(page, hDlg, message) ? TRUE : FALSE;
}

}  // namespace orla
