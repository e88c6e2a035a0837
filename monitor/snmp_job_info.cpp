// The job-information steps of the SNMP status walk.
#include "monitor/snmp_job_info.h"

#include <cstring>

#include "monitor/status_variables.h"

namespace {

constexpr DWORD kInfoKeep = 0x2;
constexpr DWORD kInfoStarted = 0x100;
constexpr DWORD kInfoEnded = 0x200;
constexpr DWORD kInfoBits = kInfoKeep | kInfoStarted | kInfoEnded;
constexpr DWORD kQueueSlots = sizeof(PortRecord::jobInfoQueue) / sizeof(PortRecord::jobInfoQueue[0]);

void ForgetPendingValue(PortRecord* port) {
    MonFree(port->reply.jobInfo);
    port->reply.jobInfo = nullptr;
    port->reply.jobInfoSize = 0;
}

BOOL Started(DWORD flags) {
    return (flags & kInfoStarted) && !(flags & kInfoEnded);
}

void DropQueueHead(PortRecord* port) {
    MonFree(port->jobInfoQueue[0]);
    std::memmove(port->jobInfoQueue, port->jobInfoQueue + 1, (port->jobInfoQueued - 1) * sizeof(BYTE*));
    port->jobInfoQueue[--port->jobInfoQueued] = nullptr;
}

void EmptyQueue(PortRecord* port) {
    while (port->jobInfoQueued) DropQueueHead(port);
}

// A copy of the value with its flags behind it; a full queue is published first so that no
// job's progress is dropped.
void AppendToQueue(PortRecord* port, const BYTE* value, DWORD flags) {
    if (port->jobInfoQueued >= kQueueSlots) PublishDirtyVariables(port);
    if (port->jobInfoQueued >= kQueueSlots) DropQueueHead(port);
    BYTE* copy = static_cast<BYTE*>(MonAlloc(kPrintingJobInfoSize + 4));
    if (!copy) return;
    std::memcpy(copy, value, kPrintingJobInfoSize);
    std::memcpy(copy + kPrintingJobInfoSize, &flags, 4);
    port->jobInfoQueue[port->jobInfoQueued++] = copy;
}

void TakeValue(StatusVariable* row, const BYTE* value, DWORD flags) {
    StoreVariableValue(row, value, kPrintingJobInfoSize, TRUE);
    row->flags = (row->flags & ~kInfoBits) | (flags & kInfoBits);
    row->dirty = TRUE;
}

}  // namespace

BYTE* NewPendingJobInfo(PortRecord* port) {
    ReplyState& s = port->reply;
    if (!s.jobInfo) s.jobInfo = static_cast<BYTE*>(MonAlloc(kPrintingJobInfoSize));
    if (s.jobInfo) std::memset(s.jobInfo, 0, kPrintingJobInfoSize);
    s.jobInfoSize = s.jobInfo ? kPrintingJobInfoSize : 0;
    return s.jobInfo;
}

void BeginJobInfo(PortRecord* port) {
    PortLock lock(port);
    if (!NewPendingJobInfo(port)) return;
    port->reply.jobInfoFlags = (port->reply.jobInfoFlags | kInfoKeep | kInfoStarted) & ~kInfoEnded;
}

void EndJobInfo(PortRecord* port) {
    PortLock lock(port);
    port->lastPageNumber = 0;
    if (!NewPendingJobInfo(port)) return;
    DWORD flags = 0;
    if (StatusVariable* row = FindVariable("PrintingJobInfo2", port->variables, port)) flags = row->flags & kInfoBits;
    flags = port->jobInfoQueued ? (flags | kInfoKeep) : (flags & ~kInfoKeep);
    port->reply.jobInfoFlags = flags | kInfoEnded;
}

BOOL QueueJobInfo(PortRecord* port, DWORD jobId) {
    PortLock lock(port);
    ReplyState& s = port->reply;
    if (!s.jobInfo) return FALSE;
    StatusVariable* row = GetVariable("PrintingJobInfo2", port->variables, port, FALSE);
    if (!row) {
        ForgetPendingValue(port);
        return FALSE;
    }
    std::memcpy(s.jobInfo + kJobinfoJobId, &jobId, 4);
    BOOL pause = FALSE;
    if (row->value && (s.jobInfoFlags & kInfoEnded)) {
        if (port->jobInfoQueued && std::memcmp(port->jobInfoQueue[0], s.jobInfo, kPrintingJobInfoSize) == 0)
            DropQueueHead(port);
        TakeValue(row, s.jobInfo, s.jobInfoFlags);
        port->lastPageNumber = 0;
        pause = TRUE;
    } else if (!(Started(s.jobInfoFlags) && Started(row->flags))) {
        EmptyQueue(port);
        TakeValue(row, s.jobInfo, s.jobInfoFlags);
        AppendToQueue(port, s.jobInfo, s.jobInfoFlags);
    } else {
        AppendToQueue(port, s.jobInfo, s.jobInfoFlags);
    }
    ForgetPendingValue(port);
    return pause;
}

void AddJobPages(PortRecord* port, DWORD pages, DWORD jobId) {
    PortLock lock(port);
    if (pages == 0) return;
    StatusVariable* row = FindVariable("PrintingJobInfo2", port->variables, port);
    if (!row || !row->value) return;
    DWORD current = 0, total = 0;
    std::memcpy(&current, row->value + kJobinfoJobId, 4);
    if (current != jobId) return;
    row->dirty = TRUE;
    std::memcpy(&total, row->value + kJobinfoTotalPages, 4);
    if (total == 0) port->lastPageNumber = 0;
    if (static_cast<LONG>(pages) != port->lastPageNumber) {
        total += pages - static_cast<DWORD>(port->lastPageNumber);
        port->lastPageNumber = static_cast<LONG>(pages);
        std::memcpy(row->value + kJobinfoTotalPages, &total, 4);
    }
}
