// The window classes every process has without registering them: the dialog class and the
// standard controls. Each procedure lives in the file of its control.
#pragma once

#include "win/user.h"

namespace plat {

LRESULT CALLBACK DialogClassProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ComboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK UpDownProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK TreeViewProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK TabControlProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListViewProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ScrollBarProc(HWND, UINT, WPARAM, LPARAM);

struct SystemClass {
    const char16_t* name;
    WNDPROC proc;
    int extraBytes;
};

// Controls keep their state in a block whose address is their window's first extra long.
inline constexpr int kControlExtra = sizeof(LONG_PTR);

// clang-format off
inline constexpr SystemClass kSystemClasses[] = {
    {u"#32770", DialogClassProc, DLGWINDOWEXTRA},
    {u"Button", ButtonProc, kControlExtra},
    {u"Static", StaticProc, kControlExtra},
    {u"Edit", EditProc, kControlExtra},
    {u"ComboBox", ComboBoxProc, kControlExtra},
    {u"ListBox", ListBoxProc, kControlExtra},
    {u"msctls_updown32", UpDownProc, kControlExtra},
    {u"SysTreeView32", TreeViewProc, kControlExtra},
    {u"SysTabControl32", TabControlProc, kControlExtra},
    {u"SysListView32", ListViewProc, kControlExtra},
    {u"ScrollBar", ScrollBarProc, kControlExtra},
};
// clang-format on

// The state block of a control, created on first use and freed at WM_NCDESTROY.
template <typename State>
State* ControlState(HWND h) {
    auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(h, 0));
    if (state == nullptr) {
        state = new State;
        SetWindowLongPtrW(h, 0, reinterpret_cast<LONG_PTR>(state));
    }
    return state;
}
template <typename State>
void FreeControlState(HWND h) {
    delete reinterpret_cast<State*>(SetWindowLongPtrW(h, 0, 0));
}

// WM_COMMAND to the control's parent with the control's id and a notification code.
inline void NotifyParent(HWND control, WORD code) {
    HWND parent = GetParent(control);
    if (parent == nullptr) return;
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), reinterpret_cast<LPARAM>(control));
}

}  // namespace plat

namespace plat {

// Private messages of the test interface, in the range no application registers.
// kUserAction: wParam is a void(*)(HWND, LPARAM) run on the window's own thread with lParam.
inline constexpr UINT kUserAction = 0xBF70;
// kUserChoose: a drop-list's item picked by the user (wParam the index); TRUE when taken.
inline constexpr UINT kUserChoose = 0xBF71;
// kUserSpin: an up-down's arrows pressed (wParam: presses up, negative for down); TRUE when taken.
inline constexpr UINT kUserSpin = 0xBF72;
// kUserExpand: a tree item's button clicked (wParam the item); TRUE when taken.
inline constexpr UINT kUserExpand = 0xBF73;
// kUserDoubleClick: a list view's or list box's item double-clicked (wParam the index, -1: no
// item of a list view).
inline constexpr UINT kUserDoubleClick = 0xBF80;
// kUserBeginDrag: a list view's item pressed and dragged past the drag distance (wParam the index).
inline constexpr UINT kUserBeginDrag = 0xBF81;
// kUserScroll: a scroll bar worked by the user (wParam the SB_ code, lParam the thumb's target
// for the thumb codes); TRUE when taken.
inline constexpr UINT kUserScroll = 0xBF82;
// kListTabStop: a list box's tab stop wParam (0 the first) in dialog units, -1 past the last.
inline constexpr UINT kListTabStop = 0xBF83;

}  // namespace plat
