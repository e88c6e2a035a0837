// The global and per-port critical sections and the mutex that owns the physical port.
#include "monitor/port_kinds.h"
#include "monitor/port_record.h"

void LockPort(PortRecord* port) {
    if (!port) {
        if (!g_monitor.lockReady) MonitorProcessAttach();
        EnterCriticalSection(&g_monitor.lock);
        ++g_monitor.lockDepth;
        return;
    }
    EnterCriticalSection(&port->lock);
    ++port->lockDepth;
}

void UnlockPort(PortRecord* port) {
    if (!port) {
        --g_monitor.lockDepth;
        LeaveCriticalSection(&g_monitor.lock);
        return;
    }
    --port->lockDepth;
    LeaveCriticalSection(&port->lock);
}

BOOL TakePortMutex(PortRecord* port, DWORD milliseconds) {
    if (port->kind & kKindRedirected) return TRUE;
    DWORD rc = WaitForSingleObject(port->portMutex, milliseconds);
    return rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
}

void ReleasePortMutex(PortRecord* port) {
    if (!(port->kind & kKindRedirected)) ReleaseMutex(port->portMutex);
}
