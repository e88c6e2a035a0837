// The status manager Dorlik.DLL as its callers bind it (GetProcAddress by these names). The
// language monitor (in the spooler's process) publishes a printer's status variables and
// watches a few of them; the interface DLL (in applications' processes) reads them, writes
// the manual configuration back and asks the monitor for a fresh status. Every process sees
// the same variables: they live in the sandbox root, behind a lock shared between processes.
//
// Every call returns 0 for success. A buffer that is too small gives DORLIK_E_SMALL_QUERY (size
// 0 was given) or DORLIK_E_SMALL_BUFFER, with the needed size in *returned.
#pragma once

#include "win/base.h"

#define DORLIK_OK 0
#define DORLIK_E_HANDLE (-1)     // not a manager handle of this process
#define DORLIK_E_PARAMETER (-2)  // a missing or malformed argument, an unknown cookie
#define DORLIK_E_NO_VARIABLE (-5)
#define DORLIK_E_PENDING (-6)      // ResSetPrinterStatus: the refresh has not finished yet
#define DORLIK_E_NO_STORE (-7)     // the shared store cannot be opened, or it is full
#define DORLIK_E_NOT_SERVED (-19)  // no monitor serves the printer: nothing was refreshed
#define DORLIK_E_TIMEOUT (-21)     // the monitor did not answer a direct refresh in time
#define DORLIK_E_SMALL_QUERY (-33)
#define DORLIK_E_SMALL_BUFFER (-36)

// The client name and mode with which the language monitor binds a printer: such a manager
// makes its process the one that serves the printer's refresh requests.
#define DORLIK_MONITOR_CLIENT u"\\\\.\\qjlmon"
#define DORLIK_MODE_MONITOR 1
// A direct refresh waits this long (real time) for the monitor's answer.
#define DORLIK_DIRECT_WAIT_MS 30000

extern "C" {

// ---- both sides ----

// Binds a printer: one set of variables per printer name, shared by every handle of it in every
// process. Sets the printer's defaults when they are missing ("PrinterName" 520 bytes of UTF-16,
// "Port" 516 bytes with a zero first DWORD, "TerminateManager" and "RefreshStatus" DWORD 0).
typedef LONG(WINAPI* PFN_DorlikOpenManagerExW)(LPCWSTR printer, LPCWSTR client, DWORD mode, HANDLE* manager);
// Ends a handle; its notification registrations go with it.
typedef LONG(WINAPI* PFN_DorlikCloseManager)(HANDLE manager);
// Reads a variable: DORLIK_E_NO_VARIABLE when it was never set; size queries as above.
typedef LONG(WINAPI* PFN_DorlikGetPrinterStatusW)(HANDLE manager, LPCWSTR name, void* buffer, DWORD size,
                                                  DWORD* returned);
typedef LONG(WINAPI* PFN_DorlikGetPrinterStatusA)(HANDLE manager, LPCSTR name, void* buffer, DWORD size,
                                                  DWORD* returned);
// Publishes a variable (names up to 63 characters, values up to 1 MB); a changed value signals
// every event registered for it, in every process.
typedef LONG(WINAPI* PFN_DorlikUpdatePrinterStatusA)(HANDLE manager, LPCSTR name, const void* value, DWORD size);
typedef LONG(WINAPI* PFN_DorlikUpdatePrinterStatusW)(HANDLE manager, LPCWSTR name, const void* value, DWORD size);

// ---- monitor side ----

// names: `count` names separated by ';'; events[i] is signalled whenever the i-th variable
// changes (by any process) until KillNotificationEvent. The events must stay open meanwhile.
typedef LONG(WINAPI* PFN_DorlikSetNotificationEventExA)(HANDLE manager, DWORD count, LPCSTR names, HANDLE* events,
                                                        DWORD* cookie);
typedef LONG(WINAPI* PFN_DorlikKillNotificationEvent)(HANDLE manager, DWORD cookie);
// One variable, one event (SetNotificationEventExA with a count of 1).
typedef LONG(WINAPI* PFN_DorlikSetNotificationEventA)(HANDLE manager, LPCSTR name, HANDLE event, DWORD* cookie);
// The callback form: callback(context, variable name) on the manager's own thread.
typedef void(WINAPI* PFN_DorlikNotificationCallback)(void* context, LPCSTR name);
typedef LONG(WINAPI* PFN_DorlikSetNotificationCallbackExA)(HANDLE manager, DWORD count, LPCSTR names,
                                                           PFN_DorlikNotificationCallback callback, void* context,
                                                           DWORD* cookie);
typedef LONG(WINAPI* PFN_DorlikKillNotificationCallback)(HANDLE manager, DWORD cookie);

// ---- refresh requests (interface DLL side) ----
// A refresh stores the requested names (UTF-16 list, `size` bytes with its terminator) as the
// ANSI "RefreshStatus" variable and asks the monitor serving the printer for port query
// "Refresh:" + printer name; the monitor's answer (0, or its negative refusal) is the result.

// Asynchronous: 0 and a cookie; when the refresh has finished, `message` is posted to `window`
// (wParam the cookie, lParam the result). DORLIK_E_NOT_SERVED at once when no monitor serves
// the printer (the caller then reports the refusal itself).
typedef LONG(WINAPI* PFN_DorlikSetReqPrinterStatusMsgW)(HANDLE manager, LPCWSTR variable, LPCWSTR names, DWORD size,
                                                        HWND window, UINT message, DWORD* cookie);
// The same with an event set when the refresh has finished (ANSI names, `size` bytes).
typedef LONG(WINAPI* PFN_DorlikSetReqPrinterStatusEventA)(HANDLE manager, LPCSTR variable, LPCSTR names, DWORD size,
                                                          HANDLE event, DWORD* cookie);
// Collects the result of an asynchronous refresh and forgets the cookie; DORLIK_E_PENDING
// while it runs.
typedef LONG(WINAPI* PFN_DorlikResSetPrinterStatus)(HANDLE manager, DWORD cookie, LONG* result);
// Synchronous: waits up to DORLIK_DIRECT_WAIT_MS for the monitor and returns its answer.
typedef LONG(WINAPI* PFN_DorlikSetPrinterStatusDirectW)(HANDLE manager, LPCWSTR variable, LPCWSTR names, DWORD size);

// ---- test-side reader exports (not part of the manager's interface to the driver) ----

// Reads a printer's variable without a manager handle; DORLIK_E_NO_VARIABLE when it was never set.
typedef LONG(WINAPI* PFN_DorlikReadVariable)(LPCWSTR printer, LPCSTR name, void* buffer, DWORD size, DWORD* returned);
// One of the values published lately (back 0 = the newest; the store keeps the last 32768
// publications of all variables); DORLIK_E_NO_VARIABLE past the end.
typedef LONG(WINAPI* PFN_DorlikReadHistory)(LPCWSTR printer, LPCSTR name, DWORD back, void* buffer, DWORD size,
                                            DWORD* returned);
// How many times a variable was published (UpdatePrinterStatus calls that succeeded), 0 when never.
typedef DWORD(WINAPI* PFN_DorlikUpdateCount)(LPCWSTR printer, LPCSTR name);
// Sets a variable as if another client had published it (signals its notification events).
typedef LONG(WINAPI* PFN_DorlikWriteVariable)(LPCWSTR printer, LPCSTR name, const void* value, DWORD size);
// Manager handles and notification registrations still open in this process (leak checks),
// and a full reset of the store and of this process's handles.
typedef DWORD(WINAPI* PFN_DorlikOpenHandles)(void);
// Until this process holds at most `count` of them, woken as each closes; FALSE when `wallMs` of
// real time passed first (that bound only ends a broken run).
typedef BOOL(WINAPI* PFN_DorlikWaitOpenHandlesAtMost)(DWORD count, DWORD wallMs);
typedef void(WINAPI* PFN_DorlikReset)(void);

}  // extern "C"
