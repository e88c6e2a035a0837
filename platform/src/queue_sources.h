// Messages a thread's queue makes up when it is asked for one rather than holding them: WM_PAINT
// for a window with an update region (paint.cpp) and WM_TIMER for a timer that came due
// (timers.cpp). They come after posted messages, WM_PAINT before WM_TIMER, as on Windows.
#pragma once

#include <functional>

#include "win/user.h"

namespace plat {

using MessageFilter = std::function<bool(const MSG&)>;

// WM_PAINT for the first shown window of the thread with an update region that the filter takes.
// It stays until the window validates its region, so it is never removed here.
bool FindPaintMessage(DWORD thread, const MessageFilter& accept, MSG& out);
bool HasPaintPending(DWORD thread);
// After WM_PAINT was dispatched: whatever the window left invalid is validated, so a window that
// does not paint cannot keep its loop spinning.
void ValidateAfterPaint(HWND hwnd);

// WM_TIMER for the first due timer of the thread that the filter takes; `remove` clears its due
// mark. A timer of a window that is gone is dropped.
bool TakeTimerMessage(DWORD thread, const MessageFilter& accept, bool remove, MSG& out);
// Whether a timer of the thread is due (its WM_TIMER waits to be taken).
bool TimerDue(DWORD thread);
// The clock time the next of the thread's timers comes due (now for one due already, whose
// WM_TIMER waits to be taken), or ~0 for none: how long a waiting loop may sleep.
ULONGLONG NextTimerExpiry(DWORD thread);

}  // namespace plat
