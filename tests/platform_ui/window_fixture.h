// Shared pieces of the window tests: a window class that records every message it gets, RAII
// holders for windows and modules, and the log of notifications a dialog receives.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "win/kernel.h"
#include "win/user.h"

namespace uitest {

struct Seen {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    DWORD thread;
};

// What the recording class's windows received, in order, across threads.
struct Journal {
    std::mutex lock;
    std::vector<Seen> seen;
    void Add(const Seen& s) {
        std::lock_guard<std::mutex> g(lock);
        seen.push_back(s);
    }
    std::vector<Seen> Take() {
        std::lock_guard<std::mutex> g(lock);
        return std::exchange(seen, {});
    }
};

inline Journal& journal() {
    static Journal j;
    return j;
}

inline LRESULT CALLBACK RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    journal().Add(Seen{h, m, w, GetCurrentThreadId()});
    if (m == WM_USER + 1) return static_cast<LRESULT>(w) * 2;  // answers to show the reply crossed back
    return DefWindowProcW(h, m, w, l);
}

inline constexpr const WCHAR* kRecordingClass = u"UiTestRecording";

inline void RegisterRecordingClass() {
    static const ATOM atom = [] {
        WNDCLASSW c{};
        c.lpfnWndProc = RecordingProc;
        c.cbWndExtra = 16;
        c.lpszClassName = kRecordingClass;
        return RegisterClassW(&c);
    }();
    ASSERT_NE(atom, 0);
}

// A shown top-level window of a class of its own whose procedure the test gives (registered once
// per class name).
inline HWND MakeParentWindow(LPCWSTR className, WNDPROC proc, int width, int height) {
    WNDCLASSW c{};
    if (!GetClassInfoW(nullptr, className, &c)) {
        c.lpfnWndProc = proc;
        c.lpszClassName = className;
        if (RegisterClassW(&c) == 0) return nullptr;
    }
    return CreateWindowExW(0, className, u"", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr, nullptr,
                           nullptr);
}

// Destroys the window at the end of the scope, on the thread that made it.
struct WindowHolder {
    HWND h = nullptr;
    explicit WindowHolder(HWND window) : h(window) {}
    ~WindowHolder() {
        if (h && IsWindow(h)) DestroyWindow(h);
    }
    WindowHolder(const WindowHolder&) = delete;
    WindowHolder& operator=(const WindowHolder&) = delete;
};

struct ModuleHolder {
    HMODULE h = nullptr;
    explicit ModuleHolder(LPCWSTR name) : h(LoadLibraryW(name)) {}
    ~ModuleHolder() {
        if (h) FreeLibrary(h);
    }
    ModuleHolder(const ModuleHolder&) = delete;
    ModuleHolder& operator=(const ModuleHolder&) = delete;
};

// The messages of one window, in order.
inline std::vector<UINT> MessagesOf(const std::vector<Seen>& seen, HWND h) {
    std::vector<UINT> out;
    for (const Seen& s : seen) {
        if (s.hwnd == h) out.push_back(s.message);
    }
    return out;
}

}  // namespace uitest
