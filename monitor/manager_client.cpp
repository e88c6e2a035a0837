// Per-printer status-manager clients of a port.
#include "monitor/manager_client.h"

#include <cstring>

#include "monitor/client_thread.h"
#include "monitor/job_records.h"
#include "monitor/status_variables.h"
#include "win/registry.h"
#include "win/spool.h"

namespace {

constexpr LPCWSTR kPrintersKey = u"System\\CurrentControlSet\\control\\Print\\Printers";
constexpr LPCWSTR kBrantelPrinters = u"SOFTWARE\\QEV\\Brantel\\Printers";

template <typename T>
void Bind(HMODULE module, T* slot, const char* name) {
    *slot = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

void BindEntries(ManagerClient* c, BOOL all) {
    Bind(c->module, &c->OpenManagerExW, "OpenManagerExW");
    Bind(c->module, &c->CloseManager, "CloseManager");
    Bind(c->module, &c->GetPrinterStatusA, "GetPrinterStatusA");
    Bind(c->module, &c->GetPrinterStatusW, "GetPrinterStatusW");
    Bind(c->module, &c->SetReqPrinterStatusEventA, "SetReqPrinterStatusEventA");
    Bind(c->module, &c->ResSetPrinterStatus, "ResSetPrinterStatus");
    Bind(c->module, &c->UpdatePrinterStatusA, "UpdatePrinterStatusA");
    Bind(c->module, &c->SetNotificationEventA, "SetNotificationEventA");
    Bind(c->module, &c->SetNotificationEventExA, "SetNotificationEventExA");
    Bind(c->module, &c->KillNotificationEvent, "KillNotificationEvent");
    if (all) {
        Bind(c->module, &c->SetNotificationCallbackExA, "SetNotificationCallbackExA");
        Bind(c->module, &c->KillNotificationCallback, "KillNotificationCallback");
    }
}

// The printer's driver name as PRINTER_INFO_2 gives it, into a heap copy.
LPWSTR PrinterDriverName(LPCWSTR printerName) {
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<LPWSTR>(printerName), &printer, nullptr)) return nullptr;
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    LPWSTR result = nullptr;
    if (needed && needed < 0x100000) {
        BYTE* buffer = static_cast<BYTE*>(MonAlloc(needed));
        if (buffer && GetPrinterW(printer, 2, buffer, needed, &needed)) {
            auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer);
            if (info->pDriverName) result = MonDupW(info->pDriverName);
        }
        MonFree(buffer);
    }
    ClosePrinter(printer);
    return result;
}

}  // namespace

// HKLM "SOFTWARE\QEV\Brantel\Printers\<driver>\Status Variables" (the driver name whole, or
// after a leading "QEV ").
BOOL HasStatusVariablesKey(LPCWSTR printerName) {
    LPWSTR driver = PrinterDriverName(printerName);
    if (!driver) return FALSE;
    LPCWSTR shortName = EqualsNoCaseW(driver, u"QEV ", 4) && lstrlenW(driver) >= 4 ? driver + 4 : driver;
    BOOL found = FALSE;
    HKEY root = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kBrantelPrinters, 0, KEY_READ, &root) == ERROR_SUCCESS) {
        for (DWORD i = 0; !found; ++i) {
            WCHAR sub[257] = {};
            DWORD len = 256;
            if (RegEnumKeyExW(root, i, sub, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (lstrcmpiW(sub, driver) != 0 && lstrcmpiW(sub, shortName) != 0) continue;
            WCHAR path[300] = {};
            lstrcpynW(path, sub, 257);
            lstrcatW(path, u"\\Status Variables");
            HKEY vars = nullptr;
            if (RegOpenKeyExW(root, path, 0, KEY_READ, &vars) == ERROR_SUCCESS) {
                found = TRUE;
                RegCloseKey(vars);
            }
        }
        RegCloseKey(root);
    }
    MonFree(driver);
    return found;
}

BOOL LoadManagerLibrary(ManagerClient* c, BOOL all) {
    c->module = LoadLibraryW(u"Dorlik.DLL");
    if (c->module) BindEntries(c, all);
    return c->module != nullptr;
}

namespace {

void OpenClientPrinter(ManagerClient* client) {
    client->readyEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!OpenPrinterW(client->printerName, &client->printer, nullptr)) client->printer = nullptr;
    if (client->readyEvent) SetEvent(client->readyEvent);
}

void Append(PortRecord* port, ManagerClient* client) {
    ManagerClient** tail = &port->clients;
    while (*tail) tail = &(*tail)->next;
    *tail = client;
}

void FreeClient(ManagerClient* c) {
    CancelClientNotification(c);
    if (c->manager && c->CloseManager) c->CloseManager(c->manager);
    if (c->module) FreeLibrary(c->module);
    if (c->printer) ClosePrinter(c->printer);
    if (c->readyEvent) CloseHandle(c->readyEvent);
    // A running client thread waits on the stop event: it closes it itself as it ends.
    if (c->stopEvent && !c->threadStarted) CloseHandle(c->stopEvent);
    MonFree(c->printerName);
    MonFree(c);
}

}  // namespace

// The manager's "Port" value names this port (or no port at all).
BOOL PortValueAccepts(const BYTE* value, LPCWSTR portName) {
    DWORD flag = 0;
    std::memcpy(&flag, value, 4);
    if (!flag) return TRUE;
    WCHAR first[129] = {}, second[129] = {};
    std::memcpy(first, value + kPortValueFirstName, kPortValueNameBytes);
    std::memcpy(second, value + kPortValueSecondName, kPortValueNameBytes);
    size_t n = static_cast<size_t>(lstrlenW(portName));
    return static_cast<size_t>(lstrlenW(first)) >= n && EqualsNoCaseW(first, portName, n) && second[0] == 0;
}

ManagerClient* FindManagerClientByStopEvent(HANDLE stopEvent, PortRecord* port) {
    for (ManagerClient* c = port->clients; c && stopEvent; c = c->next)
        if (c->stopEvent == stopEvent) return c;
    return nullptr;
}

void CancelClientNotification(ManagerClient* client) {
    if (client->notificationCookie && client->KillNotificationEvent)
        client->KillNotificationEvent(client->manager, client->notificationCookie);
    client->notificationCookie = 0;
}

ManagerClient* FindManagerClient(LPCWSTR printerName, PortRecord* port) {
    if (!printerName) return nullptr;
    for (ManagerClient* c = port->clients; c; c = c->next)
        if (c->printerName && lstrcmpW(c->printerName, printerName) == 0) return c;
    return nullptr;
}

BOOL IsOwnDriverPrinter(LPCWSTR printerName, ManagerClient* client) {
    WCHAR path[600] = {};
    lstrcpynW(path, kPrintersKey, 100);
    lstrcatW(path, u"\\");
    size_t at = static_cast<size_t>(lstrlenW(path));
    for (size_t i = 0; printerName[i] && at < 590; ++i) path[at++] = printerName[i] == u'\\' ? u',' : printerName[i];
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return FALSE;
    WCHAR driver[257] = {};
    DWORD size = 512, type = 0;
    LONG rc = RegQueryValueExW(key, u"Printer Driver", nullptr, &type, reinterpret_cast<BYTE*>(driver), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return FALSE;
    std::u16string_view name(driver);
    for (const DriverNameRow& row : kDriverNames) {
        if (name != row.driver) continue;
        if (client) {
            client->versionPair[0] = row.versionPair[0];
            client->versionPair[1] = row.versionPair[1];
            client->optionFlags = row.optionFlags;
        }
        return TRUE;
    }
    return FALSE;
}

ManagerClient* CreateManagerClient(LPCWSTR printerName, PortRecord* port, BOOL publish) {
    if (!printerName || (port->kind & kKindRedirected) || (port->state & kStateTerminate)) return nullptr;
    auto* c = static_cast<ManagerClient*>(MonAlloc(sizeof(ManagerClient)));
    if (!c) return nullptr;
    if (!IsOwnDriverPrinter(printerName, c) || !(c->printerName = MonDupW(printerName))) {
        MonFree(c);
        return nullptr;
    }
    if (HasStatusVariablesKey(printerName)) LoadManagerLibrary(c, TRUE);
    HANDLE manager = nullptr;
    if (!c->OpenManagerExW || c->OpenManagerExW(printerName, u"\\\\.\\qjlmon", 1, &manager) != 0 || !manager) {
        Append(port, c);
        OpenClientPrinter(c);
        return c;
    }
    c->manager = manager;
    BYTE portValue[kPortValueSize] = {};
    DWORD terminate = 0, returned = 0;
    BOOL ok = c->GetPrinterStatusW && c->GetPrinterStatusA &&
              c->GetPrinterStatusW(manager, u"Port", portValue, sizeof portValue, &returned) == 0 &&
              c->GetPrinterStatusA(manager, "TerminateManager", &terminate, 4, &returned) == 0;
    if (terminate) port->state |= kStateTerminate;
    if (!ok || terminate || !PortValueAccepts(portValue, port->portName)) {
        FreeClient(c);
        return nullptr;
    }
    Append(port, c);
    OpenClientPrinter(c);
    if (publish) PublishToNewClient(port, c);
    c->stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    StartManagerClientThread(port, c);
    PublishPortStatus(port);
    return c;
}

BOOL RemoveManagerClient(ManagerClient* client, PortRecord* port) {
    PortLock lock(port);
    ManagerClient** link = &port->clients;
    while (*link && *link != client) link = &(*link)->next;
    if (!*link) return FALSE;
    *link = client->next;
    // The registration goes before the stop event: the thread closes its events once stopped.
    CancelClientNotification(client);
    if (client->stopEvent) SetEvent(client->stopEvent);
    PublishPortStatusForClient(port, client);
    if (port->currentClient == client) port->currentClient = nullptr;
    if (port->refreshClient == client) port->refreshClient = nullptr;
    for (JobRecord* j = port->jobHead; j; j = j->next)
        if (j->client == client) j->client = nullptr;
    FreeClient(client);
    return TRUE;
}

// Under the port lock, as a polling thread that has not ended yet may still add or drop clients.
void RemoveAllManagerClients(PortRecord* port) {
    PortLock lock(port);
    while (port->clients) RemoveManagerClient(port->clients, port);
}
