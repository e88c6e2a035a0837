// The port monitor below, called as the monitor calls it: the wrappers add the port's own rules
// (the write gate, USB time-outs, serial pauses) and never believe more bytes than were offered.
#pragma once

#include "monitor/port_record.h"

BOOL LowerStartDocPort(PortRecord* port, LPWSTR printerName, DWORD jobId, DWORD level, LPBYTE docInfo);
BOOL LowerWritePort(PortRecord* port, const BYTE* data, DWORD length, DWORD* written);
BOOL LowerReadPort(PortRecord* port, BYTE* buffer, DWORD size, DWORD* read);
BOOL LowerEndDocPort(PortRecord* port);
BOOL LowerClosePort(PortRecord* port);
// A status-only document ("QJLMON Doc") on the lower port when none is open. *opened tells
// whether this call opened it.
BOOL OpenStatusDocIfNeeded(PortRecord* port, BOOL* opened);
// TRUE when no document was open or it ended; FALSE with the port monitor's error.
BOOL EndLowerDoc(PortRecord* port);
// Reads and drops what the printer sent before a job (bounded: two rounds of reads).
BOOL DrainReplies(BOOL pause, PortRecord* port);
// A write error that ends the job rather than asking for a retry: the printer dropped the line
// or the job was cancelled below. (USB's ERROR_CANCELLED is handled where it arises: the
// write finishes the job as cancelled, and every failed write on USB ends an exchange.)
BOOL IsHardWriteError(DWORD error);
