// Threads: CreateThread runs the routine on a host thread; the thread object is signaled, and
// its exit code set, when the routine returns, so WaitForSingleObject on a thread handle works.
#include "plat/threads.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <thread>
#include <unordered_map>

#include "plat/window_test.h"
#include "plat_internal.h"
#include "sync_internal.h"
#include "win/activation_context.h"
#include "win/kernel.h"

namespace plat {
namespace {

struct Running {
    std::mutex lock;
    std::condition_variable ended;
    DWORD count = 0;
};

Running& running() {
    static Running* r = new Running;
    return *r;
}

// Priorities set with SetThreadPriority, by thread id; a thread without an entry is at normal.
struct Priorities {
    std::mutex lock;
    std::unordered_map<DWORD, int> byThread;
};

Priorities& priorities() {
    static Priorities* p = new Priorities;
    return *p;
}

void ForgetThreadPriority(DWORD id) {
    std::lock_guard<std::mutex> g(priorities().lock);
    priorities().byThread.erase(id);
}

// A thread that set its own priority forgets it when it ends, so that a later thread that gets
// the same id starts at normal.
struct OwnPriority {
    DWORD id = 0;
    ~OwnPriority() {
        if (id) ForgetThreadPriority(id);
    }
};
thread_local OwnPriority t_ownPriority;

bool ValidPriority(int n) {
    switch (n) {
        case THREAD_PRIORITY_IDLE:
        case THREAD_PRIORITY_LOWEST:
        case THREAD_PRIORITY_BELOW_NORMAL:
        case THREAD_PRIORITY_NORMAL:
        case THREAD_PRIORITY_ABOVE_NORMAL:
        case THREAD_PRIORITY_HIGHEST:
        case THREAD_PRIORITY_TIME_CRITICAL:
            return true;
        default:
            return false;
    }
}

// The thread a handle names (the current-thread pseudo handle or a thread object); 0 when the
// handle names no thread.
DWORD ThreadOfHandle(HANDLE h) {
    if (h == GetCurrentThread()) return CurrentThreadIdentity();
    auto object = HandleGet<SyncObject>(h);
    if (!object || object->kind != SyncKind::Thread) return 0;
    std::lock_guard<std::mutex> g(DispatchLock());
    return object->threadId;
}

}  // namespace

DWORD CurrentThreadIdentity() {
    thread_local DWORD id = static_cast<DWORD>(syscall(SYS_gettid));
    return id;
}

}  // namespace plat

using namespace plat;

extern "C" {

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter, DWORD,
                    LPDWORD lpThreadId) {
    if (lpStartAddress == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (FailNow("CreateThread", ERROR_NOT_ENOUGH_MEMORY)) return nullptr;  // the system out of resources
    // The new thread starts in the creator's current activation context.
    HANDLE inherited = nullptr;
    GetCurrentActCtx(&inherited);
    const ThreadModalIdle user = CurrentThreadModalIdle();
    auto object = std::make_shared<SyncObject>();
    object->kind = SyncKind::Thread;
    object->exitCode = STILL_ACTIVE;
    HANDLE h = HandleInsert(object);
    {
        std::lock_guard<std::mutex> g(running().lock);
        ++running().count;
    }
    // The id is known once the host thread runs; the creator waits for it, as the caller may
    // compare it with GetCurrentThreadId inside the thread.
    struct Start {
        std::mutex lock;
        std::condition_variable cv;
        DWORD id = 0;
    };
    auto start = std::make_shared<Start>();
    try {
        std::thread([object, start, lpStartAddress, lpParameter, inherited, user] {
            BeginInheritedActivation(inherited);
            PlatSetModalIdleHandler(user.handler, user.context);
            DWORD id = CurrentThreadIdentity();
            {
                std::lock_guard<std::mutex> g(DispatchLock());
                object->threadId = id;
            }
            {
                std::lock_guard<std::mutex> g(start->lock);
                start->id = id;
            }
            start->cv.notify_all();
            DWORD code = lpStartAddress(lpParameter);
            EndThreadActivations();
            ForgetThreadPriority(id);
            {
                std::lock_guard<std::mutex> g(DispatchLock());
                object->exitCode = code;
                object->signaled = true;
                DispatchWakeAll();
            }
            Running& r = running();
            std::lock_guard<std::mutex> g(r.lock);
            --r.count;
            r.ended.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        if (inherited) ReleaseActCtx(inherited);
        {
            std::lock_guard<std::mutex> g(running().lock);
            --running().count;
        }
        HandleClose(h);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::unique_lock<std::mutex> lk(start->lock);
    start->cv.wait(lk, [&] { return start->id != 0; });
    if (lpThreadId) *lpThreadId = start->id;
    return h;
}

BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
    auto object = HandleGet<SyncObject>(hThread);
    if (!object || object->kind != SyncKind::Thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (lpExitCode == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> g(DispatchLock());
    *lpExitCode = object->exitCode;
    return TRUE;
}

// A host thread cannot be killed from outside without corrupting the process; say so rather
// than pretend it ended.
BOOL TerminateThread(HANDLE hThread, DWORD) {
    auto object = HandleGet<SyncObject>(hThread);
    if (!object || object->kind != SyncKind::Thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

BOOL SetThreadPriority(HANDLE hThread, int nPriority) {
    DWORD id = ThreadOfHandle(hThread);
    if (id == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!ValidPriority(nPriority)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (id == CurrentThreadIdentity()) t_ownPriority.id = id;
    std::lock_guard<std::mutex> g(priorities().lock);
    if (nPriority == THREAD_PRIORITY_NORMAL)
        priorities().byThread.erase(id);
    else
        priorities().byThread[id] = nPriority;
    return TRUE;
}

int GetThreadPriority(HANDLE hThread) {
    DWORD id = ThreadOfHandle(hThread);
    if (id == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return THREAD_PRIORITY_ERROR_RETURN;
    }
    std::lock_guard<std::mutex> g(priorities().lock);
    auto it = priorities().byThread.find(id);
    return it == priorities().byThread.end() ? THREAD_PRIORITY_NORMAL : it->second;
}

DWORD PlatRunningThreadCount(void) {
    Running& r = running();
    std::lock_guard<std::mutex> g(r.lock);
    return r.count;
}

BOOL PlatWaitForThreadsToEnd(DWORD milliseconds) {
    Running& r = running();
    std::unique_lock<std::mutex> g(r.lock);
    return r.ended.wait_for(g, std::chrono::milliseconds(milliseconds), [&] { return r.count == 0; }) ? TRUE : FALSE;
}

}  // extern "C"
