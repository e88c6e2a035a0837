// Controls of the platform layer for host programs and tests: the sandbox root, system facts,
// the hand-moved clock, scripted answers and fault injection. Driver code never includes this.
#pragma once

#include "win/base.h"

extern "C" {

// Every persistent thing (registry, printers, drivers, forms, printer data, files named by
// Windows paths) lives below this host directory. Windows path "C:\\Windows\\x" maps to
// <root>/C/Windows/x; path components match existing entries regardless of case; drive Z:
// is the host's own root. Must be called before anything else touches the platform. A new
// root gets the system's own directories (C:\\Windows\\System32, the spool directories).
void PlatSetSandboxRoot(const char* hostDirectory);
const char* PlatGetSandboxRoot(void);
// Host path for a Windows path (UTF-16); the result is thread-local and lives until the next call.
const char* PlatHostPath(LPCWSTR windowsPath);

// System facts that tests set. Defaults: Windows 6.1 build 7601 NT, computer "ORLA-PC",
// user "orla", code page 932, local time = host time.
void PlatSetWindowsVersion(DWORD major, DWORD minor, DWORD build, DWORD platformId);
void PlatSetComputerName(LPCWSTR name);
void PlatSetUserName(LPCWSTR name);
void PlatSetLocalTime(const SYSTEMTIME* time);  // null: back to host time
void PlatSetAnsiCodePage(UINT codePage);
void PlatSetNextGuid(const GUID* guid);  // null: back to random GUIDs

// The clock behind GetTickCount, Sleep and every timed wait. In manual mode time moves only by
// PlatClockAdvance (or by a sleeper when PlatClockSetAutoAdvance is on), so time-outs run in
// milliseconds of real time.
void PlatClockSetManual(BOOL manual);
void PlatClockAdvance(DWORD milliseconds);
void PlatClockSetAutoAdvance(BOOL on);  // a Sleep or timed wait with nothing to wake it jumps the clock
DWORD PlatClockNow(void);

// Fault injection: the n-th following call (1 = the next) of the named operation fails with the
// given error, or writes short by the given number of bytes. Operations: "WritePrinter",
// "WriteFile", "CreateFileW", "GlobalAlloc", "WritePort", ... (each layer documents its own).
void PlatInjectFailure(const char* operation, int nthCall, DWORD errorCode);
void PlatInjectShortWrite(const char* operation, int nthCall, DWORD bytesShort);
void PlatClearInjections(void);
// TRUE when an injected failure for this operation is due now (called by the layer itself).
// A due short write comes back with *errorCode 0 and *bytesShort the bytes to leave out; a due
// failure with its error code.
BOOL PlatTakeInjectedFailure(const char* operation, DWORD* errorCode, DWORD* bytesShort);

// Writes the changed registry hives, then drops every in-memory cache of persisted state
// (registry hives, spooler state), so the next call reads what is on disk, as a restarted
// process would.
void PlatResetForTests(void);

// How persisted state (the registry hives, which hold the printers and their printer data)
// reaches the disk. In the writing modes a hive is written lazily, as Windows writes its
// registry: changes stay in memory and the whole hive is written (a temporary file renamed over
// the old one, so a killed process leaves the old or the new hive whole) when the process closes
// its last open key of the hive, when a change is made through a predefined key with none open,
// when a hive changed over a second ago and the registry is used again, at RegFlushKey, at
// PlatResetForTests and PlatSetSandboxRoot, and at process end. A killed process loses what it
// had not written.
//   PLAT_PERSIST_DURABLE (the default): RegFlushKey and the writes at process end, reset and root
//     change also sync the file and its folder, so they survive a host crash.
//   PLAT_PERSIST_UNSYNCED: nothing is synced: a host crash may lose the last changes. Spool files
//     are not synced either.
//   PLAT_PERSIST_IN_MEMORY: hives are read from disk when first used and changes stay in
//     memory; nothing is written back (PlatResetForTests then forgets them). For tests and fuzz
//     targets that make thousands of changes. Switching back to a writing mode writes each hive
//     whole at its next flush point.
typedef enum _PLAT_PERSISTENCE {
    PLAT_PERSIST_DURABLE = 0,
    PLAT_PERSIST_UNSYNCED = 1,
    PLAT_PERSIST_IN_MEMORY = 2,
} PLAT_PERSISTENCE;
BOOL PlatSetPersistence(DWORD mode);  // one of PLAT_PERSIST_...; FALSE for any other value
PLAT_PERSISTENCE PlatGetPersistence(void);

// Printer installation into the sandbox (what the spooler's AddPrinterDriver/AddPrinter do).
typedef struct _PLAT_PRINTER_SETUP {
    LPCWSTR printerName;
    LPCWSTR driverName;
    LPCWSTR portName;
    LPCWSTR driverPath;   // Windows path of the graphics DLL in the driver directory
    LPCWSTR dataFile;     // Windows path of the device description
    LPCWSTR configFile;   // Windows path of the interface DLL
    LPCWSTR helpFile;     // Windows path of the help file, may be null
    LPCWSTR monitorName;  // may be null
} PLAT_PRINTER_SETUP;
BOOL PlatInstallPrinter(const PLAT_PRINTER_SETUP* setup);
BOOL PlatDeletePrinter(LPCWSTR printerName);
// The driver directory as a Windows path ("C:\\Windows\\System32\\spool\\drivers\\w32x86\\3").
LPCWSTR PlatDriverDirectory(void);
// Copies a host file into the sandbox at a Windows path.
BOOL PlatCopyIntoSandbox(const char* hostFile, LPCWSTR windowsPath);
// Sets a printer's default DEVMODE (PRINTER_INFO_2 pDevMode); null clears it.
BOOL PlatSetPrinterDevmode(LPCWSTR printerName, const void* devmode, DWORD totalSize);

// The spool file of the last job written through WritePrinter on a printer (host path), or null.
const char* PlatLastSpoolFile(LPCWSTR printerName);

}  // extern "C"
