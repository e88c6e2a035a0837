// Jobs through the graphics DLL, driven by the print-path runner as GDI and the spooler would:
// a blank 600 dpi A4 page, a 20-page job, and a 10-page job in band mode whose pages carry the
// runner's sample content (drawn by the runner, then cut, compressed and sent by the driver).
// Each reports the time per page.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_sandbox.h"
#include "tools/print_runner/print_runner.h"

namespace {

std::string EnvOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

// One sandbox for the whole program: the printer is installed once, as on a real machine.
const std::string& SandboxRoot() {
    static const bench::Sandbox sandbox("orla-bench-render");  // removed at the end, spool files and all
    return sandbox.root();
}

orla::runner::RunOptions Options(bool japanese, int pages) {
    orla::runner::RunOptions options;
    options.sandboxRoot = SandboxRoot() + (japanese ? "/ja" : "/en");
    std::filesystem::create_directories(options.sandboxRoot);
    options.binDir = EnvOr("ORLA_BIN_DIR", ORLA_BENCH_BIN_DIR);
    std::string source = EnvOr("ORLA_SOURCE_DIR", ORLA_BENCH_SOURCE_DIR);
    options.modelFile = source + (japanese ? "/resources/models/HV4400KJ.KDD" : "/resources/models/HV3600E.KDD");
    options.japanese = japanese;
    options.paper = u"A4";
    options.dpi = 600;
    options.pages = pages;
    return options;
}

void RunJobs(benchmark::State& state, bool japanese, int pages, bool banded = false) {
    orla::runner::RunOptions options = Options(japanese, pages);
    if (banded) {
        options.rasterMode = true;
        options.content = orla::runner::PageContent::Sample;
    }
    size_t bytes = 0;
    for (auto _ : state) {
        orla::runner::RunResult result = orla::runner::RunJob(options);
        if (!result.ok) {
            state.SkipWithError(result.error.c_str());
            return;
        }
        bytes += result.job.size();
        benchmark::DoNotOptimize(result.job.data());
    }
    state.counters["page_time"] = benchmark::Counter(
        static_cast<double>(pages), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["job_bytes"] =
        benchmark::Counter(static_cast<double>(bytes) / static_cast<double>(state.iterations()));
    state.SetItemsProcessed(state.iterations() * pages);
}

void BM_BlankA4Page600dpi(benchmark::State& state) {
    RunJobs(state, state.range(0) != 0, 1);
}
void BM_TwentyPageJob600dpi(benchmark::State& state) {
    RunJobs(state, state.range(0) != 0, 20);
}
void BM_TenSamplePagesBanded600dpi(benchmark::State& state) {
    RunJobs(state, state.range(0) != 0, 10, true);
}

BENCHMARK(BM_BlankA4Page600dpi)->ArgName("japanese")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwentyPageJob600dpi)->ArgName("japanese")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenSamplePagesBanded600dpi)->ArgName("japanese")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
