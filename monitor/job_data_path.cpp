// StartDocPort, WritePort and EndDocPort: the job on the port monitor below, the monitor's PJL
// job header and trailer, the write strategies and the bounded retries while the printer is
// busy or silent.
#include <algorithm>
#include <cstring>

#include "monitor/diag_log.h"
#include "monitor/job_records.h"
#include "monitor/lower_port.h"
#include "monitor/manager_client.h"
#include "monitor/monitor_entry.h"
#include "monitor/pjl_job.h"
#include "monitor/pjl_reply.h"
#include "monitor/polling_thread.h"
#include "monitor/port_kinds.h"
#include "monitor/printer_exchange.h"
#include "monitor/printer_query.h"
#include "monitor/service_link.h"
#include "monitor/status_variables.h"
#include "win/registry.h"
#include "win/spool.h"

namespace {

constexpr DWORD kPortMutexWait = 30000;
// A local port's StartDocPort waits for the port this many times (30 s each), then gives up
// rather than holding the spooler's thread for ever.
constexpr int kStartMutexTries = 4;
// How long EndDocPort waits for a cancel to be acknowledged, and for pending output to go.
constexpr DWORD kCancelAckLimit = 60000;
constexpr DWORD kJobWatchStopWait = 4000;
constexpr DWORD kPendingOutputWait = 60000;
constexpr DWORD kEcpChunk = 4096;

// The port mutex as one call holds it.
struct MutexHold {
    PortRecord* port;
    BOOL owned = FALSE;
    BOOL Take(DWORD ms) {
        if (!owned) owned = TakePortMutex(port, ms);
        return owned;
    }
    void Release() {
        if (owned) ReleasePortMutex(port);
        owned = FALSE;
    }
    ~MutexHold() { Release(); }
};

BOOL IsUsb(const PortRecord* port) {
    return IsUsbPort(port->portName);
}
BOOL IsParallel(const PortRecord* port) {
    return IsLptPort(port->portName);
}

void ReplacePrinterName(PortRecord* port, LPCWSTR name) {
    if (!name || (port->printerName && lstrcmpW(port->printerName, name) == 0)) return;
    LPWSTR copy = MonDupW(name);
    if (!copy) return;
    MonFree(port->printerName);
    port->printerName = copy;
}

void CopyDocInfo(PortRecord* port, DWORD level, LPBYTE docInfo) {
    MonFree(port->docInfo);
    port->docInfo = nullptr;
    port->docInfoLevel = static_cast<LONG>(level);
    if (!docInfo || (level != 1 && level != 2)) return;
    // Level 1 and 2 share their three strings; the strings are copied behind the copy itself.
    auto* in = reinterpret_cast<DOC_INFO_2W*>(docInfo);
    LPWSTR texts[3] = {in->pDocName, in->pOutputFile, in->pDatatype};
    size_t bytes = sizeof(DOC_INFO_2W);
    for (LPWSTR t : texts) bytes += t ? (static_cast<size_t>(lstrlenW(t)) + 1) * sizeof(WCHAR) : 0;
    auto* copy = static_cast<BYTE*>(MonAlloc(bytes));
    if (!copy) return;
    auto* out = reinterpret_cast<DOC_INFO_2W*>(copy);
    if (level == 2) {
        out->dwMode = in->dwMode;
        out->JobId = in->JobId;
    }
    BYTE* at = copy + sizeof(DOC_INFO_2W);
    LPWSTR* slots[3] = {&out->pDocName, &out->pOutputFile, &out->pDatatype};
    for (int i = 0; i < 3; ++i) {
        if (!texts[i]) continue;
        size_t n = (static_cast<size_t>(lstrlenW(texts[i])) + 1) * sizeof(WCHAR);
        std::memcpy(at, texts[i], n);
        *slots[i] = reinterpret_cast<LPWSTR>(at);
        at += n;
    }
    port->docInfo = copy;
}

void ReloadMyPortMode(PortRecord* port) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\QEV\\Brantel\\Printers", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD value = 0, size = 4, type = 0;
    if (RegQueryValueExW(key, u"MyPortMode", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
        size == 4 && value)
        port->myPortMode = value;
    RegCloseKey(key);
}

void MakeJobIdentifier(PortRecord* port) {
    std::memset(port->jobIdentifier, 0, sizeof port->jobIdentifier);
    if (port->kind & kKindTcpip) {
        char guid[33];
        MakeGuidString(guid);
        std::memcpy(port->jobIdentifier, guid, std::strlen(guid));
    } else {
        char id[25];
        MakeJobClientId(id);
        std::memcpy(port->jobIdentifier, id, 24);
    }
}

constexpr WORD kEcpWriteMode = 0x100;

// A parallel port writes the job in ECP mode when it runs in it already or agrees to it now;
// a port that refuses is put back in the modes it had.
void NegotiateEcp(PortRecord* port) {
    WORD modes[2] = {};
    DWORD got = 0;
    if (!PortDeviceControl(port, IOCTL_IEEE1284_GET_MODE, nullptr, 0, reinterpret_cast<BYTE*>(modes), sizeof modes,
                           &got) ||
        got < sizeof modes)
        return;
    if (modes[1] == kEcpWriteMode) {
        port->myPortMode |= kPortModeEcp;
        return;
    }
    WORD caps = 0;
    if (!PortDeviceControl(port, IOCTL_PAR_GET_DEVICE_CAPS, nullptr, 0, reinterpret_cast<BYTE*>(&caps), sizeof caps,
                           &got) ||
        got < sizeof caps || !(caps & kEcpWriteMode))
        return;
    WORD want[2] = {modes[0], kEcpWriteMode};
    WORD result[2] = {};
    if (PortDeviceControl(port, IOCTL_IEEE1284_NEGOTIATE, reinterpret_cast<BYTE*>(want), sizeof want,
                          reinterpret_cast<BYTE*>(result), sizeof result, &got) &&
        got >= sizeof result && result[1] == kEcpWriteMode) {
        port->myPortMode |= kPortModeEcp;
        return;
    }
    PortDeviceControl(port, IOCTL_IEEE1284_NEGOTIATE, reinterpret_cast<BYTE*>(modes), sizeof modes,
                      reinterpret_cast<BYTE*>(result), sizeof result, &got);
    port->myPortMode &= ~kPortModeEcp;
}

// "PrintingPriority" in the monitor's registry: the spooler's thread sends the job at that
// priority; the one it had is remembered so that the job's end can give it back.
void ApplyPrintingPriority(PortRecord* port) {
    DWORD priority = 0;
    if (!ReadMonitorDword(u"PrintingPriority", &priority)) return;
    port->savedPriority = GetThreadPriority(GetCurrentThread());
    port->priorityThreadId = GetCurrentThreadId();
    SetThreadPriority(GetCurrentThread(), static_cast<int>(priority));
}

// The spooler's port thread is shared by every job of its port: it does not keep the
// priority of the job that ended.
void RestoreThreadPriority(PortRecord* port) {
    if (port->priorityThreadId == 0 || port->priorityThreadId != GetCurrentThreadId()) return;
    if (port->savedPriority != THREAD_PRIORITY_ERROR_RETURN) SetThreadPriority(GetCurrentThread(), port->savedPriority);
    port->priorityThreadId = 0;
}

void ResetJobFlags(PortRecord* port) {
    ResetStreamScan(port);
    port->tailLength = 0;
    std::memset(port->tail, 0, sizeof port->tail);
    port->headerOffset = 0;
    port->dataStarted = FALSE;
    port->wroteSinceStart = FALSE;
    port->endDocDone = FALSE;
    port->cancelAcknowledged = FALSE;
    port->usbCarry = FALSE;
    port->usbCarryLeft = 0;
    port->lastWriteFailed = FALSE;
    port->lastWriteError = 0;
    port->owedEjects = 0;
    port->jobEndError = 0;
    port->writeFailureReported = FALSE;
}

// The job's end failed below us (the printer reset or closed the line, or never took the last
// bytes): the job did not reach the printer whole and must not be reported printed. A job being
// cancelled loses its end on purpose.
void NoteJobEndFailure(PortRecord* port) {
    DWORD error = GetLastError();
    if (port->state & (kStateCancelInProgress | kStateDeleting)) return;
    if (!port->jobEndError) port->jobEndError = error ? error : ERROR_GEN_FAILURE;
}

void EndJobDoc(PortRecord* port) {
    if (!EndLowerDoc(port)) NoteJobEndFailure(port);
}

// Nothing went out this time: the spooler calls again with the same data. A printer that
// waits for paper or a cleared jam keeps its job; each call is bounded by its own waits, and
// a cancel or the spooler ends the job.
BOOL RetryLater(LPDWORD written) {
    *written = 0;
    return TRUE;
}

void KeepTail(PortRecord* port, const BYTE* data, DWORD length) {
    DWORD n = std::min<DWORD>(length, kTailSize);
    std::memcpy(port->tail, data + length - n, n);
    port->tailLength = n;
}

// A failed write that ends the job (the line dropped, the job cancelled below) leaves its
// error set; any other outcome lets the spooler call again.
BOOL HardError(PortRecord* port, BOOL ok) {
    if (ok || !IsHardWriteError(port->lastWriteError)) return FALSE;
    port->writeFailureReported = TRUE;
    SetLastError(port->lastWriteError);
    return TRUE;
}

BOOL WriteThrough(PortRecord* port, const BYTE* data, DWORD length, LPDWORD written) {
    DWORD done = 0;
    BOOL ok = LowerWritePort(port, data, length, &done);
    *written = done;
    if (done) KeepTail(port, data, done);
    return !HardError(port, ok);
}

// Holds back the last 80 bytes of the job so that the trailer can follow them: what would
// make the held bytes more than 80 goes out, oldest first.
BOOL WriteDelayLine(PortRecord* port, const BYTE* data, DWORD length, LPDWORD written) {
    *written = 0;
    DWORD held = port->tailLength;
    DWORD excess = held + length > kTailSize ? held + length - static_cast<DWORD>(kTailSize) : 0;
    DWORD fromHeld = std::min(excess, held);
    DWORD fromNew = excess - fromHeld;
    if (fromHeld) {
        DWORD sent = 0;
        if (HardError(port, LowerWritePort(port, port->tail, fromHeld, &sent))) return FALSE;
        if (sent < fromHeld) {
            // The unsent held bytes move to the front; as many new bytes as went out follow.
            DWORD take = std::min(sent, length);
            std::memmove(port->tail, port->tail + sent, held - sent);
            std::memcpy(port->tail + held - sent, data, take);
            port->tailLength = held - sent + take;
            *written = take;
            return TRUE;
        }
        std::memmove(port->tail, port->tail + fromHeld, held - fromHeld);
        port->tailLength = held - fromHeld;
    }
    if (fromNew) {
        DWORD sent = 0;
        if (HardError(port, LowerWritePort(port, data, fromNew, &sent))) return FALSE;
        if (sent < fromNew) {
            *written = sent;
            return TRUE;
        }
    }
    std::memcpy(port->tail + port->tailLength, data + fromNew, length - fromNew);
    port->tailLength += length - fromNew;
    *written = length;
    return TRUE;
}

BOOL WriteJobData(PortRecord* port, const BYTE* data, DWORD length, LPDWORD written) {
    BOOL ok;
    if (port->myPortMode & kPortModeEcp) {
        WriteThrough(port, data, std::min(length, kEcpChunk), written);
        ok = TRUE;  // the ECP chunk writer never fails the spooler's call
        port->bytesSent -= std::min(port->bytesSent, *written);
    } else if ((port->kind & kKindLocal) || (port->kind & kKindStdTcpip)) {
        ok = WriteThrough(port, data, length, written);
    } else {
        ok = WriteDelayLine(port, data, length, written);
    }
    if (*written) port->dataStarted = TRUE;
    return ok;
}

// One round of the header: TRUE when the header is out (or dropped) and job data may follow.
enum class HeaderStep { Done, Retry };

HeaderStep SendHeader(PortRecord* port, MutexHold& hold) {
    BOOL wasSilent = (port->state & kStateNotResponding) != 0;
    BOOL recentPartial =
        port->lastPartialHeaderTick != -1 && GetTickCount() - static_cast<DWORD>(port->lastPartialHeaderTick) < 20000;
    if (!recentPartial) QueryPrinterStatus(port);
    if (wasSilent && !(port->state & kStateNotResponding)) {
        hold.Release();
        Sleep(2000);
        return HeaderStep::Retry;
    }
    if ((port->state & kStatePrinterBusy) == kStatePrinterBusy) {
        hold.Release();
        Sleep(2000);
        return HeaderStep::Retry;
    }
    if (!(port->state & kStateOwnModel)) {
        if (port->state & kStateNotResponding) {
            hold.Release();
            Sleep(1000);
            return HeaderStep::Retry;
        }
        // A printer of another model gets no monitor header.
        port->state &= ~kStateHeaderPending;
        return HeaderStep::Done;
    }
    port->state &= ~kStateAnswersAgain;
    PjlJobRequest request{};
    BOOL tcp = (port->kind & kKindTcpip) != 0;
    request.wantStatusLines = !tcp;
    request.wantJobName = !tcp;
    request.wantJobLine = !(tcp && port->driverJobClientId);
    std::memcpy(request.name, port->jobIdentifier, std::min(sizeof request.name - 1, sizeof port->jobIdentifier));
    request.qty = request.copies = -1;
    char header[kPjlHeaderSize];
    DWORD length = BuildPjlJobHeader(header, sizeof header, request, port);
    if (length == 0) {
        port->state &= ~kStateHeaderPending;
        return HeaderStep::Done;
    }
    if (IsParallel(port)) NegotiateEcp(port);
    // Only what the port has not taken yet goes out again.
    DWORD offset = std::min(port->headerOffset, length);
    DWORD written = 0;
    BOOL ok =
        ExchangeWithPrinter(port, reinterpret_cast<BYTE*>(header) + offset, length - offset, &written, FALSE, FALSE);
    port->headerOffset = offset + std::min(written, length - offset);
    if (port->headerOffset >= length) {
        port->state |= kStateHeaderSent;
        port->state &= ~(kStateHeaderPending | kStateFinishedByReply);
        if ((port->myPortMode & kPortModeEcp) && (port->state & kStateJobOpen)) port->ecpActive = TRUE;
        return HeaderStep::Done;
    }
    hold.Release();
    if (!ok && port->sleepAfterFailedHeader == 1) Sleep(1000);
    return HeaderStep::Retry;
}

// After a short write on USB the spooler hands over the rest; a shorter call means it cut the
// job, which was deleted meanwhile: its data is swallowed from now on.
void NoteCutShortWrite(PortRecord* port, DWORD length) {
    if (!IsXpOrLater() || !port->usbCarry || length >= port->usbCarryLeft) return;
    HANDLE printer = port->currentClient ? port->currentClient->printer : nullptr;
    BYTE buffer[2048];
    DWORD needed = 0;
    if (printer && GetJobW(printer, port->jobId, 1, buffer, sizeof buffer, &needed) &&
        (reinterpret_cast<JOB_INFO_1W*>(buffer)->Status & JOB_STATUS_DELETING))
        port->state |= kStateDeleting;
}

// A USB printer that does not answer is asked again after a pause, and the spooler retries
// later; a USB document that failed to start is started again first.
BOOL UsbPortReady(PortRecord* port, MutexHold& hold) {
    if ((port->state & kStateNotResponding) && !(port->state & kStateDeleting)) {
        Sleep(4000);
        QueryPrinterStatus(port);
        hold.Release();
        Sleep(10000);
        return FALSE;
    }
    if (port->state & kStateLowerDocOpen) return TRUE;
    if (!LowerStartDocPort(port, port->printerName, port->jobId, 1, nullptr)) {
        hold.Release();
        Sleep(4000);
        return FALSE;
    }
    port->state |= kStateLowerDocOpen;
    return TRUE;
}

BOOL WriteBoundClient(PortRecord* port, const BYTE* data, DWORD length, LPDWORD written) {
    MutexHold hold{port};
    *written = 0;
    if (!hold.Take(kPortMutexWait)) return RetryLater(written);
    port->wroteSinceStart = TRUE;
    if (IsUsb(port)) NoteCutShortWrite(port, length);
    port->usbCarry = FALSE;
    if (IsUsb(port) && !UsbPortReady(port, hold)) return RetryLater(written);
    if (port->scanResult == 0) {
        ScanJobDataForPjl(port, data, length);
        SetJobRecordName(port->scanResult == 2 ? port->jobName : port->jobIdentifier, 1, port);
    }
    if (port->state & kStateHeaderPending) {
        if (SendHeader(port, hold) == HeaderStep::Retry) return RetryLater(written);
    }
    // The job's own UEL gives way to the one the monitor header began with: once, and only
    // when the monitor header really went out.
    if ((port->state & kStateHeaderSent) && port->beginsWithUel && !port->uelAbsorbed && !port->dataStarted &&
        length >= kUel.size() && std::memcmp(data, kUel.data(), kUel.size()) == 0) {
        port->uelAbsorbed = TRUE;
        *written = static_cast<DWORD>(kUel.size());
        return TRUE;
    }
    if (port->pendingLength) {
        // The rest of the header goes before any job data.
        ExchangeWithPrinter(port, nullptr, 0, nullptr, FALSE, FALSE);
        if (port->pendingLength) {
            hold.Release();
            return RetryLater(written);
        }
    }
    if (port->scanResult == 2) port->pollMode &= ~1;
    if (port->state & kStateDeleting) {
        *written = length;
        return TRUE;
    }
    BOOL ok = WriteJobData(port, data, length, written);
    DWORD error = GetLastError();
    hold.Release();
    if (port->lastWriteFailed && port->lastWriteError == ERROR_TIMEOUT && (IsUsb(port) || port->ecpActive)) Sleep(1000);
    if (ok && IsUsb(port) && *written < length) {
        // What the spooler must hand over again; a shorter call means it cut the job.
        port->usbCarry = TRUE;
        port->usbCarryByte = data[*written];
        port->usbCarryLeft = length - *written;
    }
    SetLastError(error);
    return ok;  // TRUE with 0 bytes: the spooler retries
}

BOOL StartLowerDocIfNeeded(PortRecord* port) {
    if (port->state & kStateLowerDocOpen) return TRUE;
    if (!LowerStartDocPort(port, port->printerName, port->jobId, 1, nullptr)) return FALSE;
    port->state |= kStateLowerDocOpen;
    return TRUE;
}

HANDLE JobPrinter(PortRecord* port, BOOL* own) {
    *own = FALSE;
    if (port->currentClient && port->currentClient->printer) return port->currentClient->printer;
    HANDLE printer = nullptr;
    if (port->printerName && OpenPrinterW(port->printerName, &printer, nullptr)) {
        *own = TRUE;
        return printer;
    }
    return nullptr;
}

void SignalLastPage(PortRecord* port) {
    BOOL own = FALSE;
    HANDLE printer = JobPrinter(port, &own);
    if (printer) SetJobW(printer, port->jobId, 0, nullptr, JOB_CONTROL_LAST_PAGE_EJECTED);
    if (own) ClosePrinter(printer);
}

void SendTrailer(PortRecord* port) {
    PjlJobRequest request{};
    request.wantJobLine = TRUE;
    request.wantJobName = TRUE;
    request.qty = request.copies = -1;
    if (!port->jobName[0]) {
        // Name the end of job as the printer knows the job, so its end report finds the record.
        if (port->jobIdentifier[0])
            std::memcpy(port->jobName, port->jobIdentifier, sizeof port->jobName);
        else
            MakeJobClientId(port->jobName);
    }
    std::memcpy(request.name, port->jobName, std::min(sizeof request.name - 1, sizeof port->jobName));
    char trailer[kPjlHeaderSize];
    DWORD length = BuildPjlJobTrailer(trailer, sizeof trailer, request, port);
    BYTE out[kPjlHeaderSize + kTailSize];
    DWORD total = 0;
    BOOL delayLine = !(port->kind & kKindLocal) && !(port->kind & kKindStdTcpip) && !(port->myPortMode & kPortModeEcp);
    BOOL cancel = (port->state & kStateCancelInProgress) != 0;
    if (port->tailLength && (delayLine || ((port->myPortMode & kPortModeEcp) && cancel))) {
        std::memcpy(out, port->tail, port->tailLength);
        total = port->tailLength;
        port->tailLength = 0;
    }
    std::memcpy(out + total, trailer, length);
    total += length;
    // A trailer the printer is merely slow to take stays queued; a broken line lost the job's end.
    if (total && !ExchangeWithPrinter(port, out, total, nullptr, TRUE, FALSE) && IsHardWriteError(GetLastError()))
        NoteJobEndFailure(port);
}

void WaitPendingOutput(PortRecord* port) {
    DWORD start = GetTickCount();
    while (port->pendingLength && GetTickCount() - start < kPendingOutputWait) {
        ExchangeWithPrinter(port, nullptr, 0, nullptr, FALSE, FALSE);
        if (port->pendingLength) Sleep(1000);
    }
    DropPendingOutput(port);
}

BOOL JobBeingDeleted(PortRecord* port) {
    ManagerClient* client = port->currentClient;
    if (!client || !client->printer) return FALSE;
    BYTE buffer[2048];
    DWORD needed = 0;
    return GetJobW(client->printer, port->jobId, 1, buffer, sizeof buffer, &needed) &&
           (reinterpret_cast<JOB_INFO_1W*>(buffer)->Status & JOB_STATUS_DELETING);
}

// The user deleted the job: the printer is told to cancel it, and the job's end waits (with the
// port released between looks) until it acknowledges, stops answering, or polling ends. A
// printer that never acknowledges does not keep the job open for ever.
void CancelAtPrinter(PortRecord* port, MutexHold& hold) {
    SetJobStatusBits(port, kJobstatusCancelling, TRUE);
    BYTE one = 1;
    DWORD returned = 0;
    PortDeviceControl(port, IOCTL_PAR_CANCEL, &one, 1, nullptr, 0, &returned);
    Sleep(1000);
    port->state |= kStateCancelInProgress;
    DWORD start = GetTickCount();
    while (!port->cancelAcknowledged && !(port->state & kStateNotResponding) &&
           GetTickCount() - start < kCancelAckLimit) {
        hold.Release();
        Sleep(4000);
        if (!hold.Take(kPortMutexWait)) break;
        if (!PollingRuns(port))
            RefreshStatusThroughPort(port, TRUE);
        else if (!(port->state & kStatePollingWanted))
            break;
    }
}

// Once per job, the trailer (never on TCP/IP ports): after the monitor's header unless the job
// was cancelled or already ended, or after a job that carried its own PJL unless cancelled.
// What the printer reported meanwhile is read first, and what the trailer brings back after.
void EndJobAtPrinter(PortRecord* port) {
    BOOL firstEnd = !port->endDocDone;
    port->endDocDone = TRUE;
    // The job's end report names the job by its second name.
    if (firstEnd) SetJobRecordName(port->jobIdentifier, 2, port);
    // A port writing in ECP mode asks for the status once at the job's end, in its plain mode.
    if (firstEnd && (port->myPortMode & kPortModeEcp)) {
        port->myPortMode &= ~kPortModeEcp;
        QueryPrinterStatus(port);
        port->myPortMode |= kPortModeEcp;
    }
    // Read here even while a polling thread runs: a cancel the printer reported since its last
    // cycle must be seen before the trailer goes out.
    RefreshStatusThroughPort(port, TRUE);
    if (firstEnd && !(port->kind & kKindTcpip)) {
        BOOL cancel = (port->state & kStateCancelInProgress) != 0;
        BOOL ended = (port->state & kStateFinishedByReply) != 0;
        BOOL headerSent = (port->state & kStateHeaderSent) != 0;
        if ((headerSent && !cancel && !ended) || (!headerSent && port->scanResult != 0 && !cancel)) SendTrailer(port);
    }
    if (!PollingRuns(port)) RefreshStatusThroughPort(port, TRUE);
}

// The job's end in the status variables and the job records: a job that sent nothing drops its
// records; a job the printer has not reported finished is finished here.
void ReportJobEnd(PortRecord* port) {
    BOOL stdTcp = (port->kind & kKindStdTcpip) != 0;
    BOOL finishedByReply = (port->state & kStateFinishedByReply) != 0;
    BOOL headerSent = (port->state & kStateHeaderSent) != 0;
    if (!finishedByReply) UpdateSendingJobInfo(port, TRUE);
    SetJobStatusBits(port, kJobstatusJobBits, FALSE);
    if (!stdTcp && (!headerSent || !port->wroteSinceStart)) SetDwordVariable(port, "PrinterQueue", 0);
    if (!port->wroteSinceStart) {
        {
            // The status threads walk the records under the port lock.
            PortLock lock(port);
            DropAllJobRecords(port, TRUE);
        }
        SnapshotPrinterStatus(port);
    }
    if (!finishedByReply || !headerSent) {
        if (!stdTcp) {
            FinishOrCancelJob(port, FALSE);
            SnapshotPrinterStatus(port);
        }
        port->state |= kStateAnswersAgain;
        port->state &= ~kStateFinishedByReply;
        if (!headerSent && !stdTcp) {
            PortLock lock(port);
            if (port->jobHead) PopJobRecord(port, TRUE);
        }
    }
    PublishDirtyVariables(port);
}

// A standard TCP/IP job that the printer finished or that was cancelled ends here: its records
// go (no end report will come for them) and the queue is reported empty.
void EndStandardTcpIpJob(PortRecord* port) {
    if (!(port->state & (kStateCancelInProgress | kStateFinishedByReply))) WaitPendingOutput(port);
    if (port->state & (kStateCancelInProgress | kStateFinishedByReply)) {
        DropPendingOutput(port);
        SetDwordVariable(port, "PrinterQueue", 0);
        PublishDirtyVariables(port);
        FinishOrCancelJob(port, FALSE);
    }
    port->state &= ~kStatePrinterAnswered;
    EndJobDoc(port);
    SetJobStatusBits(port, kJobstatusJobBits, FALSE);
}

// The status dialogue confirms a job's end from the printer's own reports only when a bound
// client is polling a bidirectional port that sent the job with the monitor's header to a
// ready printer; otherwise the end is signalled here.
BOOL EndConfirmedByPrinter(PortRecord* port) {
    return IsBound(port->clients) && (port->kind & kKindBidi) && !(port->kind & kKindRedirected) && PollingRuns(port) &&
           port->wroteSinceStart && (port->state & kStateHeaderSent) && !(port->state & kStateNotResponding);
}

// Step h: the owed last-page signals (two stand for a count gone out of range), and the job's
// modes back to their rest.
constexpr DWORD kOwedEjectsOutOfRange = 255;

void SendOwedEjects(PortRecord* port) {
    if (port->owedEjects && !port->jobEndError) {
        DWORD signals = port->owedEjects >= kOwedEjectsOutOfRange ? 2 : 1;
        for (DWORD i = 0; i < signals; ++i) SignalLastPage(port);
        PortLock lock(port);
        if (port->jobTail) port->jobTail->flags |= kJobEjectSignalled;
    }
    port->owedEjects = 0;
    port->pollMode = 0;
    port->state &= ~kStateCancelInProgress;
    port->myPortMode &= ~kPortModeEcp;
    port->endDocDone = TRUE;
}

BOOL EndDocBoundClient(PortRecord* port) {
    MutexHold hold{port};
    hold.Take(kPortMutexWait);
    port->state &= ~kStateCancelFromPort;
    BOOL statusDoc = FALSE;
    OpenStatusDocIfNeeded(port, &statusDoc);
    BOOL stdTcp = (port->kind & kKindStdTcpip) != 0;
    if (JobBeingDeleted(port))
        CancelAtPrinter(port, hold);
    else if (!EndConfirmedByPrinter(port))
        ++port->owedEjects;
    EndJobAtPrinter(port);
    if (!stdTcp) EndJobDoc(port);
    MonFree(port->docInfo);
    port->docInfo = nullptr;
    ReportJobEnd(port);
    port->lastEndDocTick = GetTickCount();
    port->state &= ~kStateJobOpen;
    if (CountPendingJobs(port) == 0) port->ecpActive = FALSE;
    hold.Release();
    if (!PollingRuns(port)) WaitPendingOutput(port);
    if (stdTcp) EndStandardTcpIpJob(port);
    SendOwedEjects(port);
    // From now until the next job, the printer's first job-finished report releases the queue.
    port->device.jobEndWatch = TRUE;
    return TRUE;
}

// The job's end as the spooler learns it: the last page signalled (`signals` times) when the
// job reached the printer whole; otherwise FALSE with the port's error, so that a job the
// printer did not get whole is not reported printed.
BOOL JobEndResult(PortRecord* port, DWORD signals) {
    if (port->jobEndError && port->writeFailureReported) return TRUE;  // the spooler knows already
    if (port->jobEndError) {
        SetLastError(port->jobEndError);
        return FALSE;
    }
    for (DWORD i = 0; i < signals; ++i) SignalLastPage(port);
    return TRUE;
}

// Step 2 of StartDocPort: a local port waits for the port (30 s at a time, a few times, then
// gives up with ERROR_BUSY); a redirected port does not wait; any other waits once and goes on.
BOOL TakeStartMutex(PortRecord* port, MutexHold& hold) {
    if (port->kind & kKindLocal) {
        for (int i = 0; i < kStartMutexTries && !hold.Take(kPortMutexWait); ++i) {
        }
        if (hold.owned) return TRUE;
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    if (!(port->kind & kKindRedirected)) hold.Take(kPortMutexWait);
    return TRUE;
}

// The job-processing service, when installed, decides whether the job may start; a refused
// job is deleted.
BOOL JobServiceAllowsStart(PortRecord* port, DWORD jobId) {
    if (!IsJobServiceInstalled(port)) return TRUE;
    HANDLE printer = nullptr;
    OpenPrinterW(port->printerName, &printer, nullptr);
    BOOL allowed = JobServiceStartDoc(printer, jobId, port->portName);
    if (!allowed && printer) SetJobW(printer, jobId, 0, nullptr, JOB_CONTROL_DELETE);
    if (printer) ClosePrinter(printer);
    return allowed;
}

// Opens the job on the port below. A USB port whose start failed goes on: its WritePort starts
// the document again.
BOOL StartJobOnLowerPort(PortRecord* port, LPWSTR printerName, DWORD jobId, DWORD level, LPBYTE docInfo) {
    if (!LowerStartDocPort(port, printerName, jobId, level, docInfo)) return IsUsb(port);
    if (IsParallel(port)) {
        port->myPortMode &= ~kPortModeEcp;
        NegotiateEcp(port);
    }
    if (!IsUsb(port)) SetParallelTimeouts(port);
    port->state |= kStateLowerDocOpen;
    return TRUE;
}

// A bidirectional port binds the job to the printer's status-manager client: with a bound
// client the monitor's header is pending, stale replies are drained and the job gets a record.
void PrepareBidiJob(PortRecord* port, DWORD jobId, DWORD level, LPBYTE docInfo) {
    PortLock lock(port);
    ManagerClient* client = FindManagerClient(port->printerName, port);
    if (!client) client = CreateManagerClient(port->printerName, port, TRUE);
    port->currentClient = client;
    MakeJobIdentifier(port);
    if (!IsBound(client)) {
        if (port->myPortMode & kPortModeEcp) QueryPrinterStatus(port);
        return;
    }
    QueryPrinterStatus(port);
    port->pollMode = 0;
    port->state |= kStateHeaderPending;
    BOOL queued = port->jobHead != nullptr;
    if (!queued && !(port->kind & kKindStdTcpip)) DrainReplies(FALSE, port);
    port->startPolling = TRUE;
    if (!(port->state & kStatePollingRunning)) StartPolling(port);
    CopyDocInfo(port, level, docInfo);
    if (!queued) SnapshotPrinterStatus(port);
    AddJobRecord(jobId, port);
    UpdateSendingJobInfo(port, FALSE);
    ApplyPrintingPriority(port);
}

// A job ends the watch of the queues: the job's own polling takes over.
void EndJobWatch(PortRecord* port, MutexHold& hold) {
    hold.Release();
    port->state &= ~kStatePollingWanted;
    if (port->pollWakeEvent) SetEvent(port->pollWakeEvent);
    WaitForSingleObject(port->pollingStoppedEvent, kJobWatchStopWait);
    if (!(port->kind & kKindRedirected)) hold.Take(kPortMutexWait);
}

void SetPollModeForJob(PortRecord* port) {
    if (port->kind & kKindRedirected) {
        port->redirectedCounters[0] = 0;
        port->redirectedCounters[1] = 1;
    }
    port->pollMode = (port->state & kStateHeaderPending) ? 0 : ((port->kind & kKindRedirected) ? port->pollMode : 1);
    if (!(port->state & kStateOwnModel)) port->sleepAfterFailedHeader = 0;
}

}  // namespace

BOOL WINAPI StartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level, LPBYTE pDocInfo) {
    PortRef ref(hPort);
    PortRecord* port = ref.port;
    if (!port) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (Level != 1 && (!pDocInfo || !reinterpret_cast<DOC_INFO_1W*>(pDocInfo)->pDocName)) {
        port->state |= kStateRepeatedStart;
        ReplacePrinterName(port, pPrinterName);
        return TRUE;
    }
    port->state &= ~kStateTerminate;
    MutexHold hold{port};
    if (!TakeStartMutex(port, hold)) return FALSE;
    if (port->longWait) EndJobWatch(port, hold);
    port->underWay = TRUE;
    ReplacePrinterName(port, pPrinterName);
    if (port->state & kStateJobOpen) {
        port->underWay = FALSE;
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    if (!JobServiceAllowsStart(port, JobId)) {
        port->underWay = FALSE;
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    port->state |= kStateJobOpen;
    ReloadMyPortMode(port);
    if (port->state & kStateLowerDocOpen) EndLowerDoc(port);
    port->enterLanguage = 0;
    ReadMonitorDword(u"ENTERLANGUAGE", &port->enterLanguage);
    if (!StartJobOnLowerPort(port, pPrinterName, JobId, Level, pDocInfo)) {
        DWORD error = GetLastError();
        port->state &= ~kStateJobOpen;
        port->underWay = FALSE;
        SetLastError(error);
        return FALSE;
    }
    port->jobId = JobId;
    port->device.jobEndWatch = FALSE;  // this job's own end is watched from here on
    port->state &= ~(kStateHeaderSent | kStateCancelInProgress | kStateDeleting | kStateFinishedByReply);
    ResetJobFlags(port);
    if (port->kind & kKindBidi) {
        PrepareBidiJob(port, JobId, Level, pDocInfo);
        SetPollModeForJob(port);
    }
    port->underWay = FALSE;
    return TRUE;
}

BOOL WINAPI WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) {
    PortRef ref(hPort);
    PortRecord* port = ref.port;
    if (!port || !pcbWritten || (!pBuffer && cbBuf)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *pcbWritten = 0;
    if (cbBuf == 0) return TRUE;
    if (!(port->state & kStateJobOpen)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ManagerClient* client = port->currentClient;
    if ((port->kind & kKindBidi) && IsBound(client)) return WriteBoundClient(port, pBuffer, cbBuf, pcbWritten);
    if (!StartLowerDocIfNeeded(port)) return FALSE;
    if ((port->kind & kKindBidi) && client && !port->wroteSinceStart) {
        port->wroteSinceStart = TRUE;
        if (ClientHeaderOption(port) && port->enterLanguage == 0) {
            port->state |= kStateHeaderSent;
            if (cbBuf < kUel.size() || std::memcmp(pBuffer, kUel.data(), kUel.size()) != 0) {
                char header[kPjlHeaderSize];
                DWORD length = BuildMinimalHeader(header, sizeof header, port);
                DWORD written = 0;
                if (!ExchangeWithPrinter(port, reinterpret_cast<BYTE*>(header), length, &written, TRUE, FALSE) ||
                    written < length) {
                    port->wroteSinceStart = FALSE;
                    port->state &= ~kStateHeaderSent;
                    return RetryLater(pcbWritten);
                }
            }
        }
    }
    port->wroteSinceStart = TRUE;
    DWORD written = 0;
    BOOL ok = (port->myPortMode & kPortModeEcp) ? LowerWritePort(port, pBuffer, std::min(cbBuf, kEcpChunk), &written)
                                                : LowerWritePort(port, pBuffer, cbBuf, &written);
    *pcbWritten = written;
    if (written) KeepTail(port, pBuffer, written);
    if (!ok) port->writeFailureReported = TRUE;
    return ok;
}

BOOL WINAPI EndDocPort(HANDLE hPort) {
    PortRef ref(hPort);
    PortRecord* port = ref.port;
    if (!port) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (port->state & kStateRepeatedStart) {
        port->state &= ~kStateRepeatedStart;
        return TRUE;
    }
    if (port->serviceToldStart) {
        JobServiceEndDoc(port->portName, port->jobId);
        port->serviceToldStart = FALSE;
    }
    if (!(port->state & kStateJobOpen)) return TRUE;
    // Whichever way the job ends, the thread gets its own priority back.
    struct PriorityBack {
        PortRecord* port;
        ~PriorityBack() { RestoreThreadPriority(port); }
    } priorityBack{port};
    ManagerClient* client = port->currentClient;
    if (!client) {
        EndJobDoc(port);
        port->state &= ~kStateJobOpen;
        port->underWay = FALSE;
        return JobEndResult(port, 1);
    }
    BOOL openOnEntry = (port->state & kStateLowerDocOpen) != 0;
    BOOL startFailed = !StartLowerDocIfNeeded(port);
    if (!(port->kind & kKindBidi) || !IsBound(client)) {
        // The printer's PJL job that the minimal header opened is closed by name.
        if ((port->kind & kKindBidi) && (port->kind & kKindLocal) && openOnEntry) {
            char trailer[kPjlHeaderSize];
            DWORD length = BuildMinimalTrailer(trailer, sizeof trailer, port);
            if (length && !ExchangeWithPrinter(port, reinterpret_cast<BYTE*>(trailer), length, nullptr, FALSE, FALSE) &&
                IsHardWriteError(GetLastError()))
                NoteJobEndFailure(port);
        }
        EndJobDoc(port);
        port->state &= ~kStateJobOpen;
        port->myPortMode &= ~kPortModeEcp;
        port->underWay = FALSE;
        return JobEndResult(port, startFailed ? 2 : 1);
    }
    EndDocBoundClient(port);
    port->underWay = FALSE;
    return JobEndResult(port, 0);
}
