// The output paper dialog (template 2100): for each form of the UI context, the paper the
// printer outputs it on. A form the printer can print may keep its own size (entry 0); a form it
// cannot print needs an output paper; the conversion forms keep theirs. It reads and writes
// "TBL_OutPaperTable"; a context that may not change settings gets a viewer.
#include <algorithm>
#include <utility>

#include "core/driver_devmode.h"
#include "core/settings_resolver.h"
#include "resources/lang/device_tables_ids.h"
#include "ui/pages/basic_page_fillers.h"
#include "ui/pages/context_help.h"
#include "ui/pages/device_page_steps.h"
#include "ui/pages/device_table_dialogs.h"
#include "ui/pages/paper_rules.h"
#include "ui/tools/device_tables.h"
#include "win/user_controls.h"

namespace orla {

namespace {

using namespace orla_res::device_tables;

constexpr TableDialogControls kControls = {kFormList,    kFormLabel,       kFormName,
                                           kOutputPaper, kColumnPaperSize, kColumnOutputPaper};
constexpr DWORD kHelpTopicOutPaperTable = 21506;  // as the page's button that opens the dialog
constexpr HelpIdPair kHelpTable[] = {{kFormList, kHelpTopicOutPaperTable},
                                     {kOutputPaper, kHelpTopicOutPaperTable},
                                     {kDefaults, kHelpTopicOutPaperTable},
                                     {0, 0}};
constexpr int kNoIndex = -1;

HWND List(HWND dialog) {
    return GetDlgItem(dialog, kFormList);
}
HWND Combo(HWND dialog) {
    return GetDlgItem(dialog, kOutputPaper);
}

// The row's form is itself an output paper of the combo (so it may keep its own size).
bool IsOwnChoice(const std::vector<std::u16string>& choices, const std::u16string& form) {
    return std::find(choices.begin() + std::min<size_t>(1, choices.size()), choices.end(), form) != choices.end();
}

// The combo's index of the description's default form, or -1 when it is not an output paper.
int DefaultFormIndex(const std::vector<std::u16string>& choices, const CompiledDeviceData* data) {
    const std::u16string_view name = DefaultFormOf(data);
    for (size_t i = 1; i < choices.size(); ++i)
        if (choices[i] == name) return static_cast<int>(i);
    return kNoIndex;
}

// Every form of the context, in its order, without a choice yet.
void FillOutPaperList(HWND dialog, const UiContext* ui) {
    for (DWORD i = 0; i < ui->formCount; ++i) {
        const WCHAR* name = ui->formNames[i];
        AppendTableRow(List(dialog), std::u16string(name, std::find(name, name + kUiFormNameChars, u'\0')), kNoIndex);
    }
}

// Entry 0 (no output paper), then the forms the printer can print that are no conversion forms.
// Those forms' rows start on entry 0, every other row on the default form.
void FillOutPaperCombo(HWND dialog, const UiContext* ui) {
    HWND combo = Combo(dialog);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    const std::u16string none = LoadPageText(ui->hResDll, kTextSameAsPaper, 64);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(none.c_str()));
    SendMessageW(combo, CB_SETITEMDATA, 0, 0);
    const std::vector<std::u16string> rows = TableRowNames(List(dialog));
    std::vector<int> indexes(rows.size(), kNoIndex);
    for (DWORD i = 0; i < ui->formCount && i < rows.size(); ++i) {
        const std::u16string& name = rows[i];
        if (IsConversionFormName(name) ||
            !IsPrintableForm(name, ui->formSizes[i].width, ui->formSizes[i].length, ui->deviceData))
            continue;
        const auto index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ui->formNames[i]));
        SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(ui->formIds[i]));
        indexes[i] = 0;
    }
    const int fallback = DefaultFormIndex(ComboTexts(combo), ui->deviceData);
    for (int& index : indexes)
        if (index == kNoIndex) index = fallback;
    SetTableRowIndexes(List(dialog), indexes);
}

// The form and its output paper can be changed unless the selected row is a conversion form.
void UpdateOutPaperSelection(HWND dialog, const PageContext* page) {
    const int row = SelectedTableRow(List(dialog));
    const std::vector<std::u16string> rows = TableRowNames(List(dialog));
    const bool editable = !IsTableViewer(page) && row >= 0 && static_cast<size_t>(row) < rows.size() &&
                          !IsConversionFormName(rows[static_cast<size_t>(row)]);
    for (int id : {kFormLabel, kFormName, kOutputPaper}) EnableDialogControl(dialog, id, editable);
}

void LoadOutPaperTable(HWND dialog, HANDLE printer) {
    ApplyTableRowPairs(dialog, kControls, ReadTableValue(printer, kOutPaperTableValue), TableRowIndexes(List(dialog)));
}

// Every row on the default form, a form that is an output paper itself on entry 0, then the
// built-in pairs.
void ResetOutPaperTable(HWND dialog, const UiContext* ui) {
    const std::vector<std::u16string> rows = TableRowNames(List(dialog));
    const std::vector<std::u16string> choices = ComboTexts(Combo(dialog));
    std::vector<int> indexes(rows.size(), DefaultFormIndex(choices, ui->deviceData));
    for (size_t i = 0; i < rows.size(); ++i)
        if (IsOwnChoice(choices, rows[i])) indexes[i] = 0;
    ApplyTableRowPairs(dialog, kControls, DefaultTableResource(kDefaultOutPaperTableId), std::move(indexes));
}

bool SaveOutPaperTable(HWND dialog, HANDLE printer) {
    return SaveTableRows(dialog, kControls, printer, kOutPaperTableValue);
}

void FillOutPaperDialog(HWND dialog, PageContext* page) {
    UiContext* ui = page->uiContext;
    FillOutPaperList(dialog, ui);
    FillOutPaperCombo(dialog, ui);
    if (IsTableViewer(page) && (Get(ui->currentDevmode, dm::Flags2) & kFlags2OutPaperDefaults))
        ResetOutPaperTable(dialog, ui);
    else
        LoadOutPaperTable(dialog, ui->hPrinter);
    UpdateOutPaperSelection(dialog, page);
}

void OnDefaults(HWND dialog, PageContext* page) {
    ResetOutPaperTable(dialog, page->uiContext);
    UpdateOutPaperSelection(dialog, page);
}

// The chosen output paper becomes the selected row's, unless it is entry 0 for a form the printer
// cannot print: then the warning, and the combo goes back to that row's output paper.
void OnOutputPaperChosen(HWND dialog, PageContext* page) {
    const int row = SelectedTableRow(List(dialog));
    const auto choice = SendMessageW(Combo(dialog), CB_GETCURSEL, 0, 0);
    if (row < 0 || choice < 0) return;
    const std::vector<std::u16string> choices = ComboTexts(Combo(dialog));
    std::vector<int> indexes = TableRowIndexes(List(dialog));
    const std::u16string form = TableRowNames(List(dialog))[static_cast<size_t>(row)];
    if (choice == 0 && !IsOwnChoice(choices, form)) {
        WarnWithPrinterCaption(page, dialog, kWarnNotPrintable);
        SendMessageW(Combo(dialog), CB_SETCURSEL, static_cast<WPARAM>(indexes[static_cast<size_t>(row)]), 0);
        return;
    }
    SetTableRowChoice(List(dialog), row, static_cast<int>(choice), choices[static_cast<size_t>(choice)]);
}

void AfterRowFollowed(HWND dialog, PageContext* page) {
    UpdateOutPaperSelection(dialog, page);
}

constexpr TableDialogSteps kSteps = {kControls,           kHelpTable, kHelpTopicOutPaperTable, FillOutPaperDialog,
                                     OnOutputPaperChosen, OnDefaults, SaveOutPaperTable,       AfterRowFollowed};

}  // namespace

INT_PTR CALLBACK OutPaperDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    return TableDialogMessage(kSteps, hDlg, message, wParam, lParam);
}

}  // namespace orla
