// The printer configuration the UI keeps per printer: installed trays and options, memory and the
// status-manager binding, as the status variables of the printer report them.
#pragma once

#include "win/base.h"

namespace orla {

struct PrinterConfigBin {
    WORD bin;  // 1 to 5 Feeder1 to Feeder5, 1001 MSF, 2001 Manual, 3001 ENV, 4001 MP
    WORD deviceId;
    WORD form;        // position in the spooler's form list, 0xFFFF unknown
    BYTE paperState;  // 0 empty, 25, 50, 100, 254 present, 253 unknown, 0xFF not reported
    BYTE marker;      // 0x0F
    DWORD reserved;   // 0xFFFFFFFF
};

struct PrinterConfigOption {
    WORD option;  // 1 Duplex, 1001 Sorter, 2001 Plotter, 3001 NIC, 4001 RCC, 5001 FIN1, 5002 FIN2, 5003 LCS, 7001 HDD
    WORD value;
    DWORD reserved;
};

struct PrinterConfigRecord {
    DWORD reserved[3];
    DWORD extStatus;  // 0x4 from the printer, 0x8 no tray contents in names, 0x10 no refresh needed
    DWORD binCount;   // at most 8
    PrinterConfigBin bins[8];
    DWORD optionCount;  // at most 10
    PrinterConfigOption options[10];
    DWORD outputTrayCount;  // 1 or 2
    WORD outputTrays[2][4];
    DWORD faceUpTray;
    DWORD memory;
    DWORD compulsivePolling;  // bit 0: the monitor polls on its own
    HMODULE hStatusLib;
    HANDLE hManager;
    DWORD pendingRequest;
    FARPROC statusEntryPoints[6];
};

}  // namespace orla
