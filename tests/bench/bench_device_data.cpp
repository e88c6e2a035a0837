// Device data: a cold compile of each sample description, and GetDeviceData on a warm per-process
// cache (the shared block already built for the printer's data file).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/device_data.h"
#include "core/support.h"
#include "plat/control.h"
#include "win/kernel.h"
#include "win/spool.h"

using namespace orla;

namespace {

std::u16string Widen(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

std::string SourceDir() {
    const char* env = std::getenv("ORLA_SOURCE_DIR");
    return env ? env : ORLA_SOURCE_DIR_DEFAULT;
}

struct Sandbox {
    Sandbox() {
        char dir[] = "/tmp/orla-bench-dd-XXXXXX";
        if (!mkdtemp(dir)) std::abort();
        root = dir;
        PlatSetSandboxRoot(dir);
    }
    ~Sandbox() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    std::string root;
};

Sandbox& TheSandbox() {
    static Sandbox sandbox;
    return sandbox;
}

// Copies a sample into the driver directory and returns its Windows path.
std::u16string InstallSample(const char* file) {
    TheSandbox();
    std::u16string path = std::u16string(PlatDriverDirectory()) + u"\\" + Widen(file);
    if (!PlatCopyIntoSandbox((SourceDir() + "/resources/models/" + file).c_str(), path.c_str())) std::abort();
    return path;
}

void BM_CompileDescription(benchmark::State& state, const char* file) {
    std::u16string path = InstallSample(file);
    for (auto _ : state) {
        CompiledDeviceData* block = CompileDeviceDescription(path.c_str());
        if (!block) {
            state.SkipWithError("compile failed");
            break;
        }
        benchmark::DoNotOptimize(block);
        GlobalFree(block);
    }
}
BENCHMARK_CAPTURE(BM_CompileDescription, HV4400KJ, "HV4400KJ.KDD");
BENCHMARK_CAPTURE(BM_CompileDescription, HV3600E, "HV3600E.KDD");

void BM_GetDeviceDataWarm(benchmark::State& state) {
    std::u16string dataFile = InstallSample("HV4400KJ.KDD");
    std::u16string dir = PlatDriverDirectory();
    std::u16string driver = dir + u"\\Quessa.dll", config = dir + u"\\Talvex.dll";
    PLAT_PRINTER_SETUP setup{u"Bench Printer", u"QEV Halvoric 4400K", u"LPT1:", driver.c_str(),
                             dataFile.c_str(), config.c_str(),        nullptr,  nullptr};
    HANDLE printer = nullptr;
    // The benchmark runs this function more than once; the printer is installed the first time.
    if (!OpenPrinterW(const_cast<LPWSTR>(u"Bench Printer"), &printer, nullptr) &&
        (!PlatInstallPrinter(&setup) || !OpenPrinterW(const_cast<LPWSTR>(u"Bench Printer"), &printer, nullptr))) {
        state.SkipWithError("OpenPrinterW failed");
        return;
    }
    DeviceDataCacheInit();
    const CompiledDeviceData* held = GetDeviceData(printer);  // builds and keeps the shared block
    for (auto _ : state) {
        const CompiledDeviceData* data = GetDeviceData(printer);
        benchmark::DoNotOptimize(data);
        ReleaseDeviceData(data);
    }
    ReleaseDeviceData(held);
    DeviceDataCacheTerm();
    ClosePrinter(printer);
}
BENCHMARK(BM_GetDeviceDataWarm);

// The spooler query every GetDeviceData makes, alone: the share of the platform in the figure above.
void BM_DriverInfoQuery(benchmark::State& state) {
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<LPWSTR>(u"Bench Printer"), &printer, nullptr)) {
        state.SkipWithError("run BM_GetDeviceDataWarm first");
        return;
    }
    for (auto _ : state) {
        BYTE* info = GetDriverInfoAlloc(printer, 2);
        benchmark::DoNotOptimize(info);
        GlobalFree(info);
    }
    ClosePrinter(printer);
}
BENCHMARK(BM_DriverInfoQuery);

}  // namespace

BENCHMARK_MAIN();
