// The language monitor's per-port record, its module globals and the shared routines every
// monitor file uses (private heap, locks, port list, lower-port wrappers).
#pragma once

// The standard headers come first: the platform's wide-character helpers overload names
// that <string> takes from the C library.
#include <algorithm>
#include <atomic>
#include <string>
#include <string_view>

#include "monitor/device_options.h"
#include "win/base.h"
#include "win/kernel.h"
#include "win/monitor.h"

struct StatusVariable;
struct ManagerClient;
struct JobRecord;
struct SnmpClient;

// ---- Port-kind bits ----
constexpr DWORD kKindPort = 0x1;
constexpr DWORD kKindLocal = 0x2;  // local parallel or USB
constexpr DWORD kKindBidi = 0x4;   // the monitor reads replies
constexpr DWORD kKindSerial = 0x10;
constexpr DWORD kKindOtherLocal = 0x20;
constexpr DWORD kKindRedirected = 0x40;  // redirected parallel port or UNC share
constexpr DWORD kKindDpuTcpip = 0x80;
constexpr DWORD kKindStdTcpip = 0x100;
constexpr DWORD kKindTcpip = kKindDpuTcpip | kKindStdTcpip;

// ---- Port state bits ----
constexpr DWORD kStateJobOpen = 0x1;
constexpr DWORD kStatePollingWanted = 0x2;
constexpr DWORD kStatePollingRunning = 0x4;
constexpr DWORD kStateHeaderSent = 0x10;
constexpr DWORD kStateHeaderPending = 0x20;
constexpr DWORD kStateLowerDocOpen = 0x40;
constexpr DWORD kStateOwnModel = 0x80;
constexpr DWORD kStateCancelRequested = 0x200;  // the spooler asked through the port control
constexpr DWORD kStateRepeatedStart = 0x1000;
constexpr DWORD kStateNotResponding = 0x2000;
constexpr DWORD kStateBusyA = 0x4000;  // with kStateBusyB: the printer is busy
constexpr DWORD kStateAnswersAgain = 0x8000;
constexpr DWORD kStateReplyNoStatus = 0x20000;
constexpr DWORD kStateFinishedByReply = 0x40000;
constexpr DWORD kStatePrinterAnswered = 0x80000;
constexpr DWORD kStateDeleting = 0x100000;
constexpr DWORD kStateCancelSent = 0x800000;      // EndDocPort sent the printer the cancel
constexpr DWORD kStateStatusRequery = 0x2000000;  // a reply came without status: asked again
constexpr DWORD kStateTerminate = 0x4000000;
constexpr DWORD kStateBusyB = 0x8000000;
constexpr DWORD kStateCancelFromPort = 0x10000000;
constexpr DWORD kStateStatusSeen = 0x20000000;
constexpr DWORD kStateClosing = 0x40000000;
// A cancel is in progress when either bit is set.
constexpr DWORD kStateCancelInProgress = kStateCancelRequested | kStateCancelSent;
// The printer is busy (printing, warming up) only when both bits are set.
constexpr DWORD kStatePrinterBusy = kStateBusyA | kStateBusyB;

// ---- "MyPortMode" bits ----
constexpr DWORD kPortModeDefault = 0x1;
constexpr DWORD kPortModeEcp = 0x2;  // the parallel port writes in ECP mode

constexpr DWORD kPortSignature = 0x4F50;
constexpr size_t kTailSize = 80;
constexpr size_t kJobTextSize = 81;  // 80 characters + NUL
// An incomplete reply kept across reads never grows beyond this: a printer that sends text
// without form feeds must not make the monitor's heap grow without end.
constexpr DWORD kSavedReplyLimit = 16384;
// Monitor PJL not yet accepted by the port is bounded the same way.
constexpr DWORD kPendingOutputLimit = 16384;

// Reply-parser state of a port (see pjl_reply.h).
struct ReplyState {
    BOOL headerSeen;
    char* previousHeader;
    int table;     // current keyword table, 0 = reply table
    int lastStep;  // 5 = a reply ended, 6 = more text needed
    BOOL skipToFormFeed;
    DWORD flags;    // bit 0: inside an INQUIRE answer
    BYTE* jobInfo;  // pending PrintingJobInfo2 value (320 bytes)
    DWORD jobInfoSize;
    DWORD jobInfoFlags;  // bit 1 keep, bit 8 job started, bit 9 job ended
    BOOL headerRepeats;
    DWORD previousRestLength;  // bytes of the unfinished reply when its header was last seen
};

struct PortRecord {
    DWORD signature;
    LONG blockSize;
    PortRecord* next;
    LPWSTR portName;
    std::atomic<DWORD> state;  // read by status threads without the port lock
    LPWSTR printerName;
    DWORD jobId;
    LONG docInfoLevel;
    void* docInfo;
    HANDLE lowerPort;
    std::atomic<DWORD> kind;  // KIND_* bits; cleared at close while status threads may still read it
    ManagerClient* clients;
    ManagerClient* currentClient;
    JobRecord* jobHead;
    JobRecord* jobTail;
    SnmpClient* snmp;  // standard TCP/IP ports (port lock; taken off the port while a request runs)
    StatusVariable* variables;
    ReplyState reply;
    BYTE* pendingOutput;
    DWORD pendingLength;
    char* savedReply;
    DWORD savedReplyLength;
    HANDLE portMutex;
    HANDLE pollWakeEvent;
    HANDLE secondMutex;
    HANDLE closingEvent;
    DWORD lastEndDocTick;
    LONG lastPartialHeaderTick;  // -1 none
    int savedPriority;
    DWORD priorityThreadId;  // the thread whose priority StartDocPort changed; 0 none
    DWORD versionPair[2];
    DWORD redirectedCounters[2];
    LONG pollMode;
    MONITOR2 lower;
    DWORD myPortMode;  // PORT_MODE_* bits
    BOOL ecpActive;
    CRITICAL_SECTION lock;
    LONG lockDepth;
    LONG sleepAfterFailedHeader;
    HANDLE pollingStoppedEvent;
    // Read by the polling thread without the port lock.
    std::atomic<BOOL> suspendRequest;
    std::atomic<BOOL> wakeUpActive;
    std::atomic<BOOL> startPolling;
    char jobIdentifier[kJobTextSize];
    BOOL jobEnd;
    BYTE tail[kTailSize + 1];
    DWORD tailLength;
    LONG scanResult;  // 0 not scanned, 1 PostScript, 2 own "@PJL JOB", -1 neither
    char jobName[kJobTextSize];
    BOOL enterSeen;
    BOOL endDocDone;
    BOOL wroteSinceStart;
    DWORD lastWriteError;
    BOOL lastWriteFailed;
    DWORD owedEjects;
    DWORD jobEndError;          // the first failure of the job's end at the port below (0 none)
    BOOL writeFailureReported;  // a WritePort of the job already told the spooler it failed
    BOOL usbCarry;
    BYTE usbCarryByte;
    DWORD usbCarryLeft;
    BOOL beginsWithUel;
    BOOL forceTrailerUel;
    BOOL postScriptJob;
    BOOL cancelAcknowledged;
    std::atomic<BOOL> underWay;  // set by the job path, cleared by a polling thread that ends
    DWORD bytesSent;
    DWORD bufferSize;
    BOOL driverJobClientId;
    BOOL serviceToldStart;
    DWORD enterLanguage;
    DWORD lastSeverity;
    BOOL republish;
    // Reply-parser counters of the current job.
    LONG lastPageNumber;
    DWORD colourPages, monoPages, colourTotal, monoTotal;
    DWORD coverage[4];
    ULONGLONG coverageSum[4];
    BOOL counterSkip;
    BOOL postScriptCancel;
    BOOL inquirePending;
    BYTE* jobInfoQueue[8];
    DWORD jobInfoQueued;
    // Spooler and status threads hold a reference while they work on the record; the last one
    // frees it, so ClosePort never frees a record that another thread still uses.
    volatile LONG refCount;
    BOOL uelAbsorbed;     // the job's own UEL was replaced by the monitor header's
    DWORD headerOffset;   // bytes of the pending monitor header the port has already taken
    BOOL dataStarted;     // job data (not the monitor header) has reached the port
    BOOL pollingThread;   // a polling thread serves this port (it reads the replies)
    DWORD deviceIdReads;  // diagnostic count of device-ID reads
    DeviceState device;   // device data, device options and the status block's flags
    // Status threads (polling, job watch, client threads).
    LONG clientThreads;            // client threads still running (port lock)
    HANDLE clientThreadsGone;      // manual-reset, signalled while no client thread runs
    BOOL longWait;                 // the job-watch thread runs instead of the polling thread
    BOOL ustatusOffOwed;           // polling ends with USTATUSOFF to the printer
    DWORD cycleCounter;            // 0 to 2: the clients are refreshed when it is 0
    BOOL refreshQuiet;             // the last named refresh asked the printer itself
    BOOL pollOpenedDoc;            // PollOnce opened the lower document itself
    ManagerClient* refreshClient;  // the client whose named refresh runs (port lock)
};

// ---- Module globals ----
struct MonitorGlobals {
    HANDLE heap;
    CRITICAL_SECTION lock;
    LONG lockDepth;
    BOOL lockReady;
    HANDLE monitorHandle;  // 4-byte heap block holding the MONITORINIT pointer
    PMONITORINIT init;
    DWORD major, minor;
    DWORD spoolerStatus;
    DWORD pendingJobMask;
    PortRecord* ports;
    LONG wsaUsers;
    // Scripted tests that drive a port one call at a time keep its status threads (polling,
    // job watch, clients) from starting; everything else runs with them.
    BOOL statusThreadsOff;
};
extern MonitorGlobals g_monitor;

inline BOOL IsXpOrLater() {
    return g_monitor.major > 5 || (g_monitor.major == 5 && g_monitor.minor >= 1);
}
inline BOOL IsVistaOrLater() {
    return g_monitor.major >= 6;
}

// Module start and end (DllMain's process attach and detach).
BOOL MonitorProcessAttach();
void MonitorProcessDetach();

// ---- Private heap ----
void* MonAlloc(size_t bytes);  // zero-filled
// Status threads not yet ended, counted from their creation: the process detach waits for them
// (bounded) before the lock and the heap go, so a thread's last release never meets a freed heap.
void StatusThreadStarts();
void StatusThreadEnds();
LONG LiveStatusThreads();
// The handle of a status thread started for the port, kept until the port closes: ClosePort
// returns only once every such thread has left the module (its handle is signalled).
void KeepStatusThread(PortRecord* port, HANDLE thread);
// Waits until every status thread of the port (or, with none, of any port) has ended, looking
// again every 500 ms; each of them ends by itself once told to, its every wait being bounded.
void WaitForStatusThreadsOf(PortRecord* port);
void MonFree(void* block);
LPWSTR MonDupW(LPCWSTR text);
char* MonWideToAnsi(LPCWSTR text);  // system code page
BOOL MonAppendBytes(BYTE** buffer, DWORD* length, const BYTE* data, DWORD count);

// ---- Locks ----
void LockPort(PortRecord* port);  // none: the global lock
void UnlockPort(PortRecord* port);
struct PortLock {
    explicit PortLock(PortRecord* p) : port(p) { LockPort(p); }
    ~PortLock() { UnlockPort(port); }
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;
    PortRecord* port;
};
// The port mutex owns the physical port; FALSE when it could not be had within the wait.
BOOL TakePortMutex(PortRecord* port, DWORD milliseconds);
void ReleasePortMutex(PortRecord* port);

// ---- Port list and references ----
PortRecord* CreatePortRecord(LPCWSTR portName, LPCWSTR printerName);
// The record of a handle the spooler gave back, with a reference held; none when it is not
// an open port of this monitor (closed, freed, or not a port at all).
PortRecord* AcquirePort(HANDLE handle);
void ReleasePort(PortRecord* port);
// The record behind a spooler handle, held for one call: a handle not in the list gives none.
struct PortRef {
    explicit PortRef(HANDLE h) : port(AcquirePort(h)) {}
    ~PortRef() { ReleasePort(port); }
    PortRef(const PortRef&) = delete;
    PortRef& operator=(const PortRef&) = delete;
    PortRecord* port;
};
PortRecord* FindPortByName(LPCWSTR portName);
// Takes the record off the list; the last ReleasePort frees it.
void UnlinkPortRecord(PortRecord* port);
DWORD CountOpenPorts();

// Jobs in the spooler's queue that are not finished (the mask of the monitor's globals).
DWORD CountPendingJobs(PortRecord* port);
// Frees the monitor PJL that the port has not taken yet.
void DropPendingOutput(PortRecord* port);

// Registry of the monitor (the root handed over at initialisation).
BOOL ReadMonitorDword(LPCWSTR name, DWORD* value);

// Case-insensitive ASCII compare of n UTF-16 characters.
BOOL EqualsNoCaseW(LPCWSTR a, LPCWSTR b, size_t n);
