// The interface DLL's property-sheet exports.
#include "core/driver_devmode.h"
#include "core/support.h"
#include "ui/entry/held.h"
#include "ui/entry/document_properties.h"
#include "ui/pages/sheet_callbacks.h"

using namespace orla;

namespace {
constexpr LONG kRecordSize = static_cast<LONG>(kDriverDevmodeSize);
constexpr DWORD kAdvancedMode = DM_ADVANCED | DM_PROMPT | DM_COPY;
}  // namespace

DLLEXPORT LONG APIENTRY DrvDocumentPropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam) {
    return DocumentSheetCallback(pPSUIInfo, lParam);
}

DLLEXPORT LONG APIENTRY DrvDevicePropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam) {
    return DeviceSheetCallback(pPSUIInfo, lParam);
}

DLLEXPORT BOOL APIENTRY PrinterProperties(HWND hWnd, HANDLE hPrinter) {
    DEVICEPROPERTYHEADER header{};
    header.cbSize = sizeof header;
    header.hPrinter = hPrinter;
    // The sheet's title names the printer, as the spooler's header does when it calls the sheets.
    GlobalHeld<BYTE> info(GetPrinterInfoAlloc(hPrinter, 2));
    if (info) header.pszPrinterName = reinterpret_cast<PRINTER_INFO_2W*>(info.get())->pPrinterName;
    if (!WriteSheetPermission(hPrinter)) header.Flags |= DPS_NOPERMISSION;  // the user may look, not change
    DWORD result = 0;
    RunCommonPropertySheet(hWnd, DeviceSheetCallback, reinterpret_cast<LPARAM>(&header), &result);
    return static_cast<LONG>(result) > 0;
}

DLLEXPORT LONG APIENTRY DrvAdvancedDocumentProperties(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName,
                                                      PDEVMODEW pdmOutput, PDEVMODEW pdmInput) {
    if (pdmOutput == nullptr) return kRecordSize;
    DOCUMENTPROPERTYHEADER header{};
    header.cbSize = sizeof header;
    header.hPrinter = hPrinter;
    header.pszPrinterName = pDeviceName;
    header.pdmIn = pdmInput;
    header.pdmOut = pdmOutput;
    header.fMode = kAdvancedMode;
    return DocumentPropertiesPrompt(hWnd, &header) > 0;
}
