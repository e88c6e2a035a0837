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
