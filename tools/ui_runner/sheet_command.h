// ui_runner sheet: the document sheet opened headless and driven by a script of user actions.
#pragma once

#include <string>

#include "win/printer_ui.h"

typedef LONG (*SheetDocumentPropertiesFn)(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW, DWORD);
typedef BOOL (*SheetConvertDevModeFn)(LPWSTR, PDEVMODEW, PDEVMODEW, PLONG, DWORD);

// The interface DLL's exports the sheet run calls, for one open printer.
struct SheetExports {
    SheetDocumentPropertiesFn docProps = nullptr;
    SheetConvertDevModeFn convert = nullptr;
    HANDLE printer = nullptr;
    LPWSTR printerName = nullptr;
};

struct SheetRequest {
    std::string script;     // "page 520; choose Paper B5 (JIS); set Copies 3; ok"
    std::string pngDir;     // empty: no pictures
    std::string recordOut;  // empty: the settings record OK made is not written
    std::string binDir;     // the build's settings helper places the record's fields
    bool japanese = true;
};

// Runs the script on the sheet, prints the settings fields OK changed, with a PNG folder writes
// each page shown (and the last one again as the script left it) and with a record file writes
// the settings record OK made, once DrvConvertDevMode took it. 0 done, 1 the sheet or a file
// failed, 2 a bad script (an unknown action, control or item: the sheet is cancelled).
int RunSheetScript(const SheetExports& exports, const SheetRequest& request);

// The script's actions and the control names, for the usage text.
const char* SheetScriptUsage();
