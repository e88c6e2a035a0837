// The polling thread of a port: it asks the printer for its status every few seconds while a
// job runs or a status reader keeps the port awake, and keeps the port's clients current.
#pragma once

#include "monitor/port_record.h"

constexpr DWORD kPollJobOpenMs = 3000;    // cycle time with a job open
constexpr DWORD kPollRecordsMs = 3000;    // idle, job records waiting
constexpr DWORD kPollIdleMs = 4000;       // idle, no job record
constexpr DWORD kPollStopWaitMs = 45000;  // longer than one cycle's longest wait for the port

// Whether the port's polling thread runs, read under the port lock the thread ends under.
BOOL PollingRuns(PortRecord* port);
// Starts the polling thread when the port kind has one; FALSE otherwise or when it runs.
BOOL StartPolling(PortRecord* port);
// Starts the port's polling or job-watch thread (16 KB stack, below-normal priority): it holds a
// reference on the port and the wake event exists while it runs. FALSE when one runs already.
BOOL StartStatusThread(PortRecord* port, LPTHREAD_START_ROUTINE routine);
// Asks the polling or job-watch thread to end and waits (bounded) until it has; TRUE when no
// such thread runs any more. Never called with the port lock held.
BOOL StopPolling(PortRecord* port);
BOOL ShouldPollingStop(PortRecord* port);
// "PrinterExtStatus" bit 0x10: the monitor polls (the clients are refreshed first when on).
void SetPollingExtStatus(PortRecord* port, BOOL on);
void ResetPortStatusState(PortRecord* port);
// One polling cycle, under the port mutex.
void PollOnce(PortRecord* port);
