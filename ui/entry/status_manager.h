// The status manager "Dorlik.DLL" as the interface DLL binds it: loaded from the system
// directory for one acquisition (or until the reply of an asynchronous refresh), its entry
// points kept in the printer configuration and checked before every call.
#pragma once

#include "ui/entry/printer_config.h"
#include "win/base.h"

namespace orla {

// The six entry points kept in PrinterConfigRecord::statusEntryPoints, in this order.
enum StatusEntry : unsigned {
    kOpenManagerExW,
    kGetPrinterStatusW,
    kSetReqPrinterStatusMsgW,
    kSetPrinterStatusDirectW,
    kResSetPrinterStatus,
    kCloseManager,
    kStatusEntryCount,
};
static_assert(kStatusEntryCount == sizeof(PrinterConfigRecord::statusEntryPoints) / sizeof(FARPROC));

// Answers of the manager: 0 success; this when an entry point is missing.
inline constexpr LONG kStatusNoEntry = -1000;

// Opening modes: 10 to read and write, 8 while a window waits for a refresh.
inline constexpr DWORD kManagerModeRead = 10;
inline constexpr DWORD kManagerModeWaiting = 8;

// Loads the library into config->hStatusLib and binds the six entry points; FALSE (nothing
// kept) without the library or its opening entry.
BOOL BindStatusManager(PrinterConfigRecord* config);
// OpenManagerExW(printer, "", mode) into config->hManager; FALSE (library freed) on failure.
BOOL OpenStatusManager(PrinterConfigRecord* config, LPCWSTR printerName, DWORD mode);
// CloseManager when open, the library freed, entry points and handles cleared.
void ReleaseStatusManager(PrinterConfigRecord* config);

// Reads a variable into buffer; *returned (when asked) gets the bytes the manager wrote.
LONG GetStatusVariable(const PrinterConfigRecord* config, LPCWSTR name, void* buffer, DWORD size,
                       DWORD* returned = nullptr);
LONG RequestRefreshByMessage(PrinterConfigRecord* config, LPCWSTR names, DWORD size, HWND window, UINT message);
LONG RequestRefreshDirect(const PrinterConfigRecord* config, LPCWSTR names, DWORD size);
LONG CollectRefresh(const PrinterConfigRecord* config, DWORD cookie, LONG* result);

// The status manager's "UpdatePrinterStatusW", bound on its own for writing the manual
// configuration: a fresh binding opened for the printer, or none.
struct StatusWriter {
    HMODULE library = nullptr;
    HANDLE manager = nullptr;
    FARPROC update = nullptr;
    FARPROC close = nullptr;
};
BOOL OpenStatusWriter(StatusWriter* writer, LPCWSTR printerName);
LONG WriteStatusVariable(const StatusWriter* writer, LPCWSTR name, const void* value, DWORD size);
void CloseStatusWriter(StatusWriter* writer);

}  // namespace orla
