// The print-time job settings dialog's frame: the category buttons with hot tracking, copies,
// the switch for later jobs, OK and the close box (both apply), the reset, and running the dialog
// on a UI context. The panels get the category commands passed on.
#include <string>

#include "core/ansi_text.h"
#include "core/device_data.h"
#include "resources/lang/job_settings_ids.h"
#include "ui/entry/document_events.h"
#include "ui/entry/option_constraints.h"
#include "ui/entry/printer_config.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/context_help.h"
#include "ui/pages/favourite_dialogs.h"
#include "ui/pages/job_settings.h"
#include "ui/pages/page_creation.h"
#include "ui/pages/page_switches.h"
#include "ui/pages/paper_rules.h"
#include "ui/pages/preview_artwork.h"
#include "ui/tools/favourites_store.h"
#include "win/user_controls.h"
#include "win/user_input.h"
#include "win/user_session.h"

namespace orla {

namespace {

namespace ids = orla_res::job_settings;

constexpr WORD kDialogIcon = 599, kCopiesIcon = 738, kBannerIcon = 782;
constexpr int kTextChars = 64;
constexpr size_t kTextBytes = 64;
constexpr int kCopiesChars = 3;
constexpr UINT kCopiesMin = 1, kCopiesMax = 999, kCopiesTooMany = 1000;
constexpr int kHintKindNote = 1, kHintKindClear = 2;
constexpr UINT kHelpOnControl = 17;  // HH_TP_HELP_WM_HELP
// The dialog's help list is empty: help on a control opens the file's own popup page.
constexpr DWORD kNoHelpIds[2] = {0, 0};
constexpr DWORD kTrayAuto = 14, kTrayManual = 4, kTraySameAsSource = 300;
constexpr int kCategoryRows = 5;  // a button is a fifth of the list's height

struct FrameIcon {
    int control;
    WORD icon;
};
constexpr FrameIcon kFrameIcons[] = {
    {ids::kPaperPicture, 780}, {ids::kOutputPaperPicture, 781}, {ids::kCopiesPicture, kCopiesIcon}};

UiContext* Ui(PageContext* page) {
    return page ? page->uiContext : nullptr;
}
UINT ShownCategory(PageContext* page) {
    return Get(page->uiContext->currentDevmode, dm::DialogCategory);
}

void CenterOnWorkArea(HWND hwnd) {
    RECT work{}, window{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
        work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    GetWindowRect(hwnd, &window);
    const int left = work.left + ((work.right - work.left) >> 1) - ((window.right - window.left) >> 1);
    const int top = work.top + ((work.bottom - work.top) >> 1) - ((window.bottom - window.top) >> 1);
    SetWindowPos(hwnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void FillCategoryList(PageContext* page, HWND dialog) {
    auto* table = new (std::nothrow) HotItemEntry[kJobCategoryMax + 1];
    if (!table) return;
    HotItemEntry(&entries)[kJobCategoryMax + 1] = *reinterpret_cast<HotItemEntry(*)[kJobCategoryMax + 1]>(table);
    const UINT count = BuildCategoryTable(page->uiContext->currentDevmode, entries);
    page->hotItemTable = table;
    HWND list = GetDlgItem(dialog, ids::kCategories);
    for (UINT i = 0; i < count; ++i) {
        const LRESULT at = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u""));
        if (at >= 0) SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(i));
    }
    page->hotItem = kNoHotItem;
    page->listOldProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HoverListBoxProc)));
}

// A job's record may carry a category this printer does not show: the first one is shown then.
UINT ValidCategory(PageContext* page) {
    const UINT shown = ShownCategory(page);
    return shown < CategoryCount(page->hotItemTable) ? shown : 0;
}

void OnInitDialog(PageContext* page, HWND dialog) {
    UiContext* ui = page->uiContext;
    SetClassLongPtrW(dialog, GCLP_HICON,
                     reinterpret_cast<LONG_PTR>(LoadIconW(GetInterfaceModule(), MAKEINTRESOURCEW(kDialogIcon))));
    SetWindowTextW(dialog, ui->printerName);
    CenterOnWorkArea(dialog);
    FillCategoryList(page, dialog);
    SendDlgItemMessageW(dialog, ids::kAnnotationText, EM_LIMITTEXT, kTextChars, 0);
    const UINT category = ValidCategory(page);
    Set(ui->currentDevmode, dm::DialogCategory, static_cast<WORD>(category));
    SendDlgItemMessageW(dialog, ids::kCategories, LB_SETCURSEL, category, 0);
    SendDlgItemMessageW(dialog, ids::kPreview, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u""));
    SendDlgItemMessageW(dialog, ids::kPreview, LB_SETITEMDATA, 0, Get(ui->currentDevmode, dm::PaperSize));
    for (const FrameIcon& f : kFrameIcons) SetDlgItemIcon(dialog, f.control, PageIconById(*page, f.icon));
    SendDlgItemMessageW(dialog, ids::kCopies, EM_LIMITTEXT, kCopiesChars, 0);
    SendDlgItemMessageW(dialog, ids::kCopiesSpin, UDM_SETRANGE32, kCopiesMin, kCopiesMax);
    SendDlgItemMessageW(dialog, ids::kCopiesSpin, UDM_SETPOS32, 0, Get(ui->currentDevmode, dm::Copies));
    SetDlgItemInt(dialog, ids::kCopies, static_cast<UINT>(Get(ui->currentDevmode, dm::Copies)), FALSE);
    CheckDlgButton(dialog, ids::kDialogOff, (page->flags & kPageFlagMopyingUiOpen) ? BST_UNCHECKED : BST_CHECKED);
    ItemSwitches switches = PageItemSwitches(page, dialog);
    ApplyOptionConstraints(&ui->currentDevmode, &switches, &ui->printerConfig, ui->hPrinter, ui->deviceData,
                           ui->hResDll, ui->flags, &ui->monitorProbe);
    FillPanelControls(page, dialog, category);
    SetDlgItemIcon(dialog, ids::kBanner, PageIconById(*page, kBannerIcon));
}

void OnCopies(PageContext* page, HWND dialog, int code) {
    if (code == EN_CHANGE) {
        BOOL number = FALSE;
        UINT copies = GetDlgItemInt(dialog, ids::kCopies, &number, FALSE);
        if (number && copies == kCopiesTooMany) {
            copies = 1;
            SetDlgItemInt(dialog, ids::kCopies, copies, FALSE);
        }
        // Anything else out of range stays in the field for OK to refuse.
        if (number && copies >= kCopiesMin && copies <= kCopiesMax)
            Set(page->uiContext->currentDevmode, dm::Copies, static_cast<SHORT>(copies));
    } else if (code != EN_SETFOCUS) {
        return;
    }
    ShowHintLine(page, dialog, ids::kHintCopies, kHintKindNote);
}

void OnDialogOff(PageContext* page, HWND dialog) {
    if (IsDlgButtonChecked(dialog, ids::kDialogOff) == BST_CHECKED) {
        page->flags &= ~kPageFlagMopyingUiOpen;
        ShowHintLine(page, dialog, ids::kHintDialogOff, kHintKindNote);
    } else {
        page->flags |= kPageFlagMopyingUiOpen;
        ShowHintLine(page, dialog, 0, kHintKindClear);
    }
}

// Beep, the warning, and the faulty field focused with its text selected.
void Refuse(PageContext* page, HWND dialog, UINT message, int field) {
    MessageBeep(MB_ICONEXCLAMATION);
    const std::u16string caption(DevicePrinterName(page->uiContext->deviceData));
    ShowResourceMessageBox(dialog, message, caption.c_str(), 0, MB_OK | MB_ICONWARNING, page->uiContext->hResDll);
    SetFocus(GetDlgItem(dialog, field));
    SendDlgItemMessageW(dialog, field, EM_SETSEL, 0, -1);
}

// OK and the close box alike: the fields checked, the record applied, the switch stored.
void OnClose(PageContext* page, HWND dialog, int command) {
    UiContext* ui = page->uiContext;
    ShowHintLine(page, dialog, 0, kHintKindClear);
    WCHAR text[2 * kTextChars + 2] = {};
    GetDlgItemTextW(dialog, ids::kAnnotationText, text, static_cast<int>(sizeof text / sizeof text[0]));
    if (AnsiText(WideView(text)).size() > kTextBytes)
        return Refuse(page, dialog, ids::kWarnTextTooLong, ids::kAnnotationText);
    BOOL number = FALSE;
    const UINT copies = GetDlgItemInt(dialog, ids::kCopies, &number, FALSE);
    if (!number || copies < kCopiesMin || copies > kCopiesMax)
        return Refuse(page, dialog, ids::kWarnCopies, ids::kCopies);
    ui->appliedDevmode = ui->currentDevmode;
    WriteMopyingUiOpen(ui->hPrinter, (page->flags & kPageFlagMopyingUiOpen) ? 1 : 0);
    SetClassLongPtrW(dialog, GCLP_HICON, 0);
    EndDialog(dialog, command);
}

void OnReset(PageContext* page, HWND dialog) {
    if (!ResetJobSettings(page, dialog)) return;
    UiContext* ui = page->uiContext;
    ItemSwitches switches = PageItemSwitches(page, dialog);
    ApplyOptionConstraints(&ui->currentDevmode, &switches, &ui->printerConfig, ui->hPrinter, ui->deviceData,
                           ui->hResDll, ui->flags, &ui->monitorProbe);
    const UINT category = ValidCategory(page);
    SendDlgItemMessageW(dialog, ids::kCategories, LB_SETCURSEL, category, 0);
    SetDlgItemInt(dialog, ids::kCopies, static_cast<UINT>(Get(ui->currentDevmode, dm::Copies)), FALSE);
    FillPanelControls(page, dialog, category);
    MarkFavouriteMatch(ui, dialog);
}

bool IsPanelCommand(int id) {
    switch (id) {
        case ids::kCategories:
        case ids::kPagesPerSheet:
        case ids::kFrameKind:
        case ids::kPageFrame:
        case ids::kCollate:
        case ids::kJobSeparate:
        case ids::kCollateSeparate:
        case ids::kReprint:
        case ids::kStampOn:
        case ids::kStampChoice:
        case ids::kStampEdit:
        case ids::kAnnotationOn:
        case ids::kAnnotationPosition:
        case ids::kAnnotationKind:
        case ids::kAnnotationText:
        case ids::kOffsetStacking:
        // The radios too: without them the choice the panel shows would be dropped.
        case ids::kOrder0:
        case ids::kOrder1:
        case ids::kOrder2:
        case ids::kOrder3:
        case ids::kSimplex:
        case ids::kLongEdge:
        case ids::kShortEdge:
        case ids::kBindFront:
        case ids::kBindBack:
            return true;
    }
    return false;
}

BOOL OnCommand(PageContext* page, HWND dialog, WPARAM wParam) {
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    switch (id) {
        case ids::kCopies:
            OnCopies(page, dialog, code);
            return TRUE;
        case ids::kDialogOff:
            OnDialogOff(page, dialog);
            return TRUE;
        case ids::kOk:
        case ids::kClose:
            OnClose(page, dialog, id);
            return TRUE;
        case ids::kReset:
            if (code == BN_CLICKED) OnReset(page, dialog);
            return TRUE;
    }
    if (!IsPanelCommand(id)) return FALSE;
    JobSettingsDialogHandler(dialog, WM_COMMAND, wParam, 0);
    return TRUE;
}

void OnMeasureItem(HWND dialog, MEASUREITEMSTRUCT* measure) {
    if (measure->CtlID == static_cast<UINT>(ids::kCategories)) {
        RECT client{};
        GetClientRect(GetDlgItem(dialog, ids::kCategories), &client);
        measure->itemHeight = static_cast<UINT>((client.bottom - client.top) / kCategoryRows);
        measure->itemWidth = static_cast<UINT>(client.right - client.left);
    } else if (measure->CtlID == static_cast<UINT>(ids::kPreview)) {
        BITMAP bm{};
        HBITMAP base = LoadBitmapW(GetInterfaceModule(), MAKEINTRESOURCEW(kJobPreviewBase));
        if (base && GetObjectW(base, sizeof bm, &bm))
            measure->itemWidth = bm.bmWidth, measure->itemHeight = bm.bmHeight;
        if (base) DeleteObject(base);
    }
}

void OnDestroy(PageContext* page) {
    delete[] page->hotItemTable;
    page->hotItemTable = nullptr;
}

}  // namespace

BOOL ResetJobSettings(PageContext* page, HWND hDlg) {
    UiContext* ui = Ui(page);
    if (!ui) return FALSE;
    const std::u16string caption(DevicePrinterName(ui->deviceData));
    if (ShowResourceMessageBox(hDlg, ids::kAskReset, caption.c_str(), 0, MB_OKCANCEL | MB_ICONEXCLAMATION,
                               ui->hResDll) != IDOK)
        return FALSE;
    DriverDevmode& r = ui->currentDevmode;
    Set(r, dm::DialogCategory, Get(ui->defaultDevmode, dm::DialogCategory));
    r = ui->defaultDevmode;
    ReadPrinterDataSettings(ui, &r, ui->hPrinter);
    UpdatePalmFlag(&r, &ui->printerConfig, ui->hPrinter);
    ApplyConfigAndPublish(&r, &ui->printerConfig, ui->hPrinter, ui->deviceData);
    const DWORD t = DeviceInstalled(r, dm::kManual) ? kTrayManual : kTrayAuto;
    Set(r, dm::SlipSheetsOn, DWORD{0});
    Set(r, dm::DetailSource, t);
    Set(r, dm::SlipSheetTray, DWORD{1});
    Set(r, dm::SlipSheetKind, DWORD{0});
    Set(r, dm::SlipSheetsChecked, DWORD{0});
    Set(r, dm::SeparateTraysOn, DWORD{0});
    Set(r, dm::FirstSheetTray, t);
    Set(r, dm::SecondSheetTray, kTraySameAsSource);
    Set(r, dm::SeparateDefaultTray, DWORD{1});
    Set(r, dm::SectionTray, t);
    Set(r, dm::FrontCoverTray, t);
    Set(r, dm::BackCoverTray, t);
    Set(r, dm::FrontCoverOn, DWORD{0});
    Set(r, dm::BackCoverOn, DWORD{0});
    Set(r, dm::SectionSetting, DWORD{0});
    LoadFavouriteTable(ui);
    return TRUE;
}

INT_PTR CALLBACK JobSettingsDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* page = reinterpret_cast<PageContext*>(lParam);
        SetWindowLongPtrW(hDlg, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        if (Ui(page)) OnInitDialog(page, hDlg);
        return TRUE;
    }
    if (message == WM_MEASUREITEM) {
        // Sent while the controls are made, before the dialog has its context.
        if (!lParam) return FALSE;
        OnMeasureItem(hDlg, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
    }
    PageContext* page = PageContextOf(hDlg);
    if (!Ui(page)) return FALSE;
    switch (message) {
        case WM_HELP: {
            // Help opens on its own thread: the dialog waits at most ten seconds for it.
            const auto* info = reinterpret_cast<const HELPINFO*>(lParam);
            ShowHtmlHelpAsync(info ? static_cast<HWND>(info->hItemHandle) : hDlg, page->uiContext->helpFile,
                              kHelpOnControl, reinterpret_cast<DWORD_PTR>(kNoHelpIds));
            return TRUE;
        }
        case WM_COMMAND:
            return OnCommand(page, hDlg, wParam);
        case WM_MOUSEMOVE:
            JobSettingsDialogHandler(hDlg, message, wParam, lParam);
            return TRUE;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item && item->CtlID == static_cast<UINT>(ids::kCategories)) DrawCategoryButton(page, item);
            if (item && item->CtlID == static_cast<UINT>(ids::kPreview)) DrawJobPreview(page, item);
            return TRUE;
        }
        case WM_DESTROY:
            OnDestroy(page);
            return FALSE;
    }
    return FALSE;
}

}  // namespace orla
