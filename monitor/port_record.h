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

// ---- Port-kind bits ----
constexpr DWORD KIND_PORT = 0x1;
constexpr DWORD KIND_LOCAL = 0x2;  // local parallel or USB
constexpr DWORD KIND_BIDI = 0x4;   // the monitor reads replies
constexpr DWORD KIND_SERIAL = 0x10;
constexpr DWORD KIND_OTHER_LOCAL = 0x20;
constexpr DWORD KIND_REDIRECTED = 0x40;  // redirected parallel port or UNC share
constexpr DWORD KIND_DPU_TCPIP = 0x80;
constexpr DWORD KIND_STD_TCPIP = 0x100;
constexpr DWORD KIND_TCPIP = KIND_DPU_TCPIP | KIND_STD_TCPIP;

// ---- Port state bits ----
constexpr DWORD ST_JOB_OPEN = 0x1;
constexpr DWORD ST_POLLING_WANTED = 0x2;
constexpr DWORD ST_POLLING_RUNNING = 0x4;
constexpr DWORD ST_HEADER_SENT = 0x10;
constexpr DWORD ST_HEADER_PENDING = 0x20;
constexpr DWORD ST_LOWER_DOC_OPEN = 0x40;
constexpr DWORD ST_OWN_MODEL = 0x80;
constexpr DWORD ST_CANCEL_REQUESTED = 0x200;  // the spooler asked through the port control
constexpr DWORD ST_REPEATED_START = 0x1000;
constexpr DWORD ST_NOT_RESPONDING = 0x2000;
constexpr DWORD ST_BUSY_A = 0x4000;  // with ST_BUSY_B: the printer is busy
constexpr DWORD ST_ANSWERS_AGAIN = 0x8000;
constexpr DWORD ST_REPLY_NO_STATUS = 0x20000;
constexpr DWORD ST_FINISHED_BY_REPLY = 0x40000;
constexpr DWORD ST_PRINTER_ANSWERED = 0x80000;
constexpr DWORD ST_DELETING = 0x100000;
constexpr DWORD ST_CANCEL_SENT = 0x800000;  // EndDocPort sent the printer the cancel
constexpr DWORD ST_TERMINATE = 0x4000000;
constexpr DWORD ST_BUSY_B = 0x8000000;
constexpr DWORD ST_CANCEL_FROM_PORT = 0x10000000;
constexpr DWORD ST_STATUS_SEEN = 0x20000000;
constexpr DWORD ST_CLOSING = 0x40000000;
// A cancel is in progress when either bit is set.
constexpr DWORD ST_CANCEL_IN_PROGRESS = ST_CANCEL_REQUESTED | ST_CANCEL_SENT;
// The printer is busy (printing, warming up) only when both bits are set.
constexpr DWORD ST_PRINTER_BUSY = ST_BUSY_A | ST_BUSY_B;

// ---- "MyPortMode" bits ----
constexpr DWORD PORT_MODE_DEFAULT = 0x1;
constexpr DWORD PORT_MODE_ECP = 0x2;  // the parallel port writes in ECP mode

constexpr DWORD PORT_SIGNATURE = 0x4F50;
constexpr size_t TAIL_SIZE = 80;
constexpr size_t JOB_TEXT_SIZE = 81;  // 80 characters + NUL
// An incomplete reply kept across reads never grows beyond this: a printer that sends text
// without form feeds must not make the monitor's heap grow without end.
constexpr DWORD SAVED_REPLY_LIMIT = 16384;
// Monitor PJL not yet accepted by the port is bounded the same way.
constexpr DWORD PENDING_OUTPUT_LIMIT = 16384;

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
    DWORD kind;
    ManagerClient* clients;
    ManagerClient* currentClient;
    JobRecord* jobHead;
    JobRecord* jobTail;
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
    BOOL suspendRequest;
    BOOL wakeUpActive;
    BOOL startPolling;
    char jobIdentifier[JOB_TEXT_SIZE];
    BOOL jobEnd;
    BYTE tail[TAIL_SIZE + 1];
    DWORD tailLength;
    LONG scanResult;  // 0 not scanned, 1 PostScript, 2 own "@PJL JOB", -1 neither
    char jobName[JOB_TEXT_SIZE];
    BOOL enterSeen;
    BOOL endDocDone;
    BOOL wroteSinceStart;
    DWORD lastWriteError;
    BOOL lastWriteFailed;
    DWORD owedEjects;
    BOOL usbCarry;
    BYTE usbCarryByte;
    DWORD usbCarryLeft;
    BOOL beginsWithUel;
    BOOL forceTrailerUel;
    BOOL postScriptJob;
    BOOL cancelAcknowledged;
    BOOL underWay;
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
void MonFree(void* block);
LPWSTR MonDupW(LPCWSTR text);
char* MonDupA(const char* text);
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
