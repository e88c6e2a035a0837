// A window's enabled, visible and focus state, its place and size, and the fixed metrics of the
// headless screen (dialog units come from one fixed dialog font).
#include <algorithm>

#include "plat_internal.h"
#include "win/user_controls.h"
#include "window_table.h"

namespace plat {
namespace {

// The screen and frame sizes of a 96-dpi desktop with the classic theme.
constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;
constexpr int kCaptionHeight = 22;
constexpr int kDialogFrame = 3;
constexpr int kClientEdge = 2;
// The dialog font's average character width and height in pixels.
constexpr int kDialogCharWidth = 6;
constexpr int kDialogCharHeight = 13;
// The system font's, which GetDialogBaseUnits reports.
constexpr int kSystemCharWidth = 8;
constexpr int kSystemCharHeight = 16;

struct Metric {
    int index;
    int value;
};
constexpr Metric kMetrics[] = {
    {SM_CXSCREEN, kScreenWidth},
    {SM_CYSCREEN, kScreenHeight},
    {SM_CXVSCROLL, 17},
    {SM_CYHSCROLL, 17},
    {SM_CYCAPTION, kCaptionHeight},
    {SM_CXBORDER, 1},
    {SM_CYBORDER, 1},
    {SM_CXDLGFRAME, kDialogFrame},
    {SM_CYDLGFRAME, kDialogFrame},
    {SM_CXICON, 32},
    {SM_CYICON, 32},
    {SM_CXSMICON, 16},
    {SM_CYSMICON, 16},
};

std::shared_ptr<Window> Ordinary(HWND h) {
    auto window = FindWindowEntry(h);
    if (!window || window->messageOnly) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return window;
}

RECT RectOf(const Window& window) {
    Windows& w = WindowTable();
    std::lock_guard<std::mutex> g(w.lock);
    return window.rect;
}

// The widths of the frame around the client area.
RECT NonClient(const Window& window) {
    if ((window.style & WS_CAPTION) == WS_CAPTION) {
        return RECT{kDialogFrame, kDialogFrame + kCaptionHeight, kDialogFrame, kDialogFrame};
    }
    if (window.style & WS_DLGFRAME) return RECT{kDialogFrame, kDialogFrame, kDialogFrame, kDialogFrame};
    if (window.exStyle & WS_EX_CLIENTEDGE) return RECT{kClientEdge, kClientEdge, kClientEdge, kClientEdge};
    if (window.style & WS_BORDER) return RECT{1, 1, 1, 1};
    return RECT{};
}

// The screen position of a window's client origin.
POINT ClientOrigin(HWND h) {
    POINT origin{0, 0};
    for (auto window = FindWindowEntry(h); window; window = FindWindowEntry(window->parent)) {
        RECT frame = NonClient(*window);
        RECT r = RectOf(*window);
        origin.x += r.left + frame.left;
        origin.y += r.top + frame.top;
        if (!(window->style & WS_CHILD)) break;
    }
    return origin;
}

void SetFlag(Window& window, DWORD flag, bool on) {
    if (on) {
        window.style.fetch_or(flag);
    } else {
        window.style.fetch_and(~flag);
    }
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" {

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
    auto window = Ordinary(hWnd);
    if (!window) return FALSE;
    BOOL wasDisabled = (window->style & WS_DISABLED) ? TRUE : FALSE;
    if (wasDisabled == !bEnable) return wasDisabled;
    SetFlag(*window, WS_DISABLED, !bEnable);
    if (!bEnable) {
        HWND focus = GetFocus();
        if (focus == hWnd || IsChild(hWnd, focus)) SetFocus(nullptr);  // a disabled window keeps no focus
    }
    SendMessageW(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hWnd) {
    auto window = Ordinary(hWnd);
    return window && !(window->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    auto window = Ordinary(hWnd);
    if (!window) return FALSE;
    BOOL wasVisible = (window->style & WS_VISIBLE) ? TRUE : FALSE;
    bool show = nCmdShow != SW_HIDE;
    if (wasVisible != show) {
        SendMessageW(hWnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        SetFlag(*window, WS_VISIBLE, show);
    }
    if (show && !(window->style & WS_CHILD)) {
        Windows& w = WindowTable();
        std::lock_guard<std::mutex> g(w.lock);
        QueueForLocked(w, window->thread)->active = hWnd;
    }
    return wasVisible;
}

// Visible when it and every window above it are.
BOOL IsWindowVisible(HWND hWnd) {
    for (auto window = FindWindowEntry(hWnd); window; window = FindWindowEntry(window->parent)) {
        if (window->messageOnly || !(window->style & WS_VISIBLE)) return FALSE;
        if (!(window->style & WS_CHILD)) return TRUE;
    }
    return FALSE;
}

// WM_KILLFOCUS reaches the window losing focus before WM_SETFOCUS reaches the one gaining it.
HWND SetFocus(HWND hWnd) {
    std::shared_ptr<Window> window;
    if (hWnd != nullptr) {
        window = Ordinary(hWnd);
        if (!window || window->thread != GetCurrentThreadId()) return nullptr;
        if (window->style & WS_DISABLED) return nullptr;
    }
    auto q = CurrentQueue();
    HWND old = q->focus;
    if (old == hWnd) return old;
    if (old != nullptr && IsWindow(old)) SendMessageW(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    q->focus = hWnd;
    if (hWnd != nullptr) SendMessageW(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

HWND GetFocus(void) {
    auto q = CurrentQueue();
    return q->focus && IsWindow(q->focus) ? q->focus : nullptr;
}

HWND GetActiveWindow(void) {
    auto q = CurrentQueue();
    return q->active && IsWindow(q->active) ? q->active : nullptr;
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) {
    auto window = Ordinary(hWnd);
    if (!window || lpRect == nullptr) return FALSE;
    POINT origin = (window->style & WS_CHILD) ? ClientOrigin(window->parent) : POINT{0, 0};
    RECT r = RectOf(*window);
    *lpRect = RECT{r.left + origin.x, r.top + origin.y, r.right + origin.x, r.bottom + origin.y};
    return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect) {
    auto window = Ordinary(hWnd);
    if (!window || lpRect == nullptr) return FALSE;
    RECT frame = NonClient(*window);
    RECT r = RectOf(*window);
    LONG width = r.right - r.left - frame.left - frame.right;
    LONG height = r.bottom - r.top - frame.top - frame.bottom;
    *lpRect = RECT{0, 0, std::max<LONG>(width, 0), std::max<LONG>(height, 0)};
    return TRUE;
}

BOOL SetWindowPos(HWND hWnd, HWND, int X, int Y, int cx, int cy, UINT uFlags) {
    auto window = Ordinary(hWnd);
    if (!window) return FALSE;
    RECT before = RectOf(*window);
    RECT r = before;
    if (!(uFlags & SWP_NOMOVE)) r = RECT{X, Y, X + (r.right - r.left), Y + (r.bottom - r.top)};
    if (!(uFlags & SWP_NOSIZE)) r.right = r.left + std::max(cx, 0), r.bottom = r.top + std::max(cy, 0);
    bool moved = r.left != before.left || r.top != before.top;
    bool sized = r.right - r.left != before.right - before.left || r.bottom - r.top != before.bottom - before.top;
    {
        Windows& w = WindowTable();
        std::lock_guard<std::mutex> g(w.lock);
        window->rect = r;
    }
    if (moved) SendMessageW(hWnd, WM_MOVE, 0, MAKELPARAM(r.left, r.top));
    if (sized) {
        RECT client;
        GetClientRect(hWnd, &client);
        SendMessageW(hWnd, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
    }
    if (uFlags & SWP_SHOWWINDOW) ShowWindow(hWnd, SW_SHOW);
    if (uFlags & SWP_HIDEWINDOW) ShowWindow(hWnd, SW_HIDE);
    return TRUE;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL) {
    return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight, SWP_NOZORDER);
}

int MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints) {
    if ((hWndFrom && !Ordinary(hWndFrom)) || (hWndTo && !Ordinary(hWndTo)) || (cPoints && !lpPoints)) return 0;
    POINT from = hWndFrom ? ClientOrigin(hWndFrom) : POINT{0, 0};
    POINT to = hWndTo ? ClientOrigin(hWndTo) : POINT{0, 0};
    LONG dx = from.x - to.x, dy = from.y - to.y;
    for (UINT i = 0; i < cPoints; ++i) lpPoints[i].x += dx, lpPoints[i].y += dy;
    return static_cast<int>(MAKELPARAM(dx, dy));
}

BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
    if (!Ordinary(hWnd) || lpPoint == nullptr) return FALSE;
    MapWindowPoints(hWnd, nullptr, lpPoint, 1);
    return TRUE;
}

BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
    if (!Ordinary(hWnd) || lpPoint == nullptr) return FALSE;
    MapWindowPoints(nullptr, hWnd, lpPoint, 1);
    return TRUE;
}

// The desktop: one top-level window of the screen's size, made on first use.
HWND GetDesktopWindow(void) {
    static HWND desktop = [] {
        WNDCLASSW c{};
        c.lpfnWndProc = DefWindowProcW;
        c.lpszClassName = u"#32769";
        RegisterClassW(&c);
        HWND h = CreateWindowExW(0, u"#32769", u"", WS_POPUP | WS_VISIBLE, 0, 0, kScreenWidth, kScreenHeight, nullptr,
                                 nullptr, nullptr, nullptr);
        // It belongs to no thread: the thread that happened to ask first may end.
        if (auto window = FindWindowEntry(h)) window->thread = kNoThread;
        return h;
    }();
    return desktop;
}

HWND RealChildWindowFromPoint(HWND hwndParent, POINT ptParentClientCoords) {
    RECT client;
    if (!GetClientRect(hwndParent, &client)) return nullptr;
    POINT p = ptParentClientCoords;
    if (p.x < client.left || p.y < client.top || p.x >= client.right || p.y >= client.bottom) return nullptr;
    ClientToScreen(hwndParent, &p);
    for (HWND child = GetWindow(hwndParent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(child, &r);
        if (p.x < r.left || p.y < r.top || p.x >= r.right || p.y >= r.bottom) continue;
        WCHAR name[16];
        GetClassNameW(child, name, 16);
        bool groupBox = EqualNoCase(name, u"Button") && (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
        if (!groupBox) return child;
    }
    return hwndParent;
}

int GetSystemMetrics(int nIndex) {
    for (const Metric& m : kMetrics) {
        if (m.index == nIndex) return m.value;
    }
    return 0;
}

LONG GetDialogBaseUnits(void) {
    return static_cast<LONG>(MAKELPARAM(kSystemCharWidth, kSystemCharHeight));
}

// Dialog units: a quarter of the dialog font's average width, an eighth of its height.
BOOL MapDialogRect(HWND hDlg, LPRECT lpRect) {
    if (lpRect == nullptr || (hDlg != nullptr && !Ordinary(hDlg))) return FALSE;
    lpRect->left = lpRect->left * kDialogCharWidth / 4;
    lpRect->right = lpRect->right * kDialogCharWidth / 4;
    lpRect->top = lpRect->top * kDialogCharHeight / 8;
    lpRect->bottom = lpRect->bottom * kDialogCharHeight / 8;
    return TRUE;
}

}  // extern "C"
