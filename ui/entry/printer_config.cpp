// The printer configuration: read from the status manager (with a refresh where the monitor does
// not poll on its own), written back when the user configured the printer by hand, built from
// the settings record for printers that report nothing, and the bidirectional-status flag.
#include "ui/entry/printer_config.h"

#include <cstring>

#include "core/little_endian.h"
#include "core/support.h"
#include "ui/entry/config_devices.h"
#include "ui/entry/held.h"
#include "ui/entry/status_manager.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"
#include "win/user_msg.h"

namespace orla {

namespace {

constexpr DWORD kBinEntrySize = 12;
constexpr DWORD kOptionEntrySize = 8;
constexpr WORD kUnknownForm = 0xFFFF;
constexpr BYTE kPaperNotReported = 0xFF;
constexpr BYTE kBinMarker = 0x0F;
constexpr DWORD kNoValue = 0xFFFFFFFF;
constexpr DWORD kPrinterEnableBidi = 0x800;  // PRINTER_ATTRIBUTE_ENABLE_BIDI

// The names asked for by a refresh, and their byte sizes with the terminator.
constexpr char16_t kExtStatusName[] = u"PrinterExtStatus";
constexpr char16_t kRefreshNames[] = u"PrinterStatus;PrinterExtStatus;PrinterBinConfig;PrinterOptConfig;PrinterMemory";
static_assert(sizeof(kExtStatusName) == 34 && sizeof(kRefreshNames) == 158);

constexpr const char16_t* kSrmValues[] = {u"SRM_PrinterBinConfig", u"SRM_PrinterOptConfig", u"SRM_PrinterMemory"};
constexpr char16_t kPalmInfo[] = u"PALMInfo";

// Entries a table of these bytes may hold: the reported count, cut to the table and the bytes.
DWORD UsableCount(std::span<const BYTE> bytes, DWORD entrySize, DWORD most) {
    if (bytes.size() < 4) return 0;
    DWORD count = ReadLe32(bytes, 0);
    const DWORD room = static_cast<DWORD>((bytes.size() - 4) / entrySize);
    if (count > room) count = room;
    return count < most ? count : most;
}

void PostIfWindow(HWND hwnd, UINT message) {
    if (hwnd) PostMessageW(hwnd, message, 0, 0);
}

// A printer-data value present (probed by its size).
bool HasPrinterValue(HANDLE hPrinter, LPCWSTR name) {
    DWORD type = 0, needed = 0;
    const DWORD rc = GetPrinterDataW(hPrinter, const_cast<LPWSTR>(name), &type, nullptr, 0, &needed);
    return rc == ERROR_MORE_DATA || rc == ERROR_SUCCESS;
}

bool NeedsRefresh(HANDLE hPrinter) {
    for (const char16_t* name : kSrmValues)
        if (!HasPrinterValue(hPrinter, name)) return true;
    return false;
}

void ReadDword(const PrinterConfigRecord* config, LPCWSTR name, DWORD* value) {
    DWORD v = 0, got = 0;
    if (GetStatusVariable(config, name, &v, sizeof(v), &got) == 0 && got == sizeof(v)) *value = v;
}

void ReadExtStatus(PrinterConfigRecord* config) {
    ReadDword(config, kExtStatusName, &config->extStatus);
}

bool RefreshWanted(const PrinterConfigRecord* config) {
    return !(config->extStatus & kConfigNoRefreshNeeded) && !(config->compulsivePolling & kPollingOnItsOwn);
}

// The last step of every acquisition: the tables, memory and polling flag, then the manager
// goes.
void ReadTablesAndRelease(PrinterConfigRecord* config) {
    BYTE bins[kBinTableSize] = {};
    DWORD got = 0;
    if (GetStatusVariable(config, u"PrinterBinConfig", bins, sizeof(bins), &got) == 0)
        ReadBinTable(std::span<const BYTE>(bins, got), config);
    BYTE options[kOptionTableSize] = {};
    if (GetStatusVariable(config, u"PrinterOptConfig", options, sizeof(options), &got) == 0)
        ReadOptionTable(std::span<const BYTE>(options, got), config);
    ReadDword(config, u"PrinterMemory", &config->memory);
    ReadDword(config, u"CompulsivePolling", &config->compulsivePolling);
    ReleaseStatusManager(config);
}

}  // namespace

BOOL ProbePalmInfo(HANDLE hPrinter) {
    DWORD zero = 0;
    SetPrinterDataW(hPrinter, const_cast<LPWSTR>(kPalmInfo), REG_DWORD, reinterpret_cast<LPBYTE>(&zero), sizeof(zero));
    DWORD type = 0, value = 0, needed = 0;
    if (GetPrinterDataW(hPrinter, const_cast<LPWSTR>(kPalmInfo), &type, reinterpret_cast<LPBYTE>(&value), sizeof(value),
                        &needed) != ERROR_SUCCESS)
        return FALSE;
    return (value & 1) ? TRUE : FALSE;
}

// ---- Tables ----

void ReadBinTable(std::span<const BYTE> bytes, PrinterConfigRecord* config) {
    const DWORD count = UsableCount(bytes, kBinEntrySize, kConfigMaxBins);
    config->binCount = count;
    for (DWORD i = 0; i < kConfigMaxBins; ++i) {
        PrinterConfigBin& b = config->bins[i];
        const DWORD at = 4 + i * kBinEntrySize;
        if (i >= count) {
            b = PrinterConfigBin{};
            continue;
        }
        b.bin = ReadLe16(bytes, at);
        b.deviceId = ReadLe16(bytes, at + 2);
        b.form = ReadLe16(bytes, at + 4);
        b.paperState = bytes[at + 6];
        b.marker = bytes[at + 7];
        b.reserved = ReadLe32(bytes, at + 8);
    }
}

void ReadOptionTable(std::span<const BYTE> bytes, PrinterConfigRecord* config) {
    const DWORD count = UsableCount(bytes, kOptionEntrySize, kConfigMaxOptions);
    config->optionCount = count;
    for (DWORD i = 0; i < kConfigMaxOptions; ++i) {
        PrinterConfigOption& o = config->options[i];
        const DWORD at = 4 + i * kOptionEntrySize;
        if (i >= count) {
            o = PrinterConfigOption{};
            continue;
        }
        o.option = ReadLe16(bytes, at);
        o.value = ReadLe16(bytes, at + 2);
        o.reserved = ReadLe32(bytes, at + 4);
    }
}

DWORD WriteBinTable(const PrinterConfigRecord& config, std::span<BYTE, kBinTableSize> out) {
    std::memset(out.data(), 0, out.size());
    const DWORD count = BinEntries(config);
    WriteLe32(out, 0, count);
    for (DWORD i = 0; i < count; ++i) {
        const PrinterConfigBin& b = config.bins[i];
        const DWORD at = 4 + i * kBinEntrySize;
        WriteLe16(out, at, b.bin);
        WriteLe16(out, at + 2, b.deviceId);
        WriteLe16(out, at + 4, b.form);
        out[at + 6] = b.paperState;
        out[at + 7] = b.marker;
        WriteLe32(out, at + 8, b.reserved);
    }
    return 4 + count * kBinEntrySize;
}

DWORD WriteOptionTable(const PrinterConfigRecord& config, std::span<BYTE, kOptionTableSize> out) {
    std::memset(out.data(), 0, out.size());
    const DWORD count = OptionEntries(config);
    WriteLe32(out, 0, count);
    for (DWORD i = 0; i < count; ++i) {
        const PrinterConfigOption& o = config.options[i];
        const DWORD at = 4 + i * kOptionEntrySize;
        WriteLe16(out, at, o.option);
        WriteLe16(out, at + 2, o.value);
        WriteLe32(out, at + 4, o.reserved);
    }
    return 4 + count * kOptionEntrySize;
}

// ---- Reading from the status manager ----

LONG AcquirePrinterConfig(PrinterConfigRecord* config, HANDLE hPrinter, HWND hwnd) {
    if (!config) return 0;
    // The second call after the manager's reply collects the refresh.
    if (config->pendingRequest) {
        LONG result = 0;
        CollectRefresh(config, config->pendingRequest, &result);
        config->pendingRequest = 0;
        ReadExtStatus(config);
        ReadTablesAndRelease(config);
        return result;
    }

    GlobalHeld<BYTE> info(GetPrinterInfoAlloc(hPrinter, 2));
    const PRINTER_INFO_2W* pi = reinterpret_cast<const PRINTER_INFO_2W*>(info.get());
    if (!pi || !pi->pPrinterName) {
        PostIfWindow(hwnd, kMsgNoStatusManager);
        return 0;
    }
    const bool refresh = NeedsRefresh(hPrinter);
    const DWORD mode = hwnd || refresh ? kManagerModeWaiting : kManagerModeRead;
    if (!BindStatusManager(config) || !OpenStatusManager(config, pi->pPrinterName, mode)) {
        PostIfWindow(hwnd, kMsgNoStatusManager);
        return 0;
    }

    ReadExtStatus(config);
    ReadDword(config, u"CompulsivePolling", &config->compulsivePolling);
    if (RefreshWanted(config)) {
        RequestRefreshDirect(config, kExtStatusName, sizeof(kExtStatusName));
        ReadExtStatus(config);
    }
    if ((config->extStatus & kConfigFromPrinter) && RefreshWanted(config)) {
        if (hwnd) {
            if (RequestRefreshByMessage(config, kRefreshNames, sizeof(kRefreshNames), hwnd, kMsgConfigReply) != 0) {
                config->pendingRequest = 0;
                PostMessageW(hwnd, kMsgConfigRefused, 0, 0);
            }
        } else if (refresh) {
            RequestRefreshDirect(config, kRefreshNames, sizeof(kRefreshNames));
            ReadExtStatus(config);
        }
        // The manager stays bound until its reply comes.
        if (config->pendingRequest) return 0;
    }
    ReadTablesAndRelease(config);
    return 0;
}

// ---- Writing the manual configuration ----

void UpdatePrinterConfig(const PrinterConfigRecord* config, HANDLE hPrinter) {
    if (!config || (config->extStatus & kConfigFromPrinter)) return;
    GlobalHeld<BYTE> info(GetPrinterInfoAlloc(hPrinter, 2));
    const PRINTER_INFO_2W* pi = reinterpret_cast<const PRINTER_INFO_2W*>(info.get());
    if (!pi || !pi->pPrinterName) return;
    StatusWriter writer;
    if (!OpenStatusWriter(&writer, pi->pPrinterName)) return;
    BYTE bins[kBinTableSize];
    BYTE options[kOptionTableSize];
    WriteStatusVariable(&writer, u"PrinterMemory", &config->memory, sizeof(DWORD));
    WriteStatusVariable(&writer, u"PrinterBinConfig", bins, WriteBinTable(*config, bins));
    WriteStatusVariable(&writer, u"PrinterOptConfig", options, WriteOptionTable(*config, options));
    WriteStatusVariable(&writer, u"FaceUpTrayInfo", &config->faceUpTray, sizeof(DWORD));
    CloseStatusWriter(&writer);
}

void UpdatePalmFlag(DriverDevmode* devmode, const PrinterConfigRecord* config, HANDLE hPrinter) {
    if (!devmode || !config) return;
    bool reported = (config->extStatus & kConfigFromPrinter) != 0;
    if (!reported) {
        GlobalHeld<BYTE> info(GetPrinterInfoAlloc(hPrinter, 2));
        const PRINTER_INFO_2W* pi = reinterpret_cast<const PRINTER_INFO_2W*>(info.get());
        if (!pi) return;  // nothing known: the flag stays
        reported = (pi->Attributes & kPrinterEnableBidi) && ProbePalmInfo(hPrinter);
    }
    const DWORD flags = Get(*devmode, dm::Flags2);
    Set(*devmode, dm::Flags2, reported ? flags | kFlags2NoMemoryRule : flags & ~kFlags2NoMemoryRule);
}

// ---- The configuration of a printer that reports none ----

void BuildTrayTableFromOptions(const DriverDevmode* devmode, PrinterConfigRecord* config) {
    if (!devmode || !config || (config->extStatus & kConfigFromPrinter)) return;
    const DriverDevmode& r = *devmode;
    config->memory = Get(r, dm::MemoryKb);
    DWORD bins = 0;
    for (const ConfigDevice& d : kBinDevicesInTableOrder) {
        // Nine possible trays, eight places: the last one installed does not fit.
        if (!DeviceInstalled(r, d.pair) || bins == kConfigMaxBins) continue;
        config->bins[bins++] = {d.number, Get(r, dm::DeviceChoice(d.pair)), kUnknownForm, kPaperNotReported, kBinMarker,
                                kNoValue};
    }
    config->binCount = bins;
    DWORD options = 0;
    for (const ConfigDevice& d : kOptionDevices) {
        if (!DeviceInstalled(r, d.pair) || options == kConfigMaxOptions) continue;
        config->options[options++] = {d.number, Get(r, dm::DeviceChoice(d.pair)), kNoValue};
    }
    config->optionCount = options;
    const bool stacker = DeviceInstalled(r, dm::kLcs);
    config->outputTrayCount = stacker ? 2 : 1;
    for (WORD tray = 1; tray <= 2; ++tray) {
        WORD* entry = config->outputTrays[tray - 1];
        const bool used = tray == 1 || stacker;
        entry[0] = entry[1] = used ? tray : 0;
        entry[2] = entry[3] = used ? 0xFFFF : 0;
    }
    config->faceUpTray = Get(r, dm::FaceUpTray);
}

}  // namespace orla
