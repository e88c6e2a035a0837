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

void LoadTrueTypeSubstTable(HWND dialog, HANDLE printer) {
    ApplyTableRowPairs(dialog, kControls, ReadTableValue(printer, kTTSubstTableValue), TableRowIndexes(List(dialog)));
}

// Every face without a substitution, then the built-in pairs.
void ResetTrueTypeSubstTable(HWND dialog, PageContext*) {
    ApplyTableRowPairs(dialog, kControls, DefaultTableResource(kDefaultTTSubstTableId), {});
}

bool SaveTrueTypeSubstTable(HWND dialog, HANDLE printer) {
    return SaveTableRows(dialog, kControls, printer, kTTSubstTableValue);
}

void FillTrueTypeSubstDialog(HWND dialog, PageContext* page) {
    UiContext* ui = page->uiContext;
    FillTrueTypeFontList(dialog);
    FillPrinterFontCombo(dialog, ui->hResDll);
    if (IsTableViewer(page) && (Get(ui->currentDevmode, dm::Flags2) & kFlags2TrueTypeDefaults))
        ResetTrueTypeSubstTable(dialog, page);
    else
        LoadTrueTypeSubstTable(dialog, ui->hPrinter);
}

// The chosen printer font becomes the selected row's.
void OnPrinterFontChosen(HWND dialog, PageContext*) {
    const int row = SelectedTableRow(List(dialog));
    const auto choice = SendDlgItemMessageW(dialog, kPrinterFont, CB_GETCURSEL, 0, 0);
    if (row < 0 || choice < 0) return;
    const std::vector<std::u16string> choices = ComboTexts(GetDlgItem(dialog, kPrinterFont));
    SetTableRowChoice(List(dialog), row, static_cast<int>(choice), choices[static_cast<size_t>(choice)]);
}

constexpr TableDialogSteps kSteps = {kControls,
                                     kHelpTable,
                                     kHelpTopicTrueTypeTable,
                                     FillTrueTypeSubstDialog,
                                     OnPrinterFontChosen,
                                     ResetTrueTypeSubstTable,
                                     SaveTrueTypeSubstTable,
                                     nullptr};

}  // namespace

INT_PTR CALLBACK TrueTypeSubstDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    return TableDialogMessage(kSteps, hDlg, message, wParam, lParam);
}

}  // namespace orla
