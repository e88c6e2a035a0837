// The option-list page after a choice (Japanese build, the long list of 14 items with the trust-
// marking library installed): the density chosen in the value combo is written, the constraint
// pass runs and the item list is refilled, as the page does for each choice. The list's refill
// alone is measured beside it.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench_page_printer.h"
#include "ui/pages/item_lists.h"
#include "ui/pages/option_list_page.h"
#include "win/property_sheet.h"
#include "win/user.h"
#include "win/user_controls.h"

using namespace orla;

namespace {

namespace ids = orla_res::option_list;
constexpr WORD kDensityItem = 440;
constexpr size_t kLongListItems = 14;

struct WindowDestroy {
    void operator()(HWND__* w) const {
        if (IsWindow(w)) DestroyWindow(w);
    }
};

// The page over the sample printer, made once for the program as the sheet makes it, with the
// density's line selected.
class OpenOptionList {
public:
    OpenOptionList() : printer_("orla-bench-option-list") {
        // A page is a child dialog: it sits in a window of its own, as in the sheet.
        host_.reset(CreateWindowExW(0, u"Static", u"", WS_POPUP, 0, 0, 600, 500, nullptr, nullptr, nullptr, nullptr));
        bench::Require(host_ != nullptr, "the page's host window");
        sheetPage_.dwSize = sizeof sheetPage_;
        sheetPage_.lParam = reinterpret_cast<LPARAM>(printer_.page());
        dialog_.reset(CreateDialogParamW(printer_.ui()->hResDll, MAKEINTRESOURCEW(ids::kTemplatePage), host_.get(),
                                         OptionListPageProc, reinterpret_cast<LPARAM>(&sheetPage_)));
        bench::Require(dialog_ != nullptr, "the option-list page");
        const int line = Line(kDensityItem);
        bench::Require(line >= 0, "the density's line");
        SendDlgItemMessageW(dialog(), ids::kItems, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
        Command(ids::kItems, LBN_SELCHANGE);
    }
    HWND dialog() const { return dialog_.get(); }
    DriverDevmode& current() { return printer_.current(); }
    int Line(WORD item) const {
        const auto n = SendDlgItemMessageW(dialog(), ids::kItems, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < n; ++i)
            if (SendDlgItemMessageW(dialog(), ids::kItems, LB_GETITEMDATA, i, 0) == item) return i;
        return -1;
    }
    size_t Lines() const { return static_cast<size_t>(SendDlgItemMessageW(dialog(), ids::kItems, LB_GETCOUNT, 0, 0)); }
    // A choice in the value combo as the user makes it.
    void Choose(int index) {
        SendDlgItemMessageW(dialog(), ids::kValue, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        Command(ids::kValue, CBN_SELCHANGE);
    }
    const UiContext& ui() { return *printer_.ui(); }

private:
    void Command(int id, int code) {
        SendMessageW(dialog(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog(), id)));
    }
    bench::PagePrinter printer_;
    PROPSHEETPAGEW sheetPage_{};
    std::unique_ptr<HWND__, WindowDestroy> host_;  // the windows go before the printer's context
    std::unique_ptr<HWND__, WindowDestroy> dialog_;
};

OpenOptionList& Page() {
    static OpenOptionList page;
    return page;
}

void CheckLongList(benchmark::State& state, OpenOptionList& p) {
    if (p.Lines() != kLongListItems) state.SkipWithError("the page does not show the long list");
}

// Density 2 and 4 in turn: each turn writes the record, runs the pass and refills the list.
void BM_OptionListChoice(benchmark::State& state) {
    OpenOptionList& p = Page();
    CheckLongList(state, p);
    bool dark = false;
    for (auto _ : state) {
        dark = !dark;
        p.Choose(dark ? 3 : 1);
    }
    if (Get(p.current(), dm::PrintDensity) != (dark ? 4 : 2)) state.SkipWithError("the choice was not written");
    state.counters["lines"] = static_cast<double>(p.Lines());
}
BENCHMARK(BM_OptionListChoice)->Unit(benchmark::kMicrosecond);

// The item list's refill alone (14 lines: names, values and their texts loaded).
void BM_OptionListRefill(benchmark::State& state) {
    OpenOptionList& p = Page();
    CheckLongList(state, p);
    const std::span<const WORD> items = OptionItemListFor(p.ui());
    const int line = p.Line(kDensityItem);
    for (auto _ : state) FillItemList(p.dialog(), line, ids::kItems, items, 0);
    state.counters["lines"] = static_cast<double>(p.Lines());
}
BENCHMARK(BM_OptionListRefill)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
