// The preview pictures of the pages: the printed sheet (layout, orientation, duplex binding,
// overlays) and the printer with its option trays, composed from the interface DLL's bitmaps at
// fixed positions, and the caption naming the paper and zoom.
#pragma once

#include <string>
#include <vector>

#include "core/driver_devmode.h"
#include "ui/pages/page_context.h"
#include "win/user_gdi.h"

namespace orla {

// One bitmap to draw: its id, where, and with which raster operation.
struct BitmapPlacement {
    WORD id;
    int x;
    int y;
    DWORD rop;
    bool operator==(const BitmapPlacement&) const = default;
};

// What each picture draws, in order. workingCopy: the record is a sub-dialog's scratch copy.
std::vector<BitmapPlacement> PreviewBasePlacements(const DriverDevmode& record, bool workingCopy);
// version: the device description's "*Version".
std::vector<BitmapPlacement> PaperPicturePlacements(const DriverDevmode& record, LONG version);
// client: the control's client size; picture: the size of the printer's mask bitmap.
std::vector<BitmapPlacement> PrinterPicturePlacements(const DriverDevmode& record, bool modelPicture, SIZE client,
                                                      SIZE picture);
// The zoom caption: the paper, "->" and the output paper when it maps, then the zoom or the
// automatic text.
std::u16string ZoomCaptionText(const DriverDevmode& record);
// The model with a printer picture of its own.
inline constexpr DWORD kOwnPictureModelId = 0x5A525001;

// Draws the bitmaps of module in order; FALSE when one is missing (the rest are still drawn).
BOOL DrawPlacements(HMODULE module, HDC hdc, const std::vector<BitmapPlacement>& placements);
// DrawBitmapAt / DrawBitmapRop: one bitmap at its own size.
BOOL DrawBitmapRop(HMODULE module, HDC hdc, WORD id, int x, int y, DWORD rop);

// The page routines, on the interface DLL's own bitmaps.
BOOL DrawPreviewBitmap(PageContext* page, HDC hdc, BOOL workingCopy);
BOOL DrawPaperPicture(PageContext* page, HDC hdc, HWND dialog);
BOOL SetZoomCaption(PageContext* page, HWND dialog, BOOL workingCopy);
BOOL DrawPrinterPicture(PageContext* page, HDC hdc, HWND control);

}  // namespace orla
