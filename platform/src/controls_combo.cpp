// The drop-list combo box: items with their data, the current selection, and the user's choice
// from the dropped list. CBN_SELCHANGE is sent only for a user's choice, never for CB_SETCURSEL.
#include <algorithm>
#include <string>
#include <vector>

#include "item_list.h"
#include "plat_internal.h"
#include "system_classes.h"
#include "win/user_controls.h"

namespace plat {
namespace {

struct ComboState : ItemList {
    bool dropped = false;
    UINT fieldHeight = kDefaultItemHeight;  // the selection field
    UINT itemHeight = kDefaultItemHeight;   // each entry of the list
};

// An owner-drawn combo asks its owner once, while it is made, for the height of its selection
// field (item -1) and of its list entries (item 0).
void MeasureItems(HWND h, ComboState& state) {
    if (!(GetWindowLongW(h, GWL_STYLE) & CBS_OWNERDRAWFIXED)) return;
    state.fieldHeight = AskItemHeight(h, ODT_COMBOBOX, static_cast<UINT>(-1));
    state.itemHeight = AskItemHeight(h, ODT_COMBOBOX, 0);
}

LRESULT SetItemHeight(ComboState& state, WPARAM which, LPARAM height) {
    if (height <= 0 || height > 255) return CB_ERR;
    (static_cast<int>(which) == -1 ? state.fieldHeight : state.itemHeight) = static_cast<UINT>(height);
    return 0;
}

// The selection field shows the selected item's text.
void ShowSelection(HWND h, const ComboState& state) {
    LPCWSTR text = state.selection >= 0 ? state.items[static_cast<size_t>(state.selection)].text.c_str() : u"";
    DefWindowProcW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

LRESULT Delete(HWND h, ComboState& state, WPARAM index) {
    bool selectionLost = false;
    LRESULT left = DeleteItem(state, index, selectionLost);
    if (selectionLost) ShowSelection(h, state);
    return left;
}

LRESULT SetSelection(HWND h, ComboState& state, WPARAM index) {
    state.selection = InRange(state, index) ? static_cast<int>(index) : CB_ERR;
    ShowSelection(h, state);
    return state.selection;
}

void ShowDropDown(HWND h, ComboState& state, bool show) {
    if (state.dropped == show) return;
    if (show) NotifyParent(h, CBN_DROPDOWN);
    state.dropped = show;
    if (!show) NotifyParent(h, CBN_CLOSEUP);
}

// The user opens the list and clicks an item: the list drops, the choice is accepted, the list
// closes, and the parent hears of a changed selection last.
LRESULT UserChoose(HWND h, ComboState& state, WPARAM index) {
    if (!IsWindowEnabled(h) || !IsWindowVisible(h) || !InRange(state, index)) return FALSE;
    SetFocus(h);
    ShowDropDown(h, state, true);
    bool changed = ChooseItem(state, index);
    ShowSelection(h, state);
    NotifyParent(h, CBN_SELENDOK);
    ShowDropDown(h, state, false);
    if (changed) NotifyParent(h, CBN_SELCHANGE);
    return TRUE;
}

}  // namespace

LRESULT CALLBACK ComboBoxProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) {
        FreeControlState<ComboState>(h);
        return DefWindowProcW(h, message, wParam, lParam);
    }
    ComboState& state = *ControlState<ComboState>(h);
    switch (message) {
        case WM_CREATE:
            MeasureItems(h, state);
            return 0;
        case CB_GETITEMHEIGHT:
            return static_cast<int>(wParam) == -1 ? state.fieldHeight : state.itemHeight;
        case CB_SETITEMHEIGHT:
            return SetItemHeight(state, wParam, lParam);
        case CB_ADDSTRING:
            return InsertItem(state, -1, reinterpret_cast<LPCWSTR>(lParam), GetWindowLongW(h, GWL_STYLE) & CBS_SORT);
        case CB_INSERTSTRING:
            return InsertItem(state, static_cast<int>(wParam), reinterpret_cast<LPCWSTR>(lParam), false);
        case CB_DELETESTRING:
            return Delete(h, state, wParam);
        case CB_RESETCONTENT:
            state.items.clear();
            SetSelection(h, state, static_cast<WPARAM>(CB_ERR));
            return 0;  // CB_OKAY
        case CB_GETCOUNT:
            return static_cast<LRESULT>(state.items.size());
        case CB_GETCURSEL:
            return state.selection;
        case CB_SETCURSEL:
            return SetSelection(h, state, wParam);
        case CB_GETLBTEXT:
            return CopyItemText(state, wParam, lParam);
        case CB_GETLBTEXTLEN:
            return InRange(state, wParam) ? static_cast<LRESULT>(state.items[wParam].text.size()) : CB_ERR;
        case CB_GETITEMDATA:
            return InRange(state, wParam) ? state.items[wParam].data : CB_ERR;
        case CB_SETITEMDATA:
            if (!InRange(state, wParam)) return CB_ERR;
            state.items[wParam].data = lParam;
            return TRUE;
        case CB_FINDSTRING:
            return FindItem(state, wParam, reinterpret_cast<LPCWSTR>(lParam), false);
        case CB_FINDSTRINGEXACT:
            return FindItem(state, wParam, reinterpret_cast<LPCWSTR>(lParam), true);
        case CB_SELECTSTRING: {
            LRESULT found = FindItem(state, wParam, reinterpret_cast<LPCWSTR>(lParam), false);
            return found == CB_ERR ? CB_ERR : SetSelection(h, state, static_cast<WPARAM>(found));
        }
        case CB_SHOWDROPDOWN:
            ShowDropDown(h, state, wParam != 0);
            return TRUE;
        case CB_GETDROPPEDSTATE:
            return state.dropped ? TRUE : FALSE;
        case kUserChoose:
            return UserChoose(h, state, wParam);
        case WM_SETTEXT:
            return CB_ERR;  // a drop list shows only its items
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_SETFOCUS:
            NotifyParent(h, CBN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            ShowDropDown(h, state, false);
            NotifyParent(h, CBN_KILLFOCUS);
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(h);
            return 0;
    }
    return DefWindowProcW(h, message, wParam, lParam);
}

}  // namespace plat
