// The monitor's private heap and global lock, created on process attach.
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "monitor/port_record.h"

MonitorGlobals g_monitor;

namespace {
std::atomic<LONG> g_liveStatusThreads{0};
// Real time, not the platform's clock: the threads end on their own once told to.
constexpr auto kDetachThreadWait = std::chrono::seconds(10);
}  // namespace

namespace {

constexpr DWORD kThreadLookMs = 500;

// One started status thread: its port and its handle.
struct KeptThread {
    PortRecord* port;
    HANDLE thread;
    KeptThread* next;
};
// A lock of its own: threads are kept while port locks are held, and the global lock comes first.
std::mutex g_keptLock;
KeptThread* g_keptThreads = nullptr;  // under g_keptLock

// Handles of threads that have ended are closed as new ones come, so the list stays short.
void ForgetEndedThreads() {
    for (KeptThread** link = &g_keptThreads; *link;) {
        KeptThread* kept = *link;
        if (WaitForSingleObject(kept->thread, 0) != WAIT_OBJECT_0) {
            link = &kept->next;
            continue;
        }
        *link = kept->next;
        CloseHandle(kept->thread);
        MonFree(kept);
    }
}

// Takes one kept thread of the port (any port when none) off the list; none when none is left.
KeptThread* TakeKeptThread(PortRecord* port) {
    std::lock_guard<std::mutex> hold(g_keptLock);
    for (KeptThread** link = &g_keptThreads; *link; link = &(*link)->next) {
        KeptThread* kept = *link;
        if (port && kept->port != port) continue;
        *link = kept->next;
        return kept;
    }
    return nullptr;
}

}  // namespace

void KeepStatusThread(PortRecord* port, HANDLE thread) {
    std::lock_guard<std::mutex> hold(g_keptLock);
    ForgetEndedThreads();
    auto* kept = static_cast<KeptThread*>(MonAlloc(sizeof(KeptThread)));
    if (!kept) {
        // Without room to keep it the thread is still waited for at the module's end.
        CloseHandle(thread);
        return;
    }
    kept->port = port;
    kept->thread = thread;
    kept->next = g_keptThreads;
    g_keptThreads = kept;
}

void WaitForStatusThreadsOf(PortRecord* port) {
    while (KeptThread* kept = TakeKeptThread(port)) {
        while (WaitForSingleObject(kept->thread, kThreadLookMs) != WAIT_OBJECT_0) {
        }
        CloseHandle(kept->thread);
        MonFree(kept);
    }
}

void StatusThreadStarts() {
    ++g_liveStatusThreads;
}

void StatusThreadEnds() {
    --g_liveStatusThreads;
}

LONG LiveStatusThreads() {
    return g_liveStatusThreads.load();
}

BOOL MonitorProcessAttach() {
    if (!g_monitor.heap) g_monitor.heap = HeapCreate(0, 0x8000, 0);
    if (!g_monitor.lockReady) {
        InitializeCriticalSection(&g_monitor.lock);
        g_monitor.lockReady = TRUE;
    }
    return g_monitor.heap != nullptr;
}

void MonitorProcessDetach() {
    WaitForStatusThreadsOf(nullptr);
    const auto giveUp = std::chrono::steady_clock::now() + kDetachThreadWait;
    while (g_liveStatusThreads.load() > 0 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (g_monitor.lockReady) {
        DeleteCriticalSection(&g_monitor.lock);
        g_monitor.lockReady = FALSE;
    }
    if (g_monitor.heap) HeapDestroy(g_monitor.heap);
    g_monitor = MonitorGlobals{};
}

void* MonAlloc(size_t bytes) {
    if (!g_monitor.heap && !MonitorProcessAttach()) return nullptr;
    return HeapAlloc(g_monitor.heap, HEAP_ZERO_MEMORY, bytes ? bytes : 1);
}

void MonFree(void* block) {
    if (block && g_monitor.heap) HeapFree(g_monitor.heap, 0, block);
}
