// The record behind every call of the interface DLL that shows or edits settings: the language
// resource DLL, the property-sheet binding, the four copies of the settings record, the printer
// configuration, the usable forms and the device data, all for one printer.
#pragma once

#include <string_view>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "core/support.h"
#include "ui/entry/option_constraints.h"
#include "ui/entry/printer_config.h"
#include "ui/entry/printer_data_store.h"
#include "ui/entry/ui_flags.h"
#include "win/base.h"
#include "win/devmode.h"
#include "win/spool.h"

namespace orla {

inline constexpr DWORD kUiContextMagic = 0x19710104;

inline constexpr LONG kUiFormNameChars = 64;

struct FormSize {
    LONG width;  // 0.1 mm
    LONG length;
};

typedef LONG_PTR (*ComPropSheetFn)(HANDLE hComPropSheet, DWORD function, LPARAM lParam1, LPARAM lParam2);

struct UiContext {
    DWORD magic;  // kUiContextMagic in a full context, 0 in the light one
    DWORD flags;
    BlockPool* pool;
    HANDLE hPrinter;
    HMODULE hResDll;
    HANDLE hComPropSheet;
    ComPropSheetFn pfnComPropSheet;
    DWORD languageId;
    DWORD formCount;
    SHORT* formIds;  // 1-based positions in the printer's full form list
    FormSize* formSizes;
    WCHAR (*formNames)[kUiFormNameChars];
    WCHAR driverPath[MAX_PATH];
    WCHAR helpFile[MAX_PATH];
    WCHAR printerName[MAX_PATH];
    WCHAR userName[22];
    DriverDevmode defaultDevmode;
    DriverDevmode currentDevmode;
    DriverDevmode scratchDevmode;
    DriverDevmode appliedDevmode;
    PrinterConfigRecord printerConfig;
    const CompiledDeviceData* deviceData;
    AccountBlock accountSaved;      // printer-data account values
    AccountBlock accountSavedUser;  // per-user account values
    MonitorProbe monitorProbe;      // the document monitor's answer, asked once per context
    // Set when a favourite is applied at load, for the pages: the favourite put its stamp on, and
    // the favourite needs the duplex unit.
    DWORD favouriteStampApplied;
    WORD favouriteNeedsDuplex;
};

UiContext* CreateUiContext(HANDLE hPrinter, const DEVMODEW* callerDevmode);
UiContext* CreateUiContextNoUi(HANDLE hPrinter, const DEVMODEW* callerDevmode);
// Tear-down of either variant: device data back, resource DLL freed, form arrays and the pool
// (which holds the record itself) freed. Null is ignored.
void DestroyUiContext(UiContext* context);

// A spooler form the context offers: width 75,000 to 594,000 micrometres, length up to 840,000
// and at least 98,000 ("*Version" 3 or below) or 75,000; under "*Version" 3 or below the long
// paper of exactly 297,000 x 900,000 by its own name as well (unlike the usable-forms list, which
// keeps it under every version).
BOOL IsContextForm(const FORM_INFO_1W& form, LONG descriptionVersion);

// User and computer names into the record's job fields by way of the system code page.
void CopyJobUserName(WCHAR dest[17], LPCWSTR wideUserName);
void CopyWideViaAnsi20(WCHAR dest[20], LPCWSTR wideText);
void CopyWideViaAnsi15(WCHAR dest[15], LPCWSTR wideText);

}  // namespace orla
