// What the layout-detail dialog keeps while it is open: its mode and hit flags, the papers it
// places the image on, and the preview's rectangles. Zeroed each time the dialog opens.
#pragma once

#include "win/base.h"
#include "win/user.h"

namespace orla {

// layoutFlags: which image (and which of its corner handles) the mouse is over, the drag, and the
// dialog's modes.
inline constexpr DWORD kLayoutHitFront = 0x00000001;
inline constexpr DWORD kLayoutHitFrontHandles = 0x000000F0;  // top-left, top-right, bottom-left, bottom-right
inline constexpr DWORD kLayoutHitBack = 0x00000100;
inline constexpr DWORD kLayoutHitBackHandles = 0x0000F000;
inline constexpr DWORD kLayoutHitMask =
    kLayoutHitFront | kLayoutHitFrontHandles | kLayoutHitBack | kLayoutHitBackHandles;
inline constexpr DWORD kLayoutDragging = 0x00010000;
inline constexpr DWORD kLayoutBackFirst = 0x00020000;  // the back image is hit-tested first
inline constexpr DWORD kLayoutResizable = 0x01000000;  // free zoom: the corners resize the image
inline constexpr DWORD kLayoutBackSide = 0x02000000;   // a back side is shown
inline constexpr DWORD kLayoutNup = 0x04000000;        // pages per sheet: the image is the sheet's pages

// The handle bit of a corner (0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right) of a side
// (0 front, 1 back).
constexpr DWORD LayoutHandleBit(int side, int corner) {
    return (side == 0 ? 0x10u : 0x1000u) << corner;
}
constexpr DWORD LayoutBodyBit(int side) {
    return side == 0 ? kLayoutHitFront : kLayoutHitBack;
}

inline constexpr int kLayoutFront = 0, kLayoutBack = 1;
inline constexpr int kCornerTopLeft = 0, kCornerTopRight = 1, kCornerBottomLeft = 2, kCornerBottomRight = 3;

// Lengths in 0.1 mm.
struct LayoutSize {
    LONG width;
    LONG height;
};
struct LayoutMargins {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

// One side's preview: the sheet, its printable area, the image and the image's corner handles,
// in the preview's client pixels.
struct LayoutSideRects {
    RECT sheet;
    RECT printable;
    RECT image;
    RECT handles[4];
};

inline constexpr int kLayoutPaperNameChars = 64;

// Sent by the preview to the dialog after a drag changed the record: show the values again.
inline constexpr UINT kMsgLayoutChanged = WM_APP + 0x40;

struct LayoutState {
    DWORD layoutFlags;
    POINT dragPoint;        // the last mouse position of a drag, in the preview's client coordinates
    WORD previewPaperSize;  // the long side of a sheet in the preview, in pixels
    POINT defaultOrigin[2];
    LayoutSize logicalPaper;  // the page
    LayoutSize outputPaper;   // the sheet it is printed on
    WCHAR paperName[kLayoutPaperNameChars];
    LayoutMargins pageMargins;
    LayoutMargins sheetMargins;  // also the front side's default position (left, top)
    LayoutSideRects side[2];
    // The preview's static background, drawn once and kept until the preview goes.
    HDC cacheDc;
    HBITMAP cacheBitmap;
    HGDIOBJ cacheOldBitmap;
    HPEN cachePens[2];
    HWND preview;
    WNDPROC previewOldProc;
};

}  // namespace orla
