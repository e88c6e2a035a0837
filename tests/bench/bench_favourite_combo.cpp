// A favourite chosen in the basic page's favourites combo, as a user picks it: the page applies it
// (its fixed bits, a factory favourite's own steps, the copy block), runs the constraint pass and
// fills its controls again; then the favourites list of the print-time dialog marks whether the
// settings still hold what its selected favourite fixes. Each iteration is one choice; the user
// goes back and forth between the favourite measured and another one that fixes something else
// (the standard favourite for the duplex one, the duplex one for the user's own, which the standard
// favourite leaves matching), so that every choice applies something and the mark flips each time.
// The factory run comes first, on a printer whose table was never saved (the combo and the apply
// read the factory set); the user's run saves its favourite, so the table is read from then on.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_page_printer.h"
#include "plat/window_test.h"
#include "resources/lang/basic_page_ids.h"
#include "resources/lang/favourites_ids.h"
#include "resources/lang/sheet_ids.h"
#include "ui/pages/basic_page.h"
#include "ui/pages/basic_page_favourites.h"
#include "ui/pages/favourite_dialogs.h"
#include "ui/tools/favourite_dialog_rules.h"
#include "ui/tools/favourites_store.h"
#include "win/list_view.h"
#include "win/property_sheet.h"
#include "win/user_controls.h"

using namespace orla;

namespace {

constexpr DWORD kStandard = 0, kDuplexLong = 2;
constexpr SHORT kUserCopies = 3;
constexpr DWORD kMatchListStyle = WS_CHILD | WS_VISIBLE | LVS_ICON | LVS_SINGLESEL | LVS_SHOWSELALWAYS;

// The sample printer; the user's own favourite (three copies of the settings the basic page
// shows) is saved on the page the first time a run needs it, as the save dialog saves it.
class FavouritesPrinter {
public:
    FavouritesPrinter() : printer_("orla-bench-favourites") {}
    UiContext* ui() { return printer_.ui(); }
    PageContext* page() { return printer_.page(); }
    // The user favourite's number, saved from the page's current settings when it is not yet.
    DWORD UserFavourite(HWND basicPage) {
        if (userNumber_ != 0) return userNumber_;
        UiContext* ui = printer_.ui();
        const SHORT copies = Get(ui->currentDevmode, dm::Copies);
        Set(ui->currentDevmode, dm::Copies, kUserCopies);
        const FavouriteRecord mine = BuildUserFavourite(ui, u"three copies", u"for the meeting");
        Set(ui->currentDevmode, dm::Copies, copies);
        if (StoreFavourite(basicPage, ui, FavouriteNumber(mine), mine) != FavouriteStore::Appended) return 0;
        FillFavouritesCombo(ui, basicPage);
        userNumber_ = FavouriteNumber(mine);
        return userNumber_;
    }

private:
    bench::PagePrinter printer_;
    DWORD userNumber_ = 0;  // the standard favourite's number: none saved yet
};

FavouritesPrinter& Printer() {
    static FavouritesPrinter printer;
    return printer;
}

// A window holding list view 1109 with one item, selected, that points at the favourite: what the
// print-time dialog shows while that favourite is its choice.
class MatchList {
public:
    explicit MatchList(const FavouriteRecord& favourite) : favourite_(favourite) {
        WNDCLASSW c{};
        if (!GetClassInfoW(nullptr, kClass, &c)) {
            c.lpfnWndProc = DefWindowProcW;
            c.lpszClassName = kClass;
            bench::Require(RegisterClassW(&c) != 0, "the match list's window class");
        }
        parent_ =
            CreateWindowExW(0, kClass, u"", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
        HWND view =
            CreateWindowExW(0, WC_LISTVIEWW, nullptr, kMatchListStyle, 0, 0, 280, 180, parent_,
                            reinterpret_cast<HMENU>(static_cast<LONG_PTR>(orla_res::favourites::kFavouriteMatchList)),
                            nullptr, nullptr);
        bench::Require(parent_ && view, "the match list");
        const std::u16string name = FavouriteName(favourite_);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
        item.pszText = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(name.c_str()));
        item.lParam = reinterpret_cast<LPARAM>(&favourite_);
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        bench::Require(SendMessageW(view, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) == 0,
                       "the match list's item");
    }
    ~MatchList() { DestroyWindow(parent_); }
    MatchList(const MatchList&) = delete;
    MatchList& operator=(const MatchList&) = delete;

    HWND window() const { return parent_; }
    bool Marked() const {
        HWND view = GetDlgItem(parent_, orla_res::favourites::kFavouriteMatchList);
        const auto state = static_cast<UINT>(SendMessageW(view, LVM_GETITEMSTATE, 0, kFavouriteMarkMask));
        return (state & kFavouriteChangedMark) != 0;
    }

private:
    static constexpr char16_t kClass[] = u"OrlaBenchMatchList";
    FavouriteRecord favourite_;
    HWND parent_ = nullptr;
};

int EntryOf(HWND combo, DWORD number) {
    const auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i)
        if (static_cast<DWORD>(SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)) == number) return i;
    return -1;
}

// One run of the benchmark inside the sheet: the user's first turn does every choice, the next
// one closes the sheet.
struct ChoiceRun {
    benchmark::State* state;
    bool userFavourite;
    bool done = false;
};

// The favourite, then the other one, each applied with its mark: the mark must be off right after
// the favourite and on after the other one, else the figures would be of something else.
bool MarksFollowTheChoice(UiContext* ui, HWND combo, int measured, int other, const MatchList& list) {
    if (!PlatChoose(combo, measured)) return false;
    MarkFavouriteMatch(ui, list.window());
    const bool offAfterIt = !list.Marked();
    if (!PlatChoose(combo, other)) return false;
    MarkFavouriteMatch(ui, list.window());
    return offAfterIt && list.Marked();
}

void ChooseBackAndForth(ChoiceRun& run, HWND sheet) {
    benchmark::State& state = *run.state;
    UiContext* ui = Printer().ui();
    HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    HWND combo = GetDlgItem(page, basic_ids::kFavourites);
    const DWORD number = run.userFavourite ? Printer().UserFavourite(page) : kDuplexLong;
    const DWORD otherNumber = run.userFavourite ? kDuplexLong : kStandard;
    const int measured = EntryOf(combo, number), other = EntryOf(combo, otherNumber);
    FavouriteRecord favourite{};
    if (number == kStandard || measured < 0 || other < 0 || !FavouriteFromTable(ui, number, &favourite)) {
        state.SkipWithError("the combo does not offer the favourite");
        return;
    }
    MatchList list(favourite);
    if (!MarksFollowTheChoice(ui, combo, measured, other, list)) {
        state.SkipWithError("the mark does not follow the choice");
        return;
    }
    bool toMeasured = false;
    for (auto _ : state) {
        toMeasured = !toMeasured;
        PlatChoose(combo, toMeasured ? measured : other);
        MarkFavouriteMatch(ui, list.window());
    }
    if (Get(ui->currentDevmode, dm::FavouriteNumber) != (toMeasured ? number : otherNumber))
        state.SkipWithError("the last choice was not applied");
}

BOOL Turn(HWND sheet, void* context) {
    auto& run = *static_cast<ChoiceRun*>(context);
    if (!run.done) {
        run.done = true;
        ChooseBackAndForth(run, sheet);
        return TRUE;
    }
    return PlatPressButton(sheet, IDCANCEL);
}

// The basic page alone in a property sheet, as the sheet tests show it.
void RunOnBasicPage(ChoiceRun& run) {
    FavouritesPrinter& printer = Printer();
    UiContext* ui = printer.ui();
    ApplyChosenFavourite(ui, kStandard, nullptr);  // each run starts from the standard favourite
    PROPSHEETPAGEW describe{};
    describe.dwSize = sizeof describe;
    describe.dwFlags = PSP_HASHELP;
    describe.hInstance = ui->hResDll;
    describe.pszTemplate = MAKEINTRESOURCEW(orla_res::kTemplateBasicPage);
    describe.pfnDlgProc = BasicPageProc;
    describe.lParam = reinterpret_cast<LPARAM>(printer.page());
    HPROPSHEETPAGE pages[] = {CreatePropertySheetPageW(&describe)};
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_DEFAULT;
    header.pszCaption = u"Halvoric";
    header.nPages = 1;
    header.phpage = pages;
    PlatSetModalIdleHandler(Turn, &run);
    PropertySheetW(&header);
    PlatSetModalIdleHandler(nullptr, nullptr);
    if (!run.done) run.state->SkipWithError("the sheet did not open");
}

void BM_FavouriteChosenWithMark(benchmark::State& state, bool userFavourite) {
    ChoiceRun run{&state, userFavourite};
    RunOnBasicPage(run);
}
BENCHMARK_CAPTURE(BM_FavouriteChosenWithMark, factory_duplex_and_standard, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FavouriteChosenWithMark, user_and_factory_duplex, true)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
