// The printer configuration the UI keeps per printer: installed trays and options, memory and the
// status-manager binding, as the status variables of the printer report them.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "core/settings_resolver.h"
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

// extStatus bits ("PrinterExtStatus").
inline constexpr DWORD kConfigFromPrinter = 0x4;
inline constexpr DWORD kConfigTrayContentsHidden = 0x8;
inline constexpr DWORD kConfigNoRefreshNeeded = 0x10;
inline constexpr DWORD kPollingOnItsOwn = 0x1;  // compulsivePolling bit 0

inline constexpr DWORD kConfigMaxBins = 8;
inline constexpr DWORD kConfigMaxOptions = 10;
inline constexpr DWORD kBinTableSize = 4 + 12 * kConfigMaxBins;       // 100 bytes
inline constexpr DWORD kOptionTableSize = 4 + 8 * kConfigMaxOptions;  // 84 bytes

// Messages a waiting window gets: the manager's reply to an asynchronous refresh, a refused
// request, no status manager at all.
inline constexpr UINT kMsgConfigReply = 1124;
inline constexpr UINT kMsgConfigRefused = 1125;
inline constexpr UINT kMsgNoStatusManager = 1126;

// Bin and option numbers of the tables.
inline constexpr WORD kBinMsf = 1001;
inline constexpr WORD kBinManual = 2001;
inline constexpr WORD kBinEnvelope = 3001;
inline constexpr WORD kBinMultiPurpose = 4001;
inline constexpr WORD kOptionDuplex = 1;
inline constexpr WORD kOptionLcs = 5003;

// The tables as the status variables carry them (explicit offsets, little-endian). Reading keeps
// at most kConfigMaxBins / kConfigMaxOptions entries and never more than the bytes hold, whatever
// count the manager reports; writing answers the bytes used (count x 12 + 4, count x 8 + 4).
void ReadBinTable(std::span<const BYTE> bytes, PrinterConfigRecord* config);
void ReadOptionTable(std::span<const BYTE> bytes, PrinterConfigRecord* config);
DWORD WriteBinTable(const PrinterConfigRecord& config, std::span<BYTE, kBinTableSize> out);
DWORD WriteOptionTable(const PrinterConfigRecord& config, std::span<BYTE, kOptionTableSize> out);
// Entries of the record that may be walked (counts beyond the tables are cut).
inline DWORD BinEntries(const PrinterConfigRecord& c) {
    return c.binCount < kConfigMaxBins ? c.binCount : kConfigMaxBins;
}
inline DWORD OptionEntries(const PrinterConfigRecord& c) {
    return c.optionCount < kConfigMaxOptions ? c.optionCount : kConfigMaxOptions;
}
inline DWORD OutputTrayEntries(const PrinterConfigRecord& c) {
    return c.outputTrayCount < 2 ? c.outputTrayCount : 2;
}

// Reads the configuration from the status manager, asking it to refresh first where needed.
// With a window the refresh may be asynchronous: the manager then stays bound until the reply
// (kMsgConfigReply) and a second call collects it. Answers the refresh result (0 normally).
LONG AcquirePrinterConfig(PrinterConfigRecord* config, HANDLE hPrinter, HWND hwnd);
// Writes the manual configuration (not one read from the printer) as status variables.
void UpdatePrinterConfig(const PrinterConfigRecord* config, HANDLE hPrinter);
// Sets or clears the bidirectional-status flag of the record (flags2 bit 0x20000).
void UpdatePalmFlag(DriverDevmode* devmode, const PrinterConfigRecord* config, HANDLE hPrinter);
// Configuration read from the printer into the record's installed devices, then the "DsDriver"
// values. Needs the printer's resource DLL; without it nothing happens.
void ApplyConfigAndPublish(DriverDevmode* devmode, const PrinterConfigRecord* config, HANDLE hPrinter,
                           const CompiledDeviceData* data);
// The configuration of a printer that reports none, from the record's installed devices.
void BuildTrayTableFromOptions(const DriverDevmode* devmode, PrinterConfigRecord* config);
// Appends " (paper)" to a tray name of capacity cchTrayName (terminator included) when the
// printer reports the tray's contents; TRUE when the tray is one of the configuration's bins.
// A text that would not fit is not appended.
BOOL AppendTrayPaperText(const PrinterConfigRecord* config, HMODULE hResDll, LPWSTR trayName, size_t cchTrayName);

// What the resolver reads of the configuration.
inline ResolverConfig ResolverConfigOf(const PrinterConfigRecord& config) {
    return {config.extStatus, 0};
}
// A device pair both present in the description's terms and installed (state bits 0x1, 0x8).
inline bool DevicePairReady(const DriverDevmode& record, unsigned pair) {
    constexpr WORD kReady = 0x1 | dm::kDeviceInstalled;
    return (Get(record, dm::DeviceState(pair)) & kReady) == kReady;
}
// Names of the forms loaded in the trays of a configuration read from the printer, each once in
// the order of the trays (not the multi-sheet feeder or manual slot, nor empty or unknown
// contents); empty for any other configuration.
std::vector<std::u16string> ReadyMediaNames(const PrinterConfigRecord& config, HANDLE hPrinter);
// Writes "PALMInfo" = 0 to the printer data and reads it back: bit 0 tells that the printer
// reports its status.
BOOL ProbePalmInfo(HANDLE hPrinter);

}  // namespace orla
