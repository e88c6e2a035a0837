// The job-watch thread: while the printer is in error and no job is open, it watches the
// queues of the port's printers and asks the printer for its status while a job waits.
#pragma once

#include "monitor/port_record.h"

BOOL StartJobWatchThread(PortRecord* port);
// A job of the printer that none of the job-status mask's bits mark as done or held.
BOOL PrinterHasJobOfInterest(HANDLE printer, BOOL whenShortOfMemory);
