// DrvDocumentProperties and DrvConvertDevMode: the settings record handed to applications (with
// the document sheet on DM_PROMPT) and converted between DEVMODE versions.
#include "core/settings.h"
#include "ui/entry/document_properties.h"
#include "ui/pages/sheet_callbacks.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace {
constexpr LONG kRecordSize = static_cast<LONG>(orla::kDriverDevmodeSize);
}  // namespace

using namespace orla;

DLLEXPORT LONG APIENTRY DrvDocumentProperties(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName, PDEVMODEW pdmOutput,
                                              PDEVMODEW pdmInput, DWORD fMode) {
    if (fMode == 0 || !pdmOutput) return kRecordSize;
    DOCUMENTPROPERTYHEADER header{};
    header.cbSize = sizeof(header);
    header.hPrinter = hPrinter;
    header.pszPrinterName = pDeviceName;
    header.pdmIn = pdmInput;
    header.pdmOut = pdmOutput;
    header.fMode = fMode;
    const LONG r = (fMode & DM_PROMPT) ? DocumentPropertiesPrompt(hWnd, &header) : DocumentPropertiesNoUi(&header);
    if (r > 0) return IDOK;
    return r == 0 ? IDCANCEL : r;
}

DLLEXPORT BOOL APIENTRY DrvConvertDevMode(LPWSTR pPrinterName, PDEVMODEW pdmIn, PDEVMODEW pdmOut, PLONG pcbNeeded,
                                          DWORD fMode) {
    const int answer = ConvertDevmodeCore(pPrinterName, pdmIn, pdmOut, pcbNeeded, fMode, &kDevmodeVersionInfo);
    if (answer == 2 && fMode == CDM_DRIVER_DEFAULT) return FillDriverDefaults(pPrinterName, pdmOut);
    // A mode the conversion does not know is the caller's mistake, not a silent failure.
    if (answer == 2) SetLastError(ERROR_INVALID_PARAMETER);
    return answer == 1 ? TRUE : FALSE;
}
