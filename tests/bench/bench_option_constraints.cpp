// The option constraint pass over the sample printer: one whole pass (every rule with its resolver
// runs and item switches), with the document monitor's answer kept by the context as the UI
// keeps it, and asked on every pass for comparison (the monitor missing, and installed).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/settings.h"
#include "core/support.h"
#include "plat/control.h"
#include "ui/entry/option_constraints.h"
#include "ui/entry/ui_flags.h"
#include "win/kernel.h"
#include "win/registry.h"
#include "win/spool.h"

using namespace orla;

namespace {

std::u16string Widen(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

std::string EnvOr(const char* name, const char* fallback) {
    const char* env = std::getenv(name);
    return env ? env : fallback;
}

// A sandbox with the sample printer installed and opened, its device data and resource DLL.
struct SamplePrinter {
    SamplePrinter() {
        char dir[] = "/tmp/orla-bench-oc-XXXXXX";
        if (!mkdtemp(dir)) std::abort();
        root = dir;
        PlatSetSandboxRoot(dir);
        DeviceDataCacheInit();
        const std::u16string driverDir = PlatDriverDirectory();
        const std::string bin = EnvOr("ORLA_BIN_DIR", ORLA_BENCH_BIN_DIR);
        const std::string source = EnvOr("ORLA_SOURCE_DIR", ORLA_BENCH_SOURCE_DIR);
        const std::u16string dataFile = driverDir + u"\\HV4400KJ.KDD";
        bool ok = PlatCopyIntoSandbox((source + "/resources/models/HV4400KJ.KDD").c_str(), dataFile.c_str());
        for (const char* dll : {"Quessaj.dll", "Quessae.dll"})
            ok = ok && PlatCopyIntoSandbox((bin + "/" + dll).c_str(), (driverDir + u"\\" + Widen(dll)).c_str());
        const std::u16string driver = driverDir + u"\\Quessa.dll";
        const std::u16string config = driverDir + u"\\Talvex.dll";
        PLAT_PRINTER_SETUP setup{u"Halvoric",      u"ORLA HV4400KJ.KDD", u"LPT1:", driver.c_str(),
                                 dataFile.c_str(), config.c_str(),       nullptr,  nullptr};
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
        ok = ok && PlatInstallPrinter(&setup) && OpenPrinterW(const_cast<LPWSTR>(u"Halvoric"), &printer, &defaults);
        data = ok ? GetDeviceData(printer) : nullptr;
        resources = data ? LoadResourceDll(printer) : nullptr;
        if (!resources) std::abort();
        SetDefaultDevmode(&record, printer, nullptr, data);
    }
    ~SamplePrinter() {
        FreeResourceDll(resources);
        ReleaseDeviceData(data);
        ClosePrinter(printer);
        DeviceDataCacheTerm();
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    std::string root;
    HANDLE printer = nullptr;
    const CompiledDeviceData* data = nullptr;
    HMODULE resources = nullptr;
    DriverDevmode record{};
};

// The document monitor installed as its registry entry names it: program and API library.
void InstallDocumentMonitor() {
    static const bool installed = [] {
        const std::string bin = EnvOr("ORLA_BIN_DIR", ORLA_BENCH_BIN_DIR);
        CreateDirectoryW(u"C:\\Program Files", nullptr);
        CreateDirectoryW(u"C:\\Program Files\\Pallidor", nullptr);
        const std::u16string program = u"C:\\Program Files\\Pallidor\\Rellwatch.exe";
        const std::u16string api = u"C:\\Program Files\\Pallidor\\MevApi.dll";
        if (!PlatCopyIntoSandbox((bin + "/MevApi.dll").c_str(), api.c_str())) std::abort();
        HANDLE h =
            CreateFileW(program.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) std::abort();
        CloseHandle(h);
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Korvel\\Pallidor\\Client\\Rellwatch", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
            std::abort();
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(program.c_str()),
                       static_cast<DWORD>(2 * (program.size() + 1)));
        RegSetValueExW(key, u"MevApi", 0, REG_SZ, reinterpret_cast<const BYTE*>(api.c_str()),
                       static_cast<DWORD>(2 * (api.size() + 1)));
        RegCloseKey(key);
        return true;
    }();
    (void)installed;
}

SamplePrinter& Sample() {
    static SamplePrinter sample;
    return sample;
}

void BM_ConstraintPass(benchmark::State& state, bool keepMonitorAnswer, bool monitorInstalled) {
    SamplePrinter& s = Sample();
    if (monitorInstalled) InstallDocumentMonitor();
    DriverDevmode record = s.record;
    SwitchedItems items;
    const ItemSwitches switches = items.Switches(TRUE);
    MonitorProbe probe = MonitorProbe::kNotAsked;
    UINT runs = 0;
    for (auto _ : state) {
        runs = ApplyOptionConstraints(&record, &switches, nullptr, s.printer, s.data, s.resources,
                                      kUiCanChange | kUiDataWritable, keepMonitorAnswer ? &probe : nullptr);
        benchmark::DoNotOptimize(record);
    }
    state.counters["resolver_runs"] = runs;
}
// Without a document monitor, then with one installed (registered in this order, so the first
// two run before it is installed).
BENCHMARK_CAPTURE(BM_ConstraintPass, no_monitor_answer_kept, true, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ConstraintPass, no_monitor_asked_each_pass, false, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ConstraintPass, monitor_answer_kept, true, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ConstraintPass, monitor_asked_each_pass, false, true)->Unit(benchmark::kMicrosecond);

// What a page does after the user changed one setting: the field written as the basic page
// writes it (with its remembered copy where it keeps one), then the pass over the record the last
// pass left (no item switches, the monitor's answer kept, as the page runs it). Each iteration
// flips the setting between two values, so every pass sees a change.
void ChangeOrientation(DriverDevmode& r, bool second) {
    const SHORT orientation = second ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    Set(r, dm::Orientation, orientation);
    Set(r, dm::PrevOrientation, static_cast<WORD>(orientation));
}
bool OrientationKept(const DriverDevmode& r, bool second) {
    return Get(r, dm::Orientation) == (second ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
}
void ChangeCopies(DriverDevmode& r, bool second) {
    Set(r, dm::Copies, SHORT{second ? SHORT{3} : SHORT{1}});
}
bool CopiesKept(const DriverDevmode& r, bool second) {
    return Get(r, dm::Copies) == (second ? 3 : 1);
}

void BM_ConstraintPassAfterOneChange(benchmark::State& state, void (*change)(DriverDevmode&, bool),
                                     bool (*kept)(const DriverDevmode&, bool)) {
    SamplePrinter& s = Sample();
    DriverDevmode record = s.record;
    MonitorProbe probe = MonitorProbe::kNotAsked;
    ApplyOptionConstraints(&record, nullptr, nullptr, s.printer, s.data, s.resources, kUiCanChange | kUiDataWritable,
                           &probe);
    bool second = false;
    for (auto _ : state) {
        second = !second;
        change(record, second);
        ApplyOptionConstraints(&record, nullptr, nullptr, s.printer, s.data, s.resources,
                               kUiCanChange | kUiDataWritable, &probe);
        benchmark::DoNotOptimize(record);
    }
    if (!kept(record, second)) state.SkipWithError("the pass undid the change");
}
BENCHMARK_CAPTURE(BM_ConstraintPassAfterOneChange, orientation, ChangeOrientation, OrientationKept)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ConstraintPassAfterOneChange, copies, ChangeCopies, CopiesKept)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
