// DrvDocumentProperties and DrvConvertDevMode: the settings record handed to applications and
// converted between DEVMODE versions. Property sheets are not part of this file: a prompt for
// one answers -1 until the pages exist.
#include "ui/entry/document_properties.h"

#include <cstring>
#include <memory>

#include "core/settings.h"
#include "ui/entry/held.h"
#include "ui/entry/ui_context.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace orla {

namespace {

constexpr LONG kRecordSize = static_cast<LONG>(kDriverDevmodeSize);

const DEVMODEW* ShapeOf(const DEVMODEW* in) { return CallerDevmodeShape(in); }

struct ContextFree {
    void operator()(UiContext* c) const { DestroyUiContext(c); }
};

// The model's defaults into the caller's buffer, which the conversion found large enough.
BOOL FillDriverDefaults(LPCWSTR printerName, DEVMODEW* out) {
    HANDLE h = nullptr;
    if (!printerName || !OpenPrinterW(const_cast<LPWSTR>(printerName), &h, nullptr)) return FALSE;
    PrinterHeld printer(h);
    DeviceDataHeld data(GetDeviceData(h));
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DriverDevmode record{};
    SetDefaultDevmode(&record, h, nullptr, data.get());
    std::memcpy(out, record.bytes, sizeof(record.bytes));  // the caller's buffer need not be aligned
    return TRUE;
}

}  // namespace

const DEVMODEW* CallerDevmodeShape(const DEVMODEW* in) {
    return in && in->dmSize >= kPublicSize351 ? in : nullptr;
}

LONG DocumentPropertiesNoUi(DOCUMENTPROPERTYHEADER* header) {
    if (!header) return -1;
    header->cbOut = kRecordSize;
    if (header->fMode == 0 || !header->pdmOut) return kRecordSize;
    std::unique_ptr<UiContext, ContextFree> context(CreateUiContextNoUi(header->hPrinter, header->pdmIn));
    if (!context) return -1;
    if (header->fMode & (DM_UPDATE | DM_COPY))
        CopyDevmodeForCaller(AsDevmode(context->appliedDevmode), ShapeOf(header->pdmIn), header->pdmOut);
    return 1;
}

}  // namespace orla

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
