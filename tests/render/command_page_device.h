// A command-mode page of the Japanese graphics DLL outside a test framework, for fuzz targets and
// benchmarks: the sample printer installed in the sandbox root already set, the DLL (copied from
// `driverDll` when given, else found by its name beside the program) loaded as GDI loads it, a
// device context enabled, a spooler job and a document started. Aborts when any step fails.
#pragma once

#include <cstdlib>
#include <string>

#include "plat/control.h"
#include "plat/gdi_control.h"
#include "render/ddi_hooks.h"
#include "render/pdev.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace render_test {

struct CommandPageDevice {
    DHPDEV dhpdev = nullptr;
    SURFOBJ* surface = nullptr;
    PrinterPdev* pdev() const { return reinterpret_cast<PrinterPdev*>(dhpdev); }
};

inline CommandPageDevice OpenCommandPageDevice(const std::string& modelFile, const std::string& driverDll = "") {
    static const char16_t* kPrinter = u"ORLA Text Printer";
    const std::u16string dir = PlatDriverDirectory();
    const std::u16string dataFile = dir + u"\\HV4400KJ.KDD", driver = dir + u"\\Quessa.dll";
    if (!PlatCopyIntoSandbox(modelFile.c_str(), dataFile.c_str())) std::abort();
    if (!driverDll.empty() && !PlatCopyIntoSandbox(driverDll.c_str(), driver.c_str())) std::abort();
    PLAT_PRINTER_SETUP setup{};
    setup.printerName = kPrinter;
    setup.driverName = u"ORLA Text Driver";
    setup.portName = u"LPT1:";
    setup.driverPath = driver.c_str();
    setup.dataFile = dataFile.c_str();
    setup.configFile = driver.c_str();
    HANDLE printer = nullptr;
    if (!PlatInstallPrinter(&setup) || !OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer, nullptr)) std::abort();
    SetGraphicsModuleHandle(driverDll.empty() ? LoadLibraryW(u"Quessa.dll") : LoadLibraryW(driver.c_str()));
    DRVENABLEDATA ded{};
    if (!DrvEnableDriver(DDI_DRIVER_VERSION_NT4, sizeof ded, &ded)) std::abort();
    PLAT_GDI_DEVICE_SETUP device{printer, kPrinter, driver.c_str(), dataFile.c_str()};
    HDEV hdev = PlatGdiCreateDevice(&device);
    GDIINFO gdi{};
    DEVINFO info{};
    CommandPageDevice d;
    d.dhpdev = DrvEnablePDEV(nullptr, nullptr, 0, nullptr, sizeof gdi, reinterpret_cast<ULONG*>(&gdi), sizeof info,
                             &info, hdev, const_cast<LPWSTR>(kPrinter), printer);
    if (d.dhpdev == nullptr || d.pdev()->fonts.count != 29) std::abort();
    PlatGdiBindDevice(hdev, d.dhpdev, kHookTable, kHookCount);
    DrvCompletePDEV(d.dhpdev, hdev);
    DOC_INFO_1W doc{};
    doc.pDocName = const_cast<LPWSTR>(u"text");
    StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&doc));
    d.pdev()->state &= ~kStateRasterMode;
    d.surface = EngLockSurface(DrvEnableSurface(d.dhpdev));
    if (d.surface == nullptr || !DrvStartDoc(d.surface, const_cast<LPWSTR>(u"text"), 1)) std::abort();
    return d;
}

}  // namespace render_test
