// The port monitor below: its calls as the monitor makes them, with the port's own rules (the
// USB time-outs, serial pauses, a status-only document when no job is open). Writes are in
// lower_write.cpp: they ask the write gate, whose status query opens documents here.
#include "monitor/lower_port.h"

#include "monitor/pjl_reply.h"
#include "monitor/port_kinds.h"
#include "win/spool.h"

BOOL LowerStartDocPort(PortRecord* port, LPWSTR printerName, DWORD jobId, DWORD level, LPBYTE docInfo) {
    if (!port->lower.pfnStartDocPort) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    if (port->kind & kKindSerial) Sleep(100);
    BOOL ok = port->lower.pfnStartDocPort(port->lowerPort, printerName, jobId, level, docInfo);
    if (IsUsbPort(port->portName) && port->lower.pfnSetPortTimeOuts) {
        DWORD error = GetLastError();
        COMMTIMEOUTS cto{0xFFFFFFFFu, 0xFFFFFFFFu, 10, 0, 10000};
        port->lower.pfnSetPortTimeOuts(port->lowerPort, &cto, 0);
        SetLastError(error);
    }
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
    if (port->kind & kKindSerial) Sleep(100);
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
    if (port->state & kStateLowerDocOpen) return TRUE;
    WCHAR docName[] = u"QJLMON Doc";
    DOC_INFO_3W info{docName, nullptr, nullptr, 0};
    if (!LowerStartDocPort(port, port->printerName, 0xFFFFFFFFu, 3, reinterpret_cast<LPBYTE>(&info))) return FALSE;
    port->state |= kStateLowerDocOpen;
    *opened = TRUE;
    return TRUE;
}

BOOL EndLowerDoc(PortRecord* port) {
    if (!(port->state & kStateLowerDocOpen)) return TRUE;
    BOOL ok = LowerEndDocPort(port);
    DWORD error = GetLastError();
    port->state &= ~kStateLowerDocOpen;  // a failed end too leaves nothing we could end again
    SetLastError(error);
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
        for (DWORD reads = 0; reads < kReplyReadsPerRefresh; ++reads) {
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
