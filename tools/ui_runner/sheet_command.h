// ui_runner sheet: the document sheet opened headless and driven by a script of user actions;
// ui_runner devsheet: the device sheet (printer properties) driven by the same script;
// ui_runner dialog: a dialog no page opens, opened on its own and driven by the same script.
#pragma once

#include <functional>
#include <string>

#include "win/printer_ui.h"

typedef LONG (*SheetDocumentPropertiesFn)(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW, DWORD);
typedef BOOL (*SheetConvertDevModeFn)(LPWSTR, PDEVMODEW, PDEVMODEW, PLONG, DWORD);
typedef BOOL (*SheetPrinterPropertiesFn)(HWND, HANDLE);

// The interface DLL's exports the sheet run calls, for one open printer.
struct SheetExports {
    SheetDocumentPropertiesFn docProps = nullptr;
    SheetConvertDevModeFn convert = nullptr;
    HANDLE printer = nullptr;
    LPWSTR printerName = nullptr;
    SheetPrinterPropertiesFn printerProps = nullptr;  // the device sheet
};

// The opener of a build's dialog helper: the dialog of that template for the printer, run until it
// ends; its result, negative when it could not be opened.
typedef INT_PTR (*DialogOpenFn)(HANDLE printer, HMODULE interfaceDll, UINT templateId);

struct DialogExports {
    DialogOpenFn open = nullptr;
    HANDLE printer = nullptr;
    HMODULE interfaceDll = nullptr;  // the dialogs' icons are its own
};

// The account pop-up at the start of a job (templates 3550, and 3560 with the password shown as
// asterisks): the controls the --popup entry goes to.
struct AccountPopupControls {
    unsigned dialog, asteriskDialog;
    int userId, password, ok, cancel;
};
inline constexpr AccountPopupControls kAccountPopup{3550, 3560, 1343, 1347, 1092, 1091};

// The panel of the print-time dialog's category button at an index (the build's dialog helper
// reads the dialog's own table); 0 past the end.
typedef int (*CategoryPanelFn)(HWND dialog, UINT index);

struct SheetRequest {
    std::string script;     // "page 520; choose Paper B5 (JIS); set Copies 3; ok"
    std::string pngDir;     // empty: no pictures
    std::string recordOut;  // empty: the settings record OK made is not written
    std::string binDir;     // the build's settings helper places the record's fields
    bool japanese = true;
    unsigned dialog = 0;                      // the dialog opened on its own; 0 for the sheet
    bool deviceSheet = false;                 // the device sheet's pages rather than the document sheet's
    CategoryPanelFn categoryPanel = nullptr;  // the print-time dialog's categories ("category PANEL")
    std::string popupId, popupPassword;       // the account pop-up's entry, when it comes up
};

// Runs the script on the sheet, prints the settings fields OK changed, with a PNG folder writes
// each page shown (and the last one again as the script left it) and with a record file writes
// the settings record OK made, once DrvConvertDevMode took it. 0 done, 1 the sheet or a file
// failed, 2 a bad script (an unknown action, control or item: the sheet is cancelled).
int RunSheetScript(const SheetExports& exports, const SheetRequest& request);

// Runs the script on the device sheet (PrinterProperties), with a PNG folder writes each page
// shown and each dialog a page opened (the TrueType substitution and output paper tables, the
// account dialog), and prints the printer-data tables the run changed. 0 done, 1 the sheet
// failed, 2 a bad script.
int RunDeviceSheetScript(const SheetExports& exports, const SheetRequest& request);

// Runs the script in the dialog of request.dialog opened on its own (a dialog's controls go by id;
// "page" has no place there), with a PNG folder writes it as dialog_ID.png each time the script
// worked in it, and prints the message boxes shown and the dialog's result. 0 done, 1 the dialog
// could not be opened, 2 a bad script (the dialog is cancelled).
int RunDialogScript(const DialogExports& exports, const SheetRequest& request);

// Runs `print` (a job whose start may bring up the print-time dialogs) with the script acting in
// each dialog that comes up, as in RunDialogScript; "category PANEL" shows a category of the
// print-time dialog and writes it as category_PANEL.png; the account pop-up takes the request's
// entry ahead of the script. `print`'s result, or 2 for a bad script.
int RunJobScript(const SheetRequest& request, const std::function<int()>& print);

// The script's actions and the control names, for the usage text.
const char* SheetScriptUsage();
