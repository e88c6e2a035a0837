// The hand-off of a job to the outside document-monitor program through its API library (entry
// points "Mev..."), found by the registry, bound per monitor handle, and the records passed to it.
#pragma once

#include <cstddef>
#include <string>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "ui/entry/job_owner.h"
#include "win/base.h"

namespace orla {

typedef ULONG_PTR MevHandle;

// Where the monitor program and its API library are named (default value: the program, which
// must exist; "MevApi": the library).
inline constexpr char kMonitorRegistryKey[] = "SOFTWARE\\Korvel\\Pallidor\\Client\\Rellwatch";
inline constexpr char kMonitorApiValue[] = "MevApi";

// Answers of the hand-off steps.
enum MonitorAnswer : int {
    kMonitorDone = 1,
    kMonitorFailed = 3,
    kMonitorTextTooLong = 5,
    kMonitorMissingArgument = 6,
    kMonitorUnknownKind = 7,
};

// What a hand-off describes. Kind 0 carries the stacker text, kind 1 the two short texts.
struct MonitorJobDescription {
    WORD kind = 0;
    DWORD value = 0;
    WORD shortValue = 0;
    std::string portName;      // under 260 bytes
    std::string documentName;  // under 260
    std::string stackerText;   // under 80 (kind 0)
    std::string printerName;   // under 256
    std::string userName;      // under 64
    std::string text1, text2;  // under 32 each (kind 1)
};

// The data handed to the API, as its library reads it. Offsets are fixed; the pointer that ends
// the job block and the older header takes 8 bytes on 64-bit Windows, so the job block is 604
// bytes there (its size field says so) and the older layout's destinations follow at 536.
#pragma pack(push, 4)
struct MevDestination {
    DWORD size;  // 812
    DWORD shortValue;
    DWORD zero;
    char portName[260];
    char jobId[64];
    char documentName[260];
    char text1[32];
    char text2[32];
    DWORD value;  // kind 0: the description's value; kind 1: 0
    BYTE reserved[68];
    char stackerText[80];
};
struct MevJobBlock {
    DWORD size;
    DWORD destinationCount;  // 1
    DWORD jobKind;           // 3
    DWORD mode;              // 11
    char portName[260];
    char printerName[256];
    char userName[64];
    MevDestination* destinations;
};
struct MevLegacyHeader {
    DWORD destinationCount;
    DWORD kindFlag;  // 2 for job kind 3, else 0
    DWORD mode;      // the job block's fourth DWORD
    char portName[260];
    char printerName[256];
    BYTE* destinations;  // the 660-byte entries that follow this header
};
#pragma pack(pop)
static_assert(sizeof(MevDestination) == 812 && offsetof(MevDestination, jobId) == 272 &&
              offsetof(MevDestination, documentName) == 336 && offsetof(MevDestination, text1) == 596 &&
              offsetof(MevDestination, value) == 660 && offsetof(MevDestination, stackerText) == 732);
static_assert(offsetof(MevJobBlock, portName) == 16 && offsetof(MevJobBlock, printerName) == 276 &&
              offsetof(MevJobBlock, userName) == 532 && offsetof(MevJobBlock, destinations) == 596);
static_assert(offsetof(MevLegacyHeader, portName) == 12 && offsetof(MevLegacyHeader, destinations) == 528);
inline constexpr DWORD kMevLegacyDestinationSize = 660;

// The API library's binding: loaded and bound by InitializeJobMonitor, released when its use
// count returns to 0.
MevHandle InitializeJobMonitor(DWORD reserved);
int UninitializeJobMonitor(MevHandle monitor);
BOOL IsMonitorAvailable();
int MonitorExecuteAndRelease(MevHandle monitor);
int MonitorReleaseOnly(MevHandle monitor);
BOOL SetMonitorJobData(MevHandle monitor, const MevJobBlock* data);
int MonitorCreateClientId(MevHandle monitor, char* buffer);
int MonitorExecute(MevHandle monitor);

// One hand-off: 1 done (*pHandle holds the monitor handle to close later), or 3, 5, 6, 7.
int SubmitMonitorJob(MevHandle* pHandle, char* idOut, const MonitorJobDescription& job);

// What the silent start of a job keeps for the hand-off.
struct MonitorHandoff {
    MevHandle monitor = 0;
    BOOL handleFlag = FALSE;
    HANDLE hPrinter = nullptr;
    const CompiledDeviceData* deviceData = nullptr;
    DriverDevmode devmode{};
    char monitorJobId[64] = {};
    JobOwnerRecord owner{};
};

void BuildMonitorJobRecord(const MonitorHandoff& handoff, MonitorJobDescription* job);
int SubmitJobToMonitor(MonitorHandoff* handoff, char* idOut);
int EndMonitorHandle(MonitorHandoff* handoff);
int CloseMonitorHandle(MonitorHandoff* handoff);
// Forgets the monitor handle and its flag (before a hand-off and after it is closed).
void ClearMonitorHandle(MonitorHandoff* handoff);

}  // namespace orla
