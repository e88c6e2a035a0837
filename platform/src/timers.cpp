// Window timers on the platform's clock. A timer comes due each time the clock passes another
// period; a due timer is one pending WM_TIMER however many periods passed (Windows keeps a due
// mark, not a count), made up when the thread's loop finds nothing posted.
#include <algorithm>
#include <map>
#include <mutex>

#include "plat_internal.h"
#include "queue_sources.h"
#include "window_table.h"

namespace plat {
namespace {

// Ids SetTimer hands out for timers without a window, far from the small ids windows use.
constexpr UINT_PTR kFirstThreadTimerId = 0x7FF0;

struct Timer {
    DWORD thread = 0;
    UINT period = 0;
    ULONGLONG nextExpiry = 0;
    bool due = false;
    TIMERPROC proc = nullptr;
    ULONGLONG dueSince = 0;  // the first expiry not yet answered
};

struct TimerKey {
    HWND hwnd;
    UINT_PTR id;
    auto operator<=>(const TimerKey&) const = default;
};

struct Timers {
    std::mutex lock;
    std::map<TimerKey, Timer> byKey;
    UINT_PTR nextThreadId = kFirstThreadTimerId;
};

Timers& timers() {
    static Timers* t = new Timers;
    return *t;
}

// Marks a timer due when the clock has reached its expiry and moves the expiry past now.
void Refresh(Timer& t, ULONGLONG now) {
    if (now < t.nextExpiry) return;
    if (!t.due) t.dueSince = t.nextExpiry;
    t.due = true;
    ULONGLONG periods = (now - t.nextExpiry) / t.period + 1;
    t.nextExpiry += periods * t.period;
}

// Lets the owning thread's loop recompute how long it may wait.
void WakeThread(DWORD thread) {
    Windows& w = WindowTable();
    std::lock_guard<std::mutex> g(w.lock);
    auto it = w.queues.find(thread);
    if (it != w.queues.end()) SetEvent(it->second->wake);
}

bool WindowGone(HWND h) {
    return h != nullptr && !IsWindow(h);
}

}  // namespace

bool TakeTimerMessage(DWORD thread, const MessageFilter& accept, bool remove, MSG& out) {
    ULONGLONG now = GetTickCount64();
    struct Candidate {
        ULONGLONG dueSince;
        TimerKey key;
        MSG m;
    };
    std::vector<Candidate> candidates;
    {
        Timers& t = timers();
        std::lock_guard<std::mutex> g(t.lock);
        for (auto& [key, timer] : t.byKey) {
            if (timer.thread != thread) continue;
            Refresh(timer, now);
            if (!timer.due) continue;
            MSG m{key.hwnd,   WM_TIMER, key.id, reinterpret_cast<LPARAM>(timer.proc), static_cast<DWORD>(now),
                  POINT{0, 0}};
            candidates.push_back(Candidate{timer.dueSince, key, m});
        }
    }
    // The timer waiting longest goes first.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.dueSince < b.dueSince; });
    // The filter and the window checks call into the window table: done without the timers' lock.
    for (auto& [since, key, m] : candidates) {
        if (WindowGone(key.hwnd)) {
            KillTimer(key.hwnd, key.id);
            continue;
        }
        if (!accept(m)) continue;
        if (remove) {
            Timers& t = timers();
            std::lock_guard<std::mutex> g(t.lock);
            auto it = t.byKey.find(key);
            if (it == t.byKey.end()) continue;  // killed meanwhile
            it->second.due = false;
        }
        out = m;
        return true;
    }
    return false;
}

bool TimerDue(DWORD thread) {
    ULONGLONG now = GetTickCount64();
    Timers& t = timers();
    std::lock_guard<std::mutex> g(t.lock);
    bool due = false;
    for (auto& [key, timer] : t.byKey) {
        if (timer.thread != thread) continue;
        Refresh(timer, now);
        due = due || timer.due;
    }
    return due;
}

ULONGLONG NextTimerExpiry(DWORD thread) {
    ULONGLONG now = GetTickCount64();
    Timers& t = timers();
    std::lock_guard<std::mutex> g(t.lock);
    ULONGLONG next = ~0ull;
    for (auto& [key, timer] : t.byKey) {
        if (timer.thread != thread) continue;
        Refresh(timer, now);
        // One that came due since the caller last looked is waiting already: no sleep.
        next = std::min(next, timer.due ? now : timer.nextExpiry);
    }
    return next;
}

}  // namespace plat

using namespace plat;

extern "C" {

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    DWORD thread = GetCurrentThreadId();
    if (hWnd != nullptr) {
        auto window = FindWindowEntry(hWnd);
        if (!window || window->messageOnly) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        thread = window->thread;
    }
    UINT period = std::clamp<UINT>(uElapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    UINT_PTR id = nIDEvent;
    {
        Timers& t = timers();
        std::lock_guard<std::mutex> g(t.lock);
        // Without a window the id given names an existing timer of the thread to set anew, else
        // a new id is made.
        if (hWnd == nullptr && (id == 0 || !t.byKey.count(TimerKey{nullptr, id}))) id = t.nextThreadId++;
        t.byKey[TimerKey{hWnd, id}] = Timer{thread, period, GetTickCount64() + period, false, lpTimerFunc};
    }
    WakeThread(thread);
    return hWnd == nullptr ? id : (id != 0 ? id : 1);
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    Timers& t = timers();
    std::lock_guard<std::mutex> g(t.lock);
    if (t.byKey.erase(TimerKey{hWnd, uIDEvent}) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
