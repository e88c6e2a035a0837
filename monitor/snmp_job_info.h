// Job progress from the printer's job table into "PrintingJobInfo2": a pending value is begun
// or ended, then queued behind what the clients have not seen yet; pages add to its total.
// Each step runs under the port lock (the caller's).
#pragma once

#include "monitor/port_record.h"

// A zeroed pending "PrintingJobInfo2" value on the port (the reply parser's too); none when
// out of memory.
BYTE* NewPendingJobInfo(PortRecord* port);
void BeginJobInfo(PortRecord* port);
void EndJobInfo(PortRecord* port);
// TRUE when the value ended a job: the caller gives the clients a moment (outside the lock).
BOOL QueueJobInfo(PortRecord* port, DWORD jobId);
void AddJobPages(PortRecord* port, DWORD pages, DWORD jobId);
