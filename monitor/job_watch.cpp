// The job-watch thread and its start.
#include "monitor/job_watch.h"

#include "monitor/manager_client.h"
#include "monitor/polling_thread.h"
#include "monitor/printer_query.h"
#include "win/spool.h"

namespace {

constexpr DWORD kWatchCycleMs = 3000;
constexpr DWORD kPortMutexWait = 30000;
constexpr DWORD kWatchKinds = kKindLocal | kKindSerial | kKindStdTcpip;

// Under the port lock: the clients' printer handles are the clients', and a client is only
// freed under this lock.
BOOL AnyClientHasWaitingJob(PortRecord* port) {
    PortLock lock(port);
    for (ManagerClient* c = port->clients; c; c = c->next) {
        if (!c->printer && !OpenPrinterW(c->printerName, &c->printer, nullptr)) c->printer = nullptr;
        if (c->printer && PrinterHasJobOfInterest(c->printer, FALSE)) return TRUE;
    }
    return FALSE;
}

BOOL ShouldWatchEnd(PortRecord* port) {
    if (port->suspendRequest && (port->state & kStateJobOpen)) {
        port->suspendRequest = FALSE;
        port->ustatusOffOwed = FALSE;
        return TRUE;
    }
    return !(port->state & kStatePollingWanted) || (port->state & kStateJobOpen);
}

// One look at the printer with the port mutex; FALSE when the watch is to end.
BOOL LookAtPrinter(PortRecord* port) {
    HANDLE waits[2] = {port->portMutex, port->pollWakeEvent};
    DWORD rc = WaitForMultipleObjects(2, waits, FALSE, kPortMutexWait);
    if (rc != WAIT_OBJECT_0 && rc != WAIT_ABANDONED) return TRUE;
    BOOL go = !ShouldWatchEnd(port);
    if (go) {
        RebindManagerClient(port);
        QueryPrinterStatus(port);
    }
    ReleasePortMutex(port);
    return go;
}

DWORD WINAPI JobWatchThread(LPVOID argument) {
    auto* port = static_cast<PortRecord*>(argument);
    SetPollingExtStatus(port, TRUE);
    for (;;) {
        WaitForSingleObject(port->pollWakeEvent, kWatchCycleMs);
        if (ShouldWatchEnd(port) || !AnyClientHasWaitingJob(port) || !LookAtPrinter(port)) break;
    }
    BOOL held = TakePortMutex(port, kPortMutexWait);
    port->longWait = FALSE;
    SetPollingExtStatus(port, FALSE);
    if (held) ReleasePortMutex(port);
    {
        // The last touch of the port: ClosePort goes on once the stopped event is set.
        PortLock lock(port);
        port->state &= ~(kStatePollingWanted | kStatePollingRunning);
        if (port->pollWakeEvent) CloseHandle(port->pollWakeEvent);
        port->pollWakeEvent = nullptr;
        SetEvent(port->pollingStoppedEvent);
    }
    ReleasePort(port);
    StatusThreadEnds();
    return 0;
}

}  // namespace

BOOL PrinterHasJobOfInterest(HANDLE printer, BOOL whenShortOfMemory) {
    DWORD needed = 0, returned = 0;
    EnumJobsW(printer, 0, 0xFFFFFFFFu, 1, nullptr, 0, &needed, &returned);
    if (!needed) return FALSE;
    BYTE* buffer = static_cast<BYTE*>(MonAlloc(needed));
    if (!buffer) return whenShortOfMemory;
    BOOL found = FALSE;
    if (EnumJobsW(printer, 0, 0xFFFFFFFFu, 1, buffer, needed, &needed, &returned)) {
        auto* jobs = reinterpret_cast<JOB_INFO_1W*>(buffer);
        for (DWORD i = 0; i < returned && !found; ++i) found = !(jobs[i].Status & g_monitor.pendingJobMask);
    }
    MonFree(buffer);
    return found;
}

BOOL StartJobWatchThread(PortRecord* port) {
    if (!(port->kind & kWatchKinds)) return FALSE;
    PortLock lock(port);
    if (!StartStatusThread(port, JobWatchThread)) return FALSE;
    port->longWait = TRUE;
    return TRUE;
}
