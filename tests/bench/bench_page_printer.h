// The sample printer (Japanese build) with a UI context and a page context on it, as the pages and
// their dialogs get them: the language resource DLLs and the interface DLL in the driver directory
// (its icons are the pages' icons), the trust-marking library installed so that the settings
// summary shows every row of its table, the duplex unit installed, and the small image list the
// sheet's pages share. Everything lives in a benchmark sandbox removed when the program ends.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_sandbox.h"
#include "core/driver_devmode.h"
#include "core/support.h"
#include "plat/control.h"
#include "ui/entry/printer_data_store.h"
#include "ui/entry/ui_context.h"
#include "ui/entry/ui_flags.h"
#include "ui/pages/page_context.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"
#include "win/tree_view.h"

namespace bench {

inline std::string EnvOr(const char* name, const char* fallback) {
    const char* env = std::getenv(name);
    return env ? env : fallback;
}

inline std::u16string Widen(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

// A set-up step that failed ends the program: a benchmark of a half-made page measures nothing.
inline void Require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "benchmark set-up: %s\n", what);
    std::exit(2);
}

class PagePrinter {
public:
    explicit PagePrinter(const char* prefix) : sandbox_(prefix) {
        PlatSetSandboxRoot(sandbox_.root().c_str());
        orla::DeviceDataCacheInit();
        const std::string bin = EnvOr("ORLA_BIN_DIR", ORLA_BENCH_BIN_DIR);
        const std::string source = EnvOr("ORLA_SOURCE_DIR", ORLA_BENCH_SOURCE_DIR);
        const std::u16string driverDir = PlatDriverDirectory();
        const std::u16string dataFile = driverDir + u"\\HV4400KJ.KDD";
        Require(PlatCopyIntoSandbox((source + "/resources/models/HV4400KJ.KDD").c_str(), dataFile.c_str()),
                "the sample model");
        for (const char* dll : {"Quessaj.dll", "Quessae.dll", "Talvex.dll", "TessalineDrvIf.dll"})
            Require(PlatCopyIntoSandbox((bin + "/" + dll).c_str(), (driverDir + u"\\" + Widen(dll)).c_str()), dll);
        InstallTrustLibrary(driverDir + u"\\TessalineDrvIf.dll");
        const std::u16string driver = driverDir + u"\\Quessa.dll", config = driverDir + u"\\Talvex.dll";
        PLAT_PRINTER_SETUP setup{u"Halvoric",      u"ORLA HV4400KJ.KDD", u"LPT1:", driver.c_str(),
                                 dataFile.c_str(), config.c_str(),       nullptr,  nullptr};
        PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
        Require(PlatInstallPrinter(&setup) && OpenPrinterW(const_cast<LPWSTR>(u"Halvoric"), &printer_, &access),
                "the sample printer");
        interfaceDll_ = LoadLibraryW(config.c_str());
        Require(interfaceDll_ != nullptr, "the interface DLL");
        orla::SetInterfaceModule(interfaceDll_);
        ui_ = orla::CreateUiContext(printer_, nullptr);
        Require(ui_ != nullptr, "the UI context");
        // A document sheet of a user who may change the settings and write the printer data.
        ui_->flags = orla::kUiDocumentSheets | orla::kUiCanChange | orla::kUiDataWritable;
        Set(ui_->currentDevmode, orla::dm::DeviceState(orla::dm::kDuplex),
            WORD{orla::dm::kDeviceInstalled | orla::dm::kDeviceReady});
        ui_->appliedDevmode = ui_->currentDevmode;
        page_.uiContext = ui_;
        page_.smallImages = ImageList_Create(16, 18, ILC_COLOR4 | ILC_MASK, 0, 128);
        Require(page_.smallImages != nullptr, "the small image list");
    }
    ~PagePrinter() {
        if (page_.smallImages) ImageList_Destroy(page_.smallImages);
        orla::DestroyUiContext(ui_);
        orla::SetInterfaceModule(nullptr);
        FreeLibrary(interfaceDll_);
        ClosePrinter(printer_);
        orla::DeviceDataCacheTerm();
    }
    PagePrinter(const PagePrinter&) = delete;
    PagePrinter& operator=(const PagePrinter&) = delete;

    orla::UiContext* ui() { return ui_; }
    orla::PageContext* page() { return &page_; }
    orla::DriverDevmode& current() { return ui_->currentDevmode; }

private:
    // The trust-marking library as its installer registers it.
    static void InstallTrustLibrary(const std::u16string& path) {
        HKEY key = nullptr;
        Require(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tamsa Korvel\\Tessaline Basic", 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS,
                "the trust-marking library's key");
        const LONG rc = RegSetValueExW(key, u"DRVIFInstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                                       static_cast<DWORD>((path.size() + 1) * sizeof(char16_t)));
        RegCloseKey(key);
        Require(rc == ERROR_SUCCESS, "the trust-marking library's path");
    }

    Sandbox sandbox_;  // first made, last removed
    HANDLE printer_ = nullptr;
    HMODULE interfaceDll_ = nullptr;
    orla::UiContext* ui_ = nullptr;
    orla::PageContext page_{};
};

}  // namespace bench
