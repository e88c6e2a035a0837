// The two-column lists of the TrueType substitution and output paper dialogs: columns, rows with
// their choice index in lParam, the selected row's name and choice, and the viewer layout.
#include <algorithm>

#include "resources/lang/device_tables_ids.h"
#include "ui/pages/basic_page_fillers.h"
#include "ui/pages/device_table_dialogs.h"
#include "ui/tools/device_tables.h"
#include "win/list_view.h"
#include "win/user_controls.h"
#include "win/user_paint.h"

namespace orla {

namespace {

constexpr int kColumnMargin = 4;  // left for the list's border
constexpr int kTextChars = 128;   // a name or choice read back (names are at most 64)
constexpr int kCancelId = 2, kDefaultsId = 1002, kCloseId = 2601;
constexpr LONG kComboFrame = 3;  // a combo's frame around its selection field, each side

std::u16string ItemText(HWND list, int row, int column) {
    WCHAR text[kTextChars] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = kTextChars;
    const auto n = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return std::u16string(text, static_cast<size_t>(std::clamp<LRESULT>(n, 0, kTextChars - 1)));
}

void SetItemText(HWND list, int row, int column, const std::u16string& text) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<LPWSTR>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int RowCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

int RowIndex(HWND list, int row) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return -1;
    return static_cast<int>(item.lParam);
}

std::u16string ChoiceText(const std::vector<std::u16string>& choices, int index) {
    return index >= 0 && static_cast<size_t>(index) < choices.size() ? choices[static_cast<size_t>(index)]
                                                                     : std::u16string();
}

// A control's rectangle in the dialog's client coordinates.
RECT ClientRectOf(HWND dialog, int id) {
    RECT r{};
    HWND control = GetDlgItem(dialog, id);
    if (!control) return r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Where a drop-down combo's selection field ends, in the dialog's client coordinates: its window
// closed is the field and its frame (the template's height is the dropped list's).
LONG ComboFieldBottom(HWND dialog, int id) {
    const RECT r = ClientRectOf(dialog, id);
    const auto field = SendDlgItemMessageW(dialog, id, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    if (field <= 0) return r.bottom;
    return std::min<LONG>(r.bottom, r.top + static_cast<LONG>(field) + 2 * kComboFrame);
}

void Show(HWND dialog, int id, bool shown) {
    if (HWND control = GetDlgItem(dialog, id)) ShowWindow(control, shown ? SW_SHOW : SW_HIDE);
}

}  // namespace

void InsertTableColumns(HWND dialog, const TableDialogControls& c, HMODULE resources) {
    HWND list = GetDlgItem(dialog, c.list);
    RECT client{};
    GetClientRect(list, &client);
    const int width = std::max<int>(0, (client.right - client.left - kColumnMargin) / 2);
    const UINT heads[] = {c.firstColumn, c.secondColumn};
    for (int i = 0; i < 2; ++i) {
        std::u16string head = LoadPageText(resources, heads[i], kTextChars);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = width;
        column.pszText = head.data();
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
}

void ShowTableViewer(HWND dialog, const TableDialogControls& c, bool viewer) {
    if (!viewer) {
        Show(dialog, kCloseId, false);
        return;
    }
    const RECT list = ClientRectOf(dialog, c.list);
    if (HWND control = GetDlgItem(dialog, c.list))
        SetWindowPos(control, nullptr, 0, 0, list.right - list.left, ComboFieldBottom(dialog, c.combo) - list.top,
                     SWP_NOMOVE | SWP_NOZORDER);
    for (int id : {c.label, c.name, c.combo, static_cast<int>(IDOK), kDefaultsId}) Show(dialog, id, false);
    if (HWND control = GetDlgItem(dialog, c.combo)) EnableWindow(control, FALSE);
    Show(dialog, kCancelId, true);
}

void AppendTableRow(HWND list, const std::u16string& name, int index) {
    std::u16string shown = name.substr(0, kTableNameChars);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = RowCount(list);
    item.pszText = shown.data();
    item.lParam = index;
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

std::vector<std::u16string> TableRowNames(HWND list) {
    std::vector<std::u16string> names;
    for (int i = 0, n = RowCount(list); i < n; ++i) names.push_back(ItemText(list, i, 0));
    return names;
}

std::vector<int> TableRowIndexes(HWND list) {
    std::vector<int> indexes;
    for (int i = 0, n = RowCount(list); i < n; ++i) indexes.push_back(RowIndex(list, i));
    return indexes;
}

void SetTableRowIndexes(HWND list, const std::vector<int>& indexes) {
    const int n = std::min(RowCount(list), static_cast<int>(indexes.size()));
    for (int i = 0; i < n; ++i) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        item.lParam = indexes[static_cast<size_t>(i)];
        SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void SetTableRowChoice(HWND list, int row, int index, const std::u16string& text) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = index;
    SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    SetItemText(list, row, 1, text);
}

std::vector<std::u16string> ComboTexts(HWND combo) {
    std::vector<std::u16string> texts;
    const auto n = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::u16string text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, u'\0');
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(std::char_traits<char16_t>::length(text.c_str()));
        texts.push_back(std::move(text));
    }
    return texts;
}

int SelectedTableRow(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void FollowTableRow(HWND dialog, const TableDialogControls& c, int row) {
    HWND list = GetDlgItem(dialog, c.list);
    if (row < 0 || row >= RowCount(list)) return;
    SetDlgItemTextW(dialog, c.name, ItemText(list, row, 0).c_str());
    SendDlgItemMessageW(dialog, c.combo, CB_SETCURSEL, static_cast<WPARAM>(RowIndex(list, row)), 0);
}

void ShowTableChoices(HWND dialog, const TableDialogControls& c) {
    HWND list = GetDlgItem(dialog, c.list);
    const std::vector<std::u16string> choices = ComboTexts(GetDlgItem(dialog, c.combo));
    const int n = RowCount(list);
    for (int i = 0; i < n; ++i) SetItemText(list, i, 1, ChoiceText(choices, RowIndex(list, i)));
    if (n == 0) return;
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
    FollowTableRow(dialog, c, 0);
}

int NewlySelectedRow(const NMHDR* note, int listId) {
    if (!note || note->idFrom != static_cast<UINT_PTR>(listId) || note->code != LVN_ITEMCHANGED) return -1;
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(note);
    if (!(change->uChanged & LVIF_STATE)) return -1;
    if (!(change->uNewState & LVIS_SELECTED) || (change->uOldState & LVIS_SELECTED)) return -1;
    return change->iItem;
}

bool IsTableViewer(const PageContext* page) {
    return (page->flags & kPageReadOnlyDialogs) != 0;
}

void ApplyTableRowPairs(HWND dialog, const TableDialogControls& c, std::span<const BYTE> value,
                        std::vector<int> indexes) {
    HWND list = GetDlgItem(dialog, c.list);
    const std::vector<std::u16string> rows = TableRowNames(list);
    indexes.resize(rows.size(), 0);
    ApplyTablePairs(value, rows, ComboTexts(GetDlgItem(dialog, c.combo)), indexes);
    SetTableRowIndexes(list, indexes);
    ShowTableChoices(dialog, c);
}

bool SaveTableRows(HWND dialog, const TableDialogControls& c, HANDLE printer, LPCWSTR valueName) {
    HWND list = GetDlgItem(dialog, c.list);
    const std::vector<BYTE> value =
        BuildTableValue(TableRowNames(list), ComboTexts(GetDlgItem(dialog, c.combo)), TableRowIndexes(list));
    return WriteTableValue(printer, valueName, value) == ERROR_SUCCESS;
}

namespace {

void OnTableInit(const TableDialogSteps& steps, HWND dialog, PageContext* page) {
    InsertTableColumns(dialog, steps.controls, page->uiContext->hResDll);
    ShowTableViewer(dialog, steps.controls, IsTableViewer(page));
    steps.fill(dialog, page);
}

void OnTableCommand(const TableDialogSteps& steps, HWND dialog, PageContext* page, int id, int code) {
    namespace ids = orla_res::device_tables;
    if (id == steps.controls.combo) {
        if (code == CBN_SELCHANGE) steps.choose(dialog, page);
        return;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
        case ids::kOk:
            // A refused table has changed nothing.
            EndDialog(dialog, !IsTableViewer(page) && steps.save(dialog, page->uiContext->hPrinter) ? 1 : 0);
            return;
        case ids::kCancel:
        case ids::kClose:
            EndDialog(dialog, 0);
            return;
        case ids::kDefaults:
            steps.reset(dialog, page);
            return;
        case ids::kHelp:
            ShowHtmlHelpAsync(GetDesktopWindow(), page->uiContext->helpFile, kHelpContextCommand, steps.helpTopic);
            return;
    }
}

}  // namespace

INT_PTR TableDialogMessage(const TableDialogSteps& steps, HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        if (PageContext* page = KeepDialogPageContext(hDlg, lParam)) OnTableInit(steps, hDlg, page);
        return TRUE;
    }
    PageContext* page = PageContextOf(hDlg);
    if (!page || !page->uiContext) return FALSE;
    if (HandleContextHelp(page, hDlg, message, wParam, lParam, steps.helpTable)) return TRUE;
    switch (message) {
        case WM_NOTIFY: {
            const int row = NewlySelectedRow(reinterpret_cast<const NMHDR*>(lParam), steps.controls.list);
            if (row >= 0) {
                FollowTableRow(hDlg, steps.controls, row);
                if (steps.followed) steps.followed(hDlg, page);
            }
            return row >= 0;
        }
        case WM_COMMAND:
            OnTableCommand(steps, hDlg, page, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
    }
    return FALSE;
}

}  // namespace orla
