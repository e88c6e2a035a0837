// What the clock, the waitable objects and the threads share: one dispatcher lock that guards
// every object's state and the clock, so a waiter checks both and sleeps without losing a wake-up.
#pragma once

#include <mutex>
#include <string>

#include "handle_table.h"
#include "win/base.h"

namespace plat {

constexpr ULONGLONG kNoDeadline = ~0ull;

std::mutex& DispatchLock();
// Clock value in milliseconds (caller holds the dispatcher lock).
ULONGLONG ClockNowLocked();
// Sleeps on the dispatcher until something changes or the deadline passes. FALSE when the deadline
// (platform milliseconds, kNoDeadline for none) has already passed on entry; TRUE means "look again".
bool DispatchWait(std::unique_lock<std::mutex>& lock, ULONGLONG deadline);
// Wakes every waiter to look again (caller holds the dispatcher lock).
void DispatchWakeAll();
// WaitForMultipleObjects for any of the objects until a clock time (kNoDeadline: none) rather
// than for a number of milliseconds: a waiter that worked its time out from an earlier reading of
// the clock does not sleep past it when the clock moved meanwhile.
DWORD WaitForObjectsUntil(DWORD count, const HANDLE* handles, ULONGLONG until);

// The calling thread's identity as the kernel gives it out (also what lpThreadId reports).
DWORD CurrentThreadIdentity();

enum class SyncKind { Event, Mutex, Semaphore, Thread };

// Every waitable object. Fields below `kind` are guarded by DispatchLock().
struct SyncObject : KernelObject {
    SyncKind kind = SyncKind::Event;
    std::u16string name;
    bool manualReset = false;   // event
    bool signaled = false;      // event, thread
    unsigned long pulses = 0;   // event: PulseEvent count, so current waiters see a pulse
    bool pulsePending = false;  // auto-reset event: one pulse for one current waiter
    DWORD owner = 0;            // mutex: owning thread, 0 when free
    LONG recursion = 0;         // mutex
    bool abandoned = false;     // mutex: its owner ended without releasing it
    LONG count = 0;             // semaphore
    LONG maximum = 0;           // semaphore
    DWORD exitCode = 259;       // thread: STILL_ACTIVE until it returns
    DWORD threadId = 0;         // thread
    int waiters = 0;            // threads currently waiting on it
};

}  // namespace plat
