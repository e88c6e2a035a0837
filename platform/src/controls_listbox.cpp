// The single-selection list box, owner-drawn fixed items included: the item height asked of the
// parent once with WM_MEASUREITEM at creation, items without strings keeping the caller's value
// as their data, and LBN_SELCHANGE only for a user's choice.
#include <algorithm>
#include <vector>

#include "item_list.h"
#include "system_classes.h"
#include "win/user_controls.h"

namespace plat {
namespace {

struct ListBoxState : ItemList {
    UINT itemHeight = kDefaultItemHeight;
    int top = 0;
    std::vector<int> tabStops;  // dialog units; the renderer draws text at tabs as it is
};

DWORD StyleOf(HWND h) {
    return static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
}

// Owner-drawn items without strings: the "string" argument is the item's data.
bool KeepsStrings(HWND h) {
    DWORD style = StyleOf(h);
    return !(style & LBS_OWNERDRAWFIXED) || (style & LBS_HASSTRINGS);
}

void NotifyIfAsked(HWND h, WORD code) {
    if (StyleOf(h) & LBS_NOTIFY) NotifyParent(h, code);
}

void MeasureItems(HWND h, ListBoxState& s) {
    if (StyleOf(h) & LBS_OWNERDRAWFIXED) s.itemHeight = AskItemHeight(h, ODT_LISTBOX, 0);
}

LRESULT Add(HWND h, ListBoxState& s, int at, LPARAM value) {
    bool strings = KeepsStrings(h);
    LRESULT index =
        InsertItem(s, at, strings ? reinterpret_cast<LPCWSTR>(value) : nullptr, strings && (StyleOf(h) & LBS_SORT));
    if (index >= 0 && !strings) s.items[static_cast<size_t>(index)].data = value;
    return index;
}

LRESULT ItemRect(HWND h, const ListBoxState& s, WPARAM index, LPARAM out) {
    auto* r = reinterpret_cast<RECT*>(out);
    if (r == nullptr || !InRange(s, index)) return LB_ERR;
    RECT client;
    GetClientRect(h, &client);
    auto row = static_cast<LONG>(static_cast<int>(index) - s.top);
    auto height = static_cast<LONG>(s.itemHeight);
    *r = RECT{0, row * height, client.right, (row + 1) * height};
    return 0;
}

// LB_SETCURSEL scrolls the chosen line into view, as Windows does: to the top when it lies above
// the shown lines, to the bottom when below.
void ScrollSelectionIntoView(HWND h, ListBoxState& s) {
    if (s.selection < 0 || s.itemHeight == 0) return;
    RECT client;
    GetClientRect(h, &client);
    const int shown = std::max(1, static_cast<int>(client.bottom / static_cast<LONG>(s.itemHeight)));
    if (s.selection < s.top) s.top = s.selection;
    if (s.selection >= s.top + shown) s.top = s.selection - shown + 1;
}

LRESULT UserChoose(HWND h, ListBoxState& s, WPARAM index) {
    if (!IsWindowEnabled(h) || !IsWindowVisible(h) || !InRange(s, index)) return FALSE;
    SetFocus(h);
    if (ChooseItem(s, index)) NotifyIfAsked(h, LBN_SELCHANGE);
    return TRUE;
}

}  // namespace

LRESULT CALLBACK ListBoxProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) {
        FreeControlState<ListBoxState>(h);
        return DefWindowProcW(h, message, wParam, lParam);
    }
    ListBoxState& s = *ControlState<ListBoxState>(h);
    switch (message) {
        case WM_CREATE:
            MeasureItems(h, s);
            return 0;
        case LB_ADDSTRING:
            return Add(h, s, -1, lParam);
        case LB_INSERTSTRING:
            return Add(h, s, static_cast<int>(wParam), lParam);
        case LB_DELETESTRING: {
            bool lost = false;
            return DeleteItem(s, wParam, lost);
        }
        case LB_RESETCONTENT:
            s.items.clear();
            s.selection = -1;
            s.top = 0;
            return 0;
        case LB_GETCOUNT:
            return static_cast<LRESULT>(s.items.size());
        case LB_GETCURSEL:
            return s.selection;
        case LB_SETCURSEL:
            s.selection = InRange(s, wParam) ? static_cast<int>(wParam) : -1;
            ScrollSelectionIntoView(h, s);
            return InRange(s, wParam) ? s.selection : LB_ERR;
        case LB_GETTEXT:
            if (!KeepsStrings(h)) {
                if (!InRange(s, wParam)) return LB_ERR;
                if (lParam) *reinterpret_cast<LPARAM*>(lParam) = s.items[wParam].data;
                return sizeof(LPARAM);
            }
            return CopyItemText(s, wParam, lParam);
        case LB_GETTEXTLEN:
            if (!InRange(s, wParam)) return LB_ERR;
            return KeepsStrings(h) ? static_cast<LRESULT>(s.items[wParam].text.size()) : sizeof(LPARAM);
        case LB_GETITEMDATA:
            return InRange(s, wParam) ? s.items[wParam].data : LB_ERR;
        case LB_SETITEMDATA:
            if (!InRange(s, wParam)) return LB_ERR;
            s.items[wParam].data = lParam;
            return TRUE;
        case LB_FINDSTRING:
            return FindItem(s, wParam, reinterpret_cast<LPCWSTR>(lParam), false);
        case LB_FINDSTRINGEXACT:
            return FindItem(s, wParam, reinterpret_cast<LPCWSTR>(lParam), true);
        case LB_SETTABSTOPS:
            // Without LBS_USETABSTOPS a real list box keeps them too, and ignores them when drawing.
            if (wParam > 0 && lParam == 0) return FALSE;
            s.tabStops.assign(reinterpret_cast<const int*>(lParam), reinterpret_cast<const int*>(lParam) + wParam);
            return TRUE;
        case LB_GETTOPINDEX:
            return s.top;
        case LB_SETTOPINDEX:
            if (!InRange(s, wParam)) return LB_ERR;
            s.top = static_cast<int>(wParam);
            return 0;
        case LB_GETITEMRECT:
            return ItemRect(h, s, wParam, lParam);
        case LB_GETITEMHEIGHT:
            return s.itemHeight;
        case LB_SETITEMHEIGHT:
            if (LOWORD(lParam) == 0 || LOWORD(lParam) > 255) return LB_ERR;
            s.itemHeight = LOWORD(lParam);
            return 0;
        case kUserChoose:
            return UserChoose(h, s, wParam);
        case kUserDoubleClick:
            // The first click chooses the line, the second tells the parent of the double click.
            if (!UserChoose(h, s, wParam)) return FALSE;
            NotifyIfAsked(h, LBN_DBLCLK);
            return TRUE;
        case kListTabStop:
            return wParam < s.tabStops.size() ? s.tabStops[wParam] : -1;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_SETFOCUS:
            NotifyIfAsked(h, LBN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            NotifyIfAsked(h, LBN_KILLFOCUS);
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(h);
            return 0;
    }
    return DefWindowProcW(h, message, wParam, lParam);
}

}  // namespace plat
