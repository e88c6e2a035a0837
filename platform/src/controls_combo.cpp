// The drop-list combo box: items with their data, the current selection, and the user's choice
// from the dropped list. CBN_SELCHANGE is sent only for a user's choice, never for CB_SETCURSEL.
#include <algorithm>
#include <string>
#include <vector>

#include "plat_internal.h"
#include "system_classes.h"
#include "win/user_controls.h"

namespace plat {
namespace {

constexpr size_t kMaxItems = 0x7FFF;  // a list keeps its indices in 16 bits' positive range

struct ComboItem {
    std::u16string text;
    LPARAM data = 0;
};

struct ComboState {
    std::vector<ComboItem> items;
    int selection = CB_ERR;
    bool dropped = false;
};

bool InRange(const ComboState& state, WPARAM index) {
    return static_cast<int>(index) >= 0 && static_cast<size_t>(static_cast<int>(index)) < state.items.size();
}

// The selection field shows the selected item's text.
void ShowSelection(HWND h, const ComboState& state) {
    LPCWSTR text = state.selection >= 0 ? state.items[static_cast<size_t>(state.selection)].text.c_str() : u"";
    DefWindowProcW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

LRESULT Insert(HWND h, ComboState& state, int at, LPCWSTR text) {
    if (state.items.size() >= kMaxItems) return CB_ERRSPACE;
    ComboItem item{text ? text : u"", 0};
    size_t index;
    if (at < 0 && (GetWindowLongW(h, GWL_STYLE) & CBS_SORT)) {
        auto it =
            std::upper_bound(state.items.begin(), state.items.end(), item,
                             [](const ComboItem& a, const ComboItem& b) { return CompareNoCase(a.text, b.text) < 0; });
        index = static_cast<size_t>(it - state.items.begin());
    } else if (at < 0) {
        index = state.items.size();
    } else if (static_cast<size_t>(at) <= state.items.size()) {
        index = static_cast<size_t>(at);
    } else {
        return CB_ERR;
    }
    state.items.insert(state.items.begin() + static_cast<long>(index), std::move(item));
    if (state.selection >= static_cast<int>(index)) ++state.selection;
    return static_cast<LRESULT>(index);
}

LRESULT Delete(HWND h, ComboState& state, WPARAM index) {
    if (!InRange(state, index)) return CB_ERR;
    int i = static_cast<int>(index);
    state.items.erase(state.items.begin() + i);
    if (state.selection == i) {
        state.selection = CB_ERR;
        ShowSelection(h, state);
    } else if (state.selection > i) {
        --state.selection;
    }
    return static_cast<LRESULT>(state.items.size());
}

// The first item after `start` (wrapping) whose text equals, or begins with, `text`.
LRESULT Find(const ComboState& state, WPARAM start, LPCWSTR text, bool exact) {
    if (text == nullptr || state.items.empty()) return CB_ERR;
    std::u16string_view wanted(text);
    size_t n = state.items.size();
    size_t first = InRange(state, start) ? static_cast<size_t>(start) + 1 : 0;
    for (size_t step = 0; step < n; ++step) {
        size_t i = (first + step) % n;
        std::u16string_view item = state.items[i].text;
        if (!exact && item.size() > wanted.size()) item = item.substr(0, wanted.size());
        if (EqualNoCase(item, wanted)) return static_cast<LRESULT>(i);
    }
    return CB_ERR;
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
    int before = state.selection;
    state.selection = static_cast<int>(index);
    ShowSelection(h, state);
    NotifyParent(h, CBN_SELENDOK);
    ShowDropDown(h, state, false);
    if (state.selection != before) NotifyParent(h, CBN_SELCHANGE);
    return TRUE;
}

LRESULT CopyItemText(const ComboState& state, WPARAM index, LPARAM buffer) {
    if (!InRange(state, index)) return CB_ERR;
    const std::u16string& text = state.items[index].text;
    if (auto* out = reinterpret_cast<LPWSTR>(buffer)) {
        text.copy(out, text.size());
        out[text.size()] = 0;
    }
    return static_cast<LRESULT>(text.size());
}

}  // namespace

LRESULT CALLBACK ComboBoxProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) {
        FreeControlState<ComboState>(h);
        return DefWindowProcW(h, message, wParam, lParam);
    }
    ComboState& state = *ControlState<ComboState>(h);
    switch (message) {
        case CB_ADDSTRING:
            return Insert(h, state, -1, reinterpret_cast<LPCWSTR>(lParam));
        case CB_INSERTSTRING:
            return Insert(h, state, static_cast<int>(wParam), reinterpret_cast<LPCWSTR>(lParam));
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
            return Find(state, wParam, reinterpret_cast<LPCWSTR>(lParam), false);
        case CB_FINDSTRINGEXACT:
            return Find(state, wParam, reinterpret_cast<LPCWSTR>(lParam), true);
        case CB_SELECTSTRING: {
            LRESULT found = Find(state, wParam, reinterpret_cast<LPCWSTR>(lParam), false);
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
