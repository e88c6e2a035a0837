// The TrueType substitution dialog's face list: every face of the device context enumerated,
// and every fixed-pitch TrueType face enumerated again for its fonts' full names. Beside it one
// walk over the faces alone, the part of the cost that is not the per-face enumeration.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_sandbox.h"
#include "plat/control.h"
#include "ui/tools/device_tables.h"
#include "win/gdi_fonts.h"
#include "win/user.h"
#include "win/user_paint.h"

namespace {

// A headless window and its client DC for the length of one benchmark.
struct WindowDc {
    HWND window = CreateWindowExW(0, u"Static", u"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    HDC dc = window ? GetDC(window) : nullptr;
    ~WindowDc() {
        if (dc) ReleaseDC(window, dc);
        if (window) DestroyWindow(window);
    }
};

bench::Sandbox& Root() {
    static bench::Sandbox sandbox("orla-bench-faces");
    static const bool set = [] {
        PlatSetSandboxRoot(sandbox.root().c_str());
        return true;
    }();
    (void)set;
    return sandbox;
}

void BM_TrueTypeFaceList(benchmark::State& state) {
    Root();
    WindowDc w;
    if (!w.dc) {
        state.SkipWithError("no device context");
        return;
    }
    size_t faces = 0;
    for (auto _ : state) {
        std::vector<std::u16string> names = orla::ListTrueTypeFaces(w.dc);
        faces = names.size();
        benchmark::DoNotOptimize(names.data());
    }
    state.counters["fonts"] = static_cast<double>(faces);
}
BENCHMARK(BM_TrueTypeFaceList)->Unit(benchmark::kMicrosecond);

int CALLBACK CountFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM lParam) {
    ++*reinterpret_cast<int*>(lParam);
    return 1;
}

void BM_FacesOnce(benchmark::State& state) {
    Root();
    WindowDc w;
    if (!w.dc) {
        state.SkipWithError("no device context");
        return;
    }
    int faces = 0;
    for (auto _ : state) {
        faces = 0;
        EnumFontsW(w.dc, nullptr, CountFace, reinterpret_cast<LPARAM>(&faces));
        benchmark::DoNotOptimize(faces);
    }
    state.counters["faces"] = faces;
}
BENCHMARK(BM_FacesOnce)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
