// Port records and the wrappers around the port monitor below.
#include "monitor/port_record.h"

#include <cstring>

#include "monitor/manager_client.h"
#include "monitor/pjl_reply.h"
#include "monitor/port_kinds.h"
#include "monitor/status_variables.h"
#include "win/nls.h"
#include "win/spool.h"

namespace {
void FreePortRecord(PortRecord* port) {
    RemoveAllManagerClients(port);
    DropAllJobRecords(port, FALSE);
    FreeVariableTable(port->variables);
    ResetReplyState(port, TRUE);
    DropPendingOutput(port);
    MonFree(port->savedReply);
    for (DWORD i = 0; i < port->jobInfoQueued; ++i) MonFree(port->jobInfoQueue[i]);
    MonFree(port->printerName);
    MonFree(port->docInfo);
    for (HANDLE h :
         {port->portMutex, port->secondMutex, port->closingEvent, port->pollWakeEvent, port->pollingStoppedEvent})
        if (h) CloseHandle(h);
    DeleteCriticalSection(&port->lock);
    port->signature = 0;
    MonFree(port);
}

}  // namespace

PortRecord* CreatePortRecord(LPCWSTR portName, LPCWSTR printerName) {
    size_t nameLength = static_cast<size_t>(lstrlenW(portName));
    size_t blockSize = sizeof(PortRecord) + 2 * (nameLength + 1);
    auto* port = static_cast<PortRecord*>(MonAlloc(blockSize));
    if (!port) return nullptr;
    port->signature = PORT_SIGNATURE;
    port->blockSize = static_cast<LONG>(blockSize);
    port->portName = reinterpret_cast<LPWSTR>(port + 1);
    std::memcpy(port->portName, portName, nameLength * sizeof(WCHAR));
    InitializeCriticalSection(&port->lock);
    port->state = ST_ANSWERS_AGAIN;
    port->lastPartialHeaderTick = -1;
    port->myPortMode = 1;
    port->refCount = 1;  // the port list's reference
    port->printerName = MonDupW(printerName);
    port->portMutex = CreateMutexW(nullptr, FALSE, nullptr);
    port->secondMutex = CreateMutexW(nullptr, FALSE, nullptr);
    port->closingEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    port->pollingStoppedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    port->variables = CreateVariableTable();
    ResetReplyState(port, TRUE);
    if ((printerName && !port->printerName) || !port->portMutex || !port->secondMutex || !port->closingEvent ||
        !port->pollingStoppedEvent || !port->variables) {
        FreePortRecord(port);
        return nullptr;
    }
    return port;
}

PortRecord* FindPortByName(LPCWSTR portName) {
    for (PortRecord* p = g_monitor.ports; p; p = p->next)
        if (lstrcmpiW(p->portName, portName) == 0) return p;
    return nullptr;
}

PortRecord* AcquirePort(HANDLE handle) {
    if (!handle) return nullptr;
    PortLock global(nullptr);
    for (PortRecord* p = g_monitor.ports; p; p = p->next) {
        if (p != handle) continue;
        InterlockedIncrement(&p->refCount);
        return p;
    }
    return nullptr;
}

void ReleasePort(PortRecord* port) {
    if (port && InterlockedDecrement(&port->refCount) == 0) FreePortRecord(port);
}

void UnlinkPortRecord(PortRecord* port) {
    BOOL unlinked = FALSE;
    {
        PortLock global(nullptr);
        for (PortRecord** link = &g_monitor.ports; *link; link = &(*link)->next) {
            if (*link != port) continue;
            *link = port->next;
            port->next = nullptr;
            unlinked = TRUE;
            break;
        }
    }
    if (unlinked) ReleasePort(port);  // the list's reference
}

DWORD CountOpenPorts() {
    PortLock global(nullptr);
    DWORD n = 0;
    for (PortRecord* p = g_monitor.ports; p; p = p->next) ++n;
    return n;
}

BOOL LowerStartDocPort(PortRecord* port, LPWSTR printerName, DWORD jobId, DWORD level, LPBYTE docInfo) {
    if (!port->lower.pfnStartDocPort) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    if (port->kind & KIND_SERIAL) Sleep(100);
    BOOL ok = port->lower.pfnStartDocPort(port->lowerPort, printerName, jobId, level, docInfo);
    if (IsUsbPort(port->portName) && port->lower.pfnSetPortTimeOuts) {
        DWORD error = GetLastError();
        COMMTIMEOUTS cto{0xFFFFFFFFu, 0xFFFFFFFFu, 10, 0, 10000};
        port->lower.pfnSetPortTimeOuts(port->lowerPort, &cto, 0);
        SetLastError(error);
    }
    return ok;
}

BOOL LowerWritePort(PortRecord* port, const BYTE* data, DWORD length, DWORD* written) {
    *written = 0;
    port->lastWriteError = 0;
    port->lastWriteFailed = FALSE;
    if (!port->lower.pfnWritePort) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    if (!WriteGate(port)) {
        // The printer's input buffer is full: the caller tries again later.
        port->lastWriteFailed = TRUE;
        return TRUE;
    }
    BOOL ok = port->lower.pfnWritePort(port->lowerPort, const_cast<LPBYTE>(data), length, written);
    if (*written > length) *written = length;  // never believe more than was offered
    if (!ok) {
        port->lastWriteError = GetLastError();
        port->lastWriteFailed = TRUE;
        if (IsUsbPort(port->portName) && IsXpOrLater() && port->lastWriteError == ERROR_CANCELLED &&
            (port->state & ST_JOB_OPEN) && !(port->state & ST_NOT_RESPONDING)) {
            FinishOrCancelJob(port, TRUE);
            SetLastError(ERROR_CANCELLED);
        }
    }
    if ((port->myPortMode & 2) && (port->state & ST_JOB_OPEN) && (*written || port->lastWriteError == ERROR_TIMEOUT))
        port->ecpActive = TRUE;
    return ok;
}

BOOL LowerReadPort(PortRecord* port, BYTE* buffer, DWORD size, DWORD* read) {
    *read = 0;
    if (!port->lower.pfnReadPort) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    BOOL ok = port->lower.pfnReadPort(port->lowerPort, buffer, size, read);
    if (*read > size) *read = size;
    if (!ok && IsXpOrLater() && IsUsbPort(port->portName) && GetLastError() == ERROR_GEN_FAILURE && *read == 0) {
        // What this port monitor reports for a read that timed out with nothing to give.
        *read = 0;
        return TRUE;
    }
    return ok;
}

BOOL LowerEndDocPort(PortRecord* port) {
    if (!port->lower.pfnEndDocPort) return FALSE;
    BOOL ok = port->lower.pfnEndDocPort(port->lowerPort);
    if (port->kind & KIND_SERIAL) Sleep(100);
    return ok;
}

BOOL LowerClosePort(PortRecord* port) {
    PortLock lock(port);
    if (!port->lower.pfnClosePort || !port->lowerPort) return FALSE;
    BOOL ok = port->lower.pfnClosePort(port->lowerPort);
    port->lowerPort = nullptr;
    return ok;
}

BOOL OpenStatusDocIfNeeded(PortRecord* port, BOOL* opened) {
    *opened = FALSE;
    if (port->state & ST_LOWER_DOC_OPEN) return TRUE;
    WCHAR docName[] = u"QJLMON Doc";
    DOC_INFO_3W info{docName, nullptr, nullptr, 0};
    if (!LowerStartDocPort(port, port->printerName, 0xFFFFFFFFu, 3, reinterpret_cast<LPBYTE>(&info))) return FALSE;
    port->state |= ST_LOWER_DOC_OPEN;
    *opened = TRUE;
    return TRUE;
}

void EndLowerDoc(PortRecord* port) {
    if (!(port->state & ST_LOWER_DOC_OPEN)) return;
    if (LowerEndDocPort(port))
        port->state &= ~ST_LOWER_DOC_OPEN;
    else
        port->state &= ~ST_LOWER_DOC_OPEN;  // a failed end leaves nothing we could end again
}

DWORD CountPendingJobs(PortRecord* port) {
    HANDLE printer = port->currentClient ? port->currentClient->printer : nullptr;
    BOOL own = FALSE;
    if (!printer) {
        if (!port->printerName || !OpenPrinterW(port->printerName, &printer, nullptr)) return 0;
        own = TRUE;
    }
    DWORD count = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD needed = 0, returned = 0;
        EnumJobsW(printer, 0, 0xFFFFFFFFu, 1, nullptr, 0, &needed, &returned);
        if (!needed) {
            count = 0;
            break;
        }
        BYTE* buffer = static_cast<BYTE*>(MonAlloc(needed));
        if (!buffer) break;
        if (EnumJobsW(printer, 0, 0xFFFFFFFFu, 1, buffer, needed, &needed, &returned)) {
            auto* jobs = reinterpret_cast<JOB_INFO_1W*>(buffer);
            for (DWORD i = 0; i < returned; ++i)
                if (!(jobs[i].Status & g_monitor.pendingJobMask)) ++count;
            MonFree(buffer);
            break;
        }
        MonFree(buffer);
    }
    if (own) ClosePrinter(printer);
    return count;
}

BOOL SetJobControl(HANDLE printer, DWORD jobId, JobRecord* job) {
    if (job && (job->flags & JOB_EJECT_SIGNALLED)) return TRUE;
    if (!printer) return FALSE;
    BOOL ok = SetJobW(printer, jobId, 0, nullptr, JOB_CONTROL_LAST_PAGE_EJECTED);
    if (job && job->jobId == jobId) job->flags |= JOB_EJECT_SIGNALLED;
    return ok;
}

BOOL DrainReplies(BOOL pause, PortRecord* port) {
    BOOL opened = FALSE;
    if (!OpenStatusDocIfNeeded(port, &opened)) return FALSE;
    if (!IsUsbPort(port->portName)) SetParallelTimeouts(port);
    const DWORD piece = IsUsbPort(port->portName) ? 1024 : 1023;
    BYTE buffer[1024];
    DWORD total = 0;
    // Bounded: a printer that never stops sending cannot hold the job start for ever.
    for (int round = 0; round < 2; ++round) {
        for (DWORD reads = 0; reads < REPLY_READS_PER_REFRESH; ++reads) {
            if (pause) Sleep(1100);
            DWORD got = 0;
            if (!LowerReadPort(port, buffer, piece, &got) || got == 0) break;
            total += got;
        }
        if (total <= 4500) break;
        Sleep(4000);
        total = 0;
    }
    if (opened) EndLowerDoc(port);
    return TRUE;
}

BOOL ReadMonitorDword(LPCWSTR name, DWORD* value) {
    PMONITORINIT init = g_monitor.init;
    if (!init || !init->pMonitorReg || !init->pMonitorReg->fpQueryValue) return FALSE;
    DWORD type = 0, size = 4, data = 0;
    if (init->pMonitorReg->fpQueryValue(init->hckRegistryRoot, name, &type, reinterpret_cast<PBYTE>(&data), &size,
                                        init->hSpooler) != ERROR_SUCCESS ||
        size != 4)
        return FALSE;
    *value = data;
    return TRUE;
}
