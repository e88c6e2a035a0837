// Document properties without a sheet: the settings record handed to applications, and the
// driver's defaults the conversion hands out. The exports themselves live with the DLL's top.
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

}  // namespace

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
