// The pictures the preview composes, drawn by code as 24-bit device-independent bitmaps: the
// preview base and its markers, portrait and landscape sheets, page contents for each layout,
// binding marks, and the printer with its option trays (each with its mask).
#pragma once

#include <span>
#include <vector>

#include "plat/resource_table.h"
#include "win/gdi.h"

namespace orla {

// Sizes the artwork shares with the placements of the pictures: the sheets' sides, the margin the
// pages keep on every side of the sheet, and the binding marks: where a mark starts along its edge
// (from the sheet's corner) and how deep it is (outside the sheet, its last line on the edge).
inline constexpr int kPreviewSheetShort = 62, kPreviewSheetLong = 88, kPreviewContentMargin = 9;
inline constexpr int kPreviewMarkShortEdgeFrom = 45, kPreviewMarkLongEdgeFrom = 73, kPreviewMarkDepth = 9;
// Colours of the artwork (COLORREF): the preview's background, the pages' frames, the first and
// second page of the order, and the marks of long-edge and short-edge binding.
inline constexpr COLORREF kPreviewBackground = 0xFFCCCC;
inline constexpr COLORREF kPreviewPageFrame = 0x909090, kPreviewFirstPage = 0xC85028, kPreviewSecondPage = 0xD0A040;
inline constexpr COLORREF kPreviewLongEdgeMark = 0x2828C8, kPreviewShortEdgeMark = 0x1C8CE0;

// The print-time dialog's preview: bitmap 800 sets the size of its one item; its pictures are
// drawn in boxes of kJobPictureBox pixels, sheets centred.
inline constexpr int kJobPreviewBase = 800, kJobPreviewWidth = 232, kJobPreviewHeight = 124;
inline constexpr int kJobPictureBox = 100;

// A pixel of a picture drawn by code.
struct ArtworkRgb {
    BYTE r, g, b;
};
// A 24-bit bottom-up DIB (the header, then rows of blue, green, red padded to four bytes) of the
// w x h pixels given top row first.
std::vector<BYTE> BottomUpDib24(int w, int h, const std::vector<ArtworkRgb>& px);

// RT_BITMAP entries of every picture id the preview uses, made once per process.
std::span<const ORLA_RESOURCE> PreviewBitmapResources();

}  // namespace orla
