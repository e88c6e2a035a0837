// Port records and the wrappers around the port monitor below.
#include "monitor/port_record.h"

#include <cstring>

#include "monitor/job_records.h"
#include "monitor/manager_client.h"
#include "monitor/pjl_reply.h"
#include "monitor/port_kinds.h"
#include "monitor/printer_exchange.h"
#include "monitor/snmp_client.h"
#include "monitor/status_variables.h"
#include "monitor/write_gate.h"
#include "win/nls.h"
#include "win/spool.h"

namespace {
void FreePortRecord(PortRecord* port) {
    RemoveAllManagerClients(port);
    DropAllJobRecords(port, FALSE);
    FreeVariableTable(port->variables);
    FreeSnmpClient(port->snmp);
    ResetReplyState(port, TRUE);
    DropPendingOutput(port);
    MonFree(port->savedReply);
    for (DWORD i = 0; i < port->jobInfoQueued; ++i) MonFree(port->jobInfoQueue[i]);
    MonFree(port->printerName);
    MonFree(port->docInfo);
    for (HANDLE h : {port->portMutex, port->secondMutex, port->closingEvent, port->pollWakeEvent,
                     port->pollingStoppedEvent, port->clientThreadsGone})
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
    port->signature = kPortSignature;
    port->blockSize = static_cast<LONG>(blockSize);
    port->portName = reinterpret_cast<LPWSTR>(port + 1);
    std::memcpy(port->portName, portName, nameLength * sizeof(WCHAR));
    InitializeCriticalSection(&port->lock);
    port->state = kStateAnswersAgain;
    port->lastPartialHeaderTick = -1;
    port->myPortMode = kPortModeDefault;
    port->refCount = 1;  // the port list's reference
    port->printerName = MonDupW(printerName);
    port->portMutex = CreateMutexW(nullptr, FALSE, nullptr);
    port->secondMutex = CreateMutexW(nullptr, FALSE, nullptr);
    port->closingEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    port->pollingStoppedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    port->clientThreadsGone = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    port->variables = CreateVariableTable();
    ResetReplyState(port, TRUE);
    if ((printerName && !port->printerName) || !port->portMutex || !port->secondMutex || !port->closingEvent ||
        !port->pollingStoppedEvent || !port->clientThreadsGone || !port->variables) {
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

void DropPendingOutput(PortRecord* port) {
    MonFree(port->pendingOutput);
    port->pendingOutput = nullptr;
    port->pendingLength = 0;
}
