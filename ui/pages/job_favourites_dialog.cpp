// The job favourites dialog (template 2200): the favourites as large icons, delete, register and
// reorder by dragging; OK writes the list back in its order. The list view's items point into the
// dialog's own list of records, which the favourites dialogs' rules edit; the view is refilled
// from it after each change.
#include <algorithm>
#include <memory>
#include <string>

#include "resources/lang/favourites_ids.h"
#include "ui/entry/printer_data_store.h"
#include "ui/pages/favourite_dialogs.h"
#include "ui/pages/paper_rules.h"
#include "ui/tools/favourite_dialog_rules.h"
#include "ui/tools/favourites_store.h"
#include "win/list_view.h"
#include "win/user_controls.h"
#include "win/user_gdi.h"

namespace orla {
namespace {

namespace ids = orla_res::favourites;

constexpr UINT_PTR kScrollTimer = 777;
constexpr UINT kScrollTimerMs = 100;
constexpr int kIconSize = 32;
constexpr UINT kFirstFactoryNameId = 531;

struct JobDialogState {
    PageContext* page = nullptr;
    JobFavouriteList list;
    HIMAGELIST icons = nullptr;
    HIMAGELIST dragImage = nullptr;
    int dragged = -1;  // the item being dragged, -1 while none is
};

JobDialogState* StateOf(HWND dialog) {
    return reinterpret_cast<JobDialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

HWND ListOf(HWND dialog) {
    return GetDlgItem(dialog, ids::kJobList);
}

int SelectedIndex(HWND dialog) {
    return static_cast<int>(SendMessageW(ListOf(dialog), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void SelectIndex(HWND dialog, int index) {
    if (index < 0) return;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(ListOf(dialog), LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    SendMessageW(ListOf(dialog), LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
}

// The view refilled from the list: one item per record, its lParam the record's position.
void RefillView(HWND dialog, JobDialogState& state, int select) {
    HWND view = ListOf(dialog);
    SendMessageW(view, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < state.list.items.size(); ++i) {
        const std::u16string name = FavouriteName(state.list.items[i]);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(name.c_str()));
        item.iImage = static_cast<int>(std::min<size_t>(i, kLargeIconLast - kLargeIconFirst));
        item.lParam = static_cast<LPARAM>(i);
        SendMessageW(view, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(view, LVM_ARRANGE, LVA_DEFAULT, 0);
    SelectIndex(dialog, select);
    EnableWindow(GetDlgItem(dialog, ids::kDelete), select >= 0);
}

void OnInit(HWND dialog, JobDialogState& state) {
    UiContext* ui = state.page->uiContext;
    state.list = BeginJobFavourites(ui);
    state.icons =
        ImageList_Create(kIconSize, kIconSize, ILC_COLOR32 | ILC_MASK, kLargeIconLast - kLargeIconFirst + 1, 0);
    for (UINT id = kLargeIconFirst; id <= kLargeIconLast; ++id) {
        HICON icon = static_cast<HICON>(
            LoadImageW(GetInterfaceModule(), MAKEINTRESOURCEW(id), IMAGE_ICON, kIconSize, kIconSize, 0));
        ImageList_ReplaceIcon(state.icons, -1, icon);
        if (icon) DestroyIcon(icon);
    }
    SendMessageW(ListOf(dialog), LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(state.icons));
    SendDlgItemMessageW(dialog, ids::kName, EM_LIMITTEXT, ids::kNameChars, 0);
    SendDlgItemMessageW(dialog, ids::kComment, EM_LIMITTEXT, ids::kCommentChars, 0);
    RefillView(dialog, state, JobFavouriteInitialSelection(state.list, ui));
}

void OnItemChanged(HWND dialog, JobDialogState& state, const NMLISTVIEW* change) {
    if (!(change->uNewState & LVIS_SELECTED) || (change->uOldState & LVIS_SELECTED)) return;
    if (change->iItem < 0 || static_cast<size_t>(change->iItem) >= state.list.items.size()) return;
    EnableWindow(GetDlgItem(dialog, ids::kDelete), TRUE);
    const std::u16string comment = FavouriteComment(state.list.items[change->iItem]);
    SetDlgItemTextW(dialog, ids::kJobComment, comment.c_str());
    SetDlgItemTextW(dialog, ids::kName, u"");
    SetDlgItemTextW(dialog, ids::kComment, u"");
}

void OnDelete(HWND dialog, JobDialogState& state) {
    const int index = SelectedIndex(dialog);
    const UINT check = CheckJobFavouriteDelete(state.list, index);
    UiContext* ui = state.page->uiContext;
    const std::u16string caption(DevicePrinterName(ui->deviceData));
    if (check == kFavouriteFactoryNotDeletable) {
        ShowResourceMessageBox(dialog, check, caption.c_str(), 0, MB_ICONINFORMATION, ui->hResDll);
        return;
    }
    if (check != kFavouriteDeleteQuestion ||
        ShowResourceMessageBox(dialog, check, caption.c_str(), 0, MB_OKCANCEL | MB_ICONWARNING, ui->hResDll) != IDOK)
        return;
    RefillView(dialog, state, DeleteJobFavourite(state.list, index));
}

std::u16string ControlText(HWND dialog, int id) {
    WCHAR text[ids::kCommentChars + 2] = {};
    const int n = GetDlgItemTextW(dialog, id, text, ids::kCommentChars + 2);
    return std::u16string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

void OnRegister(HWND dialog, JobDialogState& state) {
    UiContext* ui = state.page->uiContext;
    const std::u16string name = ControlText(dialog, ids::kName), comment = ControlText(dialog, ids::kComment);
    const std::u16string caption(DevicePrinterName(ui->deviceData));
    RegisterCheck check = CheckJobFavouriteRegister(ui, state.list, name, false);
    if (check.message == kFavouriteReplaceQuestion) {
        if (ShowResourceMessageBox(dialog, check.message, caption.c_str(), 0, MB_OKCANCEL | MB_ICONWARNING,
                                   ui->hResDll) != IDOK)
            return;
        check = CheckJobFavouriteRegister(ui, state.list, name, true);
    }
    if (check.message != 0) {
        const UINT style = check.message == kFavouriteNameRefused ? MB_ICONWARNING : MB_ICONINFORMATION;
        ShowResourceMessageBox(dialog, check.message, caption.c_str(), 0, style, ui->hResDll);
        if (check.message != kFavouriteTableFullMessage) SetFocus(GetDlgItem(dialog, ids::kName));
        return;
    }
    if (DialogBoxParamW(ui->hResDll, MAKEINTRESOURCEW(ids::kTemplateDetails), dialog, FavouriteDetailsDialogProc,
                        reinterpret_cast<LPARAM>(state.page)) != 1)
        return;
    RefillView(dialog, state, RegisterJobFavourite(state.list, ui, name, comment, check.replaceIndex));
}

// ---- Dragging ----

void OnBeginDrag(HWND dialog, JobDialogState& state, const NMLISTVIEW* drag) {
    if (SendMessageW(ListOf(dialog), LVM_GETSELECTEDCOUNT, 0, 0) != 1) return;
    POINT origin{};
    state.dragImage = reinterpret_cast<HIMAGELIST>(
        SendMessageW(ListOf(dialog), LVM_CREATEDRAGIMAGE, drag->iItem, reinterpret_cast<LPARAM>(&origin)));
    if (!state.dragImage) return;
    state.dragged = drag->iItem;
    ImageList_BeginDrag(state.dragImage, 0, drag->ptAction.x - origin.x, drag->ptAction.y - origin.y);
    ImageList_DragEnter(ListOf(dialog), drag->ptAction.x, drag->ptAction.y);
    SetCapture(dialog);
    SetTimer(dialog, kScrollTimer, kScrollTimerMs, nullptr);
}

POINT CursorInView(HWND dialog) {
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(ListOf(dialog), &p);
    return p;
}

// While dragging, the view scrolls by half an item when the cursor is above or below it.
void OnScrollTimer(HWND dialog) {
    HWND view = ListOf(dialog);
    RECT client{};
    GetClientRect(view, &client);
    const POINT p = CursorInView(dialog);
    const int half = HIWORD(SendMessageW(view, LVM_GETITEMSPACING, FALSE, 0)) / 2;
    const int dy = p.y < client.top ? -half : p.y > client.bottom ? half : 0;
    if (dy == 0) return;
    ImageList_DragShowNolock(FALSE);
    SendMessageW(view, LVM_SCROLL, 0, dy);
    ImageList_DragShowNolock(TRUE);
}

void EndDrag(HWND dialog, JobDialogState& state) {
    KillTimer(dialog, kScrollTimer);
    ImageList_DragLeave(ListOf(dialog));
    ImageList_EndDrag();
    ReleaseCapture();
    if (state.dragImage) ImageList_Destroy(state.dragImage);
    state.dragImage = nullptr;
}

void OnDrop(HWND dialog, JobDialogState& state) {
    const int from = state.dragged;
    state.dragged = -1;
    EndDrag(dialog, state);
    LVHITTESTINFO hit{};
    hit.pt = CursorInView(dialog);
    const int target = static_cast<int>(SendMessageW(ListOf(dialog), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (target < 0 || target == from) return;
    POINT before{};
    SendMessageW(ListOf(dialog), LVM_GETORIGIN, 0, reinterpret_cast<LPARAM>(&before));
    const int moved = MoveJobFavourite(state.list, from, target);
    RefillView(dialog, state, moved);
    // Refilling scrolled to the moved item; the user's view comes back where the drop left it.
    POINT after{};
    SendMessageW(ListOf(dialog), LVM_GETORIGIN, 0, reinterpret_cast<LPARAM>(&after));
    SendMessageW(ListOf(dialog), LVM_SCROLL, before.x - after.x, before.y - after.y);
}

// ---- Ending ----

void OnOk(HWND dialog, JobDialogState& state) {
    UiContext* ui = state.page->uiContext;
    WCHAR firstFactory[kFavouriteNameChars] = {};
    LoadStringW(ui->hResDll, kFirstFactoryNameId, firstFactory, kFavouriteNameChars);
    FinishJobFavourites(ui, state.list, firstFactory);
    EndDialog(dialog, 1);
}

LRESULT OnNotify(HWND dialog, JobDialogState& state, const NMHDR* note) {
    if (note->idFrom != static_cast<UINT_PTR>(ids::kJobList)) return 0;
    switch (note->code) {
        case LVN_ITEMCHANGED:
            OnItemChanged(dialog, state, reinterpret_cast<const NMLISTVIEW*>(note));
            return 0;
        case LVN_KEYDOWN:
            if (reinterpret_cast<const NMLVKEYDOWN*>(note)->wVKey == VK_DELETE) OnDelete(dialog, state);
            return 0;
        case LVN_BEGINDRAG:
            OnBeginDrag(dialog, state, reinterpret_cast<const NMLISTVIEW*>(note));
            return 0;
    }
    return 0;
}

void FreeState(HWND dialog) {
    std::unique_ptr<JobDialogState> state(reinterpret_cast<JobDialogState*>(SetWindowLongPtrW(dialog, DWLP_USER, 0)));
    if (!state) return;
    if (state->dragged >= 0) EndDrag(dialog, *state);
    if (state->icons) ImageList_Destroy(state->icons);  // Cancel writes nothing: the list goes with it
}

}  // namespace

void MarkFavouriteMatch(UiContext* context, HWND dialog) {
    HWND view = GetDlgItem(dialog, ids::kFavouriteMatchList);
    if (!view || !context) return;
    const int index = static_cast<int>(SendMessageW(view, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (index < 0) return;
    LVITEMW item{};
    item.mask = LVIF_PARAM | LVIF_STATE;
    item.iItem = index;
    item.stateMask = kFavouriteMarkMask;
    if (!SendMessageW(view, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) || item.lParam == 0) return;
    const auto* favourite = reinterpret_cast<const FavouriteRecord*>(item.lParam);
    item.state = FavouriteMarkState(FavouriteMatches(context->currentDevmode, *favourite), item.state);
    SendMessageW(view, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

INT_PTR CALLBACK JobFavouritesDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto state = std::make_unique<JobDialogState>();
        state->page = reinterpret_cast<PageContext*>(lParam);
        if (!state->page || !state->page->uiContext) {
            EndDialog(hDlg, 0);
            return TRUE;
        }
        SetWindowLongPtrW(hDlg, DWLP_USER, reinterpret_cast<LONG_PTR>(state.get()));
        OnInit(hDlg, *state.release());
        return TRUE;
    }
    JobDialogState* state = StateOf(hDlg);
    if (!state) return FALSE;
    switch (message) {
        case WM_NOTIFY:
            SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, OnNotify(hDlg, *state, reinterpret_cast<const NMHDR*>(lParam)));
            return TRUE;
        case WM_MOUSEMOVE:
            if (state->dragged < 0) return FALSE;
            ImageList_DragMove(CursorInView(hDlg).x, CursorInView(hDlg).y);
            return TRUE;
        case WM_LBUTTONUP:
            if (state->dragged < 0) return FALSE;
            OnDrop(hDlg, *state);
            return TRUE;
        case WM_TIMER:
            if (wParam == kScrollTimer && state->dragged >= 0) OnScrollTimer(hDlg);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case ids::kDelete:
                    OnDelete(hDlg, *state);
                    return TRUE;
                case ids::kRegister:
                    OnRegister(hDlg, *state);
                    return TRUE;
                case ids::kOk:
                    OnOk(hDlg, *state);
                    return TRUE;
                case ids::kCancel:
                    EndDialog(hDlg, 0);
                    return TRUE;
            }
            return FALSE;
        case WM_DESTROY:
            FreeState(hDlg);
            return FALSE;
    }
    return FALSE;
}

}  // namespace orla
