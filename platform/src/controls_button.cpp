// The button control: push buttons, check boxes and radio buttons (groups by WS_GROUP), with
// BN_CLICKED sent after the state has changed, as a click on a real one does.
#include "system_classes.h"
#include "win/user_controls.h"

namespace plat {
namespace {

struct ButtonState {
    UINT check = BST_UNCHECKED;
    bool pushed = false;
    HANDLE image = nullptr;
};

DWORD TypeOf(HWND h) {
    return static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)) & BS_TYPEMASK;
}

bool IsRadio(DWORD type) {
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

bool HasCheck(DWORD type) {
    return IsRadio(type) || type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
           type == BS_AUTO3STATE;
}

// Unchecks the other radio buttons of the button's group.
void UncheckGroupOthers(HWND button) {
    HWND first = button;
    while (!(GetWindowLongW(first, GWL_STYLE) & WS_GROUP)) {
        HWND previous = GetWindow(first, GW_HWNDPREV);
        if (previous == nullptr) break;
        first = previous;
    }
    for (HWND c = first; c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (c != first && (GetWindowLongW(c, GWL_STYLE) & WS_GROUP)) break;
        if (c != button && IsRadio(TypeOf(c))) SendMessageW(c, BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

// What a completed click does before the parent hears of it.
void ApplyClick(HWND h, ButtonState& state) {
    switch (TypeOf(h)) {
        case BS_AUTOCHECKBOX:
            SendMessageW(h, BM_SETCHECK, state.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
            break;
        case BS_AUTO3STATE:
            SendMessageW(h, BM_SETCHECK, (state.check + 1) % 3, 0);
            break;
        case BS_AUTORADIOBUTTON:
            SendMessageW(h, BM_SETCHECK, BST_CHECKED, 0);
            UncheckGroupOthers(h);
            break;
    }
}

LRESULT DialogCode(HWND h) {
    DWORD type = TypeOf(h);
    if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    if (type == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    if (IsRadio(type)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
    if (type == BS_GROUPBOX) return DLGC_STATIC;
    return DLGC_BUTTON;
}

void Click(HWND h, ButtonState& state) {
    if (!IsWindowEnabled(h) || TypeOf(h) == BS_GROUPBOX) return;
    ApplyClick(h, state);
    NotifyParent(h, BN_CLICKED);
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) {
        FreeControlState<ButtonState>(h);
        return DefWindowProcW(h, message, wParam, lParam);
    }
    ButtonState& state = *ControlState<ButtonState>(h);
    switch (message) {
        case WM_GETDLGCODE:
            return DialogCode(h);
        case BM_GETCHECK:
            return HasCheck(TypeOf(h)) ? state.check : BST_UNCHECKED;
        case BM_SETCHECK:
            if (!HasCheck(TypeOf(h))) return 0;
            state.check = static_cast<UINT>(wParam) > BST_INDETERMINATE ? BST_CHECKED : static_cast<UINT>(wParam);
            if (IsRadio(TypeOf(h))) {
                // The checked radio button of a group is the one Tab stops at.
                DWORD style = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
                style = state.check == BST_CHECKED ? style | WS_TABSTOP : style & ~static_cast<DWORD>(WS_TABSTOP);
                SetWindowLongW(h, GWL_STYLE, static_cast<LONG>(style));
            }
            return 0;
        case BM_GETSTATE:
            return state.check | (state.pushed ? BST_PUSHED : 0) | (GetFocus() == h ? BST_FOCUS : 0);
        case BM_SETSTATE:
            state.pushed = wParam != 0;
            return 0;
        case BM_SETSTYLE:
            SetWindowLongW(h, GWL_STYLE,
                           static_cast<LONG>((static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)) & ~BS_TYPEMASK) |
                                             (static_cast<DWORD>(wParam) & 0xFFFF)));
            return 0;
        case BM_GETIMAGE:
            return reinterpret_cast<LRESULT>(state.image);
        case BM_SETIMAGE: {
            HANDLE old = state.image;
            state.image = reinterpret_cast<HANDLE>(lParam);
            return reinterpret_cast<LRESULT>(old);
        }
        case BM_CLICK:
            if (!IsWindowEnabled(h)) return 0;
            SendMessageW(h, WM_LBUTTONDOWN, 0, 0);
            SendMessageW(h, WM_LBUTTONUP, 0, 0);
            return 0;
        case WM_LBUTTONDOWN:
            if (TypeOf(h) != BS_GROUPBOX) SetFocus(h);
            state.pushed = true;
            return 0;
        case WM_LBUTTONUP:
            if (!state.pushed) return 0;
            state.pushed = false;
            Click(h, state);
            return 0;
        case WM_KEYUP:
            if (wParam == VK_SPACE) Click(h, state);
            return 0;
        case WM_SETFOCUS:
            if (GetWindowLongW(h, GWL_STYLE) & BS_NOTIFY) NotifyParent(h, BN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            if (GetWindowLongW(h, GWL_STYLE) & BS_NOTIFY) NotifyParent(h, BN_KILLFOCUS);
            return 0;
    }
    return DefWindowProcW(h, message, wParam, lParam);
}

}  // namespace plat
