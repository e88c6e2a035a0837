// The named refresh, one routine per step: the request read from the manager, its groups, and
// the printer asked for its panel when the request wants it.
#include "monitor/named_refresh.h"

#include <cstring>

#include "monitor/lower_port.h"
#include "monitor/manager_client.h"
#include "monitor/polling_thread.h"
#include "monitor/printer_exchange.h"
#include "monitor/printer_query.h"
#include "monitor/status_variables.h"

namespace {

constexpr DWORD kGroupStatus = 1;
constexpr DWORD kGroupJobs = 2;
constexpr DWORD kGroupWaitsForPolling = 4;
constexpr DWORD kGroupPanel = 8;
constexpr DWORD kRequestExtStatusOnly = 16;
constexpr DWORD kPortMutexWait = 30000;
constexpr DWORD kRequestLimit = 4096;  // a request longer than any list of variable names is refused
constexpr int kPanelReads = 5;
constexpr DWORD kPanelReadPauseMs = 300;
constexpr char kInfoStatus[] = "\x1b%-12345X@PJL INFO STATUS\r\n\x1b%-12345X";

// The "RefreshStatus" request of the client: ANSI names separated by ';' (a heap copy).
char* ReadRequest(ManagerClient* c) {
    DWORD needed = 0;
    LONG rc = c->GetPrinterStatusA(c->manager, "RefreshStatus", nullptr, 0, &needed);
    if ((rc != 0 && rc != -33 && rc != -36 && !needed) || needed == 0 || needed > kRequestLimit) return nullptr;
    char* text = static_cast<char*>(MonAlloc(needed + 1));
    if (!text) return nullptr;
    if (c->GetPrinterStatusA(c->manager, "RefreshStatus", text, needed, &needed) != 0) {
        MonFree(text);
        return nullptr;
    }
    return text;
}

DWORD DecodeRefreshRequest(const char* request, ManagerClient* c, PortRecord* port) {
    DWORD bits = 0;
    const char* p = request;
    while (*p) {
        const char* end = p;
        while (*end && *end != ';') ++end;
        char name[64] = {};
        size_t n = static_cast<size_t>(end - p);
        if (n > 0 && n < sizeof name) {
            std::memcpy(name, p, n);
            for (StatusVariable* row = port->variables; row && row->name; ++row) {
                if (std::strcmp(row->name, name) != 0) continue;
                BOOL any = row->versionMask[0] == 0xFFFFFFFFu && row->versionMask[1] == 0xFFFFFFFFu;
                if (!any && !PairsMatch(row->versionMask, c->versionPair)) continue;
                BOOL jobRow = std::strcmp(name, "PrinterQueue") == 0 || std::strcmp(name, "PrintingJobInfo2") == 0;
                bits |= jobRow && port->device.jobEndWatch ? kGroupJobs : row->group;
                break;
            }
        }
        p = *end ? end + 1 : end;
    }
    return bits;
}

BOOL SomethingUnderWay(const PortRecord* port) {
    return port->jobHead || (port->state & kStateJobOpen) || port->underWay;
}

// Step 9: the printer is asked for its panel ("@PJL INFO STATUS") and its replies are read.
LONG RefreshPanel(PortRecord* port, const DWORD clientPair[2]) {
    DWORD status[3] = {};
    if (!ReadPrinterStatus(port, status)) return kRefreshRefused;
    DWORD spooler = g_monitor.spoolerStatus;
    if (status[1] & 0x100) return kRefreshNotResponding;
    if (!PairsMatch(port->versionPair, clientPair)) return kRefreshOtherModel;
    if (port->device.busyRefresh) {
        if (!(!(spooler & 4) && (status[2] & 0x1000) && (spooler & 2))) port->refreshQuiet = TRUE;
        return kRefreshBusy;
    }
    if (status[2] & (0x1000 | 0x8 | 0x200)) {
        if ((status[2] & 0x1000) && !(spooler & 2)) port->refreshQuiet = TRUE;
        return kRefreshBusy;
    }
    BOOL opened = FALSE;
    if (!OpenStatusDocIfNeeded(port, &opened)) return kRefreshRefused;
    DrainReplies(FALSE, port);
    port->refreshQuiet = TRUE;
    DWORD written = 0;
    ExchangeWithPrinter(port, reinterpret_cast<const BYTE*>(kInfoStatus), sizeof kInfoStatus - 1, &written, FALSE,
                        FALSE);
    LONG answer = kRefreshBusy;
    if (written == sizeof kInfoStatus - 1) {
        for (int i = 0; i < kPanelReads; ++i) {
            RefreshStatusThroughPort(port, TRUE);
            Sleep(kPanelReadPauseMs);
        }
        answer = kRefreshDone;
    }
    if (opened) EndLowerDoc(port);
    return answer;
}

// Steps 7 to 11, with the port mutex.
LONG RefreshWithMutex(PortRecord* port, const DWORD clientPair[2], DWORD bits) {
    if (!TakePortMutex(port, kPortMutexWait)) return kRefreshBusy;
    if (SomethingUnderWay(port)) {
        ReleasePortMutex(port);
        return kRefreshRefused;
    }
    QueryPrinterStatus(port);
    if (port->kind & kKindStdTcpip) {
        ReleasePortMutex(port);
        return kRefreshDone;
    }
    LONG answer = kRefreshDone;
    if (bits & kGroupPanel) {
        answer = RefreshPanel(port, clientPair);
    } else if (bits & kGroupJobs) {
        DWORD status[3] = {};
        ReadPrinterStatus(port, status);
        answer = (status[1] & 0x100) ? kRefreshNotResponding : kRefreshDone;
    }
    if (!(port->state & kStatePollingRunning)) ResetPortStatusState(port);
    ReleasePortMutex(port);
    return answer;
}

}  // namespace

DWORD ReadRefreshRequestBits(ManagerClient* client, PortRecord* port) {
    PortLock lock(port);
    if (!client->GetPrinterStatusA || !client->manager) return 0;
    char* request = ReadRequest(client);
    if (!request) return 0;
    DWORD bits = DecodeRefreshRequest(request, client, port);
    MonFree(request);
    return bits;
}

LONG NamedRefresh(LPCWSTR printerName, PortRecord* port) {
    if (!port) return kRefreshRefused;
    port->refreshQuiet = FALSE;
    port->device.busyRefresh = FALSE;
    if (!printerName || !port->variables) return kRefreshRefused;
    RefreshManagerClients(port);
    RebindManagerClient(port);
    if (!(port->kind & (kKindBidi | 0x8))) return kRefreshRefused;
    DWORD bits = 0;
    DWORD clientPair[2] = {};
    {
        PortLock lock(port);
        ManagerClient* c = FindManagerClient(printerName, port);
        if (!c || !c->GetPrinterStatusA || !c->manager) return kRefreshRefused;
        bits = ReadRefreshRequestBits(c, port);
        clientPair[0] = c->versionPair[0];
        clientPair[1] = c->versionPair[1];
        if (!bits) return kRefreshRefused;
        if (bits == kRequestExtStatusOnly) {
            RepublishVariable(port, "PrinterExtStatus");
            return kRefreshDone;
        }
    }
    if ((bits & (kGroupStatus | kGroupJobs)) && !(bits & kGroupWaitsForPolling) && (port->state & kStatePollingRunning))
        return kRefreshRefused;
    if (SomethingUnderWay(port)) return kRefreshRefused;
    {
        PortLock lock(port);
        port->refreshClient = FindManagerClient(printerName, port);
    }
    LONG answer = RefreshWithMutex(port, clientPair, bits);
    PortLock lock(port);
    port->refreshClient = nullptr;
    return answer;
}
