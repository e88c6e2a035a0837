// The steps the paper-source page and its dialogs share.
#include "ui/pages/paper_source_steps.h"

#include "core/settings_resolver.h"
#include "resources/lang/paper_source_ids.h"
#include "ui/entry/option_constraints.h"
#include "ui/entry/printer_config.h"
#include "ui/entry/printer_data_store.h"
#include "ui/entry/ui_flags.h"
#include "ui/pages/basic_page_fillers.h"
#include "ui/pages/context_help.h"
#include "ui/pages/paper_rules.h"
#include "ui/pages/paper_source_bins.h"
#include "ui/pages/paper_sources.h"
#include "ui/pages/preview_pictures.h"
#include "win/property_sheet.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace orla {

namespace {

namespace ids = orla_res::paper_source;

constexpr UINT kTextOffsetOff = 475, kTextOffsetOn = 474;

void CheckFlag(HWND dialog, int id, bool on) {
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

void EnableControl(HWND dialog, int id, bool enable) {
    if (HWND control = GetDlgItem(dialog, id)) EnableWindow(control, enable ? TRUE : FALSE);
}

// Sources by section and slip sheets exclude each other; a form overlay feeds from its own tray
// and takes neither.
void EnableSourceModeButtons(const DriverDevmode& r, HWND dialog) {
    const bool overlay = (Get(r, dm::FlagsWord) & kFlagsWordOverlayOn) != 0;
    EnableControl(dialog, ids::kSectionSources, !overlay);
    EnableControl(dialog, ids::kSourceDetail, !overlay);
    if (Get(r, dm::SectionSetting) == 1 && Get(r, dm::SeparateTraysOn) == 1) {
        EnableControl(dialog, ids::kSectionSources, true);
        EnableControl(dialog, ids::kSourceDetail, false);
    }
    if (Get(r, dm::SlipSheetsChecked) == 1 && Get(r, dm::SlipSheetsOn) == 1) {
        EnableControl(dialog, ids::kSourceDetail, true);
        EnableControl(dialog, ids::kSectionSources, false);
    }
}

void FillOffsetStackingCombo(PageContext* page, HWND dialog) {
    const DriverDevmode& r = page->uiContext->currentDevmode;
    if (!GetDlgItem(dialog, ids::kOffsetStacking)) return;
    FillCombo(dialog, ids::kOffsetStacking, page->uiContext->hResDll,
              {{kTextOffsetOff, kTextOffsetOff}, {kTextOffsetOn, kTextOffsetOn}},
              Get(r, dm::OffsetStacking) == 1 ? kTextOffsetOn : kTextOffsetOff);
}

}  // namespace

void InitPaperSourceControls(PageContext* page, HWND dialog) {
    if (!page || !page->uiContext) return;
    UiContext* ui = page->uiContext;
    DriverDevmode& r = ui->currentDevmode;
    // Sources the printer cannot feed from are replaced before the source combo shows the record.
    SubstituteUnavailableSources(r);
    FillPaperSourceCombo(page, dialog);
    FillValueCombo(page, dialog, ids::kPaperTypeCombo);
    FillValueCombo(page, dialog, ids::kManualTypeCombo);
    FillCombo1234(page, dialog);
    FillOffsetStackingCombo(page, dialog);
    EnableSourceModeButtons(r, dialog);
    CheckFlag(dialog, ids::kCollate, (Get(r, dm::Flags1) & kFlags1Collate) != 0);
    CheckFlag(dialog, ids::kJobSeparate, (Get(r, dm::Flags1) & kFlags1JobSeparate) != 0);
    const bool reports = (ui->printerConfig.extStatus & kConfigFromPrinter) != 0;
    EnableControl(dialog, ids::kGetConfiguration, reports && (ui->flags & kUiCanChange) != 0);
    if (GetDlgItem(dialog, ids::kCaption)) SetZoomCaption(page, dialog, FALSE);
    if (GetDlgItem(dialog, ids::kPreview)) RefreshPreviewLine(dialog, ids::kPreview, r);
}

void RunConstraintsOn(PageContext* page, DriverDevmode& record) {
    if (!page || !page->uiContext) return;
    UiContext* ui = page->uiContext;
    ApplyOptionConstraints(&record, nullptr, &ui->printerConfig, ui->hPrinter, ui->deviceData, ui->hResDll, ui->flags,
                           &ui->monitorProbe);
}

void MarkPaperPageChanged(PageContext* page) {
    if (!page || !page->hSheetFrame) return;
    const auto shown = SendMessageW(page->hSheetFrame, PSM_GETCURRENTPAGEHWND, 0, 0);
    if (shown) SendMessageW(page->hSheetFrame, PSM_CHANGED, static_cast<WPARAM>(shown), 0);
}

void WarnPaperSource(PageContext* page, HWND owner, UINT textId) {
    WarnWithPrinterCaption(page, owner, textId);
}

void SetOwnedIcon(HWND dialog, int controlId, WORD iconId, int cx, int cy) {
    HWND control = GetDlgItem(dialog, controlId);
    if (!control) return;
    auto icon = static_cast<HICON>(
        LoadImageW(GetInterfaceModule(), MAKEINTRESOURCEW(iconId), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR));
    auto old = reinterpret_cast<HICON>(SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0));
    if (old) DestroyIcon(old);
}

void FreeOwnedIcon(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    auto old = control ? reinterpret_cast<HICON>(SendMessageW(control, STM_SETICON, 0, 0)) : nullptr;
    if (old) DestroyIcon(old);
}

void OpenPaperSourceHelp(PageContext* page, DWORD topic) {
    if (!page || !page->uiContext) return;
    ShowHtmlHelpAsync(GetDesktopWindow(), page->uiContext->helpFile, kHelpContextCommand, topic);
}

void RefreshPreviewLine(HWND dialog, int listId, const DriverDevmode& record) {
    SendDlgItemMessageW(dialog, listId, LB_RESETCONTENT, 0, 0);
    SendDlgItemMessageW(dialog, listId, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u""));
    SendDlgItemMessageW(dialog, listId, LB_SETITEMDATA, 0, Get(record, dm::PaperSize));
}

int PaperIsSupported(PageContext* page, const DriverDevmode& record) {
    if (!page || !page->uiContext) return 0;
    return IsSupportedPaper(&record, page->uiContext->deviceData) ? 1 : 0;
}

}  // namespace orla
