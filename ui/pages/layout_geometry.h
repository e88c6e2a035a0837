// The layout-detail dialog's arithmetic: the page and sheet it places the image on, its modes,
// the preview's rectangles, the values it shows, centring, mirroring and the image check. Pure
// functions of the settings record and the dialog's layout state.
#pragma once

#include <string>

#include "core/device_data.h"
#include "core/driver_devmode.h"
#include "ui/pages/layout_state.h"
#include "ui/pages/layout_units.h"

namespace orla {

// DWORD 396 bit 23: the dialog shows lengths in inches rather than millimetres.
inline constexpr DWORD kFlags1LayoutInches = 0x00800000;

inline constexpr LONG kZoomMin = 10, kZoomMax = 400;
// A sheet of several pages starts its image this far (0.1 mm) from the top and left edges.
inline constexpr LONG kNupPosition = 100;
// Margins taken for a paper the device data does not list.
inline constexpr LONG kUnlistedMargin = 50;

LayoutUnit LayoutUnitOf(const DriverDevmode& record);

// The position fields of a side (kLayoutFront, kLayoutBack).
DmField<DWORD> PositionTopField(int side);
DmField<DWORD> PositionLeftField(int side);
LONG PositionTop(const DriverDevmode& record, int side);
LONG PositionLeft(const DriverDevmode& record, int side);
void SetPosition(DriverDevmode& record, int side, LONG top, LONG left);

// The modes: resizable (free zoom without overlay or size mapping), back side (duplex with a
// ready duplex unit, not on transparencies, not in the advanced properties) and pages per sheet.
// Bit 24 is only ever set here; callers clear it where the free zoom goes off.
DWORD EvaluateLayoutFlags(DWORD layoutFlags, const DriverDevmode& record, DWORD uiFlags);

// Page and sheet sizes, margins and the sheet's name from the record and the device data's form
// lists. Pages per sheet: the page is the sheet, with margins of 100 all round.
void ComputeLayoutPapers(LayoutState* state, const DriverDevmode& record, const CompiledDeviceData* data);
void MakeNupPage(LayoutState* state);

// The page's printable size, and the image: that size at the zoom (percent), rounded.
LayoutSize PagePrintable(const LayoutState& state);
LayoutSize ImageSize(const LayoutState& state, LONG zoom);

// The preview's rectangles for a client area of clientWidth x clientHeight pixels: one sheet
// centred, or front and back side by side; printable areas and images scaled from 0.1 mm.
void ComputePreviewGeometry(LayoutState* state, const DriverDevmode& record, LONG clientWidth, LONG clientHeight);
// The four 10 x 10 handle squares centred on the image's corners.
void ComputeHandles(LayoutSideRects* side);
// 0.1 mm as preview pixels, and back; 0 (or nothing moved) while the sheet has no size.
LONG ToPreview(const LayoutState& state, LONG tenthsMm);
LONG FromPreview(const LayoutState& state, LONG pixels);
// The sheet's longer side in 0.1 mm.
LONG SheetLongSide(const LayoutState& state);

// What a side's four fields show, in the unit's shown values: top and left positions and the gaps
// left below and to the right of the image.
struct LayoutShownSide {
    LONG top;
    LONG left;
    LONG bottom;
    LONG right;
};
LayoutShownSide ShownSide(const LayoutState& state, const DriverDevmode& record, int side);

// Centring a side: the middle of the shown position and gap, rounded half up, back in 0.1 mm
// (inches truncated).
struct LayoutPosition {
    LONG top;
    LONG left;
};
LayoutPosition CentredPosition(const LayoutState& state, const DriverDevmode& record, int side);

// The back placed as the front's mirror. When an odd number of long-edge binding, pages per sheet
// of 2, 6 or 8, and a rotated paper ("*Version" 4 on) hold, the back keeps the front's top and
// takes its right gap as its left; otherwise it takes the bottom gap as its top and keeps the left.
bool MirrorKeepsTop(const LayoutState& state, const DriverDevmode& record, LONG descriptionVersion);
LayoutPosition MirroredBackPosition(const LayoutState& state, const DriverDevmode& record, LONG descriptionVersion);

// The image meets the sheet's printable area (with a back side, either image will do).
bool CheckImageOnSheet(const LayoutState& state, const DriverDevmode& record);

// The cells the image of a sheet of several pages is split into: 2 into halves, 4 into 2 x 2,
// 6 into 3 x 2, 8 into 4 x 2, 9 into 3 x 3, 16 into 4 x 4; the longer count runs along the
// image's longer side. Other kinds give one cell.
struct LayoutGrid {
    int columns;
    int rows;
};
LayoutGrid NupGrid(WORD pagesPerSheet, bool imageWide);

// "%s (%d.%d x %d.%d mm)" or "%s (%d.%02d x %d.%02d inch)": the sheet's name and size.
std::u16string LayoutCaption(const LayoutState& state, LayoutUnit unit);

}  // namespace orla
