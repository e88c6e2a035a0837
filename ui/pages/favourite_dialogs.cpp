// The save, manage and details dialogs of the favourites. They read their controls, ask the
// favourites dialogs' rules and show what the rules answer; the rules change the table.
#include "ui/pages/favourite_dialogs.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/device_data.h"
#include "resources/lang/favourites_ids.h"
#include "ui/entry/ansi_text.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/context_help.h"
#include "ui/pages/page_switches.h"
#include "ui/pages/paper_rules.h"
#include "ui/pages/summary_tree.h"
#include "ui/tools/favourite_dialog_rules.h"
#include "ui/tools/favourites_store.h"
#include "win/property_sheet.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace orla {
namespace {

namespace ids = orla_res::favourites;

constexpr DWORD kSaveHelpTopic = 32774;
constexpr int kManageControls[] = {ids::kDelete, ids::kNameLabel, ids::kName, ids::kCommentLabel, ids::kComment};

// The page's own tree, if it shows one, while a dialog borrows the page's tree slots for its
// summary; given back when the dialog's tree goes.
struct PageTreeSlots {
    HWND tree = nullptr;
    const void* rows = nullptr;
    HTREEITEM items[kTreeRows] = {};
};

// What a dialog keeps while it is open: its page, the name and comment as last accepted and the
// page's tree while the dialog shows its own.
struct FavouriteDialogState {
    PageContext* page = nullptr;
    std::u16string name;
    std::u16string comment;
    PageTreeSlots pageTree;
    bool treeShown = false;
    bool showsScratch = false;  // the manage dialog's tree shows the scratch record
};

FavouriteDialogState* StateOf(HWND dialog) {
    return reinterpret_cast<FavouriteDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

std::u16string ControlText(HWND dialog, int id) {
    WCHAR text[ids::kCommentChars + 2] = {};
    const int n = GetDlgItemTextW(dialog, id, text, ids::kCommentChars + 2);
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

// An edit's text taken only while it fits its byte limit in the system code page; a longer text
// beeps and the last accepted one comes back.
void KeepText(HWND dialog, int id, std::u16string& kept, unsigned maxBytes) {
    const std::u16string text = ControlText(dialog, id);
    char ansi[2 * (ids::kCommentChars + 2)] = {};
    const int bytes = ToAnsi(reinterpret_cast<LPCWSTR>(text.c_str()), static_cast<int>(text.size()), ansi, sizeof ansi);
    if (bytes < 0 || static_cast<unsigned>(bytes) > maxBytes) {
        MessageBeep(MB_ICONEXCLAMATION);
        SetDlgItemTextW(dialog, id, kept.c_str());
        return;
    }
    kept = text;
}

void TellSheet(PageContext* page, HWND pageWindow) {
    if (page->hSheetFrame) SendMessageW(page->hSheetFrame, PSM_CHANGED, reinterpret_cast<WPARAM>(pageWindow), 0);
}

// The summary tree reads the current record; the manage dialog's tree shows the scratch record, so
// the two trade places while the tree is built or refreshed (and the constraint pass runs on it).
class ScratchAsCurrent {
public:
    ScratchAsCurrent(UiContext* ui, bool on) : ui_(on ? ui : nullptr) {
        if (ui_) std::swap(ui_->currentDevmode, ui_->scratchDevmode);
    }
    ~ScratchAsCurrent() {
        if (ui_) std::swap(ui_->currentDevmode, ui_->scratchDevmode);
    }
    ScratchAsCurrent(const ScratchAsCurrent&) = delete;
    ScratchAsCurrent& operator=(const ScratchAsCurrent&) = delete;

private:
    UiContext* ui_;
};

void SelectTreeRoot(HWND tree) {
    const LRESULT root = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, root);
}

// The rows after the constraint pass, built anew (which rows apply depends on the settings), the
// first one selected.
void RebuildSettingsTree(HWND dialog, FavouriteDialogState& state) {
    PageContext* page = state.page;
    if (!page->hTree) return;
    ScratchAsCurrent shown(page->uiContext, state.showsScratch);
    SendMessageW(page->hTree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    InsertSettingsTreeItems(page, page->hTree);
    RefreshConstraintsAndTree(page, dialog, 0, FALSE);
    SelectTreeRoot(page->hTree);
}

void ShowSettingsTree(HWND dialog, FavouriteDialogState& state) {
    PageContext* page = state.page;
    state.pageTree.tree = page->hTree;
    state.pageTree.rows = page->treeRowList;
    std::copy(std::begin(page->treeRowItems), std::end(page->treeRowItems), state.pageTree.items);
    state.treeShown = true;
    {
        ScratchAsCurrent shown(page->uiContext, state.showsScratch);
        page->hTree = CreateSettingsTree(page, dialog);
    }
    RebuildSettingsTree(dialog, state);
}

void CloseSettingsTree(FavouriteDialogState& state) {
    if (!state.treeShown) return;
    PageContext* page = state.page;
    if (page->hTree) DestroyWindow(page->hTree);
    page->hTree = state.pageTree.tree;
    page->treeRowList = state.pageTree.rows;
    std::copy(std::begin(state.pageTree.items), std::end(state.pageTree.items), page->treeRowItems);
    state.treeShown = false;
}

// ---- Save dialog ----

void OnSaveInit(HWND dialog, FavouriteDialogState& state) {
    UiContext* ui = state.page->uiContext;
    ui->scratchDevmode = ui->currentDevmode;
    FillUserFavouriteCombo(ui, dialog);
    SendDlgItemMessageW(dialog, ids::kSaveName, CB_LIMITTEXT, ids::kNameChars, 0);
    SendDlgItemMessageW(dialog, ids::kSaveComment, EM_LIMITTEXT, ids::kCommentChars, 0);
    const FavouriteTexts texts = SaveDialogStartTexts(ui);
    state.name = texts.name;
    state.comment = texts.comment;
    SetDlgItemTextW(dialog, ids::kSaveName, state.name.c_str());
    SetDlgItemTextW(dialog, ids::kSaveComment, state.comment.c_str());
}

void OnSaveOk(HWND dialog, FavouriteDialogState& state) {
    const SaveVerdict v = SaveFavouriteFromDialog(dialog, state.page->uiContext, state.name, state.comment);
    if (v.message == kFavouriteNameRefused) {
        WarnWithPrinterCaption(state.page, dialog, kFavouriteNameRefused);
        state.name.clear();
        SetDlgItemTextW(dialog, ids::kSaveName, u"");
        SetFocus(GetDlgItem(dialog, ids::kSaveName));
        return;
    }
    if (v.stored) EndDialog(dialog, 1);  // a full table was told by the store; the dialog stays
}

void OnSaveCommand(HWND dialog, FavouriteDialogState& state, int id, int code) {
    switch (id) {
        case ids::kSaveName:
            if (code == CBN_EDITCHANGE) KeepText(dialog, id, state.name, kFavouriteNameBytes);
            if (code == CBN_SELCHANGE) {
                const LRESULT sel = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
                WCHAR text[ids::kNameChars + 2] = {};
                if (sel >= 0) SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(text));
                state.name = text;
            }
            if (code == CBN_EDITCHANGE || code == CBN_SELCHANGE) TellSheet(state.page, GetParent(dialog));
            return;
        case ids::kSaveComment:
            if (code != EN_CHANGE) return;
            KeepText(dialog, id, state.comment, kFavouriteCommentBytes);
            TellSheet(state.page, GetParent(dialog));
            return;
        case ids::kOk:
            return OnSaveOk(dialog, state);
        case ids::kCancel:
            EndDialog(dialog, 0);  // nothing is written
            return;
        case ids::kSaveHelpTopic:
            ShowHtmlHelpAsync(GetDesktopWindow(), state.page->uiContext->helpFile, kHelpContextCommand, kSaveHelpTopic);
            return;
        case ids::kHelp:
            if (code == BN_CLICKED)
                ShowHtmlHelpAsync(GetDesktopWindow(), state.page->uiContext->helpFile, kHelpContextCommand,
                                  state.page->helpId);
            return;
    }
}

// ---- Manage dialog ----

void EnableManageControls(HWND dialog, const UiContext* ui) {
    const BOOL on = ManageControlsEnabled(ui) ? TRUE : FALSE;
    for (int id : kManageControls) EnableWindow(GetDlgItem(dialog, id), on);
}

// The scratch favourite's name and comment in the edits, and the settings it brings in the tree.
void RefreshFavouriteDetails(HWND dialog, FavouriteDialogState& state) {
    UiContext* ui = state.page->uiContext;
    FillFavouriteListBox(ui, dialog);
    FavouriteRecord f{};
    state.name.clear();
    state.comment.clear();
    if (FavouriteFromTable(ui, Get(ui->scratchDevmode, dm::FavouriteNumber), &f)) {
        state.name = FavouriteName(f);
        state.comment = FavouriteComment(f);
    }
    SetDlgItemTextW(dialog, ids::kName, state.name.c_str());
    SetDlgItemTextW(dialog, ids::kComment, state.comment.c_str());
    RebuildSettingsTree(dialog, state);
    EnableManageControls(dialog, ui);
}

void OnManageInit(HWND dialog, FavouriteDialogState& state) {
    BeginManageFavourites(state.page->uiContext);
    SendDlgItemMessageW(dialog, ids::kName, EM_LIMITTEXT, ids::kNameChars, 0);
    SendDlgItemMessageW(dialog, ids::kComment, EM_LIMITTEXT, ids::kCommentChars, 0);
    state.showsScratch = true;
    ShowSettingsTree(dialog, state);
    RefreshFavouriteDetails(dialog, state);
}

void OnManageDelete(HWND dialog, FavouriteDialogState& state) {
    UiContext* ui = state.page->uiContext;
    MessageBeep(MB_ICONEXCLAMATION);
    const std::u16string caption(DevicePrinterName(ui->deviceData));
    if (ShowResourceMessageBox(dialog, kFavouriteManageDeleteQuestion, caption.c_str(), 0,
                               MB_OKCANCEL | MB_ICONINFORMATION, ui->hResDll) != IDOK)
        return;
    DeleteManagedFavourite(ui);
    RefreshFavouriteDetails(dialog, state);
}

void OnManageOk(HWND dialog, FavouriteDialogState& state) {
    const ManageVerdict v = FinishManageFavourites(dialog, state.page->uiContext, state.name, state.comment);
    if (v.message == kFavouriteNameInUse) {
        MessageBeep(MB_ICONEXCLAMATION);
        const std::u16string text = FavouriteNameInUseText(state.name);
        const std::u16string caption(FavouriteWarningCaption());
        MessageBoxW(dialog, text.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
        return;
    }
    if (v.message != 0) {
        WarnWithPrinterCaption(state.page, dialog, v.message);
        return;
    }
    CloseSettingsTree(state);
    EndDialog(dialog, 1);
}

void OnManageCommand(HWND dialog, FavouriteDialogState& state, int id, int code) {
    UiContext* ui = state.page->uiContext;
    switch (id) {
        case ids::kManageList: {
            if (code != LBN_SELCHANGE) return;
            const LRESULT sel = SendDlgItemMessageW(dialog, id, LB_GETCURSEL, 0, 0);
            if (sel < 0) return;
            const auto number = static_cast<DWORD>(SendDlgItemMessageW(dialog, id, LB_GETITEMDATA, sel, 0));
            if (SelectManagedFavourite(ui, number)) RefreshFavouriteDetails(dialog, state);
            return;
        }
        case ids::kName:
            if (code == EN_CHANGE) KeepText(dialog, id, state.name, kFavouriteNameBytes);
            return;
        case ids::kComment:
            if (code == EN_CHANGE) KeepText(dialog, id, state.comment, kFavouriteCommentBytes);
            return;
        case ids::kDelete:
            if (code == BN_CLICKED) OnManageDelete(dialog, state);
            return;
        case ids::kOk:
            return OnManageOk(dialog, state);
        case ids::kCancel:
            CancelManageFavourites(ui);
            CloseSettingsTree(state);
            EndDialog(dialog, 0);
            return;
    }
}

// One entry of list box 1707: the favourite's icon by its position, then its name.
void DrawManagedEntry(const DRAWITEMSTRUCT* item) {
    if (item->itemID == static_cast<UINT>(-1)) return;
    WCHAR name[ids::kNameChars + 2] = {};
    SendMessageW(item->hwndItem, LB_GETTEXT, item->itemID, reinterpret_cast<LPARAM>(name));
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    HBRUSH background = CreateSolidBrush(GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    FillRect(item->hDC, &item->rcItem, background);
    DeleteObject(background);
    SetTextColor(item->hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    SetBkMode(item->hDC, TRANSPARENT);
    const UINT icon = kLargeIconFirst + std::min<UINT>(item->itemID, kLargeIconLast - kLargeIconFirst);
    HICON h = static_cast<HICON>(LoadImageW(GetInterfaceModule(), MAKEINTRESOURCEW(icon), IMAGE_ICON, 16, 16, 0));
    const int height = item->rcItem.bottom - item->rcItem.top;
    if (h)
        DrawIconEx(item->hDC, item->rcItem.left + 2, item->rcItem.top + (height - 16) / 2, h, 16, 16, 0, nullptr,
                   DI_NORMAL);
    if (h) DestroyIcon(h);
    TextOutW(item->hDC, item->rcItem.left + 22, item->rcItem.top + 1, name, lstrlenW(name));
}

// The dialogs share their start and end: the state kept with the window, freed with it.
INT_PTR StartDialog(HWND dialog, LPARAM lParam) {
    auto state = std::make_unique<FavouriteDialogState>();
    state->page = reinterpret_cast<PageContext*>(lParam);
    if (!state->page || !state->page->uiContext) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state.release()));
    return TRUE;
}

void EndState(HWND dialog) {
    std::unique_ptr<FavouriteDialogState> state(
        reinterpret_cast<FavouriteDialogState*>(SetWindowLongPtrW(dialog, DWLP_USER, 0)));
    if (state) CloseSettingsTree(*state);
}

}  // namespace

void FillUserFavouriteCombo(UiContext* context, HWND dialog) {
    HWND combo = GetDlgItem(dialog, ids::kSaveName);
    if (!combo || !context) return;
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    std::vector<FavouriteRecord> records;
    ReadFavourites(context, &records);
    const DWORD current = Get(context->currentDevmode, dm::FavouriteNumber);
    for (const FavouriteRecord& f : records) {
        if (FavouriteFlags(f) & kFavouriteFactory) continue;
        const std::u16string name = FavouriteName(f);
        const LRESULT i = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (i < 0) continue;
        SendMessageW(combo, CB_SETITEMDATA, i, FavouriteNumber(f));
        if (FavouriteNumber(f) == current) SendMessageW(combo, CB_SETCURSEL, i, 0);
    }
}

void FillFavouriteListBox(UiContext* context, HWND dialog) {
    HWND list = GetDlgItem(dialog, ids::kManageList);
    if (!list || !context) return;
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    std::vector<FavouriteRecord> records;
    ReadFavourites(context, &records);
    const DWORD scratch = Get(context->scratchDevmode, dm::FavouriteNumber);
    for (const FavouriteRecord& f : records) {
        if (!FavouriteOffered(context->currentDevmode, FavouriteNumber(f))) continue;
        const std::u16string name = FavouriteName(f);
        const LRESULT i = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (i < 0) continue;
        SendMessageW(list, LB_SETITEMDATA, i, FavouriteNumber(f));
        if (FavouriteNumber(f) == scratch) SendMessageW(list, LB_SETCURSEL, i, 0);
    }
}

INT_PTR CALLBACK SaveFavouriteDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        StartDialog(hDlg, lParam);
        if (FavouriteDialogState* state = StateOf(hDlg)) OnSaveInit(hDlg, *state);
        return TRUE;
    }
    FavouriteDialogState* state = StateOf(hDlg);
    if (!state) return FALSE;
    switch (message) {
        case WM_COMMAND:
            OnSaveCommand(hDlg, *state, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_DESTROY:
            EndState(hDlg);
            return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK ManageFavouritesDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        StartDialog(hDlg, lParam);
        if (FavouriteDialogState* state = StateOf(hDlg)) OnManageInit(hDlg, *state);
        return TRUE;
    }
    FavouriteDialogState* state = StateOf(hDlg);
    if (!state) return FALSE;
    switch (message) {
        case WM_COMMAND:
            OnManageCommand(hDlg, *state, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_NOTIFY:
            EnableManageControls(hDlg, state->page->uiContext);
            return FALSE;
        case WM_DRAWITEM:
            if (lParam && reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->CtlID == ids::kManageList)
                DrawManagedEntry(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            else if (lParam)
                DrawIconListItem(state->page, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_DESTROY:
            EndState(hDlg);
            return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK FavouriteDetailsDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        StartDialog(hDlg, lParam);
        FavouriteDialogState* state = StateOf(hDlg);
        if (!state) return TRUE;
        const std::u16string caption(DevicePrinterName(state->page->uiContext->deviceData));
        SetWindowTextW(hDlg, caption.c_str());
        ShowSettingsTree(hDlg, *state);
        SendDlgItemMessageW(hDlg, ids::kDetailsIcon, STM_SETICON,
                            reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_QUESTION)), 0);
        return TRUE;
    }
    FavouriteDialogState* state = StateOf(hDlg);
    if (!state) return FALSE;
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) != ids::kOk && LOWORD(wParam) != ids::kCancel) return FALSE;
            CloseSettingsTree(*state);
            EndDialog(hDlg, LOWORD(wParam) == ids::kOk ? 1 : 0);
            return TRUE;
        case WM_DESTROY:
            EndState(hDlg);
            return FALSE;
    }
    return FALSE;
}

}  // namespace orla
