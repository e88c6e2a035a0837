// The spooler's way of running print monitors: load a monitor by file name, hand it a registry
// root it reaches through MONITORREG, open ports through the language monitor with the port
// monitor's table, and run jobs through StartDocPort, WritePort and EndDocPort.
#include "plat/monitor_host.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "plat_internal.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

namespace plat {
namespace {

constexpr char16_t kMonitorsKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";
constexpr char16_t kStandardTcpPortsKey[] =
    u"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";

int g_spoolerTag;
HANDLE SpoolerHandle() {
    return &g_spoolerTag;
}

// MONITORREG: the monitor's keys are ordinary registry keys here (no cluster).
LONG WINAPI RegCreate(HANDLE hcKey, LPCWSTR pszSubKey, DWORD dwOptions, REGSAM samDesired, PSECURITY_ATTRIBUTES,
                      PHANDLE phckResult, PDWORD pdwDisposition, HANDLE) {
    if (phckResult == nullptr) return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    LONG r = RegCreateKeyExW(static_cast<HKEY>(hcKey), pszSubKey, 0, nullptr, dwOptions, samDesired, nullptr, &key,
                             pdwDisposition);
    *phckResult = key;
    return r;
}

LONG WINAPI RegOpen(HANDLE hcKey, LPCWSTR pszSubKey, REGSAM samDesired, PHANDLE phkResult, HANDLE) {
    if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    LONG r = RegOpenKeyExW(static_cast<HKEY>(hcKey), pszSubKey ? pszSubKey : u"", 0, samDesired, &key);
    *phkResult = r == ERROR_SUCCESS ? key : nullptr;
    return r;
}

LONG WINAPI RegClose(HANDLE hcKey, HANDLE) {
    return RegCloseKey(static_cast<HKEY>(hcKey));
}

LONG WINAPI RegDelete(HANDLE hcKey, LPCWSTR pszSubKey, HANDLE) {
    return RegDeleteKeyW(static_cast<HKEY>(hcKey), pszSubKey);
}

LONG WINAPI RegEnum(HANDLE hcKey, DWORD dwIndex, LPWSTR pszName, PDWORD pcchName, PFILETIME pft, HANDLE) {
    return RegEnumKeyExW(static_cast<HKEY>(hcKey), dwIndex, pszName, pcchName, nullptr, nullptr, nullptr, pft);
}

// Counts by enumeration: the platform's registry has no RegQueryInfoKeyW of its own.
LONG WINAPI RegQueryInfo(HANDLE hcKey, PDWORD pcSubKeys, PDWORD pcbKey, PDWORD pcValues, PDWORD pcbValue,
                         PDWORD pcbData, PDWORD pcbSecurityDescriptor, PFILETIME pftLastWriteTime, HANDLE) {
    HKEY key = static_cast<HKEY>(hcKey);
    DWORD subKeys = 0, longestKey = 0, values = 0, longestValue = 0, longestData = 0;
    for (DWORD i = 0; i < 100000; ++i) {
        WCHAR name[256];
        DWORD chars = 256;
        LONG r = RegEnumKeyExW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS) return r;
        ++subKeys;
        longestKey = chars > longestKey ? chars : longestKey;
    }
    for (DWORD i = 0; i < 100000; ++i) {
        WCHAR name[16384];
        DWORD chars = 16384, data = 0;
        LONG r = RegEnumValueW(key, i, name, &chars, nullptr, nullptr, nullptr, &data);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS && r != ERROR_MORE_DATA) return r;
        ++values;
        longestValue = chars > longestValue ? chars : longestValue;
        longestData = data > longestData ? data : longestData;
    }
    if (pcSubKeys) *pcSubKeys = subKeys;
    if (pcbKey) *pcbKey = longestKey;
    if (pcValues) *pcValues = values;
    if (pcbValue) *pcbValue = longestValue;
    if (pcbData) *pcbData = longestData;
    if (pcbSecurityDescriptor) *pcbSecurityDescriptor = 0;
    if (pftLastWriteTime) *pftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG WINAPI RegSetValue(HANDLE hcKey, LPCWSTR pszValue, DWORD dwType, const BYTE* pData, DWORD cbData, HANDLE) {
    return RegSetValueExW(static_cast<HKEY>(hcKey), pszValue, 0, dwType, pData, cbData);
}

LONG WINAPI RegDeleteValue(HANDLE hcKey, LPCWSTR pszValue, HANDLE) {
    return RegDeleteValueW(static_cast<HKEY>(hcKey), pszValue);
}

// MONITORREG counts the value name in bytes, RegEnumValueW in characters.
LONG WINAPI RegEnumValue(HANDLE hcKey, DWORD dwIndex, LPWSTR pszValue, PDWORD pcbValue, PDWORD pType, PBYTE pData,
                         PDWORD pcbData, HANDLE) {
    if (pcbValue == nullptr) return ERROR_INVALID_PARAMETER;
    DWORD chars = *pcbValue / sizeof(WCHAR);
    LONG r = RegEnumValueW(static_cast<HKEY>(hcKey), dwIndex, pszValue, &chars, nullptr, pType, pData, pcbData);
    *pcbValue = chars * sizeof(WCHAR);
    return r;
}

LONG WINAPI RegQueryValue(HANDLE hcKey, LPCWSTR pszValue, PDWORD pType, PBYTE pData, PDWORD pcbData, HANDLE) {
    return RegQueryValueExW(static_cast<HKEY>(hcKey), pszValue, nullptr, pType, pData, pcbData);
}

constexpr MONITORREG kMonitorReg = {
    sizeof(MONITORREG), RegCreate,   RegOpen,        RegClose,     RegDelete,     RegEnum,
    RegQueryInfo,       RegSetValue, RegDeleteValue, RegEnumValue, RegQueryValue,
};

}  // namespace

BOOL LoadMonitor(LoadedMonitor* monitor, LPCWSTR dllFileName, LPCWSTR monitorName) {
    if (monitor == nullptr || dllFileName == nullptr || monitorName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *monitor = LoadedMonitor{};
    monitor->name = monitorName;
    std::u16string path = std::u16string(kMonitorsKey) + monitorName;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &monitor->root,
                        nullptr) != ERROR_SUCCESS) {
        return FALSE;
    }
    monitor->module = LoadLibraryW(dllFileName);
    if (monitor->module == nullptr) {
        DWORD error = GetLastError();
        UnloadMonitor(monitor);
        SetLastError(error);
        return FALSE;
    }
    auto init = reinterpret_cast<PFN_InitializePrintMonitor2>(
        reinterpret_cast<void*>(GetProcAddress(monitor->module, "InitializePrintMonitor2")));
    if (init == nullptr) {
        UnloadMonitor(monitor);
        SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    monitor->reg = kMonitorReg;
    monitor->init.cbSize = sizeof(MONITORINIT);
    monitor->init.hSpooler = SpoolerHandle();
    monitor->init.hckRegistryRoot = monitor->root;
    monitor->init.pMonitorReg = &monitor->reg;
    monitor->init.bLocal = TRUE;
    monitor->init.pszServerName = nullptr;
    monitor->table = init(&monitor->init, &monitor->handle);
    if (monitor->table == nullptr) {
        DWORD error = GetLastError();
        UnloadMonitor(monitor);
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

void UnloadMonitor(LoadedMonitor* monitor) {
    if (monitor == nullptr) return;
    if (monitor->table && monitor->table->pfnShutdown) monitor->table->pfnShutdown(monitor->handle);
    if (monitor->module) FreeLibrary(monitor->module);
    if (monitor->root) RegCloseKey(monitor->root);
    *monitor = LoadedMonitor{};
}

BOOL RegisterStandardTcpIpPort(LPCWSTR portName) {
    if (portName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::u16string path = std::u16string(kStandardTcpPortsKey) + u"\\" + portName;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return FALSE;
    }
    RegCloseKey(key);
    return PlatAddPort(portName, u"TCPMON.DLL", u"Standard TCP/IP Port", PORT_TYPE_WRITE | PORT_TYPE_READ);
}

BOOL OpenPort(HostPort* port, LoadedMonitor* language, LoadedMonitor* portMonitor, LPCWSTR portName,
              LPCWSTR printerName) {
    if (port == nullptr || language == nullptr || portMonitor == nullptr || language->table == nullptr ||
        portMonitor->table == nullptr || portName == nullptr || language->table->pfnOpenPortEx == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *port = HostPort{};
    port->language = language;
    port->portMonitor = portMonitor;
    port->portName = portName;
    port->printerName = printerName ? printerName : u"";
    std::u16string name = port->portName;
    std::u16string printer = port->printerName;
    // The spooler hands the language monitor the port monitor's table and its monitor handle.
    if (!language->table->pfnOpenPortEx(language->handle, portMonitor->handle, name.data(),
                                        printerName ? printer.data() : nullptr, &port->handle, portMonitor->table)) {
        port->handle = nullptr;
        return FALSE;
    }
    NotePortOpened(*port);
    return TRUE;
}

BOOL ClosePort(HostPort* port) {
    if (port == nullptr || port->handle == nullptr || port->language == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    NotePortClosed(port->handle);
    BOOL ok = port->language->table->pfnClosePort(port->handle);
    port->handle = nullptr;
    return ok;
}

namespace {

BOOL JobDeleting(HANDLE printer, const JobResult& result) {
    if (!result.spooled) return FALSE;
    BYTE buffer[1024];
    DWORD needed = 0;
    if (!GetJobW(printer, result.jobId, 1, buffer, sizeof buffer, &needed)) return FALSE;
    return (reinterpret_cast<const JOB_INFO_1W*>(buffer)->Status & (JOB_STATUS_DELETING | JOB_STATUS_DELETED)) != 0;
}

}  // namespace

JobResult SendJob(HostPort* port, std::span<const BYTE> data, const JobOptions& options) {
    JobResult result;
    if (port == nullptr || port->handle == nullptr) {
        result.startError = ERROR_INVALID_PARAMETER;
        return result;
    }
    const MONITOR2& m = *port->language->table;
    std::u16string printer = port->printerName;
    std::u16string document = options.documentName;
    std::u16string datatype = u"RAW";

    // The job as the spooler client starts it, so GetJob/SetJob/EnumJobs see it.
    HANDLE hPrinter = nullptr;
    DOC_INFO_1W doc{document.data(), nullptr, datatype.data()};
    if (!printer.empty() && OpenPrinterW(printer.data(), &hPrinter, nullptr)) {
        DWORD id = StartDocPrinterW(hPrinter, 1, reinterpret_cast<LPBYTE>(&doc));
        if (id != 0) {
            result.jobId = id;
            result.spooled = TRUE;
        }
    }
    if (!result.spooled) result.jobId = options.jobId;

    result.started = m.pfnStartDocPort(port->handle, printer.empty() ? nullptr : printer.data(), result.jobId, 1,
                                       reinterpret_cast<LPBYTE>(&doc));
    if (!result.started) {
        result.startError = GetLastError();
    } else {
        ULONGLONG startTick = GetTickCount64();
        size_t offset = 0;
        DWORD idleInARow = 0;
        result.written = TRUE;
        while (offset < data.size()) {
            // A job deleted in the queue stops being sent; the port still gets its EndDocPort.
            if (result.spooled) {
                BYTE buffer[1024];
                DWORD needed = 0;
                if (GetJobW(hPrinter, result.jobId, 1, buffer, sizeof buffer, &needed)) {
                    const auto* info = reinterpret_cast<const JOB_INFO_1W*>(buffer);
                    if (info->Status & (JOB_STATUS_DELETING | JOB_STATUS_DELETED)) {
                        result.stoppedByCancel = TRUE;
                        result.written = FALSE;
                        result.writeError = ERROR_PRINT_CANCELLED;
                        break;
                    }
                }
            }
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(options.chunkSize, data.size() - offset));
            DWORD written = 0;
            BOOL ok = m.pfnWritePort(port->handle, const_cast<LPBYTE>(data.data() + offset), chunk, &written);
            if (!ok) {
                result.written = FALSE;
                result.writeError = GetLastError();
                break;
            }
            if (written > chunk) written = chunk;  // never trust a count beyond what was offered
            offset += written;
            result.bytesAccepted = offset;
            if (written == 0) {
                ++result.idleRetries;
                // The spooler calls again; a port that never takes anything ends the job.
                if (++idleInARow >= options.maxIdleRetries || GetTickCount64() - startTick >= options.maxPlatformMs) {
                    result.written = FALSE;
                    result.writeError = ERROR_TIMEOUT;
                    break;
                }
            } else {
                idleInARow = 0;
                if (options.afterWrite) options.afterWrite(offset);
            }
        }
        // The monitor's own threads may delete the job after the last write (a cancel the printer
        // reported meanwhile): no write sees it, and EndDocPort finds it deleted already.
        BOOL deletedBefore = JobDeleting(hPrinter, result);
        result.deletedAfterLastWrite = deletedBefore && !result.stoppedByCancel;
        result.ended = m.pfnEndDocPort(port->handle);
        if (!result.ended) result.endError = GetLastError();
        // A monitor that learns at the job's end that the printer cancelled it deletes the job.
        result.deletedByPort = !deletedBefore && JobDeleting(hPrinter, result);
    }
    if (hPrinter) {
        if (result.spooled) EndDocPrinter(hPrinter);
        ClosePrinter(hPrinter);
    }
    return result;
}

BOOL ReadPortStatus(HostPort* port, std::string* text, DWORD size) {
    if (port == nullptr || port->handle == nullptr || text == nullptr || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string buffer(size, '\0');
    DWORD read = 0;
    BOOL ok = port->language->table->pfnReadPort(port->handle, reinterpret_cast<LPBYTE>(buffer.data()), size, &read);
    if (ok) text->assign(buffer.data(), read > size ? size : read);
    return ok;
}

}  // namespace plat
