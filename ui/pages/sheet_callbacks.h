// The driver's side of the common property sheet UI: the two sheet callbacks compstui calls with
// INIT, GET_INFO_HEADER, SET_RESULT and DESTROY, and the call that opens a sheet through it.
#pragma once

#include "win/compstui.h"
#include "win/printer_ui.h"

namespace orla {

// LoadLibrary("compstui.dll"), CommonPropertySheetUIW with the four arguments, FreeLibrary; -1
// when the library or its entry is missing.
LONG RunCommonPropertySheet(HWND hWndOwner, PFNPROPSHEETUI callback, LPARAM lParam, DWORD* result);

// Writes "DAT_Permission" = 1: TRUE when the user may change the printer data.
BOOL WriteSheetPermission(HANDLE hPrinter);

LONG DocumentSheetCallback(PROPSHEETUI_INFO* info, LPARAM lParam);
LONG DeviceSheetCallback(PROPSHEETUI_INFO* info, LPARAM lParam);

// The document sheet for the header (DM_PROMPT): compstui's result, -1 when it cannot be shown.
LONG DocumentPropertiesPrompt(HWND hWnd, DOCUMENTPROPERTYHEADER* header);

}  // namespace orla
