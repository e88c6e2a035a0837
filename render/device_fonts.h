// The printer's resident fonts as the graphics DLL offers them to GDI: the device-font records
// loaded from the DLL's resources into the device context, what the font queries and the text
// writers read of them, the process-wide Shift-JIS glyph set, and the mapping of TrueType faces
// onto device fonts through the user's substitution table.
#pragma once

#include <cstdint>
#include <span>

#include "render/pdev.h"

// ---- Records ----
// A copy of device-font record `fontId` (resource type 200) in a block of the PDEV's list, or
// null when the resource is missing, malformed (an offset, string or table outside the record)
// or memory is short. Every later reader relies on the checks made here.
void* LoadDeviceFontRecord(PrinterPdev* pdev, ULONG fontId);
// The checks LoadDeviceFontRecord makes: header, strings, kerning pairs, width table and
// IFIMETRICS (with its names) all inside `size` bytes, the selection text at least 8 characters.
BOOL DeviceFontRecordIsSound(const BYTE* record, DWORD size);
// DrvEnablePDEV: the record table and records 1 to the font count. A record that cannot be
// loaded leaves the device context without device fonts (count 0); FALSE only when the table
// itself cannot be allocated.
BOOL LoadDeviceFonts(PrinterPdev* pdev);

// The record of face 1 to the font count, else null.
const BYTE* DeviceFontRecordOf(const PrinterPdev* pdev, ULONG face);
const IFIMETRICS* RecordIfiMetrics(const BYTE* record);
// The selection command text ("06F1-002"): at least 8 characters.
const char* RecordSelectionText(const BYTE* record);
const char* RecordDisplayName(const BYTE* record);
// The kerning pairs with their all-zero end, or an empty span for a font without pairs.
std::span<const FD_KERNINGPAIR> RecordKerningPairs(const BYTE* record);
// Width of a code byte in thousandths of the em, or -1 when the table has no such code.
LONG RecordWidthOfCode(const BYTE* record, BYTE code);
// The first width of the table (every checked record has one).
LONG RecordFirstWidth(const BYTE* record);
// A vertical-writing face: its IFIMETRICS family name begins with "@".
BOOL IsVerticalWritingFace(const BYTE* record);

// ---- Advances in thousandths of the em ----
// The advance-width query's rule: double-byte character sets by the handle (1000 above 255,
// else 500; 1200 and 600 for faces whose selection text has "9" as its eighth character), other
// fonts by the width table: the handle's low byte, else 0x95, else the space, else the first entry.
LONG DeviceFontAdvance(const BYTE* record, HGLYPH hg);
// The glyph-metrics query's rule: double-byte character sets from the IFIMETRICS (fwdMaxCharInc
// for FM_INFO_DBCS_FIXED_PITCH faces, else fwdAveCharWidth), halved for handles below 256; other
// fonts as DeviceFontAdvance.
LONG DeviceFontGlyphAdvance(const BYTE* record, HGLYPH hg);

// ---- Glyph sets ----
// The Shift-JIS glyph set, made from the DLL's resource on first use and shared by every device
// context of the process (freed by DrvDisableDriver). Safe to call from several threads at once.
FD_GLYPHSET* ShiftJisGlyphSet(HMODULE module);

// ---- TrueType faces printed with device fonts ----
// The device font a TrueType font object's face is substituted by, or 0. Records in the PDEV
// whether the font has the SHIFTJIS character set.
ULONG MapTrueTypeToDeviceFont(PrinterPdev* pdev, FONTOBJ* pfo);

// ---- Integer vector length (render/vector_length.cpp) ----
// The length of (x, y) by the driver's integer rule: |y| or |x| when the other is 0; otherwise
// the larger magnitude m, grown by one for each step that adds 4 x (its current value) to a sum
// until the sum reaches the square of the smaller magnitude.
ULONG IntegerVectorLength(LONG x, LONG y);
