// The interactive session as USER reports it: the process's window station and the thread's
// desktop, the work area, and the longs of window classes.
#pragma once

#include "win/base.h"

extern "C" {

DECLARE_HANDLE(HWINSTA);
DECLARE_HANDLE(HDESK);

HWINSTA GetProcessWindowStation(void);
HDESK GetThreadDesktop(DWORD dwThreadId);  // null for a thread id that is 0

#define UOI_FLAGS 1
#define UOI_NAME 2
#define UOI_TYPE 3
// UOI_NAME and UOI_TYPE (texts): FALSE with ERROR_INSUFFICIENT_BUFFER and *lpnLengthNeeded set
// (bytes with the terminator) when nLength is short.
BOOL GetUserObjectInformationW(HANDLE hObj, int nIndex, PVOID pvInfo, DWORD nLength, LPDWORD lpnLengthNeeded);

#define SPI_GETWORKAREA 0x0030
// SPI_GETWORKAREA only: the screen less the task bar, into the RECT at pvParam.
BOOL SystemParametersInfoW(UINT uiAction, UINT uiParam, PVOID pvParam, UINT fWinIni);

// Longs of a window's class. GCLP_HICON and GCLP_HICONSM only; the class is shared by every
// window of it (setting the dialog class's icon changes every dialog's).
#define GCLP_HICONSM (-34)
#define GCLP_HICON (-14)
ULONG_PTR GetClassLongPtrW(HWND hWnd, int nIndex);
ULONG_PTR SetClassLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong);  // the value before

}  // extern "C"
