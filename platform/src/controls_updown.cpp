// The up-down control with its buddy: a user's arrow press asks the parent first (UDN_DELTAPOS,
// which can refuse), then writes the new position into the buddy and reports WM_VSCROLL.
#include <algorithm>
#include <string>

#include "plat_internal.h"
#include "system_classes.h"
#include "win/user_controls.h"

namespace plat {
namespace {

struct UpDownState {
    int lower = 100;  // Windows' default range runs from 100 down to 0
    int upper = 0;
    int position = 0;
    HWND buddy = nullptr;
};

int Clamp(const UpDownState& s, int value) {
    return std::clamp(value, std::min(s.lower, s.upper), std::max(s.lower, s.upper));
}

void ShowInBuddy(HWND h, const UpDownState& s) {
    if (!s.buddy || !(GetWindowLongW(h, GWL_STYLE) & UDS_SETBUDDYINT)) return;
    std::string digits = std::to_string(s.position);
    std::u16string text(digits.begin(), digits.end());
    SetWindowTextW(s.buddy, text.c_str());
}

// The position the buddy's text holds; false when it is not a number in the range.
bool ReadBuddy(const UpDownState& s, int& value) {
    WCHAR buffer[32];
    int n = GetWindowTextW(s.buddy, buffer, 32);
    if (n <= 0) return false;
    long long v = 0;
    int sign = buffer[0] == u'-' ? -1 : 1;
    for (int i = sign < 0 ? 1 : 0; i < n; ++i) {
        if (buffer[i] == u',') continue;
        if (buffer[i] < u'0' || buffer[i] > u'9' || v > 0x7FFFFFFF) return false;
        v = v * 10 + (buffer[i] - u'0');
    }
    v *= sign;
    if (v < std::min(s.lower, s.upper) || v > std::max(s.lower, s.upper)) return false;
    value = static_cast<int>(v);
    return true;
}

LRESULT GetPosition(HWND h, UpDownState& s, bool wide, LPARAM errorOut) {
    bool ok = true;
    if (s.buddy && (GetWindowLongW(h, GWL_STYLE) & UDS_SETBUDDYINT)) {
        int read = s.position;
        ok = ReadBuddy(s, read);
        if (ok) s.position = read;
    }
    if (wide) {
        if (auto* error = reinterpret_cast<BOOL*>(errorOut)) *error = ok ? FALSE : TRUE;
        return s.position;
    }
    return MAKELPARAM(s.position, ok ? 0 : 1);
}

// A user's press of the arrows, `steps` times up (negative: down).
LRESULT Spin(HWND h, UpDownState& s, int steps) {
    if (!IsWindowEnabled(h) || steps == 0) return FALSE;
    GetPosition(h, s, true, 0);
    int delta = s.upper >= s.lower ? steps : -steps;
    NMUPDOWN notice{NMHDR{h, static_cast<UINT_PTR>(GetDlgCtrlID(h)), UDN_DELTAPOS}, s.position, delta};
    HWND parent = GetParent(h);
    if (parent &&
        SendMessageW(parent, WM_NOTIFY, static_cast<WPARAM>(GetDlgCtrlID(h)), reinterpret_cast<LPARAM>(&notice))) {
        return TRUE;  // the parent refused the change
    }
    int target = s.position + notice.iDelta;
    int low = std::min(s.lower, s.upper), high = std::max(s.lower, s.upper);
    if ((GetWindowLongW(h, GWL_STYLE) & UDS_WRAP) && (target < low || target > high)) {
        target = target < low ? high : low;
    }
    s.position = Clamp(s, target);
    ShowInBuddy(h, s);
    if (parent) SendMessageW(parent, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, s.position), reinterpret_cast<LPARAM>(h));
    if (parent) SendMessageW(parent, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, s.position), reinterpret_cast<LPARAM>(h));
    return TRUE;
}

LRESULT SetBuddy(HWND h, UpDownState& s, HWND buddy) {
    HWND old = s.buddy;
    s.buddy = buddy;
    ShowInBuddy(h, s);
    return reinterpret_cast<LRESULT>(old);
}

LRESULT SetPosition(HWND h, UpDownState& s, int value) {
    int old = s.position;
    s.position = Clamp(s, value);
    ShowInBuddy(h, s);
    return old;
}

}  // namespace

LRESULT CALLBACK UpDownProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) {
        FreeControlState<UpDownState>(h);
        return DefWindowProcW(h, message, wParam, lParam);
    }
    UpDownState& s = *ControlState<UpDownState>(h);
    switch (message) {
        case WM_CREATE:
            // An auto-buddy takes the control made just before it.
            if (GetWindowLongW(h, GWL_STYLE) & UDS_AUTOBUDDY) SetBuddy(h, s, GetWindow(h, GW_HWNDPREV));
            return 0;
        case UDM_SETRANGE:
            s.upper = static_cast<SHORT>(LOWORD(lParam));
            s.lower = static_cast<SHORT>(HIWORD(lParam));
            s.position = Clamp(s, s.position);
            return 0;
        case UDM_GETRANGE:
            return MAKELPARAM(s.upper, s.lower);
        case UDM_SETRANGE32:
            s.lower = static_cast<int>(wParam);
            s.upper = static_cast<int>(lParam);
            s.position = Clamp(s, s.position);
            return 0;
        case UDM_GETRANGE32:
            if (wParam) *reinterpret_cast<int*>(wParam) = s.lower;
            if (lParam) *reinterpret_cast<int*>(lParam) = s.upper;
            return 0;
        case UDM_SETPOS:
            return SetPosition(h, s, static_cast<SHORT>(LOWORD(lParam)));
        case UDM_SETPOS32:
            return SetPosition(h, s, static_cast<int>(lParam));
        case UDM_GETPOS:
            return GetPosition(h, s, false, 0);
        case UDM_GETPOS32:
            return GetPosition(h, s, true, lParam);
        case UDM_SETBUDDY:
            return SetBuddy(h, s, reinterpret_cast<HWND>(wParam));
        case UDM_GETBUDDY:
            return reinterpret_cast<LRESULT>(s.buddy);
        case kUserSpin:
            return Spin(h, s, static_cast<int>(wParam));
    }
    return DefWindowProcW(h, message, wParam, lParam);
}

}  // namespace plat
