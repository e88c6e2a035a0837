// The document property sheet over the sample printer: opened through compstui, every page
// visited, closed with OK (context, pages, constraint passes, the record handed back).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "plat/control.h"
#include "plat/window_test.h"
#include "win/kernel.h"
#include "win/printer_ui.h"
#include "win/property_sheet.h"
#include "win/spool.h"

namespace {

typedef LONG (*DocumentPropertiesFn)(HWND, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW, DWORD);

std::u16string Widen(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

std::string EnvOr(const char* name, const char* fallback) {
    const char* env = std::getenv(name);
    return env ? env : fallback;
}

// The printer's sandbox is removed when the program ends, as the tools do.
struct SheetPrinter {
    SheetPrinter() {
        char dir[] = "/tmp/orla-bench-sheet-XXXXXX";
        if (!mkdtemp(dir)) std::abort();
        root = dir;
        PlatSetSandboxRoot(dir);
        const std::u16string driverDir = PlatDriverDirectory();
        const std::string bin = EnvOr("ORLA_BIN_DIR", ORLA_BENCH_BIN_DIR);
        const std::string source = EnvOr("ORLA_SOURCE_DIR", ORLA_BENCH_SOURCE_DIR);
        const std::u16string dataFile = driverDir + u"\\HV4400KJ.KDD";
        bool ok = PlatCopyIntoSandbox((source + "/resources/models/HV4400KJ.KDD").c_str(), dataFile.c_str());
        for (const char* dll : {"Quessaj.dll", "Quessae.dll", "Talvex.dll"})
            ok = ok && PlatCopyIntoSandbox((bin + "/" + dll).c_str(), (driverDir + u"\\" + Widen(dll)).c_str());
        ok = ok && PlatCopyIntoSandbox((bin + "/compstui.dll").c_str(), u"C:\\Windows\\System32\\compstui.dll");
        const std::u16string driver = driverDir + u"\\Quessa.dll";
        const std::u16string config = driverDir + u"\\Talvex.dll";
        PLAT_PRINTER_SETUP setup{u"Halvoric",      u"ORLA HV4400KJ.KDD", u"LPT1:", driver.c_str(),
                                 dataFile.c_str(), config.c_str(),       nullptr,  nullptr};
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
        ok = ok && PlatInstallPrinter(&setup) && OpenPrinterW(const_cast<LPWSTR>(u"Halvoric"), &printer, &defaults);
        dll = ok ? LoadLibraryW(config.c_str()) : nullptr;
        docProps = dll ? reinterpret_cast<DocumentPropertiesFn>(
                             reinterpret_cast<void*>(GetProcAddress(dll, "DrvDocumentProperties")))
                       : nullptr;
        if (!docProps) std::abort();
        const LONG size = docProps(nullptr, printer, nullptr, nullptr, nullptr, 0);
        in.resize(static_cast<size_t>(size));
        out.resize(static_cast<size_t>(size));
        if (docProps(nullptr, printer, nullptr, Dm(in), nullptr, DM_COPY) != IDOK) std::abort();
    }
    ~SheetPrinter() {
        FreeLibrary(dll);
        ClosePrinter(printer);
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    SheetPrinter(const SheetPrinter&) = delete;
    SheetPrinter& operator=(const SheetPrinter&) = delete;
    static DEVMODEW* Dm(std::vector<BYTE>& b) { return reinterpret_cast<DEVMODEW*>(b.data()); }
    std::string root;
    HANDLE printer = nullptr;
    HMODULE dll = nullptr;
    DocumentPropertiesFn docProps = nullptr;
    std::vector<BYTE> in, out;
};

// The user: every page of the five in turn, then OK. A page the sheet did not show is counted, so
// a run that skipped pages is not taken for a whole one.
struct Visit {
    static constexpr int kPages = 5;
    int step = 0;
    int missed = 0;
    static BOOL Turn(HWND sheet, void* self) {
        auto* v = static_cast<Visit*>(self);
        const int step = v->step++;
        if (step < kPages) {
            SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(step), 0);
            if (SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0) != SendMessageW(sheet, PSM_INDEXTOHWND, step, 0) ||
                SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0) == 0)
                ++v->missed;
            return TRUE;
        }
        return PlatPressButton(sheet, IDOK);
    }
};

void BM_DocumentSheetVisitAllOk(benchmark::State& state) {
    static SheetPrinter p;
    Visit visit;
    PlatSetModalIdleHandler(Visit::Turn, &visit);
    for (auto _ : state) {
        visit.step = 0;
        visit.missed = 0;
        LONG r = p.docProps(nullptr, p.printer, nullptr, SheetPrinter::Dm(p.out), SheetPrinter::Dm(p.in),
                            DM_COPY | DM_PROMPT);
        if (r != IDOK) state.SkipWithError("the sheet did not end with OK");
        if (visit.missed != 0) state.SkipWithError("the sheet did not show every page");
        benchmark::DoNotOptimize(r);
    }
    PlatSetModalIdleHandler(nullptr, nullptr);
}
BENCHMARK(BM_DocumentSheetVisitAllOk)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
