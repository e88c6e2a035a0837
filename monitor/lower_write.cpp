// Writes to the port below: the write gate is asked first (in ECP mode the printer's input buffer
// must have room), a cancel on USB ends the job here, and no more bytes are believed than were
// offered.
#include "monitor/lower_port.h"
#include "monitor/port_kinds.h"
#include "monitor/status_variables.h"
#include "monitor/write_gate.h"

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
            (port->state & kStateJobOpen) && !(port->state & kStateNotResponding)) {
            FinishOrCancelJob(port, TRUE);
            SetLastError(ERROR_CANCELLED);
        }
    }
    if ((port->myPortMode & kPortModeEcp) && (port->state & kStateJobOpen) &&
        (*written || port->lastWriteError == ERROR_TIMEOUT))
        port->ecpActive = TRUE;
    return ok;
}

BOOL IsHardWriteError(DWORD error) {
    return error == WSAECONNRESET || error == ERROR_PRINT_CANCELLED;
}
