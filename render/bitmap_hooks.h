// The writers behind the bitmap hooks: a 1-bit source bitmap sent as image commands, the
// source test, the engine's halftoning and the rectangle fills of bitmap operations.
#pragma once

#include "win/base.h"
#include "win/ddi.h"
#include "win/gdi.h"

struct PrinterPdev;

// TRUE when the source can be sent without halftoning: an engine bitmap of an accepted format
// (1 bpp) whose palette is black and white. Remembers the palette codes (black 0, white 7) in the
// band record and resets its invert mask.
BOOL IsMonoSource(PrinterPdev* pdev, SURFOBJ* source, XLATEOBJ* xlate);
// The source rectangle as image commands, once per clip piece; while a colour pattern brush is
// captured (state bit 9) it becomes the downloaded pattern instead.
BOOL WriteSourceImage(PrinterPdev* pdev, SURFOBJ* source, CLIPOBJ* clip, const RECTL* target, const RECTL* sourceRect);
// The same with the bits turned a quarter, for a turned sheet with a complex clip.
BOOL WriteRotatedImage(PrinterPdev* pdev, SURFOBJ* source, CLIPOBJ* clip, const RECTL* target, const RECTL* sourceRect);
// EngStretchBlt in halftone mode with the job's image adjustment; the 1-bit result comes back
// through DrvCopyBits. FALSE when a halftone is already running and nesting is not allowed.
BOOL HalftoneThroughEngine(PrinterPdev* pdev, SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip,
                           XLATEOBJ* xlate, POINTL* halftoneOrigin, RECTL* targetRect, RECTL* sourceRect,
                           POINTL* maskPoint);
// Fills the target rectangle with the brush and ROP4 once per clip piece.
BOOL FillRopRectangles(PrinterPdev* pdev, SURFOBJ* target, RECTL* targetRect, BRUSHOBJ* brush, POINTL* brushOrigin,
                       CLIPOBJ* clip, ROP4 rop4);
// byteCount bytes of `source` shifted left by bitOffset (0..7) bits; reads byteCount + 1 bytes
// when the offset is not 0.
void CopyShiftedRow(BYTE* destination, const BYTE* source, ULONG bitOffset, ULONG byteCount);
