// The stamp and overlay page's procedure: its notifications, the stamp commands and the preview.
// The overlay's commands are in stamp_page_overlay.cpp, trust marking in stamp_page_trust.cpp.
#include "ui/pages/stamp_page.h"

#include <string>

#include "core/stamp_record.h"
#include "resources/lang/summary_ids.h"
#include "ui/entry/printer_config.h"
#include "ui/pages/context_help.h"
#include "ui/pages/favourite_dialogs.h"
#include "ui/pages/page_common.h"
#include "ui/pages/page_switches.h"
#include "ui/pages/paper_rules.h"
#include "ui/pages/stamp_editor.h"
#include "ui/pages/stamp_fields.h"
#include "ui/pages/stamp_image_file.h"
#include "ui/pages/stamp_preview.h"
#include "ui/pages/summary_tree.h"
#include "ui/tools/overlay_paths.h"
#include "ui/tools/stamp_lists.h"
#include "ui/tools/stamp_store.h"
#include "win/compstui.h"
#include "win/property_sheet.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace orla {

namespace {

namespace ids = orla_res::stamp_page;

// Stamp values of a new stamp and of "none".
constexpr WORD kNewStampNumber = 21;
constexpr DWORD kNewStampPosition = 4;  // centre
constexpr SHORT kNewStampSize = 720;
constexpr SHORT kNewStampScale = 100;
constexpr SHORT kNewStampAngle = 2;  // across
constexpr WORD kNewStampWeight = 700;
constexpr DWORD kNewStampOverlayMode = 1;
constexpr DWORD kNewStampGrey = 3044;
constexpr DWORD kNewStampMode = 3065;
constexpr char16_t kStampFace[] = u"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF";  // "ＭＳ ゴシック"
constexpr char16_t kNoStampText[] = u" ";
constexpr int kDoubleClick = LBN_DBLCLK;

const HelpIdPair kStampPageHelp[] = {
    {ids::kStampList, kSheetHelpTopic},
    {ids::kEditStamp, kSheetHelpTopic},
    {ids::kNewStamp, kSheetHelpTopic},
    {ids::kDeleteStamp, kSheetHelpTopic},
    {ids::kFirstPageOnly, kSheetHelpTopic},
    {ids::kAnnotation, kSheetHelpTopic},
    {ids::kOverlayOn, kSheetHelpTopic},
    {ids::kOverlayPath, kSheetHelpTopic},
    {ids::kOverlayBrowse, kSheetHelpTopic},
    {ids::kOverlayInfo, kSheetHelpTopic},
    {ids::kOverlayOnly, kSheetHelpTopic},
    {ids::kTrustMarking, kSheetHelpTopic},
    {0, 0},
};

UiContext* Ui(PageContext* page) {
    return page ? page->uiContext : nullptr;
}
BYTE* StampOf(DriverDevmode& record) {
    return record.bytes + dm::StampRecord.offset;
}
bool StampSelected(PageContext* page) {
    return Get(Ui(page)->currentDevmode, dm::StampNumber) != 0;
}

// The label and the text of the selected stamp; the label names a file for an image stamp.
void ShowStampText(PageContext* page, HWND dialog) {
    BYTE* stamp = StampOf(Ui(page)->currentDevmode);
    const bool image = StampGet(stamp, stamp::kKind) != 0;
    SetDlgItemTextW(dialog, ids::kStampTextLabel, StampTextLabel(image, Ui(page)->languageId == kLocaleJapanese));
    const std::u16string text =
        StampSelected(page) ? StampWideText(stamp, image ? stamp::kImagePath : stamp::kText) : u"";
    SetDlgItemTextW(dialog, ids::kStampText, text.c_str());
}

void FinishStampChange(PageContext* page, HWND dialog) {
    RefreshStampList(page, dialog);
    MarkFavouriteMatch(Ui(page), dialog);
    MarkStampPageChanged(page, dialog);
}

// ---- Stamp commands ----

// After the editor: only its OK turns the stamp on and takes the number it stored.
void AfterEditor(PageContext* page, HWND dialog, INT_PTR result) {
    if (result != IDOK) return;
    DriverDevmode& r = Ui(page)->currentDevmode;
    Set(r, dm::StampDrawFlag, DWORD{1});
    Set(r, dm::StampNumber, DWORD{StampGet(StampOf(r), stamp::kNumber)});
    FinishStampChange(page, dialog);
}

void OnEditStamp(PageContext* page, HWND dialog) {
    UiContext* ui = Ui(page);
    LoadStampsIntoContext(ui);
    ui->scratchDevmode = ui->currentDevmode;
    const BYTE* stamp = StampOf(ui->scratchDevmode);
    if (StampGet(stamp, stamp::kKind) != 0) {
        const std::u16string path = StampWideText(stamp, stamp::kImagePath);
        LoadStampImageFile(page, dialog, path.c_str());  // warns; the editor opens either way
    }
    AfterEditor(page, dialog, OpenStampEditor(page, dialog, stamp_editor_ids::kTemplateEditStamp));
}

void PutNewStampValues(BYTE* stamp) {
    for (size_t i = 0; i < kStampRecordSize; ++i) stamp[i] = 0;
    StampSet(stamp, stamp::kNumber, kNewStampNumber);
    StampSet(stamp, stamp::kKind, DWORD{0});
    StampSet(stamp, stamp::kPosition, kNewStampPosition);
    StampSet(stamp, stamp::kTextSize, kNewStampSize);
    StampSet(stamp, stamp::kScale, kNewStampScale);
    StampSet(stamp, stamp::kAngle, kNewStampAngle);
    StampSet(stamp, stamp::kWeight, kNewStampWeight);
    StampSet(stamp, stamp::kItalic, DWORD{0});
    StampSet(stamp, stamp::kOverlayMode, kNewStampOverlayMode);
    StampSet(stamp, stamp::kGrey, kNewStampGrey);
    StampSet(stamp, stamp::kMode, kNewStampMode);
    SetStampWideText(stamp, stamp::kFaceName, kStampFace);
}

void OnNewStamp(PageContext* page, HWND dialog) {
    UiContext* ui = Ui(page);
    ui->scratchDevmode = ui->currentDevmode;
    PutNewStampValues(StampOf(ui->scratchDevmode));
    AfterEditor(page, dialog, OpenStampEditor(page, dialog, stamp_editor_ids::kTemplateNewStamp));
}

// No stamp: the embedded record's texts become a blank and its face the standard one.
void PutNoStampTexts(BYTE* stamp) {
    StampSet(stamp, stamp::kNumber, WORD{0});
    for (StampTextField f : {stamp::kName, stamp::kText, stamp::kImagePath}) SetStampWideText(stamp, f, kNoStampText);
    SetStampWideText(stamp, stamp::kFaceName, kStampFace);
}

void OnStampChosen(PageContext* page, HWND dialog, int code) {
    const LRESULT at = SendDlgItemMessageW(dialog, ids::kStampList, LB_GETCURSEL, 0, 0);
    if (at < 0) return;
    const auto number = static_cast<DWORD>(SendDlgItemMessageW(dialog, ids::kStampList, LB_GETITEMDATA, at, 0));
    if (code == kDoubleClick) {
        if (number != 0) OnEditStamp(page, dialog);
        return;
    }
    if (code != LBN_SELCHANGE) return;
    DriverDevmode& r = Ui(page)->currentDevmode;
    Set(r, dm::StampNumber, number);
    LoadStampsIntoContext(Ui(page));
    if (number == 0) {
        PutNoStampTexts(StampOf(r));
    } else {
        Set(r, dm::StampDrawFlag, DWORD{1});
    }
    FinishStampChange(page, dialog);
}

void OnFirstPageOnly(PageContext* page, HWND dialog) {
    UiContext* ui = Ui(page);
    DriverDevmode& r = ui->currentDevmode;
    const DWORD on = IsDlgButtonChecked(dialog, ids::kFirstPageOnly) == BST_CHECKED ? 1 : 0;
    Set(r, dm::StampOption, on);
    const DWORD number = Get(r, dm::StampNumber);
    if (number != 0) {
        StampSet(StampOf(r), stamp::kFirstPageOnly, on);
        SaveStampRecord(dialog, ui, static_cast<WORD>(number), StampOf(r));
    }
    MarkStampPageChanged(page, dialog);
}

void OnDeleteStamp(PageContext* page, HWND dialog) {
    UiContext* ui = Ui(page);
    DriverDevmode& r = ui->currentDevmode;
    const DWORD number = Get(r, dm::StampNumber);
    MessageBeep(MB_ICONEXCLAMATION);
    const std::u16string caption(ui->printerName);
    if (ShowResourceMessageBox(dialog, ids::kMsgDeleteStamp, caption.c_str(), 0, MB_OKCANCEL | MB_ICONWARNING,
                               ui->hResDll) == IDOK &&
        number > FactoryStampCount())
        DeleteStamp(ui->hPrinter, static_cast<WORD>(number));
    Set(r, dm::StampNumber, DWORD{0});
    LoadStampsIntoContext(ui);
    SetStampWideText(StampOf(r), stamp::kFaceName, kStampFace);
    FinishStampChange(page, dialog);
}

void OnRestoreDefaults(PageContext* page, HWND dialog) {
    if (!RestoreGroupDefaults(page, dialog, static_cast<int>(SettingGroup::kStampOverlay))) return;
    LoadStampsIntoContext(Ui(page));
    RefreshStampList(page, dialog);
    ShowOverlayControls(page, dialog);
    SetFocus(GetDlgItem(dialog, ids::kStampList));
    MarkStampPageChanged(page, dialog);
}

void OnSummary(PageContext* page, HWND dialog) {
    page->flags |= kPageBusyManager;
    DialogBoxParamW(Ui(page)->hResDll, MAKEINTRESOURCEW(orla_res::summary::kTemplateSummary), dialog,
                    SettingsSummaryDialogProc, reinterpret_cast<LPARAM>(page));
    page->flags &= ~kPageBusyManager;
}

void ShowPageHelp(PageContext* page) {
    ShowHtmlHelpAsync(GetDesktopWindow(), Ui(page)->helpFile, kHelpContextCommand, kSheetHelpTopic);
}

void OnCommand(PageContext* page, HWND dialog, int id, int code) {
    if (OnOverlayCommand(page, dialog, id, code)) return;
    const bool clicked = code == BN_CLICKED;
    switch (id) {
        case ids::kStampList:
            return OnStampChosen(page, dialog, code);
        case ids::kEditStamp:
            if (clicked && StampSelected(page)) OnEditStamp(page, dialog);
            return;
        case ids::kNewStamp:
            if (clicked) OnNewStamp(page, dialog);
            return;
        case ids::kDeleteStamp:
            if (clicked && StampSelected(page)) OnDeleteStamp(page, dialog);
            return;
        case ids::kFirstPageOnly:
            if (clicked) OnFirstPageOnly(page, dialog);
            return;
        case ids::kAnnotation:
            if (clicked && OpenStampDetailDialog(page, dialog) == IDOK) MarkStampPageChanged(page, dialog);
            return;
        case ids::kRestoreDefaults:
            if (clicked) OnRestoreDefaults(page, dialog);
            return;
        case ids::kSummary:
            if (clicked) OnSummary(page, dialog);
            return;
        case ids::kHelp:
            if (clicked) ShowPageHelp(page);
            return;
#if ORLA_JAPANESE
        case ids::kTrustMarking:
            if (clicked) OnTrustMarkingSettings(page, dialog);
            return;
#endif
    }
}

// ---- Notifications ----

void OnInitDialog(PageContext* page, HWND dialog) {
    if (page->hPageDlg == nullptr) page->hPageDlg = dialog;
    RefreshPrinterConfig(page);
    SendDlgItemMessageW(dialog, ids::kPreview, LB_ADDSTRING, 0, 0);  // the one item the preview draws
    ShowOverlayControls(page, dialog);
}

void ShowTrustMarkingButton(PageContext* page, HWND dialog) {
#if ORLA_JAPANESE
    const BOOL usable = KweAvailableForPage(page);
#else
    (void)page;
    const BOOL usable = FALSE;
#endif
    HWND button = GetDlgItem(dialog, ids::kTrustMarking);
    ShowWindow(button, usable ? SW_SHOW : SW_HIDE);
    EnableWindow(button, usable);
}

void OnSetActive(PageContext* page, HWND dialog) {
    page->hSheetFrame = GetParent(dialog);
    HWND papers = GetDlgItem(dialog, ids::kPaperSizeList);
    SendMessageW(papers, LB_RESETCONTENT, 0, 0);
    const LRESULT at = SendMessageW(papers, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u""));
    if (at >= 0)
        SendMessageW(papers, LB_SETITEMDATA, static_cast<WPARAM>(at),
                     static_cast<LPARAM>(AsDevmode(Ui(page)->currentDevmode)->dmPaperSize));
    RefreshStampList(page, dialog);
    ShowTrustMarkingButton(page, dialog);
}

LRESULT OnNotify(PageContext* page, HWND dialog, const NMHDR* note) {
    switch (note->code) {
        case PSN_SETACTIVE:
            OnSetActive(page, dialog);
            return 0;
        case PSN_KILLACTIVE:
            return LeaveOverlay(page, dialog) ? FALSE : TRUE;
        case PSN_APPLY:
            // Applied while it is the current page, the page stays the sheet's selection.
            ApplyPageSettings(page, dialog);
            return PSNRET_NOERROR;
        case PSN_HELP:
            ShowPageHelp(page);
            return 0;
    }
    return 0;
}

BOOL OnDrawItem(PageContext* page, const DRAWITEMSTRUCT* draw) {
    if (!draw || draw->CtlID != static_cast<UINT>(ids::kPreview)) return FALSE;
    DriverDevmode& r = Ui(page)->currentDevmode;
    FillRect(draw->hDC, &draw->rcItem, reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_WINDOW + 1)));
    const bool landscape = Get(r, dm::Orientation) == DMORIENT_LANDSCAPE;
    if (Get(r, dm::StampNumber) != 0) {
        DrawStampPreview(draw->hDC, draw->rcItem, StampOf(r), landscape);
    } else {
        const BYTE blank[kStampRecordSize] = {};  // the page alone
        DrawStampPreview(draw->hDC, draw->rcItem, blank, landscape);
    }
    return TRUE;
}

BOOL OnMeasureItem(HWND dialog, MEASUREITEMSTRUCT* measure) {
    RECT client{};
    if (!measure || measure->CtlID != static_cast<UINT>(ids::kPreview) ||
        !GetClientRect(GetDlgItem(dialog, ids::kPreview), &client))
        return FALSE;
    measure->itemWidth = static_cast<UINT>(client.right - client.left);
    measure->itemHeight = static_cast<UINT>(client.bottom - client.top);
    return TRUE;
}

}  // namespace

void MarkStampPageChanged(PageContext* page, HWND dialog) {
    if (!page) return;
    if (page->hSheetFrame) SendMessageW(page->hSheetFrame, PSM_CHANGED, reinterpret_cast<WPARAM>(dialog), 0);
    if (page->hPageWindow)
        SendMessageW(page->hPageWindow, kMessageSettingsRefreshed, reinterpret_cast<WPARAM>(dialog), 0);
}

void RefreshStampList(PageContext* page, HWND dialog) {
    UiContext* ui = Ui(page);
    if (!ui) return;
    LoadStampList(ui, dialog);
    const DriverDevmode& r = ui->currentDevmode;
    const DWORD number = Get(r, dm::StampNumber);
    const BOOL selected = number != 0;
    for (int id : {ids::kEditStamp, ids::kFirstPageOnly, ids::kStampTextLabel, ids::kStampText})
        EnableWindow(GetDlgItem(dialog, id), selected);
    CheckDlgButton(dialog, ids::kFirstPageOnly, selected && Get(r, dm::StampOption) != 0 ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dialog, ids::kDeleteStamp), number > FactoryStampCount());
    ShowStampText(page, dialog);
    if (HWND preview = GetDlgItem(dialog, ids::kPreview)) InvalidateRect(preview, nullptr, TRUE);
}

INT_PTR CALLBACK StampPageProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        auto* page = sheetPage ? reinterpret_cast<PageContext*>(sheetPage->lParam) : nullptr;
        SetWindowLongPtrW(hDlg, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        if (Ui(page)) OnInitDialog(page, hDlg);
        return TRUE;
    }
    if (message == WM_MEASUREITEM) return OnMeasureItem(hDlg, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    PageContext* page = PageContextOf(hDlg);
    if (!Ui(page)) return FALSE;  // messages before WM_INITDIALOG or of a page without its context
    if (HandleContextHelp(page, hDlg, message, wParam, lParam, kStampPageHelp)) return TRUE;
    switch (message) {
        case WM_NOTIFY:
            if (!lParam) return FALSE;
            SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, OnNotify(page, hDlg, reinterpret_cast<const NMHDR*>(lParam)));
            return TRUE;
        case WM_COMMAND:
            OnCommand(page, hDlg, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_DRAWITEM:
            return OnDrawItem(page, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case kMsgOverlayError:
            ShowOverlayError(page, hDlg);
            return TRUE;
        case WM_DESTROY:
            if (page->hPageDlg == hDlg) page->hPageDlg = nullptr;
            return FALSE;
    }
    return FALSE;
}

}  // namespace orla
