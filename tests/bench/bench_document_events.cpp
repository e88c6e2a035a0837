// The interface DLL's document events in an application's job through the print runner: the page
// end with the user's stored text stamp (the stored list read, the stamp-drawing library loaded
// for the stamp, the stamp drawn on the page through the graphics DLL, the information and footer
// stamps asked for), the page end with no stamp chosen (the library never loaded), and the silent
// start of the document (host check, the job owner record built and sent, the device context's
// handle). Each reports the time spent inside DrvDocumentEvent only.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench_sandbox.h"
#include "tools/print_runner/print_runner.h"
#include "tools/print_runner/runner_escapes.h"
#include "tools/print_runner/runner_options.h"

namespace {

constexpr int kPages = 10;  // page ends timed per job

std::string EnvOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

bench::Sandbox& Root() {
    static bench::Sandbox sandbox("orla-bench-events");
    return sandbox;
}

orla::runner::RunOptions Options(int pages) {
    orla::runner::RunOptions o;
    o.sandboxRoot = Root().root();
    o.binDir = EnvOr("ORLA_BIN_DIR", ORLA_BENCH_BIN_DIR);
    o.modelFile = EnvOr("ORLA_SOURCE_DIR", ORLA_BENCH_SOURCE_DIR) + std::string("/resources/models/HV4400KJ.KDD");
    o.applicationDc = true;  // the test program is no listed application: the silent start
    o.pages = pages;
    o.content = orla::runner::PageContent::None;
    return o;
}

// The user's stored stamp 1, chosen in the settings: a 24-point text at the centre.
orla::runner::RunOptions WithStoredStamp(orla::runner::RunOptions o) {
    orla::runner::StampChoice stamp;
    stamp.text = u"CONFIDENTIAL";
    stamp.size = 240;
    o.settingPatches = orla::runner::StampPatches(stamp);
    o.userStamps = {orla::runner::StampRecord(stamp)};
    return o;
}

// One job per iteration; the iteration's time is the mean of the events of that kind in the job.
void TimeEvents(benchmark::State& state, const orla::runner::RunOptions& options, int event, size_t expected,
                size_t expectedEscapes) {
    for (auto _ : state) {
        const orla::runner::RunResult r = orla::runner::RunJob(options);
        if (!r.ok) {
            state.SkipWithError(r.error.c_str());
            return;
        }
        double seconds = 0;
        size_t count = 0;
        for (const orla::runner::DocumentEventCall& e : r.documentEvents)
            if (e.event == event) seconds += e.seconds, ++count;
        if (count != expected || r.sentEscapes.size() != expectedEscapes) {
            state.SkipWithError("the job did not send the expected events and escapes");
            return;
        }
        state.SetIterationTime(seconds / static_cast<double>(count));
    }
}

// Escapes of a Japanese job: the owner record and the handle, then three stamp questions a page.
constexpr size_t EscapesOf(int pages) {
    return 2 + 3 * static_cast<size_t>(pages);
}

void BM_EndPageStoredTextStamp(benchmark::State& state) {
    TimeEvents(state, WithStoredStamp(Options(kPages)), orla::runner::kEventEndPage, kPages, EscapesOf(kPages));
}
BENCHMARK(BM_EndPageStoredTextStamp)->UseManualTime()->Iterations(10)->Unit(benchmark::kMicrosecond);

void BM_EndPageNoStamp(benchmark::State& state) {
    TimeEvents(state, Options(kPages), orla::runner::kEventEndPage, kPages, EscapesOf(kPages));
}
BENCHMARK(BM_EndPageNoStamp)->UseManualTime()->Iterations(10)->Unit(benchmark::kMicrosecond);

void BM_StartDocPostSilent(benchmark::State& state) {
    TimeEvents(state, Options(1), orla::runner::kEventStartDocPost, 1, EscapesOf(1));
}
BENCHMARK(BM_StartDocPostSilent)->UseManualTime()->Iterations(50)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
