// The exchange with the printer through the port below: its replies read and handed to the
// parser, and monitor PJL sent with retries and a queue of the bytes the port has not taken.
#include "monitor/printer_exchange.h"

#include <algorithm>
#include <cstring>

#include "monitor/lower_port.h"
#include "monitor/pjl_reply.h"
#include "monitor/port_kinds.h"

namespace {

// What a read told about the printer: whether a status report came (a reply without one, when
// none came before, has the polling cycle ask for the status), whether the read failed, and
// whether an INQUIRE answer is still on its way.
void NoteReadOutcome(PortRecord* port, int ended, DWORD flags, BOOL failed) {
    PortLock lock(port);
    BOOL statusBefore = (port->state & kStateStatusSeen) != 0;
    BOOL status = (flags & kReplyFlagStatusSeen) != 0;
    if (ended && status)
        port->state |= kStateStatusSeen;
    else if (ended)
        port->state &= ~kStateStatusSeen;
    if (ended && !status && !statusBefore) {
        port->state |= kStateReplyNoStatus;
        port->state &= ~kStatePrinterAnswered;
    }
    if (failed) port->state &= ~kStateStatusRequery;
    port->inquirePending = (flags & kReplyFlagInquireOpen) != 0;
}

}  // namespace

BOOL RefreshStatusThroughPort(PortRecord* port, BOOL publish) {
    if (!(port->kind & kKindBidi)) return TRUE;
    BOOL usb = IsUsbPort(port->portName);
    BOOL opened = FALSE;
    if (!OpenStatusDocIfNeeded(port, &opened)) {
        if (usb) {
            port->myPortMode = 0;
            port->state |= kStateNotResponding;
        }
        return FALSE;
    }
    const DWORD piece = usb ? 1024 : 1023;
    char buffer[1025];
    DWORD flags = 0;
    int ended = 0;
    BOOL failed = FALSE;
    for (DWORD reads = 0; reads < kReplyReadsPerRefresh; ++reads) {
        DWORD got = 0;
        if (!LowerReadPort(port, reinterpret_cast<BYTE*>(buffer), piece, &got)) {
            failed = TRUE;
            break;
        }
        if (got == 0) break;
        got = std::min(got, piece);
        buffer[got] = 0;
        DWORD used = 0;
        ended += QueueReplyText(port, buffer, got, &used, TRUE, &flags, publish);
    }
    if (opened) EndLowerDoc(port);
    NoteReadOutcome(port, ended, flags, failed);
    return TRUE;
}

namespace {

// Writes with up to 50 tries while the port accepts nothing; stops at the first progress.
BOOL SendWithRetries(PortRecord* port, const BYTE* data, DWORD length, DWORD* sent) {
    *sent = 0;
    BOOL usb = IsUsbPort(port->portName);
    for (int attempt = 0; attempt < 50; ++attempt) {
        DWORD written = 0;
        BOOL ok = LowerWritePort(port, data, length, &written);
        if (!ok) {
            DWORD error = GetLastError();
            if (usb || IsHardWriteError(error)) return FALSE;
            written = 0;
        }
        written = std::min(written, length);
        if (written) {
            if (written == 1) port->lastPartialHeaderTick = static_cast<LONG>(GetTickCount());
            *sent = written;
            return TRUE;
        }
        Sleep(1000);
    }
    SetLastError(ERROR_TIMEOUT);
    return FALSE;
}

BOOL QueuePending(PortRecord* port, const BYTE* data, DWORD length) {
    if (!length) return TRUE;
    if (port->pendingLength + length > kPendingOutputLimit) return FALSE;
    return MonAppendBytes(&port->pendingOutput, &port->pendingLength, data, length);
}

}  // namespace

BOOL ExchangeWithPrinter(PortRecord* port, const BYTE* data, DWORD length, DWORD* written, BOOL queueOnFailure,
                         BOOL onlyWhenReady) {
    DWORD localWritten = 0;
    if (!written) written = &localWritten;
    *written = 0;
    if (onlyWhenReady && (!(port->kind & kKindBidi) || !(port->state & kStateOwnModel))) return FALSE;
    BOOL opened = FALSE;
    if (!OpenStatusDocIfNeeded(port, &opened)) return FALSE;
    BOOL ok = TRUE;
    DWORD error = ERROR_SUCCESS;
    if (port->pendingLength && port->sleepAfterFailedHeader != 1) {
        DWORD sent = 0;
        ok = SendWithRetries(port, port->pendingOutput, port->pendingLength, &sent);
        error = GetLastError();
        if (sent >= port->pendingLength) {
            DropPendingOutput(port);
        } else if (sent) {
            std::memmove(port->pendingOutput, port->pendingOutput + sent, port->pendingLength - sent);
            port->pendingLength -= sent;
        }
        if (!ok || port->pendingLength) {
            // The new data waits behind what the printer has not taken yet.
            if (queueOnFailure && data && !QueuePending(port, data, length))
                ok = FALSE;
            else if (queueOnFailure && data)
                *written = length;
            if (opened) EndLowerDoc(port);
            SetLastError(error);
            return ok && queueOnFailure;
        }
    }
    if (data && length) {
        DWORD sent = 0;
        ok = SendWithRetries(port, data, length, &sent);
        error = GetLastError();
        *written = sent;
        if (ok && sent < length) {
            if (QueuePending(port, data + sent, length - sent)) *written = length;
        } else if (!ok && queueOnFailure) {
            if (QueuePending(port, data + sent, length - sent)) *written = length;
        }
    }
    if ((port->myPortMode & kPortModeEcp) && *written) port->bytesSent -= std::min(port->bytesSent, *written);
    if (opened) EndLowerDoc(port);
    SetLastError(error);
    return ok;
}
