// The application process around the interface DLL, as tests set it: the host program and its
// version resource, the window station and desktop names, the work area, and what ResetDCW
// does. Driver code never includes this.
#pragma once

#include "win/base.h"
#include "win/devmode.h"

extern "C" {

// The program GetModuleFileNameW(NULL) names (a Windows path, such as
// "C:\\Program Files\\Office\\WINWORD.EXE"); null: back to the test program itself.
void PlatSetHostProgram(LPCWSTR windowsPath);
// The version resource the host program answers GetFileVersionInfoSizeW, GetFileVersionInfoW
// and VerQueryValueW("\\") with: file and product version major.minor.build.revision. Without
// one (PlatClearHostProgramVersion, the default) the program has no version resource.
void PlatSetHostProgramVersion(WORD major, WORD minor, WORD build, WORD revision);
void PlatClearHostProgramVersion(void);

// Names of the process's window station and of the threads' desktop (UOI_NAME); null: back to
// the defaults "WinSta0" and "Default".
void PlatSetWindowStationName(LPCWSTR name);
void PlatSetDesktopName(LPCWSTR name);

// The work area SystemParametersInfoW(SPI_GETWORKAREA) reports; null: back to the default
// (the screen less a 40-pixel task bar at the bottom). Failing it: PlatInjectFailure with
// "SystemParametersInfoW".
void PlatSetWorkArea(const RECT* area);

// What ResetDCW does: the handler gets the DC and the new settings and answers the DC, or null
// when it refuses them. Without a handler ResetDCW fails (ERROR_NOT_SUPPORTED). Host programs
// that own the device (the print runner) rebuild its PDEV here.
typedef HDC (*PLAT_RESET_DC_HANDLER)(HDC hdc, const DEVMODEW* devmode, void* context);
void PlatSetResetDcHandler(PLAT_RESET_DC_HANDLER handler, void* context);

}  // extern "C"
