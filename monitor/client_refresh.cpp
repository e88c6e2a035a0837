// The client list kept in line with the printers on the port, and unbound clients bound again.
#include <cstring>

#include "monitor/client_thread.h"
#include "monitor/manager_client.h"
#include "monitor/status_variables.h"
#include "win/spool.h"

namespace {

constexpr LPCWSTR kOwnMonitorName = u"Brantel Language Monitor for QEV Halvoric 4400K";
constexpr size_t kMaxPrintersOnPort = 64;
constexpr DWORD kAttributeEnableBidi = 0x800;

struct PrinterOnPort {
    LPWSTR name;
    DWORD attributes;
};

struct PrinterFacts {
    BOOL read;
    BOOL hasProcessor;
    BOOL hasDriver;
    WCHAR port[260];
    WCHAR monitor[260];
};

// PRINTER_INFO_2 and the driver's DRIVER_INFO_3 of one printer.
PrinterFacts ReadPrinterFacts(LPCWSTR name) {
    PrinterFacts f{};
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<LPWSTR>(name), &printer, nullptr)) return f;
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    BYTE* info = needed && needed < 0x100000 ? static_cast<BYTE*>(MonAlloc(needed)) : nullptr;
    if (info && GetPrinterW(printer, 2, info, needed, &needed)) {
        auto* p2 = reinterpret_cast<PRINTER_INFO_2W*>(info);
        f.hasProcessor = p2->pPrintProcessor && p2->pPrintProcessor[0];
        f.hasDriver = p2->pDriverName && p2->pDriverName[0];
        if (p2->pPortName) lstrcpynW(f.port, p2->pPortName, 260);
        DWORD driverNeeded = 0;
        GetPrinterDriverW(printer, nullptr, 3, nullptr, 0, &driverNeeded);
        BYTE* driver = driverNeeded && driverNeeded < 0x100000 ? static_cast<BYTE*>(MonAlloc(driverNeeded)) : nullptr;
        if (driver && GetPrinterDriverW(printer, nullptr, 3, driver, driverNeeded, &driverNeeded)) {
            auto* d3 = reinterpret_cast<DRIVER_INFO_3W*>(driver);
            if (d3->pMonitorName) lstrcpynW(f.monitor, d3->pMonitorName, 260);
            f.read = TRUE;
        }
        MonFree(driver);
    }
    MonFree(info);
    ClosePrinter(printer);
    return f;
}

// Two backslashes, a server, one backslash, a share.
BOOL IsUncShare(LPCWSTR name) {
    if (name[0] != u'\\' || name[1] != u'\\') return FALSE;
    LPCWSTR slash = nullptr;
    for (LPCWSTR p = name + 2; *p; ++p)
        if (*p == u'\\') slash = slash ? reinterpret_cast<LPCWSTR>(1) : p;
    return slash && slash != reinterpret_cast<LPCWSTR>(1) && slash > name + 2 && slash[1];
}

BOOL Listed(const PrinterOnPort* list, DWORD count, LPCWSTR name) {
    for (DWORD i = 0; i < count; ++i)
        if (lstrcmpW(list[i].name, name) == 0) return TRUE;
    return FALSE;
}

// The printers that belong on the port; the port's own printer first. Returns the count.
DWORD FindPrintersOnPort(PortRecord* port, PrinterOnPort* out, DWORD limit) {
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 5, nullptr, 0, &needed, &count);
    if (!needed || needed > 0x1000000) return 0;
    BYTE* buffer = static_cast<BYTE*>(MonAlloc(needed));
    if (!buffer || !EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 5, buffer, needed, &needed, &count)) {
        MonFree(buffer);
        return 0;
    }
    auto* printers = reinterpret_cast<PRINTER_INFO_5W*>(buffer);
    WCHAR reference[260];
    lstrcpynW(reference, kOwnMonitorName, 260);
    DWORD listed = 0;
    for (DWORD i = 0; i < count && port->printerName; ++i) {
        if (!printers[i].pPrinterName || lstrcmpW(printers[i].pPrinterName, port->printerName) != 0) continue;
        PrinterFacts f = ReadPrinterFacts(port->printerName);
        if (f.read && f.monitor[0]) lstrcpynW(reference, f.monitor, 260);
        if (f.read && lstrcmpW(f.port, port->portName) == 0 && f.hasProcessor)
            out[listed++] = {MonDupW(port->printerName), printers[i].Attributes};
    }
    for (DWORD i = 0; i < count && listed < limit; ++i) {
        LPCWSTR name = printers[i].pPrinterName;
        if (!name || !printers[i].pPortName || IsUncShare(printers[i].pPortName) || Listed(out, listed, name)) continue;
        PrinterFacts f = ReadPrinterFacts(name);
        if (f.read && lstrcmpW(f.port, port->portName) == 0 && f.hasProcessor && f.hasDriver &&
            lstrcmpW(f.monitor, reference) == 0)
            out[listed++] = {MonDupW(name), printers[i].Attributes};
    }
    MonFree(buffer);
    return listed;
}

// The checks of a fresh binding: "Port" names this port (or none), no termination asked.
BOOL AcceptBinding(ManagerClient* c, PortRecord* port) {
    BYTE portValue[kPortValueSize] = {};
    DWORD terminate = 0, returned = 0;
    BOOL ok = c->GetPrinterStatusW &&
              c->GetPrinterStatusW(c->manager, u"Port", portValue, sizeof portValue, &returned) == 0 &&
              c->GetPrinterStatusA(c->manager, "TerminateManager", &terminate, 4, &returned) == 0;
    if (terminate) port->state |= kStateTerminate;
    return ok && !terminate && PortValueAccepts(portValue, port->portName);
}

// One unbound client bound again; FALSE when it was refused and removed.
BOOL Rebind(ManagerClient* c, PortRecord* port) {
    if (!c->module && HasStatusVariablesKey(c->printerName)) LoadManagerLibrary(c, FALSE);
    if (!c->module || !c->OpenManagerExW || !c->GetPrinterStatusA) return TRUE;
    HANDLE manager = nullptr;
    if (c->OpenManagerExW(c->printerName, u"\\\\.\\qjlmon", 1, &manager) != 0 || !manager) return TRUE;
    c->manager = manager;
    SetInitialPrinterStatus(port);
    UpdateErrorVariables(port);
    if (!AcceptBinding(c, port)) {
        RemoveManagerClient(c, port);
        return FALSE;
    }
    PublishToNewClient(port, c);
    if (!c->threadStarted) {
        if (c->stopEvent) CloseHandle(c->stopEvent);
        c->stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        StartManagerClientThread(port, c);
    }
    PublishPortStatus(port);
    return TRUE;
}

}  // namespace

BOOL RebindManagerClient(PortRecord* port) {
    if (port->kind & kKindRedirected) return FALSE;
    PortLock lock(port);
    for (ManagerClient* c = port->clients; c && !(port->state & kStateTerminate);) {
        ManagerClient* next = c->next;
        if (!c->manager) Rebind(c, port);
        c = next;
    }
    return TRUE;
}

BOOL RefreshManagerClients(PortRecord* port) {
    PrinterOnPort found[kMaxPrintersOnPort];
    DWORD count = FindPrintersOnPort(port, found, kMaxPrintersOnPort);
    PortLock lock(port);
    for (DWORD i = 0; i < count; ++i) {
        BOOL bidi = (found[i].attributes & kAttributeEnableBidi) != 0;
        ManagerClient* c = FindManagerClient(found[i].name, port);
        if (!c) c = CreateManagerClient(found[i].name, port, bidi);
        if (c) c->flags = (bidi ? c->flags & ~kClientSuspended : c->flags | kClientSuspended) | kClientSeen;
        MonFree(found[i].name);
    }
    for (ManagerClient* c = port->clients; c;) {
        ManagerClient* next = c->next;
        if (!(c->flags & kClientSeen)) RemoveManagerClient(c, port);
        c = next;
    }
    for (ManagerClient* c = port->clients; c; c = c->next) c->flags &= ~kClientSeen;
    if (port->clients && port->printerName && !FindManagerClient(port->printerName, port)) {
        LPWSTR first = MonDupW(port->clients->printerName);
        if (first) {
            MonFree(port->printerName);
            port->printerName = first;
        }
    }
    return TRUE;
}
