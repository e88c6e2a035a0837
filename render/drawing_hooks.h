// What the drawing hooks (bitmaps, paths, text) share: the prologue every hook runs first, the
// clip walker that turns a clip object into the printer's clip one piece at a time, and the page
// reset of the glyph download cache.
#pragma once

#include "render/pdev.h"  // the state bits the clip walker reads
#include "win/base.h"
#include "win/ddi.h"

struct PrinterPdev;

// The prologue of the bitmap hooks: PDEV check (last error 87), the lazy page start (Japanese
// build), the output-failed test, FS R / FS Y owed, the resolution set-up when the job's
// resolution changed, the download cache's page reset once per page. Returns the checked
// device context, or null when the hook must return FALSE.
PrinterPdev* DrawingHookPrologue(SURFOBJ* surface);
// Only the first step: the device context of the surface, or null with last error 87.
PrinterPdev* CheckedPdevOfSurface(SURFOBJ* surface);

// Clip walker: call with first = TRUE, then again with FALSE while it returns TRUE (more pieces
// follow). Each call writes the printer's clip for its piece (clip rectangle or clip path) and
// gives the piece's bounds in device pixels; *havePiece is FALSE when the call yielded none.
BOOL WalkClip(PrinterPdev* pdev, CLIPOBJ* clip, BOOL first, RECTL* piece, BOOL* havePiece);

// Page reset of the glyph download cache: entries released, heads cleared, and 0xBC 0x21 0x00
// 0x00 (drop every downloaded font) when downloads are in use.
BOOL ResetDownloadCacheForPage(PrinterPdev* pdev);
