// The monitor's private heap and global lock, created on process attach.
#include <atomic>
#include <chrono>
#include <thread>

#include "monitor/port_record.h"

MonitorGlobals g_monitor;

namespace {
std::atomic<LONG> g_liveStatusThreads{0};
// Real time, not the platform's clock: the threads end on their own once told to.
constexpr auto kDetachThreadWait = std::chrono::seconds(10);
}  // namespace

void StatusThreadStarts() {
    ++g_liveStatusThreads;
}

void StatusThreadEnds() {
    --g_liveStatusThreads;
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
