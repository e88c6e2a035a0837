// The scroll bar control (SBS_HORZ, SBS_VERT): a range, a page and a position the program sets,
// and the user's arrow presses, track clicks, thumb drags and keys reported to the parent as
// WM_HSCROLL or WM_VSCROLL, each action closed by SB_ENDSCROLL. As on Windows the bar never moves
// its own position: the parent answers by setting it.
#include <algorithm>
#include <climits>

#include "plat_internal.h"
#include "scrollbar_layout.h"
#include "system_classes.h"
#include "win/user_controls.h"

namespace plat {
namespace {

struct ScrollBarState {
    int min = 0;  // a control's range starts empty
    int max = 0;
    UINT page = 0;
    int position = 0;
    bool tracking = false;  // the thumb is held
    int trackPosition = 0;
    LONG grab = 0;  // where along the thumb it was taken
};

bool Vertical(HWND h) {
    return (GetWindowLongW(h, GWL_STYLE) & SBS_VERT) != 0;
}

// Keeps the page within the range and the position within what the page leaves.
void Settle(ScrollBarState& s) {
    const long long span = static_cast<long long>(s.max) - s.min + 1;
    if (static_cast<long long>(s.page) > span) s.page = static_cast<UINT>(span);
    s.position = std::clamp(s.position, s.min, LastScrollPosition(s.min, s.max, s.page));
}

bool ValidRange(int min, int max) {
    return min <= max && static_cast<long long>(max) - min <= INT_MAX;
}

// SBM_SETSCROLLINFO: the fields under the mask; the position it settles on.
LRESULT SetInfo(ScrollBarState& s, const SCROLLINFO* info) {
    if (info == nullptr || info->cbSize != sizeof(SCROLLINFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return s.position;
    }
    if (info->fMask & SIF_RANGE) {
        if (!ValidRange(info->nMin, info->nMax)) {
            SetLastError(ERROR_INVALID_SCROLLBAR_RANGE);
            return s.position;
        }
        s.min = info->nMin;
        s.max = info->nMax;
    }
    if (info->fMask & SIF_PAGE) s.page = info->nPage;
    if (info->fMask & SIF_POS) s.position = info->nPos;
    Settle(s);
    return s.position;
}

LRESULT GetInfo(const ScrollBarState& s, SCROLLINFO* info) {
    if (info == nullptr || info->cbSize != sizeof(SCROLLINFO) || (info->fMask & SIF_ALL) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (info->fMask & SIF_RANGE) info->nMin = s.min, info->nMax = s.max;
    if (info->fMask & SIF_PAGE) info->nPage = s.page;
    if (info->fMask & SIF_POS) info->nPos = s.position;
    if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s.tracking ? s.trackPosition : s.position;
    return TRUE;
}

// SBM_SETRANGE: the old position when the new range moved it, else 0.
LRESULT SetRange(ScrollBarState& s, int min, int max) {
    if (!ValidRange(min, max)) {
        SetLastError(ERROR_INVALID_SCROLLBAR_RANGE);
        return 0;
    }
    const int old = s.position;
    s.min = min;
    s.max = max;
    Settle(s);
    return s.position != old ? old : 0;
}

LRESULT SetPosition(ScrollBarState& s, int position) {
    const int old = s.position;
    s.position = position;
    Settle(s);
    return old;
}

// ---- The user ----

// One message to the parent: the code, and the thumb's place for the thumb codes.
void Report(HWND h, WORD code, int thumb) {
    HWND parent = GetParent(h);
    if (parent == nullptr) return;
    const bool withThumb = code == SB_THUMBTRACK || code == SB_THUMBPOSITION;
    SendMessageW(parent, Vertical(h) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, withThumb ? thumb : 0),
                 reinterpret_cast<LPARAM>(h));
}

bool UserCanReach(HWND h) {
    return IsWindowEnabled(h) && IsWindowVisible(h);
}

// The thumb taken, moved to `target` (kept on the track) and let go.
void DragThumb(HWND h, ScrollBarState& s, int target) {
    s.tracking = true;
    s.trackPosition = std::clamp(target, s.min, LastScrollPosition(s.min, s.max, s.page));
    Report(h, SB_THUMBTRACK, s.trackPosition);
    Report(h, SB_THUMBPOSITION, s.trackPosition);
    s.tracking = false;
    Report(h, SB_ENDSCROLL, 0);
}

// kUserScroll: an arrow or the track clicked, the thumb dragged, or an end reached from the
// keyboard; every action ends with SB_ENDSCROLL when the button or key comes up.
LRESULT UserScroll(HWND h, ScrollBarState& s, WPARAM code, int target) {
    if (!UserCanReach(h) || code > SB_ENDSCROLL) return FALSE;
    if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) {
        DragThumb(h, s, target);
        return TRUE;
    }
    if (code != SB_ENDSCROLL) Report(h, static_cast<WORD>(code), 0);
    Report(h, SB_ENDSCROLL, 0);
    return TRUE;
}

// The code a key gives while the bar has the focus (-1: none).
int KeyCode(WPARAM key) {
    switch (key) {
        case VK_LEFT:
        case VK_UP:
            return SB_LINEUP;
        case VK_RIGHT:
        case VK_DOWN:
            return SB_LINEDOWN;
        case VK_PRIOR:
            return SB_PAGEUP;
        case VK_NEXT:
            return SB_PAGEDOWN;
        case VK_HOME:
            return SB_TOP;
        case VK_END:
            return SB_BOTTOM;
    }
    return -1;
}

ScrollBarParts PartsOf(HWND h, const ScrollBarState& s) {
    RECT client{};
    GetClientRect(h, &client);
    return ScrollBarLayout(client, Vertical(h), s.min, s.max, s.page, s.tracking ? s.trackPosition : s.position);
}

LONG Along(HWND h, LPARAM at) {
    return Vertical(h) ? static_cast<SHORT>(HIWORD(at)) : static_cast<SHORT>(LOWORD(at));
}

LONG Start(HWND h, const RECT& r) {
    return Vertical(h) ? r.top : r.left;
}

LONG End(HWND h, const RECT& r) {
    return Vertical(h) ? r.bottom : r.right;
}

// The button pressed: an arrow scrolls a line, the track a page towards the press, the thumb is
// taken for a drag.
void Press(HWND h, ScrollBarState& s, LPARAM at) {
    SetCapture(h);
    const ScrollBarParts p = PartsOf(h, s);
    const LONG x = Along(h, at);
    if (x < End(h, p.before)) return Report(h, SB_LINEUP, 0);
    if (x >= Start(h, p.after)) return Report(h, SB_LINEDOWN, 0);
    if (End(h, p.thumb) == Start(h, p.thumb)) return;  // no thumb: the track does nothing
    if (x < Start(h, p.thumb)) return Report(h, SB_PAGEUP, 0);
    if (x >= End(h, p.thumb)) return Report(h, SB_PAGEDOWN, 0);
    s.tracking = true;
    s.trackPosition = s.position;
    s.grab = x - Start(h, p.thumb);
}

// The held thumb follows the mouse; each new place is reported.
void Track(HWND h, ScrollBarState& s, LPARAM at) {
    if (!s.tracking) return;
    const ScrollBarParts p = PartsOf(h, s);
    const LONG room = (End(h, p.track) - Start(h, p.track)) - (End(h, p.thumb) - Start(h, p.thumb));
    const long long travel = static_cast<long long>(LastScrollPosition(s.min, s.max, s.page)) - s.min;
    if (room <= 0 || travel <= 0) return;
    const LONG offset = std::clamp<LONG>(Along(h, at) - s.grab - Start(h, p.track), 0, room);
    const int target = static_cast<int>(s.min + (offset * travel + room / 2) / room);
    if (target == s.trackPosition) return;
    s.trackPosition = target;
    Report(h, SB_THUMBTRACK, target);
}

void Release(HWND h, ScrollBarState& s) {
    if (GetCapture() == h) ReleaseCapture();
    if (s.tracking) {
        Report(h, SB_THUMBPOSITION, s.trackPosition);
        s.tracking = false;
    }
    Report(h, SB_ENDSCROLL, 0);
}

LRESULT InputMessage(HWND h, ScrollBarState& s, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (message) {
        case kUserScroll:
            return UserScroll(h, s, wParam, static_cast<int>(lParam));
        case WM_KEYDOWN:
            if (KeyCode(wParam) >= 0) Report(h, static_cast<WORD>(KeyCode(wParam)), 0);
            return 0;
        case WM_KEYUP:
            if (KeyCode(wParam) >= 0) Report(h, SB_ENDSCROLL, 0);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_LBUTTONDOWN:
            Press(h, s, lParam);
            return 0;
        case WM_MOUSEMOVE:
            Track(h, s, lParam);
            return 0;
        case WM_LBUTTONUP:
            if (GetCapture() == h) Release(h, s);
            return 0;
    }
    handled = false;
    return 0;
}

LRESULT BarMessage(HWND h, ScrollBarState& s, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (message) {
        case SBM_SETPOS:
            return SetPosition(s, static_cast<int>(wParam));
        case SBM_GETPOS:
            return s.position;
        case SBM_SETRANGE:
        case SBM_SETRANGEREDRAW:
            return SetRange(s, static_cast<int>(wParam), static_cast<int>(lParam));
        case SBM_GETRANGE:
            if (auto* min = reinterpret_cast<int*>(wParam)) *min = s.min;
            if (auto* max = reinterpret_cast<int*>(lParam)) *max = s.max;
            return 0;
        case SBM_SETSCROLLINFO:
            return SetInfo(s, reinterpret_cast<const SCROLLINFO*>(lParam));
        case SBM_GETSCROLLINFO:
            return GetInfo(s, reinterpret_cast<SCROLLINFO*>(lParam));
    }
    handled = false;
    return 0;
}

}  // namespace

LRESULT CALLBACK ScrollBarProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) {
        FreeControlState<ScrollBarState>(h);
        return DefWindowProcW(h, message, wParam, lParam);
    }
    ScrollBarState& s = *ControlState<ScrollBarState>(h);
    for (auto handler : {BarMessage, InputMessage}) {
        bool handled = true;
        const LRESULT answer = handler(h, s, message, wParam, lParam, handled);
        if (handled) return answer;
    }
    return DefWindowProcW(h, message, wParam, lParam);
}

}  // namespace plat

namespace {

// SB_CTL calls reach a scroll bar control; a window's own bars are not kept.
bool IsBarControl(HWND h, int bar) {
    if (bar != SB_CTL) {
        SetLastError(bar == SB_HORZ || bar == SB_VERT ? ERROR_NO_SCROLLBARS : ERROR_INVALID_PARAMETER);
        return false;
    }
    WCHAR name[32] = {};
    if (!IsWindow(h) || !GetClassNameW(h, name, 32) || !plat::EqualNoCase(name, u"ScrollBar")) {
        SetLastError(IsWindow(h) ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    return true;
}

}  // namespace

extern "C" {

int SetScrollInfo(HWND hWnd, int nBar, LPCSCROLLINFO lpsi, BOOL redraw) {
    if (!IsBarControl(hWnd, nBar)) return 0;
    return static_cast<int>(
        SendMessageW(hWnd, SBM_SETSCROLLINFO, static_cast<WPARAM>(redraw), reinterpret_cast<LPARAM>(lpsi)));
}

BOOL GetScrollInfo(HWND hWnd, int nBar, LPSCROLLINFO lpsi) {
    if (!IsBarControl(hWnd, nBar)) return FALSE;
    return static_cast<BOOL>(SendMessageW(hWnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(lpsi)));
}

int SetScrollPos(HWND hWnd, int nBar, int nPos, BOOL bRedraw) {
    if (!IsBarControl(hWnd, nBar)) return 0;
    return static_cast<int>(SendMessageW(hWnd, SBM_SETPOS, static_cast<WPARAM>(nPos), bRedraw));
}

int GetScrollPos(HWND hWnd, int nBar) {
    if (!IsBarControl(hWnd, nBar)) return 0;
    return static_cast<int>(SendMessageW(hWnd, SBM_GETPOS, 0, 0));
}

BOOL SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, BOOL bRedraw) {
    if (!IsBarControl(hWnd, nBar)) return FALSE;
    if (nMinPos > nMaxPos || static_cast<long long>(nMaxPos) - nMinPos > INT_MAX) {
        SetLastError(ERROR_INVALID_SCROLLBAR_RANGE);
        return FALSE;
    }
    SendMessageW(hWnd, bRedraw ? SBM_SETRANGEREDRAW : SBM_SETRANGE, static_cast<WPARAM>(nMinPos), nMaxPos);
    return TRUE;
}

BOOL GetScrollRange(HWND hWnd, int nBar, LPINT lpMinPos, LPINT lpMaxPos) {
    if (lpMinPos == nullptr || lpMaxPos == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!IsBarControl(hWnd, nBar)) return FALSE;
    SendMessageW(hWnd, SBM_GETRANGE, reinterpret_cast<WPARAM>(lpMinPos), reinterpret_cast<LPARAM>(lpMaxPos));
    return TRUE;
}

}  // extern "C"
