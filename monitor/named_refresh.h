// The named refresh: the answer to port query "Refresh:" followed by a printer name, asked by
// the status manager when a reader of that printer's variables wants them fresh.
#pragma once

#include "monitor/port_record.h"

constexpr LONG kRefreshDone = 0;
constexpr LONG kRefreshRefused = -19;
constexpr LONG kRefreshNotResponding = -37;
constexpr LONG kRefreshBusy = -38;
constexpr LONG kRefreshOtherModel = -80;

LONG NamedRefresh(LPCWSTR printerName, PortRecord* port);
// Steps 3 and 4 of the named refresh for one client: its "RefreshStatus" request read from the
// manager and decoded into request group bits (0: no request, or no variable it names).
DWORD ReadRefreshRequestBits(ManagerClient* client, PortRecord* port);
