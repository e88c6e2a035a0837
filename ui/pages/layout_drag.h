// The layout preview's mouse rules as pure functions of the layout state and the settings record:
// what the pointer is over, and what a press, a move and a release do. The preview's window
// procedure only turns these answers into capture, cursor and pointer calls.
#pragma once

#include "core/driver_devmode.h"
#include "ui/pages/layout_state.h"

namespace orla {

enum class LayoutCursor { kArrow, kSizeAll, kSizeNwse, kSizeNesw };

// Hit test at a point of the preview's client area: the hit bits of layoutFlags (0 for nothing).
// Without resizing, or with pages per sheet, only the image bodies count; otherwise the handles of
// the image tested first, its body, then the other image's handles and body.
DWORD HitTestLayout(const LayoutState& state, POINT point);
LayoutCursor CursorForHit(DWORD hit);

// What the window does after a mouse message: the pointer is put at `pointer` (client
// coordinates) when movePointer is set; the values are shown again and the preview repainted when
// changed is set.
struct LayoutMouseAnswer {
    bool changed;
    bool movePointer;
    POINT pointer;
};

// A press at a client point: the hit is kept, a drag starts on a hit (the hit side becomes the one
// tested first), and on a handle the pointer goes onto the exact corner. FALSE when nothing was hit.
bool BeginLayoutDrag(LayoutState* state, POINT point, LayoutMouseAnswer* answer);
// A move to a client point during a drag: a body moves with the mouse; a handle resizes with the
// page's aspect kept and the opposite corner fixed, refuses a stroke against its diagonal and
// stops at the smallest size. The positions (and, for a resize with free zoom, the zoom) are
// computed back into the record.
LayoutMouseAnswer DragLayout(LayoutState* state, DriverDevmode& record, POINT point);
// The release: the drag ends, the handles follow the image and the pointer goes back to the last
// drag point.
LayoutMouseAnswer EndLayoutDrag(LayoutState* state);

// The smallest image side along the sheet's shorter side: 1 % of the sheet's preview size there,
// rounded up to whole pixels.
LONG MinimumImagePixels(const LayoutState& state);

}  // namespace orla
