// DrvPrinterEvent and DrvUpgradePrinter: a new printer gets every printer-data value and raw-only
// spooling, a cache refresh hands the spooler's impersonation back, an upgraded driver renews
// its forms.
#include <memory>

#include "core/settings.h"
#include "ui/entry/held.h"
#include "ui/entry/printer_config.h"
#include "ui/entry/printer_data_store.h"
#include "win/kernel.h"
#include "win/printer_ui.h"
#include "win/spool.h"

namespace orla {

namespace {

constexpr DWORD kPrinterRawOnly = 0x1000;  // PRINTER_ATTRIBUTE_RAW_ONLY

PrinterHeld OpenAllAccess(LPWSTR name) {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE h = nullptr;
    if (!name || !OpenPrinterW(name, &h, &defaults)) return PrinterHeld();
    return PrinterHeld(h);
}

// Every printer-data value from the model's defaults, and the status probe.
void CreatePrinterData(HANDLE hPrinter) {
    DeviceDataHeld data(GetDeviceData(hPrinter));
    if (!data) return;
    GlobalHeld<DriverDevmode> record = NewTemporaryRecord();
    if (!record) return;
    SetDefaultDevmode(record.get(), hPrinter, nullptr, data.get());
    StorePrinterDataSettings(nullptr, record.get(), hPrinter, data.get());
    ProbePalmInfo(hPrinter);
}

void SpoolRawOnly(HANDLE hPrinter) {
    GlobalHeld<BYTE> info(GetPrinterInfoAlloc(hPrinter, 2));
    if (!info) return;
    PRINTER_INFO_2W* pi = reinterpret_cast<PRINTER_INFO_2W*>(info.get());
    pi->Attributes |= kPrinterRawOnly;
    SetPrinterW(hPrinter, 2, info.get(), 0);
}

// A new printer. A printer that cannot be opened was not initialised: the spooler hears so.
BOOL InitializePrinter(LPWSTR printerName) {
    PrinterHeld printer = OpenAllAccess(printerName);
    if (!printer) return FALSE;
    CreatePrinterData(printer.get());
    SpoolRawOnly(printer.get());
    return TRUE;
}

typedef HANDLE(WINAPI* RevertToPrinterSelfFn)(void);
typedef BOOL(WINAPI* ImpersonatePrinterClientFn)(HANDLE token);

// The spooler calls this while impersonating; stepping out and back in again hands the token
// back to it.
BOOL RefreshCache() {
    LibraryHeld spoolss(LoadLibraryW(u"spoolss.dll"));
    if (!spoolss) return FALSE;
    auto revert = reinterpret_cast<RevertToPrinterSelfFn>(GetProcAddress(spoolss.get(), "RevertToPrinterSelf"));
    auto impersonate =
        reinterpret_cast<ImpersonatePrinterClientFn>(GetProcAddress(spoolss.get(), "ImpersonatePrinterClient"));
    if (!revert || !impersonate) return FALSE;
    if (HANDLE token = revert()) impersonate(token);
    return TRUE;
}

}  // namespace

}  // namespace orla

using namespace orla;

DLLEXPORT BOOL APIENTRY DrvPrinterEvent(LPWSTR pPrinterName, INT DriverEvent, DWORD /*Flags*/, LPARAM /*lParam*/) {
    switch (DriverEvent) {
        case PRINTER_EVENT_INITIALIZE:
            return InitializePrinter(pPrinterName);
        case PRINTER_EVENT_CACHE_REFRESH:
            return RefreshCache();
        default:
            return TRUE;
    }
}

DLLEXPORT BOOL APIENTRY DrvUpgradePrinter(DWORD Level, LPBYTE pDriverUpgradeInfo) {
    if (Level != 1 || !pDriverUpgradeInfo) return FALSE;
    const DRIVER_UPGRADE_INFO_1* info = reinterpret_cast<const DRIVER_UPGRADE_INFO_1*>(pDriverUpgradeInfo);
    PrinterHeld printer = OpenAllAccess(info->pPrinterName);
    if (!printer) return FALSE;
    DeviceDataHeld data(GetDeviceData(printer.get()));
    if (data) {
        RemoveDriverForms(printer.get(), data.get());
        AddDriverForms(printer.get(), data.get());
    }
    return TRUE;
}
