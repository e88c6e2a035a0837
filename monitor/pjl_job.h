// The monitor's PJL job control: the scan of a job's first bytes, the job identifier strings,
// and the exact bytes of the monitor's job header and trailer.
#pragma once

#include <string_view>

#include "monitor/port_record.h"

// ESC %-12345X: the Universal Exit Language.
inline constexpr std::string_view kUel = "\x1b%-12345X";
constexpr size_t kPjlHeaderSize = 1024;

struct PjlJobRequest {
    BOOL wantStatusLines;
    BOOL wantJobLine;
    BOOL wantJobName;
    char name[84];
    BOOL wantUserName;
    BOOL copiesGiven;
    LONG qty;
    LONG copies;
};

struct PjlOptions {
    DWORD ustatusDevice;
    DWORD ustatusJob;
    DWORD ustatusPage;
    DWORD infoStatus;
    DWORD job;
    DWORD name;
    DWORD user;
    DWORD rdymsg;
    LONG qty;
    LONG copies;
    DWORD ustatusOff;
};

// Returns 0 when the job was already scanned (PostScript or own "@PJL JOB"), else 1.
int ScanJobDataForPjl(PortRecord* port, const BYTE* data, DWORD length);
void ResetStreamScan(PortRecord* port);
// 24 upper-case hexadecimal digits and a NUL.
void MakeJobClientId(char out[25]);
// 24 to 32 upper-case hexadecimal digits and a NUL.
void MakeGuidString(char out[33]);
// The CRC-16/ARC of a computer name (what the job client ID carries).
WORD NameChecksum(std::string_view text);

void FillPjlOptions(const PjlJobRequest& request, PjlOptions* options, const PortRecord* port);
// Both write NUL-terminated text into out (capacity bytes) and return its length (no NUL);
// 0 when nothing is to be sent or the text would not fit.
DWORD BuildPjlJobHeader(char* out, DWORD capacity, const PjlJobRequest& request, const PortRecord* port);
DWORD BuildPjlJobTrailer(char* out, DWORD capacity, const PjlJobRequest& request, const PortRecord* port);
// The header for a bidirectional port without a bound status-manager client.
DWORD BuildMinimalHeader(char* out, DWORD capacity, const PortRecord* port);
// Its end at EndDocPort: UEL, "@PJL EOJ NAME=" with the job identifier string, UEL.
DWORD BuildMinimalTrailer(char* out, DWORD capacity, const PortRecord* port);
// The header option bit of the port's current client (ENTER LANGUAGE line, trailer UEL).
BOOL ClientHeaderOption(const PortRecord* port);
