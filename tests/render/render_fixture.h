// Shared fixture of the graphics DLL tests: a fresh sandbox root with the build's sample printer
// installed, a spooler job to write into, and device contexts made either by DrvEnablePDEV or by
// hand (for the output writer, which needs nothing but a printer handle).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/build_variant.h"
#include "plat/control.h"
#include "plat/gdi_control.h"
#include "render/ddi_hooks.h"
#include "render/output_writer.h"
#include "render/pdev.h"
#include "win/kernel.h"
#include "win/spool.h"

namespace render_test {

inline constexpr const char16_t* kPrinterName = u"ORLA Test Printer";

inline std::string SourceDir() {
    const char* dir = std::getenv("ORLA_SOURCE_DIR");
    return dir ? dir : ORLA_TEST_SOURCE_DIR;
}

inline std::string BinDir() {
    const char* dir = std::getenv("ORLA_BIN_DIR");
    return dir ? dir : "";
}

inline const char* ModelFile() {
    return orla::kJapaneseBuild ? "HV4400KJ.KDD" : "HV3600E.KDD";
}
inline const char16_t* DllName() {
    return orla::kJapaneseBuild ? u"Quessa.dll" : u"Brindal.dll";
}
inline const char* ResourceDllName() {
    return orla::kJapaneseBuild ? "Quessaj.dll" : "Brindaj.dll";
}

inline std::u16string Widen(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

inline std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Files in the sandbox's temporary folder (host names).
inline std::vector<std::string> TempFolderFiles() {
    WCHAR temp[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, temp);
    std::vector<std::string> names;
    if (n == 0) return names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(PlatHostPath(temp), ec))
        names.push_back(entry.path().filename().string());
    return names;
}

// Engine-side handles of an enabled device context.
// Owns its device context: disabled when it goes out of scope or is replaced, so a failed
// assertion leaks nothing. Disable() ends it early, as GDI's DrvDisablePDEV would.
struct EnabledPdev {
    DHPDEV dhpdev = nullptr;
    HDEV hdev = nullptr;
    GDIINFO gdiInfo{};
    DEVINFO devInfo{};
    SURFOBJ surface{};

    EnabledPdev() = default;
    EnabledPdev(const EnabledPdev&) = delete;
    EnabledPdev& operator=(const EnabledPdev&) = delete;
    EnabledPdev(EnabledPdev&& other) noexcept { *this = std::move(other); }
    EnabledPdev& operator=(EnabledPdev&& other) noexcept {
        if (this == &other) return *this;
        Disable();
        dhpdev = std::exchange(other.dhpdev, nullptr);
        hdev = other.hdev;
        gdiInfo = other.gdiInfo;
        devInfo = other.devInfo;
        surface = other.surface;
        return *this;
    }
    ~EnabledPdev() { Disable(); }

    void Disable() {
        if (dhpdev != nullptr) DrvDisablePDEV(std::exchange(dhpdev, nullptr));
    }
    PrinterPdev* pdev() const { return reinterpret_cast<PrinterPdev*>(dhpdev); }
    SURFOBJ* so() { return &surface; }
};

// A fresh sandbox root with the sample printer installed and opened.
class SandboxTest : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/orla-render-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        root_ = templ;
        PlatSetSandboxRoot(root_.c_str());
        PlatClearInjections();

        std::u16string dir = PlatDriverDirectory();
        std::u16string dataFile = dir + u"\\" + Widen(ModelFile());
        std::u16string driverPath = dir + u"\\" + DllName();
        std::u16string configFile = dir + u"\\Talvex.dll";
        ASSERT_TRUE(PlatCopyIntoSandbox((SourceDir() + "/resources/models/" + ModelFile()).c_str(), dataFile.c_str()));
        std::string resourceDll = BinDir() + "/" + ResourceDllName();
        if (!BinDir().empty() && std::filesystem::exists(resourceDll))
            PlatCopyIntoSandbox(resourceDll.c_str(), (dir + u"\\" + Widen(ResourceDllName())).c_str());

        PLAT_PRINTER_SETUP setup{};
        setup.printerName = kPrinterName;
        setup.driverName = u"ORLA Test Driver";
        setup.portName = u"LPT1:";
        setup.driverPath = driverPath.c_str();
        setup.dataFile = dataFile.c_str();
        setup.configFile = configFile.c_str();
        ASSERT_TRUE(PlatInstallPrinter(&setup));
        ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinterName), &printer_, nullptr));
    }

    void TearDown() override {
        if (jobOpen_) EndDocPrinter(printer_);
        if (printer_ != nullptr) ClosePrinter(printer_);
        for (HDEV hdev : devices_) PlatGdiDeleteDevice(hdev);
        PlatClearInjections();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    // DrvEnablePDEV and DrvCompletePDEV as GDI calls them, with an engine device of its own.
    EnabledPdev EnablePdev(HANDLE printer, DEVMODEW* devmode = nullptr) {
        EnabledPdev e;
        PLAT_GDI_DEVICE_SETUP device{};
        device.hPrinter = printer;
        device.printerName = kPrinterName;
        e.hdev = PlatGdiCreateDevice(&device);
        devices_.push_back(e.hdev);
        e.dhpdev = DrvEnablePDEV(devmode, nullptr, 0, nullptr, sizeof e.gdiInfo, reinterpret_cast<ULONG*>(&e.gdiInfo),
                                 sizeof e.devInfo, &e.devInfo, e.hdev, const_cast<LPWSTR>(kPrinterName), printer);
        if (e.dhpdev != nullptr) {
            PlatGdiBindDevice(e.hdev, e.dhpdev, kHookTable, kHookCount);
            DrvCompletePDEV(e.dhpdev, e.hdev);
        }
        e.surface.dhpdev = e.dhpdev;
        return e;
    }

    // Opens a spooler job for WritePrinter.
    void StartSpoolJob() {
        DOC_INFO_1W doc{};
        doc.pDocName = const_cast<LPWSTR>(u"render test");
        ASSERT_NE(StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&doc)), 0u);
        jobOpen_ = true;
    }

    // Everything the job wrote so far (the spooler's file of the last job).
    std::string SpooledBytes() const {
        const char* path = PlatLastSpoolFile(kPrinterName);
        return path ? ReadHostFile(path) : std::string();
    }

    std::string EndSpoolJob() {
        if (jobOpen_) EndDocPrinter(printer_);
        jobOpen_ = false;
        return SpooledBytes();
    }

    // What the device context wrote since the last call (its output buffer flushed first).
    std::vector<BYTE> NewSpoolBytes(PrinterPdev* pdev) {
        EXPECT_TRUE(FlushSpool(pdev));
        std::string all = SpooledBytes();
        std::vector<BYTE> fresh(all.begin() + static_cast<std::ptrdiff_t>(std::min(spoolSeen_, all.size())), all.end());
        spoolSeen_ = all.size();
        return fresh;
    }

    std::string root_;
    HANDLE printer_ = nullptr;
    bool jobOpen_ = false;
    std::vector<HDEV> devices_;
    size_t spoolSeen_ = 0;
};

// A device context made by hand: only what the output writer needs.
struct BarePdev {
    std::unique_ptr<PrinterPdev> pdev = std::make_unique<PrinterPdev>();

    explicit BarePdev(HANDLE printer) {
        pdev->leadingMagic = kPdevMagic;
        pdev->trailingMagic = kPdevMagic;
        pdev->printer = printer;
        pdev->output.capacity = kOutputBufferCapacity;
        pdev->output.writePointer = pdev->output.data;
        pdev->jobSpool.spoolName[0] = u'0';
        pdev->jobSpool.headerName[0] = u'0';
        pdev->jobSpool.sectionCount = 1;
    }
    PrinterPdev* operator->() { return pdev.get(); }
    PrinterPdev* get() { return pdev.get(); }
};

// Enables the driver for the test and disables it after (the device-data cache lives between).
class DriverTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        if (HasFatalFailure()) return;
        DRVENABLEDATA ded{};
        ASSERT_TRUE(DrvEnableDriver(DDI_DRIVER_VERSION_NT4, sizeof ded, &ded));
    }
    void TearDown() override {
        DrvDisableDriver();
        SandboxTest::TearDown();
    }
};

// A device context enabled through DrvEnablePDEV with a spooler job open; disabled after.
class PdevJobTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        if (HasFatalFailure()) return;
        e_ = EnablePdev(printer_);
        ASSERT_NE(e_.dhpdev, nullptr);
        StartSpoolJob();
    }
    void TearDown() override {
        e_.Disable();
        DriverTest::TearDown();
    }

    EnabledPdev e_;
};

inline size_t Count(const std::string& haystack, const std::string& needle) {
    size_t n = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
    return n;
}

}  // namespace render_test
