// Per-thread message queues: posting, sending (directly within a thread, through the target
// thread's loop across threads), the retrieval calls and registered message numbers.
#include <algorithm>

#include "plat_internal.h"
#include "queue_sources.h"
#include "sync_internal.h"
#include "window_table.h"

namespace plat {

Windows& WindowTable() {
    static Windows* w = new Windows;
    return *w;
}

std::shared_ptr<Window> FindWindowLocked(Windows& w, HWND h) {
    auto it = w.byHandle.find(reinterpret_cast<ULONG_PTR>(h));
    return it == w.byHandle.end() ? nullptr : it->second;
}

HWND AddWindowLocked(Windows& w, std::shared_ptr<Window> window) {
    w.next += 2;
    HWND h = reinterpret_cast<HWND>(w.next);
    window->self = h;
    w.byHandle[w.next] = std::move(window);
    return h;
}

std::shared_ptr<ThreadQueue> QueueForLocked(Windows& w, DWORD thread) {
    auto& q = w.queues[thread];
    if (!q) {
        q = std::make_shared<ThreadQueue>();
        q->thread = thread;
        q->wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }
    return q;
}

std::shared_ptr<Window> FindWindowEntry(HWND h) {
    Windows& w = WindowTable();
    std::lock_guard<std::mutex> g(w.lock);
    return FindWindowLocked(w, h);
}

std::shared_ptr<ThreadQueue> CurrentQueue() {
    Windows& w = WindowTable();
    std::lock_guard<std::mutex> g(w.lock);
    return QueueForLocked(w, GetCurrentThreadId());
}

BOOL PostToThreadLocked(Windows&, ThreadQueue& q, const MSG& message) {
    if (q.posted.size() >= kMaxQueue) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    }
    q.posted.push_back(message);
    SetEvent(q.wake);
    return TRUE;
}

namespace {

// The procedure to call for a window, or null once the window is gone.
WNDPROC ProcedureOf(HWND h) {
    auto window = FindWindowEntry(h);
    return window && !window->messageOnly ? window->proc.load() : nullptr;
}

bool TakeSent(ThreadQueue& q, std::shared_ptr<SentMessage>& out) {
    Windows& w = WindowTable();
    std::lock_guard<std::mutex> g(w.lock);
    if (q.sent.empty()) return false;
    out = q.sent.front();
    q.sent.pop_front();
    return true;
}

bool Matches(const MSG& m, HWND filter, UINT first, UINT last) {
    if (filter != nullptr && m.hwnd != filter && !IsChild(filter, m.hwnd)) return false;
    if (first == 0 && last == 0) return true;
    return m.message >= first && m.message <= last;
}

// Takes (or, without `remove`, copies) the first posted message that passes the filter. A quit
// request is answered once the queue holds nothing else that passes.
bool TakePosted(ThreadQueue& q, LPMSG out, HWND filter, UINT first, UINT last, bool remove) {
    Windows& w = WindowTable();
    std::lock_guard<std::mutex> g(w.lock);
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!Matches(*it, filter, first, last)) continue;
        *out = *it;
        if (remove) q.posted.erase(it);
        return true;
    }
    if (!q.quit) return false;
    *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0, GetTickCount(), POINT{0, 0}};
    if (remove) q.quit = false;
    return true;
}

// A posted message (or quit), else a made-up WM_PAINT, else a due timer's WM_TIMER.
bool TakeNext(ThreadQueue& q, LPMSG out, HWND filter, UINT first, UINT last, bool remove) {
    if (TakePosted(q, out, filter, first, last, remove)) return true;
    auto accept = [&](const MSG& m) { return Matches(m, filter, first, last); };
    if (FindPaintMessage(q.thread, accept, *out)) return true;
    return TakeTimerMessage(q.thread, accept, remove, *out);
}

bool HasInput(ThreadQueue& q) {
    {
        Windows& w = WindowTable();
        std::lock_guard<std::mutex> g(w.lock);
        if (!q.posted.empty() || !q.sent.empty() || q.quit) return true;
    }
    return HasPaintPending(q.thread) || TimerDue(q.thread);
}

// Waits for the reply to a message sent to another thread, handling meanwhile what other
// threads send to this one (two threads sending to each other must not deadlock).
void AwaitReply(ThreadQueue& mine, SentMessage& sent) {
    HANDLE handles[2] = {sent.done, mine.wake};
    for (;;) {
        DWORD r = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (r == WAIT_OBJECT_0) return;
        if (r == WAIT_FAILED) return;
        DeliverSentMessages();
    }
}

struct RegisteredMessages {
    std::mutex lock;
    std::map<std::u16string, UINT> byName;  // folded name
    UINT next = 0xC000;
};

RegisteredMessages& registered() {
    static RegisteredMessages* r = new RegisteredMessages;
    return *r;
}

}  // namespace

int DeliverSentMessages() {
    auto q = CurrentQueue();
    int count = 0;
    std::shared_ptr<SentMessage> sent;
    while (TakeSent(*q, sent)) {
        WNDPROC proc = ProcedureOf(sent->hwnd);
        if (proc) {
            ++q->sendDepth;
            sent->result = proc(sent->hwnd, sent->message, sent->wParam, sent->lParam);
            --q->sendDepth;
            sent->delivered = true;
        } else {
            sent->abandoned = true;
        }
        SetEvent(sent->done);
        ++count;
    }
    return count;
}

}  // namespace plat

using namespace plat;

extern "C" {

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    auto window = FindWindowEntry(hWnd);
    if (!window || window->messageOnly) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    // The procedure is read only on the window's own thread, where subclassing changes it.
    if (window->thread == GetCurrentThreadId() || window->thread == kNoThread) {
        WNDPROC proc = window->proc.load();
        return proc ? proc(hWnd, Msg, wParam, lParam) : 0;
    }
    auto sent = std::make_shared<SentMessage>();
    *sent = SentMessage{hWnd, Msg, wParam, lParam, 0, false, false, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    if (sent->done == nullptr) return 0;
    std::shared_ptr<ThreadQueue> mine;
    {
        Windows& w = WindowTable();
        std::lock_guard<std::mutex> g(w.lock);
        auto target = QueueForLocked(w, window->thread);
        target->sent.push_back(sent);
        SetEvent(target->wake);
        mine = QueueForLocked(w, GetCurrentThreadId());
    }
    AwaitReply(*mine, *sent);
    CloseHandle(sent->done);
    if (sent->abandoned) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return sent->result;
}

BOOL InSendMessage(void) {
    return CurrentQueue()->sendDepth > 0 ? TRUE : FALSE;
}

BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
    Windows& w = WindowTable();
    std::lock_guard<std::mutex> g(w.lock);
    auto it = w.queues.find(idThread);
    if (it == w.queues.end()) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return PostToThreadLocked(w, *it->second, MSG{nullptr, Msg, wParam, lParam, GetTickCount(), POINT{0, 0}});
}

void PostQuitMessage(int nExitCode) {
    Windows& w = WindowTable();
    std::lock_guard<std::mutex> g(w.lock);
    auto q = QueueForLocked(w, GetCurrentThreadId());
    q->quit = true;
    q->quitCode = nExitCode;
    SetEvent(q->wake);
}

BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    if (lpMsg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DeliverSentMessages();
    auto q = CurrentQueue();
    return TakeNext(*q, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0) ? TRUE : FALSE;
}

// -1 on a bad argument, 0 for WM_QUIT, nonzero for any other message.
BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    if (lpMsg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    auto q = CurrentQueue();
    for (;;) {
        DeliverSentMessages();
        if (TakeNext(*q, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true)) return lpMsg->message != WM_QUIT;
        // Sleeps until new input or until the clock reaches the next timer's period; input
        // already queued that the filter passes over does not wake it.
        HANDLE wake = q->wake;
        const bool takesTimers =
            (wMsgFilterMin == 0 && wMsgFilterMax == 0) || (wMsgFilterMin <= WM_TIMER && WM_TIMER <= wMsgFilterMax);
        const ULONGLONG until = takesTimers ? NextTimerExpiry(q->thread) : kNoDeadline;
        if (WaitForObjectsUntil(1, &wake, until) == WAIT_FAILED) return -1;
    }
}

BOOL TranslateMessage(const MSG* lpMsg) {
    // Keys arrive from the test interface as characters already; nothing to translate.
    return lpMsg != nullptr && lpMsg->message == WM_KEYDOWN ? TRUE : FALSE;
}

LRESULT DispatchMessageW(const MSG* lpMsg) {
    if (lpMsg == nullptr) return 0;
    // A timer with a procedure calls it instead of the window's (a thread timer has no window).
    if (lpMsg->message == WM_TIMER && lpMsg->lParam != 0) {
        if (lpMsg->hwnd != nullptr && !IsWindow(lpMsg->hwnd)) return 0;
        reinterpret_cast<TIMERPROC>(lpMsg->lParam)(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, GetTickCount());
        return 0;
    }
    if (lpMsg->hwnd == nullptr) return 0;
    auto window = FindWindowEntry(lpMsg->hwnd);
    WNDPROC proc = window && !window->messageOnly ? window->proc.load() : nullptr;
    if (proc == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (window->thread != GetCurrentThreadId()) {
        SetLastError(ERROR_MESSAGE_SYNC_ONLY);
        return 0;
    }
    LRESULT result = proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
    if (lpMsg->message == WM_PAINT) ValidateAfterPaint(lpMsg->hwnd);
    return result;
}

// Input already waiting counts as new input: a loop that peeks until empty and then waits is the
// only pattern the callers use. A wake-up left over from input already taken is not input.
DWORD MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll, DWORD dwMilliseconds,
                                DWORD dwWakeMask) {
    if (nCount >= MAXIMUM_WAIT_OBJECTS || (nCount > 0 && pHandles == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    auto q = CurrentQueue();
    bool wantsInput = (dwWakeMask & QS_ALLINPUT) != 0;
    if (fWaitAll || !wantsInput) return WaitForMultipleObjects(nCount, pHandles, fWaitAll, dwMilliseconds);
    std::vector<HANDLE> handles(pHandles, pHandles + nCount);
    handles.push_back(q->wake);
    ULONGLONG deadline = dwMilliseconds == INFINITE ? ~0ull : GetTickCount64() + dwMilliseconds;
    for (;;) {
        if (HasInput(*q)) return WAIT_OBJECT_0 + nCount;
        // A timer coming due is input too: the wait ends when the clock reaches it.
        ULONGLONG until = std::min(deadline, NextTimerExpiry(q->thread));
        DWORD r = WaitForObjectsUntil(nCount + 1, handles.data(), until);
        if (r == WAIT_TIMEOUT && until < deadline) continue;  // the timer's turn, not the caller's
        if (r != WAIT_OBJECT_0 + nCount) return r;
        if (!HasInput(*q) && dwMilliseconds == 0) return WAIT_TIMEOUT;
    }
}

UINT RegisterWindowMessageW(LPCWSTR lpString) {
    if (lpString == nullptr || lpString[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    RegisteredMessages& r = registered();
    std::lock_guard<std::mutex> g(r.lock);
    std::u16string key = Fold(lpString);
    auto it = r.byName.find(key);
    if (it != r.byName.end()) return it->second;
    if (r.next > 0xFFFF) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    return r.byName[key] = r.next++;
}

}  // extern "C"
