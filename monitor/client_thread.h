// The status-manager client thread of a bound printer: it watches the manager's "Port",
// "PrinterName", "TerminateManager" and "PrinterExtStatus", the printer's deletion, the
// manager's restart and the printer's job changes, and ends when its client is removed.
#pragma once

#include "monitor/manager_client.h"

// Starts the client's thread (16 KB stack); the thread holds a reference on the port and is
// counted in the port's client threads until it ends.
BOOL StartManagerClientThread(PortRecord* port, ManagerClient* client);
// Waits (bounded) until no client thread of the port runs; FALSE when some still do.
BOOL WaitForClientThreads(PortRecord* port, DWORD milliseconds);
// The client thread's work on the calling thread, for a client whose stop event is given (it is
// closed at the end, as the thread closes it): its objects and registration with the status
// manager, then each of the given wait slots acted on in order as if it had fired (0 the port
// closes, 1 "Port", 2 "PrinterName", 3 "TerminateManager", 4 the printer's deletion, 5 the
// manager's restart, 6 a job change, 7 "PrinterExtStatus", 8 the stop event), until one ends
// the client; then its end. TRUE when the client would still be waiting.
BOOL RunClientChanges(PortRecord* port, HANDLE stopEvent, const DWORD* slots, size_t count);
