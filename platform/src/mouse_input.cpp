// The one mouse and keyboard of the headless desktop: the pointer's place, the cursor shown,
// mouse capture and the keys held, and the scripted user's mouse and key actions. Input reaches
// windows in Windows' order: WM_NCHITTEST and WM_SETCURSOR (not while the mouse is captured),
// then the mouse message in the client coordinates of the window under the pointer (or of the
// capture window). Each action runs on the receiving window's own thread.
#include <algorithm>
#include <mutex>
#include <set>
#include <utility>

#include "plat/window_test.h"
#include "plat_internal.h"
#include "system_classes.h"
#include "win/user_controls.h"
#include "window_input_paint.h"
#include "window_table.h"

namespace plat {
namespace {

// The system's cursors: shared handles numbered from a base no other handle table uses.
constexpr ULONG_PTR kCursorBase = 0x7B00;
constexpr WORD kSystemCursors[] = {32512, 32513, 32514, 32515, 32516, 32642, 32643,
                                   32644, 32645, 32646, 32648, 32649, 32650, 32651};
// Key-up messages carry the previous-state and transition bits; both carry a repeat count of 1.
constexpr LPARAM kKeyDownBits = 0x00000001;
constexpr LPARAM kKeyUpBits = 0xC0000001;
constexpr UINT kVkLeftButton = 0x01;

HCURSOR CursorHandle(size_t index) {
    return reinterpret_cast<HCURSOR>(kCursorBase + index);
}

struct Mouse {
    std::mutex lock;
    POINT position{0, 0};
    HCURSOR cursor = CursorHandle(0);  // the arrow
    HWND capture = nullptr;
    DWORD captureThread = 0;
    bool leftDown = false;
    std::set<UINT> keysDown;
};

Mouse& mouse() {
    static Mouse* m = new Mouse;
    return *m;
}

bool PointIn(const RECT& r, POINT p) {
    return p.x >= r.left && p.y >= r.top && p.x < r.right && p.y < r.bottom;
}

bool ClassIs(HWND h, std::u16string_view name) {
    WCHAR buffer[64];
    GetClassNameW(h, buffer, 64);
    return EqualNoCase(buffer, name);
}

// Statics without SS_NOTIFY and group boxes let the mouse through to what lies under them.
bool Transparent(HWND h) {
    DWORD style = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
    if (ClassIs(h, u"Static")) return !(style & SS_NOTIFY);
    return ClassIs(h, u"Button") && (style & BS_TYPEMASK) == BS_GROUPBOX;
}

// The newest shown top-level window under the point (the desktop excepted).
HWND TopLevelAt(POINT screen) {
    std::vector<HWND> tops;
    {
        Windows& w = WindowTable();
        std::lock_guard<std::mutex> g(w.lock);
        for (auto it = w.byHandle.rbegin(); it != w.byHandle.rend(); ++it) {
            const Window& window = *it->second;
            if (!window.messageOnly && !(window.style & WS_CHILD) && (window.style & WS_VISIBLE) &&
                !window.destroying && window.className != u"#32769")
                tops.push_back(window.self);
        }
    }
    for (HWND h : tops) {
        RECT r;
        if (GetWindowRect(h, &r) && PointIn(r, screen)) return h;
    }
    return nullptr;
}

// The deepest shown, enabled child under the point, or the parent itself.
HWND DeepestChildAt(HWND parent, POINT screen) {
    RECT client{};
    GetClientRect(parent, &client);
    POINT local = screen;
    ScreenToClient(parent, &local);
    if (!PointIn(client, local)) return parent;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        if (!IsWindowVisible(child) || !IsWindowEnabled(child) || !GetWindowRect(child, &r)) continue;
        if (!PointIn(r, screen) || Transparent(child)) continue;
        return DeepestChildAt(child, screen);
    }
    return parent;
}

// The window that gets mouse input at the point: the capture window, else the window under it.
// Null when nothing takes it (no window there, or a window disabled by a modal dialog).
HWND MouseTarget(POINT screen, bool& captured) {
    HWND capture = nullptr;
    {
        Mouse& m = mouse();
        std::lock_guard<std::mutex> g(m.lock);
        capture = m.capture;
    }
    captured = capture != nullptr && IsWindow(capture);
    if (captured) return capture;
    HWND top = TopLevelAt(screen);
    if (top == nullptr || !IsWindowEnabled(top)) return nullptr;
    return DeepestChildAt(top, screen);
}

WPARAM MouseKeys() {
    Mouse& m = mouse();
    std::lock_guard<std::mutex> g(m.lock);
    WPARAM keys = m.leftDown ? MK_LBUTTON : 0;
    if (m.keysDown.count(VK_SHIFT)) keys |= MK_SHIFT;
    if (m.keysDown.count(VK_CONTROL)) keys |= MK_CONTROL;
    return keys;
}

// One user action: a mouse message at a screen point, or a key.
struct InputAction {
    UINT message = 0;
    POINT screen{};
    bool captured = false;  // the capture window takes the message: no hit test, no cursor
    UINT vk = 0;
    bool focusFirst = false;  // a named control takes the focus before the key
    BOOL result = FALSE;
};

// Runs an input step on the window's own thread: here at once, else through the window's
// procedure (the default procedure runs it), so a window of another thread sees input in its loop.
void RunOnWindowThread(HWND h, void (*step)(HWND, LPARAM), InputAction& action) {
    if (GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId()) {
        step(h, reinterpret_cast<LPARAM>(&action));
        return;
    }
    SendMessageW(h, kUserAction, reinterpret_cast<WPARAM>(step), reinterpret_cast<LPARAM>(&action));
}

// Moves the pointer made by SetCursorPos and not yet taken come first, as input keeps its order.
void TakePendingMoves() {
    MSG m;
    while (PeekMessageW(&m, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE)) DispatchMessageW(&m);
}

void MouseStep(HWND h, LPARAM p) {
    auto& action = *reinterpret_cast<InputAction*>(p);
    TakePendingMoves();
    if (!IsWindow(h)) return;
    if (!action.captured) {
        LPARAM at = MAKELPARAM(action.screen.x, action.screen.y);
        auto hit = static_cast<short>(SendMessageW(h, WM_NCHITTEST, 0, at));
        SendMessageW(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(hit, action.message));
        if (hit != HTCLIENT || !IsWindow(h)) {
            action.result = TRUE;  // the frame's messages are not modelled
            return;
        }
    }
    POINT client = action.screen;
    ScreenToClient(h, &client);
    SendMessageW(h, action.message, MouseKeys(), MAKELPARAM(client.x, client.y));
    action.result = TRUE;
}

// Moves the pointer to the point (client coordinates of `window`, screen ones for null), sets
// the button as the message says and hands the message to the window that takes it.
BOOL MouseInput(HWND window, int x, int y, UINT message) {
    POINT screen{x, y};
    if (window != nullptr && !ClientToScreen(window, &screen)) return FALSE;
    {
        Mouse& m = mouse();
        std::lock_guard<std::mutex> g(m.lock);
        m.position = screen;
        if (message == WM_LBUTTONDOWN) m.leftDown = true;
        if (message == WM_LBUTTONUP) m.leftDown = false;
    }
    InputAction action{message, screen};
    HWND target = MouseTarget(screen, action.captured);
    if (target == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    RunOnWindowThread(target, MouseStep, action);
    return action.result;
}

// The pointer moved by a program: the window that takes the mouse there gets a posted
// WM_MOUSEMOVE, one at most waiting per window (a newer move replaces the place of the older).
void PostPointerMove(POINT screen) {
    bool captured = false;
    HWND target = MouseTarget(screen, captured);
    if (target == nullptr) return;
    POINT client = screen;
    ScreenToClient(target, &client);
    MSG move{target, WM_MOUSEMOVE, MouseKeys(), MAKELPARAM(client.x, client.y), GetTickCount(), screen};
    auto window = FindWindowEntry(target);
    if (!window) return;
    Windows& w = WindowTable();
    std::lock_guard<std::mutex> g(w.lock);
    auto q = QueueForLocked(w, window->thread);
    for (MSG& waiting : q->posted) {
        if (waiting.hwnd == target && waiting.message == WM_MOUSEMOVE) {
            waiting = move;
            return;
        }
    }
    PostToThreadLocked(w, *q, move);
}

void SetKey(UINT vk, bool down) {
    Mouse& m = mouse();
    std::lock_guard<std::mutex> g(m.lock);
    if (down) {
        m.keysDown.insert(vk);
    } else {
        m.keysDown.erase(vk);
    }
}

// WM_KEYDOWN then WM_KEYUP through the dialog manager of the window's dialog (Enter, Escape and
// Tab are the dialog's), else straight to the window, as a message loop hands them on.
void KeyStep(HWND h, LPARAM p) {
    auto& action = *reinterpret_cast<InputAction*>(p);
    HWND root = GetAncestor(h, GA_ROOT);
    bool dialog = root != nullptr && ClassIs(root, u"#32770");
    UINT vk = action.vk;
    if (action.focusFirst && GetFocus() != h) SetFocus(h);
    for (const auto& [message, bits] : {std::pair{WM_KEYDOWN, kKeyDownBits}, std::pair{WM_KEYUP, kKeyUpBits}}) {
        SetKey(vk, message == WM_KEYDOWN);
        MSG m{h, static_cast<UINT>(message), vk, bits, GetTickCount(), POINT{0, 0}};
        if (!IsWindow(h)) break;
        if (!dialog || !IsDialogMessageW(root, &m)) DispatchMessageW(&m);
    }
    action.result = TRUE;
}

}  // namespace

LRESULT DefMouseMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCHITTEST) {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT window;
        if (!GetWindowRect(hwnd, &window) || !PointIn(window, p)) return HTNOWHERE;
        RECT client;
        GetClientRect(hwnd, &client);
        ScreenToClient(hwnd, &p);
        if (PointIn(client, p)) return HTCLIENT;
        DWORD style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
        return (style & WS_CAPTION) == WS_CAPTION && p.y < 0 ? HTCAPTION : HTBORDER;
    }
    // WM_SETCURSOR: the parent may set the cursor for its child; a parent asked about a child
    // leaves the cursor to the child; the window under the pointer shows the arrow in its client area.
    HWND parent = (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : nullptr;
    if (parent && SendMessageW(parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
    if (reinterpret_cast<HWND>(wParam) != hwnd) return FALSE;
    if (static_cast<short>(LOWORD(lParam)) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        return TRUE;
    }
    return FALSE;
}

}  // namespace plat

using namespace plat;

extern "C" {

HCURSOR LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName) {
    if (hInstance == nullptr && IS_INTRESOURCE(lpCursorName)) {
        auto id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(lpCursorName));
        for (size_t i = 0; i < std::size(kSystemCursors); ++i) {
            if (kSystemCursors[i] == id) return CursorHandle(i);
        }
    }
    // Cursors of modules are not offered: no module of the driver set carries one.
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

HCURSOR SetCursor(HCURSOR hCursor) {
    Mouse& m = mouse();
    std::lock_guard<std::mutex> g(m.lock);
    return std::exchange(m.cursor, hCursor);
}

HCURSOR GetCursor(void) {
    Mouse& m = mouse();
    std::lock_guard<std::mutex> g(m.lock);
    return m.cursor;
}

BOOL GetCursorPos(LPPOINT lpPoint) {
    if (lpPoint == nullptr) return FALSE;
    Mouse& m = mouse();
    std::lock_guard<std::mutex> g(m.lock);
    *lpPoint = m.position;
    return TRUE;
}

BOOL SetCursorPos(int X, int Y) {
    {
        Mouse& m = mouse();
        std::lock_guard<std::mutex> g(m.lock);
        if (m.position.x == X && m.position.y == Y) return TRUE;
        m.position = POINT{X, Y};
    }
    PostPointerMove(POINT{X, Y});
    return TRUE;
}

HWND SetCapture(HWND hWnd) {
    auto window = FindWindowEntry(hWnd);
    if (!window || window->messageOnly) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    HWND previous = nullptr;
    DWORD previousThread = 0;
    {
        Mouse& m = mouse();
        std::lock_guard<std::mutex> g(m.lock);
        previous = m.capture;
        previousThread = m.captureThread;
        m.capture = hWnd;
        m.captureThread = window->thread;
    }
    if (previous != nullptr && previous != hWnd && IsWindow(previous)) {
        SendMessageW(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hWnd));
    }
    return previousThread == GetCurrentThreadId() && IsWindow(previous) ? previous : nullptr;
}

BOOL ReleaseCapture(void) {
    HWND previous = nullptr;
    {
        Mouse& m = mouse();
        std::lock_guard<std::mutex> g(m.lock);
        previous = std::exchange(m.capture, nullptr);
        m.captureThread = 0;
    }
    if (previous != nullptr && IsWindow(previous)) SendMessageW(previous, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture(void) {
    Mouse& m = mouse();
    std::lock_guard<std::mutex> g(m.lock);
    if (m.captureThread != GetCurrentThreadId() || !IsWindow(m.capture)) return nullptr;
    return m.capture;
}

SHORT GetKeyState(int nVirtKey) {
    Mouse& m = mouse();
    std::lock_guard<std::mutex> g(m.lock);
    bool down = nVirtKey == kVkLeftButton ? m.leftDown : m.keysDown.count(static_cast<UINT>(nVirtKey)) != 0;
    return down ? static_cast<SHORT>(0x8000) : 0;
}

SHORT GetAsyncKeyState(int vKey) {
    return GetKeyState(vKey);
}

BOOL PlatMouseMove(HWND window, int x, int y) {
    return MouseInput(window, x, y, WM_MOUSEMOVE);
}

BOOL PlatMousePress(HWND window, int x, int y) {
    return MouseInput(window, x, y, WM_LBUTTONDOWN);
}

BOOL PlatMouseRelease(HWND window, int x, int y) {
    return MouseInput(window, x, y, WM_LBUTTONUP);
}

BOOL PlatMouseDrag(HWND window, int fromX, int fromY, int toX, int toY, int steps) {
    if (steps < 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!PlatMouseMove(window, fromX, fromY) || !PlatMousePress(window, fromX, fromY)) return FALSE;
    for (int i = 1; i <= steps; ++i) {
        PlatMouseMove(window, fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps);
    }
    return PlatMouseRelease(window, toX, toY);
}

BOOL PlatPressKey(HWND control, UINT vk) {
    HWND target = control ? control : GetFocus();
    if (target == nullptr || !IsWindow(target)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    for (HWND w = target; w; w = GetAncestor(w, GA_PARENT)) {
        if (!IsWindowEnabled(w)) return FALSE;
    }
    if (!IsWindowVisible(target)) return FALSE;
    InputAction action;
    action.vk = vk;
    action.focusFirst = control != nullptr;
    RunOnWindowThread(target, KeyStep, action);
    return action.result;
}

void PlatSetKeyState(UINT vk, BOOL down) {
    SetKey(vk, down != FALSE);
}

}  // extern "C"
