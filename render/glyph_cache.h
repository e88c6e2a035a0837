// The glyph download cache: what the printer already holds of downloaded glyphs (1999 hash chains
// of one-glyph entries), the budget of printer memory left for them, and the resets at a page
// set-up, at the first drawing of a page, at the end of a page and at the end of a job. The
// downloading itself (lookup, definition, glyph images) lives with the text writers.
#pragma once

#include "win/base.h"

struct PrinterPdev;

inline constexpr ULONG kDownloadBuckets = 1999;
// Printer memory one downloaded font costs beyond its glyphs; taken once per page.
inline constexpr DWORD kDownloadFontOverhead = 380;
inline constexpr WORD kFirstDownloadFontId = 0xF000;

// One downloaded glyph: its key, the code it was defined under and the font that holds it.
struct DownloadFontEntry {
    DWORD fontFileId;
    DWORD trueTypeId;
    DWORD widthMeasure;
    DWORD heightMeasure;
    DWORD style;
    DWORD angle;
    WORD characterCode;
    WORD glyphCode;
    WORD fontId;
    BOOL glyphIndex;
    DownloadFontEntry* next;  // last: the chain of its bucket
};

struct DownloadCache {
    DownloadFontEntry* heads[kDownloadBuckets];
    DWORD budget;    // bytes the printer still has for downloaded glyphs
    BOOL exhausted;  // a download did not fit: the next page starts empty
    WORD nextGlyphCode;
    WORD fontId;            // identifier of the font new glyphs are defined in
    WORD lastSelectedFont;  // 0 = none selected yet
    BYTE lastTextLevel;     // 0xFF = none sent yet
};

// Glyphs are downloaded only when the device data asks for it (bit 0 of its byte 32) and the
// job is not at 240 dpi.
BOOL DownloadsInUse(const PrinterPdev* pdev);

// Entries released to the PDEV's pool and the heads cleared; nothing written.
void FreeDownloadCache(PrinterPdev* pdev);

// Full reset: entries released, budget = download memory - 380 (0 when the device has less),
// exhausted flag cleared, glyph code 0, font identifier 0xF000, font-started bit cleared, and
// 0xBC 0x21 0x00 0x00 (drop every downloaded font in the printer). Run by the page set-up when it
// switches the resolution mode (whether or not downloads are in use) and by a page start that
// follows a page on which the budget ran out. FALSE when the command could not be written.
BOOL FullResetDownloadCache(PrinterPdev* pdev);

// End of a page: font-started bit cleared, budget reduced by 380 (not below 0), a new font
// identifier, glyph codes from 0 again; earlier entries stay valid. After a page whose budget ran
// out the next page's first drawing hook runs the full reset. Only when downloads are in use.
void EndPageDownloadCache(PrinterPdev* pdev);

// End of a job: entries freed, heads cleared, budget restored. Only when downloads are in use.
void EndJobDownloadCache(PrinterPdev* pdev);

// DrvResetPDEV: the new record takes over what the printer holds of downloaded glyphs (entries
// copied onto its own list, budget, codes and whether the page's cache is prepared). When the
// copies cannot be made, the new record's cache starts over at its next drawing.
void CarryDownloadCache(const PrinterPdev* from, PrinterPdev* to);
