// Glyphs the printer does not hold: each is downloaded once into the printer's glyph cache as a
// one-glyph entry of a downloaded font and printed by its code afterwards, or, when it cannot
// be downloaded, sent as an image in the glyph strip format.
#pragma once

#include <vector>

#include "render/pdev.h"

// The zoom of the page in percent (100 until the layout sets one).
inline LONG ZoomPercent(const PrinterPdev* pdev) {
    return pdev->geometry.zoom == 0 ? 100 : pdev->geometry.zoom;
}

// The bitmap of a glyph position (its own, or the engine's for its handle), checked: null when
// there is none or its size is not one a glyph can have.
const GLYPHBITS* GlyphBitsOf(FONTOBJ* font, const GLYPHPOS& glyph);

// The key of a glyph of an engine font in the device context's key; FALSE when the font has no
// metrics or no transform.
BOOL BuildDownloadFontKey(PrinterPdev* pdev, FONTOBJ* font, XFORMOBJ* transform, WORD code);
ULONG HashDownloadFontKey(const PrinterPdev* pdev);

// Prints a glyph from the cache, or downloads and prints it; FALSE when the caller must send it as
// an image (no key, no budget, too large, no memory, output failed).
BOOL DownloadGlyphForRun(PrinterPdev* pdev, FONTOBJ* font, XFORMOBJ* transform, WORD code, const GLYPHBITS* bits,
                         POINTL target);
// The glyph as an image at its position: reduced by the zoom and sent with 0xF2 at zoom 100 or
// less, else scaled by the printer (0xF4). An empty glyph and one outside the page send nothing.
BOOL DownloadScaledGlyph(PrinterPdev* pdev, const GLYPHBITS* bits, POINTL target);
// The glyph strips as a scaled image (0xF4, format 0x10) whose target size carries the zoom.
BOOL DownloadCellGlyph(PrinterPdev* pdev, const GLYPHBITS* bits, POINTL target);

// The glyph strip format: header, strip offsets (/4), per strip its row masks and the 16-bit
// values of the rows that differ from the row above. `rowBytes` bytes per row of `bits`.
std::vector<BYTE> EncodeGlyphStrips(const BYTE* bits, LONG width, LONG height, size_t rowBytes);

// How many device pixels each of n source pixels covers at `zoom` percent, the counts adding up
// to `target`.
std::vector<LONG> BuildPitchTable(LONG zoom, LONG n, LONG target);
// A 1-bit bitmap reduced (or enlarged) through the pitch tables: a device pixel is set when any
// source pixel it takes is set. Rows of (width + 7) / 8 bytes.
std::vector<BYTE> ConvertGlyphBitmap(const BYTE* bits, LONG width, LONG height, size_t rowBytes,
                                     const std::vector<LONG>& pitchX, const std::vector<LONG>& pitchY);

// The text colour level (0xBD) when it differs from the one last sent; black with the settings'
// black-text flag unless the level is white.
BOOL WriteTextColour(PrinterPdev* pdev, BYTE level);
// The move to a glyph drawn as a download or image: its point plus the offset (device-positioning
// placement when that bit is set), stored as the text position.
BOOL WriteGlyphMove(PrinterPdev* pdev, POINTL point, POINTL offset);
