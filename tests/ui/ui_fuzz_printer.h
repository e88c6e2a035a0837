// The printer the interface DLL's fuzz targets talk to: the Japanese sample model installed in a
// fuzz sandbox, with the language resource DLL and the status manager where an installed driver
// has them, opened with full access once a process.
#pragma once

#include <cstdlib>
#include <string>

#include "core/device_data.h"
#include "fuzz/fuzz_sandbox.h"
#include "plat/control.h"
#include "win/kernel.h"
#include "win/spool.h"

inline HANDLE FuzzSamplePrinter(const char* tag) {
    static HANDLE printer = [tag] {
        FuzzSandboxRoot(tag);
        orla::DeviceDataCacheInit();
        const std::u16string dir = PlatDriverDirectory();
        const std::u16string data = dir + u"\\HV4400KJ.KDD", driver = dir + u"\\Quessa.dll",
                             config = dir + u"\\Talvex.dll";
        const std::string source =
            std::getenv("ORLA_SOURCE_DIR") ? std::getenv("ORLA_SOURCE_DIR") : ORLA_SOURCE_DIR_DEFAULT;
        const std::string bin = std::getenv("ORLA_BIN_DIR") ? std::getenv("ORLA_BIN_DIR") : ORLA_BIN_DIR_DEFAULT;
        if (!PlatCopyIntoSandbox((source + "/resources/models/HV4400KJ.KDD").c_str(), data.c_str())) std::abort();
        PlatCopyIntoSandbox((bin + "/Quessaj.dll").c_str(), (dir + u"\\Quessaj.dll").c_str());
        PlatCopyIntoSandbox((bin + "/Quessae.dll").c_str(), (dir + u"\\Quessae.dll").c_str());
        PlatCopyIntoSandbox((bin + "/Dorlik.dll").c_str(), u"C:\\Windows\\System32\\Dorlik.DLL");
        // Loaded once and kept: a module unloaded between inputs would take its coverage
        // counters with it while the fuzzer still reads them.
        for (const std::u16string& module :
             {dir + u"\\Quessaj.dll", dir + u"\\Quessae.dll", std::u16string(u"C:\\Windows\\System32\\Dorlik.DLL")})
            LoadLibraryW(module.c_str());
        PLAT_PRINTER_SETUP setup{u"Fuzz",      u"ORLA Fuzz",   u"LPT1:", driver.c_str(),
                                 data.c_str(), config.c_str(), nullptr,  nullptr};
        if (!PlatInstallPrinter(&setup)) std::abort();
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
        HANDLE h = nullptr;
        if (!OpenPrinterW(const_cast<LPWSTR>(u"Fuzz"), &h, &defaults)) std::abort();
        return h;
    }();
    return printer;
}
