// The exchange with the printer through the port below: reading its replies into the parser,
// and sending monitor PJL with retries and a queue of the bytes the port has not taken yet.
#pragma once

#include "monitor/port_record.h"

// Reads what the printer sent (a bounded number of reads) and parses it.
BOOL RefreshStatusThroughPort(PortRecord* port, BOOL publish);
// Sends monitor PJL: the pending output first, then the new data. A partial write queues the
// rest as pending output. *written counts the new bytes the port took or that wait in the
// pending output behind what it took.
BOOL ExchangeWithPrinter(PortRecord* port, const BYTE* data, DWORD length, DWORD* written, BOOL queueOnFailure,
                         BOOL onlyWhenReady);
