// The test interface: a scripted user acting on headless windows, reading controls back and
// dumping window trees. Every action runs on the window's own thread through a private message.
#include "plat/window_test.h"

#include <string>

#include "plat_internal.h"
#include "system_classes.h"
#include "win/list_view.h"
#include "win/user_controls.h"

namespace plat {
namespace {

struct Action {
    LPCWSTR text = nullptr;
    int index = 0;
    void* item = nullptr;
    BOOL result = FALSE;
    PLAT_CONTROL_STATE* state = nullptr;
    std::u16string dump;
};

bool RunOnWindowThread(HWND h, void (*step)(HWND, LPARAM), Action& action) {
    if (!IsWindow(h)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    SendMessageW(h, kUserAction, reinterpret_cast<WPARAM>(step), reinterpret_cast<LPARAM>(&action));
    return true;
}

// A user can act on a control only when it and every window above it are shown and enabled.
bool Reachable(HWND h) {
    for (HWND w = h; w; w = GetAncestor(w, GA_PARENT)) {
        if (!IsWindowEnabled(w)) return false;
    }
    return IsWindowVisible(h) != FALSE;
}

bool IsClass(HWND h, std::u16string_view name) {
    WCHAR buffer[64];
    GetClassNameW(h, buffer, 64);
    return EqualNoCase(buffer, name);
}

void ClickStep(HWND h, LPARAM p) {
    auto& action = *reinterpret_cast<Action*>(p);
    if (!Reachable(h)) return;
    if (IsClass(h, u"Button")) {
        SendMessageW(h, BM_CLICK, 0, 0);
    } else {
        SendMessageW(h, WM_LBUTTONDOWN, 0, 0);
        SendMessageW(h, WM_LBUTTONUP, 0, 0);
    }
    action.result = TRUE;
}

void TypeStep(HWND h, LPARAM p) {
    auto& action = *reinterpret_cast<Action*>(p);
    if (!Reachable(h)) return;
    SetFocus(h);
    // Reached as Tab reaches it: an edit's whole text is selected, so typing replaces it.
    if (SendMessageW(h, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(h, EM_SETSEL, 0, -1);
    for (LPCWSTR c = action.text; *c; ++c) SendMessageW(h, WM_CHAR, *c, 1);
    action.result = TRUE;
}

void ChooseStep(HWND h, LPARAM p) {
    auto& action = *reinterpret_cast<Action*>(p);
    if (!Reachable(h)) return;
    action.result = static_cast<BOOL>(SendMessageW(h, kUserChoose, static_cast<WPARAM>(action.index), 0));
}

void SpinStep(HWND h, LPARAM p) {
    auto& action = *reinterpret_cast<Action*>(p);
    if (!Reachable(h)) return;
    action.result = static_cast<BOOL>(SendMessageW(h, kUserSpin, static_cast<WPARAM>(action.index), 0));
}

void TreeStep(HWND h, LPARAM p, UINT message) {
    auto& action = *reinterpret_cast<Action*>(p);
    if (!Reachable(h)) return;
    action.result = static_cast<BOOL>(SendMessageW(h, message, reinterpret_cast<WPARAM>(action.item), 0));
}

void ChooseTreeStep(HWND h, LPARAM p) {
    TreeStep(h, p, kUserChoose);
}

void ToggleTreeStep(HWND h, LPARAM p) {
    TreeStep(h, p, kUserExpand);
}

POINT CentreOnScreen(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void HelpStep(HWND h, LPARAM p) {
    auto& action = *reinterpret_cast<Action*>(p);
    if (!Reachable(h)) return;
    HELPINFO info{sizeof(HELPINFO), HELPINFO_WINDOW, GetDlgCtrlID(h), h, 0, CentreOnScreen(h)};
    SendMessageW(h, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    action.result = TRUE;
}

void RightClickStep(HWND h, LPARAM p) {
    auto& action = *reinterpret_cast<Action*>(p);
    POINT at = CentreOnScreen(h);
    // A hidden or disabled control is clicked through to the window under it.
    HWND target = Reachable(h) ? h : GetParent(h);
    if (target == nullptr) return;
    SendMessageW(target, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(target), MAKELPARAM(at.x, at.y));
    action.result = TRUE;
}

void ReadStep(HWND h, LPARAM p) {
    auto& action = *reinterpret_cast<Action*>(p);
    PLAT_CONTROL_STATE& s = *action.state;
    s = PLAT_CONTROL_STATE{};
    GetClassNameW(h, s.className, 64);
    GetWindowTextW(h, s.text, 256);
    s.id = GetDlgCtrlID(h);
    s.selection = -1;
    if (IsClass(h, u"Button")) s.checked = static_cast<int>(SendMessageW(h, BM_GETCHECK, 0, 0));
    if (IsClass(h, u"ComboBox")) {
        s.selection = static_cast<int>(SendMessageW(h, CB_GETCURSEL, 0, 0));
        s.count = static_cast<int>(SendMessageW(h, CB_GETCOUNT, 0, 0));
    }
    if (IsClass(h, u"ListBox")) {
        s.selection = static_cast<int>(SendMessageW(h, LB_GETCURSEL, 0, 0));
        s.count = static_cast<int>(SendMessageW(h, LB_GETCOUNT, 0, 0));
    }
    if (IsClass(h, WC_LISTVIEWW)) {
        s.selection = static_cast<int>(SendMessageW(h, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        s.count = static_cast<int>(SendMessageW(h, LVM_GETITEMCOUNT, 0, 0));
    }
    s.enabled = IsWindowEnabled(h);
    s.visible = IsWindowVisible(h);
    s.focused = GetFocus() == h;
    action.result = TRUE;
}

void DumpWindow(HWND h, int depth, std::u16string& out) {
    PLAT_CONTROL_STATE s;
    Action read;
    read.state = &s;
    ReadStep(h, reinterpret_cast<LPARAM>(&read));
    out.append(static_cast<size_t>(depth) * 2, u' ');
    out += s.className;
    if (s.id != 0) {
        std::string id = " #" + std::to_string(s.id);
        out.append(id.begin(), id.end());
    }
    out += u" \"";
    out += s.text;
    out += u"\"";
    if (!s.visible) out += u" hidden";
    if (!s.enabled) out += u" disabled";
    if (s.focused) out += u" focus";
    if (s.checked == BST_CHECKED) out += u" checked";
    if (s.selection >= 0) {
        std::string sel = " sel=" + std::to_string(s.selection);
        out.append(sel.begin(), sel.end());
    }
    out += u"\n";
    for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) DumpWindow(c, depth + 1, out);
}

void DumpStep(HWND h, LPARAM p) {
    auto& action = *reinterpret_cast<Action*>(p);
    DumpWindow(h, 0, action.dump);
    action.result = TRUE;
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" {

BOOL PlatClick(HWND control) {
    Action action;
    return RunOnWindowThread(control, ClickStep, action) && action.result;
}

BOOL PlatType(HWND control, LPCWSTR text) {
    if (text == nullptr) return FALSE;
    Action action;
    action.text = text;
    return RunOnWindowThread(control, TypeStep, action) && action.result;
}

BOOL PlatChoose(HWND control, int index) {
    Action action;
    action.index = index;
    return RunOnWindowThread(control, ChooseStep, action) && action.result;
}

BOOL PlatSpin(HWND upDown, int presses) {
    Action action;
    action.index = presses;
    return RunOnWindowThread(upDown, SpinStep, action) && action.result;
}

BOOL PlatChooseTreeItem(HWND tree, void* item) {
    Action action;
    action.item = item;
    return RunOnWindowThread(tree, ChooseTreeStep, action) && action.result;
}

BOOL PlatToggleTreeItem(HWND tree, void* item) {
    Action action;
    action.item = item;
    return RunOnWindowThread(tree, ToggleTreeStep, action) && action.result;
}

BOOL PlatPressF1(HWND control) {
    Action action;
    return RunOnWindowThread(control, HelpStep, action) && action.result;
}

BOOL PlatRightClick(HWND control) {
    Action action;
    return RunOnWindowThread(control, RightClickStep, action) && action.result;
}

BOOL PlatPressButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    return button ? PlatClick(button) : FALSE;
}

BOOL PlatReadControl(HWND control, PLAT_CONTROL_STATE* state) {
    if (state == nullptr) return FALSE;
    Action action;
    action.state = state;
    return RunOnWindowThread(control, ReadStep, action) && action.result;
}

DWORD PlatDumpWindowTree(HWND root, LPWSTR buffer, DWORD size) {
    Action action;
    if (!RunOnWindowThread(root, DumpStep, action)) return 0;
    return CopyOutString(action.dump, buffer, size);
}

}  // extern "C"
