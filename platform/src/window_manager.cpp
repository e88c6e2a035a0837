// Window classes, creating and destroying windows in Windows' message order, the default window
// procedure, window longs (subclassing included), parent/child/owner links and window text.
#include <algorithm>
#include <cstring>

#include "plat_internal.h"
#include "system_classes.h"
#include "win/user_session.h"
#include "window_input_paint.h"
#include "window_table.h"

#define ERROR_ACCESS_DENIED_ 5L
#define ERROR_TLW_WITH_WSCHILD 1406L

namespace plat {
namespace {

struct WindowClass {
    std::u16string name;
    WNDPROC proc = nullptr;
    int extraBytes = 0;
    HINSTANCE instance = nullptr;
    HBRUSH background = nullptr;
    ATOM atom = 0;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
};

struct Classes {
    std::mutex lock;
    std::map<std::u16string, WindowClass> byName;  // folded name
    ATOM next = 0xC000;
};

constexpr int kMaxExtraBytes = 40000;  // Windows refuses larger cbWndExtra too
constexpr int kDefaultWidth = 300;
constexpr int kDefaultHeight = 200;

Classes& classes() {
    static Classes* c = [] {
        auto* made = new Classes;
        for (const SystemClass& s : kSystemClasses) {
            made->byName[Fold(s.name)] = WindowClass{s.name, s.proc, s.extraBytes, nullptr, nullptr, made->next++};
        }
        return made;
    }();
    return *c;
}

// A class by name or by atom.
bool FindClass(LPCWSTR name, WindowClass& out) {
    Classes& c = classes();
    std::lock_guard<std::mutex> g(c.lock);
    if (IS_INTRESOURCE(name)) {
        auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
        for (const auto& [key, cls] : c.byName) {
            if (cls.atom == atom) return out = cls, true;
        }
        return false;
    }
    auto it = c.byName.find(Fold(name));
    if (it == c.byName.end()) return false;
    out = it->second;
    return true;
}

// Runs `change` on the class icon field nIndex names of the window's class, under the classes'
// lock; false (with the last error) for a bad window or index.
template <typename Change>
bool ChangeClassIcon(HWND h, int nIndex, Change change) {
    auto window = FindWindowEntry(h);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (nIndex != GCLP_HICON && nIndex != GCLP_HICONSM) {
        SetLastError(ERROR_INVALID_INDEX);
        return false;
    }
    Classes& c = classes();
    std::lock_guard<std::mutex> g(c.lock);
    auto it = c.byName.find(Fold(window->className));
    if (it == c.byName.end()) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return false;
    }
    change(nIndex == GCLP_HICON ? it->second.icon : it->second.smallIcon);
    SetLastError(NO_ERROR);
    return true;
}

std::shared_ptr<Window> OrdinaryWindow(HWND h) {
    auto window = FindWindowEntry(h);
    if (!window || window->messageOnly) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return window;
}

std::vector<HWND> ChildrenOf(HWND h) {
    Windows& w = WindowTable();
    std::lock_guard<std::mutex> g(w.lock);
    auto window = FindWindowLocked(w, h);
    return window ? window->children : std::vector<HWND>{};
}

std::vector<HWND> OwnedBy(HWND h) {
    Windows& w = WindowTable();
    std::lock_guard<std::mutex> g(w.lock);
    std::vector<HWND> owned;
    for (const auto& [handle, window] : w.byHandle) {
        if (window->owner == h && !window->destroying) owned.push_back(window->self);
    }
    return owned;
}

HWND AddToTable(std::shared_ptr<Window> window) {
    Windows& w = WindowTable();
    std::lock_guard<std::mutex> g(w.lock);
    QueueForLocked(w, window->thread);
    HWND parent = window->parent;
    HWND h = AddWindowLocked(w, std::move(window));
    if (auto p = FindWindowLocked(w, parent)) p->children.push_back(h);
    return h;
}

// Takes the window out of the table, its parent's list and its thread's queue.
void RemoveFromTable(HWND h) {
    Windows& w = WindowTable();
    std::lock_guard<std::mutex> g(w.lock);
    auto window = FindWindowLocked(w, h);
    if (!window) return;
    if (auto p = FindWindowLocked(w, window->parent)) std::erase(p->children, h);
    if (auto q = QueueForLocked(w, window->thread)) {
        std::erase_if(q->posted, [h](const MSG& m) { return m.hwnd == h; });
        if (q->focus == h) q->focus = nullptr;
        if (q->active == h) q->active = nullptr;
    }
    w.byHandle.erase(reinterpret_cast<ULONG_PTR>(h));
}

// WM_DESTROY reaches a window before its children; WM_NCDESTROY reaches the children first.
void SendDestroy(HWND h) {
    if (auto window = FindWindowEntry(h)) window->destroying = true;
    SendMessageW(h, WM_DESTROY, 0, 0);
    for (HWND child : ChildrenOf(h)) SendDestroy(child);
}

void SendNcDestroy(HWND h) {
    for (HWND child : ChildrenOf(h)) SendNcDestroy(child);
    SendMessageW(h, WM_NCDESTROY, 0, 0);
    RemoveFromTable(h);
}

void NotifyParentOfCreate(const Window& window) {
    if (!(window.style & WS_CHILD) || (window.exStyle & WS_EX_NOPARENTNOTIFY) || window.parent == nullptr) return;
    SendMessageW(window.parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, window.id),
                 reinterpret_cast<LPARAM>(window.self));
}

// Reads or writes `size` bytes of a window's extra bytes; FALSE when they lie outside.
bool ExtraBytes(Window& window, int index, void* value, size_t size, bool write) {
    Windows& w = WindowTable();
    std::lock_guard<std::mutex> g(w.lock);
    if (index < 0 || static_cast<size_t>(index) + size > window.extra.size()) {
        SetLastError(ERROR_INVALID_INDEX);
        return false;
    }
    if (write) {
        std::memcpy(window.extra.data() + index, value, size);
    } else {
        std::memcpy(value, window.extra.data() + index, size);
    }
    return true;
}

LONG_PTR ReadLong(Window& window, int index, size_t size) {
    switch (index) {
        case GWLP_WNDPROC:
            return reinterpret_cast<LONG_PTR>(window.proc.load());
        case GWLP_HINSTANCE:
            return reinterpret_cast<LONG_PTR>(window.instance);
        case GWLP_HWNDPARENT:
            return reinterpret_cast<LONG_PTR>(window.parent ? window.parent : window.owner);
        case GWLP_ID:
            return window.id;
        case GWL_STYLE:
            return static_cast<LONG>(window.style);
        case GWL_EXSTYLE:
            return static_cast<LONG>(window.exStyle);
        case GWLP_USERDATA:
            return window.userData;
    }
    if (size == sizeof(LONG)) {
        LONG value = 0;
        return ExtraBytes(window, index, &value, size, false) ? value : 0;
    }
    LONG_PTR value = 0;
    return ExtraBytes(window, index, &value, size, false) ? value : 0;
}

LONG_PTR WriteLong(Window& window, int index, LONG_PTR value, size_t size) {
    LONG_PTR old = ReadLong(window, index, size);
    switch (index) {
        case GWLP_WNDPROC:
            window.proc = reinterpret_cast<WNDPROC>(value);
            return old;
        case GWLP_HINSTANCE:
            window.instance = reinterpret_cast<HINSTANCE>(value);
            return old;
        case GWLP_HWNDPARENT:
            window.owner = reinterpret_cast<HWND>(value);
            return old;
        case GWLP_ID:
            window.id = value;
            return old;
        case GWL_STYLE:
            window.style = static_cast<DWORD>(value);
            return old;
        case GWL_EXSTYLE:
            window.exStyle = static_cast<DWORD>(value);
            return old;
        case GWLP_USERDATA:
            window.userData = value;
            return old;
    }
    if (size == sizeof(LONG)) {
        auto narrow = static_cast<LONG>(value);
        ExtraBytes(window, index, &narrow, size, true);
    } else {
        ExtraBytes(window, index, &value, size, true);
    }
    return old;
}

std::u16string TitleOf(const Window& window) {
    Windows& w = WindowTable();
    std::lock_guard<std::mutex> g(w.lock);
    return window.title;
}

LRESULT CopyText(const std::u16string& text, WPARAM size, LPARAM buffer) {
    auto* out = reinterpret_cast<LPWSTR>(buffer);
    if (out == nullptr || size == 0) return 0;
    size_t n = std::min<size_t>(text.size(), size - 1);
    text.copy(out, n);
    out[n] = 0;
    return static_cast<LRESULT>(n);
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" {

ATOM RegisterClassW(const WNDCLASSW* lpWndClass) {
    if (lpWndClass == nullptr || lpWndClass->lpszClassName == nullptr || IS_INTRESOURCE(lpWndClass->lpszClassName) ||
        lpWndClass->lpfnWndProc == nullptr || lpWndClass->cbWndExtra < 0 || lpWndClass->cbWndExtra > kMaxExtraBytes) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Classes& c = classes();
    std::lock_guard<std::mutex> g(c.lock);
    std::u16string key = Fold(lpWndClass->lpszClassName);
    if (c.byName.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    WindowClass cls{lpWndClass->lpszClassName, lpWndClass->lpfnWndProc,   lpWndClass->cbWndExtra,
                    lpWndClass->hInstance,     lpWndClass->hbrBackground, c.next++};
    cls.icon = lpWndClass->hIcon;
    c.byName[key] = cls;
    return cls.atom;
}

BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance) {
    WindowClass cls;
    if (lpClassName == nullptr || !FindClass(lpClassName, cls) || cls.instance != hInstance ||
        cls.instance == nullptr) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    Classes& c = classes();
    std::lock_guard<std::mutex> g(c.lock);
    c.byName.erase(Fold(cls.name));
    return TRUE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR lpClassName, LPWNDCLASSW lpWndClass) {
    WindowClass cls;
    if (lpClassName == nullptr || lpWndClass == nullptr || !FindClass(lpClassName, cls)) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *lpWndClass = WNDCLASSW{};
    lpWndClass->lpfnWndProc = cls.proc;
    lpWndClass->cbWndExtra = cls.extraBytes;
    lpWndClass->hInstance = cls.instance;
    lpWndClass->hbrBackground = cls.background;
    lpWndClass->hIcon = cls.icon;
    lpWndClass->lpszClassName = lpClassName;
    return TRUE;
}

// The icon fields of the window's class; other longs are not kept.
ULONG_PTR GetClassLongPtrW(HWND hWnd, int nIndex) {
    ULONG_PTR value = 0;
    ChangeClassIcon(hWnd, nIndex, [&](HICON& field) { value = reinterpret_cast<ULONG_PTR>(field); });
    return value;
}

ULONG_PTR SetClassLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    ULONG_PTR old = 0;
    ChangeClassIcon(hWnd, nIndex, [&](HICON& field) {
        old = reinterpret_cast<ULONG_PTR>(field);
        field = reinterpret_cast<HICON>(dwNewLong);
    });
    return old;
}

int GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount) {
    auto window = FindWindowEntry(hWnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(
        CopyText(window->className, nMaxCount > 0 ? nMaxCount : 0, reinterpret_cast<LPARAM>(lpClassName)));
}

HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int X, int Y,
                     int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
    WindowClass cls;
    if (lpClassName == nullptr || !FindClass(lpClassName, cls)) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (hWndParent == HWND_MESSAGE) hWndParent = nullptr;
    if ((dwStyle & WS_CHILD) && hWndParent == nullptr) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    if (hWndParent != nullptr && !OrdinaryWindow(hWndParent)) return nullptr;
    auto window = std::make_shared<Window>();
    window->className = cls.name;
    window->title = lpWindowName ? lpWindowName : u"";
    window->thread = GetCurrentThreadId();
    window->proc = cls.proc;
    window->instance = hInstance;
    // A window that is not a child is owned by the window given as its parent.
    (dwStyle & WS_CHILD ? window->parent : window->owner) = hWndParent;
    window->style = dwStyle;
    window->exStyle = dwExStyle;
    window->id = dwStyle & WS_CHILD ? reinterpret_cast<LONG_PTR>(hMenu) : 0;
    if (X == CW_USEDEFAULT) X = Y = 0;
    if (nWidth == CW_USEDEFAULT) nWidth = kDefaultWidth, nHeight = kDefaultHeight;
    window->rect = RECT{X, Y, X + std::max(nWidth, 0), Y + std::max(nHeight, 0)};
    window->extra.assign(static_cast<size_t>(cls.extraBytes), 0);
    HWND h = AddToTable(window);

    CREATESTRUCTW create{
        lpParam,      hInstance,   hMenu,    hWndParent, nHeight, nWidth, Y, X, static_cast<LONG>(dwStyle),
        lpWindowName, lpClassName, dwExStyle};
    if (!SendMessageW(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create))) {
        SendNcDestroy(h);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (SendMessageW(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(h);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    NotifyParentOfCreate(*window);
    return h;
}

BOOL DestroyWindow(HWND hWnd) {
    auto window = OrdinaryWindow(hWnd);
    if (!window) return FALSE;
    if (window->thread != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED_);
        return FALSE;
    }
    if (window->destroying) return TRUE;  // already on its way out (a handler destroying it again)
    for (HWND owned : OwnedBy(hWnd)) DestroyWindow(owned);
    if ((window->style & WS_CHILD) && !(window->exStyle & WS_EX_NOPARENTNOTIFY) && window->parent) {
        SendMessageW(window->parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, window->id),
                     reinterpret_cast<LPARAM>(hWnd));
    }
    SendDestroy(hWnd);
    SendNcDestroy(hWnd);
    return TRUE;
}

LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    auto window = FindWindowEntry(hWnd);
    if (!window) return 0;
    switch (Msg) {
        case WM_NCCREATE:
            return TRUE;
        case WM_SETTEXT: {
            auto text = reinterpret_cast<LPCWSTR>(lParam);
            Windows& w = WindowTable();
            std::lock_guard<std::mutex> g(w.lock);  // FindWindowW reads titles from any thread
            window->title = text ? text : u"";
            return TRUE;
        }
        case WM_GETTEXT:
            return CopyText(TitleOf(*window), wParam, lParam);
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(TitleOf(*window).size());
        case WM_SETFONT:
            window->font = reinterpret_cast<HFONT>(wParam);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(window->font.load());
        case WM_CLOSE:
            DestroyWindow(hWnd);
            return 0;
        case kUserAction: {
            auto action = reinterpret_cast<void (*)(HWND, LPARAM)>(wParam);
            if (action) action(hWnd, lParam);
            return 0;
        }
        case WM_PAINT:
        case WM_ERASEBKGND:
            return DefPaintMessage(hWnd, Msg, wParam, lParam);
        case WM_NCHITTEST:
        case WM_SETCURSOR:
            return DefMouseMessage(hWnd, Msg, wParam, lParam);
        case WM_CONTEXTMENU:
            // A child's right click goes to its parent unless the child handles it.
            return window->style & WS_CHILD && window->parent ? SendMessageW(window->parent, Msg, wParam, lParam) : 0;
        case WM_HELP: {
            // Help goes up: to the parent of a child, to the owner of a top-level window.
            HWND up = window->style & WS_CHILD ? window->parent : window->owner;
            return up ? SendMessageW(up, WM_HELP, wParam, lParam) : 0;
        }
    }
    return 0;
}

LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex) {
    auto window = OrdinaryWindow(hWnd);
    return window ? ReadLong(*window, nIndex, sizeof(LONG_PTR)) : 0;
}

LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    auto window = OrdinaryWindow(hWnd);
    return window ? WriteLong(*window, nIndex, dwNewLong, sizeof(LONG_PTR)) : 0;
}

LONG GetWindowLongW(HWND hWnd, int nIndex) {
    auto window = OrdinaryWindow(hWnd);
    return window ? static_cast<LONG>(ReadLong(*window, nIndex, sizeof(LONG))) : 0;
}

LONG SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong) {
    auto window = OrdinaryWindow(hWnd);
    return window ? static_cast<LONG>(WriteLong(*window, nIndex, dwNewLong, sizeof(LONG))) : 0;
}

// The parent of a child window, the owner of a popup.
HWND GetParent(HWND hWnd) {
    auto window = OrdinaryWindow(hWnd);
    if (!window) return nullptr;
    if (window->style & WS_CHILD) return window->parent;
    return window->style & WS_POPUP ? window->owner : nullptr;
}

HWND GetAncestor(HWND hwnd, UINT gaFlags) {
    auto window = OrdinaryWindow(hwnd);
    if (!window) return nullptr;
    if (gaFlags == GA_PARENT) return window->parent;
    HWND h = hwnd;
    while (auto w = FindWindowEntry(h)) {
        if (w->parent == nullptr) return h;
        h = w->parent;
    }
    return nullptr;
}

HWND GetWindow(HWND hWnd, UINT uCmd) {
    auto window = OrdinaryWindow(hWnd);
    if (!window) return nullptr;
    if (uCmd == GW_OWNER) return window->owner;
    if (uCmd == GW_CHILD) {
        auto children = ChildrenOf(hWnd);
        return children.empty() ? nullptr : children.front();
    }
    if (window->parent == nullptr) return nullptr;  // top-level windows are not ordered here
    auto siblings = ChildrenOf(window->parent);
    auto it = std::find(siblings.begin(), siblings.end(), hWnd);
    if (it == siblings.end()) return nullptr;
    switch (uCmd) {
        case GW_HWNDFIRST:
            return siblings.front();
        case GW_HWNDLAST:
            return siblings.back();
        case GW_HWNDNEXT:
            return it + 1 == siblings.end() ? nullptr : *(it + 1);
        case GW_HWNDPREV:
            return it == siblings.begin() ? nullptr : *(it - 1);
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

BOOL IsChild(HWND hWndParent, HWND hWnd) {
    for (auto window = FindWindowEntry(hWnd); window && (window->style & WS_CHILD);
         window = FindWindowEntry(window->parent)) {
        if (window->parent == hWndParent) return TRUE;
    }
    return FALSE;
}

BOOL EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam) {
    if (lpEnumFunc == nullptr) return FALSE;
    for (HWND child : ChildrenOf(hWndParent)) {
        if (!IsWindow(child)) continue;  // destroyed by an earlier callback
        if (!lpEnumFunc(child, lParam)) return FALSE;
        if (!EnumChildWindows(child, lpEnumFunc, lParam)) return FALSE;
    }
    return TRUE;
}

DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
    auto window = FindWindowEntry(hWnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (lpdwProcessId) *lpdwProcessId = GetCurrentProcessId();
    return window->thread;
}

BOOL SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
    if (!OrdinaryWindow(hWnd)) return FALSE;
    return SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) ? TRUE : FALSE;
}

int GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
    if (lpString == nullptr || nMaxCount <= 0 || !OrdinaryWindow(hWnd)) return 0;
    return static_cast<int>(
        SendMessageW(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
}

int GetWindowTextLengthW(HWND hWnd) {
    if (!OrdinaryWindow(hWnd)) return 0;
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

}  // extern "C"
