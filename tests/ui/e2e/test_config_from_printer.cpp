// The configuration from the printer, end to end: the printer simulator answers the language
// monitor over loopback, the monitor publishes the printer's status into the status manager, and
// the interface DLL, loaded by its file name, reads it back into its capabilities and the
// "DsDriver" values.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "outside/portmon/portmon_config.h"
#include "plat/control.h"
#include "tests/e2e_monitor/monitor_world.h"
#include "win/printer_ui.h"

namespace {

using e2e::Bounded;
using e2e::ClockPump;

constexpr int kWallMs = 60000;
constexpr char16_t kPort[] = u"USB088";
constexpr char16_t kPrinter[] = u"QEV Configured Printer";
constexpr const char* kDll = ORLA_JAPANESE ? "Talvex.dll" : "Morvin.dll";

typedef DWORD (*DeviceCapabilitiesFn)(HANDLE, LPWSTR, WORD, void*, DEVMODEW*);

std::u16string Wide(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

class ConfigFromPrinter : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_TRUE(e2e::EnsureSandbox(&why)) << why;
        ASSERT_TRUE(dorlik_.Bind(&why)) << why;
        dorlik_.Reset();
        // The driver's files where the printer's driver names them.
        const std::u16string dir = PlatDriverDirectory();
        const std::string bin = std::getenv("ORLA_BIN_DIR") ? std::getenv("ORLA_BIN_DIR") : ORLA_BIN_DIR_DEFAULT;
        const std::string source =
            std::getenv("ORLA_SOURCE_DIR") ? std::getenv("ORLA_SOURCE_DIR") : ORLA_SOURCE_DIR_DEFAULT;
        ASSERT_TRUE(
            PlatCopyIntoSandbox((source + "/resources/models/HV4400KJ.KDD").c_str(), (dir + u"\\QV4400K.DAT").c_str()));
        for (const char* file : {"Quessaj.dll", "Quessae.dll", kDll})
            ASSERT_TRUE(PlatCopyIntoSandbox((bin + "/" + file).c_str(), (dir + u"\\" + Wide(file)).c_str())) << file;

        ASSERT_TRUE(plat::LoadMonitor(&lower_, u"C:\\Windows\\System32\\Loopmon.dll", e2e::kPortMonitorName));
        ASSERT_TRUE(plat::LoadMonitor(&language_, u"C:\\Windows\\System32\\Lostrel.dll", e2e::kLanguageMonitorName));
        printersim::Options options;
        options.memoryUnits = 8;  // 256 MB
        sim_ = std::make_unique<printersim::Simulator>(options);
        ASSERT_TRUE(sim_->Start());
        const std::string address = "127.0.0.1:" + std::to_string(sim_->Port());
        ASSERT_TRUE(
            PlatAddPort(kPort, u"Local Port", u"Virtual printer port for USB", PORT_TYPE_WRITE | PORT_TYPE_READ));
        ASSERT_TRUE(portmon::ConfigureLoopbackPort(e2e::kPortMonitorName, kPort, address.c_str(), FALSE));
        ASSERT_TRUE(e2e::InstallPrinter(kPrinter, kPort, &why)) << why;
        ASSERT_TRUE(Bounded("OpenPortEx", kWallMs,
                            [&] { return plat::OpenPort(&port_, &language_, &lower_, kPort, kPrinter); }));
    }
    void TearDown() override {
        dll_.reset();
        if (port_.handle) {
            EXPECT_TRUE(Bounded("ClosePort", kWallMs, [&] { return plat::ClosePort(&port_); }));
        }
        plat::UnloadMonitor(&language_);
        plat::UnloadMonitor(&lower_);
        if (sim_) sim_->Stop();
    }

    // Runs a small job: the monitor talks to the printer and publishes what it reports.
    void PrintAJob() {
        const std::string job =
            std::string(e2e::kUel, 9) + "@PJL ENTER LANGUAGE=ORLA\r\nAAAA" + std::string(e2e::kUel, 9);
        plat::JobOptions jobOptions;
        jobOptions.maxIdleRetries = 400;
        ClockPump pump;
        plat::JobResult r = Bounded("job", kWallMs, [&] {
            return plat::SendJob(&port_, std::span(reinterpret_cast<const BYTE*>(job.data()), job.size()), jobOptions);
        });
        ASSERT_TRUE(r.ended);
    }
    // The interface DLL loaded by its file name, and its DrvDeviceCapabilities.
    DeviceCapabilitiesFn LoadCapabilities() {
        const std::u16string dll = std::u16string(PlatDriverDirectory()) + u"\\" + Wide(kDll);
        dll_.reset(LoadLibraryW(dll.c_str()));
        if (!dll_) return nullptr;
        return reinterpret_cast<DeviceCapabilitiesFn>(
            reinterpret_cast<void*>(GetProcAddress(dll_.get(), "DrvDeviceCapabilities")));
    }

    struct LibraryFree {
        void operator()(HINSTANCE__* m) const { FreeLibrary(m); }
    };
    e2e::Dorlik dorlik_;
    plat::LoadedMonitor lower_, language_;
    plat::HostPort port_;
    std::unique_ptr<printersim::Simulator> sim_;
    std::unique_ptr<HINSTANCE__, LibraryFree> dll_;
};

TEST_F(ConfigFromPrinter, ReportedMemoryReachesCapabilitiesAndDirectory) {
    // A job makes the monitor talk to the printer and publish what it reports.
    const std::string job = std::string(e2e::kUel, 9) + "@PJL ENTER LANGUAGE=ORLA\r\nAAAA" + std::string(e2e::kUel, 9);
    plat::JobOptions jobOptions;
    jobOptions.maxIdleRetries = 400;
    {
        ClockPump pump;
        plat::JobResult r = Bounded("job", kWallMs, [&] {
            return plat::SendJob(&port_, std::span(reinterpret_cast<const BYTE*>(job.data()), job.size()), jobOptions);
        });
        ASSERT_TRUE(r.ended);
    }
    std::string memory;
    ASSERT_TRUE(dorlik_.WaitFor(
        kPrinter, "PrinterMemory", [](const std::string& v) { return e2e::Dword(v) != 0; }, kWallMs, &memory));
    std::string ext;
    ASSERT_EQ(dorlik_.Read(kPrinter, "PrinterExtStatus", &ext), DORLIK_OK);
    ASSERT_TRUE(e2e::Dword(ext) & 0x4) << "the configuration is the printer's own: " << e2e::Dword(ext);

    const std::u16string dll = std::u16string(PlatDriverDirectory()) + u"\\" + Wide(kDll);
    dll_.reset(LoadLibraryW(dll.c_str()));
    ASSERT_NE(dll_, nullptr);
    auto caps = reinterpret_cast<DeviceCapabilitiesFn>(
        reinterpret_cast<void*>(GetProcAddress(dll_.get(), "DrvDeviceCapabilities")));
    ASSERT_NE(caps, nullptr);
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer, &access));
    DWORD reported = 0;
    const DWORD monitorHandles = dorlik_.OpenHandles();  // the monitor's own binding of the port
    {
        ClockPump pump;
        reported = Bounded("DC_PRINTERMEM", kWallMs, [&] {
            return caps(printer, const_cast<LPWSTR>(kPrinter), DC_PRINTERMEM, nullptr, nullptr);
        });
    }
    EXPECT_EQ(reported, e2e::Dword(memory));
    BYTE value[4] = {};
    DWORD type = 0, needed = 0;
    EXPECT_EQ(GetPrinterDataExW(printer, u"DsDriver", u"printMemory", &type, value, 4, &needed),
              static_cast<DWORD>(ERROR_SUCCESS));
    DWORD published = 0;
    std::memcpy(&published, value, 4);
    EXPECT_EQ(published, e2e::Dword(memory));
    ClosePrinter(printer);
    // The interface DLL let its manager go. The monitor's own bindings come and go with its threads
    // (the job-watch thread binds while it watches), so the test waits, woken as each handle
    // closes, until the count is back at most where it was.
    EXPECT_TRUE(dorlik_.WaitOpenHandlesAtMost(monitorHandles, kWallMs));
}

// Whether "PrinterOptConfig" (a count, then 8-byte entries led by the option number) lists it.
bool ListsOption(const std::string& value, WORD option) {
    const DWORD count = e2e::Dword(value);
    for (size_t i = 0; i < count && 4 + 8 * i + 2 <= value.size(); ++i) {
        WORD number = 0;
        std::memcpy(&number, value.data() + 4 + 8 * i, 2);
        if (number == option) return true;
    }
    return false;
}

constexpr WORD kDuplexOption = 1;

// The duplex unit, fitted to the printer or taken out: the status block reports it, the monitor
// publishes it as an installed option, and the interface DLL's capabilities and directory values
// follow it.
class DuplexFromPrinter : public ConfigFromPrinter, public ::testing::WithParamInterface<bool> {};

TEST_P(DuplexFromPrinter, ReachesDcDuplexAndTheDirectory) {
    const bool fitted = GetParam();
    printersim::Installed installed;
    installed.duplexUnit = fitted;
    sim_->SetInstalled(installed);
    ASSERT_NO_FATAL_FAILURE(PrintAJob());
    std::string options;
    ASSERT_TRUE(dorlik_.WaitFor(
        kPrinter, "PrinterOptConfig", [&](const std::string& v) { return ListsOption(v, kDuplexOption) == fitted; },
        kWallMs, &options))
        << e2e::Visible(options);
    std::string ext;
    ASSERT_EQ(dorlik_.Read(kPrinter, "PrinterExtStatus", &ext), DORLIK_OK);
    ASSERT_TRUE(e2e::Dword(ext) & 0x4) << "the configuration is the printer's own";

    DeviceCapabilitiesFn caps = LoadCapabilities();
    ASSERT_NE(caps, nullptr);
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer, &access));
    DWORD duplex = 0;
    {
        ClockPump pump;
        duplex = Bounded("DC_DUPLEX", kWallMs,
                         [&] { return caps(printer, const_cast<LPWSTR>(kPrinter), DC_DUPLEX, nullptr, nullptr); });
    }
    EXPECT_EQ(duplex, fitted ? 1u : 0u);
    BYTE value[4] = {};
    DWORD type = 0, needed = 0;
    EXPECT_EQ(GetPrinterDataExW(printer, u"DsDriver", u"printDuplexSupported", &type, value, 4, &needed),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(value[0], fitted ? 1 : 0);
    ClosePrinter(printer);
}

INSTANTIATE_TEST_SUITE_P(Unit, DuplexFromPrinter, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "Fitted" : "TakenOut"); });

// The input trays the printer has: the bypass tray and feeders 1 to 4. The bins the capabilities
// list are automatic selection, the manual (bypass) tray and each feeder present.
struct TrayCase {
    int trays;
    DWORD bins;
};

class TraysFromPrinter : public ConfigFromPrinter, public ::testing::WithParamInterface<TrayCase> {};

TEST_P(TraysFromPrinter, ReachDcBins) {
    const TrayCase& c = GetParam();
    printersim::Installed installed;
    installed.trays = c.trays;
    sim_->SetInstalled(installed);
    ASSERT_NO_FATAL_FAILURE(PrintAJob());
    std::string bins;
    ASSERT_TRUE(dorlik_.WaitFor(
        kPrinter, "PrinterBinConfig",
        [&](const std::string& v) { return e2e::Dword(v) == static_cast<DWORD>(c.trays); }, kWallMs, &bins))
        << e2e::Visible(bins);
    DeviceCapabilitiesFn caps = LoadCapabilities();
    ASSERT_NE(caps, nullptr);
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer, &access));
    DWORD listed = 0;
    {
        ClockPump pump;
        listed = Bounded("DC_BINS", kWallMs,
                         [&] { return caps(printer, const_cast<LPWSTR>(kPrinter), DC_BINS, nullptr, nullptr); });
    }
    EXPECT_EQ(listed, c.bins);
    ClosePrinter(printer);
}

INSTANTIATE_TEST_SUITE_P(Trays, TraysFromPrinter, ::testing::Values(TrayCase{1, 2}, TrayCase{2, 3}, TrayCase{4, 5}),
                         [](const auto& info) { return "Trays" + std::to_string(info.param.trays); });

}  // namespace
