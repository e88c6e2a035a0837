// One step of a drag in the layout-detail dialog's live preview: the WM_MOUSEMOVE the preview gets
// while the button is held (the image moved, or resized by its bottom-right corner with the zoom
// worked out again, and the dialog's fields shown anew), then the preview's repaint. The image goes
// back and forth between two places (or two sizes), so every step changes it.
#include <benchmark/benchmark.h>

#include "bench_page_printer.h"
#include "plat/window_test.h"
#include "ui/pages/layout_detail_dialog.h"
#include "ui/pages/layout_drag.h"
#include "ui/pages/layout_geometry.h"
#include "win/user_paint.h"

using namespace orla;

namespace {

constexpr WORD kStartZoom = 60;
constexpr LONG kStartPosition = 100;  // 10.0 mm from the top and the left

// One-sided A4 portrait with no output paper and free zoom at 60 %, the image 10.0 mm in: the
// corners resize it and it has room to move.
void StartRecord(DriverDevmode& r) {
    Set(r, dm::Orientation, SHORT{DMORIENT_PORTRAIT});
    Set(r, dm::Duplex, SHORT{DMDUP_SIMPLEX});
    Set(r, dm::LayoutMode, WORD{1});
    Set(r, dm::OutPaperIndex, WORD{0});
    SetText(r, dm::OutPaperName, u"");
    Set(r, dm::Flags1, (Get(r, dm::Flags1) | kFlags1ManualZoom) & ~kFlags1LayoutInches);
    Set(r, dm::SavedFlags1, Get(r, dm::SavedFlags1) | kFlags1ManualZoom);
    Set(r, dm::Zoom, kStartZoom);
    Set(r, dm::SavedZoom, kStartZoom);
    SetPosition(r, kLayoutFront, kStartPosition, kStartPosition);
    SetPosition(r, kLayoutBack, kStartPosition, kStartPosition);
}

bench::PagePrinter& Printer() {
    static bench::PagePrinter printer("orla-bench-layout");
    return printer;
}

enum class Grip { kBody, kCorner };

struct DragRun {
    benchmark::State* state;
    Grip grip;
    bool done = false;
};

POINT Centre(const RECT& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Where the drag starts, and the other end of the step: the body moves 7 pixels right and 5 down;
// the corner is pulled 1 right and 6 down (along its diagonal, the height leading).
struct Stroke {
    POINT from;
    POINT to;
    DWORD hit;
};
Stroke StrokeFor(const LayoutState& s, Grip grip) {
    if (grip == Grip::kBody) {
        const POINT c = Centre(s.side[kLayoutFront].image);
        return {c, {c.x + 7, c.y + 5}, kLayoutHitFront};
    }
    const POINT c = Centre(s.side[kLayoutFront].handles[kCornerBottomRight]);
    return {c, {c.x + 1, c.y + 6}, LayoutHandleBit(kLayoutFront, kCornerBottomRight)};
}

// What the step changes in the dialog's scratch record: the top position for a move, the zoom for
// a resize.
LONG Watched(const DriverDevmode& r, Grip grip) {
    return grip == Grip::kBody ? PositionTop(r, kLayoutFront) : static_cast<LONG>(Get(r, dm::Zoom));
}

void DragBackAndForth(DragRun& run, HWND dialog) {
    benchmark::State& state = *run.state;
    PageContext* page = Printer().page();
    const DriverDevmode& scratch = page->uiContext->scratchDevmode;
    HWND preview = GetDlgItem(dialog, layout_ids::kPreview);
    const Stroke stroke = StrokeFor(page->layout, run.grip);
    if (!preview || (HitTestLayout(page->layout, stroke.from) & stroke.hit) == 0) {
        state.SkipWithError("the stroke does not start on the image");
        return;
    }
    const LONG before = Watched(scratch, run.grip);
    if (!PlatMousePress(preview, stroke.from.x, stroke.from.y) || GetCapture() != preview ||
        !PlatMouseMove(preview, stroke.to.x, stroke.to.y) || Watched(scratch, run.grip) == before) {
        state.SkipWithError("the preview does not follow the drag");
        PlatMouseRelease(preview, stroke.from.x, stroke.from.y);
        return;
    }
    bool out = true;  // the step above left the image at the far end
    for (auto _ : state) {
        out = !out;
        const POINT at = out ? stroke.to : stroke.from;
        PlatMouseMove(preview, at.x, at.y);
        UpdateWindow(preview);
    }
    RECT unpainted{};
    if (GetUpdateRect(preview, &unpainted, FALSE)) state.SkipWithError("the preview was not repainted");
    PlatMouseRelease(preview, out ? stroke.to.x : stroke.from.x, out ? stroke.to.y : stroke.from.y);
}

BOOL Turn(HWND dialog, void* context) {
    auto& run = *static_cast<DragRun*>(context);
    if (!run.done) {
        run.done = true;
        DragBackAndForth(run, dialog);
        return TRUE;
    }
    return PlatPressButton(dialog, IDCANCEL);
}

void BM_LayoutDragStep(benchmark::State& state, Grip grip) {
    bench::PagePrinter& printer = Printer();
    StartRecord(printer.current());
    DragRun run{&state, grip};
    PlatSetModalIdleHandler(Turn, &run);
    OpenLayoutDetailDialog(printer.page(), nullptr);
    PlatSetModalIdleHandler(nullptr, nullptr);
    if (!run.done) state.SkipWithError("the dialog did not open");
}
BENCHMARK_CAPTURE(BM_LayoutDragStep, body, Grip::kBody)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LayoutDragStep, corner, Grip::kCorner)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
