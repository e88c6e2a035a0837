// Who prints a job: the job owner record the interface DLL hands the graphics DLL by escape 9998,
// with the owner string and host address that the outside owner-string library encodes.
#pragma once

#include <cstddef>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "win/base.h"

namespace orla {

// All texts in the system code page, NUL-terminated, the record zero-filled before it is built.
struct JobOwnerRecord {
    char documentName[65];  // double quotes replaced by blanks
    char userName[21];      // GetUserNameA, at most 20 characters
    char computerName[16];  // GetComputerNameA, at most 15 characters
    char ownerString[129];  // "%02X" of the library's output bytes from the seventh on
    char hostAddress[97];   // from the library
};
static_assert(sizeof(JobOwnerRecord) == 328);
static_assert(offsetof(JobOwnerRecord, userName) == 65 && offsetof(JobOwnerRecord, computerName) == 86 &&
              offsetof(JobOwnerRecord, ownerString) == 102 && offsetof(JobOwnerRecord, hostAddress) == 231);

// Every single-byte '"' becomes ' '; double-byte characters (lead and trail byte) are kept.
void ReplaceQuotesDbcs(char* text);

// The owner string's inputs: the tray code of the input slot the settings choose (by the slot's
// name in the device data: FEEDER1 1, FEEDER2 2, FEEDER3 6, FEEDER4 7, FEEDER5, MSF and MP 11,
// MANUAL 8, any other 0; the default slot when none has the chosen id), and pages per sheet (the
// layout mode, 2 for the two-pages-as-one forms).
WORD OwnerTrayCode(const CompiledDeviceData* deviceData, SHORT defaultSource);
WORD OwnerPagesPerSheet(const DriverDevmode& record);

// Fills the record for a job (jobId 0: no job, no document name) of the printer with the given
// settings. Failures of the outside library leave its fields empty. TRUE.
BOOL BuildJobOwnerRecord(HANDLE hPrinter, DWORD jobId, const DriverDevmode* devmode, JobOwnerRecord* record);

}  // namespace orla
