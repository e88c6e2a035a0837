// The TrueType substitution dialog (template 2000): for each fixed-pitch TrueType face, whether
// the printer prints it in one of its own fonts. It reads and writes "TBL_TTSubstTable"; a
// context that may not change settings gets a viewer.
#include "core/driver_devmode.h"
#include "resources/lang/device_tables_ids.h"
#include "ui/pages/basic_page_fillers.h"
#include "ui/pages/context_help.h"
#include "ui/pages/device_pages.h"
#include "ui/pages/device_table_dialogs.h"
#include "ui/tools/device_tables.h"
#include "win/user_controls.h"
#include "win/user_paint.h"

namespace orla {

namespace {

using namespace orla_res::device_tables;

constexpr TableDialogControls kControls = {kFaceList,    kFaceLabel,          kFaceName,
                                           kPrinterFont, kColumnTrueTypeFace, kColumnPrinterFont};
constexpr DWORD kHelpTopicTrueTypeTable = 21507;  // as the page's button that opens the dialog
constexpr HelpIdPair kHelpTable[] = {{kFaceList, kHelpTopicTrueTypeTable},
                                     {kPrinterFont, kHelpTopicTrueTypeTable},
                                     {kDefaults, kHelpTopicTrueTypeTable},
                                     {0, 0}};

HWND List(HWND dialog) {
    return GetDlgItem(dialog, kFaceList);
}

// Every fixed-pitch TrueType font of the dialog's device context, without a substitution.
void FillTrueTypeFontList(HWND dialog) {
    HDC hdc = GetDC(dialog);
    const std::vector<std::u16string> faces = ListTrueTypeFaces(hdc);
    ReleaseDC(dialog, hdc);
    for (const std::u16string& face : faces) AppendTableRow(List(dialog), face, 0);
}

void FillPrinterFontCombo(HWND dialog, HMODULE resources) {
    HWND combo = GetDlgItem(dialog, kPrinterFont);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (UINT id : kPrinterFontTexts) {
        const std::u16string text = LoadPageText(resources, id);
        const auto index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(id));
    }
}

// The rows' indexes from a table's pairs over the indexes they have.
void ApplyPairs(HWND dialog, std::span<const BYTE> value, std::vector<int> indexes) {
    const std::vector<std::u16string> rows = TableRowNames(List(dialog));
    const std::vector<std::u16string> choices = ComboTexts(GetDlgItem(dialog, kPrinterFont));
    indexes.resize(rows.size(), 0);
    ApplyTablePairs(value, rows, choices, indexes);
    SetTableRowIndexes(List(dialog), indexes);
    ShowTableChoices(dialog, kControls);
}

void LoadTrueTypeSubstTable(HWND dialog, HANDLE printer) {
    ApplyPairs(dialog, ReadTableValue(printer, kTTSubstTableValue), TableRowIndexes(List(dialog)));
}

// Every face without a substitution, then the built-in pairs.
void ResetTrueTypeSubstTable(HWND dialog) {
    ApplyPairs(dialog, DefaultTableResource(kDefaultTTSubstTableId), {});
}

// TRUE when the spooler took the value.
bool SaveTrueTypeSubstTable(HWND dialog, HANDLE printer) {
    const std::vector<BYTE> value = BuildTableValue(
        TableRowNames(List(dialog)), ComboTexts(GetDlgItem(dialog, kPrinterFont)), TableRowIndexes(List(dialog)));
    return WriteTableValue(printer, kTTSubstTableValue, value) == ERROR_SUCCESS;
}

bool IsViewer(const PageContext* page) {
    return (page->flags & kPageReadOnlyDialogs) != 0;
}

void OnInitDialog(HWND dialog, PageContext* page) {
    UiContext* ui = page->uiContext;
    InsertTableColumns(dialog, kControls, ui->hResDll);
    ShowTableViewer(dialog, kControls, IsViewer(page));
    FillTrueTypeFontList(dialog);
    FillPrinterFontCombo(dialog, ui->hResDll);
    if (IsViewer(page) && (Get(ui->currentDevmode, dm::Flags2) & kFlags2TrueTypeDefaults))
        ResetTrueTypeSubstTable(dialog);
    else
        LoadTrueTypeSubstTable(dialog, ui->hPrinter);
}

// The chosen printer font becomes the selected row's.
void OnPrinterFontChosen(HWND dialog) {
    const int row = SelectedTableRow(List(dialog));
    const auto choice = SendDlgItemMessageW(dialog, kPrinterFont, CB_GETCURSEL, 0, 0);
    if (row < 0 || choice < 0) return;
    const std::vector<std::u16string> choices = ComboTexts(GetDlgItem(dialog, kPrinterFont));
    SetTableRowChoice(List(dialog), row, static_cast<int>(choice), choices[static_cast<size_t>(choice)]);
}

void OnCommand(HWND dialog, PageContext* page, int id, int code) {
    if (id == kPrinterFont) {
        if (code == CBN_SELCHANGE) OnPrinterFontChosen(dialog);
        return;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
        case kOk:
            // A viewer never writes, even when Enter reaches its hidden OK; a table the spooler
            // refused has changed nothing.
            EndDialog(dialog, !IsViewer(page) && SaveTrueTypeSubstTable(dialog, page->uiContext->hPrinter) ? 1 : 0);
            return;
        case kCancel:
        case kClose:
            EndDialog(dialog, 0);
            return;
        case kDefaults:
            ResetTrueTypeSubstTable(dialog);
            return;
        case kHelp:
            ShowHtmlHelpAsync(GetDesktopWindow(), page->uiContext->helpFile, kHelpContextCommand,
                              kHelpTopicTrueTypeTable);
            return;
    }
}

}  // namespace

INT_PTR CALLBACK TrueTypeSubstDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* page = reinterpret_cast<PageContext*>(lParam);
        SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        if (page && page->uiContext) OnInitDialog(hDlg, page);
        return TRUE;
    }
    PageContext* page = PageContextOf(hDlg);
    if (!page || !page->uiContext) return FALSE;
    if (HandleContextHelp(page, hDlg, message, wParam, lParam, kHelpTable)) return TRUE;
    switch (message) {
        case WM_NOTIFY: {
            const int row = NewlySelectedRow(reinterpret_cast<const NMHDR*>(lParam), kFaceList);
            if (row >= 0) FollowTableRow(hDlg, kControls, row);
            return row >= 0;
        }
        case WM_COMMAND:
            OnCommand(hDlg, page, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
    }
    return FALSE;
}

}  // namespace orla
