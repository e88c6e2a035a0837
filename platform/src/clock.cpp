// The one process-wide clock behind GetTickCount, Sleep and every timed wait. Real time by
// default; in manual mode it moves only when a test advances it (or, with auto-advance, when a
// sleeper has been left alone long enough that nothing else is going to wake it).
#include <chrono>
#include <condition_variable>
#include <map>
#include <thread>

#include "plat/control.h"
#include "plat/threads.h"
#include "sync_internal.h"
#include "win/kernel.h"

namespace plat {
namespace {

// Real time a waiter gives the rest of the process to wake it before auto-advance moves the clock.
constexpr auto kAutoAdvanceGrace = std::chrono::milliseconds(10);

struct Clock {
    std::mutex lock;
    std::condition_variable changed;
    bool manual = false;
    bool autoAdvance = false;
    ULONGLONG manualNow = 0;
    LONGLONG realOffset = 0;  // added to the host's steady milliseconds in real-time mode
    // Threads waiting in manual mode: deadline -> the platform time at which they began to wait.
    std::multimap<ULONGLONG, ULONGLONG> deadlines;
    std::condition_variable waitersChanged;  // a thread began to wait (tests wait for that)
};

// Threads waiting on the manual clock that began to wait at its present time: they have seen
// every move of the clock so far.
DWORD SettledWaitersLocked(const Clock& c) {
    DWORD n = 0;
    for (const auto& [deadline, since] : c.deadlines) {
        if (since == c.manualNow) ++n;
    }
    return n;
}

Clock& TheClock() {
    static Clock* c = new Clock;  // never destroyed: detached threads may still wait during exit
    return *c;
}

ULONGLONG SteadyMs() {
    using namespace std::chrono;
    return static_cast<ULONGLONG>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

std::mutex& DispatchLock() {
    return TheClock().lock;
}

ULONGLONG ClockNowLocked() {
    Clock& c = TheClock();
    if (c.manual) return c.manualNow;
    return static_cast<ULONGLONG>(static_cast<LONGLONG>(SteadyMs()) + c.realOffset);
}

void DispatchWakeAll() {
    TheClock().changed.notify_all();
}

bool DispatchWait(std::unique_lock<std::mutex>& lock, ULONGLONG deadline) {
    Clock& c = TheClock();
    ULONGLONG now = ClockNowLocked();
    if (deadline != kNoDeadline && now >= deadline) return false;
    if (!c.manual) {
        if (deadline == kNoDeadline) {
            c.changed.wait(lock);
        } else {
            c.changed.wait_for(lock, std::chrono::milliseconds(deadline - now));
        }
        return true;
    }
    if (deadline == kNoDeadline) {
        c.changed.wait(lock);
        return true;
    }
    auto mine = c.deadlines.emplace(deadline, c.manualNow);
    c.waitersChanged.notify_all();
    if (c.autoAdvance) {
        if (c.changed.wait_for(lock, kAutoAdvanceGrace) == std::cv_status::timeout && c.manual && c.autoAdvance) {
            // Nobody woke us: the earliest timer in the process fires next.
            ULONGLONG earliest = c.deadlines.begin()->first;
            if (earliest > c.manualNow) {
                c.manualNow = earliest;
                c.changed.notify_all();
            }
        }
    } else {
        c.changed.wait(lock);
    }
    c.deadlines.erase(mine);
    return true;
}

}  // namespace plat

using plat::TheClock;

extern "C" {

ULONGLONG GetTickCount64(void) {
    std::lock_guard<std::mutex> g(plat::DispatchLock());
    return plat::ClockNowLocked();
}

DWORD GetTickCount(void) {
    return static_cast<DWORD>(GetTickCount64());
}

void Sleep(DWORD dwMilliseconds) {
    if (dwMilliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    std::unique_lock<std::mutex> lock(plat::DispatchLock());
    ULONGLONG deadline = dwMilliseconds == INFINITE ? plat::kNoDeadline : plat::ClockNowLocked() + dwMilliseconds;
    while (plat::DispatchWait(lock, deadline)) {
    }
}

void PlatClockSetManual(BOOL manual) {
    auto& c = TheClock();
    std::lock_guard<std::mutex> g(c.lock);
    if (static_cast<bool>(manual) == c.manual) return;
    ULONGLONG now = plat::ClockNowLocked();  // time never jumps at the switch
    c.manual = manual != FALSE;
    if (c.manual) {
        c.manualNow = now;
    } else {
        c.realOffset = static_cast<LONGLONG>(now) - static_cast<LONGLONG>(plat::SteadyMs());
    }
    c.changed.notify_all();
}

void PlatClockAdvance(DWORD milliseconds) {
    auto& c = TheClock();
    std::lock_guard<std::mutex> g(c.lock);
    if (c.manual) {
        c.manualNow += milliseconds;
    } else {
        c.realOffset += milliseconds;
    }
    c.changed.notify_all();
}

void PlatClockSetAutoAdvance(BOOL on) {
    auto& c = TheClock();
    std::lock_guard<std::mutex> g(c.lock);
    c.autoAdvance = on != FALSE;
    c.changed.notify_all();
}

DWORD PlatClockNow(void) {
    return GetTickCount();
}

DWORD PlatClockTimedWaiters(void) {
    auto& c = TheClock();
    std::lock_guard<std::mutex> g(c.lock);
    return static_cast<DWORD>(c.deadlines.size());
}

BOOL PlatClockWaitForSettledWaiters(DWORD count, DWORD wallMs) {
    auto& c = TheClock();
    std::unique_lock<std::mutex> lock(c.lock);
    return c.waitersChanged.wait_for(lock, std::chrono::milliseconds(wallMs),
                                     [&] { return c.manual && SettledWaitersLocked(c) >= count; });
}

}  // extern "C"
