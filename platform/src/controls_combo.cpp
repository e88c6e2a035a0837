// The combo box: items with their data, the current selection, and the user's choice from the
// dropped list. CBN_SELCHANGE is sent only for a user's choice, never for CB_SETCURSEL. A drop-down
// combo (CBS_DROPDOWN) also has an edit field: the user's typing there is told with
// CBN_EDITUPDATE then CBN_EDITCHANGE; text the program or a chosen item puts there is not told.
#include <algorithm>
#include <string>
#include <vector>

#include "item_list.h"
#include "plat_internal.h"
#include "system_classes.h"
#include "win/user_controls.h"

namespace plat {
namespace {

constexpr DWORD kComboTypeBits = 0x0003;          // simple, drop-down or drop-list
constexpr size_t kDefaultEditLimit = 30000;       // before CB_LIMITTEXT, as on Windows
constexpr size_t kLargestEditLimit = 0x7FFFFFFE;  // CB_LIMITTEXT 0

struct ComboState : ItemList {
    bool dropped = false;
    UINT fieldHeight = kDefaultItemHeight;  // the selection field
    UINT itemHeight = kDefaultItemHeight;   // each entry of the list
    // The edit field of a drop-down combo; its text is the combo's window text.
    size_t limit = kDefaultEditLimit;
    size_t selStart = 0;
    size_t selEnd = 0;
};

bool HasEdit(HWND h) {
    return (static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)) & kComboTypeBits) == CBS_DROPDOWN;
}

std::u16string FieldText(HWND h) {
    auto length = static_cast<size_t>(DefWindowProcW(h, WM_GETTEXTLENGTH, 0, 0));
    std::u16string text(length + 1, u'\0');
    text.resize(static_cast<size_t>(DefWindowProcW(h, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

// The field's text as the program or a chosen item sets it: all of it selected, nothing told.
void PutFieldText(HWND h, ComboState& state, LPCWSTR text) {
    DefWindowProcW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : u""));
    state.selStart = 0;
    state.selEnd = FieldText(h).size();
}

// A user's key in the edit field: the selection replaced (or the character before the caret
// removed); a text past the limit is refused as the edit refuses it. The parent hears of the
// change before and after the field shows it.
void TypeInField(HWND h, ComboState& state, WCHAR c) {
    if (c != VK_BACK && c < u' ') return;  // other control characters edit nothing
    std::u16string text = FieldText(h);
    size_t start = std::min({state.selStart, state.selEnd, text.size()});
    size_t end = std::min(std::max(state.selStart, state.selEnd), text.size());
    std::u16string insert;
    if (c == VK_BACK) {
        if (start == end && start == 0) return;
        if (start == end) --start;
    } else {
        insert.assign(1, c);
        if (text.size() - (end - start) + 1 > state.limit) return;
    }
    text.replace(start, end - start, insert);
    DefWindowProcW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    state.selStart = state.selEnd = start + insert.size();
    NotifyParent(h, CBN_EDITUPDATE);
    NotifyParent(h, CBN_EDITCHANGE);
}

// CB_SETEDITSEL and EM_SETSEL: a negative start removes the selection, a negative end means the
// end of the text.
LRESULT SetFieldSelection(HWND h, ComboState& state, int start, int end) {
    if (!HasEdit(h)) return CB_ERR;
    size_t length = FieldText(h).size();
    if (start < 0) {
        state.selStart = state.selEnd = std::min(state.selEnd, length);
        return TRUE;
    }
    state.selStart = std::min(static_cast<size_t>(start), length);
    state.selEnd = end < 0 ? length : std::min(static_cast<size_t>(end), length);
    if (state.selStart > state.selEnd) std::swap(state.selStart, state.selEnd);
    return TRUE;
}

LRESULT GetFieldSelection(HWND h, const ComboState& state, WPARAM start, LPARAM end) {
    if (!HasEdit(h)) return CB_ERR;
    if (auto* out = reinterpret_cast<DWORD*>(start)) *out = static_cast<DWORD>(state.selStart);
    if (auto* out = reinterpret_cast<DWORD*>(end)) *out = static_cast<DWORD>(state.selEnd);
    return MAKELPARAM(std::min<size_t>(state.selStart, 0xFFFF), std::min<size_t>(state.selEnd, 0xFFFF));
}

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

// The selection field shows the selected item's text, an edit field with all of it selected.
void ShowSelection(HWND h, ComboState& state) {
    LPCWSTR text = state.selection >= 0 ? state.items[static_cast<size_t>(state.selection)].text.c_str() : u"";
    if (HasEdit(h)) {
        PutFieldText(h, state, text);
        return;
    }
    DefWindowProcW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

LRESULT Delete(HWND h, ComboState& state, WPARAM index) {
    bool selectionLost = false;
    LRESULT left = DeleteItem(state, index, selectionLost);
    if (selectionLost && !HasEdit(h)) ShowSelection(h, state);  // an edit field keeps its text
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
            if (!HasEdit(h)) return CB_ERR;  // a drop list shows only its items
            PutFieldText(h, state, reinterpret_cast<LPCWSTR>(lParam));
            return TRUE;
        case WM_CHAR:
            if (HasEdit(h)) TypeInField(h, state, static_cast<WCHAR>(wParam));
            return 0;
        case CB_LIMITTEXT:
            if (!HasEdit(h)) return CB_ERR;
            state.limit = wParam == 0 ? kLargestEditLimit : static_cast<size_t>(wParam);
            return TRUE;
        case CB_GETEDITSEL:
            return GetFieldSelection(h, state, wParam, lParam);
        case CB_SETEDITSEL:
            return SetFieldSelection(h, state, static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam)));
        case EM_SETSEL:  // what the dialog manager sends a field it tabs to
            SetFieldSelection(h, state, static_cast<int>(wParam), static_cast<int>(lParam));
            return 0;
        case WM_GETDLGCODE:
            return HasEdit(h) ? DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL : DLGC_WANTARROWS;
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
