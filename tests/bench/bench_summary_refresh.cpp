// A setting changed while the settings summary is open (Japanese build, the full table of 43 rows):
// the constraint pass with the summary's switches, then every row's text and marks refreshed, as
// a page does after each change. The refresh alone is measured beside it.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench_page_printer.h"
#include "resources/lang/summary_ids.h"
#include "ui/pages/page_switches.h"
#include "ui/pages/summary_tree.h"
#include "win/tree_view.h"
#include "win/user.h"

using namespace orla;

namespace {

constexpr UINT kFullTableRows = 43;

struct WindowDestroy {
    void operator()(HWND__* w) const {
        if (IsWindow(w)) DestroyWindow(w);
    }
};

// The summary dialog over the sample printer, opened once for the program as a page opens it
// (the page busy with a manager, so the tree takes the full table).
class OpenSummary {
public:
    OpenSummary() : printer_("orla-bench-summary") {
        PageContext* page = printer_.page();
        page->flags = kPageBusyManager;
        dialog_.reset(CreateDialogParamW(printer_.ui()->hResDll, MAKEINTRESOURCEW(orla_res::summary::kTemplateSummary),
                                         nullptr, SettingsSummaryDialogProc, reinterpret_cast<LPARAM>(page)));
        bench::Require(dialog_ && page->hTree, "the summary dialog and its tree");
    }
    PageContext* page() { return printer_.page(); }
    DriverDevmode& current() { return printer_.current(); }
    HWND dialog() const { return dialog_.get(); }
    UINT Rows() { return static_cast<UINT>(SendMessageW(page()->hTree, TVM_GETCOUNT, 0, 0)); }

private:
    bench::PagePrinter printer_;
    std::unique_ptr<HWND__, WindowDestroy> dialog_;  // goes before the printer's context
};

OpenSummary& Summary() {
    static OpenSummary summary;
    return summary;
}

// The orientation as the basic page writes it (with its remembered copy), flipped each turn so
// that every pass and refresh sees a change.
void FlipOrientation(DriverDevmode& r, bool landscape) {
    const SHORT orientation = landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    Set(r, dm::Orientation, orientation);
    Set(r, dm::PrevOrientation, static_cast<WORD>(orientation));
}

void CheckFullTable(benchmark::State& state, OpenSummary& s) {
    if (s.Rows() != kFullTableRows) state.SkipWithError("the summary does not show the full table");
}

void BM_SummarySettingChanged(benchmark::State& state) {
    OpenSummary& s = Summary();
    CheckFullTable(state, s);
    bool landscape = false;
    for (auto _ : state) {
        landscape = !landscape;
        FlipOrientation(s.current(), landscape);
        RefreshConstraintsAndTree(s.page(), s.dialog(), 0, FALSE);
    }
    if (Get(s.current(), dm::Orientation) != (landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT))
        state.SkipWithError("the pass undid the change");
    state.counters["rows"] = s.Rows();
}
BENCHMARK(BM_SummarySettingChanged)->Unit(benchmark::kMicrosecond);

// The rows' refresh without the pass, after the same change.
void BM_SummaryRowsRefreshed(benchmark::State& state) {
    OpenSummary& s = Summary();
    CheckFullTable(state, s);
    bool landscape = false;
    for (auto _ : state) {
        landscape = !landscape;
        FlipOrientation(s.current(), landscape);
        RefreshTreeItems(s.page());
        benchmark::ClobberMemory();
    }
    state.counters["rows"] = s.Rows();
}
BENCHMARK(BM_SummaryRowsRefreshed)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
