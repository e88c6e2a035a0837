// Test controls for the platform's threads: leak checks after a module has been shut down.
#pragma once

#include "win/base.h"

extern "C" {

// Threads started by CreateThread that have not yet returned from their start routine.
DWORD PlatRunningThreadCount(void);
// Waits (real time, at most `milliseconds`) until no such thread is left; TRUE when none is.
BOOL PlatWaitForThreadsToEnd(DWORD milliseconds);
// Threads in a timed wait or Sleep on the manual clock right now (tests advance the clock once
// the waiter they mean is waiting).
DWORD PlatClockTimedWaiters(void);
// Waits (real time, at most `wallMs`, a hang guard) until at least `count` threads wait on the
// manual clock having seen its present time: after PlatClockAdvance, a waiter counts again only
// once it has woken, found its deadline still ahead and gone back to waiting. FALSE on the guard.
BOOL PlatClockWaitForSettledWaiters(DWORD count, DWORD wallMs);

}  // extern "C"
