// The printer's binary graphics state: raster operation, brushes, pen, line width and style,
// downloaded patterns, the current point, clip rectangles and clip paths, and rectangle fills.
// The device context keeps what was last sent (GraphicsStateCache) so that each command goes
// out only when its value changes. Every byte goes through the output writer; numbers are
// big-endian.
#pragma once

#include "win/base.h"
#include "win/ddi.h"

struct PrinterPdev;

// What the printer was last told. ResetGraphicsStateCache gives every field its reset value.
struct GraphicsStateCache {
    BYTE ropForeground;  // 0x68 after a reset (never a real operation pair)
    BYTE ropBackground;
    WORD foregroundLevel;  // 0xFFFF after a reset
    WORD backgroundLevel;
    WORD pattern;           // 1 solid, 2..7 hatches, 256 the 8 x 8 download, 257 the 24 x 24
    BYTE pattern8x8[8];     // 0xFF after a reset
    BYTE pattern24x24[72];  // 0 after a reset
    BYTE penLevel;          // 0xFF after a reset
    BYTE penBackground;     // 0xFF after a reset
    WORD lineWidth;         // 0xFFFF after a reset
    BYTE lineStyle;         // 0xFF after a reset
    LONG x;                 // current position in device pixels (last move or rectangle)
    LONG y;
    BOOL positionKnown;
    RECTL clipSent;  // left, top, left + width, top + height; all 0 = none sent
    // The clip path last sent (whole device pixels), so that an unchanged path is not re-sent.
    POINTL* clipPathPoints;  // block of the PDEV's allocation list, or null
    ULONG clipPathCount;
    BOOL downloadCachePrepared;
    DWORD deviceLimits[6];    // of the memory configuration (download memory, glyph data,
                              // glyph dimension, polygon points, curve points, clip-path points)
    WORD vectorResolution;    // resolution of the last vector mode set-up, 0 = none
    BOOL frameDrawing;        // DrawLayoutFrame is running: clip and rectangle skip the zoom
    BOOL zoomHeld;            // the zoom counts as 100 while a position is written
    LONG pendingImageShiftX;  // image x shift of the bitmap writers, added by the transform
    BYTE textCache[16];       // text-state caches of the text writer (0xFF = not yet sent)
    BYTE patternRop[2];       // operations last sent with A2 and A3 (0x68 after a reset)
    LONG doublingFactor;      // 2 while doubled output is on (vector mode set-up), else 1
    DWORD halftoneKind;       // halftone kind of the device (26 and 35 have level tables); kept
                              // across resets, set by whoever reads it from the device data
};

// ---- Cache ----
// Forgets everything sent: reset values as above, download-cache-prepared cleared, state bit 21
// (doubled output) cleared and bit 20 set, device limits reloaded for the memory size of the
// settings record (the default limits record when the device data names none).
void ResetGraphicsStateCache(PrinterPdev* pdev);

// ---- Raster operation ----
// The device operation of a GDI ROP3: complement, then mirror the eight bits.
constexpr BYTE DeviceRopFromRop3(BYTE rop3) {
    BYTE v = static_cast<BYTE>(~rop3);
    BYTE r = 0;
    for (int i = 0; i < 8; ++i)
        if (v & (1u << i)) r = static_cast<BYTE>(r | (0x80u >> i));
    return r;
}
// The operation of an R2 mix code 1..16 (0 for other codes).
BYTE DeviceRopFromMix(BYTE r2);
// A6 0x00 op op from the high byte of a ROP4, only when the cached pair differs.
BOOL SetRop(PrinterPdev* pdev, DWORD rop4);
// The same for a device operation pair given directly (background 0xAA for hatches etc.).
BOOL SetDeviceRop(PrinterPdev* pdev, BYTE foreground, BYTE background);

// ---- Levels, brushes, pen, line ----
// L = 0..63 for an RGB colour (0x00BBGGRR), through the halftone tables when the settings ask.
BYTE MapGrayToHalftoneLevel(PrinterPdev* pdev, COLORREF rgb);
// 16 + L, the level byte of the brush, pen and pattern commands.
BYTE LevelOf(PrinterPdev* pdev, COLORREF rgb);
// A5 kind foreground background: built-in brush 1 (solid) or a hatch 2..7, unless cached.
BOOL SelectBuiltinBrush(PrinterPdev* pdev, BYTE kind, BYTE foreground, BYTE background);
// Who asks for an operation pair: a brush, a hatch or the pen take different mixes.
enum class MixUser { Brush, Hatch, Pen };
// The operation pair of a fill: from the ROP4's low byte while a bitmap operation fills a
// rectangle (state bit 10), else by the mix rule (pattern copy for a mix the brush cannot take).
void FillOperation(const PrinterPdev* pdev, DWORD mixOrRop4, MixUser user, BYTE* fg, BYTE* bg);
BOOL SelectPen(PrinterPdev* pdev, COLORREF rgb, DWORD mix);
BOOL WriteLineWidth(PrinterPdev* pdev, LONG width);
BOOL WriteLineStyle(PrinterPdev* pdev, BYTE style, BYTE dash);

// Several pages share a sheet whose orientation differs from the page's: hatches, patterns,
// rectangles, clips and images are turned a quarter. Never while the sheet frame is drawn, which
// is drawn as one page a sheet.
bool TurnedSheet(const PrinterPdev* pdev);

// ---- Positions ----
// The device transform of a page point: doubling (outside band mode), zoom, layout cell origin,
// pending image shift, turning for a turned sheet, page offset (front/back pair on duplex).
POINTL TransformPagePoint(PrinterPdev* pdev, POINTL page);
// Move to a page point (B6, B7 or B8), nothing when the position is known and equal.
BOOL WritePointList(PrinterPdev* pdev, const POINTL* point);
BOOL WritePointListNoZoom(PrinterPdev* pdev, const POINTL* point);
// Move to a point already in device pixels (no transform).
BOOL WriteDeviceMove(PrinterPdev* pdev, LONG x, LONG y);
BOOL WriteBigEndian16(PrinterPdev* pdev, WORD value);
BOOL WriteBigEndian32(PrinterPdev* pdev, DWORD value);

// ---- Rectangles and clips ----
// Filled (DB/DD) or outlined (DC/DE) rectangle of page coordinates.
BOOL WriteFilledRectangle(PrinterPdev* pdev, LONG left, LONG top, LONG right, LONG bottom, BOOL outline);
// Computes the device rectangle of a page clip and tells whether it differs from the clip sent.
BOOL WriteRectangleCommand(PrinterPdev* pdev, LONG left, LONG top, LONG right, LONG bottom, RECTL* device);
// Clip rectangle (B1/B2) of page coordinates, cut to the printable area of the page or cell.
BOOL WriteClipRectangle(PrinterPdev* pdev, const RECTL* rect, BOOL frame);
// Clip rectangle of device pixels: a move to (left, top) and B1/B2, nothing when unchanged.
BOOL WriteDeviceClip(PrinterPdev* pdev, LONG left, LONG top, LONG width, LONG height);
// Clip path; FALSE when the path has more points than the clip-path limit.
BOOL WriteClipPath(PrinterPdev* pdev, PATHOBJ* path);
// Frame (outline or corner marks) of the current layout cell, by the setting at offset 494.
BOOL DrawLayoutFrame(PrinterPdev* pdev);

// ---- Vector mode set-up (shared with the path writers) ----
// "SU1,600,0;IP0,0,608,608;" and its siblings by dmPrintQuality; sets the doubling bit and
// factor for 200 and 300 dpi. Written only when the resolution differs from the last one.
BOOL WriteVectorModeSetup(PrinterPdev* pdev);
