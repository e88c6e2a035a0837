// The TrueType substitution dialog (template 2000) and the output paper dialog (template 2100)
// the device settings page opens, and the steps their lists share: a two-column report view of
// names (faces or forms), each row keeping in its lParam the index of its choice in the dialog's
// combo, the selected row's name and choice under the list, and a viewer mode for a context that
// may not change settings.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "ui/pages/context_help.h"
#include "ui/pages/page_context.h"
#include "win/user.h"

namespace orla {

// Dialog procedures; lParam of WM_INITDIALOG is the PageContext. OK writes the table and ends
// with 1; Cancel and Close end with 0 and write nothing.
INT_PTR CALLBACK TrueTypeSubstDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OutPaperDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// Bit 1 of the private flags DWORD 400: a viewer of the output paper table shows the built-in
// table (bit 0, kFlags2TrueTypeDefaults, does so for the TrueType one).
inline constexpr DWORD kFlags2OutPaperDefaults = 0x00000002;

// The controls of one table dialog and the texts of its column heads.
struct TableDialogControls {
    int list;
    int label;
    int name;
    int combo;
    UINT firstColumn;
    UINT secondColumn;
};

// ---- The steps both dialogs take ----
// The two columns, each (list width - 4) / 2 wide, headed by the texts of the resource DLL.
void InsertTableColumns(HWND dialog, const TableDialogControls& c, HMODULE resources);
// A viewer: the list reaches down to the combo's bottom, the editing controls and OK are hidden
// (the combo disabled too), Cancel shown and Defaults hidden. Otherwise Close is hidden.
void ShowTableViewer(HWND dialog, const TableDialogControls& c, bool viewer);
// A row at the end of the list with its name (at most 64 characters) and index.
void AppendTableRow(HWND list, const std::u16string& name, int index);
std::vector<std::u16string> TableRowNames(HWND list);
std::vector<int> TableRowIndexes(HWND list);
void SetTableRowIndexes(HWND list, const std::vector<int>& indexes);
// One row's choice: its index and the text its second column shows.
void SetTableRowChoice(HWND list, int row, int index, const std::u16string& text);
std::vector<std::u16string> ComboTexts(HWND combo);
// The selected row, or -1.
int SelectedTableRow(HWND list);
// The rows' second column shows the text of their choice (nothing for a row without one); row 0
// is selected and made visible, the combo shows its choice and the name control its name.
void ShowTableChoices(HWND dialog, const TableDialogControls& c);
// The name control and the combo follow a row.
void FollowTableRow(HWND dialog, const TableDialogControls& c, int row);
// A newly selected row of the list (LVN_ITEMCHANGED); -1 for any other notification.
int NewlySelectedRow(const NMHDR* note, int listId);
// A context that may not change settings gets a viewer.
bool IsTableViewer(const PageContext* page);
// The rows' indexes from a table's pairs over the indexes given (rows beyond them start on 0),
// then shown.
void ApplyTableRowPairs(HWND dialog, const TableDialogControls& c, std::span<const BYTE> value,
                        std::vector<int> indexes);
// The rows and their choices written as the printer-data value; true when the spooler took it.
bool SaveTableRows(HWND dialog, const TableDialogControls& c, HANDLE printer, LPCWSTR valueName);

// ---- The dialog's messages ----
// What each dialog does of its own; the messages are handled alike.
struct TableDialogSteps {
    TableDialogControls controls;
    const HelpIdPair* helpTable;
    DWORD helpTopic;  // as the page's button that opens the dialog
    // After the columns and the viewer layout: the rows, the combo and the table shown.
    void (*fill)(HWND dialog, PageContext* page);
    // The combo's selection changed.
    void (*choose)(HWND dialog, PageContext* page);
    // Defaults: the built-in table.
    void (*reset)(HWND dialog, PageContext* page);
    // OK: true when the table was written.
    bool (*save)(HWND dialog, HANDLE printer);
    // After the name control and the combo followed a newly selected row; may be null.
    void (*followed)(HWND dialog, PageContext* page);
};
// WM_INITDIALOG keeps the page context (lParam) and fills the dialog; then context help, a newly
// selected row, the combo and the buttons. OK ends with 1 when the table was written (never for a
// viewer, even when Enter reaches its hidden OK); Cancel and Close end with 0.
INT_PTR TableDialogMessage(const TableDialogSteps& steps, HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace orla
