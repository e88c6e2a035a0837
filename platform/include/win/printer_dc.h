// The application's side of printing: a device context on a printer, whose escapes reach the
// printer's graphics DLL (DrvEscape) as they do on Windows.
#pragma once

#include "win/base.h"
#include "win/devmode.h"

extern "C" {

// A device context on the printer pwszDevice (pwszDriver "WINSPOOL" or null; the port is not
// used). The graphics DLL named by the printer's driver is loaded and a PDEV enabled with pdm,
// or with the printer's default settings when pdm is null. Null when the printer or its
// driver cannot be had; the display is not offered.
HDC CreateDCW(LPCWSTR pwszDriver, LPCWSTR pwszDevice, LPCWSTR pszPort, const DEVMODEW* pdm);
// The escape handed to the device's DrvEscape with the device's surface: its answer, 0 when the
// driver takes no escapes, -1 (SP_ERROR) for a handle that is no printer DC or negative sizes.
int ExtEscape(HDC hdc, int iEscape, int cjInput, LPCSTR lpInData, int cjOutput, LPSTR lpOutData);
// New settings for the DC: the same handle back, or null when they could not be applied.
HDC ResetDCW(HDC hdc, const DEVMODEW* lpdm);
#define SP_ERROR (-1)

}  // extern "C"
