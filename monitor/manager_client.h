// Per-printer bindings to the status manager Dorlik.DLL.
#pragma once

#include "monitor/port_record.h"

typedef LONG(WINAPI* PFN_OpenManagerExW)(LPCWSTR printer, LPCWSTR client, DWORD mode, HANDLE* manager);
typedef LONG(WINAPI* PFN_CloseManager)(HANDLE manager);
typedef LONG(WINAPI* PFN_GetPrinterStatusA)(HANDLE manager, LPCSTR name, void* buffer, DWORD size, DWORD* returned);
typedef LONG(WINAPI* PFN_GetPrinterStatusW)(HANDLE manager, LPCWSTR name, void* buffer, DWORD size, DWORD* returned);
typedef LONG(WINAPI* PFN_UpdatePrinterStatusA)(HANDLE manager, LPCSTR name, const void* value, DWORD size);
typedef LONG(WINAPI* PFN_SetNotificationEventExA)(HANDLE manager, DWORD count, LPCSTR names, HANDLE* events,
                                                  DWORD* cookie);
typedef LONG(WINAPI* PFN_KillNotificationEvent)(HANDLE manager, DWORD cookie);
typedef LONG(WINAPI* PFN_AnyManagerCall)();

constexpr DWORD kClientServed = 0x1;
constexpr DWORD kClientSuspended = 0x2;
constexpr DWORD kClientSeen = 0x10000;
constexpr DWORD kClientHeaderOption = 0x1;

struct ManagerClient {
    LPWSTR printerName;
    HMODULE module;
    HANDLE manager;
    HANDLE printer;
    PFN_OpenManagerExW OpenManagerExW;
    PFN_CloseManager CloseManager;
    PFN_GetPrinterStatusA GetPrinterStatusA;
    PFN_GetPrinterStatusW GetPrinterStatusW;
    PFN_AnyManagerCall SetReqPrinterStatusEventA;
    PFN_AnyManagerCall ResSetPrinterStatus;
    PFN_UpdatePrinterStatusA UpdatePrinterStatusA;
    PFN_AnyManagerCall SetNotificationEventA;
    PFN_SetNotificationEventExA SetNotificationEventExA;
    PFN_KillNotificationEvent KillNotificationEvent;
    PFN_AnyManagerCall SetNotificationCallbackExA;
    PFN_AnyManagerCall KillNotificationCallback;
    DWORD threadId;
    HANDLE stopEvent;  // owned by the client thread once it runs (it closes it as it ends)
    HANDLE readyEvent;
    DWORD flags;
    DWORD versionPair[2];
    DWORD optionFlags;
    ManagerClient* next;
    DWORD notificationCookie;  // the client thread's registration, 0 none (cancelled before freeing)
    BOOL threadStarted;
};

// One row of the driver-name table: which spooler drivers are this driver's, and the model
// name their printers report in the device ID.
struct DriverNameRow {
    std::string_view model;
    std::u16string_view driver;
    DWORD versionPair[2];
    DWORD optionFlags;
};
inline constexpr DriverNameRow kDriverNames[] = {
    {"Halvoric 4400K", u"QEV Halvoric 4400K", {0, 1}, 2},
    {"Halvoric 4400K", u"QEV Halvoric4400K ORLA", {0, 1}, 1},
};

ManagerClient* FindManagerClient(LPCWSTR printerName, PortRecord* port);
// The client whose stop event this is (the client thread's own way to find its record).
ManagerClient* FindManagerClientByStopEvent(HANDLE stopEvent, PortRecord* port);
// Cancels the client's notification registration (port lock held).
void CancelClientNotification(ManagerClient* client);
// Binds the printer to the status manager; none on redirected ports, for printers of other
// drivers, and when the manager refuses it. An unbound client (manager none) is still kept.
ManagerClient* CreateManagerClient(LPCWSTR printerName, PortRecord* port, BOOL publish);
BOOL RemoveManagerClient(ManagerClient* client, PortRecord* port);
void RemoveAllManagerClients(PortRecord* port);
// Binds every unbound client again; FALSE on redirected ports.
BOOL RebindManagerClient(PortRecord* port);
// Brings the client list in line with the printers on the port.
BOOL RefreshManagerClients(PortRecord* port);
BOOL IsOwnDriverPrinter(LPCWSTR printerName, ManagerClient* client);
BOOL HasStatusVariablesKey(LPCWSTR printerName);
// The manager's "Port" value: a DWORD (0: no port), then two UTF-16 fields of 128 characters.
inline constexpr DWORD kPortValueSize = 516;
inline constexpr DWORD kPortValueNameBytes = 256;
inline constexpr DWORD kPortValueFirstName = 4;
inline constexpr DWORD kPortValueSecondName = kPortValueFirstName + kPortValueNameBytes;
static_assert(kPortValueSecondName + kPortValueNameBytes == kPortValueSize);
// The manager's "Port" value names this port, or no port at all.
BOOL PortValueAccepts(const BYTE* value, LPCWSTR portName);
// Loads Dorlik.DLL into the client and binds its entries (the first ten, or all twelve).
BOOL LoadManagerLibrary(ManagerClient* client, BOOL all);
inline BOOL IsBound(const ManagerClient* client) {
    return client && client->manager;
}
