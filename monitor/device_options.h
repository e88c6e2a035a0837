// What the printer told about itself (model, memory, options, trays), kept per port and handed
// out through the "LM_" port queries (device_queries.h).
#pragma once

#include <cstddef>

#include "win/base.h"

struct PortRecord;

constexpr DWORD kDeviceTrayMax = 5;  // the status block carries five tray words
constexpr DWORD kTrayRecordSize = 32;
constexpr DWORD kDeviceModelSize = 32;

// The values behind the device options, in the order the options hand them out (native DWORDs).
struct DeviceData {
    char model[kDeviceModelSize];
    DWORD memoryKByte;
    DWORD memoryMByte;
    WORD ramDisk;
    WORD duplexUnit;
    DWORD trayCount;
    BYTE trays[kDeviceTrayMax * kTrayRecordSize];  // follows the count: "LM_InputTray" is both
};
static_assert(offsetof(DeviceData, memoryKByte) == 32);
static_assert(offsetof(DeviceData, ramDisk) == 40);
static_assert(offsetof(DeviceData, duplexUnit) == 42);
static_assert(offsetof(DeviceData, trays) == offsetof(DeviceData, trayCount) + 4);
static_assert(sizeof(DeviceData) == 48 + kDeviceTrayMax * kTrayRecordSize);

// One row of the device-option table; a row with size 0 ends it.
struct DeviceOption {
    const char* name;
    const void* value;
    LONG size;  // -1: no value yet
};
constexpr DWORD kDeviceOptionRows = 7;
constexpr LONG kInputTrayInitialSize = 100;

// Per-port state of this file and of the status-block decoder.
struct DeviceState {
    DeviceData data;
    DeviceOption options[kDeviceOptionRows + 1];
    BOOL optionsReady;
    DWORD getTime;          // tick of the last status-block decode ("GetTime")
    BYTE bufferBlockKB;     // the printer's input buffer: block size in KB ...
    BYTE bufferBlocksFree;  // ... and blocks free, from the last status block
    BOOL busyRefresh;       // the panel shows a code that a named refresh must not disturb
    BOOL jobEndWatch;       // set at EndDocPort: the next job-finished report releases the queue
    BOOL skipMark;          // set with the watch flag; the first report after it is skipped
    DWORD finishedReports;  // job-finished reports in a row while records wait and no job is open
};

// Fills the port's option table (once); every routine below calls it first.
void InitDeviceOptions(PortRecord* port);
// "GetTime" = now; the other rows point at the device data; "LM_InputTray" covers the trays.
void RefreshDeviceOptions(PortRecord* port);
// TRUE when "GetTime" was never set, is 1,000 ms old or more, or the tick count wrapped.
BOOL IsOptionRefreshDue(PortRecord* port);
// Row by name (compared as text in the system code page). With an out buffer and a non-zero
// size copies min(size, row size) bytes; with size 0 only reports the row size. FALSE: no row,
// or a row without a value yet.
BOOL GetDeviceOptionValue(PortRecord* port, LPCWSTR name, BYTE* out, DWORD outSize, DWORD* returned);
