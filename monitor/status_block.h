// The 48-byte status block that the printer carries in its device ID ("STS:"), and its
// translation into status variables, device data and the printer status.
#pragma once

#include <string_view>

#include "monitor/port_record.h"

constexpr DWORD kStatusBlockSize = 48;
constexpr DWORD kStatusBlockText = 64;  // Base64 characters

// Exactly 64 characters of standard Base64 ('=' counts as 0); FALSE for anything else.
BOOL DecodeStatusBlock(std::string_view text, BYTE out[kStatusBlockSize]);
// Stores what the block says; TRUE when any variable changed.
BOOL DispatchStatusBlock(const BYTE block[kStatusBlockSize], PortRecord* port);

// The printer's status code (group in bits 8-15, index in bits 0-7) as a display code.
DWORD DisplayCodeFromStatus(DWORD statusCode, DWORD spoolerStatus);
// Lowers the display code to a condition code when that is lower (18 also gives way to 16 or 19).
void LowerDisplayCode(DWORD* code, DWORD condition);
struct DisplayStatus {
    DWORD icon;
    DWORD status[3];
};
// "IconState" and "PrinterStatus" of a display code; the table follows "SPOOLERSTATUS" bit 2.
DisplayStatus PrinterStatusFromDisplay(DWORD displayCode, DWORD spoolerStatus);

// Tells the spooler that every queued job's last page is out (records stay), and publishes an
// empty printer queue and the first job's end.
void ReleaseQueuedJobs(PortRecord* port);
