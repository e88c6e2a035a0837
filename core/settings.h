// Building the settings record: model defaults, merging incoming DEVMODEs, the forms the driver
// accepts, and copying DEVMODEs between versions (the core of DrvConvertDevMode).
#pragma once

#include <span>
#include <string_view>

#include "core/build_variant.h"
#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "win/base.h"
#include "win/devmode.h"
#include "win/spool.h"

namespace orla {

// One installable device or option in the record: {state, choice}; state bit 3 = installed.
struct DevicePair {
    WORD state;
    WORD choice;
};

// ---- Defaults ----
// Fills the whole record with the model's defaults. The resource DLL that names the devices is
// found through hPrinter2 when given, else through hPrinter.
// Previous-value fields (704 to 780) from the record's public fields; 780 becomes 600.
void RefreshPreviousValues(DriverDevmode& record);
void SetDefaultDevmode(DriverDevmode* record, HANDLE hPrinter, HANDLE hPrinter2, const CompiledDeviceData* data);
// The description's default form; without one its first portrait form, else A4.
FormEntry DescriptionDefaultForm(const CompiledDeviceData* data);
// Fill one pair from the input-device or option-device list; an unknown name leaves it unchanged.
void LookupInputDeviceSetting(DevicePair* pair, const WORD* preferredChoice, std::u16string_view deviceName,
                              const CompiledDeviceData* data);
void LookupOptionDeviceSetting(DevicePair* pair, const WORD* preferredChoice, std::u16string_view deviceName,
                               const CompiledDeviceData* data);
// Windows NT major version (5 or more), else 0.
DWORD GetNtMajorVersion(void);
// TRUE after Windows 2000 (5.1 and later).
BOOL IsOsAfterNt50(void);

// ---- Usable forms ----
// Printable form limits in micrometres (inclusive).
inline constexpr LONG kFormMinWidth = 75000;
inline constexpr LONG kFormMaxWidth = 594000;
inline constexpr LONG kFormMinLength = 75000;     // "*Version" 4 or more
inline constexpr LONG kFormMinLengthOld = 98000;  // earlier descriptions
inline constexpr LONG kFormMaxLength = 840000;
inline constexpr LONG kLongPaperWidth = 297000;
inline constexpr LONG kLongPaperLength = 900000;

// TRUE when a spooler form is one the printer can take under the given "*Version".
BOOL IsPrintableForm(const FORM_INFO_1W& form, LONG descriptionVersion);
// The spooler's forms (level 1, spooler order) with every form the printer cannot take blanked in
// place; a global block the caller frees with GlobalFree, or null. "*Version" is read from the
// caller's own device data.
FORM_INFO_1W* EnumUsableForms(HANDLE hPrinter, DWORD* count, const CompiledDeviceData* data);
// The same for a forms block already in hand (blanks in place).
void BlankUnusableForms(FORM_INFO_1W* forms, DWORD count, LONG descriptionVersion);
// 1-based position of the first form with exactly this name (blanked forms never match); 0 if none.
DWORD FindUsableForm(const FORM_INFO_1W* forms, DWORD count, std::u16string_view name);

// ---- Merge ----
// Defaults, then the printer's default DEVMODE, then the caller's DEVMODE.
void BuildEffectiveSettings(DriverDevmode* record, const DEVMODEW* callerDevmode, HANDLE hPrinter, HANDLE hPrinter2,
                            const CompiledDeviceData* data);
// Merges an incoming DEVMODE (dmSize + dmDriverExtra bytes) into the record; null changes nothing.
void MergeDevmode(DriverDevmode* record, const DEVMODEW* incoming, HANDLE hPrinter, const CompiledDeviceData* data);
// The same on bytes of known length: nothing past min(length, dmSize + dmDriverExtra) is read.
void MergeDevmodeBytes(DriverDevmode* record, std::span<const BYTE> incoming, HANDLE hPrinter,
                       const CompiledDeviceData* data);
// The merge against a forms list already in hand (forms may be null: paper is then kept).
void MergeDevmodeWithForms(DriverDevmode* record, std::span<const BYTE> incoming, const FORM_INFO_1W* forms,
                           DWORD formCount, const CompiledDeviceData* data);
// After a private part from outside was taken over: every text field ends inside its field and
// every value used as an index lies in its range.
void SanitizePrivatePart(DriverDevmode* record, DWORD formCount);

// ---- Versions and copies ----
struct DevmodeVersionInfo {
    WORD driverVersion;
    WORD privateSize;
    WORD driverVersion351;
    WORD privateSize351;
};
inline constexpr DevmodeVersionInfo kDevmodeVersionInfo{kDevmodeDriverVersion, kPrivateDevmodeSize,
                                                        kDevmodeDriverVersion351, kDevmodePrivateSize351};
inline constexpr WORD kPublicSize351 = 188;

// dmSpecVersion by public size (188: 0x0320, 212: 0x0400, 220: 0x0401; else its own); 0 for null.
WORD GetDevmodeSpecVersion(const DEVMODEW* devmode);
// Copies public and private parts (each the smaller of the two) keeping the target's version and
// size fields; bytes copied, or -1 when either has dmSpecVersion 0.
LONG CopyDevmodeParts(const DEVMODEW* source, DEVMODEW* target);
// The same with both buffers bounded: source holds sourceBytes, target targetBytes.
LONG CopyDevmodePartsBounded(const BYTE* source, size_t sourceBytes, BYTE* target, size_t targetBytes);
BOOL CopyDevmodeForCaller(const DEVMODEW* source, const DEVMODEW* reference, DEVMODEW* target);
// 1 done, 2 not handled here (CDM_DRIVER_DEFAULT with room: fill with SetDefaultDevmode), 0 failure
// with the last error set. *size in bytes: the target's room in, the needed or used size out.
int ConvertDevmodeCore(LPCWSTR printerName, const DEVMODEW* source, DEVMODEW* target, LONG* size, DWORD mode,
                       const DevmodeVersionInfo* info);

}  // namespace orla
