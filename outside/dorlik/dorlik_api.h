// The status manager Dorlik.DLL as its callers bind it (GetProcAddress by these names).
// Every call returns 0 for success; a buffer that is too small gives DORLIK_E_SMALL_QUERY (size
// 0 was given) or DORLIK_E_SMALL_BUFFER, with the needed size in *returned.
#pragma once

#include "win/base.h"

#define DORLIK_OK 0
#define DORLIK_E_HANDLE (-1)
#define DORLIK_E_PARAMETER (-2)
#define DORLIK_E_NO_VARIABLE (-5)
#define DORLIK_E_SMALL_QUERY (-33)
#define DORLIK_E_SMALL_BUFFER (-36)

extern "C" {

typedef LONG(WINAPI* PFN_DorlikOpenManagerExW)(LPCWSTR printer, LPCWSTR client, DWORD mode, HANDLE* manager);
typedef LONG(WINAPI* PFN_DorlikCloseManager)(HANDLE manager);

// Test-side reader exports (not part of the manager's interface to the driver).
// Reads a printer's variable without a manager handle; DORLIK_E_NO_VARIABLE when it was never set.
typedef LONG(WINAPI* PFN_DorlikReadVariable)(LPCWSTR printer, LPCSTR name, void* buffer, DWORD size, DWORD* returned);
// One of the last 1024 values published (back 0 = the newest); DORLIK_E_NO_VARIABLE past the end.
typedef LONG(WINAPI* PFN_DorlikReadHistory)(LPCWSTR printer, LPCSTR name, DWORD back, void* buffer, DWORD size,
                                            DWORD* returned);
// How many times a variable was published (UpdatePrinterStatus calls that succeeded), 0 when never.
typedef DWORD(WINAPI* PFN_DorlikUpdateCount)(LPCWSTR printer, LPCSTR name);
// Sets a variable as if another client had published it (signals its notification events).
typedef LONG(WINAPI* PFN_DorlikWriteVariable)(LPCWSTR printer, LPCSTR name, const void* value, DWORD size);
// Manager handles and notification registrations still open (leak checks), and a full reset.
typedef DWORD(WINAPI* PFN_DorlikOpenHandles)(void);
typedef void(WINAPI* PFN_DorlikReset)(void);

}  // extern "C"
