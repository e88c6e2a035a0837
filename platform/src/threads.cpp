// Threads: CreateThread runs the routine on a host thread; the thread object is signaled, and
// its exit code set, when the routine returns, so WaitForSingleObject on a thread handle works.
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <thread>

#include "plat/threads.h"
#include "sync_internal.h"
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

}  // namespace

DWORD CurrentThreadIdentity() {
    thread_local DWORD id = static_cast<DWORD>(syscall(SYS_gettid));
    return id;
}

}  // namespace plat

using namespace plat;

extern "C" {

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                    DWORD, LPDWORD lpThreadId) {
    if (lpStartAddress == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
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
        std::thread([object, start, lpStartAddress, lpParameter] {
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
