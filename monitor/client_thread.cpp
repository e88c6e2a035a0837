// The client thread: its kernel objects, its registration with the status manager, and one
// action routine per object that can fire.
#include "monitor/client_thread.h"

#include <cstring>

#include "monitor/job_watch.h"
#include "monitor/polling_thread.h"
#include "monitor/printer_query.h"
#include "monitor/status_variables.h"
#include "win/spool.h"

namespace {

constexpr DWORD kClientStack = 16 * 1024;
constexpr DWORD kPortMutexWait = 30000;
constexpr LPCSTR kWatchedNames = "Port;PrinterName;TerminateManager;PrinterExtStatus";
constexpr LPCWSTR kManagerStarted = u"Global\\QVBRJPSDB:START_STATUS";
constexpr size_t kDeleteNameLimit = 256;
constexpr size_t kJobEventNameLimit = 260;

// The wait slots, in the order the thread waits on them.
enum Slot : DWORD {
    kSlotClosing = 0,
    kSlotPort,
    kSlotPrinterName,
    kSlotTerminate,
    kSlotDeleted,
    kSlotManagerStarted,
    kSlotJobChanged,
    kSlotExtStatus,
    kSlotStop,
    kSlotCount
};
// What an action routine tells the wait loop.
enum Outcome { kWaitAgain, kEndWithRemoval, kEndWithoutRemoval, kEndStopped };

struct ThreadStart {
    PortRecord* port;
    HANDLE stop;
};

struct ClientObjects {
    PortRecord* port;
    HANDLE handles[kSlotCount];
    BOOL owned[kSlotCount];  // closed by this thread as it ends
};

// Named objects take the printer's name cut to a length.
void ObjectName(WCHAR* out, size_t limit, LPCWSTR prefix, LPCWSTR printer) {
    size_t at = 0;
    for (; prefix[at] && at < limit; ++at) out[at] = prefix[at];
    for (size_t i = 0; printer && printer[i] && at < limit; ++i) out[at++] = printer[i];
    out[at] = 0;
}

HANDLE OpenOrCreateEvent(LPCWSTR name, BOOL manualReset) {
    HANDLE h = OpenEventW(EVENT_ALL_ACCESS, FALSE, name);
    return h ? h : CreateEventW(nullptr, manualReset, FALSE, name);
}

HANDLE DeletionEvent(LPCWSTR printer) {
    WCHAR name[kDeleteNameLimit + 32];
    ObjectName(name, kDeleteNameLimit, u"QVBRJPPWD:DEL_PRN:", printer);
    return CreateEventW(nullptr, FALSE, FALSE, name);
}

void CloseObjects(ClientObjects& o) {
    for (DWORD i = 0; i < kSlotCount; ++i) {
        if (o.owned[i] && o.handles[i]) CloseHandle(o.handles[i]);
        o.handles[i] = nullptr;
    }
}

// Makes the events of the table; FALSE when one cannot be had.
BOOL MakeObjects(ClientObjects& o, LPCWSTR printer) {
    for (Slot s : {kSlotPort, kSlotPrinterName, kSlotTerminate, kSlotExtStatus}) {
        o.handles[s] = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        o.owned[s] = TRUE;
    }
    o.handles[kSlotDeleted] = DeletionEvent(printer);
    o.owned[kSlotDeleted] = TRUE;
    // Manual-reset: a restart of the manager must wake every client of every port, not one.
    // It stays set for every waiter; a client bound after the restart clears the old signal.
    o.handles[kSlotManagerStarted] = OpenOrCreateEvent(kManagerStarted, TRUE);
    o.owned[kSlotManagerStarted] = TRUE;
    if (o.handles[kSlotManagerStarted]) ResetEvent(o.handles[kSlotManagerStarted]);
    WCHAR jobName[kJobEventNameLimit + 32];
    ObjectName(jobName, kJobEventNameLimit, u"Global\\PWDJOBEVENT:", printer);
    o.handles[kSlotJobChanged] = OpenOrCreateEvent(jobName, FALSE);
    o.owned[kSlotJobChanged] = TRUE;
    for (HANDLE h : o.handles)
        if (!h) return FALSE;
    return TRUE;
}

// The client of this thread, or none once it was removed (port lock held).
ManagerClient* OwnClient(ClientObjects& o) {
    return FindManagerClientByStopEvent(o.handles[kSlotStop], o.port);
}

// "Port" of the manager still names this port (or no port).
BOOL PortStillOurs(ManagerClient* c, PortRecord* port, BOOL* ok) {
    BYTE value[kPortValueSize] = {};
    DWORD returned = 0;
    *ok = c->GetPrinterStatusW(c->manager, u"Port", value, sizeof value, &returned) == 0;
    return PortValueAccepts(value, port->portName);
}

// "PrinterName" differs from the client's name: *renamed gets the new one.
BOOL ReadPrinterName(ManagerClient* c, WCHAR renamed[261], BOOL* differs) {
    DWORD returned = 0;
    WCHAR value[261] = {};
    if (c->GetPrinterStatusW(c->manager, u"PrinterName", value, 520, &returned) != 0) return FALSE;
    *differs = c->printerName[0] != 0 && lstrcmpW(value, c->printerName) != 0;
    std::memcpy(renamed, value, sizeof value);
    return TRUE;
}

BOOL ReadTerminate(ManagerClient* c, DWORD* terminate) {
    DWORD returned = 0;
    *terminate = 0;
    return c->GetPrinterStatusA(c->manager, "TerminateManager", terminate, 4, &returned) == 0;
}

// Registration and the initial check; FALSE ends the thread (the registration cancelled).
BOOL Register(ClientObjects& o) {
    PortLock lock(o.port);
    ManagerClient* c = OwnClient(o);
    if (!c || (o.port->kind & kKindRedirected) || !c->SetNotificationEventExA || !c->GetPrinterStatusA ||
        !c->GetPrinterStatusW || !c->KillNotificationEvent)
        return FALSE;
    HANDLE events[4] = {o.handles[kSlotPort], o.handles[kSlotPrinterName], o.handles[kSlotTerminate],
                        o.handles[kSlotExtStatus]};
    DWORD cookie = 0;
    if (c->SetNotificationEventExA(c->manager, 4, kWatchedNames, events, &cookie) != 0) {
        if (cookie) c->KillNotificationEvent(c->manager, cookie);
        return FALSE;
    }
    c->notificationCookie = cookie;
    BOOL ok = TRUE;
    if (!PortStillOurs(c, o.port, &ok)) SetEvent(o.handles[kSlotPort]);
    WCHAR name[261];
    BOOL differs = FALSE;
    if (ok && ReadPrinterName(c, name, &differs) && differs) SetEvent(o.handles[kSlotPrinterName]);
    DWORD terminate = 0;
    if (ok && ReadTerminate(c, &terminate) && terminate) {
        o.port->state |= kStateTerminate;
        SetEvent(o.handles[kSlotTerminate]);
    }
    if (!ok) CancelClientNotification(c);
    return ok;
}

Outcome OnPortChanged(ClientObjects& o) {
    PortLock lock(o.port);
    ManagerClient* c = OwnClient(o);
    if (!c) return kEndStopped;
    BOOL ok = TRUE;
    BOOL ours = PortStillOurs(c, o.port, &ok);
    if (!ok) return kEndWithoutRemoval;
    PORT_INFO_3W clear{0, nullptr, 0};
    SetPortW(nullptr, o.port->portName, 3, reinterpret_cast<LPBYTE>(&clear));
    o.port->lastSeverity = 0;
    return ours ? kWaitAgain : kEndWithRemoval;
}

Outcome OnPrinterRenamed(ClientObjects& o) {
    PortLock lock(o.port);
    ManagerClient* c = OwnClient(o);
    if (!c) return kEndStopped;
    WCHAR name[261];
    BOOL differs = FALSE;
    if (!ReadPrinterName(c, name, &differs)) return kEndWithoutRemoval;
    if (!differs) return kWaitAgain;
    LPWSTR copy = MonDupW(name);
    HANDLE deletion = copy ? DeletionEvent(copy) : nullptr;
    if (!deletion) {
        MonFree(copy);
        return kEndWithRemoval;
    }
    MonFree(c->printerName);
    c->printerName = copy;
    CloseHandle(o.handles[kSlotDeleted]);
    o.handles[kSlotDeleted] = deletion;
    return kWaitAgain;
}

// A job of the printer changed while the port is idle: look at the printer, and when it is in
// error, watch its queue until it recovers.
Outcome OnJobChanged(ClientObjects& o) {
    PortRecord* port = o.port;
    if (port->state & (kStateJobOpen | kStatePollingRunning)) return kWaitAgain;
    HANDLE printer = nullptr;
    {
        PortLock lock(port);
        ManagerClient* c = OwnClient(o);
        if (!c) return kEndStopped;
        if (!OpenPrinterW(c->printerName, &printer, nullptr)) printer = nullptr;
    }
    BOOL interesting = printer && PrinterHasJobOfInterest(printer, TRUE);  // no memory: look anyway
    if (printer) ClosePrinter(printer);
    if (!interesting || !TakePortMutex(port, kPortMutexWait)) return kWaitAgain;
    if (!(port->state & (kStateJobOpen | kStatePollingRunning))) {
        QueryPrinterStatus(port);
        if (port->lastSeverity == 1 && !port->longWait) StartJobWatchThread(port);
    }
    ReleasePortMutex(port);
    return kWaitAgain;
}

Outcome OnManagerStarted(ClientObjects& o) {
    PortLock lock(o.port);
    ManagerClient* c = OwnClient(o);
    if (!c) return kEndStopped;
    // The old handle died with the old manager; the next client refresh binds the printer anew.
    CancelClientNotification(c);
    if (c->CloseManager) c->CloseManager(c->manager);
    c->manager = nullptr;
    return kEndWithRemoval;
}

Outcome Act(ClientObjects& o, DWORD slot) {
    switch (slot) {
        case kSlotPort:
            return OnPortChanged(o);
        case kSlotPrinterName:
            return OnPrinterRenamed(o);
        case kSlotTerminate:
            o.port->state |= kStateTerminate;
            return kEndWithRemoval;
        case kSlotDeleted:
            return kEndWithRemoval;
        case kSlotManagerStarted:
            return OnManagerStarted(o);
        case kSlotJobChanged:
            return OnJobChanged(o);
        case kSlotExtStatus:
            o.port->state &= ~kStateTerminate;
            return kWaitAgain;
        case kSlotStop:
            return kEndStopped;
        default:
            return kEndWithoutRemoval;  // the port closes, or the wait failed
    }
}

// The client's end: its registration is cancelled before its events close (a removed client's
// remover cancelled it already).
void End(ClientObjects& o, Outcome outcome) {
    PortRecord* port = o.port;
    if (outcome != kEndStopped) {
        PortLock lock(port);
        if (ManagerClient* c = OwnClient(o)) {
            CancelClientNotification(c);
            if (outcome == kEndWithRemoval)
                RemoveManagerClient(c, port);
            else
                c->stopEvent = nullptr;  // closed below: the client's later remover must not signal it
        }
    }
    if (outcome != kEndStopped && !port->longWait) StopPolling(port);
    CloseObjects(o);
}

DWORD WINAPI ManagerClientThread(LPVOID argument) {
    auto* start = static_cast<ThreadStart*>(argument);
    ClientObjects o{};
    o.port = start->port;
    o.handles[kSlotClosing] = o.port->closingEvent;
    o.handles[kSlotStop] = start->stop;
    o.owned[kSlotStop] = TRUE;
    MonFree(start);
    LPWSTR printer = nullptr;
    {
        PortLock lock(o.port);
        if (ManagerClient* c = OwnClient(o)) printer = MonDupW(c->printerName);
    }
    Outcome outcome = kEndWithoutRemoval;
    if (printer && MakeObjects(o, printer) && Register(o)) {
        do {
            DWORD rc = WaitForMultipleObjects(kSlotCount, o.handles, FALSE, INFINITE);
            outcome = Act(o, rc - WAIT_OBJECT_0);
            if (outcome == kWaitAgain && rc - WAIT_OBJECT_0 < kSlotCount) ResetEvent(o.handles[rc - WAIT_OBJECT_0]);
        } while (outcome == kWaitAgain);
    }
    MonFree(printer);
    End(o, outcome);
    PortRecord* port = o.port;
    {
        PortLock lock(port);
        if (--port->clientThreads == 0) SetEvent(port->clientThreadsGone);
    }
    ReleasePort(port);
    StatusThreadEnds();
    return 0;
}

}  // namespace

BOOL StartManagerClientThread(PortRecord* port, ManagerClient* client) {
    if (g_monitor.statusThreadsOff) return FALSE;
    if (!client->stopEvent || client->threadStarted) return FALSE;
    auto* start = static_cast<ThreadStart*>(MonAlloc(sizeof(ThreadStart)));
    if (!start) return FALSE;
    start->port = port;
    start->stop = client->stopEvent;
    PortLock lock(port);
    InterlockedIncrement(&port->refCount);
    if (port->clientThreads++ == 0) ResetEvent(port->clientThreadsGone);
    DWORD id = 0;
    StatusThreadStarts();
    HANDLE thread = CreateThread(nullptr, kClientStack, ManagerClientThread, start, 0, &id);
    if (!thread) {
        StatusThreadEnds();
        if (--port->clientThreads == 0) SetEvent(port->clientThreadsGone);
        InterlockedDecrement(&port->refCount);
        MonFree(start);
        return FALSE;
    }
    client->threadId = id;
    client->threadStarted = TRUE;
    KeepStatusThread(port, thread);
    return TRUE;
}

BOOL RunClientChanges(PortRecord* port, HANDLE stopEvent, const DWORD* slots, size_t count) {
    ClientObjects o{};
    o.port = port;
    o.handles[kSlotClosing] = port->closingEvent;
    o.handles[kSlotStop] = stopEvent;
    o.owned[kSlotStop] = TRUE;
    LPWSTR printer = nullptr;
    {
        PortLock lock(port);
        if (ManagerClient* c = OwnClient(o)) printer = MonDupW(c->printerName);
    }
    Outcome outcome = kEndWithoutRemoval;
    if (printer && MakeObjects(o, printer) && Register(o)) {
        outcome = kWaitAgain;
        for (size_t i = 0; i < count && outcome == kWaitAgain; ++i) outcome = Act(o, slots[i]);
    }
    MonFree(printer);
    End(o, outcome == kWaitAgain ? kEndWithoutRemoval : outcome);
    return outcome == kWaitAgain;
}

BOOL WaitForClientThreads(PortRecord* port, DWORD milliseconds) {
    return WaitForSingleObject(port->clientThreadsGone, milliseconds) == WAIT_OBJECT_0;
}
