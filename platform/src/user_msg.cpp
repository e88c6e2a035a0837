// Message-only windows with their queues, FindWindowW/PostMessageW on them, and the global atom
// table. Enough of USER for services that talk through posted messages.
#include "win/user_msg.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "plat/message_window.h"
#include "plat_internal.h"
#include "win/kernel.h"
#include "window_table.h"

namespace plat {
namespace {

Windows& windows() {
    return WindowTable();
}

std::shared_ptr<Window> Find(Windows& w, HWND h) {
    return FindWindowLocked(w, h);
}

struct Atom {
    std::u16string text;
    DWORD references = 0;
};

struct Atoms {
    std::mutex lock;
    std::map<ATOM, Atom> byAtom;
};

Atoms& atoms() {
    static Atoms* a = new Atoms;
    return *a;
}

constexpr ATOM kFirstStringAtom = 0xC000;

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" {

HWND PlatCreateMessageWindow(LPCWSTR className, LPCWSTR windowName) {
    if (className == nullptr || className[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto window = std::make_shared<Window>();
    window->messageOnly = true;
    window->className = className;
    window->title = windowName ? windowName : u"";
    window->ready = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (window->ready == nullptr) return nullptr;
    Windows& w = windows();
    std::lock_guard<std::mutex> g(w.lock);
    for (const auto& [h, other] : w.byHandle) {
        if (other->messageOnly && EqualNoCase(other->className, window->className)) {
            CloseHandle(window->ready);
            SetLastError(ERROR_ALREADY_EXISTS);
            return nullptr;
        }
    }
    return AddWindowLocked(w, window);
}

BOOL PlatDestroyMessageWindow(HWND window) {
    std::shared_ptr<Window> found;
    {
        Windows& w = windows();
        std::lock_guard<std::mutex> g(w.lock);
        found = Find(w, window);
        if (!found || !found->messageOnly) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        w.byHandle.erase(reinterpret_cast<ULONG_PTR>(window));
    }
    SetEvent(found->ready);  // a thread waiting for a message sees the window gone
    CloseHandle(found->ready);
    return TRUE;
}

BOOL PlatGetWindowMessage(HWND window, LPMSG message, DWORD milliseconds) {
    if (message == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ULONGLONG deadline = milliseconds == INFINITE ? ~0ull : GetTickCount64() + milliseconds;
    for (;;) {
        std::shared_ptr<Window> found;
        HANDLE ready = nullptr;
        {
            Windows& w = windows();
            std::lock_guard<std::mutex> g(w.lock);
            found = Find(w, window);
            if (!found || !found->messageOnly) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return FALSE;
            }
            if (!found->queue.empty()) {
                *message = found->queue.front();
                found->queue.pop_front();
                return TRUE;
            }
            ready = found->ready;
        }
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            SetLastError(WAIT_TIMEOUT);
            return FALSE;
        }
        DWORD wait =
            deadline == ~0ull ? INFINITE : static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 0xFFFFFFF0u));
        // `found` keeps the window (and its event) alive while waiting.
        if (WaitForSingleObject(ready, wait) == WAIT_FAILED) return FALSE;
    }
}

HWND FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName) {
    Windows& w = windows();
    std::lock_guard<std::mutex> g(w.lock);
    for (const auto& [h, window] : w.byHandle) {
        if (window->parent != nullptr || window->destroying) continue;  // top-level windows only
        if (lpClassName && !EqualNoCase(window->className, lpClassName)) continue;
        if (lpWindowName && window->title != lpWindowName) continue;
        return reinterpret_cast<HWND>(h);
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
}

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    HANDLE ready = nullptr;
    {
        Windows& w = windows();
        std::lock_guard<std::mutex> g(w.lock);
        // No window: a message for the calling thread itself, as PostThreadMessageW to it.
        if (hWnd == nullptr) {
            auto q = QueueForLocked(w, GetCurrentThreadId());
            return PostToThreadLocked(w, *q, MSG{nullptr, Msg, wParam, lParam, GetTickCount(), POINT{0, 0}});
        }
        auto found = Find(w, hWnd);
        if (!found) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (!found->messageOnly) {
            auto q = QueueForLocked(w, found->thread);
            return PostToThreadLocked(w, *q, MSG{hWnd, Msg, wParam, lParam, GetTickCount(), POINT{0, 0}});
        }
        if (found->queue.size() >= kMaxQueue) {
            SetLastError(ERROR_NOT_ENOUGH_QUOTA);
            return FALSE;
        }
        found->queue.push_back(MSG{hWnd, Msg, wParam, lParam, GetTickCount(), POINT{0, 0}});
        ready = found->ready;
        SetEvent(ready);  // under the lock: the window cannot be destroyed meanwhile
    }
    return TRUE;
}

BOOL IsWindow(HWND hWnd) {
    Windows& w = windows();
    std::lock_guard<std::mutex> g(w.lock);
    return Find(w, hWnd) ? TRUE : FALSE;
}

ATOM GlobalAddAtomW(LPCWSTR lpString) {
    if (lpString == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (IS_INTRESOURCE(lpString)) return static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(lpString));  // integer atom
    std::u16string text(lpString);
    if (text.empty() || text.size() > 255) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Atoms& a = atoms();
    std::lock_guard<std::mutex> g(a.lock);
    for (auto& [atom, entry] : a.byAtom) {
        if (EqualNoCase(entry.text, text)) {
            ++entry.references;
            return atom;
        }
    }
    for (ATOM atom = kFirstStringAtom; atom != 0; ++atom) {
        if (a.byAtom.count(atom) == 0) {
            a.byAtom[atom] = Atom{text, 1};
            return atom;
        }
    }
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
}

ATOM GlobalFindAtomW(LPCWSTR lpString) {
    if (lpString == nullptr) return 0;
    Atoms& a = atoms();
    std::lock_guard<std::mutex> g(a.lock);
    for (auto& [atom, entry] : a.byAtom) {
        if (EqualNoCase(entry.text, lpString)) return atom;
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
}

ATOM GlobalDeleteAtom(ATOM nAtom) {
    if (nAtom < kFirstStringAtom) return 0;  // integer atoms are not counted
    Atoms& a = atoms();
    std::lock_guard<std::mutex> g(a.lock);
    auto it = a.byAtom.find(nAtom);
    if (it == a.byAtom.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nAtom;
    }
    if (--it->second.references == 0) a.byAtom.erase(it);
    return 0;
}

UINT GlobalGetAtomNameW(ATOM nAtom, LPWSTR lpBuffer, int nSize) {
    if (lpBuffer == nullptr || nSize <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Atoms& a = atoms();
    std::lock_guard<std::mutex> g(a.lock);
    auto it = a.byAtom.find(nAtom);
    if (it == a.byAtom.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        lpBuffer[0] = 0;
        return 0;
    }
    size_t n = std::min<size_t>(it->second.text.size(), static_cast<size_t>(nSize - 1));
    it->second.text.copy(lpBuffer, n);
    lpBuffer[n] = 0;
    return static_cast<UINT>(n);
}

DWORD PlatGlobalAtomCount(void) {
    Atoms& a = atoms();
    std::lock_guard<std::mutex> g(a.lock);
    return static_cast<DWORD>(a.byAtom.size());
}

}  // extern "C"
