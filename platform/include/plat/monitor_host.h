// The spooler's side of print monitors, for host programs and tests: the port list and port
// status the spooler keeps, the services it can ask about, and a host that loads a language
// monitor above a port monitor and drives ports and jobs through them as the spooler does.
// Driver code never includes this.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include "win/monitor.h"

extern "C" {

// Ports the spooler knows (EnumPortsW levels 1 and 2).
BOOL PlatAddPort(LPCWSTR portName, LPCWSTR monitorName, LPCWSTR description, DWORD portType);
BOOL PlatRemovePort(LPCWSTR portName);
// The last status SetPortW level 3 gave a port, and how many times it was set.
BOOL PlatGetPortStatus(LPCWSTR portName, DWORD* status, DWORD* severity, DWORD* updates);
// Services the service control manager reports as installed (OpenServiceW).
void PlatSetServiceInstalled(LPCWSTR serviceName, BOOL installed);
// Open tokens from RevertToPrinterSelf not yet handed back to ImpersonatePrinterClient.
DWORD PlatOpenImpersonationTokens(void);
// Outstanding WSAStartup calls.
LONG PlatSocketLibraryUsers(void);
// A local device name redirected to a network share (WNetGetConnectionW); null remote removes it.
void PlatSetNetworkConnection(LPCWSTR localName, LPCWSTR remoteName);
// What GetKeyboardType reports: type (flag 0, default 4) and subtype (flag 1, default 0).
void PlatSetKeyboardType(int type, int subType);

}  // extern "C"

namespace plat {

// One loaded print monitor: its module, its registry key and the table it handed out.
struct LoadedMonitor {
    HMODULE module = nullptr;
    LPMONITOR2 table = nullptr;
    HANDLE handle = nullptr;  // what InitializePrintMonitor2 gave back
    HKEY root = nullptr;      // HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\<name>
    MONITORREG reg{};
    MONITORINIT init{};
    std::u16string name;
};

// Loads the module by file name and initialises it with a registry root for `monitorName`.
// FALSE (last error set) when the module, its export or the initialisation fails.
BOOL LoadMonitor(LoadedMonitor* monitor, LPCWSTR dllFileName, LPCWSTR monitorName);
// Shutdown, FreeLibrary and close the key.
void UnloadMonitor(LoadedMonitor* monitor);

// The loopback port monitor's own configuration: outside/portmon/portmon_config.h.
// Registers a port as a standard TCP/IP port (its "Ports" key and the port list, monitor TCPMON.DLL).
BOOL RegisterStandardTcpIpPort(LPCWSTR portName);

// A port opened through the language monitor (OpenPortEx with the port monitor's table).
struct HostPort {
    LoadedMonitor* language = nullptr;
    LoadedMonitor* portMonitor = nullptr;
    HANDLE handle = nullptr;
    std::u16string portName;
    std::u16string printerName;
};

BOOL OpenPort(HostPort* port, LoadedMonitor* language, LoadedMonitor* portMonitor, LPCWSTR portName,
              LPCWSTR printerName);
BOOL ClosePort(HostPort* port);

struct JobOptions {
    std::u16string documentName = u"ORLA test job";
    DWORD chunkSize = 65536;       // the spooler hands the port data in pieces of this size
    DWORD jobId = 0;               // used when the spooler client cannot start a job
    DWORD maxIdleRetries = 2000;   // WritePort calls in a row that take nothing before giving up
    DWORD maxPlatformMs = 600000;  // platform time a job may take before the host gives up
    // Called after each WritePort that took bytes, with the bytes taken so far: lets a caller act
    // at a known point of the job (delete it in the queue mid-way, as a user's cancel does).
    std::function<void(size_t bytesAccepted)> afterWrite;
};

struct JobResult {
    DWORD jobId = 0;
    BOOL spooled = FALSE;  // StartDocPrinterW gave the job id
    BOOL started = FALSE;  // StartDocPort
    DWORD startError = 0;
    BOOL written = FALSE;  // every byte accepted by WritePort
    DWORD writeError = 0;
    size_t bytesAccepted = 0;
    DWORD idleRetries = 0;  // WritePort calls that took nothing
    BOOL ended = FALSE;     // EndDocPort
    DWORD endError = 0;
    BOOL stoppedByCancel = FALSE;        // the job was deleted in the spooler while sending
    BOOL deletedAfterLastWrite = FALSE;  // deleted between the last WritePort and EndDocPort
    BOOL deletedByPort = FALSE;          // the job was deleted in the spooler during EndDocPort
};

// One job as the spooler runs it: StartDocPrinterW on the printer for the job id, then
// StartDocPort, WritePort until every byte is taken (calling again after TRUE with 0 written),
// EndDocPort, and EndDocPrinter.
JobResult SendJob(HostPort* port, std::span<const BYTE> data, const JobOptions& options = {});

// ReadPort through the language monitor (a status read as the spooler's bidi calls do).
BOOL ReadPortStatus(HostPort* port, std::string* text, DWORD size = 1024);

}  // namespace plat

// Port queries of a printer, as the spooler routes them: GetPrinterDataFromPort (control id 0,
// the value name) of the language monitor's port that is open for the printer in this process.
// The monitor's own result is passed on; FALSE with ERROR_INVALID_PRINTER_NAME when no port is open.
extern "C" BOOL PlatQueryPrinterPort(LPCWSTR printerName, LPCWSTR valueName, LPBYTE out, DWORD outSize,
                                     DWORD* returned);
namespace plat {
void NotePortOpened(const HostPort& port);
void NotePortClosed(HANDLE handle);
}  // namespace plat
