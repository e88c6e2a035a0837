// The monitor's exports, its function table, and the port operations OpenPortEx, ReadPort,
// ClosePort, GetPrinterDataFromPort and Shutdown.
#include "monitor/monitor_entry.h"

#include <cstring>
#include <string_view>

#include "monitor/client_thread.h"
#include "monitor/device_options.h"
#include "monitor/device_queries.h"
#include "monitor/diag_log.h"
#include "monitor/lower_port.h"
#include "monitor/manager_client.h"
#include "monitor/named_refresh.h"
#include "monitor/pjl_job.h"
#include "monitor/pjl_reply.h"
#include "monitor/polling_thread.h"
#include "monitor/port_kinds.h"
#include "monitor/printer_query.h"
#include "monitor/snmp_client.h"
#include "monitor/snmp_status.h"
#include "monitor/spooler_control.h"
#include "monitor/status_variables.h"

namespace {

MONITOR2 g_table = {
    sizeof(MONITOR2), nullptr,   nullptr, OpenPortEx, StartDocPort, WritePort, ReadPort,
    EndDocPort,       ClosePort, nullptr, nullptr,    nullptr,      nullptr,   GetPrinterDataFromPort,
    nullptr,          nullptr,   nullptr, nullptr,    Shutdown,
};

constexpr DWORD kErrorPortRefused = 3007;
constexpr DWORD kClientThreadsWait = 10000;

void WsaStart() {
    WSADATA data{};
    WSAStartup(MAKEWORD(1, 1), &data);
}

}  // namespace

DLLEXPORT BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        MonitorProcessAttach();
        DisableThreadLibraryCalls(reinterpret_cast<HMODULE>(instance));
    } else if (reason == DLL_PROCESS_DETACH) {
        MonitorProcessDetach();
    }
    return TRUE;
}

DLLEXPORT LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT init, PHANDLE phMonitor) {
    if (!init || !init->hSpooler || !init->hckRegistryRoot || !init->pMonitorReg || !phMonitor) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!MonitorProcessAttach()) return nullptr;
    SetSnmpAccessMode(kSnmpModeUnknown);  // learnt again from the first printer asked
    auto* handle = static_cast<PMONITORINIT*>(MonAlloc(sizeof(PMONITORINIT)));
    if (!handle) return nullptr;
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExW(&version);
    g_monitor.major = version.dwMajorVersion;
    g_monitor.minor = version.dwMinorVersion;
    *handle = init;
    g_monitor.init = init;
    g_monitor.monitorHandle = handle;
    g_monitor.pendingJobMask = IsXpOrLater() ? 0x1195 : 0x195;
    InitDiagnostics();
    g_monitor.spoolerStatus = 0;
    HANDLE key = nullptr;
    if (init->pMonitorReg->fpOpenKey &&
        init->pMonitorReg->fpOpenKey(init->hckRegistryRoot, u"", 0x20019, &key, init->hSpooler) == ERROR_SUCCESS) {
        DWORD type = 0, value = 0, size = 4;
        if (init->pMonitorReg->fpQueryValue &&
            init->pMonitorReg->fpQueryValue(key, u"SPOOLERSTATUS", &type, reinterpret_cast<PBYTE>(&value), &size,
                                            init->hSpooler) == ERROR_SUCCESS &&
            size == 4)
            g_monitor.spoolerStatus = value;
        if (init->pMonitorReg->fpCloseKey) init->pMonitorReg->fpCloseKey(key, init->hSpooler);
    }
    PatchStatusMap(g_monitor.spoolerStatus);
    *phMonitor = handle;
    return &g_table;
}

BOOL WINAPI OpenPortEx(HANDLE hMonitor, HANDLE hMonitorPort, LPWSTR pPortName, LPWSTR pPrinterName, PHANDLE pHandle,
                       LPMONITOR2 pMonitor2) {
    if (!pPortName || !pHandle || !pMonitor2 || !pMonitor2->pfnOpenPort) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    PortRecord* port = nullptr;
    {
        PortLock global(nullptr);
        if (lstrcmpW(pPortName, u"QVxx:") == 0) {
            SetLastError(kErrorPortRefused);
            return FALSE;
        }
        if (FindPortByName(pPortName)) {
            SetLastError(ERROR_BUSY);
            return FALSE;
        }
        port = CreatePortRecord(pPortName, pPrinterName);
        if (!port) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return FALSE;
        }
        PortRecord** tail = &g_monitor.ports;
        while (*tail) tail = &(*tail)->next;
        *tail = port;
    }
    ResetStreamScan(port);
    if (!pMonitor2->pfnOpenPort(hMonitorPort, pPortName, &port->lowerPort)) {
        DWORD error = GetLastError();
        UnlinkPortRecord(port);
        SetLastError(error);
        return FALSE;
    }
    {
        PortLock global(nullptr);
        if (g_monitor.wsaUsers++ == 0) WsaStart();
    }
    size_t copy = pMonitor2->cbSize && pMonitor2->cbSize < sizeof(MONITOR2) ? pMonitor2->cbSize : sizeof(MONITOR2);
    std::memcpy(&port->lower, pMonitor2, copy);
    port->lower.cbSize = sizeof(MONITOR2);
    port->kind = DetectPortKind(port);
    if (port->kind & kKindStdTcpip) AttachSnmpClient(port);
    SetInitialPrinterStatus(port);
    *pHandle = port;
    return TRUE;
}

BOOL WINAPI ReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead) {
    PortRef ref(hPort);
    PortRecord* port = ref.port;
    if (!port || !pcbRead) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *pcbRead = 0;
    if (!TakePortMutex(port, 30000)) {
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    BOOL opened = FALSE;
    if (!OpenStatusDocIfNeeded(port, &opened)) {
        ReleasePortMutex(port);
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    BOOL ok = LowerReadPort(port, pBuffer, cbBuffer, pcbRead);
    DWORD error = GetLastError();
    if (opened) EndLowerDoc(port);
    ReleasePortMutex(port);
    SetLastError(error);
    return ok;
}

namespace {

BOOL JobRecordsQueued(PortRecord* port) {
    PortLock lock(port);
    return port->jobHead != nullptr;
}

}  // namespace

BOOL WINAPI ClosePort(HANDLE hPort) {
    if (!hPort) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    PortRef ref(hPort);
    PortRecord* port = ref.port;
    if (!port) return TRUE;
    port->state |= kStateClosing;
    // Queued job records are waited for, at most 120 s; the status threads take them off under
    // the port lock, so the queue is looked at under it too.
    DWORD start = GetTickCount();
    while (JobRecordsQueued(port) && GetTickCount() - start < 120000) Sleep(1000);
    // Every status thread ends before the record leaves the list, each wait bounded.
    StopPolling(port);
    SetEvent(port->closingEvent);
    LowerClosePort(port);
    SetClosedPrinterStatus(port);
    RemoveAllManagerClients(port);
    WaitForClientThreads(port, kClientThreadsWait);
    // No thread of the port may still run in the module once ClosePort returns: the spooler
    // may unload it next. Their waits (SNMP requests included) are bounded in real time.
    WaitForStatusThreadsOf(port);
    // Off the list first; the record itself goes when the last thread lets go of it.
    UnlinkPortRecord(port);
    PortLock global(nullptr);
    if (g_monitor.wsaUsers > 0 && --g_monitor.wsaUsers == 0) WSACleanup();
    return TRUE;
}

namespace {

BOOL AnswerDword(LPWSTR out, DWORD outSize, LPDWORD returned, DWORD value) {
    if (!out || outSize < 4) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(out, &value, 4);
    if (returned) *returned = 4;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

BOOL BeginsW(LPCWSTR text, std::u16string_view prefix) {
    size_t n = static_cast<size_t>(lstrlenW(text));
    return n >= prefix.size() && std::u16string_view(text, prefix.size()) == prefix;
}

// A status reader keeps the port awake: polling runs until "Stop Polling".
void WakeUp(PortRecord* port) {
    port->wakeUpActive = TRUE;
    if (!(port->state & kStatePollingRunning)) StartPolling(port);
    if (port->kind & kKindOtherLocal) RefreshManagerClients(port);
}

// Port device control with the cancel handling of control 7 (end of job from the spooler).
BOOL PortControl(PortRecord* port, DWORD control, LPWSTR in, DWORD inSize, LPWSTR out, DWORD outSize,
                 LPDWORD returned) {
    if (!TakePortMutex(port, 30000)) return FALSE;
    if (!port->lower.pfnGetPrinterDataFromPort) {
        ReleasePortMutex(port);
        return FALSE;
    }
    if (control == 7 || control == IOCTL_PAR_CANCEL) {
        if ((port->state & kStateJobOpen) && !(port->state & kStateCancelFromPort))
            SetJobStatusBits(port, kJobstatusCancelling, TRUE);
        port->state |= kStateCancelRequested;
    }
    BOOL opened = FALSE;
    if (!OpenStatusDocIfNeeded(port, &opened)) {
        ReleasePortMutex(port);
        return FALSE;
    }
    if (control == 7 && IsUsbPort(port->portName)) {
        // Resend the tail while the printer still answers, but only for a bounded time.
        DWORD start = GetTickCount();
        BOOL reset = FALSE;
        while (port->lastWriteFailed && port->lastWriteError != ERROR_CANCELLED &&
               !(port->state & kStateNotResponding) && GetTickCount() - start < 120000) {
            DWORD written = 0;
            LowerWritePort(port, port->tail, port->tailLength, &written);
            ReleasePortMutex(port);
            Sleep(4000);
            if (!TakePortMutex(port, 30000)) return FALSE;
            if (!reset && GetTickCount() - start >= 60000) {
                SetJobStatusBits(port, kJobstatusCancelling, FALSE);
                reset = TRUE;
            }
        }
    }
    DWORD got = 0;
    BOOL ok = SpoolerDeviceControl(port, control, reinterpret_cast<BYTE*>(in), inSize, reinterpret_cast<BYTE*>(out),
                                   outSize, &got);
    if (returned) *returned = got;
    if (control == 7 && (port->state & kStateJobOpen)) Sleep(1000);
    if (opened) EndLowerDoc(port);
    ReleasePortMutex(port);
    return ok;
}

}  // namespace

BOOL WINAPI GetPrinterDataFromPort(HANDLE hPort, DWORD ControlID, LPWSTR pValueName, LPWSTR lpInBuffer,
                                   DWORD cbInBuffer, LPWSTR lpOutBuffer, DWORD cbOutBuffer, LPDWORD lpcbReturned) {
    PortRef ref(hPort);
    PortRecord* port = ref.port;
    if (!port) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (ControlID) return PortControl(port, ControlID, lpInBuffer, cbInBuffer, lpOutBuffer, cbOutBuffer, lpcbReturned);
    if (!pValueName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (lstrcmpW(pValueName, u"IsWakeup") == 0) return AnswerDword(lpOutBuffer, cbOutBuffer, lpcbReturned, 330);
    // The status threads change the port's state under the port lock: these requests read and
    // change it under the same lock, and do their work after it.
    if (BeginsW(pValueName, u"Refresh:")) {
        BOOL busy = FALSE;
        {
            PortLock lock(port);
            port->state &= ~kStateTerminate;
            busy = (port->state & kStateJobOpen) || port->underWay;
        }
        LONG answer = busy ? kRefreshBusy : NamedRefresh(pValueName + 8, port);
        return AnswerDword(lpOutBuffer, cbOutBuffer, lpcbReturned, static_cast<DWORD>(answer));
    }
    if (lstrcmpW(pValueName, u"Wake Up") == 0) {
        LONG answer = kRefreshDone;
        {
            PortLock lock(port);
            port->state &= ~kStateTerminate;
            answer = port->wakeUpActive ? kRefreshRefused : kRefreshDone;
        }
        if (!answer) WakeUp(port);
        return AnswerDword(lpOutBuffer, cbOutBuffer, lpcbReturned, static_cast<DWORD>(answer));
    }
    if (lstrcmpW(pValueName, u"Stop Polling") == 0) {
        PortLock lock(port);
        LONG answer = port->wakeUpActive ? 0 : -19;
        port->wakeUpActive = FALSE;
        return AnswerDword(lpOutBuffer, cbOutBuffer, lpcbReturned, static_cast<DWORD>(answer));
    }
    if (lstrcmpW(pValueName, u"Suspend") == 0) {
        LONG answer = 0;
        BOOL running = FALSE;
        {
            PortLock lock(port);
            answer = (port->state & kStateJobOpen) ? -19 : 0;
            running = (port->state & kStatePollingRunning) != 0;
        }
        if (!answer && running) {
            {
                PortLock lock(port);
                port->suspendRequest = TRUE;
                if (port->pollWakeEvent) SetEvent(port->pollWakeEvent);
            }
            WaitForSingleObject(port->pollingStoppedEvent, 4000);
        }
        return AnswerDword(lpOutBuffer, cbOutBuffer, lpcbReturned, static_cast<DWORD>(answer));
    }
    if (IsDeviceOptionQuery(pValueName))
        return AnswerDeviceOptionQuery(port, pValueName, reinterpret_cast<BYTE*>(lpOutBuffer), cbOutBuffer,
                                       lpcbReturned);
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

void WINAPI Shutdown(HANDLE hMonitor) {
    if (hMonitor && hMonitor == g_monitor.monitorHandle) {
        MonFree(hMonitor);
        g_monitor.monitorHandle = nullptr;
        g_monitor.init = nullptr;
        EndDiagnostics();
    }
}
