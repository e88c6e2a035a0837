// The interface DLL's printer-data values: which value mirrors which field of the settings record,
// reading them into a record, storing a record back (only what changed), the account values
// (printer data or the per-user key), the driver's forms and the halftone defaults.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "win/base.h"

namespace orla {

struct UiContext;

// ---- Account values ----
inline constexpr DWORD kAccountUserIdBytes = 66;
inline constexpr DWORD kAccountPasswordBytes = 26;

// One saved set of account values (kept twice in the UI context).
struct AccountBlock {
    DWORD flags;
    WCHAR userId[33];
    WCHAR password[13];
};
static_assert(sizeof(AccountBlock::userId) == kAccountUserIdBytes);
static_assert(sizeof(AccountBlock::password) == kAccountPasswordBytes);
// Flags 0x01E00000 and empty texts: what a block holds before anything was read.
void ResetAccountBlock(AccountBlock* block);

// ---- Value table ----
// An installed device or option: stored as (state << 16) | id of its pair in the record.
struct DevicePairValue {
    const char16_t* name;
    unsigned offset;
};

// In the order they are read and stored.
inline constexpr DevicePairValue kDevicePairValues[] = {
    {u"DEV_Feeder1", 628}, {u"DEV_Feeder2", 632}, {u"DEV_Feeder3", 636}, {u"DEV_Feeder4", 640}, {u"DEV_Feeder5", 644},
    {u"DEV_MP", 700},      {u"DEV_MSF", 648},     {u"DEV_Manual", 652},  {u"DEV_ENV", 656},     {u"DEV_Duplex", 660},
    {u"DEV_Sorter", 664},  {u"DEV_Plotter", 668}, {u"DEV_NIC", 672},     {u"DEV_RCC", 676},     {u"DEV_FIN1", 680},
    {u"DEV_FIN2", 684},    {u"DEV_LCS", 688},     {u"DEV_FUT", 692},     {u"DEV_HDD", 696},
};

// ---- Low-level reads (a value of the wrong type or size counts as unreadable) ----
// A REG_DWORD of exactly 4 bytes.
std::optional<DWORD> ReadPrinterDword(HANDLE hPrinter, LPCWSTR name);
// A REG_BINARY of at most out.size() bytes, copied into out (zero-filled first), its size in *read
// when asked. FALSE, with out untouched, when missing, of another type or longer than out.
BOOL ReadPrinterBinary(HANDLE hPrinter, LPCWSTR name, std::span<BYTE> out, DWORD* read = nullptr);
// Writes a REG_DWORD when nothing readable is stored or the stored value differs; TRUE when the
// stored value now equals value.
BOOL StorePrinterDwordIfChanged(HANDLE hPrinter, LPCWSTR name, DWORD value);

// ---- Settings record <-> printer data ----
void ReadPrinterDataSettings(UiContext* context, DriverDevmode* devmode, HANDLE hPrinter);
void StorePrinterDataSettings(UiContext* context, const DriverDevmode* devmode, HANDLE hPrinter,
                              const CompiledDeviceData* deviceData);

void ReadAccountSettings(DriverDevmode* devmode, HANDLE hPrinter);
void WriteAccountSettings(const DriverDevmode* devmode, HANDLE hPrinter);
void ReadAccountSettingsToContext(UiContext* context, HANDLE hPrinter);
void WriteAccountSettingsFromContext(const UiContext* context, HANDLE hPrinter);
void RestoreAccountBlock(UiContext* context);
void SaveAccountBlock(UiContext* context);

// The per-user account key: "Software\QEV\STAMP\<printer name>" with a leading "\\" removed;
// empty when the printer name cannot be read.
std::u16string AccountKeyPath(HANDLE hPrinter);

// ---- Forms ----
BOOL AddDriverForms(HANDLE hPrinter, const CompiledDeviceData* deviceData);
BOOL RemoveDriverForms(HANDLE hPrinter, const CompiledDeviceData* deviceData);

// ---- Halftone defaults ----
inline constexpr DWORD kHalftoneBlockSize = 132;      // DEVHTINFO: 33 DWORDs
inline constexpr DWORD kHalftonePatternFallback = 7;  // the template's own pattern size
// GDI's HT_PATSIZE_ value of a pattern-size name; kHalftonePatternFallback for an unknown name.
DWORD HalftonePatternSizeByName(std::u16string_view name);
std::array<BYTE, kHalftoneBlockSize> BuildHalftoneBlock(DWORD patternSize, LONG gamma);
// "DAT_CurDevHTInfo<dpi>" for the resolutions that get a halftone value, else null.
const char16_t* HalftoneValueName(LONG dpi);

// ---- Tables from the interface DLL's resources ----
// The interface DLL's own module (its resources hold the default tables); set by its entry point.
void SetInterfaceModule(HMODULE hModule);
HMODULE GetInterfaceModule(void);
// A resource without its trailing zero padding: cut to the last non-zero byte plus 4, made even
// (never longer than the resource).
std::span<const BYTE> TrimResourcePadding(std::span<const BYTE> resource);

}  // namespace orla
