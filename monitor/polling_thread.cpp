// The polling thread: one routine per step of its cycle and of its end.
#include "monitor/polling_thread.h"

#include "monitor/job_records.h"
#include "monitor/lower_port.h"
#include "monitor/manager_client.h"
#include "monitor/pjl_reply.h"
#include "monitor/printer_exchange.h"
#include "monitor/printer_query.h"
#include "monitor/snmp_status.h"
#include "monitor/status_block.h"
#include "monitor/status_variables.h"
#include "monitor/write_gate.h"
#include "win/spool.h"

namespace {

constexpr DWORD kPollStack = 16 * 1024;
constexpr DWORD kPortMutexWait = 30000;
constexpr DWORD kPartialHeaderQuietMs = 20000;
constexpr DWORD kExtStatusPolling = 0x10;
constexpr DWORD kJobstatusPaused = 0x2;
constexpr DWORD kPollingKinds = kKindLocal | 0x8 | kKindSerial | kKindDpuTcpip | kKindStdTcpip;
constexpr char kUstatusOff[] = "\x1b%-12345X@PJL USTATUSOFF\r\n\x1b%-12345X";
static_assert(sizeof kUstatusOff == 36);  // 35 bytes go out; the count includes the terminator

// State bits a port loses when its status is reset (all others stay).
constexpr DWORD kResetStateBits = 0x1 | 0x10 | 0x20 | 0x80 | 0x200 | 0x2000 | 0x4000 | 0x8000 | 0x10000 | 0x20000 |
                                  0x40000 | 0x80000 | 0x100000 | 0x200000 | 0x800000 | 0x1000000 | 0x2000000 |
                                  0x8000000;

BOOL IsStdTcpip(const PortRecord* port) {
    return (port->kind & kKindStdTcpip) != 0;
}

BOOL PrinterStatusSays(PortRecord* port, DWORD index, DWORD bits) {
    DWORD status[3] = {};
    return ReadPrinterStatus(port, status) && (status[index] & bits);
}

void SendUstatusOff(PortRecord* port) {
    if (PrinterStatusSays(port, 1, 0x100) || !(port->state & kStateOwnModel) || PrinterStatusSays(port, 0, 0x1200))
        return;
    BOOL opened = FALSE;
    if (!OpenStatusDocIfNeeded(port, &opened)) return;
    DWORD written = 0;
    ExchangeWithPrinter(port, reinterpret_cast<const BYTE*>(kUstatusOff), sizeof kUstatusOff - 1, &written, FALSE,
                        FALSE);
    if (opened) EndLowerDoc(port);
    DropPendingOutput(port);
}

void EndPolling(PortRecord* port) {
    if (port->suspendRequest && port->jobHead) ReleaseQueuedJobs(port);
    if (port->ustatusOffOwed && !(port->kind & kKindStdTcpip) && !(port->state & kStateClosing)) SendUstatusOff(port);
    port->ustatusOffOwed = FALSE;
    SetPollingExtStatus(port, FALSE);
    port->suspendRequest = FALSE;
    port->wakeUpActive = FALSE;
    port->startPolling = FALSE;
}

// The thread's last step: the wake event goes, the stopped event tells the waiters.
void FinishPollingThread(PortRecord* port) {
    PortLock lock(port);
    port->state &= ~(kStatePollingWanted | kStatePollingRunning);
    port->pollingThread = FALSE;
    if (port->pollWakeEvent) CloseHandle(port->pollWakeEvent);
    port->pollWakeEvent = nullptr;
    SetEvent(port->pollingStoppedEvent);
}

// Step 8: the mutex is released whenever this thread holds it, also when the port closes.
void ExitPolling(PortRecord* port, BOOL held) {
    EndPolling(port);
    if (!port->clients && (port->state & kStatePollingWanted)) {
        UpdateExtStatus(port, TRUE);
        SetInitialPrinterStatus(port);
    }
    ResetPortStatusState(port);
    if (held) ReleasePortMutex(port);
    FinishPollingThread(port);  // the last touch of the port: ClosePort goes on once it is signalled
}

// The job's pause in the spooler becomes "JobStatus" bit 0x2.
void RefreshJobStatusFromSpooler(PortRecord* port) {
    ManagerClient* c = port->currentClient;
    if (!c || !c->printer) return;
    BYTE buffer[2048];
    DWORD needed = 0;
    if (!GetJobW(c->printer, port->jobId, 1, buffer, sizeof buffer, &needed)) return;
    SetJobStatusBits(port, kJobstatusPaused, (reinterpret_cast<JOB_INFO_1W*>(buffer)->Status & JOB_STATUS_PAUSED) != 0);
}

BOOL CurrentJobReadable(PortRecord* port) {
    ManagerClient* c = port->currentClient;
    if (!c || !c->printer) return FALSE;
    BYTE buffer[2048];
    DWORD needed = 0;
    return GetJobW(c->printer, port->jobId, 1, buffer, sizeof buffer, &needed);
}

BOOL Idle(const PortRecord* port) {
    return !(port->state & kStateJobOpen) && !port->jobHead;
}

// Step 7, with the mutex; returns how long to sleep before the next cycle (0: none).
DWORD PollingCycle(PortRecord* port) {
    RebindManagerClient(port);
    if (port->state & kStateJobOpen) {
        RefreshJobStatusFromSpooler(port);
    } else if (!port->jobHead && port->startPolling) {
        port->startPolling = FALSE;
        port->ecpActive = FALSE;
    }
    if ((port->state & kStatePollingWanted) && ShouldPollingStop(port)) {
        ReleasePortMutex(port);
        return 0;
    }
    if (port->clients || port->jobHead) PollOnce(port);
    if ((port->state & kStateNotResponding) && !Idle(port) && !CurrentJobReadable(port)) FinishOrCancelJob(port, FALSE);
    if (Idle(port) && port->startPolling) {
        if (port->kind & kKindBidi) port->ustatusOffOwed = TRUE;
        port->startPolling = FALSE;
        port->ecpActive = FALSE;
    }
    DWORD before = GetTickCount();
    ReleasePortMutex(port);
    DWORD releasing = GetTickCount() - before;
    if (((port->state & kStatePollingWanted) && ShouldPollingStop(port)) || !port->clients ||
        !(port->state & kStatePollingWanted))
        return 0;
    if (port->state & kStateJobOpen) return releasing >= kPollJobOpenMs ? 0 : kPollJobOpenMs - releasing;
    return port->jobHead ? kPollRecordsMs : kPollIdleMs;
}

DWORD WINAPI PollingThread(LPVOID argument) {
    auto* port = static_cast<PortRecord*>(argument);
    port->cycleCounter = 0;
    SetPollingExtStatus(port, TRUE);
    if (ShouldPollingStop(port)) {
        BOOL held = TakePortMutex(port, kPortMutexWait);
        EndPolling(port);
        ResetPortStatusState(port);
        if (held) ReleasePortMutex(port);
        FinishPollingThread(port);
        ReleasePort(port);
        StatusThreadEnds();
        return 0;
    }
    for (;;) {
        BOOL refreshed = FALSE;
        BOOL stopping = !(port->state & kStatePollingWanted) || ShouldPollingStop(port);
        if (!stopping && port->cycleCounter == 0) {
            RefreshManagerClients(port);
            port->cycleCounter = 1;
            refreshed = TRUE;
        } else if (!stopping && ++port->cycleCounter == 3) {
            port->cycleCounter = 0;
        }
        if (stopping || !port->clients || !(port->state & kStatePollingWanted)) {
            BOOL held = !(port->state & kStateClosing) && TakePortMutex(port, kPortMutexWait);
            if (((port->state & kStatePollingWanted) && ShouldPollingStop(port)) ||
                !(port->state & kStatePollingWanted)) {
                ExitPolling(port, held);
                break;
            }
            if (refreshed) RefreshManagerClients(port);
            if (!port->clients) {
                ExitPolling(port, held);
                break;
            }
            if (held) ReleasePortMutex(port);
        }
        HANDLE waits[2] = {port->portMutex, port->pollWakeEvent};
        DWORD rc = WaitForMultipleObjects(2, waits, FALSE, kPortMutexWait);
        if (rc != WAIT_OBJECT_0 && rc != WAIT_ABANDONED) continue;
        DWORD sleep = PollingCycle(port);
        if (sleep) WaitForSingleObject(port->pollWakeEvent, sleep);
    }
    ReleasePort(port);
    StatusThreadEnds();
    return 0;
}

}  // namespace

BOOL StartStatusThread(PortRecord* port, LPTHREAD_START_ROUTINE routine) {
    if (g_monitor.statusThreadsOff) return FALSE;
    PortLock lock(port);
    if (port->state & kStatePollingRunning) return FALSE;
    port->state |= kStatePollingWanted;
    port->pollWakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!port->pollWakeEvent) return FALSE;
    ResetEvent(port->pollingStoppedEvent);
    InterlockedIncrement(&port->refCount);  // the thread's own, released as it ends
    DWORD id = 0;
    StatusThreadStarts();
    HANDLE thread = CreateThread(nullptr, kPollStack, routine, port, 0, &id);
    if (!thread) {
        StatusThreadEnds();
        InterlockedDecrement(&port->refCount);
        CloseHandle(port->pollWakeEvent);
        port->pollWakeEvent = nullptr;
        port->state &= ~kStatePollingWanted;
        SetEvent(port->pollingStoppedEvent);
        return FALSE;
    }
    port->state |= kStatePollingRunning;
    SetThreadPriority(thread, (port->myPortMode & kPortModeEcp) ? -1 : -2);
    KeepStatusThread(port, thread);
    return TRUE;
}

BOOL PollingRuns(PortRecord* port) {
    PortLock lock(port);
    return port->pollingThread;
}

BOOL StartPolling(PortRecord* port) {
    if (!(port->kind & kPollingKinds)) return FALSE;
    PortLock lock(port);
    if (!StartStatusThread(port, PollingThread)) return FALSE;
    port->pollingThread = TRUE;
    return TRUE;
}

BOOL StopPolling(PortRecord* port) {
    {
        PortLock lock(port);
        if (!(port->state & kStatePollingRunning)) return TRUE;
        port->state &= ~kStatePollingWanted;
        if (port->pollWakeEvent) SetEvent(port->pollWakeEvent);
    }
    return WaitForSingleObject(port->pollingStoppedEvent, kPollStopWaitMs) == WAIT_OBJECT_0;
}

BOOL ShouldPollingStop(PortRecord* port) {
    if (port->suspendRequest) {
        if (port->state & kStateJobOpen) {
            port->suspendRequest = FALSE;
            port->ustatusOffOwed = FALSE;
            return FALSE;
        }
        if (port->jobHead && (port->kind & kKindBidi)) port->ustatusOffOwed = TRUE;
        port->wakeUpActive = FALSE;
        port->startPolling = FALSE;
        return TRUE;
    }
    if (!port->startPolling) port->state &= ~kStatePrinterAnswered;
    return !port->wakeUpActive && !port->startPolling;
}

void SetPollingExtStatus(PortRecord* port, BOOL on) {
    if (on) RefreshManagerClients(port);
    PortLock lock(port);
    DWORD value = 0;
    ReadDwordVariable(port, "PrinterExtStatus", &value);
    SetDwordVariable(port, "PrinterExtStatus", on ? value | kExtStatusPolling : value & ~kExtStatusPolling);
    PublishDirtyVariables(port);
}

void ResetPortStatusState(PortRecord* port) {
    PortLock lock(port);
    port->state &= ~kResetStateBits;
    port->cycleCounter = 0;
    UpdateErrorVariables(port);
    SetJobStatusBits(port, kJobstatusJobBits, FALSE);
    ResetPanelValues(port);
    port->sleepAfterFailedHeader = 0;
    DropPendingOutput(port);
    ResetReplyState(port, TRUE);
    // A closing port tells the spooler that its jobs are out: nothing would ever release them.
    DropAllJobRecords(port, (port->state & kStateClosing) != 0);
    for (DWORD i = 0; i < port->jobInfoQueued; ++i) MonFree(port->jobInfoQueue[i]);
    port->jobInfoQueued = 0;
    if (!port->refreshQuiet) PublishPortStatus(port);
    port->underWay = FALSE;
    port->device.busyRefresh = FALSE;
}

void PollOnce(PortRecord* port) {
    BOOL stdTcp = IsStdTcpip(port);
    BOOL quiet = FALSE;
    if (port->lastPartialHeaderTick != -1) {
        quiet = GetTickCount() - static_cast<DWORD>(port->lastPartialHeaderTick) < kPartialHeaderQuietMs;
        if (!quiet) {
            port->lastPartialHeaderTick = -1;
            if (stdTcp) return;
        }
    }
    BOOL opened = FALSE;
    if (!quiet && stdTcp) {
        QueryPrinterStatus(port);
        if (!(port->state & kStateHeaderPending)) QuerySnmpStatus(port);
        return;
    }
    if (!quiet && (port->kind & kKindBidi)) {
        OpenStatusDocIfNeeded(port, &opened);
        // A reply that arrived only in part is read to its end first: the device ID's status
        // block would otherwise overwrite what the reply set before it was published.
        if (port->savedReplyLength) RefreshStatusThroughPort(port, TRUE);
        QueryPrinterStatus(port);
    }
    if (port->pendingLength && !(port->state & kStateJobOpen) && !(port->state & kStateCancelSent)) {
        DWORD mode = port->myPortMode;
        BOOL ecp = port->ecpActive;
        if ((port->kind & kKindLocal) && !(mode & kPortModeEcp)) {
            port->myPortMode |= kPortModeEcp;
            port->ecpActive = TRUE;
        }
        BOOL more = FALSE;
        OpenStatusDocIfNeeded(port, &more);
        opened = opened || more;
        DWORD written = 0;
        ExchangeWithPrinter(port, nullptr, 0, &written, FALSE, FALSE);
        port->myPortMode = mode;
        port->ecpActive = ecp;
    }
    if (port->jobHead || (port->state & kStateJobOpen)) {
        BOOL more = FALSE;
        OpenStatusDocIfNeeded(port, &more);
        opened = opened || more;
        RefreshStatusThroughPort(port, TRUE);
        ConsumeFreeBlock(port);
        if (port->state & kStateReplyNoStatus) {
            DropPendingOutput(port);
            port->state &= ~(kStateReplyNoStatus | kStatePrinterAnswered);
            port->state |= kStateAnswersAgain | 0x2000000;
            QueryPrinterStatus(port);
        }
    }
    port->pollOpenedDoc = opened;
    if (opened) EndLowerDoc(port);
}
