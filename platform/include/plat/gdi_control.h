// The GDI side of the engine for host programs and tests: what GDI itself does before it calls a
// printer graphics DLL (a device for the DLL's PDEV, clip regions, brushes, colour translation)
// and what a test wants to see of engine objects. Driver code never includes this.
#pragma once

#include "win/ddi.h"

extern "C" {

// ---- Devices: the engine's HDEV for one PDEV of a graphics DLL ----
typedef struct _PLAT_GDI_DEVICE_SETUP {
    HANDLE hPrinter;  // the spooler handle GDI passes to DrvEnablePDEV
    LPCWSTR printerName;
    LPCWSTR driverPath;  // Windows path of the graphics DLL (EngGetDriverName)
    LPCWSTR dataFile;    // Windows path of the data file (EngGetPrinterDataFileName)
} PLAT_GDI_DEVICE_SETUP;
HDEV PlatGdiCreateDevice(const PLAT_GDI_DEVICE_SETUP* setup);
// Binds the PDEV that DrvEnablePDEV returned and the DLL's hook table (the engine calls back
// DrvRealizeBrush and DrvCopyBits through it). The table is copied.
BOOL PlatGdiBindDevice(HDEV hdev, DHPDEV dhpdev, const DRVFN* hooks, ULONG count);
// What the engine keeps of the PDEV's GDIINFO: the halftone output format (the format of the
// bitmap the engine halftones into before it hands it to the driver's DrvCopyBits).
BOOL PlatGdiSetDeviceCaps(HDEV hdev, const GDIINFO* gdiinfo);
BOOL PlatGdiDeleteDevice(HDEV hdev);
// The driver's hook for a function index, or null.
PFN PlatGdiDeviceHook(HDEV hdev, ULONG index);
// An application's device context on the printer, as a 32-bit handle value (what it hands the
// driver by escape): the engine device it draws through, and back; 0 / null for none.
DWORD PlatGdiDcOfDevice(HDEV hdev);
HDEV PlatGdiDeviceOfDc(DWORD dcValue);
// The surface the driver last associated with the device (its band or device surface), or null.
HSURF PlatGdiDeviceSurface(HDEV hdev);

// ---- What the engine knows of a surface ----
typedef struct _PLAT_GDI_SURFACE_INFO {
    BOOL valid;
    BOOL banding;     // EngMarkBandingSurface was called
    BOOL associated;  // EngAssociateSurface was called
    FLONG hooks;      // as associated
    ULONG locks;      // outstanding EngLockSurface calls
    ULONG iType;
    ULONG iBitmapFormat;
    SIZEL size;
    LONG stride;  // bytes per scan line (positive)
    BOOL topDown;
    BOOL engineBits;  // the engine allocated the bits
} PLAT_GDI_SURFACE_INFO;
PLAT_GDI_SURFACE_INFO PlatGdiSurfaceInfo(HSURF hsurf);
// Live engine objects (surfaces, palettes, devices, clip, brush and translation objects), for
// leak checks.
ULONG PlatGdiObjectCount(void);

// ---- Clip objects ----
// A clip region that is the union of the given rectangles (empty ones ignored), kept as GDI
// keeps regions: bands of equal height, each a left-to-right list of disjoint rectangles.
// One rectangle gives DC_RECT, more give DC_COMPLEX.
CLIPOBJ* PlatClipCreate(const RECTL* rects, ULONG count);
// A clip object that clips nothing within the bounds (DC_TRIVIAL).
CLIPOBJ* PlatClipCreateTrivial(const RECTL* bounds);
// The bounds of the drawing operation: enumerations with bAll FALSE give only the parts of the
// region inside it. Null forgets it.
void PlatClipSetOperationBounds(CLIPOBJ* pco, const RECTL* bounds);
void PlatClipDelete(CLIPOBJ* pco);

// ---- Paths ----
// A figure: a start point and segments, each a line to pt[0] or a Bezier curve through pt[0],
// pt[1] to pt[2] (28.4 fixed point), closed or open.
typedef struct _PLAT_PATH_SEGMENT {
    BOOL bezier;
    POINTFIX pt[3];
} PLAT_PATH_SEGMENT;
typedef struct _PLAT_PATH_FIGURE {
    POINTFIX start;
    ULONG cSegments;
    const PLAT_PATH_SEGMENT* segments;
    BOOL closed;
} PLAT_PATH_FIGURE;
PATHOBJ* PlatPathCreate(const PLAT_PATH_FIGURE* figures, ULONG count);
// The most points one PATHDATA record carries (besides a subpath's start point); 32 unless set.
void PlatPathSetBatch(PATHOBJ* ppo, ULONG maxPoints);

// ---- Brushes ----
// iSolidColor is the colour index in the target's format.
BRUSHOBJ* PlatBrushCreateSolid(ULONG iSolidColor, ULONG rgb);
// A pattern brush: GDI realises it through the driver's DrvRealizeBrush of the device, with the
// pattern surface, an optional mask, an optional translation and the hatch index (or -1).
BRUSHOBJ* PlatBrushCreatePattern(HDEV hdev, SURFOBJ* psoTarget, HSURF hsurfPattern, HSURF hsurfMask, XLATEOBJ* pxlo,
                                 ULONG iHatch);
void PlatBrushDelete(BRUSHOBJ* pbo);

// ---- Colour translation ----
// Translation between two palettes (either may be null: the identity then). XO_TRIVIAL when
// both are the same, XO_TABLE when the source is indexed.
XLATEOBJ* PlatXlateCreate(HPALETTE hpalSrc, HPALETTE hpalDst);
void PlatXlateDelete(XLATEOBJ* pxlo);

// ---- Transforms ----
// A transform object with the given matrix (the identity when null).
XFORMOBJ* PlatXformCreate(const XFORML* xform);
void PlatXformDelete(XFORMOBJ* pxo);

}  // extern "C"

// ---- Font objects ----
extern "C" {
// A font object as GDI hands it to DrvTextOut and the font queries: face number, font type
// (DEVICE_FONTTYPE for the driver's own fonts, TRUETYPE_FONTTYPE for engine fonts, with any
// FO_SIM_ bits), the notional-to-device transform when hasXform, and the IFIMETRICS of an engine
// font (copied, cjThis bytes; null for a device font).
typedef struct _PLAT_FONT_SETUP {
    ULONG iUniq;
    ULONG iFace;
    FLONG flFontType;
    SIZE sizLogResPpi;
    ULONG ulStyleSize;
    BOOL hasXform;
    XFORML xform;
    const IFIMETRICS* ifi;
} PLAT_FONT_SETUP;
FONTOBJ* PlatFontCreate(const PLAT_FONT_SETUP* setup);
void PlatFontDelete(FONTOBJ* pfo);
}  // extern "C"

// ---- Text objects (platform/src/eng_text.cpp) ----
extern "C" {
// An engine (TrueType) font object over a font file: FreeType renders its glyphs through the
// transform (notional units of the font's em to device pixels, y down) and its IFIMETRICS are
// measured from the file (names, weight, caret slant, em, box) with the character set given.
typedef struct _PLAT_TRUETYPE_SETUP {
    const char* fontFile;  // host path
    LONG faceIndex;
    ULONG charSet;  // ANSI_CHARSET, SHIFTJIS_CHARSET...
    ULONG iUniq;
    ULONG_PTR iFile;
    FLONG flSimulations;  // FO_SIM_BOLD, FO_SIM_ITALIC
    SIZE sizLogResPpi;
    ULONG ulStyleSize;
    XFORML xform;
    const WCHAR* familyName;  // the face name GDI knows the font by; null: the file's own
} PLAT_TRUETYPE_SETUP;
FONTOBJ* PlatTrueTypeFontCreate(const PLAT_TRUETYPE_SETUP* setup);
void PlatTrueTypeFontDelete(FONTOBJ* pfo);
// The glyph handle of a character in an engine font (0 for a missing one, HGLYPH_INVALID for
// an object that is not an engine font).
HGLYPH PlatTrueTypeGlyphOf(FONTOBJ* pfo, WCHAR wc);
// The code page GDI gives strings of a font (932 for SHIFTJIS, 1252 for ANSI, else the ANSI one).
DWORD PlatFontCodePage(FONTOBJ* pfo);

// A string object as GDI hands it to DrvTextOut: handles, positions (device pixels), the
// characters (may be null), accelerator flags and ulCharInc; positions go out in batches of
// `batch` glyphs (32 when 0), and pgp is set only when the whole string fits in one batch.
typedef struct _PLAT_STRING_SETUP {
    ULONG cGlyphs;
    const HGLYPH* handles;
    const POINTL* positions;
    const WCHAR* text;
    FLONG flAccel;
    ULONG ulCharInc;
    ULONG batch;
    DWORD codePage;  // 0: the ANSI code page
} PLAT_STRING_SETUP;
STROBJ* PlatStringCreate(const PLAT_STRING_SETUP* setup);
void PlatStringDelete(STROBJ* pstro);
}  // extern "C"
