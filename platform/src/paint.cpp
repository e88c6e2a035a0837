// Update regions, WM_PAINT and the DCs of windows. A window's update region is kept as its
// bounding rectangle; WM_PAINT is made up by the thread's queue while a shown window has one.
// A window DC draws into the renderer's picture of the window while the renderer asks it to
// paint, else into a scratch picture dropped at ReleaseDC.
#include <algorithm>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "plat_internal.h"
#include "queue_sources.h"
#include "win/user_gdi.h"
#include "window_input_paint.h"
#include "window_table.h"

namespace plat {
namespace {

struct Update {
    RECT rect{};
    bool erase = false;
};

struct WindowDc {
    HWND hwnd = nullptr;
    HBITMAP scratch = nullptr;  // null when the DC draws into the renderer's picture
};

struct PaintState {
    std::mutex lock;
    std::map<HWND, Update> updates;
    std::map<HWND, HBITMAP> renderTargets;
    std::map<HDC, WindowDc> dcs;
};

PaintState& paintState() {
    static PaintState* p = new PaintState;
    return *p;
}

bool RectEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

RECT RectIntersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return RectEmpty(r) ? RECT{} : r;
}

RECT RectUnion(const RECT& a, const RECT& b) {
    if (RectEmpty(a)) return b;
    if (RectEmpty(b)) return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

// What is left of the bounding rectangle when `cut` is taken off: it shrinks only when the cut
// spans it from edge to edge.
RECT RectSubtract(const RECT& region, const RECT& cut) {
    RECT r = region;
    if (RectEmpty(RectIntersect(r, cut))) return r;
    bool fullWidth = cut.left <= r.left && cut.right >= r.right;
    bool fullHeight = cut.top <= r.top && cut.bottom >= r.bottom;
    if (fullWidth && fullHeight) return RECT{};
    if (fullWidth && cut.top <= r.top) r.top = cut.bottom;
    if (fullWidth && cut.bottom >= r.bottom) r.bottom = cut.top;
    if (fullHeight && cut.left <= r.left) r.left = cut.right;
    if (fullHeight && cut.right >= r.right) r.right = cut.left;
    return RectEmpty(r) ? RECT{} : r;
}

bool PaintableWindow(HWND h) {
    auto window = FindWindowEntry(h);
    if (!window || window->messageOnly) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    return true;
}

void WakeOwner(HWND h) {
    auto window = FindWindowEntry(h);
    if (!window) return;
    Windows& w = WindowTable();
    std::lock_guard<std::mutex> g(w.lock);
    SetEvent(QueueForLocked(w, window->thread)->wake);
}

Update TakeUpdate(HWND h) {
    PaintState& p = paintState();
    std::lock_guard<std::mutex> g(p.lock);
    auto it = p.updates.find(h);
    if (it == p.updates.end()) return Update{};
    Update u = it->second;
    p.updates.erase(it);
    return u;
}

Update PeekUpdate(HWND h) {
    PaintState& p = paintState();
    std::lock_guard<std::mutex> g(p.lock);
    auto it = p.updates.find(h);
    return it == p.updates.end() ? Update{} : it->second;
}

HBITMAP RenderTarget(HWND h) {
    PaintState& p = paintState();
    std::lock_guard<std::mutex> g(p.lock);
    auto it = p.renderTargets.find(h);
    return it == p.renderTargets.end() ? nullptr : it->second;
}

// A DC over the renderer's picture of the window, or over a new scratch picture of its client
// area (the screen's: a small one for hWnd null).
HDC MakeWindowDc(HWND h) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) return nullptr;
    HBITMAP target = h ? RenderTarget(h) : nullptr;
    HBITMAP scratch = nullptr;
    if (target == nullptr) {
        RECT client{0, 0, 1, 1};
        if (h) GetClientRect(h, &client);
        scratch = CreateCompatibleBitmap(dc, std::max<LONG>(client.right, 1), std::max<LONG>(client.bottom, 1));
        target = scratch;
    }
    if (target == nullptr) {
        DeleteDC(dc);
        return nullptr;
    }
    SelectObject(dc, target);
    PaintState& p = paintState();
    std::lock_guard<std::mutex> g(p.lock);
    p.dcs[dc] = WindowDc{h, scratch};
    return dc;
}

// Windows of the thread with an update region that are shown; windows gone are forgotten.
std::vector<HWND> WindowsToPaint(DWORD thread) {
    std::vector<HWND> candidates;
    {
        PaintState& p = paintState();
        std::lock_guard<std::mutex> g(p.lock);
        for (const auto& [h, update] : p.updates) {
            if (!RectEmpty(update.rect)) candidates.push_back(h);
        }
    }
    std::vector<HWND> out;
    for (HWND h : candidates) {
        auto window = FindWindowEntry(h);
        if (!window) {
            TakeUpdate(h);
            continue;
        }
        if (window->thread == thread && IsWindowVisible(h)) out.push_back(h);
    }
    return out;
}

}  // namespace

bool FindPaintMessage(DWORD thread, const MessageFilter& accept, MSG& out) {
    for (HWND h : WindowsToPaint(thread)) {
        MSG m{h, WM_PAINT, 0, 0, GetTickCount(), POINT{0, 0}};
        if (!accept(m)) continue;
        out = m;
        return true;
    }
    return false;
}

bool HasPaintPending(DWORD thread) {
    return !WindowsToPaint(thread).empty();
}

void ValidateAfterPaint(HWND hwnd) {
    TakeUpdate(hwnd);
}

void BeginRenderPaint(HWND hwnd, HBITMAP bitmap) {
    PaintState& p = paintState();
    std::lock_guard<std::mutex> g(p.lock);
    p.renderTargets[hwnd] = bitmap;
}

void EndRenderPaint(HWND hwnd) {
    PaintState& p = paintState();
    std::lock_guard<std::mutex> g(p.lock);
    p.renderTargets.erase(hwnd);
}

LRESULT DefPaintMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        if (BeginPaint(hwnd, &ps)) EndPaint(hwnd, &ps);
        return 0;
    }
    // WM_ERASEBKGND: the class's background brush, when it has one, fills the client area.
    WCHAR name[256];
    WNDCLASSW cls;
    if (!GetClassNameW(hwnd, name, 256) || !GetClassInfoW(nullptr, name, &cls) || cls.hbrBackground == nullptr)
        return 0;
    RECT client;
    GetClientRect(hwnd, &client);
    return FillRect(reinterpret_cast<HDC>(wParam), &client, cls.hbrBackground) ? 1 : 0;
}

}  // namespace plat

using namespace plat;

extern "C" {

// The whole desktop is not kept as a picture, so invalidating "every window" has nothing to do.
BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
    if (hWnd == nullptr) return TRUE;
    if (!PaintableWindow(hWnd)) return FALSE;
    RECT client;
    GetClientRect(hWnd, &client);
    RECT r = lpRect ? RectIntersect(*lpRect, client) : client;
    if (RectEmpty(r)) return TRUE;
    {
        PaintState& p = paintState();
        std::lock_guard<std::mutex> g(p.lock);
        Update& u = p.updates[hWnd];
        u.rect = RectUnion(u.rect, r);
        u.erase = u.erase || bErase;
    }
    WakeOwner(hWnd);
    return TRUE;
}

BOOL ValidateRect(HWND hWnd, const RECT* lpRect) {
    if (hWnd == nullptr || !PaintableWindow(hWnd)) return FALSE;
    PaintState& p = paintState();
    std::lock_guard<std::mutex> g(p.lock);
    auto it = p.updates.find(hWnd);
    if (it == p.updates.end()) return TRUE;
    it->second.rect = lpRect ? RectSubtract(it->second.rect, *lpRect) : RECT{};
    if (RectEmpty(it->second.rect)) p.updates.erase(it);
    return TRUE;
}

BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase) {
    if (!PaintableWindow(hWnd)) return FALSE;
    Update u = PeekUpdate(hWnd);
    if (RenderTarget(hWnd) != nullptr) {
        // The renderer's WM_PAINT repaints the whole client area (BeginPaint says so and erases).
        GetClientRect(hWnd, &u.rect);
        u.erase = false;
    }
    if (lpRect) *lpRect = u.rect;
    if (RectEmpty(u.rect)) return FALSE;
    if (bErase && u.erase) {
        {
            PaintState& p = paintState();
            std::lock_guard<std::mutex> g(p.lock);
            p.updates[hWnd].erase = false;
        }
        if (HDC dc = GetDC(hWnd)) {
            IntersectClipRect(dc, u.rect.left, u.rect.top, u.rect.right, u.rect.bottom);
            SendMessageW(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
            ReleaseDC(hWnd, dc);
        }
    }
    return TRUE;
}

BOOL UpdateWindow(HWND hWnd) {
    if (!PaintableWindow(hWnd)) return FALSE;
    if (RectEmpty(PeekUpdate(hWnd).rect) || !IsWindowVisible(hWnd)) return TRUE;
    SendMessageW(hWnd, WM_PAINT, 0, 0);
    ValidateAfterPaint(hWnd);
    return TRUE;
}

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    if (lpPaint == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!PaintableWindow(hWnd)) return nullptr;
    *lpPaint = PAINTSTRUCT{};
    bool rendering = RenderTarget(hWnd) != nullptr;
    Update u;
    if (rendering) {
        GetClientRect(hWnd, &u.rect);
        u.erase = true;
    } else {
        u = TakeUpdate(hWnd);
    }
    HDC dc = MakeWindowDc(hWnd);
    if (dc == nullptr) return nullptr;
    IntersectClipRect(dc, u.rect.left, u.rect.top, u.rect.right, u.rect.bottom);
    lpPaint->hdc = dc;
    lpPaint->rcPaint = u.rect;
    lpPaint->fErase = FALSE;
    if (u.erase) lpPaint->fErase = SendMessageW(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
    return dc;
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
    if (lpPaint == nullptr) return FALSE;
    ReleaseDC(hWnd, lpPaint->hdc);
    return TRUE;
}

HDC GetDC(HWND hWnd) {
    if (hWnd != nullptr && !PaintableWindow(hWnd)) return nullptr;
    return MakeWindowDc(hWnd);
}

int ReleaseDC(HWND hWnd, HDC hDC) {
    WindowDc released;
    {
        PaintState& p = paintState();
        std::lock_guard<std::mutex> g(p.lock);
        auto it = p.dcs.find(hDC);
        if (it == p.dcs.end() || it->second.hwnd != hWnd) return 0;
        released = it->second;
        p.dcs.erase(it);
    }
    DeleteDC(hDC);
    if (released.scratch) DeleteObject(released.scratch);
    return 1;
}

DWORD PlatLiveWindowDcCount(void) {
    PaintState& p = paintState();
    std::lock_guard<std::mutex> g(p.lock);
    return static_cast<DWORD>(p.dcs.size());
}

}  // extern "C"
