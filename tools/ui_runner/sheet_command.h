// ui_runner sheet: the document sheet opened headless and driven by a script of user actions.
#pragma once

#include <string>

#include "win/printer_ui.h"

typedef LONG (*SheetDocumentPropertiesFn)(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW, DWORD);

// Runs the script ("page 521; ok") on the sheet, prints the settings fields OK changed and, with
// a PNG folder, writes the sheet after each page action. 0 done, 1 the sheet failed, 2 a bad script.
int RunSheetScript(SheetDocumentPropertiesFn docProps, HANDLE printer, LPWSTR printerName, const std::string& script,
                   const std::string& pngDir);
