// Brushes: the block DrvRealizeBrush hands the engine, its selection into the printer's graphics
// state, and the capture of a colour pattern through the bitmap hooks.
#pragma once

#include "win/base.h"
#include "win/ddi.h"

struct PrinterPdev;

// The block DrvRealizeBrush hands the engine: this head, then the pattern bits (rows padded to
// 32 bits, bottom-up unless BMF_TOPDOWN), then the colour table (32 bits an entry).
struct RealisedBrush {
    LONG width;
    LONG height;
    ULONG format;       // BMF_1BPP .. BMF_32BPP
    FLONG bitmapFlags;  // BMF_TOPDOWN
    ULONG colourEntries;
    ULONG colourTableOffset;  // from the start of the block
    ULONG hatch;              // 0..5 hatched brushes, 6 or more pattern brushes
    ULONG reserved;
};
static_assert(sizeof(RealisedBrush) == 32);

// The captured pattern tile: 24 x 24 pixels, 3 bytes a row.
inline constexpr LONG kPatternTile = 24;
inline constexpr size_t kPatternTileBytes = kPatternTile * 3;

// The size code of an 8 x 8 pattern download by resolution (0 unless the settings ask for it).
BYTE PatternSizeCode(const PrinterPdev* pdev);
// Selects the brush for a fill: a solid level, a hatch, a 1-bit pattern as pattern 256, or a
// colour pattern captured through DrvBitBlt; then the operation pair.
BOOL RealizeAndSelectBrush(PrinterPdev* pdev, SURFOBJ* patternSurface, DWORD mixOrRop4, BRUSHOBJ* brush,
                           POINTL* brushOrigin, RECTL* target, SURFOBJ* targetSurface, LONG invert);
// The first byte of each of the first 8 rows, complemented and top-down (turned on a turned
// sheet), as pattern 256 unless the cache holds it.
BOOL WriteBrushPattern8x8(PrinterPdev* pdev, const void* realisedBrush);
// One clip rectangle of a bitmap fill.
BOOL FillRectangleForRop(PrinterPdev* pdev, SURFOBJ* target, BRUSHOBJ* brush, POINTL* brushOrigin, DWORD rop4,
                         const RECTL* rect);
// The tile the bitmap writers built from a captured colour pattern becomes the printer's pattern:
// pattern 256 from its first 8 rows when the settings download small patterns, else pattern 257
// (unless cached); foreground and background operation 0xF0 with levels 16 and 79.
BOOL SelectCapturedPattern(PrinterPdev* pdev, const BYTE (&tile)[kPatternTileBytes]);
// Step 4 of the brush selection: a colour pattern brush is painted into a 24 x 24 bitmap (its
// colours inverted when `invert` is positive) and drawn with DrvBitBlt over the target (at least
// 24 x 24) while state bit 9 is set, so that its halftoned form becomes the downloaded pattern.
BOOL CaptureColourPatternBrush(PrinterPdev* pdev, const RealisedBrush* brush, const RECTL* target,
                               SURFOBJ* targetSurface, LONG invert);
