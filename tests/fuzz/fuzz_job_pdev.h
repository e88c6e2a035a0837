// A device context of the Japanese graphics DLL with a spooler job and a document open, for fuzz
// targets that drive its hooks: the sample printer installed in the fuzz sandbox, the DLL's
// modules copied from beside the fuzz program, made once a process. Restart() ends the job and
// opens the next, so the spool file never grows without end.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_sandbox.h"
#include "plat/control.h"
#include "plat/gdi_control.h"
#include "render/ddi_hooks.h"
#include "render/pdev.h"
#include "win/kernel.h"
#include "win/spool.h"

#ifndef ORLA_SOURCE_DIR
#error "the fuzz target needs ORLA_SOURCE_DIR for the sample printer model"
#endif

// Takes bytes from the front of a fuzz input; zeros once it runs out.
struct FuzzBytes {
    const uint8_t* data;
    size_t size;
    uint8_t Byte() {
        if (size == 0) return 0;
        --size;
        return *data++;
    }
};

struct FuzzJobPdev {
    HANDLE printer = nullptr;
    HDEV hdev = nullptr;
    DHPDEV dhpdev = nullptr;
    SURFOBJ surface{};
    GDIINFO gdiInfo{};
    DEVINFO devInfo{};

    PrinterPdev* pdev() const { return reinterpret_cast<PrinterPdev*>(dhpdev); }

    // The modules of the build (bin folder: this program's folder) into the driver directory.
    static std::string BinFolder() {
        char self[4096];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (n <= 0) std::abort();
        self[n] = 0;
        return std::filesystem::path(self).parent_path().string();
    }

    void Install(const char* tag) {
        FuzzSandboxRoot(tag);
        const std::u16string dir = PlatDriverDirectory();
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(BinFolder(), ec)) {
            if (entry.path().extension() != ".dll") continue;
            const std::string name = entry.path().filename().string();
            const std::u16string target = dir + u"\\" + std::u16string(name.begin(), name.end());
            PlatCopyIntoSandbox(entry.path().c_str(), target.c_str());
            // Loaded once for good: the fuzzer keeps coverage counters of every instrumented
            // module, and one unloaded between inputs would leave it writing to freed pages.
            LoadLibraryW(target.c_str());
        }
        const std::u16string model = dir + u"\\HV4400KJ.KDD";
        if (!PlatCopyIntoSandbox(ORLA_SOURCE_DIR "/resources/models/HV4400KJ.KDD", model.c_str())) std::abort();
        const std::u16string driver = dir + u"\\Quessa.dll", config = dir + u"\\Talvex.dll";
        PLAT_PRINTER_SETUP setup{};
        setup.printerName = u"ORLA Fuzz Printer";
        setup.driverName = u"ORLA Fuzz Driver";
        setup.portName = u"LPT1:";
        setup.driverPath = driver.c_str();
        setup.dataFile = model.c_str();
        setup.configFile = config.c_str();
        if (!PlatInstallPrinter(&setup)) std::abort();
        if (!OpenPrinterW(const_cast<LPWSTR>(u"ORLA Fuzz Printer"), &printer, nullptr)) std::abort();
        DRVENABLEDATA ded{};
        if (!DrvEnableDriver(DDI_DRIVER_VERSION_NT4, sizeof ded, &ded)) std::abort();
    }

    void Enable() {
        PLAT_GDI_DEVICE_SETUP device{};
        device.hPrinter = printer;
        device.printerName = u"ORLA Fuzz Printer";
        hdev = PlatGdiCreateDevice(&device);
        dhpdev = DrvEnablePDEV(nullptr, nullptr, 0, nullptr, sizeof gdiInfo, reinterpret_cast<ULONG*>(&gdiInfo),
                               sizeof devInfo, &devInfo, hdev, const_cast<LPWSTR>(u"ORLA Fuzz Printer"), printer);
        if (dhpdev == nullptr) std::abort();
        PlatGdiBindDevice(hdev, dhpdev, kHookTable, kHookCount);
        DrvCompletePDEV(dhpdev, hdev);
        surface.dhpdev = dhpdev;
    }

    void StartJob() {
        DOC_INFO_1W doc{};
        doc.pDocName = const_cast<LPWSTR>(u"fuzz");
        if (StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&doc)) == 0) std::abort();
        DrvStartDoc(&surface, const_cast<LPWSTR>(u"fuzz"), 1);
        DrvStartPage(&surface);
    }

    // Counts the inputs: every `perJob`-th one starts with a fresh job (Restart).
    void NextInput(unsigned perJob) {
        if (++inputs % perJob == 0) Restart();
    }
    unsigned inputs = 0;

    // The job ends (whatever state the input left it in) and a fresh device context opens the next.
    void Restart() {
        DrvEndDoc(&surface, 0);
        EndDocPrinter(printer);
        DrvDisablePDEV(dhpdev);
        PlatGdiDeleteDevice(hdev);
        Enable();
        StartJob();
    }
};
