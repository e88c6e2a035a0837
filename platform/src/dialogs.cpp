// The dialog manager: dialogs built from the templates in resource modules, the modal loop with
// its owner disabled, the default dialog procedure and the dialog-item helpers.
#include <cstdlib>
#include <mutex>
#include <string>

#include "dialog_state.h"
#include "plat/window_test.h"
#include "plat_internal.h"
#include "system_classes.h"
#include "win/user_controls.h"

namespace plat {
namespace {

thread_local PLAT_MODAL_IDLE_HANDLER t_idleHandler = nullptr;
thread_local void* t_idleContext = nullptr;
// The process's handler, for threads without their own (threads the code under test starts).
std::mutex g_processIdleLock;
PLAT_MODAL_IDLE_HANDLER g_processIdleHandler = nullptr;
void* g_processIdleContext = nullptr;

// The scripted user's turn: this thread's handler, else the process's. TRUE when it acted.
bool RunIdleHandler(HWND dialog) {
    if (t_idleHandler) return t_idleHandler(dialog, t_idleContext);
    PLAT_MODAL_IDLE_HANDLER handler;
    void* context;
    {
        std::lock_guard<std::mutex> g(g_processIdleLock);
        handler = g_processIdleHandler;
        context = g_processIdleContext;
    }
    return handler && handler(dialog, context);
}

std::shared_ptr<DialogState> StateOf(HWND h) {
    auto window = FindWindowEntry(h);
    return window ? window->dialog : nullptr;
}

// Messages whose dialog-procedure answer is the result itself rather than DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
    return message == WM_INITDIALOG || (message >= 0x0132 && message <= 0x0138) ||  // WM_CTLCOLOR*
           message == 0x0039 ||                                                     // WM_COMPAREITEM
           message == 0x002E || message == 0x002F ||                                // WM_VKEYTOITEM, WM_CHARTOITEM
           message == 0x0037;                                                       // WM_QUERYDRAGICON
}

RECT DialogUnitsToPixels(SHORT x, SHORT y, SHORT cx, SHORT cy) {
    RECT r{x, y, x + cx, y + cy};
    MapDialogRect(nullptr, &r);
    return r;
}

// Shown and enabled in its own right (the dialog itself may still be hidden).
bool Usable(HWND control) {
    return (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) && IsWindowEnabled(control);
}

// The first control that takes the focus by Tab, or null.
HWND FirstTabStop(HWND dialog) {
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if ((GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) && IsWindowEnabled(c)) return c;
    }
    return nullptr;
}

HWND CreateDialogWindow(HINSTANCE instance, const ORLA_DIALOG_TEMPLATE& t, HWND parent) {
    RECT client = DialogUnitsToPixels(t.x, t.y, t.cx, t.cy);
    DWORD style = t.style & ~WS_VISIBLE;
    HWND h =
        CreateWindowExW(t.exStyle, u"#32770", t.caption, style, client.left, client.top, client.right - client.left,
                        client.bottom - client.top, parent, nullptr, instance, nullptr);
    if (h == nullptr) return nullptr;
    // The template gives the client area; the frame comes on top of it.
    RECT inner, outer;
    GetClientRect(h, &inner);
    GetWindowRect(h, &outer);
    LONG frameX = (outer.right - outer.left) - inner.right, frameY = (outer.bottom - outer.top) - inner.bottom;
    SetWindowPos(h, nullptr, 0, 0, (client.right - client.left) + frameX, (client.bottom - client.top) + frameY,
                 SWP_NOMOVE | SWP_NOZORDER);
    auto window = FindWindowEntry(h);
    window->dialog = std::make_shared<DialogState>();
    return h;
}

bool CreateItems(HINSTANCE instance, const ORLA_DIALOG_TEMPLATE& t, HWND dialog) {
    for (WORD i = 0; i < t.itemCount; ++i) {
        const ORLA_DIALOG_ITEM& item = t.items[i];
        RECT r = DialogUnitsToPixels(item.x, item.y, item.cx, item.cy);
        HWND control = CreateWindowExW(item.exStyle, item.className, item.text, item.style | WS_CHILD, r.left, r.top,
                                       r.right - r.left, r.bottom - r.top, dialog,
                                       reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(item.id)), instance, nullptr);
        if (control == nullptr) return false;
    }
    return true;
}

// Runs the nested loop of a modal dialog until EndDialog, handing idle time to the thread's
// scripted user when one is set.
void RunModalLoop(HWND dialog, DialogState& state) {
    while (!state.ended && IsWindow(dialog)) {
        MSG m;
        if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(m.wParam));  // the outer loop must see it too
                return;
            }
            if (!IsDialogMessageW(dialog, &m)) {
                TranslateMessage(&m);
                DispatchMessageW(&m);
            }
            continue;
        }
        if (RunIdleHandler(dialog)) continue;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
    }
}

// Enter presses the default button, Escape Cancel, Tab moves the focus.
bool HandleDialogKey(HWND dialog, const MSG& m) {
    if (m.message != WM_KEYDOWN) return false;
    HWND focus = GetFocus();
    LRESULT code = focus ? SendMessageW(focus, WM_GETDLGCODE, m.wParam, reinterpret_cast<LPARAM>(&m)) : 0;
    if (code & DLGC_WANTALLKEYS) return false;
    int command = 0;
    if (m.wParam == VK_RETURN) {
        LRESULT def = SendMessageW(dialog, DM_GETDEFID, 0, 0);
        command = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
    } else if (m.wParam == VK_ESCAPE) {
        command = IDCANCEL;
    } else if (m.wParam == VK_TAB && !(code & DLGC_WANTTAB)) {
        if (HWND next = GetNextDlgTabItem(dialog, focus, FALSE)) {
            SetFocus(next);
            if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(next, EM_SETSEL, 0, -1);
        }
        return true;
    } else {
        return false;
    }
    HWND button = GetDlgItem(dialog, command);
    if (button && !IsWindowEnabled(button)) return true;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return true;
}

// The controls from the start of `control`'s group up to the next WS_GROUP control.
std::vector<HWND> GroupOf(HWND dialog, HWND control) {
    std::vector<HWND> all;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) all.push_back(c);
    size_t at = 0;
    while (at < all.size() && all[at] != control) ++at;
    if (at == all.size()) return {};
    size_t first = at;
    while (first > 0 && !(GetWindowLongW(all[first], GWL_STYLE) & WS_GROUP)) --first;
    size_t end = first + 1;
    while (end < all.size() && !(GetWindowLongW(all[end], GWL_STYLE) & WS_GROUP)) ++end;
    return std::vector<HWND>(all.begin() + static_cast<long>(first), all.begin() + static_cast<long>(end));
}

// The next (or previous) usable window of `list` after `from`, wrapping around; `from` itself
// when no other qualifies.
HWND NextUsable(const std::vector<HWND>& list, HWND from, bool previous, DWORD requiredStyle) {
    size_t n = list.size();
    size_t at = 0;
    while (at < n && list[at] != from) ++at;
    for (size_t step = 1; step <= n; ++step) {
        size_t i = at == n ? (previous ? n - step : step - 1) : (previous ? (at + n - step) % n : (at + step) % n);
        HWND c = list[i];
        if (Usable(c) && (GetWindowLongW(c, GWL_STYLE) & requiredStyle) == requiredStyle) return c;
    }
    return from;
}

}  // namespace

const ORLA_DIALOG_TEMPLATE* LoadDialogTemplate(HINSTANCE instance, LPCWSTR name) {
    HRSRC found = FindResourceW(instance, name, RT_DIALOG);
    if (found == nullptr) return nullptr;
    HGLOBAL loaded = LoadResource(instance, found);
    auto t = static_cast<const ORLA_DIALOG_TEMPLATE*>(LockResource(loaded));
    if (t == nullptr || SizeofResource(instance, found) != sizeof(ORLA_DIALOG_TEMPLATE) ||
        t->signature != ORLA_DIALOG_SIGNATURE || (t->itemCount > 0 && t->items == nullptr)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return t;
}

HWND CreateDialogFromTemplate(HINSTANCE instance, const ORLA_DIALOG_TEMPLATE& t, HWND parent, DLGPROC proc,
                              LPARAM param) {
    HWND h = CreateDialogWindow(instance, t, parent);
    if (h == nullptr) return nullptr;
    SetWindowLongPtrW(h, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
    if (!CreateItems(instance, t, h)) {
        DWORD error = GetLastError();
        DestroyWindow(h);
        SetLastError(error);
        return nullptr;
    }
    HWND first = FirstTabStop(h);
    if (SendMessageW(h, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param) && first && IsWindow(first)) {
        SetFocus(first);
    }
    if (IsWindow(h) && (t.style & WS_VISIBLE)) ShowWindow(h, SW_SHOW);
    return IsWindow(h) ? h : nullptr;
}

INT_PTR RunModalDialog(HWND dialog, HWND owner) {
    auto state = StateOf(dialog);
    if (!state) return -1;
    state->modal = true;
    bool disabledOwner = owner && !state->ended && IsWindowEnabled(owner);
    if (disabledOwner) EnableWindow(owner, FALSE);
    if (!state->ended) ShowWindow(dialog, SW_SHOW);
    RunModalLoop(dialog, *state);
    if (disabledOwner) EnableWindow(owner, TRUE);
    INT_PTR result = state->result;
    if (IsWindow(dialog)) DestroyWindow(dialog);
    return result;
}

LRESULT CALLBACK DialogClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefDlgProcW(hwnd, message, wParam, lParam);
}

ThreadModalIdle CurrentThreadModalIdle() {
    return ThreadModalIdle{t_idleHandler, t_idleContext};
}

}  // namespace plat

using namespace plat;

extern "C" {

void PlatSetModalIdleHandler(PLAT_MODAL_IDLE_HANDLER handler, void* context) {
    t_idleHandler = handler;
    t_idleContext = context;
}

void PlatSetProcessModalIdleHandler(PLAT_MODAL_IDLE_HANDLER handler, void* context) {
    std::lock_guard<std::mutex> g(g_processIdleLock);
    g_processIdleHandler = handler;
    g_processIdleContext = context;
}

HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam) {
    const ORLA_DIALOG_TEMPLATE* t = LoadDialogTemplate(hInstance, lpTemplateName);
    return t ? CreateDialogFromTemplate(hInstance, *t, hWndParent, lpDialogFunc, dwInitParam) : nullptr;
}

// -1 when the dialog could not be made, else the value given to EndDialog.
INT_PTR DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam) {
    const ORLA_DIALOG_TEMPLATE* t = LoadDialogTemplate(hInstance, lpTemplateName);
    if (t == nullptr) return -1;
    ORLA_DIALOG_TEMPLATE popup = *t;
    popup.style &= ~WS_CHILD;
    HWND owner = hWndParent ? GetAncestor(hWndParent, GA_ROOT) : nullptr;
    HWND h = CreateDialogFromTemplate(hInstance, popup, owner, lpDialogFunc, dwInitParam);
    return h ? RunModalDialog(h, owner) : -1;
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult) {
    auto state = StateOf(hDlg);
    if (!state) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    state->ended = true;
    state->result = nResult;
    // The dialog leaves the screen at once, as on Windows; a modal one is destroyed only when its
    // loop next looks, and until then nothing may take it for a dialog still open.
    ShowWindow(hDlg, SW_HIDE);
    PostMessageW(hDlg, WM_NULL, 0, 0);  // wakes the modal loop
    return TRUE;
}

LRESULT DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
    auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(hDlg, DWLP_DLGPROC));
    if (proc) {
        SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, 0);
        INT_PTR handled = proc(hDlg, Msg, wParam, lParam);
        if (AnswersDirectly(Msg)) {
            if (handled || Msg == WM_INITDIALOG) return handled;
        } else if (handled) {
            return IsWindow(hDlg) ? GetWindowLongPtrW(hDlg, DWLP_MSGRESULT) : 0;
        }
    }
    if (!IsWindow(hDlg)) return 0;
    switch (Msg) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_CLOSE:
            PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
            return 0;
        case DM_GETDEFID: {
            for (HWND c = GetWindow(hDlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                if ((GetWindowLongW(c, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON &&
                    SendMessageW(c, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) {
                    return MAKELPARAM(GetDlgCtrlID(c), DC_HASDEFID);
                }
            }
            return 0;
        }
    }
    return DefWindowProcW(hDlg, Msg, wParam, lParam);
}

BOOL IsDialogMessageW(HWND hDlg, LPMSG lpMsg) {
    if (lpMsg == nullptr || hDlg == nullptr) return FALSE;
    if (lpMsg->hwnd != hDlg && !IsChild(hDlg, lpMsg->hwnd)) return FALSE;
    if (!HandleDialogKey(hDlg, *lpMsg)) DispatchMessageW(lpMsg);
    return TRUE;
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
    for (HWND c = GetWindow(hDlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(c) == nIDDlgItem) return c;
    }
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int GetDlgCtrlID(HWND hWnd) {
    return static_cast<int>(GetWindowLongPtrW(hWnd, GWLP_ID));
}

BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString) {
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SetWindowTextW(item, lpString) : FALSE;
}

UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax) {
    if (lpString == nullptr || cchMax <= 0) return 0;
    lpString[0] = 0;
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? static_cast<UINT>(GetWindowTextW(item, lpString, cchMax)) : 0;
}

BOOL SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned) {
    std::u16string text;
    std::string digits = bSigned ? std::to_string(static_cast<int>(uValue)) : std::to_string(uValue);
    for (char c : digits) text.push_back(static_cast<char16_t>(c));
    return SetDlgItemTextW(hDlg, nIDDlgItem, text.c_str());
}

// Leading and trailing blanks are allowed, anything else that is not a digit fails the read.
UINT GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL* lpTranslated, BOOL bSigned) {
    if (lpTranslated) *lpTranslated = FALSE;
    WCHAR buffer[64];
    if (GetDlgItemTextW(hDlg, nIDDlgItem, buffer, 64) == 0) return 0;
    std::u16string_view text(buffer);
    while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
    bool negative = bSigned && !text.empty() && text.front() == u'-';
    if (negative) text.remove_prefix(1);
    if (text.empty()) return 0;
    unsigned long long value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return 0;
        value = value * 10 + static_cast<unsigned>(c - u'0');
        if (value > (bSigned ? 0x80000000ull : 0xFFFFFFFFull)) return 0;
    }
    if (bSigned && !negative && value > 0x7FFFFFFFull) return 0;
    if (lpTranslated) *lpTranslated = TRUE;
    return negative ? static_cast<UINT>(-static_cast<long long>(value)) : static_cast<UINT>(value);
}

LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
    HWND item = GetDlgItem(hDlg, nIDDlgItem);
    return item ? SendMessageW(item, Msg, wParam, lParam) : 0;
}

BOOL CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
    HWND item = GetDlgItem(hDlg, nIDButton);
    if (item == nullptr) return FALSE;
    SendMessageW(item, BM_SETCHECK, uCheck, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND hDlg, int nIDButton) {
    return static_cast<UINT>(SendDlgItemMessageW(hDlg, nIDButton, BM_GETCHECK, 0, 0));
}

BOOL CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton) {
    if (nIDFirstButton > nIDLastButton) return FALSE;
    for (int id = nIDFirstButton; id <= nIDLastButton; ++id) {
        HWND item = GetDlgItem(hDlg, id);
        if (item) SendMessageW(item, BM_SETCHECK, id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    return TRUE;
}

HWND GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
    auto group = GroupOf(hDlg, hCtl);
    return group.empty() ? nullptr : NextUsable(group, hCtl, bPrevious, 0);
}

HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
    std::vector<HWND> all;
    for (HWND c = GetWindow(hDlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) all.push_back(c);
    if (all.empty()) return nullptr;
    return NextUsable(all, hCtl, bPrevious, WS_TABSTOP);
}

}  // extern "C"
