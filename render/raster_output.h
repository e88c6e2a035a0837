// The image commands and the band writers: a finished block of the banding surface goes out as
// a 1-bit image (0xF2, or 0xF4 when it is scaled), delta-row compressed when that is shorter.
#pragma once

#include <cstddef>

#include "render/pdev.h"
#include "render/row_compression.h"

// Image kinds of the image commands (the glyph writers use others).
inline constexpr BYTE kImageKindRaster = 0;

// Image command bytes.
inline constexpr BYTE kImageCommand = 0xF2;
inline constexpr BYTE kScaledImageCommand = 0xF4;
inline constexpr size_t kImageHeaderSize = 12;
inline constexpr size_t kScaledImageHeaderSize = 16;

// The scaled image header (0xF4, kind, 0x00, format, four 16-bit sizes, 32-bit data length)
// and then `byteCount` bytes of `data`. The result of the output writer.
BOOL WriteImageBlock(PrinterPdev* pdev, BYTE kind, BYTE format, WORD sourceWidth, WORD sourceHeight, WORD targetWidth,
                     WORD targetHeight, DWORD byteCount, const BYTE* data);

// One 1-bit image of `rows` rows, `width` pixels and `rowBytes` bytes each, `stride` bytes apart
// in `bits`: the 0xF2 header (0xF4 with the target size when `scaled`) and the rows, delta-row
// compressed when allowed and shorter. The result of the output writer.
struct ImageRows {
    const BYTE* bits;
    LONG width;
    LONG rows;
    size_t rowBytes;
    ptrdiff_t stride;
    bool scaled;
    LONG targetWidth;
    LONG targetHeight;
};
BOOL SendImageRows(PrinterPdev* pdev, const ImageRows& image, bool mayCompress);

// One block of the banding surface (0 = black): `width` pixels x `rows` rows whose top-left is
// `position` (page pixels of the band), `bits` its first row, `rowLength` bytes from one row to
// the next and `byteCount` = rowLength x rows. The printer gets the block complemented: rows
// that go out compressed are complemented on the way, rows that go out plain in place. The
// raster operation, clip and move go first; a block outside the page is dropped. The one-page
// form cuts rows at the page's right edge; the laid-out form places the block in its cell.
void WriteBandImage(PrinterPdev* pdev, LONG width, LONG rows, POINTL position, BYTE* bits, DWORD byteCount,
                    LONG rowLength);
void WriteBandImageLaidOut(PrinterPdev* pdev, LONG width, LONG rows, POINTL position, BYTE* bits, DWORD byteCount,
                           LONG rowLength);

// Sends a whole band (DrvNextBand): blocks of non-white rows, each at most `maxRows` rows, through
// the band writer of the layout, after leaving the page-control mode. `origin` is the band's
// top-left in page pixels. Returns the number of blocks written.
LONG WriteBandBlocks(PrinterPdev* pdev, BYTE* bits, LONG width, LONG height, LONG rowLength, POINTL origin,
                     LONG maxRows);

// TRUE when `length` bytes are all 0xFF (a white row of the banding surface).
BOOL IsWhiteRow(const BYTE* row, size_t length);
