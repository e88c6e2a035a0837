// The test dialog's procedure and the log of what its controls told it, shared by the dialog
// and control tests.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "plat/window_test.h"
#include "tests/platform_ui/ui_test_ids.h"
#include "tests/platform_ui/window_fixture.h"
#include "win/user_controls.h"

namespace uitest {

struct Notice {
    int id;
    int code;
    bool operator==(const Notice&) const = default;
};

// What one run of the test dialog saw; DWLP_USER points at it.
struct DialogRun {
    std::vector<Notice> notices;
    std::atomic<HWND> dialog{nullptr};
    std::u16string editAtOk;
};

inline constexpr UINT kAskResult = WM_USER + 50;
inline constexpr int kHelpNotice = 9001;     // WM_HELP, logged with the control id it names
inline constexpr int kContextNotice = 9002;  // WM_CONTEXTMENU, logged with the clicked window's id
inline constexpr LONG_PTR kAskedResult = 77;

inline INT_PTR CALLBACK TestDialogProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    auto* run = reinterpret_cast<DialogRun*>(GetWindowLongPtrW(h, DWLP_USER));
    switch (m) {
        case WM_INITDIALOG: {
            run = reinterpret_cast<DialogRun*>(l);
            SetWindowLongPtrW(h, DWLP_USER, l);
            for (const WCHAR* paper : {u"A4", u"Letter", u"B5"}) {
                SendDlgItemMessageW(h, kIdCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(paper));
            }
            SendDlgItemMessageW(h, kIdCombo, CB_SETCURSEL, 0, 0);
            SetDlgItemTextW(h, kIdEdit, u"1");
            SendDlgItemMessageW(h, kIdSpin, UDM_SETRANGE32, 1, 999);
            CheckRadioButton(h, kIdRadioA, kIdRadioC, kIdRadioA);
            run->dialog = h;
            return TRUE;
        }
        case WM_COMMAND:
            if (run == nullptr) return FALSE;
            run->notices.push_back(Notice{LOWORD(w), HIWORD(w)});
            if ((LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) && HIWORD(w) == BN_CLICKED) {
                WCHAR text[64];
                GetDlgItemTextW(h, kIdEdit, text, 64);
                run->editAtOk = text;
                EndDialog(h, LOWORD(w));
            }
            return TRUE;
        case WM_NOTIFY: {
            auto* notice = reinterpret_cast<NMHDR*>(l);
            if (run && notice->code == UDN_DELTAPOS) {
                run->notices.push_back(Notice{static_cast<int>(notice->idFrom), -1});
                // A refusal the test can ask for: more than 5 presses at once.
                SetWindowLongPtrW(h, DWLP_MSGRESULT, reinterpret_cast<NMUPDOWN*>(l)->iDelta > 5);
            }
            return TRUE;
        }
        case WM_HELP:
            if (run) run->notices.push_back(Notice{reinterpret_cast<HELPINFO*>(l)->iCtrlId, kHelpNotice});
            return TRUE;
        case WM_CONTEXTMENU:
            if (run) run->notices.push_back(Notice{GetDlgCtrlID(reinterpret_cast<HWND>(w)), kContextNotice});
            return TRUE;
        case WM_VSCROLL:
            if (run) run->notices.push_back(Notice{GetDlgCtrlID(reinterpret_cast<HWND>(l)), 1000 + LOWORD(w)});
            return TRUE;
        case kAskResult:
            SetWindowLongPtrW(h, DWLP_MSGRESULT, kAskedResult);
            return TRUE;
    }
    return FALSE;
}

// A scripted user: each idle turn of the modal loop runs the next step; when the steps run
// out with the dialog still open it presses Cancel, so a broken dialog fails instead of hanging.
struct Script {
    std::vector<std::function<void(HWND)>> steps;
    size_t next = 0;
    bool ranOut = false;
    static BOOL Turn(HWND dialog, void* context) {
        auto& s = *static_cast<Script*>(context);
        if (s.next < s.steps.size()) {
            s.steps[s.next++](dialog);
            return TRUE;
        }
        if (s.ranOut) return FALSE;
        s.ranOut = true;
        PlatPressButton(dialog, IDCANCEL);
        return TRUE;
    }
};

struct ScriptScope {
    explicit ScriptScope(Script& s) { PlatSetModalIdleHandler(Script::Turn, &s); }
    ~ScriptScope() { PlatSetModalIdleHandler(nullptr, nullptr); }
};

inline HMODULE DialogModule() {
    static ModuleHolder module(u"UiTestDialogs.dll");
    return module.h;
}

}  // namespace uitest
